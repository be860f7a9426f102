#include "URegion.h"

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
