#pragma once
// Device-independent bitmaps: the BMP file codec and the nearest-sample stretch.
//
// Reading accepts the 12-byte core header and the 40-, 52-, 56-, 64-, 108- and 124-byte
// info headers; 1-, 4-, 8-, 16-, 24- and 32-bit pixels; BI_RGB, BI_RLE8, BI_RLE4 and
// BI_BITFIELDS (masks after a 40-byte header or inside a longer one); bottom-up and top-down
// rows; and the file's bits offset (bfOffBits, when not 0). Every size is checked against
// the bytes present before anything is allocated: images of 32768 pixels or more a side,
// colour tables larger than the pixel size allows, RLE runs outside the image and files that
// end early are refused with EInvalidGraphic ("ビットマップイメージが不正です").
// Writing produces a BMP file with a 40-byte header and bottom-up rows.

#include "UBitmap.h"
#include "UCanvas.h"
#include "UStreams.h"

#include <array>
#include <cstdint>
#include <memory>
#include <vector>

constexpr uint32_t BI_RGB = 0;
constexpr uint32_t BI_RLE8 = 1;
constexpr uint32_t BI_RLE4 = 2;
constexpr uint32_t BI_BITFIELDS = 3;

// The 40-byte header every DIB is held with (core headers are converted on reading).
struct TBitmapInfoHeader {
    uint32_t biSize = 40;
    int32_t biWidth = 0;
    int32_t biHeight = 0; // negative: rows top-down
    uint16_t biPlanes = 1;
    uint16_t biBitCount = 24;
    uint32_t biCompression = BI_RGB;
    uint32_t biSizeImage = 0;
    int32_t biXPelsPerMeter = 0;
    int32_t biYPelsPerMeter = 0;
    uint32_t biClrUsed = 0;
    uint32_t biClrImportant = 0;
};

// Header arithmetic (64-bit; for headers held here, biSize is 40).
int BitCountToColorCount(int Bits);                   // 1 -> 2, 4 -> 16, 8 -> 256, else 0
int GetDIBColorCount(const TBitmapInfoHeader& H);     // biClrUsed, or by bit count
int64_t GetDIBInfoSize(const TBitmapInfoHeader& H);   // header + masks or colour table
int64_t GetDIBImageSize(const TBitmapInfoHeader& H);  // biSizeImage when compressed
int64_t GetDIBBitsOffset(const TBitmapInfoHeader& H); // 14 + info size

// The header and colour table (or bit-field masks) of a DIB.
struct TBMPInfo {
    TBitmapInfoHeader Header;
    std::vector<TRGBQuad> ColorTable;
    std::array<uint32_t, 3> Masks{}; // red, green, blue for BI_BITFIELDS
};

// The pixels of a DIB, shared between DIBs that were assigned from one another.
class TBitsHolder {
public:
    explicit TBitsHolder(TBitmap Bitmap) : FBitmap(std::move(Bitmap)) {}
    const TBitmap& Bitmap() const { return FBitmap; }

private:
    const TBitmap FBitmap;
};

class TDIB {
public:
    TDIB() = default;

    bool Empty() const { return !FBits; }
    int Width() const { return FInfo.Header.biWidth; }
    int Height() const {
        return FInfo.Header.biHeight < 0 ? -FInfo.Header.biHeight : FInfo.Header.biHeight;
    }
    const TBMPInfo& Info() const { return FInfo; }

    // Copies the header and shares the pixels.
    void Assign(const TDIB& Source);
    // Takes Bitmap's pixels (shared until either side changes). Every bitmap here is a DIB,
    // so this always succeeds.
    bool AssignBitmap(const TBitmap& Bitmap);
    // Reads one BMP file at the stream's position and leaves the position right after it
    // (after its bits), or a compressed container ("ZLIBCompress", UCompress.h) holding one,
    // leaving the position after the container. Raises EInvalidGraphic (also for damaged
    // compressed data); the DIB is unchanged then.
    void LoadFromStream(TStream& Stream);
    // Writes a BMP file.
    void SaveToStream(TStream& Stream) const;
    // Gives Bitmap the pixels (shared); an empty DIB empties it.
    void AssignTo(TBitmap& Bitmap) const;

    // Draws SourceRect (pixels) into DestRect (logical units of Canvas).
    void DrawTo(TCanvas& Canvas, const TRect& DestRect, const TRect& SourceRect) const;
    // Device coordinates (the canvas in MM_TEXT): equal sizes blit, other sizes use the
    // nearest-sample stretch (a printer canvas stretches in one blit).
    void Draw(TCanvas& Canvas, const TRect& D, const TRect& S) const;
    // One stretch blit with the canvas's CopyMode; answers true (nothing to draw included).
    bool StretchTo(TCanvas& Canvas, const TRect& D, const TRect& S) const;

private:
    void LoadPlain(TStream& Stream);
    TBMPInfo FInfo;
    std::shared_ptr<const TBitsHolder> FBits;
};

// Decodes one BMP file from Data (the bytes of a file, or of several back to back); answers
// the pixels and stores in Info the header as read and in Length the bytes the file takes.
TBitmap DecodeBMP(const uint8_t* Data, size_t Size, TBMPInfo& Info, size_t& Length);
// Encodes Bitmap as a BMP file.
QByteArray EncodeBMP(const TBitmap& Bitmap);

// Draws rectangle S of Bitmap stretched over D (device coordinates) by sampling the nearest
// source pixel (BuildSampleMap), only within the canvas's clip box: the visible part is
// sampled into a bitmap of its own size, which is then drawn with the canvas's CopyMode.
void SampledStretchDraw(TCanvas& Canvas, const TBitmap& Bitmap, const TRect& D, const TRect& S);
