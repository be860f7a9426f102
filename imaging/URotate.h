#pragma once
// Image rotation: a bitmap turned by whole degrees while it is scaled to a requested size,
// into a new bitmap exactly as large as the turned rectangle's bounding box, with a
// background colour in the corners the image does not cover.

#include "UBitmap.h"
#include "UColor.h"
#include "UWinTypes.h"

// Turns Source by Angle degrees (clockwise on the y-down surface) about its top-left
// corner after stretching it to Size (width, height), into Dest: the rectangle (0, 0)-Size
// is turned with TRotator (corners rounded half away from zero) and Source is mapped onto
// it with MapBitmapToQuad, so Source's top-left pixel lands at the first turned corner and
// Dest starts at the turned rectangle's top-left. Dest takes Source's pixel format; pixel
// formats the mapper refuses (device, 1-bit, 4-bit, custom) leave Dest as it was.
void RotateBitmapSized(const TBitmap& Source, TBitmap& Dest, int Angle, TColor BackColor,
                       const TPoint& Size);

class TSafetyBitmap;

// Turns a bitmap graphic the same way on white. A transparent Source carries its transparency
// along: its mask for the transparent colour is turned too (on white, so the corners the
// image does not cover count as transparent) and becomes Dest's explicit mask, with Dest
// transparent. Source and Dest may be the same graphic. A pixel format the mapper refuses
// leaves Dest as it was.
void RotateGraphic(const TSafetyBitmap& Source, TSafetyBitmap& Dest, int Angle, const TPoint& Size);
