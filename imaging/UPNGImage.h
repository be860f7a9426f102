#pragma once
// PNG pictures through libpng: the codec and the PNG graphic.
//
// Reading takes every colour type and bit depth (palettes, greyscale, 16 bits scaled to 8,
// transparency chunks, interlacing) as the stored sample values, without gamma conversion.
// Before anything is allocated it refuses sides of 32768 pixels or more and pictures larger
// than their compressed data could hold; damaged, cut-short or checksum-failing data raises
// EInvalidGraphic. Writing produces an 8-bit RGB or RGBA file.
//
// Inside picture data the PNG graphic writes a 32-bit count and the file; it also reads the
// file without a count (as other writers store it), finding its end at the IEND chunk.

#include "UImageGraphic.h"

// Decodes a PNG file into Format_ARGB32_Premultiplied. Raises EInvalidGraphic.
QImage DecodePNG(const QByteArray& Data);
// Encodes Image as PNG (RGBA when it has transparent pixels, else RGB).
QByteArray EncodePNG(const QImage& Image);

class TPNGImage : public TImageGraphic {
    Q_OBJECT
public:
    TPNGImage() = default;
    std::unique_ptr<TGraphic> CreateNew() const override;
    void ReadData(TStream& Stream) override;

protected:
    QImage Decode(const QByteArray& Data) const override { return DecodePNG(Data); }
    QByteArray Encode(const QImage& Image) const override { return EncodePNG(Image); }
    bool CanEncode() const override { return true; }
};
