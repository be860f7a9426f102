#pragma once
// Blenders: mix a rectangle of a source bitmap into a rectangle of a destination bitmap
// pixel by pixel under an 8-bit alpha map (0 keeps the destination, 255 takes the source),
// optionally scaled by a ratio in percent. One channel is mixed by a lookup in a signed
// table, d := d + ((s - d) * a) div 255 (the quotient truncated toward zero), so no
// multiplication or division happens per pixel. Only blue, green and red are mixed; the
// fourth byte of 32-bit pixels is left alone. Rectangles are not stretched: the alpha and
// source rectangles must have the destination rectangle's size.

#include "UBitmap.h"
#include "UPhasedProgress.h"
#include "UWinTypes.h"

#include <cstdint>

class TGRBlender {
public:
    virtual ~TGRBlender() = default;

    TBitmap* Dest = nullptr;
    TRect DestRect;
    const TBitmap* Source = nullptr;
    TRect SourceRect;
    // Reports one step per 64 rows when set.
    TPhasedProgressBase* Progress = nullptr;

    // Source and Dest are set and share a pixel format of 24 or 32 bits.
    virtual bool CanBlend() const;
    virtual void Blend() = 0;
};

// Blends under AlphaRect of AlphaMap (8 bits per pixel, one alpha byte per pixel).
class TGRBlendAlphaMap : public TGRBlender {
public:
    const TBitmap* AlphaMap = nullptr;
    TRect AlphaRect;

    bool CanBlend() const override;
    // Mixes SourceRect of Source into DestRect of Dest under AlphaRect. Nothing happens unless
    // CanBlend holds, AlphaRect lies inside the alpha map and the three rectangles have the
    // same size. The rectangles are clipped together against the destination and the source.
    void Blend() override;
};

// The same, with every alpha value scaled by Ratio percent (clamped to 0..100) first:
// alpha a blends as Min(MulDiv(a, Ratio, 100), 255).
class TGRBlendAlphaMapRatio : public TGRBlender {
public:
    const TBitmap* AlphaMap = nullptr;
    TRect AlphaRect;
    int Ratio = 100;

    bool CanBlend() const override;
    void Blend() override;
};

// Gaussian blur of the whole bitmap with one radius in both directions (see
// GaussianBlurRect); the alpha-mask object softens its mask by its shade size this way.
void BlurBitmap(TBitmap& Bitmap, double Radius);
