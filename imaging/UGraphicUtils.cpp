#include "UGraphicUtils.h"

#include "UCanvasGuards.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"
#include "UScaler.h"
#include "UUtils.h"

#include <algorithm>

namespace {

// Unlocks a canvas at the end of a scope.
class TCanvasLock {
public:
    explicit TCanvasLock(TCanvas& Canvas) : FCanvas(Canvas) { FCanvas.Lock(); }
    ~TCanvasLock() { FCanvas.Unlock(); }
    TCanvasLock(const TCanvasLock&) = delete;
    TCanvasLock& operator=(const TCanvasLock&) = delete;

private:
    TCanvas& FCanvas;
};

class TGraphicLock {
public:
    explicit TGraphicLock(TGraphic& Graphic) : FGraphic(Graphic) { LockGraphicCanvas(FGraphic); }
    ~TGraphicLock() { UnlockGraphicCanvas(FGraphic); }
    TGraphicLock(const TGraphicLock&) = delete;
    TGraphicLock& operator=(const TGraphicLock&) = delete;

private:
    TGraphic& FGraphic;
};

// The graphic's pixels in 24 bits: a plain bitmap is converted, anything else drawn on white.
TBitmap Pixels24(const TGraphic& Graphic) {
    const auto* b = dynamic_cast<const TSafetyBitmap*>(&Graphic);
    if (b && !b->Transparent()) {
        TBitmap copy = b->Bitmap();
        copy.SetPixelFormat(pf24bit);
        return copy;
    }
    TBitmap drawn(Graphic.Width(), Graphic.Height(), pf24bit);
    if (!drawn.Empty())
        Graphic.Draw(drawn.Canvas(), Rect(0, 0, drawn.Width(), drawn.Height()));
    return drawn;
}

// Box averaging of Source (24 bits) into Dest (24 bits, its size set). Column sums of one
// destination row's source rows stay below 255 * 32768 in 32 bits; a pixel's sum is 64-bit.
void BoxShrink(const TBitmap& Source, TBitmap& Dest) {
    const int sw = Source.Width(), sh = Source.Height();
    const int dw = Dest.Width(), dh = Dest.Height();
    std::vector<int> x0(size_t(dw) + 1);
    for (int x = 0; x < dw; ++x)
        x0[size_t(x)] = static_cast<int>(int64_t(x) * sw / dw);
    x0[size_t(dw)] = sw;
    std::vector<uint32_t> columns(size_t(sw) * 3);
    for (int y = 0; y < dh; ++y) {
        const int y0 = static_cast<int>(int64_t(y) * sh / dh);
        const int y1 = std::max(y0 + 1, static_cast<int>(int64_t(y + 1) * sh / dh));
        std::fill(columns.begin(), columns.end(), 0u);
        for (int sy = y0; sy < y1; ++sy) {
            const uint8_t* s = Source.ScanLine(sy);
            for (size_t i = 0; i < columns.size(); ++i)
                columns[i] += s[i];
        }
        uint8_t* d = Dest.ScanLine(y);
        for (int x = 0; x < dw; ++x) {
            const int a = x0[size_t(x)];
            const int b = std::max(a + 1, x0[size_t(x) + 1]);
            const uint64_t count = uint64_t(b - a) * uint64_t(y1 - y0);
            for (int c = 0; c < 3; ++c) {
                uint64_t sum = 0;
                for (int sx = a; sx < b; ++sx)
                    sum += columns[size_t(sx) * 3 + size_t(c)];
                d[size_t(x) * 3 + size_t(c)] = static_cast<uint8_t>((sum + count / 2) / count);
            }
        }
    }
}

void PrepareJPEG(TGraphic* Graphic, int Width, int Height, bool Fast) {
    auto* jpeg = dynamic_cast<TSafetyJPEGImage*>(Graphic);
    if (!jpeg || jpeg->Empty())
        return;
    jpeg->SetScale(ChooseJPEGScale(jpeg->Width(), jpeg->Height(), Width, Height));
    jpeg->SetPerformance(Fast ? jpBestSpeed : jpBestQuality);
    jpeg->SetSmoothing(!Fast);
}

} // namespace

void SetPictureTransparent(TPictureEx& Picture, bool Transparent, TColor Color) {
    TGraphic* g = Picture.Graphic();
    if (!g || g->Empty())
        return;
    auto* b = dynamic_cast<TSafetyBitmap*>(g);
    const bool colorChanges = b && Transparent && b->TransparentColor() != Color;
    if (g->Transparent() == Transparent && !colorChanges)
        return;
    auto handler = std::move(g->OnChange);
    g->OnChange = nullptr;
    try {
        if (colorChanges)
            b->SetTransparentColor(Color);
        g->SetTransparent(Transparent);
    } catch (...) {
        g->OnChange = std::move(handler);
        throw;
    }
    g->OnChange = std::move(handler);
}

bool IsPictureEmpty(const TPictureEx* Picture) {
    return !Picture || !Picture->Graphic() || Picture->Graphic()->Empty();
}

void ShrinkGraphicToBitmap(const TGraphic& Graphic, TBitmap& Dest) {
    Dest.SetPixelFormat(pf24bit);
    if (Dest.Empty() || Graphic.Empty())
        return;
    BoxShrink(Pixels24(Graphic), Dest);
}

void LockGraphicCanvas(TGraphic& Graphic) {
    if (TCanvas* c = Graphic.PixelCanvas())
        c->Lock();
}

void UnlockGraphicCanvas(TGraphic& Graphic) {
    if (TCanvas* c = Graphic.PixelCanvas())
        c->Unlock();
}

void LockedStretchDraw(TCanvas& Canvas, const TRect& Rect, TGraphic& Graphic) {
    TCanvasLock canvas(Canvas);
    TGraphicLock graphic(Graphic);
    Graphic.Draw(Canvas, Rect);
}

void LockedDraw(TCanvas& Canvas, int X, int Y, TGraphic& Graphic) {
    LockedStretchDraw(Canvas, Bounds(X, Y, Graphic.Width(), Graphic.Height()), Graphic);
}

void StretchDrawPart(TCanvas& Canvas, const TRect& DestRect, const TBitmap& Bitmap,
                     const TRect& SourceRect) {
    if (Bitmap.Empty() || IsRectEmpty(DestRect) || IsRectEmpty(SourceRect))
        return;
    if (SourceRect == TRect(0, 0, Bitmap.Width(), Bitmap.Height())) {
        Canvas.StretchDraw(DestRect, Bitmap);
        return;
    }
    Canvas.StretchBlt(DestRect.Left, DestRect.Top, DestRect.Width(), DestRect.Height(), Bitmap,
                      SourceRect.Left, SourceRect.Top, SourceRect.Width(), SourceRect.Height(),
                      Canvas.CopyMode());
}

TJPEGScale ChooseJPEGScale(int ImageWidth, int ImageHeight, int Width, int Height) {
    const TRect fitted = FitRectSize(Rect(0, 0, ImageWidth, ImageHeight), Width, Height);
    const int64_t f = std::max(fitted.Width(), fitted.Height());
    const int64_t s = std::max(ImageWidth, ImageHeight);
    if (s > 8 * f)
        return jsEighth;
    if (s > 4 * f)
        return jsQuarter;
    if (s > 2 * f)
        return jsHalf;
    return jsFullSize;
}

void PrepareJPEGForDraw(TGraphic* Graphic, int Width, int Height) {
    PrepareJPEG(Graphic, Width, Height, false);
}

void PrepareJPEGForFastDraw(TGraphic* Graphic, int Width, int Height) {
    PrepareJPEG(Graphic, Width, Height, true);
}

void RenderPictureToBitmap(TPictureEx& Picture, TBitmap& Bitmap, TColor TransparentColor,
                           bool FastJPEG, TColor BackColor) {
    TGraphic* g = Picture.Graphic();
    if (IsPictureEmpty(&Picture) || Bitmap.Empty())
        return;
    if (FastJPEG)
        PrepareJPEGForFastDraw(g, Bitmap.Width(), Bitmap.Height());
    if (!dynamic_cast<TSafetyBitmap*>(g)) {
        LockedStretchDraw(Bitmap.Canvas(), Rect(0, 0, Bitmap.Width(), Bitmap.Height()), *g);
        return;
    }
    if (TransparentColor == clNone) {
        ShrinkGraphicToBitmap(*g, Bitmap);
        return;
    }
    SetPictureTransparent(Picture, TransparentColor != -1, TransparentColor);
    TBitmap back(0, 0, pf24bit);
    // The canvas first: creating it sets the fill colour from its brush.
    back.Canvas().Brush().SetColor(BackColor);
    back.FillColor = ColorToRGB(BackColor);
    back.SetSize(g->Width(), g->Height());
    LockedDraw(back.Canvas(), 0, 0, *g);
    ShrinkGraphicToBitmap(TSafetyBitmap(back), Bitmap);
}

void RenderPictureToJPEG(TPictureEx& Picture, TSafetyJPEGImage& JPEG, int Width, bool FastJPEG,
                         TColor BackColor, TColor TransparentColor, int Height) {
    TBitmap bitmap(Width, Height, pf24bit);
    RenderPictureToBitmap(Picture, bitmap, TransparentColor, FastJPEG, BackColor);
    const TSafetyBitmap graphic(bitmap);
    JPEG.Assign(&graphic);
    JPEG.Compress();
}

std::unique_ptr<TBitmap> CreateOffscreenBitmap(TCanvas& Canvas, const TRect& Rect,
                                               TPixelFormat PixelFormat, int Margin,
                                               bool CopyContents,
                                               const std::vector<TRGBQuad>* Palette) {
    TRect clip = Canvas.ClipRect();
    InflateRect(clip, Margin, Margin);
    TRect r;
    IntersectRect(r, clip, Rect);
    const TRect d = Canvas.LPtoDP(r);

    auto bitmap = std::make_unique<TBitmap>(0, 0, PixelFormat);
    if (Palette)
        bitmap->SetColorTable(*Palette);
    bitmap->SetSize(d.Width(), d.Height());
    if (CopyContents && !bitmap->Empty()) {
        TCanvasSaver saver(Canvas, true);
        TCoordMap::ResetCanvas(Canvas);
        bitmap->Canvas().BitBlt(0, 0, d.Width(), d.Height(), Canvas, d.Left, d.Top, SRCCOPY);
    }
    TCoordMap map;
    map.LoadFromCanvas(Canvas);
    map.SetOrigins(r.Left, r.Top, 0, 0);
    map.ApplyToCanvas(bitmap->Canvas());
    bitmap->Canvas().Font().SetPixelsPerInch(Canvas.Font().PixelsPerInch());
    return bitmap;
}
