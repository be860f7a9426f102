#include "UCurveGeometry.h"

#include "UCanvas.h"
#include "UPixelMath.h"

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <limits>
#include <numbers>

namespace {

constexpr double Pi = std::numbers::pi_v<double>;
constexpr double TwoPi = 2 * Pi;
constexpr double IntMax = std::numeric_limits<int>::max();

TPoint Offset(const TPoint& Origin, int64_t Dx, int64_t Dy) {
    return {ClampToInt(Origin.x + Dx), ClampToInt(Origin.y + Dy)};
}

// Direction of (Dx, Dy) in 0..2pi.
double Angle(double Dx, double Dy) {
    double a = std::atan2(Dy, Dx);
    if (a < 0)
        a += TwoPi;
    return a;
}

double AngleFrom(const TPoint& Center, const TPoint& P) {
    return Angle(static_cast<double>(P.x) - Center.x, static_cast<double>(P.y) - Center.y);
}

// A circle whose every point has 32-bit coordinates even after rounding.
bool CircleFits(double Cx, double Cy, double R) {
    return std::isfinite(Cx) && std::isfinite(Cy) && std::isfinite(R) &&
           std::fabs(Cx) + R + 1 <= IntMax && std::fabs(Cy) + R + 1 <= IntMax;
}

// The circle through three points, its centre relative to P1, in extended precision so
// that nearly collinear points cannot overflow.
struct TCircleFit {
    double Ux = 0, Uy = 0, R = 0;
    bool Found = false; // false: the points are in a line
    bool Fits = false;  // the circle fits in 32-bit coordinates
};

TCircleFit FitCircle(const TPoint& P1, const TPoint& P2, const TPoint& P3) {
    const int64_t ax = int64_t(P2.x) - P1.x, ay = int64_t(P2.y) - P1.y;
    const int64_t bx = int64_t(P3.x) - P1.x, by = int64_t(P3.y) - P1.y;
    // Exact: the products of two 33-bit differences need up to 66 bits.
    const __int128 cross = static_cast<__int128>(ax) * by - static_cast<__int128>(bx) * ay;
    TCircleFit fit;
    if (cross == 0) // integer points: |cross| < 0.1 only when it is 0
        return fit;
    const double k = 0.5 / static_cast<double>(cross);
    const double s1 = static_cast<double>(ax) * ax + static_cast<double>(ay) * ay;
    const double s2 = static_cast<double>(bx) * bx + static_cast<double>(by) * by;
    fit.Ux = (s1 * by - s2 * ay) * k;
    fit.Uy = (ax * s2 - bx * s1) * k;
    fit.R = std::hypot(fit.Ux, fit.Uy);
    fit.Found = true;
    fit.Fits = CircleFits(P1.x + fit.Ux, P1.y + fit.Uy, fit.R);
    return fit;
}

TPoint RoundedCenter(const TPoint& P1, const TCircleFit& Fit) {
    return Offset(P1, RoundToInt(Fit.Ux), RoundToInt(Fit.Uy));
}

TPoint Centroid(const TPoint& P1, const TPoint& P2, const TPoint& P3) {
    return {static_cast<int>((int64_t(P1.x) + P2.x + P3.x) / 3),
            static_cast<int>((int64_t(P1.y) + P2.y + P3.y) / 3)};
}

// The arc and the bulge decide whether a curve is drawn as its circle or as a parabola.
bool DrawnAsCircle(const TArc& Arc, int Bulge) {
    return std::abs(int64_t(Bulge)) >= MinArcBulge && Arc.Radius >= 1 && Arc.Radius < MaxArcRadius;
}

// The arc's angles as an increasing range: the start moves below 0 when the arc wraps.
void IncreasingAngles(const TArc& Arc, double& Start, double& End) {
    Start = Arc.StartAngle;
    End = Arc.EndAngle;
    if (End < Start)
        Start -= TwoPi;
}

// Point of the parabola through P1 (t = 0), Pm (t = 1/2) and P3 (t = 1).
struct TFloatPt {
    double X, Y;
};
TFloatPt ParabolaPoint(const TPoint& P1, const TPoint& Pm, const TPoint& P3, double T) {
    const double ax = 4.0 * Pm.x - 3.0 * P1.x - P3.x;
    const double ay = 4.0 * Pm.y - 3.0 * P1.y - P3.y;
    const double bx = static_cast<double>(P1.x) + P3.x - 2.0 * Pm.x;
    const double by = static_cast<double>(P1.y) + P3.y - 2.0 * Pm.y;
    return {P1.x + T * ax + 2 * T * T * bx, P1.y + T * ay + 2 * T * T * by};
}

constexpr int ParabolaSteps = 8;

std::vector<TPoint> CirclePolyline(const TArc& Arc) {
    constexpr double step = TwoPi / 180;
    double start, end;
    IncreasingAngles(Arc, start, end);
    const double r = Arc.Radius;
    auto at = [&](double a) {
        return Offset(Arc.Center, TruncToInt(r * std::cos(a)), TruncToInt(r * std::sin(a)));
    };
    std::vector<TPoint> pts{at(start)};
    for (int i = 1; start + i * step <= end - step; ++i)
        pts.push_back(at(start + i * step));
    pts.push_back(at(end));
    return pts;
}

std::vector<TPoint> ParabolaPolyline(const TPoint& P1, const TPoint& Pm, const TPoint& P3) {
    std::vector<TPoint> pts{P1};
    for (int i = 1; i < ParabolaSteps; ++i) {
        const TFloatPt b = ParabolaPoint(P1, Pm, P3, static_cast<double>(i) / ParabolaSteps);
        pts.push_back({RoundToInt(b.X), RoundToInt(b.Y)});
    }
    pts.push_back(P3);
    return pts;
}

// Half the band's width on either side of the curve: (w + 1) div 2, at least 1.
int HalfPenWidth(int PenWidth) {
    return std::max((std::max(PenWidth, 0) + 1) / 2, 1);
}

std::vector<TPoint> CircleOutline(const TArc& Arc, int PenWidth) {
    const int w = std::max(PenWidth, 0);
    const int h = HalfPenWidth(w);
    const double outer = static_cast<double>(Arc.Radius) + h;
    const double inner = outer - w;
    const double step = Arc.Radius >= 500 ? TwoPi / 90 : TwoPi / 60;
    double start, end;
    IncreasingAngles(Arc, start, end);

    std::vector<TPoint> pts{PointOnCircle(Arc, start, static_cast<double>(Arc.Radius) - h)};
    pts.push_back(PointOnCircle(Arc, start, outer));
    for (int i = 1; start + i * step <= end - step; ++i)
        pts.push_back(PointOnCircle(Arc, start + i * step, outer));
    pts.push_back(PointOnCircle(Arc, end, outer));
    pts.push_back(PointOnCircle(Arc, end, inner));
    for (int i = 1; end - i * step >= start + step; ++i)
        pts.push_back(PointOnCircle(Arc, end - i * step, inner));
    pts.push_back(PointOnCircle(Arc, start, inner));
    return pts;
}

// The two points H units either side of B[K], perpendicular to the curve's direction
// between B[K] and its neighbour B[J] (both B[K] itself when the two nearly coincide).
struct TSidePair {
    TPoint A, B;
};
TSidePair SidesTowards(const TFloatPt* B, int K, int J, int H) {
    const TFloatPt& from = B[std::min(K, J)];
    const TFloatPt& to = B[std::max(K, J)];
    const double dx = to.X - from.X, dy = to.Y - from.Y;
    const double len = std::hypot(dx, dy);
    const TFloatPt& p = B[K];
    if (len < 0.01) {
        const TPoint t{TruncToInt(p.X), TruncToInt(p.Y)};
        return {t, t};
    }
    const double nx = -dy / len * H, ny = dx / len * H;
    return {{TruncToInt(p.X + nx), TruncToInt(p.Y + ny)},
            {TruncToInt(p.X - nx), TruncToInt(p.Y - ny)}};
}

// The mean of two coordinates, halves rounded up. Division rounding down keeps the mean of
// two equal negative coordinates equal to them (truncation toward zero would move it).
int Mean(int A, int B) {
    const int64_t sum = int64_t(A) + B + 1;
    return static_cast<int>(sum >= 0 ? sum / 2 : (sum - 1) / 2);
}

TPoint MeanPoint(const TPoint& A, const TPoint& B) {
    return {Mean(A.x, B.x), Mean(A.y, B.y)};
}

std::vector<TPoint> ParabolaOutline(const TPoint& P1, const TPoint& Pm, const TPoint& P3,
                                    int PenWidth) {
    constexpr int n = ParabolaSteps + 1;
    const int h = HalfPenWidth(PenWidth);
    TFloatPt b[n];
    for (int k = 0; k < n; ++k)
        b[k] = ParabolaPoint(P1, Pm, P3, static_cast<double>(k) / ParabolaSteps);
    TSidePair sides[n];
    sides[0] = SidesTowards(b, 0, 1, h);
    sides[n - 1] = SidesTowards(b, n - 1, n - 2, h);
    for (int k = 1; k < n - 1; ++k) {
        const TSidePair before = SidesTowards(b, k, k - 1, h);
        const TSidePair after = SidesTowards(b, k, k + 1, h);
        sides[k] = {MeanPoint(before.A, after.A), MeanPoint(before.B, after.B)};
    }
    std::vector<TPoint> pts{sides[0].A};
    for (int k = 0; k < n; ++k)
        pts.push_back(sides[k].A);
    for (int k = n - 1; k >= 0; --k)
        pts.push_back(sides[k].B);
    return pts;
}

} // namespace

TPoint PointOnCircle(const TArc& Arc, double Angle, double Radius) {
    return Offset(Arc.Center, RoundToInt(std::cos(Angle) * Radius),
                  RoundToInt(std::sin(Angle) * Radius));
}

double CircleThrough3(TPoint& Center, const TPoint& P1, const TPoint& P2, const TPoint& P3) {
    const TCircleFit fit = FitCircle(P1, P2, P3);
    if (fit.Found && fit.Fits) {
        Center = RoundedCenter(P1, fit);
        return fit.R;
    }
    Center = Centroid(P1, P2, P3);
    return std::hypot(static_cast<double>(P2.x) - Center.x, static_cast<double>(P2.y) - Center.y);
}

TArc CalcArc(const TPoint& P1, const TPoint& Pm, const TPoint& P3) {
    TArc arc;
    const TCircleFit fit = FitCircle(P1, Pm, P3);
    if (!fit.Found || !fit.Fits) {
        arc.Center = Centroid(P1, Pm, P3);
        return arc;
    }
    arc.Center = RoundedCenter(P1, fit);
    const int radius = RoundToInt(fit.R);
    if (radius >= 1) {
        arc.Radius = radius;
        arc.StartAngle = AngleFrom(arc.Center, P1);
        arc.EndAngle = AngleFrom(arc.Center, P3);
    }
    return arc;
}

void GetArcPoints(TPoint& PStart, TPoint& PMid, TPoint& PEnd, const TArc& Arc) {
    PStart = PointOnCircle(Arc, Arc.StartAngle, Arc.Radius);
    PEnd = PointOnCircle(Arc, Arc.EndAngle, Arc.Radius);
    double m = (Arc.StartAngle + Arc.EndAngle) / 2;
    if (Arc.EndAngle < Arc.StartAngle)
        m += Pi;
    if (m >= TwoPi)
        m -= TwoPi;
    PMid = PointOnCircle(Arc, m, Arc.Radius);
}

TRect GetArcBounds(const TArc& Arc) {
    TPoint ps, pm, pe;
    GetArcPoints(ps, pm, pe, Arc);
    TRect r(std::min(ps.x, pe.x), std::min(ps.y, pe.y), std::max(ps.x, pe.x), std::max(ps.y, pe.y));
    auto quadrant = [](double a) {
        return static_cast<int>(std::clamp<double>(std::trunc(a / (Pi / 2)), 0, 3));
    };
    const int qs = quadrant(Arc.StartAngle);
    int qe = quadrant(Arc.EndAngle);
    if (qe < qs || (qe == qs && Arc.EndAngle < Arc.StartAngle))
        qe += 4;
    const int64_t rad = Arc.Radius;
    // Circle extremes at angles 0, pi/2, pi and 3pi/2.
    const TPoint extremes[4] = {Offset(Arc.Center, rad, 0), Offset(Arc.Center, 0, rad),
                                Offset(Arc.Center, -rad, 0), Offset(Arc.Center, 0, -rad)};
    for (int k = qs + 1; k <= qe; ++k) {
        const TPoint& p = extremes[k % 4];
        r.Left = std::min(r.Left, p.x);
        r.Top = std::min(r.Top, p.y);
        r.Right = std::max(r.Right, p.x);
        r.Bottom = std::max(r.Bottom, p.y);
    }
    return r;
}

int PointOrientation(const TPoint& A, const TPoint& B, const TPoint& C) {
    const __int128 c = static_cast<__int128>(int64_t(B.x) - A.x) * (int64_t(C.y) - A.y) -
                       static_cast<__int128>(int64_t(B.y) - A.y) * (int64_t(C.x) - A.x);
    return c < 0 ? 1 : c == 0 ? 0 : -1;
}

int GetPointsBulge(const TPoint& P1, const TPoint& Pm, const TPoint& P3) {
    const int s = PointOrientation(P1, P3, Pm);
    if (s == 0)
        return 0;
    const TCircleFit fit = FitCircle(P1, Pm, P3);
    if (!fit.Found)
        return 0;
    // The centre as drawing code sees it (rounded); a circle too large for 32-bit
    // coordinates keeps its exact centre, so a nearly straight curve gets its true, tiny bulge.
    double cx = P1.x + fit.Ux, cy = P1.y + fit.Uy;
    int centreSide;
    if (fit.Fits) {
        const TPoint c = RoundedCenter(P1, fit);
        cx = c.x;
        cy = c.y;
        centreSide = PointOrientation(P1, P3, c);
    } else {
        const double cross = (static_cast<double>(P3.x) - P1.x) * (cy - P1.y) -
                             (static_cast<double>(P3.y) - P1.y) * (cx - P1.x);
        centreSide = cross < 0 ? 1 : cross == 0 ? 0 : -1;
    }
    const double mx = (static_cast<double>(P1.x) + P3.x) / 2;
    const double my = (static_cast<double>(P1.y) + P3.y) / 2;
    double d = fit.R - std::hypot(mx - cx, my - cy);
    if (d < -1)
        return 0;
    if (centreSide == s) // the centre lies on the curve's side: the major arc
        d = 2 * fit.R - d;
    if (s < 0)
        d = -d;
    return RoundToInt(d);
}

TPoint GetBulgePoint(const TPoint& P1, const TPoint& P2, int Bulge) {
    const double b = std::clamp(Bulge, -4000, 4000);
    const double dx = static_cast<double>(P2.x) - P1.x;
    const double dy = static_cast<double>(P2.y) - P1.y;
    const double c = std::hypot(dx, dy);
    if (c < 0.1)
        return P1;
    const double mx = P1.x + dx / 2, my = P1.y + dy / 2;
    return {RoundToInt(mx + dy * b / c), RoundToInt(my - dx * b / c)};
}

bool ArcFromChord(TArc& Arc, const TPoint& P1, const TPoint& P2, int Bulge) {
    double dx = static_cast<double>(P2.x) - P1.x;
    double dy = static_cast<double>(P2.y) - P1.y;
    const double c = std::hypot(dx, dy);
    const double mx = P1.x + dx / 2, my = P1.y + dy / 2;
    const double b = std::fabs(static_cast<double>(Bulge));
    double r, cx, cy;
    if (b >= 1) {
        if (c < 0.9)
            return false;
        r = c * c / (8 * b) + b / 2;
        const double k = (b - r) / c;
        if (Bulge < 0) {
            dx = -dx;
            dy = -dy;
        }
        cx = mx + dy * k;
        cy = my - dx * k;
    } else {
        r = c / 2;
        cx = mx;
        cy = my;
    }
    if (!CircleFits(cx, cy, r))
        return false;
    Arc.Radius = RoundToInt(r);
    Arc.Center = {RoundToInt(cx), RoundToInt(cy)};
    Arc.StartAngle = AngleFrom(Arc.Center, P1);
    Arc.EndAngle = AngleFrom(Arc.Center, P2);
    if (Bulge < 0)
        std::swap(Arc.StartAngle, Arc.EndAngle);
    return true;
}

std::vector<TPoint> GetArcByPointsPolyline(const TPoint& P1, const TPoint& Pm, const TPoint& P3) {
    const TArc arc = CalcArc(P1, Pm, P3);
    if (DrawnAsCircle(arc, GetPointsBulge(P1, Pm, P3)))
        return CirclePolyline(arc);
    return ParabolaPolyline(P1, Pm, P3);
}

std::vector<TPoint> GetArcOutlinePolygon(const TPoint& P1, const TPoint& Pm, const TPoint& P3,
                                         int PenWidth) {
    const TArc arc = CalcArc(P1, Pm, P3);
    if (DrawnAsCircle(arc, GetPointsBulge(P1, Pm, P3)))
        return CircleOutline(arc, PenWidth);
    return ParabolaOutline(P1, Pm, P3, PenWidth);
}

namespace {

void TracePolyline(TCanvas& Canvas, const std::vector<TPoint>& Points) {
    if (Points.empty())
        return;
    Canvas.MoveTo(Points.front().x, Points.front().y);
    for (size_t i = 1; i < Points.size(); ++i)
        Canvas.LineTo(Points[i].x, Points[i].y);
}

// Gives the pen back its width when the tracing ends, however it ends.
class TPenWidthRestorer {
public:
    explicit TPenWidthRestorer(TPen& Pen) : FPen(Pen), FWidth(Pen.Width()) {}
    ~TPenWidthRestorer() { FPen.SetWidth(FWidth); }
    TPenWidthRestorer(const TPenWidthRestorer&) = delete;
    TPenWidthRestorer& operator=(const TPenWidthRestorer&) = delete;

private:
    TPen& FPen;
    int FWidth;
};

} // namespace

void DrawArcByPoints(TCanvas& Canvas, const TPoint& P1, const TPoint& Pm, const TPoint& P3) {
    TracePolyline(Canvas, GetArcByPointsPolyline(P1, Pm, P3));
}

void AddArcOutlineToPath(TCanvas& Canvas, const TPoint& P1, const TPoint& Pm, const TPoint& P3) {
    const std::vector<TPoint> outline = GetArcOutlinePolygon(P1, Pm, P3, Canvas.Pen().Width());
    {
        TPenWidthRestorer restorer(Canvas.Pen());
        Canvas.Pen().SetWidth(0);
        TracePolyline(Canvas, outline);
    }
    Canvas.CloseFigure();
}
