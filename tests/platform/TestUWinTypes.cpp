#include "UWinTypes.h"

#include "UClasses.h"
#include "UColor.h"

#include <gtest/gtest.h>
#include <limits>

TEST(MulDiv, RoundsHalfAwayFromZeroAndRefusesZeroAndOverflow) {
    struct Row {
        int A, B, C, Expected;
    } rows[] = {
        {10, 10, 3, 33},
        {1, 1, 2, 1},   // 0.5 -> 1
        {-1, 1, 2, -1}, // -0.5 -> -1
        {1, -3, 2, -2}, // -1.5 -> -2
        {3, 1, -2, -2},
        {-3, -1, -2, -2},
        {5, 7, 0, -1}, // zero divisor
        {0, 5, 7, 0},
        {std::numeric_limits<int>::max(), 2, 2, std::numeric_limits<int>::max()},
        {std::numeric_limits<int>::max(), 2, 1, -1}, // overflow
        {std::numeric_limits<int>::min(), 1, 1, std::numeric_limits<int>::min()},
        {std::numeric_limits<int>::min(), -1, 1, -1}, // 2^31 does not fit
        {100000, 100000, 100000, 100000},             // 64-bit product
        {96, 150, 100, 144},
    };
    for (const Row& r : rows)
        EXPECT_EQ(MulDiv(r.A, r.B, r.C), r.Expected) << r.A << "*" << r.B << "/" << r.C;
}

TEST(RoundOff, HalfAwayFromZeroAndClamped) {
    EXPECT_EQ(RoundOff(2.5), 3);
    EXPECT_EQ(RoundOff(-2.5), -3);
    EXPECT_EQ(RoundOff(2.49), 2);
    EXPECT_EQ(RoundOff(-0.4), 0);
    EXPECT_EQ(RoundOff(1e300), std::numeric_limits<int64_t>::max());
    EXPECT_EQ(RoundOff(-1e300), std::numeric_limits<int64_t>::min());
    EXPECT_EQ(RoundOff(std::numeric_limits<double>::quiet_NaN()), 0);
    // Exact for every double: the largest double below one half, and odd integers beyond 2^52.
    EXPECT_EQ(RoundOff(0.49999999999999994), 0);
    EXPECT_EQ(RoundOff(-0.49999999999999994), 0);
    EXPECT_EQ(RoundOff(4503599627370497.0), 4503599627370497);
    EXPECT_EQ(RoundOff(-4503599627370497.0), -4503599627370497);
    EXPECT_EQ(RoundOff(1.5), 2);
    EXPECT_EQ(RoundOff(-1.5), -2);
}

TEST(Rectangles, ExcludeRightAndBottomEdges) {
    const TRect r(10, 20, 30, 40);
    EXPECT_EQ(r.Width(), 20);
    EXPECT_TRUE(PtInRect(r, Point(10, 20)));
    EXPECT_FALSE(PtInRect(r, Point(30, 20)));
    EXPECT_FALSE(PtInRect(r, Point(10, 40)));
    EXPECT_EQ(r.ToQRect(), QRect(10, 20, 20, 20));
    EXPECT_EQ(TRect::FromQRect(r.ToQRect()), r);

    TRect d;
    EXPECT_TRUE(IntersectRect(d, r, Rect(25, 0, 100, 25)));
    EXPECT_EQ(d, Rect(25, 20, 30, 25));
    EXPECT_FALSE(IntersectRect(d, r, Rect(30, 20, 40, 40))); // touching edges only
    EXPECT_EQ(d, TRect());
    EXPECT_TRUE(UnionRect(d, r, Rect(0, 0, 0, 0)));
    EXPECT_EQ(d, r);
    EXPECT_TRUE(UnionRect(d, r, Rect(0, 0, 5, 5)));
    EXPECT_EQ(d, Rect(0, 0, 30, 40));
    TRect m = r;
    OffsetRect(m, -10, 5);
    InflateRect(m, 1, 2);
    EXPECT_EQ(m, Rect(-1, 23, 21, 47));
    EXPECT_TRUE(IsRectEmpty(Rect(5, 5, 5, 10)));
    EXPECT_TRUE(IsRectEmpty(Rect(5, 5, 4, 10)));
}

// System colours carry the numbers stored files use; the older numbering still resolves.
TEST(SystemColors, NumberedAsStoredFilesNumberThem) {
    EXPECT_EQ(static_cast<uint32_t>(clSystemColor), 0xFF000000u);
    EXPECT_EQ(static_cast<uint32_t>(clScrollBar), 0xFF000000u);
    EXPECT_EQ(static_cast<uint32_t>(clBtnFace), 0xFF00000Fu);
    EXPECT_EQ(static_cast<uint32_t>(clWindowText), 0xFF000008u);
    EXPECT_EQ(static_cast<uint32_t>(clInfoBk), 0xFF000018u);
    EXPECT_EQ(ColorToRGB(clBtnFace), RGB(192, 192, 192));
    EXPECT_EQ(ColorToRGB(clInfoBk), RGB(255, 255, 225));
    EXPECT_EQ(ColorToRGB(static_cast<TColor>(0x8000000Fu)), RGB(192, 192, 192));
}

// Every system colour name reads as the number stored files carry (0xFF0000xx) and that number
// writes back as the name; the newer five follow the same numbering as the older ones.
TEST(SystemColors, NamesReadAndWriteAsStoredNumbers) {
    const struct {
        const char* Name;
        uint32_t Value;
    } names[] = {
        {"clScrollBar", 0xFF000000u},
        {"clBtnFace", 0xFF00000Fu},
        {"clInfoBk", 0xFF000018u},
        {"clHotLight", 0xFF00001Au},
        {"clGradientActiveCaption", 0xFF00001Bu},
        {"clGradientInactiveCaption", 0xFF00001Cu},
        {"clMenuHighlight", 0xFF00001Du},
        {"clMenuBar", 0xFF00001Eu},
    };
    for (const auto& n : names) {
        int64_t value = 0;
        ASSERT_TRUE(IdentToInt(n.Name, value)) << n.Name;
        EXPECT_EQ(static_cast<uint32_t>(value), n.Value) << n.Name;
        QByteArray ident;
        ASSERT_TRUE(IntToIdent(static_cast<TColor>(n.Value), "cl", ident)) << n.Name;
        EXPECT_EQ(ident, QByteArray(n.Name));
    }
}
