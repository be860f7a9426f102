#include "UDIB.h"

#include "UCanvasGuards.h"
#include "UContainerStream.h"
#include "UScaler.h"

#include <algorithm>
#include <bit>
#include <cstring>

namespace {

constexpr size_t FileHeaderSize = 14;
constexpr size_t LargestHeader = 124;
constexpr size_t LargestMasks = 16;
// An RLE picture may describe at most this many pixels per byte of data (plus slack for
// small pictures): a header alone cannot make us allocate a huge bitmap.
constexpr int64_t RlePixelsPerByte = 2048;
constexpr int64_t RleSlackBytes = 1024;

[[noreturn]] void Invalid() {
    throw EInvalidGraphic(QStringLiteral("ビットマップイメージが不正です"));
}

uint16_t U16(const uint8_t* P) {
    return static_cast<uint16_t>(P[0] | (P[1] << 8));
}
uint32_t U32(const uint8_t* P) {
    return P[0] | (P[1] << 8) | (P[2] << 16) | (uint32_t(P[3]) << 24);
}
int32_t I32(const uint8_t* P) {
    return static_cast<int32_t>(U32(P));
}

bool KnownHeaderSize(uint32_t Size) {
    switch (Size) {
    case 12:
    case 40:
    case 52:
    case 56:
    case 64:
    case 108:
    case 124:
        return true;
    default:
        return false;
    }
}

int64_t RowBytes(int64_t Width, int Bits) {
    return ((Width * Bits + 31) / 32) * 4;
}

// Where the parts of one BMP file lie, from its headers.
struct TLayout {
    TBMPInfo Info;
    bool Core = false;
    size_t TableOffset = 0;
    int TableCount = 0;
    int EntrySize = 4;
    size_t BitsOffset = 0;
    size_t ImageSize = 0;
    size_t Length = 0;
    int Rows = 0;
    bool BottomUp = true;
};

// Reads the headers from Data (Size bytes present, at least the headers); Available is the
// number of bytes the file may take.
TLayout ReadLayout(const uint8_t* Data, size_t Size, size_t Available) {
    if (Size < FileHeaderSize + 4 || Data[0] != 'B' || Data[1] != 'M')
        Invalid();
    const uint32_t offBits = U32(Data + 10);
    const uint32_t headerSize = U32(Data + 14);
    if (!KnownHeaderSize(headerSize) || Size < FileHeaderSize + headerSize)
        Invalid();
    const uint8_t* h = Data + FileHeaderSize;
    TLayout l;
    TBitmapInfoHeader& H = l.Info.Header;
    l.Core = headerSize == 12;
    if (l.Core) {
        H.biWidth = U16(h + 4);
        H.biHeight = U16(h + 6);
        H.biPlanes = U16(h + 8);
        H.biBitCount = U16(h + 10);
        H.biCompression = BI_RGB;
        l.EntrySize = 3;
    } else {
        H.biWidth = I32(h + 4);
        H.biHeight = I32(h + 8);
        H.biPlanes = U16(h + 12);
        H.biBitCount = U16(h + 14);
        H.biCompression = U32(h + 16);
        H.biSizeImage = U32(h + 20);
        H.biXPelsPerMeter = I32(h + 24);
        H.biYPelsPerMeter = I32(h + 28);
        H.biClrUsed = U32(h + 32);
        H.biClrImportant = U32(h + 36);
    }
    const int bits = H.biBitCount;
    if (H.biPlanes != 1 ||
        (bits != 1 && bits != 4 && bits != 8 && bits != 16 && bits != 24 && bits != 32))
        Invalid();
    if (H.biWidth <= 0 || H.biWidth > MaxBitmapSide || H.biHeight == 0 ||
        H.biHeight < -MaxBitmapSide || H.biHeight > MaxBitmapSide)
        Invalid();
    l.BottomUp = H.biHeight > 0;
    l.Rows = l.BottomUp ? H.biHeight : -H.biHeight;
    const uint32_t c = H.biCompression;
    const bool rle = c == BI_RLE8 || c == BI_RLE4;
    if ((c == BI_RLE8 && bits != 8) || (c == BI_RLE4 && bits != 4) ||
        (c == BI_BITFIELDS && bits != 16 && bits != 32) || c > BI_BITFIELDS || (rle && !l.BottomUp))
        Invalid();

    size_t pos = FileHeaderSize + headerSize;
    if (c == BI_BITFIELDS) {
        const uint8_t* m;
        if (headerSize >= 52) {
            m = h + 40;
        } else {
            if (Size < pos + 12)
                Invalid();
            m = Data + pos;
            pos += 12;
        }
        const uint32_t limit = bits == 16 ? 0xFFFFu : 0xFFFFFFFFu;
        for (int i = 0; i < 3; ++i)
            l.Info.Masks[static_cast<size_t>(i)] = U32(m + 4 * i) & limit;
        if ((l.Info.Masks[0] | l.Info.Masks[1] | l.Info.Masks[2]) == 0)
            Invalid();
    }
    const uint32_t maxColors = bits <= 8 ? (1u << bits) : 256u;
    if (H.biClrUsed > maxColors)
        Invalid();
    l.TableCount = H.biClrUsed ? static_cast<int>(H.biClrUsed) : BitCountToColorCount(bits);
    l.TableOffset = pos;
    const size_t tableEnd = pos + size_t(l.TableCount) * size_t(l.EntrySize);
    if (offBits != 0) {
        if (offBits < pos)
            Invalid();
        // A table that the bits offset cuts short keeps the entries that fit.
        if (offBits < tableEnd)
            l.TableCount = static_cast<int>((offBits - pos) / size_t(l.EntrySize));
        l.BitsOffset = offBits;
    } else {
        l.BitsOffset = tableEnd;
    }
    if (l.BitsOffset > Available)
        Invalid();
    if (rle) {
        const size_t rest = Available - l.BitsOffset;
        l.ImageSize = H.biSizeImage ? H.biSizeImage : rest;
        if (l.ImageSize > rest)
            Invalid();
        if (int64_t(H.biWidth) * l.Rows > (int64_t(l.ImageSize) + RleSlackBytes) * RlePixelsPerByte)
            Invalid();
    } else {
        const int64_t image = RowBytes(H.biWidth, bits) * l.Rows;
        if (image > int64_t(Available - l.BitsOffset))
            Invalid();
        l.ImageSize = static_cast<size_t>(image);
    }
    l.Length = l.BitsOffset + l.ImageSize;
    // Held as a 40-byte header from here on.
    H.biSize = 40;
    H.biClrUsed = static_cast<uint32_t>(bits <= 8 ? l.TableCount : 0);
    return l;
}

std::vector<TRGBQuad> ReadTable(const uint8_t* Data, const TLayout& L) {
    std::vector<TRGBQuad> table;
    for (int i = 0; i < L.TableCount; ++i) {
        const uint8_t* e = Data + L.TableOffset + size_t(i) * size_t(L.EntrySize);
        table.push_back(TRGBQuad{e[0], e[1], e[2], 0});
    }
    return table;
}

TPixelFormat IndexedFormat(int Bits) {
    return Bits == 1 ? pf1bit : Bits == 4 ? pf4bit : pf8bit;
}

// A colour channel of Bits bits widened to 8 bits by repeating its bits.
uint32_t Widen(uint32_t V, int Bits) {
    if (Bits <= 0)
        return 0;
    if (Bits >= 8)
        return (V >> (Bits - 8)) & 0xFF;
    uint32_t r = 0;
    int filled = 0;
    while (filled < 8) {
        r = (r << Bits) | V;
        filled += Bits;
    }
    return (r >> (filled - 8)) & 0xFF;
}

struct TChannel {
    uint32_t Mask;
    int Shift;
    int Bits;
    explicit TChannel(uint32_t M)
        : Mask(M), Shift(M ? std::countr_zero(M) : 0), Bits(M ? std::popcount(M) : 0) {}
    uint32_t Get(uint32_t Px) const { return Widen((Px & Mask) >> Shift, Bits); }
};

void DecodeRle(const uint8_t* Src, size_t Size, int Bits, TBitmap& Out) {
    const int w = Out.Width(), h = Out.Height();
    int x = 0, y = 0; // y counts from the bottom row
    auto put = [&](int X, int Y, unsigned Index) {
        if (X < 0 || X >= w || Y < 0 || Y >= h)
            return;
        uint8_t* row = Out.ScanLine(h - 1 - Y);
        if (Bits == 8) {
            row[X] = static_cast<uint8_t>(Index);
        } else {
            uint8_t& b = row[X >> 1];
            b = (X & 1) ? static_cast<uint8_t>((b & 0xF0) | (Index & 15))
                        : static_cast<uint8_t>((b & 0x0F) | ((Index & 15) << 4));
        }
    };
    size_t i = 0;
    while (i + 1 < Size && y < h) {
        const unsigned count = Src[i], value = Src[i + 1];
        i += 2;
        if (count > 0) {
            for (unsigned k = 0; k < count && x < w; ++k, ++x)
                put(x, y, Bits == 8 ? value : ((k & 1) ? value & 15 : value >> 4));
            continue;
        }
        if (value == 0) { // end of line
            x = 0;
            ++y;
        } else if (value == 1) { // end of picture
            break;
        } else if (value == 2) { // move right and up
            if (i + 1 >= Size)
                break;
            x += Src[i];
            y += Src[i + 1];
            i += 2;
        } else { // a literal run of `value` pixels, padded to 16 bits
            const size_t bytes = Bits == 8 ? value : (value + 1) / 2;
            if (i + bytes > Size)
                break;
            for (unsigned k = 0; k < value; ++k, ++x) {
                const uint8_t b = Src[i + (Bits == 8 ? k : k / 2)];
                put(x, y, Bits == 8 ? b : ((k & 1) ? b & 15 : b >> 4));
            }
            i += bytes + (bytes & 1);
        }
    }
}

TBitmap DecodePixels(const uint8_t* Data, const TLayout& L) {
    const TBitmapInfoHeader& H = L.Info.Header;
    const int w = H.biWidth, h = L.Rows, bits = H.biBitCount;
    const uint8_t* bitsStart = Data + L.BitsOffset;
    const auto& m = L.Info.Masks;
    TPixelFormat format;
    bool generic = false;
    if (bits <= 8) {
        format = IndexedFormat(bits);
    } else if (bits == 16) {
        const bool bf = H.biCompression == BI_BITFIELDS;
        if (!bf || (m[0] == 0x7C00 && m[1] == 0x03E0 && m[2] == 0x001F))
            format = pf15bit;
        else if (m[0] == 0xF800 && m[1] == 0x07E0 && m[2] == 0x001F)
            format = pf16bit;
        else {
            format = pf32bit;
            generic = true;
        }
    } else if (bits == 24) {
        format = pf24bit;
    } else {
        const bool bf = H.biCompression == BI_BITFIELDS;
        generic = bf && !(m[0] == 0xFF0000 && m[1] == 0xFF00 && m[2] == 0xFF);
        format = pf32bit;
    }
    TBitmap out(w, h, format);
    if (bits <= 8) {
        std::vector<TRGBQuad> table = L.Info.ColorTable;
        table.resize(size_t(1) << bits, TRGBQuad{}); // indices past the table read black
        out.SetColorTable(table);
    }
    if (H.biCompression == BI_RLE8 || H.biCompression == BI_RLE4) {
        std::memset(out.Bits(), 0, size_t(out.BytesPerLine()) * size_t(h));
        DecodeRle(bitsStart, L.ImageSize, bits, out);
        return out;
    }
    const size_t stride = static_cast<size_t>(RowBytes(w, bits));
    if (!generic) {
        for (int y = 0; y < h; ++y)
            std::memcpy(out.ScanLine(y), bitsStart + size_t(L.BottomUp ? h - 1 - y : y) * stride,
                        stride);
        return out;
    }
    const TChannel r(m[0]), g(m[1]), b(m[2]);
    for (int y = 0; y < h; ++y) {
        const uint8_t* src = bitsStart + size_t(L.BottomUp ? h - 1 - y : y) * stride;
        uint8_t* dst = out.ScanLine(y);
        for (int x = 0; x < w; ++x) {
            const uint32_t px = bits == 16 ? U16(src + 2 * x) : U32(src + 4 * x);
            dst[4 * x] = static_cast<uint8_t>(b.Get(px));
            dst[4 * x + 1] = static_cast<uint8_t>(g.Get(px));
            dst[4 * x + 2] = static_cast<uint8_t>(r.Get(px));
            dst[4 * x + 3] = 0;
        }
    }
    return out;
}

void Put16(QByteArray& B, uint16_t V) {
    B.append(static_cast<char>(V & 0xFF));
    B.append(static_cast<char>(V >> 8));
}
void Put32(QByteArray& B, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        B.append(static_cast<char>((V >> (8 * i)) & 0xFF));
}

TBitmapInfoHeader HeaderOf(const TBitmap& Bitmap) {
    TBitmapInfoHeader h;
    h.biWidth = Bitmap.Width();
    h.biHeight = Bitmap.Height();
    h.biBitCount = static_cast<uint16_t>(Bitmap.BitsPerPixel());
    h.biCompression = Bitmap.PixelFormat() == pf16bit ? BI_BITFIELDS : BI_RGB;
    h.biSizeImage = static_cast<uint32_t>(int64_t(Bitmap.BytesPerLine()) * Bitmap.Height());
    h.biClrUsed = static_cast<uint32_t>(h.biBitCount <= 8 ? Bitmap.ColorTable().size() : 0);
    return h;
}

} // namespace

int BitCountToColorCount(int Bits) {
    switch (Bits) {
    case 1:
        return 2;
    case 4:
        return 16;
    case 8:
        return 256;
    default:
        return 0;
    }
}

int GetDIBColorCount(const TBitmapInfoHeader& H) {
    if (H.biSize == 12)
        return BitCountToColorCount(H.biPlanes * H.biBitCount);
    return H.biClrUsed ? static_cast<int>(H.biClrUsed)
                       : BitCountToColorCount(H.biPlanes * H.biBitCount);
}

int64_t GetDIBInfoSize(const TBitmapInfoHeader& H) {
    if (H.biSize == 12)
        return 12 + 3 * int64_t(GetDIBColorCount(H));
    if (H.biCompression == BI_BITFIELDS)
        return H.biSize + (H.biSize >= 52 ? 0 : 12);
    return H.biSize + 4 * int64_t(GetDIBColorCount(H));
}

int64_t GetDIBImageSize(const TBitmapInfoHeader& H) {
    if (H.biSize != 12 && H.biCompression != BI_RGB && H.biCompression != BI_BITFIELDS)
        return H.biSizeImage;
    const int64_t rows = H.biHeight < 0 ? -int64_t(H.biHeight) : H.biHeight;
    return RowBytes(H.biWidth, H.biPlanes * H.biBitCount) * rows;
}

int64_t GetDIBBitsOffset(const TBitmapInfoHeader& H) {
    return GetDIBInfoSize(H) + int64_t(FileHeaderSize);
}

TBitmap DecodeBMP(const uint8_t* Data, size_t Size, TBMPInfo& Info, size_t& Length) {
    TLayout l = ReadLayout(Data, Size, Size);
    if (l.TableOffset + size_t(l.TableCount) * size_t(l.EntrySize) > Size)
        Invalid();
    l.Info.ColorTable = ReadTable(Data, l);
    TBitmap bitmap = DecodePixels(Data, l);
    Info = l.Info;
    Length = l.Length;
    return bitmap;
}

QByteArray EncodeBMP(const TBitmap& Bitmap) {
    if (Bitmap.Empty())
        Invalid();
    const TBitmapInfoHeader h = HeaderOf(Bitmap);
    const bool masks = h.biCompression == BI_BITFIELDS;
    const int64_t offBits =
        int64_t(FileHeaderSize) + 40 + (masks ? 12 : 0) + 4 * int64_t(h.biClrUsed);
    const int64_t total = offBits + h.biSizeImage;
    QByteArray out;
    out.reserve(static_cast<qsizetype>(total));
    out.append("BM", 2);
    Put32(out, static_cast<uint32_t>(total));
    Put32(out, 0);
    Put32(out, static_cast<uint32_t>(offBits));
    Put32(out, 40);
    Put32(out, static_cast<uint32_t>(h.biWidth));
    Put32(out, static_cast<uint32_t>(h.biHeight)); // bottom-up
    Put16(out, 1);
    Put16(out, h.biBitCount);
    Put32(out, h.biCompression);
    Put32(out, h.biSizeImage);
    Put32(out, 0);
    Put32(out, 0);
    Put32(out, h.biClrUsed);
    Put32(out, 0);
    if (masks) {
        Put32(out, 0xF800);
        Put32(out, 0x07E0);
        Put32(out, 0x001F);
    }
    for (uint32_t i = 0; i < h.biClrUsed; ++i) {
        const TRGBQuad& q = Bitmap.ColorTable()[i];
        out.append(static_cast<char>(q.rgbBlue));
        out.append(static_cast<char>(q.rgbGreen));
        out.append(static_cast<char>(q.rgbRed));
        out.append('\0');
    }
    for (int y = Bitmap.Height() - 1; y >= 0; --y)
        out.append(reinterpret_cast<const char*>(Bitmap.ScanLine(y)), Bitmap.BytesPerLine());
    return out;
}

void TDIB::Assign(const TDIB& Source) {
    FInfo = Source.FInfo;
    FBits = Source.FBits;
}

bool TDIB::AssignBitmap(const TBitmap& Bitmap) {
    if (Bitmap.Empty()) {
        *this = TDIB();
        return true;
    }
    FInfo = TBMPInfo();
    FInfo.Header = HeaderOf(Bitmap);
    FInfo.Header.biHeight = -Bitmap.Height(); // held top-down
    FInfo.ColorTable = Bitmap.ColorTable();
    if (Bitmap.PixelFormat() == pf16bit)
        FInfo.Masks = {0xF800, 0x07E0, 0x001F};
    FBits = std::make_shared<const TBitsHolder>(Bitmap);
    return true;
}

void TDIB::LoadFromStream(TStream& Stream) {
    // A compressed container: the bitmap file is its whole content. A container inside it
    // is not unpacked again.
    TMemoryStream plain;
    if (ReadContainer(Stream, plain))
        LoadPlain(plain);
    else
        LoadPlain(Stream);
}

void TDIB::LoadPlain(TStream& Stream) {
    const int64_t start = Stream.GetPosition();
    const int64_t available = Stream.GetSize() - start;
    if (available < int64_t(FileHeaderSize) + 4)
        Invalid();
    TBMPInfo info;
    size_t length = 0;
    TBitmap bitmap;
    if (const auto* memory = dynamic_cast<const TMemoryStream*>(&Stream)) {
        // In place: no copy of the file's bytes.
        const auto* data = reinterpret_cast<const uint8_t*>(memory->Memory()) + start;
        bitmap = DecodeBMP(data, static_cast<size_t>(available), info, length);
    } else {
        try {
            const int64_t headBytes =
                std::min<int64_t>(available, FileHeaderSize + LargestHeader + LargestMasks);
            const QByteArray head = Stream.ReadBytes(headBytes);
            const TLayout l =
                ReadLayout(reinterpret_cast<const uint8_t*>(head.constData()),
                           static_cast<size_t>(head.size()), static_cast<size_t>(available));
            Stream.SetPosition(start);
            const QByteArray all = Stream.ReadBytes(static_cast<int64_t>(l.Length));
            bitmap = DecodeBMP(reinterpret_cast<const uint8_t*>(all.constData()),
                               static_cast<size_t>(all.size()), info, length);
        } catch (const EStreamError&) {
            Invalid();
        }
    }
    Stream.SetPosition(start + static_cast<int64_t>(length));
    FInfo = info;
    FBits = std::make_shared<const TBitsHolder>(std::move(bitmap));
}

void TDIB::SaveToStream(TStream& Stream) const {
    if (!FBits)
        Invalid();
    Stream.WriteBytes(EncodeBMP(FBits->Bitmap()));
}

void TDIB::AssignTo(TBitmap& Bitmap) const {
    Bitmap = FBits ? FBits->Bitmap() : TBitmap();
}

void TDIB::DrawTo(TCanvas& Canvas, const TRect& DestRect, const TRect& SourceRect) const {
    const TRect d = Canvas.LPtoDP(DestRect);
    TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    TCoordMap::ResetCanvas(Canvas);
    Draw(Canvas, d, SourceRect);
}

void TDIB::Draw(TCanvas& Canvas, const TRect& D, const TRect& S) const {
    if (!FBits)
        return;
    if (D.Width() == S.Width() && D.Height() == S.Height()) {
        StretchTo(Canvas, D, S);
        return;
    }
    if (!IsPrinterCanvas(Canvas)) {
        SampledStretchDraw(Canvas, FBits->Bitmap(), D, S);
        return;
    }
    StretchTo(Canvas, D, S);
}

bool TDIB::StretchTo(TCanvas& Canvas, const TRect& D, const TRect& S) const {
    if (!FBits)
        return true;
    if ((D.Width() == 0 && D.Height() == 0 && S.Width() == 0 && S.Height() == 0) ||
        !Canvas.RectVisible(D))
        return true;
    Canvas.SetStretchBltMode(COLORONCOLOR);
    Canvas.StretchBlt(D.Left, D.Top, D.Width(), D.Height(), FBits->Bitmap(), S.Left, S.Top,
                      S.Width(), S.Height(), Canvas.CopyMode());
    return true;
}

namespace {

// Copies the sampled pixels of Source into Dest (same format), row by row.
void CopySamples(const TBitmap& Source, TBitmap& Dest, const std::vector<int>& Columns,
                 const std::vector<int>& Rows) {
    const int bits = Source.BitsPerPixel();
    const int bytes = bits / 8;
    for (size_t y = 0; y < Rows.size(); ++y) {
        const uint8_t* s = Source.ScanLine(Rows[y]);
        uint8_t* d = Dest.ScanLine(static_cast<int>(y));
        if (bits < 8)
            std::memset(d, 0, static_cast<size_t>(Dest.BytesPerLine()));
        for (size_t x = 0; x < Columns.size(); ++x) {
            const int c = Columns[x];
            if (bits == 1) {
                if ((s[c >> 3] >> (7 - (c & 7))) & 1)
                    d[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
            } else if (bits == 4) {
                const unsigned nib = (s[c >> 1] >> ((c & 1) ? 0 : 4)) & 15;
                d[x >> 1] |= static_cast<uint8_t>((x & 1) ? nib : nib << 4);
            } else {
                std::memcpy(d + x * size_t(bytes), s + size_t(c) * size_t(bytes), size_t(bytes));
            }
        }
    }
}

} // namespace

void SampledStretchDraw(TCanvas& Canvas, const TBitmap& Bitmap, const TRect& D, const TRect& S) {
    if (Bitmap.Empty() || D.Width() <= 0 || D.Height() <= 0 || S.Width() <= 0 || S.Height() <= 0)
        return;
    TRect clip;
    const int complexity = Canvas.GetClipBox(clip);
    if (complexity != SIMPLEREGION && complexity != COMPLEXREGION)
        clip = Rect(0, 0, Canvas.GetDeviceCaps(HORZRES), Canvas.GetDeviceCaps(VERTRES));
    TRect area;
    if (!IntersectRect(area, D, clip))
        return;
    std::vector<int> cols = TrimSampleMap(BuildSampleMap(D.Width(), S.Left, S.Width()),
                                          area.Left - D.Left, area.Width());
    std::vector<int> rows = TrimSampleMap(BuildSampleMap(D.Height(), S.Top, S.Height()),
                                          area.Top - D.Top, area.Height());
    if (cols.empty() || rows.empty())
        return;
    // Samples outside the bitmap take its nearest edge pixel.
    for (int& c : cols)
        c = std::clamp(c, 0, Bitmap.Width() - 1);
    for (int& r : rows)
        r = std::clamp(r, 0, Bitmap.Height() - 1);
    TBitmap band(static_cast<int>(cols.size()), static_cast<int>(rows.size()),
                 Bitmap.PixelFormat());
    if (!Bitmap.ColorTable().empty())
        band.SetColorTable(Bitmap.ColorTable());
    CopySamples(Bitmap, band, cols, rows);
    if (Bitmap.Transparent) {
        band.Transparent = true;
        band.SetTransparentColor(Bitmap.GetTransparentColor());
    }
    Canvas.Draw(area.Left, area.Top, band);
}

void RaiseInvalidContainer() {
    Invalid();
}
