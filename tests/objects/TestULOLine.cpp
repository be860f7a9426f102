#include "ULOLine.h"

#include "DesignTestSupport.h"
#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UCurveGeometry.h"
#include "UCurveGhost.h"
#include "UObjectFactory.h"
#include "UPropStream.h"
#include "UScaler.h"
#include "UStreams.h"
#include "UUtils.h"

#include <QPointer>
#include <gtest/gtest.h>

#include <cmath>

namespace {

std::string Str(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

std::string Str(const TPoint& P) {
    return std::to_string(P.x) + "," + std::to_string(P.y);
}

template <class T = TLOLine>
std::unique_ptr<T> MakeLine(TPoint S, TPoint E, int Width, TColor Color = clBlack) {
    auto line = std::make_unique<T>();
    line->SetStartPoint(S);
    line->SetEndPoint(E);
    line->SetLineWidth(Width);
    line->LineColor()->SetColor(Color);
    return line;
}

// Object drawn (DrawTo) on a white W x H logical page at Scale percent, one logical unit a
// pixel at 100.
TBitmap Render(TDrawObject& Object, int W, int H, int Scale) {
    TBitmap bitmap(MulDiv(W, Scale, 100), MulDiv(H, Scale, 100), pf24bit);
    bitmap.Fill(clWhite);
    TCanvas& canvas = bitmap.Canvas();
    canvas.SetMapMode(MM_ANISOTROPIC);
    canvas.SetWindowExtEx(100, 100);
    canvas.SetViewportExtEx(Scale, Scale);
    Object.DrawTo(canvas);
    return bitmap;
}

// Length of a polyline.
double LengthOf(const std::vector<TPoint>& Points) {
    double length = 0;
    for (size_t i = 1; i < Points.size(); ++i)
        length += std::hypot(double(Points[i].x - Points[i - 1].x),
                             double(Points[i].y - Points[i - 1].y));
    return length;
}

QByteArray StreamBytes(TComponent& Component) {
    TMemoryStream s;
    WriteComponent(s, Component);
    return s.Bytes();
}

class LineObjects : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterObjectClasses();
        RegisterDesignTestObjects();
    }
};

TEST_F(LineObjects, StreamsRoundTripByteIdenticalWithoutAngle) {
    auto line = MakeLine(TPoint(10, -20), TPoint(300, 40), 7, TColor(0x123456));
    line->SetName("L1");
    line->LineColor()->SetKind(cskGradation);
    line->SetBlendRatio(60);
    auto curve = MakeLine<TLOCurve>(TPoint(5, 5), TPoint(200, 5), 0, clRed);
    curve->SetName("C1");
    curve->SetBulge(-45);
    for (TLOLine* object :
         {static_cast<TLOLine*>(line.get()), static_cast<TLOLine*>(curve.get())}) {
        SCOPED_TRACE(object->ClassName().toStdString());
        const QByteArray first = StreamBytes(*object);
        EXPECT_FALSE(first.contains("Angle")) << "the angle follows from the points";
        TMemoryStream in(first);
        std::unique_ptr<TComponent> read = ReadComponent(in);
        auto* copy = qobject_cast<TLOLine*>(read.get());
        ASSERT_NE(copy, nullptr);
        EXPECT_EQ(copy->GetStartPoint(), object->GetStartPoint()) << "loading never rotates";
        EXPECT_EQ(copy->GetEndPoint(), object->GetEndPoint());
        EXPECT_EQ(copy->LineWidth(), object->LineWidth());
        EXPECT_EQ(copy->LineColor()->Kind(), object->LineColor()->Kind());
        EXPECT_EQ(StreamBytes(*copy), first);
    }
    // A stored curve keeps its bulge; a new one starts at 30 and width 10.
    TMemoryStream in(StreamBytes(*curve));
    std::unique_ptr<TComponent> read = ReadComponent(in);
    EXPECT_EQ(qobject_cast<TLOCurve*>(read.get())->Bulge(), -45);
    TLOCurve fresh;
    EXPECT_EQ(fresh.Bulge(), 30);
    EXPECT_EQ(fresh.LineWidth(), 10);
}

TEST_F(LineObjects, BoundsRectAndResizeTable) {
    struct {
        TPoint S, E;
        int Width;
        const char* Bounds;
        const char* Rect;
    } const cases[] = {
        {{0, 0}, {100, 0}, 10, "-5,-5,105,5", "0,0,100,0"},
        {{100, 50}, {0, 0}, 11, "-5,-5,106,56", "0,0,100,50"},
        {{10, 10}, {10, 10}, 4, "8,8,12,12", "10,10,10,10"},
        // Width 0 from a file still gives the line a size of one unit across.
        {{0, 0}, {50, 0}, 0, "0,0,51,1", "0,0,50,0"},
        {{0, 0}, {50, 0}, -3, "0,0,51,1", "0,0,50,0"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Bounds);
        auto line = MakeLine(c.S, c.E, c.Width);
        EXPECT_EQ(Str(line->GetBoundsRect()), c.Bounds);
        EXPECT_EQ(Str(line->GetRect()), c.Rect);
        // Resized to its own bounds the line keeps its points.
        const TRect b = line->GetBoundsRect();
        line->ResizeTo(b.Width(), b.Height());
        EXPECT_EQ(line->GetStartPoint(), c.S);
        EXPECT_EQ(line->GetEndPoint(), c.E);
    }
    // The end with the larger coordinate moves; sizes below the width leave no extent but
    // never flip the line.
    auto line = MakeLine(TPoint(100, 50), TPoint(0, 0), 10);
    line->ResizeTo(210, 30);
    EXPECT_EQ(Str(line->GetStartPoint()), "200,20");
    EXPECT_EQ(Str(line->GetEndPoint()), "0,0");
    line->ResizeTo(-40, 3);
    EXPECT_EQ(Str(line->GetStartPoint()), "0,0");
    EXPECT_EQ(Str(line->GetEndPoint()), "0,0");
}

TEST_F(LineObjects, AngleTurnsAboutTheMiddleModulo360) {
    struct {
        int Angle;
        const char* Start;
        const char* End;
    } const cases[] = {
        {90, "50,-50", "50,50"},  {450, "50,-50", "50,50"}, {-270, "50,-50", "50,50"},
        {180, "100,0", "0,0"},    {0, "0,0", "100,0"},      {720, "0,0", "100,0"},
        {-90, "50,50", "50,-50"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Angle);
        auto line = MakeLine(TPoint(0, 0), TPoint(100, 0), 10);
        int changes = 0;
        line->OnModify = [&](TComponent*) { ++changes; };
        line->SetAngle(c.Angle);
        EXPECT_EQ(Str(line->GetStartPoint()), c.Start);
        EXPECT_EQ(Str(line->GetEndPoint()), c.End);
        if (c.Angle % 360 == 0) {
            EXPECT_EQ(changes, 0) << "the same direction changes nothing";
        }
    }
    auto line = MakeLine(TPoint(0, 0), TPoint(-100, -100), 10);
    EXPECT_EQ(line->GetAngle(), -135);
}

TEST_F(LineObjects, HitTestAlongLinesAndCurves) {
    auto line = MakeLine(TPoint(0, 0), TPoint(100, 0), 10);
    // Off a surface the reach is (10 + 3) / 2 = 6.5 units from the centre line.
    struct {
        TPoint P;
        bool Hit;
    } const lineCases[] = {{{50, 0}, true},   {{50, 6}, true},   {{50, -7}, false},
                           {{-6, 0}, true},   {{-7, 0}, false},  {{104, 4}, true},
                           {{110, 0}, false}, {{50, 100}, false}};
    for (const auto& c : lineCases)
        EXPECT_EQ(line->HitTest(c.P), c.Hit) << Str(c.P);

    auto straight = MakeLine<TLOCurve>(TPoint(0, 0), TPoint(200, 0), 4);
    straight->SetBulge(0);
    EXPECT_TRUE(straight->HitTest(TPoint(100, 0))) << "bulge 0 is the segment itself";
    EXPECT_TRUE(straight->HitTest(TPoint(150, 3)));
    EXPECT_FALSE(straight->HitTest(TPoint(100, 20)));

    auto arc = MakeLine<TLOCurve>(TPoint(0, 0), TPoint(200, 0), 4);
    arc->SetBulge(60);
    EXPECT_EQ(Str(arc->GetBulgePoint()), "100,-60");
    EXPECT_TRUE(arc->HitTest(TPoint(100, -60)));
    EXPECT_FALSE(arc->HitTest(TPoint(100, 0))) << "the chord is not the curve";
    arc->SetBulge(-60);
    EXPECT_TRUE(arc->HitTest(TPoint(100, 60)));
    EXPECT_FALSE(arc->HitTest(TPoint(100, -60)));
}

TEST_F(LineObjects, CurveBulgePointAndResizeNeverDividesByZero) {
    auto curve = MakeLine<TLOCurve>(TPoint(0, 100), TPoint(200, 100), 10);
    curve->SetBulge(50);
    EXPECT_EQ(Str(curve->GetBulgePoint()), "100,50");
    curve->SetBulgePoint(TPoint(100, 20));
    EXPECT_EQ(curve->Bulge(), 80);
    // The bounds include the arc's top and half the width around it.
    const TRect b = curve->GetBoundsRect();
    EXPECT_NEAR(b.Top, 20 - 5, 1); // the arc is drawn in steps of 2 degrees
    EXPECT_EQ(b.Bottom, 100 + 5);

    // Scaling the bounds to half scales the chord to half; negative sizes count as 0.
    curve->ResizeTo(b.Width() / 2, b.Height());
    EXPECT_EQ(Str(curve->GetStartPoint()), "0,100");
    EXPECT_EQ(Str(curve->GetEndPoint()), "100,100");
    curve->ResizeTo(-50, -50);
    EXPECT_EQ(Str(curve->GetStartPoint()), "0,100");
    EXPECT_EQ(Str(curve->GetEndPoint()), "0,100");
    // A dot of width 0 still has bounds one unit wide: resizing it raises nothing.
    curve->SetLineWidth(0);
    EXPECT_GT(curve->GetBoundsRect().Width(), 0);
    curve->ResizeTo(100, 100);
    EXPECT_EQ(Str(curve->GetEndPoint()), "0,100");
}

TEST_F(LineObjects, AssignCopiesEverything) {
    auto curve = MakeLine<TLOCurve>(TPoint(3, 4), TPoint(90, 80), 12, clBlue);
    curve->SetBulge(-25);
    curve->SetDontPrint(true);
    TLOCurve copy;
    copy.Assign(curve.get());
    EXPECT_EQ(StreamBytes(copy), StreamBytes(*curve));
    EXPECT_EQ(copy.GetBulgePoint(), curve->GetBulgePoint());
}

TEST_F(LineObjects, GradientSpansTheLinesOwnBoundsInEveryBand) {
    auto line = MakeLine(TPoint(20, 50), TPoint(180, 50), 20);
    TColorSpec* spec = line->LineColor();
    spec->SetKind(cskGradation);
    spec->SetGradDir(rgdLeftToRight);
    spec->GradColors()->SetCount(2);
    spec->GradColors()->SetColor(0, clRed);
    spec->GradColors()->SetColor(1, clBlue);
    const TBitmap whole = Render(*line, 200, 100, 100);

    // The same page drawn in two bands, as printing does.
    TBitmap banded(200, 100, pf24bit);
    banded.Fill(clWhite);
    for (int top : {0, 50}) {
        TCanvas& canvas = banded.Canvas();
        const int saved = canvas.SaveDC();
        canvas.IntersectClipRect(0, top, 200, top + 50);
        line->DrawTo(canvas);
        canvas.RestoreDC(saved);
    }
    EXPECT_EQ(TestImages::CountMismatches(whole.ToQImage(), banded.ToQImage(), 0, nullptr), 0);
    // The gradient runs from one end of the line to the other.
    const QImage image = whole.ToQImage();
    const QRgb left = image.pixel(12, 50), right = image.pixel(187, 50);
    auto isRed = [](QRgb C) { return qRed(C) > 220 && qBlue(C) < 40; };
    auto isBlue = [](QRgb C) { return qBlue(C) > 220 && qRed(C) < 40; };
    EXPECT_TRUE((isRed(left) && isBlue(right)) || (isBlue(left) && isRed(right)))
        << std::hex << left << " " << right;
}

TEST_F(LineObjects, BlendedLineMixesOnlyWithinItsOutline) {
    auto line = MakeLine(TPoint(20, 50), TPoint(180, 50), 20, clRed);
    line->SetBlendRatio(50);
    TBitmap page(200, 100, pf24bit);
    page.Fill(clBlue);
    line->DrawTo(page.Canvas());
    const TColor mixed = page.GetPixel(100, 50);
    EXPECT_NEAR(mixed & 0xFF, 128, 3) << std::hex << mixed;         // red half
    EXPECT_NEAR((mixed >> 16) & 0xFF, 128, 3) << std::hex << mixed; // blue half
    EXPECT_EQ(page.GetPixel(100, 64), clBlue) << "outside the width";
    EXPECT_EQ(page.GetPixel(12, 43), clBlue) << "outside the round cap";
    EXPECT_NE(page.GetPixel(12, 50), clBlue) << "inside the round cap";
}

TEST_F(LineObjects, GoldenLineAndCurveAt100And200Percent) {
    auto line = MakeLine(TPoint(20, 30), TPoint(180, 90), 12, clRed);
    auto curve = MakeLine<TLOCurve>(TPoint(20, 100), TPoint(180, 100), 8, clBlue);
    curve->SetBulge(50);
    for (int scale : {100, 200}) {
        SCOPED_TRACE(scale);
        const QString suffix = QString::number(scale);
        const TBitmap l = Render(*line, 200, 120, scale);
        const TBitmap c = Render(*curve, 200, 120, scale);
        TestImages::ExpectMatchesGolden(l.ToQImage(), "objects/lines/line-" + suffix + ".png");
        TestImages::ExpectMatchesGolden(c.ToQImage(), "objects/lines/curve-" + suffix + ".png");
        auto px = [&](const TBitmap& B, int X, int Y) {
            return B.GetPixel(MulDiv(X, scale, 100), MulDiv(Y, scale, 100));
        };
        // Line: the middle is red, 10 units across it is white; the round cap reaches 4
        // units past the start along the line but not 9.
        EXPECT_EQ(px(l, 100, 60), clRed);
        EXPECT_EQ(px(l, 100, 72), clWhite);
        EXPECT_EQ(px(l, 100, 48), clWhite);
        EXPECT_EQ(px(l, 16, 29), clRed);
        EXPECT_EQ(px(l, 11, 27), clWhite);
        // Curve: the arc passes 50 units above the chord's middle; the chord is empty.
        EXPECT_EQ(px(c, 100, 50), clBlue);
        EXPECT_EQ(px(c, 100, 100), clWhite);
        EXPECT_EQ(px(c, 20, 100), clBlue);
        EXPECT_EQ(px(c, 100, 60), clWhite);
    }
}

// ---------------------------------------------------------------------------------------
// Handles and ghosts

// The program's ghost list with only the line and curve designers, and an empty action
// list.
struct TInstalledLineDesigners {
    TDODesignerList Designers;
    TInstalledLineDesigners() {
        RegisterLineDesigners(Designers);
        InstallGhostList();
        TheGhostList().SetClearEvent({});
        SetDesignerList(&Designers);
        ActionList().Clear();
        MoveOptions() = TMoveOptions();
        SetGhostSnapHook({});
    }
    ~TInstalledLineDesigners() {
        TheGhostList().Cancel();
        ActionList().Clear();
        SetGhostList(nullptr);
        SetDesignerList(nullptr);
        SetGhostSnapHook({});
        MoveOptions() = TMoveOptions();
    }
};

class LineGhosts : public LineObjects {
protected:
    void SetUp() override {
        FSite.Scaler().SetUnitDPI(GetScreenPixelsPerInch()); // one unit, one pixel
        FSite.SetLogWidth(1000);
        FSite.SetLogHeight(1000);
    }
    template <class T = TLOLine>
    T* Place(TPoint S, TPoint E, int Bulge = 30) {
        auto* object = new T(); // owned by the surface
        object->SetStartPoint(S);
        object->SetEndPoint(E);
        if constexpr (std::is_same_v<T, TLOCurve>)
            object->SetBulge(Bulge);
        FSite.InsertObject(object);
        FSite.AddObject(object);
        return object;
    }
    // Presses handle Code of Object at From, drags by Delta in two steps, releases.
    void Drag(TDrawObject& Object, int Code, TPoint From, TPoint Delta, TShiftState Shift = {}) {
        FSite.ObjectMouseDown(mbLeft, Shift, &Object, Code, From.x, From.y);
        FSite.MouseMoveMessage(Shift, From.x + Delta.x / 2, From.y + Delta.y / 2);
        FSite.MouseMoveMessage(Shift, From.x + Delta.x, From.y + Delta.y);
        FSite.MouseUpMessage(mbLeft, Shift, From.x + Delta.x, From.y + Delta.y);
    }
    // One undo step captioned Caption that restores Before and redoes to the state now.
    void ExpectOneExactStep(TComponent& Object, const QByteArray& Before, const QString& Caption) {
        const QByteArray after = StreamOf(Object);
        EXPECT_NE(after, Before);
        ASSERT_EQ(ActionList().Count(), 1);
        EXPECT_EQ(ActionList().UndoCaption(), Caption);
        ActionList().Undo();
        EXPECT_EQ(StreamOf(Object), Before);
        ActionList().Redo();
        EXPECT_EQ(StreamOf(Object), after);
    }

    TInstalledLineDesigners FDesigner;
    TDrawSite FSite;
};

std::vector<std::tuple<int, QString, TPoint, TCursor>> PivotsOf(const TDrawSite& Site) {
    std::vector<std::tuple<int, QString, TPoint, TCursor>> pivots;
    for (int i = 0; i < Site.ControlCount(); ++i)
        if (auto* pivot = qobject_cast<TPivot*>(Site.Controls(i)))
            pivots.emplace_back(pivot->Code(), pivot->metaObject()->className(),
                                RectCenter(pivot->BoundsRect()), pivot->Cursor());
    std::sort(pivots.begin(), pivots.end(),
              [](const auto& A, const auto& B) { return std::get<0>(A) < std::get<0>(B); });
    return pivots;
}

TEST_F(LineGhosts, HandlesOfLinesAndCurves) {
    TLOLine* line = Place(TPoint(100, 100), TPoint(300, 200));
    line->SetSelected(true);
    FSite.UpdatePivots();
    auto pivots = PivotsOf(FSite);
    ASSERT_EQ(pivots.size(), 2u);
    EXPECT_EQ(pivots[0], std::make_tuple(0, QString("TLabelPivot"), TPoint(100, 100), crSizeWE));
    EXPECT_EQ(pivots[1], std::make_tuple(1, QString("TLabelPivot"), TPoint(300, 200), crSizeWE));

    line->SetSelected(false);
    TLOCurve* curve = Place<TLOCurve>(TPoint(100, 400), TPoint(300, 400), 50);
    curve->SetSelected(true);
    FSite.UpdatePivots();
    pivots = PivotsOf(FSite);
    ASSERT_EQ(pivots.size(), 3u);
    EXPECT_EQ(pivots[0], std::make_tuple(10, QString("TLabelPivot"), TPoint(100, 400), crSizeWE));
    EXPECT_EQ(pivots[1], std::make_tuple(11, QString("TLabelPivot"), TPoint(300, 400), crSizeWE));
    EXPECT_EQ(pivots[2], std::make_tuple(12, QString("TBulgePivot"), TPoint(200, 350), crSizeNS));
}

TEST_F(LineGhosts, DesignersAnswerTheirObjectsOnly) {
    TLOLine* line = Place(TPoint(100, 100), TPoint(300, 200));
    TLOCurve* curve = Place<TLOCurve>(TPoint(100, 400), TPoint(300, 400));
    struct {
        TDrawObject* Object;
        int Code;
        int Ghosts;
    } const cases[] = {{line, -1, 1},  {line, 0, 1},   {line, 1, 1},   {line, 12, 0},
                       {curve, -1, 1}, {curve, 10, 1}, {curve, 12, 1}, {curve, 0, 0}};
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Code);
        EXPECT_TRUE(FDesigner.Designers.CreateGhost(*c.Object, c.Code));
        EXPECT_EQ(TheGhostList().Count(), c.Ghosts);
        TheGhostList().Clear();
    }
    TTestRect* rect = PlaceTestRect(FSite, "R", TRect(0, 0, 10, 10), clRed);
    EXPECT_FALSE(FDesigner.Designers.CreateGhost(*rect, -1));
    EXPECT_FALSE(FDesigner.Designers.CreatePivots(*rect));
}

TEST_F(LineGhosts, EndDragsOfALine) {
    struct {
        int Code;
        TPoint From, Delta;
        TShiftState Shift;
        const char* Start;
        const char* End;
    } const cases[] = {
        {0, {100, 100}, {-30, 20}, {}, "70,120", "300,100"},
        {1, {300, 100}, {40, 50}, {}, "100,100", "340,150"},
        // Shift: across more than up or down makes it horizontal ...
        {0, {100, 100}, {10, 20}, ssShift, "110,100", "300,100"},
        // ... as steep as wide (or steeper) makes it vertical.
        {0, {100, 100}, {50, 150}, ssShift, "300,250", "300,100"},
        {1, {300, 100}, {-100, 300}, ssShift, "100,100", "100,400"},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(std::to_string(c.Code) + " " + c.Start);
        ActionList().Clear();
        TLOLine* line = Place(TPoint(100, 100), TPoint(300, 100));
        const QByteArray before = StreamOf(*line);
        Drag(*line, c.Code, c.From, c.Delta, c.Shift);
        EXPECT_EQ(Str(line->GetStartPoint()), c.Start);
        EXPECT_EQ(Str(line->GetEndPoint()), c.End);
        ExpectOneExactStep(*line, before, SCaptionMoveResize);
        line->SetSelected(false);
    }
}

TEST_F(LineGhosts, DraggedPointsSnap) {
    // Vertical guides every 50 units; nothing snaps across.
    SetGhostSnapHook([](const TPoint& P) {
        const int nearest = (P.x + 25) / 50 * 50;
        return TPoint(nearest - P.x, NoSnap);
    });
    TLOLine* line = Place(TPoint(100, 100), TPoint(300, 100));
    Drag(*line, 1, TPoint(300, 100), TPoint(37, 12));
    EXPECT_EQ(Str(line->GetEndPoint()), "350,112");
    line->SetSelected(false);
    TLOCurve* curve = Place<TLOCurve>(TPoint(100, 300), TPoint(300, 300), 50);
    Drag(*curve, 12, curve->GetBulgePoint(), TPoint(-18, -30));
    EXPECT_EQ(Str(curve->GetBulgePoint()), "200,220") << "the bulge point snapped back";
    EXPECT_EQ(curve->Bulge(), 80);
}

TEST_F(LineGhosts, MoveDragOffsetsBothPoints) {
    TLOLine* line = Place(TPoint(100, 100), TPoint(300, 200));
    const QByteArray before = StreamOf(*line);
    Drag(*line, -1, TPoint(200, 150), TPoint(50, -30));
    EXPECT_EQ(Str(line->GetStartPoint()), "150,70");
    EXPECT_EQ(Str(line->GetEndPoint()), "350,170");
    ExpectOneExactStep(*line, before, SCaptionMove);
}

TEST_F(LineGhosts, CurveEndAndBulgeDragsAreOneExactUndoStep) {
    struct {
        const char* What;
        int Code;
        TPoint Delta;
        TShiftState Shift;
        const char* Start;
        const char* End;
        int Bulge;
    } const cases[] = {
        // Along the chord the curve stretches about its middle and keeps its bulge point.
        {"start outward", 10, {-20, 0}, {}, "80,300", "320,300", 50},
        // Across the chord both ends move; the bulge point stays.
        {"start upward", 10, {0, -10}, {}, "100,290", "300,290", 40},
        {"end, shift keeps the bulge", 11, {30, 40}, ssShift, "100,300", "330,340", 50},
        {"bulge point", 12, {0, -30}, {}, "100,300", "300,300", 80},
        {"bulge to the other side", 12, {0, 90}, {}, "100,300", "300,300", -40},
        {"bulge limited to the page", 12, {0, -1600}, {}, "100,300", "300,300", 1000},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.What);
        ActionList().Clear();
        TLOCurve* curve = Place<TLOCurve>(TPoint(100, 300), TPoint(300, 300), 50);
        const QByteArray before = StreamOf(*curve);
        const TPoint from = c.Code == 10   ? curve->GetStartPoint()
                            : c.Code == 11 ? curve->GetEndPoint()
                                           : curve->GetBulgePoint();
        Drag(*curve, c.Code, from, c.Delta, c.Shift);
        EXPECT_EQ(Str(curve->GetStartPoint()), c.Start);
        EXPECT_EQ(Str(curve->GetEndPoint()), c.End);
        EXPECT_NEAR(curve->Bulge(), c.Bulge, 1);
        if (c.Code == 10 && c.Shift == TShiftState()) {
            EXPECT_EQ(Str(curve->GetBulgePoint()), "200,250");
        }
        ExpectOneExactStep(*curve, before, SCaptionMoveResize);
        curve->SetSelected(false);
    }
}

TEST_F(LineGhosts, CircumferenceBulgeDragKeepsTheCurvesLength) {
    MoveOptions().Circumference = true;
    // A curve above the page centre (500, 500).
    TLOCurve* curve = Place<TLOCurve>(TPoint(400, 300), TPoint(600, 300), 40);
    const double length = LengthOf(curve->Polyline());
    const QByteArray before = StreamOf(*curve);
    const TPoint m = curve->GetBulgePoint();
    Drag(*curve, 12, m, TPoint(0, -100));
    // The arc now lies on the circle about the centre through the pointer.
    const TPoint pointer(m.x, m.y - 100);
    const double radius = std::hypot(pointer.x - 500.0, pointer.y - 500.0);
    for (const TPoint& p : {curve->GetStartPoint(), curve->GetEndPoint()})
        EXPECT_NEAR(std::hypot(p.x - 500.0, p.y - 500.0), radius, 1.5) << Str(p);
    EXPECT_NEAR(LengthOf(curve->Polyline()), length, length * 0.02);
    EXPECT_GT(curve->Bulge(), 0) << "it still bulges away from the centre";
    EXPECT_TRUE(curve->HitTest(pointer));
    ExpectOneExactStep(*curve, before, SCaptionMoveResize);

    // Alt alone switches the circumference move off: the bulge point just follows.
    ActionList().Clear();
    TLOCurve* plain = Place<TLOCurve>(TPoint(400, 700), TPoint(600, 700), 40);
    Drag(*plain, 12, plain->GetBulgePoint(), TPoint(0, -20), ssAlt);
    EXPECT_EQ(Str(plain->GetStartPoint()), "400,700");
    EXPECT_EQ(plain->Bulge(), 60);
}

TEST_F(LineGhosts, CreationDragsOfLinesAndCurves) {
    auto* line = new TLOLine(); // owned by the surface, then by the ghost
    FSite.InsertObject(line);
    FSite.AddObject(line);
    line->Hide();
    ASSERT_TRUE(FDesigner.Designers.CreateGhost(*line, -2));
    FSite.MouseDownMessage(mbLeft, {}, 300, 200, false);
    FSite.MouseMoveMessage({}, 350, 250);
    FSite.MouseMoveMessage({}, 420, 260);
    FSite.MouseUpMessage(mbLeft, {}, 420, 260);
    EXPECT_EQ(Str(line->GetStartPoint()), "300,200");
    EXPECT_EQ(Str(line->GetEndPoint()), "420,260");
    EXPECT_TRUE(line->Visible());
    EXPECT_TRUE(line->Selected());
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionAdd);
    ActionList().Undo();
    EXPECT_EQ(line->Parent(), nullptr);
    ActionList().Redo();
    EXPECT_EQ(line->Parent(), &FSite);

    // A curve is drawn out from its apex: the end follows the pointer and the start mirrors
    // it, so the press point stays the top of the arc.
    ActionList().Clear();
    auto* curve = new TLOCurve();
    FSite.InsertObject(curve);
    FSite.AddObject(curve);
    curve->Hide();
    ASSERT_TRUE(FDesigner.Designers.CreateGhost(*curve, -2));
    FSite.MouseDownMessage(mbLeft, {}, 300, 600, false);
    FSite.MouseMoveMessage({}, 360, 660);
    FSite.MouseUpMessage(mbLeft, {}, 360, 660);
    EXPECT_EQ(Str(curve->GetStartPoint()), "240,660");
    EXPECT_EQ(Str(curve->GetEndPoint()), "360,660");
    EXPECT_EQ(curve->Bulge(), 60);
    EXPECT_TRUE(curve->Visible());
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionAdd);
}

TEST_F(LineGhosts, CancelledCreationLeavesNothing) {
    for (bool isCurve : {false, true}) {
        SCOPED_TRACE(isCurve);
        QPointer<TLOLine> object = isCurve ? new TLOCurve() : new TLOLine();
        FSite.InsertObject(object);
        FSite.AddObject(object);
        object->Hide();
        ASSERT_TRUE(FDesigner.Designers.CreateGhost(*object, -2));
        FSite.MouseDownMessage(mbLeft, {}, 300, 200, false);
        FSite.MouseMoveMessage({}, 350, 250);
        FSite.CancelMode();
        EXPECT_TRUE(object.isNull());
        EXPECT_EQ(ActionList().Count(), 0);
    }
}

// The program's designer list asks rectangles and text first, then curves, then lines.
TEST(LineDesignerRegistration, ProgramListReachesLineAndCurveGhosts) {
    RegisterObjectClasses();
    InstallDesignerList();
    InstallGhostList();
    TLOCurve curve;
    TLOLine line;
    for (auto [object, code] : {std::pair<TDrawObject*, int>{&curve, 12}, {&line, 0}}) {
        EXPECT_TRUE(TheDesignerList().CreateGhost(*object, code));
        ASSERT_EQ(TheGhostList().Count(), 1);
        EXPECT_NE(dynamic_cast<TUniversalGhost*>(TheGhostList().Ghosts(0)), nullptr);
        if (code == 12) {
            EXPECT_NE(dynamic_cast<TCurveGhost*>(TheGhostList().Ghosts(0)), nullptr);
        } else {
            EXPECT_NE(dynamic_cast<TLineGhost*>(TheGhostList().Ghosts(0)), nullptr);
        }
        TheGhostList().Clear();
    }
    SetDesignerList(nullptr);
    SetGhostList(nullptr);
}

} // namespace
