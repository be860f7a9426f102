#include "DesignTestSupport.h"
#include "URectGhost.h"

#include "UDrawSiteHost.h"
#include "ULOQRCode.h"
#include "UObjectFactory.h"
#include "UScaler.h"
#include "UUtils.h"

#include <QCoreApplication>
#include <QDir>
#include <QMouseEvent>
#include <QScrollArea>
#include <gtest/gtest.h>

namespace {

std::string Str(const TRect& R) {
    return std::to_string(R.Left) + "," + std::to_string(R.Top) + "," + std::to_string(R.Right) +
           "," + std::to_string(R.Bottom);
}

// The program's ghost list with only the rectangle designer registered, and an empty action
// list, for the life of the object.
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
        SetGhostSnapHook({});
    }
};

class RectGhosts : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDesignTestObjects();
        RegisterObjectClasses();
    }
    void SetUp() override {
        FSite.Scaler().SetUnitDPI(GetScreenPixelsPerInch()); // one unit, one pixel
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
    // A resize ghost for handle Code of Object moved by Delta.
    std::unique_ptr<TRectGhost> Resize(TDrawObject& Object, int Code, const TPoint& Delta,
                                       TShiftState Shift = {}) {
        auto ghost = std::make_unique<TRectGhost>(Object, Code);
        ghost->Site = &FSite;
        ghost->Bounds = TRect(0, 0, 1000, 1000);
        ghost->Start(RectHandlePoint(Object.GetBoundsRect(), Code));
        ghost->Move(Shift, Delta);
        return ghost;
    }
    // A press on Object's handle Code (or the object itself for -1), a drag by Delta, release.
    void DragHandle(TDrawObject& Object, int Code, const TPoint& From, const TPoint& Delta,
                    TShiftState Shift = {}) {
        FSite.ObjectMouseDown(mbLeft, Shift, &Object, Code, From.x, From.y);
        FSite.MouseMoveMessage(Shift, From.x + Delta.x / 2, From.y + Delta.y / 2);
        FSite.MouseMoveMessage(Shift, From.x + Delta.x, From.y + Delta.y);
        FSite.MouseUpMessage(mbLeft, Shift, From.x + Delta.x, From.y + Delta.y);
    }

    TInstalledRectDesigner FDesigner;
    TDrawSite FSite;
};

TEST_F(RectGhosts, EachHandleResizes) {
    struct Row {
        const char* Name;
        TRect Object;
        int Code;
        TPoint Delta;
        TShiftState Shift;
        const char* Expected;
    };
    const TRect wide(100, 100, 200, 150);
    const TRect tall(100, 100, 150, 200);
    const Row rows[] = {
        {"top-left", wide, 0, {-10, -20}, {}, "90,80,200,150"},
        {"left middle", wide, 1, {-20, 5}, {}, "80,100,200,150"},
        {"bottom-left", wide, 2, {-10, 10}, {}, "90,100,200,160"},
        {"top middle", wide, 3, {7, -20}, {}, "100,80,200,150"},
        {"bottom middle", wide, 4, {0, 25}, {}, "100,100,200,175"},
        {"top-right", wide, 5, {10, -10}, {}, "100,90,210,150"},
        {"right middle", wide, 6, {30, 3}, {}, "100,100,230,150"},
        {"bottom-right", wide, 7, {50, 30}, {}, "100,100,250,180"},
        {"minimum width keeps the right edge", wide, 0, {90, 0}, {}, "180,100,200,150"},
        {"ctrl: any size", wide, 0, {90, 0}, ssCtrl, "190,100,200,150"},
        {"past the opposite edge: normalised", wide, 7, {-150, 0}, ssCtrl, "50,100,100,150"},
        {"minimum height keeps the top", wide, 4, {0, -45}, {}, "100,100,200,120"},
        {"keep aspect by a corner", wide, 7, {100, 0}, ssShift, "100,100,200,150"},
        {"keep aspect by a corner, both ways", wide, 7, {100, 60}, ssShift, "100,100,300,200"},
        {"keep aspect by a side of a wide object", wide, 6, {100, 0}, ssShift, "100,75,300,175"},
        {"keep aspect by the top of a wide object", wide, 3, {0, -50}, ssShift, "50,50,250,150"},
        // The side handle follows the pointer also when the object is tall.
        {"keep aspect by a side of a tall object", tall, 6, {150, 0}, ssShift, "100,-50,300,350"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TTestRect* object = Place("R", row.Object);
        auto ghost = Resize(*object, row.Code, row.Delta, row.Shift);
        EXPECT_EQ(Str(ghost->Clone()->GetBoundsRect()), row.Expected);
        EXPECT_EQ(Str(object->GetBoundsRect()), Str(row.Object)) << "the object waits for release";
        delete object;
    }
}

// A QR symbol stays square whichever handle resizes it; Shift lets it go out of shape.
TEST_F(RectGhosts, QRCodesKeepTheirAspect) {
    struct Row {
        int Code;
        TPoint Delta;
        TShiftState Shift;
        int Width, Height;
    };
    const Row rows[] = {
        {6, {100, 0}, {}, 300, 300},
        {4, {0, -50}, {}, 150, 150},
        {7, {100, 20}, {}, 220, 220},
        {6, {100, 0}, ssShift, 300, 200},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Code);
        auto* qr = Place<TLOQRCode>("Q", TRect(100, 100, 300, 300));
        auto ghost = Resize(*qr, row.Code, row.Delta, row.Shift);
        const TRect r = ghost->Clone()->GetBoundsRect();
        EXPECT_EQ(r.Width(), row.Width);
        EXPECT_EQ(r.Height(), row.Height);
        delete qr;
    }
}

TEST_F(RectGhosts, TurnedObjectKeepsItsPlaceWhenResized) {
    auto* object = Place<TTurnRect>("T", TRect(100, 100, 200, 150));
    object->SetAngle(90);
    // At 90 degrees the right-middle handle lies below the centre; dragging it down by 20
    // lengthens the object by 20 and moves its centre 10 down the page.
    auto ghost = Resize(*object, 6, {0, 20});
    EXPECT_EQ(Str(ghost->GhostRect()), "100,100,220,150");
    EXPECT_EQ(Str(ghost->Clone()->GetBoundsRect()), "90,110,210,160");
    EXPECT_EQ(QueryObjectInterface<IDORotate>(ghost->Clone())->GetAngle(), 90);
}

TEST_F(RectGhosts, SnapMovesTheHandleOntoTheGrid) {
    SetGhostSnapHook([](const TPoint& P) {
        auto axis = [](int V) { return (V + 25) / 50 * 50 - V; };
        return TPoint(axis(P.x), axis(P.y));
    });
    TTestRect* object = Place("R", TRect(100, 100, 200, 150));
    auto ghost = Resize(*object, 7, {43, 7});
    EXPECT_EQ(Str(ghost->Clone()->GetBoundsRect()), "100,100,250,150");
}

TEST_F(RectGhosts, HandleDragsAreUndoable) {
    TTestRect* object = Place("R", TRect(100, 100, 200, 150));
    object->SetSelected(true);
    for (int code = 0; code < 8; ++code) {
        SCOPED_TRACE(code);
        ActionList().Clear();
        const TPoint handle = RectHandlePoint(object->GetBoundsRect(), code);
        DragHandle(*object, code, handle, {15, 15});
        EXPECT_NE(Str(object->GetBoundsRect()), "100,100,200,150");
        ASSERT_EQ(ActionList().Count(), 1);
        EXPECT_EQ(ActionList().UndoCaption(), SCaptionResize);
        ActionList().Undo();
        EXPECT_EQ(Str(object->GetBoundsRect()), "100,100,200,150");
        ActionList().Redo();
        EXPECT_NE(Str(object->GetBoundsRect()), "100,100,200,150");
        ActionList().Undo();
    }
}

TEST_F(RectGhosts, RotateHandleTurnsTheObjectInOneStep) {
    auto* object = Place<TTurnRect>("T", TRect(100, 100, 200, 200));
    object->SetSelected(true);
    // From straight right of the centre to straight below it: a quarter turn clockwise.
    DragHandle(*object, 8, {250, 150}, {-100, 100});
    EXPECT_EQ(object->GetAngle(), 90);
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionRotate);
    ActionList().Undo();
    EXPECT_EQ(object->GetAngle(), 0);
}

TEST_F(RectGhosts, CreateByDragRecordsOneAddStep) {
    auto* object = new TTestRect(); // owned by the surface, then by the ghost
    FSite.InsertObject(object);
    FSite.AddObject(object);
    object->Hide();
    ASSERT_TRUE(FDesigner.Designers.CreateGhost(*object, -2));
    ActionList().Clear();
    FSite.MouseDownMessage(mbLeft, {}, 300, 200, false);
    FSite.MouseMoveMessage({}, 350, 250);
    FSite.MouseMoveMessage({}, 420, 260);
    FSite.MouseUpMessage(mbLeft, {}, 420, 260);
    // The new object starts 1 x 1 at the press point and its bottom-right handle follows.
    EXPECT_EQ(Str(object->GetBoundsRect()), "300,200,421,261");
    EXPECT_TRUE(object->Visible());
    EXPECT_TRUE(object->Selected());
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionAdd);
    ActionList().Undo();
    EXPECT_EQ(object->Parent(), nullptr);
    ActionList().Redo();
    EXPECT_EQ(object->Parent(), &FSite);
}

TEST_F(RectGhosts, CancelledCreationLeavesNothing) {
    QPointer<TTestRect> object = new TTestRect();
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

TEST_F(RectGhosts, DesignerAnswersOnlyItsCodes) {
    TTestRect* object = Place("R", TRect(100, 100, 200, 150));
    for (int code : {-1, 0, 7, 8}) {
        SCOPED_TRACE(code);
        EXPECT_TRUE(FDesigner.Designers.CreateGhost(*object, code));
        TheGhostList().Clear();
    }
    QPointer<TTestRect> created = Place("C", TRect(0, 0, 1, 1));
    EXPECT_TRUE(FDesigner.Designers.CreateGhost(*created, -2));
    TheGhostList().Clear();
    EXPECT_TRUE(created.isNull()) << "a creation never started frees its object";
    for (int code : {9, 12, -3}) {
        SCOPED_TRACE(code);
        EXPECT_FALSE(FDesigner.Designers.CreateGhost(*object, code));
        EXPECT_EQ(TheGhostList().Count(), 0);
    }
}

// An object without IDOPosition: a drawing object with bounds only.
class TBareObject : public TLabelObject {
public:
    bool HitTest(const TPoint&) const override { return false; }
    TRect GetBoundsRect() const override { return TRect(0, 0, 10, 10); }
};

TEST_F(RectGhosts, ObjectsWithoutPositionGetNothing) {
    TBareObject bare;
    bare.SetParent(&FSite);
    TDORectGhostDesigner designer;
    EXPECT_FALSE(designer.CreatePivots(bare));
    EXPECT_FALSE(designer.CreateGhost(bare, 0));
    EXPECT_EQ(TheGhostList().Count(), 0);
    bare.SetParent(nullptr);
}

std::vector<std::pair<int, QString>> PivotsOf(const TDrawSite& Site) {
    std::vector<std::pair<int, QString>> pivots;
    for (int i = 0; i < Site.ControlCount(); ++i)
        if (auto* pivot = qobject_cast<TPivot*>(Site.Controls(i)))
            pivots.emplace_back(pivot->Code(), pivot->metaObject()->className());
    std::sort(pivots.begin(), pivots.end());
    return pivots;
}

TEST_F(RectGhosts, PivotsOfPlainAndTurningObjects) {
    TTestRect* plain = Place("P", TRect(100, 100, 200, 150));
    plain->SetSelected(true);
    FSite.UpdatePivots();
    auto pivots = PivotsOf(FSite);
    ASSERT_EQ(pivots.size(), 8u);
    for (int i = 0; i < 8; ++i)
        EXPECT_EQ(pivots[i], std::make_pair(i, QString("TLabelPivot")));

    plain->SetSelected(false);
    auto* turning = Place<TTurnRect>("T", TRect(300, 300, 400, 400));
    turning->SetAngle(90);
    turning->SetSelected(true);
    FSite.UpdatePivots();
    pivots = PivotsOf(FSite);
    ASSERT_EQ(pivots.size(), 8u);
    EXPECT_EQ(pivots[6], std::make_pair(8, QString("TRotatePivot")));
    EXPECT_EQ(pivots[7], std::make_pair(8, QString("TRotatePivot")));
    // At 90 degrees the top-left handle lies at the top-right corner of the page square.
    for (int i = 0; i < FSite.ControlCount(); ++i)
        if (auto* pivot = qobject_cast<TPivot*>(FSite.Controls(i)); pivot && pivot->Code() == 0) {
            const TRect b = pivot->BoundsRect();
            EXPECT_EQ(RectCenter(b), TPoint(400, 300));
            EXPECT_EQ(pivot->Cursor(), crSizeNWSE) << "the cursors do not follow the turn";
        }
}

// On a screen: press the bottom-right handle of an object in a real host and drag it; the
// handles and the rotation discs show.
TEST_F(RectGhosts, HostShowsHandlesAndResizesByMouse) {
    FSite.SetLogWidth(400);
    FSite.SetLogHeight(300);
    FSite.SetColor(clWhite);
    auto* turning = Place<TTurnRect>("T", TRect(60, 60, 160, 120));
    turning->SetColor(clYellow);
    TTestRect* plain = Place("P", TRect(220, 140, 340, 240));
    plain->SetColor(clAqua);
    turning->SetSelected(true);
    plain->SetSelected(true);
    std::unique_ptr<QScrollArea> area(TDrawSiteHost::CreateScrollArea(FSite));
    area->resize(460, 360);
    area->show();
    QCoreApplication::processEvents();
    auto* host = qobject_cast<TDrawSiteHost*>(area->widget());
    ASSERT_NE(host, nullptr);
    FSite.UpdatePivots();
    QImage shot = area->viewport()->grab().toImage().convertToFormat(QImage::Format_RGB32);
    shot.save(QDir(QCoreApplication::applicationDirPath()).filePath("rect-handles.png"));
    EXPECT_EQ(shot.pixel(60, 120), qRgb(0, 255, 0)) << "a rotation disc at the bottom-left";
    EXPECT_EQ(shot.pixel(160, 60), qRgb(0, 255, 0)) << "and at the top-right";
    EXPECT_EQ(shot.pixel(340, 240), qRgb(0, 0, 0)) << "a square handle";

    plain->SetSelected(false);
    turning->SetSelected(false);
    plain->SetSelected(true);
    FSite.UpdatePivots();
    ActionList().Clear();
    auto mouse = [&](QEvent::Type type, QPoint p, Qt::MouseButton b, Qt::MouseButtons bs) {
        QMouseEvent e(type, QPointF(p), QPointF(host->mapToGlobal(p)), b, bs, {});
        QCoreApplication::sendEvent(host, &e);
    };
    mouse(QEvent::MouseButtonPress, {340, 240}, Qt::LeftButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {360, 250}, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseMove, {380, 260}, Qt::NoButton, Qt::LeftButton);
    mouse(QEvent::MouseButtonRelease, {380, 260}, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(Str(plain->GetBoundsRect()), "220,140,380,260");
    EXPECT_EQ(ActionList().Count(), 1);
    area.reset();
}

} // namespace

namespace {

TEST(RotateCursor, InstalledAsTheProgramsCursorThree) {
    EXPECT_EQ(TDrawSiteHost::ToQCursor(crRotate + 100).shape(), Qt::ArrowCursor);
    InstallRotateCursor();
    const QCursor cursor = TDrawSiteHost::ToQCursor(crRotate);
    EXPECT_EQ(cursor.shape(), Qt::BitmapCursor);
    EXPECT_FALSE(cursor.pixmap().isNull());
}

} // namespace
