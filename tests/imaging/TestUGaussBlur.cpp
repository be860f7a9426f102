#include "UGaussBlur.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <random>
#include <vector>

// A reference of the blur written from the rules: the Deriche coefficients for sigma, the
// 16.16 rounding and gain normalisation, and the line filter run one line and one channel at
// a time with the start and end terms as exact fractions of the rounded gains.
namespace {

struct TRefFixed {
    int64_t Alpha[5], Delta[5], Beta[5];
    int64_t A, B, G;
};

struct TRefReal {
    long double Alpha[5], Delta[5], Beta[5];
};

TRefReal RefReal(long double s) {
    const long double g = 1 / (s * std::sqrt(2 * 3.14159265358979323846264338327950288L));
    const long double a0 = 1.6803L * g, a1 = 3.735L * g, c0 = -0.6803L * g, c1 = -0.2598L * g;
    const long double E0 = std::exp(-1.783L / s), E1 = std::exp(-1.723L / s);
    const long double S0 = std::sin(0.6318L / s), K0 = std::cos(0.6318L / s);
    const long double S1 = std::sin(1.997L / s), K1 = std::cos(1.997L / s);
    TRefReal r{};
    r.Alpha[0] = a0 + c0;
    r.Alpha[1] = E1 * (c1 * S1 - (2 * a0 + c0) * K1) + E0 * (a1 * S0 - (2 * c0 + a0) * K0);
    r.Alpha[2] = 2 * E0 * E1 * ((a0 + c0) * K1 * K0 - a1 * K1 * S0 - c1 * K0 * S1) + c0 * E0 * E0 +
                 a0 * E1 * E1;
    r.Alpha[3] = E0 * E0 * E1 * (c1 * S1 - c0 * K1) + E0 * E1 * E1 * (a1 * S0 - a0 * K0);
    r.Alpha[4] = 0;
    r.Delta[0] = 0;
    r.Delta[1] = -2 * E1 * K1 - 2 * E0 * K0;
    r.Delta[2] = 4 * K1 * K0 * E0 * E1 + E1 * E1 + E0 * E0;
    r.Delta[3] = -2 * K0 * E0 * E1 * E1 - 2 * K1 * E0 * E0 * E1;
    r.Delta[4] = E0 * E0 * E1 * E1;
    r.Beta[0] = 0;
    for (int k = 1; k < 5; ++k)
        r.Beta[k] = r.Alpha[k] - r.Delta[k] * r.Alpha[0];
    return r;
}

long double RefSigma(double Radius) {
    const long double r = std::fabs(Radius) + 1;
    return std::sqrt(r * r / (2 * std::log(255.0L)));
}

TRefFixed RefFixed(double Radius) {
    const TRefReal real = RefReal(RefSigma(Radius));
    TRefFixed f{};
    int64_t a = 0, b = 0, d = 0;
    for (int k = 0; k < 5; ++k) {
        f.Alpha[k] = std::llrint(real.Alpha[k] * 65536);
        f.Delta[k] = std::llrint(real.Delta[k] * 65536);
        f.Beta[k] = std::llrint(real.Beta[k] * 65536);
        a += f.Alpha[k];
        b += f.Beta[k];
        d += f.Delta[k];
    }
    f.G = 65536 + d;
    const int64_t residual = f.G - a - b;
    f.Alpha[0] += residual / 2;
    f.Beta[1] += residual - residual / 2;
    f.A = a + residual / 2;
    f.B = b + residual - residual / 2;
    return f;
}

int64_t RoundHalfAway(int64_t N, int64_t D) {
    const long double q = static_cast<long double>(N) / D;
    return static_cast<int64_t>(std::round(q));
}

int64_t Fm(int64_t A, int64_t B) {
    return (A * B + 32768) >> 16;
}

std::vector<uint8_t> RefLineFixed(const TRefFixed& f, const std::vector<uint8_t>& x) {
    const int m = static_cast<int>(x.size());
    std::vector<int64_t> p(m, 0), q(m, 0);
    for (int i = 0; i < m; ++i) {
        const int j = m - 1 - i, t = std::min(i, 4);
        int64_t sp = 0, sq = 0;
        for (int k = 0; k <= t; ++k) {
            sp += f.Alpha[k] * x[i - k] - Fm(f.Delta[k], p[i - k]);
            sq += f.Beta[k] * x[j + k] - Fm(f.Delta[k], q[j + k]);
        }
        int64_t da = 0, db = 0, dd = 0;
        for (int k = t + 1; k < 5; ++k) {
            da += f.Alpha[k];
            db += f.Beta[k];
            dd += f.Delta[k];
        }
        sp += da * x[0] - RoundHalfAway(dd * f.A * x[0], f.G);
        sq += db * x[m - 1] - RoundHalfAway(dd * f.B * x[m - 1], f.G);
        // Sums of the engine are 32-bit; they must never leave that range.
        EXPECT_LT(std::llabs(sp), int64_t(1) << 31);
        EXPECT_LT(std::llabs(sq), int64_t(1) << 31);
        p[i] = sp;
        q[j] = sq;
    }
    std::vector<uint8_t> out(m);
    for (int i = 0; i < m; ++i)
        out[i] = static_cast<uint8_t>(std::clamp<int64_t>((p[i] + q[i] + 32768) / 65536, 0, 255));
    return out;
}

std::vector<uint8_t> RefLineFloat(double Radius, const std::vector<uint8_t>& x) {
    const TRefReal real = RefReal(RefSigma(Radius));
    double a[5], d[5], b[5], e[5], ph[5];
    long double sa = 0, sb = 0, sd = 0;
    for (int k = 0; k < 5; ++k) {
        a[k] = static_cast<double>(real.Alpha[k]);
        d[k] = static_cast<double>(real.Delta[k]);
        b[k] = static_cast<double>(real.Beta[k]);
        sa += a[k];
        sb += b[k];
        sd += d[k];
    }
    const long double scale = (1 + sd) / (sa + sb);
    sa = sb = 0;
    for (int k = 0; k < 5; ++k) {
        a[k] = static_cast<double>(a[k] * scale);
        b[k] = static_cast<double>(b[k] * scale);
        sa += a[k];
        sb += b[k];
    }
    for (int k = 0; k < 5; ++k) {
        e[k] = static_cast<double>(d[k] * sa / (1 + sd));
        ph[k] = static_cast<double>(d[k] * sb / (1 + sd));
    }
    const int m = static_cast<int>(x.size());
    std::vector<double> p(m, 0), q(m, 0);
    for (int i = 0; i < m; ++i) {
        const int t = std::min(i, 4);
        double s = a[0] * x[i];
        for (int k = 1; k <= t; ++k)
            s += a[k] * x[i - k] - d[k] * p[i - k];
        for (int k = t + 1; k < 5; ++k)
            s += (a[k] - e[k]) * x[0];
        p[i] = s;
    }
    for (int j = m - 1; j >= 0; --j) {
        const int t = std::min(m - 1 - j, 4);
        double s = 0;
        for (int k = 1; k <= t; ++k)
            s += b[k] * x[j + k] - d[k] * q[j + k];
        for (int k = t + 1; k < 5; ++k)
            s += (b[k] - ph[k]) * x[m - 1];
        q[j] = s;
    }
    std::vector<uint8_t> out(m);
    for (int i = 0; i < m; ++i)
        out[i] = static_cast<uint8_t>(std::clamp(std::floor(p[i] + q[i] + 0.5), 0.0, 255.0));
    return out;
}

int ChannelsOf(const TBitmap& B) {
    return B.PixelFormat() == pf8bit ? 1 : B.PixelFormat() == pf24bit ? 3 : 4;
}

// Blurs Rect of B with the reference, vertical pass first.
void RefBlur(TBitmap& B, const TRect& R, double Rx, double Ry) {
    const int ch = ChannelsOf(B);
    const bool fixed = std::max(Rx >= 1 ? Rx : 0, Ry >= 1 ? Ry : 0) <= MaxFixedBlurRadius;
    auto line = [&](double radius, const std::vector<uint8_t>& x) {
        return fixed ? RefLineFixed(RefFixed(radius), x) : RefLineFloat(radius, x);
    };
    if (Ry >= 1)
        for (int x = R.Left; x < R.Right; ++x)
            for (int c = 0; c < ch; ++c) {
                std::vector<uint8_t> v;
                for (int y = R.Top; y < R.Bottom; ++y)
                    v.push_back(B.ScanLine(y)[x * ch + c]);
                v = line(Ry, v);
                for (int y = R.Top; y < R.Bottom; ++y)
                    B.ScanLine(y)[x * ch + c] = v[y - R.Top];
            }
    if (Rx >= 1)
        for (int y = R.Top; y < R.Bottom; ++y)
            for (int c = 0; c < ch; ++c) {
                std::vector<uint8_t> v;
                for (int x = R.Left; x < R.Right; ++x)
                    v.push_back(B.ScanLine(y)[x * ch + c]);
                v = line(Rx, v);
                for (int x = R.Left; x < R.Right; ++x)
                    B.ScanLine(y)[x * ch + c] = v[x - R.Left];
            }
}

std::vector<uint8_t> Bytes(const TBitmap& B) {
    std::vector<uint8_t> out;
    for (int y = 0; y < B.Height(); ++y)
        out.insert(out.end(), B.ScanLine(y), B.ScanLine(y) + B.Width() * ChannelsOf(B));
    return out;
}

TBitmap RandomBitmap(int W, int H, TPixelFormat F, std::mt19937& Rng) {
    TBitmap b(W, H, F);
    for (int y = 0; y < H; ++y)
        for (int i = 0; i < W * ChannelsOf(b); ++i)
            b.ScanLine(y)[i] = static_cast<uint8_t>(Rng() % 7 == 0 ? 255 : Rng() & 255);
    return b;
}

} // namespace

TEST(GaussBlur, SigmaOfRadius) {
    EXPECT_NEAR(BlurSigmaOfRadius(3), 1.2016, 1e-4);
    EXPECT_NEAR(BlurSigmaOfRadius(50), 15.32, 1e-2);
    EXPECT_DOUBLE_EQ(BlurSigmaOfRadius(-3), BlurSigmaOfRadius(3));
}

TEST(GaussBlur, CoefficientsFollowTheFormulas) {
    // Unnormalised, the real coefficients give a gain slightly above 1 (about 1.0002 at 3).
    const TRefReal real = RefReal(RefSigma(3));
    long double sa = 0, sb = 0, sd = 0;
    for (int k = 0; k < 5; ++k) {
        sa += real.Alpha[k];
        sb += real.Beta[k];
        sd += real.Delta[k];
    }
    EXPECT_NEAR(static_cast<double>((sa + sb) / (1 + sd)), 1.0002, 1e-4);

    for (double radius : {1.0, 3.0, 10.0, 27.5, 50.0}) {
        SCOPED_TRACE(radius);
        const TDericheCoefficientsFixed k = DericheCoefficientsFixed(BlurSigmaOfRadius(radius));
        const TRefFixed f = RefFixed(radius);
        for (int i = 0; i < 5; ++i) {
            EXPECT_EQ(k.Alpha[i], f.Alpha[i]);
            EXPECT_EQ(k.Delta[i], f.Delta[i]);
            EXPECT_EQ(k.Beta[i], f.Beta[i]);
        }
        EXPECT_EQ(k.CausalGain + k.AntiCausalGain, k.Denominator);
        EXPECT_EQ(k.Denominator, f.G);

        const TDericheCoefficients d = DericheCoefficients(BlurSigmaOfRadius(radius));
        long double a = 0, b = 0, dd = 0;
        for (int i = 0; i < 5; ++i) {
            a += d.Alpha[i];
            b += d.Beta[i];
            dd += d.Delta[i];
            EXPECT_NEAR(d.Delta[i], static_cast<double>(RefReal(RefSigma(radius)).Delta[i]), 1e-15);
        }
        EXPECT_NEAR(static_cast<double>((a + b) / (1 + dd)), 1.0, 1e-9);
    }
}

TEST(GaussBlur, MatchesReference) {
    struct TCase {
        TPixelFormat Format;
        int W, H;
        TRect Rect;
        double Rx, Ry;
    };
    const TCase cases[] = {
        {pf24bit, 23, 17, {0, 0, 23, 17}, 1, 1},
        {pf24bit, 40, 30, {3, 2, 37, 29}, 3, 3},
        {pf32bit, 30, 70, {0, 0, 30, 70}, 10, 10},
        {pf8bit, 90, 80, {5, 5, 85, 79}, 50, 50},
        {pf24bit, 9, 3, {0, 0, 9, 3}, 10, 3},
        {pf8bit, 4, 5, {0, 0, 4, 5}, 3, 50},
        {pf8bit, 1, 1, {0, 0, 1, 1}, 5, 5},
        {pf24bit, 70, 66, {0, 0, 70, 66}, 50.5, 50.5}, // floating point, both passes
        {pf8bit, 130, 20, {0, 0, 130, 20}, 100, 2},    // floating point, both passes
        {pf8bit, 33, 34, {-5, -5, 20, 60}, 7, 0},      // sticks out of the bitmap
    };
    std::mt19937 rng(11);
    for (const TCase& c : cases) {
        SCOPED_TRACE(testing::Message() << c.W << "x" << c.H << " radii " << c.Rx << ", " << c.Ry);
        TBitmap b = RandomBitmap(c.W, c.H, c.Format, rng);
        TBitmap expected = b;
        TRect inside(std::max(c.Rect.Left, 0), std::max(c.Rect.Top, 0), std::min(c.Rect.Right, c.W),
                     std::min(c.Rect.Bottom, c.H));
        RefBlur(expected, inside, c.Rx, c.Ry);
        GaussianBlurRect(b, c.Rect, c.Rx, c.Ry);
        EXPECT_EQ(Bytes(b), Bytes(expected));
    }
}

// A flat colour stays flat at every radius: lines of many lengths, every byte value.
TEST(GaussBlur, FlatStaysFlat) {
    std::vector<double> radii;
    for (double r = 1; r <= 50; r += 0.5)
        radii.push_back(r);
    for (double r : {60.0, 100.0, 250.0, 1000.0, 5000.0})
        radii.push_back(r);
    for (int length : {1, 2, 3, 4, 5, 6, 9, 64, 700}) {
        // Row v holds the value v.
        TBitmap flat(length, 256, pf8bit);
        for (int v = 0; v < 256; ++v)
            std::fill_n(flat.ScanLine(v), length, static_cast<uint8_t>(v));
        for (double r : radii) {
            TBitmap b = flat;
            GaussianBlurRect(b, TRect(0, 0, length, 256), r, 0);
            ASSERT_EQ(Bytes(b), Bytes(flat)) << "length " << length << " radius " << r;
        }
    }
}

TEST(GaussBlur, SinglePixelSpreadsSymmetrically) {
    for (double r : {1.0, 3.0, 10.0, 60.0}) {
        TBitmap b(101, 101, pf8bit);
        b.Fill(clBlack);
        b.ScanLine(50)[50] = 255;
        GaussianBlurRect(b, TRect(0, 0, 101, 101), r, r);
        for (int d = 1; d <= 50; ++d) {
            ASSERT_EQ(b.ScanLine(50)[50 - d], b.ScanLine(50)[50 + d]) << r << " " << d;
            ASSERT_EQ(b.ScanLine(50 - d)[50], b.ScanLine(50 + d)[50]) << r << " " << d;
        }
        EXPECT_GE(b.ScanLine(50)[50], b.ScanLine(50)[51]);
        EXPECT_GE(b.ScanLine(50)[51], b.ScanLine(50)[60]);
    }
    // At large radii the rounded recursions of the two directions may differ by one level.
    TBitmap b(201, 1, pf8bit);
    b.Fill(clBlack);
    b.ScanLine(0)[100] = 255;
    std::fill_n(b.ScanLine(0) + 98, 5, 255);
    GaussianBlurRect(b, TRect(0, 0, 201, 1), 50, 0);
    for (int d = 1; d <= 100; ++d)
        ASSERT_LE(std::abs(b.ScanLine(0)[100 - d] - b.ScanLine(0)[100 + d]), 1) << d;
}

TEST(GaussBlur, DirectionsAndRectangle) {
    TBitmap b(20, 20, pf24bit);
    b.Fill(clBlack);
    b.SetPixel(10, 10, clWhite);
    const TBitmap original = b;

    // Both radii below 1 leave the bitmap untouched; 0.5 and 3 blur only vertically.
    GaussianBlurRect(b, TRect(0, 0, 20, 20), 0.99, 0.5);
    EXPECT_EQ(Bytes(b), Bytes(original));
    GaussianBlurRect(b, TRect(0, 0, 20, 20), 0.5, 3);
    EXPECT_NE(b.GetPixel(10, 11), clBlack);
    for (int y = 0; y < 20; ++y) {
        EXPECT_EQ(b.GetPixel(9, y), clBlack);
        EXPECT_EQ(b.GetPixel(11, y), clBlack);
    }

    // Blurring only the black left half leaves the white right half alone and takes no colour
    // from it.
    TBitmap halves(20, 10, pf24bit);
    halves.Fill(clBlack);
    for (int y = 0; y < 10; ++y)
        for (int x = 10; x < 20; ++x)
            halves.SetPixel(x, y, clWhite);
    GaussianBlurRect(halves, TRect(0, 0, 10, 10), 5, 5);
    for (int y = 0; y < 10; ++y)
        for (int x = 0; x < 20; ++x)
            ASSERT_EQ(halves.GetPixel(x, y), x < 10 ? clBlack : clWhite) << x << "," << y;

    // Rectangles outside the bitmap and unsupported formats change nothing.
    TBitmap b16(8, 8, pf16bit);
    b16.Fill(clRed);
    const TBitmap copy16 = b16;
    GaussianBlurRect(b16, TRect(0, 0, 8, 8), 3, 3);
    EXPECT_TRUE(b16.SharesImageWith(copy16));
    TBitmap c = original;
    GaussianBlurRect(c, TRect(20, 0, 30, 20), 3, 3);
    GaussianBlurRect(c, TRect(5, 5, 5, 9), 3, 3);
    GaussianBlurRect(c, TRect(0, 0, 20, 20), std::nan(""), std::nan(""));
    EXPECT_EQ(Bytes(c), Bytes(original));
}

TEST(GaussBlur, FourthByteIsBlurredToo) {
    TBitmap b(9, 9, pf32bit);
    b.Fill(clBlack);
    b.ScanLine(4)[4 * 4 + 3] = 255;
    GaussianBlurRect(b, TRect(0, 0, 9, 9), 2, 2);
    EXPECT_GT(b.ScanLine(4)[5 * 4 + 3], 0);
    EXPECT_EQ(b.ScanLine(4)[5 * 4 + 2], 0);
}

// Random sizes, rectangles, formats and radii (both paths) against the reference.
TEST(GaussBlur, RandomCasesMatchReference) {
    std::mt19937 rng(123);
    for (int n = 0; n < 80; ++n) {
        const TPixelFormat f = n % 3 == 0 ? pf8bit : n % 3 == 1 ? pf24bit : pf32bit;
        const int w = 1 + static_cast<int>(rng() % 40), h = 1 + static_cast<int>(rng() % 40);
        TBitmap b = RandomBitmap(w, h, f, rng);
        const int left = static_cast<int>(rng() % w), top = static_cast<int>(rng() % h);
        const TRect r(left, top, left + 1 + static_cast<int>(rng() % (w - left)),
                      top + 1 + static_cast<int>(rng() % (h - top)));
        const double limit = n % 4 == 0 ? 200 : 50;
        const double rx = (rng() % 1000) / 1000.0 * limit, ry = (rng() % 1000) / 1000.0 * limit;
        SCOPED_TRACE(testing::Message() << "case " << n << " radii " << rx << ", " << ry);
        TBitmap expected = b;
        RefBlur(expected, r, rx, ry);
        GaussianBlurRect(b, r, rx, ry);
        ASSERT_EQ(Bytes(b), Bytes(expected));
    }
}

namespace {

// A step from 0 to 255 at the middle of a line, blurred across, against the exact sampled
// Gaussian of the same sigma: the largest difference in levels, and the shift of the edge in
// pixels (the area between the two curves over the step's height).
struct TStepError {
    double MaxLevels = 0;
    double Shift = 0;
};

TStepError StepEdgeError(double Radius, void (*Blur)(TBitmap&, const TRect&, double, double)) {
    const double sigma = BlurSigmaOfRadius(Radius);
    const int half = static_cast<int>(std::ceil(8 * sigma)) + 4;
    const int length = 2 * half;
    TBitmap b(length, 1, pf8bit);
    for (int x = 0; x < length; ++x)
        b.ScanLine(0)[x] = x < half ? 0 : 255;
    Blur(b, TRect(0, 0, length, 1), Radius, 0);
    std::vector<double> g(2 * length);
    double total = 0;
    for (int d = -length + 1; d < length; ++d)
        total += g[d + length] = std::exp(-0.5 * d * d / (sigma * sigma));
    TStepError e;
    double area = 0;
    for (int x = 0; x < length; ++x) {
        double ref = 0;
        for (int k = half; k < x + length && k < 3 * length; ++k)
            ref += g[std::clamp(x - k + length, 0, 2 * length - 1)];
        // Beyond the line the step continues with its end values.
        ref = 255 * ref / total;
        const double diff = b.ScanLine(0)[x] - ref;
        e.MaxLevels = std::max(e.MaxLevels, std::fabs(diff));
        area += diff;
    }
    e.Shift = area / 255;
    return e;
}

} // namespace

// The table of step-edge accuracy over the radii the program uses: within one level of the
// exact Gaussian everywhere, and the edge stays where it was.
TEST(GaussBlur, StepEdgeAccuracyForEveryRadius) {
    double worst = 0, worstShift = 0;
    std::vector<double> radii;
    for (int r = 1; r <= 200; ++r)
        radii.push_back(r);
    radii.push_back(MaxFixedBlurRadius + 0.5);
    for (double r : radii) {
        const TStepError e = StepEdgeError(r, GaussianBlurRect);
        std::printf("radius %5.1f  sigma %7.3f  max error %.3f levels  shift %+.4f px\n", r,
                    BlurSigmaOfRadius(r), e.MaxLevels, e.Shift);
        worst = std::max(worst, e.MaxLevels);
        worstShift = std::max(worstShift, std::fabs(e.Shift));
        EXPECT_LE(e.MaxLevels, 1.0) << "radius " << r;
        EXPECT_LE(std::fabs(e.Shift), 0.01) << "radius " << r;
    }
    std::printf("worst: %.3f levels, %.4f px\n", worst, worstShift);
}
