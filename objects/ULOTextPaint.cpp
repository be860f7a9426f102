// Painting of TLOText: the glyph outlines it fills, the shadow, the outline, fills with any
// colour fill, and the coverage mask of the blend pass.

#include "ULOText.h"

#include "UBitmap.h"
#include "UCanvas.h"
#include "UCanvasGuards.h"
#include "UGraphicUtils.h"
#include "URegion.h"
#include "UScaler.h"

#include <QPainterPathStroker>

#include <algorithm>
#include <cstring>

// ---- Glyph stroke -------------------------------------------------------------------------

void TLOText::BuildGlyphStroke(TStroke& Stroke) const {
    // A bulged text is never distorted: the arc wins, so that the glyphs are always laid out
    // in the object's own rectangle and turned with it.
    if (!Distorted()) {
        if (FTextStroke.GetCount() == 0)
            FText->TextToStroke(FTextStroke, GetRect(), true);
        Stroke.Assign(FTextStroke);
        return;
    }
    // Laid out large, so that the bent outlines stay smooth, then mapped into the rectangle.
    TSimpleText large;
    large.Assign(FText.get());
    large.SetAngle(0);
    if (large.Font()->Size() < 72)
        large.Font()->SetSize(72);
    const int h1 = FText->GetFontHeight();
    const int h2 = large.GetFontHeight();
    const TRect layout = h1 > 0 ? TRect(0, 0, MulDiv(Width(), h2, h1), MulDiv(Height(), h2, h1))
                                : TRect(0, 0, Width(), Height());
    large.TextToStroke(Stroke, layout, false);
    Stroke.Subdivide();
    TCoonsDistortion patch;
    patch.Assign(*FDistortion);
    patch.ApplyRatio(FDistortionRatio);
    patch.SetSourceRect(large.GetTextBounds(layout, false));
    patch.SetTargetRect(GetRect());
    patch.TransformStroke(Stroke);
    FRotator.TransformStroke(Stroke);
}

const TStroke& TLOText::GlyphStroke() const {
    if (FGlyphStroke.GetCount() == 0)
        BuildGlyphStroke(FGlyphStroke);
    return FGlyphStroke;
}

const TRegion& TLOText::GlyphRegion(TCanvas& Canvas, int WidenBy) const {
    constexpr int Far = 65536;
    const TPoint origin = Canvas.LPtoDP(TPoint(0, 0));
    const TPoint unit = Canvas.LPtoDP(TPoint(Far, Far));
    for (const TGlyphRegion& r : FGlyphRegions)
        if (r.Origin == origin && r.Unit == unit && r.WidenBy == WidenBy)
            return r.Region;
    constexpr size_t MaxRegions = 4;
    if (FGlyphRegions.size() >= MaxRegions)
        FGlyphRegions.erase(FGlyphRegions.begin());
    GlyphStroke().MakePath(Canvas);
    QPainterPath path = Canvas.DevicePath();
    Canvas.AbortPath();
    path.setFillRule(Qt::WindingFill);
    if (WidenBy > 0) {
        QPainterPathStroker stroker;
        stroker.setWidth(WidenBy);
        stroker.setJoinStyle(Qt::RoundJoin);
        stroker.setCapStyle(Qt::RoundCap);
        path = stroker.createStroke(path);
    }
    FGlyphRegions.push_back({origin, unit, WidenBy, TRegion::CreateFromPath(path, WINDING)});
    return FGlyphRegions.back().Region;
}

bool TLOText::ShowsPlaceholder(TCanvas& Canvas) const {
    return !(ControlState() & csPaintCopy) && !IsPrinterCanvas(Canvas);
}

// ---- Painting -----------------------------------------------------------------------------

namespace {

// The text engine lays text out on its measuring canvas, whose font resolution makes points
// logical units; glyphs drawn directly must be sized at the same resolution, whatever font
// the canvas came with.
void UseLayoutResolution(TCanvas& Canvas) {
    const int ppi = TSimpleText::ScratchCanvas().Font().PixelsPerInch();
    if (Canvas.Font().PixelsPerInch() != ppi)
        Canvas.Font().SetPixelsPerInch(ppi);
}

} // namespace

void TLOText::Paint() {
    TCanvas& canvas = GetCanvas();
    if (Text().Count() == 0 && !ShowsPlaceholder(canvas))
        return;
    const TCanvasSaver tools = CreateCanvasSaver(canvas, false);
    UseLayoutResolution(canvas);
    TPoint d;
    GetShadowOffset(d);
    if (d.x != 0 || d.y != 0) {
        const TCanvasSaver saver = CreateCanvasSaver(canvas, true);
        canvas.OffsetWindowOrgEx(-d.x, -d.y);
        DrawText(canvas, *FShadowColor, nullptr);
    }
    DrawText(canvas, *FTextColor, FOutline ? FOutlineColor.get() : nullptr);
}

void TLOText::AddShapeClip(TCanvas& Canvas, bool WithOutline) {
    TArc arc;
    Canvas.BeginPath();
    if (Bulge() != 0 && GetAdjustedArc(arc)) {
        TPoint p1, pm, p3;
        GetArcPoints(p1, pm, p3, arc);
        const int width = TextThickness() + (WithOutline ? 2 * FOutLineWidth : 0);
        const int old = Canvas.Pen().Width();
        Canvas.Pen().SetWidth(width);
        AddArcOutlineToPath(Canvas, p1, pm, p3);
        Canvas.Pen().SetWidth(old);
    } else {
        TStroke frame;
        GetFrameStroke(frame);
        frame.Draw(Canvas);
    }
    Canvas.EndPath();
    Canvas.SelectClipPath(RGN_AND);
}

void TLOText::DrawOutlineFill(TCanvas& Canvas, TColorSpec& OutlineFill, const TRect& R) {
    // The glyph outlines widened to twice the outline width become the clip of the fill.
    const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    const TPoint a = Canvas.LPtoDP(TPoint(0, 0));
    const TPoint b = Canvas.LPtoDP(TPoint(2 * FOutLineWidth, 0));
    const TRegion& widened = GlyphRegion(Canvas, std::max(1, std::abs(b.x - a.x)));
    Canvas.ExtSelectClipRgn(&widened, RGN_AND);
    if (OutlineFill.Kind() == cskSolid) {
        Canvas.Brush().SetStyle(bsSolid);
        Canvas.Brush().SetColor(OutlineFill.Color());
        Canvas.FillRgn(widened);
        return;
    }
    OutlineFill.Fill(Canvas, R);
}

void TLOText::FillGlyphs(TCanvas& Canvas, TColorSpec& Fill, const TRect& R) {
    const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    const TRegion& glyphs = GlyphRegion(Canvas, 0);
    Canvas.ExtSelectClipRgn(&glyphs, RGN_AND);
    Fill.Fill(Canvas, R);
}

void TLOText::DrawText(TCanvas& Canvas, TColorSpec& Fill, TColorSpec* OutlineFill) {
    const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
    Canvas.SetPolyFillMode(WINDING);
    const TRect r = GetBoundsRect();
    AddShapeClip(Canvas, OutlineFill != nullptr);
    if (OutlineFill) {
        // The glyph outlines widened by twice the outline width, then the glyphs over them:
        // half the outline lies under the fill.
        DrawOutlineFill(Canvas, *OutlineFill, r);
        FillGlyphs(Canvas, Fill, r);
        return;
    }
    if (!Distorted() && Fill.IsPureSolid(Canvas)) {
        // A plain colour: the text engine's glyphs, kept as a coverage mask for repaints.
        if (DrawTextThroughMask(Canvas, Fill.Color()))
            return;
        Canvas.Brush().SetStyle(bsClear);
        FText->SetFontColor(Fill.Color());
        FText->Draw(Canvas, GetRect());
        return;
    }
    // Any other fill through the glyph outlines (the same shapes the text engine draws).
    FillGlyphs(Canvas, Fill, r);
}

// ---- Coverage masks of plain text -----------------------------------------------------------

TLOText::TDeviceKey TLOText::DeviceKeyOf(TCanvas& Canvas, const TRect& Area,
                                         bool Placeholder) const {
    TDeviceKey key;
    key.MapMode = Canvas.GetMapMode();
    key.WindowOrg = Canvas.GetWindowOrgEx();
    const TPoint viewport = Canvas.GetViewportOrgEx();
    key.ViewportOrg = TPoint(viewport.x - Area.Left, viewport.y - Area.Top);
    key.WindowExt = Canvas.GetWindowExtEx();
    key.ViewportExt = Canvas.GetViewportExtEx();
    key.Width = Area.Width();
    key.Height = Area.Height();
    key.Placeholder = Placeholder;
    return key;
}

const TLOText::TTextMask& TLOText::TextMask(TCanvas& Canvas, const TRect& Area) {
    const TDeviceKey key =
        DeviceKeyOf(Canvas, Area, Text().Count() == 0 && ShowsPlaceholder(Canvas));
    for (const TTextMask& m : FTextMasks)
        if (m.Key == key && m.Area == Area)
            return m;
    // The glyphs drawn white on black by the same text output, on a bitmap mapped like Canvas
    // with its viewport moved by whole pixels, so that every glyph lands on the same pixels.
    TBitmap coverage(0, 0, pf24bit);
    coverage.SetSizeForOverwrite(Area.Width(), Area.Height());
    const int width = Area.Width();
    const int height = Area.Height();
    for (int y = 0; y < height; ++y)
        std::memset(coverage.ScanLine(y), 0, static_cast<size_t>(width) * 3);
    TCanvas& c = coverage.Canvas();
    c.SetMapMode(key.MapMode);
    c.SetWindowExtEx(key.WindowExt.cx, key.WindowExt.cy);
    c.SetViewportExtEx(key.ViewportExt.cx, key.ViewportExt.cy);
    c.SetWindowOrgEx(key.WindowOrg.x, key.WindowOrg.y);
    c.SetViewportOrgEx(key.ViewportOrg.x, key.ViewportOrg.y);
    c.Font().SetPixelsPerInch(Canvas.Font().PixelsPerInch());
    c.SetPolyFillMode(Canvas.GetPolyFillMode());
    c.Brush().SetStyle(bsClear);
    const TColor colour = FText->FontColor();
    FText->SetFontColor(clWhite);
    FText->Draw(c, GetRect());
    FText->SetFontColor(colour);
    TBitmap mask(0, 0, pf8bit);
    mask.SetSizeForOverwrite(Area.Width(), Area.Height()); // every pixel is written below
    for (int y = 0; y < height; ++y) {
        const uint8_t* __restrict src = coverage.ScanLine(y);
        uint8_t* __restrict dst = mask.ScanLine(y);
        for (int x = 0; x < width; ++x)
            dst[x] = src[3 * x];
    }
    constexpr size_t MaxMasks = 4;
    if (FTextMasks.size() >= MaxMasks)
        FTextMasks.erase(FTextMasks.begin());
    FTextMasks.push_back({key, Area, std::move(mask)});
    return FTextMasks.back();
}

namespace {

// Colour through coverage A (1..254) over D, rounded as the canvas's smooth text output does.
inline uint8_t Mix(int D, int C, int A) {
    return static_cast<uint8_t>(D + ((C - D) * A + 127) / 255);
}

// Colour through Mask (whose first pixel lies at device Origin) onto the 24-bit Target
// inside Clip: coverage 0 leaves a pixel, 255 paints it, others mix.
void FillThroughMask(TBitmap& Target, const QRegion& Clip, const TBitmap& Mask,
                     const TPoint& Origin, TColor Colour) {
    const TColor rgb = ColorToRGB(Colour);
    const int c[3] = {GetBValue(rgb), GetGValue(rgb), GetRValue(rgb)};
    const QRegion area = Clip.intersected(QRect(Origin.x, Origin.y, Mask.Width(), Mask.Height()));
    for (const QRect& r : area) {
        for (int y = r.top(); y <= r.bottom(); ++y) {
            const uint8_t* m = Mask.ScanLine(y - Origin.y) - Origin.x;
            uint8_t* row = Target.ScanLine(y);
            for (int x = r.left(); x <= r.right(); ++x) {
                const int a = m[x];
                if (a == 0)
                    continue;
                uint8_t* p = row + 3 * x;
                for (int k = 0; k < 3; ++k)
                    p[k] = a == 255 ? static_cast<uint8_t>(c[k]) : Mix(p[k], c[k], a);
            }
        }
    }
}

} // namespace

bool TLOText::DrawTextThroughMask(TCanvas& Canvas, TColor Colour) {
    TBitmap* target = Canvas.TargetBitmap();
    if (!target || target->Empty() || target->PixelFormat() != pf24bit)
        return false;
    const QRect bounds(0, 0, target->Width(), target->Height());
    TRegion clipRegion;
    const QRegion clip = Canvas.GetClipRgn(clipRegion) ? clipRegion.ToQRegion().intersected(bounds)
                                                       : QRegion(bounds);
    const QRect box = clip.boundingRect();
    if (box.isEmpty())
        return true; // nothing of the text is visible
    const TRect area(box.left(), box.top(), box.right() + 1, box.bottom() + 1);
    const TTextMask& mask = TextMask(Canvas, area);
    target->Bits(); // unshared before its pixels change
    FillThroughMask(*target, clip, mask.Coverage, TPoint(area.Left, area.Top), Colour);
    return true;
}

// ---- Blend mask ---------------------------------------------------------------------------

void TLOText::DrawCoverage(TCanvas& Canvas) {
    auto shape = [&] {
        if (!Distorted()) {
            const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
            Canvas.Brush().SetStyle(bsClear);
            const TColor colour = FText->FontColor();
            FText->SetFontColor(clWhite);
            FText->Draw(Canvas, GetRect());
            FText->SetFontColor(colour);
            return;
        }
        const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
        Canvas.SetPolyFillMode(WINDING);
        Canvas.Brush().SetStyle(bsSolid);
        Canvas.Brush().SetColor(clWhite);
        Canvas.Pen().SetStyle(psClear);
        GlyphStroke().MakePath(Canvas);
        Canvas.FillPath();
    };
    TPoint d;
    GetShadowOffset(d);
    if (d.x != 0 || d.y != 0) {
        const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
        Canvas.OffsetWindowOrgEx(-d.x, -d.y);
        shape();
    }
    shape();
    if (FOutline && FOutLineWidth != 0) {
        const TCanvasSaver saver = CreateCanvasSaver(Canvas, true);
        Canvas.SetPolyFillMode(WINDING);
        Canvas.Pen().SetWidth(2 * FOutLineWidth);
        Canvas.Pen().SetColor(clWhite);
        Canvas.Pen().SetStyle(psSolid);
        Canvas.Brush().SetStyle(bsClear);
        GlyphStroke().MakePath(Canvas);
        Canvas.StrokePath();
    }
}

TLOText::TDeviceKey TLOText::DeviceKeyOf(TBitmap& Bitmap, bool Placeholder) const {
    TCanvas& canvas = Bitmap.Canvas();
    TDeviceKey key;
    key.MapMode = canvas.GetMapMode();
    key.WindowOrg = canvas.GetWindowOrgEx();
    key.ViewportOrg = canvas.GetViewportOrgEx();
    key.WindowExt = canvas.GetWindowExtEx();
    key.ViewportExt = canvas.GetViewportExtEx();
    key.Width = Bitmap.Width();
    key.Height = Bitmap.Height();
    key.Placeholder = Placeholder;
    return key;
}

namespace {

// Copies the rows of Source (the same size and format) into Dest's own pixels.
void CopyPixels(const TBitmap& Source, TBitmap& Dest) {
    const size_t bytes = static_cast<size_t>(std::min(Source.BytesPerLine(), Dest.BytesPerLine()));
    for (int y = 0; y < Dest.Height(); ++y)
        std::memcpy(Dest.ScanLine(y), Source.ScanLine(y), bytes);
}

} // namespace

std::unique_ptr<TBitmap> TLOText::RenderToBitmap() {
    // The colours of the blend pass depend only on the object and the offscreen bitmap's
    // mapping (the bitmap starts blank, not with the page's pixels), so a picture made at the
    // same mapping is the same picture.
    std::unique_ptr<TBitmap> bitmap =
        CreateOffscreenBitmap(GetCanvas(), GetBoundsRect(), pf24bit, 5, false);
    const TDeviceKey key =
        DeviceKeyOf(*bitmap, Text().Count() == 0 && ShowsPlaceholder(bitmap->Canvas()));
    if (FBlendColours.Valid && FBlendColours.Key == key) {
        CopyPixels(FBlendColours.Pixels, *bitmap);
        TCoordMap::ResetCanvas(bitmap->Canvas());
        return bitmap;
    }
    std::unique_ptr<TBitmap> painted = TLORectBase::RenderToBitmap();
    if (painted->Width() == key.Width && painted->Height() == key.Height &&
        painted->PixelFormat() == pf24bit) {
        FBlendColours.Pixels = *painted;
        FBlendColours.Pixels.Bits(); // a copy of its own, untouched by later drawing
        FBlendColours.Key = key;
        FBlendColours.Valid = true;
    }
    return painted;
}

void TLOText::FillBlendMask(TBitmap& Mask) {
    const bool placeholder = Text().Count() == 0 && ShowsPlaceholder(GetCanvas());
    if (Text().Count() == 0 && !placeholder)
        return;
    const TDeviceKey key = DeviceKeyOf(Mask, placeholder);
    if (FBlendMask.Valid && FBlendMask.Key == key &&
        FBlendMask.Pixels.PixelFormat() == Mask.PixelFormat()) {
        CopyPixels(FBlendMask.Pixels, Mask);
        return;
    }
    DrawBlendMask(Mask);
    FBlendMask.Pixels = Mask;
    FBlendMask.Pixels.Bits();
    FBlendMask.Key = key;
    FBlendMask.Valid = true;
}

void TLOText::DrawBlendMask(TBitmap& Mask) {
    // The coverage is drawn white on black into a 24-bit bitmap mapped like the mask (text
    // drawing needs a colour target), then its blue channel becomes the mask's grey levels.
    TBitmap coverage(Mask.Width(), Mask.Height(), pf24bit);
    TCanvas& canvas = coverage.Canvas();
    canvas.PatBlt(0, 0, coverage.Width(), coverage.Height(), BLACKNESS);
    TCoordMap map;
    map.LoadFromCanvas(Mask.Canvas());
    map.ApplyToCanvas(canvas);
    UseLayoutResolution(canvas);
    DrawCoverage(canvas);
    for (int y = 0; y < Mask.Height(); ++y) {
        const uint8_t* src = coverage.ScanLine(y);
        uint8_t* dst = Mask.ScanLine(y);
        for (int x = 0; x < Mask.Width(); ++x)
            dst[x] = src[3 * x];
    }
}
