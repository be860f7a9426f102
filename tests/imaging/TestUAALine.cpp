#include "UAALine.h"

#include <gtest/gtest.h>

#include <cmath>
#include <map>
#include <vector>

namespace {

// The profile written from the rules, in extended precision.
std::vector<int> ReferenceProfile(long double W, long double R, int& Shift, int& Reach) {
    const long double T = W + R;
    Shift = 16 - (7 - (static_cast<int>(std::log2(T)) + 1));
    const int n = static_cast<int>(T * 65536 + 0.5L) >> Shift;
    Reach = n << Shift;
    std::vector<long double> v(n + 2, 0);
    const long double pi = 3.141592653589793238462643383279502884L;
    auto C = [&](long double x) {
        return 0.5L - x * std::sqrt(R * R - x * x) / (pi * R * R) - std::asin(x / R) / pi;
    };
    const long double dt = T / n;
    long double t = 0;
    int k = 0;
    if (W < R) {
        for (; t < std::min(W, R - W); t += dt)
            v[k++] = 1 - C(W - t) - C(W + t);
        for (; t < R - W; t += dt)
            v[k++] = C(t - W) - C(t + W);
    } else {
        for (; t < W - R; t += dt)
            v[k++] = 1;
    }
    for (; t < W; t += dt)
        v[k++] = 1 - C(W - t);
    for (; t < W + R; t += dt)
        v[k++] = C(t - W);
    std::vector<int> out;
    for (long double x : v)
        out.push_back(static_cast<int>(x * 255 + 0.5L));
    return out;
}

std::vector<uint8_t> Draw(int W, int H, double HalfWidth,
                          const std::vector<std::array<int, 4>>& Lines) {
    TBitmap b(W, H, pf8bit);
    for (int y = 0; y < H; ++y)
        std::fill_n(b.ScanLine(y), W, 0);
    TAALineAlphaMap line;
    line.SetHalfWidth(HalfWidth);
    line.SetBitmap(&b);
    for (const auto& l : Lines)
        line.DrawLine(l[0], l[1], l[2], l[3]);
    std::vector<uint8_t> out;
    for (int y = 0; y < H; ++y)
        out.insert(out.end(), b.ScanLine(y), b.ScanLine(y) + W);
    return out;
}

} // namespace

TEST(AALine, DefaultProfile) {
    TAALineRec line;
    const TAALineShape& s = line.Shape();
    EXPECT_EQ(s.ProfileShift, 10);
    EXPECT_EQ(s.Reach, 52224);
    ASSERT_EQ(s.Profile.size(), 53u);
    int shift = 0, reach = 0;
    EXPECT_EQ(s.Profile, ReferenceProfile(0.6L, 0.2L, shift, reach));
    EXPECT_EQ(s.Profile[0], 255);
    EXPECT_EQ(s.Profile[52], 0);
    EXPECT_EQ(s.DotRadius, 1); // no dot at the default width
}

TEST(AALine, ProfilesForOtherWidths) {
    struct TCase {
        double W, R, Opacity;
    };
    const TCase cases[] = {
        {0.1, 0.2, 1}, {2.5, 0.2, 1}, {0.6, 0.2, 0.5}, {10, 1, 1}, {0.3, 0.7, 1}};
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.W);
        TAALineRec line;
        line.SetHalfWidth(c.W);
        line.SetFilterRadius(c.R);
        line.SetOpacity(c.Opacity);
        int shift = 0, reach = 0;
        auto expected = ReferenceProfile(c.W, c.R, shift, reach);
        for (int& e : expected)
            e = static_cast<int>(std::nearbyint(e * c.Opacity));
        const TAALineShape& s = line.Shape();
        EXPECT_EQ(s.ProfileShift, shift);
        EXPECT_EQ(s.Reach, reach);
        EXPECT_EQ(s.Profile, expected);
    }
}

TEST(AALine, HorizontalAndZeroLength) {
    const int w = 12, h = 7;
    // Default width: the line's own row only (one pixel up or down lies beyond the reach).
    auto px = Draw(w, h, 0.6, {{2, 3, 9, 3}});
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x)
            EXPECT_EQ(px[y * w + x], (y == 3 && x >= 2 && x <= 9) ? 255 : 0) << x << "," << y;
    // Width 2: the rows next to it take the profile at one pixel.
    TAALineRec probe;
    probe.SetHalfWidth(1.0);
    const TAALineShape& s = probe.Shape();
    px = Draw(w, h, 1.0, {{2, 3, 9, 3}});
    EXPECT_EQ(px[3 * w + 5], s.Profile[0]);
    EXPECT_EQ(px[2 * w + 5], s.Profile[65536 >> s.ProfileShift]);
    EXPECT_EQ(px[4 * w + 5], s.Profile[65536 >> s.ProfileShift]);
    EXPECT_EQ(px[1 * w + 5], 0);
    // A zero-length segment plots one pixel.
    px = Draw(w, h, 0.6, {{4, 4, 4, 4}});
    EXPECT_EQ(std::count(px.begin(), px.end(), 0), w * h - 1);
    EXPECT_EQ(px[4 * w + 4], 255);
}

TEST(AALine, MaximumCombineAndClipping) {
    const std::vector<std::array<int, 4>> once = {{-5, -3, 30, 14}};
    const std::vector<std::array<int, 4>> twice = {{-5, -3, 30, 14}, {-5, -3, 30, 14}};
    EXPECT_EQ(Draw(20, 10, 1.5, once), Draw(20, 10, 1.5, twice));
    // Far outside the bitmap: nothing, no crash.
    const auto outside = Draw(20, 10, 1.5, {{-100, -100, -50, -80}, {100, 5, 200, 5}});
    EXPECT_EQ(std::count(outside.begin(), outside.end(), 0), 200);
}

// Lines going up are the mirror images of lines going down, in both the shallow and the
// steep octants.
TEST(AALine, UpwardLinesMirrorDownwardLines) {
    const int w = 30, h = 61;
    for (double width : {0.6, 1.3, 2.7})
        for (const auto& end :
             std::vector<std::array<int, 2>>{{25, 9}, {7, 26}, {20, 20}, {1, 29}}) {
            SCOPED_TRACE(testing::Message() << width << " " << end[0] << "," << end[1]);
            const auto down = Draw(w, h, width, {{2, 30, 2 + end[0], 30 + end[1]}});
            const auto up = Draw(w, h, width, {{2, 30, 2 + end[0], 30 - end[1]}});
            for (int y = 0; y < h; ++y)
                for (int x = 0; x < w; ++x)
                    ASSERT_EQ(down[y * w + x], up[(60 - y) * w + x]) << x << "," << y;
        }
}

TEST(AALine, DiagonalLinesAreAsWideAsHorizontalOnes) {
    auto total = [](const std::vector<uint8_t>& px) {
        double sum = 0;
        for (uint8_t v : px)
            sum += v;
        return sum;
    };
    const double horizontal = total(Draw(140, 20, 2.0, {{10, 10, 110, 10}})) / 100.0;
    const double diagonal =
        total(Draw(140, 140, 2.0, {{20, 20, 120, 120}})) / (100.0 * std::sqrt(2.0));
    const double steep = total(Draw(140, 140, 2.0, {{20, 20, 60, 120}})) / std::hypot(40.0, 100.0);
    EXPECT_NEAR(diagonal / horizontal, 1.0, 0.05);
    EXPECT_NEAR(steep / horizontal, 1.0, 0.05);
}

TEST(AALine, ThinLinesNeverReadPastTheProfile) {
    // A reach below half a pixel: the distance of off-line pixel centres exceeds it, and
    // those pixels get 0.
    const auto px = Draw(30, 30, 0.1, {{0, 0, 29, 13}, {3, 29, 17, 0}});
    TAALineRec probe;
    probe.SetHalfWidth(0.1);
    EXPECT_LT(probe.Shape().Reach, 32768);
    EXPECT_GT(*std::max_element(px.begin(), px.end()), 0);
}

TEST(AALine, PlotRoutineAndDots) {
    std::map<std::pair<int, int>, int> plotted;
    TAALineRec line;
    line.SetHalfWidth(3.0);
    line.SetPlot([&](int X, int Y, int V) {
        int& p = plotted[{X, Y}];
        p = std::max(p, V);
    });
    line.MoveTo(10, 10);
    line.LineTo(30, 18);
    const auto viaMap = Draw(50, 40, 3.0, {{10, 10, 30, 18}});
    for (int y = 0; y < 40; ++y)
        for (int x = 0; x < 50; ++x) {
            const auto it = plotted.find({x, y});
            ASSERT_EQ(it == plotted.end() ? 0 : it->second, viaMap[y * 50 + x]) << x << "," << y;
        }

    // A wide line stamps a round dot; the default width stamps nothing.
    TBitmap b(21, 21, pf8bit);
    for (int y = 0; y < 21; ++y)
        std::fill_n(b.ScanLine(y), 21, 0);
    TAALineAlphaMap dots;
    dots.SetBitmap(&b);
    dots.DrawDot(10, 10);
    EXPECT_EQ(b.ScanLine(10)[10], 0);
    dots.SetHalfWidth(3.0);
    ASSERT_GE(dots.Shape().DotRadius, 2);
    dots.DrawDot(10, 10);
    EXPECT_EQ(b.ScanLine(10)[10], dots.Shape().Profile[0]);
    EXPECT_EQ(b.ScanLine(10)[12], b.ScanLine(10)[8]);
    EXPECT_EQ(b.ScanLine(12)[10], b.ScanLine(8)[10]);
    EXPECT_GT(b.ScanLine(10)[12], 0);
    EXPECT_EQ(b.ScanLine(0)[0], 0);
}
