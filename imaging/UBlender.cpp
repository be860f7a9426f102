#include "UBlender.h"

#include "UFixedStretch.h"
#include "UGaussBlur.h"
#include "UPixelThreads.h"

#include <algorithm>
#include <array>
#include <vector>

namespace {

// T[a][k] = ((k - 255) * a) div 255 for alpha a and difference k - 255, stored as a byte
// (two's complement), so that d := (d + T[a][s - d + 255]) mod 256.
using TBlendTable = std::array<std::array<uint8_t, 511>, 256>;

const TBlendTable& BlendTable() {
    static const TBlendTable table = [] {
        TBlendTable t{};
        for (int a = 0; a < 256; ++a)
            for (int k = 0; k < 511; ++k)
                t[a][k] = static_cast<uint8_t>(((k - 255) * a) / 255);
        return t;
    }();
    return table;
}

using TAlphaRows = std::array<uint8_t, 256>;

TAlphaRows IdentityRows() {
    TAlphaRows rows{};
    for (int a = 0; a < 256; ++a)
        rows[a] = static_cast<uint8_t>(a);
    return rows;
}

bool IsBlendFormat(TPixelFormat F) {
    return F == pf24bit || F == pf32bit;
}

TRect BoundsOf(const TBitmap& B) {
    return TRect(0, 0, B.Width(), B.Height());
}

bool SameSize(const TRect& A, const TRect& B) {
    return A.Width() == B.Width() && A.Height() == B.Height();
}

// The rectangles left after clipping: the destination rectangle, and the matching alpha and
// source rectangles (same size, shifted).
struct TBlendRects {
    TRect Dest;
    TRect Alpha;
    TRect Source;
};

TRect Shifted(const TRect& R, int Dx, int Dy) {
    return TRect(R.Left + Dx, R.Top + Dy, R.Right + Dx, R.Bottom + Dy);
}

// Clips the alpha mapping and the source mapping against the destination and their own
// bitmaps, and keeps what both leave, so that the three rectangles stay aligned.
bool ClipBlendRects(const TGRBlender& B, const TBitmap& Alpha, const TRect& AlphaRect,
                    TBlendRects& Out) {
    TMappedRects alpha;
    alpha.TargetBounds = BoundsOf(*B.Dest);
    alpha.SourceBounds = BoundsOf(Alpha);
    alpha.TargetRect = B.DestRect;
    alpha.SourceRect = AlphaRect;
    if (!ClipMappedRects(alpha) || alpha.Scaled)
        return false;
    TMappedRects source;
    source.TargetBounds = BoundsOf(*B.Dest);
    source.SourceBounds = BoundsOf(*B.Source);
    source.TargetRect = B.DestRect;
    source.SourceRect = B.SourceRect;
    if (!ClipMappedRects(source) || source.Scaled)
        return false;
    if (!IntersectNonEmpty(Out.Dest, alpha.ClippedTarget, source.ClippedTarget))
        return false;
    Out.Alpha = Shifted(Out.Dest, AlphaRect.Left - B.DestRect.Left, AlphaRect.Top - B.DestRect.Top);
    Out.Source =
        Shifted(Out.Dest, B.SourceRect.Left - B.DestRect.Left, B.SourceRect.Top - B.DestRect.Top);
    return true;
}

template <int Bytes>
void BlendRow(uint8_t* D, const uint8_t* S, const uint8_t* A, int Count, const TAlphaRows& Rows,
              const TBlendTable& T) {
    for (int x = 0; x < Count; ++x, D += Bytes, S += Bytes) {
        const uint8_t a = Rows[A[x]];
        if (a == 0)
            continue;
        if (a == 255) { // the table then gives the source exactly
            D[0] = S[0];
            D[1] = S[1];
            D[2] = S[2];
            continue;
        }
        const auto& row = T[a];
        for (int c = 0; c < 3; ++c)
            D[c] = static_cast<uint8_t>(D[c] + row[S[c] - D[c] + 255]);
    }
}

void BlendUnderAlpha(const TGRBlender& B, const TBitmap* AlphaMap, const TRect& AlphaRect,
                     const TAlphaRows& Rows) {
    TRect inside;
    if (!IntersectNonEmpty(inside, AlphaRect, BoundsOf(*AlphaMap)) || inside != AlphaRect)
        return;
    if (!SameSize(AlphaRect, B.DestRect) || !SameSize(B.SourceRect, B.DestRect))
        return;
    TBlendRects r;
    if (!ClipBlendRects(B, *AlphaMap, AlphaRect, r))
        return;
    // Shared copies keep the inputs stable when one of them is the destination itself.
    const TBitmap source = *B.Source;
    const TBitmap alpha = *AlphaMap;
    TBitmap& dest = *B.Dest;
    const int bytes = source.PixelFormat() == pf32bit ? 4 : 3;
    const int rows = r.Dest.Height();
    const int count = r.Dest.Width();
    const TBlendTable& table = BlendTable();
    if (B.Progress)
        B.Progress->BeginPhase(0, rows / 64 + 1);
    dest.Bits(); // unshared before the bands write their rows
    const int64_t work = static_cast<int64_t>(rows) * count * bytes * 2;
    RunPixelRowChunks(
        rows, work,
        [&](int Y0, int Y1) {
            for (int y = Y0; y < Y1; ++y) {
                const uint8_t* a = alpha.ScanLine(r.Alpha.Top + y) + r.Alpha.Left;
                const uint8_t* s = source.ScanLine(r.Source.Top + y) + r.Source.Left * bytes;
                uint8_t* d = dest.ScanLine(r.Dest.Top + y) + r.Dest.Left * bytes;
                if (bytes == 4)
                    BlendRow<4>(d, s, a, count, Rows, table);
                else
                    BlendRow<3>(d, s, a, count, Rows, table);
            }
        },
        [&] {
            if (B.Progress)
                B.Progress->Step();
        });
    if (B.Progress)
        B.Progress->EndPhase();
}

bool CanBlendUnder(const TGRBlender& B, const TBitmap* AlphaMap) {
    return B.TGRBlender::CanBlend() && AlphaMap && AlphaMap->PixelFormat() == pf8bit;
}

} // namespace

bool TGRBlender::CanBlend() const {
    return Source && Dest && Source->PixelFormat() == Dest->PixelFormat() &&
           IsBlendFormat(Source->PixelFormat());
}

bool TGRBlendAlphaMap::CanBlend() const {
    return CanBlendUnder(*this, AlphaMap);
}

void TGRBlendAlphaMap::Blend() {
    if (!CanBlend())
        return;
    static const TAlphaRows identity = IdentityRows();
    BlendUnderAlpha(*this, AlphaMap, AlphaRect, identity);
}

bool TGRBlendAlphaMapRatio::CanBlend() const {
    return CanBlendUnder(*this, AlphaMap);
}

void TGRBlendAlphaMapRatio::Blend() {
    if (!CanBlend())
        return;
    const int ratio = std::clamp(Ratio, 0, 100);
    TAlphaRows rows{};
    for (int a = 0; a < 256; ++a)
        rows[a] = static_cast<uint8_t>(std::min(MulDiv(a, ratio, 100), 255));
    BlendUnderAlpha(*this, AlphaMap, AlphaRect, rows);
}

void BlurBitmap(TBitmap& Bitmap, double Radius) {
    GaussianBlurRect(Bitmap, BoundsOf(Bitmap), Radius, Radius);
}
