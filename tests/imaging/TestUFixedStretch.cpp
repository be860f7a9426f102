#include "UFixedStretch.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <random>
#include <vector>

// A plain reference of the stretch arithmetic, written step by step from the rules: the
// widened source row with its guard pixels, the box shrink with its running end position and
// carried partial sum, the enlarging filters, and the three vertical passes. It shares no code
// with the engine. Sums are normalised by the weight actually summed, rounded half up.
namespace {

struct TImage {
    int W = 0;
    int H = 0;
    int Ch = 0;
    std::vector<int> Px;
    int At(int X, int Y, int C) const { return Px[(static_cast<size_t>(Y) * W + X) * Ch + C]; }
};

TImage ImageOf(const TBitmap& B) {
    TImage img;
    img.W = B.Width();
    img.H = B.Height();
    img.Ch = B.PixelFormat() == pf8bit ? 1 : B.PixelFormat() == pf24bit ? 3 : 4;
    for (int y = 0; y < img.H; ++y)
        for (int i = 0; i < img.W * img.Ch; ++i)
            img.Px.push_back(B.ScanLine(y)[i]);
    return img;
}

int64_t FloorDiv(int64_t A, int64_t B) {
    int64_t q = A / B;
    if ((A % B != 0) && ((A < 0) != (B < 0)))
        --q;
    return q;
}

struct TReference {
    const TImage& S;
    TRect R;
    TResampleFilter Filter;
    TResampleEdge Edge;
    int DW;
    int DH;

    int w() const { return R.Width(); }
    int h() const { return R.Height(); }

    int ServeRow(int y) const {
        if (y < 0) {
            if (Edge == reClamp)
                return 0;
            if (Edge == reExtend)
                return R.Top + y >= 0 ? y : 0;
            while (y < 0)
                y += h();
            return y;
        }
        if (y >= h()) {
            if (Edge == reClamp)
                return h() - 1;
            if (Edge == reExtend)
                return R.Top + y < S.H ? y : S.H - 1 - R.Top;
            while (y >= h())
                y -= h();
        }
        return y;
    }

    // Pixel number n (-2 .. w + 1) of channel c, guards included.
    std::vector<std::vector<int>> SourceRow(int y) const {
        const int row = R.Top + ServeRow(y);
        const int w = this->w();
        std::vector<std::vector<int>> px(static_cast<size_t>(w + 4), std::vector<int>(S.Ch));
        for (int i = 0; i < w; ++i)
            for (int c = 0; c < S.Ch; ++c)
                px[i + 2][c] = S.At(R.Left + i, row, c);
        if (Edge == reClamp) {
            px[0] = px[1] = px[2];
            px[w + 2] = px[w + 3] = px[w + 1];
        } else if (Edge == reExtend) {
            auto real = [&](int column) {
                std::vector<int> p(S.Ch);
                for (int c = 0; c < S.Ch; ++c)
                    p[c] = S.At(column, row, c);
                return p;
            };
            px[1] = R.Left - 1 >= 0 ? real(R.Left - 1) : px[2];
            px[0] = R.Left - 2 >= 0 ? real(R.Left - 2) : px[1];
            px[w + 2] = R.Left + w < S.W ? real(R.Left + w) : px[w + 1];
            px[w + 3] = R.Left + w + 1 < S.W ? real(R.Left + w + 1) : px[w + 2];
        } else if (w > 1) {
            px[0] = px[w];
            px[1] = px[w + 1];
            px[w + 2] = px[2];
            px[w + 3] = px[3];
        } else {
            px[0] = px[1] = px[w + 2] = px[w + 3] = px[2];
        }
        return px;
    }

    std::vector<int> Horizontal(int y) const {
        const auto px = SourceRow(y);
        auto P = [&](int n, int c) { return px[n + 2][c]; };
        const int w = this->w();
        std::vector<int> out(static_cast<size_t>(DW) * S.Ch);
        if (DW == w) {
            for (int x = 0; x < w; ++x)
                for (int c = 0; c < S.Ch; ++c)
                    out[x * S.Ch + c] = P(x, c);
        } else if (DW < w) {
            const int64_t step = static_cast<int64_t>(static_cast<long double>(w) / DW * 65536.0L);
            for (int c = 0; c < S.Ch; ++c) {
                int n = 0;
                int64_t carry = P(0, c) * 256;
                int64_t carryWeight = 256;
                int64_t e = -65536;
                for (int k = 0; k < DW; ++k) {
                    ++n;
                    const int64_t whole = ((e + step) >> 16) - (e / 65536) - 1;
                    int64_t sum = 0;
                    for (int64_t i = 0; i < whole; ++i)
                        sum += P(n++, c);
                    const int64_t b = P(n, c);
                    const int64_t f = ((e + step) >> 8) & 255;
                    const int64_t x = sum * 256 + carry + f * b;
                    const int64_t weight = whole * 256 + carryWeight + f;
                    out[k * S.Ch + c] = static_cast<int>((x + weight / 2) / weight);
                    carry = b * 256 - f * b;
                    carryWeight = 256 - f;
                    e += step;
                }
            }
        } else {
            const int step = (w << 16) / DW;
            int p = 0;
            for (int x = 0; x < DW; ++x, p += step) {
                const int i = static_cast<int>(static_cast<unsigned>(p + 98304) >> 16) - 2;
                const int t = p - 32768 - i * 65536;
                for (int c = 0; c < S.Ch; ++c) {
                    int v;
                    if (Filter == rfLinear) {
                        const int a = P(i, c);
                        const int b = P(i + 1, c);
                        v = a + ((b - a) * t + 32768) / 65536;
                    } else {
                        const int p0 = P(i - 1, c), p1 = P(i, c), p2 = P(i + 1, c),
                                  p3 = P(i + 2, c);
                        const int r1 = ((p3 - p0 + 3 * (p1 - p2)) * t + 32768) / 65536;
                        const int r2 = ((r1 + 2 * p0 - 5 * p1 + 4 * p2 - p3) * t + 32768) / 65536;
                        const int r3 = ((r2 + p2 - p0) * t + 32768) / 65536;
                        v = (r3 + 2 * p1) / 2;
                    }
                    out[x * S.Ch + c] = v;
                }
            }
        }
        return out;
    }

    static uint8_t Store(int64_t v) {
        if (v < 0)
            return 0;
        return static_cast<uint8_t>(std::min<int64_t>((v + 128) >> 8, 255));
    }

    std::vector<uint8_t> Run() const {
        std::vector<uint8_t> out;
        const int n = DW * S.Ch;
        if (DH == h()) {
            for (int y = 0; y < DH; ++y) {
                const auto row = Horizontal(y);
                for (int i = 0; i < n; ++i)
                    out.push_back(Store(static_cast<int64_t>(row[i]) * 256));
            }
        } else if (DH < h()) {
            const int step = (h() << 16) / DH;
            int q = 0;
            for (int y = 0; y < DH; ++y) {
                std::vector<int64_t> acc(n, 0);
                const int from = q >> 16;
                const int to = (q + step) >> 16;
                for (int r = from; r <= to; ++r) {
                    int64_t weight = 65536;
                    if (r == from)
                        weight -= q & 65535;
                    if (r == to)
                        weight -= 65536 - ((q + step) & 65535);
                    const auto row = Horizontal(r);
                    for (int i = 0; i < n; ++i)
                        acc[i] += row[i] * weight;
                }
                for (int i = 0; i < n; ++i)
                    out.push_back(Store(FloorDiv(acc[i] * 256 + step / 2, step)));
                q += step;
            }
        } else {
            const int step = (h() << 16) / DH;
            int q = 0;
            for (int y = 0; y < DH; ++y, q += step) {
                const int v = q - 32768;
                const int r = v >> 16;
                const auto a = Horizontal(r - 1), b = Horizontal(r), c = Horizontal(r + 1),
                           d = Horizontal(r + 2);
                for (int i = 0; i < n; ++i) {
                    int64_t acc;
                    if (Filter == rfLinear) {
                        const int t = v - r * 65536;
                        acc = (static_cast<int64_t>(b[i]) * (65536 - t) +
                               static_cast<int64_t>(c[i]) * t) /
                              256;
                    } else {
                        const int s = (v - r * 65536) / 256;
                        const int u = s - 256;
                        const int w0 = -(s * u * u) / 512;
                        const int w1 = ((3 * s * s / 256 - 2 * s - 512) * u) / 2;
                        const int w2 = ((3 * s * s / 256 - 4 * s - 256) * -s) / 2;
                        const int w3 = (s * s * u) / 512;
                        acc = (static_cast<int64_t>(a[i]) * w0 + static_cast<int64_t>(b[i]) * w1 +
                               static_cast<int64_t>(c[i]) * w2 + static_cast<int64_t>(d[i]) * w3) /
                              256;
                    }
                    out.push_back(Store(acc));
                }
            }
        }
        return out;
    }
};

std::vector<uint8_t> Nearest(const TImage& S, const TRect& R, int DW, int DH) {
    std::vector<uint8_t> out;
    const int w = R.Width(), h = R.Height();
    for (int y = 0; y < DH; ++y) {
        const int sy = (y * h + h / 2) / DH + R.Top;
        for (int x = 0; x < DW; ++x)
            for (int c = 0; c < S.Ch; ++c)
                out.push_back(static_cast<uint8_t>(S.At((x * w + w / 2) / DW + R.Left, sy, c)));
    }
    return out;
}

std::vector<uint8_t> Bytes(const TBitmap& B) {
    std::vector<uint8_t> out;
    const int n = B.Width() * (B.PixelFormat() == pf8bit ? 1 : B.PixelFormat() == pf24bit ? 3 : 4);
    for (int y = 0; y < B.Height(); ++y)
        out.insert(out.end(), B.ScanLine(y), B.ScanLine(y) + n);
    return out;
}

TBitmap RandomBitmap(int W, int H, TPixelFormat F, std::mt19937& Rng) {
    TBitmap b(W, H, F);
    const int n = W * (F == pf8bit ? 1 : F == pf24bit ? 3 : 4);
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < n; ++i)
            b.ScanLine(y)[i] = static_cast<uint8_t>(Rng() & 255);
    return b;
}

TBitmap Resample(const TBitmap& Source, const TRect& R, int DW, int DH, TResampleFilter F,
                 TResampleEdge E) {
    TBitmap dest(DW, DH, pf24bit);
    ResampleBitmapRect(&dest, &Source, R, F, E);
    return dest;
}

TBitmap Row(const std::vector<uint8_t>& Values) {
    TBitmap b(static_cast<int>(Values.size()), 1, pf8bit);
    std::copy(Values.begin(), Values.end(), b.ScanLine(0));
    return b;
}

} // namespace

TEST(FixedStretch, FixedPointHelpers) {
    EXPECT_EQ(FixedToInt(-1), -1);
    EXPECT_EQ(FixedToInt(65536 * 3 + 65535), 3);
    EXPECT_EQ(FixedMul(65536, 65536), 65536);
    EXPECT_EQ(FixedMul(98304, 98304), 147456);           // 1.5 * 1.5 = 2.25
    EXPECT_EQ(FixedMul(1, 32768), 1);                    // 0.5 rounds up
    EXPECT_EQ(FixedMul(-1, 32768), 0);                   // -0.5 rounds up too
    EXPECT_EQ(FixedMul(0x40000000, 0x8000), 0x20000000); // the product needs 64 bits
}

TEST(FixedStretch, IntersectNonEmpty) {
    TRect r(7, 7, 7, 7);
    EXPECT_TRUE(IntersectNonEmpty(r, TRect(0, 0, 10, 10), TRect(5, -5, 20, 5)));
    EXPECT_EQ(r, TRect(5, 0, 10, 5));
    r = TRect(7, 7, 7, 7);
    EXPECT_FALSE(IntersectNonEmpty(r, TRect(0, 0, 10, 10), TRect(10, 0, 20, 10)));
    EXPECT_FALSE(IntersectNonEmpty(r, TRect(0, 0, 0, 10), TRect(0, 0, 10, 10)));
    EXPECT_FALSE(IntersectNonEmpty(r, TRect(5, 5, 4, 9), TRect(0, 0, 10, 10)));
    EXPECT_EQ(r, TRect(7, 7, 7, 7));
}

TEST(FixedStretch, ClipMappedRects) {
    struct TCase {
        const char* Name;
        TRect TargetBounds, SourceBounds, Target, Source;
        bool Result;
        TRect ClippedTarget, ClippedSource;
        bool Scaled;
        int32_t Factors[4];
    };
    const TCase cases[] = {
        {"inside, unscaled",
         {0, 0, 100, 100},
         {0, 0, 50, 50},
         {10, 10, 30, 30},
         {5, 5, 25, 25},
         true,
         {10, 10, 30, 30},
         {5, 5, 25, 25},
         false,
         {65536, 65536, 65536, 65536}},
        {"target clipped left and bottom, unscaled",
         {0, 0, 100, 100},
         {0, 0, 50, 50},
         {-4, 90, 16, 110},
         {5, 5, 25, 25},
         true,
         {0, 90, 16, 100},
         {9, 5, 25, 15},
         false,
         {65536, 65536, 65536, 65536}},
        {"source clipped, unscaled",
         {0, 0, 100, 100},
         {0, 0, 20, 20},
         {10, 10, 30, 30},
         {5, -3, 25, 17},
         true,
         {10, 13, 25, 30},
         {5, 0, 20, 17},
         false,
         {65536, 65536, 65536, 65536}},
        // Twice as large: target left moves by 6 so the source left moves by 3; the source
        // right edge at 25 is clipped to 20 so the target right moves back by 10.
        {"scaled 2x, both clipped",
         {0, 0, 100, 100},
         {0, 0, 20, 50},
         {-6, 0, 34, 20},
         {5, 5, 25, 15},
         true,
         {0, 0, 24, 20},
         {8, 5, 20, 15},
         true,
         {131072, 131072, 32768, 32768}},
        {"scaled, target outside",
         {0, 0, 100, 100},
         {0, 0, 20, 20},
         {100, 0, 140, 20},
         {0, 0, 20, 10},
         false,
         {},
         {},
         true,
         {}},
        {"unscaled, source outside after shift",
         {0, 0, 100, 100},
         {0, 0, 20, 20},
         {-30, 0, -10, 20},
         {0, 0, 20, 20},
         false,
         {},
         {},
         false,
         {}},
        {"empty source rectangle",
         {0, 0, 100, 100},
         {0, 0, 20, 20},
         {0, 0, 10, 10},
         {5, 5, 5, 15},
         false,
         {},
         {},
         true,
         {}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        TMappedRects m;
        m.TargetBounds = c.TargetBounds;
        m.SourceBounds = c.SourceBounds;
        m.TargetRect = c.Target;
        m.SourceRect = c.Source;
        ASSERT_EQ(ClipMappedRects(m), c.Result);
        if (!c.Result)
            continue;
        EXPECT_EQ(m.Scaled, c.Scaled);
        EXPECT_EQ(m.ClippedTarget, c.ClippedTarget);
        EXPECT_EQ(m.ClippedSource, c.ClippedSource);
        EXPECT_EQ(m.TargetPerSourceX, c.Factors[0]);
        EXPECT_EQ(m.TargetPerSourceY, c.Factors[1]);
        EXPECT_EQ(m.SourcePerTargetX, c.Factors[2]);
        EXPECT_EQ(m.SourcePerTargetY, c.Factors[3]);
    }
}

// Small cases worked out by hand from the fixed-point rules.
TEST(FixedStretch, HandComputedRows) {
    struct TCase {
        const char* Name;
        std::vector<uint8_t> Source;
        int Width;
        TResampleFilter Filter;
        std::vector<uint8_t> Expected;
    };
    const TCase cases[] = {
        // 0, 255, 0 averaged: 65280 / 768 = 85 (a plain 0.33 scale truncates to 84).
        {"box 3 to 1", {0, 255, 0}, 1, rfLinear, {85}},
        // Steps of 1.5 pixels: (0 + 128 * 0.5) = 64 / 1.5 = 42.67 -> 43; (128 * 0.5 + 255)
        // = 319 / 1.5 = 212.67 -> 213.
        {"box 3 to 2", {0, 128, 255}, 2, rfLinear, {43, 213}},
        // Samples at x * step - 0.5: -0.5, 0, 0.5, 1 (half a destination pixel to the left).
        {"linear 2 to 4", {0, 255}, 4, rfLinear, {0, 0, 128, 255}},
        {"nearest 2 to 4", {10, 200}, 4, rfNearest, {10, 10, 200, 200}},
        {"nearest 5 to 2", {1, 2, 3, 4, 5}, 2, rfNearest, {2, 4}},
        // Catmull-Rom between 0 and 255 at t = 0.5 with clamped edges: r1 = (-510 * 32768 +
        // 32768) div 65536 = -254, r2 = (511 * 32768 + 32768) div 65536 = 256, r3 = 256,
        // out = (256 + 0) div 2 = 128. The first sample (t = 0.5 between -1 and 0) undershoots
        // to -15 and is stored as 0.
        {"cubic 2 to 4", {0, 255}, 4, rfCubic, {0, 0, 128, 255}},
        {"equal size cubic", {9, 200, 3}, 3, rfCubic, {9, 200, 3}},
    };
    for (const TCase& c : cases) {
        SCOPED_TRACE(c.Name);
        const TBitmap source = Row(c.Source);
        TBitmap dest(c.Width, 1, pf8bit);
        StretchDrawFiltered(&dest, &source, c.Filter);
        EXPECT_EQ(Bytes(dest), c.Expected);
    }
}

// Every filter, edge mode and format against the reference, over shrink and enlargement
// ratios in both directions and rectangles inside a larger bitmap.
TEST(FixedStretch, MatchesReferenceOverRatios) {
    struct TSize {
        int From, To;
    };
    // Whole shrink ratios (8 -> 4, 12 -> 3, 16 -> 2, 10 -> 2, 640 -> 80, 3 -> 1) take the
    // engine's unrolled column walk; the others its general one.
    const TSize sizes[] = {{3, 2}, {5, 3},  {7, 3},  {640, 100}, {3, 1},   {1, 4},
                           {2, 5}, {3, 7},  {4, 4},  {10, 31},   {7, 7},   {2, 3},
                           {8, 4}, {12, 3}, {16, 2}, {10, 2},    {640, 80}};
    std::mt19937 rng(2024);
    for (TPixelFormat format : {pf8bit, pf24bit, pf32bit})
        for (const TSize& sx : sizes)
            for (const TSize& sy : sizes) {
                if (sx.From * sy.From > 5000)
                    continue;
                const TBitmap source = RandomBitmap(sx.From + 5, sy.From + 4, format, rng);
                const TRect r = Bounds(2, 1, sx.From, sy.From);
                const TImage img = ImageOf(source);
                for (TResampleFilter f : {rfNearest, rfLinear, rfCubic})
                    for (TResampleEdge e : {reClamp, reExtend, reWrap}) {
                        SCOPED_TRACE(testing::Message()
                                     << "format " << format << " " << sx.From << "x" << sy.From
                                     << " -> " << sx.To << "x" << sy.To << " filter " << int(f)
                                     << " edge " << int(e));
                        const TBitmap dest = Resample(source, r, sx.To, sy.To, f, e);
                        ASSERT_EQ(dest.PixelFormat(), format);
                        const auto expected = f == rfNearest
                                                  ? Nearest(img, r, sx.To, sy.To)
                                                  : TReference{img, r, f, e, sx.To, sy.To}.Run();
                        ASSERT_EQ(Bytes(dest), expected);
                    }
            }
}

// Many random sizes, rectangles and modes against the reference (fixed seed).
TEST(FixedStretch, RandomCasesMatchReference) {
    std::mt19937 rng(77);
    std::uniform_int_distribution<int> side(1, 40);
    for (int n = 0; n < 300; ++n) {
        const TPixelFormat format = n % 3 == 0 ? pf8bit : n % 3 == 1 ? pf24bit : pf32bit;
        const int bw = side(rng), bh = side(rng);
        const TBitmap source = RandomBitmap(bw, bh, format, rng);
        const int left = static_cast<int>(rng() % bw), top = static_cast<int>(rng() % bh);
        const TRect r(left, top, left + 1 + static_cast<int>(rng() % (bw - left)),
                      top + 1 + static_cast<int>(rng() % (bh - top)));
        const int dw = side(rng) * 2, dh = side(rng);
        const auto f = static_cast<TResampleFilter>(1 + rng() % 2);
        const auto e = static_cast<TResampleEdge>(rng() % 3);
        SCOPED_TRACE(testing::Message() << "case " << n);
        const TBitmap dest = Resample(source, r, dw, dh, f, e);
        ASSERT_EQ(Bytes(dest), (TReference{ImageOf(source), r, f, e, dw, dh}.Run()));
    }
}

TEST(FixedStretch, UniformAreasStayUniformForEveryRatio) {
    const TSize sizes[] = {{3, 2},     {3, 1},     {5, 3},      {7, 3},     {7, 1},
                           {640, 100}, {258, 257}, {1000, 999}, {32767, 1}, {21846, 1},
                           {100, 33},  {4, 9},     {3, 40}};
    for (const TSize& s : sizes)
        for (TColor color : {TColor(0xFFFFFF), TColor(0xF0F0F0), TColor(0x010203)})
            for (TResampleFilter f : {rfLinear, rfCubic}) {
                SCOPED_TRACE(testing::Message() << s.cx << " -> " << s.cy << " colour " << std::hex
                                                << color << " filter " << int(f));
                // Horizontally and vertically.
                TBitmap wide(s.cx, 2, pf24bit);
                wide.Fill(color);
                TBitmap dest(s.cy, 2, pf24bit);
                StretchDrawFiltered(&dest, &wide, f);
                TBitmap tall(2, s.cx, pf24bit);
                tall.Fill(color);
                TBitmap destTall(2, s.cy, pf24bit);
                StretchDrawFiltered(&destTall, &tall, f);
                for (const TBitmap* d : {&dest, &destTall})
                    for (int y = 0; y < d->Height(); ++y)
                        for (int x = 0; x < d->Width(); ++x)
                            ASSERT_EQ(d->GetPixel(x, y), color) << x << "," << y;
            }
}

TEST(FixedStretch, SymmetricInputGivesSymmetricShrink) {
    // 640 -> 160 is an exact ratio (4 pixels per output), so a mirrored input mirrors.
    std::mt19937 rng(5);
    TBitmap source(640, 1, pf8bit);
    for (int x = 0; x < 320; ++x)
        source.ScanLine(0)[x] = source.ScanLine(0)[639 - x] = static_cast<uint8_t>(rng());
    TBitmap dest(160, 1, pf8bit);
    StretchDrawFiltered(&dest, &source, rfCubic);
    for (int x = 0; x < 80; ++x)
        EXPECT_EQ(dest.ScanLine(0)[x], dest.ScanLine(0)[159 - x]) << x;
}

TEST(FixedStretch, EdgeCases) {
    TBitmap source(4, 4, pf24bit);
    source.Fill(clRed);
    TBitmap dest(3, 3, pf24bit);
    dest.Fill(clBlue);

    // A rectangle one pixel beyond the bitmap draws nothing.
    ResampleBitmapRect(&dest, &source, TRect(0, 0, 5, 4), rfLinear, reClamp);
    EXPECT_EQ(dest.GetPixel(1, 1), clBlue);
    // Null bitmaps and an unknown filter draw nothing.
    ResampleBitmapRect(nullptr, &source, TRect(0, 0, 4, 4), rfLinear, reClamp);
    ResampleBitmapRect(&dest, nullptr, TRect(0, 0, 4, 4), rfLinear, reClamp);
    ResampleBitmapRect(&dest, &source, TRect(0, 0, 4, 4), static_cast<TResampleFilter>(3), reClamp);
    EXPECT_EQ(dest.GetPixel(1, 1), clBlue);
    // A 16-bit source draws nothing.
    TBitmap source16(4, 4, pf16bit);
    StretchDrawFiltered(&dest, &source16, rfCubic);
    EXPECT_EQ(dest.GetPixel(1, 1), clBlue);
    EXPECT_EQ(dest.PixelFormat(), pf24bit);

    // The destination takes the source's format; 8-bit stays 8-bit.
    TBitmap grey(5, 5, pf8bit);
    TBitmap dest32(3, 3, pf32bit);
    StretchDrawFiltered(&dest32, &grey, rfLinear);
    EXPECT_EQ(dest32.PixelFormat(), pf8bit);
    EXPECT_EQ(dest32.Width(), 3);

    // Enlarging a one-pixel-wide rectangle gives a constant row with clamp and wrap.
    TBitmap strip(3, 2, pf8bit);
    strip.ScanLine(0)[0] = 1;
    strip.ScanLine(0)[1] = 77;
    strip.ScanLine(0)[2] = 200;
    strip.ScanLine(1)[1] = 77;
    for (TResampleEdge e : {reClamp, reWrap}) {
        TBitmap wide(9, 2, pf8bit);
        ResampleBitmapRect(&wide, &strip, TRect(1, 0, 2, 2), rfCubic, e);
        for (int x = 0; x < 9; ++x)
            EXPECT_EQ(wide.ScanLine(0)[x], 77) << int(e);
    }

    // Cubic enlargement of a hard edge overshoots; bytes are clamped to 0 and 255.
    const TBitmap edge = Row({0, 0, 255, 255});
    TBitmap big(16, 1, pf8bit);
    StretchDrawFiltered(&big, &edge, rfCubic);
    TImage img = ImageOf(edge);
    EXPECT_EQ(Bytes(big), (TReference{img, TRect(0, 0, 4, 1), rfCubic, reClamp, 16, 1}.Run()));
    EXPECT_EQ(big.ScanLine(0)[0], 0);
    EXPECT_EQ(big.ScanLine(0)[15], 255);

    // Equal sizes reproduce the source exactly.
    std::mt19937 rng(1);
    const TBitmap random = RandomBitmap(13, 7, pf32bit, rng);
    TBitmap copy(13, 7, pf24bit);
    StretchDrawFiltered(&copy, &random, rfCubic);
    EXPECT_EQ(Bytes(copy), Bytes(random));

    // Source and destination being the same bitmap still reads the original pixels.
    TBitmap self = RandomBitmap(8, 8, pf24bit, rng);
    const TBitmap original = self;
    const auto expected =
        TReference{ImageOf(original), TRect(2, 2, 6, 6), rfLinear, reClamp, 8, 8}.Run();
    ResampleBitmapRect(&self, &self, TRect(2, 2, 6, 6), rfLinear, reClamp);
    EXPECT_EQ(Bytes(self), expected);
}
