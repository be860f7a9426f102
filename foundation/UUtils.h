#pragma once
// General utilities: rectangle and point arithmetic, small text formatters and the data
// folder check. Rounding (RoundOff) and scaling (MulDiv) live with the geometry types in
// UWinTypes.h.
//
// Rectangles are integer Left, Top, Right, Bottom with Right and Bottom outside the area, in
// whatever unit the caller uses (pixels, 0.1 mm); nothing here assumes a unit.

#include "UWinTypes.h"

#include <QString>

// Right - Left, Bottom - Top (negative for a rectangle that is not normalised).
int RectWidth(const TRect& R);
int RectHeight(const TRect& R);
// ((Left + Right) / 2, (Top + Bottom) / 2), rounding toward zero.
TPoint RectCenter(const TRect& R);
// Swaps Left/Right and Top/Bottom as needed so that Left <= Right and Top <= Bottom.
void NormalizeRect(TRect& R);
// True when A lies wholly inside B, that is when IntersectRect of A and B gives A. An empty
// intersection is the zero rectangle, so an empty A is inside only when it is (0, 0, 0, 0).
bool IsRectInside(const TRect& A, const TRect& B);
TPoint AddPoint(const TPoint& P, const TPoint& Q);
// P moved into R: x below Left becomes Left, x above Right becomes Right (Right wins when
// Right < Left), y likewise with Top and Bottom. Right and Bottom are reachable.
TPoint ClampPointToRect(const TPoint& P, const TRect& R);
// R moved so that its centre (RectCenter) lies on P; its size is kept.
TRect CenterRectOn(const TRect& R, const TPoint& P);
// R's top-left kept and its size scaled, aspect kept, to the largest size within
// MaxWidth x MaxHeight (it may grow or shrink); the scaled side is rounded with MulDiv.
// R with no area (zero or negative width or height) is answered unchanged.
TRect FitRectSize(const TRect& R, int MaxWidth, int MaxHeight);
// R scaled, aspect kept, to the largest size inside Bounds and centred on Bounds' centre.
// R with no area is answered unchanged.
TRect FitRectInRect(const TRect& R, const TRect& Bounds);
// R scaled, aspect kept, to the smallest size that covers Bounds, centred on Bounds' centre.
// R with no area is answered unchanged.
TRect CoverRectInRect(const TRect& R, const TRect& Bounds);
// True when Left = Right or Top = Bottom.
bool IsRectDegenerate(const TRect& R);

// A value in tenths as a decimal: 125 -> "12.5", 120 -> "12", 5 -> "0.5", -5 -> "-0.5",
// -125 -> "-12.5".
QString TenthsToStr(int N);
// A month number as the Japanese month text: 4 -> "4月". Any number is formatted.
QString MonthToStr(int Month);

// True when FileName lies under a folder named "data" (its folder path contains "\data\"
// ignoring case; '/' counts as '\'), Folder ends with the same path tail starting at that
// "\data\" (ignoring case), and a file of FileName's name exists in Folder (its name matched
// ignoring case, as names taken from Windows media may differ in case). Folder may end with
// a separator or not.
bool ExistsInDataFolder(const QString& FileName, const QString& Folder);
