#include "UGIFImage.h"

#include <algorithm>
#include <cstring>
#include <vector>

#include <gif_lib.h>

namespace {

// An LZW code of at most 12 bits stands for at most 4096 pixels; with an allowance for
// small files this bounds what a file of a given size can describe.
constexpr int64_t PixelsPerByte = 2731;
constexpr int64_t PixelAllowance = 1 << 20;

[[noreturn]] void Fail(const QString& Detail) {
    RaiseInvalidGraphic(QStringLiteral("GIF イメージが不正です (%1)").arg(Detail));
}

[[noreturn]] void FailCode(int Code) {
    const char* text = GifErrorString(Code);
    Fail(text ? QString::fromLatin1(text) : QStringLiteral("error %1").arg(Code));
}

struct TSource {
    const QByteArray& Data;
    qsizetype Position = 0;
};

int ReadBytes(GifFileType* Gif, GifByteType* Buffer, int Count) {
    auto* s = static_cast<TSource*>(Gif->UserData);
    const qsizetype n = std::min<qsizetype>(Count, s->Data.size() - s->Position);
    if (n <= 0)
        return 0;
    std::memcpy(Buffer, s->Data.constData() + s->Position, size_t(n));
    s->Position += n;
    return static_cast<int>(n);
}

struct TGifCloser {
    void operator()(GifFileType* Gif) const {
        int error = 0;
        DGifCloseFile(Gif, &error);
    }
};
using TGifFile = std::unique_ptr<GifFileType, TGifCloser>;

// Reads the extension blocks of one extension record; answers the transparent index of a
// graphics control extension, or Transparent unchanged.
int ReadExtension(GifFileType* Gif, int Transparent) {
    int code = 0;
    GifByteType* block = nullptr;
    if (DGifGetExtension(Gif, &code, &block) == GIF_ERROR)
        FailCode(Gif->Error);
    if (code == GRAPHICS_EXT_FUNC_CODE && block && block[0] >= 4) {
        GraphicsControlBlock gcb{};
        if (DGifExtensionToGCB(block[0], block + 1, &gcb) == GIF_OK)
            Transparent = gcb.TransparentColor;
    }
    while (block) {
        if (DGifGetExtensionNext(Gif, &block) == GIF_ERROR)
            FailCode(Gif->Error);
    }
    return Transparent;
}

void CheckPlausible(int64_t Width, int64_t Height, qsizetype DataSize) {
    if (Width <= 0 || Height <= 0 || Width > MaxBitmapSide || Height > MaxBitmapSide)
        Fail(QStringLiteral("image size out of range"));
    if (Width * Height > PixelsPerByte * DataSize + PixelAllowance)
        Fail(QStringLiteral("image size larger than its data"));
}

// The rows of the frame in the order they are stored.
std::vector<int> RowOrder(int Height, bool Interlaced) {
    std::vector<int> order;
    order.reserve(size_t(Height));
    if (!Interlaced) {
        for (int y = 0; y < Height; ++y)
            order.push_back(y);
        return order;
    }
    static constexpr int Start[] = {0, 4, 2, 1};
    static constexpr int Step[] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass)
        for (int y = Start[pass]; y < Height; y += Step[pass])
            order.push_back(y);
    return order;
}

QImage DecodeFrame(GifFileType* Gif, int Transparent, qsizetype DataSize) {
    if (DGifGetImageDesc(Gif) == GIF_ERROR)
        FailCode(Gif->Error);
    const GifImageDesc& d = Gif->Image;
    CheckPlausible(d.Width, d.Height, DataSize);
    const int64_t right = int64_t(d.Left) + d.Width, bottom = int64_t(d.Top) + d.Height;
    const int64_t cw = std::max<int64_t>(Gif->SWidth, right);
    const int64_t ch = std::max<int64_t>(Gif->SHeight, bottom);
    CheckPlausible(cw, ch, DataSize);
    const ColorMapObject* map = d.ColorMap ? d.ColorMap : Gif->SColorMap;
    if (!map || !map->Colors || map->ColorCount <= 0)
        Fail(QStringLiteral("no colour table"));

    std::vector<QRgb> palette(256, qRgb(0, 0, 0));
    for (int i = 0; i < std::min(map->ColorCount, 256); ++i)
        palette[size_t(i)] = qRgb(map->Colors[i].Red, map->Colors[i].Green, map->Colors[i].Blue);
    if (Transparent >= 0 && Transparent < 256)
        palette[size_t(Transparent)] = 0;

    QImage image(static_cast<int>(cw), static_cast<int>(ch), QImage::Format_ARGB32_Premultiplied);
    if (image.isNull())
        throw std::bad_alloc();
    image.fill(Qt::transparent);
    std::vector<GifPixelType> line(size_t(d.Width));
    for (const int y : RowOrder(d.Height, d.Interlace)) {
        if (DGifGetLine(Gif, line.data(), d.Width) == GIF_ERROR)
            FailCode(Gif->Error);
        auto* row = reinterpret_cast<QRgb*>(image.scanLine(d.Top + y)) + d.Left;
        for (int x = 0; x < d.Width; ++x)
            row[x] = palette[line[size_t(x)]];
    }
    return image;
}

} // namespace

QImage DecodeGIF(const QByteArray& Data) {
    TSource source{Data};
    int error = 0;
    TGifFile gif(DGifOpen(&source, ReadBytes, &error));
    if (!gif)
        FailCode(error);
    int transparent = NO_TRANSPARENT_COLOR;
    for (;;) {
        GifRecordType type = UNDEFINED_RECORD_TYPE;
        if (DGifGetRecordType(gif.get(), &type) == GIF_ERROR)
            FailCode(gif->Error);
        switch (type) {
        case EXTENSION_RECORD_TYPE:
            transparent = ReadExtension(gif.get(), transparent);
            break;
        case IMAGE_DESC_RECORD_TYPE:
            return DecodeFrame(gif.get(), transparent, Data.size());
        default:
            Fail(QStringLiteral("no image"));
        }
    }
}

std::unique_ptr<TGraphic> TGIFImage::CreateNew() const {
    return std::make_unique<TGIFImage>();
}
