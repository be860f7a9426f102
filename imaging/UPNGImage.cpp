#include "UPNGImage.h"

#include <QtEndian>
#include <csetjmp>
#include <cstring>
#include <vector>

#include <png.h>

// libpng reports errors through the error callback, which jumps back with png_longjmp into
// the stage function that armed png_jmpbuf; those functions hold no objects with
// destructors, so nothing is skipped.

static_assert(Q_BYTE_ORDER == Q_LITTLE_ENDIAN, "ARGB32 pixels are read as B, G, R, A bytes");

namespace {

// The largest ratio deflate reaches between inflated and compressed bytes, and an allowance
// for small files.
constexpr int64_t MaxInflateRatio = 1032;
constexpr int64_t InflateAllowance = 1 << 16;
constexpr uint8_t Signature[8] = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

[[noreturn]] void Fail(const QString& Detail) {
    RaiseInvalidGraphic(QStringLiteral("PNG イメージが不正です (%1)").arg(Detail));
}

struct TPngReader {
    png_structp Png = nullptr;
    png_infop Info = nullptr;
    const QByteArray& Data;
    size_t Position = 0;
    char Message[200] = {};

    explicit TPngReader(const QByteArray& Bytes) : Data(Bytes) {}
    ~TPngReader() {
        if (Png)
            png_destroy_read_struct(&Png, Info ? &Info : nullptr, nullptr);
    }
    TPngReader(const TPngReader&) = delete;
    TPngReader& operator=(const TPngReader&) = delete;
};

void OnError(png_structp Png, png_const_charp Message) {
    auto* r = static_cast<TPngReader*>(png_get_error_ptr(Png));
    std::strncpy(r->Message, Message ? Message : "error", sizeof r->Message - 1);
    png_longjmp(Png, 1);
}

void OnWarning(png_structp, png_const_charp) {}

void OnRead(png_structp Png, png_bytep Buffer, size_t Count) {
    auto* r = static_cast<TPngReader*>(png_get_io_ptr(Png));
    if (Count > size_t(r->Data.size()) - r->Position)
        png_error(Png, "data cut short");
    std::memcpy(Buffer, r->Data.constData() + r->Position, Count);
    r->Position += Count;
}

bool StageReadInfo(TPngReader& R) {
    if (setjmp(png_jmpbuf(R.Png)))
        return false;
    png_set_read_fn(R.Png, &R, OnRead);
    // libpng's own limit would answer "Invalid IHDR data"; ours is checked after the header
    // with a message that says what is wrong.
    png_set_user_limits(R.Png, PNG_UINT_31_MAX, PNG_UINT_31_MAX);
    png_read_info(R.Png, R.Info);
    return true;
}

// Sets the transforms to 8-bit B, G, R, A and answers the row size they give.
bool StageTransforms(TPngReader& R, size_t& RowBytes) {
    if (setjmp(png_jmpbuf(R.Png)))
        return false;
    const int colorType = png_get_color_type(R.Png, R.Info);
    const bool hasTrns = png_get_valid(R.Png, R.Info, PNG_INFO_tRNS) != 0;
    png_set_expand(R.Png);
    png_set_scale_16(R.Png);
    if (!(colorType & PNG_COLOR_MASK_COLOR))
        png_set_gray_to_rgb(R.Png);
    png_set_bgr(R.Png);
    if (!(colorType & PNG_COLOR_MASK_ALPHA) && !hasTrns)
        png_set_filler(R.Png, 0xFF, PNG_FILLER_AFTER);
    png_set_interlace_handling(R.Png);
    png_read_update_info(R.Png, R.Info);
    RowBytes = png_get_rowbytes(R.Png, R.Info);
    return true;
}

bool StageReadImage(TPngReader& R, png_bytep* Rows) {
    if (setjmp(png_jmpbuf(R.Png)))
        return false;
    png_read_image(R.Png, Rows);
    png_read_end(R.Png, nullptr);
    return true;
}

uint32_t BigEndian32(const QByteArray& B, qsizetype At) {
    return qFromBigEndian<quint32>(B.constData() + At);
}

} // namespace

QImage DecodePNG(const QByteArray& Data) {
    if (Data.size() < 8 || std::memcmp(Data.constData(), Signature, 8) != 0)
        Fail(QStringLiteral("no PNG signature"));
    TPngReader r(Data);
    r.Png = png_create_read_struct(PNG_LIBPNG_VER_STRING, &r, OnError, OnWarning);
    if (!r.Png || !(r.Info = png_create_info_struct(r.Png)))
        throw std::bad_alloc();
    if (!StageReadInfo(r))
        Fail(QString::fromLatin1(r.Message));

    const int64_t w = png_get_image_width(r.Png, r.Info);
    const int64_t h = png_get_image_height(r.Png, r.Info);
    const int64_t bits =
        int64_t(png_get_bit_depth(r.Png, r.Info)) * png_get_channels(r.Png, r.Info);
    if (w <= 0 || h <= 0 || w > MaxBitmapSide || h > MaxBitmapSide)
        Fail(QStringLiteral("大きさ %1 x %2 は上限 %3 x %3 を超えています")
                 .arg(w)
                 .arg(h)
                 .arg(MaxBitmapSide));
    if (h * (1 + (w * bits + 7) / 8) > MaxInflateRatio * Data.size() + InflateAllowance)
        Fail(QStringLiteral("image size larger than its data"));

    size_t rowBytes = 0;
    if (!StageTransforms(r, rowBytes))
        Fail(QString::fromLatin1(r.Message));
    if (rowBytes != size_t(w) * 4)
        Fail(QStringLiteral("unexpected row layout"));
    QImage image(static_cast<int>(w), static_cast<int>(h), QImage::Format_ARGB32);
    if (image.isNull())
        throw std::bad_alloc();
    std::vector<png_bytep> rows(static_cast<size_t>(h));
    for (int y = 0; y < h; ++y)
        rows[size_t(y)] = image.scanLine(y);
    if (!StageReadImage(r, rows.data()))
        Fail(QString::fromLatin1(r.Message));
    return image;
}

QByteArray EncodePNG(const QImage& Image) {
    if (Image.isNull())
        Fail(QStringLiteral("empty image"));
    const bool alpha = HasTransparentPixels(Image);
    const QImage pixels =
        Image.convertToFormat(alpha ? QImage::Format_ARGB32 : QImage::Format_BGR888);
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    image.width = static_cast<png_uint_32>(pixels.width());
    image.height = static_cast<png_uint_32>(pixels.height());
    image.format = alpha ? PNG_FORMAT_BGRA : PNG_FORMAT_BGR;
    const auto stride = static_cast<png_int_32>(pixels.bytesPerLine());
    png_alloc_size_t size = 0;
    QByteArray out;
    if (png_image_write_to_memory(&image, nullptr, &size, 0, pixels.constBits(), stride, nullptr)) {
        out.resize(static_cast<qsizetype>(size));
        if (!png_image_write_to_memory(&image, out.data(), &size, 0, pixels.constBits(), stride,
                                       nullptr))
            out.clear();
        out.resize(static_cast<qsizetype>(size));
    }
    const QString message = QString::fromLatin1(image.message);
    png_image_free(&image);
    if (out.isEmpty())
        throw EWriteError(QStringLiteral("PNG の書き込みに失敗しました (%1)").arg(message));
    return out;
}

std::unique_ptr<TGraphic> TPNGImage::CreateNew() const {
    return std::make_unique<TPNGImage>();
}

void TPNGImage::ReadData(TStream& Stream) {
    const int64_t start = Stream.GetPosition();
    QByteArray head = Stream.Remaining() >= 8 ? Stream.ReadBytes(8) : QByteArray();
    Stream.SetPosition(start);
    if (head.size() != 8 || std::memcmp(head.constData(), Signature, 8) != 0) {
        TImageGraphic::ReadData(Stream);
        return;
    }
    // The file without a count: its chunks up to IEND.
    Stream.Seek(8, soCurrent);
    for (;;) {
        if (Stream.Remaining() < 12)
            Fail(QStringLiteral("data cut short"));
        const QByteArray chunk = Stream.ReadBytes(8);
        const uint32_t length = BigEndian32(chunk, 0);
        if (length > uint32_t(INT32_MAX) || int64_t(length) + 4 > Stream.Remaining())
            Fail(QStringLiteral("data cut short"));
        Stream.Seek(int64_t(length) + 4, soCurrent);
        if (chunk.mid(4, 4) == "IEND")
            break;
    }
    const int64_t end = Stream.GetPosition();
    Stream.SetPosition(start);
    TMemoryStream file(Stream.ReadBytes(end - start));
    LoadFromStream(file);
}
