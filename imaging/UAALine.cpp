#include "UAALine.h"

#include "UFixedStretch.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>

namespace {

constexpr int IntensityBits = 10;
constexpr int IntensityShift = 16 - IntensityBits;
constexpr double MaxLineSize = 1024.0;

// Entry i: the perpendicular distance (16.16) between neighbouring pixels across a line of
// slope i / 1024.
const std::array<int32_t, (1 << IntensityBits) + 1>& IntensityTable() {
    static const auto table = [] {
        std::array<int32_t, (1 << IntensityBits) + 1> t{};
        const int32_t diagonal = static_cast<int32_t>(std::sqrt(0.5) * 65536 + 0.5);
        t.fill(diagonal);
        const double dt = 1.0 / (1 << IntensityBits);
        double v = 0;
        for (int i = 0; v < 1 && i < (1 << IntensityBits); ++i, v += dt)
            t[i] = static_cast<int32_t>(std::sqrt(1 / (v * v + 1)) * 65536 + 0.5);
        return t;
    }();
    return table;
}

// The part of a disc of radius R beyond a straight edge at distance X from its centre.
double DiscBeyond(double X, double R) {
    if (R <= 0)
        return X < 0 ? 1 : X > 0 ? 0 : 0.5;
    const double pi = 3.141592653589793238462643383279502884;
    X = std::clamp(X, -R, R);
    return 0.5 - X * std::sqrt(R * R - X * X) / (pi * R * R) - std::asin(X / R) / pi;
}

int ByteOf(double Value) {
    return std::clamp(static_cast<int>(Value * 255 + 0.5), 0, 255);
}

TAALineShape BuildShape(double HalfWidth, double FilterRadius, double Opacity) {
    TAALineShape shape;
    const double w = HalfWidth, r = FilterRadius, reach = w + r;
    if (!(reach * 65536 >= 1)) {
        shape.Profile.assign(2, 0);
        shape.DotRadius = 1;
        shape.Dot.assign(9, 0);
        return shape;
    }
    // About 128 samples span the reach.
    shape.ProfileShift = std::max(0, 16 - (7 - (static_cast<int>(std::log2(reach)) + 1)));
    const int n = static_cast<int>(reach * 65536 + 0.5) >> shape.ProfileShift;
    shape.Reach = n << shape.ProfileShift;
    std::vector<int>& profile = shape.Profile;
    profile.assign(static_cast<size_t>(n) + 2, 0);
    const double dt = reach / n;
    double t = 0;
    int k = 0;
    auto fill = [&](double Until, auto Value) {
        for (; t < Until && k <= n + 1; t += dt)
            profile[k++] = ByteOf(Value(t));
    };
    if (w < r) {
        fill(std::min(w, r - w),
             [&](double x) { return 1 - DiscBeyond(w - x, r) - DiscBeyond(w + x, r); });
        fill(r - w, [&](double x) { return DiscBeyond(x - w, r) - DiscBeyond(x + w, r); });
    } else {
        fill(w - r, [](double) { return 1.0; });
    }
    fill(w, [&](double x) { return 1 - DiscBeyond(w - x, r); });
    fill(w + r, [&](double x) { return DiscBeyond(x - w, r); });
    for (int& e : profile)
        e = std::clamp(static_cast<int>(std::nearbyint(e * Opacity)), 0, 255);

    // The dot kernel: the profile along the axes, scaled by the distance in between.
    const int step = IntensityTable()[0];
    const int radius = std::max(1, (shape.Reach + step - 1) / step);
    const int side = 2 * radius + 1;
    shape.DotRadius = radius;
    shape.Dot.assign(static_cast<size_t>(side) * side, 0);
    auto at = [&](int dx, int dy) -> uint8_t& {
        return shape.Dot[static_cast<size_t>(dy + radius) * side + dx + radius];
    };
    at(0, 0) = static_cast<uint8_t>(profile[0]);
    int last = 0;
    for (int i = 1; i * step < shape.Reach; ++i) {
        const auto v = static_cast<uint8_t>(profile[(i * step) >> shape.ProfileShift]);
        at(i, 0) = at(-i, 0) = at(0, i) = at(0, -i) = v;
        last = i * step;
    }
    for (int i = 1; i <= radius - 1; ++i)
        for (int j = 1; j <= i; ++j) {
            const double h = std::hypot(i, j);
            uint8_t v = 0;
            if (h < radius - 1)
                v = static_cast<uint8_t>(
                    profile[static_cast<int>((last - 1) * h / (radius - 1)) >> shape.ProfileShift]);
            at(i, j) = at(-i, j) = at(i, -j) = at(-i, -j) = v;
            at(j, i) = at(-j, i) = at(j, -i) = at(-j, -i) = v;
        }
    return shape;
}

// Intensity at a perpendicular distance; distances past the profile give 0.
int ProfileAt(const TAALineShape& S, int32_t Distance) {
    const size_t i = static_cast<size_t>(static_cast<uint32_t>(Distance) >> S.ProfileShift);
    return i < S.Profile.size() ? S.Profile[i] : 0;
}

struct TStep {
    int X, Y;
};

// The walk: for each pixel along the major axis, the pixel itself and its neighbours across
// the line while their distance lies within the profile's reach. D is the signed distance of
// the pixel centre from the line, positive on the side opposite to the Across step.
template <class TPlot>
void WalkLine(const TAALineShape& S, int X0, int Y0, int X1, int Y1, TPlot&& Plot) {
    if (X0 > X1) {
        std::swap(X0, X1);
        std::swap(Y0, Y1);
    }
    int64_t major = static_cast<int64_t>(X1) - X0;
    int64_t minor = static_cast<int64_t>(Y1) - Y0;
    int octant = 0;
    if (minor < 0) {
        octant = 2;
        minor = -minor;
    }
    if (minor > major) {
        octant = Y1 < Y0 ? 3 : 1;
        std::swap(major, minor);
    }
    if (major == 0) {
        Plot(X0, Y0, S.Profile[0]);
        return;
    }
    // Major step, diagonal step and the step across the line by octant. Lines going up
    // (octants 2 and 3) mirror those going down, across step included, so that the distance
    // keeps its sign convention.
    static constexpr TStep majorSteps[4] = {{1, 0}, {0, 1}, {1, 0}, {0, -1}};
    static constexpr TStep diagonalSteps[4] = {{1, 1}, {1, 1}, {1, -1}, {1, -1}};
    static constexpr TStep acrossSteps[4] = {{0, 1}, {1, 0}, {0, -1}, {1, 0}};
    const TStep ms = majorSteps[octant], ds = diagonalSteps[octant], as = acrossSteps[octant];

    const int32_t slope = static_cast<int32_t>((minor << 16) / major);
    const int32_t p = IntensityTable()[slope >> IntensityShift];
    const int32_t s = FixedMul(slope, p);
    int64_t e = 2 * minor - major;
    int32_t d = 0;
    int x = X0, y = Y0;
    for (int64_t n = 0; n <= major; ++n) {
        Plot(x, y, ProfileAt(S, std::abs(d)));
        int32_t dist = p - d;
        for (int i = 1; dist < S.Reach; ++i, dist += p)
            Plot(x + i * as.X, y + i * as.Y, ProfileAt(S, dist));
        dist = p + d;
        for (int i = 1; dist < S.Reach; ++i, dist += p)
            Plot(x - i * as.X, y - i * as.Y, ProfileAt(S, dist));
        if (e >= 0) {
            e += 2 * (minor - major);
            x += ds.X;
            y += ds.Y;
            d += s - p;
        } else {
            e += 2 * minor;
            x += ms.X;
            y += ms.Y;
            d += s;
        }
    }
}

template <class TPlot>
void StampKernel(const TAALineShape& S, int X, int Y, TPlot&& Plot) {
    const int r = S.DotRadius;
    if (r < 2)
        return;
    const int side = 2 * r + 1;
    for (int dy = -r; dy < r; ++dy)
        for (int dx = -r; dx < r; ++dx)
            Plot(X + dx, Y + dy, S.Dot[static_cast<size_t>(dy + r) * side + dx + r]);
}

// Max-combining plot into an 8-bit bitmap.
struct TAlphaPlot {
    uint8_t* Bits;
    ptrdiff_t Stride;
    int Width;
    int Height;
    void operator()(int X, int Y, int V) const {
        if (static_cast<unsigned>(X) >= static_cast<unsigned>(Width) ||
            static_cast<unsigned>(Y) >= static_cast<unsigned>(Height))
            return;
        uint8_t& b = Bits[Y * Stride + X];
        if (b < V)
            b = static_cast<uint8_t>(V);
    }
};

double Limited(double Value, double Max) {
    return std::isnan(Value) ? 0 : std::clamp(Value, 0.0, Max);
}

} // namespace

void TAALineRec::SetHalfWidth(double Value) {
    FHalfWidth = Limited(Value, MaxLineSize);
    FDirty = true;
}

void TAALineRec::SetFilterRadius(double Value) {
    FFilterRadius = Limited(Value, MaxLineSize);
    FDirty = true;
}

void TAALineRec::SetOpacity(double Value) {
    FOpacity = Limited(Value, 255.0);
    FDirty = true;
}

const TAALineShape& TAALineRec::Shape() {
    if (FDirty) {
        FShape = BuildShape(FHalfWidth, FFilterRadius, FOpacity);
        FDirty = false;
    }
    return FShape;
}

void TAALineRec::MoveTo(int X, int Y) {
    FX = X;
    FY = Y;
}

void TAALineRec::LineTo(int X, int Y) {
    DrawLine(FX, FY, X, Y);
}

void TAALineRec::DrawLine(int X0, int Y0, int X1, int Y1) {
    DrawSegment(Shape(), X0, Y0, X1, Y1);
    MoveTo(X1, Y1);
}

void TAALineRec::DrawDot(int X, int Y) {
    StampDot(Shape(), X, Y);
}

void TAALineRec::DrawSegment(const TAALineShape& Shape, int X0, int Y0, int X1, int Y1) {
    if (FPlot)
        WalkLine(Shape, X0, Y0, X1, Y1, FPlot);
}

void TAALineRec::StampDot(const TAALineShape& Shape, int X, int Y) {
    if (FPlot)
        StampKernel(Shape, X, Y, FPlot);
}

void TAALineAlphaMap::SetBitmap(TBitmap* Bitmap) {
    FBitmap = Bitmap && Bitmap->PixelFormat() == pf8bit ? Bitmap : nullptr;
}

namespace {

TAlphaPlot AlphaPlotOf(TBitmap& B) {
    return TAlphaPlot{B.Empty() ? nullptr : B.Bits(), B.BytesPerLine(), B.Width(), B.Height()};
}

} // namespace

void TAALineAlphaMap::DrawSegment(const TAALineShape& Shape, int X0, int Y0, int X1, int Y1) {
    if (FBitmap && !FBitmap->Empty())
        WalkLine(Shape, X0, Y0, X1, Y1, AlphaPlotOf(*FBitmap));
}

void TAALineAlphaMap::StampDot(const TAALineShape& Shape, int X, int Y) {
    if (FBitmap && !FBitmap->Empty())
        StampKernel(Shape, X, Y, AlphaPlotOf(*FBitmap));
}
