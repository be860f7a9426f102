#include "UBitmap.h"
#include "UCanvas.h"

#include "TestImageCompare.h"

#include <gtest/gtest.h>
#include <string>

namespace {

TBitmap WhiteBitmap(int W, int H, TPixelFormat F = pf24bit) {
    TBitmap b(W, H, F);
    b.Fill(clWhite);
    return b;
}

// The bitmap as rows of '#' (not white) and '.' (white), for small exact checks.
std::string Grid(const TBitmap& B) {
    std::string s;
    for (int y = 0; y < B.Height(); ++y) {
        for (int x = 0; x < B.Width(); ++x)
            s += B.GetPixel(x, y) == clWhite ? '.' : '#';
        s += '\n';
    }
    return s;
}

int CountNot(const TBitmap& B, TColor C) {
    int n = 0;
    for (int y = 0; y < B.Height(); ++y)
        for (int x = 0; x < B.Width(); ++x)
            n += B.GetPixel(x, y) != C;
    return n;
}

} // namespace

TEST(CanvasMapping, ConvertsWithHalfAwayFromZeroRounding) {
    struct Row {
        int WindowOrg, ViewportOrg, WindowExt, ViewportExt, Logical, Device;
    };
    const Row rows[] = {
        {0, 0, 1, 1, 7, 7},     // identity
        {0, 0, 2, 1, 3, 2},     // 1.5 rounds away from zero
        {0, 0, 2, 1, -3, -2},   // -1.5 rounds away from zero
        {0, 0, 3, 1, 1, 0},     // 1/3 rounds down
        {0, 0, 3, 2, 1, 1},     // 2/3 rounds up
        {100, 0, 1, 2, 100, 0}, // the window origin maps to the viewport origin
        {100, -200, 1, 2, 150, -100}, {0, 10, 254, 96, 254, 106}, // 0.1 mm units at 96 dpi
        {0, 0, -1, 1, 5, -5},                                     // a negative extent mirrors
    };
    for (const Row& r : rows) {
        TBitmap b(1, 1);
        TCanvas& c = b.Canvas();
        c.SetMapMode(MM_ANISOTROPIC);
        c.SetWindowExtEx(r.WindowExt, r.WindowExt);
        c.SetViewportExtEx(r.ViewportExt, r.ViewportExt);
        c.SetWindowOrgEx(r.WindowOrg, r.WindowOrg);
        c.SetViewportOrgEx(r.ViewportOrg, r.ViewportOrg);
        const TPoint d = c.LPtoDP(TPoint(r.Logical, r.Logical));
        EXPECT_EQ(d, TPoint(r.Device, r.Device))
            << "ext " << r.WindowExt << ":" << r.ViewportExt << " logical " << r.Logical;
    }
}

TEST(CanvasMapping, TextModeIgnoresExtentsAndIsotropicKeepsAspect) {
    TBitmap b(1, 1);
    TCanvas& c = b.Canvas();
    c.SetWindowExtEx(10, 10);
    EXPECT_EQ(c.GetWindowExtEx(), (TSize{1, 1}));
    EXPECT_EQ(c.LPtoDP(TPoint(5, 5)), TPoint(5, 5));
    EXPECT_FALSE((c.SetMapMode(MM_ANISOTROPIC), c.SetWindowExtEx(0, 5)));

    c.SetMapMode(MM_ISOTROPIC);
    c.SetWindowExtEx(100, 100);
    c.SetViewportExtEx(200, 50);
    // The smaller scale (1/2) holds on both axes.
    EXPECT_EQ(c.LPtoDP(TPoint(10, 10)), TPoint(5, 5));
    EXPECT_EQ(c.DPtoLP(TPoint(5, 5)), TPoint(10, 10));
}

TEST(CanvasState, SaveAndRestoreByAbsoluteAndRelativeIndex) {
    TBitmap b(4, 4);
    TCanvas& c = b.Canvas();
    c.SetViewportOrgEx(1, 0);
    EXPECT_EQ(c.SaveDC(), 1);
    c.SetViewportOrgEx(2, 0);
    c.Pen().SetColor(clRed);
    EXPECT_EQ(c.SaveDC(), 2);
    c.SetViewportOrgEx(3, 0);
    EXPECT_EQ(c.SaveDC(), 3);
    c.SetViewportOrgEx(4, 0);

    EXPECT_FALSE(c.RestoreDC(0));
    EXPECT_FALSE(c.RestoreDC(4));
    EXPECT_FALSE(c.RestoreDC(-4));
    EXPECT_TRUE(c.RestoreDC(-1)); // the most recent: origin 3
    EXPECT_EQ(c.GetViewportOrgEx(), TPoint(3, 0));
    EXPECT_EQ(c.SavedDCCount(), 2);
    EXPECT_TRUE(c.RestoreDC(1)); // the first, dropping the second
    EXPECT_EQ(c.GetViewportOrgEx(), TPoint(1, 0));
    EXPECT_EQ(c.Pen().Color(), clBlack);
    EXPECT_EQ(c.SavedDCCount(), 0);
    EXPECT_FALSE(c.RestoreDC(-1));
}

TEST(CanvasState, ToolsCarryTheirDeviceValues) {
    TBitmap b(4, 4);
    TCanvas& c = b.Canvas();
    EXPECT_EQ(c.GetBkMode(), OPAQUE);
    EXPECT_EQ(c.GetBkColor(), clWhite);
    c.SetBkColor(clRed);
    c.SetTextColor(clBlue);
    EXPECT_EQ(c.GetBkColor(), clRed); // direct values hold until the tool changes
    c.Brush().SetStyle(bsClear);
    EXPECT_EQ(c.GetBkMode(), TRANSPARENT);
    c.Brush().SetStyle(bsSolid);
    c.Brush().SetColor(clLime);
    EXPECT_EQ(c.GetBkColor(), clLime);
    EXPECT_EQ(c.GetBkMode(), OPAQUE);
    EXPECT_EQ(b.FillColor, clLime);
    EXPECT_EQ(c.GetTextColor(), clBlue);
    c.Font().SetColor(clMaroon);
    EXPECT_EQ(c.GetTextColor(), clMaroon);
    c.Pen().SetMode(pmXor);
    EXPECT_EQ(c.GetROP2(), R2_XORPEN);
    c.SetROP2(R2_NOT);
    EXPECT_EQ(c.GetROP2(), R2_NOT);
}

TEST(CanvasShapes, EdgeRules) {
    struct Row {
        const char* Name;
        std::function<void(TCanvas&)> Draw;
        const char* Expected;
    };
    const Row rows[] = {
        {"rectangle excludes right and bottom", [](TCanvas& c) { c.Rectangle(1, 1, 5, 4); },
         "......\n.####.\n.#..#.\n.####.\n......\n"},
        {"rectangle without pen is one smaller",
         [](TCanvas& c) {
             c.Pen().SetStyle(psClear);
             c.Brush().SetColor(clBlack);
             c.Rectangle(1, 1, 5, 4);
         },
         "......\n.###..\n.###..\n......\n......\n"},
        {"fill rect excludes right and bottom",
         [](TCanvas& c) {
             c.Brush().SetColor(clBlack);
             c.FillRect(Rect(1, 1, 4, 3));
         },
         "......\n.###..\n.###..\n......\n......\n"},
        {"line to leaves out its end point",
         [](TCanvas& c) {
             c.MoveTo(0, 2);
             c.LineTo(5, 2);
         },
         "......\n......\n#####.\n......\n......\n"},
        {"polyline shares vertices once",
         [](TCanvas& c) {
             const TPoint p[] = {{1, 0}, {1, 3}, {4, 3}};
             c.Polyline(p, 3);
         },
         ".#....\n.#....\n.#....\n.###..\n......\n"},
        {"polygon outline includes its vertices",
         [](TCanvas& c) {
             const TPoint p[] = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
             c.Polygon(p, 4);
         },
         "......\n.####.\n.#..#.\n.####.\n......\n"},
        {"polygon without pen leaves out right and bottom",
         [](TCanvas& c) {
             c.Pen().SetStyle(psClear);
             c.Brush().SetColor(clBlack);
             const TPoint p[] = {{1, 1}, {4, 1}, {4, 3}, {1, 3}};
             c.Polygon(p, 4);
         },
         "......\n.###..\n.###..\n......\n......\n"},
        {"frame rect uses the brush",
         [](TCanvas& c) {
             c.Brush().SetColor(clBlack);
             c.FrameRect(Rect(0, 0, 4, 4));
         },
         "####..\n#..#..\n#..#..\n####..\n......\n"},
        {"wide inside-frame pen stays inside",
         [](TCanvas& c) {
             c.Pen().SetWidth(2);
             c.Pen().SetStyle(psInsideFrame);
             c.Rectangle(0, 0, 6, 5);
         },
         "######\n######\n##..##\n######\n######\n"},
        {"width-0 pen is one pixel under any zoom",
         [](TCanvas& c) {
             c.SetMapMode(MM_ANISOTROPIC);
             c.SetWindowExtEx(1, 1);
             c.SetViewportExtEx(3, 3);
             c.Pen().SetWidth(0);
             c.MoveTo(0, 1);
             c.LineTo(2, 1);
         },
         "......\n......\n......\n######\n......\n"},
    };
    for (const Row& r : rows) {
        TBitmap b = WhiteBitmap(6, 5);
        r.Draw(b.Canvas());
        EXPECT_EQ(Grid(b), r.Expected) << r.Name;
    }
}

TEST(CanvasShapes, EllipseStaysWithinItsRectangle) {
    TBitmap b = WhiteBitmap(20, 14);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clRed);
    c.Ellipse(2, 3, 17, 12);
    for (int y = 0; y < 14; ++y)
        for (int x = 0; x < 20; ++x) {
            const bool inside = x >= 2 && x < 17 && y >= 3 && y < 12;
            if (!inside) {
                EXPECT_EQ(b.GetPixel(x, y), clWhite) << x << "," << y;
            }
        }
    EXPECT_EQ(b.GetPixel(9, 3), clBlack);  // top of the outline
    EXPECT_EQ(b.GetPixel(9, 11), clBlack); // bottom row is the last inside
    EXPECT_EQ(b.GetPixel(2, 7), clBlack);  // left
    EXPECT_EQ(b.GetPixel(16, 7), clBlack); // right
    EXPECT_EQ(b.GetPixel(9, 7), clRed);    // interior
    EXPECT_EQ(b.GetPixel(2, 3), clWhite);  // corner outside the ellipse
}

TEST(CanvasRasterOps, XorAndInvertTwiceRestoreEveryPixel) {
    // A picture with many colours, so that any pixel not put back shows.
    TBitmap picture(40, 30, pf24bit);
    for (int y = 0; y < 30; ++y)
        for (int x = 0; x < 40; ++x)
            picture.SetPixel(x, y, RGB(x * 6, y * 8, (x * y) & 0xFF));
    for (TPixelFormat f : {pf24bit, pf32bit, pf8bit, pf16bit}) {
        TBitmap b = picture;
        b.SetPixelFormat(f);
        const TBitmap before = b;
        TCanvas& c = b.Canvas();
        c.Pen().SetStyle(psDot);
        c.Pen().SetWidth(0);
        c.Pen().SetMode(pmXor);
        c.Pen().SetColor(clWhite);
        c.Brush().SetStyle(bsClear);
        c.Rectangle(3, 4, 31, 25);
        const int changed = [&] {
            int n = 0;
            for (int y = 0; y < 30; ++y)
                for (int x = 0; x < 40; ++x)
                    n += b.GetPixel(x, y) != before.GetPixel(x, y);
            return n;
        }();
        // Dots: about half of the 94 outline pixels change, the inside does not.
        EXPECT_GT(changed, 30) << f;
        EXPECT_LT(changed, 94) << f;
        c.Rectangle(3, 4, 31, 25);
        c.InvertRect(Rect(5, 5, 20, 20));
        c.InvertRect(Rect(5, 5, 20, 20));
        for (int y = 0; y < 30; ++y)
            for (int x = 0; x < 40; ++x)
                ASSERT_EQ(b.GetPixel(x, y), before.GetPixel(x, y)) << f << " at " << x << "," << y;
    }
}

TEST(CanvasRasterOps, DottedPenDrawsThreeOnThreeOff) {
    TBitmap b = WhiteBitmap(14, 1);
    TCanvas& c = b.Canvas();
    c.Pen().SetStyle(psDot);
    c.Brush().SetStyle(bsClear); // transparent gaps
    c.MoveTo(0, 0);
    c.LineTo(14, 0);
    EXPECT_EQ(Grid(b), "###...###...##\n");
    c.Brush().SetStyle(bsSolid); // opaque gaps take the background colour
    c.Brush().SetColor(clRed);
    c.MoveTo(0, 0);
    c.LineTo(14, 0);
    EXPECT_EQ(b.GetPixel(4, 0), clRed);
    EXPECT_EQ(b.GetPixel(0, 0), clBlack);
}

TEST(CanvasRasterOps, PenModesCombineBitwise) {
    struct Row {
        TPenMode Mode;
        TColor Dest, Pen, Expected;
    };
    const Row rows[] = {
        {pmCopy, 0x123456, 0x0000FF, 0x0000FF},       {pmXor, 0x123456, 0x0000FF, 0x1234A9},
        {pmNot, 0x123456, 0x0000FF, 0xEDCBA9},        {pmMerge, 0x123456, 0x0000FF, 0x1234FF},
        {pmMask, 0x123456, 0x0000FF, 0x000056},       {pmNotCopy, 0x123456, 0x0000FF, 0xFFFF00},
        {pmBlack, 0x123456, 0x0000FF, 0x000000},      {pmWhite, 0x123456, 0x0000FF, 0xFFFFFF},
        {pmNop, 0x123456, 0x0000FF, 0x123456},        {pmNotXor, 0x123456, 0x0000FF, 0xEDCB56},
        {pmMaskPenNot, 0x123456, 0x0000FF, 0x0000A9}, {pmMergeNotPen, 0x123456, 0x0000FF, 0xFFFF56},
    };
    for (const Row& r : rows) {
        TBitmap b(3, 1);
        b.Fill(r.Dest);
        TCanvas& c = b.Canvas();
        c.Pen().SetColor(r.Pen);
        c.Pen().SetMode(r.Mode);
        c.MoveTo(0, 0);
        c.LineTo(2, 0);
        EXPECT_EQ(b.GetPixel(1, 0), r.Expected) << "mode " << r.Mode;
        EXPECT_EQ(b.GetPixel(2, 0), r.Dest) << "mode " << r.Mode;
    }
}

TEST(CanvasBlits, RasterOperationsOnColourPixels) {
    struct Row {
        uint32_t Rop;
        TColor Expected; // dest 0x0F0F0F, source 0x3355FF, brush 0xFF0000
    };
    const Row rows[] = {
        {SRCCOPY, 0x3355FF},   {SRCAND, 0x03050F},     {SRCPAINT, 0x3F5FFF},
        {SRCINVERT, 0x3C5AF0}, {MERGEPAINT, 0xCFAF0F}, {PATINVERT, 0xF00F0F},
        {DSTINVERT, 0xF0F0F0}, {PATCOPY, 0xFF0000},    {BLACKNESS, 0x000000},
        {WHITENESS, 0xFFFFFF}, {NOTSRCCOPY, 0xCCAA00},
    };
    TBitmap source(2, 2);
    source.Fill(0x3355FF);
    for (const Row& r : rows) {
        TBitmap b(2, 2);
        b.Fill(0x0F0F0F);
        TCanvas& c = b.Canvas();
        c.Brush().SetColor(0xFF0000);
        c.StretchBlt(0, 0, 1, 1, source, 0, 0, 1, 1, r.Rop);
        EXPECT_EQ(b.GetPixel(0, 0), r.Expected) << std::hex << r.Rop;
        EXPECT_EQ(b.GetPixel(1, 1), 0x0F0F0F) << std::hex << r.Rop;
    }
}

TEST(CanvasBlits, MonochromeSourceTakesTextAndBackgroundColours) {
    TBitmap mask(2, 1, pf1bit); // bit 1 = white, bit 0 = black
    mask.SetPixel(0, 0, clWhite);
    mask.SetPixel(1, 0, clBlack);
    TBitmap b(2, 1);
    TCanvas& c = b.Canvas();
    c.SetTextColor(clRed);
    c.SetBkColor(clBlue);
    c.StretchBlt(0, 0, 2, 1, mask, 0, 0, 2, 1, SRCCOPY);
    EXPECT_EQ(b.GetPixel(0, 0), clBlue);
    EXPECT_EQ(b.GetPixel(1, 0), clRed);

    // Colour onto a 1-bit target: the source canvas's background colour becomes 1.
    TBitmap colour(2, 1);
    colour.SetPixel(0, 0, clLime);
    colour.SetPixel(1, 0, clNavy);
    colour.Canvas().SetBkColor(clLime);
    TBitmap mono(2, 1, pf1bit);
    mono.Fill(clBlack);
    mono.Canvas().BitBlt(0, 0, 2, 1, colour.Canvas(), 0, 0, SRCCOPY);
    EXPECT_EQ(mono.GetPixel(0, 0), clWhite);
    EXPECT_EQ(mono.GetPixel(1, 0), clBlack);
}

TEST(CanvasBlits, StretchSamplesNearestAndMirrors) {
    TBitmap src(3, 3);
    for (int y = 0; y < 3; ++y)
        for (int x = 0; x < 3; ++x)
            src.SetPixel(x, y, RGB(x * 100, y * 100, 7));
    TBitmap b(6, 6);
    b.Canvas().StretchBlt(0, 0, 6, 6, src, 0, 0, 3, 3, SRCCOPY);
    for (int y = 0; y < 6; ++y)
        for (int x = 0; x < 6; ++x)
            EXPECT_EQ(b.GetPixel(x, y), src.GetPixel(x / 2, y / 2)) << x << "," << y;

    TBitmap m(3, 1);
    m.Canvas().StretchBlt(2, 0, -3, 1, src, 0, 0, 3, 1, SRCCOPY); // dest [-1, 2) mirrored
    EXPECT_EQ(m.GetPixel(0, 0), src.GetPixel(1, 0));
    EXPECT_EQ(m.GetPixel(1, 0), src.GetPixel(0, 0));
    TBitmap m2(3, 1);
    m2.Canvas().StretchBlt(0, 0, 3, 1, src, 3, 0, -3, 1, SRCCOPY); // source [0, 3) mirrored
    EXPECT_EQ(m2.GetPixel(0, 0), src.GetPixel(2, 0));
    EXPECT_EQ(m2.GetPixel(2, 0), src.GetPixel(0, 0));
}

TEST(CanvasBlits, OverlappingCopyWithinOneBitmap) {
    TBitmap b(6, 1);
    for (int x = 0; x < 6; ++x)
        b.SetPixel(x, 0, RGB(x * 40, 0, 0));
    TCanvas& c = b.Canvas();
    c.BitBlt(1, 0, 5, 1, c, 0, 0, SRCCOPY);
    for (int x = 1; x < 6; ++x)
        EXPECT_EQ(b.GetPixel(x, 0), RGB((x - 1) * 40, 0, 0));
}

TEST(CanvasBlits, TransparentBitmapLeavesItsKeyColourOut) {
    TBitmap sprite(2, 1);
    sprite.SetPixel(0, 0, clFuchsia);
    sprite.SetPixel(1, 0, clNavy);
    sprite.Transparent = true;
    sprite.SetTransparentColor(clFuchsia);
    TBitmap b(2, 1);
    b.Fill(clYellow);
    b.Canvas().Draw(0, 0, sprite);
    EXPECT_EQ(b.GetPixel(0, 0), clYellow);
    EXPECT_EQ(b.GetPixel(1, 0), clNavy);
}

TEST(CanvasClip, RegionsRectanglesAndBoxes) {
    TBitmap b = WhiteBitmap(20, 10);
    TCanvas& c = b.Canvas();
    TRect box;
    EXPECT_EQ(c.GetClipBox(box), SIMPLEREGION);
    EXPECT_EQ(box, Rect(0, 0, 20, 10));
    EXPECT_EQ(c.IntersectClipRect(2, 2, 12, 8), SIMPLEREGION);
    EXPECT_EQ(c.ExcludeClipRect(5, 0, 7, 10), COMPLEXREGION);
    EXPECT_TRUE(c.RectVisible(Rect(0, 0, 3, 3)));
    EXPECT_FALSE(c.RectVisible(Rect(5, 2, 7, 8)));
    EXPECT_FALSE(c.RectVisible(Rect(12, 0, 20, 10)));
    c.Brush().SetColor(clBlack);
    c.FillRect(Rect(0, 0, 20, 10));
    EXPECT_EQ(CountNot(b, clWhite), (12 - 2 - 2) * 6);
    EXPECT_EQ(b.GetPixel(6, 5), clWhite);

    // Logical clip box under a 2 : 1 zoom.
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(1, 1);
    c.SetViewportExtEx(2, 2);
    c.GetClipBox(box);
    EXPECT_EQ(box, Rect(1, 1, 6, 4));

    TRegion saved;
    EXPECT_EQ(c.GetClipRgn(saved), 1);
    c.SelectClipRgn(nullptr);
    EXPECT_EQ(c.GetClipRgn(saved), 0);
    EXPECT_FALSE(c.HasClipRgn());
}

TEST(CanvasPaths, RecordFillAndClip) {
    TBitmap b = WhiteBitmap(12, 12);
    TCanvas& c = b.Canvas();
    c.BeginPath();
    c.MoveTo(1, 1);
    c.LineTo(9, 1);
    c.LineTo(9, 9);
    c.LineTo(1, 9);
    c.CloseFigure();
    c.EndPath();
    std::vector<TPoint> pts;
    std::vector<uint8_t> types;
    EXPECT_EQ(c.GetPath(pts, types), 4);
    EXPECT_EQ(types,
              (std::vector<uint8_t>{PT_MOVETO, PT_LINETO, PT_LINETO, PT_LINETO | PT_CLOSEFIGURE}));
    EXPECT_EQ(CountNot(b, clWhite), 0); // nothing drawn while recording
    c.Brush().SetColor(clBlack);
    c.FillPath();
    EXPECT_EQ(CountNot(b, clWhite), 64); // [1, 9) on both axes
    EXPECT_EQ(c.GetPath(pts, types), 0);

    c.BeginPath();
    c.Ellipse(0, 0, 12, 12);
    c.EndPath();
    EXPECT_NE(c.SelectClipPath(RGN_COPY), RGN_ERROR);
    EXPECT_FALSE(c.PtVisible(0, 0));
    EXPECT_TRUE(c.PtVisible(6, 6));
}

TEST(CanvasText, DrawsAtTheCellAndTurnsWithEscapement) {
    TBitmap b = WhiteBitmap(120, 120);
    TCanvas& c = b.Canvas();
    c.Brush().SetStyle(bsClear);
    c.Font().SetName(QStringLiteral("ＭＳ ゴシック"));
    c.Font().SetHeight(-20);
    const TSize ext = c.TextExtent(QStringLiteral("日本"));
    EXPECT_GE(ext.cx, 36);
    EXPECT_GE(ext.cy, 20);
    c.TextOut(10, 10, QStringLiteral("日本"));
    int minX = 999, maxX = -1, minY = 999, maxY = -1;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 120; ++x)
            if (b.GetPixel(x, y) != clWhite) {
                minX = std::min(minX, x), maxX = std::max(maxX, x);
                minY = std::min(minY, y), maxY = std::max(maxY, y);
            }
    EXPECT_GE(minX, 10);
    EXPECT_GE(minY, 10);
    EXPECT_LT(maxX, 10 + ext.cx);
    EXPECT_LT(maxY, 10 + ext.cy);
    EXPECT_EQ(c.PenPos(), TPoint(10 + ext.cx, 10));

    // 90 degrees counter-clockwise: the text runs upwards from the reference point.
    TBitmap v = WhiteBitmap(60, 120);
    v.Canvas().Brush().SetStyle(bsClear);
    v.Canvas().Font().SetHeight(-20);
    v.Canvas().Font().SetEscapement(900);
    v.Canvas().TextOut(10, 100, QStringLiteral("日本"));
    int inkAbove = 0, inkBelow = 0, inkLeft = 0;
    for (int y = 0; y < 120; ++y)
        for (int x = 0; x < 60; ++x)
            if (v.GetPixel(x, y) != clWhite) {
                (y < 100 ? inkAbove : inkBelow)++;
                inkLeft += x < 10;
            }
    EXPECT_GT(inkAbove, 20);
    EXPECT_EQ(inkBelow, 0);
    EXPECT_EQ(inkLeft, 0);
}

TEST(CanvasFonts, SubstitutesWindowsJapaneseFaces) {
    EXPECT_EQ(SubstituteFontFace(QStringLiteral("ＭＳ Ｐゴシック")), "IPAPGothic");
    EXPECT_EQ(SubstituteFontFace(QStringLiteral("ＭＳ 明朝")), "IPAMincho");
    EXPECT_EQ(SubstituteFontFace(QStringLiteral("@ＭＳ 明朝")), "IPAMincho");
    EXPECT_EQ(SubstituteFontFace(QStringLiteral("ms pmincho")), "IPAPMincho");
    EXPECT_EQ(SubstituteFontFace(QStringLiteral("DejaVu Sans")), "DejaVu Sans");
    TFont f;
    f.SetPixelsPerInch(254);
    f.SetSize(10);
    EXPECT_EQ(f.Height(), -35); // 10 pt at 254 dpi
    EXPECT_EQ(f.Size(), 10);
}

// A small scene through the canvas, compared with a reviewed golden picture.
TEST(CanvasScene, MatchesGoldenPicture) {
    TBitmap b = WhiteBitmap(160, 120);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(RGB(80, 120, 220));
    c.Rectangle(8, 8, 70, 50);

    c.Pen().SetColor(clGreen);
    c.Pen().SetWidth(3);
    c.Brush().SetColor(clRed);
    c.Ellipse(80, 10, 150, 60);

    c.Pen().SetWidth(0);
    c.Pen().SetColor(clBlack);
    c.Brush().SetColor(clYellow);
    c.SetPolyFillMode(WINDING);
    const TPoint star[] = {{40, 62}, {52, 110}, {12, 80}, {68, 80}, {28, 110}};
    c.Polygon(star, 5);

    // Hatched fill clipped to an ellipse region, under a 2 : 1 zoom.
    c.SaveDC();
    const TRegion oval = TRegion::CreateEllipse(Rect(84, 66, 152, 114));
    c.SelectClipRgn(&oval);
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(1, 1);
    c.SetViewportExtEx(2, 2);
    c.Brush().SetStyle(bsDiagCross);
    c.Brush().SetColor(clNavy);
    c.SetBkMode(TRANSPARENT);
    c.FillRect(Rect(40, 30, 80, 60));
    c.RestoreDC(-1);

    c.Pen().SetStyle(psDash);
    c.Brush().SetStyle(bsClear);
    c.RoundRect(76, 64, 156, 116, 20, 20);

    c.Pen().SetStyle(psSolid);
    c.Pen().SetMode(pmXor);
    c.Pen().SetColor(clWhite);
    c.MoveTo(0, 119);
    c.LineTo(159, 0);

    TestImages::ExpectMatchesGolden(b.ToQImage(), "canvas/scene.png");
}

TEST(CanvasPaths, StrokesTextOutlinesAndWidePens) {
    TBitmap b = WhiteBitmap(40, 40);
    TCanvas& c = b.Canvas();
    c.BeginPath();
    c.Rectangle(2, 2, 12, 12);
    c.EndPath();
    c.StrokePath();
    // The recorded rectangle keeps the right and bottom edges outside, as when drawn.
    EXPECT_EQ(b.GetPixel(2, 2), clBlack);
    EXPECT_EQ(b.GetPixel(11, 11), clBlack);
    EXPECT_EQ(b.GetPixel(12, 5), clWhite);
    EXPECT_EQ(b.GetPixel(6, 6), clWhite);

    c.BeginPath();
    c.Font().SetHeight(-20);
    c.TextOut(14, 14, QStringLiteral("O"));
    c.EndPath();
    std::vector<TPoint> pts;
    std::vector<uint8_t> types;
    ASSERT_GT(c.GetPath(pts, types), 8);
    EXPECT_EQ(types.front(), PT_MOVETO);
    EXPECT_NE(std::count(types.begin(), types.end(), PT_BEZIERTO), 0);
    c.Brush().SetColor(clBlack);
    c.FillPath();
    // The letter O: ink on its ring, none in its hole.
    int ink = 0;
    for (int y = 14; y < 36; ++y)
        for (int x = 14; x < 30; ++x)
            ink += b.GetPixel(x, y) == clBlack;
    EXPECT_GT(ink, 30);

    // A wide pen scales with the mapping: 2 logical units at 3 : 1 are 6 pixels.
    TBitmap w = WhiteBitmap(30, 30);
    TCanvas& wc = w.Canvas();
    wc.SetMapMode(MM_ANISOTROPIC);
    wc.SetViewportExtEx(3, 3);
    wc.Pen().SetWidth(2);
    wc.MoveTo(2, 5);
    wc.LineTo(8, 5);
    int thick = 0;
    for (int y = 0; y < 30; ++y)
        thick += w.GetPixel(15, y) == clBlack;
    EXPECT_EQ(thick, 6);
}

TEST(CanvasText, OpaqueBackgroundFillsTheCell) {
    TBitmap b = WhiteBitmap(60, 30);
    TCanvas& c = b.Canvas();
    c.Brush().SetColor(clYellow); // solid brush: opaque text background in the brush colour
    c.Font().SetHeight(-16);
    const TSize ext = c.TextExtent(QStringLiteral("ab"));
    c.TextOut(5, 5, QStringLiteral("ab"));
    EXPECT_EQ(b.GetPixel(5, 5), clYellow);
    EXPECT_EQ(b.GetPixel(5 + ext.cx - 1, 5 + ext.cy - 1), clYellow);
    EXPECT_EQ(b.GetPixel(5 + ext.cx, 5), clWhite);
    EXPECT_EQ(b.GetPixel(4, 5), clWhite);
    TTextMetric tm;
    c.GetTextMetrics(tm);
    EXPECT_EQ(tm.tmHeight, ext.cy);
    EXPECT_EQ(tm.tmAscent + tm.tmDescent, tm.tmHeight);
    EXPECT_EQ(tm.tmCharSet, SHIFTJIS_CHARSET);
}
