#include "ULOText.h"

#include "../TestImageCompare.h"
#include "ObjectTestSupport.h"
#include "UBitmap.h"
#include "UDrawSite.h"
#include "UObjectFactory.h"
#include "UScaler.h"

#include <QImage>

#include <gtest/gtest.h>

#include <functional>

namespace {

constexpr int PageWidth = 600;  // 60 mm
constexpr int PageHeight = 300; // 30 mm
constexpr TColor Blue = 0xFF0000;
constexpr TColor Red = 0x0000FF;
constexpr TColor Grey = 0x808080;

// The page drawn through DrawTo (as printing and previews draw it) at Scale percent, on a
// white bitmap, or on Background when it is given.
QImage Render(TDrawSite& Site, int Scale, TColor Background = clWhite) {
    const int w = MulDiv(PageWidth, 96 * Scale, 254 * 100);
    const int h = MulDiv(PageHeight, 96 * Scale, 254 * 100);
    TBitmap bitmap(w, h, pf24bit);
    bitmap.Canvas().Brush().SetColor(Background);
    bitmap.Canvas().FillRect(TRect(0, 0, w, h));
    Site.DrawTo(bitmap.Canvas(), TPoint(0, 0), Scale);
    return bitmap.ToQImage().copy();
}

std::unique_ptr<TDrawSite> MakePage() {
    auto site = std::make_unique<TDrawSite>();
    site->Scaler().SetUnitDPI(254);
    site->SetLogWidth(PageWidth);
    site->SetLogHeight(PageHeight);
    site->SetBorder(false);
    return site;
}

TLOText* PlaceText(TDrawSite& Site, const QString& Text, const TRect& R, int Size = 28) {
    auto* t = new TLOText(&Site);
    t->SetBoundsRect(R);
    t->Font()->SetName(QStringLiteral("IPAGothic"));
    t->Font()->SetSize(Size);
    t->SetPlainText(Text);
    t->TextColor()->SetColor(Blue);
    Site.AddObject(t);
    return t;
}

bool IsBlue(QRgb c) {
    return qBlue(c) > 200 && qRed(c) < 60 && qGreen(c) < 60;
}
bool IsRed(QRgb c) {
    return qRed(c) > 200 && qBlue(c) < 60 && qGreen(c) < 60;
}
bool IsGrey(QRgb c) {
    return std::abs(qRed(c) - 128) < 12 && std::abs(qGreen(c) - 128) < 12 &&
           std::abs(qBlue(c) - 128) < 12;
}
bool IsInk(QRgb c) {
    return qRed(c) < 250 || qGreen(c) < 250 || qBlue(c) < 250;
}

struct TInk {
    int Count = 0;
    QRect Box;
    double CX = 0, CY = 0;
};

TInk InkOf(const QImage& Image, const std::function<bool(QRgb)>& Is, const QRect& Area = {}) {
    TInk ink;
    const QRect area = Area.isNull() ? Image.rect() : Area;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (Is(Image.pixel(x, y))) {
                ++ink.Count;
                ink.Box |= QRect(x, y, 1, 1);
                ink.CX += x;
                ink.CY += y;
            }
    if (ink.Count) {
        ink.CX /= ink.Count;
        ink.CY /= ink.Count;
    }
    return ink;
}

void SetWave(TCoonsDistortion& D) {
    // The right edge twice as tall as the left one.
    D.SetTopCount(2);
    D.SetRightCount(2);
    D.SetBottomCount(2);
    D.SetLeftCount(2);
    D.SetTopPoint(0, {0, 0.25L});
    D.SetTopPoint(1, {1, -0.25L});
    D.SetBottomPoint(0, {0, 0.75L});
    D.SetBottomPoint(1, {1, 1.25L});
}

class TextPaint : public ::testing::TestWithParam<int> {
protected:
    void SetUp() override { RegisterObjectClasses(); }
    int Scale() const { return GetParam(); }
    QString Golden(const char* Name) const {
        return QStringLiteral("objects/text/%1-%2.png").arg(QLatin1String(Name)).arg(Scale());
    }
};

} // namespace

TEST_P(TextPaint, HorizontalWithOutlineAndShadow) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"写真Ab"_qs, TRect(40, 60, 560, 260));
    t->SetOutline(true);
    t->OutlineColor()->SetColor(Red);
    t->SetOutLineWidth(4);
    t->SetShadowOffsetX(15); // percent of the font height
    t->SetShadowOffsetY(15);
    t->ShadowColor()->SetColor(Grey);
    const QImage image = Render(*site, Scale());
    TestImages::ExpectMatchesGolden(image, Golden("outline-shadow"), 24, 6 * Scale() / 100);
    const TInk blue = InkOf(image, IsBlue), red = InkOf(image, IsRed), grey = InkOf(image, IsGrey);
    EXPECT_GT(blue.Count, 50);
    EXPECT_GT(red.Count, 50) << "outline drawn";
    EXPECT_GT(grey.Count, 20) << "shadow drawn";
    // The shadow reaches beyond the outlined text to the right and below, not above.
    EXPECT_GT(grey.Box.right(), red.Box.right());
    EXPECT_GT(grey.Box.bottom(), red.Box.bottom());
    EXPECT_GE(grey.Box.top(), red.Box.top());
    EXPECT_LT(red.Box.left(), blue.Box.left()) << "the outline lies around the fill";
}

TEST_P(TextPaint, VerticalWithOutlineAndShadow) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"縦書き"_qs, TRect(200, 20, 400, 280), 20);
    t->SetVertical(true);
    t->SetBoundsRect(TRect(200, 10, 400, 290));
    t->SetOutline(true);
    t->OutlineColor()->SetColor(Red);
    t->SetOutLineWidth(3);
    t->SetShadowOffsetX(-15); // down and to the left
    t->SetShadowOffsetY(15);
    t->ShadowColor()->SetColor(Grey);
    const QImage image = Render(*site, Scale());
    TestImages::ExpectMatchesGolden(image, Golden("vertical"), 24, 6 * Scale() / 100);
    const TInk blue = InkOf(image, IsBlue), red = InkOf(image, IsRed), grey = InkOf(image, IsGrey);
    EXPECT_GT(blue.Box.height(), 2 * blue.Box.width()) << "a column of characters";
    EXPECT_GT(red.Count, 50) << "outline drawn";
    // The shadow reaches beyond the text to the left and below.
    EXPECT_LT(grey.Box.left(), red.Box.left());
    EXPECT_GT(grey.Box.bottom(), red.Box.bottom());
    EXPECT_LE(grey.Box.right(), red.Box.right());
}

TEST_P(TextPaint, GradientFill) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"ABCDEF"_qs, TRect(40, 40, 560, 260), 36);
    t->TextColor()->SetKind(cskGradation);
    t->TextColor()->SetGradColNum(2);
    t->TextColor()->SetGradColor0(Red);
    t->TextColor()->SetGradColor1(Blue);
    t->TextColor()->SetGradAngle(0);
    const QImage image = Render(*site, Scale());
    TestImages::ExpectMatchesGolden(image, Golden("gradient"), 24, 6 * Scale() / 100);
    // The gradation runs from red at the top to blue at the bottom of the object's bounds:
    // the top rows of the glyphs are redder than their bottom rows.
    const TInk ink = InkOf(image, IsInk);
    const int band = ink.Box.height() / 4;
    const QRect top(ink.Box.left(), ink.Box.top(), ink.Box.width(), band);
    const QRect bottom(ink.Box.left(), ink.Box.bottom() - band, ink.Box.width(), band);
    auto redness = [&](const QRect& Area) {
        double sum = 0;
        int n = 0;
        for (int y = Area.top(); y <= Area.bottom(); ++y)
            for (int x = Area.left(); x <= Area.right(); ++x)
                if (qGreen(image.pixel(x, y)) < 40) { // inside a glyph
                    sum += qRed(image.pixel(x, y)) - qBlue(image.pixel(x, y));
                    ++n;
                }
        return n ? sum / n : 0.0;
    };
    EXPECT_GT(redness(top), redness(bottom) + 20);
    EXPECT_EQ(InkOf(image, IsBlue).Count, 0) << "the fill is no plain colour";
}

TEST_P(TextPaint, Rotated) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"回転ABC"_qs, TRect(100, 100, 500, 200));
    t->SetAngle(30);
    const QImage image = Render(*site, Scale());
    TestImages::ExpectMatchesGolden(image, Golden("rotated"), 24, 6 * Scale() / 100);
    // Turned clockwise: the left half of the ink lies higher than the right half.
    const TInk ink = InkOf(image, IsBlue);
    const int mid = ink.Box.center().x();
    const TInk left = InkOf(image, IsBlue, QRect(0, 0, mid, image.height()));
    const TInk right = InkOf(image, IsBlue, QRect(mid, 0, image.width() - mid, image.height()));
    EXPECT_LT(left.CY, right.CY - 5 * Scale() / 100);
}

TEST_P(TextPaint, Bulged) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"ABCDEFGH"_qs, TRect(60, 120, 540, 220));
    t->SetBulge(120);
    const QImage image = Render(*site, Scale());
    TestImages::ExpectMatchesGolden(image, Golden("bulged"), 24, 6 * Scale() / 100);
    const TInk ink = InkOf(image, IsBlue);
    const int third = ink.Box.width() / 3;
    const TInk middle =
        InkOf(image, IsBlue, QRect(ink.Box.left() + third, 0, third, image.height()));
    const TInk end = InkOf(image, IsBlue, QRect(ink.Box.left(), 0, third / 2, image.height()));
    EXPECT_LT(middle.CY, end.CY - 10 * Scale() / 100) << "the middle rises above the ends";
}

TEST_P(TextPaint, Distorted) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"ABCDEF"_qs, TRect(60, 40, 540, 260), 36);
    SetWave(*t->CoonsDistortion());
    const QImage image = Render(*site, Scale());
    TestImages::ExpectMatchesGolden(image, Golden("distorted"), 24, 6 * Scale() / 100);
    const TInk ink = InkOf(image, IsBlue);
    const int quarter = ink.Box.width() / 4;
    const TInk left = InkOf(image, IsBlue, QRect(ink.Box.left(), 0, quarter, image.height()));
    const TInk right =
        InkOf(image, IsBlue, QRect(ink.Box.right() - quarter, 0, quarter, image.height()));
    EXPECT_GT(right.Box.height(), left.Box.height() * 3 / 2) << "the right end is taller";
}

TEST_P(TextPaint, HalfBlended) {
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"半透明"_qs, TRect(40, 40, 560, 260), 40);
    t->SetBlendRatio(50);
    const QImage image = Render(*site, Scale(), TColor(0x00FFFF)); // on yellow
    TestImages::ExpectMatchesGolden(image, Golden("blend50"), 24, 6 * Scale() / 100);
    EXPECT_EQ(InkOf(image, IsBlue).Count, 0) << "no pixel of the pure text colour";
    // Half blue over yellow (255, 255, 0) gives about (128, 128, 128).
    const TInk mixed = InkOf(image, IsGrey);
    EXPECT_GT(mixed.Count, 100);
}

INSTANTIATE_TEST_SUITE_P(Zoom, TextPaint, ::testing::Values(100, 200));

TEST(TextPaintFacts, ScalingDoublesTheInk) {
    RegisterObjectClasses();
    auto site = MakePage();
    PlaceText(*site, u"ABC"_qs, TRect(40, 40, 560, 260), 36);
    const TInk at100 = InkOf(Render(*site, 100), IsInk);
    const TInk at200 = InkOf(Render(*site, 200), IsInk);
    EXPECT_NEAR(at200.Box.width(), 2 * at100.Box.width(), 4);
    EXPECT_NEAR(at200.Box.height(), 2 * at100.Box.height(), 4);
}

TEST(TextPaintFacts, ThePlaceholderShowsOnTheScreenOnly) {
    RegisterObjectClasses();
    auto site = MakePage();
    auto* t = new TLOText(site.get());
    t->SetBoundsRect(TRect(40, 40, 560, 260));
    site->AddObject(t);
    ASSERT_EQ(t->Text().Count(), 0);
    // Through DrawTo (printing, previews, export): nothing.
    EXPECT_EQ(InkOf(Render(*site, 100), IsInk).Count, 0);
    // On the surface's own canvas: the placeholder.
    TBitmap screen(300, 150, pf24bit);
    screen.Canvas().Brush().SetColor(clWhite);
    screen.Canvas().FillRect(TRect(0, 0, 300, 150));
    site->PaintWindow(screen.Canvas(), TRect(0, 0, 300, 150));
    EXPECT_GT(InkOf(screen.ToQImage(), IsInk).Count, 50);
    // A text with content prints.
    t->SetPlainText("A");
    EXPECT_GT(InkOf(Render(*site, 100), IsInk).Count, 10);
}

TEST(TextPaintFacts, AnOutlinedTextsShadowHasNoOutline) {
    RegisterObjectClasses();
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"影"_qs, TRect(40, 20, 560, 280), 48);
    t->SetOutline(true);
    t->OutlineColor()->SetColor(Red);
    t->SetOutLineWidth(4);
    t->SetShadowOffsetX(40);
    t->SetShadowOffsetY(0);
    t->ShadowColor()->SetColor(Grey);
    const QImage image = Render(*site, 200);
    const TInk red = InkOf(image, IsRed), grey = InkOf(image, IsGrey);
    ASSERT_GT(grey.Count, 50);
    // No red right of the text's own outline: the shadow beyond it carries none.
    EXPECT_LT(red.Box.right(), grey.Box.right() - 10);
}

TEST(TextPaintFacts, AGradationOutlineFillsTheWidenedGlyphs) {
    RegisterObjectClasses();
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"I"_qs, TRect(40, 20, 560, 280), 72);
    t->SetOutline(true);
    t->OutlineColor()->SetKind(cskGradation);
    t->OutlineColor()->SetGradColNum(2);
    t->OutlineColor()->SetGradColor0(Red);
    t->OutlineColor()->SetGradColor1(Red);
    t->SetOutLineWidth(8);
    const QImage image = Render(*site, 100);
    const TInk red = InkOf(image, IsRed), blue = InkOf(image, IsBlue);
    ASSERT_GT(blue.Count, 20);
    ASSERT_GT(red.Count, 20);
    EXPECT_LT(red.Box.left(), blue.Box.left()) << "the outline lies around the fill";
    EXPECT_GT(red.Box.right(), blue.Box.right());
}

TEST(TextPaintFacts, DirectDrawingAndGlyphOutlinesAgree) {
    RegisterObjectClasses();
    struct {
        const char* What;
        bool Vertical;
        int Angle;
    } const cases[] = {{"horizontal", false, 0}, {"vertical", true, 0}, {"turned", false, 30}};
    for (const auto& c : cases) {
        TInk ink[2];
        for (int outlined = 0; outlined < 2; ++outlined) {
            auto site = MakePage();
            TLOText* t = PlaceText(*site, u"縦書きA"_qs, TRect(150, 10, 450, 290), 16);
            t->SetVertical(c.Vertical);
            t->SetBoundsRect(TRect(150, 10, 450, 290));
            t->SetAngle(c.Angle);
            // A hairline outline in the fill's colour: the glyph outlines are filled and
            // stroked instead of the font being drawn.
            t->SetOutline(outlined != 0);
            t->OutlineColor()->SetColor(Blue);
            t->SetOutLineWidth(1);
            ink[outlined] = InkOf(Render(*site, 200), IsBlue);
        }
        EXPECT_NEAR(ink[0].Box.left(), ink[1].Box.left(), 3) << c.What;
        EXPECT_NEAR(ink[0].Box.top(), ink[1].Box.top(), 3) << c.What;
        EXPECT_NEAR(ink[0].Box.right(), ink[1].Box.right(), 3) << c.What;
        EXPECT_NEAR(ink[0].Box.bottom(), ink[1].Box.bottom(), 3) << c.What;
    }
}

TEST(TextPaintFacts, TheShadowLiesAtItsOffset) {
    RegisterObjectClasses();
    for (bool vertical : {false, true}) {
        auto site = MakePage();
        TLOText* t = PlaceText(*site, u"縦書きA"_qs, TRect(150, 10, 450, 290), 16);
        t->SetVertical(vertical);
        t->SetBoundsRect(TRect(150, 10, 450, 290));
        t->TextColor()->SetColor(Grey);
        const TInk text = InkOf(Render(*site, 200), IsGrey); // the text alone, in grey
        t->TextColor()->SetColor(Blue);
        t->SetShadowOffsetX(-40);
        t->SetShadowOffsetY(30);
        t->ShadowColor()->SetColor(Grey);
        TPoint d;
        t->GetShadowOffset(d);
        const TInk shadow = InkOf(Render(*site, 200), IsGrey);
        // Pixels at 200 %: 192 per inch, 254 units per inch.
        EXPECT_NEAR(shadow.Box.left(), text.Box.left() + MulDiv(d.x, 192, 254), 2) << vertical;
        EXPECT_NEAR(shadow.Box.bottom(), text.Box.bottom() + MulDiv(d.y, 192, 254), 2) << vertical;
    }
}

TEST(TextPaintFacts, ARepaintAfterAChangeShowsTheChange) {
    RegisterObjectClasses();
    auto site = MakePage();
    TLOText* t = PlaceText(*site, u"AB"_qs, TRect(40, 40, 560, 260), 28);
    t->SetOutline(true);
    t->OutlineColor()->SetColor(Red);
    t->SetOutLineWidth(3);
    const TInk first = InkOf(Render(*site, 100), IsRed);
    EXPECT_EQ(InkOf(Render(*site, 100), IsRed).Box, first.Box) << "a repaint draws the same";
    t->SetPlainText(u"ABCD"_qs);
    const TInk longer = InkOf(Render(*site, 100), IsRed);
    EXPECT_GT(longer.Box.width(), first.Box.width() * 3 / 2);
    t->Font()->SetSize(14);
    EXPECT_LT(InkOf(Render(*site, 100), IsRed).Box.height(), longer.Box.height() * 2 / 3);
    t->SetBoundsRect(TRect(240, 40, 560, 260));
    EXPECT_GT(InkOf(Render(*site, 100), IsRed).Box.left(), longer.Box.left() + 60);
    // Another zoom: regions of the new mapping.
    EXPECT_GT(InkOf(Render(*site, 200), IsRed).Box.left(), 2 * longer.Box.left() + 120);
}

// A text keeps the coverage masks of its plain-coloured glyphs, and the blend pass its mask
// and colours, for the mapping it drew them at: a repaint copies them, and must give the very
// pixels a first paint gives, at every zoom, and follow every change.
TEST(TextPaintFacts, CachedPicturesRepaintIdenticallyAndFollowChanges) {
    RegisterObjectClasses();
    struct TPage {
        std::unique_ptr<TDrawSite> Site;
        TLOText* Plain = nullptr;
        TLOText* Blended = nullptr;
    };
    auto make = [](TColor Colour) {
        TPage page{MakePage()};
        page.Plain = PlaceText(*page.Site, u"写真Ab"_qs, TRect(40, 20, 560, 140), 28);
        page.Plain->SetShadowOffsetX(10);
        page.Plain->SetShadowOffsetY(10);
        page.Plain->ShadowColor()->SetColor(Grey);
        page.Plain->TextColor()->SetColor(Colour);
        page.Blended = PlaceText(*page.Site, u"半透明"_qs, TRect(40, 150, 560, 290), 28);
        page.Blended->SetBlendRatio(50);
        page.Blended->SetOutline(true);
        page.Blended->OutlineColor()->SetColor(Red);
        page.Blended->SetOutLineWidth(3);
        page.Blended->TextColor()->SetColor(Colour);
        return page;
    };
    constexpr TColor Yellow = 0x00FFFF;
    constexpr TColor Green = 0x00C000;
    TPage page = make(Blue);
    EXPECT_FALSE(page.Plain->HasCachedTextMasks());
    EXPECT_FALSE(page.Blended->HasCachedBlendPictures());
    for (int scale : {100, 150, 100}) {
        SCOPED_TRACE(scale);
        const QImage cold = Render(*make(Blue).Site, scale, Yellow);
        const QImage first = Render(*page.Site, scale, Yellow);
        EXPECT_TRUE(page.Plain->HasCachedTextMasks());
        EXPECT_TRUE(page.Blended->HasCachedBlendPictures());
        EXPECT_EQ(first, cold) << "pictures made at another zoom are not reused";
        EXPECT_EQ(Render(*page.Site, scale, Yellow), first) << "the cached repaint";
    }
    const QImage blue = Render(*page.Site, 100, Yellow);
    for (TLOText* t : {page.Plain, page.Blended})
        t->TextColor()->SetColor(Green);
    EXPECT_FALSE(page.Plain->HasCachedTextMasks()) << "a change empties the masks";
    EXPECT_FALSE(page.Blended->HasCachedBlendPictures()) << "a change empties the pictures";
    const QImage green = Render(*page.Site, 100, Yellow);
    EXPECT_NE(green, blue);
    EXPECT_EQ(green, Render(*make(Green).Site, 100, Yellow));
    page.Plain->SetPlainText(u"写真"_qs);
    page.Blended->SetBoundsRect(TRect(60, 160, 580, 300));
    EXPECT_FALSE(page.Plain->HasCachedTextMasks());
    EXPECT_FALSE(page.Blended->HasCachedBlendPictures());
    const QImage changed = Render(*page.Site, 100, Yellow);
    EXPECT_NE(changed, green);
    TPage fresh = make(Green);
    fresh.Plain->SetPlainText(u"写真"_qs);
    fresh.Blended->SetBoundsRect(TRect(60, 160, 580, 300));
    EXPECT_EQ(changed, Render(*fresh.Site, 100, Yellow));
}
