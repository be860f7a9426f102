#include "ObjectTestSupport.h"
#include "UBlendDraw.h"

#include "UBitmap.h"
#include "UMemoryCanvas.h"
#include "UPrinters.h"
#include "UScaler.h"

#include <gtest/gtest.h>

namespace {

// Counts the off-screen renderings the blended path asks for.
class TCountingRect : public TTestRect {
public:
    int Renders = 0;
    std::unique_ptr<TBitmap> RenderToBitmap() override {
        ++Renders;
        return TTestRect::RenderToBitmap();
    }
};

// A canvas over a printer device that offers no pixels to blend into.
class TPlainPrinterCanvas : public TMemoryCanvas {
public:
    TPlainPrinterCanvas() {
        TDeviceCaps caps;
        caps.Technology = DT_RASPRINTER;
        SetReferenceDevice(caps);
    }

protected:
    TBitmap* GetBitmapHandle() override { return nullptr; }
};

// One channel mixed as the blenders do: d + ((s - d) * a) div 255.
int Mix(int D, int S, int Ratio) {
    const int a = std::min(MulDiv(255, Ratio, 100), 255);
    return D + (S - D) * a / 255;
}

TColor MixColor(TColor D, TColor S, int Ratio) {
    const int r = Mix(D & 0xFF, S & 0xFF, Ratio);
    const int g = Mix((D >> 8) & 0xFF, (S >> 8) & 0xFF, Ratio);
    const int b = Mix((D >> 16) & 0xFF, (S >> 16) & 0xFF, Ratio);
    return TColor(r | (g << 8) | (b << 16));
}

class BlendDraw : public ::testing::Test {
protected:
    void SetUp() override {
        FObject.SetBoundsRect(TRect(2, 2, 6, 6));
        FObject.SetColor(clRed);
    }
    TCountingRect FObject;
};

TEST_F(BlendDraw, HalfOpaqueObjectMixesWithTheBackground) {
    struct Row {
        TPixelFormat Format;
        TColor Background;
        int Ratio;
    };
    const Row rows[] = {
        {pf24bit, clBlue, 50},           {pf32bit, clBlue, 50}, {pf24bit, clWhite, 50},
        {pf24bit, TColor(0x204080), 30}, {pf32bit, clLime, 0},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(std::to_string(row.Format) + " ratio " + std::to_string(row.Ratio));
        FObject.SetBlendRatio(row.Ratio);
        TBitmap bitmap(8, 8, row.Format);
        bitmap.Fill(row.Background);
        FObject.DrawTo(bitmap.Canvas());
        EXPECT_EQ(bitmap.GetPixel(3, 3), MixColor(row.Background, clRed, row.Ratio));
        EXPECT_EQ(bitmap.GetPixel(5, 5), MixColor(row.Background, clRed, row.Ratio));
        EXPECT_EQ(bitmap.GetPixel(6, 6), row.Background) << "outside the object";
        EXPECT_EQ(bitmap.GetPixel(1, 3), row.Background);
    }
    EXPECT_EQ(MixColor(clBlue, clRed, 50), TColor(0x7F0080)) << "the table's arithmetic";
}

TEST_F(BlendDraw, BandBitmapsOfPrintersBlendToo) {
    FObject.SetBlendRatio(50);
    TDeviceCaps printer;
    printer.Technology = DT_RASPRINTER;
    TBitmap band(8, 8, pf24bit);
    band.Fill(clBlue);
    TBandCanvas canvas([&] { return &band; }, 96, printer);
    FObject.DrawTo(canvas);
    EXPECT_EQ(band.GetPixel(3, 3), MixColor(clBlue, clRed, 50));
}

TEST_F(BlendDraw, PrinterWithoutPixelsAndOpaqueObjectsPaintPlainly) {
    FObject.SetBlendRatio(40);
    TPlainPrinterCanvas printer;
    EXPECT_FALSE(DrawObjectBlended(FObject, printer, 40)) << "the caller paints plainly";
    EXPECT_EQ(FObject.Renders, 0);
    EXPECT_EQ(FObject.PaintCount, 0);

    FObject.SetBlendRatio(100);
    TBitmap bitmap(8, 8, pf24bit);
    bitmap.Fill(clBlue);
    FObject.DrawTo(bitmap.Canvas());
    EXPECT_EQ(FObject.Renders, 0);
    EXPECT_EQ(bitmap.GetPixel(3, 3), clRed);

    FObject.SetBlendShade(true);
    bitmap.Fill(clBlue);
    FObject.DrawTo(bitmap.Canvas());
    EXPECT_EQ(FObject.Renders, 1) << "the shade flag blends even at 100";
    EXPECT_EQ(bitmap.GetPixel(3, 3), clRed) << "through a full mask";
}

TEST_F(BlendDraw, ScaledSurfaceBlendsOnlyTheObjectsArea) {
    RegisterTestObjects();
    TDrawSite site;
    site.Scaler().SetUnitDPI(254);
    site.SetLogWidth(1000);
    site.SetLogHeight(1000);
    site.SetBorder(false);
    auto* object = new TTestRect();
    object->SetBoundsRect(TRect(254, 254, 508, 508)); // 0.1 mm: one inch square at one inch
    object->SetColor(clRed);
    object->SetBlendRatio(50);
    site.InsertObject(object);
    site.AddObject(object);
    const int dpi = 96;
    TBitmap bitmap(MulDiv(1000, dpi, 254), MulDiv(1000, dpi, 254), pf24bit);
    bitmap.Fill(clYellow);
    site.DrawTo(bitmap.Canvas(), TPoint(0, 0), 100);
    EXPECT_EQ(bitmap.GetPixel(dpi + dpi / 2, dpi + dpi / 2), MixColor(clYellow, clRed, 50));
    EXPECT_EQ(bitmap.GetPixel(dpi - 2, dpi + dpi / 2), clYellow);
    EXPECT_EQ(bitmap.GetPixel(2 * dpi + 2, dpi + dpi / 2), clYellow);
}

} // namespace

#include "UDrawSiteHost.h"

#include <QCoreApplication>
#include <QScrollArea>

namespace {

// On the screen the page image is a pixel buffer: a half-opaque object mixes with the page.
TEST(BlendDrawHost, ScreenPathBlends) {
    RegisterTestObjects();
    TDrawSite site;
    site.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
    site.SetLogWidth(200);
    site.SetLogHeight(100);
    site.SetColor(clBlue);
    auto* object = new TTestRect();
    object->SetBoundsRect(TRect(20, 20, 80, 80));
    object->SetColor(clRed);
    object->SetBlendRatio(50);
    site.InsertObject(object);
    site.AddObject(object);
    std::unique_ptr<QScrollArea> area(TDrawSiteHost::CreateScrollArea(site));
    area->resize(260, 160);
    area->show();
    QCoreApplication::processEvents();
    const QImage shot = area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    const TColor mixed = MixColor(clBlue, clRed, 50);
    EXPECT_EQ(shot.pixel(50, 50), qRgb(mixed & 0xFF, (mixed >> 8) & 0xFF, mixed >> 16));
    EXPECT_EQ(shot.pixel(120, 50), qRgb(0, 0, 255)) << "the page beside it";
    area.reset();
}

} // namespace
