#include "UStroke.h"

#include "UAALine.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UPixelMath.h"

#include <QtGlobal>
#include <algorithm>
#include <cmath>
#include <limits>

namespace {

// Cubic Bezier circle factor: control points of a quarter circle lie this fraction of the
// radius from the arc's ends.
constexpr double BezierCircleFactor = 0.5522847;

// Point at T of the cubic Bezier P0..P3, rounded half away from zero.
TPoint BezierPoint(const TPoint& P0, const TPoint& P1, const TPoint& P2, const TPoint& P3,
                   double T) {
    const double s = 1.0 - T;
    const double w0 = s * s * s;
    const double w1 = 3.0 * T * s * s;
    const double w2 = 3.0 * T * T * s;
    const double w3 = T * T * T;
    return {RoundToInt(w0 * P0.x + w1 * P1.x + w2 * P2.x + w3 * P3.x),
            RoundToInt(w0 * P0.y + w1 * P1.y + w2 * P2.y + w3 * P3.y)};
}

// Draws the Bezier from Current over the three points Group as line-tos, skipping points
// whose device position equals the one drawn last.
void ReplayBezier(TStrokeSink& Sink, const TPoint& Current, const TPoint* Group) {
    TPoint lastDevice = Sink.ToDevice(Current);
    auto drawTo = [&](const TPoint& P) {
        const TPoint device = Sink.ToDevice(P);
        if (device == lastDevice)
            return;
        Sink.LineTo(P);
        lastDevice = device;
    };
    for (int i = 1; i < TStroke::BezierSteps; ++i)
        drawTo(BezierPoint(Current, Group[0], Group[1], Group[2],
                           static_cast<double>(i) / TStroke::BezierSteps));
    drawTo(Group[2]);
}

// Builds the subdivided arrays of a stroke.
class TSubdivider {
public:
    TSubdivider(std::vector<TPoint>& Points, std::vector<uint8_t>& Types)
        : FPoints(Points), FTypes(Types) {}

    void Add(const TPoint& P, uint8_t Type) {
        FPoints.push_back(P);
        FTypes.push_back(Type);
    }

    // Appends From and the inner points of From->To, SubdivideStep units apart; To itself is
    // left to the next segment. Answers the number of inner points.
    int AddSegment(const TPoint& From, const TPoint& To) {
        Add(From, TStroke::PT_LINETO);
        const double dx = static_cast<double>(To.x) - From.x;
        const double dy = static_cast<double>(To.y) - From.y;
        const double length = std::hypot(dx, dy);
        // Segments longer than any page (a damaged document) get longer pieces instead of
        // millions of points: at most MaxSegmentPieces inner points per segment.
        const double step =
            std::max<double>(TStroke::SubdivideStep, length / TStroke::MaxSegmentPieces);
        if (!(length > step))
            return 0;
        const double sx = dx * step / length;
        const double sy = dy * step / length;
        double x = From.x;
        double y = From.y;
        int added = 0;
        for (double remaining = length; remaining > step; remaining -= step) {
            x += sx;
            y += sy;
            Add({RoundToInt(x), RoundToInt(y)}, TStroke::PT_LINETO);
            ++added;
        }
        return added;
    }

    // Removes the last entry.
    void DropLast() {
        FPoints.pop_back();
        FTypes.pop_back();
    }
    void SetLastType(uint8_t Type) { FTypes.back() = Type; }

private:
    std::vector<TPoint>& FPoints;
    std::vector<uint8_t>& FTypes;
};

// Replays a stroke as path or line calls on a canvas.
class TCanvasStrokeSink final : public TStrokeSink {
public:
    explicit TCanvasStrokeSink(TCanvas& Canvas) : FCanvas(Canvas) {}

    void MoveTo(const TPoint& P) override { FCanvas.MoveTo(P.x, P.y); }
    void LineTo(const TPoint& P) override { FCanvas.LineTo(P.x, P.y); }
    void PolylineTo(std::span<const TPoint> Points) override {
        FCanvas.PolylineTo(Points.data(), static_cast<int>(Points.size()));
    }
    void CloseFigure() override { FCanvas.CloseFigure(); }
    TPoint ToDevice(const TPoint& P) const override { return FCanvas.LPtoDP(P); }

private:
    TCanvas& FCanvas;
};

// Replays a stroke into the anti-aliased line painter in device pixels, stamping a dot at
// the end of every line.
class TAAStrokeSink final : public TStrokeSink {
public:
    TAAStrokeSink(TAALineAlphaMap& Painter, const TCanvas& Canvas)
        : FPainter(Painter), FCanvas(Canvas) {}

    void MoveTo(const TPoint& P) override {
        const TPoint d = ToDevice(P);
        FPainter.MoveTo(d.x, d.y);
    }
    void LineTo(const TPoint& P) override {
        const TPoint d = ToDevice(P);
        FPainter.LineTo(d.x, d.y);
        FPainter.DrawDot(d.x, d.y);
    }
    void CloseFigure() override {}
    TPoint ToDevice(const TPoint& P) const override { return FCanvas.LPtoDP(P); }

private:
    TAALineAlphaMap& FPainter;
    const TCanvas& FCanvas;
};

} // namespace

void TStrokeSink::PolylineTo(std::span<const TPoint> Points) {
    for (const TPoint& p : Points)
        LineTo(p);
}

void TStroke::Assign(const TStroke& Source) {
    if (&Source == this)
        return;
    FPoints = Source.FPoints;
    FTypes = Source.FTypes;
}

void TStroke::SetCount(int N) {
    const size_t n = static_cast<size_t>(std::max(N, 0));
    FPoints.resize(n);
    FTypes.resize(n, 0);
}

TPoint TStroke::GetPoint(int I) const {
    Q_ASSERT(I >= 0 && I < GetCount());
    return FPoints[static_cast<size_t>(I)];
}

uint8_t TStroke::GetPointType(int I) const {
    Q_ASSERT(I >= 0 && I < GetCount());
    return FTypes[static_cast<size_t>(I)];
}

void TStroke::AddPoint(int X, int Y, uint8_t Type) {
    FPoints.push_back({X, Y});
    FTypes.push_back(Type);
}

TRect TStroke::GetBounds() const {
    if (FPoints.empty())
        return TRect();
    TRect r(FPoints.front(), FPoints.front());
    for (const TPoint& p : FPoints) {
        r.Left = std::min(r.Left, p.x);
        r.Top = std::min(r.Top, p.y);
        r.Right = std::max(r.Right, p.x);
        r.Bottom = std::max(r.Bottom, p.y);
    }
    return r;
}

void TStroke::Replay(TStrokeSink& Sink) const {
    const int count = GetCount();
    if (count == 0)
        return;
    TPoint figureStart = FPoints[0];
    TPoint current = FPoints[0];
    int i = 0;
    while (i < count) {
        const TPoint& p = FPoints[i];
        switch (FTypes[i]) {
        case PT_MOVETO:
            figureStart = p;
            current = p;
            Sink.MoveTo(p);
            ++i;
            break;
        case PT_LINETO: {
            int end = i + 1;
            while (end < count && FTypes[end] == PT_LINETO)
                ++end;
            Sink.PolylineTo(std::span<const TPoint>(FPoints).subspan(i, end - i));
            current = FPoints[end - 1];
            i = end;
            break;
        }
        case PT_LINETO | PT_CLOSEFIGURE:
            Sink.LineTo(p);
            Sink.LineTo(figureStart);
            Sink.CloseFigure();
            current = figureStart;
            ++i;
            break;
        case PT_BEZIERTO:
            if (count - i < 3) { // a group cut short: nothing valid follows
                Sink.CloseFigure();
                return;
            }
            ReplayBezier(Sink, current, &FPoints[i]);
            current = FPoints[i + 2];
            if (FTypes[i + 2] == (PT_BEZIERTO | PT_CLOSEFIGURE)) {
                Sink.LineTo(figureStart);
                Sink.CloseFigure();
                current = figureStart;
            }
            i += 3;
            break;
        default:
            Sink.CloseFigure();
            return;
        }
    }
}

void TStroke::Draw(TCanvas& Canvas) const {
    if (FTypes.empty()) {
        Canvas.MoveTo(0, 0);
        Canvas.LineTo(0, 0);
        Canvas.CloseFigure();
        return;
    }
    TCanvasStrokeSink sink(Canvas);
    Replay(sink);
}

void TStroke::MakePath(TCanvas& Canvas) const {
    Canvas.BeginPath();
    Draw(Canvas);
    Canvas.EndPath();
}

void TStroke::DrawAntialiased(TBitmap& Bitmap, TAALineAlphaMap& Painter) const {
    if (Bitmap.PixelFormat() != pf8bit)
        return;
    Painter.SetBitmap(&Bitmap);
    TAAStrokeSink sink(Painter, Bitmap.Canvas());
    Replay(sink);
    Painter.SetBitmap(nullptr);
}

void TStroke::DrawAntialiased(TBitmap& Bitmap) const {
    TAALineAlphaMap painter;
    DrawAntialiased(Bitmap, painter);
}

void TStroke::AppendPath(const TCanvas& Canvas) {
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    if (Canvas.GetPath(points, types) <= 0 || points.size() != types.size())
        return;
    FPoints.insert(FPoints.end(), points.begin(), points.end());
    FTypes.insert(FTypes.end(), types.begin(), types.end());
}

void TStroke::Subdivide() {
    const int count = GetCount();
    if (count == 0)
        return;
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    points.reserve(FPoints.size() * 2);
    types.reserve(FTypes.size() * 2);
    TSubdivider out(points, types);

    TPoint previous = FPoints[0];
    TPoint figureStart = FPoints[0];
    // A run of lines leaves its last point to the next segment; when no segment follows,
    // the point is added when the run ends.
    bool runOpen = false;
    auto endRun = [&] {
        if (runOpen)
            out.Add(previous, PT_LINETO);
        runOpen = false;
    };

    int i = 0;
    while (i < count) {
        const TPoint p = FPoints[i];
        const uint8_t type = FTypes[i];
        if (type == PT_LINETO) {
            out.AddSegment(previous, p);
            previous = p;
            runOpen = true;
            ++i;
        } else if (type == (PT_LINETO | PT_CLOSEFIGURE)) {
            out.AddSegment(previous, p);
            // The closing segment's last inner point is dropped, so the closing line is
            // never shorter than a step; the corner itself always stays.
            if (out.AddSegment(p, figureStart) > 0)
                out.DropLast();
            out.SetLastType(type);
            previous = p;
            runOpen = false;
            ++i;
        } else if (type == PT_BEZIERTO) {
            endRun();
            const int n = std::min(3, count - i);
            for (int k = 0; k < n; ++k)
                out.Add(FPoints[i + k], FTypes[i + k]);
            previous = FPoints[i + n - 1];
            i += n;
        } else {
            endRun();
            if (type == PT_MOVETO)
                figureStart = p;
            out.Add(p, type);
            previous = p;
            ++i;
        }
    }
    endRun();
    FPoints = std::move(points);
    FTypes = std::move(types);
}

void TStroke::SetRect(const TRect& R) {
    Clear();
    AddPoint(R.Left, R.Top, PT_MOVETO);
    AddPoint(R.Right, R.Top, PT_LINETO);
    AddPoint(R.Right, R.Bottom, PT_LINETO);
    AddPoint(R.Left, R.Bottom, PT_LINETO | PT_CLOSEFIGURE);
}

void TStroke::SetEllipse(const TRect& R) {
    const int64_t l = R.Left, t = R.Top, r = R.Right, b = R.Bottom;
    const int64_t cx = (l + r) / 2;
    const int64_t cy = (t + b) / 2;
    const int64_t hx = RoundOff(static_cast<double>(r - l) * BezierCircleFactor / 2);
    const int64_t hy = RoundOff(static_cast<double>(b - t) * BezierCircleFactor / 2);
    const int64_t xy[13][2] = {
        {r, cy},      {r, cy - hy}, {cx + hx, t}, {cx, t},      {cx - hx, t}, {l, cy - hy}, {l, cy},
        {l, cy + hy}, {cx - hx, b}, {cx, b},      {cx + hx, b}, {r, cy + hy}, {r, cy},
    };
    Clear();
    for (int k = 0; k < 13; ++k) {
        const uint8_t type = k == 0    ? PT_MOVETO
                             : k == 12 ? uint8_t(PT_BEZIERTO | PT_CLOSEFIGURE)
                                       : PT_BEZIERTO;
        AddPoint(ClampToInt(xy[k][0]), ClampToInt(xy[k][1]), type);
    }
}

void TStroke::SetRoundRect(const TRect& R, int Corner) {
    const int64_t l = R.Left, t = R.Top, ri = R.Right, b = R.Bottom;
    const int64_t r = Corner / 2;
    const int64_t h = RoundOff(Corner * BezierCircleFactor / 2);
    constexpr uint8_t M = PT_MOVETO, L = PT_LINETO, C = PT_BEZIERTO;
    constexpr uint8_t Z = PT_LINETO | PT_CLOSEFIGURE;
    // Each corner's end point is repeated as a line-to before the straight side.
    const struct {
        int64_t X, Y;
        uint8_t Type;
    } rows[21] = {
        {ri, t + r, M}, {ri, t + r - h, C}, {ri - r + h, t, C}, {ri - r, t, C}, {ri - r, t, L},
        {l + r, t, L},  {l + r - h, t, C},  {l, t + r - h, C},  {l, t + r, C},  {l, t + r, L},
        {l, b - r, L},  {l, b - r + h, C},  {l + r - h, b, C},  {l + r, b, C},  {l + r, b, L},
        {ri - r, b, L}, {ri - r + h, b, C}, {ri, b - r + h, C}, {ri, b - r, C}, {ri, b - r, L},
        {ri, t + r, Z},
    };
    Clear();
    for (const auto& row : rows)
        AddPoint(ClampToInt(row.X), ClampToInt(row.Y), row.Type);
}
