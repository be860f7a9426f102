#include "UPolygonScan.h"

#include <algorithm>
#include <cmath>

namespace {

// Row and column numbers are kept in 64 bits, limited far beyond any clip, so that huge
// coordinates cannot overflow.
constexpr double RowLimit = 4.0e18;

int64_t ToRow(double V) {
    return static_cast<int64_t>(std::clamp(V, -RowLimit, RowLimit));
}

bool Flagged(uint8_t Flags, int K) {
    return (Flags >> K) & 1;
}

double Reciprocal(double D) {
    return std::fabs(D) <= PolyScanSmallDenominator ? 1.0 : 1.0 / D;
}

// One chain of edges (left or right) walking from the top vertex.
struct TScanEdge {
    TPolyScanVertex Pos; // X and attributes at the current row
    TPolyScanVertex Inc; // their change per row
    int Vertex = 0;      // the vertex the chain has reached
    int From = 0;        // the current edge runs from vertex From to vertex Vertex
    int64_t EndRow = 0;  // the first row the edge no longer covers
};

void SetupScanEdge(TScanEdge& E, const TPolyScanVertex& A, const TPolyScanVertex& B, int64_t Y,
                   uint8_t Flags) {
    const double r = Reciprocal(B.Y - A.Y);
    const double t = static_cast<double>(Y) + 0.5 - A.Y;
    E.Inc.X = (B.X - A.X) * r;
    E.Pos.X = E.Inc.X * t + A.X;
    for (int k = 0; k < 3; ++k)
        if (Flagged(Flags, k)) {
            E.Inc.Attr[k] = (B.Attr[k] - A.Attr[k]) * r;
            E.Pos.Attr[k] = E.Inc.Attr[k] * t + A.Attr[k];
        }
}

void StepScanEdge(TScanEdge& E, uint8_t Flags) {
    E.Pos.X += E.Inc.X;
    for (int k = 0; k < 3; ++k)
        if (Flagged(Flags, k))
            E.Pos.Attr[k] += E.Inc.Attr[k];
}

void SetupScanSpan(const TPolyScanVertex& L, const TPolyScanVertex& R, int X0, uint8_t Flags,
                   TPolyScanVertex& Start, TPolyScanVertex& Step) {
    const double r = Reciprocal(R.X - L.X);
    const double t = static_cast<double>(X0) + 0.5 - L.X;
    for (int k = 0; k < 3; ++k)
        if (Flagged(Flags, k)) {
            Step.Attr[k] = (R.Attr[k] - L.Attr[k]) * r;
            Start.Attr[k] = Step.Attr[k] * t + L.Attr[k];
        }
}

void EmitScanSpan(int64_t Y, const TPolyScanVertex& L, const TPolyScanVertex& R, uint8_t Flags,
                  const TRect& Clip, const TPolyScanSpanEvent& OnSpan) {
    const double x0 = std::max(std::ceil(L.X - 0.5), static_cast<double>(Clip.Left));
    const double x1 = std::min(std::floor(R.X - 0.5), static_cast<double>(Clip.Right));
    if (!(x1 >= x0))
        return;
    TPolyScanVertex start, step;
    SetupScanSpan(L, R, static_cast<int>(x0), Flags, start, step);
    OnSpan(static_cast<int>(Y), static_cast<int>(x0), static_cast<int>(x1), start, step);
}

bool Finite(const TPolyScanVertex& V, uint8_t Flags) {
    if (!std::isfinite(V.X) || !std::isfinite(V.Y))
        return false;
    for (int k = 0; k < 3; ++k)
        if (Flagged(Flags, k) && !std::isfinite(V.Attr[k]))
            return false;
    return true;
}

class TPolygonScanner {
public:
    TPolygonScanner(std::span<const TPolyScanVertex> Vertices, uint8_t Flags, const TRect& Clip,
                    const TPolyScanSpanEvent& OnSpan)
        : FV(Vertices), FN(static_cast<int>(Vertices.size())), FFlags(Flags), FClip(Clip),
          FOnSpan(OnSpan) {}

    void Run();

private:
    int Previous(int I) const { return I == 0 ? FN - 1 : I - 1; }
    int Next(int I) const { return I == FN - 1 ? 0 : I + 1; }
    void StartEdge(TScanEdge& E, int To);
    void RestartAt(TScanEdge& E) { SetupScanEdge(E, FV[E.From], FV[E.Vertex], FY, FFlags); }
    // Emits the rows from FY up to End (excluded); false when the scan has passed the clip.
    bool ScanRows(int64_t End);

    std::span<const TPolyScanVertex> FV;
    const int FN;
    const uint8_t FFlags;
    const TRect FClip;
    const TPolyScanSpanEvent& FOnSpan;
    TScanEdge FLeft;
    TScanEdge FRight;
    int64_t FY = 0;
};

void TPolygonScanner::StartEdge(TScanEdge& E, int To) {
    E.From = E.Vertex;
    E.Vertex = To;
    SetupScanEdge(E, FV[E.From], FV[To], FY, FFlags);
    E.EndRow = ToRow(std::floor(FV[To].Y + 0.5));
}

bool TPolygonScanner::ScanRows(int64_t End) {
    if (FY < FClip.Top) {
        // Rows above the clip: set the edges up directly at the first row that matters.
        const int64_t to = std::min<int64_t>(End, FClip.Top);
        FY = to;
        RestartAt(FLeft);
        RestartAt(FRight);
    }
    const int64_t last = std::min<int64_t>(End, static_cast<int64_t>(FClip.Bottom) + 1);
    for (; FY < last; ++FY) {
        if (FRight.Pos.X < FLeft.Pos.X)
            EmitScanSpan(FY, FRight.Pos, FLeft.Pos, FFlags, FClip, FOnSpan);
        else
            EmitScanSpan(FY, FLeft.Pos, FRight.Pos, FFlags, FClip, FOnSpan);
        StepScanEdge(FLeft, FFlags);
        StepScanEdge(FRight, FFlags);
    }
    return FY <= FClip.Bottom;
}

void TPolygonScanner::Run() {
    int top = 0;
    for (int i = 1; i < FN; ++i)
        if (FV[i].Y < FV[top].Y)
            top = i;
    FY = ToRow(std::ceil(FV[top].Y - 0.5));
    FLeft.Vertex = FRight.Vertex = top;
    FLeft.EndRow = FRight.EndRow = FY - 1;
    int remaining = FN;
    for (;;) {
        while (FY >= FLeft.EndRow && remaining > 0) {
            --remaining;
            StartEdge(FLeft, Previous(FLeft.Vertex));
        }
        while (FY >= FRight.EndRow && remaining > 0) {
            --remaining;
            StartEdge(FRight, Next(FRight.Vertex));
        }
        const int64_t end = std::min(FLeft.EndRow, FRight.EndRow);
        if (FY < end && !ScanRows(end))
            return;
        if (remaining == 0)
            return;
    }
}

} // namespace

void ScanPolygon(std::span<const TPolyScanVertex> Vertices, uint8_t Flags, const TRect& Clip,
                 const TPolyScanSpanEvent& OnSpan) {
    if (Vertices.size() < 3 || !OnSpan)
        return;
    for (const TPolyScanVertex& v : Vertices)
        if (!Finite(v, Flags))
            return;
    TPolygonScanner(Vertices, Flags, Clip, OnSpan).Run();
}
