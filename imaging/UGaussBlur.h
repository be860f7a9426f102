#pragma once
// Recursive Gaussian blur: Deriche's fourth-order IIR approximation, run forwards (causal
// part) and backwards (anti-causal part) over every line, so that its cost per pixel does
// not depend on the radius. The vertical pass runs first, then the horizontal one.
//
// Radius r (pixels) stands for the Gaussian that falls to 1/255 of its peak at r + 1:
// sigma = (r + 1) / sqrt(2 ln 255). Radii up to 15 run in 16.16 fixed point, larger ones in
// double precision: beyond that the 16.16 feedback coefficients of the slow poles are too
// coarse, and a step edge drifts by more than one level and shifts (by 0.5 px at 40..50). Both keep a flat colour exactly flat: the filter's overall gain is
// normalised to 1 for the coefficients actually used, and the line ends are continued with
// the recursion at its steady state.
//
// Accepted formats: pf8bit (one channel), pf24bit and pf32bit (every byte of a pixel is a
// channel, the fourth one included). Other formats are left unchanged.

#include "UBitmap.h"
#include "UWinTypes.h"

#include <cstdint>

// Largest radius served by the fixed-point path.
constexpr double MaxFixedBlurRadius = 15.0;
// Radii above this count as this (the blur is then practically a line average, and the
// recursion would lose its precision).
constexpr double MaxBlurRadius = 1000.0;

// Floating-point coefficient set for sigma (pixels): causal numerators Alpha, denominators
// Delta (Delta[0] = 0), anti-causal numerators Beta (Beta[0] = 0), and the boundary gains
// Epsilon and Phi that continue a line with its end value. Alpha and Beta are scaled so that
// (sum Alpha + sum Beta) / (1 + sum Delta) = 1.
struct TDericheCoefficients {
    double Alpha[5] = {};
    double Delta[5] = {};
    double Beta[5] = {};
    double Epsilon[5] = {};
    double Phi[5] = {};
};

// Fixed-point coefficient set: every coefficient rounded to 16.16 (ties to even), then the
// residual of the gain moved onto Alpha[0] and Beta[1] so that CausalGain + AntiCausalGain
// = Denominator exactly, with CausalGain = sum Alpha, AntiCausalGain = sum Beta and
// Denominator = 65536 + sum Delta. The boundary gains are the exact fractions
// Delta[k] * CausalGain / Denominator (and AntiCausalGain for the anti-causal part).
struct TDericheCoefficientsFixed {
    int32_t Alpha[5] = {};
    int32_t Delta[5] = {};
    int32_t Beta[5] = {};
    int32_t CausalGain = 0;
    int32_t AntiCausalGain = 0;
    int32_t Denominator = 0;
};

// sigma for a radius: sqrt(r^2 / (2 ln 255)) with r = |Radius| + 1.
double BlurSigmaOfRadius(double Radius);
TDericheCoefficients DericheCoefficients(double Sigma);
TDericheCoefficientsFixed DericheCoefficientsFixed(double Sigma);

// Blurs the part of Rect inside Bitmap in place (with no copy of it; the passes run in bands
// of lines on all cores for large rectangles, see UPixelThreads.h), vertically with RadiusY and then
// horizontally with RadiusX (a radius below 1, or NaN, skips its pass). Pixels outside the
// rectangle are neither read nor written. Radii up to MaxFixedBlurRadius (both) run in fixed
// point, otherwise both passes run in floating point.
void GaussianBlurRect(TBitmap& Bitmap, const TRect& Rect, double RadiusX, double RadiusY);
// The fixed-point path; radii above MaxFixedBlurRadius are handed to the floating-point path.
void GaussianBlurRectFixed(TBitmap& Bitmap, const TRect& Rect, double RadiusX, double RadiusY);
