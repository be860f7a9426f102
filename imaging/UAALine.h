#pragma once
// Anti-aliased thin lines rasterised into intensities 0..255. A pixel's intensity is the
// area of a small disc (its footprint, radius FilterRadius) covered by a band of the line's
// width, precomputed as a profile over the perpendicular distance. The line walk is an
// integer Bresenham walk that tracks each pixel centre's perpendicular distance in 16.16
// and paints across the line until the profile's reach. Coordinates are integer device
// pixels.

#include "UBitmap.h"

#include <cstdint>
#include <functional>
#include <vector>

// Receives the intensity (0..255) of pixel (X, Y); pixels may be plotted more than once.
using TAAPlotEvent = std::function<void(int X, int Y, int Value)>;

// What a line of the current width looks like: the profile of intensities by distance,
// indexed by distance >> ProfileShift (16.16 distances below Reach), and the dot kernel
// stamped at joints, of side 2 * DotRadius + 1.
struct TAALineShape {
    std::vector<int> Profile;
    int ProfileShift = 0;
    int Reach = 0;
    std::vector<uint8_t> Dot;
    int DotRadius = 0;
};

class TAALineRec {
public:
    TAALineRec() = default;
    virtual ~TAALineRec() = default;
    TAALineRec(const TAALineRec&) = delete;
    TAALineRec& operator=(const TAALineRec&) = delete;

    // Half the line width in pixels (0.6 at first), limited to 0..1024.
    double HalfWidth() const { return FHalfWidth; }
    void SetHalfWidth(double Value);
    // Radius of the disc modelling one pixel's footprint (0.2 at first), limited to 0..1024.
    double FilterRadius() const { return FFilterRadius; }
    void SetFilterRadius(double Value);
    // Multiplies every profile value (1.0 at first); negative counts as 0.
    double Opacity() const { return FOpacity; }
    void SetOpacity(double Value);

    // The profile and dot kernel for the current width, rebuilt after a change.
    const TAALineShape& Shape();

    void SetPlot(TAAPlotEvent Plot) { FPlot = std::move(Plot); }

    void MoveTo(int X, int Y);
    // Draws from the current point to (X, Y), which becomes current.
    void LineTo(int X, int Y);
    // Draws the segment; (X1, Y1) becomes current. Nothing is drawn without a target.
    void DrawLine(int X0, int Y0, int X1, int Y1);
    // Stamps the dot kernel centred at (X, Y) (round joins and caps); nothing when the line
    // is too thin for a dot (kernel radius below 2).
    void DrawDot(int X, int Y);

protected:
    // Draw through the plot routine; targets with a faster plot override them.
    virtual void DrawSegment(const TAALineShape& Shape, int X0, int Y0, int X1, int Y1);
    virtual void StampDot(const TAALineShape& Shape, int X, int Y);

private:
    double FHalfWidth = 0.6;
    double FFilterRadius = 0.2;
    double FOpacity = 1.0;
    TAAPlotEvent FPlot;
    int FX = 0;
    int FY = 0;
    bool FDirty = true;
    TAALineShape FShape;
};

// Draws into an 8-bit bitmap (one intensity byte per pixel), keeping the larger value where
// lines meet, so that overlapping segments and dots do not darken. Plots outside the bitmap
// are ignored.
class TAALineAlphaMap : public TAALineRec {
public:
    // Attaches an 8-bit bitmap (which must outlive the drawing); another format detaches.
    void SetBitmap(TBitmap* Bitmap);

protected:
    void DrawSegment(const TAALineShape& Shape, int X0, int Y0, int X1, int Y1) override;
    void StampDot(const TAALineShape& Shape, int X, int Y) override;

private:
    TBitmap* FBitmap = nullptr;
};
