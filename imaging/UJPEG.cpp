#include "UJPEG.h"

#include "USafetyBitmap.h"

#include <algorithm>
#include <csetjmp>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <vector>

#include <jerror.h>
#include <jpeglib.h>

// libjpeg reports errors through error_exit, which must not return. It jumps back with
// longjmp into the stage function that armed the jump; those functions hold no objects with
// destructors, and everything they touch lives in the callers, so nothing is skipped. Warnings
// are not printed; running out of data is treated as an error.

namespace {

// Pixels a byte of compressed data may describe at most (Huffman coding needs at least one
// bit per 8x8 block and component even in a progressive DC scan, which allows 512 for a
// greyscale image; twice that is a safe bound), plus a start allowance for small files.
constexpr int64_t PixelsPerByte = 1024;
constexpr int64_t PixelAllowance = 1 << 20;

struct TJpegError {
    jpeg_error_mgr Pub;
    std::jmp_buf Jump;
    char Message[JMSG_LENGTH_MAX];
};

[[noreturn]] void JumpOut(j_common_ptr Info) {
    auto* e = reinterpret_cast<TJpegError*>(Info->err);
    std::longjmp(e->Jump, 1);
}

void OnErrorExit(j_common_ptr Info) {
    auto* e = reinterpret_cast<TJpegError*>(Info->err);
    (*Info->err->format_message)(Info, e->Message);
    JumpOut(Info);
}

void OnEmitMessage(j_common_ptr Info, int Level) {
    if (Level < 0 && Info->err->msg_code == JWRN_JPEG_EOF)
        OnErrorExit(Info);
}

void OnOutputMessage(j_common_ptr) {}

void OnProgress(j_common_ptr Info) {
    if (!Info->is_decompressor)
        return;
    const auto* d = reinterpret_cast<j_decompress_ptr>(Info);
    if (d->input_scan_number > MaxJPEGScans) {
        auto* e = reinterpret_cast<TJpegError*>(Info->err);
        std::snprintf(e->Message, sizeof e->Message, "too many scans");
        JumpOut(Info);
    }
}

void InitError(TJpegError& Err) {
    jpeg_std_error(&Err.Pub);
    Err.Pub.error_exit = OnErrorExit;
    Err.Pub.emit_message = OnEmitMessage;
    Err.Pub.output_message = OnOutputMessage;
    Err.Message[0] = '\0';
}

[[noreturn]] void Fail(const char* Detail) {
    RaiseInvalidGraphic(
        QStringLiteral("JPEG イメージが不正です (%1)").arg(QString::fromLatin1(Detail)));
}

// ---------------------------------------------------------------------------------------
// Decompression

struct TJpegReader {
    jpeg_decompress_struct Info{};
    TJpegError Err{};
    jpeg_progress_mgr Progress{};
    bool Created = false;
    const QByteArray& Data;

    explicit TJpegReader(const QByteArray& Bytes) : Data(Bytes) {
        InitError(Err);
        Info.err = &Err.Pub;
        Progress.progress_monitor = OnProgress;
    }
    ~TJpegReader() {
        if (Created)
            jpeg_destroy_decompress(&Info);
    }
    TJpegReader(const TJpegReader&) = delete;
    TJpegReader& operator=(const TJpegReader&) = delete;
};

bool StageReadHeader(TJpegReader& R) {
    if (setjmp(R.Err.Jump))
        return false;
    jpeg_create_decompress(&R.Info);
    R.Created = true;
    R.Info.progress = &R.Progress;
    jpeg_mem_src(&R.Info, reinterpret_cast<const unsigned char*>(R.Data.constData()),
                 static_cast<unsigned long>(R.Data.size()));
    jpeg_read_header(&R.Info, TRUE);
    return true;
}

bool StageStart(TJpegReader& R) {
    if (setjmp(R.Err.Jump))
        return false;
    jpeg_start_decompress(&R.Info);
    return true;
}

// Reads rows into Rows[0 .. output_height - 1].
bool StageReadRows(TJpegReader& R, unsigned char* const* Rows) {
    if (setjmp(R.Err.Jump))
        return false;
    while (R.Info.output_scanline < R.Info.output_height) {
        JSAMPROW row = Rows[R.Info.output_scanline];
        jpeg_read_scanlines(&R.Info, &row, 1);
    }
    jpeg_finish_decompress(&R.Info);
    return true;
}

void Check(bool Ok, TJpegReader& R) {
    if (!Ok)
        Fail(R.Err.Message);
}

// Header read and limits checked; the source position is at the start of the first scan.
TJPEGInfo OpenReader(TJpegReader& R) {
    if (R.Data.size() < 4)
        Fail("too short");
    Check(StageReadHeader(R), R);
    const int64_t w = R.Info.image_width, h = R.Info.image_height;
    if (w <= 0 || h <= 0 || w > MaxBitmapSide || h > MaxBitmapSide)
        Fail("image size out of range");
    if (w * h > PixelsPerByte * R.Data.size() + PixelAllowance)
        Fail("image size larger than its data");
    return {static_cast<int>(w), static_cast<int>(h), R.Info.num_components};
}

// True when an end-of-image marker follows the start of the first scan (entropy-coded
// data never holds 0xFF 0xD9, so a file without one was cut short).
bool HasEndMarker(const TJpegReader& R) {
    const auto* begin = reinterpret_cast<const unsigned char*>(R.Data.constData());
    const auto* end = begin + R.Data.size();
    const unsigned char* p = R.Info.src->next_input_byte;
    if (p < begin || p > end)
        return false;
    for (; p + 1 < end; ++p)
        if (p[0] == 0xFF && p[1] == 0xD9)
            return true;
    return false;
}

unsigned ScaleDenominator(TJPEGScale Scale) {
    switch (Scale) {
    case jsHalf:
        return 2;
    case jsQuarter:
        return 4;
    case jsEighth:
        return 8;
    default:
        return 1;
    }
}

bool IsCMYK(const jpeg_decompress_struct& Info) {
    return Info.jpeg_color_space == JCS_CMYK || Info.jpeg_color_space == JCS_YCCK;
}

// CMYK rows to B, G, R. Files with an Adobe marker store the inks inverted.
void CMYKToBGR(const unsigned char* Src, uint8_t* Dest, int Width, bool Inverted) {
    for (int x = 0; x < Width; ++x, Src += 4, Dest += 3) {
        int c = Src[0], m = Src[1], y = Src[2], k = Src[3];
        if (!Inverted) {
            c = 255 - c;
            m = 255 - m;
            y = 255 - y;
            k = 255 - k;
        }
        Dest[0] = static_cast<uint8_t>(y * k / 255);
        Dest[1] = static_cast<uint8_t>(m * k / 255);
        Dest[2] = static_cast<uint8_t>(c * k / 255);
    }
}

// ---------------------------------------------------------------------------------------
// Compression

struct TJpegWriter {
    jpeg_compress_struct Info{};
    TJpegError Err{};
    bool Created = false;
    unsigned char* Buffer = nullptr;
    unsigned long Size = 0;

    TJpegWriter() {
        InitError(Err);
        Info.err = &Err.Pub;
    }
    ~TJpegWriter() {
        if (Created)
            jpeg_destroy_compress(&Info);
        std::free(Buffer);
    }
    TJpegWriter(const TJpegWriter&) = delete;
    TJpegWriter& operator=(const TJpegWriter&) = delete;
};

bool StageCompress(TJpegWriter& W, const TBitmap& Bitmap, int Quality) {
    if (setjmp(W.Err.Jump))
        return false;
    jpeg_create_compress(&W.Info);
    W.Created = true;
    jpeg_mem_dest(&W.Info, &W.Buffer, &W.Size);
    W.Info.image_width = static_cast<JDIMENSION>(Bitmap.Width());
    W.Info.image_height = static_cast<JDIMENSION>(Bitmap.Height());
    W.Info.input_components = 3;
    W.Info.in_color_space = JCS_EXT_BGR;
    jpeg_set_defaults(&W.Info);
    jpeg_set_quality(&W.Info, Quality, TRUE);
    jpeg_start_compress(&W.Info, TRUE);
    while (W.Info.next_scanline < W.Info.image_height) {
        JSAMPROW row =
            const_cast<JSAMPROW>(Bitmap.ScanLine(static_cast<int>(W.Info.next_scanline)));
        jpeg_write_scanlines(&W.Info, &row, 1);
    }
    jpeg_finish_compress(&W.Info);
    return true;
}

} // namespace

TJPEGInfo ReadJPEGInfo(const QByteArray& Data) {
    TJpegReader r(Data);
    const TJPEGInfo info = OpenReader(r);
    if (!HasEndMarker(r))
        Fail("data cut short");
    return info;
}

TBitmap DecodeJPEG(const QByteArray& Data, const TJPEGDecodeOptions& Options) {
    TJpegReader r(Data);
    OpenReader(r);
    jpeg_decompress_struct& info = r.Info;
    info.scale_num = 1;
    info.scale_denom = ScaleDenominator(Options.Scale);
    const bool fast = Options.Performance == jpBestSpeed;
    info.dct_method = fast ? JDCT_IFAST : JDCT_ISLOW;
    info.do_fancy_upsampling = fast ? FALSE : TRUE;
    info.do_block_smoothing = Options.Smoothing ? TRUE : FALSE;
    const bool cmyk = IsCMYK(info);
    info.out_color_space = cmyk ? JCS_CMYK : JCS_EXT_BGR;
    Check(StageStart(r), r);

    const int w = static_cast<int>(info.output_width), h = static_cast<int>(info.output_height);
    // Every row is written below (or the decode fails and the bitmap is dropped).
    TBitmap bitmap(0, 0, pf24bit);
    bitmap.SetSizeForOverwrite(w, h);
    std::vector<unsigned char> cmykRows;
    std::vector<unsigned char*> rows(static_cast<size_t>(h));
    if (cmyk) {
        cmykRows.resize(size_t(w) * 4 * size_t(h));
        for (int y = 0; y < h; ++y)
            rows[size_t(y)] = cmykRows.data() + size_t(y) * size_t(w) * 4;
    } else {
        for (int y = 0; y < h; ++y)
            rows[size_t(y)] = bitmap.ScanLine(y);
    }
    Check(StageReadRows(r, rows.data()), r);
    if (cmyk)
        for (int y = 0; y < h; ++y)
            CMYKToBGR(rows[size_t(y)], bitmap.ScanLine(y), w, info.saw_Adobe_marker);
    return bitmap;
}

void ValidateJPEG(const QByteArray& Data) {
    // An eighth-size decode still reads every scan's entropy-coded data (all of it must be
    // decoded to find where the next scan starts) but skips most of the transform.
    TJPEGDecodeOptions options;
    options.Scale = jsEighth;
    options.Performance = jpBestSpeed;
    DecodeJPEG(Data, options);
}

QByteArray EncodeJPEG(const TBitmap& Bitmap, int Quality) {
    if (Bitmap.Empty())
        Fail("empty image");
    TBitmap source = Bitmap;
    source.SetPixelFormat(pf24bit);
    TJpegWriter w;
    if (!StageCompress(w, source, std::clamp(Quality, 1, 100)))
        throw EWriteError(
            QStringLiteral("JPEG 圧縮に失敗しました (%1)").arg(QString::fromLatin1(w.Err.Message)));
    return QByteArray(reinterpret_cast<const char*>(w.Buffer), static_cast<qsizetype>(w.Size));
}

// ---------------------------------------------------------------------------------------
// TSafetyJPEGImage

std::unique_ptr<TGraphic> TSafetyJPEGImage::CreateNew() const {
    return std::make_unique<TSafetyJPEGImage>();
}

bool TSafetyJPEGImage::Empty() const {
    return FData.isEmpty() && (!FBitmap || FBitmap->Empty());
}

int TSafetyJPEGImage::Width() const {
    return Empty() ? 0 : FInfo.Width;
}

int TSafetyJPEGImage::Height() const {
    return Empty() ? 0 : FInfo.Height;
}

void TSafetyJPEGImage::DropDecoded() {
    // Without the file form the bitmap is the picture itself and stays.
    if (!FData.isEmpty())
        FBitmap.reset();
}

void TSafetyJPEGImage::SetScale(TJPEGScale Value) {
    if (FOptions.Scale == Value)
        return;
    FOptions.Scale = Value;
    DropDecoded();
}

void TSafetyJPEGImage::SetPerformance(TJPEGPerformance Value) {
    if (FOptions.Performance == Value)
        return;
    FOptions.Performance = Value;
    DropDecoded();
}

void TSafetyJPEGImage::SetSmoothing(bool Value) {
    if (FOptions.Smoothing == Value)
        return;
    FOptions.Smoothing = Value;
    DropDecoded();
}

void TSafetyJPEGImage::SetCompressionQuality(int Value) {
    FQuality = std::clamp(Value, 1, 100);
}

const QByteArray& TSafetyJPEGImage::Data() const {
    if (FData.isEmpty() && FBitmap && !FBitmap->Empty())
        FData = EncodeJPEG(*FBitmap, FQuality);
    return FData;
}

void TSafetyJPEGImage::Compress() {
    Data();
}

const TBitmap& TSafetyJPEGImage::Bitmap() const {
    if (!FBitmap)
        FBitmap = FData.isEmpty() ? TBitmap() : DecodeJPEG(FData, FOptions);
    return *FBitmap;
}

void TSafetyJPEGImage::Assign(const TPersistent* Source) {
    if (Source == this)
        return;
    if (const auto* j = dynamic_cast<const TSafetyJPEGImage*>(Source)) {
        FData = j->FData;
        FBitmap = j->FBitmap;
        FInfo = j->FInfo;
        FOptions = j->FOptions;
        FQuality = j->FQuality;
        Changed();
        return;
    }
    if (const auto* b = dynamic_cast<const TSafetyBitmap*>(Source)) {
        TBitmap pixels = b->Bitmap();
        pixels.Transparent = false;
        pixels.SetPixelFormat(pf24bit);
        FData.clear();
        FInfo = {pixels.Width(), pixels.Height(), 3};
        FBitmap = std::move(pixels);
        Changed();
        return;
    }
    if (!Source) {
        FData.clear();
        FBitmap.reset();
        FInfo = {};
        Changed();
        return;
    }
    if (dynamic_cast<const TGraphic*>(Source)) {
        TSafetyBitmap drawn;
        drawn.Assign(Source);
        Assign(&drawn);
        return;
    }
    TGraphic::Assign(Source);
}

void TSafetyJPEGImage::AssignTo(TPersistent* Dest) const {
    if (auto* b = dynamic_cast<TSafetyBitmap*>(Dest)) {
        b->SetBitmap(Bitmap());
        return;
    }
    TGraphic::AssignTo(Dest);
}

void TSafetyJPEGImage::Draw(TCanvas& Canvas, const TRect& Rect) const {
    if (Empty())
        return;
    Canvas.StretchDraw(Rect, Bitmap());
}

void TSafetyJPEGImage::LoadFromStream(TStream& Stream) {
    QByteArray data = Stream.ReadBytes(Stream.Remaining());
    const TJPEGInfo info = ReadJPEGInfo(data);
    ValidateJPEG(data);
    FData = std::move(data);
    FInfo = info;
    FBitmap.reset();
    Changed();
}

void TSafetyJPEGImage::SaveToStream(TStream& Stream) const {
    Stream.WriteBytes(Data());
}

TCanvas* TSafetyJPEGImage::PixelCanvas() {
    if (Empty())
        return nullptr;
    Bitmap();
    return &FBitmap->Canvas();
}

std::unique_ptr<TGraphic> TJPEGImage::CreateNew() const {
    return std::make_unique<TJPEGImage>();
}
