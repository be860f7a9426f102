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

#include <QFont>
#include <QObject>
#include <QString>
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

class TFont : public QObject {
    Q_OBJECT
    Q_PROPERTY(int Charset READ Charset WRITE SetCharset)
    Q_PROPERTY(int Color READ Color WRITE SetColor)
    Q_PROPERTY(int Height READ Height WRITE SetHeight)
    Q_PROPERTY(QString Name READ Name WRITE SetName)
    Q_PROPERTY(TFontPitch Pitch READ Pitch WRITE SetPitch)
    Q_PROPERTY(int Size READ Size WRITE SetSize STORED false)
    Q_PROPERTY(TFontStyles Style READ Style WRITE SetStyle)

public:
    enum TFontStyle { fsBold = 1, fsItalic = 2, fsUnderline = 4, fsStrikeOut = 8 };
    Q_DECLARE_FLAGS(TFontStyles, TFontStyle)
    Q_FLAG(TFontStyles)
    enum TFontPitch { fpDefault, fpVariable, fpFixed };
    Q_ENUM(TFontPitch)

    explicit TFont(QObject* Parent = nullptr);

    // Copies every value (PixelsPerInch included) and calls OnChange once.
    void Assign(const TFont& Source);
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

// A QFont for Data at DeviceHeight device pixels (the sign convention of Height: negative is
// the em size, positive the cell height, 0 the default of 12 pixels).
QFont CreateQFont(const TFontData& Data, int DeviceHeight);
