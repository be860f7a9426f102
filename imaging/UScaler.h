#pragma once
// Zoom and the mapping from logical units to device pixels.
//
// Design surfaces, ghosts, previews and print pages draw in logical units and let the canvas
// map them to pixels. TScaler owns that mapping: with DPI the target canvas's pixels per inch,
//     device = logical * K / D,   K = DPI * Scale,   D = UnitDPI * 100,
// rounded half away from zero (the canvas's own rule, MulDivRound). TCoordMap copies a
// canvas's mapping to another canvas.

#include "UCanvas.h"
#include "UException.h"

#include <QObject>
#include <functional>

VANTOMI_DECLARE_EXCEPTION(EScalerError, Exception)

// Plain record makers: no normalisation.
constexpr TPoint LogPoint(int X, int Y) {
    return TPoint(X, Y);
}
constexpr TRect LogRect(int Left, int Top, int Right, int Bottom) {
    return TRect(Left, Top, Right, Bottom);
}

// Pixels per inch a canvas draws at: a memory canvas's fixed resolution when it has one,
// otherwise its device's LOGPIXELSY.
int GetCanvasPixelsPerInch(TCanvas& Canvas);
// True when the canvas's device is a printer or plotter.
bool IsPrinterCanvas(TCanvas& Canvas);
// The screen's vertical pixels per inch.
int GetScreenPixelsPerInch();

class TScaler : public QObject {
    Q_OBJECT
    // Zoom in percent; default 100.
    Q_PROPERTY(int Scale READ Scale WRITE SetScale)
    // Logical units per inch at 100 %; no default, always stored.
    Q_PROPERTY(int UnitDPI READ UnitDPI WRITE SetUnitDPI)

public:
    static constexpr int DefaultScale = 100;

    // Scale 100, UnitDPI the screen's pixels per inch.
    explicit TScaler(QObject* Parent = nullptr);

    int Scale() const { return FScale; }
    // Values of 0 or below raise EScalerError and change nothing.
    void SetScale(int Value);
    int UnitDPI() const { return FUnitDPI; }
    void SetUnitDPI(int Value);
    // Copies Scale and UnitDPI and reports one change.
    void Assign(const TScaler& Source);
    void Changed();
    // Called after every change, with the scaler.
    std::function<void(TScaler&)> OnChange;

    // Conversions at the canvas's own resolution (GetCanvasPixelsPerInch), whatever DPI a
    // SetupCanvas call was given.
    TPoint LPtoDP(TCanvas& Canvas, TPoint P) const;
    TPoint DPtoLP(TCanvas& Canvas, TPoint P) const;
    // Left and top truncate toward zero, right and bottom round up (for coordinates of 0 or
    // more the rectangle grows outward), in 64-bit arithmetic.
    TRect LPtoDPRect(TCanvas& Canvas, const TRect& R) const;
    // Maps the canvas: MM_ANISOTROPIC with extents D : K reduced by their gcd, the old window
    // origin folded into the viewport origin (the scroll position stays), and the font
    // measured in logical units (its PixelsPerInch becomes UnitDPI, keeping its point size).
    // DPI 0 takes the canvas's own.
    void SetupCanvas(TCanvas& Canvas, int DPI = 0) const;

private:
    int64_t Multiplier(TCanvas& Canvas) const;
    int64_t Divisor() const { return int64_t(FUnitDPI) * 100; }
    int FScale = DefaultScale;
    int FUnitDPI;
};

// A snapshot of a canvas's mapping.
class TCoordMap {
public:
    int MapMode = MM_TEXT;
    TSize WindowExt{1, 1};
    TSize ViewportExt{1, 1};
    TPoint WindowOrg;
    TPoint ViewportOrg;

    void LoadFromCanvas(const TCanvas& Canvas);
    void SetOrigins(int WindowX, int WindowY, int ViewportX, int ViewportY);
    // Gives Canvas this mapping with window origin 0: the stored window origin is folded into
    // the viewport origin, so the picture lands where it would have.
    void ApplyToCanvas(TCanvas& Canvas) const;
    // MM_TEXT with both origins 0; extents are left as they are.
    static void ResetCanvas(TCanvas& Canvas);
};
