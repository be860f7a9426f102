#include "DesignTestSupport.h"

#include "UException.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

// An action that writes what it does to a shared log and counts its destruction.
class TLogAction : public TActionBase {
public:
    TLogAction(std::string Name, std::vector<std::string>& Log,
               uint8_t Flags = afCanUndo | afCanRedo)
        : FName(std::move(Name)), FLog(Log) {
        SetFlags(Flags);
        SetCaption(QString::fromStdString(FName));
    }
    ~TLogAction() override { FLog.push_back("free " + FName); }
    void Undo() override { FLog.push_back("undo " + FName); }
    void Redo() override { FLog.push_back("redo " + FName); }
    void Repeat() override { FLog.push_back("repeat " + FName); }

private:
    std::string FName;
    std::vector<std::string>& FLog;
};

class ActionListTest : public ::testing::Test {
protected:
    std::unique_ptr<TLogAction> Make(const std::string& Name,
                                     uint8_t Flags = afCanUndo | afCanRedo) {
        return std::make_unique<TLogAction>(Name, Log, Flags);
    }
    std::vector<std::string> Log;
    TActionList List; // after Log: freed first
};

TEST_F(ActionListTest, ElevenEditsKeepTheLastTen) {
    for (int i = 1; i <= 11; ++i)
        List.Add(Make("a" + std::to_string(i)));
    EXPECT_EQ(List.Count(), 10);
    EXPECT_EQ(List.Current(), 9);
    EXPECT_EQ(Log, std::vector<std::string>{"free a1"});
    EXPECT_EQ(List.UndoCaption(), "a11");
    for (int i = 0; i < 10; ++i)
        List.Undo();
    EXPECT_FALSE(List.CanUndo());
    EXPECT_EQ(List.Current(), -1);
    EXPECT_EQ(Log.back(), "undo a2");
    EXPECT_EQ(List.RedoCaption(), "a2");
}

TEST_F(ActionListTest, UndoRedoCaptionsAndTheRedoTail) {
    List.Add(Make("only"));
    List.Undo();
    EXPECT_FALSE(List.CanUndo());
    EXPECT_TRUE(List.CanRedo());
    EXPECT_EQ(List.RedoCaption(), "only");
    EXPECT_EQ(List.UndoCaption(), "");
    List.Redo();
    EXPECT_EQ(List.UndoCaption(), "only");

    List.Add(Make("b"));
    List.Add(Make("c"));
    List.Undo();
    List.Undo();
    Log.clear();
    List.Add(Make("d")); // drops the two undone actions
    EXPECT_EQ(Log, (std::vector<std::string>{"free c", "free b"}));
    EXPECT_EQ(List.Count(), 2);
    EXPECT_EQ(List.UndoCaption(), "d");
    EXPECT_FALSE(List.CanRedo()); // d cannot repeat
}

TEST_F(ActionListTest, GroupsUndoInReverseAndRedoInOrder) {
    List.BeginGroup({});
    List.Add(Make("move"));
    List.BeginGroup("inner");
    List.Add(Make("change"));
    List.EndGroup();
    List.EndGroup();
    ASSERT_EQ(List.Count(), 1);
    EXPECT_EQ(List.UndoCaption(), "move"); // caption from the first step
    List.Undo();
    List.Redo();
    EXPECT_EQ(Log,
              (std::vector<std::string>{"undo change", "undo move", "redo move", "redo change"}));
}

TEST_F(ActionListTest, GroupFlagsAreWhatEveryChildCan) {
    List.BeginGroup("g");
    List.Add(Make("a"));
    List.Add(Make("b", afCanUndo));
    List.EndGroup();
    EXPECT_TRUE(List.CanUndo());
    List.Undo();
    EXPECT_FALSE(List.CanRedo());
}

TEST_F(ActionListTest, EmptyGroupsVanishAndUnbalancedEndRaises) {
    List.Add(Make("a"));
    List.BeginGroup("empty");
    List.EndGroup();
    EXPECT_EQ(List.Count(), 1);
    EXPECT_EQ(List.Current(), 0);
    try {
        List.EndGroup();
        FAIL() << "no exception";
    } catch (const Exception& e) {
        EXPECT_EQ(e.Message, "group level is invalid");
    }
}

TEST_F(ActionListTest, NotRecordingFreesAtOnce) {
    List.SetRecording(false);
    List.Add(Make("a"));
    EXPECT_EQ(List.Count(), 0);
    EXPECT_EQ(Log, std::vector<std::string>{"free a"});
}

TEST_F(ActionListTest, RepeatAtTheEndKeepsThePosition) {
    List.Add(Make("r", afCanUndo | afCanRedo | afCanRepeat));
    EXPECT_TRUE(List.CanRedo());
    EXPECT_EQ(List.RedoCaption(), "r");
    List.Redo();
    List.Redo();
    EXPECT_TRUE(List.CanUndo());
    EXPECT_EQ(List.Current(), 0);
    EXPECT_EQ(Log, (std::vector<std::string>{"repeat r", "repeat r"}));
    List.SetRepeatEnabled(false);
    EXPECT_FALSE(List.CanRedo());
}

// ---------------------------------------------------------------------------------------
// Object actions

class ObjectActions : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterDesignTestObjects(); }
    void SetUp() override {
        FSite.SetLogWidth(1000);
        FSite.SetLogHeight(1000);
        A = Place("A", TRect(10, 10, 110, 110), clRed);
        B = Place("B", TRect(50, 50, 150, 150), clBlue);
        C = Place("C", TRect(90, 90, 190, 190), clGreen);
    }
    TTestRect* Place(const QString& Name, const TRect& R, TColor Color) {
        return PlaceTestRect(FSite, Name, R, Color);
    }
    std::string Order() const {
        TDOList list;
        FSite.GetObjects(list, false);
        std::string s;
        for (TDrawObject* o : list)
            s += o->Name().toStdString();
        return s;
    }

    TInstalledGhostMachinery FMachinery;
    TDrawSite FSite;
    TTestRect* A = nullptr;
    TTestRect* B = nullptr;
    TTestRect* C = nullptr;
};

TEST_F(ObjectActions, ChangeRoundTripRestoresTheExactStream) {
    const QByteArray before = StreamOf(*B);
    auto action = std::make_unique<TDOChangeAction>(*B);
    B->SetColor(clYellow);
    B->SetBoundsRect(TRect(300, 310, 420, 400));
    B->SetBlendRatio(40);
    action->SetCaption("設定変更");
    TDOChangeAction::Commit(std::move(action), ActionList());
    const QByteArray after = StreamOf(*B);
    ASSERT_NE(before, after);
    ASSERT_EQ(ActionList().Count(), 1);
    ActionList().Undo();
    EXPECT_EQ(StreamOf(*B), before);
    EXPECT_TRUE(B->Selected());
    ActionList().Redo();
    EXPECT_EQ(StreamOf(*B), after);
}

TEST_F(ObjectActions, ChangeWithoutNotificationIsNotRecordedUnlessForced) {
    auto action = std::make_unique<TDOChangeAction>(*A);
    TDOChangeAction::Commit(std::move(action), ActionList());
    EXPECT_EQ(ActionList().Count(), 0);
    action = std::make_unique<TDOChangeAction>(*A);
    action->SetForced(true);
    TDOChangeAction::Commit(std::move(action), ActionList());
    EXPECT_EQ(ActionList().Count(), 1);
}

TEST_F(ObjectActions, ChangeOfAnObjectDestroyedElsewhereIsSkipped) {
    auto action = std::make_unique<TDOChangeAction>(*C);
    C->SetColor(clBlack);
    TDOChangeAction::Commit(std::move(action), ActionList());
    ASSERT_EQ(ActionList().Count(), 1);
    delete C; // the document drops it without the undo list
    C = nullptr;
    ActionList().Undo(); // touches nothing
    ActionList().Redo();
    EXPECT_EQ(Order(), "BA");
    // Committing after the object went is a no-op too.
    auto late = std::make_unique<TDOChangeAction>(*A);
    A->SetColor(clBlack);
    delete A;
    A = nullptr;
    TDOChangeAction::Commit(std::move(late), ActionList());
    EXPECT_EQ(ActionList().Count(), 1);
}

TEST_F(ObjectActions, AddUndoneAndRedonePutsTheObjectBackInPlace) {
    TTestRect* d = Place("D", TRect(0, 0, 10, 10), clRed);
    d->SendToLayerBack();
    ASSERT_EQ(Order(), "CBAD");
    const QByteArray stream = StreamOf(*d);
    auto action = std::make_unique<TDOAddAction>(*d);
    action->SetCaption(SCaptionAdd);
    ActionList().Add(std::move(action));
    ActionList().Undo();
    EXPECT_EQ(Order(), "CBA");
    EXPECT_EQ(d->Parent(), nullptr);
    ActionList().Redo();
    EXPECT_EQ(Order(), "CBAD");
    EXPECT_TRUE(d->Selected());
    d->SetSelected(false);
    EXPECT_EQ(StreamOf(*d), stream);
}

TEST_F(ObjectActions, DiscardedUndoneAddFreesItsObject) {
    QPointer<TDrawObject> d = Place("D", TRect(0, 0, 10, 10), clRed);
    ActionList().Add(std::make_unique<TDOAddAction>(*d));
    ActionList().Undo();
    ASSERT_TRUE(d);
    ActionList().Add(std::make_unique<TDOChangeAction>(*A)); // drops the undone add
    EXPECT_FALSE(d);
}

TEST_F(ObjectActions, DeleteRoundTripRestoresStackingAndStream) {
    const QByteArray stream = StreamOf(*B);
    auto action = std::make_unique<TDODelAction>(*B);
    action->Redo();
    ActionList().Add(std::move(action));
    EXPECT_EQ(Order(), "CA");
    ActionList().Undo();
    EXPECT_EQ(Order(), "CBA");
    B->SetSelected(false);
    EXPECT_EQ(StreamOf(*B), stream);
    ActionList().Redo();
    EXPECT_EQ(Order(), "CA");
}

TEST_F(ObjectActions, DeleteWithRecordingOffFreesOnlyARemovedObject) {
    ActionList().SetRecording(false);
    // Handed to the list before the removal: the object is still on the page and stays.
    QPointer<TDrawObject> b = B;
    ActionList().Add(std::make_unique<TDODelAction>(*B));
    ASSERT_TRUE(b);
    EXPECT_EQ(Order(), "CBA");
    // Removed by the action first: the action frees it.
    auto action = std::make_unique<TDODelAction>(*B);
    action->Redo();
    ActionList().Add(std::move(action));
    EXPECT_FALSE(b);
    EXPECT_EQ(Order(), "CA");
    ActionList().SetRecording(true);
}

// An object someone else took off the page and holds is theirs: the action never frees it.
TEST_F(ObjectActions, AnObjectRemovedAndHeldElsewhereIsNotFreedByTheAction) {
    auto action = std::make_unique<TDODelAction>(*B);
    B->SetParent(nullptr);
    FSite.RemoveComponent(B).release();
    std::unique_ptr<TDrawObject> held(B);
    QPointer<TDrawObject> watch = B;
    ActionList().Add(std::move(action));
    ActionList().Clear();
    EXPECT_TRUE(watch);
    B = nullptr;
}

// Removing an object by undo or redo takes its handles off the page and deselects it.
TEST(ObjectActionHandles, TakingAnObjectAwayDropsItsHandles) {
    RegisterDesignTestObjects();
    TInstalledDesignTools tools;
    TDrawSite site;
    site.SetLogWidth(300);
    site.SetLogHeight(300);
    TTestRect* a = TTestRect::Make(10, 10, 50, 50, clRed, "A").release();
    site.InsertObject(a);
    site.AddObject(a);
    TTestRect* b = TTestRect::Make(100, 100, 150, 150, clBlue, "B").release();
    site.InsertObject(b);
    site.AddObject(b);
    const auto handles = [&] {
        int n = 0;
        for (int i = 0; i < site.ControlCount(); ++i)
            n += qobject_cast<TDrawObject*>(site.Controls(i)) ? 0 : 1;
        return n;
    };
    ActionList().Add(std::make_unique<TDOAddAction>(*b));
    a->SetSelected(true);
    b->SetSelected(true);
    site.UpdatePivots();
    ASSERT_EQ(handles(), 8);
    ActionList().Undo();
    EXPECT_EQ(b->Parent(), nullptr);
    EXPECT_FALSE(b->Selected());
    EXPECT_EQ(handles(), 0);
    site.UpdatePivots();
    EXPECT_EQ(handles(), 4) << "only the object still on the page";
    ActionList().Redo();
    site.UpdatePivots();
    EXPECT_EQ(handles(), 8);
    ActionList().Clear();
}

// An action that raises leaves the list where the page is: the failed step is still the
// one to undo (or redo) next.
TEST_F(ActionListTest, AFailingActionDoesNotMoveThePosition) {
    class TFailing : public TActionBase {
    public:
        TFailing() { SetFlags(afCanUndo | afCanRedo); }
        bool Fail = true;
        void Undo() override {
            if (Fail)
                throw Exception(QStringLiteral("undo failed"));
        }
        void Redo() override {
            if (Fail)
                throw Exception(QStringLiteral("redo failed"));
        }
    };
    List.Add(Make("a"));
    auto failing = std::make_unique<TFailing>();
    TFailing* f = failing.get();
    List.Add(std::move(failing));
    EXPECT_THROW(List.Undo(), Exception);
    EXPECT_EQ(List.Current(), 1);
    f->Fail = false;
    List.Undo();
    EXPECT_EQ(List.Current(), 0);
    f->Fail = true;
    EXPECT_THROW(List.Redo(), Exception);
    EXPECT_EQ(List.Current(), 0);
    f->Fail = false;
    List.Redo();
    EXPECT_EQ(List.Current(), 1);
}

TEST_F(ObjectActions, LayerRoundTrip) {
    A->SetSelected(true);
    auto action = std::make_unique<TDOLayerAction>(FSite);
    A->BringToLayerFront();
    TDOLayerAction::Commit(std::move(action), ActionList());
    ASSERT_EQ(Order(), "ACB");
    FSite.SelectAll(false);
    ActionList().Undo();
    EXPECT_EQ(Order(), "CBA");
    EXPECT_TRUE(A->Selected());
    ActionList().Redo();
    EXPECT_EQ(Order(), "ACB");
    delete C; // an object gone meanwhile is skipped
    C = nullptr;
    ActionList().Undo();
    EXPECT_EQ(Order(), "BA");
}

TEST_F(ObjectActions, ActionsOutliveTheirSurface) {
    auto site = std::make_unique<TDrawSite>();
    TTestRect* x = TTestRect::Make(0, 0, 10, 10, clRed, "X").release();
    site->InsertObject(x);
    site->AddObject(x);
    auto del = std::make_unique<TDODelAction>(*x);
    del->Redo();
    ActionList().Add(std::move(del));
    ActionList().Add(std::make_unique<TDOLayerAction>(*site));
    site.reset(); // frees X, which it still owns
    ActionList().Undo();
    ActionList().Undo();
    ActionList().Redo();
    ActionList().Clear();
}

} // namespace
