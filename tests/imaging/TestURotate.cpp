#include "URotate.h"

#include "UMetafile.h"
#include "USafetyBitmap.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// A bitmap whose every pixel has its own colour.
TBitmap Numbered(int W, int H, TPixelFormat Format = pf24bit) {
    TBitmap b(W, H, Format);
    for (int y = 0; y < H; ++y)
        for (int x = 0; x < W; ++x)
            b.SetPixel(x, y, RGB(10 * x + 5, 10 * y + 5, 200));
    return b;
}

} // namespace

TEST(RotateBitmapSized, ZeroDegreesCopiesOrStretches) {
    const TBitmap source = Numbered(5, 3);
    TBitmap dest;
    RotateBitmapSized(source, dest, 0, clRed, TPoint(5, 3));
    ASSERT_EQ(dest.Width(), 5);
    ASSERT_EQ(dest.Height(), 3);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 5; ++x)
            EXPECT_EQ(dest.GetPixel(x, y), source.GetPixel(x, y)) << x << "," << y;

    // Twice the size: every source pixel becomes a 2 x 2 block.
    RotateBitmapSized(source, dest, 0, clRed, TPoint(10, 6));
    ASSERT_EQ(dest.Width(), 10);
    ASSERT_EQ(dest.Height(), 6);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 10; ++x)
            EXPECT_EQ(dest.GetPixel(x, y), source.GetPixel(x / 2, y / 2)) << x << "," << y;
}

TEST(RotateBitmapSized, QuarterTurnsAreExact) {
    for (TPixelFormat format : {pf8bit, pf24bit, pf32bit}) {
        const TBitmap source = Numbered(5, 3, format);
        const int w = 5, h = 3;
        struct Row {
            int Angle;
            int Width, Height;
            // Source pixel shown at destination (X, Y).
            std::function<TPoint(int, int)> From;
        } rows[] = {
            // Clockwise: the source's top-left corner goes to the top-right.
            {90, h, w, [&](int X, int Y) { return TPoint(Y, h - 1 - X); }},
            {180, w, h, [&](int X, int Y) { return TPoint(w - 1 - X, h - 1 - Y); }},
            {270, h, w, [&](int X, int Y) { return TPoint(w - 1 - Y, X); }},
            {-90, h, w, [&](int X, int Y) { return TPoint(w - 1 - Y, X); }},
        };
        for (const Row& r : rows) {
            SCOPED_TRACE(r.Angle);
            TBitmap dest;
            RotateBitmapSized(source, dest, r.Angle, clRed, TPoint(w, h));
            ASSERT_EQ(dest.Width(), r.Width);
            ASSERT_EQ(dest.Height(), r.Height);
            EXPECT_EQ(dest.PixelFormat(), format);
            for (int y = 0; y < r.Height; ++y)
                for (int x = 0; x < r.Width; ++x) {
                    const TPoint s = r.From(x, y);
                    EXPECT_EQ(dest.GetPixel(x, y), source.GetPixel(s.x, s.y))
                        << x << "," << y << " from " << s.x << "," << s.y;
                }
        }
    }
}

TEST(RotateBitmapSized, FortyFiveDegreesLeavesBackgroundCorners) {
    TBitmap source(20, 20);
    source.Fill(clBlue);
    TBitmap dest;
    RotateBitmapSized(source, dest, 45, clLime, TPoint(20, 20));
    // The corners (0,0), (14,14), (0,28), (-14,14): a box 28 x 28.
    ASSERT_EQ(dest.Width(), 28);
    ASSERT_EQ(dest.Height(), 28);
    for (const TPoint p : {TPoint(0, 0), TPoint(27, 0), TPoint(0, 27), TPoint(27, 27), TPoint(5, 5),
                           TPoint(22, 5), TPoint(5, 22), TPoint(22, 22)})
        EXPECT_EQ(dest.GetPixel(p.x, p.y), clLime) << p.x << "," << p.y;
    for (const TPoint p : {TPoint(14, 14), TPoint(14, 2), TPoint(2, 14), TPoint(25, 14),
                           TPoint(14, 25), TPoint(9, 9), TPoint(18, 18)})
        EXPECT_EQ(dest.GetPixel(p.x, p.y), clBlue) << p.x << "," << p.y;

    // The image's top-left corner lands on the first turned corner, the box's top middle:
    // the topmost image pixel there comes from the source's top-left corner.
    const TBitmap numbered = Numbered(20, 20);
    RotateBitmapSized(numbered, dest, 45, clLime, TPoint(20, 20));
    int top = 0;
    while (top < 28 && dest.GetPixel(14, top) == clLime)
        ++top;
    ASSERT_LT(top, 3);
    const TColor c = dest.GetPixel(14, top);
    EXPECT_TRUE(c == numbered.GetPixel(0, 0) || c == numbered.GetPixel(1, 0) ||
                c == numbered.GetPixel(0, 1))
        << std::hex << c;
    // The opposite corner of the box's bottom middle shows the source's bottom-right.
    int bottom = 27;
    while (bottom > 0 && dest.GetPixel(14, bottom) == clLime)
        --bottom;
    const TColor e = dest.GetPixel(14, bottom);
    EXPECT_TRUE(e == numbered.GetPixel(19, 19) || e == numbered.GetPixel(18, 19) ||
                e == numbered.GetPixel(19, 18))
        << std::hex << e;
}

TEST(RotateBitmapSized, RefusedFormatsLeaveDestAlone) {
    TBitmap source(8, 8, pf1bit);
    TBitmap dest(3, 2);
    dest.Fill(clYellow);
    RotateBitmapSized(source, dest, 30, clRed, TPoint(8, 8));
    EXPECT_EQ(dest.Width(), 3);
    EXPECT_EQ(dest.Height(), 2);
    EXPECT_EQ(dest.GetPixel(1, 1), clYellow);
}

namespace {

// 4 x 2, red (the transparent colour) at (0, 0), (3, 0) and (1, 1).
std::unique_ptr<TSafetyBitmap> TransparentGraphic() {
    TBitmap b = Numbered(4, 2);
    for (TPoint p : {TPoint(0, 0), TPoint(3, 0), TPoint(1, 1)})
        b.SetPixel(p.x, p.y, clRed);
    auto g = std::make_unique<TSafetyBitmap>(b);
    g->SetTransparentColor(clRed);
    g->SetTransparent(true);
    return g;
}

bool MaskBit(const TBitmap& Mask, int X, int Y) {
    return (Mask.ScanLine(Y)[X >> 3] & (0x80 >> (X & 7))) != 0;
}

} // namespace

TEST(RotateGraphic, QuarterTurnTurnsTheMaskWithThePicture) {
    const auto graphic = TransparentGraphic();
    const TSafetyBitmap& source = *graphic;
    TBitmap sourceMask;
    source.GetMask(sourceMask);
    TSafetyBitmap dest;
    RotateGraphic(source, dest, 90, TPoint(4, 2));
    ASSERT_EQ(dest.Width(), 2);
    ASSERT_EQ(dest.Height(), 4);
    EXPECT_TRUE(dest.Transparent());
    TBitmap mask;
    dest.GetMask(mask);
    ASSERT_EQ(mask.PixelFormat(), pf1bit);
    ASSERT_EQ(mask.Width(), 2);
    ASSERT_EQ(mask.Height(), 4);
    // Clockwise: source (x, y) shows at (1 - y, x).
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(dest.Bitmap().GetPixel(1 - y, x), source.Bitmap().GetPixel(x, y));
            EXPECT_EQ(MaskBit(mask, 1 - y, x), MaskBit(sourceMask, x, y)) << x << "," << y;
        }

    // Drawn over blue, the transparent pixels show the blue.
    TBitmap canvas(2, 4, pf24bit);
    canvas.Fill(clBlue);
    dest.Draw(canvas.Canvas(), Rect(0, 0, 2, 4));
    EXPECT_EQ(canvas.GetPixel(1, 0), clBlue);
    EXPECT_EQ(canvas.GetPixel(0, 1), clBlue);
    EXPECT_EQ(canvas.GetPixel(1, 1), source.Bitmap().GetPixel(1, 0));
}

TEST(RotateGraphic, ZeroDegreesKeepsPictureAndMaskInPlace) {
    const auto graphic = TransparentGraphic();
    TSafetyBitmap& g = *graphic;
    TBitmap before;
    g.GetMask(before);
    const TBitmap pixels = g.Bitmap();
    RotateGraphic(g, g, 0, TPoint(4, 2));
    TBitmap after;
    g.GetMask(after);
    ASSERT_EQ(g.Width(), 4);
    ASSERT_EQ(g.Height(), 2);
    EXPECT_TRUE(g.Transparent());
    for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(g.Bitmap().GetPixel(x, y), pixels.GetPixel(x, y));
            EXPECT_EQ(MaskBit(after, x, y), MaskBit(before, x, y)) << x << "," << y;
        }
}

TEST(RotateGraphic, UncoveredCornersBecomeTransparent) {
    TBitmap b(20, 20, pf24bit);
    b.Fill(clGreen);
    TSafetyBitmap g(b);
    g.SetTransparentColor(clRed);
    g.SetTransparent(true);
    TSafetyBitmap dest;
    RotateGraphic(g, dest, 45, TPoint(20, 20));
    TBitmap mask;
    dest.GetMask(mask);
    const int w = mask.Width(), h = mask.Height();
    ASSERT_GT(w, 20);
    EXPECT_TRUE(MaskBit(mask, 0, 0));
    EXPECT_TRUE(MaskBit(mask, w - 1, h - 1));
    EXPECT_FALSE(MaskBit(mask, w / 2, h / 2));
}

TEST(RotateGraphic, OpaqueGraphicTurnsOnWhite) {
    // A metafile becomes a white 24-bit bitmap when assigned; it turns like any opaque one.
    TMetafile m;
    m.SetSize(6, 4);
    {
        TMetafileCanvas c(m);
        c.Brush().SetColor(clNavy);
        c.FillRect(Rect(0, 0, 3, 2));
    }
    TSafetyBitmap g;
    g.Assign(&m);
    ASSERT_FALSE(g.Transparent());
    TSafetyBitmap dest;
    RotateGraphic(g, dest, 30, TPoint(6, 4));
    TBitmap expected;
    RotateBitmapSized(g.Bitmap(), expected, 30, clWhite, TPoint(6, 4));
    EXPECT_FALSE(dest.Transparent());
    ASSERT_EQ(dest.Width(), expected.Width());
    ASSERT_EQ(dest.Height(), expected.Height());
    for (int y = 0; y < expected.Height(); ++y)
        for (int x = 0; x < expected.Width(); ++x)
            ASSERT_EQ(dest.Bitmap().GetPixel(x, y), expected.GetPixel(x, y)) << x << "," << y;
    EXPECT_EQ(dest.Bitmap().GetPixel(0, 0), clWhite);
}

TEST(RotateGraphic, RefusedPixelFormatLeavesDestAlone) {
    TSafetyBitmap source(TBitmap(4, 4, pf1bit));
    TSafetyBitmap dest(Numbered(3, 3));
    RotateGraphic(source, dest, 90, TPoint(4, 4));
    EXPECT_EQ(dest.Width(), 3);
    EXPECT_EQ(dest.Bitmap().GetPixel(1, 1), Numbered(3, 3).GetPixel(1, 1));
}
