#pragma once
// Effectors: one-shot pixel operations on 24- and 32-bit bitmaps (bytes B, G, R and, for
// 32 bits, a fourth byte that only the colour change writes). Each reads Rect of Source and
// writes Dest, which takes the source's pixel format and the rectangle's size. The arithmetic
// is integer or a table lookup per byte.
//
// Nothing happens (Dest is left as it was) when Source or Dest is missing, when Source is not
// 24 or 32 bits per pixel, or when Rect is empty or not wholly inside Source. Source and Dest
// may be the same bitmap.

#include "UBitmap.h"
#include "UColor.h"
#include "UPhasedProgress.h"
#include "UWinTypes.h"

class TGREffector {
public:
    virtual ~TGREffector() = default;

    const TBitmap* Source = nullptr;
    TBitmap* Dest = nullptr;
    TRect Rect;
    // Reports one step per 64 rows (and one for the effect's table) when set.
    TPhasedProgressBase* Progress = nullptr;

    virtual void Execute() = 0;
};

// Tints by luminance: each pixel becomes the colour with RefColor's hue and saturation and
// the pixel's luminance Y = (29 B + 150 G + 77 R) >> 8 as lightness. RefColor is taken as
// stored (system colours are not resolved).
class TGREffectMonoTone : public TGREffector {
public:
    TColor RefColor = clBlack;
    void Execute() override;
};

// Brightness and Contrast in percent (-100..100; values beyond count as the limits), one
// 256-entry table for blue, green and red alike. Contrast 100 thresholds at one half.
class TGREffectBrightnessContrast : public TGREffector {
public:
    int Brightness = 0;
    int Contrast = 0;
    void Execute() override;
};

// Count passes (at least one) of a 3 x 3 box filter with the edge pixels replicated; the
// nine-pixel sums are divided by 9 rounding half up.
class TGREffectBlur : public TGREffector {
public:
    int Count = 1;
    void Execute() override;
};

// Sharpens: a blur of Round(Amount) passes into Dest, then each byte d becomes
// Min(Max(2 s - d, 0), 255) with s the source byte. At most 1000 passes.
class TGREffectUnsharpMask : public TGREffector {
public:
    double Amount = 1.0;
    void Execute() override;
};

// Replaces every pixel of exactly FromColor by ToColor (both resolved with ColorToRGB). On
// 32-bit bitmaps the whole pixel must match, fourth byte 0, and ToColor is written with a
// fourth byte 0.
class TGREffectColorChange : public TGREffector {
public:
    TColor FromColor = clBlack;
    TColor ToColor = clBlack;
    void Execute() override;
};
