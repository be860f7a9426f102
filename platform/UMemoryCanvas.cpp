#include "UMemoryCanvas.h"

TMemoryCanvas::TMemoryCanvas() : TCanvas(nullptr) {
    AdoptFontResolution();
}

TMemoryCanvas::~TMemoryCanvas() = default;

void TMemoryCanvas::SetReferenceDevice(const std::optional<TDeviceCaps>& Caps) {
    if (Caps == FReference)
        return;
    FReference = Caps;
    AdoptFontResolution();
}

void TMemoryCanvas::AdoptFontResolution() {
    const int ppi = DeviceCaps().LogPixelsY;
    if (ppi <= 0 || ppi == Font().PixelsPerInch())
        return;
    const int size = Font().Size();
    Font().SetPixelsPerInch(ppi);
    Font().SetSize(size);
}

void TMemoryCanvas::SelectBitmap(TBitmap* Bitmap) {
    FSelected = Bitmap;
}

TBitmap* TMemoryCanvas::TargetBitmap() {
    return FSelected ? FSelected : GetBitmapHandle();
}

TDeviceCaps TMemoryCanvas::DeviceCaps() {
    return FReference ? *FReference : ScreenDeviceCaps();
}
