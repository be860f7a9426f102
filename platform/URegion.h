#pragma once
// TRegion: an area of device pixels for clipping and hit tests, with the region calls the
// drawing code makes (rectangle, ellipse, round rectangle, polygon and path regions;
// combining; box; point test; offset). Coordinates are device pixels; a rectangle's right
// and bottom edges lie outside the area.

#include "UWinTypes.h"

#include <QPainterPath>
#include <QRegion>
#include <vector>

// Region complexity, as region calls answer it.
constexpr int RGN_ERROR = 0;
constexpr int NULLREGION = 1;
constexpr int SIMPLEREGION = 2;
constexpr int COMPLEXREGION = 3;

// Combine modes.
constexpr int RGN_AND = 1;
constexpr int RGN_OR = 2;
constexpr int RGN_XOR = 3;
constexpr int RGN_DIFF = 4;
constexpr int RGN_COPY = 5;

// Polygon fill modes.
constexpr int ALTERNATE = 1;
constexpr int WINDING = 2;

class TRegion {
public:
    TRegion() = default;
    explicit TRegion(const QRegion& Region) : FRegion(Region) {}

    // A rectangle (normalised; right and bottom excluded).
    static TRegion CreateRect(const TRect& R);
    // The ellipse inscribed in R (right and bottom excluded).
    static TRegion CreateEllipse(const TRect& R);
    // A rectangle with corners rounded by ellipses of CornerW x CornerH.
    static TRegion CreateRoundRect(const TRect& R, int CornerW, int CornerH);
    // A polygon filled with FillMode (ALTERNATE or WINDING); pixels whose centres lie inside.
    static TRegion CreatePolygon(const TPoint* Points, int Count, int FillMode);
    static TRegion CreatePolygon(const std::vector<TPoint>& Points, int FillMode) {
        return CreatePolygon(Points.data(), static_cast<int>(Points.size()), FillMode);
    }
    // The inside of a closed path (device coordinates) under FillMode.
    static TRegion CreateFromPath(const QPainterPath& Path, int FillMode);
    // The same, only the part inside Within: a path far larger than the pixels it is drawn
    // on (a damaged width, a huge zoom) costs no more than the pixels. A path reaching more
    // than 4096 pixels beyond Within is cut first; its edges may then move by a pixel.
    static TRegion CreateFromPath(const QPainterPath& Path, int FillMode, const QRect& Within);

    // Combines A and B with Mode into this region; answers the complexity of the result
    // (RGN_ERROR for an unknown mode, leaving the region unchanged).
    int Combine(const TRegion& A, const TRegion& B, int Mode);
    // Smallest rectangle holding the region ((0,0,0,0) when empty); answers the complexity.
    int GetBox(TRect& Box) const;
    TRect Box() const;
    int Complexity() const;
    bool IsEmpty() const { return FRegion.isEmpty(); }
    bool PtInRegion(int X, int Y) const { return FRegion.contains(QPoint(X, Y)); }
    // True when any pixel of R (right and bottom excluded) lies in the region.
    bool RectInRegion(const TRect& R) const;
    void Offset(int Dx, int Dy) { FRegion.translate(Dx, Dy); }
    bool Equals(const TRegion& Other) const { return FRegion == Other.FRegion; }

    const QRegion& ToQRegion() const { return FRegion; }

private:
    QRegion FRegion;
};
