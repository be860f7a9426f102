#pragma once
// Maps a rectangle of a source bitmap onto a convex quadrilateral given by four integer
// device points, producing a bitmap just large enough for the shape with a background colour
// outside it. The rectangle's corners go to the four points in order (P0 top-left, P1
// top-right, P2 bottom-right, P3 bottom-left of the source rectangle); in between the image
// follows by linear interpolation along the edges and across each row (no perspective), and
// each destination pixel takes the nearest source pixel, copied whole (8, 15, 16, 24 and
// 32-bit pixels; palettes and bit fields pass through unchanged).

#include "UBitmap.h"
#include "UColor.h"
#include "UWinTypes.h"

// Dest receives the mapped image: the source's pixel format and colour table, width and
// height of the corners' bounding box (Right - Left, Bottom - Top), BackColor outside the
// shape. Bounds receives the bounding box in the points' coordinates, so that Dest belongs
// at (Bounds.Left, Bounds.Top). A source of another pixel format leaves Dest and Bounds
// untouched; an empty source leaves Dest filled with BackColor. Source coordinates are
// clamped to the source bitmap for every pixel. A bounding box wider or higher than
// MaxBitmapSide raises Exception (from the bitmap).
void MapBitmapToQuad(TBitmap& Dest, TRect& Bounds, TPoint P0, TPoint P1, TPoint P2, TPoint P3,
                     const TBitmap& Source, const TRect& SrcRect, TColor BackColor);
