#pragma once
// Fixed-point stretch engine: resamples a rectangle of one bitmap onto the whole of another
// in integer arithmetic (16.16 positions and weights, 8.8 sums), with nearest-pixel, linear
// and Catmull-Rom cubic filters. It is separable: each source row is fetched and resampled
// horizontally once into a ring of four integer rows, from which the destination rows are
// formed vertically. Also the small fixed-point helpers and the clipped rectangle mapping
// the blenders use.
//
// Accepted source formats: pf8bit (one channel, resampled as plain numbers, no palette is
// copied), pf24bit (B, G, R) and pf32bit (B, G, R, X; X is resampled like the others). Sizes
// stay below 32768 pixels a side (16.16 positions in 32-bit integers).

#include "UBitmap.h"
#include "UWinTypes.h"

#include <cstdint>

enum TResampleFilter : uint8_t { rfNearest = 0, rfLinear = 1, rfCubic = 2 };

// How a row or column index outside the source rectangle is served.
enum TResampleEdge : uint8_t {
    reClamp = 0,  // the nearest edge row or column of the rectangle
    reExtend = 1, // the real pixel outside the rectangle while it lies inside the bitmap
    reWrap = 2    // the index modulo the rectangle's size
};

// A source rectangle mapped onto a target rectangle, clipped against both bitmaps' bounds
// by ClipMappedRects. The four factors are 16.16.
struct TMappedRects {
    TRect TargetBounds;
    TRect SourceBounds;
    TRect TargetRect;
    TRect SourceRect;
    TRect ClippedTarget;
    TRect ClippedSource;
    bool Scaled = false;
    int32_t TargetPerSourceX = 0;
    int32_t TargetPerSourceY = 0;
    int32_t SourcePerTargetX = 0;
    int32_t SourcePerTargetY = 0;
};

constexpr int32_t FixedOne = 65536;

// Integer part of a 16.16 value (arithmetic shift, so it rounds toward minus infinity).
constexpr int32_t FixedToInt(int32_t V) {
    return V >> 16;
}

// 16.16 product rounded half up: (A * B + 32768) >> 16 with a 64-bit product.
constexpr int32_t FixedMul(int32_t A, int32_t B) {
    return static_cast<int32_t>((static_cast<int64_t>(A) * B + 32768) >> 16);
}

// R = A intersected with B. False (R untouched) when A or B is empty (Left >= Right or
// Top >= Bottom) or their intersection is.
bool IntersectNonEmpty(TRect& R, const TRect& A, const TRect& B);

// Clips M.TargetRect against M.TargetBounds and the source rectangle belonging to it against
// M.SourceBounds, moving each rectangle's edges by the other's clipping (scaled by the
// rectangles' size ratio). Fills ClippedTarget, ClippedSource, Scaled and the four factors.
// False when nothing is left (or the source rectangle is empty).
bool ClipMappedRects(TMappedRects& M);

// Resamples SourceRect of Source onto the whole of Dest (whose size the caller has set);
// Dest takes Source's pixel format. Nothing happens when a bitmap is null or empty, when
// SourceRect is empty or not wholly inside Source, when Source has another pixel format than
// 8, 24 or 32 bits, or when Filter is not one of the three filters.
void ResampleBitmapRect(TBitmap* Dest, const TBitmap* Source, const TRect& SourceRect,
                        TResampleFilter Filter, TResampleEdge Edge);

// Resamples the whole of Source onto the whole of Dest with reClamp.
void StretchDrawFiltered(TBitmap* Dest, const TBitmap* Source, TResampleFilter Filter);
