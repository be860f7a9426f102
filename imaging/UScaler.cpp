#include "UScaler.h"

#include "UMemoryCanvas.h"
#include "UPixelMath.h"

#include <algorithm>
#include <numeric>

int GetCanvasPixelsPerInch(TCanvas& Canvas) {
    if (const auto* memory = dynamic_cast<const TMemoryCanvas*>(&Canvas))
        if (memory->FixedPixelsPerInch() != 0)
            return memory->FixedPixelsPerInch();
    return Canvas.GetDeviceCaps(LOGPIXELSY);
}

bool IsPrinterCanvas(TCanvas& Canvas) {
    const int technology = Canvas.GetDeviceCaps(TECHNOLOGY);
    return technology == DT_PLOTTER || technology == DT_RASPRINTER;
}

int GetScreenPixelsPerInch() {
    return ScreenDeviceCaps().LogPixelsY;
}

TScaler::TScaler(QObject* Parent) : QObject(Parent), FUnitDPI(GetScreenPixelsPerInch()) {}

void TScaler::SetScale(int Value) {
    if (Value <= 0)
        throw EScalerError(QStringLiteral("倍率は 1 以上でなければなりません (%1)").arg(Value));
    if (Value != FScale) {
        FScale = Value;
        Changed();
    }
}

void TScaler::SetUnitDPI(int Value) {
    if (Value <= 0)
        throw EScalerError(
            QStringLiteral("単位の解像度は 1 以上でなければなりません (%1)").arg(Value));
    if (Value != FUnitDPI) {
        FUnitDPI = Value;
        Changed();
    }
}

void TScaler::Assign(const TScaler& Source) {
    FScale = Source.FScale;
    FUnitDPI = Source.FUnitDPI;
    Changed();
}

void TScaler::Changed() {
    if (OnChange)
        OnChange(*this);
}

int64_t TScaler::Multiplier(TCanvas& Canvas) const {
    return int64_t(GetCanvasPixelsPerInch(Canvas)) * FScale;
}

TPoint TScaler::LPtoDP(TCanvas& Canvas, TPoint P) const {
    const int64_t k = Multiplier(Canvas), d = Divisor();
    return {MulDivRound(P.x, k, d), MulDivRound(P.y, k, d)};
}

TPoint TScaler::DPtoLP(TCanvas& Canvas, TPoint P) const {
    const int64_t k = Multiplier(Canvas), d = Divisor();
    return {MulDivRound(P.x, d, k), MulDivRound(P.y, d, k)};
}

TRect TScaler::LPtoDPRect(TCanvas& Canvas, const TRect& R) const {
    const int64_t k = Multiplier(Canvas), d = Divisor();
    if (k <= 0)
        return TRect();
    auto down = [&](int v) { return ClampToInt(v * k / d); };
    auto up = [&](int v) { return ClampToInt((v * k + d - 1) / d); };
    return {down(R.Left), down(R.Top), up(R.Right), up(R.Bottom)};
}

void TScaler::SetupCanvas(TCanvas& Canvas, int DPI) const {
    const TPoint window = Canvas.SetWindowOrgEx(0, 0);
    const TPoint viewport = Canvas.SetViewportOrgEx(0, 0);
    // The old window origin in device units under the old extents: the scroll offset.
    const TPoint scroll = Canvas.LPtoDP(window);
    if (DPI == 0)
        DPI = GetCanvasPixelsPerInch(Canvas);
    const int64_t k = int64_t(FScale) * std::max(1, DPI);
    const int64_t d = Divisor();
    const int64_t g = std::gcd(d, k);
    Canvas.SetMapMode(MM_ANISOTROPIC);
    Canvas.SetWindowExtEx(ClampToInt(d / g), ClampToInt(d / g));
    Canvas.SetViewportExtEx(ClampToInt(k / g), ClampToInt(k / g));
    Canvas.SetViewportOrgEx(viewport.x - scroll.x, viewport.y - scroll.y);
    TFont& font = Canvas.Font();
    if (font.PixelsPerInch() != FUnitDPI) {
        const int size = font.Size();
        font.SetPixelsPerInch(FUnitDPI);
        font.SetSize(size);
    }
}

void TCoordMap::LoadFromCanvas(const TCanvas& Canvas) {
    MapMode = Canvas.GetMapMode();
    ViewportExt = Canvas.GetViewportExtEx();
    ViewportOrg = Canvas.GetViewportOrgEx();
    WindowExt = Canvas.GetWindowExtEx();
    WindowOrg = Canvas.GetWindowOrgEx();
}

void TCoordMap::SetOrigins(int WindowX, int WindowY, int ViewportX, int ViewportY) {
    WindowOrg = {WindowX, WindowY};
    ViewportOrg = {ViewportX, ViewportY};
}

void TCoordMap::ApplyToCanvas(TCanvas& Canvas) const {
    Canvas.SetMapMode(MapMode);
    Canvas.SetWindowExtEx(WindowExt.cx, WindowExt.cy);
    Canvas.SetViewportExtEx(ViewportExt.cx, ViewportExt.cy);
    Canvas.SetWindowOrgEx(0, 0);
    TPoint p = WindowOrg;
    if (p != TPoint()) {
        Canvas.SetViewportOrgEx(0, 0);
        p = Canvas.LPtoDP(p);
    }
    Canvas.SetViewportOrgEx(ViewportOrg.x - p.x, ViewportOrg.y - p.y);
}

void TCoordMap::ResetCanvas(TCanvas& Canvas) {
    Canvas.SetMapMode(MM_TEXT);
    Canvas.SetWindowOrgEx(0, 0);
    Canvas.SetViewportOrgEx(0, 0);
}
