#include "UPolygonScan.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

namespace {

struct TSpan {
    int Y, X0, X1;
    long double Start[3], Step[3];
};

std::vector<TSpan> Scan(const std::vector<TPolyScanVertex>& V, uint8_t Flags, const TRect& Clip) {
    std::vector<TSpan> spans;
    ScanPolygon(
        V, Flags, Clip,
        [&](int Y, int X0, int X1, const TPolyScanVertex& Start, const TPolyScanVertex& Step) {
            TSpan s{Y, X0, X1, {}, {}};
            for (int k = 0; k < 3; ++k) {
                s.Start[k] = Start.Attr[k];
                s.Step[k] = Step.Attr[k];
            }
            spans.push_back(s);
        });
    return spans;
}

TPolyScanVertex V(long double X, long double Y, long double A = 0, long double B = 0) {
    TPolyScanVertex v;
    v.X = X;
    v.Y = Y;
    v.Attr[0] = A;
    v.Attr[1] = B;
    return v;
}

// The scan as the rules describe it, row by row over the polygon's whole height (rows
// outside the clip only advance the edges).
std::vector<TSpan> ReferenceScan(const std::vector<TPolyScanVertex>& P, uint8_t Flags,
                                 const TRect& Clip) {
    std::vector<TSpan> spans;
    const int n = static_cast<int>(P.size());
    struct TEdge {
        long double X, DX, A[3], DA[3];
        int V, End;
    } L{}, R{};
    auto setup = [&](TEdge& E, const TPolyScanVertex& A, const TPolyScanVertex& B, int y) {
        const long double d = B.Y - A.Y;
        const long double r = std::fabs(d) <= 1e-5L ? 1.0L : 1.0L / d;
        const long double t = y + 0.5L - A.Y;
        E.DX = (B.X - A.X) * r;
        E.X = E.DX * t + A.X;
        for (int k = 0; k < 3; ++k)
            if (Flags & (1 << k)) {
                E.DA[k] = (B.Attr[k] - A.Attr[k]) * r;
                E.A[k] = E.DA[k] * t + A.Attr[k];
            }
    };
    int top = 0;
    for (int i = 1; i < n; ++i)
        if (P[i].Y < P[top].Y)
            top = i;
    int y = static_cast<int>(std::ceil(P[top].Y - 0.5L));
    L.V = R.V = top;
    L.End = R.End = y - 1;
    int remaining = n;
    do {
        while (y >= L.End && remaining > 0) {
            --remaining;
            const int next = L.V == 0 ? n - 1 : L.V - 1;
            setup(L, P[L.V], P[next], y);
            L.V = next;
            L.End = static_cast<int>(std::floor(P[next].Y + 0.5L));
        }
        while (y >= R.End && remaining > 0) {
            --remaining;
            const int next = R.V == n - 1 ? 0 : R.V + 1;
            setup(R, P[R.V], P[next], y);
            R.V = next;
            R.End = static_cast<int>(std::floor(P[next].Y + 0.5L));
        }
        while (y < L.End && y < R.End) {
            if (y >= Clip.Top && y <= Clip.Bottom) {
                const TEdge& l = R.X < L.X ? R : L;
                const TEdge& r = R.X < L.X ? L : R;
                const int x0 = std::max(static_cast<int>(std::ceil(l.X - 0.5L)), Clip.Left);
                const int x1 = std::min(static_cast<int>(std::floor(r.X - 0.5L)), Clip.Right);
                if (x1 >= x0) {
                    TSpan s{y, x0, x1, {}, {}};
                    const long double d = r.X - l.X;
                    const long double rr = std::fabs(d) <= 1e-5L ? 1.0L : 1.0L / d;
                    for (int k = 0; k < 3; ++k)
                        if (Flags & (1 << k)) {
                            s.Step[k] = (r.A[k] - l.A[k]) * rr;
                            s.Start[k] = s.Step[k] * (x0 + 0.5L - l.X) + l.A[k];
                        }
                    spans.push_back(s);
                }
            }
            ++y;
            L.X += L.DX;
            R.X += R.DX;
            for (int k = 0; k < 3; ++k) {
                L.A[k] += L.DA[k];
                R.A[k] += R.DA[k];
            }
        }
    } while (remaining > 0);
    return spans;
}

std::vector<std::array<int, 3>> Rows(const std::vector<TSpan>& Spans) {
    std::vector<std::array<int, 3>> rows;
    for (const TSpan& s : Spans)
        rows.push_back({s.Y, s.X0, s.X1});
    return rows;
}

} // namespace

TEST(PolygonScan, SquareInBothWindings) {
    const TRect clip(0, 0, 9, 9);
    const std::vector<std::array<int, 3>> expected = {{0, 0, 3}, {1, 0, 3}, {2, 0, 3}, {3, 0, 3}};
    EXPECT_EQ(Rows(Scan({V(0, 0), V(4, 0), V(4, 4), V(0, 4)}, 0, clip)), expected);
    EXPECT_EQ(Rows(Scan({V(0, 0), V(0, 4), V(4, 4), V(4, 0)}, 0, clip)), expected);
    // The top vertex listed last; among equal tops the first listed starts.
    EXPECT_EQ(Rows(Scan({V(4, 0), V(4, 4), V(0, 4), V(0, 0)}, 0, clip)), expected);
}

TEST(PolygonScan, HalfPixelEdges) {
    // A bottom edge at 4.5 includes row 4, whose centre lies on it. A flat top edge at 0.5
    // ends on row 1 (Floor(0.5 + 0.5)), so it serves as a chain for row 0 with zero width
    // there: row 0 comes out empty and the rectangle covers rows 1 to 4.
    const auto spans =
        Rows(Scan({V(0, 0.5L), V(2, 0.5L), V(2, 4.5L), V(0, 4.5L)}, 0, {0, 0, 9, 9}));
    ASSERT_EQ(spans.size(), 4u);
    EXPECT_EQ(spans.front(), (std::array<int, 3>{1, 0, 1}));
    EXPECT_EQ(spans.back(), (std::array<int, 3>{4, 0, 1}));
    // A left edge at x 0.5 includes column 0; a right edge at 2.5 includes column 2.
    const auto cols = Rows(Scan({V(0.5L, 0), V(2.5L, 0), V(2.5L, 1), V(0.5L, 1)}, 0, {0, 0, 9, 9}));
    ASSERT_EQ(cols.size(), 1u);
    EXPECT_EQ(cols[0], (std::array<int, 3>{0, 0, 2}));
}

TEST(PolygonScan, AttributesAtPixelCentres) {
    // A square carrying x and y as attributes: each span starts at its pixel centre.
    const auto spans = Scan({V(0, 0, 0, 0), V(4, 0, 40, 0), V(4, 4, 40, 8), V(0, 4, 0, 8)},
                            psAttr1 | psAttr2, {0, 0, 9, 9});
    ASSERT_EQ(spans.size(), 4u);
    for (int y = 0; y < 4; ++y) {
        EXPECT_EQ(spans[y].Start[0], 5.0L);
        EXPECT_EQ(spans[y].Step[0], 10.0L);
        EXPECT_EQ(spans[y].Start[1], (y + 0.5L) * 2);
        EXPECT_EQ(spans[y].Step[1], 0.0L);
        EXPECT_EQ(spans[y].Start[2], 0.0L); // unflagged: not interpolated
    }
    // Unflagged attributes are never read: NaN there changes nothing.
    auto nan = std::numeric_limits<long double>::quiet_NaN();
    const auto withNan =
        Scan({V(0, 0, 0, nan), V(4, 0, 40, nan), V(4, 4, 40, nan), V(0, 4, 0, nan)}, psAttr1,
             {0, 0, 9, 9});
    ASSERT_EQ(withNan.size(), 4u);
    EXPECT_EQ(withNan[0].Start[0], 5.0L);
}

TEST(PolygonScan, ClipCutsSpansAndSkipsRows) {
    // A triangle crossing the clip on all sides.
    const std::vector<TPolyScanVertex> tri = {V(-10, -6), V(30, 4), V(2, 25)};
    const TRect clip(0, 0, 9, 9);
    const auto spans = Scan(tri, psAttr1, clip);
    ASSERT_FALSE(spans.empty());
    for (const TSpan& s : spans) {
        EXPECT_GE(s.Y, 0);
        EXPECT_LE(s.Y, 9);
        EXPECT_GE(s.X0, 0);
        EXPECT_LE(s.X1, 9);
    }
    EXPECT_EQ(Rows(spans), Rows(ReferenceScan(tri, psAttr1, clip)));

    // Rows far outside the clip cost nothing: a polygon 2e15 rows high scans 10 rows at once.
    const std::vector<TPolyScanVertex> tall = {V(0, -1e15L), V(8, -1e15L), V(8, 1e15L),
                                               V(0, 1e15L)};
    const auto cut = Rows(Scan(tall, 0, clip));
    ASSERT_EQ(cut.size(), 10u);
    for (int y = 0; y < 10; ++y)
        EXPECT_EQ(cut[y], (std::array<int, 3>{y, 0, 7}));
}

TEST(PolygonScan, DegenerateInput) {
    EXPECT_TRUE(Scan({V(0, 0), V(4, 4)}, 0, {0, 0, 9, 9}).empty());
    auto inf = std::numeric_limits<long double>::infinity();
    EXPECT_TRUE(Scan({V(0, 0), V(inf, 0), V(4, 4)}, 0, {0, 0, 9, 9}).empty());
    EXPECT_TRUE(Scan({V(0, 0), V(4, 0, inf), V(4, 4)}, psAttr1, {0, 0, 9, 9}).empty());
    // Flat polygons (all vertices on one row) give no rows; a needle still scans its rows.
    EXPECT_TRUE(Scan({V(0, 2), V(4, 2), V(8, 2)}, 0, {0, 0, 9, 9}).empty());
    const auto needle = Rows(Scan({V(3.5L, 0), V(3.5L, 5), V(3.5L, 5)}, 0, {0, 0, 9, 9}));
    ASSERT_EQ(needle.size(), 5u);
    EXPECT_EQ(needle[0], (std::array<int, 3>{0, 3, 3}));
}

// Random convex polygons (points on a circle) against the row-by-row reference: identical
// rows and columns, attributes equal up to rounding.
TEST(PolygonScan, RandomPolygonsMatchReference) {
    std::mt19937 rng(3);
    std::uniform_real_distribution<double> u(0, 1);
    for (int n = 0; n < 400; ++n) {
        const int count = 3 + static_cast<int>(rng() % 6);
        const double cx = u(rng) * 40 - 10, cy = u(rng) * 40 - 10, r = 1 + u(rng) * 30;
        std::vector<double> angles;
        for (int i = 0; i < count; ++i)
            angles.push_back(u(rng) * 6.283185307179586);
        std::sort(angles.begin(), angles.end());
        if (n % 2)
            std::reverse(angles.begin(), angles.end());
        std::vector<TPolyScanVertex> poly;
        for (double a : angles)
            poly.push_back(V(cx + r * std::cos(a), cy + r * std::sin(a), u(rng) * 100, u(rng)));
        const TRect clip(0, 0, 19, 14);
        SCOPED_TRACE(n);
        const auto got = Scan(poly, psAttr1 | psAttr2, clip);
        const auto expected = ReferenceScan(poly, psAttr1 | psAttr2, clip);
        ASSERT_EQ(Rows(got), Rows(expected));
        for (size_t i = 0; i < got.size(); ++i)
            for (int k = 0; k < 2; ++k) {
                EXPECT_NEAR(static_cast<double>(got[i].Start[k]),
                            static_cast<double>(expected[i].Start[k]), 1e-9);
                EXPECT_NEAR(static_cast<double>(got[i].Step[k]),
                            static_cast<double>(expected[i].Step[k]), 1e-9);
            }
    }
}
