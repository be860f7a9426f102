#include "UEffects.h"

#include "UFixedStretch.h"
#include "UPixelMath.h"
#include "UPixelThreads.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

constexpr int MaxBlurPasses = 1000;

bool Usable(const TGREffector& E) {
    if (!E.Source || !E.Dest)
        return false;
    const TPixelFormat f = E.Source->PixelFormat();
    if (f != pf24bit && f != pf32bit)
        return false;
    TRect inside;
    return IntersectNonEmpty(inside, E.Rect, TRect(0, 0, E.Source->Width(), E.Source->Height())) &&
           inside == E.Rect;
}

int BytesOf(const TBitmap& B) {
    return B.PixelFormat() == pf32bit ? 4 : 3;
}

void PrepareDest(TBitmap& Dest, TPixelFormat Format, const TRect& R) {
    Dest.SetPixelFormat(Format);
    Dest.SetSize(R.Width(), R.Height());
}

int64_t WorkOf(const TRect& R, int Bytes) {
    return static_cast<int64_t>(R.Width()) * R.Height() * Bytes * 2;
}

const uint8_t* SourceRow(const TBitmap& Source, const TRect& R, int Y) {
    return Source.ScanLine(R.Top + Y) + R.Left * BytesOf(Source);
}

// The common frame: a progress phase of H div 64 + 1 steps (plus one for the effect's table),
// Dest prepared, then Row(source row, destination row, width, bytes per pixel) for each row
// with a step after rows 0, 64, 128 ...
template <class TRow>
void RunRows(TGREffector& E, bool TableStep, TRow&& Row) {
    if (!Usable(E))
        return;
    const TBitmap source = *E.Source; // stable even when Dest is the same bitmap
    const TRect r = E.Rect;
    const int height = r.Height();
    if (E.Progress) {
        E.Progress->BeginPhase(0, height / 64 + (TableStep ? 2 : 1));
        if (TableStep)
            E.Progress->Step();
    }
    PrepareDest(*E.Dest, source.PixelFormat(), r);
    TBitmap& dest = *E.Dest;
    dest.Bits(); // unshared before the bands write their rows
    const int bytes = BytesOf(source);
    RunPixelRowChunks(
        height, WorkOf(r, bytes),
        [&](int Y0, int Y1) {
            for (int y = Y0; y < Y1; ++y)
                Row(SourceRow(source, r, y), dest.ScanLine(y), r.Width(), bytes);
        },
        [&] {
            if (E.Progress)
                E.Progress->Step();
        });
    if (E.Progress)
        E.Progress->EndPhase();
}

// ---------------------------------------------------------------------------------------
// Hue, saturation and lightness (hue in degrees, the others 0..1).

struct THSL {
    long double H = 0, S = 0, L = 0;
};

THSL RGBToHSL(long double R, long double G, long double B) {
    const long double mx = std::max({R, G, B}), mn = std::min({R, G, B});
    THSL hsl;
    hsl.L = (mx + mn) / 2;
    if (mx == mn)
        return hsl;
    const long double d = mx - mn;
    hsl.S = hsl.L <= 0.5L ? d / (mx + mn) : d / (2 - mx - mn);
    long double h;
    if (mx == R)
        h = (G - B) / d;
    else if (mx == G)
        h = 2 + (B - R) / d;
    else
        h = 4 + (R - G) / d;
    h *= 60;
    while (h < 0)
        h += 360;
    while (h >= 360)
        h -= 360;
    hsl.H = h;
    return hsl;
}

long double HueValue(long double M1, long double M2, long double H) {
    while (H < 0)
        H += 360;
    while (H >= 360)
        H -= 360;
    if (H < 60)
        return M1 + (M2 - M1) * H / 60;
    if (H < 180)
        return M2;
    if (H < 240)
        return M1 + (M2 - M1) * (240 - H) / 60;
    return M1;
}

std::array<long double, 3> HSLToRGB(const THSL& C) {
    if (C.S == 0)
        return {C.L, C.L, C.L};
    const long double m2 = C.L <= 0.5L ? C.L * (1 + C.S) : C.L + C.S - C.L * C.S;
    const long double m1 = 2 * C.L - m2;
    return {HueValue(m1, m2, C.H + 120), HueValue(m1, m2, C.H), HueValue(m1, m2, C.H - 120)};
}

uint8_t TruncByte(long double V) {
    return static_cast<uint8_t>(std::clamp(V * 255, 0.0L, 255.0L));
}

// ---------------------------------------------------------------------------------------
// 3 x 3 box blur.

// D[s] = Min((2 s + 9) div 18, 255): a nine-pixel sum divided by 9, rounded half up.
const std::array<uint8_t, 2304>& NinthTable() {
    static const auto table = [] {
        std::array<uint8_t, 2304> t{};
        for (int s = 0; s < 2304; ++s)
            t[s] = static_cast<uint8_t>(std::min((2 * s + 9) / 18, 255));
        return t;
    }();
    return table;
}

// Horizontal three-pixel sums of blue, green and red, edges replicated.
void RowSums(const uint8_t* Row, int Width, int Bytes, uint16_t* Sums) {
    for (int x = 0; x < Width; ++x) {
        const uint8_t* p = Row + x * Bytes;
        const uint8_t* left = x > 0 ? p - Bytes : p;
        const uint8_t* right = x < Width - 1 ? p + Bytes : p;
        for (int c = 0; c < 3; ++c)
            Sums[3 * x + c] = static_cast<uint16_t>(left[c] + p[c] + right[c]);
    }
}

// Output rows Y0..Y1-1 of one pass from the rows In(y) to the rows Out(y), edges replicated.
// Out may be In: each input row is read before the output row above it is written; In(Y0 - 1)
// and In(Y1) are the only rows outside the band it reads.
template <class TIn, class TOut>
void BoxPassRows(int Width, int Height, int Bytes, int Y0, int Y1, TIn&& In, TOut&& Out) {
    std::array<std::vector<uint16_t>, 3> sums;
    for (auto& s : sums)
        s.resize(static_cast<size_t>(Width) * 3);
    auto slot = [&](int Y) { return sums[static_cast<size_t>(Y - Y0 + 1) % 3].data(); };
    auto sumRow = [&](int Y) { RowSums(In(std::clamp(Y, 0, Height - 1)), Width, Bytes, slot(Y)); };
    sumRow(Y0 - 1);
    sumRow(Y0);
    const auto& ninth = NinthTable();
    for (int y = Y0; y < Y1; ++y) {
        sumRow(y + 1);
        const uint16_t* above = slot(y - 1);
        const uint16_t* at = slot(y);
        const uint16_t* below = slot(y + 1);
        uint8_t* d = Out(y);
        for (int x = 0; x < Width; ++x)
            for (int c = 0; c < 3; ++c) {
                const int i = 3 * x + c;
                d[x * Bytes + c] = ninth[above[i] + at[i] + below[i]];
            }
    }
}

int BlurPasses(int Count) {
    return std::clamp(Count, 1, MaxBlurPasses);
}

constexpr int BlurChunkRows = 64;

// Rows the bands of an in-place pass read outside themselves, kept as they were before the
// pass: the rows on both sides of every chunk boundary (bands start and end on them).
class TBoundaryRows {
public:
    TBoundaryRows(const TBitmap& Bitmap, int RowBytes) : FRowBytes(RowBytes) {
        const int height = Bitmap.Height();
        for (int b = BlurChunkRows; b < height; b += BlurChunkRows)
            for (int y : {b - 1, b}) {
                const uint8_t* row = Bitmap.ScanLine(y);
                FRows.insert(FRows.end(), row, row + RowBytes);
            }
    }
    // The saved row Y (next to boundary B): Y = B - 1 or B.
    const uint8_t* Row(int Y, int Boundary) const {
        const size_t index =
            static_cast<size_t>(Boundary / BlurChunkRows - 1) * 2 + (Y - Boundary + 1);
        return FRows.data() + index * static_cast<size_t>(FRowBytes);
    }

private:
    int FRowBytes;
    std::vector<uint8_t> FRows;
};

void RunBlur(TGREffector& E, int Passes) {
    if (!Usable(E))
        return;
    const TBitmap source = *E.Source;
    const TRect r = E.Rect;
    const int width = r.Width(), height = r.Height();
    const int bytes = BytesOf(source);
    const int stepsPerPass = height / 64 + 1;
    if (E.Progress)
        E.Progress->BeginPhase(0, Passes * stepsPerPass);
    PrepareDest(*E.Dest, source.PixelFormat(), r);
    TBitmap& dest = *E.Dest;
    dest.Bits(); // unshared before the bands write their rows
    const int64_t work = WorkOf(r, bytes);
    auto step = [&] {
        if (E.Progress)
            E.Progress->Step();
    };
    RunPixelRowChunks(
        height, work,
        [&](int Y0, int Y1) {
            BoxPassRows(
                width, height, bytes, Y0, Y1, [&](int Y) { return SourceRow(source, r, Y); },
                [&](int Y) { return dest.ScanLine(Y); });
        },
        step, BlurChunkRows);
    for (int pass = 1; pass < Passes; ++pass) {
        const TBoundaryRows saved(dest, width * bytes);
        RunPixelRowChunks(
            height, work,
            [&](int Y0, int Y1) {
                auto in = [&](int Y) -> const uint8_t* {
                    if (Y < Y0)
                        return saved.Row(Y, Y0);
                    if (Y >= Y1)
                        return saved.Row(Y, Y1);
                    return dest.ScanLine(Y);
                };
                BoxPassRows(width, height, bytes, Y0, Y1, in,
                            [&](int Y) { return dest.ScanLine(Y); });
            },
            step, BlurChunkRows);
    }
    if (E.Progress)
        E.Progress->EndPhase();
}

uint32_t PixelOrder(TColor C) {
    const TColor c = ColorToRGB(C);
    return static_cast<uint32_t>(GetRValue(c)) << 16 | static_cast<uint32_t>(GetGValue(c)) << 8 |
           GetBValue(c);
}

} // namespace

void TGREffectMonoTone::Execute() {
    if (!Usable(*this))
        return;
    const uint32_t ref = static_cast<uint32_t>(RefColor);
    const THSL tone = RGBToHSL((ref & 0xFF) / 255.0L, ((ref >> 8) & 0xFF) / 255.0L,
                               ((ref >> 16) & 0xFF) / 255.0L);
    std::array<std::array<uint8_t, 3>, 256> table{}; // B, G, R by luminance
    for (int i = 0; i < 256; ++i) {
        const auto rgb = HSLToRGB({tone.H, tone.S, i / 255.0L});
        table[i] = {TruncByte(rgb[2]), TruncByte(rgb[1]), TruncByte(rgb[0])};
    }
    RunRows(*this, true, [&](const uint8_t* S, uint8_t* D, int Width, int Bytes) {
        for (int x = 0; x < Width; ++x, S += Bytes, D += Bytes) {
            const auto& c = table[(29 * S[0] + 150 * S[1] + 77 * S[2]) >> 8];
            D[0] = c[0];
            D[1] = c[1];
            D[2] = c[2];
        }
    });
}

void TGREffectBrightnessContrast::Execute() {
    if (!Usable(*this))
        return;
    const long double b = std::clamp(Brightness / 100.0L, -1.0L, 1.0L);
    const long double c = std::clamp(Contrast / 100.0L, -1.0L, 1.0L);
    std::array<uint8_t, 256> table{};
    for (int i = 0; i < 256; ++i) {
        long double v = i / 255.0L + b;
        if (c < 0)
            v = (v - 0.5L) * (c + 1) + 0.5L;
        else if (c < 1)
            v = (v - 0.5L) / (1 - c) + 0.5L;
        else
            v = v >= 0.5L ? 1 : 0;
        table[i] = static_cast<uint8_t>(std::clamp(v * 255 + 0.5L, 0.0L, 255.0L));
    }
    RunRows(*this, true, [&](const uint8_t* S, uint8_t* D, int Width, int Bytes) {
        for (int x = 0; x < Width; ++x, S += Bytes, D += Bytes) {
            D[0] = table[S[0]];
            D[1] = table[S[1]];
            D[2] = table[S[2]];
        }
    });
}

void TGREffectBlur::Execute() {
    RunBlur(*this, BlurPasses(Count));
}

void TGREffectUnsharpMask::Execute() {
    if (!Usable(*this))
        return;
    const TBitmap source = *Source;
    const TRect r = Rect;
    const int height = r.Height();
    if (Progress)
        Progress->BeginPhase(0, height / 64 + 2);
    const long double rounded =
        std::isnan(Amount) ? 1 : std::nearbyint(std::clamp(Amount, -1.0, double(MaxBlurPasses)));
    TGREffectBlur blur;
    blur.Source = &source;
    blur.Dest = Dest;
    blur.Rect = r;
    blur.Progress = Progress;
    blur.Count = static_cast<int>(rounded);
    blur.Execute();
    if (Progress)
        Progress->Step();
    const int bytes = BytesOf(source);
    TBitmap& dest = *Dest;
    dest.Bits();
    RunPixelRowChunks(
        height, WorkOf(r, bytes),
        [&](int Y0, int Y1) {
            for (int y = Y0; y < Y1; ++y) {
                const uint8_t* s = SourceRow(source, r, y);
                uint8_t* d = dest.ScanLine(y);
                for (int x = 0; x < r.Width(); ++x, s += bytes, d += bytes)
                    for (int c = 0; c < 3; ++c)
                        d[c] = ClampByte(2 * s[c] - d[c]);
            }
        },
        [&] {
            if (Progress)
                Progress->Step();
        });
    if (Progress)
        Progress->EndPhase();
}

void TGREffectColorChange::Execute() {
    const uint32_t from = PixelOrder(FromColor);
    const uint32_t to = PixelOrder(ToColor);
    RunRows(*this, false, [&](const uint8_t* S, uint8_t* D, int Width, int Bytes) {
        if (Bytes == 4) {
            for (int x = 0; x < Width; ++x) {
                uint32_t p;
                std::memcpy(&p, S + 4 * x, 4);
                if (p == from)
                    p = to;
                std::memcpy(D + 4 * x, &p, 4);
            }
            return;
        }
        for (int x = 0; x < Width; ++x, S += 3, D += 3) {
            const uint32_t p = S[0] | S[1] << 8 | S[2] << 16;
            const uint32_t q = p == from ? to : p;
            D[0] = static_cast<uint8_t>(q);
            D[1] = static_cast<uint8_t>(q >> 8);
            D[2] = static_cast<uint8_t>(q >> 16);
        }
    });
}
