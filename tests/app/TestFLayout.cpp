// The layout editor, driven as a user drives it: creation tools, mouse drags on the page,
// keys, guides and grid, zoom, writing the label back, and a scan placed as a picture.

#include "FLayout.h"

#include "FTwain.h"

#include "../sources/SaneTestSupport.h"
#include "UAppClasses.h"
#include "UAppFrame.h"
#include "UDOGroup.h"
#include "UDesigner.h"
#include "UDrawSite.h"
#include "UDrawSiteAction.h"
#include "UDrawSiteHost.h"
#include "UGhost.h"
#include "UGraphicUtils.h"
#include "UGuide.h"
#include "ULOCalendar.h"
#include "ULOCreator.h"
#include "ULOFace.h"
#include "ULOImage.h"
#include "ULORect.h"
#include "ULOText.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UTwain.h"
#include "UUndo.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFile>
#include <QKeyEvent>
#include <QListWidget>
#include <QMenu>
#include <QMimeData>
#include <QMouseEvent>
#include <QPlainTextEdit>
#include <QScrollArea>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <memory>

// The virtual scanner's reader thread keeps its buffer inside the backend module when the
// library goes; that memory is not the program's.
extern "C" const char* __lsan_default_suppressions() {
    return "leak:libsane-test\n";
}

namespace {

using C = TLayoutCommand;

// Property dialogs as the tests see them: while Active, every object's dialog is "confirmed"
// at once without any window, and the calls are counted; otherwise the request passes on
// to the program's own designers.
struct TDialogAnswer {
    bool Active = false;
    int Calls = 0;
};

TDialogAnswer& DialogAnswer() {
    static TDialogAnswer answer;
    return answer;
}

class TConfirmingDesigner : public TDODesigner {
public:
    bool EditObject(TDrawObject&, bool& Cancel) override {
        if (!DialogAnswer().Active)
            return false;
        ++DialogAnswer().Calls;
        Cancel = false;
        return true;
    }
};

std::unique_ptr<TMatrixPaperInfo> TwoFacePaper() {
    auto paper = std::make_unique<TMatrixPaperInfo>();
    paper->SetWidth(2100);
    paper->SetHeight(2970);
    paper->SetFaceCountX(2);
    paper->SetFaceCountY(1);
    paper->SetFaceWidth(900);
    paper->SetFaceHeight(600);
    paper->SetLeftOffset(100);
    paper->SetTopOffset(100);
    paper->SetPaperName(QStringLiteral("TwoFaces"));
    return paper;
}

TPoint Plus(const TPoint& A, const TPoint& B) {
    return TPoint(A.x + B.x, A.y + B.y);
}

QString Str(const TRect& R) {
    return QStringLiteral("%1,%2,%3,%4").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom);
}

class Layout : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterApplicationClasses();
        RegisterApplicationClasses(); // a second call changes nothing
        static const bool added = [] {
            TheDesignerList().Add(std::make_unique<TConfirmingDesigner>());
            return true;
        }();
        (void)added;
    }
    void SetUp() override {
        DialogAnswer() = {true, 0};
        MoveOptions() = {};
        ActionList().Clear();
        FFrame = std::make_unique<TAppFrame>();
        FFrame->OnMessageBox = [this](const QString& Text, const TBitBtnKinds&, int, int) {
            FMessages << Text;
            return mrOk;
        };
        FData = std::make_unique<TLabelData>();
        FData->SetPaperInfo(TwoFacePaper().get());
        FData->SetModified(false);
        FForm = std::make_unique<TfrmLayout>();
        FForm->resize(800, 600);
        FForm->SetLabelData(FData.get());
        FForm->show();
        QApplication::setActiveWindow(FForm.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(FForm.get()));
        // The page has the keyboard, as after a click on it: the page commands act on it.
        Host()->setFocus();
        FBar = new QToolBar(FForm.get());
        QCoreApplication::processEvents();
        FForm->SetZoom(100);
        QCoreApplication::processEvents();
    }
    void TearDown() override {
        FForm->SetLabelData(nullptr);
        FForm.reset();
        FData.reset();
        FFrame.reset();
        DialogAnswer() = {};
        ActionList().Clear();
    }

    TDrawSite& Site() const { return *FForm->Site(); }
    QWidget* Host() const { return FForm->Host(); }
    std::vector<TDrawObject*> Objects() const {
        TDOList list;
        Site().GetObjects(list, false);
        return {list.begin(), list.end()};
    }
    std::vector<TDrawObject*> Selected() const {
        TDOList list;
        Site().GetObjects(list, true);
        return {list.begin(), list.end()};
    }
    // A logical point of the page in host pixels.
    QPoint ToHost(const TPoint& P) const {
        const TPoint d = Site().LPtoDP(P);
        return QPoint(d.x, d.y);
    }
    void Mouse(QEvent::Type Type, QPoint P, Qt::MouseButton Button, Qt::MouseButtons Buttons,
               Qt::KeyboardModifiers Modifiers = {}) const {
        QMouseEvent event(Type, QPointF(P), QPointF(Host()->mapToGlobal(P)), Button, Buttons,
                          Modifiers);
        QCoreApplication::sendEvent(Host(), &event);
    }
    void Drag(QPoint From, QPoint To) const {
        Mouse(QEvent::MouseButtonPress, From, Qt::LeftButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, (From + To) / 2, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseMove, To, Qt::NoButton, Qt::LeftButton);
        Mouse(QEvent::MouseButtonRelease, To, Qt::LeftButton, Qt::NoButton);
        QCoreApplication::processEvents();
    }
    // A key as the user types it on the page (shortcuts first).
    void Key(int KeyCode, Qt::KeyboardModifiers Modifiers = {}) const {
        // The application goes idle before each key: the commands are up to date.
        TDrawSiteActionBase::UpdateAll();
        QTest::keyClick(Host(), Qt::Key(KeyCode), Modifiers);
        QCoreApplication::processEvents();
    }
    TLORect* PlaceRect(const TRect& R) {
        auto rect = std::make_unique<TLORect>();
        rect->SetBoundsRect(R);
        // Filled, so that a press inside picks it.
        rect->FillColor()->SetKind(cskSolid);
        rect->FillColor()->SetColor(TColor(0x00C0FF));
        rect->SetFillInside(true);
        TLORect* placed = rect.get();
        Site().InsertObject(rect.release());
        Site().AddObject(placed);
        return placed;
    }
    // Clicks the command's button (on a tool bar of the editor, as a window embedding it
    // shows its commands).
    void Trigger(C Command) const {
        QAction* action = FForm->Action(Command);
        if (!FBar->actions().contains(action))
            FBar->addAction(action);
        QWidget* button = FBar->widgetForAction(action);
        ASSERT_NE(button, nullptr);
        TDrawSiteActionBase::UpdateAll();
        QTest::mouseClick(button, Qt::LeftButton);
        QCoreApplication::processEvents();
    }

    std::unique_ptr<TAppFrame> FFrame;
    std::unique_ptr<TLabelData> FData;
    std::unique_ptr<TfrmLayout> FForm;
    QToolBar* FBar = nullptr; // a child of the editor
    QStringList FMessages;
};

TEST_F(Layout, ShowsTheCurrentFaceSizedToItsMarginRectangle) {
    EXPECT_EQ(FForm->LabelNo(), 0);
    EXPECT_EQ(Site().LogWidth(), 900);
    EXPECT_EQ(Site().LogHeight(), 600);
    EXPECT_FALSE(FData->Modified());
    for (QAction* tool : FForm->CreationActions()) {
        EXPECT_FALSE(tool->icon().isNull()) << tool->data().toString().toStdString();
        EXPECT_TRUE(tool->isCheckable());
    }
    for (C command : {C::ZoomIn, C::Delete, C::AddGuideH, C::CircumRotate, C::Phase8, C::Scan})
        EXPECT_FALSE(FForm->Action(command)->icon().isNull());
}

// Every tool makes its kind: kinds with a row of the factory at once, the drawn kinds
// (lines, curves, rectangles, circles, free QR codes) by a drag on the page. Each is one
// "追加" step that one undo takes back.
TEST_F(Layout, EachCreationToolMakesItsObjectAsOneAddStep) {
    auto* clip = new QMimeData;
    QImage picture(40, 20, QImage::Format_RGB32);
    picture.fill(Qt::red);
    clip->setImageData(picture);
    clip->setText(QStringLiteral("貼り付けた文字"));
    QGuiApplication::clipboard()->setMimeData(clip);
    QCoreApplication::processEvents();

    const QStringList drawn = {"TLOLine", "TLOCurve", "TLORect", "TLOCircle", "TLOQRCode"};
    ASSERT_GE(FForm->CreationActions().size(), 25);
    for (QAction* tool : FForm->CreationActions()) {
        const QString kind = tool->data().toString();
        SCOPED_TRACE(kind.toStdString());
        ActionList().Clear();
        const size_t before = Objects().size();
        ASSERT_TRUE(tool->isEnabled());
        tool->trigger();
        if (drawn.contains(kind)) {
            EXPECT_TRUE(tool->isChecked()) << "down while the object waits for its drag";
            EXPECT_EQ(GhostCount(), 1);
            Drag(ToHost(TPoint(100, 100)), ToHost(TPoint(400, 300)));
        }
        EXPECT_FALSE(tool->isChecked()) << "a one-shot tool";
        ASSERT_EQ(Objects().size(), before + 1);
        TDrawObject* made = Objects().front();
        if (made->Selectable())
            made = Selected().empty() ? nullptr : Selected().front();
        ASSERT_NE(made, nullptr);
        EXPECT_TRUE(made->Visible());
        EXPECT_EQ(ActionList().Count(), 1);
        EXPECT_EQ(ActionList().UndoCaption(), SCaptionAdd);
        if (drawn.contains(kind) && kind != "TLOCurve") {
            auto* bounds = QueryObjectInterface<IDOEncloseBounds>(made);
            ASSERT_NE(bounds, nullptr);
            // A QR symbol keeps its square: the drag's shorter side.
            const int width = kind == "TLOQRCode" ? 200 : 300;
            EXPECT_NEAR(bounds->GetBoundsRect().Width(), width, 12) << "with the line's width";
            EXPECT_NEAR(bounds->GetBoundsRect().Height(), 200, 12);
        }
        ActionList().Undo();
        EXPECT_EQ(Objects().size(), before) << "one undo takes it back";
        ActionList().Redo();
        EXPECT_EQ(Objects().size(), before + 1);
    }
    int dialogFirst = 0;
    for (QAction* tool : FForm->CreationActions())
        if (const TCreatorKind* kind = FindCreatorKind(tool->data().toString()))
            dialogFirst += kind->DialogFirst ? 1 : 0;
    EXPECT_EQ(dialogFirst, 16);
    EXPECT_EQ(DialogAnswer().Calls, dialogFirst) << "the kinds whose dialog comes first";
    EXPECT_TRUE(Site().Modified());
}

TEST_F(Layout, PasteToolsFollowTheClipboard) {
    QGuiApplication::clipboard()->clear();
    QCoreApplication::processEvents();
    EXPECT_FALSE(FForm->CreationAction("TLOTextPaste")->isEnabled());
    EXPECT_FALSE(FForm->CreationAction("TLOImagePaste")->isEnabled());
    QGuiApplication::clipboard()->setText(QStringLiteral("abc"));
    QCoreApplication::processEvents();
    EXPECT_TRUE(FForm->CreationAction("TLOTextPaste")->isEnabled());
    EXPECT_FALSE(FForm->CreationAction("TLOImagePaste")->isEnabled());
    EXPECT_TRUE(FForm->CreationAction("TLOText")->isEnabled());
}

TEST_F(Layout, MouseMovesAndResizesOneStepEach) {
    TLORect* rect = PlaceRect(TRect(100, 100, 300, 200));
    // A press selects, a drag moves by the pointer's way in logical units.
    Drag(ToHost(TPoint(200, 150)), ToHost(TPoint(300, 250)));
    EXPECT_TRUE(rect->Selected());
    const TRect moved = rect->GetRect();
    EXPECT_NEAR(moved.Left, 200, 3);
    EXPECT_NEAR(moved.Top, 200, 3);
    EXPECT_EQ(moved.Width(), 200);
    EXPECT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionMove);

    // The bottom-right handle of the selected rectangle sizes it.
    Site().UpdatePivots();
    Drag(ToHost(moved.BottomRight()), ToHost(Plus(moved.BottomRight(), TPoint(100, 50))));
    const TRect sized = rect->GetRect();
    EXPECT_EQ(sized.TopLeft(), moved.TopLeft());
    EXPECT_NEAR(sized.Width(), 300, 3);
    EXPECT_NEAR(sized.Height(), 150, 3);
    EXPECT_EQ(ActionList().Count(), 2);
    ActionList().Undo();
    EXPECT_EQ(Str(rect->GetRect()), Str(moved));
    ActionList().Undo();
    EXPECT_EQ(Str(rect->GetRect()), "100,100,300,200");
}

TEST_F(Layout, KeysDeleteAndNudgeTheSelection) {
    TLORect* a = PlaceRect(TRect(100, 100, 200, 200));
    TLORect* b = PlaceRect(TRect(300, 100, 400, 200));
    Site().SelectAll(true);
    struct Row {
        int Key;
        Qt::KeyboardModifiers Modifiers;
        TPoint Delta;
    };
    const Row rows[] = {{Qt::Key_Right, {}, {10, 0}},
                        {Qt::Key_Down, {}, {0, 10}},
                        {Qt::Key_Left, Qt::ControlModifier, {-1, 0}},
                        {Qt::Key_Up, Qt::ControlModifier, {0, -1}}};
    TPoint total;
    for (const Row& row : rows) {
        Key(row.Key, row.Modifiers);
        total = Plus(total, row.Delta);
        EXPECT_EQ(a->GetRect().TopLeft(), Plus(TPoint(100, 100), total));
        EXPECT_EQ(b->GetRect().TopLeft(), Plus(TPoint(300, 100), total));
    }
    EXPECT_EQ(ActionList().Count(), 4) << "each key press is one step for both objects";
    Site().SelectAll(false);
    Key(Qt::Key_Right);
    EXPECT_EQ(ActionList().Count(), 4) << "nothing selected: the key is left to the view";
    EXPECT_EQ(a->GetRect().TopLeft(), Plus(TPoint(100, 100), total));
    Site().SelectAll(true);
    ActionList().Undo();
    EXPECT_EQ(a->GetRect().TopLeft(), TPoint(109, 110));

    b->SetSelected(false);
    a->SetSelected(true);
    Key(Qt::Key_Delete);
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Objects()[0], b);
    EXPECT_EQ(ActionList().UndoCaption(), QStringLiteral("削除"));
    ActionList().Undo();
    EXPECT_EQ(Objects().size(), 2u);
    // The command does the same as the key.
    Site().SelectAll(true);
    QCoreApplication::processEvents();
    EXPECT_TRUE(FForm->Action(C::Delete)->isEnabled());
    Trigger(C::Delete);
    EXPECT_TRUE(Objects().empty());
    QCoreApplication::processEvents();
    EXPECT_FALSE(FForm->Action(C::Delete)->isEnabled());
    ActionList().Undo();
    EXPECT_EQ(Objects().size(), 2u);
}

TEST_F(Layout, GuidesAreAddedByToolUpToTenAndDrawn) {
    TGuide* guide = FData->Guide();
    FData->Grid()->SetSize(50);
    FData->Grid()->SetEnabled(false);
    // The guide tool: the next click places a guide there and the tool pops up.
    Trigger(C::AddGuideH);
    EXPECT_TRUE(FForm->Action(C::AddGuideH)->isChecked());
    Mouse(QEvent::MouseButtonPress, ToHost(TPoint(300, 240)), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, ToHost(TPoint(300, 240)), Qt::LeftButton, Qt::NoButton);
    EXPECT_FALSE(FForm->Action(C::AddGuideH)->isChecked());
    EXPECT_NEAR(guide->GetGuide(0).y, 240, 2);
    EXPECT_EQ(guide->GetGuide(0).x, 0);
    EXPECT_TRUE(guide->Visible());
    EXPECT_TRUE(FForm->Action(C::ShowGuides)->isChecked());
    EXPECT_TRUE(FData->Modified());
    EXPECT_TRUE(Objects().empty()) << "the click made nothing else";

    // With the grid snapping the vertical guide lands on a grid line.
    Trigger(C::SnapGrid);
    Trigger(C::AddGuideV);
    Mouse(QEvent::MouseButtonPress, ToHost(TPoint(318, 100)), Qt::LeftButton, Qt::LeftButton);
    EXPECT_EQ(guide->GetGuide(1), TPoint(300, 0));

    for (int i = 2; i < TGuide::SlotCount; ++i)
        EXPECT_TRUE(FForm->AddGuide(i % 2 == 0, 20 * i));
    EXPECT_TRUE(FMessages.isEmpty());
    EXPECT_FALSE(FForm->AddGuide(true, 500)) << "the eleventh";
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_EQ(FMessages[0], QStringLiteral("ガイドは10本までです"));

    // Drawn over the page in the guide colour.
    QCoreApplication::processEvents();
    const QImage shot = FForm->ScrollArea()->viewport()->grab().toImage();
    const QPoint onGuide = FForm->ScrollArea()->widget()->mapTo(FForm->ScrollArea()->viewport(),
                                                                ToHost(TPoint(600, 240)));
    EXPECT_EQ(shot.pixelColor(onGuide).rgb() & 0xFFFFFF, 0x0080FFu) << "a light blue line";

    Trigger(C::ClearGuides);
    EXPECT_TRUE(guide->IsEmpty());
    EXPECT_TRUE(FForm->AddGuide(false, 0)) << "an edge guide moves one unit in";
    EXPECT_EQ(guide->GetGuide(0), TPoint(1, 0));
}

// Escape during a guide drag puts the guide back; so does leaving the label mid-drag.
TEST_F(Layout, EscapeOrALabelChangeEndsAGuideDragWhereItBegan) {
    TGuide* guide = FData->Guide();
    guide->SetVisible(true);
    ASSERT_TRUE(FForm->AddGuide(true, 240));
    Mouse(QEvent::MouseButtonPress, ToHost(TPoint(600, 240)), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, ToHost(TPoint(600, 400)), Qt::NoButton, Qt::LeftButton);
    ASSERT_NEAR(guide->GetGuide(0).y, 400, 4) << "the guide follows the pointer";
    Key(Qt::Key_Escape);
    EXPECT_EQ(guide->GetGuide(0), TPoint(0, 240));
    Mouse(QEvent::MouseButtonRelease, ToHost(TPoint(600, 400)), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(guide->GetGuide(0), TPoint(0, 240)) << "the release after Escape moves nothing";

    Mouse(QEvent::MouseButtonPress, ToHost(TPoint(600, 240)), Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseMove, ToHost(TPoint(600, 100)), Qt::NoButton, Qt::LeftButton);
    FForm->ShowLabel(1);
    EXPECT_EQ(guide->GetGuide(0), TPoint(0, 240));
    Mouse(QEvent::MouseButtonRelease, ToHost(TPoint(600, 100)), Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(guide->GetGuide(0), TPoint(0, 240));
}

// The snap hook the editor installs: per axis the nearer of grid and guide (the grid on a
// tie); nothing snaps when both are off.
TEST_F(Layout, DragsSnapToGridAndGuides) {
    FData->Grid()->SetSize(50);
    FData->Grid()->SetEnabled(true);
    TGuide* guide = FData->Guide();
    guide->SetEnabled(true);
    guide->SetGuide(0, TPoint(0, 112));
    guide->SetGuide(1, TPoint(140, 0));
    FForm->UpdateActions();
    EXPECT_TRUE(FForm->Action(C::SnapGrid)->isChecked());
    EXPECT_TRUE(FForm->Action(C::SnapGuides)->isChecked());
    ASSERT_TRUE(GhostSnapHook());
    struct Row {
        TPoint P;
        TPoint Offset;
    };
    // Guides reach 10 pixels: about 26 units at 100 % on a 96 dpi screen.
    const Row rows[] = {
        {{105, 110}, {-5, 2}},   // x: grid 100; y: guide 112 (2) nearer than grid 100 (-10)
        {{137, 98}, {3, 2}},     // x: guide 140 (3) nearer than grid 150 (13); y: grid 100
        {{145, 106}, {5, -6}},   // ties (grid 150 / guide 140, grid 100 / guide 112): the grid
        {{150, 200}, {0, 0}},    // on grid lines
        {{175, 160}, {25, -10}}, // a half pitch rounds up; the guide at 140 is out of reach
    };
    for (const Row& row : rows)
        EXPECT_EQ(GhostSnapHook()(row.P), row.Offset) << row.P.x << "," << row.P.y;

    Trigger(C::SnapGrid); // off
    Trigger(C::SnapGuides);
    EXPECT_FALSE(FData->Grid()->Enabled());
    EXPECT_FALSE(guide->Enabled());
    EXPECT_EQ(GhostSnapHook()(TPoint(105, 105)), TPoint(NoSnap, NoSnap));

    // A drag with the grid on puts the dragged corner on the grid.
    Trigger(C::SnapGrid);
    TLORect* rect = PlaceRect(TRect(100, 100, 200, 200));
    Drag(ToHost(TPoint(150, 150)), ToHost(TPoint(221, 180)));
    // The object's bounds (its line included) are what snaps: one edge per axis on the grid.
    const TRect bounds = rect->GetBoundsRect();
    EXPECT_NE(bounds, rect->GetRect());
    EXPECT_TRUE(bounds.Left % 50 == 0 || bounds.Right % 50 == 0) << Str(bounds).toStdString();
    EXPECT_TRUE(bounds.Top % 50 == 0 || bounds.Bottom % 50 == 0) << Str(bounds).toStdString();
    EXPECT_NE(rect->GetRect().TopLeft(), TPoint(100, 100));

    // The editor's hook goes with it.
    FForm.reset();
    EXPECT_FALSE(GhostSnapHook());
    FForm = std::make_unique<TfrmLayout>();
}

TEST_F(Layout, ZoomCommandsStepClampAndFit) {
    QList<int> zoomed;
    QObject::connect(FForm.get(), &TfrmLayout::ZoomChanged,
                     [&](int Percent) { zoomed << Percent; });
    const int width100 = Host()->width();
    Trigger(C::ZoomIn);
    EXPECT_EQ(FForm->Zoom(), 150);
    EXPECT_NEAR(Host()->width(), width100 * 3 / 2, 2);
    Trigger(C::ZoomOut);
    Trigger(C::ZoomOut);
    EXPECT_EQ(FForm->Zoom(), 75);
    FForm->SetZoom(800);
    Trigger(C::ZoomIn);
    EXPECT_EQ(FForm->Zoom(), 800);
    FForm->SetZoom(5);
    EXPECT_EQ(FForm->Zoom(), 10);
    Trigger(C::Zoom100);
    EXPECT_EQ(FForm->Zoom(), 100);
    ASSERT_GE(zoomed.count(), 6);
    EXPECT_EQ(zoomed.last(), 100);

    Trigger(C::ZoomFit);
    QCoreApplication::processEvents();
    const QSize view = FForm->ScrollArea()->viewport()->size();
    EXPECT_LE(Host()->width(), view.width());
    EXPECT_LE(Host()->height(), view.height());
    EXPECT_GT(Host()->width(), view.width() * 3 / 4);
}

TEST_F(Layout, CursorPositionIsReportedInMillimetres) {
    QList<QPointF> moved;
    QObject::connect(FForm.get(), &TfrmLayout::CursorPositionMm, [&](QPointF P) { moved << P; });
    Mouse(QEvent::MouseMove, ToHost(TPoint(250, 120)), Qt::NoButton, Qt::NoButton);
    ASSERT_EQ(moved.count(), 1);
    const QPointF at = moved.last();
    EXPECT_NEAR(at.x(), 25.0, 0.5);
    EXPECT_NEAR(at.y(), 12.0, 0.5);
}

TEST_F(Layout, MoveCommandsSetTheSharedMoveOptions) {
    // The main window's defaults (set by others) show on the commands.
    MoveOptions().PhaseStep = 30;
    MoveOptions().CircumRotate = true;
    FForm->UpdateActions();
    EXPECT_TRUE(FForm->Action(C::Phase12)->isChecked());
    EXPECT_TRUE(FForm->Action(C::CircumRotate)->isChecked());
    EXPECT_TRUE(FForm->Action(C::FreeMove)->isChecked());
    Trigger(C::CircumRotate);
    EXPECT_FALSE(MoveOptions().CircumRotate);
    Trigger(C::CircumMove);
    Trigger(C::CircumRotate);
    Trigger(C::CircumPhased);
    Trigger(C::Phase8);
    EXPECT_TRUE(MoveOptions().Circumference);
    EXPECT_TRUE(MoveOptions().CircumRotate);
    EXPECT_TRUE(MoveOptions().CircumPhased);
    EXPECT_EQ(MoveOptions().PhaseStep, 45);
    EXPECT_FALSE(FForm->Action(C::FreeMove)->isChecked());
    Trigger(C::Phase60);
    EXPECT_EQ(MoveOptions().PhaseStep, 6);
    EXPECT_FALSE(FForm->Action(C::Phase8)->isChecked());
    Trigger(C::FreeMove);
    Trigger(C::ParallelMove);
    Trigger(C::RotateMove);
    Trigger(C::CircumRotate);
    EXPECT_FALSE(MoveOptions().Circumference);
    EXPECT_TRUE(MoveOptions().Parallel);
    EXPECT_TRUE(MoveOptions().RotateMove);
    EXPECT_FALSE(MoveOptions().CircumRotate);
    EXPECT_EQ(FForm->Action(C::MoveOptions)->menu()->actions().size(), 11) << "with separators";
}

TEST_F(Layout, PropertiesOpenTheKindsDialogOrSayThereIsNone) {
    TLORect* rect = PlaceRect(TRect(100, 100, 300, 200));
    rect->SetSelected(true);
    Trigger(C::Properties);
    EXPECT_EQ(DialogAnswer().Calls, 1);
    // A double click on an object opens its dialog too.
    const QPoint p = ToHost(TPoint(200, 150));
    Mouse(QEvent::MouseButtonPress, p, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    Mouse(QEvent::MouseButtonDblClick, p, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, p, Qt::LeftButton, Qt::NoButton);
    EXPECT_EQ(DialogAnswer().Calls, 2);
    EXPECT_TRUE(FMessages.isEmpty());

    // A face outline has no dialog of its own.
    DialogAnswer().Active = false;
    auto face = std::make_unique<TLOFace>();
    face->SetBoundsRect(TRect(400, 100, 500, 200));
    TLOFace* placed = face.get();
    Site().InsertObject(face.release());
    Site().AddObject(placed);
    Site().SelectAll(false);
    placed->SetSelected(true);
    const QPoint q = ToHost(TPoint(450, 150));
    Mouse(QEvent::MouseButtonDblClick, q, Qt::LeftButton, Qt::LeftButton);
    Mouse(QEvent::MouseButtonRelease, q, Qt::LeftButton, Qt::NoButton);
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_EQ(FMessages[0], QStringLiteral("このオブジェクトには設定画面がありません"));
}

// The text tool runs the text editor first; typing there gives the new object its text.
TEST_F(Layout, TextToolTakesTheTypedText) {
    DialogAnswer().Active = false;
    QTimer::singleShot(0, [] {
        auto* editor = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(editor, nullptr);
        auto* edit = editor->findChild<QPlainTextEdit*>();
        ASSERT_NE(edit, nullptr);
        edit->setPlainText(QStringLiteral("新しい文字"));
        editor->accept();
    });
    FForm->CreationAction("TLOText")->trigger();
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Objects()[0]->ClassName(), QStringLiteral("TLOText"));
    auto* text = qobject_cast<TLOText*>(Objects()[0]);
    ASSERT_NE(text, nullptr);
    EXPECT_EQ(text->Text().Text().trimmed(), QStringLiteral("新しい文字"));
    EXPECT_EQ(ActionList().Count(), 1);
}

// Committing writes the label; reading it again gives the same objects. Switching labels
// commits first; an unchanged page writes nothing.
TEST_F(Layout, CommitWritesTheLabelBackAndShowLabelSwitches) {
    int modified = 0;
    QObject::connect(FForm.get(), &TfrmLayout::Modified, [&] { ++modified; });
    FForm->CreationAction("TLOJANCode")->trigger();
    PlaceRect(TRect(50, 60, 250, 160));
    EXPECT_GE(modified, 1);
    FForm->CommitLabel();
    EXPECT_TRUE(FData->HasLabelData(0));
    EXPECT_TRUE(FData->Modified());
    EXPECT_FALSE(Site().Modified());

    TDOList read;
    FData->ReadLabel(0, read, true);
    const std::vector<TDrawObject*> shown = Objects();
    ASSERT_EQ(static_cast<size_t>(read.Count()), shown.size());
    // Stored bottom first, shown topmost first.
    for (int i = 0; i < read.Count(); ++i) {
        TDrawObject* again = read[read.Count() - 1 - i];
        EXPECT_EQ(again->ClassName(), shown[i]->ClassName());
        EXPECT_EQ(Str(again->GetBoundsRect()), Str(shown[i]->GetBoundsRect()));
        delete again;
    }

    FForm->ShowLabel(1);
    EXPECT_EQ(FData->CurrentLabelNo(), 1);
    EXPECT_TRUE(Objects().empty());
    EXPECT_EQ(ActionList().Count(), 0) << "steps of another page are gone";
    PlaceRect(TRect(10, 10, 90, 90));
    FForm->ShowLabel(0);
    EXPECT_EQ(Objects().size(), 2u);
    EXPECT_TRUE(FData->HasLabelData(1)) << "label 1 was committed on the switch";
    FForm->ShowLabel(7);
    EXPECT_EQ(FForm->LabelNo(), -1) << "no such face";
    EXPECT_FALSE(FForm->Action(C::Delete)->isEnabled());
    EXPECT_FALSE(FForm->CreationAction("TLOText")->isEnabled());

    // Nothing changed since the last commit: nothing is written.
    FForm->ShowLabel(1);
    FData->SetModified(false);
    FForm->CommitLabel();
    EXPECT_FALSE(FData->Modified());
}

TEST_F(Layout, ScanPlacesThePictureAsOneImageObject) {
    ASSERT_FALSE(SaneTestConfigDir().isEmpty());
    ResetTestDevices();
    TTwainManager& manager = TTwainManager::Instance();
    manager.SetSourceName(QStringLiteral("test:0"));
    manager.ShowSourceSettings = [](TSaneDevice& Source, QWidget*) {
        Source.SetString(QStringLiteral("mode"), QStringLiteral("Color"));
        Source.SetNumber(QStringLiteral("resolution"), 50);
        Source.SetString(QStringLiteral("test-picture"), QStringLiteral("Solid white"));
        return true;
    };
    // The acquired picture goes through the creation rules of its kind; the test designer
    // confirms any dialog they open.
    Trigger(C::Scan);
    InstallTwainWindows();
    manager.Unload();

    ASSERT_EQ(Objects().size(), 1u);
    auto* image = qobject_cast<TLOImage*>(Objects()[0]);
    ASSERT_NE(image, nullptr);
    EXPECT_EQ(image->ImageSource(), isTwain);
    const TPictureEx* picture = image->ImageData()->Picture();
    ASSERT_FALSE(IsPictureEmpty(picture));
    EXPECT_EQ(picture->Width(), static_cast<int>(80 / 25.4 * 50));
    EXPECT_EQ(picture->Height(), static_cast<int>(100 / 25.4 * 50));
    EXPECT_TRUE(image->Selected());
    EXPECT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionAdd);
    ActionList().Undo();
    EXPECT_TRUE(Objects().empty());
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join("|").toStdString();
}

// The scanner command lists the sources in the program's own chooser; the one picked
// becomes the source of the next scan.
TEST_F(Layout, SelectScannerShowsTheSourceChooser) {
    ASSERT_FALSE(SaneTestConfigDir().isEmpty());
    ResetTestDevices();
    TTwainManager& manager = TTwainManager::Instance();
    manager.SetSourceName(QStringLiteral("test:0"));
    bool shown = false;
    QTimer::singleShot(0, [&shown] {
        auto* chooser = qobject_cast<TfrmTwainSelect*>(QApplication::activeModalWidget());
        ASSERT_NE(chooser, nullptr);
        shown = true;
        const auto rows = chooser->List()->findItems(QStringLiteral("test:1"), Qt::MatchContains);
        ASSERT_EQ(rows.size(), 1);
        chooser->List()->setCurrentItem(rows[0]);
        chooser->accept();
    });
    Trigger(C::SelectScanner);
    EXPECT_TRUE(shown);
    EXPECT_EQ(manager.SourceName(), QStringLiteral("test:1"));
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join("|").toStdString();
    manager.Unload();
}

// A failing scanner is reported with the scanner's message; nothing is placed or recorded.
TEST_F(Layout, ScannerFailureIsReportedAndPlacesNothing) {
    ASSERT_FALSE(SaneTestConfigDir().isEmpty());
    ResetTestDevices();
    TTwainManager& manager = TTwainManager::Instance();
    manager.SetSourceName(QStringLiteral("test:0"));
    struct Row {
        const char* Name;
        const char* ReadStatus;
        bool Scan;
        bool Message;
    };
    const Row rows[] = {{"jammed", "SANE_STATUS_JAMMED", true, true},
                        {"settings closed", "Default", false, false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        FMessages.clear();
        manager.ShowSourceSettings = [&row](TSaneDevice& Source, QWidget*) {
            Source.SetString(QStringLiteral("read-return-value"),
                             QString::fromLatin1(row.ReadStatus));
            return row.Scan;
        };
        Trigger(C::Scan);
        EXPECT_TRUE(Objects().empty());
        EXPECT_EQ(ActionList().Count(), 0);
        EXPECT_EQ(FMessages.size(), row.Message ? 1 : 0);
        if (row.Message && !FMessages.isEmpty())
            EXPECT_TRUE(FMessages[0].contains(QLatin1String("TWAIN ERROR")))
                << FMessages[0].toStdString();
        EXPECT_FALSE(manager.SourceOpen());
    }
    InstallTwainWindows();
    manager.Unload();
    ResetTestDevices();
}

// A label that cannot be read is not shown, and so never written back empty.
// A calendar tied to the shown one on another sheet takes its place as it is stored: from
// the cut line, not moved by the bleed the editor shows around the face.
TEST_F(Layout, TiedCalendarsOnOtherSheetsFollowFromTheCutLine) {
    FForm->SetLabelData(nullptr);
    auto paper = TwoFacePaper();
    paper->SetFaceMargin(25);
    FData->SetPaperInfo(paper.get());
    const auto writeCalendar = [this](const TRect& Bounds) {
        auto calendar = std::make_unique<TLOCalendar>();
        calendar->SetBoundsRect(Bounds);
        calendar->SetConnectNo(1);
        TDOList list;
        list.Add(calendar.get());
        FData->WriteLabel(0, list);
    };
    const TRect model(100, 50, 400, 350);
    writeCalendar(model);
    FData->AddSheet(QStringLiteral("二枚目%d"));
    writeCalendar(TRect(500, 200, 800, 500));
    FData->SetSheet(0);
    FForm->SetLabelData(FData.get());
    ASSERT_EQ(Site().UserOrigin(), TPoint(25, 25));
    ASSERT_EQ(Objects().size(), 1u);
    EXPECT_EQ(Str(Objects().front()->GetBoundsRect()), Str(TRect(125, 75, 425, 375)));
    Site().SetModified(true);
    FForm->CommitLabel();

    FData->SetSheet(1);
    TDOList read;
    FData->ReadLabel(0, read, false);
    ASSERT_EQ(read.Count(), 1);
    const TRect tied = read[0]->GetBoundsRect();
    read.FreeObjects();
    EXPECT_EQ(Str(tied), Str(model));
}

TEST_F(Layout, UnreadableLabelIsNeitherShownNorOverwritten) {
    PlaceRect(TRect(100, 100, 300, 200));
    FForm->CommitLabel();
    FData->CompressLabel(0);
    FForm->SetLabelData(nullptr);
    // A file like this is refused at open; the editor still guards against a label of the
    // working copy that cannot be read. The label is packed in the compressed container:
    // its size field becomes absurd.
    TLabelData damaged;
    damaged.Assign(FData.get());
    const QString label = QStringLiteral("Sheets\\NameList0\\NameList0");
    QByteArray bytes = ReadWholeStream(damaged.Storage(), label);
    const QByteArray magic("ZLIBCompress\x1A", 13);
    const qsizetype at = bytes.indexOf(magic);
    ASSERT_GE(at, 0);
    bytes.replace(at + magic.size(), 4, QByteArray("\xFF\xFF\xFF\x7F", 4));
    TDocStream(damaged.Storage(), label, smCreate).WriteBytes(bytes);
    damaged.SetModified(false);
    FForm->SetLabelData(&damaged);
    EXPECT_EQ(FForm->LabelNo(), -1);
    ASSERT_EQ(FMessages.size(), 1);
    EXPECT_TRUE(FMessages[0].contains(QStringLiteral("大きすぎます")))
        << FMessages[0].toStdString();
    EXPECT_FALSE(FForm->CreationAction("TLOText")->isEnabled());
    FForm->CommitLabel();
    FForm->SetLabelData(nullptr);
    EXPECT_TRUE(damaged.HasLabelData(0)) << "the damaged label is still there";
    EXPECT_FALSE(damaged.Modified());
}

TEST_F(Layout, ScreenshotWithSeveralObjects) {
    FData->Grid()->SetVisible(true);
    FData->Guide()->SetVisible(true);
    FForm->AddGuide(true, 300);
    FForm->AddGuide(false, 450);
    for (const char* kind : {"TLOCalendar", "TLOJANCode", "TLOQRStd", "TLODate"})
        FForm->CreationAction(kind)->trigger();
    TLORect* rect = PlaceRect(TRect(40, 40, 300, 160));
    rect->SetSelected(true);
    Site().UpdatePivots();
    Trigger(C::ZoomFit);
    QCoreApplication::processEvents();
    const QImage shot = FForm->grab().toImage();
    const QString folder = QCoreApplication::applicationDirPath() + "/../screenshots";
    QDir().mkpath(folder);
    EXPECT_TRUE(shot.save(folder + "/layout.png"));
    EXPECT_GE(Objects().size(), 5u);
}

} // namespace
