#pragma once
// The pixel machinery under TCanvas: it writes device pixels of a TBitmap in the bitmap's own
// layout, combining them with the destination by the binary raster operations (ROP2) of
// pens and brushes and by the ternary ones (ROP3) of blits. Shapes arrive as regions
// (rectangular spans), as 8-bit coverage masks rasterised by QPainter, or as single pixels
// from the line stepper. Everything is clipped to a device region given at construction.
//
// Pixel values: an index for 1, 4 and 8 bits, the 16-bit word for 15 and 16 bits, and
// B | G << 8 | R << 16 for 24 and 32 bits (the X byte of 32-bit pixels is left as it is).
// Raster operations work bitwise on these values, as the device does.

#include "UBitmap.h"

#include <QImage>
#include <QPoint>
#include <QRegion>
#include <cstdint>
#include <cstdlib>
#include <optional>
#include <vector>

// Binary raster operations (pen and brush modes).
constexpr int R2_BLACK = 1;
constexpr int R2_NOTMERGEPEN = 2;
constexpr int R2_MASKNOTPEN = 3;
constexpr int R2_NOTCOPYPEN = 4;
constexpr int R2_MASKPENNOT = 5;
constexpr int R2_NOT = 6;
constexpr int R2_XORPEN = 7;
constexpr int R2_NOTMASKPEN = 8;
constexpr int R2_MASKPEN = 9;
constexpr int R2_NOTXORPEN = 10;
constexpr int R2_NOP = 11;
constexpr int R2_MERGENOTPEN = 12;
constexpr int R2_COPYPEN = 13;
constexpr int R2_MERGEPENNOT = 14;
constexpr int R2_MERGEPEN = 15;
constexpr int R2_WHITE = 16;

// Ternary raster operations (blits). Bits 16..23 are the truth table over
// (pattern << 2 | source << 1 | destination).
constexpr uint32_t SRCCOPY = 0x00CC0020;
constexpr uint32_t SRCPAINT = 0x00EE0086;
constexpr uint32_t SRCAND = 0x008800C6;
constexpr uint32_t SRCINVERT = 0x00660046;
constexpr uint32_t SRCERASE = 0x00440328;
constexpr uint32_t NOTSRCCOPY = 0x00330008;
constexpr uint32_t NOTSRCERASE = 0x001100A6;
constexpr uint32_t MERGECOPY = 0x00C000CA;
constexpr uint32_t MERGEPAINT = 0x00BB0226;
constexpr uint32_t PATCOPY = 0x00F00021;
constexpr uint32_t PATPAINT = 0x00FB0A09;
constexpr uint32_t PATINVERT = 0x005A0049;
constexpr uint32_t DSTINVERT = 0x00550009;
constexpr uint32_t BLACKNESS = 0x00000042;
constexpr uint32_t WHITENESS = 0x00FF0062;

// True when the operation reads the source (the blit then needs one).
bool RopUsesSource(uint32_t Rop);
bool RopUsesPattern(uint32_t Rop);

// What a shape puts on its pixels: a solid pixel value, or an 8 x 8 hatch whose set bits
// take Pixel and whose clear bits take BkPixel (Opaque) or are left alone.
struct TRasterPaint {
    int Rop2 = R2_COPYPEN;
    uint32_t Pixel = 0;
    TColor Color = 0;               // the colour of Pixel, for smoothed text edges
    const uint8_t* Hatch = nullptr; // 8 rows; bit 7 is the leftmost column
    bool Opaque = false;
    uint32_t BkPixel = 0;
};

// On/off run lengths of a styled one-pixel line, in pixels.
struct TDashPattern {
    std::vector<int> Runs;
};

class TRasterTarget {
public:
    // Writes into Bitmap (detached first) within Clip ∩ the bitmap's bounds.
    TRasterTarget(TBitmap& Bitmap, const QRegion& Clip);
    TRasterTarget(const TRasterTarget&) = delete;
    TRasterTarget& operator=(const TRasterTarget&) = delete;

    bool IsEmpty() const { return FClip.isEmpty(); }
    const QRegion& Clip() const { return FClip; }
    int BitsPerPixel() const { return FBpp; }

    // Pixel value of a colour (the nearest colour-table entry for indexed bitmaps).
    uint32_t PixelOf(TColor Color) const;
    TColor ColorOf(uint32_t Pixel) const;

    void FillRegion(const QRegion& Area, const TRasterPaint& Paint);
    // Paints where Mask (Format_Grayscale8, placed with its top-left at Origin) is non-zero.
    // With Smooth, partial coverage blends the colour on 24- and 32-bit bitmaps (copy mode
    // only) and is cut at one half elsewhere.
    void FillMask(const QImage& Mask, const QPoint& Origin, const TRasterPaint& Paint,
                  bool Smooth = false);
    void Plot(int X, int Y, const TRasterPaint& Paint);
    bool Visible(int X, int Y) const;

    // Draws a one-pixel polyline: each segment excludes its end point, so shared vertices
    // are drawn once; Closed adds the segment back to the first point. A styled line draws
    // its gaps with Gap (when given) and carries the style on from segment to segment.
    void Polyline(const std::vector<QPoint>& Points, bool Closed, const TRasterPaint& Paint,
                  const TDashPattern* Pattern = nullptr, const TRasterPaint* Gap = nullptr);

    // Stretch blit with nearest sampling (the sample map of BuildSampleMap). Dest and
    // Source are normalised device rectangles; Mirror flips the source horizontally or
    // vertically. Source pixels are converted to the target's layout first: a 1-bit source
    // becomes TextColor where its bit is 0 and BkColor where it is 1; a colour source drawn
    // onto a 1-bit target becomes 1 where it equals SourceBkColor. Pixels of the source
    // equal to ColorKey (when given) are skipped. Pattern is the brush for operations that
    // use one.
    struct TBlitSource {
        const TBitmap* Bitmap = nullptr;
        QRect Rect;
        bool MirrorX = false;
        bool MirrorY = false;
        TColor SourceBkColor = 0xFFFFFF;
        std::optional<TColor> ColorKey;
    };
    void Blit(const QRect& Dest, const TBlitSource& Source, uint32_t Rop,
              const TRasterPaint& Pattern, TColor TextColor, TColor BkColor);

private:
    uint8_t* Row(int Y) const { return FBits + static_cast<size_t>(Y) * FStride; }
    class TSourceConverter;

    TBitmap& FBitmap;
    uint8_t* FBits = nullptr;
    int FStride = 0;
    int FBpp = 0;
    uint32_t FValueMask = 0;
    std::vector<TRGBQuad> FTable;
    QRegion FClip;
    QRect FClipBox;
    bool FClipIsRect = false;
};

// One segment of a one-pixel line as Bresenham steps it: pixel k (0 <= k < Length) lies k
// steps along the major axis from the start and Minor(k) steps along the other axis. The
// walk depends only on the end points, so any pixel can be found without stepping there.
// Coordinates are 64-bit: segments between any two int points fit.
struct TLineSegment {
    int64_t X0 = 0, Y0 = 0;
    int64_t Adx = 0, Ady = 0; // absolute extents
    int Sx = 1, Sy = 1;

    TLineSegment(QPoint A, QPoint B)
        : X0(A.x()), Y0(A.y()), Adx(std::abs(int64_t(B.x()) - A.x())),
          Ady(std::abs(int64_t(B.y()) - A.y())), Sx(A.x() < B.x() ? 1 : -1),
          Sy(A.y() < B.y() ? 1 : -1) {}

    bool XMajor() const { return Adx >= Ady; }
    // Pixels drawn: the end point is left out.
    int64_t Length() const { return XMajor() ? Adx : Ady; }
    // Minor-axis steps taken before pixel K: floor((2 K minor + major) / (2 major)).
    int64_t Minor(int64_t K) const {
        const int64_t major = Length(), minor = XMajor() ? Ady : Adx;
        if (major == 0)
            return 0;
        return int64_t((__int128(2) * K * minor + major) / (__int128(2) * major));
    }
    int64_t X(int64_t K) const { return X0 + Sx * (XMajor() ? K : Minor(K)); }
    int64_t Y(int64_t K) const { return Y0 + Sy * (XMajor() ? Minor(K) : K); }
    // The error term of the stepper (err = dx + dy, dy negative) before pixel K.
    int64_t ErrorAt(int64_t K) const {
        const int64_t xs = XMajor() ? K : Minor(K), ys = XMajor() ? Minor(K) : K;
        return int64_t(__int128(Adx) - Ady - __int128(xs) * Ady + __int128(ys) * Adx);
    }
    // The pixels [First, Last) that lie inside Bounds; empty (First >= Last) when none do.
    // Both coordinates move monotonically with K, so the visible pixels form one run.
    void VisibleRange(const QRect& Bounds, int64_t& First, int64_t& Last) const;

private:
    // The first K in [Lo, Hi] for which Pred holds, Hi when none (Pred is monotone).
    template <class P>
    static int64_t FirstWhere(int64_t Lo, int64_t Hi, P&& Pred) {
        while (Lo < Hi) {
            const int64_t mid = Lo + (Hi - Lo) / 2;
            if (Pred(mid))
                Hi = mid;
            else
                Lo = mid + 1;
        }
        return Lo;
    }
};

inline void TLineSegment::VisibleRange(const QRect& Bounds, int64_t& First, int64_t& Last) const {
    First = 0;
    Last = 0;
    const int64_t n = Length();
    if (n == 0 || Bounds.isEmpty())
        return;
    // Beyond the far side of the bounds along a coordinate that moves with step S.
    auto past = [](int64_t V, int S, int64_t Lo, int64_t Hi) { return S > 0 ? V > Hi : V < Lo; };
    auto before = [](int64_t V, int S, int64_t Lo, int64_t Hi) { return S > 0 ? V < Lo : V > Hi; };
    const int64_t l = Bounds.left(), r = Bounds.right(), t = Bounds.top(), b = Bounds.bottom();
    First = FirstWhere(
        0, n, [&](int64_t k) { return !before(X(k), Sx, l, r) && !before(Y(k), Sy, t, b); });
    Last = FirstWhere(First, n,
                      [&](int64_t k) { return past(X(k), Sx, l, r) || past(Y(k), Sy, t, b); });
}

// Calls Fn(x, y) for every pixel of a one-pixel polyline that lies inside Bounds, in drawing
// order: each segment steps from its start towards its end point (Bresenham) and leaves the
// end point out; Closed adds the segment from the last point back to the first. Pixels of
// the line outside Bounds are not walked: Skip(n) reports each run of n of them (an int64_t),
// so that a styled line can keep its pattern in step.
template <class F, class S>
void ForEachLinePixel(const std::vector<QPoint>& Points, bool Closed, const QRect& Bounds, F&& Fn,
                      S&& Skip) {
    auto segment = [&](QPoint A, QPoint B) {
        const TLineSegment line(A, B);
        int64_t first = 0, last = 0;
        line.VisibleRange(Bounds, first, last);
        if (first >= last) {
            if (line.Length() > 0)
                Skip(line.Length());
            return;
        }
        if (first > 0)
            Skip(first);
        const int64_t dx = line.Adx, dy = -line.Ady;
        int64_t err = line.ErrorAt(first);
        int x = int(line.X(first)), y = int(line.Y(first));
        for (int64_t k = first; k < last; ++k) {
            Fn(x, y);
            const int64_t e2 = 2 * err;
            if (e2 >= dy) {
                err += dy;
                x += line.Sx;
            }
            if (e2 <= dx) {
                err += dx;
                y += line.Sy;
            }
        }
        if (last < line.Length())
            Skip(line.Length() - last);
    };
    for (size_t i = 1; i < Points.size(); ++i)
        segment(Points[i - 1], Points[i]);
    if (Closed && Points.size() > 1)
        segment(Points.back(), Points.front());
}

// The source column (or row) for each of DestLen destination pixels when SourceLen pixels
// starting at SourceStart are stretched: SourceStart + (SourceLen * (2i + 1)) / (2 DestLen).
std::vector<int> BuildSampleMap(int DestLen, int SourceStart, int SourceLen);
// Cuts a sample map to a band: entries from Offset on, at most Count of them. An Offset
// below 0 shortens Count by it and starts at 0; the result is empty when Offset lies past
// the end or Count is not positive.
std::vector<int> TrimSampleMap(const std::vector<int>& Map, int Offset, int Count);
