// The alpha mask: its grey mask (border, blur, turn), blending over the objects beneath it,
// the picture-less mask that must not vanish, the clamp of stored shade sizes, and streams.

#include "ULOAlphaMask.h"

#include "ObjectTestSupport.h"
#include "TestImageCompare.h"
#include "TestSupport.h"
#include "UBitmap.h"
#include "UBlendDraw.h"
#include "UCanvas.h"
#include "UException.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"

#include <QFile>
#include <QImage>
#include <QPainter>
#include <climits>
#include <gtest/gtest.h>

namespace {

// A W x H picture: black, with a white ellipse inset by Inset pixels (none for Inset < 0).
void SetEllipsePicture(TPictureEx& Picture, int W, int H, int Inset) {
    QImage image(W, H, QImage::Format_RGB32);
    image.fill(Qt::black);
    if (Inset >= 0) {
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(Qt::NoPen);
        p.setBrush(Qt::white);
        p.drawEllipse(QRectF(Inset, Inset, W - 2 * Inset, H - 2 * Inset));
    }
    const TSafetyBitmap graphic(TBitmap::FromQImage(image));
    Picture.SetGraphic(&graphic);
}

void SetSolidPicture(TPictureEx& Picture, int W, int H, TColor Color) {
    TBitmap b(W, H, pf24bit);
    b.Fill(Color);
    const TSafetyBitmap graphic(b);
    Picture.SetGraphic(&graphic);
}

uint8_t Grey(const TBitmap& B, int X, int Y) {
    return B.ScanLine(Y)[X];
}

// A surface of W x H units with a white page, owning the objects placed on it.
struct TPage {
    std::unique_ptr<TDrawSite> Site;
    TPage(int W, int H) : Site(MakeTestSite(W, H)) {
        Site->SetBorder(false);
        Site->SetColor(clWhite);
    }
    TLOAlphaMask* PlaceMask(const TRect& R) {
        auto owned = std::make_unique<TLOAlphaMask>();
        TLOAlphaMask* mask = owned.get();
        Site->InsertObject(owned.release());
        Site->AddObject(mask);
        mask->SetBoundsRect(R);
        return mask;
    }
    TBitmap Render() {
        TBitmap b(Site->ClientRect().Width(), Site->ClientRect().Height(), pf24bit);
        b.Fill(clWhite);
        Site->PaintWindow(b.Canvas(), Site->ClientRect());
        return b;
    }
};

int Red(TColor C) {
    return C & 0xFF;
}
int Blue(TColor C) {
    return (C >> 16) & 0xFF;
}

// Compares Bytes with the committed stream tests/data/<Path> (also a fuzzing seed), or
// rewrites it with VANTOMI_UPDATE_GOLDEN=1.
void ExpectMatchesCommittedStream(const QByteArray& Bytes, const QString& Path) {
    if (qEnvironmentVariableIntValue("VANTOMI_UPDATE_GOLDEN") == 1) {
        QFile f(TestDataPath(Path));
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(Bytes);
        return;
    }
    EXPECT_EQ(Bytes, ReadTestData(Path)) << "the stored form changed: " << Path.toStdString();
}

} // namespace

TEST(TLOAlphaMask, NeedsBlendingForAPictureARatioOrAShade) {
    TLOAlphaMask m;
    EXPECT_FALSE(m.NeedsBlend());
    m.SetBlendRatio(50);
    EXPECT_TRUE(m.NeedsBlend());
    m.SetBlendRatio(100);
    m.SetBlendShade(true);
    EXPECT_TRUE(m.NeedsBlend());
    m.SetBlendShade(false);
    SetSolidPicture(*m.Picture(), 4, 4, clWhite);
    EXPECT_TRUE(m.NeedsBlend());

    void* p = nullptr;
    for (const TGUID& id : {IDORotate::IID, IDOBlend::IID, IDOShadow::IID})
        EXPECT_TRUE(m.QueryInterface(id, &p));
    IDOShadow* shadow = QueryObjectInterface<IDOShadow>(&m);
    ASSERT_NE(shadow, nullptr);
    shadow->SetShadow(true);
    EXPECT_FALSE(shadow->GetShadow()) << "the shadow switch always reads off";
    TColorSpec green;
    green.SetColor(clGreen);
    shadow->SetShadowColor(green);
    EXPECT_EQ(m.FillColor()->Color(), clGreen) << "the fill stands for the shadow colour";
    EXPECT_EQ(shadow->GetShadowColor(), m.FillColor());
}

TEST(TLOAlphaMask, ChangesOfItsFillAndPictureAreItsOwn) {
    TLOAlphaMask m;
    int changes = 0;
    m.OnModify = [&](TComponent*) { ++changes; };
    m.FillColor()->SetColor(clGreen);
    EXPECT_EQ(changes, 1) << "the fill";
    SetSolidPicture(*m.Picture(), 4, 4, clWhite);
    EXPECT_EQ(changes, 2) << "the picture";
    m.SetAngle(-90);
    EXPECT_EQ(m.GetAngle(), 270);
    m.SetAngle(270 - 720);
    m.SetShadeSize(0);
    EXPECT_EQ(changes, 3) << "equal values change nothing";
    m.SetShadeSize(4);
    EXPECT_EQ(changes, 4);
    // Setting the fill copies it: later changes of the source do not reach the object.
    TColorSpec other;
    other.SetColor(clYellow);
    m.SetFillColor(&other);
    EXPECT_EQ(changes, 5);
    other.SetColor(clRed);
    EXPECT_EQ(m.FillColor()->Color(), clYellow);
    EXPECT_EQ(changes, 5);
}

TEST(TLOAlphaMask, GreyMaskIsBorderedBlurredAndTurned) {
    TLOAlphaMask m;
    m.SetBoundsRect(TRect(0, 0, 120, 80));
    SetSolidPicture(*m.Picture(), 40, 30, clWhite);
    TBitmap grey = m.BuildGreyMask();
    ASSERT_EQ(grey.PixelFormat(), pf8bit);
    EXPECT_EQ(grey.Width(), 40);
    EXPECT_EQ(Grey(grey, 0, 0), 255);

    // A shade of 10 borders the picture with 10 pixels of black on each side before the blur:
    // the fill fades out across the picture's edge.
    m.SetShadeSize(10);
    grey = m.BuildGreyMask();
    EXPECT_EQ(grey.Width(), 60);
    EXPECT_EQ(grey.Height(), 50);
    EXPECT_LT(Grey(grey, 0, 25), 40) << "outer edge almost black";
    EXPECT_GT(Grey(grey, 10, 25), 60) << "the picture's edge half way";
    EXPECT_LT(Grey(grey, 10, 25), 200);
    EXPECT_GT(Grey(grey, 30, 25), 200) << "the middle stays light";
    for (int x = 1; x < 30; ++x)
        EXPECT_LE(Grey(grey, x - 1, 25), Grey(grey, x, 25)) << "rising towards the middle " << x;

    // Colours become the nearest grey: the mean of the three channels.
    SetSolidPicture(*m.Picture(), 8, 8, TColor(0x00C08040)); // R 0x40, G 0x80, B 0xC0
    m.SetShadeSize(0);
    EXPECT_EQ(Grey(m.BuildGreyMask(), 4, 4), 0x80);

    // Turned, the mask takes the turned rectangle's bounds, black in the corners.
    SetSolidPicture(*m.Picture(), 40, 30, clWhite);
    m.SetAngle(90);
    grey = m.BuildGreyMask();
    EXPECT_EQ(grey.Width(), 80);
    EXPECT_EQ(grey.Height(), 120);
    m.SetAngle(45);
    grey = m.BuildGreyMask();
    EXPECT_EQ(Grey(grey, 0, 0), 0);
    EXPECT_EQ(Grey(grey, grey.Width() / 2, grey.Height() / 2), 255);

    m.Picture()->SetGraphic(nullptr);
    EXPECT_TRUE(m.BuildGreyMask().Empty());
}

TEST(TLOAlphaMask, StoredShadeSizesAreClampedForDrawing) {
    TLOAlphaMask m;
    SetSolidPicture(*m.Picture(), 100, 60, clWhite);
    const struct {
        int Stored, Drawn;
    } cases[] = {{0, 0},         {7, 7},         {-5, 0},         {INT_MIN, 0},
                 {16333, 16333}, {16334, 16333}, {INT_MAX, 16333}};
    for (const auto& c : cases) {
        m.SetShadeSize(c.Stored);
        EXPECT_EQ(m.ShadeSize(), c.Stored) << "kept as stored";
        EXPECT_EQ(m.RenderShadeSize(), c.Drawn) << c.Stored;
        EXPECT_LE(100 + 2 * m.RenderShadeSize(), MaxBitmapSide);
    }
    m.SetShadeSize(-40);
    m.SetBoundsRect(TRect(0, 0, 50, 30));
    EXPECT_EQ(m.BuildGreyMask().Width(), 100) << "a negative shade draws as none";
}

TEST(TLOAlphaMask, BlendsTheFillThroughThePictureOverThePage) {
    TPage page(100, 60);
    PlaceTestRect(*page.Site, "Under", TRect(0, 0, 100, 60), clRed);
    TLOAlphaMask* m = page.PlaceMask(TRect(10, 10, 90, 50));
    m->FillColor()->SetColor(clBlue);
    SetEllipsePicture(*m->Picture(), 80, 40, 0);
    const TBitmap b = page.Render();
    EXPECT_EQ(b.GetPixel(50, 30), clBlue) << "the white middle shows the fill";
    EXPECT_EQ(b.GetPixel(11, 11), clRed) << "the black corner hides it";
    EXPECT_EQ(b.GetPixel(5, 5), clRed) << "outside the object";

    // A black picture hides the fill entirely.
    SetSolidPicture(*m->Picture(), 80, 40, clBlack);
    const TBitmap hidden = page.Render();
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 100; ++x)
            ASSERT_EQ(hidden.GetPixel(x, y), clRed) << x << "," << y;

    // Without a picture a ratio blends the whole plain fill: it must not vanish.
    m->Picture()->SetGraphic(nullptr);
    m->SetBlendRatio(50);
    const TBitmap half = page.Render();
    const TColor c = half.GetPixel(50, 30);
    EXPECT_NEAR(Red(c), 128, 2) << "half red";
    EXPECT_NEAR(Blue(c), 128, 2) << "half blue";
    EXPECT_EQ(half.GetPixel(5, 5), clRed);
}

TEST(TLOAlphaMask, ShadedMaskOverAPageOfObjects) {
    TPage page(200, 140);
    PlaceTestRect(*page.Site, "Red", TRect(10, 10, 110, 80), clRed);
    PlaceTestRect(*page.Site, "Green", TRect(90, 50, 190, 130), clLime);
    PlaceTestRect(*page.Site, "Yellow", TRect(20, 90, 80, 130), clYellow);
    TLOAlphaMask* m = page.PlaceMask(TRect(30, 20, 170, 120));
    m->FillColor()->SetColor(clNavy);
    SetEllipsePicture(*m->Picture(), 70, 50, 6);
    m->SetShadeSize(6);
    m->SetAngle(15);
    const TBitmap b = page.Render();
    EXPECT_EQ(b.GetPixel(100, 70), clNavy) << "the middle is the fill";
    EXPECT_EQ(b.GetPixel(12, 12), clRed) << "objects outside stay as they are";
    EXPECT_EQ(b.GetPixel(185, 125), clLime);
    EXPECT_EQ(b.GetPixel(32, 22), clRed) << "the mask's corner is black";
    // Across the soft edge the red fades into the fill.
    const TColor edge = b.GetPixel(52, 70);
    EXPECT_GT(Red(edge), 0);
    EXPECT_LT(Red(edge), 255);
    TestImages::ExpectMatchesGolden(b.ToQImage(), "objects/deco/alphamask-page.png");
}

TEST(TLOAlphaMask, AMaskNoBitmapCanHoldFailsThePaint) {
    TPage page(100, 60);
    TLOAlphaMask* m = page.PlaceMask(TRect(10, 10, 40010, 50));
    SetSolidPicture(*m->Picture(), 8, 8, clWhite);
    // Turned by a little, the turned rectangle's bounds are beyond the bitmap limit.
    m->SetAngle(1);
    std::vector<QString> reported;
    TExceptionHandler old = SetApplicationExceptionHandler(
        [&](const std::exception& E) { reported.push_back(QString::fromUtf8(E.what())); });
    page.Render();
    SetApplicationExceptionHandler(old);
    EXPECT_EQ(reported.size(), 1u);
    EXPECT_TRUE(m->PaintFailed()) << "the failure box shows from now on";
}

TEST(TLOAlphaMask, TakesRectanglesWiderThanAnIntWithoutOverflow) {
    TLOAlphaMask m;
    SetSolidPicture(*m.Picture(), 8, 8, clWhite);
    m.SetBoundsRect(TRect(-2000000000, -10, 2000000000, 10));
    EXPECT_TRUE(m.HitTest(TPoint(0, 0))) << "the centre";
    EXPECT_EQ(m.BuildGreyMask().Width(), 8) << "unturned, the mask is the picture";
    m.SetAngle(90);
    EXPECT_THROW(m.BuildGreyMask(), Exception) << "turned, no bitmap can hold it";
    m.SetBoundsRect(TRect(MaxLogicalCoord - 100, 0, MaxLogicalCoord - 90, 10));
    m.SetAngle(0);
    SetSolidPicture(*m.Picture(), 180, 90, clWhite); // 254 x 127 at 180 dpi
    m.FitToImage();
    EXPECT_EQ(m.GetRect(), TRect(MaxLogicalCoord - 100, 0, MaxLogicalCoord, 127))
        << "clamped at the edge of the logical range";
}

TEST(TLOAlphaMask, PlainPaintingFillsTheBoundsAndFitsToTheImage) {
    TLOAlphaMask m;
    m.SetBoundsRect(TRect(10, 10, 30, 20));
    m.FillColor()->SetColor(clBlue);
    TBitmap b(40, 40, pf24bit);
    b.Fill(clWhite);
    m.SetAngle(90);
    // Drawn without blending on a canvas with no pixel buffer to blend into would be plain;
    // here the mask has no picture and ratio 100, so it paints plainly anyway.
    m.DrawTo(b.Canvas());
    EXPECT_EQ(m.GetBoundsRect(), TRect(15, 5, 25, 25));
    EXPECT_EQ(b.GetPixel(20, 6), clBlue);
    EXPECT_EQ(b.GetPixel(12, 15), clWhite);

    const struct {
        int W, H;
        TSize Size;
    } sizes[] = {{0, 0, {300, 200}}, {180, 90, {254, 127}}, {10, 360, {30, 508}}};
    for (const auto& s : sizes) {
        TLOAlphaMask fit;
        if (s.W > 0)
            SetSolidPicture(*fit.Picture(), s.W, s.H, clWhite);
        fit.SetBoundsRect(TRect(7, 8, 9, 10));
        fit.FitToImage();
        EXPECT_EQ(fit.GetRect(), TRect(7, 8, 7 + s.Size.cx, 8 + s.Size.cy)) << s.W;
    }
}

TEST(TLOAlphaMask, StreamsAndCopiesItsProperties) {
    RegisterObjectClasses();
    RegisterPictureFormats();
    TLOAlphaMask m;
    m.SetBoundsRect(TRect(5, 6, 125, 86));
    m.SetAngle(-15);
    m.SetShadeSize(-7); // as a damaged file might hold it: kept, drawn as 0
    m.SetBlendRatio(70);
    m.FillColor()->SetKind(cskGradation);
    m.FillColor()->SetGradColNum(2);
    m.FillColor()->SetGradColor0(clRed);
    m.FillColor()->SetGradColor1(clBlue);
    SetEllipsePicture(*m.Picture(), 12, 8, 1);
    TMemoryStream s;
    WriteComponent(s, m);
    const QByteArray bytes = s.Bytes();
    s.SetPosition(0);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* copy = qobject_cast<TLOAlphaMask*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(copy->GetAngle(), 345);
    EXPECT_EQ(copy->ShadeSize(), -7);
    EXPECT_EQ(copy->BlendRatio(), 70);
    EXPECT_EQ(copy->GetRect(), m.GetRect());
    EXPECT_EQ(copy->FillColor()->Kind(), cskGradation);
    EXPECT_EQ(copy->FillColor()->GradColor1(), clBlue);
    EXPECT_EQ(copy->Picture()->Width(), 12);
    TMemoryStream again;
    WriteComponent(again, *copy);
    EXPECT_EQ(again.Bytes(), bytes) << "a round trip writes the same bytes";
    ExpectMatchesCommittedStream(bytes, "objects/deco/alphamask.bin");

    TLOAlphaMask assigned;
    assigned.Assign(&m);
    EXPECT_EQ(assigned.GetAngle(), 345);
    EXPECT_EQ(assigned.ShadeSize(), -7);
    EXPECT_EQ(assigned.FillColor()->GradColor0(), clRed);
    EXPECT_EQ(assigned.Picture()->Height(), 8);
    EXPECT_EQ(assigned.GetRect(), m.GetRect());

    for (qsizetype n = 0; n < bytes.size(); n += 3) {
        TMemoryStream cut;
        cut.WriteBytes(bytes.left(n));
        cut.SetPosition(0);
        EXPECT_THROW(ReadComponent(cut), Exception) << n;
    }
}
