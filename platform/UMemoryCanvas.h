#pragma once
// TMemoryCanvas: a canvas on a memory device that imitates another device (a printer, or the
// screen when none is given): it answers that device's capabilities, while it draws on a
// bitmap that a descendant supplies (GetBitmapHandle) or that is selected into it.

#include "UCanvas.h"

#include <optional>

class TMemoryCanvas : public TCanvas {
public:
    TMemoryCanvas();
    ~TMemoryCanvas() override;

    // The device whose capabilities the canvas answers (nullopt: the screen). The font keeps
    // its point size and takes the device's vertical resolution.
    void SetReferenceDevice(const std::optional<TDeviceCaps>& Caps);
    const std::optional<TDeviceCaps>& ReferenceDevice() const { return FReference; }
    // A fixed resolution for GetCanvasPixelsPerInch (0: none, the device's LOGPIXELSY holds).
    int FixedPixelsPerInch() const { return FFixedPixelsPerInch; }

    // Draws on Bitmap from now on (nullptr: back to GetBitmapHandle's bitmap).
    void SelectBitmap(TBitmap* Bitmap);
    void DeselectBitmap() { SelectBitmap(nullptr); }
    TBitmap* SelectedBitmap() const { return FSelected; }

    TBitmap* TargetBitmap() override;
    TDeviceCaps DeviceCaps() override;

protected:
    // The bitmap to draw on when none is selected (may answer nullptr).
    virtual TBitmap* GetBitmapHandle() = 0;
    void SetFixedPixelsPerInch(int Value) { FFixedPixelsPerInch = Value; }

private:
    void AdoptFontResolution();
    std::optional<TDeviceCaps> FReference;
    int FFixedPixelsPerInch = 0;
    TBitmap* FSelected = nullptr;
};
