#pragma once
// GIF pictures through giflib, read only: the first frame on the logical screen, its
// transparent colour index giving transparent pixels (as does the screen outside the
// frame). Before anything is allocated it refuses screens or frames of 32768 pixels or more
// a side and pictures larger than their compressed data could describe; damaged or cut-short
// data raises EInvalidGraphic. The file is kept as read, so stored pictures keep it.

#include "UImageGraphic.h"

// Decodes the first frame of a GIF file into Format_ARGB32_Premultiplied. Raises
// EInvalidGraphic.
QImage DecodeGIF(const QByteArray& Data);

class TGIFImage : public TImageGraphic {
    Q_OBJECT
public:
    TGIFImage() = default;
    std::unique_ptr<TGraphic> CreateNew() const override;

protected:
    QImage Decode(const QByteArray& Data) const override { return DecodeGIF(Data); }
};
