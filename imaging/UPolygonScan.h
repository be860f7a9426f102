#pragma once
// Scan conversion of convex polygons with floating-point vertices into one horizontal span
// per row, clipped to an inclusive rectangle, with up to three attributes interpolated
// linearly (in screen space) along the edges and across each span. It touches no pixels:
// each span is handed to a callback.
//
// Device pixels: the centre of pixel (x, y) lies at (x + 0.5, y + 0.5). A pixel belongs to
// a span when its centre lies between the two edges, both inclusive.

#include "UWinTypes.h"

#include <cstdint>
#include <functional>
#include <span>

// A vertex; also the running position of an edge, and the start values and per-pixel steps
// handed to the span callback (whose X and Y are then meaningless).
struct TPolyScanVertex {
    double X = 0;
    double Y = 0;
    double Attr[3] = {};
};

// Attribute flags: bit k selects Attr[k]. Attributes whose bit is clear are neither read nor
// interpolated.
constexpr uint8_t psAttr1 = 1;
constexpr uint8_t psAttr2 = 2;
constexpr uint8_t psAttr3 = 4;

// Called once per row, top to bottom, with X0 <= X1 both inside the span; Start holds the
// flagged attributes at the centre of pixel (X0, Y) and Step their change per pixel right.
using TPolyScanSpanEvent = std::function<void(int Y, int X0, int X1, const TPolyScanVertex& Start,
                                              const TPolyScanVertex& Step)>;

// Reciprocals of edge heights and span widths at most this small are taken as 1.
constexpr double PolyScanSmallDenominator = 1e-5;

// Scans the convex polygon whose vertices are given in order (either winding). Clip's four
// limits are all inclusive. Fewer than three vertices, or a non-finite coordinate or flagged
// attribute, scan nothing. Rows above and below Clip cost nothing: the edges are set up
// directly at the first row inside it and the scan stops below it.
void ScanPolygon(std::span<const TPolyScanVertex> Vertices, uint8_t Flags, const TRect& Clip,
                 const TPolyScanSpanEvent& OnSpan);
