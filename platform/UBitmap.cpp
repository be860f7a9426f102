#include "UBitmap.h"

#include "UCanvas.h"
#include "UException.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <limits>
#include <new>
#include <sys/mman.h>
#include <type_traits>
#include <utility>

#include <sys/mman.h>

namespace {

// Leaves bytes added by resize uninitialised (assign with a value still fills), so that a
// bitmap made for overwriting is not cleared first and its pages are first touched by the
// code that writes them.
template <class T>
struct TDefaultInitAllocator : std::allocator<T> {
    template <class U>
    struct rebind {
        using other = TDefaultInitAllocator<U>;
    };
    TDefaultInitAllocator() = default;
    template <class U>
    TDefaultInitAllocator(const TDefaultInitAllocator<U>&) noexcept {}
    template <class U>
    void construct(U* P) noexcept(std::is_nothrow_default_constructible_v<U>) {
        ::new (static_cast<void*>(P)) U;
    }
    template <class U, class... TArgs>
    void construct(U* P, TArgs&&... Args) {
        ::new (static_cast<void*>(P)) U(std::forward<TArgs>(Args)...);
    }
};

using TPixelBytes = std::vector<uint8_t, TDefaultInitAllocator<uint8_t>>;

// Pictures of a few megabytes and more get their memory in 2 MB pages where the system
// offers them on request: the first touch of a large bitmap then costs a few hundred page
// faults instead of hundreds of thousands. Called before the memory is first written.
void ReservePixels(TPixelBytes& Pixels, size_t Bytes) {
    Pixels.reserve(Bytes);
#ifdef MADV_HUGEPAGE
    constexpr size_t hugeFrom = size_t(4) << 20;
    if (Bytes < hugeFrom)
        return;
    const size_t page = 4096;
    const auto begin = reinterpret_cast<uintptr_t>(Pixels.data());
    const uintptr_t first = (begin + page - 1) / page * page;
    const uintptr_t last = (begin + Bytes) / page * page;
    if (last > first)
        madvise(reinterpret_cast<void*>(first), last - first, MADV_HUGEPAGE); // advice only
#endif
}

} // namespace

struct TBitmap::TImage {
    int Width = 0;
    int Height = 0;
    TPixelFormat Format = pf24bit;
    int Stride = 0;
    TPixelBytes Pixels;
    std::vector<TRGBQuad> Table;
};

int BitsPerPixelOf(TPixelFormat Format) {
    switch (Format) {
    case pf1bit:
        return 1;
    case pf4bit:
        return 4;
    case pf8bit:
        return 8;
    case pf15bit:
    case pf16bit:
        return 16;
    case pfDevice:
    case pf24bit:
        return 24;
    case pf32bit:
        return 32;
    case pfCustom:
        return 0;
    }
    return 0;
}

int BytesPerLineOf(int Width, TPixelFormat Format) {
    const int64_t bits = static_cast<int64_t>(Width) * BitsPerPixelOf(Format);
    const int64_t bytes = ((bits + 31) / 32) * 4;
    if (Width < 0 || bytes > std::numeric_limits<int>::max())
        throw Exception(QStringLiteral("ビットマップが大きすぎます"));
    return static_cast<int>(bytes);
}

namespace {

TPixelFormat Normalised(TPixelFormat F) {
    if (F == pfDevice)
        return pf24bit;
    if (F == pfCustom)
        throw Exception(QStringLiteral("サポートされていないビットマップ形式です"));
    return F;
}

bool IsIndexed(TPixelFormat F) {
    return F == pf1bit || F == pf4bit || F == pf8bit;
}

TRGBQuad Quad(int R, int G, int B) {
    return TRGBQuad{static_cast<uint8_t>(B), static_cast<uint8_t>(G), static_cast<uint8_t>(R), 0};
}

// Reads pixel X of a row as 0x00BBGGRR.
TColor ReadPixel(const uint8_t* Row, int X, TPixelFormat F, const std::vector<TRGBQuad>& Table) {
    auto fromTable = [&](unsigned Index) {
        if (Index >= Table.size())
            return clBlack;
        const TRGBQuad& q = Table[Index];
        return RGB(q.rgbRed, q.rgbGreen, q.rgbBlue);
    };
    switch (F) {
    case pf1bit:
        return fromTable((Row[X >> 3] >> (7 - (X & 7))) & 1);
    case pf4bit:
        return fromTable((Row[X >> 1] >> ((X & 1) ? 0 : 4)) & 0xF);
    case pf8bit:
        return fromTable(Row[X]);
    case pf15bit: {
        const unsigned w = Row[2 * X] | (Row[2 * X + 1] << 8);
        const unsigned r = (w >> 10) & 31, g = (w >> 5) & 31, b = w & 31;
        return RGB((r << 3) | (r >> 2), (g << 3) | (g >> 2), (b << 3) | (b >> 2));
    }
    case pf16bit: {
        const unsigned w = Row[2 * X] | (Row[2 * X + 1] << 8);
        const unsigned r = (w >> 11) & 31, g = (w >> 5) & 63, b = w & 31;
        return RGB((r << 3) | (r >> 2), (g << 2) | (g >> 4), (b << 3) | (b >> 2));
    }
    case pf24bit:
        return RGB(Row[3 * X + 2], Row[3 * X + 1], Row[3 * X]);
    case pf32bit:
        return RGB(Row[4 * X + 2], Row[4 * X + 1], Row[4 * X]);
    default:
        return clBlack;
    }
}

} // namespace

unsigned NearestColorIndex(TColor C, const std::vector<TRGBQuad>& Table) {
    unsigned best = 0;
    int bestDist = std::numeric_limits<int>::max();
    for (unsigned i = 0; i < Table.size(); ++i) {
        const int dr = Table[i].rgbRed - GetRValue(C);
        const int dg = Table[i].rgbGreen - GetGValue(C);
        const int db = Table[i].rgbBlue - GetBValue(C);
        const int d = dr * dr + dg * dg + db * db;
        if (d < bestDist) {
            bestDist = d;
            best = i;
            if (d == 0)
                break;
        }
    }
    return best;
}

TNearestColorLookup::TNearestColorLookup(const std::vector<TRGBQuad>& Table)
    : FTable(Table), FLarge(Table.size() > 256) {}

namespace {

// Squared distance from component V to the interval [Lo, Hi], and the largest one to it.
int NearDistance(int V, int Lo, int Hi) {
    const int d = V < Lo ? Lo - V : V > Hi ? V - Hi : 0;
    return d * d;
}

int FarDistance(int V, int Lo, int Hi) {
    const int d = std::max(std::abs(V - Lo), std::abs(V - Hi));
    return d * d;
}

} // namespace

const std::vector<uint8_t>& TNearestColorLookup::Cell(int Index) {
    std::vector<uint8_t>& cell = FCells[Index];
    if (FBuilt[Index])
        return cell;
    const int r0 = (Index >> 6) * 32, g0 = ((Index >> 3) & 7) * 32, b0 = (Index & 7) * 32;
    // An entry can be nearest to a colour of the cell only when its least distance to the
    // cell is at most the smallest greatest distance of any entry.
    int bound = std::numeric_limits<int>::max();
    for (const TRGBQuad& q : FTable)
        bound = std::min(bound, FarDistance(q.rgbRed, r0, r0 + 31) +
                                    FarDistance(q.rgbGreen, g0, g0 + 31) +
                                    FarDistance(q.rgbBlue, b0, b0 + 31));
    for (unsigned i = 0; i < FTable.size(); ++i) {
        const TRGBQuad& q = FTable[i];
        if (NearDistance(q.rgbRed, r0, r0 + 31) + NearDistance(q.rgbGreen, g0, g0 + 31) +
                NearDistance(q.rgbBlue, b0, b0 + 31) <=
            bound)
            cell.push_back(static_cast<uint8_t>(i));
    }
    FBuilt[Index] = true;
    return cell;
}

unsigned TNearestColorLookup::IndexOf(TColor C) {
    if (C == FLastColor)
        return FLastIndex;
    unsigned best = 0;
    if (FLarge) {
        best = NearestColorIndex(C, FTable);
    } else {
        const int r = GetRValue(C), g = GetGValue(C), b = GetBValue(C);
        int bestDist = std::numeric_limits<int>::max();
        // Candidates in table order, so that the first of equals wins as in the plain search.
        for (const uint8_t i : Cell((r >> 5) << 6 | (g >> 5) << 3 | (b >> 5))) {
            const TRGBQuad& q = FTable[i];
            const int dr = q.rgbRed - r, dg = q.rgbGreen - g, db = q.rgbBlue - b;
            const int d = dr * dr + dg * dg + db * db;
            if (d < bestDist) {
                bestDist = d;
                best = i;
                if (d == 0)
                    break;
            }
        }
    }
    FLastColor = C;
    FLastIndex = best;
    return best;
}

namespace {

void WriteIndex(uint8_t* Row, int X, TPixelFormat F, unsigned Index) {
    switch (F) {
    case pf1bit: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (X & 7));
        if (Index)
            Row[X >> 3] |= bit;
        else
            Row[X >> 3] &= static_cast<uint8_t>(~bit);
        break;
    }
    case pf4bit: {
        const unsigned i = Index & 0xF;
        uint8_t& byte = Row[X >> 1];
        byte = (X & 1) ? static_cast<uint8_t>((byte & 0xF0) | i)
                       : static_cast<uint8_t>((byte & 0x0F) | (i << 4));
        break;
    }
    default:
        Row[X] = static_cast<uint8_t>(Index);
        break;
    }
}

void WritePixel(uint8_t* Row, int X, TPixelFormat F, const std::vector<TRGBQuad>& Table, TColor C) {
    const unsigned r = GetRValue(C), g = GetGValue(C), b = GetBValue(C);
    switch (F) {
    case pf1bit: {
        const uint8_t bit = static_cast<uint8_t>(0x80 >> (X & 7));
        if (NearestColorIndex(C, Table))
            Row[X >> 3] |= bit;
        else
            Row[X >> 3] &= static_cast<uint8_t>(~bit);
        break;
    }
    case pf4bit: {
        const unsigned i = NearestColorIndex(C, Table) & 0xF;
        uint8_t& byte = Row[X >> 1];
        byte = (X & 1) ? static_cast<uint8_t>((byte & 0xF0) | i)
                       : static_cast<uint8_t>((byte & 0x0F) | (i << 4));
        break;
    }
    case pf8bit:
        Row[X] = static_cast<uint8_t>(NearestColorIndex(C, Table));
        break;
    case pf15bit: {
        const unsigned w = ((r >> 3) << 10) | ((g >> 3) << 5) | (b >> 3);
        Row[2 * X] = static_cast<uint8_t>(w);
        Row[2 * X + 1] = static_cast<uint8_t>(w >> 8);
        break;
    }
    case pf16bit: {
        const unsigned w = ((r >> 3) << 11) | ((g >> 2) << 5) | (b >> 3);
        Row[2 * X] = static_cast<uint8_t>(w);
        Row[2 * X + 1] = static_cast<uint8_t>(w >> 8);
        break;
    }
    case pf24bit:
        Row[3 * X] = static_cast<uint8_t>(b);
        Row[3 * X + 1] = static_cast<uint8_t>(g);
        Row[3 * X + 2] = static_cast<uint8_t>(r);
        break;
    case pf32bit:
        Row[4 * X] = static_cast<uint8_t>(b);
        Row[4 * X + 1] = static_cast<uint8_t>(g);
        Row[4 * X + 2] = static_cast<uint8_t>(r);
        break;
    default:
        break;
    }
}

void CheckSize(int Width, int Height) {
    if (Width < 0 || Height < 0 || Width > MaxBitmapSide || Height > MaxBitmapSide)
        throw Exception(
            QStringLiteral("ビットマップの大きさが不正です (%1 x %2)").arg(Width).arg(Height));
}

} // namespace

std::vector<TRGBQuad> DefaultColorTable(TPixelFormat Format) {
    static const TRGBQuad vga[16] = {
        Quad(0, 0, 0),       Quad(128, 0, 0),   Quad(0, 128, 0),   Quad(128, 128, 0),
        Quad(0, 0, 128),     Quad(128, 0, 128), Quad(0, 128, 128), Quad(192, 192, 192),
        Quad(128, 128, 128), Quad(255, 0, 0),   Quad(0, 255, 0),   Quad(255, 255, 0),
        Quad(0, 0, 255),     Quad(255, 0, 255), Quad(0, 255, 255), Quad(255, 255, 255),
    };
    switch (Format) {
    case pf1bit:
        return {Quad(0, 0, 0), Quad(255, 255, 255)};
    case pf4bit:
        return std::vector<TRGBQuad>(std::begin(vga), std::end(vga));
    case pf8bit: {
        // The 20 static colours of the system palette (first 10, last 10), a 6x6x6 cube
        // and a grey ramp in between.
        static const TRGBQuad first[10] = {
            Quad(0, 0, 0),       Quad(128, 0, 0),    Quad(0, 128, 0),   Quad(128, 128, 0),
            Quad(0, 0, 128),     Quad(128, 0, 128),  Quad(0, 128, 128), Quad(192, 192, 192),
            Quad(192, 220, 192), Quad(166, 202, 240)};
        static const TRGBQuad last[10] = {
            Quad(255, 251, 240), Quad(160, 160, 164), Quad(128, 128, 128), Quad(255, 0, 0),
            Quad(0, 255, 0),     Quad(255, 255, 0),   Quad(0, 0, 255),     Quad(255, 0, 255),
            Quad(0, 255, 255),   Quad(255, 255, 255)};
        std::vector<TRGBQuad> t(first, first + 10);
        for (int r = 0; r < 6; ++r)
            for (int g = 0; g < 6; ++g)
                for (int b = 0; b < 6; ++b)
                    t.push_back(Quad(r * 51, g * 51, b * 51));
        for (int i = 0; t.size() < 246; ++i) {
            const int v = 8 + i * 8;
            t.push_back(Quad(v, v, v));
        }
        t.insert(t.end(), last, last + 10);
        return t;
    }
    default:
        return {};
    }
}

TBitmap::TBitmap() : FImage(std::make_shared<TImage>()) {}

TBitmap::TBitmap(int Width, int Height, TPixelFormat Format) : TBitmap() {
    FImage->Format = Normalised(Format);
    if (IsIndexed(FImage->Format))
        FImage->Table = DefaultColorTable(FImage->Format);
    SetSize(Width, Height);
}

TBitmap::~TBitmap() = default;

TBitmap::TBitmap(const TBitmap& Other)
    : Transparent(Other.Transparent), TransparentMode(Other.TransparentMode),
      FillColor(Other.FillColor), FImage(Other.FImage), FTransparentColor(Other.FTransparentColor) {
}

TBitmap& TBitmap::operator=(const TBitmap& Other) {
    if (this != &Other) {
        if (FImage != Other.FImage)
            CheckGeometryUnlocked();
        FImage = Other.FImage;
        Transparent = Other.Transparent;
        TransparentMode = Other.TransparentMode;
        FTransparentColor = Other.FTransparentColor;
        FillColor = Other.FillColor;
    }
    return *this;
}

TBitmap::TBitmap(TBitmap&& Other) noexcept
    : Transparent(Other.Transparent), TransparentMode(Other.TransparentMode),
      FillColor(Other.FillColor), FImage(std::move(Other.FImage)),
      FTransparentColor(Other.FTransparentColor) {
    Other.FImage = std::make_shared<TImage>();
}

TBitmap& TBitmap::operator=(TBitmap&& Other) noexcept {
    if (this != &Other) {
        FImage = std::move(Other.FImage);
        Other.FImage = std::make_shared<TImage>();
        Transparent = Other.Transparent;
        TransparentMode = Other.TransparentMode;
        FTransparentColor = Other.FTransparentColor;
        FillColor = Other.FillColor;
    }
    return *this;
}

int TBitmap::Width() const {
    return FImage->Width;
}
int TBitmap::Height() const {
    return FImage->Height;
}
TPixelFormat TBitmap::PixelFormat() const {
    return FImage->Format;
}
int TBitmap::BytesPerLine() const {
    return FImage->Stride;
}

void TBitmap::Detach() {
    if (FImage.use_count() > 1)
        FImage = std::make_shared<TImage>(*FImage);
}

void TBitmap::SetSizeForOverwrite(int Width, int Height) {
    CheckSize(Width, Height);
    if (Width == 0 || Height == 0)
        Width = Height = 0;
    if (Width == FImage->Width && Height == FImage->Height)
        return;
    CheckGeometryUnlocked();
    auto img = std::make_shared<TImage>();
    img->Format = FImage->Format;
    img->Table = FImage->Table;
    img->Width = Width;
    img->Height = Height;
    img->Stride = BytesPerLineOf(Width, img->Format);
    const size_t bytes = static_cast<size_t>(img->Stride) * static_cast<size_t>(Height);
    ReservePixels(img->Pixels, bytes);
    img->Pixels.resize(bytes);
    // The padding at the end of each row is cleared, so that whole rows compare equal.
    const size_t used = (static_cast<size_t>(Width) * BitsPerPixelOf(img->Format) + 7) / 8;
    if (used < static_cast<size_t>(img->Stride))
        for (int y = 0; y < Height; ++y)
            std::memset(img->Pixels.data() + static_cast<size_t>(y) * img->Stride + used, 0,
                        static_cast<size_t>(img->Stride) - used);
    FImage = std::move(img);
}

void TBitmap::SetSize(int Width, int Height) {
    CheckSize(Width, Height);
    if (Width == 0 || Height == 0)
        Width = Height = 0;
    if (Width == FImage->Width && Height == FImage->Height)
        return;
    CheckGeometryUnlocked();
    auto img = std::make_shared<TImage>();
    img->Format = FImage->Format;
    img->Table = FImage->Table;
    img->Width = Width;
    img->Height = Height;
    img->Stride = BytesPerLineOf(Width, img->Format);
    ReservePixels(img->Pixels, static_cast<size_t>(img->Stride) * static_cast<size_t>(Height));
    // Every byte is written below (each row gets the whole filled row first), so the
    // pixels are not cleared beforehand.
    img->Pixels.resize(static_cast<size_t>(img->Stride) * static_cast<size_t>(Height));
    // Fill the whole new image, then copy back the pixels that still fit.
    if (Width > 0) {
        std::vector<uint8_t> row(static_cast<size_t>(img->Stride), 0);
        for (int x = 0; x < Width; ++x)
            WritePixel(row.data(), x, img->Format, img->Table, FillColor);
        const int keepW = std::min(Width, FImage->Width);
        const int keepH = std::min(Height, FImage->Height);
        const int keepBits = keepW * BitsPerPixelOf(img->Format);
        for (int y = 0; y < Height; ++y) {
            uint8_t* dst = img->Pixels.data() + static_cast<size_t>(y) * img->Stride;
            std::memcpy(dst, row.data(), row.size());
            if (y < keepH && keepW > 0) {
                const uint8_t* src =
                    FImage->Pixels.data() + static_cast<size_t>(y) * FImage->Stride;
                std::memcpy(dst, src, static_cast<size_t>(keepBits / 8));
                for (int x = keepBits / 8 * 8 / BitsPerPixelOf(img->Format); x < keepW; ++x)
                    WritePixel(dst, x, img->Format, img->Table,
                               ReadPixel(src, x, img->Format, img->Table));
            }
        }
    }
    FImage = std::move(img);
}

void TBitmap::SetPixelFormat(TPixelFormat Format) {
    Format = Normalised(Format);
    if (Format == FImage->Format)
        return;
    CheckGeometryUnlocked();
    auto img = std::make_shared<TImage>();
    img->Format = Format;
    img->Width = FImage->Width;
    img->Height = FImage->Height;
    img->Stride = BytesPerLineOf(img->Width, Format);
    img->Table = IsIndexed(Format) ? DefaultColorTable(Format) : std::vector<TRGBQuad>();
    img->Pixels.assign(static_cast<size_t>(img->Stride) * static_cast<size_t>(img->Height), 0);
    if (IsIndexed(Format)) {
        TNearestColorLookup lookup(img->Table);
        for (int y = 0; y < img->Height; ++y) {
            const uint8_t* src = FImage->Pixels.data() + static_cast<size_t>(y) * FImage->Stride;
            uint8_t* dst = img->Pixels.data() + static_cast<size_t>(y) * img->Stride;
            for (int x = 0; x < img->Width; ++x)
                WriteIndex(dst, x, Format,
                           lookup.IndexOf(ReadPixel(src, x, FImage->Format, FImage->Table)));
        }
        FImage = std::move(img);
        return;
    }
    for (int y = 0; y < img->Height; ++y) {
        const uint8_t* src = FImage->Pixels.data() + static_cast<size_t>(y) * FImage->Stride;
        uint8_t* dst = img->Pixels.data() + static_cast<size_t>(y) * img->Stride;
        for (int x = 0; x < img->Width; ++x)
            WritePixel(dst, x, Format, img->Table,
                       ReadPixel(src, x, FImage->Format, FImage->Table));
    }
    FImage = std::move(img);
}

uint8_t* TBitmap::ScanLine(int Row) {
    if (Row < 0 || Row >= FImage->Height)
        throw Exception(QStringLiteral("走査線のインデックスが範囲を超えています (%1)").arg(Row));
    Detach();
    return FImage->Pixels.data() + static_cast<size_t>(Row) * FImage->Stride;
}

const uint8_t* TBitmap::ScanLine(int Row) const {
    if (Row < 0 || Row >= FImage->Height)
        throw Exception(QStringLiteral("走査線のインデックスが範囲を超えています (%1)").arg(Row));
    return FImage->Pixels.data() + static_cast<size_t>(Row) * FImage->Stride;
}

uint8_t* TBitmap::Bits() {
    Detach();
    return FImage->Pixels.data();
}

const uint8_t* TBitmap::Bits() const {
    return FImage->Pixels.data();
}

const std::vector<TRGBQuad>& TBitmap::ColorTable() const {
    return FImage->Table;
}

void TBitmap::SetColorTable(const std::vector<TRGBQuad>& Table) {
    Detach();
    FImage->Table = Table;
}

TColor TBitmap::GetPixel(int X, int Y) const {
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height())
        return clNone;
    return ReadPixel(ScanLine(Y), X, FImage->Format, FImage->Table);
}

void TBitmap::SetPixel(int X, int Y, TColor Color) {
    if (X < 0 || Y < 0 || X >= Width() || Y >= Height())
        return;
    uint8_t* row = ScanLine(Y);
    WritePixel(row, X, FImage->Format, FImage->Table, ColorToRGB(Color));
}

void TBitmap::Fill(TColor Color) {
    if (Empty())
        return;
    Detach();
    Color = ColorToRGB(Color);
    uint8_t* first = FImage->Pixels.data();
    for (int x = 0; x < Width(); ++x)
        WritePixel(first, x, FImage->Format, FImage->Table, Color);
    for (int y = 1; y < Height(); ++y)
        std::memcpy(first + static_cast<size_t>(y) * FImage->Stride, first,
                    static_cast<size_t>(FImage->Stride));
}

QImage TBitmap::View() {
    if (Empty())
        return QImage();
    QImage::Format qf;
    switch (FImage->Format) {
    case pf1bit:
        qf = QImage::Format_Mono;
        break;
    case pf8bit:
        qf = QImage::Format_Indexed8;
        break;
    case pf15bit:
        qf = QImage::Format_RGB555;
        break;
    case pf16bit:
        qf = QImage::Format_RGB16;
        break;
    case pf24bit:
        qf = QImage::Format_BGR888;
        break;
    case pf32bit:
        qf = QImage::Format_RGB32;
        break;
    default:
        return QImage();
    }
    Detach();
    QImage view(FImage->Pixels.data(), Width(), Height(), FImage->Stride, qf);
    if (IsIndexed(FImage->Format)) {
        QList<QRgb> table;
        for (const TRGBQuad& q : FImage->Table)
            table.append(qRgb(q.rgbRed, q.rgbGreen, q.rgbBlue));
        view.setColorTable(table);
    }
    return view;
}

QImage TBitmap::ToQImage() const {
    QImage out(Width(), Height(), QImage::Format_RGB32);
    for (int y = 0; y < Height(); ++y) {
        const uint8_t* src = ScanLine(y);
        QRgb* dst = reinterpret_cast<QRgb*>(out.scanLine(y));
        for (int x = 0; x < Width(); ++x) {
            const TColor c = ReadPixel(src, x, FImage->Format, FImage->Table);
            dst[x] = qRgb(GetRValue(c), GetGValue(c), GetBValue(c));
        }
    }
    return out;
}

TBitmap TBitmap::FromQImage(const QImage& Image, TPixelFormat Format) {
    // 32-bit pixels are B, G, R, A bytes in memory; the alpha byte is dropped here rather than
    // by a converted copy of the whole image.
    const bool bgra =
        Image.format() == QImage::Format_RGB32 || Image.format() == QImage::Format_ARGB32;
    const QImage rgb = bgra ? Image : Image.convertToFormat(QImage::Format_RGB32);
    const int w = rgb.width(), h = rgb.height();
    if (Format == pf24bit) {
        TBitmap bmp;
        bmp.SetSizeForOverwrite(w, h);
        for (int y = 0; y < h; ++y) {
            const uint8_t* s = rgb.constScanLine(y);
            uint8_t* d = bmp.ScanLine(y);
            for (int x = 0; x < w; ++x, s += 4, d += 3) {
                d[0] = s[0];
                d[1] = s[1];
                d[2] = s[2];
            }
            std::memset(d, 0, static_cast<size_t>(bmp.BytesPerLine() - 3 * w)); // row padding
        }
        return bmp;
    }
    TBitmap bmp(w, h, pf32bit);
    for (int y = 0; y < h; ++y)
        std::memcpy(bmp.ScanLine(y), rgb.constScanLine(y), static_cast<size_t>(w) * 4);
    bmp.SetPixelFormat(Format);
    return bmp;
}

TColor TBitmap::GetTransparentColor() const {
    if (TransparentMode == tmFixed)
        return FTransparentColor;
    if (Empty())
        return clDefault;
    // Automatic: the bottom-left pixel.
    return GetPixel(0, Height() - 1);
}

void TBitmap::SetTransparentColor(TColor Color) {
    FTransparentColor = Color;
    TransparentMode = (Color == clDefault) ? tmAuto : tmFixed;
}

TCanvas& TBitmap::Canvas() {
    if (!FCanvas)
        FCanvas = std::make_unique<TCanvas>(this);
    return *FCanvas;
}

void TBitmap::LockGeometry(const QString& Message) {
    if (FGeometryLocks++ == 0)
        FGeometryLockMessage = Message;
}

void TBitmap::UnlockGeometry() {
    if (FGeometryLocks > 0)
        --FGeometryLocks;
}

void TBitmap::CheckGeometryUnlocked() const {
    if (FGeometryLocks > 0)
        throw Exception(FGeometryLockMessage);
}
