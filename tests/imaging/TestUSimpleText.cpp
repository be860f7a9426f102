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
    EXPECT_NEAR(left.Right, 100 + 4 * 127, 12);
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
