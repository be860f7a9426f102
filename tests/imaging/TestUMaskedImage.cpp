#include "UMaskedImage.h"

#include <gtest/gtest.h>

namespace {

// A 4 x 3 picture: the middle row white, the rest coloured.
TBitmap Sprite(TPixelFormat Format) {
    TBitmap b(4, 3, pf24bit);
    for (int x = 0; x < 4; ++x) {
        b.SetPixel(x, 0, RGB(0, 0, 128 + x));
        b.SetPixel(x, 1, clWhite);
        b.SetPixel(x, 2, RGB(0, 128, 0));
    }
    b.SetPixelFormat(Format);
    return b;
}

TBitmap Red(int W, int H) {
    TBitmap b(W, H);
    b.Fill(clRed);
    return b;
}

} // namespace

TEST(MaskedImage, TransparentPixelsShowTheBackground) {
    for (TPixelFormat f : {pf24bit, pf32bit, pf16bit}) {
        const TBitmap sprite = Sprite(f);
        TMaskedImage masked;
        masked.Invalidate();
        masked.Update(sprite, clWhite);
        TBitmap target = Red(4, 3);
        target.Canvas().SetStretchBltMode(HALFTONE);
        target.Canvas().SetBkColor(clYellow);
        target.Canvas().SetTextColor(clBlue);
        masked.Draw(target.Canvas(), Rect(0, 0, 4, 3));
        // The modes and colours the draw sets are put back.
        EXPECT_EQ(target.Canvas().GetStretchBltMode(), HALFTONE);
        EXPECT_EQ(target.Canvas().GetBkColor(), clYellow);
        EXPECT_EQ(target.Canvas().GetTextColor(), clBlue);
        for (int x = 0; x < 4; ++x) {
            EXPECT_EQ(target.GetPixel(x, 1), clRed) << f;
            EXPECT_EQ(target.GetPixel(x, 0), sprite.GetPixel(x, 0)) << f;
            EXPECT_EQ(target.GetPixel(x, 2), sprite.GetPixel(x, 2)) << f;
        }
        EXPECT_EQ(target.Canvas().CopyMode(), SRCCOPY); // put back
    }
}

TEST(MaskedImage, MaskAndImageStretchAlikeAndMatchAColourKeyBlit) {
    const TBitmap sprite = Sprite(pf24bit);
    TMaskedImage masked;
    masked.Invalidate();
    masked.Update(sprite, clWhite);
    TBitmap viaMask = Red(11, 7), viaKey = Red(11, 7);
    masked.Draw(viaMask.Canvas(), Rect(1, 1, 10, 7));
    TBitmap keyed = sprite;
    keyed.Transparent = true;
    keyed.SetTransparentColor(clWhite);
    viaKey.Canvas().StretchDraw(Rect(1, 1, 10, 7), keyed);
    int red = 0;
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 11; ++x) {
            ASSERT_EQ(viaMask.GetPixel(x, y), viaKey.GetPixel(x, y)) << x << "," << y;
            red += viaMask.GetPixel(x, y) == clRed;
        }
    EXPECT_GT(red, 11 + 2 * 6); // the border and the transparent band
}

TEST(MaskedImage, EightBitPalettes) {
    TBitmap pal(3, 1, pf8bit);
    std::vector<TRGBQuad> table(256, TRGBQuad{0, 0, 0, 0});
    table[1] = TRGBQuad{0, 0, 255, 0};     // red
    table[2] = TRGBQuad{255, 255, 255, 0}; // white
    table[3] = TRGBQuad{255, 255, 255, 0}; // white again
    pal.SetColorTable(table);
    pal.ScanLine(0)[0] = 1;
    pal.ScanLine(0)[1] = 2;
    pal.ScanLine(0)[2] = 3;
    TBitmap mask;
    TMaskedImage::MakeMask(pal, mask, clWhite);
    EXPECT_EQ(mask.PixelFormat(), pf1bit);
    EXPECT_EQ(mask.GetPixel(0, 0), clBlack);
    EXPECT_EQ(mask.GetPixel(1, 0), clWhite);
    EXPECT_EQ(mask.GetPixel(2, 0), clWhite); // every entry of the key colour counts
    // A palette without the exact colour: nothing is transparent.
    TMaskedImage::MakeMask(pal, mask, RGB(254, 255, 255));
    for (int x = 0; x < 3; ++x)
        EXPECT_EQ(mask.GetPixel(x, 0), clBlack);
}

TEST(MaskedImage, SystemColourIndexComparesByLowBits) {
    TBitmap b(2, 1);
    b.SetPixel(0, 0, RGB(0x0F, 0, 0)); // 0x00000F
    b.SetPixel(1, 0, ColorToRGB(clBtnFace));
    TBitmap mask;
    TMaskedImage::MakeMask(b, mask, clBtnFace); // 0x8000000F: low 24 bits 0x00000F
    EXPECT_EQ(mask.GetPixel(0, 0), clWhite);
    EXPECT_EQ(mask.GetPixel(1, 0), clBlack);
}

TEST(MaskedImage, AnExplicitMaskHoldsUntilTheBitmapChanges) {
    const TBitmap sprite = Sprite(pf24bit);
    TMaskedImage masked;
    masked.Invalidate();
    masked.Update(sprite, clWhite);
    TBitmap own(4, 3, pf1bit);
    own.Fill(clBlack);
    own.SetPixel(0, 0, clWhite); // only the top-left pixel is transparent
    masked.SetMask(own);
    EXPECT_FALSE(masked.MaskStale);
    EXPECT_TRUE(masked.ImageStale);
    masked.Update(sprite, clWhite);
    TBitmap target = Red(4, 3);
    masked.Draw(target.Canvas(), Rect(0, 0, 4, 3));
    EXPECT_EQ(target.GetPixel(0, 0), clRed);
    EXPECT_EQ(target.GetPixel(1, 1), clWhite); // opaque white now
    TBitmap got;
    masked.GetMask(got);
    EXPECT_TRUE(got.SharesImageWith(own));

    masked.Invalidate(); // the bitmap changed: the mask comes from the colour again
    masked.Update(sprite, clWhite);
    TBitmap again = Red(4, 3);
    masked.Draw(again.Canvas(), Rect(0, 0, 4, 3));
    EXPECT_EQ(again.GetPixel(0, 0), sprite.GetPixel(0, 0));
    EXPECT_EQ(again.GetPixel(1, 1), clRed);

    TMaskedImage copy;
    copy.Assign(masked);
    EXPECT_TRUE(copy.Mask().SharesImageWith(masked.Mask()));
}
