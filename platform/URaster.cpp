#include "URaster.h"

#include "UException.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <type_traits>
#include <unordered_map>

namespace {

// Pixel access in the bitmap layouts; B is bits per pixel (15-bit bitmaps use 16).
template <int B>
inline uint32_t GetPx(const uint8_t* Row, int X) {
    if constexpr (B == 1)
        return (Row[X >> 3] >> (7 - (X & 7))) & 1u;
    else if constexpr (B == 4)
        return (Row[X >> 1] >> ((X & 1) ? 0 : 4)) & 15u;
    else if constexpr (B == 8)
        return Row[X];
    else if constexpr (B == 16)
        return Row[2 * X] | (Row[2 * X + 1] << 8);
    else if constexpr (B == 24)
        return Row[3 * X] | (Row[3 * X + 1] << 8) | (static_cast<uint32_t>(Row[3 * X + 2]) << 16);
    else
        return Row[4 * X] | (Row[4 * X + 1] << 8) | (static_cast<uint32_t>(Row[4 * X + 2]) << 16);
}

template <int B>
inline void SetPx(uint8_t* Row, int X, uint32_t V) {
    if constexpr (B == 1) {
        const uint8_t bit = static_cast<uint8_t>(0x80u >> (X & 7));
        Row[X >> 3] = (V & 1) ? (Row[X >> 3] | bit) : (Row[X >> 3] & ~bit);
    } else if constexpr (B == 4) {
        uint8_t& b = Row[X >> 1];
        b = (X & 1) ? static_cast<uint8_t>((b & 0xF0) | (V & 15))
                    : static_cast<uint8_t>((b & 0x0F) | ((V & 15) << 4));
    } else if constexpr (B == 8) {
        Row[X] = static_cast<uint8_t>(V);
    } else if constexpr (B == 16) {
        Row[2 * X] = static_cast<uint8_t>(V);
        Row[2 * X + 1] = static_cast<uint8_t>(V >> 8);
    } else {
        constexpr int n = B / 8;
        Row[n * X] = static_cast<uint8_t>(V);
        Row[n * X + 1] = static_cast<uint8_t>(V >> 8);
        Row[n * X + 2] = static_cast<uint8_t>(V >> 16);
    }
}

// Calls F with std::integral_constant<int, B> for the bits per pixel of a bitmap.
template <class F>
void WithBpp(int Bpp, F&& Fn) {
    switch (Bpp) {
    case 1:
        return Fn(std::integral_constant<int, 1>{});
    case 4:
        return Fn(std::integral_constant<int, 4>{});
    case 8:
        return Fn(std::integral_constant<int, 8>{});
    case 16:
        return Fn(std::integral_constant<int, 16>{});
    case 24:
        return Fn(std::integral_constant<int, 24>{});
    default:
        return Fn(std::integral_constant<int, 32>{});
    }
}

// A binary raster operation as four minterm masks over (pen, destination).
struct TRop2Op {
    uint32_t M0, M1, M2, M3;
    explicit TRop2Op(int Code) {
        const unsigned t = static_cast<unsigned>(std::clamp(Code, 1, 16) - 1);
        M0 = (t & 1) ? ~0u : 0;
        M1 = (t & 2) ? ~0u : 0;
        M2 = (t & 4) ? ~0u : 0;
        M3 = (t & 8) ? ~0u : 0;
    }
    uint32_t operator()(uint32_t P, uint32_t D) const {
        return (~P & ~D & M0) | (~P & D & M1) | (P & ~D & M2) | (P & D & M3);
    }
};

// A ternary raster operation: common codes directly, others through their minterms.
struct TRop3Op {
    uint8_t Table;
    explicit TRop3Op(uint32_t Rop) : Table(static_cast<uint8_t>(Rop >> 16)) {}
    uint32_t operator()(uint32_t P, uint32_t S, uint32_t D) const {
        switch (Table) {
        case 0xCC:
            return S;
        case 0x88:
            return S & D;
        case 0xEE:
            return S | D;
        case 0x66:
            return S ^ D;
        case 0xBB:
            return ~S | D;
        case 0x33:
            return ~S;
        case 0xF0:
            return P;
        case 0x5A:
            return P ^ D;
        case 0x55:
            return ~D;
        case 0x00:
            return 0;
        case 0xFF:
            return ~0u;
        default: {
            uint32_t r = 0;
            for (int k = 0; k < 8; ++k)
                if (Table & (1u << k))
                    r |= ((k & 4) ? P : ~P) & ((k & 2) ? S : ~S) & ((k & 1) ? D : ~D);
            return r;
        }
        }
    }
};

inline uint32_t PaintPixel(const TRasterPaint& P, int X, int Y, bool& Skip) {
    if (!P.Hatch) {
        Skip = false;
        return P.Pixel;
    }
    const bool on = (P.Hatch[Y & 7] & (0x80u >> (X & 7))) != 0;
    Skip = !on && !P.Opaque;
    return on ? P.Pixel : P.BkPixel;
}

int Bpp(TPixelFormat F) {
    const int b = BitsPerPixelOf(F);
    return b == 0 ? 32 : b;
}

// Colour of a pixel value in a given layout.
TColor DecodePixel(uint32_t V, TPixelFormat F, const std::vector<TRGBQuad>& Table) {
    switch (F) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        if (V < Table.size())
            return RGB(Table[V].rgbRed, Table[V].rgbGreen, Table[V].rgbBlue);
        return clBlack;
    case pf15bit: {
        const unsigned r = (V >> 10) & 31, g = (V >> 5) & 31, b = V & 31;
        return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
    }
    case pf16bit: {
        const unsigned r = (V >> 11) & 31, g = (V >> 5) & 63, b = V & 31;
        return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
    }
    default:
        return RGB((V >> 16) & 0xFF, (V >> 8) & 0xFF, V & 0xFF);
    }
}

uint32_t EncodePixel(TColor C, TPixelFormat F, const std::vector<TRGBQuad>& Table) {
    const unsigned r = GetRValue(C), g = GetGValue(C), b = GetBValue(C);
    switch (F) {
    case pf1bit:
    case pf4bit:
    case pf8bit:
        return NearestColorIndex(C, Table);
    case pf15bit:
        return ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
    case pf16bit:
        return ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
    default:
        return b | (g << 8) | (r << 16);
    }
}

} // namespace

bool RopUsesSource(uint32_t Rop) {
    const unsigned t = (Rop >> 16) & 0xFF;
    // The source matters when the table differs between S = 0 and S = 1.
    return ((t >> 2) & 0x33) != (t & 0x33);
}

bool RopUsesPattern(uint32_t Rop) {
    const unsigned t = (Rop >> 16) & 0xFF;
    return ((t >> 4) & 0x0F) != (t & 0x0F);
}

std::vector<int> BuildSampleMap(int DestLen, int SourceStart, int SourceLen) {
    std::vector<int> map(static_cast<size_t>(std::max(0, DestLen)));
    for (int i = 0; i < DestLen; ++i)
        map[static_cast<size_t>(i)] =
            SourceStart + static_cast<int>(static_cast<int64_t>(SourceLen) * (2 * int64_t(i) + 1) /
                                           (2 * int64_t(DestLen)));
    return map;
}

std::vector<int> TrimSampleMap(const std::vector<int>& Map, int Offset, int Count) {
    if (Offset < 0) {
        Count += Offset;
        Offset = 0;
    }
    if (Count <= 0 || Offset >= static_cast<int>(Map.size()))
        return {};
    const int end = std::min(static_cast<int>(Map.size()), Offset + Count);
    return std::vector<int>(Map.begin() + Offset, Map.begin() + end);
}

TRasterTarget::TRasterTarget(TBitmap& Bitmap, const QRegion& Clip) : FBitmap(Bitmap) {
    if (Bitmap.Empty())
        return;
    FBpp = Bpp(Bitmap.PixelFormat());
    FValueMask = FBpp >= 24                        ? 0xFFFFFFu
                 : Bitmap.PixelFormat() == pf15bit ? 0x7FFFu
                                                   : ((1u << FBpp) - 1u);
    FTable = Bitmap.ColorTable();
    FClip = Clip.intersected(QRect(0, 0, Bitmap.Width(), Bitmap.Height()));
    FClipBox = FClip.boundingRect();
    FClipIsRect = FClip.rectCount() == 1;
    if (!FClip.isEmpty()) {
        FBits = Bitmap.Bits();
        FStride = Bitmap.BytesPerLine();
    }
}

uint32_t TRasterTarget::PixelOf(TColor Color) const {
    return EncodePixel(ColorToRGB(Color), FBitmap.PixelFormat(), FTable);
}

TColor TRasterTarget::ColorOf(uint32_t Pixel) const {
    return DecodePixel(Pixel, FBitmap.PixelFormat(), FTable);
}

bool TRasterTarget::Visible(int X, int Y) const {
    if (!FClipBox.contains(X, Y))
        return false;
    return FClipIsRect || FClip.contains(QPoint(X, Y));
}

void TRasterTarget::FillRegion(const QRegion& Area, const TRasterPaint& Paint) {
    if (!FBits)
        return;
    const QRegion area = Area.intersected(FClip);
    const TRop2Op op(Paint.Rop2);
    const uint32_t mask = FValueMask;
    WithBpp(FBpp, [&](auto B) {
        constexpr int bpp = decltype(B)::value;
        for (const QRect& r : area) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                uint8_t* row = Row(y);
                for (int x = r.left(); x <= r.right(); ++x) {
                    bool skip;
                    const uint32_t p = PaintPixel(Paint, x, y, skip);
                    if (!skip)
                        SetPx<bpp>(row, x, op(p, GetPx<bpp>(row, x)) & mask);
                }
            }
        }
    });
}

void TRasterTarget::FillMask(const QImage& Mask, const QPoint& Origin, const TRasterPaint& Paint,
                             bool Smooth) {
    if (!FBits || Mask.isNull())
        return;
    const QRect box(Origin, Mask.size());
    const QRegion area = FClip.intersected(box);
    const TRop2Op op(Paint.Rop2);
    const uint32_t mask = FValueMask;
    const bool blend = Smooth && Paint.Rop2 == R2_COPYPEN && !Paint.Hatch && FBpp >= 24;
    const TColor c = ColorToRGB(Paint.Color);
    const int cr = GetRValue(c), cg = GetGValue(c), cb = GetBValue(c);
    WithBpp(FBpp, [&](auto B) {
        constexpr int bpp = decltype(B)::value;
        for (const QRect& r : area) {
            for (int y = r.top(); y <= r.bottom(); ++y) {
                uint8_t* row = Row(y);
                const uint8_t* m = Mask.constScanLine(y - Origin.y()) - Origin.x();
                for (int x = r.left(); x <= r.right(); ++x) {
                    const int a = m[x];
                    if (a == 0 || (Smooth && !blend && a < 128))
                        continue;
                    if (blend && a < 255) {
                        const uint32_t d = GetPx<bpp>(row, x);
                        auto mix = [a](int D, int C) { return D + ((C - D) * a + 127) / 255; };
                        const uint32_t v = mix(d & 0xFF, cb) | (mix((d >> 8) & 0xFF, cg) << 8) |
                                           (static_cast<uint32_t>(mix((d >> 16) & 0xFF, cr)) << 16);
                        SetPx<bpp>(row, x, v);
                        continue;
                    }
                    bool skip;
                    const uint32_t p = PaintPixel(Paint, x, y, skip);
                    if (!skip)
                        SetPx<bpp>(row, x, op(p, GetPx<bpp>(row, x)) & mask);
                }
            }
        }
    });
}

void TRasterTarget::Plot(int X, int Y, const TRasterPaint& Paint) {
    if (!FBits || !Visible(X, Y))
        return;
    bool skip;
    const uint32_t p = PaintPixel(Paint, X, Y, skip);
    if (skip)
        return;
    const TRop2Op op(Paint.Rop2);
    uint8_t* row = Row(Y);
    WithBpp(FBpp, [&](auto B) {
        constexpr int bpp = decltype(B)::value;
        SetPx<bpp>(row, X, op(p, GetPx<bpp>(row, X)) & FValueMask);
    });
}

void TRasterTarget::Polyline(const std::vector<QPoint>& Points, bool Closed,
                             const TRasterPaint& Paint, const TDashPattern* Pattern,
                             const TRasterPaint* Gap) {
    if (!FBits || Points.empty())
        return;
    const bool styled = Pattern && !Pattern->Runs.empty();
    size_t run = 0;
    int left = styled ? Pattern->Runs[0] : 0;
    auto plot = [&](int x, int y) {
        if (!styled) {
            Plot(x, y, Paint);
            return;
        }
        if ((run & 1) == 0)
            Plot(x, y, Paint);
        else if (Gap)
            Plot(x, y, *Gap);
        if (--left <= 0) {
            run = (run + 1) % Pattern->Runs.size();
            left = Pattern->Runs[run];
        }
    };
    // Pixels outside the clip still move the pattern on, a whole number of periods at once.
    auto skip = [&](int64_t Count) {
        if (!styled)
            return;
        int64_t period = 0;
        for (int r : Pattern->Runs)
            period += std::max(r, 1);
        for (Count %= period; Count > 0;) {
            const int64_t step = std::min<int64_t>(Count, std::max(left, 1));
            Count -= step;
            left -= int(step);
            if (left <= 0) {
                run = (run + 1) % Pattern->Runs.size();
                left = Pattern->Runs[run];
            }
        }
    };
    ForEachLinePixel(Points, Closed, FClipBox, plot, skip);
}

// Converts source pixels into the target's layout, once set up per blit.
class TRasterTarget::TSourceConverter {
public:
    TSourceConverter(const TRasterTarget& Target, const TBlitSource& Src, TColor TextColor,
                     TColor BkColor)
        : FTarget(Target), FSrc(Src), FSf(Src.Bitmap->PixelFormat()),
          FDf(Target.FBitmap.PixelFormat()), FSbpp(Bpp(FSf)), FTable(Src.Bitmap->ColorTable()) {
        const bool monoSource = FSf == pf1bit;
        FMonoTarget = FDf == pf1bit;
        const bool indexed = FSf == pf4bit || FSf == pf8bit;
        FSame = FSf == FDf && (!monoSource || FMonoTarget) && (!indexed || FTable == Target.FTable);
        FMono = monoSource && !FSame;
        FTextPx = Target.PixelOf(TextColor);
        FBkPx = Target.PixelOf(BkColor);
        FSrcBk = ColorToRGB(Src.SourceBkColor);
        if (Src.ColorKey)
            FKey = ColorToRGB(*Src.ColorKey) & 0xFFFFFF;
        if (!FSame && !FMono && FSbpp <= 8) {
            FLut.resize(size_t(1) << FSbpp);
            for (size_t i = 0; i < FLut.size(); ++i)
                FLut[i] = Convert(DecodePixel(static_cast<uint32_t>(i), FSf, FTable));
        }
    }

    // True when source pixels go to the target unchanged and none is left out.
    bool Plain() const { return FSame && !FKey; }

    // Fills Out and Skip for the given source columns of one source row.
    void Row(int SourceRow, const std::vector<int>& Columns, std::vector<uint32_t>& Out,
             std::vector<uint8_t>& Skip) {
        const uint8_t* row = FSrc.Bitmap->ScanLine(SourceRow);
        WithBpp(FSbpp, [&](auto B) {
            constexpr int bpp = decltype(B)::value;
            for (size_t i = 0; i < Columns.size(); ++i) {
                if (Skip[i])
                    continue;
                const uint32_t v = GetPx<bpp>(row, Columns[i]);
                if (FKey && DecodePixel(v, FSf, FTable) == *FKey) {
                    Skip[i] = 1;
                    continue;
                }
                Out[i] = Pixel(v);
            }
        });
    }

private:
    uint32_t Convert(TColor C) const {
        if (FMonoTarget)
            return C == FSrcBk ? 1u : 0u;
        return EncodePixel(C, FDf, FTarget.FTable);
    }
    uint32_t Pixel(uint32_t V) {
        if (FSame)
            return V;
        if (FMono)
            return V ? FBkPx : FTextPx;
        if (!FLut.empty())
            return FLut[V];
        if (FMonoTarget || FTarget.FBpp > 8)
            return Convert(DecodePixel(V, FSf, FTable));
        // Truecolour onto an indexed target: nearest entries, remembered.
        auto it = FCache.find(V);
        if (it == FCache.end())
            it = FCache.emplace(V, Convert(DecodePixel(V, FSf, FTable))).first;
        return it->second;
    }

    const TRasterTarget& FTarget;
    const TBlitSource& FSrc;
    TPixelFormat FSf, FDf;
    int FSbpp;
    const std::vector<TRGBQuad>& FTable;
    bool FSame = false, FMono = false, FMonoTarget = false;
    uint32_t FTextPx = 0, FBkPx = 0;
    TColor FSrcBk = 0;
    std::optional<TColor> FKey;
    std::vector<uint32_t> FLut;
    std::unordered_map<uint32_t, uint32_t> FCache;
};

void TRasterTarget::Blit(const QRect& Dest, const TBlitSource& Source, uint32_t Rop,
                         const TRasterPaint& Pattern, TColor TextColor, TColor BkColor) {
    if (!FBits || Dest.isEmpty())
        return;
    const bool needSource = RopUsesSource(Rop);
    if (needSource && (!Source.Bitmap || Source.Bitmap->Empty() || Source.Rect.isEmpty()))
        return;
    const QRegion area = FClip.intersected(Dest);
    if (area.isEmpty())
        return;
    const TRop3Op op(Rop);
    const uint32_t vmask = FValueMask;
    std::vector<int> columns, rows;
    std::optional<TSourceConverter> convert;
    if (needSource) {
        columns = BuildSampleMap(Dest.width(), Source.Rect.left(), Source.Rect.width());
        rows = BuildSampleMap(Dest.height(), Source.Rect.top(), Source.Rect.height());
        if (Source.MirrorX)
            std::reverse(columns.begin(), columns.end());
        if (Source.MirrorY)
            std::reverse(rows.begin(), rows.end());
        convert.emplace(*this, Source, TextColor, BkColor);
    }
    const int sw = needSource ? Source.Bitmap->Width() : 0;
    const int sh = needSource ? Source.Bitmap->Height() : 0;
    // A plain copy between bitmaps of one layout moves bytes without converting them.
    const bool plainCopy = needSource && Rop == SRCCOPY && FBpp >= 8 && convert->Plain();
    auto CopyRows = [&](const QRect& R, const QRect& D, const std::vector<int>& Cols,
                        const std::vector<int>& Rows) {
        const size_t bytes = static_cast<size_t>(FBpp / 8);
        const size_t n = static_cast<size_t>(R.width());
        const bool contiguous = Cols.back() - Cols.front() == static_cast<int>(n) - 1 &&
                                std::adjacent_find(Cols.begin(), Cols.end(), [](int A, int B) {
                                    return B != A + 1;
                                }) == Cols.end();
        for (int y = R.top(); y <= R.bottom(); ++y) {
            const int sy = Rows[static_cast<size_t>(y - D.top())];
            if (sy < 0 || sy >= sh)
                continue;
            const uint8_t* src = Source.Bitmap->ScanLine(sy);
            uint8_t* dst = Row(y) + static_cast<size_t>(R.left()) * bytes;
            if (contiguous) {
                std::memmove(dst, src + static_cast<size_t>(Cols.front()) * bytes, n * bytes);
                continue;
            }
            for (size_t i = 0; i < n; ++i)
                std::memcpy(dst + i * bytes, src + static_cast<size_t>(Cols[i]) * bytes, bytes);
        }
    };
    std::vector<int> cols;
    std::vector<uint8_t> outside, skip;
    std::vector<uint32_t> srcRow;
    WithBpp(FBpp, [&](auto B) {
        constexpr int bpp = decltype(B)::value;
        for (const QRect& r : area) {
            const size_t n = static_cast<size_t>(r.width());
            if (needSource) {
                // Source columns of this rectangle; samples outside the source are skipped.
                cols.assign(columns.begin() + (r.left() - Dest.left()),
                            columns.begin() + (r.right() + 1 - Dest.left()));
                outside.assign(n, 0);
                for (size_t i = 0; i < n; ++i)
                    if (cols[i] < 0 || cols[i] >= sw) {
                        outside[i] = 1;
                        cols[i] = 0;
                    }
                srcRow.assign(n, 0);
                if (plainCopy && std::find(outside.begin(), outside.end(), 1) == outside.end()) {
                    CopyRows(r, Dest, cols, rows);
                    continue;
                }
            }
            for (int y = r.top(); y <= r.bottom(); ++y) {
                if (needSource) {
                    const int sy = rows[static_cast<size_t>(y - Dest.top())];
                    if (sy < 0 || sy >= sh)
                        continue;
                    skip = outside;
                    convert->Row(sy, cols, srcRow, skip);
                }
                uint8_t* row = Row(y);
                for (size_t i = 0; i < n; ++i) {
                    if (needSource && skip[i])
                        continue;
                    const int x = r.left() + static_cast<int>(i);
                    bool patternGap = false;
                    const uint32_t p = PaintPixel(Pattern, x, y, patternGap);
                    const uint32_t s = needSource ? srcRow[i] : 0;
                    SetPx<bpp>(row, x, op(p, s, GetPx<bpp>(row, x)) & vmask);
                }
            }
        }
    });
}
