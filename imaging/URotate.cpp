#include "URotate.h"

#include "UQuadMap.h"
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
