#pragma once
// Masked images: how a bitmap with a transparent colour is drawn. A monochrome mask holds 1
// (white) where the source pixel is the transparent colour and 0 (black) elsewhere; an image
// copy (24 bits) has its transparent pixels turned white. Drawing stretches the mask with
// MERGEPAINT (destination OR NOT mask: the opaque area turns white) and then the image with
// SRCAND (the opaque area takes the image; the transparent area, white in the image, stays).

#include "UBitmap.h"
#include "UCanvas.h"

class TMaskedImage {
public:
    // The mask (or image) no longer fits the bitmap and is rebuilt on the next Update.
    bool MaskStale = false;
    bool ImageStale = false;

    // Copies the flags, the mask and the image.
    void Assign(const TMaskedImage& Source);
    // Rebuilds what is stale from Bitmap and its transparent colour.
    void Update(const TBitmap& Bitmap, TColor TransparentColor);
    void UpdateMask(const TBitmap& Bitmap, TColor TransparentColor);
    // Draws into R (logical units), stretched with COLORONCOLOR.
    void Draw(TCanvas& Canvas, const TRect& R) const;
    // An explicit mask: it holds until the next Invalidate (the image is rebuilt over it).
    void SetMask(const TBitmap& Mask);
    void GetMask(TBitmap& Mask) const { Mask = FMask; }
    void Invalidate() { MaskStale = ImageStale = true; }
    const TBitmap& Mask() const { return FMask; }
    const TBitmap& Image() const { return FImage; }

    // Builds into Mask (1 bit, Source's size) the pixels of Source that equal Color, compared
    // on its low 24 bits. For 8-bit sources every palette entry of that colour counts; a
    // palette without it leaves the mask all black.
    static void MakeMask(const TBitmap& Source, TBitmap& Mask, TColor Color);

private:
    TBitmap FMask;
    TBitmap FImage;
};
