#pragma once
// Circular-arc geometry of curves given by three points (start, a point on the curve, end)
// or by a chord and a signed bulge. Coordinates are logical units on a y-down surface;
// angles are radians in 0..2pi, and increasing angle turns clockwise on that surface.
//
// The bulge of a chord P1->P2 is the signed distance from the chord's middle to the curve,
// perpendicular to the chord; with d = P2 - P1 a positive bulge lies on the side of the
// vector (d.y, -d.x).

#include "UWinTypes.h"

#include <vector>

class TCanvas;

// A circular arc: from StartAngle to EndAngle in increasing angle, wrapping at 2pi. The
// point at angle a is (Center.x + Radius cos a, Center.y + Radius sin a). Radius 0 stands
// for a flat curve (the three points lie in a line).
struct TArc {
    TPoint Center;
    int Radius = 0;
    double StartAngle = 0;
    double EndAngle = 0;
};

// A curve bends enough to be drawn as a circular arc when its bulge is at least this large
// (in either direction) ...
constexpr int MinArcBulge = 21;
// ... and its radius below this; flatter curves are drawn as a parabola.
constexpr int MaxArcRadius = 8000;

// The point of Arc's circle at Angle and distance Radius from the centre, each coordinate
// rounded half away from zero.
TPoint PointOnCircle(const TArc& Arc, double Angle, double Radius);

// The circle through three points: answers its radius and sets Center (rounded half away
// from zero). Points in a line (or so nearly in a line that the circle would not fit in
// 32-bit coordinates) give the centroid of the three points (each coordinate truncated
// toward zero) and its distance to P2.
double CircleThrough3(TPoint& Center, const TPoint& P1, const TPoint& P2, const TPoint& P3);

// The arc of the circle through P1, Pm and P3, from P1 to P3 in increasing angle; it passes
// Pm when the curve turns clockwise (a positive bulge), so callers put the points of a
// negative bulge in reverse order. Points in a line, points so nearly in a line that the
// circle would not fit in 32-bit coordinates, and circles smaller than one unit give Radius
// 0 and both angles 0 (a flat curve), with Center the centroid for points in a line.
TArc CalcArc(const TPoint& P1, const TPoint& Pm, const TPoint& P3);

// The start, middle and end points of Arc (PointOnCircle at Arc.Radius).
void GetArcPoints(TPoint& PStart, TPoint& PMid, TPoint& PEnd, const TArc& Arc);

// Bounds of Arc: its end points widened by every axis extreme of the circle the arc passes.
// Right and Bottom are the largest coordinates themselves.
TRect GetArcBounds(const TArc& Arc);

// Turn direction A->B->C: 1 when the cross product (B - A) x (C - A) is negative, 0 when
// the points are in a line, -1 when it is positive.
int PointOrientation(const TPoint& A, const TPoint& B, const TPoint& C);

// The signed bulge of the curve from P1 through Pm to P3 (0 for points in a line).
int GetPointsBulge(const TPoint& P1, const TPoint& Pm, const TPoint& P3);

// The curve point above the chord's middle for Bulge, which is limited to -4000..4000
// (so for larger bulges the point lies nearer the chord than the arc). P1 for a chord
// shorter than 0.1.
TPoint GetBulgePoint(const TPoint& P1, const TPoint& P2, int Bulge);

// The arc over the chord P1->P2 with Bulge, always running from StartAngle to EndAngle in
// increasing angle (for a negative bulge the angles are exchanged, giving the mirror arc).
// Bulge 0 gives the half circle over the chord. Answers false, leaving Arc unchanged, when
// Bulge is not 0 and the chord is shorter than 0.9, or when the circle would not fit in
// 32-bit coordinates.
bool ArcFromChord(TArc& Arc, const TPoint& P1, const TPoint& P2, int Bulge);

// The polyline a curve through P1, Pm and P3 is drawn as: a move-to the first point, then
// line-tos to the others. A curve with |bulge| >= MinArcBulge and 1 <= radius < MaxArcRadius
// is its circular arc in steps of 2 degrees (coordinates truncated toward zero); any other
// curve is the parabola through the three points in 8 steps, which is the straight segment
// for points in a line.
std::vector<TPoint> GetArcByPointsPolyline(const TPoint& P1, const TPoint& Pm, const TPoint& P3);

// The outline of the same curve drawn PenWidth wide, as one figure to fill: a move-to the
// first point, then line-tos to the others; the figure is to be closed after the last.
// An arc is traced along its outer edge from start to end and back along its inner edge;
// a parabola along one side and back along the other.
std::vector<TPoint> GetArcOutlinePolygon(const TPoint& P1, const TPoint& Pm, const TPoint& P3,
                                         int PenWidth);

// Draws the curve through P1, Pm and P3 with Canvas's pen: MoveTo the first point of
// GetArcByPointsPolyline, LineTo the others.
void DrawArcByPoints(TCanvas& Canvas, const TPoint& P1, const TPoint& Pm, const TPoint& P3);

// Inside an open path: adds the outline of the curve drawn as wide as Canvas's pen
// (GetArcOutlinePolygon) as one closed figure, so that filling the path paints the thick
// curve. The pen is one device pixel wide while the outline is traced and gets its width
// back afterwards.
void AddArcOutlineToPath(TCanvas& Canvas, const TPoint& P1, const TPoint& Pm, const TPoint& P3);
