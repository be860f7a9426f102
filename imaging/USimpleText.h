#pragma once
// TSimpleText: the text engine of the text-bearing layout objects. It holds a multi-line
// text with its font and layout settings, measures it, draws it onto any canvas (straight,
// rotated by Angle, or on a circular arc of sagitta Bulge; horizontal or in columns from
// right to left), and turns it into glyph outlines (a TStroke).
//
// Measuring happens on one shared scratch bitmap whose font resolution is 254 pixels per
// inch, so that a font of Size points measures Size * 254 / 72 units of 0.1 mm whatever the
// device; drawing spreads each line over the span measured there.

#include "UCanvas.h"
#include "UFont.h"
#include "UGlyphUtils.h"
#include "UPersistent.h"
#include "UStringList.h"

#include <functional>
#include <memory>

class TStroke;

// A font whose streams keep the point size: Size is stored and Height is not.
class TPointBasedFont : public TFont {
    Q_OBJECT
    Q_PROPERTY(int Height READ Height WRITE SetHeight STORED false)
    Q_PROPERTY(int Size READ Size WRITE SetSize)
public:
    explicit TPointBasedFont(QObject* Parent = nullptr) : TFont(Parent) {}
};

class TSimpleText : public TPersistent {
    Q_OBJECT
    Q_PROPERTY(TStringList Text READ Text WRITE SetText)
    Q_PROPERTY(TPointBasedFont* Font READ Font WRITE SetFont)
    Q_PROPERTY(int Align READ Align WRITE SetAlign)
    Q_PROPERTY(bool Vertical READ Vertical WRITE SetVertical)
    Q_PROPERTY(int CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(int LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(int Bulge READ Bulge WRITE SetBulge)
    Q_PROPERTY(int Angle READ Angle WRITE SetAngle)
    Q_PROPERTY(bool HanToZen READ HanToZen WRITE SetHanToZen)
    Q_PROPERTY(bool NumToKnj READ NumToKnj WRITE SetNumToKnj)
    Q_PROPERTY(bool MinusExc READ MinusExc WRITE SetMinusExc)
    Q_PROPERTY(int FeedAngle READ FeedAngle WRITE SetFeedAngle)
    Q_CLASSINFO("Default:FeedAngle", "0")

public:
    Q_INVOKABLE TSimpleText();
    ~TSimpleText() override;

    void Assign(const TPersistent* Source) override;

    void BeginUpdate();
    void EndUpdate();
    void Changed();

    const TStringList& Text() const { return FText; }
    void SetText(const TStringList& Value);
    TPointBasedFont* Font() const { return FFont.get(); }
    void SetFont(TPointBasedFont* Value);
    int Align() const { return FAlign; }
    void SetAlign(int Value);
    bool Vertical() const { return FVertical; }
    void SetVertical(bool Value);
    int CharSpacing() const { return FCharSpacing; }
    void SetCharSpacing(int Value);
    int LineSpacing() const { return FLineSpacing; }
    void SetLineSpacing(int Value);
    int Bulge() const { return FBulge; }
    void SetBulge(int Value);
    int Angle() const { return FAngle; }
    void SetAngle(int Value);
    bool HanToZen() const { return FHanToZen; }
    void SetHanToZen(bool Value);
    bool NumToKnj() const { return FNumToKnj; }
    void SetNumToKnj(bool Value);
    bool MinusExc() const { return FMinusExc; }
    void SetMinusExc(bool Value);
    int FeedAngle() const { return FFeedAngle; }
    void SetFeedAngle(int Value);
    // The colour glyphs and bars are drawn in; set by the owner before every draw, not
    // streamed and not copied by Assign.
    TColor FontColor() const { return FFontColor; }
    void SetFontColor(TColor Value) { FFontColor = Value; }

    std::function<void(TSimpleText*)> OnChange;

    // The lines that are laid out: Text, or the placeholder "未入力項目" when Text is empty,
    // after the full-width and kanji-numeral conversions.
    const TStringList& GetDisplayLines();
    // Text metric height of the font on the measuring canvas.
    int GetFontHeight();
    // The rectangle the straight layout covers inside Rect (Angle and Bulge do not enter).
    // With NaturalJustify a justified text is measured as left-aligned.
    TRect GetTextBounds(const TRect& Rect, bool NaturalJustify);
    // Canvas's font resolution (PixelsPerInch) must match its logical units (254 for units of
    // 0.1 mm): the point size of Font is turned into logical units with it.
    void Draw(TCanvas& Canvas, const TRect& Rect);
    // Appends the glyph outlines (and with Decorations the underline and strikeout bars).
    void TextToStroke(TStroke& Stroke, const TRect& Rect, bool Decorations);
    // Prepares Canvas's font for drawing this text.
    void SelectFontInto(TCanvas& Canvas);

    // The cached per-line layouts (for tests and callers that position lines themselves).
    const std::vector<TCharLayout>& LineLayouts() const { return FLayouts; }

    // The shared measuring canvas (254 pixels per inch).
    static TCanvas& ScratchCanvas();

private:
    void TextChanged();
    void FontChanged();
    void DropLayouts() { FLayouts.clear(); }
    void UpdateLayouts();
    void ApplyFeedSlant(int Align, int H);
    void DrawLayouts(TCanvas& Canvas, const TRect& Rect, bool Bars);
    void DrawStraight(TCanvas& Canvas, const TRect& Rect, bool Bars);
    void DrawRotated(TCanvas& Canvas, const TRect& Rect, bool Bars);
    // False when Rect gives no arc (a chord shorter than 0.9 units).
    bool DrawArc(TCanvas& Canvas, const TRect& Rect);
    template <class T>
    void Set(T& Field, const T& Value, bool Drop, bool ClearConverted);

    TStringList FConverted;
    TStringList FText;
    std::unique_ptr<TPointBasedFont> FFont;
    int FAlign = 0;
    bool FVertical = false;
    int FCharSpacing = 0;
    int FLineSpacing = 0;
    int FBulge = 0;
    int FAngle = 0;
    int FUpdateCount = 0;
    int FPending = 0;
    bool FNumToKnj = false;
    bool FHanToZen = false;
    bool FMinusExc = false;
    std::vector<TCharLayout> FLayouts;
    int FFeedAngle = 0;
    TColor FFontColor = clBlack;
};
