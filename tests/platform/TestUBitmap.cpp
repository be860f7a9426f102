#include "UBitmap.h"
#include "UException.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

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

// The cell lookup answers exactly what the plain nearest-colour search answers, ties
// included, for the default tables and for a table full of repeats and near neighbours.
TEST(Bitmap, NearestColourLookupMatchesThePlainSearch) {
    std::vector<TRGBQuad> crowded;
    std::mt19937 rng(5);
    for (int i = 0; i < 256; ++i) {
        const uint8_t base = static_cast<uint8_t>(rng() & 0xF0);
        crowded.push_back({static_cast<uint8_t>(base + rng() % 3), base,
                           static_cast<uint8_t>(i % 7 == 0 ? 0 : rng() & 255), 0});
    }
    for (const std::vector<TRGBQuad>& table : {DefaultColorTable(pf8bit), DefaultColorTable(pf4bit),
                                               DefaultColorTable(pf1bit), crowded}) {
        TNearestColorLookup lookup(table);
        for (int r = 0; r < 256; r += 5)
            for (int g = 1; g < 256; g += 6)
                for (int b = 2; b < 256; b += 7) {
                    const TColor c = RGB(r, g, b);
                    ASSERT_EQ(lookup.IndexOf(c), NearestColorIndex(c, table))
                        << r << "," << g << "," << b << " of " << table.size();
                }
    }
    // Converting a picture to 8 bits gives every pixel the plain search's index.
    TBitmap b(61, 37, pf24bit);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61 * 3; ++x)
            b.ScanLine(y)[x] = static_cast<uint8_t>(rng() & 255);
    TBitmap indexed = b;
    indexed.SetPixelFormat(pf8bit);
    for (int y = 0; y < 37; ++y)
        for (int x = 0; x < 61; ++x)
            ASSERT_EQ(indexed.ScanLine(y)[x],
                      NearestColorIndex(b.GetPixel(x, y), indexed.ColorTable()));
}

TEST(Bitmap, SizeForOverwriteClearsOnlyTheRowPadding) {
    TBitmap b(3, 2, pf24bit);
    b.Fill(clRed);
    b.SetSizeForOverwrite(5, 4);
    EXPECT_EQ(b.Width(), 5);
    EXPECT_EQ(b.Height(), 4);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    ASSERT_EQ(b.BytesPerLine(), 16);
    for (int y = 0; y < 4; ++y)
        EXPECT_EQ(b.ScanLine(y)[15], 0) << y;
    b.SetSizeForOverwrite(0, 7);
    EXPECT_TRUE(b.Empty());
    EXPECT_THROW(b.SetSizeForOverwrite(MaxBitmapSide + 1, 1), Exception);
}
