#pragma once
// JPEG pictures through libjpeg: the codec and the JPEG graphic.
//
// TSafetyJPEGImage keeps the compressed file and decodes it on demand into a 24-bit bitmap
// at the decode scale (1/1, 1/2, 1/4, 1/8) with the chosen speed and smoothing. Width and
// Height are the image's own size whatever the decode scale: the scale only sets how many
// pixels drawing works from. Changing the decode settings drops the decoded bitmap but is
// not a change of the picture (nothing is announced). A bitmap assigned to it is compressed
// with CompressionQuality when the file form is needed.
//
// Reading checks the header before anything is allocated: sides of 32768 pixels or more,
// more pixels than the compressed data could describe, more than MaxJPEGScans scans, and a
// file without its end marker (cut short) raise EInvalidGraphic; so does damaged data found
// while decoding (when drawing or asking for the bitmap).
//
// TJPEGImage is the same class under the name that stored pictures of the class library's
// JPEG graphic carry.

#include "UGraphic.h"

#include <QByteArray>
#include <optional>

enum TJPEGScale { jsFullSize, jsHalf, jsQuarter, jsEighth };
enum TJPEGPerformance { jpBestQuality, jpBestSpeed };

struct TJPEGDecodeOptions {
    TJPEGScale Scale = jsFullSize;
    // Best quality: accurate integer transform and smooth upsampling of colour; best speed:
    // the fast transform and plain upsampling.
    TJPEGPerformance Performance = jpBestQuality;
    // Block smoothing of progressive images while their data is incomplete.
    bool Smoothing = true;
};

// The most scans a progressive image may have.
constexpr int MaxJPEGScans = 1000;
// Quality the JPEG graphic compresses with unless told otherwise (1..100).
constexpr int DefaultJPEGQuality = 90;

struct TJPEGInfo {
    int Width = 0;
    int Height = 0;
    int Components = 0;
};

// Reads the header of a JPEG file and checks the limits above. Raises EInvalidGraphic.
TJPEGInfo ReadJPEGInfo(const QByteArray& Data);
// Decodes a JPEG file into a 24-bit bitmap (greyscale and CMYK images are converted).
// Raises EInvalidGraphic.
TBitmap DecodeJPEG(const QByteArray& Data, const TJPEGDecodeOptions& Options = {});
// Decodes every scan of a JPEG file (at an eighth of its size, quickly) and raises
// EInvalidGraphic when any of it is damaged beyond what decoding can pass over. The JPEG
// graphic checks its file this way when it is loaded, so that drawing never fails later.
void ValidateJPEG(const QByteArray& Data);
// Compresses Bitmap (any format; converted to 24 bits) at Quality 1..100 (clamped).
// An empty bitmap raises EInvalidGraphic.
QByteArray EncodeJPEG(const TBitmap& Bitmap, int Quality = DefaultJPEGQuality);

class TSafetyJPEGImage : public TGraphic {
    Q_OBJECT
public:
    TSafetyJPEGImage() = default;
    std::unique_ptr<TGraphic> CreateNew() const override;

    bool Empty() const override;
    int Width() const override;
    int Height() const override;

    TJPEGScale Scale() const { return FOptions.Scale; }
    void SetScale(TJPEGScale Value);
    TJPEGPerformance Performance() const { return FOptions.Performance; }
    void SetPerformance(TJPEGPerformance Value);
    bool Smoothing() const { return FOptions.Smoothing; }
    void SetSmoothing(bool Value);
    int CompressionQuality() const { return FQuality; }
    // Clamped to 1..100; takes effect on the next compression.
    void SetCompressionQuality(int Value);

    // The compressed file (compressing an assigned bitmap first).
    const QByteArray& Data() const;
    // Compresses the assigned bitmap now with CompressionQuality (nothing when the file form
    // is already there).
    void Compress();
    // The decoded pixels at the decode scale (decoding now when needed).
    const TBitmap& Bitmap() const;

    // Accepts another JPEG image (shares its data and settings), a TSafetyBitmap (kept as the
    // pixels, compressed when needed), null (empties), and any other graphic that a
    // TSafetyBitmap accepts (drawn into one first).
    void Assign(const TPersistent* Source) override;
    // Stretches the decoded bitmap over Rect with the canvas's CopyMode.
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // The whole rest of the stream is the JPEG file.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) const override;
    TCanvas* PixelCanvas() override;

protected:
    // Gives a TSafetyBitmap the decoded pixels.
    void AssignTo(TPersistent* Dest) const override;

private:
    void DropDecoded();

    mutable QByteArray FData;
    mutable std::optional<TBitmap> FBitmap;
    TJPEGInfo FInfo;
    TJPEGDecodeOptions FOptions;
    int FQuality = DefaultJPEGQuality;
};

class TJPEGImage : public TSafetyJPEGImage {
    Q_OBJECT
public:
    TJPEGImage() = default;
    std::unique_ptr<TGraphic> CreateNew() const override;
};
