#include "ULOLine.h"

#include "UBitmap.h"
#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UCurveGeometry.h"
#include "UDrawSite.h"
#include "UTransformer.h"
#include "UUtils.h"

#include <QPainterPathStroker>
#include <QTransform>

#include <algorithm>
#include <cmath>
#include <numbers>

namespace {

constexpr double DegPerRad = 180.0 / std::numbers::pi;
// The hit tolerance of an object off a design surface, in logical units.
constexpr int OffSiteHitPixel = 3;

// Squared distance from P to the segment A-B.
double SegmentDistance2(const TPoint& P, const TPoint& A, const TPoint& B) {
    const double vx = B.x - A.x, vy = B.y - A.y;
    const double wx = P.x - A.x, wy = P.y - A.y;
    const double len2 = vx * vx + vy * vy;
    double t = len2 > 0 ? (wx * vx + wy * vy) / len2 : 0.0;
    t = std::clamp(t, 0.0, 1.0);
    const double dx = wx - t * vx, dy = wy - t * vy;
    return dx * dx + dy * dy;
}

TPoint Offset(const TPoint& P, int Dx, int Dy) {
    return TPoint(ClampLogical(int64_t(P.x) + Dx), ClampLogical(int64_t(P.y) + Dy));
}

// P with both coordinates limited to the stored range.
TPoint ClampPoint(const TPoint& P) {
    return TPoint(ClampLogical(P.x), ClampLogical(P.y));
}

} // namespace

// ---------------------------------------------------------------------------------------
// TLOLine

TLOLine::TLOLine(TComponent* Owner)
    : TLabelObject(Owner), FLineColor(std::make_unique<TColorSpec>()) {
    FLineColor->OnChange = [this](TColorSpec*) {
        Changed();
        Invalidate();
    };
}

TLOLine::~TLOLine() {
    FLineColor->OnChange = nullptr;
}

void TLOLine::SetLineColor(TColorSpec* Value) {
    if (Value && Value != FLineColor.get())
        FLineColor->Assign(Value);
}

void TLOLine::SetColor(const TColorSpec& Value) {
    if (&Value != FLineColor.get())
        FLineColor->Assign(&Value);
}

void TLOLine::SetLineWidth(int Value) {
    Value = ClampLogical(Value);
    if (Value == FLineWidth)
        return;
    FLineWidth = Value;
    Changed();
    UpdateBounds();
    Invalidate();
}

bool TLOLine::StoreStart(const TPoint& Value) {
    const TPoint p = ClampPoint(Value);
    if (p == FStart)
        return false;
    FStart = p;
    return true;
}

bool TLOLine::StoreEnd(const TPoint& Value) {
    const TPoint p = ClampPoint(Value);
    if (p == FEnd)
        return false;
    FEnd = p;
    return true;
}

void TLOLine::GeometryChanged() {
    UpdateBounds();
    Changed();
    Invalidate();
}

void TLOLine::SetStartPoint(const TPoint& Value) {
    if (StoreStart(Value))
        GeometryChanged();
}

void TLOLine::SetEndPoint(const TPoint& Value) {
    if (StoreEnd(Value))
        GeometryChanged();
}

int TLOLine::GetAngle() const {
    return static_cast<int>(
        RoundOff(std::atan2(double(FEnd.y - FStart.y), double(FEnd.x - FStart.x)) * DegPerRad));
}

TPoint TLOLine::RotationCenter() const {
    // Halves truncate toward zero.
    return TPoint((FStart.x + FEnd.x + 1) / 2, (FStart.y + FEnd.y + 1) / 2);
}

void TLOLine::SetAngle(int Value) {
    if (ComponentState() & csLoading)
        return;
    const int turn = ((Value - GetAngle()) % 360 + 360) % 360;
    if (turn == 0)
        return;
    TRotator rotator;
    rotator.SetCenter(RotationCenter());
    rotator.SetAngle(turn);
    TPoint s = FStart, e = FEnd;
    rotator.TransformPoint(s);
    rotator.TransformPoint(e);
    SetStartPoint(s);
    SetEndPoint(e);
}

TRect TLOLine::GetRect() const {
    TRect r(FStart.x, FStart.y, FEnd.x, FEnd.y);
    NormalizeRect(r);
    return r;
}

void TLOLine::OffsetBy(int Dx, int Dy) {
    SetStartPoint(Offset(FStart, Dx, Dy));
    SetEndPoint(Offset(FEnd, Dx, Dy));
}

void TLOLine::ResizeTo(int AWidth, int AHeight) {
    const int w = GeometryWidth();
    const int ex = std::max(0, std::max(0, AWidth) - w);
    const int ey = std::max(0, std::max(0, AHeight) - w);
    TPoint s = FStart, e = FEnd;
    if (e.x > s.x)
        e.x = s.x + ex;
    else
        s.x = e.x + ex;
    if (e.y > s.y)
        e.y = s.y + ey;
    else
        s.y = e.y + ey;
    SetStartPoint(s);
    SetEndPoint(e);
}

TRect TLOLine::GetBoundsRect() const {
    const std::vector<TPoint> points = Polyline();
    TRect box(points.front().x, points.front().y, points.front().x, points.front().y);
    for (const TPoint& p : points) {
        box.Left = std::min(box.Left, p.x);
        box.Top = std::min(box.Top, p.y);
        box.Right = std::max(box.Right, p.x);
        box.Bottom = std::max(box.Bottom, p.y);
    }
    const int w = GeometryWidth();
    const int before = w / 2, after = w - w / 2;
    return TRect(box.Left - before, box.Top - before, box.Right + after, box.Bottom + after);
}

std::vector<TPoint> TLOLine::Polyline() const {
    return {FStart, FEnd};
}

void TLOLine::DrawOutline(TCanvas& Canvas) {
    Canvas.Polyline(Polyline());
}

QPainterPath TLOLine::WidenPolyline(Qt::PenCapStyle Cap, Qt::PenJoinStyle Join) const {
    const std::vector<TPoint> points = Polyline();
    const double w = GeometryWidth();
    const bool dot = std::all_of(points.begin(), points.end(),
                                 [&](const TPoint& p) { return p == points.front(); });
    if (dot) {
        // A line without length shows its round cap: a dot of the pen's width.
        QPainterPath path;
        if (Cap == Qt::RoundCap)
            path.addEllipse(QPointF(points.front().x, points.front().y), w / 2, w / 2);
        return path;
    }
    QPainterPath centre;
    centre.moveTo(points.front().x, points.front().y);
    for (size_t i = 1; i < points.size(); ++i)
        centre.lineTo(points[i].x, points[i].y);
    QPainterPathStroker stroker;
    stroker.setWidth(w);
    stroker.setCapStyle(Cap);
    stroker.setJoinStyle(Join);
    stroker.setMiterLimit(10);
    return stroker.createStroke(centre);
}

QPainterPath TLOLine::WidenedPath() const {
    return WidenPolyline(Qt::RoundCap, Qt::MiterJoin);
}

namespace {

// The canvas's logical-to-device mapping as a transform, without rounding.
QTransform DeviceTransform(const TCanvas& Canvas) {
    const TPoint wo = Canvas.GetWindowOrgEx(), vo = Canvas.GetViewportOrgEx();
    double sx = 1, sy = 1;
    if (Canvas.GetMapMode() != MM_TEXT) {
        const TSize we = Canvas.GetWindowExtEx(), ve = Canvas.GetViewportExtEx();
        sx = we.cx != 0 ? double(ve.cx) / we.cx : 1;
        sy = we.cy != 0 ? double(ve.cy) / we.cy : 1;
    }
    return QTransform(sx, 0, 0, sy, vo.x - wo.x * sx, vo.y - wo.y * sy);
}

} // namespace

QPainterPath TLOLine::WidenedOutline() const {
    // The stroke's pieces overlap; their union has no overlaps and fills with either rule.
    return WidenedPath().simplified();
}

bool TLOLine::ClipToOutline(TCanvas& Canvas) const {
    const QPainterPath outline = WidenedOutline();
    if (outline.isEmpty())
        return false;
    const TRegion region =
        Canvas.DevicePathToRegion(DeviceTransform(Canvas).map(outline), ALTERNATE);
    const int complexity = Canvas.ExtSelectClipRgn(&region, RGN_AND);
    return complexity != RGN_ERROR && complexity != NULLREGION;
}

void TLOLine::Paint() {
    TCanvas& canvas = GetCanvas();
    const TCanvasSaver saver = CreateCanvasSaver(canvas, true);
    if (!ClipToOutline(canvas))
        return;
    // The fill spans the object's own bounds only: a gradient or picture then looks the
    // same in every repaint and print band.
    FLineColor->Fill(canvas, GetBoundsRect());
}

void TLOLine::FillBlendMask(TBitmap& Mask) {
    TCanvas& canvas = Mask.Canvas();
    {
        const TCanvasSaver saver = CreateCanvasSaver(canvas, true);
        if (ClipToOutline(canvas)) {
            canvas.Brush().SetStyle(bsSolid);
            canvas.Brush().SetColor(clWhite); // grey index 255
            canvas.FillRect(GetBoundsRect());
        }
    }
    canvas.Brush().SetColor(clBlack);
}

bool TLOLine::HitTest(const TPoint& P) const {
    int pixel = OffSiteHitPixel;
    if (TDrawSite* site = DrawSite())
        pixel = std::abs(site->DPtoLP(TPoint(1, 0)).x - site->DPtoLP(TPoint(0, 0)).x);
    const double reach = (GeometryWidth() + pixel) / 2.0;
    const std::vector<TPoint> points = Polyline();
    if (points.size() == 1)
        return SegmentDistance2(P, points[0], points[0]) <= reach * reach;
    for (size_t i = 1; i < points.size(); ++i)
        if (SegmentDistance2(P, points[i - 1], points[i]) <= reach * reach)
            return true;
    return false;
}

bool TLOLine::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDORotate>(this, Id, Obj) || AnswerInterface<IDOColor>(this, Id, Obj) ||
           AnswerInterface<IDODrawing>(this, Id, Obj) ||
           AnswerInterface<IDOEncloseBounds>(this, Id, Obj) ||
           AnswerInterface<IDOLine>(this, Id, Obj) || AnswerInterface<IDORect>(this, Id, Obj) ||
           AnswerInterface<IDOBlend>(this, Id, Obj) || TLabelObject::QueryInterface(Id, Obj);
}

void TLOLine::AssignTo(TPersistent* Dest) const {
    TLabelObject::AssignTo(Dest);
    auto* d = qobject_cast<TLOLine*>(Dest);
    if (!d)
        return;
    d->SetStartPoint(FStart);
    d->SetEndPoint(FEnd);
    d->SetLineColor(FLineColor.get());
    d->SetLineWidth(FLineWidth);
    d->SetAngle(GetAngle());
}

// ---------------------------------------------------------------------------------------
// TLOCurve

TLOCurve::TLOCurve(TComponent* Owner) : TLOLine(Owner) {}

void TLOCurve::SetBulge(int Value) {
    Value = ClampLogical(Value);
    if (Value == FBulge)
        return;
    FBulge = Value;
    Invalidate();
    UpdateBounds();
    Changed();
}

TPoint TLOCurve::GetBulgePoint() const {
    return ::GetBulgePoint(GetStartPoint(), GetEndPoint(), FBulge);
}

void TLOCurve::SetBulgePoint(const TPoint& Value) {
    SetBulge(GetPointsBulge(GetStartPoint(), Value, GetEndPoint()));
}

std::vector<TPoint> TLOCurve::Polyline() const {
    const TPoint s = GetStartPoint(), e = GetEndPoint(), m = GetBulgePoint();
    if (FBulge < 1)
        return GetArcByPointsPolyline(e, m, s);
    return GetArcByPointsPolyline(s, m, e);
}

TPoint TLOCurve::RotationCenter() const {
    return RectCenter(GetBoundsRect());
}

QPainterPath TLOCurve::WidenedPath() const {
    return WidenPolyline(Qt::RoundCap, Qt::RoundJoin);
}

void TLOCurve::ResizeTo(int AWidth, int AHeight) {
    const TRect b = GetBoundsRect();
    TPoint s = GetStartPoint(), e = GetEndPoint();
    // The bounds are never thinner than the line width (at least 1), so the scale is
    // defined; a degenerate box keeps that axis as it is.
    const int dx = b.Width() > 0 ? std::abs(MulDiv(s.x - e.x, std::max(0, AWidth), b.Width()))
                                 : std::abs(s.x - e.x);
    const int dy = b.Height() > 0 ? std::abs(MulDiv(s.y - e.y, std::max(0, AHeight), b.Height()))
                                  : std::abs(s.y - e.y);
    if (e.x <= s.x)
        s.x = e.x + dx;
    else
        e.x = s.x + dx;
    if (e.y <= s.y)
        s.y = e.y + dy;
    else
        e.y = s.y + dy;
    SetStartPoint(s);
    SetEndPoint(e);
}

bool TLOCurve::QueryInterface(const TGUID& Id, void** Obj) {
    return AnswerInterface<IDOCurve>(this, Id, Obj) || TLOLine::QueryInterface(Id, Obj);
}

void TLOCurve::AssignTo(TPersistent* Dest) const {
    TLOLine::AssignTo(Dest);
    if (auto* d = qobject_cast<TLOCurve*>(Dest))
        d->SetBulge(FBulge);
}
