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
int64_t ToFixed(long double V) {
    constexpr long double limit = 1099511627776.0L; // 2^40
    return static_cast<int64_t>(std::clamp(V * 65536.0L, -limit, limit));
}

// Samples one span: 16.16 source positions u (column) and v (row) step along the span and
// each destination pixel copies the source pixel at (u >> 16, v >> 16), clamped to the
// source bitmap.
template <int Bytes>
void SampleSpan(const TQuadMapContext& C, int Y, int X0, int X1, const TPolyScanVertex& Start,
                const TPolyScanVertex& Step) {
    const int64_t limitU = static_cast<int64_t>(C.SourceWidth) << 16;
    const int64_t limitV = static_cast<int64_t>(C.SourceHeight) << 16;
    int64_t u = ToFixed(Start.Attr[0]);
    if (u < 0)
        u = 1;
    else if (u >= limitU)
        u = limitU - 1;
    int64_t v = ToFixed(Start.Attr[1]);
    const int64_t du = ToFixed(Step.Attr[0]);
    const int64_t dv = ToFixed(Step.Attr[1]);
    uint8_t* d = C.DestRows[Y] + static_cast<ptrdiff_t>(X0) * Bytes;
    const int count = X1 - X0;
    auto copy = [&](int64_t Row, int64_t Column) {
        std::memcpy(d, C.SourceRows[Row] + Column * Bytes, Bytes);
        d += Bytes;
    };
    const int64_t uEnd = u + du * count;
    const int64_t vEnd = v + dv * count;
    if (std::min(u, uEnd) >= 0 && std::max(u, uEnd) < limitU && std::min(v, vEnd) >= 0 &&
        std::max(v, vEnd) < limitV) {
        // The whole span lies inside the source.
        for (int i = 0; i < count; ++i, u += du, v += dv)
            copy(v >> 16, u >> 16);
    } else {
        for (int i = 0; i < count; ++i, u += du, v += dv)
            copy(std::clamp<int64_t>(v >> 16, 0, C.SourceHeight - 1),
                 std::clamp<int64_t>(u >> 16, 0, C.SourceWidth - 1));
    }
    // The last pixel never reads beyond the row, even when rounding puts u at the width.
    copy(std::clamp<int64_t>(v >> 16, 0, C.SourceHeight - 1),
         std::clamp<int64_t>(u >> 16, 0, C.SourceWidth - 1));
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
    Dest.SetSize(static_cast<int>(width), static_cast<int>(height));
    Dest.Fill(BackColor);
}

// The spans are found on the calling thread (the scan is cheap and sequential); sampling
// them, where the time goes, runs in bands of spans, each row written by one band only.
template <int Bytes>
void ScanQuad(const std::array<TPolyScanVertex, 4>& Vertices, const TRect& Clip,
              const TQuadMapContext& C) {
    struct TSpan {
        int Y, X0, X1;
        TPolyScanVertex Start, Step;
    };
    std::vector<TSpan> spans;
    ScanPolygon(
        Vertices, psAttr1 | psAttr2, Clip,
        [&spans](int Y, int X0, int X1, const TPolyScanVertex& Start, const TPolyScanVertex& Step) {
            spans.push_back({Y, X0, X1, Start, Step});
        });
    const int64_t work = static_cast<int64_t>(Clip.Width() + 1) * (Clip.Height() + 1) * Bytes;
    RunPixelBands(static_cast<int>(spans.size()), work, [&](int First, int End) {
        for (int i = First; i < End; ++i) {
            const TSpan& s = spans[i];
            SampleSpan<Bytes>(C, s.Y, s.X0, s.X1, s.Start, s.Step);
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
    if (source.Width() < 1 || source.Height() < 1 || Dest.Width() < 1 || Dest.Height() < 1)
        return;

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
        ScanQuad<1>(vertices, clip, context);
        break;
    case 2:
        ScanQuad<2>(vertices, clip, context);
        break;
    case 3:
        ScanQuad<3>(vertices, clip, context);
        break;
    default:
        ScanQuad<4>(vertices, clip, context);
        break;
    }
}
