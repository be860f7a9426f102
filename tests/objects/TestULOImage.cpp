#include "ULOImage.h"

#include "ObjectTestSupport.h"
#include "TestImageCompare.h"
#include "UDesigner.h"
#include "UGhost.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPrinters.h"
#include "UPropStream.h"
#include "URectGhost.h"
#include "URegion.h"
#include "URotatedRect.h"
#include "UUndo.h"

#include "UScaler.h"
#include "UUtils.h"

#include <QBuffer>
#include <QClipboard>
#include <QGuiApplication>
#include <QMimeData>
#include <functional>
#include <gtest/gtest.h>

namespace {

// Quadrant colours of the test photo (0x00BBGGRR), mid-tones so that every filter shows.
constexpr TColor ColTL = 0x4080C0; // orange-brown
constexpr TColor ColTR = 0xC08040; // steel blue
constexpr TColor ColBL = 0x40C040; // green
constexpr TColor ColBR = 0x808080; // grey
constexpr TColor Page = clSilver;

std::unique_ptr<TSafetyBitmap> FilledBitmap(int W, int H, TColor Color) {
    auto b = std::make_unique<TSafetyBitmap>();
    b->Bitmap() = TBitmap(W, H, pf24bit);
    b->Bitmap().Fill(Color);
    return b;
}

void Fill(TBitmap& B, const TRect& R, TColor Color) {
    for (int y = R.Top; y < R.Bottom; ++y)
        for (int x = R.Left; x < R.Right; ++x)
            B.SetPixel(x, y, Color);
}

// 40 x 30 pixels in four quadrants.
std::unique_ptr<TSafetyBitmap> Photo() {
    auto b = FilledBitmap(40, 30, ColTL);
    Fill(b->Bitmap(), TRect(20, 0, 40, 15), ColTR);
    Fill(b->Bitmap(), TRect(0, 15, 20, 30), ColBL);
    Fill(b->Bitmap(), TRect(20, 15, 40, 30), ColBR);
    b->Changed();
    return b;
}

// A keyed frame of the photo's size: the left 8 columns outside, a 3-pixel navy ring around
// the rest, the window inside.
std::unique_ptr<TSafetyBitmap> KeyedFrame() {
    auto b = FilledBitmap(40, 30, clNavy);
    Fill(b->Bitmap(), TRect(0, 0, 8, 30), FrameOutsideColor);
    Fill(b->Bitmap(), TRect(11, 3, 37, 27), FrameWindowColor);
    b->Changed();
    return b;
}

// An alpha frame: black (left half) hides the photo, white (right half) shows it.
std::unique_ptr<TSafetyBitmap> AlphaFrameBitmap() {
    auto b = FilledBitmap(40, 30, clWhite);
    Fill(b->Bitmap(), TRect(0, 0, 20, 30), clBlack);
    b->Changed();
    return b;
}

void SetPicture(TPictureEx& Picture, std::unique_ptr<TGraphic> Graphic) {
    Picture.SetGraphic(std::move(Graphic));
}

TColor At(const QImage& Image, int X, int Y) {
    const QRgb c = Image.pixel(X, Y);
    return static_cast<TColor>(qRed(c) | qGreen(c) << 8 | qBlue(c) << 16);
}

bool Near(TColor A, TColor B, int Fuzz = 2) {
    return std::abs(int(GetRValue(A)) - int(GetRValue(B))) <= Fuzz &&
           std::abs(int(GetGValue(A)) - int(GetGValue(B))) <= Fuzz &&
           std::abs(int(GetBValue(A)) - int(GetBValue(B))) <= Fuzz;
}

std::string Hex(TColor C) {
    char s[16];
    std::snprintf(s, sizeof s, "%06X", static_cast<unsigned>(C));
    return s;
}

std::string Str(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

std::unique_ptr<TBandCanvas> FixedCanvas(TBitmap& Bitmap) {
    TDeviceCaps display;
    display.LogPixelsX = display.LogPixelsY = 96;
    return std::make_unique<TBandCanvas>([&Bitmap] { return &Bitmap; }, 96, display);
}

// The cache build, reachable without drawing.
class TImageProbe : public TLOImage {
public:
    using TLOImage::BuildCache;
};

class ImageObject : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterPictureFormats();
        RegisterObjectClasses();
    }
    void SetUp() override {
        FSite.Scaler().SetUnitDPI(96); // one unit, one pixel at 100 %
        FSite.SetLogWidth(100);
        FSite.SetLogHeight(80);
        FSite.OnPaint = [this](TComponent*) {
            TCanvas& c = FSite.GetCanvas();
            c.Brush().SetColor(Page);
            c.FillRect(TRect(0, 0, 100, 80));
        };
    }
    // A new image object at R with the test photo, owned by and placed on the surface.
    TLOImage* Place(const TRect& R, bool WithPhoto = true) {
        auto* image = new TLOImage();
        image->SetBoundsRect(R);
        if (WithPhoto)
            SetPicture(*image->ImageData()->Picture(), Photo());
        FSite.InsertObject(image);
        FSite.AddObject(image);
        return image;
    }
    // The page drawn at Scale percent.
    QImage Render(int Scale) {
        TBitmap bitmap(100 * Scale / 100, 80 * Scale / 100, pf24bit);
        bitmap.Fill(clWhite);
        FSite.DrawTo(*FixedCanvas(bitmap), TPoint(0, 0), Scale);
        return bitmap.ToQImage();
    }
    // Renders at 100 % and 200 % against the goldens "objects/image/<Name>-<scale>.png" and
    // answers the 100 % image.
    QImage RenderAndCompare(const QString& Name) {
        QImage at100;
        for (const int scale : {100, 200}) {
            const QImage image = Render(scale);
            TestImages::ExpectMatchesGolden(
                image, QStringLiteral("objects/image/%1-%2.png").arg(Name).arg(scale));
            if (scale == 100)
                at100 = image;
        }
        return at100;
    }

    TDrawSite FSite;
};

// ---- Pictures and filters -------------------------------------------------------------------

TEST_F(ImageObject, PlainPictureFillsItsRectangle) {
    Place(TRect(10, 10, 90, 70));
    const QImage image = RenderAndCompare("plain");
    const struct {
        int X, Y;
        TColor Expected;
    } points[] = {{30, 25, ColTL}, {70, 25, ColTR}, {30, 55, ColBL}, {70, 55, ColBR},
                  {10, 10, ColTL}, {89, 69, ColBR}, {5, 5, Page},    {90, 70, Page}};
    for (const auto& p : points)
        EXPECT_EQ(Hex(At(image, p.X, p.Y)), Hex(p.Expected)) << p.X << "," << p.Y;
}

TEST_F(ImageObject, EachFilterChangesThePictureAsItShould) {
    struct Row {
        const char* Name;
        std::function<void(TImageData&)> Set;
        std::function<void(const QImage&)> Check;
    };
    const Row rows[] = {
        {"blur", [](TImageData& D) { D.BlurFilter()->SetBlurCount(3); },
         [](const QImage& I) {
             // Across the border of the two top quadrants the colours mix.
             const TColor c = At(I, 50, 25);
             EXPECT_FALSE(Near(c, ColTL, 8) || Near(c, ColTR, 8)) << Hex(c);
             EXPECT_TRUE(Near(At(I, 30, 25), ColTL, 8)) << "far from borders little changes";
         }},
        {"sharpen", [](TImageData& D) { D.BlurFilter()->SetBlurCount(-3); },
         [](const QImage& I) {
             // Beside the border the red of the left quadrant overshoots.
             EXPECT_GT(GetRValue(At(I, 48, 25)), GetRValue(ColTL)) << Hex(At(I, 48, 25));
             EXPECT_LT(GetRValue(At(I, 52, 25)), GetRValue(ColTR)) << Hex(At(I, 52, 25));
         }},
        {"monotone", [](TImageData& D) { D.MonotoneFilter()->SetRefColor(0x0080FF); },
         [](const QImage& I) {
             // Every quadrant takes the orange tint: red above green above blue.
             for (const QPoint p : {QPoint(30, 25), QPoint(70, 25), QPoint(30, 55)}) {
                 const TColor c = At(I, p.x(), p.y());
                 EXPECT_GT(GetRValue(c), GetGValue(c)) << Hex(c);
                 EXPECT_GT(GetGValue(c), GetBValue(c)) << Hex(c);
             }
         }},
        {"light", [](TImageData& D) { D.LightFilter()->SetBrightness(50); },
         [](const QImage& I) {
             const TColor c = At(I, 70, 55);
             EXPECT_GT(GetRValue(c), GetRValue(ColBR) + 10) << Hex(c);
             EXPECT_EQ(GetRValue(c), GetBValue(c)) << "grey stays grey";
         }},
        {"transparent", [](TImageData& D) { D.SetTransparentColor(ColBR); },
         [](const QImage& I) {
             EXPECT_EQ(Hex(At(I, 70, 55)), Hex(Page)) << "the keyed quadrant shows the page";
             EXPECT_EQ(Hex(At(I, 30, 55)), Hex(ColBL));
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TLOImage* image = Place(TRect(10, 10, 90, 70));
        row.Set(*image->ImageData());
        row.Check(RenderAndCompare(row.Name));
        delete image;
    }
}

TEST_F(ImageObject, AnObjectWithoutPictureDrawsNothingAndNeverBlends) {
    const QImage empty = Render(100);
    TLOImage* image = Place(TRect(10, 10, 90, 70), false);
    image->SetBlendRatio(50);
    image->SetAngle(30);
    EXPECT_FALSE(image->NeedsBlend());
    EXPECT_EQ(Render(100), empty);
    EXPECT_FALSE(image->HasCache());
    EXPECT_FALSE(image->PaintFailed());
}

// ---- Frames ---------------------------------------------------------------------------------

TEST_F(ImageObject, KeyedFrameShowsThePhotoThroughItsWindow) {
    TLOImage* image = Place(TRect(10, 10, 90, 70));
    SetPicture(*image->FramePicture(), KeyedFrame());
    // The photo's grey quadrant is transparent too: it shows the page inside the window
    // but not under the frame's ring.
    image->ImageData()->SetTransparentColor(ColBR);
    const QImage page = RenderAndCompare("keyed-frame");
    const struct {
        const char* What;
        int X, Y;
        TColor Expected;
    } points[] = {
        {"outside colour over an opaque photo", 15, 30, Page},
        {"outside colour, bottom", 24, 65, Page},
        {"ring", 28, 30, clNavy},
        {"ring over the transparent quadrant", 70, 67, clNavy},
        {"window", 60, 30, ColTR},
        {"window", 40, 50, ColBL},
        {"window over the transparent quadrant", 70, 55, Page},
    };
    for (const auto& p : points)
        EXPECT_EQ(Hex(At(page, p.X, p.Y)), Hex(p.Expected)) << p.What << " " << p.X << "," << p.Y;
    EXPECT_FALSE(image->NeedsBlend()) << "a keyed frame is composed, not blended";
}

TEST_F(ImageObject, AlphaFrameShapesTheBlend) {
    TLOImage* image = Place(TRect(10, 10, 90, 70));
    SetPicture(*image->FramePicture(), AlphaFrameBitmap());
    image->SetAlphaFrame(true);
    EXPECT_TRUE(image->NeedsBlend());
    const QImage page = RenderAndCompare("alpha-frame");
    EXPECT_EQ(Hex(At(page, 30, 25)), Hex(Page)) << "black in the frame hides the photo";
    EXPECT_EQ(Hex(At(page, 70, 25)), Hex(ColTR)) << "white shows it";
    EXPECT_EQ(Hex(At(page, 70, 55)), Hex(ColBR));
}

TEST_F(ImageObject, NeedsBlendTable) {
    struct Row {
        const char* What;
        int Ratio;
        bool Shade, Frame, Alpha;
        bool Expected;
    } const rows[] = {
        {"plain", 100, false, false, false, false},
        {"half opaque", 50, false, false, false, true},
        {"shade", 100, true, false, false, true},
        {"keyed frame", 100, false, true, false, false},
        {"alpha frame", 100, false, true, true, true},
        {"alpha flag without a frame", 100, false, false, true, false},
    };
    for (const Row& r : rows) {
        TLOImage image;
        SetPicture(*image.ImageData()->Picture(), Photo());
        image.SetBlendRatio(r.Ratio);
        image.SetBlendShade(r.Shade);
        if (r.Frame)
            SetPicture(*image.FramePicture(), KeyedFrame());
        image.SetAlphaFrame(r.Alpha);
        EXPECT_EQ(image.NeedsBlend(), r.Expected) << r.What;
    }
}

TEST_F(ImageObject, BlendMaskCoversThePictureOnly) {
    auto maskOf = [](TLOImage& Image) {
        TBitmap mask(100, 80, pf8bit);
        std::vector<TRGBQuad> grey(256);
        for (int i = 0; i < 256; ++i)
            grey[i] = TRGBQuad{uint8_t(i), uint8_t(i), uint8_t(i), 0};
        mask.SetColorTable(grey);
        mask.Fill(clBlack);
        Image.FillBlendMask(mask);
        return mask;
    };
    TLOImage image;
    image.SetBoundsRect(TRect(10, 10, 90, 70));
    SetPicture(*image.ImageData()->Picture(), Photo());
    TBitmap plain = maskOf(image);
    EXPECT_EQ(plain.ScanLine(30)[30], 255);
    EXPECT_EQ(plain.ScanLine(5)[5], 0);
    EXPECT_EQ(plain.ScanLine(70)[90], 0);

    image.ImageData()->SetTransparentColor(ColBR);
    TBitmap keyed = maskOf(image);
    EXPECT_EQ(keyed.ScanLine(25)[30], 255);
    EXPECT_EQ(keyed.ScanLine(55)[70], 0) << "transparent pixels are not the object's";

    image.ImageData()->SetTransparentColor(clNone);
    image.SetAngle(45);
    TBitmap turned = maskOf(image);
    EXPECT_EQ(turned.ScanLine(40)[50], 255) << "centre";
    // (2, 2) lies in the turned bounds, 61 units from the centre along the turned width.
    ASSERT_TRUE(PtInRect(image.GetBoundsRect(), TPoint(2, 2)));
    EXPECT_EQ(turned.ScanLine(2)[2], 0) << "corner of the turned bounds";
}

// ---- Rotation -------------------------------------------------------------------------------

TEST_F(ImageObject, TurnedPictureFillsItsTurnedOutline) {
    TLOImage* image = Place(TRect(10, 10, 90, 70));
    image->SetAngle(90);
    EXPECT_EQ(Str(image->GetBoundsRect()), "20,0,80,80");
    const QImage page = RenderAndCompare("turned-90");
    // A quarter turn clockwise: the top-left quadrant goes to the top-right.
    const struct {
        int X, Y;
        TColor Expected;
    } points[] = {{65, 20, ColTL}, {65, 60, ColTR}, {35, 60, ColBR},
                  {35, 20, ColBL}, {15, 40, Page},  {85, 40, Page}};
    for (const auto& p : points)
        EXPECT_EQ(Hex(At(page, p.X, p.Y)), Hex(p.Expected)) << p.X << "," << p.Y;
}

TEST_F(ImageObject, PictureTurnedByAnOddAngleStaysInsideItsOutline) {
    // The rectangle's aspect differs from the picture's: the turned picture still matches
    // the turned outline, which is what hit testing and handles use.
    TLOImage* image = Place(TRect(20, 30, 80, 50));
    image->SetAngle(30);
    const QImage page = RenderAndCompare("turned-30");
    const TRect b = image->GetBoundsRect();
    int inside = 0, outside = 0;
    for (int y = b.Top; y < b.Bottom; ++y)
        for (int x = b.Left; x < b.Right; ++x) {
            // One pixel of slack at the edges.
            bool all = true, none = true;
            for (const QPoint d : {QPoint(-1, 0), QPoint(1, 0), QPoint(0, -1), QPoint(0, 1)}) {
                const bool hit = image->HitTest(TPoint(x + d.x(), y + d.y()));
                all = all && hit;
                none = none && !hit;
            }
            const bool drawn = At(page, x, y) != Page;
            if (all)
                inside += drawn;
            if (none) {
                ASSERT_FALSE(drawn) << "drawn outside the outline at " << x << "," << y;
            }
            outside += none;
        }
    EXPECT_GT(inside, 800);
    EXPECT_GT(outside, 100);
}

TEST_F(ImageObject, HitTestFollowsTheTurnedOutline) {
    TLOImage image;
    image.SetBoundsRect(TRect(0, 0, 100, 100));
    image.SetAngle(45);
    const TRect b = image.GetBoundsRect();
    // Corners 70.7 units from the centre, each rounded half away from zero.
    for (const int edge : {b.Left, b.Top})
        EXPECT_NEAR(edge, -21, 1);
    for (const int edge : {b.Right, b.Bottom})
        EXPECT_NEAR(edge, 121, 1);
    EXPECT_TRUE(image.HitTest(TPoint(50, 50)));
    EXPECT_TRUE(image.HitTest(TPoint(50, -15)));
    EXPECT_FALSE(image.HitTest(TPoint(b.Left + 2, b.Top + 2))) << "corner of the box";
    EXPECT_FALSE(image.HitTest(TPoint(0, 0))) << "the unturned corner";
    EXPECT_NE(QueryObjectInterface<IDORotate>(&image), nullptr);
    EXPECT_NE(QueryObjectInterface<IDOBlend>(&image), nullptr);
    EXPECT_TRUE(QueryObjectInterface<IDOPosition>(&image)->ScalesToFit());
}

TEST_F(ImageObject, TurningMovesTheDeviceBoundsAndTheOutline) {
    // The surface gives an object its bounds in pixels, one more each way.
    auto device = [this](const TRect& R) {
        TRect d = FSite.LPtoDPRect(R);
        return Str(TRect(d.Left, d.Top, d.Right + 1, d.Bottom + 1));
    };
    TLOImage* image = Place(TRect(10, 30, 90, 50));
    EXPECT_EQ(Str(image->BoundsRect()), device(TRect(10, 30, 90, 50)));
    int modified = 0;
    image->OnModify = [&](TComponent*) { ++modified; };
    image->SetAngle(90);
    image->SetAngle(90);
    EXPECT_EQ(modified, 1) << "the same angle again changes nothing";
    image->OnModify = nullptr;
    const TRect b = image->GetBoundsRect();
    EXPECT_EQ(Str(b), "40,0,60,80");
    EXPECT_EQ(Str(image->BoundsRect()), device(b)) << "the surface took the turned bounds";

    // The outline is the turned rectangle: its edges, not the unturned ones.
    TBitmap bitmap(100, 80, pf24bit);
    bitmap.Fill(clWhite);
    TCanvas& c = bitmap.Canvas();
    c.Pen().SetColor(clBlack);
    image->DrawOutline(c);
    EXPECT_EQ(Hex(bitmap.GetPixel(40, 40)), Hex(clBlack)) << "left edge of the turned outline";
    EXPECT_EQ(Hex(bitmap.GetPixel(50, 0)), Hex(clBlack)) << "top edge";
    EXPECT_EQ(Hex(bitmap.GetPixel(10, 40)), Hex(clWhite)) << "the unturned left edge";
    EXPECT_EQ(Hex(bitmap.GetPixel(50, 40)), Hex(clWhite)) << "only the outline is drawn";
}

TEST_F(ImageObject, TurnedGeometryAgreesWithThePolygonRegion) {
    // The polygon region of the turned outline is the reference; the object works from the
    // corners and may differ on edge pixels only.
    for (const int angle : {1, 30, 45, 90, 135, 200, 271, 359, -60}) {
        for (const TRect& r : {TRect(10, 20, 70, 50), TRect(-5, 3, 8, 40), TRect(0, 0, 90, 7)}) {
            SCOPED_TRACE(std::to_string(angle) + " " + Str(r));
            TLOImage image;
            image.SetBoundsRect(r);
            image.SetAngle(angle);
            TRotator reference;
            reference.SetAngle(angle);
            reference.SetCenter(RectCenter(r));
            const TRect expected = RotatedRectBounds(r, reference);
            const TRegion region =
                TRegion::CreatePolygon(RotatedRectCorners(r, reference), WINDING);
            auto in = [&region](int X, int Y) { return region.PtInRegion(X, Y); };
            const TRect b = image.GetBoundsRect();
            EXPECT_NEAR(b.Left, expected.Left, 1);
            EXPECT_NEAR(b.Top, expected.Top, 1);
            EXPECT_NEAR(b.Right, expected.Right, 1);
            EXPECT_NEAR(b.Bottom, expected.Bottom, 1);
            for (int y = b.Top - 2; y <= b.Bottom + 2; ++y)
                for (int x = b.Left - 2; x <= b.Right + 2; ++x) {
                    // Points whose neighbours all agree with them lie off the edges.
                    const bool inside = in(x, y);
                    bool edge = false;
                    for (int dy = -1; dy <= 1; ++dy)
                        for (int dx = -1; dx <= 1; ++dx)
                            edge = edge || in(x + dx, y + dy) != inside;
                    if (!edge) {
                        ASSERT_EQ(image.HitTest(TPoint(x, y)), inside) << x << "," << y;
                    }
                }
        }
    }
}

TEST_F(ImageObject, ResizeToTable) {
    struct Row {
        const char* What;
        TRect R;
        int Angle;
        int W, H;
        const char* Expected;
    } const rows[] = {
        {"straight", {10, 10, 110, 60}, 0, 40, 30, "10,10,50,40"},
        {"straight, negative sizes are zero", {10, 10, 110, 60}, 0, -40, -5, "10,10,10,10"},
        {"quarter turn: the bounds' size", {10, 10, 110, 60}, 90, 100, 200, "10,10,210,110"},
        {"turned to its own bounds: unchanged", {10, 10, 110, 60}, 30, -1, -1, "10,10,110,60"},
        {"turned, negative sizes are zero", {10, 10, 110, 60}, 30, -50, -50, "10,10,10,10"},
        {"turned without area: no division by zero", {10, 10, 10, 10}, 30, 50, 50, "10,10,10,10"},
    };
    for (const Row& r : rows) {
        TLOImage image;
        image.SetBoundsRect(r.R);
        image.SetAngle(r.Angle);
        const TRect b = image.GetBoundsRect();
        if (r.W == -1) // its own bounds
            image.ResizeTo(b.Width(), b.Height());
        else
            image.ResizeTo(r.W, r.H);
        EXPECT_EQ(Str(image.GetRect()), r.Expected) << r.What;
    }
}

// ---- Cache ----------------------------------------------------------------------------------

TEST_F(ImageObject, CacheKeptByMovesAndGhostsDroppedByChanges) {
    TLOImage* image = Place(TRect(10, 10, 90, 70));
    image->SetAngle(90);
    Render(100);
    ASSERT_TRUE(image->HasCache());

    image->SetLeft(12);
    EXPECT_TRUE(image->HasCache()) << "a move keeps the cache";

    // A drag ends with the clone assigned back: the same pictures, so the cache stays.
    TLOImage clone;
    clone.Assign(image);
    clone.SetLeft(4);
    image->SetAssigningFromGhost(true);
    image->Assign(&clone);
    image->SetAssigningFromGhost(false);
    EXPECT_EQ(image->Left(), 4);
    EXPECT_TRUE(image->HasCache()) << "a ghost assigning back keeps the cache";

    const struct {
        const char* What;
        std::function<void()> Change;
    } changes[] = {
        {"resize", [&] { image->SetWidth(70); }},
        {"angle", [&] { image->SetAngle(180); }},
        {"filter", [&] { image->ImageData()->LightFilter()->SetContrast(20); }},
        {"picture", [&] { SetPicture(*image->ImageData()->Picture(), Photo()); }},
        {"frame", [&] { SetPicture(*image->FramePicture(), KeyedFrame()); }},
        {"plain assign", [&] { image->Assign(&clone); }},
    };
    for (const auto& c : changes) {
        Render(100);
        ASSERT_TRUE(image->HasCache()) << c.What;
        int modified = 0;
        image->OnModify = [&](TComponent*) { ++modified; };
        c.Change();
        EXPECT_FALSE(image->HasCache()) << c.What;
        EXPECT_GE(modified, 1) << c.What;
        image->OnModify = nullptr;
    }
}

TEST_F(ImageObject, PictureTooLargeToComposeShowsTheFailureBox) {
    TLOImage* image = Place(TRect(10, 10, 90, 70), false);
    auto huge = std::make_unique<TMetafile>();
    huge->SetSize(30000, 30000);
    {
        TMetafileCanvas c(*huge);
        c.Brush().SetColor(clRed);
        c.FillRect(TRect(0, 0, 30000, 30000));
    }
    SetPicture(*image->ImageData()->Picture(), std::move(huge));
    image->SetAngle(30);
    std::vector<QString> reported;
    TExceptionHandler old = SetApplicationExceptionHandler(
        [&](const std::exception& E) { reported.push_back(QString::fromUtf8(E.what())); });
    FSite.SetBorder(false);
    TBitmap bitmap(FSite.TControl::Width(), FSite.TControl::Height(), pf24bit);
    FSite.PaintWindow(bitmap.Canvas(), FSite.ClientRect());
    SetApplicationExceptionHandler(old);
    ASSERT_EQ(reported.size(), 1u);
    EXPECT_TRUE(reported[0].contains(u"30000")) << reported[0].toStdString();
    EXPECT_TRUE(image->PaintFailed());
    EXPECT_FALSE(image->HasCache());

    // A small picture on a huge turned rectangle: the turned box is too large as well.
    TImageProbe poster;
    SetPicture(*poster.ImageData()->Picture(), Photo());
    poster.SetBoundsRect(TRect(0, 0, 20000, 20000));
    poster.SetAngle(45);
    EXPECT_THROW(poster.BuildCache(), EImageTooLarge);
    EXPECT_FALSE(poster.HasCache());
    poster.SetBoundsRect(TRect(0, 0, 1500, 1000));
    EXPECT_NO_THROW(poster.BuildCache()) << "an ordinary size composes";
    EXPECT_TRUE(poster.HasCache());

    // Unturned and unframed, the same picture draws without any composition.
    image->SetAngle(0);
    TLOImage plain;
    plain.Assign(image);
    plain.SetBoundsRect(TRect(0, 0, 20, 20));
    TBitmap target(20, 20, pf24bit);
    target.Fill(clWhite);
    plain.DrawTo(target.Canvas());
    EXPECT_EQ(Hex(target.GetPixel(10, 10)), Hex(clRed));
}

TEST_F(ImageObject, LargeJPEGIsDecodedAtTheScaleTheTargetNeeds) {
    TBitmap source(800, 600, pf24bit);
    source.Fill(clBlue);
    auto jpeg = std::make_unique<TSafetyJPEGImage>();
    TMemoryStream s(EncodeJPEG(source));
    jpeg->LoadFromStream(s);
    struct Row {
        int Width, Height;
        TJPEGScale Scale;
        int DecodedWidth;
    } const rows[] = {{90, 68, jsEighth, 100},
                      {150, 113, jsQuarter, 200},
                      {350, 263, jsHalf, 400},
                      {800, 600, jsFullSize, 800}};
    for (const Row& r : rows) {
        TLOImage image;
        image.SetBoundsRect(TRect(0, 0, r.Width, r.Height));
        image.ImageData()->Picture()->SetGraphic(jpeg.get());
        TBitmap target(r.Width, r.Height, pf24bit);
        image.DrawTo(target.Canvas());
        const auto* drawn = dynamic_cast<const TSafetyJPEGImage*>(
            image.ImageData()->GetFilteredPicture().Graphic());
        ASSERT_NE(drawn, nullptr);
        EXPECT_EQ(drawn->Scale(), r.Scale) << r.Width;
        EXPECT_EQ(drawn->Bitmap().Width(), r.DecodedWidth) << r.Width;
        EXPECT_TRUE(Near(target.GetPixel(r.Width / 2, r.Height / 2), clBlue, 6));
    }
}

// ---- Size -----------------------------------------------------------------------------------

TEST_F(ImageObject, CalcImageSizeReadsPicturesAt180DPI) {
    struct Row {
        const char* What;
        int PW, PH;
        bool OnSite;
        TRect R;
        int W, H;
    } const rows[] = {
        {"100 x 50 pixels", 100, 50, false, {}, 141, 71},
        {"at least 30", 10, 10, false, {}, 30, 30},
        {"one side small", 360, 5, false, {}, 508, 30},
        {"on a surface: fitted into the larger side's square",
         100,
         50,
         true,
         {0, 0, 200, 100},
         200,
         101},
        {"on a surface, tall picture", 50, 100, true, {0, 0, 200, 100}, 101, 200},
        {"on a surface without area: unfitted", 100, 50, true, {5, 5, 5, 5}, 141, 71},
    };
    for (const Row& r : rows) {
        TLOImage loose;
        TLOImage* image = r.OnSite ? Place(r.R, false) : &loose;
        const auto g = FilledBitmap(r.PW, r.PH, clRed);
        const TSize s = image->CalcImageSize(*g);
        EXPECT_EQ(s.cx, r.W) << r.What;
        EXPECT_EQ(s.cy, r.H) << r.What;
        if (r.OnSite)
            delete image;
    }
}

TEST_F(ImageObject, FitToImageTakesTheFilteredPicturesSize) {
    TLOImage image;
    image.SetBoundsRect(TRect(7, 8, 9, 10));
    image.FitToImage();
    EXPECT_EQ(Str(image.GetRect()), "7,8,9,10") << "nothing without a picture";
    SetPicture(*image.ImageData()->Picture(), FilledBitmap(180, 90, clRed));
    image.ImageData()->ClipFilter()->SetClipRect(TRect(0, 0, 90, 90));
    image.FitToImage();
    EXPECT_EQ(Str(image.GetRect()), "7,8,134,135") << "the clipped picture, 90 x 90 pixels";
}

// ---- Handles --------------------------------------------------------------------------------

TEST(ImageHandles, KeepAspectSideDragFollowsThePointerInOneStep) {
    RegisterObjectClasses();
    TDODesignerList designers;
    designers.Add(std::make_unique<TDORectGhostDesigner>());
    InstallGhostList();
    TheGhostList().SetClearEvent({});
    SetDesignerList(&designers);
    ActionList().Clear();
    {
        TDrawSite site;
        site.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
        site.SetLogWidth(2000);
        site.SetLogHeight(2000);
        auto* image = new TLOImage();
        image->SetBoundsRect(TRect(500, 500, 600, 900)); // 100 x 400
        site.InsertObject(image);
        site.AddObject(image);
        image->SetSelected(true);

        const TPoint from = RectHandlePoint(image->GetRect(), 6);
        site.ObjectMouseDown(mbLeft, {}, image, 6, from.x, from.y);
        site.MouseMoveMessage({}, from.x + 50, from.y);
        site.MouseMoveMessage({}, from.x + 100, from.y);
        site.MouseUpMessage(mbLeft, {}, from.x + 100, from.y);
        EXPECT_EQ(image->Width(), 200);
        EXPECT_EQ(image->Height(), 800);
        ASSERT_EQ(ActionList().Count(), 1);
        EXPECT_EQ(ActionList().UndoCaption(), SCaptionResize);
        ActionList().Undo();
        EXPECT_EQ(Str(image->GetRect()), "500,500,600,900");
    }
    TheGhostList().Cancel();
    ActionList().Clear();
    SetGhostList(nullptr);
    SetDesignerList(nullptr);
}

// ---- Streams --------------------------------------------------------------------------------

QByteArray StreamOf(TComponent& C) {
    TMemoryStream s;
    WriteComponent(s, C);
    return s.Bytes();
}

std::unique_ptr<TLOImage> ReadImage(const QByteArray& Bytes) {
    TMemoryStream s(Bytes);
    std::unique_ptr<TComponent> read = ReadComponent(s);
    auto* image = qobject_cast<TLOImage*>(read.get());
    if (!image)
        return nullptr;
    read.release();
    return std::unique_ptr<TLOImage>(image);
}

TEST_F(ImageObject, StreamRoundTripIsByteIdentical) {
    TLOImage image;
    image.SetName("Photo1");
    image.SetBoundsRect(TRect(10, 20, 90, 80));
    SetPicture(*image.ImageData()->Picture(), Photo());
    image.ImageData()->BlurFilter()->SetBlurCount(2);
    image.ImageData()->MonotoneFilter()->SetRefColor(0x0080FF);
    image.ImageData()->SetTransparentColor(ColBR);
    SetPicture(*image.FramePicture(), KeyedFrame());
    image.SetAlphaFrame(true);
    image.SetAngle(30);
    image.SetImageSource(isTwain);
    image.SetBlendRatio(60);

    const QByteArray bytes = StreamOf(image);
    EXPECT_FALSE(bytes.contains("\x07Picture")) << "the older form is never written";
    for (const char* name : {"ImageData.Picture.Data", "FramePicture.Data", "AlphaFrame", "Angle",
                             "ImageSource", "isTwain"})
        EXPECT_TRUE(bytes.contains(name)) << name;
    std::unique_ptr<TLOImage> copy = ReadImage(bytes);
    ASSERT_NE(copy, nullptr);
    EXPECT_EQ(StreamOf(*copy), bytes);
    EXPECT_EQ(copy->GetAngle(), 30);
    EXPECT_TRUE(copy->AlphaFrame());
    EXPECT_EQ(copy->ImageSource(), isTwain);
    EXPECT_EQ(copy->ImageData()->TransparentColor(), ColBR);
    EXPECT_EQ(copy->ImageData()->BlurFilter()->BlurCount(), 2);
    EXPECT_EQ(Str(copy->GetBoundsRect()), Str(image.GetBoundsRect()));
    EXPECT_FALSE(copy->LegacyPictureUsed());

    // A plain object: the defaults are left out and come back.
    TLOImage plain;
    std::unique_ptr<TLOImage> plainCopy = ReadImage(StreamOf(plain));
    ASSERT_NE(plainCopy, nullptr);
    EXPECT_EQ(StreamOf(*plainCopy), StreamOf(plain));
    EXPECT_FALSE(StreamOf(plain).contains("AlphaFrame"));

    // Assign copies the same state.
    TLOImage assigned;
    assigned.Assign(&image);
    assigned.SetName("Photo1");
    EXPECT_EQ(StreamOf(assigned), bytes);
}

TEST_F(ImageObject, OlderPicturePropertyIsReadAndSetsTheIllustrationBackground) {
    const QByteArray current = "\x16ImageData.Picture.Data";
    const QByteArray older = "\x0CPicture.Data";
    for (const TImageSource source : {isFile, isOnePoint}) {
        TLOImage image;
        SetPicture(*image.ImageData()->Picture(), Photo());
        image.SetImageSource(source);
        QByteArray bytes = StreamOf(image);
        ASSERT_TRUE(bytes.contains(current));
        bytes.replace(current, older);
        std::unique_ptr<TLOImage> copy = ReadImage(bytes);
        ASSERT_NE(copy, nullptr) << source;
        EXPECT_TRUE(copy->LegacyPictureUsed());
        EXPECT_EQ(copy->ImageData()->Picture()->Width(), 40);
        EXPECT_EQ(copy->ImageData()->TransparentColor(),
                  source == isOnePoint ? FrameWindowColor : clNone)
            << source;
        // Written again, it takes the current form.
        EXPECT_TRUE(StreamOf(*copy).contains(current));
        EXPECT_FALSE(StreamOf(*copy).contains(older));
    }
}

TEST_F(ImageObject, FactoryMakesImagesByClassName) {
    std::unique_ptr<TDrawObject> made = CreateObjectOfKind("TLOImage");
    ASSERT_NE(qobject_cast<TLOImage*>(made.get()), nullptr);
}

// ---- Clipboard and files ----------------------------------------------------------------------

TEST_F(ImageObject, PasteTakesBitmapsOnly) {
    QImage picture(6, 4, QImage::Format_RGB32);
    picture.fill(qRgb(10, 200, 30));
    QImage other(3, 3, QImage::Format_RGB32);
    other.fill(qRgb(250, 0, 0));

    TLOImage image;
    QMimeData text;
    text.setText("no picture");
    EXPECT_FALSE(image.PasteFromClipboard(text));
    EXPECT_TRUE(IsPictureEmpty(image.ImageData()->Picture()));

    QMimeData decoded;
    decoded.setImageData(picture);
    EXPECT_TRUE(image.PasteFromClipboard(decoded));
    EXPECT_EQ(image.ImageData()->Picture()->Width(), 6);

    // A device-independent bitmap comes first, whatever else the clipboard holds.
    QMimeData both;
    both.setImageData(picture);
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        other.save(&buffer, "BMP");
    }
    both.setData("image/bmp", bmp);
    EXPECT_TRUE(image.PasteFromClipboard(both));
    EXPECT_EQ(image.ImageData()->Picture()->Width(), 3);

    // The factory's paste takes any picture; nothing usable raises.
    EXPECT_THROW(image.AssignClipboardPicture(text), EConvertError);
    image.AssignClipboardPicture(decoded);
    image.SetBoundsRect(TRect(0, 0, 1, 1));
    image.FitToImage();
    EXPECT_EQ(Str(image.GetRect()), "0,0,30,30") << "6 x 4 pixels: the minimum size";
}

TEST_F(ImageObject, CopiedPictureComesBackByPaste) {
    TLOImage source;
    EXPECT_EQ(source.PictureMimeData(), nullptr);
    SetPicture(*source.ImageData()->Picture(), Photo());
    source.CopyPictureToClipboard();
    TLOImage target;
    ASSERT_TRUE(target.PasteFromClipboard());
    const auto* b = dynamic_cast<const TSafetyBitmap*>(target.ImageData()->Picture()->Graphic());
    ASSERT_NE(b, nullptr);
    EXPECT_EQ(b->Width(), 40);
    EXPECT_EQ(Hex(b->Bitmap().GetPixel(5, 5)), Hex(ColTL));
    EXPECT_EQ(Hex(b->Bitmap().GetPixel(35, 25)), Hex(ColBR));
}

TEST_F(ImageObject, FileFilterListsTheRegisteredFormats) {
    const QString filter = PictureFileFilter();
    const QStringList entries = filter.split(";;");
    ASSERT_GE(entries.size(), 3);
    EXPECT_TRUE(entries.first().startsWith(u"すべての画像 (")) << filter.toStdString();
    EXPECT_EQ(entries.last(), u"すべてのファイル (*)"_qs);
    for (const char* pattern : {"*.bmp *.BMP", "*.jpg *.JPG", "*.jpeg *.JPEG", "*.png *.PNG",
                                "*.gif *.GIF", "*.emf *.EMF"})
        EXPECT_TRUE(entries.first().contains(pattern)) << pattern;
    EXPECT_EQ(entries.first().count("*.jpg "), 1) << "an extension registered twice once";
    // JPG and JPEG belong to one format: one entry lists both.
    const auto jpeg = std::find_if(entries.begin() + 1, entries.end(),
                                   [](const QString& E) { return E.contains("*.jpg"); });
    ASSERT_NE(jpeg, entries.end());
    EXPECT_TRUE(jpeg->contains("*.jpeg"));
}

} // namespace
