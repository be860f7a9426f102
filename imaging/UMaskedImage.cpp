#include "UMaskedImage.h"

#include "UCanvasGuards.h"

#include <array>
#include <cstring>

void TMaskedImage::Assign(const TMaskedImage& Source) {
    MaskStale = Source.MaskStale;
    ImageStale = Source.ImageStale;
    FMask = Source.FMask;
    FImage = Source.FImage;
}

void TMaskedImage::MakeMask(const TBitmap& Source, TBitmap& Mask, TColor Color) {
    const TColor key = Color & 0xFFFFFF;
    const int w = Source.Width(), h = Source.Height();
    Mask = TBitmap(w, h, pf1bit);
    if (Source.Empty())
        return;
    const uint8_t kr = GetRValue(key), kg = GetGValue(key), kb = GetBValue(key);
    // 8 bits: every palette index whose colour is the key.
    std::array<bool, 256> keyIndex{};
    bool anyIndex = false;
    if (Source.PixelFormat() == pf8bit) {
        const auto& table = Source.ColorTable();
        for (size_t i = 0; i < table.size() && i < keyIndex.size(); ++i)
            if (table[i].rgbRed == kr && table[i].rgbGreen == kg && table[i].rgbBlue == kb)
                anyIndex = keyIndex[i] = true;
    }
    for (int y = 0; y < h; ++y) {
        const uint8_t* s = Source.ScanLine(y);
        uint8_t* m = Mask.ScanLine(y);
        std::memset(m, 0, static_cast<size_t>(Mask.BytesPerLine()));
        if (Source.PixelFormat() == pf8bit && !anyIndex)
            continue;
        for (int x = 0; x < w; ++x) {
            bool match;
            switch (Source.PixelFormat()) {
            case pf8bit:
                match = keyIndex[s[x]];
                break;
            case pf24bit:
                match = s[3 * x] == kb && s[3 * x + 1] == kg && s[3 * x + 2] == kr;
                break;
            case pf32bit:
                match = s[4 * x] == kb && s[4 * x + 1] == kg && s[4 * x + 2] == kr;
                break;
            default:
                match = Source.GetPixel(x, y) == key;
                break;
            }
            if (match)
                m[x >> 3] |= static_cast<uint8_t>(0x80 >> (x & 7));
        }
    }
}

void TMaskedImage::UpdateMask(const TBitmap& Bitmap, TColor TransparentColor) {
    if (!MaskStale)
        return;
    TBitmap mask;
    MakeMask(Bitmap, mask, TransparentColor);
    FMask = mask;
    MaskStale = false;
}

void TMaskedImage::Update(const TBitmap& Bitmap, TColor TransparentColor) {
    UpdateMask(Bitmap, TransparentColor);
    if (!ImageStale)
        return;
    TBitmap image = Bitmap;
    image.Transparent = false;
    image.SetPixelFormat(pf24bit);
    if (!image.Empty() && !FMask.Empty()) {
        // White where the mask is 1: the mask's 1 bits become white, its 0 bits black.
        TCanvas& c = image.Canvas();
        c.SetBkColor(clWhite);
        c.SetTextColor(clBlack);
        c.SetCopyMode(SRCPAINT);
        c.SetStretchBltMode(COLORONCOLOR);
        c.StretchDraw(Rect(0, 0, image.Width(), image.Height()), FMask);
    }
    FImage = image;
    ImageStale = false;
}

void TMaskedImage::SetMask(const TBitmap& Mask) {
    FMask = Mask;
    FMask.Transparent = false;
    MaskStale = false;
    ImageStale = true;
}

void TMaskedImage::Draw(TCanvas& Canvas, const TRect& R) const {
    if (FMask.Empty() || FImage.Empty())
        return;
    // The guard puts the copy mode, colours and stretch mode back even when drawing raises.
    const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    Canvas.SetStretchBltMode(COLORONCOLOR);
    Canvas.SetBkColor(clWhite);
    Canvas.SetTextColor(clBlack);
    Canvas.SetCopyMode(MERGEPAINT);
    Canvas.StretchDraw(R, FMask);
    Canvas.SetCopyMode(SRCAND);
    Canvas.StretchDraw(R, FImage);
}
