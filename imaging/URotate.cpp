#include "URotate.h"

#include "UMaskedImage.h"
#include "UQuadMap.h"
#include "USafetyBitmap.h"
#include "UTransformer.h"

#include <array>

void RotateBitmapSized(const TBitmap& Source, TBitmap& Dest, int Angle, TColor BackColor,
                       const TPoint& Size) {
    TRotator rotator;
    rotator.SetCenter(TPoint(0, 0));
    rotator.SetAngle(Angle);
    std::array<TPoint, 4> corners = {TPoint(0, 0), TPoint(Size.x, 0), TPoint(Size.x, Size.y),
                                     TPoint(0, Size.y)};
    for (TPoint& p : corners)
        rotator.TransformPoint(p);
    TRect bounds;
    MapBitmapToQuad(Dest, bounds, corners[0], corners[1], corners[2], corners[3], Source,
                    TRect(0, 0, Source.Width(), Source.Height()), BackColor);
}

namespace {

bool MapperAccepts(TPixelFormat Format) {
    return Format == pf8bit || Format == pf15bit || Format == pf16bit || Format == pf24bit ||
           Format == pf32bit;
}

} // namespace

void RotateGraphic(const TSafetyBitmap& Source, TSafetyBitmap& Dest, int Angle,
                   const TPoint& Size) {
    if (!MapperAccepts(Source.PixelFormat()))
        return;
    TBitmap turned;
    RotateBitmapSized(Source.Bitmap(), turned, Angle, clWhite, Size);
    if (!Source.Transparent()) {
        Dest.SetBitmap(turned);
        return;
    }
    // The mask is white where the bitmap is transparent; 24 bits so that the mapper takes it.
    TBitmap mask;
    Source.GetMask(mask);
    mask.SetPixelFormat(pf24bit);
    TBitmap turnedMask;
    RotateBitmapSized(mask, turnedMask, Angle, clWhite, Size);
    TBitmap mono;
    TMaskedImage::MakeMask(turnedMask, mono, clWhite);
    Dest.SetBitmap(turned);
    Dest.SetTransparent(true);
    Dest.SetMask(mono);
}
