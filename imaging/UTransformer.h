#pragma once
// Point transformers that bend the outlines of drawing objects: TRotator turns points about
// a centre, TCoonsDistortion maps them through a Coons patch (a shape bounded by four edge
// curves onto which a source rectangle is stretched, placed into a target rectangle).
//
// Transformers are persistent objects: the text object publishes its distortion, whose
// edges are written as the binary property "Data".

#include "UGuid.h"
#include "UPersistent.h"
#include "UWinTypes.h"

#include <array>
#include <cstdint>
#include <vector>

class TStroke;
class TStream;

class TTransformer : public TPersistent {
    Q_OBJECT
public:
    ~TTransformer() override = default;

    // TransformPoint on every point of Stroke, in order; the point types are kept.
    virtual void TransformStroke(TStroke& Stroke) const;
    // Maps P (logical units) in place.
    virtual void TransformPoint(TPoint& P) const = 0;

protected:
    TTransformer() = default;
};

// Turns points about Center by Angle whole degrees; on the y-down surface a positive angle
// turns clockwise: at 90 degrees (1, 0) from the centre goes to (0, 1) from it.
class TRotator : public TTransformer {
    Q_OBJECT
public:
    TRotator() = default;

    int GetAngle() const { return FAngle; }
    // Stores the angle (degrees) and caches its cosine and sine.
    void SetAngle(int Angle);
    TPoint GetCenter() const { return FCenter; }
    void SetCenter(const TPoint& Center) { FCenter = Center; }

    // P := Center + the rotated offset, each coordinate rounded half away from zero.
    void TransformPoint(TPoint& P) const override;

private:
    int FAngle = 0;
    TPoint FCenter;
    long double FCos = 1;
    long double FSin = 0;
};

// A point of a distortion edge in patch coordinates: the source rectangle is the unit
// square 0..1 in both directions.
struct TCoonsPoint {
    long double X = 0;
    long double Y = 0;
    friend bool operator==(const TCoonsPoint&, const TCoonsPoint&) = default;
};

// Conversion between a value and its stored 10-byte extended-precision form (64-bit
// mantissa with explicit integer bit, 15-bit biased exponent, sign; little-endian). The
// decoder may raise on a malformed value.
using TExtendedDecoder = long double (*)(const char* Bytes);
using TExtendedEncoder = void (*)(long double Value, char* Bytes);

// The codec of the property streams (UExtended.h). Values pass through double precision:
// reading rounds away the lowest 11 bits of a stored 64-bit mantissa (far below a unit of
// any patch), and a value read and written again is stored as it was read.
long double DecodeStoredExtended(const char* Bytes);
void EncodeStoredExtended(long double Value, char* Bytes);

// A Coons patch given by four edges: top (left to right), right (top to bottom), bottom
// (left to right) and left (top to bottom). Each edge is a list of points with one flag
// byte per point: 0 = corner (the curve passes through the point with straight pieces),
// non-zero = smooth (the point is the control point of a quadratic piece between the
// middles of its neighbouring segments).
//
// Corners are shared: the top edge's first point is the left edge's first, the top's last
// the right's first, the bottom's first the left's last, the bottom's last the right's last;
// setting a corner on one edge sets it on the other. Point indices continue round the
// corners: point -i of an edge is point i of the edge before it, walking away from the
// shared corner, and point Count-1+i is point i of the edge after it.
//
// A patch maps points only when every edge has at least two points and both rectangles
// have a width and a height; otherwise points stay where they are.
class TCoonsDistortion : public TTransformer {
    Q_OBJECT
public:
    // Largest number of points of one edge that stored data may give.
    static constexpr int MaxEdgePoints = 65536;

    // A new pattern identity, empty rectangles, empty edges.
    TCoonsDistortion();

    // Copies the identity, the edges, both rectangles and the prepared state.
    void Assign(const TCoonsDistortion& Source);
    // The same for a distortion; other sources go to the inherited Assign.
    void Assign(const TPersistent* Source) override;

    // The binary property "Data": the stored form below, always written.
    void DefineProperties(TFiler& Filer) override;

    const TGUID& GetID() const { return FID; }
    // Same pattern: the identities are equal.
    bool Equals(const TCoonsDistortion& Other) const { return FID == Other.FID; }

    // Empties all four edges.
    void Clear();
    bool IsEmpty() const;

    // Edge sizes. Setting a different non-negative count resizes the edge (new points are
    // (0, 0)) and clears all its flags; a negative count is ignored.
    int GetTopCount() const { return Count(Top); }
    int GetRightCount() const { return Count(Right); }
    int GetBottomCount() const { return Count(Bottom); }
    int GetLeftCount() const { return Count(Left); }
    void SetTopCount(int N) { SetCount(Top, N); }
    void SetRightCount(int N) { SetCount(Right, N); }
    void SetBottomCount(int N) { SetCount(Bottom, N); }
    void SetLeftCount(int N) { SetCount(Left, N); }

    // Edge points. Getters accept indices continuing into the neighbouring edges; setters
    // accept 0..Count-1. Other indices raise EListError.
    TCoonsPoint GetTopPoint(int I) const { return GetPoint(Top, I); }
    TCoonsPoint GetRightPoint(int I) const { return GetPoint(Right, I); }
    TCoonsPoint GetBottomPoint(int I) const { return GetPoint(Bottom, I); }
    TCoonsPoint GetLeftPoint(int I) const { return GetPoint(Left, I); }
    void SetTopPoint(int I, const TCoonsPoint& P) { SetPoint(Top, I, P); }
    void SetRightPoint(int I, const TCoonsPoint& P) { SetPoint(Right, I, P); }
    void SetBottomPoint(int I, const TCoonsPoint& P) { SetPoint(Bottom, I, P); }
    void SetLeftPoint(int I, const TCoonsPoint& P) { SetPoint(Left, I, P); }

    // Flags: 0 for any index outside the edge. Setters accept 0..Count-1, else EListError.
    uint8_t GetTopFlag(int I) const { return GetFlag(Top, I); }
    uint8_t GetRightFlag(int I) const { return GetFlag(Right, I); }
    uint8_t GetBottomFlag(int I) const { return GetFlag(Bottom, I); }
    uint8_t GetLeftFlag(int I) const { return GetFlag(Left, I); }
    void SetTopFlag(int I, uint8_t Flag) { SetFlag(Top, I, Flag); }
    void SetRightFlag(int I, uint8_t Flag) { SetFlag(Right, I, Flag); }
    void SetBottomFlag(int I, uint8_t Flag) { SetFlag(Bottom, I, Flag); }
    void SetLeftFlag(int I, uint8_t Flag) { SetFlag(Left, I, Flag); }

    // The rectangle whose unit square the edges describe, and the one it is placed into
    // (logical units).
    const TRect& GetSourceRect() const { return FSource.Rect; }
    const TRect& GetTargetRect() const { return FTarget.Rect; }
    void SetSourceRect(const TRect& R) { FSource.Set(R); }
    void SetTargetRect(const TRect& R) { FTarget.Set(R); }

    // Moves every edge point towards its place on the undistorted unit square:
    // p := place + (p - place) * Percent / 100. 0 gives the square, 100 keeps the patch.
    void ApplyRatio(int Percent);

    // The Coons mapping: P relative to the source rectangle gives (u, v) in the unit square;
    // the blend of the four edge curves at (u, v), less the bilinear blend of the corners,
    // scaled to the target rectangle and truncated (with 0.01 added against rounding noise).
    void TransformPoint(TPoint& P) const override;

    // The stored form: the identity (16 bytes), the four counts (32-bit, top, right,
    // bottom, left), every edge's points as X and Y extended values (10 bytes each), then
    // every edge's flag bytes; little-endian. Knots are not stored. A point still holding
    // the value it was read as is written with the bytes it was read from.
    void WriteData(TStream& Stream, TExtendedEncoder Encode) const;
    // Reads the stored form from Stream's position. Counts other than 0 or 2..MaxEdgePoints,
    // data shorter than the counts need, and non-finite coordinates raise EReadError and
    // leave the patch unchanged.
    void ReadData(TStream& Stream, TExtendedDecoder Decode);
    // The same through the property streams' extended codec.
    void WriteData(TStream& Stream) const { WriteData(Stream, EncodeStoredExtended); }
    void ReadData(TStream& Stream) { ReadData(Stream, DecodeStoredExtended); }

private:
    enum TEdgeIndex { Top = 0, Right = 1, Bottom = 2, Left = 3 };

    struct TEdge {
        std::vector<TCoonsPoint> Points;
        std::vector<uint8_t> Flags;
        // One per point, rebuilt when the patch is prepared.
        mutable std::vector<long double> Knots;
        // The stored bytes of each point as read (X then Y), with the value they were read
        // as: a point whose value is unchanged is written back with its own bytes, so that
        // extended values that do not fit a double survive opening and saving unaltered.
        struct TStoredPoint {
            TCoonsPoint Value;
            std::array<char, 20> Bytes;
        };
        std::vector<TStoredPoint> Stored;
    };

    struct TCachedRect {
        TRect Rect;
        long double Width = 0, Height = 0;
        long double InvWidth = 0, InvHeight = 0; // 0 when the size is 0
        void Set(const TRect& R);
    };

    // A point of an edge reached from another edge round a corner.
    struct TEdgeRef {
        int Edge;
        int Index;
    };
    // Point I steps away from Edge's first (Before) or last (After) point, on the edge that
    // shares that corner; I = 0 is the shared corner itself.
    TEdgeRef Before(int Edge, int I) const;
    TEdgeRef After(int Edge, int I) const;
    // Where index I of Edge lies when it is outside 0..Count-1.
    TEdgeRef Neighbour(int Edge, int I) const;

    int Count(int Edge) const { return static_cast<int>(FEdges[Edge].Points.size()); }
    void SetCount(int Edge, int N);
    TCoonsPoint GetPoint(int Edge, int I) const;
    void SetPoint(int Edge, int I, const TCoonsPoint& P);
    uint8_t GetFlag(int Edge, int I) const;
    void SetFlag(int Edge, int I, uint8_t Flag);

    bool CanMap() const;
    void Prepare() const;
    // Point and knot at any index reachable round the corners (the patch is prepared).
    const TCoonsPoint& PointAt(int Edge, int I) const;
    long double KnotAt(int Edge, int I) const;
    TCoonsPoint EvaluateEdge(int Edge, long double S) const;

    TGUID FID;
    std::array<TEdge, 4> FEdges;
    TCachedRect FSource;
    TCachedRect FTarget;
    // Prepared state: uniform knots and the corners top-left, top-right, bottom-right,
    // bottom-left. Rebuilt before mapping whenever the edges changed.
    mutable std::array<TCoonsPoint, 4> FCorners;
    mutable bool FDirty = true;
};
