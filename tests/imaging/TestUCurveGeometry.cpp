#include "UCurveGeometry.h"

#include "UBitmap.h"
#include "UCanvas.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <numbers>

namespace {

constexpr long double Pi = std::numbers::pi_v<long double>;
constexpr int IntMax = std::numeric_limits<int>::max();
constexpr int IntMin = std::numeric_limits<int>::min();

double Distance(const TPoint& A, const TPoint& B) {
    return std::hypot(double(A.x) - B.x, double(A.y) - B.y);
}

} // namespace

TEST(CurveGeometry, CalcArcThroughKnownPoints) {
    struct Row {
        const char* Name;
        TPoint P1, Pm, P3;
        TPoint Center;
        int Radius;
        long double Start, End;
    } rows[] = {
        // Clockwise on the y-down surface from 0 through pi/2 (which is +y) to pi.
        {"lower half", {100, 0}, {0, 100}, {-100, 0}, {0, 0}, 100, 0, Pi},
        // The arc always runs from P1 to P3 in increasing angle: here through 3pi/2 (-y).
        {"upper half", {-100, 0}, {0, -100}, {100, 0}, {0, 0}, 100, Pi, 0},
        {"offset circle", {10, 20}, {15, 15}, {20, 20}, {15, 20}, 5, Pi, 0},
        // Centre (1.5, 0.5) and radius 1.58 are rounded half away from zero.
        {"rounded centre",
         {0, 0},
         {1, 2},
         {3, 0},
         {2, 1},
         2,
         std::atan2(-1.0L, -2.0L) + 2 * Pi,
         7 * Pi / 4},
        // Points in a line are flat; the centre is their centroid.
        {"collinear", {0, 0}, {5, 0}, {20, 0}, {8, 0}, 0, 0, 0},
        {"collinear odd chord", {0, 0}, {11, 0}, {21, 0}, {10, 0}, 0, 0, 0},
        // Nearly in a line: the circle (radius about 1e12) cannot be held, so the curve is
        // flat instead of overflowing.
        {"nearly collinear", {0, 0}, {10000, 1}, {20001, 2}, {10000, 1}, 0, 0, 0},
        {"nearly collinear far out", {IntMin, IntMin}, {0, 1}, {IntMax, IntMax}, {0, 0}, 0, 0, 0},
    };
    for (const Row& r : rows) {
        const TArc a = CalcArc(r.P1, r.Pm, r.P3);
        EXPECT_EQ(a.Center, r.Center) << r.Name;
        EXPECT_EQ(a.Radius, r.Radius) << r.Name;
        EXPECT_NEAR(double(a.StartAngle), double(r.Start), 1e-12) << r.Name;
        EXPECT_NEAR(double(a.EndAngle), double(r.End), 1e-12) << r.Name;
    }
}

TEST(CurveGeometry, CircleThrough3) {
    TPoint c;
    EXPECT_NEAR(double(CircleThrough3(c, {0, 0}, {1, 2}, {3, 0})), std::hypot(1.5, 0.5), 1e-12);
    EXPECT_EQ(c, TPoint(2, 1));
    // Collinear: centroid (truncated toward zero) and its distance to the middle point.
    EXPECT_NEAR(double(CircleThrough3(c, {0, 0}, {-5, 0}, {-20, 0})), 3.0, 1e-12);
    EXPECT_EQ(c, TPoint(-8, 0));
}

TEST(CurveGeometry, ArcPointsAndBounds) {
    TArc a;
    a.Radius = 100;
    auto points = [&](long double S, long double E) {
        a.StartAngle = S;
        a.EndAngle = E;
        TPoint ps, pm, pe;
        GetArcPoints(ps, pm, pe, a);
        return std::array<TPoint, 3>{ps, pm, pe};
    };
    EXPECT_EQ(points(0, Pi), (std::array<TPoint, 3>{{{100, 0}, {0, 100}, {-100, 0}}}));
    // Wrapping at 2pi: the middle lies half way round the increasing direction.
    EXPECT_EQ(points(Pi, 0), (std::array<TPoint, 3>{{{-100, 0}, {0, -100}, {100, 0}}}));
    EXPECT_EQ(points(3 * Pi / 2, Pi / 2), (std::array<TPoint, 3>{{{0, -100}, {100, 0}, {0, 100}}}));

    struct Row {
        const char* Name;
        long double Start, End;
        TRect Bounds;
    } rows[] = {
        {"pi/4 to 5pi/4 passes bottom and left", Pi / 4, 5 * Pi / 4, {-100, -71, 71, 100}},
        {"lower half", 0, Pi, {-100, 0, 100, 100}},
        {"same quadrant", 0.1L, 0.2L, {98, 10, 100, 20}},
        {"same quadrant wrapping all round", 0.2L, 0.1L, {-100, -100, 100, 100}},
        {"across angle 0", 7 * Pi / 4, Pi / 4, {71, -71, 100, 71}},
        {"three quarters", Pi / 2, 0, {-100, -100, 100, 100}},
    };
    a.Center = {1000, -2000};
    for (const Row& r : rows) {
        a.StartAngle = r.Start;
        a.EndAngle = r.End;
        TRect expected = r.Bounds;
        OffsetRect(expected, 1000, -2000);
        EXPECT_EQ(GetArcBounds(a), expected) << r.Name;
    }
}

TEST(CurveGeometry, OrientationAndBulge) {
    EXPECT_EQ(PointOrientation({0, 0}, {10, 0}, {5, -5}), 1);
    EXPECT_EQ(PointOrientation({0, 0}, {10, 0}, {5, 5}), -1);
    EXPECT_EQ(PointOrientation({0, 0}, {10, 0}, {25, 0}), 0);
    // Exact even where the products need more than 64 bits.
    EXPECT_EQ(PointOrientation({IntMin, IntMin}, {IntMax, IntMax}, {IntMax, IntMin}), 1);
    EXPECT_EQ(PointOrientation({IntMin, IntMin}, {IntMax, IntMax}, {IntMax - 1, IntMax - 1}), 0);

    struct Row {
        const char* Name;
        TPoint Pm;
        int Bulge;
    } rows[] = {
        {"half circle above", {50, -50}, 50}, {"half circle below", {50, 50}, -50},
        {"minor arc", {50, -20}, 20},         {"major arc", {50, -80}, 80},
        {"major arc below", {50, 80}, -80},   {"in line", {30, 0}, 0},
    };
    for (const Row& r : rows)
        EXPECT_EQ(GetPointsBulge({0, 0}, r.Pm, {100, 0}), r.Bulge) << r.Name;
    EXPECT_EQ(GetPointsBulge({0, 0}, {10000, 1}, {20001, 2}), 0);
    // A chord across the whole coordinate range: about 0.7 from the chord, no overflow.
    EXPECT_LE(std::abs(GetPointsBulge({IntMin, IntMin}, {0, 1}, {IntMax, IntMax})), 2);
}

TEST(CurveGeometry, BulgePoint) {
    struct Row {
        int Bulge;
        TPoint P;
    } rows[] = {
        {30, {50, -30}}, {-30, {50, 30}}, {0, {50, 0}}, {5000, {50, -4000}}, {-5000, {50, 4000}}};
    for (const Row& r : rows)
        EXPECT_EQ(GetBulgePoint({0, 0}, {100, 0}, r.Bulge), r.P) << r.Bulge;
    EXPECT_EQ(GetBulgePoint({7, 7}, {7, 7}, 30), TPoint(7, 7));
    // The bulge point's bulge is the bulge, up to the rounding of the point and the centre.
    for (int b : {-300, -45, -21, 21, 30, 77, 300}) {
        const TPoint p1{-40, 15}, p2{260, 95};
        EXPECT_NEAR(GetPointsBulge(p1, GetBulgePoint(p1, p2, b), p2), b, 1) << b;
    }
}

TEST(CurveGeometry, ArcFromChord) {
    TArc a;
    ASSERT_TRUE(ArcFromChord(a, {0, 0}, {100, 0}, 50));
    EXPECT_EQ(a.Center, TPoint(50, 0));
    EXPECT_EQ(a.Radius, 50);
    EXPECT_NEAR(double(a.StartAngle), double(Pi), 1e-12);
    EXPECT_NEAR(double(a.EndAngle), 0.0, 1e-12);

    // r = 100^2 / (8 * 25) + 25 / 2 = 62.5; the centre lies 37.5 below the chord.
    TArc up, down;
    ASSERT_TRUE(ArcFromChord(up, {0, 0}, {100, 0}, 25));
    EXPECT_EQ(up.Center, TPoint(50, 38));
    EXPECT_EQ(up.Radius, 63);
    TPoint ps, pm, pe;
    GetArcPoints(ps, pm, pe, up);
    EXPECT_EQ(pm, TPoint(50, -25));
    // The negative bulge gives the mirror arc with start and end exchanged.
    ASSERT_TRUE(ArcFromChord(down, {0, 0}, {100, 0}, -25));
    EXPECT_EQ(down.Center, TPoint(50, -38));
    EXPECT_EQ(down.Radius, 63);
    EXPECT_NEAR(double(down.StartAngle), double(2 * Pi - up.EndAngle), 1e-12);
    EXPECT_NEAR(double(down.EndAngle), double(2 * Pi - up.StartAngle), 1e-12);
    GetArcPoints(ps, pm, pe, down);
    EXPECT_EQ(pm, TPoint(50, 25));

    // Bulge 0: the half circle over the chord.
    ASSERT_TRUE(ArcFromChord(a, {0, 0}, {0, 60}, 0));
    EXPECT_EQ(a.Center, TPoint(0, 30));
    EXPECT_EQ(a.Radius, 30);

    // Too short a chord, or a circle beyond 32-bit coordinates: no arc, record untouched.
    TArc kept;
    kept.Radius = 77;
    EXPECT_FALSE(ArcFromChord(kept, {5, 5}, {5, 5}, 10));
    EXPECT_FALSE(ArcFromChord(kept, {0, 0}, {1, 0}, IntMax));
    EXPECT_FALSE(ArcFromChord(kept, {0, 0}, {1, 0}, IntMin));
    EXPECT_EQ(kept.Radius, 77);
    ASSERT_TRUE(ArcFromChord(a, {-1000000000, 0}, {1000000000, 0}, 1000000000));
    EXPECT_EQ(a.Radius, 1000000000);
    EXPECT_EQ(a.Center, TPoint(0, 0));
}

TEST(CurveGeometry, DrawnAsArcOrParabola) {
    const TPoint p1{0, 0}, p3{200, 0};
    // Bulge 20 is drawn as the parabola (9 points), bulge 21 as the circular arc.
    const std::vector<TPoint> flat = GetArcByPointsPolyline(p1, GetBulgePoint(p1, p3, 20), p3);
    ASSERT_EQ(flat.size(), 9u);
    EXPECT_EQ(flat[4], TPoint(100, -20));
    const TPoint pm = GetBulgePoint(p1, p3, 21);
    const std::vector<TPoint> round = GetArcByPointsPolyline(p1, pm, p3);
    EXPECT_GT(round.size(), 20u); // about 47 degrees in steps of 2
    const TArc arc = CalcArc(p1, pm, p3);
    for (const TPoint& p : round)
        EXPECT_NEAR(Distance(p, arc.Center), arc.Radius, 1.5) << p.x << "," << p.y;
    EXPECT_LE(Distance(round.front(), p1), 1.5);
    EXPECT_LE(Distance(round.back(), p3), 1.5);

    // Radius 8000 or more: the parabola even for a large bulge.
    EXPECT_EQ(GetArcByPointsPolyline({0, 0}, {10000, -100}, {20000, 0}).size(), 9u);
    // Points in a line: the parabola is the straight segment.
    const std::vector<TPoint> line = GetArcByPointsPolyline({0, 0}, {40, 0}, {80, 0});
    ASSERT_EQ(line.size(), 9u);
    for (int i = 0; i < 9; ++i)
        EXPECT_EQ(line[i], TPoint(10 * i, 0));
    // Nearly in a line: a straight run, no overflow.
    for (const TPoint& p : GetArcByPointsPolyline({0, 0}, {10000, 1}, {20001, 2}))
        EXPECT_LE(std::abs(p.y), 2);
}

TEST(CurveGeometry, OutlinePolygon) {
    // Parabola of a straight curve, pen 4: one side 2 above, back along the side 2 below.
    const std::vector<TPoint> band = GetArcOutlinePolygon({0, 0}, {40, 0}, {80, 0}, 4);
    ASSERT_EQ(band.size(), 19u);
    EXPECT_EQ(band[0], TPoint(0, 2));
    for (int k = 0; k < 9; ++k) {
        EXPECT_EQ(band[1 + k], TPoint(10 * k, 2)) << k;
        EXPECT_EQ(band[18 - k], TPoint(10 * k, -2)) << k;
    }

    // A half circle of radius 100, pen 10: outer edge at 105, inner at 95.
    const TPoint p1{0, 0}, p3{200, 0};
    const TPoint pm = GetBulgePoint(p1, p3, 100);
    const std::vector<TPoint> ring = GetArcOutlinePolygon(p1, pm, p3, 10);
    const TPoint centre{100, 0};
    ASSERT_GT(ring.size(), 40u);
    EXPECT_EQ(ring[0], TPoint(5, 0));  // start at radius r - h
    EXPECT_EQ(ring[1], TPoint(-5, 0)); // outer start
    EXPECT_EQ(ring.back(), TPoint(5, 0));
    bool reachedOuterEnd = false;
    for (size_t i = 1; i < ring.size(); ++i) {
        const double d = Distance(ring[i], centre);
        EXPECT_TRUE(std::abs(d - 105) <= 1 || std::abs(d - 95) <= 1) << i;
        EXPECT_LE(ring[i].y, 0) << i; // the upper half only
        reachedOuterEnd |= ring[i] == TPoint(205, 0);
    }
    EXPECT_TRUE(reachedOuterEnd);
}

TEST(CurveGeometry, PointOnCircle) {
    TArc a;
    a.Center = {10, 20};
    EXPECT_EQ(PointOnCircle(a, Pi / 4, 10), TPoint(17, 27));
    EXPECT_EQ(PointOnCircle(a, 3 * Pi / 4, 10), TPoint(3, 27));
    EXPECT_EQ(PointOnCircle(a, 3 * Pi / 2, 10), TPoint(10, 10));
}

TEST(CurveGeometry, DrawOnCanvas) {
    TBitmap b(16, 16);
    TCanvas& c = b.Canvas();
    std::vector<TPoint> points;
    std::vector<uint8_t> types;
    const struct {
        TPoint P1, Pm, P3;
    } curves[] = {
        {{0, 0}, {100, -60}, {200, 0}}, // arc
        {{0, 0}, {100, -20}, {200, 0}}, // parabola
        {{5, 5}, {5, 5}, {5, 5}},       // a point
    };
    for (const auto& k : curves) {
        // The curve: a move-to its first point and line-tos through the rest.
        const std::vector<TPoint> line = GetArcByPointsPolyline(k.P1, k.Pm, k.P3);
        c.BeginPath();
        DrawArcByPoints(c, k.P1, k.Pm, k.P3);
        c.EndPath();
        c.GetPath(points, types);
        EXPECT_EQ(points, line);
        ASSERT_EQ(types.size(), line.size());
        EXPECT_EQ(types[0], PT_MOVETO);
        for (size_t i = 1; i < types.size(); ++i)
            EXPECT_EQ(types[i], PT_LINETO) << i;

        // The outline of the pen-wide curve: one closed figure traced with a hairline pen,
        // the pen's width given back afterwards.
        c.Pen().SetWidth(12);
        const std::vector<TPoint> outline = GetArcOutlinePolygon(k.P1, k.Pm, k.P3, 12);
        c.BeginPath();
        AddArcOutlineToPath(c, k.P1, k.Pm, k.P3);
        c.EndPath();
        EXPECT_EQ(c.Pen().Width(), 12);
        c.GetPath(points, types);
        EXPECT_EQ(points, outline);
        ASSERT_EQ(types.size(), outline.size());
        EXPECT_EQ(types.front(), PT_MOVETO);
        EXPECT_EQ(types.back(), PT_LINETO | PT_CLOSEFIGURE);
        c.Pen().SetWidth(1);
    }
}
