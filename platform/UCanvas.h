#pragma once
// TCanvas: the device-context stand-in that every drawing routine calls. A canvas draws on
// a TBitmap (its own memory device) or on another target supplied by a subclass.

#include "UColor.h"

class TBitmap;

class TCanvas {
public:
    // A canvas drawing on Bitmap (which outlives it; TBitmap owns its canvas).
    explicit TCanvas(TBitmap* Bitmap);
    virtual ~TCanvas();
    TCanvas(const TCanvas&) = delete;
    TCanvas& operator=(const TCanvas&) = delete;

    TBitmap* Bitmap() const { return FBitmap; }

private:
    TBitmap* FBitmap;
};
