#pragma once
// TFont: the font a canvas draws text with, in the shape documents store it (face name,
// height or point size, style, colour, character set), and the table that maps the Windows
// Japanese face names stored in documents to the IPA faces installed here.
//
// Height follows the logical-font convention: a negative value is the character height (em
// size) in logical units, a positive value the cell height (ascent + descent), 0 the default
// size. Size is in points and is tied to Height through PixelsPerInch:
//     Height = -MulDiv(Size, PixelsPerInch, 72),  Size = -MulDiv(Height, 72, PixelsPerInch).

#include "UColor.h"
#include "UPersistent.h"

#include <QFont>
#include <QRawFont>
#include <QString>
#include <QStringList>
#include <functional>

// Character sets (the values stored in documents).
constexpr int ANSI_CHARSET = 0;
constexpr int DEFAULT_CHARSET = 1;
constexpr int SYMBOL_CHARSET = 2;
constexpr int SHIFTJIS_CHARSET = 128;

// Output quality: DEFAULT and ANTIALIASED draw smoothed glyphs, NONANTIALIASED hard edges.
constexpr int DEFAULT_QUALITY = 0;
constexpr int NONANTIALIASED_QUALITY = 3;
constexpr int ANTIALIASED_QUALITY = 4;

// The value part of a font; the canvas keeps copies of it in its saved states.
struct TFontData {
    QString Name = QStringLiteral("ＭＳ Ｐゴシック");
    int Height = -12;       // logical units, see above
    int PixelsPerInch = 96; // relates Height and Size
    unsigned Style = 0;     // TFont::TFontStyle bits
    int Pitch = 0;          // TFont::TFontPitch
    TColor Color = clWindowText;
    int Charset = SHIFTJIS_CHARSET;
    int Escapement = 0;  // tenths of a degree, counter-clockwise
    int Orientation = 0; // tenths of a degree, counter-clockwise
    int Quality = DEFAULT_QUALITY;
    friend bool operator==(const TFontData&, const TFontData&) = default;
};

class TFont : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(TColor Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)
    // Written as the class library writes them: "SHIFTJIS_CHARSET", "clWindowText".
    Q_CLASSINFO("Idents:Charset", "_CHARSET")
    Q_CLASSINFO("Idents:Color", "cl")

public:
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
    Q_FLAG(TFontStyles)
    enum TFontPitch { fpDefault, fpVariable, fpFixed };
    Q_ENUM(TFontPitch)

    explicit TFont(QObject* Parent = nullptr);

    // Copies every value (PixelsPerInch included) and calls OnChange once.
    void Assign(const TFont& Source);
    // Accepts any TFont; other sources go to the inherited rule.
    void Assign(const TPersistent* Source) override;
    const TFontData& Data() const { return FData; }
    void SetData(const TFontData& Data);

    QString Name() const { return FData.Name; }
    void SetName(const QString& Value);
    int Height() const { return FData.Height; }
    void SetHeight(int Value);
    // Point size; setting it recomputes Height with the current PixelsPerInch.
    int Size() const;
    void SetSize(int Value);
    int PixelsPerInch() const { return FData.PixelsPerInch; }
    // Changes the resolution only; Height stays, so Size may change (as the class library does).
    void SetPixelsPerInch(int Value);
    TFontStyles Style() const { return TFontStyles(FData.Style); }
    void SetStyle(TFontStyles Value);
    TFontPitch Pitch() const { return static_cast<TFontPitch>(FData.Pitch); }
    void SetPitch(TFontPitch Value);
    TColor Color() const { return FData.Color; }
    void SetColor(TColor Value);
    int Charset() const { return FData.Charset; }
    void SetCharset(int Value);
    int Escapement() const { return FData.Escapement; }
    void SetEscapement(int Value);
    int Orientation() const { return FData.Orientation; }
    void SetOrientation(int Value);
    int Quality() const { return FData.Quality; }
    void SetQuality(int Value);

    // Raised after every change. The canvas does not depend on it: it reads the font's
    // values whenever it draws, so a foreign handler here never stops it from seeing changes.
    std::function<void()> OnChange;
    // Counts changes; the canvas compares it to notice that the font was changed.
    unsigned Version() const { return FVersion; }

private:
    void Changed();
    TFontData FData;
    unsigned FVersion = 0;
};

Q_DECLARE_OPERATORS_FOR_FLAGS(TFont::TFontStyles)

// The installed face that draws a stored face name: the Windows Japanese faces (full-width
// and English spellings, with or without a leading "@" of vertical faces) map to the IPA
// faces; any other name is returned unchanged (without "@"). The stored name is never
// changed by this mapping.
QString SubstituteFontFace(const QString& Name);

// The width of one character: A is the space before its ink, B the ink width, C the space
// after it; A + B + C is its advance.
struct TABC {
    int A = 0;
    int B = 0;
    int C = 0;
    friend bool operator==(const TABC&, const TABC&) = default;
};

// The face "System" is drawn with (IPAPGothic unless changed). Documents keep "System".
QString SystemFontFace();
void SetSystemFontFace(const QString& Face);

// Vertical faces: a name with a leading "@" draws columns. Characters of the upright class
// (every character code page 932 holds in two bytes; beyond it kana, kanji, full-width
// forms, CJK punctuation) stand upright and take their vertical forms (the font's
// 'vert'/'vrt2' alternates); all others lie on their side.
bool IsVerticalFaceName(const QString& Name);
bool IsUprightInVertical(char32_t Ch);
// The glyph Font draws Ch with in a vertical face: the vertical alternate when the font has
// one, else the plain glyph; 0 when the font has no glyph for Ch.
quint32 VerticalGlyphIndex(const QRawFont& Font, char32_t Ch);
// True when Font has vertical alternates at all (a usable "@" face can be made of it).
bool HasVerticalForms(const QRawFont& Font);

// The face names this machine offers, as the font pickers list them: the installed families,
// the stored Windows names whose substitute is installed, and an "@" name for every one of
// those whose face has vertical forms. Built once; RefreshFontFaces rebuilds it.
const QStringList& InstalledFontFaces();
void RefreshFontFaces();
bool IsInstalledFontFace(const QString& Name);
// True when Name draws with an outline (scalable) face; the names of InstalledFontFaces that
// draw with bitmap faces answer false.
bool IsScalableFontFace(const QString& Name);
// The character set of a face: SHIFTJIS_CHARSET for Japanese faces, ANSI_CHARSET for Latin
// faces, DEFAULT_CHARSET when Name is not installed.
int FontFaceCharset(const QString& Name);

// A QFont for Data at DeviceHeight device pixels (the sign convention of Height: negative is
// the em size, positive the cell height, 0 the default of 12 pixels).
QFont CreateQFont(const TFontData& Data, int DeviceHeight);
