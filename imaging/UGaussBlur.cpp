#include "UGaussBlur.h"

#include "UFixedStretch.h"
#include "UPixelMath.h"
#include "UPixelThreads.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

namespace {

// The real coefficients for sigma, in extended precision.
struct TRealSet {
    long double Alpha[5] = {};
    long double Delta[5] = {};
    long double Beta[5] = {};
};

TRealSet RealCoefficients(long double S) {
    const long double pi = 3.141592653589793238462643383279502884L;
    const long double g = 1.0L / (S * std::sqrt(2.0L * pi));
    const long double a0 = 1.6803L * g, a1 = 3.735L * g, c0 = -0.6803L * g, c1 = -0.2598L * g;
    const long double e0 = std::exp(-1.783L / S), e1 = std::exp(-1.723L / S);
    const long double s0 = std::sin(0.6318L / S), k0 = std::cos(0.6318L / S);
    const long double s1 = std::sin(1.997L / S), k1 = std::cos(1.997L / S);
    TRealSet r;
    r.Alpha[0] = a0 + c0;
    r.Alpha[1] = e1 * (c1 * s1 - (2 * a0 + c0) * k1) + e0 * (a1 * s0 - (2 * c0 + a0) * k0);
    r.Alpha[2] = 2 * e0 * e1 * ((a0 + c0) * k1 * k0 - a1 * k1 * s0 - c1 * k0 * s1) + c0 * e0 * e0 +
                 a0 * e1 * e1;
    r.Alpha[3] = e0 * e0 * e1 * (c1 * s1 - c0 * k1) + e0 * e1 * e1 * (a1 * s0 - a0 * k0);
    r.Alpha[4] = 0;
    r.Delta[0] = 0;
    r.Delta[1] = -2 * e1 * k1 - 2 * e0 * k0;
    r.Delta[2] = 4 * k1 * k0 * e0 * e1 + e1 * e1 + e0 * e0;
    r.Delta[3] = -2 * k0 * e0 * e1 * e1 - 2 * k1 * e0 * e0 * e1;
    r.Delta[4] = e0 * e0 * e1 * e1;
    r.Beta[0] = 0;
    for (int k = 1; k < 5; ++k)
        r.Beta[k] = r.Alpha[k] - r.Delta[k] * r.Alpha[0];
    return r;
}

int32_t ToFixed(long double V) {
    return static_cast<int32_t>(std::llrint(V * 65536.0L)); // ties to even
}

// n / d rounded half away from zero (d > 0).
int64_t RoundDiv(int64_t N, int64_t D) {
    return N >= 0 ? (N + D / 2) / D : -((-N + D / 2) / D);
}

constexpr int32_t FixedMulWide(int32_t A, int32_t B) {
    return static_cast<int32_t>((static_cast<int64_t>(A) * B + 32768) >> 16);
}

// FixedMul(D, P) in 32-bit operations only, so that it vectorises without 64-bit products:
// with D = High * 65536 + Low and P = Ph * 65536 + Pl (Low, Pl in 0..65535),
// (D * P + 32768) >> 16 = High * P + Low * Ph + ((Low * Pl + 32768) >> 16), exactly; the last
// product plus 32768 fits in 32 unsigned bits. |High| <= 8 and |P| < 2^26 keep the rest in
// range.
struct TSplitFactor {
    int32_t High = 0;
    uint32_t Low = 0;
    explicit TSplitFactor(int32_t D) : High(D >> 16), Low(static_cast<uint32_t>(D) & 0xFFFF) {}
};

inline int32_t FixedMulSplit(TSplitFactor D, int32_t P) {
    return D.High * P + static_cast<int32_t>(D.Low) * (P >> 16) +
           static_cast<int32_t>((D.Low * (static_cast<uint32_t>(P) & 0xFFFF) + 32768u) >> 16);
}

// ---------------------------------------------------------------------------------------
// Line filters. A block holds S independent lines side by side ("lanes"): sample i of lane
// s is Data[i * Stride + s]. Filtering the lanes together gives exactly the result of
// filtering each line on its own, and keeps the loops over s contiguous. Blocks are
// filtered in place: the causal values of every sample are kept, and the anti-causal sweep
// remembers the last inputs it has overwritten.

struct TFixedLines {
    const TDericheCoefficientsFixed K;
    // Start terms for t = min(i, 4) < 4, by end value: sum over k > t of
    // Alpha[k] * x0 - Delta[k] * x0 * CausalGain / Denominator (and likewise for Beta).
    std::array<std::array<int32_t, 256>, 4> CausalStart{};
    std::array<std::array<int32_t, 256>, 4> AntiCausalStart{};

    explicit TFixedLines(const TDericheCoefficientsFixed& Coefficients) : K(Coefficients) {
        for (int t = 0; t < 4; ++t) {
            int64_t alpha = 0, beta = 0, delta = 0;
            for (int k = t + 1; k < 5; ++k) {
                alpha += K.Alpha[k];
                beta += K.Beta[k];
                delta += K.Delta[k];
            }
            for (int x = 0; x < 256; ++x) {
                CausalStart[t][x] = static_cast<int32_t>(
                    alpha * x - RoundDiv(delta * K.CausalGain * x, K.Denominator));
                AntiCausalStart[t][x] = static_cast<int32_t>(
                    beta * x - RoundDiv(delta * K.AntiCausalGain * x, K.Denominator));
            }
        }
    }

    struct TWork {
        std::vector<int32_t> P;     // causal values, M * S
        std::vector<int32_t> Q;     // ring of five anti-causal rows
        std::vector<uint8_t> X;     // ring of five input rows
        std::vector<uint8_t> Last;  // the last input row
        std::vector<uint8_t> First; // the first input row
    };

    void Run(uint8_t* Data, ptrdiff_t Stride, int M, int S, TWork& W) const;
};

#define VANTOMI_INLINE inline __attribute__((always_inline))

VANTOMI_INLINE void RunFixedLines(const TFixedLines& L, uint8_t* Data, ptrdiff_t Stride, int M,
                                  int S, TFixedLines::TWork& W) {
    const TDericheCoefficientsFixed& K = L.K;
    const size_t lanes = static_cast<size_t>(S);
    W.P.resize(static_cast<size_t>(M) * lanes);
    W.Q.resize(5 * lanes);
    W.X.resize(5 * lanes);
    W.First.assign(Data, Data + S);
    W.Last.assign(Data + (M - 1) * Stride, Data + (M - 1) * Stride + S);
    const uint8_t* first = W.First.data();
    const uint8_t* last = W.Last.data();
    const int32_t a0 = K.Alpha[0], a1 = K.Alpha[1], a2 = K.Alpha[2], a3 = K.Alpha[3];
    const int32_t b1 = K.Beta[1], b2 = K.Beta[2], b3 = K.Beta[3], b4 = K.Beta[4];
    const TSplitFactor d1(K.Delta[1]), d2(K.Delta[2]), d3(K.Delta[3]), d4(K.Delta[4]);

    // Causal: p[i] = sum over k <= t of (Alpha[k] x[i-k] - Delta[k] p[i-k]) plus the start
    // term for the samples before the line. Alpha[4] is 0 and Delta[0] is 0.
    for (int i = 0; i < M; ++i) {
        const uint8_t* __restrict x0 = Data + i * Stride;
        int32_t* __restrict p0 = W.P.data() + static_cast<size_t>(i) * lanes;
        if (i >= 4) {
            const uint8_t* x1 = x0 - Stride;
            const uint8_t* x2 = x1 - Stride;
            const uint8_t* x3 = x2 - Stride;
            const int32_t* p1 = p0 - S;
            const int32_t* p2 = p1 - S;
            const int32_t* p3 = p2 - S;
            const int32_t* p4 = p3 - S;
            // The lanes are independent and the rows never overlap.
#pragma GCC ivdep
            for (int s = 0; s < S; ++s)
                p0[s] = a0 * x0[s] + a1 * x1[s] + a2 * x2[s] + a3 * x3[s] -
                        FixedMulSplit(d1, p1[s]) - FixedMulSplit(d2, p2[s]) -
                        FixedMulSplit(d3, p3[s]) - FixedMulSplit(d4, p4[s]);
            continue;
        }
        const auto& start = L.CausalStart[i];
        for (int s = 0; s < S; ++s) {
            int32_t sum = start[first[s]] + a0 * x0[s];
            for (int k = 1; k <= i; ++k)
                sum += K.Alpha[k] * Data[(i - k) * Stride + s] -
                       FixedMulWide(K.Delta[k], W.P[static_cast<size_t>(i - k) * lanes + s]);
            p0[s] = sum;
        }
    }

    // Anti-causal: q[j] = sum over k <= t of (Beta[k] x[j+k] - Delta[k] q[j+k]) plus the end
    // term; Beta[0] is 0. Output (p + q + 32768) div 65536, clamped.
    auto ring = [&](std::vector<int32_t>& V, int J) { return V.data() + (J % 5) * lanes; };
    auto xring = [&](int J) { return W.X.data() + (J % 5) * lanes; };
    for (int j = M - 1; j >= 0; --j) {
        uint8_t* __restrict out = Data + j * Stride;
        std::memcpy(xring(j), out, lanes);
        int32_t* __restrict q0 = ring(W.Q, j);
        const int32_t* __restrict p = W.P.data() + static_cast<size_t>(j) * lanes;
        const int t = std::min(M - 1 - j, 4);
        if (t == 4) {
            const uint8_t* x1 = xring(j + 1);
            const uint8_t* x2 = xring(j + 2);
            const uint8_t* x3 = xring(j + 3);
            const uint8_t* x4 = xring(j + 4);
            const int32_t* q1 = ring(W.Q, j + 1);
            const int32_t* q2 = ring(W.Q, j + 2);
            const int32_t* q3 = ring(W.Q, j + 3);
            const int32_t* q4 = ring(W.Q, j + 4);
#pragma GCC ivdep
            for (int s = 0; s < S; ++s) {
                const int32_t q = b1 * x1[s] + b2 * x2[s] + b3 * x3[s] + b4 * x4[s] -
                                  FixedMulSplit(d1, q1[s]) - FixedMulSplit(d2, q2[s]) -
                                  FixedMulSplit(d3, q3[s]) - FixedMulSplit(d4, q4[s]);
                q0[s] = q;
                out[s] = ClampByte((p[s] + q + 32768) >> 16);
            }
            continue;
        }
        const auto& start = L.AntiCausalStart[t];
        for (int s = 0; s < S; ++s) {
            int32_t q = start[last[s]];
            for (int k = 1; k <= t; ++k)
                q += K.Beta[k] * xring(j + k)[s] - FixedMulWide(K.Delta[k], ring(W.Q, j + k)[s]);
            q0[s] = q;
            out[s] = ClampByte((p[s] + q + 32768) >> 16);
        }
    }
}

// The same code compiled for AVX-512 or AVX2 where the processor has it (sixteen or eight
// lanes per instruction). Neither variant enables FMA, and ISO C++ mode keeps the compiler
// from contracting products into sums, so every variant rounds exactly as the baseline.
#if defined(__x86_64__) && defined(__GNUC__)
#define VANTOMI_TARGET_AVX512 __attribute__((target("avx512f,avx512bw,avx512dq,avx512vl")))
#define VANTOMI_TARGET_AVX2 __attribute__((target("avx2")))

enum TVectorLevel { vlBase, vlAvx2, vlAvx512 };

TVectorLevel VectorLevel() {
    static const TVectorLevel level = [] {
        if (__builtin_cpu_supports("avx512f") && __builtin_cpu_supports("avx512bw") &&
            __builtin_cpu_supports("avx512dq") && __builtin_cpu_supports("avx512vl"))
            return vlAvx512;
        return __builtin_cpu_supports("avx2") ? vlAvx2 : vlBase;
    }();
    return level;
}

VANTOMI_TARGET_AVX512 void RunFixedLinesAvx512(const TFixedLines& L, uint8_t* Data,
                                               ptrdiff_t Stride, int M, int S,
                                               TFixedLines::TWork& W) {
    RunFixedLines(L, Data, Stride, M, S, W);
}
VANTOMI_TARGET_AVX2 void RunFixedLinesAvx2(const TFixedLines& L, uint8_t* Data, ptrdiff_t Stride,
                                           int M, int S, TFixedLines::TWork& W) {
    RunFixedLines(L, Data, Stride, M, S, W);
}
#endif

void RunFixedLinesBase(const TFixedLines& L, uint8_t* Data, ptrdiff_t Stride, int M, int S,
                       TFixedLines::TWork& W) {
    RunFixedLines(L, Data, Stride, M, S, W);
}

void TFixedLines::Run(uint8_t* Data, ptrdiff_t Stride, int M, int S, TWork& W) const {
#if defined(__x86_64__) && defined(__GNUC__)
    switch (VectorLevel()) {
    case vlAvx512:
        RunFixedLinesAvx512(*this, Data, Stride, M, S, W);
        return;
    case vlAvx2:
        RunFixedLinesAvx2(*this, Data, Stride, M, S, W);
        return;
    default:
        break;
    }
#endif
    RunFixedLinesBase(*this, Data, Stride, M, S, W);
}

struct TFloatLines {
    const TDericheCoefficients K;

    explicit TFloatLines(const TDericheCoefficients& Coefficients) : K(Coefficients) {}

    struct TWork {
        std::vector<double> P;
        std::vector<double> Q;
        std::vector<uint8_t> X;
        std::vector<uint8_t> Last;
        std::vector<uint8_t> First;
    };

    void Run(uint8_t* Data, ptrdiff_t Stride, int M, int S, TWork& W) const;
};

VANTOMI_INLINE void RunFloatLines(const TFloatLines& L, uint8_t* Data, ptrdiff_t Stride, int M,
                                  int S, TFloatLines::TWork& W) {
    const TDericheCoefficients& K = L.K;
    const size_t lanes = static_cast<size_t>(S);
    W.P.resize(static_cast<size_t>(M) * lanes);
    W.Q.resize(5 * lanes);
    W.X.resize(5 * lanes);
    W.First.assign(Data, Data + S);
    W.Last.assign(Data + (M - 1) * Stride, Data + (M - 1) * Stride + S);
    // The same sums as the fixed-point filter, in this order: Alpha[0] x[i], then for
    // k = 1 .. t the pair Alpha[k] x[i-k] - Delta[k] p[i-k], then the start terms.
    const double a0 = K.Alpha[0], a1 = K.Alpha[1], a2 = K.Alpha[2], a3 = K.Alpha[3],
                 a4 = K.Alpha[4];
    const double d1 = K.Delta[1], d2 = K.Delta[2], d3 = K.Delta[3], d4 = K.Delta[4];
    for (int i = 0; i < M; ++i) {
        const uint8_t* __restrict x0 = Data + i * Stride;
        double* __restrict p0 = W.P.data() + static_cast<size_t>(i) * lanes;
        if (i >= 4) {
            const uint8_t* x1 = x0 - Stride;
            const uint8_t* x2 = x1 - Stride;
            const uint8_t* x3 = x2 - Stride;
            const uint8_t* x4 = x3 - Stride;
            const double* p1 = p0 - S;
            const double* p2 = p1 - S;
            const double* p3 = p2 - S;
            const double* p4 = p3 - S;
#pragma GCC ivdep
            for (int s = 0; s < S; ++s) {
                double sum = a0 * x0[s];
                sum += a1 * x1[s] - d1 * p1[s];
                sum += a2 * x2[s] - d2 * p2[s];
                sum += a3 * x3[s] - d3 * p3[s];
                sum += a4 * x4[s] - d4 * p4[s];
                p0[s] = sum;
            }
            continue;
        }
        for (int s = 0; s < S; ++s) {
            double sum = a0 * x0[s];
            for (int k = 1; k <= i; ++k)
                sum += K.Alpha[k] * Data[(i - k) * Stride + s] -
                       K.Delta[k] * W.P[static_cast<size_t>(i - k) * lanes + s];
            for (int k = i + 1; k < 5; ++k)
                sum += (K.Alpha[k] - K.Epsilon[k]) * W.First[s];
            p0[s] = sum;
        }
    }
    auto qrow = [&](int J) { return W.Q.data() + (J % 5) * lanes; };
    auto xrow = [&](int J) { return W.X.data() + (J % 5) * lanes; };
    for (int j = M - 1; j >= 0; --j) {
        uint8_t* __restrict out = Data + j * Stride;
        std::memcpy(xrow(j), out, lanes);
        const int t = std::min(M - 1 - j, 4);
        double* __restrict q0 = qrow(j);
        const double* __restrict p = W.P.data() + static_cast<size_t>(j) * lanes;
        if (t == 4) {
            // The loop below unrolled, in the same order of operations.
            const uint8_t* x1 = xrow(j + 1);
            const uint8_t* x2 = xrow(j + 2);
            const uint8_t* x3 = xrow(j + 3);
            const uint8_t* x4 = xrow(j + 4);
            const double* q1 = qrow(j + 1);
            const double* q2 = qrow(j + 2);
            const double* q3 = qrow(j + 3);
            const double* q4 = qrow(j + 4);
            const double b1 = K.Beta[1], b2 = K.Beta[2], b3 = K.Beta[3], b4 = K.Beta[4];
#pragma GCC ivdep
            for (int s = 0; s < S; ++s) {
                double q = b1 * x1[s] - d1 * q1[s];
                q += b2 * x2[s] - d2 * q2[s];
                q += b3 * x3[s] - d3 * q3[s];
                q += b4 * x4[s] - d4 * q4[s];
                q0[s] = q;
                const double v = p[s] + q + 0.5;
                out[s] = v <= 0 ? 0 : v >= 255 ? 255 : static_cast<uint8_t>(v);
            }
            continue;
        }
        for (int s = 0; s < S; ++s) {
            double q = 0;
            for (int k = 1; k <= t; ++k)
                q += K.Beta[k] * xrow(j + k)[s] - K.Delta[k] * qrow(j + k)[s];
            for (int k = t + 1; k < 5; ++k)
                q += (K.Beta[k] - K.Phi[k]) * W.Last[s];
            q0[s] = q;
            // Rounded to nearest: the normalised gain puts a flat colour at its own value.
            const double v = p[s] + q + 0.5;
            out[s] = v <= 0 ? 0 : v >= 255 ? 255 : static_cast<uint8_t>(v);
        }
    }
}

#if defined(__x86_64__) && defined(__GNUC__)
VANTOMI_TARGET_AVX512 void RunFloatLinesAvx512(const TFloatLines& L, uint8_t* Data,
                                               ptrdiff_t Stride, int M, int S,
                                               TFloatLines::TWork& W) {
    RunFloatLines(L, Data, Stride, M, S, W);
}
VANTOMI_TARGET_AVX2 void RunFloatLinesAvx2(const TFloatLines& L, uint8_t* Data, ptrdiff_t Stride,
                                           int M, int S, TFloatLines::TWork& W) {
    RunFloatLines(L, Data, Stride, M, S, W);
}
#endif

void RunFloatLinesBase(const TFloatLines& L, uint8_t* Data, ptrdiff_t Stride, int M, int S,
                       TFloatLines::TWork& W) {
    RunFloatLines(L, Data, Stride, M, S, W);
}

void TFloatLines::Run(uint8_t* Data, ptrdiff_t Stride, int M, int S, TWork& W) const {
#if defined(__x86_64__) && defined(__GNUC__)
    switch (VectorLevel()) {
    case vlAvx512:
        RunFloatLinesAvx512(*this, Data, Stride, M, S, W);
        return;
    case vlAvx2:
        RunFloatLinesAvx2(*this, Data, Stride, M, S, W);
        return;
    default:
        break;
    }
#endif
    RunFloatLinesBase(*this, Data, Stride, M, S, W);
}

// ---------------------------------------------------------------------------------------
// Passes over a rectangle.

// Byte columns filtered together in the vertical pass, and rows in the horizontal pass.
constexpr int VerticalLanes = 64;
constexpr int HorizontalRows = 32;

struct TBlurArea {
    TBitmap& Bitmap;
    TRect R;
    int Ch;
};

int64_t AreaBytes(const TBlurArea& A) {
    return static_cast<int64_t>(A.R.Width()) * A.R.Height() * A.Ch;
}

// Blocks of VerticalLanes byte columns are independent; each band of blocks has its own
// work buffers.
template <class TLines>
void VerticalPass(const TBlurArea& A, const TLines& Lines) {
    const int height = A.R.Height();
    const int rowBytes = A.R.Width() * A.Ch;
    uint8_t* top = A.Bitmap.ScanLine(A.R.Top) + static_cast<ptrdiff_t>(A.R.Left) * A.Ch;
    const ptrdiff_t stride = A.Bitmap.BytesPerLine();
    const int blocks = (rowBytes + VerticalLanes - 1) / VerticalLanes;
    RunPixelBands(blocks, AreaBytes(A), [&](int First, int End) {
        typename TLines::TWork work;
        for (int b = First; b < End; ++b) {
            const int s = b * VerticalLanes;
            Lines.Run(top + s, stride, height, std::min(VerticalLanes, rowBytes - s), work);
        }
    });
}

// Moves the rows of a block to and from lanes: sample x of row r, channel c is
// Block[x * Rows * Ch + r * Ch + c]. The block is written (or read) sequentially.
template <int Ch, bool ToBlock>
void TransposeRows(uint8_t* const* Rows, int RowCount, int Width, uint8_t* Block) {
    for (int x = 0; x < Width; ++x) {
        uint8_t* lane = Block + static_cast<ptrdiff_t>(x) * RowCount * Ch;
        for (int r = 0; r < RowCount; ++r) {
            uint8_t* pixel = Rows[r] + static_cast<ptrdiff_t>(x) * Ch;
            for (int c = 0; c < Ch; ++c) {
                if constexpr (ToBlock)
                    lane[r * Ch + c] = pixel[c];
                else
                    pixel[c] = lane[r * Ch + c];
            }
        }
    }
}

template <bool ToBlock>
void Transpose(int Ch, uint8_t* const* Rows, int RowCount, int Width, uint8_t* Block) {
    switch (Ch) {
    case 1:
        TransposeRows<1, ToBlock>(Rows, RowCount, Width, Block);
        break;
    case 3:
        TransposeRows<3, ToBlock>(Rows, RowCount, Width, Block);
        break;
    default:
        TransposeRows<4, ToBlock>(Rows, RowCount, Width, Block);
        break;
    }
}

// Blocks of HorizontalRows rows are independent; each band of blocks has its own block
// buffer.
template <class TLines>
void HorizontalPass(const TBlurArea& A, const TLines& Lines) {
    const int width = A.R.Width();
    const int ch = A.Ch;
    const int blocks = (A.R.Height() + HorizontalRows - 1) / HorizontalRows;
    RunPixelBands(blocks, AreaBytes(A), [&](int First, int End) {
        std::vector<uint8_t> block(static_cast<size_t>(width) * HorizontalRows * ch);
        std::array<uint8_t*, HorizontalRows> rows{};
        typename TLines::TWork work;
        for (int b = First; b < End; ++b) {
            const int y0 = A.R.Top + b * HorizontalRows;
            const int count = std::min(HorizontalRows, A.R.Bottom - y0);
            for (int r = 0; r < count; ++r)
                rows[r] = A.Bitmap.ScanLine(y0 + r) + static_cast<ptrdiff_t>(A.R.Left) * ch;
            Transpose<true>(ch, rows.data(), count, width, block.data());
            Lines.Run(block.data(), count * ch, width, count * ch, work);
            Transpose<false>(ch, rows.data(), count, width, block.data());
        }
    });
}

bool PassRuns(double Radius) {
    return Radius >= 1;
}

double ClampedRadius(double Radius) {
    return std::min(std::fabs(Radius), MaxBlurRadius);
}

template <class TLines, class TMake>
void Blur(TBitmap& Bitmap, const TRect& Rect, double RadiusX, double RadiusY, TMake Make) {
    TRect r;
    if (!IntersectNonEmpty(r, Rect, TRect(0, 0, Bitmap.Width(), Bitmap.Height())))
        return;
    const int ch = ChannelsOf(Bitmap.PixelFormat());
    if (ch == 0)
        return;
    Bitmap.Bits(); // unshared before the bands write their rows
    const TBlurArea area{Bitmap, r, ch};
    // One coefficient set, recomputed only when the horizontal radius differs.
    std::optional<TLines> lines;
    double linesRadius = -1;
    auto linesFor = [&](double Radius) -> const TLines& {
        if (!lines || Radius != linesRadius) {
            lines.emplace(Make(BlurSigmaOfRadius(Radius)));
            linesRadius = Radius;
        }
        return *lines;
    };
    if (PassRuns(RadiusY))
        VerticalPass(area, linesFor(ClampedRadius(RadiusY)));
    if (PassRuns(RadiusX))
        HorizontalPass(area, linesFor(ClampedRadius(RadiusX)));
}

void BlurFloat(TBitmap& Bitmap, const TRect& Rect, double RadiusX, double RadiusY) {
    Blur<TFloatLines>(Bitmap, Rect, RadiusX, RadiusY, DericheCoefficients);
}

} // namespace

double BlurSigmaOfRadius(double Radius) {
    const long double r = std::fabs(static_cast<long double>(Radius)) + 1;
    return static_cast<double>(std::sqrt(r * r / (2 * std::log(255.0L))));
}

TDericheCoefficients DericheCoefficients(double Sigma) {
    const TRealSet real = RealCoefficients(Sigma);
    TDericheCoefficients k;
    long double alpha = 0, beta = 0, delta = 0;
    for (int i = 0; i < 5; ++i) {
        k.Alpha[i] = static_cast<double>(real.Alpha[i]);
        k.Delta[i] = static_cast<double>(real.Delta[i]);
        k.Beta[i] = static_cast<double>(real.Beta[i]);
        alpha += k.Alpha[i];
        beta += k.Beta[i];
        delta += k.Delta[i];
    }
    // Unit gain for the denominators as stored.
    const long double denominator = 1 + delta;
    const long double scale = denominator / (alpha + beta);
    alpha = beta = 0;
    for (int i = 0; i < 5; ++i) {
        k.Alpha[i] = static_cast<double>(k.Alpha[i] * scale);
        k.Beta[i] = static_cast<double>(k.Beta[i] * scale);
        alpha += k.Alpha[i];
        beta += k.Beta[i];
    }
    for (int i = 0; i < 5; ++i) {
        k.Epsilon[i] = static_cast<double>(k.Delta[i] * alpha / denominator);
        k.Phi[i] = static_cast<double>(k.Delta[i] * beta / denominator);
    }
    return k;
}

TDericheCoefficientsFixed DericheCoefficientsFixed(double Sigma) {
    const TRealSet real = RealCoefficients(Sigma);
    TDericheCoefficientsFixed k;
    int64_t alpha = 0, beta = 0, delta = 0;
    for (int i = 0; i < 5; ++i) {
        k.Alpha[i] = ToFixed(real.Alpha[i]);
        k.Delta[i] = ToFixed(real.Delta[i]);
        k.Beta[i] = ToFixed(real.Beta[i]);
        alpha += k.Alpha[i];
        beta += k.Beta[i];
        delta += k.Delta[i];
    }
    // Rounding moves the recursion's steady gain 1 / (1 + sum Delta) by several percent at
    // large radii; the residual of the numerators is put on the centre taps so that a flat
    // line comes out at its own value.
    const int64_t denominator = 65536 + delta;
    const int64_t residual = denominator - (alpha + beta);
    k.Alpha[0] += static_cast<int32_t>(residual / 2);
    k.Beta[1] += static_cast<int32_t>(residual - residual / 2);
    k.CausalGain = static_cast<int32_t>(alpha + residual / 2);
    k.AntiCausalGain = static_cast<int32_t>(beta + residual - residual / 2);
    k.Denominator = static_cast<int32_t>(denominator);
    return k;
}

void GaussianBlurRect(TBitmap& Bitmap, const TRect& Rect, double RadiusX, double RadiusY) {
    if (!PassRuns(RadiusX) && !PassRuns(RadiusY))
        return;
    const double largest = std::max(PassRuns(RadiusX) ? std::fabs(RadiusX) : 0.0,
                                    PassRuns(RadiusY) ? std::fabs(RadiusY) : 0.0);
    if (largest <= MaxFixedBlurRadius)
        GaussianBlurRectFixed(Bitmap, Rect, RadiusX, RadiusY);
    else
        BlurFloat(Bitmap, Rect, RadiusX, RadiusY);
}

void GaussianBlurRectFixed(TBitmap& Bitmap, const TRect& Rect, double RadiusX, double RadiusY) {
    if ((PassRuns(RadiusX) && std::fabs(RadiusX) > MaxFixedBlurRadius) ||
        (PassRuns(RadiusY) && std::fabs(RadiusY) > MaxFixedBlurRadius)) {
        BlurFloat(Bitmap, Rect, RadiusX, RadiusY);
        return;
    }
    Blur<TFixedLines>(Bitmap, Rect, RadiusX, RadiusY, DericheCoefficientsFixed);
}
