#pragma once
// Guards that put a canvas back the way it was when they go out of scope, and the wrapper
// that reaches the bitmap a canvas draws on. Guards are move-only; each restores exactly
// once (on destruction, or earlier through Release).

#include "UCanvas.h"

#include <optional>

// Copies CopyMode, Font, Pen and Brush from Source to Dest.
void CopyCanvasTools(TCanvas& Dest, const TCanvas& Source);

// Restores CopyMode, Font (its PixelsPerInch with it), Pen and Brush, and with SaveDCToo
// also the device state (mapping, colours, modes, clip) saved by SaveDC.
class TCanvasSaver {
public:
    TCanvasSaver(TCanvas& Canvas, bool SaveDCToo);
    ~TCanvasSaver() { Release(); }
    TCanvasSaver(TCanvasSaver&& Other) noexcept;
    TCanvasSaver& operator=(TCanvasSaver&&) = delete;
    TCanvasSaver(const TCanvasSaver&) = delete;
    TCanvasSaver& operator=(const TCanvasSaver&) = delete;
    void Release();

private:
    TCanvas* FCanvas;
    uint32_t FCopyMode;
    TPenData FPen;
    TBrushData FBrush;
    TFontData FFont;
    int FSavedIndex = 0;
};

// Restores the clip region (or its absence).
class TClipSaver {
public:
    explicit TClipSaver(TCanvas& Canvas);
    ~TClipSaver() { Release(); }
    TClipSaver(TClipSaver&& Other) noexcept;
    TClipSaver& operator=(TClipSaver&&) = delete;
    TClipSaver(const TClipSaver&) = delete;
    TClipSaver& operator=(const TClipSaver&) = delete;
    void Release();

private:
    TCanvas* FCanvas;
    std::optional<TRegion> FClip;
};

// While a protector lives no bitmap canvas loses its device behind the caller's back. Our
// canvases never give up their bitmaps on their own, so the protector holds nothing; it is
// kept so that callers state where they rely on this.
class TBitmapCanvasProtector {
public:
    TBitmapCanvasProtector() = default;
    TBitmapCanvasProtector(TBitmapCanvasProtector&&) noexcept = default;
    TBitmapCanvasProtector& operator=(TBitmapCanvasProtector&&) noexcept = default;
};

// Puts back the OnChange handlers of the canvas's Font, Brush and Pen. The canvas itself
// reads its tools whenever it draws, so a foreign handler installed meanwhile never stops it
// from seeing tool changes; this guard only restores the handlers.
class TCanvasEventAdjuster {
public:
    explicit TCanvasEventAdjuster(TCanvas& Canvas);
    ~TCanvasEventAdjuster() { Release(); }
    TCanvasEventAdjuster(TCanvasEventAdjuster&& Other) noexcept;
    TCanvasEventAdjuster& operator=(TCanvasEventAdjuster&&) = delete;
    TCanvasEventAdjuster(const TCanvasEventAdjuster&) = delete;
    TCanvasEventAdjuster& operator=(const TCanvasEventAdjuster&) = delete;
    void Release();

private:
    TCanvas* FCanvas;
    std::function<void()> FFont, FBrush, FPen;
};

[[nodiscard]] TCanvasSaver CreateCanvasSaver(TCanvas& Canvas, bool SaveDCToo);
[[nodiscard]] TClipSaver CreateClipSaver(TCanvas& Canvas);
[[nodiscard]] TBitmapCanvasProtector CreateBitmapCanvasProtector();
[[nodiscard]] TCanvasEventAdjuster CreateCanvasEventAdjuster(TCanvas& Canvas);

// The bitmap a canvas draws on, reachable as a TBitmap: drawing through Bitmap() changes the
// canvas's pixels. While the wrapper lives the bitmap's size and pixel format cannot change
// (an attempt raises "TDCRelatedBitmap cannot change").
class TBitmapRelatedDC {
public:
    explicit TBitmapRelatedDC(TCanvas& Canvas);
    ~TBitmapRelatedDC();
    TBitmapRelatedDC(const TBitmapRelatedDC&) = delete;
    TBitmapRelatedDC& operator=(const TBitmapRelatedDC&) = delete;

    // True when the canvas draws into a pixel buffer.
    static bool HasDIBSection(TCanvas& Canvas);
    bool IsRelated() const { return FBitmap != nullptr; }
    // The canvas's bitmap (nullptr when not related).
    TBitmap* Bitmap() const { return FBitmap; }

private:
    TBitmap* FBitmap = nullptr;
};
