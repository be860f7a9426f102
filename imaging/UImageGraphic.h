#pragma once
// TImageGraphic: the base of graphics whose pixels may be partly transparent (PNG, GIF,
// icons). It keeps the file as read, so that saving gives back the same bytes, and the
// decoded pixels once: a picture with transparent pixels as a QImage in Format_ARGB32 (not
// premultiplied: colours stay exact where alpha is low; drawing premultiplies), a fully
// opaque one as the 24-bit bitmap it is drawn from. A photo then takes three bytes a pixel,
// not seven, which is what bounds the memory of a page of photos being printed.
//
// Drawing blends the pixels over the canvas's target bitmap (24 or 32 bits) within its clip
// region, sampling the nearest pixel; with Transparent cleared, or on other targets, the
// pixels are first put on white and drawn as a bitmap with the canvas's CopyMode.

#include "UGraphic.h"

#include <QImage>
#include <optional>

class TImageGraphic : public TGraphic {
    Q_OBJECT
public:
    bool Empty() const override { return FSize.isEmpty(); }
    int Width() const override { return FSize.width(); }
    int Height() const override { return FSize.height(); }

    // The decoded pixels in Format_ARGB32 (null when empty). An opaque picture makes them
    // from its bitmap on each call.
    QImage Image() const;
    // Takes Image's pixels as the picture (encoded when the file form is needed);
    // Transparent follows whether any pixel is not opaque. One change.
    void SetImage(const QImage& Image);
    // The file form (encoding pixels that were set first). An empty graphic answers an empty
    // array.
    const QByteArray& Data() const;
    // The pixels put on white, 24 bits (shared with the graphic's own for opaque pictures).
    TBitmap ToBitmap() const;

    // Accepts a graphic of the same class (shares its file and pixels), null (empties), and,
    // for classes that can encode, a TSafetyBitmap or any graphic a TSafetyBitmap accepts.
    void Assign(const TPersistent* Source) override;
    void Draw(TCanvas& Canvas, const TRect& Rect) const override;
    // The rest of the stream is the file; it is decoded at once.
    void LoadFromStream(TStream& Stream) override;
    void SaveToStream(TStream& Stream) const override;

protected:
    // Decodes a file; raises EInvalidGraphic.
    virtual QImage Decode(const QByteArray& Data) const = 0;
    // Encodes pixels into the file form; the base raises EInvalidGraphic (read-only format).
    virtual QByteArray Encode(const QImage& Image) const;
    virtual bool CanEncode() const { return false; }
    // Gives a TSafetyBitmap the pixels put on white.
    void AssignTo(TPersistent* Dest) const override;

private:
    void Clear();
    // Keeps Image's pixels in the form they need (see the class comment) and sets
    // Transparent; the file form is left as it is.
    void StorePixels(const QImage& Image);

    QSize FSize;
    // Pixels of a picture with transparent pixels (null for an opaque one).
    QImage FImage;
    mutable QByteArray FData;
    // The pixels put on white: an opaque picture's own pixels, or made on first use when a
    // transparent picture is drawn as a bitmap.
    mutable std::optional<TBitmap> FOpaque;
};

// True when any pixel of an image with alpha is not fully opaque.
bool HasTransparentPixels(const QImage& Image);
// Blends Image over the canvas's target within Rect (logical units) and the clip region;
// answers false, drawing nothing, when the target is not a 24- or 32-bit bitmap.
bool BlendImageOnCanvas(TCanvas& Canvas, const TRect& Rect, const QImage& Image);
