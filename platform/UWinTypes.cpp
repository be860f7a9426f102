#include "UWinTypes.h"

#include <algorithm>
#include <cmath>
#include <limits>

bool IsRectEmpty(const TRect& R) {
    return R.Right <= R.Left || R.Bottom <= R.Top;
}

bool IntersectRect(TRect& Dest, const TRect& A, const TRect& B) {
    TRect r(std::max(A.Left, B.Left), std::max(A.Top, B.Top), std::min(A.Right, B.Right),
            std::min(A.Bottom, B.Bottom));
    if (IsRectEmpty(r)) {
        Dest = TRect();
        return false;
    }
    Dest = r;
    return true;
}

bool UnionRect(TRect& Dest, const TRect& A, const TRect& B) {
    if (IsRectEmpty(A)) {
        Dest = IsRectEmpty(B) ? TRect() : B;
    } else if (IsRectEmpty(B)) {
        Dest = A;
    } else {
        Dest = TRect(std::min(A.Left, B.Left), std::min(A.Top, B.Top), std::max(A.Right, B.Right),
                     std::max(A.Bottom, B.Bottom));
    }
    return !IsRectEmpty(Dest);
}

void OffsetRect(TRect& R, int Dx, int Dy) {
    R.Left += Dx;
    R.Right += Dx;
    R.Top += Dy;
    R.Bottom += Dy;
}

void InflateRect(TRect& R, int Dx, int Dy) {
    R.Left -= Dx;
    R.Right += Dx;
    R.Top -= Dy;
    R.Bottom += Dy;
}

bool PtInRect(const TRect& R, const TPoint& P) {
    return P.x >= R.Left && P.x < R.Right && P.y >= R.Top && P.y < R.Bottom;
}

int MulDiv(int A, int B, int C) {
    if (C == 0)
        return -1;
    const int64_t product = static_cast<int64_t>(A) * B;
    // |product| < 2^62 and |C| >= 1, so the rounding arithmetic below cannot overflow.
    const bool negative = (product < 0) != (C < 0);
    const uint64_t num =
        product < 0 ? static_cast<uint64_t>(-product) : static_cast<uint64_t>(product);
    const uint64_t den =
        C < 0 ? static_cast<uint64_t>(-static_cast<int64_t>(C)) : static_cast<uint64_t>(C);
    const uint64_t q = (num + den / 2) / den;
    if (q > static_cast<uint64_t>(std::numeric_limits<int>::max()) + (negative ? 1u : 0u))
        return -1;
    return negative ? static_cast<int>(-static_cast<int64_t>(q)) : static_cast<int>(q);
}

int64_t RoundOff(double X) {
    // Values beyond the 64-bit range (and NaN) would be undefined to convert: clamp them.
    constexpr double limit = 9.2e18;
    if (std::isnan(X))
        return 0;
    if (X >= limit)
        return std::numeric_limits<int64_t>::max();
    if (X <= -limit)
        return std::numeric_limits<int64_t>::min();
    // std::round is exact; adding 0.5 first would round 0.49999999999999994 up and odd
    // integers above 2^52 to their even neighbour.
    return static_cast<int64_t>(std::round(X));
}
