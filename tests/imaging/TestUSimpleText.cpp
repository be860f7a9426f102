// The simple text layout: display lines, bounds, alignment, feed slant, lazy layouts,
// vertical columns with their vertical forms, rotated and arc layouts, outlines against
// drawing, and the property stream. Measured with the IPA faces of the Debian packages
// (fonts-ipafont-gothic: /usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf).

#include "SimpleTextTestClasses.h"
#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UClasses.h"
#include "UComponent.h"
#include "UPropStream.h"
#include "USimpleText.h"
#include "UStreams.h"
#include "UStroke.h"

#include <QFile>
#include <gtest/gtest.h>

namespace {

TStringList Lines(std::initializer_list<QString> L) {
    return TStringList(QStringList(L));
}

// A text in ＭＳ Ｐゴシック (IPAPGothic) at Size points.
std::unique_ptr<TSimpleText> MakeText(const TStringList& Text, int Size = 36) {
    auto t = std::make_unique<TSimpleText>();
    t->Font()->SetName(QStringLiteral("ＭＳ Ｐゴシック"));
    t->Font()->SetSize(Size);
    t->SetText(Text);
    return t;
}

// A white bitmap shown at 100 %: logical units of 0.1 mm on a 96 dpi screen.
struct TPage {
    TBitmap Bitmap;
    explicit TPage(int W, int H) : Bitmap(W, H) {
        TCanvas& c = Bitmap.Canvas();
        c.Brush().SetColor(clWhite);
        c.FillRect({0, 0, W, H});
        c.SetMapMode(MM_ANISOTROPIC);
        c.SetWindowExtEx(254, 254);
        c.SetViewportExtEx(96, 96);
        c.Font().SetPixelsPerInch(254);
        c.Brush().SetStyle(bsClear);
    }
    TCanvas& Canvas() { return Bitmap.Canvas(); }
    QImage Image() { return Bitmap.View().copy(); }
};

// Bounding box of the pixels darker than Threshold (empty when none).
QRect InkBox(const QImage& Image, int Threshold = 128) {
    QRect box;
    for (int y = 0; y < Image.height(); ++y)
        for (int x = 0; x < Image.width(); ++x)
            if (qGray(Image.pixel(x, y)) < Threshold)
                box |= QRect(x, y, 1, 1);
    return box;
}

} // namespace

TEST(SimpleText, EmptyTextIsMeasuredAsThePlaceholder) {
    auto empty = MakeText({});
    auto placeholder = MakeText(Lines({QStringLiteral("未入力項目")}));
    EXPECT_EQ(empty->GetDisplayLines(), placeholder->GetDisplayLines());
    const TRect r{0, 0, 2000, 500};
    EXPECT_EQ(empty->GetTextBounds(r, false), placeholder->GetTextBounds(r, false));
    TStroke s;
    empty->TextToStroke(s, r, false);
    EXPECT_GT(s.GetCount(), 100);
}

TEST(SimpleText, ConversionsOfTheDisplayLines) {
    auto t = MakeText(Lines({QStringLiteral("a-1"), QStringLiteral("２０")}));
    t->SetHanToZen(true);
    EXPECT_EQ(t->GetDisplayLines()[0], QStringLiteral("ａ－１"));
    t->SetMinusExc(true);
    EXPECT_EQ(t->GetDisplayLines()[0], QStringLiteral("ａ-１"));
    t->SetNumToKnj(true);
    EXPECT_EQ(t->GetDisplayLines()[0], QStringLiteral("ａ-一"));
    EXPECT_EQ(t->GetDisplayLines()[1], QStringLiteral("二〇"));
    t->SetHanToZen(false);
    EXPECT_EQ(t->GetDisplayLines()[0], QStringLiteral("a-1")) << "half-width digits stay";
}

TEST(SimpleText, BoundsByAlignment) {
    auto t = MakeText(Lines({QStringLiteral("漢字"), QStringLiteral("漢字漢字")}));
    t->SetLineSpacing(10);
    const int h = t->GetFontHeight();
    const TRect r{100, 50, 1100, 900};
    const TRect left = t->GetTextBounds(r, false);
    // Two kanji of one em (127 units at 36 points) with the side bearings of the ink.
    EXPECT_EQ(left.Left, 100);
    EXPECT_LT(left.Right, 100 + 4 * 127);
    EXPECT_GT(left.Right, 100 + 4 * 127 - 30);
    EXPECT_EQ(left.Top, 50);
    EXPECT_EQ(left.Bottom, 50 + 2 * (h + 10) - 10);
    const int w = left.Width();
    struct TCase {
        int Align;
        bool Natural;
        int Left, Right;
    } cases[] = {
        {AlignRight, false, 1100 - w, 1100},
        {AlignCenter, false, 100 + (1000 - w) / 2, 100 + (1000 - w) / 2 + w},
        {AlignJustify, false, 100, 1100},
        {AlignJustify, true, 100, 100 + w},
    };
    for (const TCase& c : cases) {
        t->SetAlign(c.Align);
        const TRect b = t->GetTextBounds(r, c.Natural);
        EXPECT_NEAR(b.Left, c.Left, 1) << c.Align;
        EXPECT_NEAR(b.Right, c.Right, 1) << c.Align;
    }
    // Justify spreads exactly the free width: the last ink of every line ends at the edge.
    t->SetAlign(AlignJustify);
    t->GetTextBounds(r, false);
    for (const TCharLayout& l : t->LineLayouts()) {
        const TABC& last = l.ABCs.back();
        EXPECT_EQ(l.Positions.back() + last.A + last.B, 1000);
    }
    // Vertical text: columns end at the right edge, characters run down from the top.
    t->SetAlign(AlignLeft);
    t->SetVertical(true);
    const int hv = t->GetFontHeight();
    const TRect v = t->GetTextBounds(r, false);
    EXPECT_EQ(v.Right, 1100);
    EXPECT_EQ(v.Left, 1100 - (2 * (hv + 10) - 10));
    EXPECT_EQ(v.Top, 50);
    EXPECT_GT(v.Bottom, 50 + 4 * 120);
}

TEST(SimpleText, EmptyLinesAndTabs) {
    auto t = MakeText(Lines({QString(), QString()}));
    const TRect r{10, 20, 500, 600};
    const TRect b = t->GetTextBounds(r, false);
    EXPECT_EQ(b.Left, 10);
    EXPECT_EQ(b.Right, 500);
    auto tab = MakeText(Lines({QStringLiteral("\t")}));
    tab->GetTextBounds(r, false);
    TCanvas& scratch = TSimpleText::ScratchCanvas();
    tab->SelectFontInto(scratch);
    ASSERT_EQ(tab->LineLayouts().size(), 1u);
    EXPECT_EQ(tab->LineLayouts()[0].ABCs[0].B, 8 * scratch.TextWidth(QStringLiteral("0")));
    TStroke s;
    tab->TextToStroke(s, r, false);
    EXPECT_EQ(s.GetCount(), 0) << "a tab draws nothing";
}

TEST(SimpleText, FeedSlantShiftsLines) {
    auto t = MakeText(Lines({QStringLiteral("漢"), QStringLiteral("漢"), QStringLiteral("漢")}));
    const int h = t->GetFontHeight();
    const TRect r{0, 0, 2000, 1000};
    auto lefts = [&] {
        t->GetTextBounds(r, false);
        std::vector<int> out;
        for (const TCharLayout& l : t->LineLayouts())
            out.push_back(l.Left);
        return out;
    };
    const std::vector<int> plain = lefts();
    t->SetFeedAngle(30);
    const std::vector<int> slanted = lefts();
    // sin(-30 degrees) = -0.5: line i moves by (2 - i) * h / 2.
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(slanted[i] - plain[i], (2 - i) * h / 2.0, 1) << i;
    t->SetFeedAngle(-30);
    const std::vector<int> back = lefts();
    for (int i = 0; i < 3; ++i)
        EXPECT_NEAR(back[i] - plain[i], i * h / 2.0, 1) << i;
    t->SetAlign(AlignCenter);
    t->SetFeedAngle(0);
    const std::vector<int> centred = lefts();
    t->SetFeedAngle(30);
    EXPECT_EQ(lefts(), centred) << "no slant for centred text";
    t->SetAlign(AlignRight);
    t->SetFeedAngle(0);
    const std::vector<int> right = lefts();
    t->SetFeedAngle(-30);
    const std::vector<int> rs = lefts();
    EXPECT_NEAR(rs[2] - right[2], 0, 1) << "the last right-aligned line stays at the edge";
    EXPECT_NEAR(rs[0] - right[0], -h, 1);
}

TEST(SimpleText, LayoutsAreRebuiltOnlyWhenMeasuresChange) {
    auto t = MakeText(Lines({QStringLiteral("abc")}));
    int changes = 0;
    t->OnChange = [&changes](TSimpleText*) { ++changes; };
    t->GetTextBounds({0, 0, 100, 100}, false);
    ASSERT_EQ(t->LineLayouts().size(), 1u);
    t->SetAlign(AlignRight);
    t->SetAngle(10);
    t->SetBulge(5);
    t->SetLineSpacing(3);
    t->SetFeedAngle(4);
    EXPECT_EQ(t->LineLayouts().size(), 1u);
    EXPECT_EQ(changes, 5);
    t->SetAlign(AlignRight);
    EXPECT_EQ(changes, 5) << "an equal value changes nothing";
    t->SetCharSpacing(2);
    EXPECT_TRUE(t->LineLayouts().empty());
    t->GetTextBounds({0, 0, 100, 100}, false);
    t->Font()->SetSize(20);
    EXPECT_TRUE(t->LineLayouts().empty());
    t->BeginUpdate();
    t->SetVertical(true);
    t->SetText(Lines({QStringLiteral("x")}));
    t->EndUpdate();
    EXPECT_EQ(changes, 8);
    // Assign copies everything but the colour, in one change.
    TSimpleText copy;
    int copyChanges = 0;
    copy.OnChange = [&copyChanges](TSimpleText*) { ++copyChanges; };
    t->SetFontColor(clRed);
    copy.Assign(t.get());
    EXPECT_EQ(copyChanges, 1);
    EXPECT_EQ(copy.Text(), t->Text());
    EXPECT_EQ(copy.Font()->Size(), 20);
    EXPECT_TRUE(copy.Vertical());
    EXPECT_EQ(copy.FeedAngle(), 4);
    EXPECT_EQ(copy.FontColor(), clBlack);
}

TEST(SimpleText, VerticalFormsAreTheVertAlternates) {
    // The drawn glyph of each character in a vertical face is the font's 'vert' alternate:
    // its ink, filled from the alternate's own outline, covers the same pixels.
    TFont probe;
    probe.SetName(QStringLiteral("ＭＳ Ｐゴシック"));
    TBitmap b(1, 1);
    b.Canvas().Font().SetHeight(-100);
    const QRawFont raw = b.Canvas().DeviceRawFont();
    for (const char32_t ch : {U'ー', U'（', U'、', U'。'}) {
        const quint32 plain = raw.glyphIndexesForString(QString::fromUcs4(&ch, 1)).value(0);
        const quint32 vert = VerticalGlyphIndex(raw, ch);
        EXPECT_NE(vert, 0u);
        EXPECT_NE(vert, plain) << int(ch);
        TPage page(160, 160);
        TCanvas& c = page.Canvas();
        c.SetMapMode(MM_TEXT);
        c.Font().SetName(QStringLiteral("@ＭＳ Ｐゴシック"));
        c.Font().SetHeight(-100);
        c.Font().SetEscapement(2700);
        c.TextOut(130, 20, QString::fromUcs4(&ch, 1));
        const QRect drawn = InkBox(page.Image());
        // The alternate upright in a 100-pixel cell whose right edge is x = 130 and whose
        // top is y = 20: its box, moved so that the em box fills the cell.
        const QRectF box = raw.boundingRect(vert);
        const double adv =
            raw.advancesForGlyphIndexes(QList<quint32>{vert}, QRawFont::UseDesignMetrics)[0].x();
        const double cell = raw.ascent() + raw.descent();
        const QRectF expected = box.translated(130 - cell / 2 - adv / 2 + 0, 20 + raw.ascent());
        EXPECT_NEAR(drawn.left(), expected.left(), 1.5) << int(ch);
        EXPECT_NEAR(drawn.right() + 1, expected.right(), 1.5) << int(ch);
        EXPECT_NEAR(drawn.top(), expected.top(), 1.5) << int(ch);
        EXPECT_NEAR(drawn.bottom() + 1, expected.bottom(), 1.5) << int(ch);
    }
}

TEST(SimpleText, VerticalColumnsRunRightToLeftWithLatinOnItsSide) {
    auto t = MakeText(Lines({QStringLiteral("ー。"), QStringLiteral("l")}), 24);
    t->SetVertical(true);
    TPage page(200, 200);
    t->Draw(page.Canvas(), {0, 0, 520, 520});
    const QImage img = page.Image();
    // 520 units are 196 pixels; a column is one cell height (about 32 pixels) wide.
    const int h = t->GetFontHeight() * 96 / 254;
    const QRect right = InkBox(img.copy(196 - h, 0, h, 200));
    const QRect left = InkBox(img.copy(196 - 2 * h - 4, 0, h, 200));
    ASSERT_FALSE(right.isEmpty());
    ASSERT_FALSE(left.isEmpty());
    // Column 1 (right) holds the long vowel mark standing as a vertical bar.
    EXPECT_GT(right.height(), 2 * right.width());
    // Column 2 holds the Latin "l", lying on its side: wider than high.
    EXPECT_GT(left.width(), 2 * left.height());
    EXPECT_TRUE(InkBox(img.copy(0, 0, 196 - 2 * h - 8, 200)).isEmpty());
}

TEST(SimpleText, DoubleByteSymbolsStandInColumnsAndSingleByteCharactersTurn) {
    // Along a column an upright character takes one cell (ascent + descent); a character
    // lying on its side takes its own advance.
    TBitmap b(1, 1);
    TCanvas& c = b.Canvas();
    c.Font().SetName(QStringLiteral("@ＭＳ Ｐゴシック"));
    c.Font().SetHeight(-100);
    const QRawFont raw = c.DeviceRawFont();
    ASSERT_TRUE(raw.isValid());
    const int cell = int(std::lround(raw.ascent() + raw.descent()));
    const struct {
        const char16_t* Chars;
        bool Upright;
    } cases[] = {
        {u"①○★※→×°", true},      // symbols of the code page's two-byte rows
        {u"ΑΩαωДЖдж", true},     // full-width Greek and Cyrillic
        {u"あア漢、ー（", true}, // kana, kanji, punctuation as before
        {u"AZaz09-(", false},    // single-byte Latin
        {u"ｱｶﾞ｡", false},        // single-byte (half-width) katakana
    };
    for (const auto& k : cases)
        for (const QChar ch : QString::fromUtf16(k.Chars)) {
            TABC abc;
            ASSERT_TRUE(c.GetCharABCWidths(QString(ch), abc)) << int(ch.unicode());
            const int advance = abc.A + abc.B + abc.C;
            if (k.Upright)
                EXPECT_EQ(advance, cell) << QString(ch).toStdString();
            else
                EXPECT_LT(advance, cell) << QString(ch).toStdString();
        }
}

TEST(SimpleText, GoldenImages) {
    struct TCase {
        const char* Name;
        bool Vertical;
        int Angle, Bulge;
    } cases[] = {
        {"horizontal", false, 0, 0},    {"vertical", true, 0, 0},
        {"rotated30", false, 30, 0},    {"arc_plus", false, 0, 200},
        {"arc_minus", false, 0, -200},  {"vertical_rotated30", true, 30, 0},
        {"vertical_arc", true, 0, 200},
    };
    for (const TCase& c : cases) {
        // 18 points (64 units, 24 pixels) in a 600-unit (227-pixel) square at 100 %.
        auto t = MakeText(
            Lines({QStringLiteral("カレンダー2027"), QStringLiteral("写真、「縦」。")}), 18);
        t->Font()->SetStyle(TFont::fsUnderline);
        t->SetVertical(c.Vertical);
        t->SetAngle(c.Angle);
        t->SetBulge(c.Bulge);
        t->SetAlign(AlignCenter);
        t->SetLineSpacing(10);
        TPage page(260, 260);
        t->SetFontColor(clNavy);
        t->Draw(page.Canvas(), {40, 40, 640, 640});
        TestImages::ExpectMatchesGolden(page.Image(), QStringLiteral("text/%1.png").arg(c.Name), 8,
                                        0);
    }
}

TEST(SimpleText, OutlineCoversWhatDrawingPaints) {
    for (const bool vertical : {false, true}) {
        for (const int angle : {0, 30}) {
            auto t = MakeText(Lines({QStringLiteral("漢字Ag"), QStringLiteral("あ。")}), 40);
            t->SetVertical(vertical);
            t->SetAngle(angle);
            t->Font()->SetStyle(TFont::fsStrikeOut);
            const TRect r{50, 50, 1000, 1000};
            TBitmap drawn(1000, 1000), filled(1000, 1000);
            for (TBitmap* b : {&drawn, &filled}) {
                b->Canvas().Brush().SetColor(clWhite);
                b->Canvas().FillRect({0, 0, 1000, 1000});
                b->Canvas().Font().SetPixelsPerInch(254);
            }
            drawn.Canvas().Brush().SetStyle(bsClear);
            t->Draw(drawn.Canvas(), r);
            TStroke s;
            t->TextToStroke(s, r, true);
            ASSERT_GT(s.GetCount(), 0);
            TCanvas& fc = filled.Canvas();
            fc.SetPolyFillMode(WINDING);
            fc.Brush().SetColor(clBlack);
            fc.Pen().SetStyle(psClear);
            s.MakePath(fc);
            fc.FillPath();
            const QImage a = drawn.View(), b = filled.View();
            // Every pixel one image inks must find ink in the other within one pixel (the
            // anti-aliasing edge of the drawing, the pen edge of the bars).
            auto near = [](const QImage& I, int X, int Y, int Below) {
                for (int dy = -1; dy <= 1; ++dy)
                    for (int dx = -1; dx <= 1; ++dx)
                        if (qGray(I.pixel(X + dx, Y + dy)) < Below)
                            return true;
                return false;
            };
            int inked = 0, bad = 0;
            for (int y = 1; y < 999; ++y)
                for (int x = 1; x < 999; ++x) {
                    const bool da = qGray(a.pixel(x, y)) < 64, fb = qGray(b.pixel(x, y)) < 128;
                    inked += fb;
                    if (da && !near(b, x, y, 128))
                        ++bad;
                    if (fb && !near(a, x, y, 224))
                        ++bad;
                }
            EXPECT_GT(inked, 2000) << vertical << "/" << angle;
            EXPECT_EQ(bad, 0) << vertical << "/" << angle;
        }
    }
}

TEST(SimpleText, ArcTextSides) {
    auto arcInk = [](int Bulge, int Lines_) {
        TStringList lines;
        for (int i = 0; i < Lines_; ++i)
            lines.Add(QStringLiteral("円弧の文字"));
        auto t = MakeText(lines, 24);
        t->SetBulge(Bulge);
        TStroke s;
        t->TextToStroke(s, {0, 400, 1000, 600}, false);
        return s;
    };
    const TStroke up = arcInk(200, 1), down = arcInk(-200, 1);
    ASSERT_GT(up.GetCount(), 0);
    ASSERT_GT(down.GetCount(), 0);
    // A positive bulge lifts the text above the chord (y = 500), a negative one below it.
    EXPECT_LT(up.GetBounds().Top, 400);
    EXPECT_GT(down.GetBounds().Bottom, 600);
    // Many lines on a half circle of radius 500 about (500, 500): the lines whose inner
    // radius is gone are left out (not mirrored outside), the others run inside the first.
    const TStroke many = arcInk(500, 12);
    const TStroke one = arcInk(500, 1);
    EXPECT_LT(many.GetCount(), 12 * one.GetCount());
    EXPECT_GT(many.GetCount(), 3 * one.GetCount());
    const TRect mb = many.GetBounds(), ob = one.GetBounds();
    EXPECT_GE(mb.Top, ob.Top - 2);
    EXPECT_GE(mb.Left, -120);
    EXPECT_LE(mb.Right, 1120);
    // No arc over a chord shorter than 0.9: the straight layout keeps the text visible.
    auto flat = MakeText(Lines({QStringLiteral("字")}), 24);
    flat->SetBulge(50);
    TStroke s;
    flat->TextToStroke(s, {100, 100, 100, 300}, false);
    EXPECT_GT(s.GetCount(), 0);
}

TEST(SimpleText, StreamRoundTripKeepsBytesAndPointSize) {
    RegisterSimpleTextTestClasses();
    TSimpleTextHolder h;
    h.setObjectName(QStringLiteral("Holder"));
    TSimpleText& t = *h.Data();
    t.SetText(Lines({QStringLiteral("一行目"), QStringLiteral("second")}));
    t.Font()->SetName(QStringLiteral("ＭＳ 明朝"));
    t.Font()->SetSize(14);
    t.Font()->SetStyle(TFont::fsBold | TFont::fsUnderline);
    t.SetAlign(2);
    t.SetVertical(true);
    t.SetCharSpacing(3);
    t.SetLineSpacing(-4);
    t.SetBulge(-25);
    t.SetAngle(15);
    t.SetHanToZen(true);
    t.SetMinusExc(true);
    t.SetFeedAngle(7);
    TMemoryStream m;
    WriteComponent(m, h);
    const QByteArray bytes = m.Bytes();
    EXPECT_TRUE(bytes.contains("Font.Size"));
    EXPECT_FALSE(bytes.contains("Font.Height"));
    EXPECT_TRUE(bytes.contains("SHIFTJIS_CHARSET"));
    EXPECT_TRUE(bytes.contains("clWindowText"));
    // Published order.
    const char* order[] = {"Data.Text.Strings", "Data.Font.Charset", "Data.Align",
                           "Data.Vertical",     "Data.CharSpacing",  "Data.LineSpacing",
                           "Data.Bulge",        "Data.Angle",        "Data.HanToZen",
                           "Data.NumToKnj",     "Data.MinusExc",     "Data.FeedAngle"};
    qsizetype at = 0;
    for (const char* name : order) {
        const qsizetype next = bytes.indexOf(name, at);
        EXPECT_GT(next, at) << name;
        at = std::max(at, next);
    }
    TMemoryStream in(bytes);
    std::unique_ptr<TComponent> back = ReadComponent(in);
    auto* holder = qobject_cast<TSimpleTextHolder*>(back.get());
    ASSERT_NE(holder, nullptr);
    EXPECT_EQ(holder->Data()->Font()->Size(), 14);
    EXPECT_EQ(holder->Data()->Text(), t.Text());
    EXPECT_EQ(holder->Data()->Bulge(), -25);
    TMemoryStream again;
    WriteComponent(again, *holder);
    EXPECT_EQ(again.Bytes(), bytes);
}

TEST(SimpleText, ArcLinesRunOnShrinkingCircles) {
    // A half circle of radius 500 about (500, 500): the middle of a centred line stands at
    // the top of its circle; each further line runs on a circle smaller by the font height
    // plus the line spacing.
    auto middleY = [](const TStringList& Text, int LineSpacing, int& H) {
        auto t = MakeText(Text, 24);
        t->SetBulge(500);
        t->SetAlign(AlignCenter);
        t->SetLineSpacing(LineSpacing);
        H = t->GetFontHeight();
        TStroke s;
        t->TextToStroke(s, {0, 400, 1000, 600}, false);
        const TRect b = s.GetBounds();
        return (b.Top + b.Bottom) / 2.0;
    };
    int h = 0;
    const double first = middleY(Lines({QStringLiteral("一")}), 0, h);
    // The stroke of "一" lies a little above the middle of its cell.
    EXPECT_NEAR(first, 0, 8);
    const double second = middleY(Lines({QString(), QStringLiteral("一")}), 20, h);
    EXPECT_NEAR(second - first, h + 20, 1.5);
    const double third = middleY(Lines({QString(), QString(), QStringLiteral("一")}), 20, h);
    EXPECT_NEAR(third - first, 2 * (h + 20), 1.5);
}

TEST(SimpleText, RotatedLinesKeepTheirSpacing) {
    // The second line of a text turned by 30 degrees stands one line step (font height plus
    // line spacing) from the first, across the turned lines, in both writing directions.
    for (const bool vertical : {false, true}) {
        auto centre = [vertical](const TStringList& Text, int& H) {
            auto t = MakeText(Text, 24);
            t->SetVertical(vertical);
            t->SetAngle(30);
            t->SetLineSpacing(20);
            H = t->GetFontHeight();
            TStroke s;
            t->TextToStroke(s, {0, 0, 1000, 1000}, false);
            const TRect b = s.GetBounds();
            return QPointF((b.Left + b.Right) / 2.0, (b.Top + b.Bottom) / 2.0);
        };
        int h = 0;
        const QPointF a = centre(Lines({QStringLiteral("漢漢漢")}), h);
        const QPointF b = centre(Lines({QString(), QStringLiteral("漢漢漢")}), h);
        const double step = h + 20, c = std::cos(M_PI / 6), s = std::sin(M_PI / 6);
        // Horizontal lines move down (turned: (-sin, cos)); columns move left ((-cos, -sin)).
        const QPointF expected =
            vertical ? QPointF(-step * c, -step * s) : QPointF(-step * s, step * c);
        EXPECT_NEAR(b.x() - a.x(), expected.x(), 2) << vertical;
        EXPECT_NEAR(b.y() - a.y(), expected.y(), 2) << vertical;
    }
}
