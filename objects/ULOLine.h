#pragma once
// Line and curve objects.
//
// TLOLine is a straight line between two logical points, painted with a colour fill
// (TColorSpec) through its widened outline: the segment widened to LineWidth with round end
// caps. TLOCurve is the same object bent into a circular arc by a signed Bulge: the distance
// of the arc's middle from the middle of the chord, perpendicular to it (UCurveGeometry.h).
//
// Geometry (bounds, hit tests, outlines) uses a width of at least 1 unit, so that a line of
// width 0 read from a file still has a size and can be found and selected. A fill (solid,
// gradient or picture) spans the object's own bounds whatever part of the page is being
// repainted or printed, so bands of a print and partial repaints join without seams.
//
// Units: points, widths and bounds are logical units (0.1 mm); angles are whole degrees,
// clockwise on the y-down page; Angle is derived from the points and never stored.
//
// User-interface thread only.

#include "UColorFill.h"
#include "UDrawObject.h"

#include <QPainterPath>

#include <memory>
#include <vector>

class TBitmap;

class TLOLine : public TLabelObject,
                public IDORotate,
                public IDOColor,
                public IDODrawing,
                public IDOEncloseBounds,
                public virtual IDOLine,
                public IDORect,
                public IDOBlend {
    Q_OBJECT
    Q_PROPERTY(int StartX READ StartX WRITE SetStartX)
    Q_PROPERTY(int StartY READ StartY WRITE SetStartY)
    Q_PROPERTY(int EndX READ EndX WRITE SetEndX)
    Q_PROPERTY(int EndY READ EndY WRITE SetEndY)
    Q_PROPERTY(TColorSpec* LineColor READ LineColor WRITE SetLineColor)
    Q_PROPERTY(int LineWidth READ LineWidth WRITE SetLineWidth)
    Q_PROPERTY(int Angle READ GetAngle WRITE SetAngle STORED false)
public:
    // A line of width 10 from (0, 0) to (0, 0), filled solid black.
    Q_INVOKABLE explicit TLOLine(TComponent* Owner = nullptr);
    ~TLOLine() override;

    int StartX() const { return FStart.x; }
    int StartY() const { return FStart.y; }
    int EndX() const { return FEnd.x; }
    int EndY() const { return FEnd.y; }
    void SetStartX(int Value) { SetStartPoint(TPoint(Value, FStart.y)); }
    void SetStartY(int Value) { SetStartPoint(TPoint(FStart.x, Value)); }
    void SetEndX(int Value) { SetEndPoint(TPoint(Value, FEnd.y)); }
    void SetEndY(int Value) { SetEndPoint(TPoint(FEnd.x, Value)); }
    // The fill; a change of it is a change of the object.
    TColorSpec* LineColor() const { return FLineColor.get(); }
    // Copies Value into the owned fill.
    void SetLineColor(TColorSpec* Value);
    // The stored pen width; geometry uses GeometryWidth().
    int LineWidth() const { return FLineWidth; }
    // When different: stored, Changed, the surface updates the bounds, repaint.
    virtual void SetLineWidth(int Value);
    // The width geometry and painting use: LineWidth, at least 1.
    int GeometryWidth() const { return FLineWidth < 1 ? 1 : FLineWidth; }

    // IDOLine. The setters, when the point differs: store, the surface updates the bounds,
    // Changed, repaint.
    TPoint GetStartPoint() const override { return FStart; }
    TPoint GetEndPoint() const override { return FEnd; }
    void SetStartPoint(const TPoint& Value) override;
    void SetEndPoint(const TPoint& Value) override;

    // IDORotate: the direction from start to end, rounded to whole degrees (-179..180).
    int GetAngle() const override;
    // Turns both points about RotationCenter() by the difference to the current angle,
    // taken modulo 360 (so 450 and 90 are the same direction). Nothing while loading from a
    // stream: the stored points are the line.
    void SetAngle(int Value) override;

    // IDORect: the rectangle spanned by the two points, normalised.
    TRect GetRect() const override;

    // IDOEncloseBounds.
    // Start, then end, moved by (Dx, Dy).
    void OffsetBy(int Dx, int Dy) override;
    // On each axis the end with the larger coordinate moves so that the bounds become
    // AWidth x AHeight (sizes below the line width leave no extent on that axis, never a
    // flipped line).
    void ResizeTo(int AWidth, int AHeight) override;
    // The box of the widened outline: the points' box grown by half the width on each side
    // (the odd unit of an odd width on the right and bottom), so a line resized to its own
    // bounds keeps its points.
    TRect GetBoundsRect() const override;

    // IDODrawing.
    void DrawTo(TCanvas& Canvas) override { TLabelObject::DrawTo(Canvas); }
    // The centre line (Polyline()) with Canvas's current pen.
    void DrawOutline(TCanvas& Canvas) override;

    // IDOColor.
    TColorSpec* GetColor() const override { return FLineColor.get(); }
    void SetColor(const TColorSpec& Value) override;

    // IDOBlend.
    void SetShade(bool Value) override { SetBlendShade(Value); }
    bool GetShade() const override { return BlendShade(); }
    void SetRatio(int Value) override { SetBlendRatio(Value); }
    int GetRatio() const override { return BlendRatio(); }

    // True when P lies within (width + one device pixel) / 2 of the centre line; off a
    // surface the pixel counts as 3 units.
    bool HitTest(const TPoint& P) const override;
    // The widened outline in grey index 255.
    void FillBlendMask(TBitmap& Mask) override;

    // The centre line the object is drawn along, logical units (two points for a line).
    virtual std::vector<TPoint> Polyline() const;
    // The outline of the centre line widened to GeometryWidth(), logical units, without
    // overlaps.
    QPainterPath WidenedOutline() const;

    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    // Fills GetBoundsRect() with LineColor, clipped to the widened outline.
    void Paint() override;
    // The point the line turns about: the middle of the two points.
    virtual TPoint RotationCenter() const;
    // The widened centre line (logical units, nonzero winding); round end caps.
    virtual QPainterPath WidenedPath() const;
    // Stores a point without any notification; true when it changed.
    bool StoreStart(const TPoint& Value);
    bool StoreEnd(const TPoint& Value);
    // After a change of the geometry: the surface updates the bounds, Changed, repaint.
    void GeometryChanged();
    // Selects the widened outline, mapped to device pixels without rounding its points,
    // into Canvas's clip region (intersected with the current one); false when nothing of it
    // is left to paint.
    bool ClipToOutline(TCanvas& Canvas) const;
    // The widened Polyline() with Cap end caps and Join joins.
    QPainterPath WidenPolyline(Qt::PenCapStyle Cap, Qt::PenJoinStyle Join) const;

private:
    TPoint FStart;
    TPoint FEnd;
    std::unique_ptr<TColorSpec> FLineColor;
    int FLineWidth = 10;
};

class TLOCurve : public TLOLine, public IDOCurve {
    Q_OBJECT
    Q_PROPERTY(int Bulge READ Bulge WRITE SetBulge)
public:
    // A line with Bulge 30.
    Q_INVOKABLE explicit TLOCurve(TComponent* Owner = nullptr);

    // Signed distance of the arc's middle from the chord's middle; positive to the left of
    // the direction start -> end on the page (the side of (d.y, -d.x)).
    int Bulge() const { return FBulge; }
    // When different: stored, repaint, the surface updates the bounds, Changed.
    void SetBulge(int Value);

    // IDOCurve. A curve needs no preparation for a bulge drag.
    void BeginBulgeDrag() override {}
    void EndBulgeDrag() override {}
    // The point of the arc above the chord's middle.
    TPoint GetBulgePoint() const override;
    // Bulge := the bulge of the arc from start through Value to end.
    void SetBulgePoint(const TPoint& Value) override;

    // The bounds scaled to AWidth x AHeight (each at least 0): the points' distances on each
    // axis scale with the bounds, the smaller coordinate stays.
    void ResizeTo(int AWidth, int AHeight) override;

    // The arc through start, bulge point and end, as drawn: in steps of 2 degrees when it
    // bends enough, otherwise as a flat parabola (a straight segment for Bulge 0). A curve of
    // negative bulge runs from end to start.
    std::vector<TPoint> Polyline() const override;

    bool QueryInterface(const TGUID& Id, void** Obj) override;

protected:
    void AssignTo(TPersistent* Dest) const override;
    // The centre of the bounds.
    TPoint RotationCenter() const override;
    // Round end caps and round joins.
    QPainterPath WidenedPath() const override;

private:
    int FBulge = 30;
};
