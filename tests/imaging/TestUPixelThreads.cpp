#include "UPixelThreads.h"

#include "UBlender.h"
#include "UEffects.h"
#include "UFixedStretch.h"
#include "UGaussBlur.h"
#include "UQuadMap.h"
#include "URotate.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <random>
#include <stdexcept>
#include <vector>

// Every engine that shares its rows among threads gives the same bytes on one thread and on
// several, whatever the number of bands. The pictures are small and of odd sizes; the
// minimum work is set to 0 so that they are cut into bands at all.
namespace {

std::vector<uint8_t> Bytes(const TBitmap& B) {
    std::vector<uint8_t> out;
    const int rowBytes = (B.Width() * BitsPerPixelOf(B.PixelFormat()) + 7) / 8;
    for (int y = 0; y < B.Height(); ++y)
        out.insert(out.end(), B.ScanLine(y), B.ScanLine(y) + rowBytes);
    return out;
}

TBitmap Noise(int W, int H, TPixelFormat F, uint32_t Seed) {
    std::mt19937 rng(Seed);
    TBitmap b(W, H, F);
    const int rowBytes = (W * BitsPerPixelOf(F) + 7) / 8;
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < rowBytes; ++i)
            b.ScanLine(y)[i] = static_cast<uint8_t>(rng() % 5 == 0 ? 255 : rng() & 255);
    return b;
}

// Runs Engine (which returns the bitmap it made) on one thread, then on 2, 3 and 7, and
// compares.
void ExpectSameOnAllThreadCounts(const std::function<TBitmap()>& Engine) {
    TBitmap single;
    {
        const TPixelThreadScope scope(1, 0);
        single = Engine();
    }
    ASSERT_GT(single.Width(), 0);
    const std::vector<uint8_t> expected = Bytes(single);
    for (int threads : {2, 3, 7}) {
        const TPixelThreadScope scope(threads, 0);
        const TBitmap many = Engine();
        ASSERT_EQ(many.Width(), single.Width());
        ASSERT_EQ(many.Height(), single.Height());
        EXPECT_EQ(Bytes(many), expected) << threads << " threads";
    }
}

struct TSizeCase {
    int W, H;
    TPixelFormat Format;
};

const TSizeCase Sizes[] = {{97, 61, pf24bit}, {131, 203, pf32bit}, {45, 170, pf8bit}};

} // namespace

TEST(PixelThreads, BandsCoverEveryItemOnceAndPassErrorsOn) {
    const TPixelThreadScope scope(3, 0);
    for (int count : {1, 2, 7, 100, 1001}) {
        std::vector<int> seen(static_cast<size_t>(count));
        RunPixelBands(count, 1 << 30, [&](int B, int E) {
            for (int i = B; i < E; ++i)
                ++seen[i]; // bands are disjoint, so no two threads share an element
        });
        EXPECT_EQ(std::count(seen.begin(), seen.end(), 1), count) << count;
    }
    EXPECT_THROW(RunPixelBands(50, 1 << 30,
                               [](int B, int) {
                                   if (B > 0)
                                       throw std::runtime_error("band failed");
                               }),
                 std::runtime_error);
    int steps = 0;
    std::vector<int> rows(300);
    RunPixelRowChunks(
        300, 1 << 30,
        [&](int B, int E) {
            for (int i = B; i < E; ++i)
                ++rows[i];
        },
        [&] { ++steps; }, 64);
    EXPECT_EQ(steps, 5);
    EXPECT_EQ(std::count(rows.begin(), rows.end(), 1), 300);
}

TEST(PixelThreads, LimitAndSmallWork) {
    {
        const TPixelThreadScope scope(4, 1000);
        EXPECT_EQ(PixelThreadLimit(), 4);
        EXPECT_EQ(PixelThreadsFor(999), 1);
        EXPECT_EQ(PixelThreadsFor(1000), 4);
    }
    EXPECT_GE(PixelThreadLimit(), 1);
}

TEST(PixelThreads, BlurIsBitIdentical) {
    for (const TSizeCase& c : Sizes)
        for (double radius : {2.0, 9.0, 15.0, 40.0, 120.0}) {
            SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " radius " << radius);
            const TBitmap source = Noise(c.W, c.H, c.Format, 7);
            ExpectSameOnAllThreadCounts([&] {
                TBitmap b = source;
                GaussianBlurRect(b, TRect(3, 1, c.W - 2, c.H), radius, radius * 0.7);
                return b;
            });
        }
}

TEST(PixelThreads, StretchIsBitIdentical) {
    const TSizeCase targets[] = {{33, 19, pf24bit},
                                 {301, 257, pf24bit},
                                 {97, 13, pf24bit},
                                 {20, 400, pf24bit},
                                 {97, 61, pf24bit}};
    for (const TSizeCase& c : Sizes)
        for (const TSizeCase& t : targets)
            for (TResampleFilter filter : {rfNearest, rfLinear, rfCubic})
                for (TResampleEdge edge : {reClamp, reExtend, reWrap}) {
                    SCOPED_TRACE(testing::Message()
                                 << c.W << "x" << c.H << " to " << t.W << "x" << t.H << " filter "
                                 << int(filter) << " edge " << int(edge));
                    const TBitmap source = Noise(c.W, c.H, c.Format, 3);
                    ExpectSameOnAllThreadCounts([&] {
                        TBitmap d(t.W, t.H, pf24bit);
                        ResampleBitmapRect(&d, &source, TRect(2, 3, c.W - 1, c.H - 4), filter,
                                           edge);
                        return d;
                    });
                }
}

TEST(PixelThreads, BlendersAndEffectsAreBitIdentical) {
    for (TPixelFormat f : {pf24bit, pf32bit}) {
        const TBitmap source = Noise(151, 333, f, 1);
        const TBitmap backdrop = Noise(160, 140, f, 2);
        const TBitmap alpha = Noise(151, 133, pf8bit, 4);
        ExpectSameOnAllThreadCounts([&] {
            TBitmap dest = backdrop;
            TGRBlendAlphaMapRatio blend;
            blend.Dest = &dest;
            blend.DestRect = TRect(5, 4, 156, 137);
            blend.Source = &source;
            blend.SourceRect = TRect(0, 0, 151, 133); // the source's top part
            blend.AlphaMap = &alpha;
            blend.AlphaRect = TRect(0, 0, 151, 133);
            blend.Ratio = 70;
            blend.Blend();
            return dest;
        });
        TGREffectMonoTone mono;
        mono.RefColor = RGB(200, 120, 40);
        TGREffectBrightnessContrast bc;
        bc.Brightness = 20;
        bc.Contrast = -30;
        TGREffectUnsharpMask sharp;
        sharp.Amount = 2;
        TGREffectBlur blur; // passes in place: bands read their neighbours' rows as they were
        blur.Count = 3;
        TGREffectColorChange change;
        change.FromColor = RGB(255, 255, 255);
        change.ToColor = RGB(1, 2, 3);
        for (TGREffector* e :
             std::initializer_list<TGREffector*>{&mono, &bc, &sharp, &blur, &change})
            ExpectSameOnAllThreadCounts([&] {
                TBitmap dest;
                e->Source = &source;
                e->Dest = &dest;
                e->Rect = TRect(1, 2, 150, 331);
                e->Execute();
                return dest;
            });
    }
}

TEST(PixelThreads, QuadMapAndRotationAreBitIdentical) {
    for (const TSizeCase& c : Sizes) {
        const TBitmap source = Noise(c.W, c.H, c.Format, 9);
        ExpectSameOnAllThreadCounts([&] {
            TBitmap d;
            TRect bounds;
            MapBitmapToQuad(d, bounds, TPoint(10, 3), TPoint(190, 40), TPoint(170, 211),
                            TPoint(-7, 150), source, TRect(0, 0, c.W, c.H), clWhite);
            return d;
        });
        for (int angle : {30, 137, -71})
            ExpectSameOnAllThreadCounts([&] {
                TBitmap d;
                RotateBitmapSized(source, d, angle, clWhite, TPoint(c.W + 20, c.H - 7));
                return d;
            });
    }
}
