#include "DesignTestSupport.h"

#include "UDrawSiteAction.h"
#include "UException.h"
#include "ULOText.h"
#include "UUtils.h"

#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>

namespace {

class Ghosts : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterDesignTestObjects(); }
    void SetUp() override {
        FSite.SetLogWidth(1000);
        FSite.SetLogHeight(1000);
    }
    template <class T = TTestRect>
    T* Place(const QString& Name, const TRect& R) {
        auto* placed = new T();
        placed->SetBoundsRect(R);
        placed->SetName(Name);
        FSite.InsertObject(placed);
        FSite.AddObject(placed);
        return placed;
    }
    // A move ghost on Object started at P0 and moved by Delta with Shift.
    std::unique_ptr<TMoveGhost> MoveBy(TDrawObject& Object, const TMoveOptions& Options,
                                       const TPoint& P0, const TPoint& Delta,
                                       TShiftState Shift = {}) {
        auto ghost = std::make_unique<TMoveGhost>(Object, -1);
        ghost->SetOptions(Options);
        ghost->Site = &FSite;
        ghost->Bounds = TRect(0, 0, 1000, 1000);
        ghost->Start(P0);
        ghost->Move(Shift, Delta);
        return ghost;
    }
    static TRect CloneBounds(const TUniversalGhost& G) { return G.Clone()->GetBoundsRect(); }

    TInstalledGhostMachinery FMachinery;
    TDrawSite FSite;
};

std::string Str(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

// Snaps every coordinate within 5 units of a multiple of 50 onto it.
TPoint GridSnap(const TPoint& P) {
    auto axis = [](int V) {
        const int nearest = int(std::lround(V / 50.0)) * 50;
        return std::abs(nearest - V) <= 5 ? nearest - V : NoSnap;
    };
    return TPoint(axis(P.x), axis(P.y));
}

TEST_F(Ghosts, StraightMoves) {
    TMoveOptions plain;
    TMoveOptions parallel;
    parallel.Parallel = true;
    struct Row {
        const char* Name;
        TMoveOptions Options;
        TPoint Delta;
        TShiftState Shift;
        bool Snap;
        const char* Expected;
    };
    const Row rows[] = {
        {"plain", plain, {30, -20}, {}, false, "130,80,230,180"},
        {"ctrl changes nothing while dragging", plain, {30, -20}, ssCtrl, false, "130,80,230,180"},
        {"snap to the grid", plain, {47, 3}, {}, true, "150,100,250,200"},
        {"snap only where near", plain, {20, 3}, {}, true, "120,100,220,200"},
        {"no snap without movement", plain, {0, 0}, {}, true, "100,100,200,200"},
        {"parallel keeps x", parallel, {30, 10}, {}, false, "130,100,230,200"},
        {"parallel keeps y", parallel, {10, 30}, {}, false, "100,130,200,230"},
        {"parallel tie keeps the vertical", parallel, {20, 20}, {}, false, "100,120,200,220"},
        {"shift makes a move parallel", plain, {30, 10}, ssShift, false, "130,100,230,200"},
        {"shift frees a parallel move", parallel, {30, 10}, ssShift, false, "130,110,230,210"},
        {"alt frees a parallel move", parallel, {30, 10}, ssAlt, false, "130,110,230,210"},
        {"keep inside on the left", plain, {-300, 0}, {}, false, "-40,100,60,200"},
        {"keep inside at the bottom", plain, {0, 1000}, {}, false, "100,940,200,1040"},
    };
    for (const Row& row : rows) {
        SetGhostSnapHook(row.Snap ? TGhostSnapHook(GridSnap) : TGhostSnapHook());
        TTestRect* object = Place("R", TRect(100, 100, 200, 200));
        auto ghost = MoveBy(*object, row.Options, TPoint(150, 150), row.Delta, row.Shift);
        EXPECT_EQ(Str(CloneBounds(*ghost)), row.Expected) << row.Name;
        EXPECT_EQ(Str(object->GetBoundsRect()), "100,100,200,200") << row.Name;
        delete object;
    }
}

TEST_F(Ghosts, SnapOffsetKeepsTheSmallestPerAxis) {
    EXPECT_EQ(CalcGhostSnapOffset(std::vector<TPoint>{{1, 2}}), TPoint(NoSnap, NoSnap));
    SetGhostSnapHook([](const TPoint& P) { return TPoint(P.x, P.y == 0 ? NoSnap : -P.y); });
    const std::vector<TPoint> points{{5, 0}, {-3, 7}, {3, 0}, {4, 2}};
    EXPECT_EQ(CalcGhostSnapOffset(points), TPoint(-3, -2)); // -3 kept over the later 3
    EXPECT_EQ(SnapGhostPoint(TPoint(4, 0)), TPoint(8, 0));
}

TEST_F(Ghosts, InsideOffset) {
    const TRect page(0, 0, 1000, 800);
    EXPECT_EQ(CalcInsideOffset(TRect(-53, 0, 47, 100), page), TPoint(13, 0));
    EXPECT_EQ(CalcInsideOffset(TRect(900, 700, 1100, 900), page), TPoint(-10, -10));
    EXPECT_EQ(CalcInsideOffset(TRect(10, 10, 30, 30), page), TPoint(0, 0));
}

double DirectionDeg(const TRect& R) {
    const double x = (R.Left + R.Right) / 2.0 - 500, y = (R.Top + R.Bottom) / 2.0 - 500;
    return std::atan2(y, x) * 180 / std::numbers::pi;
}

double Radius(const TRect& R) {
    return std::hypot((R.Left + R.Right) / 2.0 - 500, (R.Top + R.Bottom) / 2.0 - 500);
}

TPoint OnCircle(double Deg, double Radius) {
    const double a = Deg * std::numbers::pi / 180;
    return TPoint(int(std::lround(500 + Radius * std::cos(a))),
                  int(std::lround(500 + Radius * std::sin(a))));
}

TEST_F(Ghosts, CircumferenceMoves) {
    TMoveOptions circle;
    circle.Circumference = true;
    TMoveOptions phased = circle;
    phased.CircumPhased = true;
    phased.PhaseStep = 45;
    TMoveOptions turning = circle;
    turning.CircumRotate = true;
    struct Row {
        const char* Name;
        TMoveOptions Options;
        double StartDeg;   // direction of the object's centre (radius 300)
        double DragDeg;    // the pointer goes around by this much ...
        double DragRadius; // ... and ends at this distance from the centre
        TShiftState Shift;
        double ExpectedDeg;
        double ExpectedRadius;
        std::optional<int> ExpectedAngle; // turn of a turning object
    };
    const Row rows[] = {
        {"radial out", circle, 0, 0, 350, {}, 0, 350, 0},
        {"radial in", circle, 90, 0, 200, {}, 90, 200, 0},
        {"around", circle, 0, 90, 300, {}, 90, 300, 0},
        {"around the other way", circle, 30, -60, 310, {}, -30, 300, 0},
        {"phased rounds up", phased, 20, 10, 300, {}, 45, 300, std::nullopt},
        {"phased rounds down", phased, 20, 2.4, 300, {}, 0, 300, std::nullopt},
        {"phased negative", phased, -20, -10, 300, {}, -45, 300, std::nullopt},
        {"shift toggles phases on", circle, 20, 10, 300, ssShift, 30, 300, std::nullopt},
        {"shift toggles phases off", phased, 20, 10, 300, ssShift, 30, 300, std::nullopt},
        {"alt moves freely", circle, 0, 0, 350, ssAlt, 0, 350, std::nullopt},
        {"turns with its position", turning, 0, 60, 300, {}, 60, 300, 60},
        {"no turn on a radial move", turning, 0, 0, 360, {}, 0, 360, 0},
    };
    for (const Row& row : rows) {
        const TPoint centre = OnCircle(row.StartDeg, 300);
        auto* object = Place<TTurnRect>(
            "T", TRect(centre.x - 50, centre.y - 50, centre.x + 50, centre.y + 50));
        const TPoint end = OnCircle(row.StartDeg + row.DragDeg, row.DragRadius);
        auto ghost = MoveBy(*object, row.Options, centre,
                            TPoint(end.x - centre.x, end.y - centre.y), row.Shift);
        const TRect r = CloneBounds(*ghost);
        EXPECT_NEAR(DirectionDeg(r), row.ExpectedDeg, 0.5) << row.Name;
        EXPECT_NEAR(Radius(r), row.ExpectedRadius, 2.0) << row.Name;
        EXPECT_EQ(r.Right - r.Left, 100) << row.Name;
        if (row.ExpectedAngle)
            EXPECT_EQ(qobject_cast<TTurnRect*>(ghost->Clone())->GetAngle(), *row.ExpectedAngle)
                << row.Name;
        delete object;
    }
}

TEST_F(Ghosts, StraightMoveTurnsWithRotateMove) {
    TMoveOptions options;
    options.RotateMove = true;
    auto* object = Place<TTurnRect>("T", TRect(750, 450, 850, 550)); // direction 0
    object->SetAngle(10);
    auto ghost = MoveBy(*object, options, TPoint(800, 500), TPoint(0, 300));
    auto* clone = qobject_cast<TTurnRect*>(ghost->Clone());
    EXPECT_EQ(clone->GetAngle(), 55); // its direction went from 0 to 45 degrees
    EXPECT_EQ(Str(clone->GetBoundsRect()), "750,750,850,850");
    ghost = MoveBy(*object, TMoveOptions(), TPoint(800, 500), TPoint(0, 300));
    EXPECT_EQ(qobject_cast<TTurnRect*>(ghost->Clone())->GetAngle(), 10);
}

TEST_F(Ghosts, SimpleMoveNeverCirclesOrCopies) {
    TMoveOptions circle;
    circle.Circumference = true;
    circle.Parallel = true;
    TTestRect* object = Place("R", TRect(100, 100, 200, 200));
    TSimpleMoveGhost ghost(*object, -1);
    ghost.SetOptions(circle);
    ghost.Site = &FSite;
    ghost.Bounds = TRect(0, 0, 1000, 1000);
    ghost.Start(TPoint(150, 150));
    ghost.Move(ssShift | ssAlt, TPoint(30, 10));
    EXPECT_EQ(Str(CloneBounds(ghost)), "130,110,230,210");
    ghost.Finish(ssCtrl);
    EXPECT_EQ(Str(object->GetBoundsRect()), "130,110,230,210");
    TDOList all;
    FSite.GetObjects(all, false);
    EXPECT_EQ(all.Count(), 1);
}

TEST_F(Ghosts, RotateSteps) {
    const std::pair<int, int> snaps[] = {{40, 45}, {-23, -45}, {-22, 0}, {22, 0},    {23, 45},
                                         {0, 0},   {67, 45},   {68, 90}, {-68, -90}, {200, 180}};
    for (auto [in, out] : snaps)
        EXPECT_EQ(SnapAngle45(in), out) << in;

    struct Row {
        int ObjectAngle;
        double DragDeg;
        TShiftState Shift;
        int Expected;
    };
    const Row rows[] = {{30, 10, ssShift, 45},
                        {30, 10, {}, 40},
                        {0, -23, ssShift, -45},
                        {0, -22, ssShift, 0},
                        {0, 90, {}, 90}};
    for (const Row& row : rows) {
        auto* object = Place<TTurnRect>("T", TRect(400, 400, 600, 600));
        object->SetAngle(row.ObjectAngle);
        TRotateGhost ghost(*object, 8);
        EXPECT_EQ(ghost.Caption(), "回転");
        ghost.Site = &FSite;
        ghost.Start(TPoint(900, 500));
        const TPoint end = OnCircle(row.DragDeg, 400);
        ghost.Move(row.Shift, TPoint(end.x - 900, end.y - 500));
        EXPECT_EQ(qobject_cast<TTurnRect*>(ghost.Clone())->GetAngle(), row.Expected)
            << row.ObjectAngle << " + " << row.DragDeg;
        delete object;
    }
}

// ---------------------------------------------------------------------------------------
// The ghost list

// A ghost that raises when it finishes.
class TFailingGhost : public TGhost {
public:
    void Draw(TCanvas&) override {}
    void Move(TShiftState, const TPoint&) override {}
    void Finish(TShiftState) override { throw Exception("finish failed"); }
};

TEST_F(Ghosts, ListRunsADragAsOneUndoStep) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    TTestRect* b = Place("B", TRect(300, 300, 400, 400));
    TGhostList& list = TheGhostList();
    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    list.AddGhost(std::make_unique<TMoveGhost>(*b, -1));
    int cleared = 0;
    list.SetClearEvent([&] { ++cleared; });
    list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), {});
    EXPECT_TRUE(list.Active());
    list.Move({}, TPoint(170, 160));
    list.End();
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Active());
    EXPECT_EQ(cleared, 1);
    list.SetClearEvent({});
    EXPECT_EQ(Str(a->GetBoundsRect()), "120,110,220,210");
    EXPECT_EQ(Str(b->GetBoundsRect()), "320,310,420,410");
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), "移動");
    ActionList().Undo();
    EXPECT_EQ(Str(a->GetBoundsRect()), "100,100,200,200");
    EXPECT_EQ(Str(b->GetBoundsRect()), "300,300,400,400");
}

// Discarding drops a running drag and ghosts still waiting for theirs, applying nothing.
TEST_F(Ghosts, DiscardDropsRunningAndWaitingGhosts) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    TGhostList& list = TheGhostList();
    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    ASSERT_FALSE(list.Active());
    int cleared = 0;
    list.SetClearEvent([&] { ++cleared; });
    DiscardGhosts();
    EXPECT_EQ(list.Count(), 0) << "a ghost waiting for its drag goes too";
    EXPECT_EQ(cleared, 1);

    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), {});
    list.Move({}, TPoint(190, 150));
    DiscardGhosts();
    list.SetClearEvent({});
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Active());
    EXPECT_EQ(Str(a->GetBoundsRect()), "100,100,200,200");
    EXPECT_EQ(ActionList().Count(), 0);
}

TEST_F(Ghosts, NoMovementOrMovingBackRecordsNothing) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    TGhostList& list = TheGhostList();
    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), {});
    list.Move({}, TPoint(150, 150));
    EXPECT_FALSE(list.Moved());
    list.End();
    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), {});
    list.Move({}, TPoint(190, 150));
    list.Move({}, TPoint(150, 150));
    EXPECT_TRUE(list.Moved());
    list.End();
    EXPECT_EQ(ActionList().Count(), 0);
    EXPECT_EQ(Str(a->GetBoundsRect()), "100,100,200,200");
}

TEST_F(Ghosts, EndClearsTheListEvenWhenAFinishRaises) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    TGhostList& list = TheGhostList();
    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    list.AddGhost(std::make_unique<TFailingGhost>());
    list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), {});
    list.Move({}, TPoint(160, 150));
    EXPECT_THROW(list.End(), Exception);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_FALSE(list.Active());
    EXPECT_EQ(GhostCount(), 0);
    EXPECT_FALSE(ActionList().GroupOpen());
    // The move that was applied stays undoable.
    ASSERT_EQ(ActionList().Count(), 1);
    ActionList().Undo();
    EXPECT_EQ(Str(a->GetBoundsRect()), "100,100,200,200");
}

TEST_F(Ghosts, ShiftDuringACircleDragTogglesPhasesAtOnce) {
    MoveOptions().Circumference = true;
    MoveOptions().PhaseStep = 45;
    const TPoint centre = OnCircle(20, 300);
    auto* object = Place("T", TRect(centre.x - 50, centre.y - 50, centre.x + 50, centre.y + 50));
    TGhostList& list = TheGhostList();
    list.AddGhost(std::make_unique<TMoveGhost>(*object, -1));
    list.Begin(FSite, TRect(0, 0, 1000, 1000), centre, {});
    const TPoint end = OnCircle(30, 300);
    list.Move({}, end);
    auto* ghost = static_cast<TMoveGhost*>(list.Ghosts(0));
    EXPECT_NEAR(DirectionDeg(CloneBounds(*ghost)), 30, 0.5);
    list.Move(ssShift, end); // only the key changed
    EXPECT_TRUE(ghost->CurrentOptions().CircumPhased);
    EXPECT_NEAR(DirectionDeg(CloneBounds(*ghost)), 45, 0.5);
    list.Move({}, end);
    EXPECT_NEAR(DirectionDeg(CloneBounds(*ghost)), 30, 0.5);
    list.Cancel();
    EXPECT_EQ(Str(object->GetBoundsRect()),
              Str(TRect(centre.x - 50, centre.y - 50, centre.x + 50, centre.y + 50)));
    EXPECT_EQ(ActionList().Count(), 0);
}

TEST_F(Ghosts, UniversalFinishFlagsTheAssignAndRecordsNothingWhenItFails) {
    auto* spy = Place<TAssignSpy>("S", TRect(100, 100, 200, 200));
    {
        TMoveGhost ghost(*spy, -1);
        ghost.Site = &FSite;
        ghost.Bounds = TRect(0, 0, 1000, 1000);
        ghost.Start(TPoint(150, 150));
        ghost.Move({}, TPoint(10, 0));
        spy->FlagSeen.clear();
        spy->Fail = true;
        EXPECT_THROW(ghost.Finish({}), Exception);
        EXPECT_EQ(spy->FlagSeen, std::vector<bool>{true});
        EXPECT_FALSE(spy->AssigningFromGhost());
        EXPECT_EQ(ActionList().Count(), 0);
        spy->Fail = false;
        ghost.SetCaption({}); // no undo step: the result is just copied back
        ghost.Finish({});
        EXPECT_EQ(Str(spy->GetBoundsRect()), "110,100,210,200");
        EXPECT_EQ(ActionList().Count(), 0);
    }
}

TEST_F(Ghosts, CtrlOnReleaseDropsACopy) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    a->SetColor(clBlue);
    a->SetSelected(true);
    TGhostList& list = TheGhostList();
    list.AddGhost(std::make_unique<TMoveGhost>(*a, -1));
    list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), {});
    list.Move(ssCtrl, TPoint(250, 150));
    list.End();
    TDOList all;
    FSite.GetObjects(all, false);
    ASSERT_EQ(all.Count(), 2);
    auto* copy = qobject_cast<TTestRect*>(all[0]);
    EXPECT_EQ(Str(a->GetBoundsRect()), "100,100,200,200");
    EXPECT_FALSE(a->Selected());
    EXPECT_EQ(Str(copy->GetBoundsRect()), "200,100,300,200");
    EXPECT_TRUE(copy->Selected());
    EXPECT_EQ(copy->Color(), clBlue);
    EXPECT_NE(copy->Name(), a->Name());
    EXPECT_EQ(copy->Owner(), &FSite);
    EXPECT_EQ(ActionList().UndoCaption(), "ドラッグコピー");
    ActionList().Undo();
    TDOList left;
    FSite.GetObjects(left, false);
    EXPECT_EQ(left.Count(), 1);
}

TEST_F(Ghosts, RubberBandSelectsWhatLiesWhollyInside) {
    FSite.Scaler().SetUnitDPI(254);
    FSite.Scaler().SetScale(100);
    TTestRect* inside = Place("In", TRect(100, 100, 200, 200));
    TTestRect* partly = Place("Part", TRect(150, 150, 1200, 300));
    TGhostList& list = TheGhostList();
    list.AddSelectGhost();
    EXPECT_TRUE(list.IsSelecting());
    list.Begin(FSite, FSite.GetLogicalClientRect(), TPoint(50, 50), {});
    list.Move({}, TPoint(5000, 5000)); // clamped to the page
    auto* band = dynamic_cast<TSelectGhost*>(list.Ghosts(0));
    EXPECT_EQ(band->Band().Right, FSite.GetLogicalClientRect().Right);
    list.End();
    EXPECT_TRUE(inside->Selected());
    EXPECT_FALSE(partly->Selected());
}

TEST_F(Ghosts, PivotsRefuseTheMouseDuringADragAndShowLockedOwners) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    auto* pivot = new TPivot(a, crSizeNWSE, 3);
    EXPECT_EQ(pivot->Owner(), a);
    EXPECT_EQ(pivot->Size(), 5);
    EXPECT_EQ(pivot->Cursor(), crSizeNWSE);
    EXPECT_TRUE(pivot->IsPivotEnabled());
    EXPECT_TRUE(pivot->ControlHitTest(TPoint(1, 1)));
    TheGhostList().AddSelectGhost();
    EXPECT_FALSE(pivot->ControlHitTest(TPoint(1, 1)));
    TheGhostList().Clear();
    a->SetMovable(false);
    TPivot locked(a, crSizeNWSE, 3);
    EXPECT_EQ(locked.Cursor(), crDefault);
    EXPECT_FALSE(locked.IsPivotEnabled());
    TLabelPivot label(nullptr, crSizeNWSE, 0);
    EXPECT_EQ(label.Size(), 6);
    EXPECT_FALSE(label.IsPivotEnabled());
}

// ---------------------------------------------------------------------------------------
// The designer list

class TAnswering : public TDODesigner {
public:
    TAnswering(std::string Name, std::vector<std::string>& Log, bool Answer, bool Confirm = true)
        : FName(std::move(Name)), FLog(Log), FAnswer(Answer), FConfirm(Confirm) {}
    bool CreateGhost(TDrawObject&, int Code) override {
        FLog.push_back(FName + " ghost " + std::to_string(Code));
        return FAnswer;
    }
    bool EditObject(TDrawObject&, bool& Cancel) override {
        FLog.push_back(FName + " edit");
        if (FAnswer && FConfirm)
            Cancel = false;
        return FAnswer;
    }

private:
    std::string FName;
    std::vector<std::string>& FLog;
    bool FAnswer;
    bool FConfirm;
};

TEST_F(Ghosts, DesignersAreAskedNewestFirst) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    std::vector<std::string> log;
    TDODesignerList list;
    list.Add(std::make_unique<TAnswering>("old", log, true));
    list.Add(std::make_unique<TAnswering>("mid", log, true, false));
    list.Add(std::make_unique<TAnswering>("new", log, false));
    EXPECT_TRUE(list.CreateGhost(*a, -1));
    EXPECT_EQ(log, (std::vector<std::string>{"new ghost -1", "mid ghost -1"}));
    log.clear();
    EXPECT_FALSE(list.EditObject(*a)); // handled but not confirmed
    EXPECT_EQ(log, (std::vector<std::string>{"new edit", "mid edit"}));
    EXPECT_FALSE(list.CreatePivots(*a));
    EXPECT_EQ(list.NewObject("なし"), nullptr);
}

} // namespace

// Shift and Alt held at the press choose the move mode at once, before the mouse moves.
TEST_F(Ghosts, ModifiersHeldAtThePressSetTheModeAtOnce) {
    TTestRect* a = Place("A", TRect(100, 100, 200, 200));
    TMoveOptions parallel;
    parallel.Parallel = true;
    const struct {
        const char* What;
        TShiftState Shift;
        bool Parallel, Circumference;
    } rows[] = {
        {"nothing held", {}, true, false},
        {"alt frees the move", ssAlt, false, false},
        {"shift and alt turn to the orbit", ssShift | ssAlt, true, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.What);
        TGhostList& list = TheGhostList();
        auto ghost = std::make_unique<TMoveGhost>(*a, -1);
        ghost->SetOptions(parallel);
        TMoveGhost* g = ghost.get();
        list.AddGhost(std::move(ghost));
        list.Begin(FSite, TRect(0, 0, 1000, 1000), TPoint(150, 150), r.Shift);
        EXPECT_EQ(g->CurrentOptions().Parallel, r.Parallel);
        EXPECT_EQ(g->CurrentOptions().Circumference, r.Circumference);
        EXPECT_FALSE(list.Moved());
        list.Cancel();
    }
    EXPECT_EQ(Str(a->GetBoundsRect()), "100,100,200,200");
}

// The rotate handle, the rotate command and turning while moving all turn a text on an arc
// about the middle of what it shows, as TLOText::RotateTo does.
TEST_F(Ghosts, EveryTurnOfAnArcTextKeepsWhatItShowsInPlace) {
    const auto arcText = [this](const QString& Name) {
        auto* t = Place<TLOText>(Name, TRect(400, 100, 600, 160));
        t->SetAutoSize(false);
        t->SetBoundsRect(TRect(400, 100, 600, 160));
        t->SetPlainText(QStringLiteral("ABC"));
        t->SetBulge(100);
        return t;
    };
    const auto shownCentre = [](const TLOText& T) { return RectCenter(T.GetBoundsRect()); };

    TLOText* reference = arcText("R");
    const TPoint shown = shownCentre(*reference);
    const TRect unturned = reference->GetRect();
    reference->RotateTo(90);
    ASSERT_NE(reference->GetRect(), unturned) << "the rect moves so that the arc stays";
    EXPECT_NEAR(shownCentre(*reference).x, shown.x, 2);
    EXPECT_NEAR(shownCentre(*reference).y, shown.y, 2);

    // The rotate handle, dragged a quarter turn round what the text shows, in one step and
    // in many small ones back and forth.
    for (const int steps : {1, 60}) {
        SCOPED_TRACE(steps);
        TLOText* handled = arcText("H");
        TRotateGhost ghost(*handled, 8);
        ghost.Site = &FSite;
        ghost.Start(TPoint(shown.x + 300, shown.y));
        for (int i = 1; i < steps; ++i) {
            const double a = (i % 2 ? i : -i) * std::numbers::pi / 180;
            ghost.Move({}, TPoint(int(std::lround(300 * std::cos(a))) - 300,
                                  int(std::lround(300 * std::sin(a)))));
        }
        ghost.Move({}, TPoint(-300, 300));
        const auto* turned = qobject_cast<TLOText*>(ghost.Clone());
        ASSERT_NE(turned, nullptr);
        EXPECT_EQ(turned->GetAngle(), 90);
        EXPECT_EQ(turned->GetRect(), reference->GetRect());
        delete handled;
    }

    // The rotate command on the selected text.
    TLOText* commanded = arcText("C");
    commanded->SetSelected(true);
    TDSAOffsetAngle turn;
    turn.SetOffsetAngle(90);
    turn.UpdateTarget(&FSite);
    ASSERT_TRUE(turn.isEnabled());
    turn.ExecuteTarget(&FSite);
    EXPECT_EQ(commanded->GetAngle(), 90);
    EXPECT_EQ(commanded->GetRect(), reference->GetRect());

    // Carried a quarter turn round the page centre with turning on: what the text shows
    // lands where the drag carried it.
    TLOText* carried = arcText("M");
    const TPoint c(500, 500);
    const TPoint to(c.x - (shown.y - c.y), c.y + (shown.x - c.x));
    TMoveOptions round;
    round.Circumference = true;
    round.CircumRotate = true;
    const auto ghost = MoveBy(*carried, round, shown, TPoint(to.x - shown.x, to.y - shown.y));
    const auto* moved = qobject_cast<TLOText*>(ghost->Clone());
    ASSERT_NE(moved, nullptr);
    EXPECT_EQ(moved->GetAngle(), 90);
    EXPECT_NEAR(shownCentre(*moved).x, to.x, 2);
    EXPECT_NEAR(shownCentre(*moved).y, to.y, 2);
}
