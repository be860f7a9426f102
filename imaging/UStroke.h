#pragma once
// TStroke: the outline of a drawing object as a flat sequence of points (logical units) with
// one path point type per point, in the encoding a device-context path uses. Shapes, glyph
// outlines and bars are held as strokes, transformed point by point (rotation, distortion)
// and replayed as drawing calls to fill, outline or clip.

#include "UWinTypes.h"

#include <cstdint>
#include <span>
#include <vector>

class TAALineAlphaMap;
class TBitmap;
class TCanvas;

// Receives a stroke replayed as drawing calls, in logical coordinates. A canvas path
// recorder and the anti-aliased line painter are the two receivers.
class TStrokeSink {
public:
    virtual ~TStrokeSink() = default;

    virtual void MoveTo(const TPoint& P) = 0;
    virtual void LineTo(const TPoint& P) = 0;
    // A run of line-to points; by default one LineTo each. A canvas passes the run to the
    // device in one call.
    virtual void PolylineTo(std::span<const TPoint> Points);
    virtual void CloseFigure() = 0;
    // The device position of a logical point. Points of a flattened curve that land on the
    // device position drawn last are skipped. By default the identity.
    virtual TPoint ToDevice(const TPoint& P) const { return P; }
};

class TStroke {
public:
    // Path point types. A Bezier segment is always a group of three entries: two control
    // points and the end point. PT_CLOSEFIGURE is a flag on a LINETO or on a group's end.
    static constexpr uint8_t PT_CLOSEFIGURE = 1;
    static constexpr uint8_t PT_LINETO = 2;
    static constexpr uint8_t PT_BEZIERTO = 4;
    static constexpr uint8_t PT_MOVETO = 6;

    // Steps of a Bezier group when it is flattened for drawing: 62 inner points, then the end.
    static constexpr int BezierSteps = 63;
    // Largest distance between the points Subdivide leaves on a straight segment.
    static constexpr int SubdivideStep = 8;
    // Most inner points Subdivide puts on one segment; longer segments get longer pieces.
    static constexpr int MaxSegmentPieces = 65536;

    TStroke() = default;

    // Copies the points and types of Source.
    void Assign(const TStroke& Source);

    int GetCount() const { return static_cast<int>(FTypes.size()); }
    // Resizes both arrays; new entries are (0, 0) with type 0 until written. A negative
    // count is taken as 0.
    void SetCount(int N);
    void Clear() { SetCount(0); }

    // Entry I, 0 <= I < GetCount().
    TPoint GetPoint(int I) const;
    uint8_t GetPointType(int I) const;

    // Raw access for path capture, transformers and drawing: both spans hold GetCount()
    // entries and stay valid until the count changes.
    std::span<TPoint> Points() { return FPoints; }
    std::span<const TPoint> Points() const { return FPoints; }
    std::span<uint8_t> PointTypes() { return FTypes; }
    std::span<const uint8_t> PointTypes() const { return FTypes; }

    void AddPoint(int X, int Y, uint8_t Type);

    // Smallest rectangle holding every point, control points included. Right and Bottom are
    // the largest coordinates themselves (not one past them); (0, 0, 0, 0) without points.
    TRect GetBounds() const;

    // Replays the entries as drawing calls:
    //   MOVETO starts a figure; a run of LINETO entries is one PolylineTo; a closing LINETO
    //   draws to its point and back to the figure start and closes the figure; a Bezier
    //   group is flattened into 62 inner points at t = i/63 (rounded half away from zero) and
    //   its end point, each drawn only when its device position differs from the last one
    //   drawn, and a closing group returns to the figure start and closes the figure. Any
    //   other type, or a Bezier group cut short by the end of the stroke, closes the figure
    //   and stops the walk. An empty stroke makes no calls (a path bracket around it needs
    //   an empty figure: MoveTo(0, 0), LineTo(0, 0), CloseFigure).
    void Replay(TStrokeSink& Sink) const;

    // Replays the stroke onto Canvas as MoveTo, PolylineTo, LineTo and CloseFigure calls
    // (points skipped by device position, as LPtoDP maps them). An empty stroke gives the
    // empty figure MoveTo(0, 0), LineTo(0, 0), CloseFigure, so that a path bracket around it
    // is still valid.
    void Draw(TCanvas& Canvas) const;
    // BeginPath, Draw, EndPath: the stroke becomes Canvas's current path, for StrokePath,
    // FillPath, StrokeAndFillPath or a clip region.
    void MakePath(TCanvas& Canvas) const;
    // Paints the stroke's lines into the 8-bit alpha bitmap Bitmap (one intensity byte per
    // pixel; larger values win where lines meet) through Painter, whose width and opacity
    // hold. Points are mapped by the bitmap canvas (LPtoDP); every line-to is followed by a
    // round dot at its end, so joints stay closed. A bitmap of another format is left alone.
    void DrawAntialiased(TBitmap& Bitmap, TAALineAlphaMap& Painter) const;
    // The same with a painter of the default (hairline) width.
    void DrawAntialiased(TBitmap& Bitmap) const;
    // Appends Canvas's current path (in logical units). A canvas without a path leaves the
    // stroke unchanged.
    void AppendPath(const TCanvas& Canvas);

    // Splits straight segments into pieces of at most SubdivideStep units so that they bend
    // under a distortion. Each figure starts with its MOVETO point followed by the same
    // point as a LINETO; the end point of every run of lines is kept; Bezier groups are
    // copied unchanged. On the closing side of a closed figure the inner point nearest the
    // figure start is dropped and the one before it (or the corner itself, when the side is
    // no longer than a step) becomes the closing LINETO.
    void Subdivide();

    // Replace the content by a closed shape in logical units. SetRect: 4 points.
    // SetEllipse: 13 points of four Bezier quarter arcs starting at (Right, centre y).
    // SetRoundRect: 21 points, corners of diameter Corner as Bezier quarter arcs.
    void SetRect(const TRect& R);
    void SetEllipse(const TRect& R);
    void SetRoundRect(const TRect& R, int Corner);

    friend bool operator==(const TStroke&, const TStroke&) = default;

private:
    std::vector<TPoint> FPoints;
    std::vector<uint8_t> FTypes;
};
