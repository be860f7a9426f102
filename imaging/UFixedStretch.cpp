#include "UFixedStretch.h"

#include "UPixelThreads.h"

#include <algorithm>
#include <array>
#include <cassert>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

// Destination rows per band: each band of the filtered pipeline starts by resampling up to
// four source rows across.
constexpr int MinResampleBand = 16;

// Gives Dest the pixel format without converting its pixels, which are all overwritten.
void TakePixelFormat(TBitmap& Dest, TPixelFormat Format) {
    if (Dest.PixelFormat() == Format)
        return;
    const int width = Dest.Width();
    const int height = Dest.Height();
    Dest.SetSize(0, 0);
    Dest.SetPixelFormat(Format);
    Dest.SetSize(width, height);
}

// ---------------------------------------------------------------------------------------
// Nearest pixel: precomputed column offsets and source rows; a repeated source row copies
// the previous destination row whole.

template <int Ch>
void ResampleNearest(TBitmap& Dest, const TBitmap& Source, const TRect& R, int Y0, int Y1) {
    const int w = R.Width();
    const int h = R.Height();
    const int W = Dest.Width();
    const int H = Dest.Height();
    std::vector<int> columns(static_cast<size_t>(W));
    for (int x = 0; x < W; ++x)
        columns[x] = (static_cast<int>((static_cast<int64_t>(x) * w + w / 2) / W) + R.Left) * Ch;
    const size_t rowBytes = static_cast<size_t>(W) * Ch;
    int previous = -1;
    for (int y = Y0; y < Y1; ++y) {
        const int sourceRow = static_cast<int>((static_cast<int64_t>(y) * h + h / 2) / H) + R.Top;
        uint8_t* d = Dest.ScanLine(y);
        if (sourceRow == previous) {
            std::memcpy(d, Dest.ScanLine(y - 1), rowBytes);
            continue;
        }
        const uint8_t* s = Source.ScanLine(sourceRow);
        for (int x = 0; x < W; ++x) {
            const uint8_t* p = s + columns[x];
            for (int c = 0; c < Ch; ++c)
                d[x * Ch + c] = p[c];
        }
        previous = sourceRow;
    }
}

// ---------------------------------------------------------------------------------------
// Horizontal resamplers. Src points at the rectangle's first pixel inside the widened source
// row, so pixel numbers -2, -1, w and w + 1 are the guard pixels.

// One output pixel of the box (area average) shrink. Output k covers the source positions
// [k * step, (k + 1) * step) with 8-bit fractions at both ends; Boundary is the pixel holding
// the interval's end and Fraction the part of it (0..255) that belongs to this output.
// The sum is divided by the weight actually summed (Weight, in 1/256 pixel), rounded half
// up, so that a uniform row keeps its value exactly for every ratio. The division is a
// multiplication by Magic = ceil(2^55 / Weight), exact for every sum of bytes (the numerator
// times Weight stays below 2^55).
struct TBoxColumn {
    int32_t Boundary = 0;
    int32_t Fraction = 0;
    uint32_t HalfWeight = 0;
    uint64_t Magic = 0;
};

std::vector<TBoxColumn> BoxColumns(int w, int W) {
    const int64_t step = (static_cast<int64_t>(w) << 16) / W;
    std::vector<TBoxColumn> columns(static_cast<size_t>(W));
    int64_t previousEnd = 0;
    for (int k = 0; k < W; ++k) {
        const int64_t end = (k + 1) * step;
        TBoxColumn& col = columns[k];
        col.Boundary = static_cast<int32_t>(end >> 16);
        col.Fraction = static_cast<int32_t>((end >> 8) & 255);
        const uint64_t weight = static_cast<uint64_t>((end >> 8) - previousEnd);
        assert(weight >= 256 && weight < (1u << 23));
        col.HalfWeight = static_cast<uint32_t>(weight / 2);
        col.Magic = ((uint64_t(1) << 55) + weight - 1) / weight;
        previousEnd = end >> 8;
    }
    return columns;
}

// Src holds Width pixels (bytes of the source row, or the widened integer row). The pixel at
// a column's Boundary is read only when it lies inside the row: a boundary at Width belongs
// to the last column with fraction 0, so it adds nothing.
template <int Ch, class TSample>
void ResampleRowBox(const TSample* __restrict Src, int Width, int32_t* __restrict Out,
                    const std::vector<TBoxColumn>& Columns) {
    std::array<uint32_t, Ch> carry;
    for (int c = 0; c < Ch; ++c)
        carry[c] = static_cast<uint32_t>(Src[c]) * 256;
    int pixel = 0;
    for (const TBoxColumn& col : Columns) {
        std::array<uint32_t, Ch> sum{};
        for (int p = pixel + 1; p < col.Boundary; ++p)
            for (int c = 0; c < Ch; ++c)
                sum[c] += static_cast<uint32_t>(Src[p * Ch + c]);
        const bool inside = col.Boundary < Width;
        const TSample* b = Src + (inside ? col.Boundary : 0) * Ch;
        for (int c = 0; c < Ch; ++c) {
            const uint32_t boundary = inside ? static_cast<uint32_t>(b[c]) : 0u;
            const uint64_t x = static_cast<uint64_t>(sum[c]) * 256 + carry[c] +
                               static_cast<uint32_t>(col.Fraction) * boundary;
            Out[c] = static_cast<int32_t>(((x + col.HalfWeight) * col.Magic) >> 55);
            carry[c] = boundary * static_cast<uint32_t>(256 - col.Fraction);
        }
        Out += Ch;
        pixel = col.Boundary;
    }
}

// The box shrink by a whole ratio N (every column N pixels wide, no fractions): the same
// sums and the same division as ResampleRowBox, with the column walk known in advance so
// that the loop over a column's pixels is unrolled. N as a template argument unrolls the
// common ratios fully; N = 0 takes Width from the argument.
template <int Ch, int N>
void ResampleRowBoxWhole(const uint8_t* __restrict Src, int Columns, int Width,
                         const TBoxColumn& Column, int32_t* __restrict Out) {
    const int n = N > 0 ? N : Width;
    const uint64_t half = Column.HalfWeight;
    const uint64_t magic = Column.Magic;
    for (int k = 0; k < Columns; ++k, Src += n * Ch, Out += Ch) {
        std::array<uint32_t, Ch> sum{};
        for (int p = 0; p < n; ++p)
            for (int c = 0; c < Ch; ++c)
                sum[c] += Src[p * Ch + c];
        for (int c = 0; c < Ch; ++c)
            Out[c] = static_cast<int32_t>(((uint64_t(sum[c]) * 256 + half) * magic) >> 55);
    }
}

// The column width when every column of Columns is a whole number of pixels wide and all
// are equally wide; 0 otherwise.
int WholeBoxRatio(const std::vector<TBoxColumn>& Columns) {
    if (Columns.empty() || Columns[0].Fraction != 0)
        return 0;
    const int n = Columns[0].Boundary;
    for (size_t k = 0; k < Columns.size(); ++k)
        if (Columns[k].Fraction != 0 || Columns[k].Boundary != static_cast<int>(k + 1) * n)
            return 0;
    return n;
}

template <int Ch>
void ResampleBoxWholeT(const uint8_t* Src, int Ratio, const std::vector<TBoxColumn>& Columns,
                       int32_t* Out) {
    const int count = static_cast<int>(Columns.size());
    switch (Ratio) {
    case 2:
        ResampleRowBoxWhole<Ch, 2>(Src, count, 2, Columns[0], Out);
        break;
    case 3:
        ResampleRowBoxWhole<Ch, 3>(Src, count, 3, Columns[0], Out);
        break;
    case 4:
        ResampleRowBoxWhole<Ch, 4>(Src, count, 4, Columns[0], Out);
        break;
    case 8:
        ResampleRowBoxWhole<Ch, 8>(Src, count, 8, Columns[0], Out);
        break;
    default:
        ResampleRowBoxWhole<Ch, 0>(Src, count, Ratio, Columns[0], Out);
        break;
    }
}

// Enlarging taps: the sample for output x lies at source position x * step - 0.5 (16.16),
// between pixel Index and Index + 1 at fraction T (0..65535).
struct TTap {
    int32_t Index = 0;
    int32_t T = 0;
};

std::vector<TTap> FilterTaps(int w, int W) {
    const int32_t step = (w << 16) / W;
    std::vector<TTap> taps(static_cast<size_t>(W));
    int32_t p = 0;
    for (int x = 0; x < W; ++x, p += step) {
        const int32_t i = static_cast<int32_t>(static_cast<uint32_t>(p + 98304) >> 16) - 2;
        taps[x] = {i, p - 32768 - i * 65536};
    }
    return taps;
}

template <int Ch>
void ResampleRowLinear(const int32_t* Src, int32_t* Out, const std::vector<TTap>& Taps) {
    for (const TTap& tap : Taps) {
        const int32_t* a = Src + tap.Index * Ch;
        for (int c = 0; c < Ch; ++c)
            Out[c] = a[c] + ((a[c + Ch] - a[c]) * tap.T + 32768) / 65536;
        Out += Ch;
    }
}

// Catmull-Rom in Horner form; the result is not clamped (it may leave 0..255).
template <int Ch>
void ResampleRowCubic(const int32_t* Src, int32_t* Out, const std::vector<TTap>& Taps) {
    for (const TTap& tap : Taps) {
        const int32_t* p = Src + (tap.Index - 1) * Ch;
        const int32_t t = tap.T;
        for (int c = 0; c < Ch; ++c) {
            const int32_t p0 = p[c];
            const int32_t p1 = p[c + Ch];
            const int32_t p2 = p[c + 2 * Ch];
            const int32_t p3 = p[c + 3 * Ch];
            const int32_t r1 = ((p3 - p0 + 3 * (p1 - p2)) * t + 32768) / 65536;
            const int32_t r2 = ((r1 + 2 * p0 - 5 * p1 + 4 * p2 - p3) * t + 32768) / 65536;
            const int32_t r3 = ((r2 + p2 - p0) * t + 32768) / 65536;
            Out[c] = (r3 + 2 * p1) / 2;
        }
        Out += Ch;
    }
}

// ---------------------------------------------------------------------------------------
// The filtered pipeline: source rows widened into a guarded integer row, resampled
// horizontally into a ring of four rows, combined vertically into 8.8 sums and stored.

class TResampler {
public:
    TResampler(TBitmap& Dest, const TBitmap& Source, const TRect& R, int Channels,
               TResampleFilter Filter, TResampleEdge Edge);
    // Forms destination rows Y0..Y1-1. Every row depends only on the source, so bands of
    // rows may be formed by separate resamplers at the same time.
    void Run(int Y0, int Y1);

private:
    enum THorizontal { hzCopy, hzBox, hzLinear, hzCubic };

    int ServeRow(int Y) const;
    void FetchSourceRow(int Y);
    void FillGuards(const uint8_t* SourceLine);
    void CopyPixel(int To, int From);
    void ResampleRow(int32_t* Out) const;
    void ResampleBoxFromBytes(const uint8_t* Src, int32_t* Out) const;
    template <int Ch>
    void ResampleRowT(int32_t* Out) const;
    // Age 0 is the newest ring row, 3 the oldest.
    const int32_t* Slot(int Age) const { return FRing[(FNewest - Age) & 3].data(); }
    void RowsEqual(int Y0, int Y1);
    void RowsBox(int Y0, int Y1);
    void RowsFiltered(int Y0, int Y1);
    void StoreDestRow(int Y);

    TBitmap& FDest;
    const TBitmap& FSource;
    const TRect FRect;
    const int FCh;
    const TResampleFilter FFilter;
    const TResampleEdge FEdge;
    const int FW;  // rectangle width
    const int FH;  // rectangle height
    const int FDW; // destination width
    const int FDH; // destination height
    THorizontal FHorizontal = hzCopy;
    std::vector<TBoxColumn> FBoxColumns;
    int FWholeBoxRatio = 0; // see WholeBoxRatio
    std::vector<TTap> FTaps;
    std::vector<int32_t> FSourceRow;
    std::array<std::vector<int32_t>, 4> FRing;
    int FNewest = 0;
    std::vector<int32_t> FAccum;
};

TResampler::TResampler(TBitmap& Dest, const TBitmap& Source, const TRect& R, int Channels,
                       TResampleFilter Filter, TResampleEdge Edge)
    : FDest(Dest), FSource(Source), FRect(R), FCh(Channels), FFilter(Filter), FEdge(Edge),
      FW(R.Width()), FH(R.Height()), FDW(Dest.Width()), FDH(Dest.Height()) {
    if (FDW < FW) {
        FHorizontal = hzBox;
        FBoxColumns = BoxColumns(FW, FDW);
        FWholeBoxRatio = WholeBoxRatio(FBoxColumns);
    } else if (FDW > FW) {
        FHorizontal = Filter == rfCubic ? hzCubic : hzLinear;
        FTaps = FilterTaps(FW, FDW);
    }
    FSourceRow.assign(static_cast<size_t>(FW + 4) * FCh, 0);
    for (auto& row : FRing)
        row.assign(static_cast<size_t>(FDW) * FCh, 0);
    FAccum.assign(static_cast<size_t>(FDW) * FCh, 0);
}

void TResampler::Run(int Y0, int Y1) {
    if (FDH < FH)
        RowsBox(Y0, Y1);
    else if (FDH > FH)
        RowsFiltered(Y0, Y1);
    else
        RowsEqual(Y0, Y1);
}

int TResampler::ServeRow(int Y) const {
    if (Y < 0) {
        switch (FEdge) {
        case reExtend:
            return FRect.Top + Y >= 0 ? Y : 0;
        case reWrap:
            return (Y % FH + FH) % FH;
        default:
            return 0;
        }
    }
    if (Y >= FH) {
        switch (FEdge) {
        case reExtend:
            return FRect.Top + Y < FSource.Height() ? Y : FSource.Height() - 1 - FRect.Top;
        case reWrap:
            return Y % FH;
        default:
            return FH - 1;
        }
    }
    return Y;
}

void TResampler::CopyPixel(int To, int From) {
    std::copy_n(FSourceRow.begin() + static_cast<ptrdiff_t>(From) * FCh, FCh,
                FSourceRow.begin() + static_cast<ptrdiff_t>(To) * FCh);
}

void TResampler::FillGuards(const uint8_t* SourceLine) {
    const int w = FW;
    auto takeColumn = [&](int To, int Column) {
        const uint8_t* p = SourceLine + static_cast<ptrdiff_t>(Column) * FCh;
        for (int c = 0; c < FCh; ++c)
            FSourceRow[static_cast<size_t>(To) * FCh + c] = p[c];
    };
    switch (FEdge) {
    case reExtend: {
        const int left = FRect.Left;
        const int bitmapWidth = FSource.Width();
        if (left - 1 >= 0)
            takeColumn(1, left - 1);
        else
            CopyPixel(1, 2);
        if (left - 2 >= 0)
            takeColumn(0, left - 2);
        else
            CopyPixel(0, 1);
        if (left + w < bitmapWidth)
            takeColumn(w + 2, left + w);
        else
            CopyPixel(w + 2, w + 1);
        if (left + w + 1 < bitmapWidth)
            takeColumn(w + 3, left + w + 1);
        else
            CopyPixel(w + 3, w + 2);
        break;
    }
    case reWrap:
        if (w > 1) {
            CopyPixel(0, w);
            CopyPixel(1, w + 1);
            CopyPixel(w + 2, 2);
            CopyPixel(w + 3, 3);
        } else {
            for (int i : {0, 1, w + 2, w + 3})
                CopyPixel(i, 2);
        }
        break;
    default:
        CopyPixel(0, 2);
        CopyPixel(1, 2);
        CopyPixel(w + 2, w + 1);
        CopyPixel(w + 3, w + 1);
        break;
    }
}

void TResampler::FetchSourceRow(int Y) {
    FNewest = (FNewest + 1) & 3; // the oldest slot becomes the newest
    const int row = FRect.Top + ServeRow(Y);
    const uint8_t* line = FSource.ScanLine(row);
    const uint8_t* src = line + static_cast<ptrdiff_t>(FRect.Left) * FCh;
    if (FHorizontal == hzBox) {
        // The box reads the row's bytes in place: it needs neither guards nor a widened copy.
        ResampleBoxFromBytes(src, FRing[FNewest].data());
        return;
    }
    int32_t* dst = FSourceRow.data() + 2 * FCh;
    const int count = FW * FCh;
    for (int i = 0; i < count; ++i)
        dst[i] = src[i];
    FillGuards(line);
    ResampleRow(FRing[FNewest].data());
}

template <int Ch>
void TResampler::ResampleRowT(int32_t* Out) const {
    const int32_t* src = FSourceRow.data() + 2 * Ch;
    switch (FHorizontal) {
    case hzBox:
        ResampleRowBox<Ch>(src, FW, Out, FBoxColumns);
        break;
    case hzLinear:
        ResampleRowLinear<Ch>(src, Out, FTaps);
        break;
    case hzCubic:
        ResampleRowCubic<Ch>(src, Out, FTaps);
        break;
    case hzCopy:
        std::copy_n(src, static_cast<size_t>(FW) * Ch, Out);
        break;
    }
}

void TResampler::ResampleRow(int32_t* Out) const {
    switch (FCh) {
    case 1:
        ResampleRowT<1>(Out);
        break;
    case 3:
        ResampleRowT<3>(Out);
        break;
    default:
        ResampleRowT<4>(Out);
        break;
    }
}

void TResampler::ResampleBoxFromBytes(const uint8_t* Src, int32_t* Out) const {
    if (FWholeBoxRatio > 0) {
        switch (FCh) {
        case 1:
            ResampleBoxWholeT<1>(Src, FWholeBoxRatio, FBoxColumns, Out);
            break;
        case 3:
            ResampleBoxWholeT<3>(Src, FWholeBoxRatio, FBoxColumns, Out);
            break;
        default:
            ResampleBoxWholeT<4>(Src, FWholeBoxRatio, FBoxColumns, Out);
            break;
        }
        return;
    }
    switch (FCh) {
    case 1:
        ResampleRowBox<1>(Src, FW, Out, FBoxColumns);
        break;
    case 3:
        ResampleRowBox<3>(Src, FW, Out, FBoxColumns);
        break;
    default:
        ResampleRowBox<4>(Src, FW, Out, FBoxColumns);
        break;
    }
}

void TResampler::StoreDestRow(int Y) {
    uint8_t* d = FDest.ScanLine(Y);
    const size_t count = FAccum.size();
    for (size_t i = 0; i < count; ++i) {
        const int32_t v = FAccum[i];
        d[i] = v < 0 ? 0 : static_cast<uint8_t>(std::min((v + 128) >> 8, 255));
    }
}

void TResampler::RowsEqual(int Y0, int Y1) {
    const size_t count = FAccum.size();
    for (int y = Y0; y < Y1; ++y) {
        FetchSourceRow(y);
        const int32_t* row = Slot(0);
        for (size_t i = 0; i < count; ++i)
            FAccum[i] = row[i] * 256;
        StoreDestRow(y);
    }
}

// floor(N / D) for 0 <= N < 2^63 and 0 < D < 2^32 by a multiplication: Inverse =
// floor((2^64 - 1) / D) gives a quotient at most one too small, which one comparison mends.
struct TIntegerDivisor {
    uint64_t D = 1;
    uint64_t Inverse = 0;
    explicit TIntegerDivisor(uint64_t Divisor) : D(Divisor), Inverse(~uint64_t(0) / Divisor) {}
    uint64_t Divide(uint64_t N) const {
        uint64_t q = static_cast<uint64_t>((static_cast<unsigned __int128>(N) * Inverse) >> 64);
        if (N - q * D >= D)
            ++q;
        return q;
    }
};

// Sum[i] = Row[i] * Weight, or Sum[i] += Row[i] * Weight with Add (a loop the compiler
// vectorises: the two arrays never overlap).
void WeighRow(int64_t* __restrict Sum, const int32_t* __restrict Row, size_t Count, int32_t Weight,
              bool Add) {
    if (Add)
        for (size_t i = 0; i < Count; ++i)
            Sum[i] += static_cast<int64_t>(Row[i]) * Weight;
    else
        for (size_t i = 0; i < Count; ++i)
            Sum[i] = static_cast<int64_t>(Row[i]) * Weight;
}

// Shrinking vertically: output row k averages the source rows over [k * step, (k + 1) *
// step) with 16-bit fractions at both ends. The weights add up to step exactly; the sum is
// divided by it and rounded half up to 8.8, so uniform areas keep their value for every
// ratio. Each output row starts from the source row holding its first position, so a band
// of rows can be formed on its own.
void TResampler::RowsBox(int Y0, int Y1) {
    const int32_t step = (FH << 16) / FDH;
    const size_t count = FAccum.size();
    std::vector<int64_t> sum(count);
    const TIntegerDivisor divisor(static_cast<uint64_t>(step));
    // Cubic enlarging across may leave the byte range a little; the bias keeps every
    // numerator positive (floor((N + k step) / step) = floor(N / step) + k).
    constexpr int64_t bias = 4096 * 256;
    const int64_t biasSum = bias * step + step / 2;
    int32_t q = Y0 * step;
    FetchSourceRow(q >> 16);
    for (int y = Y0; y < Y1; ++y) {
        const int32_t first = 65536 - (q & 65535);
        WeighRow(sum.data(), Slot(0), count, first, false);
        const int from = q >> 16;
        q += step;
        const int to = q >> 16;
        for (int r = from + 1; r < to; ++r) {
            FetchSourceRow(r);
            WeighRow(sum.data(), Slot(0), count, 65536, true);
        }
        FetchSourceRow(to);
        const int32_t* row = Slot(0);
        const int32_t last = q & 65535;
        // floor((sum * 256 + step / 2) / step), exactly, in integers.
        for (size_t i = 0; i < count; ++i) {
            const int64_t total = sum[i] + static_cast<int64_t>(row[i]) * last;
            const uint64_t n = static_cast<uint64_t>(total * 256 + biasSum);
            FAccum[i] = static_cast<int32_t>(static_cast<int64_t>(divisor.Divide(n)) - bias);
        }
        StoreDestRow(y);
    }
}

void TResampler::RowsFiltered(int Y0, int Y1) {
    const int32_t step = (FH << 16) / FDH;
    const size_t count = FAccum.size();
    int32_t q = Y0 * step;
    // The ring is filled from row r - 1 of the band's first output row on.
    int fetched = FixedToInt(q - 32768) - 3;
    for (int y = Y0; y < Y1; ++y, q += step) {
        const int32_t v = q - 32768;
        const int32_t r = FixedToInt(v);
        while (r >= fetched) {
            FetchSourceRow(fetched + 2);
            ++fetched;
        }
        // The ring now holds rows r - 1 (oldest), r, r + 1 and r + 2 (newest).
        const int32_t* rm1 = Slot(3);
        const int32_t* r0 = Slot(2);
        const int32_t* r1 = Slot(1);
        const int32_t* r2 = Slot(0);
        if (FFilter == rfCubic) {
            const int32_t s = (v - r * 65536) / 256;
            const int32_t u = s - 256;
            const int32_t w0 = -(s * u * u) / 512;
            const int32_t w1 = ((3 * s * s / 256 - 2 * s - 512) * u) / 2;
            const int32_t w2 = ((3 * s * s / 256 - 4 * s - 256) * -s) / 2;
            const int32_t w3 = (s * s * u) / 512;
            for (size_t i = 0; i < count; ++i)
                FAccum[i] = (rm1[i] * w0 + r0[i] * w1 + r1[i] * w2 + r2[i] * w3) / 256;
        } else {
            const int32_t t = v - r * 65536;
            for (size_t i = 0; i < count; ++i)
                FAccum[i] = (r0[i] * (65536 - t) + r1[i] * t) / 256;
        }
        StoreDestRow(y);
    }
}

} // namespace

bool IntersectNonEmpty(TRect& R, const TRect& A, const TRect& B) {
    if (A.Left >= A.Right || A.Top >= A.Bottom || B.Left >= B.Right || B.Top >= B.Bottom)
        return false;
    const TRect r(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
                  std::min(A.Bottom, B.Bottom));
    if (r.Left >= r.Right || r.Top >= r.Bottom)
        return false;
    R = r;
    return true;
}

namespace {

// (Factor * Distance) div 65536, truncating toward zero, with a 64-bit product.
int ScaleEdge(int64_t Factor, int Distance) {
    return static_cast<int>(Factor * Distance / 65536);
}

int32_t Ratio16(int Numerator, int Denominator) {
    return static_cast<int32_t>((static_cast<int64_t>(Numerator) << 16) / Denominator);
}

} // namespace

bool ClipMappedRects(TMappedRects& M) {
    if (!IntersectNonEmpty(M.ClippedTarget, M.TargetRect, M.TargetBounds))
        return false;
    const TRect& target = M.TargetRect;
    const TRect& source = M.SourceRect;
    M.Scaled = target.Width() != source.Width() || target.Height() != source.Height();
    // An empty source maps nothing (and would divide by zero below).
    if (source.Width() <= 0 || source.Height() <= 0)
        return false;
    TRect& ct = M.ClippedTarget;
    TRect& cs = M.ClippedSource;
    if (M.Scaled) {
        TRect mapped = source;
        if (ct != target) {
            const int64_t sx = Ratio16(source.Width(), target.Width());
            const int64_t sy = Ratio16(source.Height(), target.Height());
            mapped.Left += ScaleEdge(sx, ct.Left - target.Left);
            mapped.Top += ScaleEdge(sy, ct.Top - target.Top);
            mapped.Right += ScaleEdge(sx, ct.Right - target.Right);
            mapped.Bottom += ScaleEdge(sy, ct.Bottom - target.Bottom);
        }
        if (!IntersectNonEmpty(cs, mapped, M.SourceBounds))
            return false;
        if (cs != source) {
            const int64_t tx = Ratio16(target.Width(), source.Width());
            const int64_t ty = Ratio16(target.Height(), source.Height());
            ct.Left += ScaleEdge(tx, cs.Left - mapped.Left);
            ct.Top += ScaleEdge(ty, cs.Top - mapped.Top);
            ct.Right += ScaleEdge(tx, cs.Right - mapped.Right);
            ct.Bottom += ScaleEdge(ty, cs.Bottom - mapped.Bottom);
            if (ct.Width() <= 0 || ct.Height() <= 0)
                return false;
        }
        M.TargetPerSourceX = Ratio16(ct.Width(), cs.Width());
        M.TargetPerSourceY = Ratio16(ct.Height(), cs.Height());
        M.SourcePerTargetX = Ratio16(cs.Width(), ct.Width());
        M.SourcePerTargetY = Ratio16(cs.Height(), ct.Height());
        return true;
    }
    const TRect mapped(source.Left + ct.Left - target.Left, source.Top + ct.Top - target.Top,
                       source.Right + ct.Right - target.Right,
                       source.Bottom + ct.Bottom - target.Bottom);
    if (!IntersectNonEmpty(cs, mapped, M.SourceBounds))
        return false;
    ct.Left += cs.Left - mapped.Left;
    ct.Top += cs.Top - mapped.Top;
    ct.Right += cs.Right - mapped.Right;
    ct.Bottom += cs.Bottom - mapped.Bottom;
    if (ct.Width() <= 0 || ct.Height() <= 0)
        return false;
    M.TargetPerSourceX = M.TargetPerSourceY = FixedOne;
    M.SourcePerTargetX = M.SourcePerTargetY = FixedOne;
    return true;
}

void ResampleBitmapRect(TBitmap* Dest, const TBitmap* Source, const TRect& SourceRect,
                        TResampleFilter Filter, TResampleEdge Edge) {
    if (!Dest || !Source || Dest->Width() < 1 || Dest->Height() < 1 || Source->Width() < 1 ||
        Source->Height() < 1)
        return;
    TRect inside;
    if (!IntersectNonEmpty(inside, SourceRect, TRect(0, 0, Source->Width(), Source->Height())) ||
        inside != SourceRect)
        return;
    const int channels = ChannelsOf(Source->PixelFormat());
    if (channels == 0 || Filter > rfCubic)
        return;
    // A shared copy keeps the source pixels stable even when Dest is the same bitmap.
    const TBitmap source = *Source;
    TakePixelFormat(*Dest, source.PixelFormat());
    Dest->Bits(); // unshared before the bands write their rows
    const int64_t work = (static_cast<int64_t>(Dest->Width()) * Dest->Height() +
                          static_cast<int64_t>(SourceRect.Width()) * SourceRect.Height()) *
                         channels;
    TBitmap& dest = *Dest;
    if (Filter == rfNearest) {
        RunPixelBands(dest.Height(), work, [&](int Y0, int Y1) {
            switch (channels) {
            case 1:
                ResampleNearest<1>(dest, source, SourceRect, Y0, Y1);
                break;
            case 3:
                ResampleNearest<3>(dest, source, SourceRect, Y0, Y1);
                break;
            default:
                ResampleNearest<4>(dest, source, SourceRect, Y0, Y1);
                break;
            }
        });
        return;
    }
    RunPixelBands(
        dest.Height(), work,
        [&](int Y0, int Y1) {
            TResampler(dest, source, SourceRect, channels, Filter, Edge).Run(Y0, Y1);
        },
        MinResampleBand);
}

void StretchDrawFiltered(TBitmap* Dest, const TBitmap* Source, TResampleFilter Filter) {
    if (!Source)
        return;
    ResampleBitmapRect(Dest, Source, TRect(0, 0, Source->Width(), Source->Height()), Filter,
                       reClamp);
}
