#include "UBitmap.h"
#include "UException.h"

#include <gtest/gtest.h>

TEST(Bitmap, RowsAreDwordAlignedForEveryFormat) {
    struct Row {
        TPixelFormat Format;
        int Width, Stride;
    } rows[] = {
        {pf1bit, 1, 4},  {pf1bit, 33, 8}, {pf4bit, 9, 8},   {pf8bit, 5, 8},   {pf15bit, 3, 8},
        {pf16bit, 2, 4}, {pf24bit, 1, 4}, {pf24bit, 5, 16}, {pf32bit, 3, 12},
    };
    for (const Row& r : rows) {
        TBitmap b(r.Width, 2, r.Format);
        EXPECT_EQ(b.BytesPerLine(), r.Stride) << r.Format << " " << r.Width;
        EXPECT_EQ(b.ScanLine(1) - b.ScanLine(0), r.Stride);
    }
}

TEST(Bitmap, CopiesShareUntilWritten) {
    TBitmap a(4, 4, pf24bit);
    a.Fill(clRed);
    TBitmap b = a;
    EXPECT_TRUE(b.SharesImageWith(a));
    b.SetPixel(1, 1, clBlue);
    EXPECT_FALSE(b.SharesImageWith(a));
    EXPECT_EQ(a.GetPixel(1, 1), clRed);
    EXPECT_EQ(b.GetPixel(1, 1), clBlue);
}

TEST(Bitmap, GrowingFillsTheNewAreaWithTheFillColour) {
    TBitmap b(2, 2, pf24bit);
    b.Fill(clRed);
    b.FillColor = clLime;
    b.SetSize(3, 4);
    EXPECT_EQ(b.GetPixel(1, 1), clRed);
    EXPECT_EQ(b.GetPixel(2, 0), clLime);
    EXPECT_EQ(b.GetPixel(0, 3), clLime);
    b.SetSize(1, 1);
    EXPECT_EQ(b.GetPixel(0, 0), clRed);
    EXPECT_EQ(b.GetPixel(1, 0), clNone);
    EXPECT_THROW(b.SetSize(32768, 1), Exception);
    EXPECT_THROW(b.SetSize(-1, 1), Exception);
}

TEST(Bitmap, ConvertsBetweenFormatsKeepingRepresentableColours) {
    const TColor colours[] = {clBlack, clWhite, clRed, clLime, clBlue, clGray, clNavy};
    for (TPixelFormat f : {pf4bit, pf8bit, pf24bit, pf32bit, pf16bit, pf15bit}) {
        TBitmap b(7, 3, pf24bit);
        for (int x = 0; x < 7; ++x)
            b.SetPixel(x, 1, colours[x]);
        b.SetPixelFormat(f);
        b.SetPixelFormat(pf24bit);
        for (int x = 0; x < 7; ++x) {
            const TColor c = b.GetPixel(x, 1);
            // 5-bit channels lose the low bits of 0x80 but keep 0 and 0xFF exact.
            for (int shift : {0, 8, 16})
                EXPECT_NEAR((c >> shift) & 0xFF, (colours[x] >> shift) & 0xFF, 8) << f << " " << x;
        }
    }
    TBitmap m(10, 1, pf24bit); // new bitmaps start in the fill colour, white
    EXPECT_EQ(m.GetPixel(4, 0), clWhite);
    m.Fill(clBlack);
    m.SetPixel(9, 0, clWhite);
    m.SetPixelFormat(pf1bit);
    EXPECT_EQ(m.ScanLine(0)[1], 0x40); // pixel 9: second byte, second bit from the top
}

TEST(Bitmap, AutomaticTransparentColourIsBottomLeft) {
    TBitmap b(3, 3, pf24bit);
    b.Fill(clWhite);
    b.SetPixel(0, 2, clFuchsia);
    EXPECT_EQ(b.GetTransparentColor(), clFuchsia);
    b.SetTransparentColor(clRed);
    EXPECT_EQ(b.TransparentMode, tmFixed);
    EXPECT_EQ(b.GetTransparentColor(), clRed);
}

TEST(Bitmap, QImageViewsShareThePixels) {
    for (TPixelFormat f : {pf24bit, pf32bit, pf16bit}) {
        TBitmap b(5, 4, f);
        b.Fill(clWhite);
        QImage view = b.View();
        view.setPixel(2, 3, qRgb(255, 0, 0));
        EXPECT_EQ(b.GetPixel(2, 3), clRed) << f;
        EXPECT_EQ(b.ToQImage().pixel(2, 3), qRgb(255, 0, 0));
    }
    const TBitmap back = TBitmap::FromQImage(TBitmap(2, 2, pf24bit).ToQImage(), pf8bit);
    EXPECT_EQ(back.PixelFormat(), pf8bit);
    EXPECT_EQ(back.GetPixel(1, 1), clWhite);
}
