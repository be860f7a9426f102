#pragma once
// Rectangle and ellipse drawing objects.
//
// TLORect is a framed and optionally filled rectangle with square or rounded corners, turned
// by Angle about the centre of its logical rectangle. The logical rectangle is the shape
// before turning; the frame is centred on the shape's edge, so the bounds (GetBoundsRect)
// are the outline widened by FrameWidth with square ends and mitre joins. Frame and fill are
// colour fills (TColorSpec) painted through the shape as a clip. TLOCircle is the ellipse
// inscribed in the logical rectangle.
//
// The turned outline is cached as a stroke and rebuilt after any change of shape, size or
// angle. On a design surface the frame is painted at least two device pixels wide so that
// thin frames stay visible at low zoom.
//
// Stream form: FrameWidth, FrameColor, FillColor, FillInside, Angle, RoundRect, all always
// written. Older streams may carry the Boolean "Round", read into RoundRect, never written.
//
// Units: logical units (0.1 mm); Angle whole degrees, clockwise, not normalised.
// User-interface thread only.

#include "UColorFill.h"
#include "UDrawObject.h"
#include "UStroke.h"
#include "UTransformer.h"

#include <QPainterPath>
#include <memory>

class TLORect : public TLORectBase,
                public IDOBlend,
                public IDOColor,
                public IDOShadow,
                public IDORotate {
    Q_OBJECT
    Q_PROPERTY(int FrameWidth READ FrameWidth WRITE SetFrameWidth)
    Q_PROPERTY(TColorSpec* FrameColor READ FrameColor WRITE SetFrameColor)
    Q_PROPERTY(TColorSpec* FillColor READ FillColor WRITE SetFillColor)
    Q_PROPERTY(bool FillInside READ FillInside WRITE SetFillInside)
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle)
    Q_PROPERTY(bool RoundRect READ RoundRect WRITE SetRoundRect)
public:
    // Frame 10 units wide, no fill, square corners, angle 0, rectangle (0, 0, 0, 0).
    Q_INVOKABLE explicit TLORect(TComponent* Owner = nullptr);
    ~TLORect() override;

    // Frame width in logical units; 0 = no frame. Kept within 0 .. 32767.
    int FrameWidth() const { return FFrameWidth; }
    void SetFrameWidth(int Value);
    // The owned fills; the setters copy Value into them (a null Value changes nothing).
    TColorSpec* FrameColor() const { return FFrameColor.get(); }
    void SetFrameColor(TColorSpec* Value);
    TColorSpec* FillColor() const { return FFillColor.get(); }
    void SetFillColor(TColorSpec* Value);
    bool FillInside() const { return FFillInside; }
    void SetFillInside(bool Value);
    bool RoundRect() const { return FRoundRect; }
    void SetRoundRect(bool Value);

    // IDORotate; SetAngle stores any value (400 stays 400).
    int GetAngle() const override { return FRotator.GetAngle(); }
    void SetAngle(int Value) override;
    // IDOBlend: the object's BlendShade and BlendRatio.
    void SetShade(bool Value) override { SetBlendShade(Value); }
    bool GetShade() const override { return BlendShade(); }
    void SetRatio(int Value) override { SetBlendRatio(Value); }
    int GetRatio() const override { return BlendRatio(); }
    // IDOColor: the frame's fill.
    TColorSpec* GetColor() const override { return FFrameColor.get(); }
    void SetColor(const TColorSpec& Value) override { FFrameColor->Assign(&Value); }
    // IDOShadow: the inside fill and "no fill" (= not FillInside).
    TColorSpec* GetShadowColor() const override { return FFillColor.get(); }
    void SetShadowColor(const TColorSpec& Value) override { FFillColor->Assign(&Value); }
    bool GetShadow() const override { return !FFillInside; }
    void SetShadow(bool Value) override { SetFillInside(!Value); }

    // The turned outline (built on first use after a change).
    const TStroke& OutlineStroke() const;
    // The frame width painting uses on Canvas: FrameWidth, but on a design surface at least
    // the logical length of two device pixels.
    int EffectiveFrameWidth() const;

    void DefineProperties(TFiler& Filer) override;
    // The outline widened by FrameWidth (square ends, mitre joins), rounded outward; the
    // outline's own box when FrameWidth is 0.
    TRect GetBoundsRect() const override;
    // Unfilled framed shapes are hit on their frame only (widened by one device pixel);
    // filled or frameless ones anywhere inside too.
    bool HitTest(const TPoint& P) const override;
    // Turned: the rectangle scaled so that the bounds become AWidth x AHeight (an axis whose
    // bounds have no extent is left alone). Straight: the frame's width taken off. Sizes
    // never go below 0.
    void ResizeTo(int AWidth, int AHeight) override;
    void DrawOutline(TCanvas& Canvas) override;
    void SetBoundsRect(const TRect& R) override;
    // White (index 255) where the object paints: its frame and, when filled, its inside.
    void FillBlendMask(TBitmap& Mask) override;
    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    void Paint() override;
    // The untransformed outline of the logical rectangle into Stroke (cleared first).
    virtual void BuildStroke(TStroke& Stroke) const;
    // The frame's area on Canvas in device pixels, for a frame W logical units wide.
    virtual TRegion FrameRegion(TCanvas& Canvas, int W) const;
    // The outline widened by W logical units on Canvas, in device pixels.
    TRegion WidenedOutlineRegion(TCanvas& Canvas, int W) const;
    // The inside's area on Canvas in device pixels.
    TRegion InsideRegion(TCanvas& Canvas) const;
    // The rectangle the frame's fill is painted over for a frame W units wide.
    TRect FrameFillRect(int W) const;
    // Inside wider and higher than the frame, and filled.
    bool PaintsInside() const;
    // Empties the outline cache.
    void ClearStroke() { FStrokeValid = false; }
    const TRotator& Rotator() const { return FRotator; }

private:
    void ColorChanged();

    int FFrameWidth = 10;
    std::unique_ptr<TColorSpec> FFrameColor;
    std::unique_ptr<TColorSpec> FFillColor;
    bool FFillInside = false;
    TRotator FRotator;
    mutable TStroke FStroke;
    mutable bool FStrokeValid = false;
    bool FRoundRect = false;
};

class TLOCircle : public TLORect {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLOCircle(TComponent* Owner = nullptr);

protected:
    void BuildStroke(TStroke& Stroke) const override;
    TRegion FrameRegion(TCanvas& Canvas, int W) const override;
};

// The stroke's figures as a painter path in the stroke's own units (curves flattened as
// drawing flattens them).
QPainterPath StrokeToPainterPath(const TStroke& Stroke);
// Path widened by a pen Width units wide with square ends and mitre joins (the mitre limit
// of ten widths of the usual device pen); an empty path when Width is 0 or less.
QPainterPath WidenPath(const QPainterPath& Path, double Width);
