#include "URotatedRect.h"

#include "URegion.h"
#include "UWinTypes.h"

#include <algorithm>

std::vector<TPoint> RotatedRectCorners(const TRect& R, const TRotator& Rotator) {
    std::vector<TPoint> p = {
        {R.Left, R.Top}, {R.Right, R.Top}, {R.Right, R.Bottom}, {R.Left, R.Bottom}};
    for (TPoint& q : p)
        Rotator.TransformPoint(q);
    return p;
}

TRect RotatedRectBounds(const TRect& R, const TRotator& Rotator) {
    if (Rotator.GetAngle() == 0)
        return R;
    return TRegion::CreatePolygon(RotatedRectCorners(R, Rotator), WINDING).Box();
}

bool RotatedRectContains(const TRect& R, const TRotator& Rotator, const TPoint& P) {
    return TRegion::CreatePolygon(RotatedRectCorners(R, Rotator), WINDING).PtInRegion(P.x, P.y);
}

TRect RotatedRectResized(const TRect& R, const TRotator& Rotator, int AWidth, int AHeight) {
    if (Rotator.GetAngle() == 0)
        return TRect(R.Left, R.Top, R.Left + AWidth, R.Top + AHeight);
    const TRect b = RotatedRectBounds(R, Rotator);
    const int bw = std::max(1, b.Right - b.Left), bh = std::max(1, b.Bottom - b.Top);
    return TRect(R.Left, R.Top, R.Left + MulDiv(R.Right - R.Left, AWidth, bw),
                 R.Top + MulDiv(R.Bottom - R.Top, AHeight, bh));
}
