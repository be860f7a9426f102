#include "UFaceInfo.h"

#include "UCanvas.h"
#include "UCurveGeometry.h"
#include "UStroke.h"
#include "UUtils.h"

#include <cmath>
#include <cstdlib>
#include <vector>

namespace {

TRect Inflated(TRect R, int D) {
    InflateRect(R, D, D);
    return R;
}

TRect MovedToOrigin(TRect R, const TPoint& Origin) {
    OffsetRect(R, -Origin.x, -Origin.y);
    return R;
}

int Round(double V) {
    return static_cast<int>(RoundOff(V));
}

// Appends the polyline of the arc P1-Pm-P3 to Stroke, its ends exactly at P1 and P3. The
// first point starts the figure when StartFigure, else it continues it with a line.
void AppendArc(TStroke& Stroke, const TPoint& P1, const TPoint& Pm, const TPoint& P3,
               bool StartFigure) {
    std::vector<TPoint> pts = GetArcByPointsPolyline(P1, Pm, P3);
    pts.front() = P1;
    pts.back() = P3;
    for (size_t i = 0; i < pts.size(); ++i) {
        const uint8_t type = i == 0 && StartFigure ? TStroke::PT_MOVETO : TStroke::PT_LINETO;
        Stroke.AddPoint(pts[i].x, pts[i].y, type);
    }
}

// The barrel path drawn with the canvas's pen and brush.
void DrawBarrel(TCanvas& Canvas, const TRect& R) {
    TStroke stroke;
    TFaceInfo::MakeBarrelStroke(R, stroke);
    stroke.MakePath(Canvas);
    Canvas.StrokeAndFillPath();
}

TRegion BarrelRegion(const TRect& R) {
    TStroke stroke;
    TFaceInfo::MakeBarrelStroke(R, stroke);
    const auto points = stroke.Points();
    return TRegion::CreatePolygon(points.data(), static_cast<int>(points.size()), ALTERNATE);
}

} // namespace

void TFaceInfo::Assign(const TPersistent* Source) {
    const auto* s = qobject_cast<const TFaceInfo*>(Source);
    if (!s) {
        TPersistent::Assign(Source);
        return;
    }
    FRect = s->FRect;
    FFaceShape = s->FFaceShape;
    FPurpose = s->FPurpose;
    FFaceMargin = s->FFaceMargin;
    FCutCenterWidth = s->FCutCenterWidth;
    FCutCenterHeight = s->FCutCenterHeight;
    FRoundSize = s->FRoundSize;
    FCenterShape = s->FCenterShape;
}

void TFaceInfo::SetCutCenterSize(int Value) {
    FCutCenterWidth = Value;
    FCutCenterHeight = Value;
}

TRect TFaceInfo::GetMarginRect() const {
    return Inflated(FRect, FFaceMargin);
}

void TFaceInfo::SetMarginRect(const TRect& R) {
    FRect = Inflated(R, -FFaceMargin);
}

TRect TFaceInfo::GetCenterRect() const {
    const int left = FRect.Left + (FRect.Width() - FCutCenterWidth) / 2;
    const int top = FRect.Top + (FRect.Height() - FCutCenterHeight) / 2;
    return Bounds(left, top, FCutCenterWidth, FCutCenterHeight);
}

TRect TFaceInfo::GetCenterMarginRect() const {
    return Inflated(GetCenterRect(), FFaceMargin);
}

bool TFaceInfo::HasCenterHole() const {
    return FFaceShape == fsDoughnut || FFaceShape == fsRectCD || FFaceShape == fsBarrelCD;
}

bool TFaceInfo::HasRoundCorners() const {
    return FFaceShape == fsRoundRect || FFaceShape == fsRectCD;
}

void TFaceInfo::DrawShape(TCanvas& Canvas, const TRect& R) const {
    switch (FFaceShape) {
    case fsDoughnut:
    case fsEllipse:
        Canvas.Ellipse(R);
        break;
    case fsRoundRect:
    case fsRectCD:
        Canvas.RoundRect(R.Left, R.Top, R.Right, R.Bottom, FRoundSize, FRoundSize);
        break;
    case fsBarrelCD:
        DrawBarrel(Canvas, R);
        break;
    default:
        Canvas.Rectangle(R);
        break;
    }
}

void TFaceInfo::DrawHole(TCanvas& Canvas, const TRect& R) const {
    if (FCenterShape == csBarrel)
        DrawBarrel(Canvas, R);
    else
        Canvas.Ellipse(R);
}

void TFaceInfo::DrawOutline(TCanvas& Canvas, bool AtOrigin, bool Cross) const {
    TRect margin = GetMarginRect();
    TRect centre = GetCenterMarginRect();
    if (AtOrigin) {
        const TPoint origin = margin.TopLeft();
        margin = MovedToOrigin(margin, origin);
        centre = MovedToOrigin(centre, origin);
    }
    DrawShape(Canvas, margin);
    TRect last = margin;
    if (HasCenterHole()) {
        DrawHole(Canvas, centre);
        last = centre;
    }
    if (Cross) {
        constexpr int arm = 50;
        const TPoint c = RectCenter(last);
        Canvas.MoveTo(c.x - arm, c.y);
        Canvas.LineTo(c.x + arm, c.y);
        Canvas.MoveTo(c.x, c.y - arm);
        Canvas.LineTo(c.x, c.y + arm);
    }
}

void TFaceInfo::DrawCutLine(TCanvas& Canvas, bool AtOrigin) const {
    if (FFaceMargin == 0)
        return;
    TRect face = FRect;
    TRect centre = GetCenterRect();
    if (AtOrigin) {
        const TPoint origin = GetMarginRect().TopLeft();
        face = MovedToOrigin(face, origin);
        centre = MovedToOrigin(centre, origin);
    }
    DrawShape(Canvas, face);
    if (HasCenterHole())
        DrawHole(Canvas, centre);
}

void TFaceInfo::DrawCenterHole(TCanvas& Canvas, bool AtOrigin) const {
    if (!HasCenterHole())
        return;
    TRect centre = GetCenterMarginRect();
    if (AtOrigin)
        centre = MovedToOrigin(centre, centre.TopLeft());
    DrawHole(Canvas, centre);
}

TRegion TFaceInfo::CreateRegion(const TCanvas* Canvas, bool SubtractHole) const {
    TRect margin = GetMarginRect();
    TRect centre = GetCenterMarginRect();
    int cornerW = FRoundSize, cornerH = FRoundSize;
    if (Canvas) {
        margin = Canvas->LPtoDP(margin);
        centre = Canvas->LPtoDP(centre);
        const TPoint corner = Canvas->LPtoDP(TPoint(FRoundSize, FRoundSize));
        const TPoint zero = Canvas->LPtoDP(TPoint(0, 0));
        cornerW = std::abs(corner.x - zero.x);
        cornerH = std::abs(corner.y - zero.y);
    }
    TRegion region;
    switch (FFaceShape) {
    case fsDoughnut:
    case fsEllipse:
        region = TRegion::CreateEllipse(margin);
        break;
    case fsRoundRect:
    case fsRectCD:
        region = TRegion::CreateRoundRect(margin, cornerW, cornerH);
        break;
    case fsBarrelCD:
        region = BarrelRegion(margin);
        break;
    default:
        region = TRegion::CreateRect(margin);
        break;
    }
    if (SubtractHole && HasCenterHole()) {
        const TRegion hole =
            FCenterShape == csBarrel ? BarrelRegion(centre) : TRegion::CreateEllipse(centre);
        TRegion result;
        result.Combine(region, hole, RGN_DIFF);
        return result;
    }
    return region;
}

QString TFaceInfo::GetFaceShapeDisplayNames() {
    return QStringLiteral("角ラベル,CDラベル,丸ラベル,角丸ラベル,名刺CDラベル,樽CDラベル");
}

void TFaceInfo::SetLegacyFaceType(int N) {
    struct TLegacy {
        TFaceShape Shape;
        const char* Purpose;
    };
    static constexpr TLegacy types[] = {
        {fsRect, ""},         {fsDoughnut, "CD"},   {fsRect, "CDCover"}, {fsRect, "CDCaseTray"},
        {fsRect, "MOSquare"}, {fsRect, "MOSquare"}, {fsEllipse, ""},     {fsRoundRect, ""},
    };
    if (N < 0 || N >= static_cast<int>(std::size(types)))
        return;
    FFaceShape = types[N].Shape;
    FPurpose = QString::fromLatin1(types[N].Purpose);
}

void TFaceInfo::MakeBarrelStroke(const TRect& R, TStroke& Stroke) {
    const double w = static_cast<double>(R.Right) - R.Left;
    const double h = static_cast<double>(R.Bottom) - R.Top;
    const double a = w / 2, b = h / 2;
    const double d = std::sqrt(std::fabs(b * b - a * a));
    const double cx = R.Left + a, cy = R.Top + b;
    Stroke.Clear();
    // Both arcs run clockwise on the y-down surface (the direction the arc geometry draws a
    // three-point curve in), so the outline goes round once.
    if (h >= w) {
        const int top = Round(cy - d), bottom = Round(cy + d), mx = Round(cx);
        AppendArc(Stroke, {R.Left, top}, {mx, R.Top}, {R.Right, top}, true);
        AppendArc(Stroke, {R.Right, bottom}, {mx, R.Bottom}, {R.Left, bottom}, false);
    } else {
        const int left = Round(cx - d), right = Round(cx + d), my = Round(cy);
        AppendArc(Stroke, {left, R.Bottom}, {R.Left, my}, {left, R.Top}, true);
        AppendArc(Stroke, {right, R.Top}, {R.Right, my}, {right, R.Bottom}, false);
    }
    const int last = Stroke.GetCount() - 1;
    Stroke.PointTypes()[last] = TStroke::PT_LINETO | TStroke::PT_CLOSEFIGURE;
}
