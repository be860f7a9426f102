#include "DesignTestSupport.h"
#include "UDrawSiteAction.h"

#include "UClasses.h"
#include "UDrawSiteHost.h"
#include "UGMEMStream.h"
#include "UImageData.h"
#include "ULOImage.h"
#include "UObjectFactory.h"
#include "UPictureEx.h"
#include "USafetyBitmap.h"
#include "UUndo.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QEventLoop>
#include <QImage>
#include <QLineEdit>
#include <QMimeData>
#include <QPointer>
#include <QScrollArea>
#include <QTimer>
#include <gtest/gtest.h>

// A test rectangle with a vertical-text switch.
class TVertRect : public TTestRect, public IDOVertical {
    Q_OBJECT
    Q_PROPERTY(bool Vertical READ GetVertical WRITE SetVertical)
public:
    explicit TVertRect(TComponent* Owner = nullptr) : TTestRect(Owner) {}
    bool GetVertical() const override { return FVertical; }
    void SetVertical(bool Value) override {
        if (Value == FVertical)
            return;
        FVertical = Value;
        Changed();
    }
    bool QueryInterface(const TGUID& Id, void** Obj) override {
        return AnswerInterface<IDOVertical>(this, Id, Obj) || TTestRect::QueryInterface(Id, Obj);
    }

protected:
    void AssignTo(TPersistent* Dest) const override {
        TTestRect::AssignTo(Dest);
        if (auto* dest = qobject_cast<TVertRect*>(Dest))
            dest->SetVertical(FVertical);
    }

private:
    bool FVertical = false;
};

namespace {

void RunLoopFor(int Milliseconds) {
    QEventLoop loop;
    QTimer::singleShot(Milliseconds, &loop, &QEventLoop::quit);
    loop.exec();
}

// Makes clipboard text and pictures into test rectangles, as the object factory does.
class TPasteDesigner : public TDODesigner {
public:
    static inline std::vector<QString> Kinds;
    bool InitObject(TDrawSite& Site, const QString& Kind) override {
        if (Kind != "TLOTextPaste" && Kind != "TLOImagePaste")
            return false;
        Kinds.push_back(Kind);
        auto* object = new TTestRect();
        object->SetBoundsRect(TRect(0, 0, 50, 50));
        Site.InsertObject(object);
        Site.AddObject(object);
        return true;
    }
};

class DrawSiteActions : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        RegisterDesignTestObjects();
        RegisterObjectClasses();
        RegisterClasses<TVertRect>();
        static bool once = [] {
            TheDesignerList().Add(std::make_unique<TPasteDesigner>());
            return true;
        }();
        (void)once;
    }
    void SetUp() override {
        FSite.SetLogWidth(1000);
        FSite.SetLogHeight(1000);
        ActionList().Clear();
        ActionList().SetRecording(true);
        TPasteDesigner::Kinds.clear();
    }
    void TearDown() override {
        ActionList().Clear();
        ActionList().SetRecording(true);
    }
    template <class T = TTestRect>
    T* Place(const QString& Name, const TRect& R = TRect(100, 100, 200, 200)) {
        auto* placed = new T();
        placed->SetBoundsRect(R);
        placed->SetName(Name);
        FSite.InsertObject(placed);
        FSite.AddObject(placed);
        return placed;
    }
    std::string Order() const {
        TDOList list;
        FSite.GetObjects(list, false);
        std::string s;
        for (TDrawObject* o : list)
            s += o->Name().toStdString();
        return s;
    }
    // Updates Action for the surface and runs it when enabled; answers whether it ran.
    bool Run(TDrawSiteActionBase& Action) {
        Action.UpdateTarget(&FSite);
        if (!Action.isEnabled())
            return false;
        Action.ExecuteTarget(&FSite);
        return true;
    }
    QString UndoText() {
        FUndo.UpdateTarget(&FSite);
        return FUndo.text();
    }
    QString RedoText() {
        FRedo.UpdateTarget(&FSite);
        return FRedo.text();
    }

    TDrawSite FSite;
    TDSAUndo FUndo;
    TDSARedo FRedo;
};

TEST_F(DrawSiteActions, CutClearAndPasteAreOneStepEach) {
    Place("A");
    Place("B");
    Place("C");
    Place("D");
    FSite.SelectAll(true);
    // The bottom object stays unselected.
    qobject_cast<TDrawObject*>(FSite.Controls(0))->SetSelected(false);
    EXPECT_EQ(Order(), "DCBA");
    EXPECT_EQ(UndoText(), SUndoCaption);
    EXPECT_FALSE(FUndo.isEnabled());

    TDSACut cut;
    ASSERT_TRUE(Run(cut));
    EXPECT_EQ(Order(), "A");
    EXPECT_TRUE(QGuiApplication::clipboard()->mimeData()->hasFormat(
        ClipboardMimeType(cut.ClipboardFormatName())));
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(UndoText(), QStringLiteral("切り取りの取り消し(&U)"));
    EXPECT_TRUE(FUndo.isEnabled());
    EXPECT_EQ(RedoText(), SRedoCaption);
    EXPECT_FALSE(FRedo.isEnabled());

    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(Order(), "DCBA") << "all three back at their places";
    EXPECT_EQ(RedoText(), QStringLiteral("切り取りのやり直し(&R)"));
    ASSERT_TRUE(Run(FRedo));
    EXPECT_EQ(Order(), "A");

    TDSAPaste paste;
    ASSERT_TRUE(Run(paste));
    EXPECT_EQ(FSite.ControlCount(), 4);
    TDOList selected;
    FSite.GetObjects(selected, true);
    EXPECT_EQ(selected.Count(), 3) << "the pasted objects are selected";
    EXPECT_EQ(ActionList().Count(), 2);
    EXPECT_EQ(UndoText(), QStringLiteral("貼り付けの取り消し(&U)"));
    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(Order(), "A");

    TDSAClear clear;
    FSite.SelectAll(true);
    ASSERT_TRUE(Run(clear));
    EXPECT_EQ(FSite.ControlCount(), 0);
    EXPECT_EQ(UndoText(), QStringLiteral("削除の取り消し(&U)"));
    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(Order(), "A");
}

TEST_F(DrawSiteActions, DeletingWithRecordingOffFreesTheObjects) {
    QPointer<TTestRect> a = Place("A");
    QPointer<TTestRect> b = Place("B");
    FSite.SelectAll(true);
    ActionList().SetRecording(false);
    TDSAClear clear;
    ASSERT_TRUE(Run(clear));
    EXPECT_TRUE(a.isNull());
    EXPECT_TRUE(b.isNull());
    EXPECT_EQ(ActionList().Count(), 0);
}

// Every command that takes objects off the page hands them to its undo step: undo puts them
// back while the step is in the list, and they are freed once the list forgets the step.
TEST_F(DrawSiteActions, RemovedObjectsLiveAsLongAsTheirStep) {
    struct Row {
        const char* Name;
        std::function<void(TDrawSite&)> Command;
    };
    const Row rows[] = {
        {"clear", [](TDrawSite& Site) { TDSAClear().ExecuteTarget(&Site); }},
        {"cut", [](TDrawSite& Site) { TDSACut().ExecuteTarget(&Site); }},
        {"group", [](TDrawSite& Site) { TDSAGroup().ExecuteTarget(&Site); }},
        {"delete by operation",
         [](TDrawSite& Site) {
             TDSOperation operation;
             operation.ActionType = atDelete;
             operation.ActionString = QStringLiteral("削除");
             operation.OnEachObject = [](TDSOperation*, TDrawObject* Object) {
                 Object->Changed();
                 Object->SetParent(nullptr);
             };
             operation.Execute(Site);
         }},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        ActionList().Clear();
        QPointer<TTestRect> a = Place("A", TRect(100, 100, 200, 200));
        QPointer<TTestRect> b = Place("B", TRect(300, 100, 400, 200));
        FSite.SelectAll(true);
        row.Command(FSite);
        ASSERT_FALSE(a.isNull());
        ASSERT_EQ(a->Parent(), nullptr) << "off the page";
        ActionList().Undo();
        EXPECT_EQ(a->Parent(), &FSite) << "undo puts it back";
        EXPECT_EQ(b->Parent(), &FSite);
        ActionList().Redo();
        ASSERT_FALSE(a.isNull());
        EXPECT_EQ(a->Parent(), nullptr);

        // Ten later steps push the removal out of the list.
        for (int i = 0; i < ActionList().Limit(); ++i) {
            auto* filler = Place(QStringLiteral("F%1").arg(i), TRect(0, 0, 10, 10));
            ActionList().Add(std::make_unique<TDOAddAction>(*filler));
        }
        EXPECT_TRUE(a.isNull()) << "freed with its step";
        EXPECT_TRUE(b.isNull());
        TDOList left;
        FSite.GetObjects(left, false);
        for (TDrawObject* object : left)
            delete object;
    }
}

// Ungrouping takes the group off the page: it goes with its step.
TEST_F(DrawSiteActions, UngroupedGroupLivesAsLongAsItsStep) {
    Place("A", TRect(100, 100, 200, 200));
    Place("B", TRect(300, 100, 400, 200));
    FSite.SelectAll(true);
    TDSAGroup().ExecuteTarget(&FSite);
    TDOList selected;
    FSite.GetObjects(selected, true);
    ASSERT_EQ(selected.Count(), 1);
    QPointer<TDrawObject> group = selected[0];
    TDSAUngroup().ExecuteTarget(&FSite);
    ASSERT_FALSE(group.isNull());
    EXPECT_EQ(group->Parent(), nullptr);
    ActionList().Undo();
    EXPECT_EQ(group->Parent(), &FSite);
    ActionList().Redo();
    for (int i = 0; i < ActionList().Limit(); ++i) {
        auto* filler = Place(QStringLiteral("F%1").arg(i), TRect(0, 0, 10, 10));
        ActionList().Add(std::make_unique<TDOAddAction>(*filler));
    }
    EXPECT_TRUE(group.isNull());
}

// Deleting one large picture after another: what the page holds stays flat once the undo
// list forgets the oldest deletions, and the newest one still undoes.
TEST_F(DrawSiteActions, DeletedPicturesDoNotPileUp) {
    constexpr int Side = 1000;
    const auto heldBytes = [this] {
        qint64 total = 0;
        for (int i = 0; i < FSite.ComponentCount(); ++i)
            if (auto* image = qobject_cast<TLOImage*>(FSite.Components(i)))
                if (auto* bitmap =
                        qobject_cast<TSafetyBitmap*>(image->ImageData()->Picture()->Graphic()))
                    total += qint64(bitmap->Bitmap().BytesPerLine()) * bitmap->Height();
        return total;
    };
    const qint64 one = qint64(BytesPerLineOf(Side, pf24bit)) * Side;
    TDSAClear clear;
    QPointer<TLOImage> last;
    for (int i = 0; i < 20; ++i) {
        auto* image = new TLOImage();
        image->SetBoundsRect(TRect(100, 100, 300, 300));
        image->ImageData()->Picture()->SetGraphic(
            std::make_unique<TSafetyBitmap>(TBitmap(Side, Side, pf24bit)));
        FSite.InsertObject(image);
        FSite.AddObject(image);
        image->SetSelected(true);
        ASSERT_TRUE(Run(clear));
        last = image;
        EXPECT_LE(heldBytes(), one * ActionList().Limit()) << "after deletion " << i + 1;
    }
    EXPECT_EQ(heldBytes(), one * ActionList().Limit());
    ActionList().Undo();
    ASSERT_FALSE(last.isNull());
    EXPECT_EQ(last->Parent(), &FSite) << "the newest deletion still undoes";
    ActionList().Clear();
    EXPECT_EQ(heldBytes(), one) << "only the picture back on the page";
}

TEST_F(DrawSiteActions, LayerCommands) {
    Place("A");
    TTestRect* b = Place("B");
    TTestRect* c = Place("C");
    Place("D");
    EXPECT_EQ(Order(), "DCBA");
    b->SetSelected(true);
    c->SetSelected(true);
    TDSABringToFront front;
    ASSERT_TRUE(Run(front));
    EXPECT_EQ(Order(), "CBDA") << "the selection on top, in its order";
    EXPECT_EQ(ActionList().Count(), 1);
    TDSASendToBack back;
    ASSERT_TRUE(Run(back));
    EXPECT_EQ(Order(), "DACB");
    EXPECT_EQ(ActionList().Count(), 2);
    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(Order(), "CBDA");
    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(Order(), "DCBA");
    FSite.SelectAll(false);
    EXPECT_FALSE(Run(front)) << "nothing selected";
}

TEST_F(DrawSiteActions, FlagCommandsChangeOnlyWhatDiffers) {
    TTestRect* a = Place("A");
    TTestRect* b = Place("B");
    TVertRect* v = Place<TVertRect>("V");
    a->SetMovable(false);
    FSite.SelectAll(true);

    TDSALock lock;
    ASSERT_TRUE(Run(lock));
    EXPECT_FALSE(b->Movable());
    EXPECT_FALSE(v->Movable());
    ASSERT_EQ(ActionList().Count(), 1);
    auto* group = dynamic_cast<TActionGroup*>(ActionList().Actions(0));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Count(), 2) << "the locked one is not recorded";
    EXPECT_FALSE(Run(lock)) << "all locked";
    TDSAUnlock unlock;
    ASSERT_TRUE(Run(unlock));
    EXPECT_TRUE(a->Movable());
    ASSERT_TRUE(Run(FUndo));
    EXPECT_FALSE(a->Movable());

    b->SetDontPrint(true);
    ActionList().Clear();
    TDSADontPrint dontPrint;
    ASSERT_TRUE(Run(dontPrint));
    EXPECT_TRUE(a->DontPrint());
    EXPECT_TRUE(v->DontPrint());
    group = dynamic_cast<TActionGroup*>(ActionList().Actions(0));
    ASSERT_NE(group, nullptr);
    EXPECT_EQ(group->Count(), 2);
    TDSADoPrint doPrint;
    ASSERT_TRUE(Run(doPrint));
    EXPECT_FALSE(b->DontPrint());
    ASSERT_TRUE(Run(FUndo));
    EXPECT_TRUE(b->DontPrint());

    TDSAVertText vert;
    TDSAHorzText horz;
    EXPECT_FALSE(Run(horz)) << "already horizontal";
    ASSERT_TRUE(Run(vert));
    EXPECT_TRUE(v->GetVertical());
    EXPECT_FALSE(Run(vert));
    ASSERT_TRUE(Run(FUndo));
    EXPECT_FALSE(v->GetVertical());
}

TEST_F(DrawSiteActions, SelectAllAngleAndProperty) {
    TTestRect* a = Place("A");
    TTestRect* hidden = Place("H");
    hidden->SetSelectable(false);
    TTurnRect* t = Place<TTurnRect>("T");
    TDSASelectAll all;
    ASSERT_TRUE(Run(all));
    EXPECT_TRUE(a->Selected());
    EXPECT_TRUE(t->Selected());
    EXPECT_FALSE(hidden->Selected());
    EXPECT_EQ(ActionList().Count(), 0);

    TDSAOffsetAngle turn;
    turn.SetOffsetAngle(15);
    ASSERT_TRUE(Run(turn));
    EXPECT_EQ(t->GetAngle(), 15);
    ASSERT_EQ(ActionList().Count(), 1);
    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(t->GetAngle(), 0);

    std::vector<std::string> log;
    TDODesignerList designers;
    struct TColourEditor : TDODesigner {
        // As the program's dialogs do, the editor records its own change step.
        bool EditObject(TDrawObject& Object, bool& Cancel) override {
            auto step = std::make_unique<TDOChangeAction>(Object);
            static_cast<TTestRect&>(Object).SetColor(clGreen);
            TDOChangeAction::Commit(std::move(step), ActionList());
            Cancel = false;
            return true;
        }
    };
    designers.Add(std::make_unique<TColourEditor>());
    SetDesignerList(&designers);
    TDSAEditProperty property;
    a->SetSelected(true);
    t->SetSelected(true);
    EXPECT_FALSE(Run(property)) << "two selected";
    t->SetSelected(false);
    ASSERT_TRUE(Run(property));
    EXPECT_EQ(a->Color(), clGreen);
    ASSERT_TRUE(Run(FUndo));
    EXPECT_EQ(a->Color(), clRed);
    SetDesignerList(nullptr);
}

TEST_F(DrawSiteActions, PasteTextOrPictureGoesThroughTheDesigners) {
    struct Row {
        const char* Name;
        std::function<QMimeData*()> Data;
        const char* Kind;
    };
    const Row rows[] = {
        {"text",
         [] {
             auto* d = new QMimeData;
             d->setText("こんにちは");
             return d;
         },
         "TLOTextPaste"},
        {"picture",
         [] {
             auto* d = new QMimeData;
             d->setImageData(QImage(4, 4, QImage::Format_RGB32));
             return d;
         },
         "TLOImagePaste"},
        {"a picture with its name as text: the picture wins",
         [] {
             auto* d = new QMimeData;
             d->setText("photo.png");
             d->setImageData(QImage(4, 4, QImage::Format_RGB32));
             return d;
         },
         "TLOImagePaste"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.Name);
        TPasteDesigner::Kinds.clear();
        QGuiApplication::clipboard()->setMimeData(row.Data());
        TDSAPaste paste;
        ASSERT_TRUE(Run(paste));
        ASSERT_EQ(TPasteDesigner::Kinds.size(), 1u);
        EXPECT_EQ(TPasteDesigner::Kinds[0], row.Kind);
        EXPECT_EQ(ActionList().Count(), 0) << "the paste itself records nothing";
    }
    QGuiApplication::clipboard()->clear();
    TDSAPaste paste;
    EXPECT_FALSE(Run(paste));
}

// Objects copied on one page paste onto a smaller one (another face or sheet) with their
// centres on it, in one undo step.
TEST_F(DrawSiteActions, PasteOntoAnotherPageKeepsCentresInside) {
    Place("A", TRect(800, 800, 900, 900))->SetSelected(true);
    TDSACopy copy;
    ASSERT_TRUE(Run(copy));
    TDrawSite other;
    other.SetLogWidth(400);
    other.SetLogHeight(300);
    TDSAPaste paste;
    paste.UpdateTarget(&other);
    ASSERT_TRUE(paste.isEnabled());
    paste.ExecuteTarget(&other);
    TDOList pasted;
    other.GetObjects(pasted, false);
    ASSERT_EQ(pasted.Count(), 1);
    const TRect r = pasted[0]->GetBoundsRect();
    EXPECT_EQ(r.Width(), 100);
    EXPECT_LE((r.Left + r.Right) / 2, 400 - 10);
    EXPECT_LE((r.Top + r.Bottom) / 2, 300 - 10);
    EXPECT_TRUE(pasted[0]->Selected());
    ASSERT_EQ(ActionList().Count(), 1);
    ActionList().Undo();
    EXPECT_EQ(other.ControlCount(), 0);
    ActionList().Clear();
}

TEST_F(DrawSiteActions, TargetClassAndEvents) {
    Place("A");
    Place<TTurnRect>("T");
    Place("B");
    FSite.SelectAll(true);
    TDrawSiteAction action;
    std::string seen;
    action.OnEachObject = [&](TDrawSiteAction*, TDrawObject* O) {
        seen += O->Name().toStdString();
    };
    action.SetTargetClassName("TTurnRect");
    ASSERT_TRUE(Run(action));
    EXPECT_EQ(seen, "T");
    action.SetTargetClassOnly(true);
    EXPECT_FALSE(Run(action)) << "one candidate is not a TTurnRect";
    action.SetTargetClassName({});
    action.SetTargetClassOnly(false);
    seen.clear();
    ASSERT_TRUE(Run(action));
    EXPECT_EQ(seen, "ATB") << "bottom first";
    action.SetFromFront(true);
    seen.clear();
    ASSERT_TRUE(Run(action));
    EXPECT_EQ(seen, "BTA");
    action.SetMultiSelect(false);
    EXPECT_FALSE(Run(action));

    TDrawSiteAction silent;
    int lists = 0;
    silent.OnMakeList = [&](TDrawSiteAction*) { ++lists; };
    silent.UpdateTarget(&FSite);
    EXPECT_TRUE(silent.isEnabled());
    const int before = lists;
    silent.ExecuteTarget(&FSite);
    EXPECT_EQ(lists, before) << "without events nothing runs";
}

TEST_F(DrawSiteActions, OperationRecordsLikeTheCommands) {
    TTestRect* a = Place("A");
    TTestRect* b = Place("B");
    FSite.SelectAll(true);
    TDSOperation operation;
    operation.ActionType = atChange;
    operation.ActionString = "色";
    std::string seen;
    operation.OnEachObject = [&](TDSOperation*, TDrawObject* O) {
        seen += O->Name().toStdString();
        static_cast<TTestRect*>(O)->SetColor(clBlue);
    };
    operation.Execute(FSite);
    EXPECT_EQ(seen, "AB");
    EXPECT_EQ(a->Color(), clBlue);
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), QStringLiteral("色"));
    ActionList().Undo();
    EXPECT_EQ(b->Color(), clRed);

    // The add step comes before the event: the event may take the object off again.
    ActionList().Clear();
    TDSOperation add;
    add.ActionType = atAdd;
    std::vector<bool> onSurface;
    add.OnEachObject = [&](TDSOperation*, TDrawObject* O) {
        onSurface.push_back(O->DrawSite() != nullptr);
    };
    add.Execute(FSite);
    EXPECT_EQ(onSurface, (std::vector<bool>{true, true}));
    EXPECT_EQ(ActionList().Count(), 2);

    TDSOperation none;
    none.Execute(FSite); // no events: nothing happens
    EXPECT_EQ(ActionList().Count(), 2);
}

TEST_F(DrawSiteActions, NotifyCatcherCoalescesToIdle) {
    TTestRect* a = Place("A");
    TDSNotifyCatcher catcher;
    int attached = 0, detached = 0, selections = 0, movables = 0;
    catcher.OnDrawSiteAttached = [&](TComponent*) { ++attached; };
    catcher.OnDrawSiteDetached = [&](TComponent*) { ++detached; };
    catcher.OnSelectChanged = [&](TComponent*) { ++selections; };
    catcher.OnMovableChanged = [&](TComponent*) { ++movables; };
    catcher.SetDrawSite(&FSite);
    EXPECT_EQ(attached, 1);
    for (int i = 0; i < 5; ++i)
        a->SetSelected(i % 2 == 0);
    a->SetMovable(false);
    EXPECT_EQ(selections, 0) << "waits for the idle moment";
    RunLoopFor(50);
    EXPECT_EQ(selections, 1);
    EXPECT_EQ(movables, 1);

    catcher.WaitIdle = false;
    for (int i = 0; i < 5; ++i)
        a->SetSelected(i % 2 == 0);
    EXPECT_EQ(selections, 6) << "each change at once";
    RunLoopFor(50);
    EXPECT_EQ(selections, 6);

    {
        TDrawSite other;
        catcher.SetDrawSite(&other);
        EXPECT_EQ(attached, 2);
        a->SetSelected(true);
        EXPECT_EQ(selections, 6) << "the old surface is no longer watched";
    }
    EXPECT_EQ(catcher.DrawSite(), nullptr);
    EXPECT_EQ(detached, 1);
}

// Edit controls get their own copy, cut, paste, clear and undo through the same commands.
TEST_F(DrawSiteActions, LineEditTarget) {
    QLineEdit edit;
    edit.setText("abcdef");
    edit.setSelection(1, 3);
    TDSACopy copy;
    TDSACut cut;
    TDSAPaste paste;
    TDSAClear clear;
    ASSERT_TRUE(copy.HandlesTarget(&edit));
    EXPECT_FALSE(TDSABringToFront().HandlesTarget(&edit));
    copy.UpdateTarget(&edit);
    ASSERT_TRUE(copy.isEnabled());
    copy.ExecuteTarget(&edit);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "bcd");
    cut.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), "aef");
    copy.UpdateTarget(&edit);
    EXPECT_FALSE(copy.isEnabled()) << "no selection left";
    edit.setCursorPosition(3);
    paste.UpdateTarget(&edit);
    ASSERT_TRUE(paste.isEnabled());
    paste.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), "aefbcd");
    FUndo.UpdateTarget(&edit);
    EXPECT_TRUE(FUndo.isEnabled());
    EXPECT_EQ(FUndo.text(), SUndoCaption);
    FUndo.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), "aef");
    FRedo.UpdateTarget(&edit);
    EXPECT_FALSE(FRedo.isEnabled());
    EXPECT_EQ(FRedo.text(), SRedoCaption);
    edit.setSelection(0, 1);
    clear.UpdateTarget(&edit);
    ASSERT_TRUE(clear.isEnabled());
    clear.ExecuteTarget(&edit);
    EXPECT_EQ(edit.text(), "ef");

    QComboBox combo;
    combo.setEditable(true);
    combo.setEditText("xyz");
    combo.lineEdit()->selectAll();
    copy.UpdateTarget(&combo);
    ASSERT_TRUE(copy.isEnabled());
    copy.ExecuteTarget(&combo);
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "xyz");
    QComboBox fixed;
    EXPECT_FALSE(copy.HandlesTarget(&fixed)) << "no edit field";
}

// The focused control decides: the line edit, then the surface's host.
TEST_F(DrawSiteActions, FocusedTargetRoutesTheCommand) {
    QWidget window;
    auto* edit = new QLineEdit(&window);
    std::unique_ptr<QScrollArea> area(TDrawSiteHost::CreateScrollArea(FSite, &window));
    edit->setText("hello");
    edit->selectAll();
    Place("A")->SetSelected(true);
    window.show();
    QApplication::setActiveWindow(&window);
    edit->setFocus();
    QCoreApplication::processEvents();
    if (QApplication::focusWidget() != edit)
        GTEST_SKIP() << "the platform gives no focus";
    EXPECT_EQ(FocusedActionTarget(), edit);
    TDSACopy copy;
    copy.trigger();
    EXPECT_EQ(QGuiApplication::clipboard()->text(), "hello");

    auto* host = qobject_cast<TDrawSiteHost*>(area->widget());
    host->setFocus();
    QCoreApplication::processEvents();
    EXPECT_EQ(FocusedActionTarget(), &FSite);
    TDSAClear clear;
    clear.trigger();
    EXPECT_EQ(FSite.ControlCount(), 0);
    TDrawSiteActionBase::UpdateAll();
    EXPECT_TRUE(FUndo.isEnabled());
    EXPECT_EQ(FUndo.text(), QStringLiteral("削除の取り消し(&U)"));
    area.reset();
}

} // namespace

#include "TestUDrawSiteAction.moc"
