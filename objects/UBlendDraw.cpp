#include "UBlendDraw.h"

#include "UBlender.h"
#include "UCanvasGuards.h"
#include "UDrawObject.h"
#include "UGraphicUtils.h"
#include "UPalette.h"
#include "UScaler.h"

namespace {

// The clip box is grown by this on every side, so that pixels an object paints just outside
// its bounds are blended too.
constexpr int ClipMargin = 5;

} // namespace

const std::vector<TRGBQuad>& BlendMaskColorTable() {
    static const std::vector<TRGBQuad> table = [] {
        std::vector<TRGBQuad> t(256);
        for (int i = 0; i < 256; ++i) {
            const auto v = static_cast<uint8_t>(i);
            t[i] = TRGBQuad{v, v, v, 0};
        }
        return t;
    }();
    return table;
}

bool DrawObjectBlended(TDrawObject& Object, TCanvas& Canvas, int Ratio) {
    TBitmap* target = Canvas.TargetBitmap();
    if (!TBitmapRelatedDC::HasDIBSection(Canvas) || !target)
        return false;
    const TPixelFormat format = target->PixelFormat();
    if (format != pf24bit && format != pf32bit)
        return false; // the target's layout is locked while it is drawn on: no raising

    TRect clip = Canvas.ClipRect();
    InflateRect(clip, ClipMargin, ClipMargin);
    TRect r;
    if (!IntersectRect(r, clip, Object.GetBoundsRect()))
        return true; // nothing of the object is visible
    const TRect d = Canvas.LPtoDP(r);

    std::unique_ptr<TBitmap> mask =
        CreateOffscreenBitmap(Canvas, r, pf8bit, ClipMargin, false, &BlendMaskColorTable());
    if (mask->Empty())
        return true;
    {
        TCanvas& m = mask->Canvas();
        m.Brush().SetStyle(bsSolid);
        m.Brush().SetColor(clBlack); // grey index 0: transparent
        m.FillRect(r);
        Object.FillBlendMask(*mask);
        TCoordMap::ResetCanvas(m);
    }

    std::unique_ptr<TBitmap> source = Object.RenderToBitmap();
    TCoordMap::ResetCanvas(source->Canvas());
    if (source->PixelFormat() != format)
        source->SetPixelFormat(format);

    TBitmapRelatedDC related(Canvas);
    if (!related.IsRelated())
        return false;
    TGRBlendAlphaMapRatio blender;
    blender.Dest = related.Bitmap();
    blender.DestRect = TRect(d.Left, d.Top, d.Left + mask->Width(), d.Top + mask->Height());
    blender.Source = source.get();
    blender.SourceRect = TRect(0, 0, source->Width(), source->Height());
    blender.AlphaMap = mask.get();
    blender.AlphaRect = TRect(0, 0, mask->Width(), mask->Height());
    blender.Ratio = Ratio;
    blender.Blend();
    return true;
}
