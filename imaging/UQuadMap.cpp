#include "UQuadMap.h"

#include "UPixelThreads.h"
#include "UPolygonScan.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstring>
#include <vector>

namespace {

int PixelBytesOf(TPixelFormat Format) {
    switch (Format) {
    case pf8bit:
        return 1;
    case pf15bit:
    case pf16bit:
        return 2;
    case pf24bit:
        return 3;
    case pf32bit:
        return 4;
    default:
        return 0;
    }
}

// What the span samplers read and write: the scan lines of both bitmaps, looked up once.
struct TQuadMapContext {
    std::vector<const uint8_t*> SourceRows;
    std::vector<uint8_t*> DestRows;
    int SourceWidth = 0;
    int SourceHeight = 0;
};

// Trunc(V * 65536), kept within +-2^40 so that stepping across a whole row stays in 64 bits
// (such positions are far outside any bitmap and clamped anyway).
int64_t ToFixed(double V) {
    constexpr double limit = 1099511627776.0; // 2^40
    return static_cast<int64_t>(std::clamp(V * 65536.0, -limit, limit));
}

// One span's 16.16 source positions: u (column) and v (row) at the span's first pixel (u
// brought inside the source when it starts outside), and their steps per pixel. Pixel k of
// the span samples (u + k du, v + k dv), exactly, so a span can be sampled in pieces.
struct TSpanWalk {
    int64_t U = 0, V = 0, DU = 0, DV = 0;
};

TSpanWalk SpanWalk(const TQuadMapContext& C, const TPolyScanVertex& Start,
                   const TPolyScanVertex& Step) {
    const int64_t limitU = static_cast<int64_t>(C.SourceWidth) << 16;
    TSpanWalk w;
    w.U = ToFixed(Start.Attr[0]);
    if (w.U < 0)
        w.U = 1;
    else if (w.U >= limitU)
        w.U = limitU - 1;
    w.V = ToFixed(Start.Attr[1]);
    w.DU = ToFixed(Step.Attr[0]);
    w.DV = ToFixed(Step.Attr[1]);
    return w;
}

// Samples pixels First..Last (inclusive, numbered from the span's start X0) of a span: each
// copies the source pixel at (u >> 16, v >> 16), clamped to the source bitmap.
template <int Bytes>
void SampleSpanPart(const TQuadMapContext& C, int Y, int X0, const TSpanWalk& W, int First,
                    int Last) {
    const int64_t limitU = static_cast<int64_t>(C.SourceWidth) << 16;
    const int64_t limitV = static_cast<int64_t>(C.SourceHeight) << 16;
    int64_t u = W.U + W.DU * First;
    int64_t v = W.V + W.DV * First;
    uint8_t* d = C.DestRows[Y] + static_cast<ptrdiff_t>(X0 + First) * Bytes;
    const int count = Last - First + 1;
    const int64_t uEnd = u + W.DU * (count - 1);
    const int64_t vEnd = v + W.DV * (count - 1);
    if (std::min(u, uEnd) >= 0 && std::max(u, uEnd) < limitU && std::min(v, vEnd) >= 0 &&
        std::max(v, vEnd) < limitV) {
        // The whole piece lies inside the source.
        for (int i = 0; i < count; ++i, u += W.DU, v += W.DV, d += Bytes)
            std::memcpy(d, C.SourceRows[v >> 16] + (u >> 16) * Bytes, Bytes);
        return;
    }
    for (int i = 0; i < count; ++i, u += W.DU, v += W.DV, d += Bytes)
        std::memcpy(d,
                    C.SourceRows[std::clamp<int64_t>(v >> 16, 0, C.SourceHeight - 1)] +
                        std::clamp<int64_t>(u >> 16, 0, C.SourceWidth - 1) * Bytes,
                    Bytes);
}

TPolyScanVertex MakeQuadVertex(TPoint P, int SourceX, int SourceY, TRect& Box) {
    Box.Left = std::min(Box.Left, P.x);
    Box.Top = std::min(Box.Top, P.y);
    Box.Right = std::max(Box.Right, P.x);
    Box.Bottom = std::max(Box.Bottom, P.y);
    TPolyScanVertex v;
    v.X = P.x;
    v.Y = P.y;
    v.Attr[0] = SourceX;
    v.Attr[1] = SourceY;
    return v;
}

void PrepareDest(TBitmap& Dest, const TBitmap& Source, const TRect& Box, TColor BackColor) {
    const int64_t width = static_cast<int64_t>(Box.Right) - Box.Left;
    const int64_t height = static_cast<int64_t>(Box.Bottom) - Box.Top;
    if (width > MaxBitmapSide || height > MaxBitmapSide) {
        // Raise the bitmap's own size error before Dest is touched.
        TBitmap().SetSize(static_cast<int>(std::min<int64_t>(width, MaxBitmapSide + 1)),
                          static_cast<int>(std::min<int64_t>(height, MaxBitmapSide + 1)));
    }
    Dest.SetSize(0, 0);
    Dest.SetPixelFormat(Source.PixelFormat());
    if (!Source.ColorTable().empty())
        Dest.SetColorTable(Source.ColorTable());
    // Every pixel is written by the scan below (span or background).
    Dest.SetSizeForOverwrite(static_cast<int>(width), static_cast<int>(height));
}

// One row of BackColor in Dest's pixel format.
std::vector<uint8_t> BackgroundRow(const TBitmap& Dest, TColor BackColor, int Bytes) {
    TBitmap one(Dest.Width(), 1, Dest.PixelFormat());
    if (!Dest.ColorTable().empty())
        one.SetColorTable(Dest.ColorTable());
    one.Fill(BackColor);
    return std::vector<uint8_t>(one.ScanLine(0),
                                one.ScanLine(0) + static_cast<size_t>(Dest.Width()) * Bytes);
}

// Destination tile in which spans are sampled.
constexpr int QuadTileRows = 32;
constexpr int QuadTileColumns = 128;

// Fills Count pixels of a row from a pattern row of the background colour.
void FillBackground(uint8_t* Row, const std::vector<uint8_t>& Pattern, int From, int To,
                    int Bytes) {
    if (To > From)
        std::memcpy(Row + static_cast<ptrdiff_t>(From) * Bytes,
                    Pattern.data() + static_cast<ptrdiff_t>(From) * Bytes,
                    static_cast<size_t>(To - From) * Bytes);
}

// The spans are found on the calling thread (the scan is cheap and sequential). Then every
// row is finished in bands of rows on all cores: the background left and right of its span
// (or across the whole row), and the span sampled from the source.
template <int Bytes>
void ScanQuad(const std::array<TPolyScanVertex, 4>& Vertices, const TRect& Clip,
              const TQuadMapContext& C, const std::vector<uint8_t>& Background) {
    struct TSpan {
        int X0 = 0, X1 = -1;
        TSpanWalk Walk;
    };
    const int rows = Clip.Bottom + 1;
    const int width = Clip.Right + 1;
    std::vector<TSpan> spans(static_cast<size_t>(rows));
    ScanPolygon(
        Vertices, psAttr1 | psAttr2, Clip,
        [&](int Y, int X0, int X1, const TPolyScanVertex& Start, const TPolyScanVertex& Step) {
            spans[Y] = {X0, X1, SpanWalk(C, Start, Step)};
        });
    const int64_t work = static_cast<int64_t>(width) * rows * Bytes;
    RunPixelBands(rows, work, [&](int First, int End) {
        for (int y = First; y < End; ++y) {
            const TSpan& s = spans[y];
            uint8_t* row = C.DestRows[y];
            if (s.X1 < s.X0) {
                FillBackground(row, Background, 0, width, Bytes);
                continue;
            }
            FillBackground(row, Background, 0, s.X0, Bytes);
            FillBackground(row, Background, s.X1 + 1, width, Bytes);
        }
        // The spans are sampled in tiles of rows and columns, so that the source pixels a
        // tile reads stay in the cache even when the image is turned.
        for (int y0 = First; y0 < End; y0 += QuadTileRows) {
            const int y1 = std::min(End, y0 + QuadTileRows);
            for (int x0 = 0; x0 < width; x0 += QuadTileColumns) {
                const int x1 = std::min(width, x0 + QuadTileColumns) - 1;
                for (int y = y0; y < y1; ++y) {
                    const TSpan& s = spans[y];
                    const int from = std::max(s.X0, x0), to = std::min(s.X1, x1);
                    if (from <= to)
                        SampleSpanPart<Bytes>(C, y, s.X0, s.Walk, from - s.X0, to - s.X0);
                }
            }
        }
    });
}

} // namespace

void MapBitmapToQuad(TBitmap& Dest, TRect& Bounds, TPoint P0, TPoint P1, TPoint P2, TPoint P3,
                     const TBitmap& Source, const TRect& SrcRect, TColor BackColor) {
    const int bytes = PixelBytesOf(Source.PixelFormat());
    if (bytes == 0)
        return;
    // A shared copy keeps the source pixels when Dest is the same bitmap.
    const TBitmap source = Source;

    TRect box(P0.x, P0.y, P0.x, P0.y);
    std::array<TPolyScanVertex, 4> vertices = {
        MakeQuadVertex(P0, SrcRect.Left, SrcRect.Top, box),
        MakeQuadVertex(P1, SrcRect.Right, SrcRect.Top, box),
        MakeQuadVertex(P2, SrcRect.Right, SrcRect.Bottom, box),
        MakeQuadVertex(P3, SrcRect.Left, SrcRect.Bottom, box)};
    for (TPolyScanVertex& v : vertices) {
        v.X -= box.Left;
        v.Y -= box.Top;
    }
    PrepareDest(Dest, source, box, BackColor);
    Bounds = box;
    if (Dest.Width() < 1 || Dest.Height() < 1)
        return;
    if (source.Width() < 1 || source.Height() < 1) {
        Dest.Fill(BackColor);
        return;
    }
    const std::vector<uint8_t> background = BackgroundRow(Dest, BackColor, bytes);

    TQuadMapContext context;
    context.SourceWidth = source.Width();
    context.SourceHeight = source.Height();
    for (int y = 0; y < source.Height(); ++y)
        context.SourceRows.push_back(source.ScanLine(y));
    for (int y = 0; y < Dest.Height(); ++y)
        context.DestRows.push_back(Dest.ScanLine(y));
    const TRect clip(0, 0, Dest.Width() - 1, Dest.Height() - 1);
    switch (bytes) {
    case 1:
        ScanQuad<1>(vertices, clip, context, background);
        break;
    case 2:
        ScanQuad<2>(vertices, clip, context, background);
        break;
    case 3:
        ScanQuad<3>(vertices, clip, context, background);
        break;
    default:
        ScanQuad<4>(vertices, clip, context, background);
        break;
    }
}
