#include "UBitmap.h"
#include "UPrinters.h"

#include <gtest/gtest.h>

TEST(Printers, PrintableRectScalesEachAxisWithItsOwnResolution) {
    struct Row {
        int LogX, LogY, OffX, OffY, HorzRes, VertRes, Units;
        TRect Expected;
    };
    const Row rows[] = {
        {600, 600, 60, 60, 4800, 6600, 600, Rect(60, 60, 4860, 6660)},
        {600, 300, 60, 30, 4800, 3000, 254, Rect(25, 25, 2057, 2565)},
        {300, 600, 0, 90, 2400, 6000, 100, Rect(0, 15, 800, 1015)},
    };
    for (const Row& r : rows) {
        TDeviceCaps caps;
        caps.LogPixelsX = r.LogX;
        caps.LogPixelsY = r.LogY;
        caps.PhysicalOffsetX = r.OffX;
        caps.PhysicalOffsetY = r.OffY;
        caps.HorzRes = r.HorzRes;
        caps.VertRes = r.VertRes;
        EXPECT_EQ(PrintableRectFromCaps(caps, r.Units), r.Expected) << r.LogX << "x" << r.LogY;
    }
}

TEST(Printers, AlwaysOffersTheBuiltInPdfPrinter) {
    ASSERT_TRUE(EnsurePrinterSelected());
    TPrinter& p = Printer();
    EXPECT_EQ(p.Printers().back(), BuiltInPdfPrinterName);
    EXPECT_FALSE(p.PrinterName().isEmpty());
    const int pdf = static_cast<int>(p.Printers().size()) - 1;
    ASSERT_TRUE(p.Open(pdf));
    EXPECT_TRUE(p.IsBuiltInPdf());
    const TDeviceCaps caps = p.Caps();
    EXPECT_EQ(caps.Technology, DT_RASPRINTER);
    EXPECT_EQ(caps.LogPixelsX, 600);
    EXPECT_GT(caps.HorzRes, 4000); // A4 at 600 dpi is 4960 wide
    EXPECT_LE(caps.PhysicalOffsetX + caps.HorzRes, caps.PhysicalWidth);
    TRect r;
    GetPrinterPrintableRect(254, r);
    EXPECT_GT(r.Width(), 1800); // 0.1 mm: about 2100 minus margins
    EXPECT_LE(r.Right, 2100);
    EXPECT_FALSE(p.Open(-1));
    EXPECT_FALSE(p.Open(pdf + 1));
    EXPECT_TRUE(p.IsBuiltInPdf());
}

TEST(Printers, BandCanvasDrawsOnThePageBandAndImitatesThePrinter) {
    TDeviceCaps printer;
    printer.Technology = DT_RASPRINTER;
    printer.LogPixelsX = printer.LogPixelsY = 600;
    TBitmap first(8, 8), second(8, 8);
    first.Fill(clWhite);
    second.Fill(clWhite);
    TBitmap* band = &first;
    TBandCanvas canvas([&] { return band; }, 0, printer);
    EXPECT_EQ(canvas.FixedPixelsPerInch(), 600);
    EXPECT_EQ(canvas.GetDeviceCaps(TECHNOLOGY), DT_RASPRINTER);
    EXPECT_EQ(canvas.Font().PixelsPerInch(), 600);
    EXPECT_EQ(canvas.Font().Size(), 9); // the point size survives the change of resolution
    canvas.SetPixel(1, 1, clRed);
    band = &second;
    canvas.SetPixel(2, 2, clBlue);
    EXPECT_EQ(first.GetPixel(1, 1), clRed);
    EXPECT_EQ(second.GetPixel(2, 2), clBlue);
    EXPECT_EQ(first.GetPixel(2, 2), clWhite);
    band = nullptr;
    canvas.SetPixel(3, 3, clBlue); // no band: nothing happens
    EXPECT_FALSE(canvas.HasPixelBuffer());

    TBandCanvas fixed([] { return nullptr; }, 254, printer);
    EXPECT_EQ(fixed.FixedPixelsPerInch(), 254);
}
