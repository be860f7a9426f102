// Text output of the canvas: the turning sense of escapements, the emulated vertical faces
// and the unhinted widths, with the IPA faces of the Debian packages.

#include "UBitmap.h"
#include "UCanvas.h"

#include <gtest/gtest.h>

namespace {

QRect Ink(TBitmap& B) {
    const QImage img = B.View();
    QRect box;
    for (int y = 0; y < img.height(); ++y)
        for (int x = 0; x < img.width(); ++x)
            if (qGray(img.pixel(x, y)) < 128)
                box |= QRect(x, y, 1, 1);
    return box;
}

struct TTextPage {
    TBitmap Bitmap{300, 300};
    TCanvas& C = Bitmap.Canvas();
    explicit TTextPage(const QString& Face) {
        C.Brush().SetColor(clWhite);
        C.FillRect({0, 0, 300, 300});
        C.Brush().SetStyle(bsClear);
        C.Font().SetName(Face);
        C.Font().SetHeight(-60);
    }
};

} // namespace

TEST(CanvasText, EscapementTurnsCounterClockwise) {
    struct TCase {
        int Escapement;
        QRect Area; // where the ink of text written from (150, 150) must lie
    } cases[] = {
        {0, QRect(150, 150, 150, 60)},
        {900, QRect(150, 0, 60, 150)},   // runs upward, cell to the right
        {-900, QRect(90, 150, 60, 150)}, // runs downward, cell to the left
        {1800, QRect(0, 90, 150, 60)},   // runs to the left, upside down
    };
    for (const TCase& c : cases) {
        TTextPage p(QStringLiteral("ＭＳ ゴシック"));
        p.C.Font().SetEscapement(c.Escapement);
        p.C.TextOut(150, 150, QStringLiteral("ABC"));
        const QRect ink = Ink(p.Bitmap);
        ASSERT_FALSE(ink.isEmpty()) << c.Escapement;
        EXPECT_TRUE(c.Area.adjusted(-1, -1, 1, 1).contains(ink))
            << c.Escapement << ": " << ink.x() << "," << ink.y() << " " << ink.width() << "x"
            << ink.height();
    }
}

TEST(CanvasText, VerticalFaceColumns) {
    TTextPage p(QStringLiteral("@ＭＳ ゴシック"));
    p.C.Font().SetEscapement(2700);
    TTextMetric tm;
    p.C.GetTextMetrics(tm);
    // Upright characters advance by the cell, whatever their horizontal width.
    EXPECT_NEAR(p.C.TextWidth(QStringLiteral("漢字")), 2 * tm.tmHeight, 1);
    TABC abc;
    ASSERT_TRUE(p.C.GetCharABCWidths(QStringLiteral("一"), abc));
    EXPECT_NEAR(abc.A + abc.B + abc.C, tm.tmHeight, 1);
    // "一" stands upright: a horizontal stroke in the column to the left of x = 150.
    p.C.TextOut(150, 20, QStringLiteral("一"));
    const QRect ink = Ink(p.Bitmap);
    EXPECT_GT(ink.width(), 3 * ink.height());
    EXPECT_LE(ink.right(), 150);
    EXPECT_TRUE(QRect(150 - tm.tmHeight, 20, tm.tmHeight, tm.tmHeight).contains(ink));
}

TEST(CanvasText, WidthsAgreeAcrossResolutions) {
    // The same 10-point line measured at 254 dpi in MM_TEXT and through a 600 dpi mapping of
    // 0.1 mm units gives the same logical widths: measuring is unhinted and exact.
    TBitmap a(10, 10), b(10, 10);
    a.Canvas().Font().SetPixelsPerInch(254);
    TCanvas& pc = b.Canvas();
    pc.SetMapMode(MM_ANISOTROPIC);
    pc.SetWindowExtEx(254, 254);
    pc.SetViewportExtEx(600, 600);
    pc.Font().SetPixelsPerInch(254);
    for (TCanvas* c : {&a.Canvas(), &pc}) {
        c->Font().SetName(QStringLiteral("ＭＳ Ｐ明朝"));
        c->Font().SetSize(10);
    }
    const QString line = QStringLiteral("カレンダー Calendar 2027年");
    EXPECT_NEAR(a.Canvas().TextWidth(line), pc.TextWidth(line), 1);
    for (const QString ch : {QStringLiteral("W"), QStringLiteral("あ"), QStringLiteral("年")}) {
        TABC x, y;
        ASSERT_TRUE(a.Canvas().GetCharABCWidths(ch, x));
        ASSERT_TRUE(pc.GetCharABCWidths(ch, y));
        EXPECT_NEAR(x.A + x.B + x.C, y.A + y.B + y.C, 1) << ch.toStdString();
        EXPECT_NEAR(x.B, y.B, 1) << ch.toStdString();
    }
}
