#include "UCanvas.h"

#include "UBitmap.h"

TCanvas::TCanvas(TBitmap* Bitmap) : FBitmap(Bitmap) {}

TCanvas::~TCanvas() = default;
