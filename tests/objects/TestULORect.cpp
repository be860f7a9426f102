#include "ULORect.h"

#include "DesignTestSupport.h"
#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UDrawSite.h"
#include "ULOBackImage.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "URectGhost.h"
#include "UScaler.h"

#include <QFile>
#include <climits>
#include <gtest/gtest.h>

namespace {

constexpr TColor Frame = TColor(0x0000C0);  // dark red
constexpr TColor Inside = TColor(0x00E0FF); // yellow

std::string Str(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

// A white bitmap of 160 x 120 logical units at Scale percent with Object drawn on it.
TBitmap Render(TDrawObject& Object, int Scale, int Width = 160, int Height = 120) {
    TBitmap b(Width * Scale / 100, Height * Scale / 100, pf24bit);
    b.Fill(clWhite);
    TCanvas& c = b.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(100, 100);
    c.SetViewportExtEx(Scale, Scale);
    Object.DrawTo(c);
    TCoordMap::ResetCanvas(c);
    return b;
}

template <class T = TLORect>
std::unique_ptr<T> MakeShape(const TRect& R, int FrameWidth, bool Filled) {
    auto s = std::make_unique<T>();
    s->SetBoundsRect(R);
    s->SetFrameWidth(FrameWidth);
    s->FrameColor()->SetColor(Frame);
    s->FillColor()->SetColor(Inside);
    s->SetFillInside(Filled);
    return s;
}

QByteArray Stream(TComponent& C) {
    TMemoryStream s;
    WriteComponent(s, C);
    return s.Bytes();
}

std::unique_ptr<TComponent> Read(const QByteArray& Bytes) {
    TMemoryStream s(Bytes);
    return ReadComponent(s);
}

} // namespace

TEST(TLORect, NewObjectsAndSetters) {
    TLORect r;
    EXPECT_EQ(r.FrameWidth(), 10);
    EXPECT_FALSE(r.FillInside());
    EXPECT_FALSE(r.RoundRect());
    EXPECT_EQ(r.GetAngle(), 0);
    EXPECT_EQ(Str(r.GetRect()), "0,0,0,0");

    int changes = 0;
    r.OnModify = [&](TComponent*) { ++changes; };
    r.SetAngle(400);
    EXPECT_EQ(r.GetAngle(), 400) << "angles are not normalised";
    r.SetAngle(400);
    EXPECT_EQ(changes, 1) << "an unchanged value is no change";
    r.FillColor()->SetColor(clRed);
    EXPECT_EQ(changes, 2) << "a change of an owned fill is a change of the object";

    auto* shadow = QueryObjectInterface<IDOShadow>(&r);
    ASSERT_NE(shadow, nullptr);
    r.SetFillInside(true);
    EXPECT_FALSE(shadow->GetShadow());
    shadow->SetShadow(true);
    EXPECT_FALSE(r.FillInside()) << "no-fill on means no fill inside";
    EXPECT_EQ(shadow->GetShadowColor(), r.FillColor());
    auto* color = QueryObjectInterface<IDOColor>(&r);
    ASSERT_NE(color, nullptr);
    EXPECT_EQ(color->GetColor(), r.FrameColor());
    EXPECT_NE(QueryObjectInterface<IDOBlend>(&r), nullptr);
    EXPECT_NE(QueryObjectInterface<IDORotate>(&r), nullptr);

    r.SetBoundsRect(TRect(0, 0, 100, 100));
    r.SetFrameWidth(-5);
    EXPECT_EQ(r.FrameWidth(), 0);
    r.SetFrameWidth(INT_MAX);
    EXPECT_EQ(r.FrameWidth(), 32767) << "a damaged stream's width is kept within reach";
    EXPECT_EQ(Render(r, 100).GetPixel(50, 50), r.FrameColor()->Color());

    TLORect round;
    round.SetRoundRect(true);
    round.SetBoundsRect(TRect(0, 0, 300, 90));
    round.SetFrameWidth(0);
    TStroke expected;
    expected.SetRoundRect(TRect(0, 0, 300, 90), 30);
    EXPECT_EQ(round.OutlineStroke(), expected) << "corner value min(300, 90) div 3";
}

TEST(TLORect, BoundsCoverTheWidenedOutline) {
    struct {
        const char* What;
        TRect R;
        int FrameWidth;
        int Angle;
        bool Circle;
        const char* Bounds;
    } const cases[] = {
        {"frame centred on the edge", {0, 0, 100, 50}, 10, 0, false, "-5,-5,105,55"},
        {"odd frame rounded outward", {0, 0, 100, 50}, 5, 0, false, "-3,-3,103,53"},
        {"no frame: the outline's box", {10, 20, 110, 70}, 0, 0, false, "10,20,110,70"},
        {"quarter turn", {0, 0, 100, 50}, 0, 90, false, "25,-25,75,75"},
        {"circle", {0, 0, 100, 50}, 10, 0, true, "-5,-5,105,55"},
        {"empty shape without frame", {30, 30, 30, 30}, 0, 0, false, "30,30,30,30"},
    };
    for (const auto& c : cases) {
        std::unique_ptr<TLORect> s =
            c.Circle ? std::make_unique<TLOCircle>() : std::make_unique<TLORect>();
        s->SetBoundsRect(c.R);
        s->SetFrameWidth(c.FrameWidth);
        s->SetAngle(c.Angle);
        EXPECT_EQ(Str(s->GetBoundsRect()), c.Bounds) << c.What;
    }
}

TEST(TLORect, HitTestingFrameAndInside) {
    struct {
        const char* What;
        int FrameWidth;
        bool Filled;
        bool Circle;
        TPoint P;
        bool Hit;
    } const cases[] = {
        {"unfilled: centre misses", 10, false, false, {50, 50}, false},
        {"unfilled: on the frame", 10, false, false, {2, 50}, true},
        {"unfilled: frame outside the edge", 10, false, false, {-4, 50}, true},
        {"unfilled: beyond the frame", 10, false, false, {-9, 50}, false},
        {"filled: centre hits", 10, true, false, {50, 50}, true},
        {"no frame: inside hits", 0, false, false, {50, 50}, true},
        {"no frame: outside misses", 0, false, false, {102, 50}, false},
        {"circle corner misses", 10, true, true, {2, 2}, false},
        {"circle centre", 10, true, true, {50, 50}, true},
        {"unfilled circle centre misses", 10, false, true, {50, 50}, false},
    };
    for (const auto& c : cases) {
        std::unique_ptr<TLORect> s =
            c.Circle ? std::make_unique<TLOCircle>() : std::make_unique<TLORect>();
        s->SetBoundsRect(TRect(0, 0, 100, 100));
        s->SetFrameWidth(c.FrameWidth);
        s->SetFillInside(c.Filled);
        EXPECT_EQ(s->HitTest(c.P), c.Hit) << c.What;
    }
    TLORect turned;
    turned.SetBoundsRect(TRect(0, 40, 100, 60));
    turned.SetFrameWidth(0);
    turned.SetAngle(90);
    EXPECT_TRUE(turned.HitTest(TPoint(50, 5)));
    EXPECT_FALSE(turned.HitTest(TPoint(5, 50))) << "the unturned end";
}

TEST(TLORect, ResizeToKeepsSizesValid) {
    struct {
        const char* What;
        TRect R;
        int FrameWidth;
        int Angle;
        int W, H;
        const char* After;
    } const cases[] = {
        {"straight: frame taken off", {10, 10, 110, 60}, 10, 0, 210, 60, "10,10,210,60"},
        {"straight: never below 0", {10, 10, 110, 60}, 10, 0, 4, 8, "10,10,10,10"},
        {"turned: scaled by the bounds", {0, 0, 100, 100}, 0, 90, 50, 200, "0,0,50,200"},
        {"turned, no extent: left alone", {0, 0, 0, 0}, 0, 45, 80, 80, "0,0,0,0"},
        {"turned, negative target", {0, 0, 100, 100}, 0, 90, -50, 100, "0,0,0,100"},
    };
    for (const auto& c : cases) {
        TLORect s;
        s.SetBoundsRect(c.R);
        s.SetFrameWidth(c.FrameWidth);
        s.SetAngle(c.Angle);
        s.ResizeTo(c.W, c.H);
        EXPECT_EQ(Str(s.GetRect()), c.After) << c.What;
    }
}

TEST(TLORect, StreamsRoundTripByteForByte) {
    RegisterObjectClasses();
    for (const bool circle : {false, true}) {
        std::unique_ptr<TLORect> s = circle ? MakeShape<TLOCircle>(TRect(5, 6, 150, 80), 7, true)
                                            : MakeShape(TRect(5, 6, 150, 80), 7, true);
        s->SetName("Shape");
        s->SetAngle(-30);
        s->SetRoundRect(true);
        s->FrameColor()->SetKind(cskGradation);
        s->FrameColor()->SetGradAngle(45);
        s->SetBlendRatio(60);
        const QByteArray bytes = Stream(*s);
        std::unique_ptr<TComponent> read = Read(bytes);
        auto* copy = qobject_cast<TLORect*>(read.get());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->metaObject(), s->metaObject());
        EXPECT_EQ(copy->GetAngle(), -30);
        EXPECT_EQ(copy->FrameWidth(), 7);
        EXPECT_TRUE(copy->RoundRect());
        EXPECT_EQ(copy->FrameColor()->Kind(), cskGradation);
        EXPECT_EQ(copy->FillColor()->Color(), Inside);
        EXPECT_EQ(Stream(*copy), bytes) << "circle " << circle;
    }
}

TEST(TLORect, OlderRoundPropertyIsReadAndNotWritten) {
    RegisterObjectClasses();
    TLORect s;
    s.SetBoundsRect(TRect(0, 0, 50, 50));
    QByteArray bytes = Stream(s);
    // The Boolean RoundRect (False) turned into an older stream's Round (True).
    const QByteArray current = QByteArray("\x09RoundRect") + char(8);
    ASSERT_EQ(bytes.count(current), 1);
    bytes.replace(current, QByteArray("\x05Round") + char(9));
    std::unique_ptr<TComponent> read = Read(bytes);
    auto* copy = qobject_cast<TLORect*>(read.get());
    ASSERT_NE(copy, nullptr);
    EXPECT_TRUE(copy->RoundRect());
    const QByteArray again = Stream(*copy);
    EXPECT_EQ(again.count(QByteArray("\x09RoundRect") + char(9)), 1);
    EXPECT_FALSE(again.contains("\x05Round"));
}

TEST(TLORect, PageStreamWithShapesReadsBack) {
    RegisterObjectClasses();
    TDrawSite site;
    site.SetLogWidth(400);
    site.SetLogHeight(300);
    auto* rect = MakeShape(TRect(10, 10, 100, 60), 4, true).release();
    rect->SetName("Rect1");
    auto* circle = MakeShape<TLOCircle>(TRect(120, 20, 220, 120), 8, false).release();
    circle->SetName("Circle1");
    for (TDrawObject* o : {static_cast<TDrawObject*>(rect), static_cast<TDrawObject*>(circle)}) {
        site.InsertObject(o);
        site.AddObject(o);
    }
    const QByteArray bytes = Stream(site);
    std::unique_ptr<TComponent> read = Read(bytes);
    auto* copy = qobject_cast<TDrawSite*>(read.get());
    ASSERT_NE(copy, nullptr);
    ASSERT_EQ(copy->ControlCount(), 2);
    auto* r = qobject_cast<TLORect*>(copy->Controls(0));
    auto* c = qobject_cast<TLOCircle*>(copy->Controls(1));
    ASSERT_NE(r, nullptr);
    ASSERT_NE(c, nullptr);
    EXPECT_EQ(Str(r->GetRect()), "10,10,100,60");
    EXPECT_TRUE(r->FillInside());
    EXPECT_EQ(c->FrameWidth(), 8);
    EXPECT_EQ(Stream(*copy), bytes);
    EXPECT_NE(CreateObjectOfKind("TLORect"), nullptr);
    EXPECT_NE(CreateObjectOfKind("TLOCircle"), nullptr);
}

TEST(TLORect, PaintedPixels) {
    struct TFact {
        TPoint P;
        TColor Color;
    };
    struct {
        const char* Name;
        std::function<std::unique_ptr<TLORect>()> Make;
        std::vector<TFact> Facts; // at 100 %
    } const cases[] = {
        {"framed",
         [] { return MakeShape(TRect(20, 20, 140, 100), 10, false); },
         {{{20, 60}, Frame},
          {{16, 60}, Frame},
          {{24, 60}, Frame},
          {{80, 60}, clWhite},
          {{13, 60}, clWhite},
          {{15, 15}, Frame}}},
        {"filled",
         [] { return MakeShape(TRect(20, 20, 140, 100), 6, true); },
         {{{80, 60}, Inside}, {{20, 60}, Frame}, {{138, 98}, Frame}, {{30, 30}, Inside}}},
        {"frameless filled",
         [] { return MakeShape(TRect(20, 20, 140, 100), 0, true); },
         {{{80, 60}, Inside},
          {{20, 20}, Inside},
          {{139, 99}, Inside},
          {{140, 100}, clWhite},
          {{19, 60}, clWhite}}},
        {"rounded",
         [] {
             auto s = MakeShape(TRect(20, 20, 140, 100), 8, true);
             s->SetRoundRect(true);
             return s;
         },
         {{{80, 60}, Inside}, {{20, 60}, Frame}, {{17, 17}, clWhite}, {{80, 20}, Frame}}},
        {"rotated",
         [] {
             auto s = MakeShape(TRect(30, 40, 130, 80), 6, true);
             s->SetAngle(30);
             return s;
         },
         {{{80, 60}, Inside}, {{114, 80}, Inside}, {{128, 42}, clWhite}}},
        {"circle",
         [] { return MakeShape<TLOCircle>(TRect(20, 20, 140, 100), 8, true); },
         {{{80, 60}, Inside}, {{20, 60}, Frame}, {{80, 100}, Frame}, {{24, 24}, clWhite}}},
        {"frame wider than the shape",
         [] { return MakeShape(TRect(70, 50, 80, 60), 30, false); },
         {{{75, 55}, Frame}, {{57, 55}, Frame}, {{52, 55}, clWhite}}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        std::unique_ptr<TLORect> shape = c.Make();
        for (const int scale : {100, 200}) {
            const TBitmap b = Render(*shape, scale);
            for (const TFact& f : c.Facts) {
                const int x = f.P.x * scale / 100, y = f.P.y * scale / 100;
                EXPECT_EQ(b.GetPixel(x, y), f.Color) << scale << "% at " << f.P.x << "," << f.P.y;
            }
            if (std::string(c.Name) != "frame wider than the shape")
                TestImages::ExpectMatchesGolden(b.ToQImage(),
                                                QString("objects/shapes/%1-%2.png")
                                                    .arg(QString(c.Name).replace(' ', '-'))
                                                    .arg(scale));
        }
    }
}

TEST(TLORect, BlendedShapeMixesWithWhatLiesBelow) {
    auto s = MakeShape(TRect(20, 20, 140, 100), 10, true);
    s->FillColor()->SetColor(clBlue);
    s->SetBlendRatio(50);
    const TBitmap b = Render(*s, 100);
    const QRgb centre = b.ToQImage().pixel(80, 60);
    EXPECT_NEAR(qBlue(centre), 255, 2);
    EXPECT_NEAR(qRed(centre), 128, 2) << "half white, half blue";
    const QRgb frame = b.ToQImage().pixel(20, 60);
    EXPECT_NEAR(qRed(frame), 224, 2) << "the frame (dark red) at half strength";
    EXPECT_NEAR(qGreen(frame), 128, 2);
    EXPECT_EQ(b.GetPixel(80, 110), clWhite) << "the mask leaves the outside alone";
    EXPECT_EQ(b.GetPixel(5, 5), clWhite);
}

TEST(TLORect, ThinFramesStayVisibleOnTheSurfaceAtLowZoom) {
    // A frame of one unit is a quarter pixel at 25 %. On the design surface frames are at
    // least two device pixels wide: across the middle row both sides show, less what the
    // control's bounds (taken from the frame as stored) cut off outside.
    auto framedPixels = [](const TBitmap& B) {
        int n = 0;
        for (int x = 0; x < 100; ++x)
            n += B.GetPixel(x, 50) == Frame;
        return n;
    };
    for (const bool circle : {false, true}) {
        SCOPED_TRACE(circle ? "circle" : "rectangle");
        auto make = [circle] {
            return circle ? MakeShape<TLOCircle>(TRect(40, 40, 360, 360), 1, false)
                          : MakeShape(TRect(40, 40, 360, 360), 1, false);
        };
        EXPECT_EQ(make()->EffectiveFrameWidth(), 1) << "off a surface as stored";

        TDrawSite site;
        site.Scaler().SetUnitDPI(GetScreenPixelsPerInch()); // one unit, one pixel at 100 %
        site.SetLogWidth(400);
        site.SetLogHeight(400);
        site.SetBorder(false);
        site.SetColor(clWhite);
        site.Scaler().SetScale(25);
        TLORect* shape = make().release();
        site.InsertObject(shape);
        site.AddObject(shape);
        EXPECT_EQ(shape->EffectiveFrameWidth(), 8) << "two device pixels at 25 %";
        TBitmap b(100, 100, pf24bit);
        b.Fill(clWhite);
        site.PaintWindow(b.Canvas(), site.ClientRect());
        EXPECT_GE(framedPixels(b), 3);
    }
}

namespace {

// The program's ghost list with the rectangle designer, and an empty action list.
struct TInstalledRectDesigner {
    TDODesignerList Designers;
    TInstalledRectDesigner() {
        Designers.Add(std::make_unique<TDORectGhostDesigner>());
        InstallGhostList();
        TheGhostList().SetClearEvent({});
        SetDesignerList(&Designers);
        ActionList().Clear();
    }
    ~TInstalledRectDesigner() {
        TheGhostList().Cancel();
        ActionList().Clear();
        SetGhostList(nullptr);
        SetDesignerList(nullptr);
    }
};

} // namespace

TEST(TLORect, HandleDragsAreSingleUndoStepsThatRestoreTheStream) {
    RegisterObjectClasses();
    TInstalledRectDesigner designer;
    TDrawSite site;
    site.Scaler().SetUnitDPI(GetScreenPixelsPerInch());
    site.SetLogWidth(1000);
    site.SetLogHeight(1000);
    auto* shape = MakeShape(TRect(200, 200, 400, 300), 10, true).release();
    shape->SetName("Shape");
    site.InsertObject(shape);
    site.AddObject(shape);
    shape->SetSelected(true);

    struct {
        const char* What;
        int Code;
        TPoint From, Delta;
        const char* Rect;
        int Angle;
    } const drags[] = {
        {"bottom-right resize", 7, {400, 300}, {40, 30}, "200,200,440,330", 0},
        {"left resize", 1, {200, 250}, {-20, 0}, "180,200,400,300", 0},
        // From straight right of the centre to straight below it: a quarter turn.
        {"rotation", 8, {450, 250}, {-150, 150}, "200,200,400,300", 90},
    };
    for (const auto& d : drags) {
        SCOPED_TRACE(d.What);
        ActionList().Clear();
        const QByteArray before = StreamOf(*shape);
        site.ObjectMouseDown(mbLeft, {}, shape, d.Code, d.From.x, d.From.y);
        site.MouseMoveMessage({}, d.From.x + d.Delta.x / 2, d.From.y + d.Delta.y / 2);
        site.MouseMoveMessage({}, d.From.x + d.Delta.x, d.From.y + d.Delta.y);
        site.MouseUpMessage(mbLeft, {}, d.From.x + d.Delta.x, d.From.y + d.Delta.y);
        const QByteArray after = StreamOf(*shape);
        EXPECT_EQ(Str(shape->GetRect()), d.Rect);
        EXPECT_EQ(shape->GetAngle(), d.Angle);
        ASSERT_NE(after, before) << "the drag changed the shape";
        ASSERT_EQ(ActionList().Count(), 1);
        ActionList().Undo();
        EXPECT_EQ(StreamOf(*shape), before);
        ActionList().Redo();
        EXPECT_EQ(StreamOf(*shape), after);
        ActionList().Undo();
    }
}

// A page stored by this version: a background, a rounded rectangle and a turned circle. The
// fixture guards the stream form; VANTOMI_UPDATE_GOLDEN=1 writes it again.
TEST(TLORect, StoredPageFixtureReadsBack) {
    RegisterObjectClasses();
    const QString fixture = QStringLiteral("objects/shapes/page.bin");
    if (qEnvironmentVariableIntValue("VANTOMI_UPDATE_GOLDEN") == 1) {
        TDrawSite site;
        site.SetLogWidth(1200);
        site.SetLogHeight(800);
        auto* back = new TLOBackImage();
        back->SetName("Back");
        back->SetBoundsRect(TRect(0, 0, 1200, 800));
        back->FillColor()->SetKind(cskGradation);
        back->SetFrameWidth(30);
        auto* rect = MakeShape(TRect(100, 100, 500, 300), 12, true).release();
        rect->SetName("Rect");
        rect->SetRoundRect(true);
        auto* circle = MakeShape<TLOCircle>(TRect(600, 200, 900, 500), 0, true).release();
        circle->SetName("Circle");
        circle->SetAngle(15);
        for (TDrawObject* o : std::initializer_list<TDrawObject*>{back, rect, circle}) {
            site.InsertObject(o);
            site.AddObject(o);
        }
        TMemoryStream s;
        WriteComponent(s, site);
        QFile file(TestDataPath(fixture));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(s.Bytes());
        return;
    }
    const QByteArray bytes = ReadTestData(fixture);
    std::unique_ptr<TComponent> read = Read(bytes);
    auto* page = qobject_cast<TDrawSite*>(read.get());
    ASSERT_NE(page, nullptr);
    ASSERT_EQ(page->ControlCount(), 3);
    auto* back = qobject_cast<TLOBackImage*>(page->Controls(0));
    auto* rect = qobject_cast<TLORect*>(page->Controls(1));
    auto* circle = qobject_cast<TLOCircle*>(page->Controls(2));
    ASSERT_TRUE(back && rect && circle);
    EXPECT_EQ(back->FrameWidth(), 30);
    EXPECT_EQ(back->FillColor()->Kind(), cskGradation);
    EXPECT_EQ(Str(rect->GetRect()), "100,100,500,300");
    EXPECT_TRUE(rect->RoundRect());
    EXPECT_EQ(rect->FrameWidth(), 12);
    EXPECT_EQ(rect->FillColor()->Color(), Inside);
    EXPECT_EQ(circle->GetAngle(), 15);
    EXPECT_EQ(circle->FrameWidth(), 0);
    EXPECT_EQ(Stream(*page), bytes) << "written back unchanged";
}
