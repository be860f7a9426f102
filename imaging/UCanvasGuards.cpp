#include "UCanvasGuards.h"

#include "UBitmap.h"

#include <utility>

void CopyCanvasTools(TCanvas& Dest, const TCanvas& Source) {
    Dest.SetCopyMode(Source.CopyMode());
    Dest.Font().Assign(Source.Font());
    Dest.Pen().Assign(Source.Pen());
    Dest.Brush().Assign(Source.Brush());
}

TCanvasSaver::TCanvasSaver(TCanvas& Canvas, bool SaveDCToo)
    : FCanvas(&Canvas), FCopyMode(Canvas.CopyMode()), FPen(Canvas.Pen().Data()),
      FBrush(Canvas.Brush().Data()), FFont(Canvas.Font().Data()) {
    if (SaveDCToo)
        FSavedIndex = Canvas.SaveDC();
}

TCanvasSaver::TCanvasSaver(TCanvasSaver&& Other) noexcept
    : FCanvas(std::exchange(Other.FCanvas, nullptr)), FCopyMode(Other.FCopyMode), FPen(Other.FPen),
      FBrush(Other.FBrush), FFont(std::move(Other.FFont)), FSavedIndex(Other.FSavedIndex) {}

void TCanvasSaver::Release() {
    TCanvas* canvas = std::exchange(FCanvas, nullptr);
    if (!canvas)
        return;
    canvas->SetCopyMode(FCopyMode);
    canvas->Font().SetData(FFont);
    canvas->Pen().SetData(FPen);
    canvas->Brush().SetData(FBrush);
    if (FSavedIndex != 0)
        canvas->RestoreDC(FSavedIndex);
}

TClipSaver::TClipSaver(TCanvas& Canvas) : FCanvas(&Canvas) {
    TRegion clip;
    if (Canvas.GetClipRgn(clip) == 1)
        FClip = clip;
}

TClipSaver::TClipSaver(TClipSaver&& Other) noexcept
    : FCanvas(std::exchange(Other.FCanvas, nullptr)), FClip(std::move(Other.FClip)) {}

void TClipSaver::Release() {
    TCanvas* canvas = std::exchange(FCanvas, nullptr);
    if (canvas)
        canvas->SelectClipRgn(FClip ? &*FClip : nullptr);
}

TCanvasEventAdjuster::TCanvasEventAdjuster(TCanvas& Canvas)
    : FCanvas(&Canvas), FFont(Canvas.Font().OnChange), FBrush(Canvas.Brush().OnChange),
      FPen(Canvas.Pen().OnChange) {}

TCanvasEventAdjuster::TCanvasEventAdjuster(TCanvasEventAdjuster&& Other) noexcept
    : FCanvas(std::exchange(Other.FCanvas, nullptr)), FFont(std::move(Other.FFont)),
      FBrush(std::move(Other.FBrush)), FPen(std::move(Other.FPen)) {}

void TCanvasEventAdjuster::Release() {
    TCanvas* canvas = std::exchange(FCanvas, nullptr);
    if (!canvas)
        return;
    canvas->Font().OnChange = FFont;
    canvas->Brush().OnChange = FBrush;
    canvas->Pen().OnChange = FPen;
}

TCanvasSaver CreateCanvasSaver(TCanvas& Canvas, bool SaveDCToo) {
    return TCanvasSaver(Canvas, SaveDCToo);
}

TClipSaver CreateClipSaver(TCanvas& Canvas) {
    return TClipSaver(Canvas);
}

TBitmapCanvasProtector CreateBitmapCanvasProtector() {
    return {};
}

TCanvasEventAdjuster CreateCanvasEventAdjuster(TCanvas& Canvas) {
    return TCanvasEventAdjuster(Canvas);
}

bool TBitmapRelatedDC::HasDIBSection(TCanvas& Canvas) {
    const TBitmap* b = Canvas.TargetBitmap();
    return b && !b->Empty();
}

TBitmapRelatedDC::TBitmapRelatedDC(TCanvas& Canvas) {
    if (!HasDIBSection(Canvas))
        return;
    FBitmap = Canvas.TargetBitmap();
    FBitmap->LockGeometry(QStringLiteral("TDCRelatedBitmap cannot change"));
}

TBitmapRelatedDC::~TBitmapRelatedDC() {
    if (FBitmap)
        FBitmap->UnlockGeometry();
}
