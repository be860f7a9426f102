#include "UBlender.h"

#include <gtest/gtest.h>

#include <random>
#include <vector>

namespace {

// d + ((s - d) * a) div 255, the quotient truncated toward zero.
int Mix(int D, int S, int A) {
    return D + (S - D) * A / 255;
}

TBitmap Filled(int W, int H, TPixelFormat F, TColor C) {
    TBitmap b(W, H, F);
    b.Fill(C);
    return b;
}

TBitmap Alpha(int W, int H, uint8_t A) {
    TBitmap b(W, H, pf8bit);
    for (int y = 0; y < H; ++y)
        std::fill_n(b.ScanLine(y), W, A);
    return b;
}

struct TRecordingProgress : TPhasedProgressBase {
    int Steps = 0;
    int Begins = 0;
    int Ends = 0;
    int LastMax = -1;
    void SetPosition(int) override { ++Steps; }
    void SetRange(int, int, int) override {}
    void BeginPhase(int Min, int Max) override {
        ++Begins;
        LastMax = Max;
        TPhasedProgressBase::BeginPhase(Min, Max);
    }
    void EndPhase() override {
        ++Ends;
        TPhasedProgressBase::EndPhase();
    }
};

} // namespace

// Every source and destination byte under several alphas, against the formula.
TEST(Blender, MixesEveryPairByTheFormula) {
    TBitmap dest(256, 256, pf24bit), source(256, 256, pf24bit);
    for (int a : {0, 1, 77, 128, 200, 254, 255}) {
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x) {
                std::fill_n(dest.ScanLine(y) + 3 * x, 3, static_cast<uint8_t>(y));
                std::fill_n(source.ScanLine(y) + 3 * x, 3, static_cast<uint8_t>(x));
            }
        const TBitmap alpha = Alpha(256, 256, static_cast<uint8_t>(a));
        TGRBlendAlphaMap b;
        b.Dest = &dest;
        b.DestRect = TRect(0, 0, 256, 256);
        b.Source = &source;
        b.SourceRect = b.DestRect;
        b.AlphaMap = &alpha;
        b.AlphaRect = b.DestRect;
        ASSERT_TRUE(b.CanBlend());
        b.Blend();
        for (int y = 0; y < 256; ++y)
            for (int x = 0; x < 256; ++x)
                ASSERT_EQ(dest.ScanLine(y)[3 * x + 1], Mix(y, x, a)) << a << " " << x << " " << y;
    }
}

TEST(Blender, RatioScalesAlpha) {
    struct TCase {
        int Ratio, Alpha, Row;
    };
    // MulDiv rounds: 255 * 50 / 100 = 127.5 -> 128.
    const TCase cases[] = {{50, 255, 128}, {100, 200, 200}, {150, 200, 200}, {-5, 255, 0},
                           {0, 255, 0},    {33, 100, 33},   {1, 255, 3}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Ratio);
        TBitmap dest = Filled(4, 2, pf32bit, clBlack);
        const TBitmap source = Filled(4, 2, pf32bit, clWhite);
        const TBitmap alpha = Alpha(4, 2, static_cast<uint8_t>(c.Alpha));
        TGRBlendAlphaMapRatio b;
        b.Dest = &dest;
        b.DestRect = TRect(0, 0, 4, 2);
        b.Source = &source;
        b.SourceRect = b.DestRect;
        b.AlphaMap = &alpha;
        b.AlphaRect = b.DestRect;
        b.Ratio = c.Ratio;
        b.Blend();
        EXPECT_EQ(dest.ScanLine(1)[2], Mix(0, 255, c.Row));
    }
}

TEST(Blender, ClippedRectanglesStayAligned) {
    std::mt19937 rng(4);
    TBitmap dest(10, 8, pf24bit), source(6, 6, pf24bit);
    for (TBitmap* b : {&dest, &source})
        for (int y = 0; y < b->Height(); ++y)
            for (int i = 0; i < b->Width() * 3; ++i)
                b->ScanLine(y)[i] = static_cast<uint8_t>(rng());
    TBitmap alpha(7, 7, pf8bit);
    for (int y = 0; y < 7; ++y)
        for (int x = 0; x < 7; ++x)
            alpha.ScanLine(y)[x] = static_cast<uint8_t>(rng());
    const TBitmap before = dest;
    // Dest rectangle sticks out at the right; the source rectangle at the top.
    TGRBlendAlphaMap b;
    b.Dest = &dest;
    b.DestRect = TRect(6, 2, 12, 8);
    b.Source = &source;
    b.SourceRect = TRect(0, -2, 6, 4);
    b.AlphaMap = &alpha;
    b.AlphaRect = TRect(1, 1, 7, 7);
    b.Blend();
    for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 10; ++x)
            for (int c = 0; c < 3; ++c) {
                const int d = before.ScanLine(y)[3 * x + c];
                const bool inside = x >= 6 && y >= 4; // y - 2 - 2 >= 0 on the source side
                const int expected = inside ? Mix(d, source.ScanLine(y - 4)[3 * (x - 6) + c],
                                                  alpha.ScanLine(y - 1)[x - 5])
                                            : d;
                ASSERT_EQ(dest.ScanLine(y)[3 * x + c], expected) << x << "," << y;
            }
}

TEST(Blender, NothingBlendsWhenTheRulesAreNotMet) {
    const TBitmap source = Filled(4, 4, pf24bit, clWhite);
    const TBitmap alpha = Alpha(4, 4, 255);
    auto attempt = [&](TBitmap& dest, const TBitmap& src, const TBitmap& a, TRect AlphaRect,
                       TRect SourceRect) {
        TGRBlendAlphaMap b;
        b.Dest = &dest;
        b.DestRect = TRect(0, 0, 4, 4);
        b.Source = &src;
        b.SourceRect = SourceRect;
        b.AlphaMap = &a;
        b.AlphaRect = AlphaRect;
        b.Blend();
        return dest.GetPixel(1, 1);
    };
    TBitmap dest = Filled(4, 4, pf24bit, clBlack);
    TBitmap dest32 = Filled(4, 4, pf32bit, clBlack);
    const TBitmap alpha24 = Filled(4, 4, pf24bit, clWhite);
    const TRect all(0, 0, 4, 4);
    EXPECT_EQ(attempt(dest32, source, alpha, all, all), clBlack);             // formats differ
    EXPECT_EQ(attempt(dest, source, alpha24, all, all), clBlack);             // alpha not 8-bit
    EXPECT_EQ(attempt(dest, source, alpha, TRect(1, 0, 5, 4), all), clBlack); // alpha outside
    EXPECT_EQ(attempt(dest, source, alpha, TRect(0, 0, 3, 3), all), clBlack); // sizes differ
    EXPECT_EQ(attempt(dest, source, alpha, all, TRect(0, 0, 2, 4)), clBlack);
    TBitmap dest16 = Filled(4, 4, pf16bit, clBlack);
    const TBitmap source16 = Filled(4, 4, pf16bit, clWhite);
    EXPECT_EQ(attempt(dest16, source16, alpha, all, all), clBlack);
    EXPECT_EQ(attempt(dest, source, alpha, all, all), clWhite);
}

TEST(Blender, FourthByteAndProgress) {
    TBitmap dest = Filled(3, 130, pf32bit, clBlack);
    for (int y = 0; y < 130; ++y)
        dest.ScanLine(y)[3] = 0x5A;
    TBitmap source = Filled(3, 130, pf32bit, clWhite);
    for (int y = 0; y < 130; ++y)
        source.ScanLine(y)[3] = 0xA5;
    const TBitmap alpha = Alpha(3, 130, 100);
    TRecordingProgress progress;
    TGRBlendAlphaMap b;
    b.Dest = &dest;
    b.DestRect = TRect(0, 0, 3, 130);
    b.Source = &source;
    b.SourceRect = b.DestRect;
    b.AlphaMap = &alpha;
    b.AlphaRect = b.DestRect;
    b.Progress = &progress;
    b.Blend();
    EXPECT_EQ(dest.ScanLine(7)[3], 0x5A);
    EXPECT_EQ(dest.ScanLine(7)[0], Mix(0, 255, 100));
    EXPECT_EQ(progress.Begins, 1);
    EXPECT_EQ(progress.Ends, 1);
    EXPECT_EQ(progress.LastMax, 130 / 64 + 1);
    EXPECT_EQ(progress.Steps, 3); // rows 0, 64 and 128
}

TEST(Blender, BlurBitmapBlursBothDirections) {
    TBitmap b = Filled(21, 21, pf8bit, clBlack);
    std::fill_n(b.ScanLine(10), 21, 0);
    b.ScanLine(10)[10] = 255;
    BlurBitmap(b, 3);
    EXPECT_GT(b.ScanLine(10)[12], 0);
    EXPECT_GT(b.ScanLine(12)[10], 0);
    EXPECT_EQ(b.ScanLine(10)[12], b.ScanLine(10)[8]);
}
