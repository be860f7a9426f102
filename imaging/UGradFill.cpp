#include "UGradFill.h"

#include "UCanvas.h"
#include "UFixedStretch.h"
#include "URaster.h"
#include "UScaler.h"

#include <algorithm>
#include <cmath>
#include <memory>
#include <numbers>

namespace {

constexpr int32_t Half32 = 33554432; // 512 in 16.16
constexpr int64_t Full64 = 67108864; // 1024 in 16.16
constexpr int CircleRadius = 367831; // Round(sqrt(2) x 63.5 x 4096)
constexpr int QuarterTurn = 6434;    // pi/2 x 4096
constexpr int HalfTurn = 12868;      // pi x 4096
constexpr int FullTurn = 25736;      // 2 pi x 4096
constexpr int OctantCells = 2080;

// Truncation toward zero of a real 16.16 value.
int64_t T(double V) {
    return static_cast<int64_t>(std::trunc(V));
}

// "div 65536", truncating toward zero.
int64_t Div16(int64_t V) {
    return V / 65536;
}

// Rounding half to even, as the stored tables were computed.
int RoundEven(double V) {
    return static_cast<int>(std::nearbyint(V));
}

struct TOctantTables {
    std::array<uint8_t, OctantCells> I{};
    std::array<uint8_t, OctantCells> J{};
    std::array<int32_t, OctantCells> D{};
    std::array<int32_t, OctantCells> A{};
    TOctantTables() {
        int n = 0;
        for (int j = 0; j <= 63; ++j)
            for (int i = j; i <= 63; ++i) {
                I[n] = static_cast<uint8_t>(i);
                J[n] = static_cast<uint8_t>(j);
                D[n] = RoundEven(std::hypot(i - 63.5, j - 63.5) * 4096);
                A[n] = RoundEven(std::atan2(i - 63.5, j - 63.5) * 4096);
                ++n;
            }
    }
};

const TOctantTables& Octants() {
    static const TOctantTables Tables;
    return Tables;
}

// The eight symmetric cells of octant cell (i, j) as (x, y); the last four only when i != j.
std::array<std::array<int, 2>, 8> SymmetricCells(int i, int j) {
    return {{{i, j},
             {j, 127 - i},
             {127 - i, 127 - j},
             {127 - j, i},
             {j, i},
             {i, 127 - j},
             {127 - j, 127 - i},
             {127 - i, j}}};
}

double DegToRad(double D) {
    return D * std::numbers::pi / 180.0;
}

struct TLinearCoefficients {
    double A, B;
};

TLinearCoefficients Coefficients(int Angle) {
    const double theta = DegToRad(360 - Angle);
    const double c = std::cos(theta), s = std::sin(theta);
    const double m = std::max(std::fabs(s), std::fabs(c));
    return {c * m * 1024 / 2 * 65536, s * m * 1024 / 2 * 65536};
}

// The printer bitmap of the last fill and what it was made from.
struct TPrinterCache {
    TBitmap Grid;
    TBitmap Scaled;
    bool Valid = false;
};

TPrinterCache& PrinterCache() {
    static TPrinterCache Cache;
    return Cache;
}

bool SamePixels(const TBitmap& A, const TBitmap& B) {
    if (A.Width() != B.Width() || A.Height() != B.Height() || A.PixelFormat() != B.PixelFormat())
        return false;
    const int bytes = A.Width() * 3;
    for (int y = 0; y < A.Height(); ++y)
        if (!std::equal(A.ScanLine(y), A.ScanLine(y) + bytes, B.ScanLine(y)))
            return false;
    return true;
}

const TBitmap& PrinterBitmap(const TBitmap& Grid, int Width, int Height) {
    TPrinterCache& cache = PrinterCache();
    if (cache.Valid && cache.Scaled.Width() == Width && cache.Scaled.Height() == Height &&
        SamePixels(cache.Grid, Grid))
        return cache.Scaled;
    cache.Valid = false;
    cache.Scaled = TBitmap(Width, Height, pf24bit);
    StretchDrawFiltered(&cache.Scaled, &Grid, rfLinear);
    cache.Grid = Grid;
    cache.Valid = true;
    return cache.Scaled;
}

std::unique_ptr<TGradFill> CreateFill(rgGradationKind Kind, int Angle) {
    std::unique_ptr<TGradFill> fill;
    switch (Kind) {
    case rgkBoxToRim:
    case rgkBoxToCenter:
        fill = std::make_unique<TGradFillDiamond>();
        fill->SetReversed(Kind == rgkBoxToRim);
        fill->SetAngle(Angle);
        break;
    case rgkCircleToRim:
    case rgkCircleToCenter:
        fill = std::make_unique<TGradFillCircle>();
        fill->SetReversed(Kind == rgkCircleToRim);
        break;
    case rgkConeClockwise:
    case rgkConeCounterClockwise: {
        auto cone = std::make_unique<TGradFillCone>();
        cone->SetReversed(Kind == rgkConeClockwise);
        cone->SetConeAngle(Angle);
        fill = std::move(cone);
        break;
    }
    default:
        fill = std::make_unique<TGradFillAngled>();
        fill->SetAngle(Angle);
        break;
    }
    return fill;
}

struct TDirRow {
    rgGradationDir Dir;
    rgGradationKind Kind;
    int Angle;
};

constexpr std::array<TDirRow, 10> DirTable{{{rgdLeftToRight, rgkSimple, 270},
                                            {rgdRightToLeft, rgkSimple, 90},
                                            {rgdTopToBottom, rgkSimple, 0},
                                            {rgdBottomToTop, rgkSimple, 180},
                                            {rgdLeftTopToRightBottom, rgkSimple, 315},
                                            {rgdRightTopToLeftBottom, rgkSimple, 45},
                                            {rgdRightBottomToLeftTop, rgkSimple, 135},
                                            {rgdLeftBottomToRightTop, rgkSimple, 225},
                                            {rgdCenterToRim, rgkBoxToRim, 0},
                                            {rgdRimToCenter, rgkBoxToCenter, 0}}};

} // namespace

int DirToAngle(rgGradationDir Dir) {
    for (const TDirRow& row : DirTable)
        if (row.Dir == Dir)
            return row.Angle;
    return 0;
}

rgGradationDir KindAngleToDir(rgGradationKind Kind, int Angle) {
    if (Kind == rgkBoxToRim)
        return rgdCenterToRim;
    if (Kind == rgkBoxToCenter)
        return rgdRimToCenter;
    if (Kind == rgkSimple)
        for (const TDirRow& row : DirTable)
            if (row.Kind == rgkSimple && row.Angle == Angle)
                return row.Dir;
    return rgdLeftToRight;
}

void TGradFill::SetColorCount(int N) {
    if (N < 0 || N == FCount)
        return;
    FColors.resize(static_cast<size_t>(N) + 1, 0);
    FColors[N] = 0;
    FCount = N;
}

void TGradFill::SetColor(int I, TColor C) {
    if (I < 0)
        return;
    if (I >= FCount)
        SetColorCount(I + 1);
    FColors[I] = C;
}

void TGradFill::SetAngle(int Angle) {
    // Into 0..360 as repeated steps of 360 would bring it (360 stays 360).
    if (Angle < 0)
        Angle = (Angle % 360 + 360) % 360;
    else if (Angle > 360)
        Angle = (Angle - 1) % 360 + 1;
    FAngle = Angle;
}

int TGradFill::MapToRamp(int V, int Lo, int Hi) {
    if (V <= Lo)
        return 0;
    if (V >= Hi)
        return 1023;
    return std::min(MulDiv(V - Lo, 1024, Hi - Lo), 1023);
}

TColor TGradFill::RampColor(int I) const {
    const uint8_t* p = &FRamp[static_cast<size_t>(I) * 3];
    return static_cast<TColor>(p[0] | (p[1] << 8) | (p[2] << 16));
}

void TGradFill::BuildRamp() {
    const int64_t c = RampLength();
    for (int i = 0; i < GradRampSize; ++i) {
        const int pos = FReversed ? GradRampSize - 1 - i : i;
        const double t = c > 1 ? static_cast<double>((c - 1) * pos) / 1023.0 : 0.0;
        const int64_t k = std::clamp(static_cast<int64_t>(std::trunc(t)), int64_t{0},
                                     std::max(c - 1, int64_t{0}));
        const double f = t - static_cast<double>(k);
        const TColor c0 = RampEntry(k);
        const TColor c1 = RampEntry(k + 1);
        for (int ch = 0; ch < 3; ++ch) {
            const int a = (c0 >> (8 * ch)) & 0xFF;
            const int b = (c1 >> (8 * ch)) & 0xFF;
            const int v = a + static_cast<int>(std::trunc((b - a) * f));
            FRamp[static_cast<size_t>(i) * 3 + ch] = static_cast<uint8_t>(std::clamp(v, 0, 255));
        }
    }
}

void TGradFill::Render(TBitmap& GridBitmap) {
    BuildGrid();
    BuildRamp();
    GridBitmap.SetPixelFormat(pf24bit);
    GridBitmap.SetSize(GradGridSize, GradGridSize);
    for (int y = 0; y < GradGridSize; ++y) {
        uint8_t* line = GridBitmap.ScanLine(y);
        for (int x = 0; x < GradGridSize; ++x) {
            const uint8_t* rgb = &FRamp[static_cast<size_t>(FGrid[y * GradGridSize + x]) * 3];
            line[x * 3] = rgb[2];
            line[x * 3 + 1] = rgb[1];
            line[x * 3 + 2] = rgb[0];
        }
    }
}

void TGradFillAngled::BuildGrid() {
    const auto [A, B] = Coefficients(FAngle);
    int64_t u0 = -T(A);
    const int64_t stepX = T(B * 2 / 127), stepY = T(A * 2 / 127);
    for (int y = 0; y < GradGridSize; ++y) {
        int64_t u = u0 - T(B - Half32);
        for (int x = 0; x < GradGridSize; ++x) {
            SetCell(x, y, static_cast<int>(Div16(u)));
            u += stepX;
        }
        u0 += stepY;
    }
}

void TGradFillDiamond::BuildGrid() {
    const auto [A, B] = Coefficients(FAngle);
    int64_t u0 = -T(A), w0 = -T(-B);
    const int64_t uStep = T(2 * B / 127), wStep = T(2 * A / 127);
    const int64_t u0Step = T(2 * A / 127), w0Step = T(-2 * B / 127);
    for (int y = 0; y < GradGridSize; ++y) {
        int64_t u = u0 - T(B - Half32), w = w0 - T(A - Half32);
        for (int x = 0; x < GradGridSize; ++x) {
            const int64_t v = std::max(std::llabs(2 * w - Full64), std::llabs(2 * u - Full64));
            SetCell(x, y, static_cast<int>(Div16(v)));
            u += uStep;
            w += wStep;
        }
        u0 += u0Step;
        w0 += w0Step;
    }
}

void TGradFillCircle::BuildGrid() {
    const TOctantTables& t = Octants();
    for (int n = 0; n < OctantCells; ++n) {
        const int index = MapToRamp(t.D[n], 0, CircleRadius);
        const auto cells = SymmetricCells(t.I[n], t.J[n]);
        const int count = t.I[n] != t.J[n] ? 8 : 4;
        for (int k = 0; k < count; ++k)
            SetCell(cells[k][0], cells[k][1], index);
    }
}

void TGradFillCone::SetConeAngle(int Angle) {
    SetAngle(Angle);
    FOffset = RoundEven(DegToRad(FAngle) * 4096);
}

void TGradFillCone::BuildGrid() {
    const TOctantTables& t = Octants();
    for (int n = 0; n < OctantCells; ++n) {
        const int a = t.A[n];
        const std::array<int, 8> angles{a,
                                        a + QuarterTurn,
                                        a + HalfTurn,
                                        a + HalfTurn + QuarterTurn,
                                        -HalfTurn - QuarterTurn - a,
                                        -HalfTurn - a,
                                        -QuarterTurn - a,
                                        -a};
        const auto cells = SymmetricCells(t.I[n], t.J[n]);
        const int count = t.I[n] != t.J[n] ? 8 : 4;
        for (int k = 0; k < count; ++k) {
            int v = angles[k] + FOffset;
            while (v < -HalfTurn)
                v += FullTurn;
            while (v > HalfTurn)
                v -= FullTurn;
            SetCell(cells[k][0], cells[k][1], MapToRamp(v, -HalfTurn, HalfTurn));
        }
    }
}

void RenderGradation(TBitmap& Bitmap, const TColor* Colors, int Count, int Angle,
                     rgGradationKind Kind, int Repeat) {
    if (Count <= 0 || !Colors) {
        Bitmap = TBitmap();
        return;
    }
    std::unique_ptr<TGradFill> fill = CreateFill(Kind, Angle);
    fill->SetColorCount(Count);
    fill->SetRepeatCount(Repeat);
    for (int i = 0; i < Count; ++i)
        fill->SetColor(i, Colors[i]);
    fill->Render(Bitmap);
}

void GradFill(TCanvas& Canvas, const TRect& Rect, const TColor* Colors, int Count, bool Invert,
              int Angle, rgGradationKind Kind, int Repeat) {
    const int width = Rect.Right - Rect.Left, height = Rect.Bottom - Rect.Top;
    if (Count <= 0 || width <= 0 || height <= 0)
        return;
    TBitmap grid;
    RenderGradation(grid, Colors, Count, Angle, Kind, Repeat);
    const uint32_t saved = Canvas.CopyMode();
    Canvas.SetCopyMode(Invert ? SRCINVERT : SRCCOPY);
    Canvas.Lock();
    try {
        if (IsPrinterCanvas(Canvas))
            Canvas.Draw(Rect.Left, Rect.Top, PrinterBitmap(grid, width, height));
        else
            Canvas.StretchDraw(Rect, grid);
    } catch (...) {
        Canvas.Unlock();
        Canvas.SetCopyMode(saved);
        throw;
    }
    Canvas.Unlock();
    Canvas.SetCopyMode(saved);
}
