#include "UBitmap.h"
#include "UCanvasGuards.h"
#include "UMemoryCanvas.h"
#include "UScaler.h"

#include <gtest/gtest.h>

namespace {

// A memory canvas at a fixed resolution, drawing on its own bitmap.
class TFixedCanvas : public TMemoryCanvas {
public:
    explicit TFixedCanvas(int PixelsPerInch) : FBitmap(64, 64) {
        SetFixedPixelsPerInch(PixelsPerInch);
    }
    TBitmap FBitmap;

protected:
    TBitmap* GetBitmapHandle() override { return &FBitmap; }
};

} // namespace

TEST(Scaler, MappingEdgeCases) {
    struct Row {
        const char* Name;
        int DPI, Scale, UnitDPI;
        TSize WindowExt, ViewportExt;
        TPoint Logical, Device;
        TRect LogicalRect, DeviceRect;
    };
    const Row rows[] = {
        {"identity at 100 %",
         96,
         100,
         96,
         {1, 1},
         {1, 1},
         {37, -5},
         {37, -5},
         Rect(3, 4, 50, 60),
         Rect(3, 4, 50, 60)},
        {"150 % at 96 dpi",
         96,
         150,
         96,
         {2, 2},
         {3, 3},
         {3, 1},
         {5, 2},
         Rect(1, 1, 3, 3),
         Rect(1, 1, 5, 5)},
        {"rectangles round outward",
         96,
         100,
         288,
         {3, 3},
         {1, 1},
         {1, 1},
         {0, 0},
         Rect(0, 0, 1, 1),
         Rect(0, 0, 1, 1)},
        {"0.1 mm at 600 dpi",
         600,
         100,
         254,
         {127, 127},
         {300, 300},
         {254, 127},
         {600, 300},
         Rect(0, 0, 2540, 254),
         Rect(0, 0, 6000, 600)},
        {"no 32-bit overflow at 1200 dpi",
         1200,
         100,
         254,
         {127, 127},
         {600, 600},
         {20000, 0},
         {94488, 0},
         Rect(0, 0, 20000, 1),
         Rect(0, 0, 94489, 5)},
    };
    for (const Row& r : rows) {
        TFixedCanvas canvas(r.DPI);
        TScaler scaler;
        scaler.SetScale(r.Scale);
        scaler.SetUnitDPI(r.UnitDPI);
        scaler.SetupCanvas(canvas);
        EXPECT_EQ(canvas.GetMapMode(), MM_ANISOTROPIC) << r.Name;
        EXPECT_EQ(canvas.GetWindowExtEx(), r.WindowExt) << r.Name;
        EXPECT_EQ(canvas.GetViewportExtEx(), r.ViewportExt) << r.Name;
        EXPECT_EQ(scaler.LPtoDP(canvas, r.Logical), r.Device) << r.Name;
        EXPECT_EQ(canvas.LPtoDP(r.Logical), r.Device) << r.Name << " (canvas)";
        EXPECT_EQ(scaler.LPtoDPRect(canvas, r.LogicalRect), r.DeviceRect) << r.Name;
    }
}

TEST(Scaler, ScrolledCanvasKeepsItsPicture) {
    TFixedCanvas canvas(96);
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExtEx(1, 1);
    canvas.SetViewportExtEx(2, 2);
    canvas.SetWindowOrgEx(100, 0);
    const TPoint probes[] = {{100, 0}, {150, 30}, {-7, 9}};
    TPoint before[3];
    for (int i = 0; i < 3; ++i)
        before[i] = canvas.LPtoDP(probes[i]);
    TScaler scaler;
    scaler.SetUnitDPI(96);
    scaler.SetScale(200);
    scaler.SetupCanvas(canvas);
    EXPECT_EQ(canvas.GetWindowOrgEx(), TPoint(0, 0));
    EXPECT_EQ(canvas.GetViewportOrgEx(), TPoint(-200, 0));
    for (int i = 0; i < 3; ++i)
        EXPECT_EQ(canvas.LPtoDP(probes[i]), before[i]);
}

TEST(Scaler, RefusesNonPositiveValuesAndReportsChanges) {
    TScaler scaler;
    EXPECT_EQ(scaler.Scale(), 100);
    EXPECT_EQ(scaler.UnitDPI(), GetScreenPixelsPerInch());
    int changes = 0;
    scaler.OnChange = [&](TScaler&) { ++changes; };
    EXPECT_THROW(scaler.SetScale(0), EScalerError);
    EXPECT_THROW(scaler.SetScale(-5), EScalerError);
    EXPECT_THROW(scaler.SetUnitDPI(0), EScalerError);
    EXPECT_EQ(scaler.Scale(), 100);
    EXPECT_EQ(changes, 0);
    scaler.SetScale(100); // no change, no report
    EXPECT_EQ(changes, 0);
    TScaler other;
    other.SetScale(250);
    other.SetUnitDPI(254);
    scaler.Assign(other);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(scaler.Scale(), 250);
    EXPECT_EQ(scaler.UnitDPI(), 254);
}

TEST(Scaler, FontIsMeasuredInLogicalUnits) {
    TFixedCanvas canvas(600);
    canvas.Font().SetSize(10);
    TScaler scaler;
    scaler.SetUnitDPI(254);
    scaler.SetupCanvas(canvas);
    EXPECT_EQ(canvas.Font().PixelsPerInch(), 254);
    EXPECT_EQ(canvas.Font().Size(), 10);
    EXPECT_EQ(canvas.Font().Height(), -35);
}

TEST(CoordMap, AppliesAMappingWithWindowOriginZero) {
    TFixedCanvas source(96);
    source.SetMapMode(MM_ANISOTROPIC);
    source.SetWindowExtEx(254, 254);
    source.SetViewportExtEx(96, 96);
    source.SetWindowOrgEx(254, 508);
    source.SetViewportOrgEx(5, 7);
    TCoordMap map;
    map.LoadFromCanvas(source);
    TBitmap target(10, 10);
    map.ApplyToCanvas(target.Canvas());
    EXPECT_EQ(target.Canvas().GetWindowOrgEx(), TPoint(0, 0));
    EXPECT_EQ(target.Canvas().GetViewportOrgEx(), TPoint(5 - 96, 7 - 192));
    for (const TPoint p : {TPoint(0, 0), TPoint(254, 508), TPoint(1016, -254)})
        EXPECT_EQ(target.Canvas().LPtoDP(p), source.LPtoDP(p));

    TCoordMap::ResetCanvas(target.Canvas());
    EXPECT_EQ(target.Canvas().GetMapMode(), MM_TEXT);
    EXPECT_EQ(target.Canvas().LPtoDP(TPoint(3, 4)), TPoint(3, 4));
}

TEST(CanvasGuards, SaversRestoreInReverseOrder) {
    TBitmap b(8, 8);
    TCanvas& c = b.Canvas();
    c.Pen().SetColor(clRed);
    c.SetCopyMode(SRCAND);
    {
        TCanvasSaver outer = CreateCanvasSaver(c, true);
        c.Pen().SetColor(clBlue);
        c.SetViewportOrgEx(3, 3);
        {
            TCanvasSaver inner = CreateCanvasSaver(c, true);
            c.Pen().SetColor(clLime);
            c.SetCopyMode(SRCPAINT);
            c.SetViewportOrgEx(9, 9);
        }
        EXPECT_EQ(c.Pen().Color(), clBlue);
        EXPECT_EQ(c.CopyMode(), SRCAND);
        EXPECT_EQ(c.GetViewportOrgEx(), TPoint(3, 3));
        TCanvasSaver moved = std::move(outer); // restores once, from its new owner
    }
    EXPECT_EQ(c.Pen().Color(), clRed);
    EXPECT_EQ(c.GetViewportOrgEx(), TPoint(0, 0));
    EXPECT_EQ(c.SavedDCCount(), 0);
}

TEST(CanvasGuards, ClipSaverRestoresTheRegionOrItsAbsence) {
    TBitmap b(8, 8);
    TCanvas& c = b.Canvas();
    {
        TClipSaver guard = CreateClipSaver(c);
        c.IntersectClipRect(1, 1, 3, 3);
    }
    EXPECT_FALSE(c.HasClipRgn());
    c.IntersectClipRect(0, 0, 4, 4);
    {
        TClipSaver guard = CreateClipSaver(c);
        c.SelectClipRgn(nullptr);
    }
    TRegion clip;
    ASSERT_EQ(c.GetClipRgn(clip), 1);
    EXPECT_EQ(clip.Box(), Rect(0, 0, 4, 4));
}

TEST(CanvasGuards, EventAdjusterPutsHandlersBack) {
    TBitmap b(4, 4);
    TCanvas& c = b.Canvas();
    int mine = 0;
    c.Brush().OnChange = [&] { ++mine; };
    {
        TCanvasEventAdjuster guard = CreateCanvasEventAdjuster(c);
        c.Brush().OnChange = nullptr;
        c.Brush().SetColor(clRed);
        EXPECT_EQ(c.GetBkColor(), clRed); // the canvas sees the change anyway
    }
    c.Brush().SetColor(clBlue);
    EXPECT_EQ(mine, 1);
    TBitmapCanvasProtector protector = CreateBitmapCanvasProtector();
    (void)protector;
}

TEST(BitmapRelatedDC, ReachesTheCanvasPixelsAndForbidsReallocation) {
    TBitmap b(6, 6);
    b.Fill(clWhite);
    TCanvas& c = b.Canvas();
    ASSERT_TRUE(TBitmapRelatedDC::HasDIBSection(c));
    {
        TBitmapRelatedDC related(c);
        ASSERT_TRUE(related.IsRelated());
        related.Bitmap()->SetPixel(2, 2, clRed);
        EXPECT_EQ(c.GetPixel(2, 2), clRed);
        related.Bitmap()->SetPixelFormat(pf24bit); // already 24 bits: no change
        try {
            related.Bitmap()->SetSize(7, 7);
            FAIL() << "resize allowed";
        } catch (const Exception& e) {
            EXPECT_EQ(e.Message, "TDCRelatedBitmap cannot change");
        }
        EXPECT_THROW(related.Bitmap()->SetPixelFormat(pf32bit), Exception);
        EXPECT_EQ(b.Width(), 6);
    }
    b.SetSize(7, 7);
    EXPECT_EQ(b.Width(), 7);

    TBitmap empty;
    TBitmapRelatedDC none(empty.Canvas());
    EXPECT_FALSE(none.IsRelated());
}
