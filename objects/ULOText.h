#pragma once
// TLOText: the text object of labels and calendar pages.
//
// One or more lines laid out by a TSimpleText inside the object's logical rectangle (the
// layout rectangle before rotation), filled with a colour fill, optionally with an
// outline, a drop shadow, a rotation (Angle, whole degrees clockwise), an arc (Bulge, the
// sagitta of the arc over the text's chord, in logical units) and a Coons-patch distortion
// (CoonsDistortion at DistortionRatio percent).
//
// Glyph outlines are cached as strokes in logical units, and as device regions for the few
// zooms and places they were last painted at; plain-coloured glyphs are drawn through a
// coverage mask kept per mapping, and a blended text keeps its blend mask and colours. Every
// change of the text, its font or layout, the rectangle, the angle, a colour, the shadow or
// the distortion empties the caches, so a repaint reuses them until then.
//
// An empty text lays out the placeholder "未入力項目" so that the object can be found and
// selected on the page; the placeholder is painted only on the surface's own screen canvas,
// never through DrawTo (printing, previews, export) nor on a printer canvas.
//
// Units: logical units (0.1 mm); font sizes in points; shadow offsets in percent of the font
// height; angles whole degrees, clockwise on the y-down page. User-interface thread only.

#include "UColorFill.h"
#include "UCurveGeometry.h"
#include "UDrawObject.h"
#include "URegion.h"
#include "USimpleText.h"
#include "UStroke.h"
#include "UTransformer.h"

#include <memory>
#include <vector>

struct TFieldTypeEnum {
    Q_GADGET
public:
    enum TFieldType : uint8_t { ftProduct, ftCreatorJapanese, ftCreatorEnglish };
    Q_ENUM(TFieldType)
};
using TFieldType = TFieldTypeEnum::TFieldType;
using enum TFieldTypeEnum::TFieldType;

class TLOText : public TLORectBase,
                public IDOFeedAngle,
                public IDOBlend,
                public IDOColor,
                public IDOCurve,
                public IDOAlign,
                public IDOFont,
                public IDOVertical,
                public IDOAutoSize,
                public IDORotate {
    Q_OBJECT
    Q_PROPERTY(int Version READ Version WRITE SetVersion)
    Q_PROPERTY(TStringList Text READ Text WRITE SetText)
    Q_PROPERTY(TPointBasedFont* Font READ Font WRITE SetFontProperty)
    Q_PROPERTY(int Align READ GetAlign WRITE SetAlign)
    Q_PROPERTY(bool Vertical READ GetVertical WRITE SetVertical)
    Q_PROPERTY(int CharSpacing READ CharSpacing WRITE SetCharSpacing)
    Q_PROPERTY(int LineSpacing READ LineSpacing WRITE SetLineSpacing)
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(TCoonsDistortion* CoonsDistortion READ CoonsDistortion WRITE SetCoonsDistortion)
    Q_PROPERTY(int DistortionRatio READ DistortionRatio WRITE SetDistortionRatio)
    Q_PROPERTY(TColorSpec* TextColor READ TextColor WRITE SetTextColor)
    Q_PROPERTY(bool Outline READ Outline WRITE SetOutline)
    Q_PROPERTY(TColorSpec* OutlineColor READ OutlineColor WRITE SetOutlineColor)
    Q_PROPERTY(int OutLineWidth READ OutLineWidth WRITE SetOutLineWidth)
    Q_PROPERTY(int Shadow READ Shadow WRITE SetShadow)
    Q_PROPERTY(int ShadowOffsetX READ ShadowOffsetX WRITE SetShadowOffsetX)
    Q_PROPERTY(int ShadowOffsetY READ ShadowOffsetY WRITE SetShadowOffsetY)
    Q_PROPERTY(TColorSpec* ShadowColor READ ShadowColor WRITE SetShadowColor)
    Q_PROPERTY(bool AutoSize READ GetAutoSize WRITE SetAutoSize)
    Q_PROPERTY(int Bulge READ Bulge WRITE SetBulge)
    Q_PROPERTY(int FieldNo READ FieldNo WRITE SetFieldNo)
    Q_PROPERTY(TFieldTypeEnum::TFieldType FieldType READ FieldType WRITE SetFieldType)
    Q_PROPERTY(bool HanToZen READ HanToZen WRITE SetHanToZen)
    Q_PROPERTY(bool NumToKnj READ NumToKnj WRITE SetNumToKnj)
    Q_PROPERTY(bool MinusExc READ MinusExc WRITE SetMinusExc)
    Q_PROPERTY(int FeedAngle READ GetFeedAngle WRITE SetFeedAngle)
    Q_PROPERTY(int DiagonalAlign READ DiagonalAlign WRITE SetDiagonalAlign STORED false)
    Q_CLASSINFO("Default:Align", "0")
    Q_CLASSINFO("Default:Vertical", "false")
    Q_CLASSINFO("Default:CharSpacing", "0")
    Q_CLASSINFO("Default:LineSpacing", "0")
    Q_CLASSINFO("Stored:Shadow", "IsShadowStored")
    Q_CLASSINFO("Stored:ShadowOffsetX", "IsShadowOffsetStored")
    Q_CLASSINFO("Stored:ShadowOffsetY", "IsShadowOffsetStored")
    Q_CLASSINFO("Default:HanToZen", "false")
    Q_CLASSINFO("Default:NumToKnj", "false")
    Q_CLASSINFO("Default:MinusExc", "false")
    Q_CLASSINFO("Default:FeedAngle", "0")

public:
    // The smallest side an auto-sized text gets.
    static constexpr int MinAutoSize = 20;
    // Shadow presets: offsets (X, Y) in percent of the font height; index 0 is no shadow.
    static constexpr int ShadowPresetCount = 9;
    static const TPoint ShadowPresets[ShadowPresetCount];

    Q_INVOKABLE explicit TLOText(TComponent* Owner = nullptr);
    ~TLOText() override;

    // Always 1 when written; the value read is kept (VersionRead) for the conversions of
    // Loaded.
    int Version() const { return 1; }
    void SetVersion(int Value) { FVersion = Value; }
    int VersionRead() const { return FVersion; }

    // The text engine (its settings below are its own).
    TSimpleText& SimpleText() const { return *FText; }

    const TStringList& Text() const { return FText->Text(); }
    void SetText(const TStringList& Value) { FText->SetText(Value); }
    // The whole text, lines separated by line breaks (CR LF, LF or CR).
    QString PlainText() const;
    void SetPlainText(const QString& Value);
    TPointBasedFont* Font() const { return FText->Font(); }
    void SetFontProperty(TPointBasedFont* Value) { FText->SetFont(Value); }
    int CharSpacing() const { return FText->CharSpacing(); }
    void SetCharSpacing(int Value);
    int LineSpacing() const { return FText->LineSpacing(); }
    void SetLineSpacing(int Value);
    // Any value is stored normalised into 0..359.
    int GetAngle() const override { return FRotator.GetAngle(); }
    void SetAngle(int Value) override;
    TCoonsDistortion* CoonsDistortion() const { return FDistortion.get(); }
    void SetCoonsDistortion(TCoonsDistortion* Value);
    int DistortionRatio() const { return FDistortionRatio; }
    void SetDistortionRatio(int Value);
    TColorSpec* TextColor() const { return FTextColor.get(); }
    void SetTextColor(TColorSpec* Value);
    bool Outline() const { return FOutline; }
    void SetOutline(bool Value);
    TColorSpec* OutlineColor() const { return FOutlineColor.get(); }
    void SetOutlineColor(TColorSpec* Value);
    int OutLineWidth() const { return FOutLineWidth; }
    void SetOutLineWidth(int Value);
    // The index of the preset equal to the offsets, 9 when none is.
    int Shadow() const;
    // 0..8 take the preset's offsets; other values change nothing.
    void SetShadow(int Value);
    int ShadowOffsetX() const { return FShadowOffsetX; }
    void SetShadowOffsetX(int Value);
    int ShadowOffsetY() const { return FShadowOffsetY; }
    void SetShadowOffsetY(int Value);
    TColorSpec* ShadowColor() const { return FShadowColor.get(); }
    void SetShadowColor(TColorSpec* Value);
    int Bulge() const { return FText->Bulge(); }
    void SetBulge(int Value) { FText->SetBulge(ClampLogical(Value)); }
    int FieldNo() const { return FFieldNo; }
    void SetFieldNo(int Value) { FFieldNo = Value; }
    TFieldType FieldType() const { return FFieldType; }
    void SetFieldType(TFieldType Value) { FFieldType = Value; }
    bool HanToZen() const { return FText->HanToZen(); }
    void SetHanToZen(bool Value) { FText->SetHanToZen(Value); }
    bool NumToKnj() const { return FText->NumToKnj(); }
    void SetNumToKnj(bool Value) { FText->SetNumToKnj(Value); }
    bool MinusExc() const { return FText->MinusExc(); }
    void SetMinusExc(bool Value) { FText->SetMinusExc(Value); }
    // Never written; reading 1 or 4 slants the feed by 45 degrees, 2 or 3 by -45.
    int DiagonalAlign() const { return 0; }
    void SetDiagonalAlign(int Value);

    Q_INVOKABLE bool IsShadowStored() const { return Shadow() != ShadowPresetCount; }
    Q_INVOKABLE bool IsShadowOffsetStored() const { return Shadow() == ShadowPresetCount; }

    // (MulDiv(H, ShadowOffsetX, 100), MulDiv(H, ShadowOffsetY, 100)), H the font height.
    virtual void GetShadowOffset(TPoint& Offset) const;
    // IDORotate: turns the object to A; a bulged text turns about the centre of its visible
    // bounds, so that what it shows stays in place.
    void RotateTo(int A) override;
    // The arc chord of the rectangle: its horizontal (vertical text: vertical) middle line,
    // turned by the rotator.
    void GetChordPoints(TPoint& Start, TPoint& End) const;
    // Bulge 0 with a distortion set: the glyphs are bent by the patch.
    bool Distorted() const;
    // The text thickness T: the text bounds' height (vertical text: width).
    int TextThickness() const;
    // The arc the bulged text runs along, its radius grown so that a band T wide covers the
    // text; false when the chord forms no arc.
    bool GetAdjustedArc(TArc& Arc) const;
    // Re-fits the rectangle to the text (only with AutoSize, on a surface, without Bulge),
    // keeping the anchor point of the alignment in place on the page.
    void ApplyAutoSize();
    // The frame stroke: the rectangle grown by the outline width (and the shadow) turned by
    // the rotator.
    void GetFrameStroke(TStroke& Stroke) const;
    // The glyph outlines as they are filled (built on demand, cached).
    const TStroke& GlyphStroke() const;
    // True while either stroke cache holds outlines.
    bool HasCachedStrokes() const { return FTextStroke.GetCount() || FGlyphStroke.GetCount(); }
    // Whether the placeholder of an empty text is painted on Canvas now.
    bool ShowsPlaceholder(TCanvas& Canvas) const;

    // IDOFeedAngle, IDOBlend, IDOColor, IDOAlign, IDOFont, IDOVertical, IDOAutoSize.
    int GetFeedAngle() const override { return FText->FeedAngle(); }
    void SetFeedAngle(int Value) override { FText->SetFeedAngle(Value); }
    void SetShade(bool Value) override { SetBlendShade(Value); }
    bool GetShade() const override { return BlendShade(); }
    void SetRatio(int Value) override { SetBlendRatio(Value); }
    int GetRatio() const override { return BlendRatio(); }
    TColorSpec* GetColor() const override { return FTextColor.get(); }
    void SetColor(const TColorSpec& Value) override { FTextColor->Assign(&Value); }
    int GetAlign() const override { return FText->Align(); }
    void SetAlign(int Value) override { FText->SetAlign(Value); }
    TFont* GetFont() const override { return FText->Font(); }
    void SetFont(const TFont& Value) override { FText->Font()->Assign(Value); }
    bool GetVertical() const override { return FText->Vertical(); }
    void SetVertical(bool Value) override;
    bool GetAutoSize() const override { return FAutoSize; }
    void SetAutoSize(bool Value) override { FAutoSize = Value; }

    // IDOCurve: the arc edited by its chord and bulge point.
    TPoint GetStartPoint() const override;
    void SetStartPoint(const TPoint& Value) override;
    TPoint GetEndPoint() const override;
    void SetEndPoint(const TPoint& Value) override;
    void BeginBulgeDrag() override;
    void EndBulgeDrag() override;
    TPoint GetBulgePoint() const override;
    void SetBulgePoint(const TPoint& Value) override;
    bool CurveEditing() const { return FCurveEditing; }

    void Loaded() override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;
    void SetParent(TWinControl* Value) override;
    bool NeedsBlend() override;
    void FillBlendMask(TBitmap& Mask) override;
    std::unique_ptr<TBitmap> RenderToBitmap() override;
    // True while the blend pass holds pictures of the object (its coverage mask or colours).
    bool HasCachedBlendPictures() const { return FBlendMask.Valid || FBlendColours.Valid; }
    // True while coverage masks of the plain-coloured text are kept.
    bool HasCachedTextMasks() const { return !FTextMasks.empty(); }
    bool HitTest(const TPoint& P) const override;
    TRect GetBoundsRect() const override;
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    void SetBoundsRect(const TRect& R) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;
    bool Assigning() const { return FAssigning; }

private:
    void StyleChanged();
    void TextChanged();
    void ClearStrokes() const;
    TRect Fit(const TRect& R0) const;
    TPoint Anchor(const TRect& R) const;
    TRect ArcBandBounds(const TArc& Arc) const;
    void DrawText(TCanvas& Canvas, TColorSpec& Fill, TColorSpec* OutlineFill);
    void AddShapeClip(TCanvas& Canvas, bool WithOutline);
    void DrawOutlineFill(TCanvas& Canvas, TColorSpec& OutlineFill, const TRect& R);
    void FillGlyphs(TCanvas& Canvas, TColorSpec& Fill, const TRect& R);
    void DrawCoverage(TCanvas& Canvas);
    void DrawBlendMask(TBitmap& Mask);
    void BuildGlyphStroke(TStroke& Stroke) const;
    // The device region of the glyph outlines on Canvas, widened by WidenBy device pixels
    // (0: the glyphs themselves).
    const TRegion& GlyphRegion(TCanvas& Canvas, int WidenBy) const;

    int FVersion = 0;
    std::unique_ptr<TSimpleText> FText;
    std::unique_ptr<TColorSpec> FTextColor;
    std::unique_ptr<TColorSpec> FOutlineColor;
    bool FOutline = false;
    int FOutLineWidth = 0;
    int FShadowOffsetX = 0;
    int FShadowOffsetY = 0;
    std::unique_ptr<TColorSpec> FShadowColor;
    bool FAutoSize = false;
    int FFieldNo = 0;
    TFieldType FFieldType = ftProduct;
    TPoint FChordStart;
    TPoint FChordEnd;
    bool FCurveEditing = false;
    TRotator FRotator;
    mutable TStroke FTextStroke;
    mutable TStroke FGlyphStroke;
    // Device regions of the glyph stroke for the mappings it was last painted at (a few: the
    // shadow pass and the text pass differ by the shadow offset), so that a repaint at the
    // same zoom and place neither flattens the outlines nor builds regions again. Emptied
    // with the strokes.
    struct TGlyphRegion {
        TPoint Origin; // device place of logical (0, 0)
        TPoint Unit;   // device place of logical (65536, 65536)
        int WidenBy = 0;
        TRegion Region;
    };
    mutable std::vector<TGlyphRegion> FGlyphRegions;
    // The device pictures of the blend pass, each for the one mapping, size and placeholder
    // state it was made at: a repaint at the same zoom copies them instead of drawing the text
    // again. Emptied with the strokes.
    struct TDeviceKey {
        int MapMode = 0;
        TPoint WindowOrg;
        TPoint ViewportOrg;
        TSize WindowExt;
        TSize ViewportExt;
        int Width = 0;
        int Height = 0;
        bool Placeholder = false;
        friend bool operator==(const TDeviceKey&, const TDeviceKey&) = default;
    };
    struct TDevicePicture {
        bool Valid = false;
        TDeviceKey Key;
        TBitmap Pixels;
    };
    // Coverage masks of plain-coloured text (the glyphs drawn white on black) for the few
    // mappings and clip boxes they were last drawn at (the shadow pass and the text pass
    // differ by the shadow offset). Emptied with the strokes.
    struct TTextMask {
        TDeviceKey Key;
        TRect Area; // device pixels the mask covers
        TBitmap Coverage;
    };
    mutable std::vector<TTextMask> FTextMasks;
    mutable TDevicePicture FBlendMask;
    mutable TDevicePicture FBlendColours;
    TDeviceKey DeviceKeyOf(TBitmap& Bitmap, bool Placeholder) const;
    TDeviceKey DeviceKeyOf(TCanvas& Canvas, const TRect& Area, bool Placeholder) const;
    // Draws the text in Colour through its cached coverage mask; false when Canvas has no
    // 24-bit pixel buffer (the caller then draws the glyphs directly).
    bool DrawTextThroughMask(TCanvas& Canvas, TColor Colour);
    const TTextMask& TextMask(TCanvas& Canvas, const TRect& Area);
    int FDistortionRatio = 100;
    std::unique_ptr<TCoonsDistortion> FDistortion;
    bool FAssigning = false;
};

// The placeholder an empty text shows on the screen.
inline const QString STextPlaceholder = QStringLiteral("未入力項目");
