#include "UEffects.h"

#include <gtest/gtest.h>

#include <cmath>
#include <random>
#include <vector>

namespace {

TBitmap RandomBitmap(int W, int H, TPixelFormat F, uint32_t Seed) {
    std::mt19937 rng(Seed);
    TBitmap b(W, H, F);
    const int n = W * (F == pf32bit ? 4 : 3);
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < n; ++i)
            b.ScanLine(y)[i] = static_cast<uint8_t>(rng());
    return b;
}

int BytesOf(const TBitmap& B) {
    return B.PixelFormat() == pf32bit ? 4 : 3;
}

int Byte(const TBitmap& B, int X, int Y, int C) {
    return B.ScanLine(Y)[X * BytesOf(B) + C];
}

// Plain 3 x 3 box with replicated edges: (2 s + 9) div 18, capped.
TBitmap ReferenceBlur(const TBitmap& In) {
    TBitmap out = In;
    const int w = In.Width(), h = In.Height();
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            for (int c = 0; c < 3; ++c) {
                int s = 0;
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        s +=
                            Byte(In, std::clamp(x + dx, 0, w - 1), std::clamp(y + dy, 0, h - 1), c);
                out.ScanLine(y)[x * BytesOf(In) + c] =
                    static_cast<uint8_t>(std::min((2 * s + 9) / 18, 255));
            }
    return out;
}

TBitmap Crop(const TBitmap& B, const TRect& R) {
    TBitmap out(R.Width(), R.Height(), B.PixelFormat());
    const int bytes = BytesOf(B);
    for (int y = 0; y < R.Height(); ++y)
        std::memcpy(out.ScanLine(y), B.ScanLine(R.Top + y) + R.Left * bytes, R.Width() * bytes);
    return out;
}

bool SameColours(const TBitmap& A, const TBitmap& B) {
    if (A.Width() != B.Width() || A.Height() != B.Height())
        return false;
    for (int y = 0; y < A.Height(); ++y)
        for (int x = 0; x < A.Width(); ++x)
            for (int c = 0; c < 3; ++c)
                if (Byte(A, x, y, c) != Byte(B, x, y, c))
                    return false;
    return true;
}

// HSL from the rules, in extended precision as the effect computes it (ties at exact byte
// boundaries depend on it).
void ReferenceTint(int R, int G, int B, int L, int Out[3]) {
    using F = long double;
    const F r = R / F(255), g = G / F(255), b = B / F(255);
    const F mx = std::max({r, g, b}), mn = std::min({r, g, b});
    F h = 0, s = 0;
    const F l = (mx + mn) / 2;
    if (mx != mn) {
        const F d = mx - mn;
        s = l <= F(0.5) ? d / (mx + mn) : d / (2 - mx - mn);
        h = mx == r ? (g - b) / d : mx == g ? 2 + (b - r) / d : 4 + (r - g) / d;
        h *= 60;
        if (h < 0)
            h += 360;
    }
    const F L2 = L / F(255);
    if (s == 0) {
        Out[0] = Out[1] = Out[2] = static_cast<int>(L2 * 255);
        return;
    }
    const F m2 = L2 <= F(0.5) ? L2 * (1 + s) : L2 + s - L2 * s, m1 = 2 * L2 - m2;
    auto v = [&](F hh) {
        if (hh < 0)
            hh += 360;
        if (hh >= 360)
            hh -= 360;
        if (hh < 60)
            return m1 + (m2 - m1) * hh / 60;
        if (hh < 180)
            return m2;
        if (hh < 240)
            return m1 + (m2 - m1) * (240 - hh) / 60;
        return m1;
    };
    Out[0] = static_cast<int>(v(h + 120) * 255);
    Out[1] = static_cast<int>(v(h) * 255);
    Out[2] = static_cast<int>(v(h - 120) * 255);
}

struct TCountingProgress : TPhasedProgressBase {
    int Steps = 0;
    void SetPosition(int) override { ++Steps; }
    void SetRange(int, int, int) override {}
};

} // namespace

TEST(Effects, BrightnessContrastTable) {
    struct TCase {
        int Brightness, Contrast;
    };
    const TCase cases[] = {{0, 0}, {20, 0}, {-30, 40}, {10, -50}, {0, 100}, {150, -150}, {-40, 99}};
    TBitmap source(256, 1, pf24bit);
    for (int i = 0; i < 256; ++i)
        std::fill_n(source.ScanLine(0) + 3 * i, 3, static_cast<uint8_t>(i));
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.Brightness << " " << c.Contrast);
        TBitmap dest;
        TGREffectBrightnessContrast e;
        e.Source = &source;
        e.Dest = &dest;
        e.Rect = TRect(0, 0, 256, 1);
        e.Brightness = c.Brightness;
        e.Contrast = c.Contrast;
        e.Execute();
        using F = long double;
        const F b = std::clamp(c.Brightness / F(100), F(-1), F(1));
        const F k = std::clamp(c.Contrast / F(100), F(-1), F(1));
        for (int i = 0; i < 256; ++i) {
            F v = i / F(255) + b;
            v = k < 0   ? (v - F(0.5)) * (k + 1) + F(0.5)
                : k < 1 ? (v - F(0.5)) / (1 - k) + F(0.5)
                        : F(v >= F(0.5));
            const int expected = std::clamp(static_cast<int>(std::trunc(v * 255 + F(0.5))), 0, 255);
            ASSERT_EQ(Byte(dest, i, 0, 1), expected) << i;
            if (c.Brightness == 0 && c.Contrast == 0) {
                ASSERT_EQ(Byte(dest, i, 0, 0), i);
            }
            if (c.Contrast == 100) {
                ASSERT_TRUE(Byte(dest, i, 0, 2) == 0 || Byte(dest, i, 0, 2) == 255);
            }
        }
    }
}

TEST(Effects, MonoTone) {
    const TBitmap source = RandomBitmap(40, 9, pf32bit, 1);
    for (TColor ref : {RGB(200, 100, 50), RGB(128, 128, 128), RGB(10, 240, 90), RGB(0, 0, 255)}) {
        SCOPED_TRACE(ref);
        TBitmap dest(40, 9, pf32bit);
        dest.Fill(clBlack);
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 40; ++x)
                dest.ScanLine(y)[4 * x + 3] = 0x77;
        TGREffectMonoTone e;
        e.Source = &source;
        e.Dest = &dest;
        e.Rect = TRect(0, 0, 40, 9);
        e.RefColor = ref;
        e.Execute();
        for (int y = 0; y < 9; ++y)
            for (int x = 0; x < 40; ++x) {
                const int lum = (29 * Byte(source, x, y, 0) + 150 * Byte(source, x, y, 1) +
                                 77 * Byte(source, x, y, 2)) >>
                                8;
                int rgb[3];
                ReferenceTint(GetRValue(ref), GetGValue(ref), GetBValue(ref), lum, rgb);
                ASSERT_EQ(Byte(dest, x, y, 2), rgb[0]);
                ASSERT_EQ(Byte(dest, x, y, 1), rgb[1]);
                ASSERT_EQ(Byte(dest, x, y, 0), rgb[2]);
                if (GetRValue(ref) == GetGValue(ref) && GetGValue(ref) == GetBValue(ref)) {
                    ASSERT_EQ(Byte(dest, x, y, 0), lum); // grey gives the luminance itself
                }
                ASSERT_EQ(dest.ScanLine(y)[4 * x + 3], 0x77); // fourth byte untouched
            }
    }
}

TEST(Effects, BlurPasses) {
    const TBitmap source = RandomBitmap(30, 20, pf24bit, 2);
    const TRect rect(3, 2, 25, 19);
    TBitmap expected = Crop(source, rect);
    for (int passes = 1; passes <= 3; ++passes) {
        SCOPED_TRACE(passes);
        expected = ReferenceBlur(expected);
        TBitmap dest;
        TGREffectBlur e;
        e.Source = &source;
        e.Dest = &dest;
        e.Rect = rect;
        e.Count = passes;
        e.Execute();
        EXPECT_EQ(dest.PixelFormat(), pf24bit);
        EXPECT_TRUE(SameColours(dest, expected));
    }
    // A count below 2 is one pass; one-pixel-wide and one-pixel-high rectangles are kept.
    TBitmap dest;
    TGREffectBlur e;
    e.Source = &source;
    e.Dest = &dest;
    e.Count = -4;
    for (TRect r : {TRect(5, 0, 6, 20), TRect(0, 7, 30, 8), TRect(3, 3, 4, 4)}) {
        e.Rect = r;
        e.Execute();
        TBitmap line = Crop(source, r);
        if (r.Width() == 1 || r.Height() == 1) {
            // Along the line the blur still averages; across it the edge is replicated.
            EXPECT_TRUE(SameColours(dest, ReferenceBlur(line)));
        }
    }
    e.Rect = TRect(3, 3, 4, 4);
    e.Execute();
    EXPECT_TRUE(SameColours(dest, Crop(source, TRect(3, 3, 4, 4))));
}

TEST(Effects, UnsharpMask) {
    const TBitmap source = RandomBitmap(17, 13, pf32bit, 3);
    const TRect rect(0, 0, 17, 13);
    for (double amount : {0.2, 2.0, 2.5, 3.4}) {
        SCOPED_TRACE(amount);
        TBitmap blurred = source;
        const int passes = std::max(1, static_cast<int>(std::nearbyint(amount)));
        for (int i = 0; i < passes; ++i)
            blurred = ReferenceBlur(blurred);
        TBitmap dest;
        TGREffectUnsharpMask e;
        e.Source = &source;
        e.Dest = &dest;
        e.Rect = rect;
        e.Amount = amount;
        e.Execute();
        for (int y = 0; y < 13; ++y)
            for (int x = 0; x < 17; ++x)
                for (int c = 0; c < 3; ++c)
                    ASSERT_EQ(
                        Byte(dest, x, y, c),
                        std::clamp(2 * Byte(source, x, y, c) - Byte(blurred, x, y, c), 0, 255));
    }
}

TEST(Effects, ColorChange) {
    TBitmap source(4, 2, pf24bit);
    source.Fill(clRed);
    source.SetPixel(1, 1, clBlue);
    TBitmap dest;
    TGREffectColorChange e;
    e.Source = &source;
    e.Dest = &dest;
    e.Rect = TRect(0, 0, 4, 2);
    e.FromColor = clRed;
    e.ToColor = clBtnFace; // a system colour, resolved
    e.Execute();
    EXPECT_EQ(dest.GetPixel(0, 0), ColorToRGB(clBtnFace));
    EXPECT_EQ(dest.GetPixel(1, 1), clBlue);

    // 32-bit: the whole pixel must match; non-zero fourth bytes change nothing.
    TBitmap source32(3, 1, pf32bit);
    source32.Fill(clRed);
    for (int x = 0; x < 3; ++x)
        source32.ScanLine(0)[4 * x + 3] = x == 0 ? 0 : 9;
    TBitmap dest32;
    e.Source = &source32;
    e.Dest = &dest32;
    e.Rect = TRect(0, 0, 3, 1);
    e.ToColor = clLime;
    e.Execute();
    EXPECT_EQ(dest32.GetPixel(0, 0), clLime);
    EXPECT_EQ(dest32.ScanLine(0)[3], 0);
    EXPECT_EQ(dest32.GetPixel(1, 0), clRed);
    EXPECT_EQ(dest32.ScanLine(0)[4 + 3], 9);
}

TEST(Effects, ProgressAndRefusals) {
    const TBitmap source = RandomBitmap(5, 130, pf24bit, 4);
    TBitmap dest;
    TCountingProgress progress;
    TGREffectBrightnessContrast e;
    e.Source = &source;
    e.Dest = &dest;
    e.Rect = TRect(0, 0, 5, 130);
    e.Progress = &progress;
    e.Brightness = 10;
    e.Execute();
    EXPECT_EQ(progress.Steps, 4); // the table, rows 0, 64 and 128
    EXPECT_EQ(progress.Level(), 0);
    EXPECT_EQ(progress.Total(), 0);

    TGREffectUnsharpMask u;
    u.Source = &source;
    u.Dest = &dest;
    u.Rect = e.Rect;
    u.Progress = &progress;
    u.Amount = 2;
    u.Execute();
    EXPECT_EQ(progress.Level(), 0);

    // An 8-bit source, a rectangle outside the source, or no destination: nothing happens.
    TBitmap grey(8, 8, pf8bit);
    TBitmap untouched(2, 2, pf24bit);
    untouched.Fill(clGreen);
    e.Progress = nullptr;
    e.Dest = &untouched;
    e.Source = &grey;
    e.Rect = TRect(0, 0, 8, 8);
    e.Execute();
    e.Source = &source;
    e.Rect = TRect(0, 0, 6, 130);
    e.Execute();
    e.Rect = TRect(2, 2, 2, 5);
    e.Execute();
    EXPECT_EQ(untouched.Width(), 2);
    EXPECT_EQ(untouched.GetPixel(1, 1), clGreen);
    e.Dest = nullptr;
    e.Rect = TRect(0, 0, 5, 130);
    e.Execute();

    // Source and destination may be one bitmap.
    TBitmap self = RandomBitmap(12, 12, pf24bit, 5);
    const TBitmap original = self;
    TGREffectBlur b;
    b.Source = &self;
    b.Dest = &self;
    b.Rect = TRect(0, 0, 12, 12);
    b.Count = 2;
    b.Execute();
    EXPECT_TRUE(SameColours(self, ReferenceBlur(ReferenceBlur(original))));
}
