#pragma once
// Integer geometry and arithmetic with the semantics the drawing code relies on:
// a rectangle is Left, Top, Right, Bottom with Right and Bottom outside the area (so its
// width is Right - Left), unlike QRect.

#include <QPoint>
#include <QRect>
#include <QSize>
#include <cstdint>

struct TPoint {
    int x = 0;
    int y = 0;
    constexpr TPoint() = default;
    constexpr TPoint(int X, int Y) : x(X), y(Y) {}
    friend constexpr bool operator==(const TPoint&, const TPoint&) = default;
    QPoint ToQPoint() const { return QPoint(x, y); }
};

struct TSize {
    int cx = 0;
    int cy = 0;
    friend constexpr bool operator==(const TSize&, const TSize&) = default;
};

struct TRect {
    int Left = 0;
    int Top = 0;
    int Right = 0;
    int Bottom = 0;
    constexpr TRect() = default;
    constexpr TRect(int L, int T, int R, int B) : Left(L), Top(T), Right(R), Bottom(B) {}
    constexpr TRect(TPoint TopLeft, TPoint BottomRight)
        : Left(TopLeft.x), Top(TopLeft.y), Right(BottomRight.x), Bottom(BottomRight.y) {}
    friend constexpr bool operator==(const TRect&, const TRect&) = default;

    constexpr int Width() const { return Right - Left; }
    constexpr int Height() const { return Bottom - Top; }
    constexpr TPoint TopLeft() const { return {Left, Top}; }
    constexpr TPoint BottomRight() const { return {Right, Bottom}; }

    // QRect covering the same pixels (Right and Bottom excluded).
    QRect ToQRect() const { return QRect(Left, Top, Right - Left, Bottom - Top); }
    static TRect FromQRect(const QRect& R) {
        return TRect(R.left(), R.top(), R.left() + R.width(), R.top() + R.height());
    }
};

constexpr TPoint Point(int X, int Y) {
    return TPoint(X, Y);
}
constexpr TRect Rect(int L, int T, int R, int B) {
    return TRect(L, T, R, B);
}
constexpr TRect Bounds(int L, int T, int W, int H) {
    return TRect(L, T, L + W, T + H);
}

// Win32 rectangle routines. A rectangle is empty when it has no area (Right <= Left or
// Bottom <= Top).
bool IsRectEmpty(const TRect& R);
// Intersection; an empty result is returned as (0, 0, 0, 0) and the function answers false.
bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B);
// Smallest rectangle holding both; empty inputs are ignored.
bool UnionRect(TRect& Dest, const TRect& A, const TRect& B);
void OffsetRect(TRect& R, int Dx, int Dy);
void InflateRect(TRect& R, int Dx, int Dy);
// True when P lies in R, Right and Bottom excluded.
bool PtInRect(const TRect& R, const TPoint& P);

// (A * B) / C with a 64-bit intermediate product, rounded half away from zero.
// Answers -1 when C is 0 or the result does not fit in 32 bits.
int MulDiv(int A, int B, int C);

// X rounded half away from zero, as a 64-bit integer (2.5 -> 3, -2.5 -> -3).
int64_t RoundOff(double X);
