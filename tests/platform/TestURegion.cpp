#include "URegion.h"

#include <QPainterPath>
#include <cmath>
#include <gtest/gtest.h>

TEST(Region, ShapesCombineAndAnswerTheirComplexity) {
    const TRegion a = TRegion::CreateRect(Rect(0, 0, 10, 10));
    const TRegion b = TRegion::CreateRect(Rect(5, 5, 15, 15));
    struct Row {
        int Mode, Complexity;
        TRect Box;
        bool Has0, Has7, Has12;
    };
    const Row rows[] = {
        {RGN_AND, SIMPLEREGION, Rect(5, 5, 10, 10), false, true, false},
        {RGN_OR, COMPLEXREGION, Rect(0, 0, 15, 15), true, true, true},
        {RGN_XOR, COMPLEXREGION, Rect(0, 0, 15, 15), true, false, true},
        {RGN_DIFF, COMPLEXREGION, Rect(0, 0, 10, 10), true, false, false},
        {RGN_COPY, SIMPLEREGION, Rect(0, 0, 10, 10), true, true, false},
    };
    for (const Row& r : rows) {
        TRegion c;
        EXPECT_EQ(c.Combine(a, b, r.Mode), r.Complexity) << r.Mode;
        TRect box;
        c.GetBox(box);
        EXPECT_EQ(box, r.Box) << r.Mode;
        EXPECT_EQ(c.PtInRegion(0, 0), r.Has0) << r.Mode;
        EXPECT_EQ(c.PtInRegion(7, 7), r.Has7) << r.Mode;
        EXPECT_EQ(c.PtInRegion(12, 12), r.Has12) << r.Mode;
    }
    TRegion unchanged = a;
    EXPECT_EQ(unchanged.Combine(a, b, 99), RGN_ERROR);
    EXPECT_TRUE(unchanged.Equals(a));
    EXPECT_EQ(TRegion().Complexity(), NULLREGION);
}

TEST(Region, EllipsesPolygonsAndOffsets) {
    const TRegion e = TRegion::CreateEllipse(Rect(0, 0, 20, 10));
    EXPECT_EQ(e.Box(), Rect(0, 0, 20, 10));
    EXPECT_TRUE(e.PtInRegion(10, 5));
    EXPECT_FALSE(e.PtInRegion(0, 0));
    EXPECT_FALSE(e.PtInRegion(20, 5)); // right edge excluded

    const TRegion rr = TRegion::CreateRoundRect(Rect(0, 0, 20, 20), 10, 10);
    EXPECT_FALSE(rr.PtInRegion(0, 0));
    EXPECT_TRUE(rr.PtInRegion(10, 0));
    EXPECT_TRUE(rr.RectInRegion(Rect(8, 8, 9, 9)));

    // A self-overlapping polygon: its doubly covered centre is a hole only when alternating.
    const std::vector<TPoint> twice{{0, 0}, {20, 0}, {20, 20}, {0, 20}, {0, 0},
                                    {5, 5}, {15, 5}, {15, 15}, {5, 15}, {5, 5}};
    EXPECT_FALSE(TRegion::CreatePolygon(twice, ALTERNATE).PtInRegion(10, 10));
    EXPECT_TRUE(TRegion::CreatePolygon(twice, WINDING).PtInRegion(10, 10));
    EXPECT_TRUE(TRegion::CreatePolygon(twice, ALTERNATE).PtInRegion(2, 10));

    TRegion moved = TRegion::CreateRect(Rect(0, 0, 4, 4));
    moved.Offset(10, -2);
    EXPECT_EQ(moved.Box(), Rect(10, -2, 14, 2));
    EXPECT_TRUE(TRegion::CreatePolygon(nullptr, 0, ALTERNATE).IsEmpty());
}

// A path cut to a rectangle gives the part of the whole path's region inside it, under both
// fill rules: exactly for paths near the rectangle, within a pixel of each edge for a path
// reaching far beyond it (that one is cut before its region is made).
TEST(TRegionTest, PathCutToARectangleKeepsTheInsideThere) {
    const QRect within(0, 0, 160, 120);
    auto star = [](QPointF c, double r) {
        QPainterPath p;
        for (int i = 0; i < 5; ++i) {
            const double a = (i * 144 - 90) * M_PI / 180;
            const QPointF q(c.x() + r * std::cos(a), c.y() + r * std::sin(a));
            i == 0 ? p.moveTo(q) : p.lineTo(q);
        }
        p.closeSubpath();
        return p;
    };
    QPainterPath ring;
    ring.addEllipse(QPointF(150, 60), 200, 90);
    ring.addEllipse(QPointF(150, 60), 120, 40);
    QPainterPath huge = star(QPointF(80, 60), 4400);
    huge.addRect(20, 20, 60, 40);
    const struct {
        const char* What;
        QPainterPath Path;
        int Slack; // pixels that may differ per row
    } cases[] = {
        {"inside", star(QPointF(80, 60), 50), 0},
        {"across the edges", star(QPointF(150, 100), 120), 0},
        {"ring across the edges", ring, 0},
        {"far larger than the pixels", huge, 2},
        {"wholly outside", star(QPointF(-500, -500), 100), 0},
    };
    for (const auto& c : cases) {
        for (int mode : {ALTERNATE, WINDING}) {
            const QRegion whole = TRegion::CreateFromPath(c.Path, mode).ToQRegion();
            const QRegion cut = TRegion::CreateFromPath(c.Path, mode, within).ToQRegion();
            const QRegion differ = cut.xored(whole.intersected(within));
            int pixels = 0;
            for (const QRect& r : differ)
                pixels += r.width() * r.height();
            EXPECT_LE(pixels, c.Slack * within.height()) << c.What << " mode " << mode;
            EXPECT_TRUE(differ.isEmpty() || c.Slack > 0) << c.What << " mode " << mode;
            EXPECT_TRUE(within.contains(cut.boundingRect()) || cut.isEmpty()) << c.What;
        }
    }
}
