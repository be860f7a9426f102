#include "UQuadMap.h"

#include "UException.h"

#include <gtest/gtest.h>

#include <random>

namespace {

TBitmap Numbered(int W, int H, TPixelFormat F) {
    TBitmap b(W, H, F);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            b.SetPixel(x, y, RGB(x * 17 + 3, y * 29 + 5, (x * 7 + y * 3) & 255));
    return b;
}

} // namespace

TEST(QuadMap, CornersOfTheRectangleReproduceTheSource) {
    for (TPixelFormat f : {pf8bit, pf15bit, pf16bit, pf24bit, pf32bit}) {
        SCOPED_TRACE(f);
        const TBitmap source = Numbered(7, 5, f);
        TBitmap dest(1, 1, pf24bit);
        TRect bounds;
        MapBitmapToQuad(dest, bounds, {0, 0}, {7, 0}, {7, 5}, {0, 5}, source, TRect(0, 0, 7, 5),
                        clBlack);
        EXPECT_EQ(bounds, TRect(0, 0, 7, 5));
        ASSERT_EQ(dest.PixelFormat(), f);
        EXPECT_EQ(dest.ColorTable(), source.ColorTable());
        ASSERT_EQ(dest.Width(), 7);
        ASSERT_EQ(dest.Height(), 5);
        for (int y = 0; y < 5; ++y)
            EXPECT_EQ(std::memcmp(dest.ScanLine(y), source.ScanLine(y), dest.BytesPerLine()), 0)
                << y;
    }
}

TEST(QuadMap, HandComputedSamples) {
    const TBitmap source = Numbered(2, 2, pf24bit);
    TBitmap dest;
    TRect bounds;
    // Twice as large: centres 0.5, 1.5, 2.5, 3.5 map to 0.25, 0.75, 1.25, 1.75.
    MapBitmapToQuad(dest, bounds, {10, 20}, {14, 20}, {14, 24}, {10, 24}, source, TRect(0, 0, 2, 2),
                    clBlack);
    EXPECT_EQ(bounds, TRect(10, 20, 14, 24));
    for (int y = 0; y < 4; ++y)
        for (int x = 0; x < 4; ++x)
            EXPECT_EQ(dest.GetPixel(x, y), source.GetPixel(x / 2, y / 2)) << x << "," << y;

    // Mirrored corner order flips left to right.
    const TBitmap wide = Numbered(6, 3, pf24bit);
    MapBitmapToQuad(dest, bounds, {6, 0}, {0, 0}, {0, 3}, {6, 3}, wide, TRect(0, 0, 6, 3), clBlack);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(dest.GetPixel(x, y), wide.GetPixel(5 - x, y)) << x << "," << y;

    // The decorative band's use: SrcRect (0, 0, width - 1, height - 1), key background. A
    // one-pixel-wide sliver (spans with X0 = X1) is drawn.
    const TBitmap strip = Numbered(4, 6, pf24bit);
    MapBitmapToQuad(dest, bounds, {3, 0}, {4, 0}, {4, 6}, {3, 6}, strip, TRect(0, 0, 3, 5),
                    TColor(0xF0F0F0));
    EXPECT_EQ(bounds, TRect(3, 0, 4, 6));
    ASSERT_EQ(dest.Width(), 1);
    // Centre 0.5 of 1 pixel -> u = 1.5 -> column 1; rows at (y + 0.5) * 5 / 6.
    for (int y = 0; y < 6; ++y)
        EXPECT_EQ(dest.GetPixel(0, y), strip.GetPixel(1, (2 * y + 1) * 5 / 12)) << y;
}

TEST(QuadMap, RotatedRectangleKeepsBackgroundCorners) {
    TBitmap source(10, 10, pf24bit);
    source.Fill(clRed);
    TBitmap dest;
    TRect bounds;
    // A square turned by 45 degrees around its centre, corners on the axes.
    MapBitmapToQuad(dest, bounds, {7, -3}, {17, 7}, {7, 17}, {-3, 7}, source, TRect(0, 0, 10, 10),
                    clBlue);
    EXPECT_EQ(bounds, TRect(-3, -3, 17, 17));
    ASSERT_EQ(dest.Width(), 20);
    for (TPoint corner : {TPoint(0, 0), TPoint(19, 0), TPoint(0, 19), TPoint(19, 19), TPoint(3, 2)})
        EXPECT_EQ(dest.GetPixel(corner.x, corner.y), clBlue);
    EXPECT_EQ(dest.GetPixel(10, 10), clRed);
    EXPECT_EQ(dest.GetPixel(10, 1), clRed);
}

// Bow ties, concave shapes and source rectangles far outside the source never read outside
// it: every position is clamped to the bitmap.
TEST(QuadMap, OddShapesStayInsideTheSource) {
    std::mt19937 rng(9);
    const TBitmap source = Numbered(5, 4, pf32bit);
    for (int n = 0; n < 300; ++n) {
        auto p = [&] {
            return TPoint(static_cast<int>(rng() % 40) - 10, static_cast<int>(rng() % 40) - 10);
        };
        const TRect src(static_cast<int>(rng() % 200) - 100, static_cast<int>(rng() % 200) - 100,
                        static_cast<int>(rng() % 200) - 100, static_cast<int>(rng() % 200) - 100);
        TBitmap dest;
        TRect bounds;
        MapBitmapToQuad(dest, bounds, p(), p(), p(), p(), source, src, clWhite);
        // Every pixel is the background or a source pixel.
        for (int y = 0; y < dest.Height(); ++y)
            for (int x = 0; x < dest.Width(); ++x) {
                const TColor c = dest.GetPixel(x, y);
                if (c == clWhite)
                    continue;
                bool found = false;
                for (int sy = 0; sy < 4 && !found; ++sy)
                    for (int sx = 0; sx < 5 && !found; ++sx)
                        found = source.GetPixel(sx, sy) == c;
                ASSERT_TRUE(found) << n;
            }
    }
}

TEST(QuadMap, EdgeCases) {
    TBitmap dest(3, 3, pf24bit);
    dest.Fill(clGreen);
    TRect bounds(1, 2, 3, 4);
    // Unsupported source formats leave Dest and Bounds alone.
    TBitmap mono(4, 4, pf1bit);
    MapBitmapToQuad(dest, bounds, {0, 0}, {4, 0}, {4, 4}, {0, 4}, mono, TRect(0, 0, 4, 4), clRed);
    EXPECT_EQ(bounds, TRect(1, 2, 3, 4));
    EXPECT_EQ(dest.Width(), 3);
    EXPECT_EQ(dest.GetPixel(1, 1), clGreen);

    // An empty source leaves the background.
    TBitmap empty(0, 0, pf24bit);
    MapBitmapToQuad(dest, bounds, {-5, -6}, {0, -6}, {0, 0}, {-5, 0}, empty, TRect(0, 0, 4, 4),
                    clRed);
    EXPECT_EQ(bounds, TRect(-5, -6, 0, 0));
    ASSERT_EQ(dest.Width(), 5);
    EXPECT_EQ(dest.GetPixel(2, 2), clRed);

    // A bounding box beyond the bitmap limit raises and keeps Dest.
    const TBitmap source = Numbered(2, 2, pf24bit);
    EXPECT_THROW(MapBitmapToQuad(dest, bounds, {0, 0}, {40000, 0}, {40000, 5}, {0, 5}, source,
                                 TRect(0, 0, 2, 2), clRed),
                 Exception);
    EXPECT_EQ(dest.Width(), 5);

    // Dest may be the source itself.
    TBitmap self = Numbered(4, 4, pf24bit);
    const TBitmap original = self;
    MapBitmapToQuad(self, bounds, {4, 0}, {0, 0}, {0, 4}, {4, 4}, self, TRect(0, 0, 4, 4), clRed);
    for (int x = 0; x < 4; ++x)
        EXPECT_EQ(self.GetPixel(x, 1), original.GetPixel(3 - x, 1));
}
