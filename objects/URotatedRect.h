#pragma once
// Geometry of a rectangle object turned about its centre: the corners, the box they span,
// hit testing and resizing by the turned box. Shared by the objects that rotate as a
// plain rectangle (codes, and later shapes and pictures).

#include "UTransformer.h"
#include "UWinTypes.h"

#include <vector>

std::vector<TPoint> RotatedRectCorners(const TRect& R, const TRotator& Rotator);
TRect RotatedRectBounds(const TRect& R, const TRotator& Rotator);
bool RotatedRectContains(const TRect& R, const TRotator& Rotator, const TPoint& P);
// The rectangle that makes the turned box AWidth x AHeight (the top-left corner stays).
TRect RotatedRectResized(const TRect& R, const TRotator& Rotator, int AWidth, int AHeight);
