#pragma once
// Semi-transparent drawing of drawing objects.
//
// An object that needs blending (TDrawObject::NeedsBlend) is rendered alone into an
// off-screen 24-bit bitmap and mixed into the target through an 8-bit grey mask that the
// object fills (FillBlendMask: 0 keeps the target, 255 takes the object), with every mask
// value scaled by the object's opacity ratio. Blending needs a target canvas that draws into
// a pixel buffer of 24 or 32 bits: every screen canvas and every print band bitmap does; a
// canvas over a printer device does not, and the object then paints plainly.
//
// User-interface thread only.

#include "UBitmap.h"

#include <vector>

class TCanvas;
class TDrawObject;

// Draws Object on Canvas (its current canvas) blended at Ratio percent through its mask.
// Answers false, drawing nothing, when Canvas has no pixel buffer it can blend into (the
// caller then paints plainly); true otherwise, also when no part of the object was visible.
bool DrawObjectBlended(TDrawObject& Object, TCanvas& Canvas, int Ratio);

// The 256-entry grey colour table of blend masks: entry i is (i, i, i).
const std::vector<TRGBQuad>& BlendMaskColorTable();
