#pragma once
// Image fonts: text written with pictures, one picture per character.
//
// A font number selects one set of 64 glyph pictures; the glyph alphabet, in set order, is
// "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?". Every other character
// has no glyph: it draws nothing and advances by Height div 3 for each byte it takes in code
// page 932 (one for ASCII and half-width katakana, two for the rest; one for a character
// the code page cannot hold), so that widths stay those of documents written with byte
// strings. Measuring and drawing always agree: an
// advance is the width GetCharSize gives.
//
// All image fonts share one glyph pack over the files of the image-font folder and its
// subfolders, sorted without regard to case; set n is files 64 (n - 1) .. 64 n - 1, and font
// numbers beyond the last set wrap round. The folder is "$(ImageFontFolder:inessential)"
// ("Data\Font" when that is empty): an absolute folder is taken as it is, a relative one is
// looked up with the content search of the application frame. No folder, or a folder with
// no files, gives a pack without images, and then no character has a glyph. A font whose
// FontNo is below 1 has no glyphs either.
//
// Units: Height and the sizes are logical units of the canvas drawn on. User-interface
// thread only; the shared pack is not locked.

#include "UInterface.h"
#include "UNotify.h"
#include "UPersistent.h"
#include "UWinTypes.h"

#include <QString>

class TCanvas;
class TImagePack;

class TImageFont : public TPersistent, public virtual IInterface {
    Q_OBJECT
    Q_PROPERTY(int FontNo READ FontNo WRITE SetFontNo)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_CLASSINFO("Default:Height", "16")
public:
    static constexpr int GlyphsPerSet = 64;

    TImageFont();
    ~TImageFont() override;

    // 1-based number of the glyph set (0 after creation).
    int FontNo() const { return FFontNo; }
    void SetFontNo(int Value);
    // Character height in logical units; glyphs are scaled to it.
    int Height() const { return FHeight; }
    void SetHeight(int Value);

    // Another TImageFont: FontNo, then Height, through their setters. Other sources are
    // ignored.
    void Assign(const TPersistent* Source) override;

    // Position of Ch in the glyph alphabet, or -1.
    static int GlyphIndex(const QString& Ch);
    // Height x the glyph's width scaled to Height; Height div 3 per code-page byte when Ch
    // (one character, a surrogate pair included) has no glyph.
    TSize GetCharSize(const QString& Ch);
    // Sum of the widths x the largest height; (0, 0) for empty text.
    TSize GetTextExtent(const QString& S);
    // Native pixel height of glyph 0 of the current set (0 without glyphs). Loads the pack.
    int GetGlyphHeight();
    // Draws Ch's glyph stretched into (X, Y, X + width, Y + Height); answers the advance.
    int DrawChar(TCanvas& Canvas, int X, const QString& Ch, int Y);
    // DrawChar for every character of S, left to right from X; answers the last advance
    // (0 for empty text).
    int TextOut(TCanvas& Canvas, int X, const QString& S, int Y);

    // The pack glyphs come from; null (the default) means the shared glyph pack. The pack is
    // not owned and must outlive the font's use of it.
    void SetGlyphPack(TImagePack* Pack) { FPack = Pack; }

    TChangeNotify& Notifier() { return FNotify; }
    // IBroadcaster and IChangeNotify answer the notifier.
    bool QueryInterface(const TGUID& Id, void** Obj) override;

private:
    TImagePack& Pack() const;
    // Pack index of Ch's glyph, or -1 when it has none (no glyph, no set, no images, or an
    // image without height).
    int ImageIndexOf(const QString& Ch) const;
    int NoGlyphWidth(const QString& Ch) const;

    int FFontNo = 0;
    int FHeight = 16;
    TImagePack* FPack = nullptr;
    TChangeNotify FNotify;
};

// The shared glyph pack, built on first call from the image-font folder.
TImagePack& ImageFontGlyphPack();
// Frees the shared glyph pack; the next use builds it again from the folder as it is then
// (after the content folder or the macro table changed).
void ResetImageFontGlyphPack();
// The image-font folder found now as described above, or empty text.
QString FindImageFontFolder();
