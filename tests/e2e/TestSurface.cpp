// The design surface under a real X server (run under xvfb-run), driven with Qt Test's mouse
// and keyboard: a straight text becomes arc text in its dialog and is bent further by its
// bulge handle; a guide is added with the mouse, moved and dragged off the page. After each
// step Ctrl+Z brings back the exact page stream of the step before, and Ctrl+Y the one after.

#include "AppTestSupport.h"
#include "FLayout.h"
#include "FMain.h"
#include "FPropertyDialog.h"

#include "UAppFrame.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "UGhost.h"
#include "UGuide.h"
#include "ULORect.h"
#include "ULOText.h"
#include "ULabelData.h"
#include "UPropertyEditors.h"
#include "URegistry.h"
#include "UTextGhost.h"
#include "UUndo.h"

#include <QApplication>
#include <QCheckBox>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QTabBar>
#include <QTabWidget>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

namespace {

// Clicks the tab of the notebook page that holds Field.
void ClickTabOf(QWidget* Field) {
    for (QWidget* page = Field; page; page = page->parentWidget()) {
        QWidget* stack = page->parentWidget();
        auto* tabs = stack ? qobject_cast<QTabWidget*>(stack->parentWidget()) : nullptr;
        if (tabs && tabs->indexOf(page) >= 0) {
            QTest::mouseClick(tabs->tabBar(), Qt::LeftButton, Qt::NoModifier,
                              tabs->tabBar()->tabRect(tabs->indexOf(page)).center());
            return;
        }
    }
    FAIL() << "no notebook page holds the field";
}

// The settings the main window reads, under a key of its own.
TStringList SettingsTable() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\n"
                             "SysRegistryKey=Software\\VantomiSurfaceTest\\Settings\n"
                             "SysKeyFile=\n"
                             "OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory\n"
                             "TitleBarFormat=$(AppName) - %s\n"));
    return t;
}

// The handles on Site that belong to Object, as their screen rectangles.
std::vector<QRect> HandlesOf(const TDrawSite& Site, const TDrawObject* Object) {
    std::vector<QRect> handles;
    for (int i = 0; i < Site.ControlCount(); ++i)
        if (auto* pivot = qobject_cast<TPivot*>(Site.Controls(i));
            pivot && pivot->Owner() == Object && pivot->Visible())
            handles.push_back(pivot->BoundsRect().ToQRect());
    return handles;
}

TPivot* BulgeHandle(const TDrawSite& Site) {
    for (int i = 0; i < Site.ControlCount(); ++i)
        if (auto* pivot = qobject_cast<TPivot*>(Site.Controls(i));
            pivot && pivot->Code() == BulgeHitCode && pivot->Visible())
            return pivot;
    return nullptr;
}

class Surface : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run under xvfb-run";
        EnsureApplicationClasses();
        FFrame.SetMacro(SettingsTable());
        FFrame.Loaded();
        FFrame.OnMessageBox = [this](const QString& Text, const TBitBtnKinds&, int, int) {
            FMessages.append(Text);
            return mrOk;
        };
        ActionList().Clear();
        FWindow = std::make_unique<TfrmMain>();
        FWindow->SetSplashTime(0);
        FWindow->resize(1100, 820);
        FWindow->show();
        FWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
        Layout().SetZoom(50);
        QApplication::processEvents();
    }
    void TearDown() override {
        ActionList().Clear();
        if (FWindow)
            FWindow->Layout()->Site()->SetModified(false);
        FWindow.reset();
        TRegistry().DeleteKey(QStringLiteral("\\Software\\VantomiSurfaceTest"));
    }
    TfrmLayout& Layout() { return *FWindow->Layout(); }
    TDrawSite& Site() { return *Layout().Site(); }
    QWidget* Host() { return Layout().Host(); }
    QPoint ToHost(const TPoint& P) {
        const TPoint d = Site().LPtoDP(P);
        return QPoint(d.x, d.y);
    }
    // A key on the page, pressed as a user does between idle moments, in which the window's
    // commands bring their state up to date.
    void Key(int KeyCode, Qt::KeyboardModifiers Modifiers = Qt::NoModifier) {
        // A closed dialog leaves no window active without a window manager; the user
        // clicks the main window first.
        FWindow->activateWindow();
        QTest::qWaitForWindowActive(FWindow.get());
        LetIdle();
        QTest::keyClick(Host(), Qt::Key(KeyCode), Modifiers);
        LetIdle();
    }
    // Ctrl+Z must bring back Before and Ctrl+Y After, byte for byte.
    void ExpectUndoAndRedo(const QByteArray& Before, const QByteArray& After) {
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(StreamDifference(PageStream(Site()), Before), "") << "undo restores the page";
        Key(Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(StreamDifference(PageStream(Site()), After), "") << "redo does the step again";
    }

    TAppFrame FFrame;
    QStringList FMessages;
    std::unique_ptr<TfrmMain> FWindow;
};

} // namespace

TEST_F(Surface, StraightTextBecomesArcTextAndItsBulgeHandleBendsIt) {
    const int w = Site().LogWidth();
    const int h = Site().LogHeight();
    auto* text = new TLOText();
    text->SetBoundsRect(TRect(w / 4, h / 3, w * 3 / 4, h / 3 + 150));
    text->Font()->SetName(QStringLiteral("IPAGothic"));
    text->Font()->SetSize(24);
    text->SetPlainText(QStringLiteral("まるいもじ"));
    Site().InsertObject(text);
    Site().AddObject(text);
    Site().SelectAll(false);
    QApplication::processEvents();
    const QByteArray straight = PageStream(Site());

    // --- The text dialog by a double click: the arc is switched on and given 20 mm ---------
    const TRect r = text->GetBoundsRect();
    const TPoint centre((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2);
    bool answered = false;
    OnNextModal<QDialog>([&answered](QDialog* Dialog) {
        auto* arc = Dialog->findChild<QCheckBox*>(QStringLiteral("cbArc"));
        auto* bulge = Dialog->findChild<QLineEdit*>(QStringLiteral("seBulge"));
        auto* dialog = qobject_cast<TfrmPropertyDialog*>(Dialog);
        if (!arc || !bulge || !dialog) {
            Dialog->reject();
            return;
        }
        ClickTabOf(arc);
        EXPECT_FALSE(arc->isChecked()) << "a straight text";
        EXPECT_FALSE(bulge->isEnabled());
        // On the box itself, at the left of the row.
        QTest::mouseClick(arc, Qt::LeftButton, Qt::NoModifier, QPoint(8, arc->height() / 2));
        EXPECT_TRUE(bulge->isEnabled());
        QTest::mouseClick(bulge, Qt::LeftButton);
        QTest::keyClick(bulge, Qt::Key_A, Qt::ControlModifier);
        QTest::keyClicks(bulge, QStringLiteral("20"));
        QTest::mouseClick(dialog->OKButton(), Qt::LeftButton);
        answered = true;
    });
    QTest::mouseDClick(Host(), Qt::LeftButton, Qt::NoModifier, ToHost(centre));
    QApplication::processEvents();
    ASSERT_TRUE(answered) << "the text dialog opened";
    EXPECT_EQ(text->Bulge(), 200);
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionChangeSettings);
    const QByteArray arced = PageStream(Site());
    ExpectUndoAndRedo(straight, arced);

    // --- The bulge handle, now shown, bends the arc further by the mouse -------------------
    Site().SelectAll(false);
    QTest::mouseClick(Host(), Qt::LeftButton, Qt::NoModifier, ToHost(centre));
    QApplication::processEvents();
    ASSERT_TRUE(text->Selected());
    TPivot* handle = BulgeHandle(Site());
    ASSERT_NE(handle, nullptr) << "an arc text carries its bulge handle";
    const QPoint from = handle->BoundsRect().ToQRect().center();
    const int bulgeBefore = text->Bulge();
    MouseDrag(Host(), from, from + QPoint(0, -40));
    EXPECT_NE(text->Bulge(), bulgeBefore) << "the drag bent the arc";
    ASSERT_EQ(ActionList().Count(), 2) << "one step";
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionBulge);
    ExpectUndoAndRedo(arced, PageStream(Site()));
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join('\n').toStdString();
}

TEST_F(Surface, GuideIsAddedMovedAndDraggedOffThePageWithTheMouse) {
    TGuide& guide = *Layout().LabelData()->Guide();
    ASSERT_TRUE(guide.IsEmpty());
    const QByteArray page = PageStream(Site());
    const int w = Site().LogWidth();
    const int h = Site().LogHeight();

    // --- Added where the page is clicked, with the tool from the menu ----------------------
    ASSERT_TRUE(ClickMenuItem(*FWindow, QStringLiteral("mnuView"),
                              Layout().Action(TLayoutCommand::AddGuideH)));
    const QPoint click = ToHost(TPoint(w / 2, h / 2));
    QTest::mouseClick(Host(), Qt::LeftButton, Qt::NoModifier, click);
    QApplication::processEvents();
    ASSERT_FALSE(guide.IsEmpty());
    const int y0 = guide.GetGuide(0).y;
    EXPECT_NEAR(y0, h / 2, 5);
    EXPECT_EQ(guide.GetGuide(0).x, 0);
    EXPECT_TRUE(guide.Visible());
    EXPECT_EQ(PageStream(Site()), page) << "guides are no part of the page's objects";

    // --- Moved: it follows the pointer on its axis ------------------------------------------
    const QPoint on = ToHost(TPoint(w / 8, y0));
    MouseDrag(Host(), on, on + QPoint(17, 60));
    const int y1 = guide.GetGuide(0).y;
    EXPECT_NEAR(y1, Site().DPtoLP(TPoint(on.x(), on.y() + 60)).y, 3);
    EXPECT_EQ(guide.GetGuide(0).x, 0);

    // --- Dragged above the page: gone ------------------------------------------------------
    const QPoint again = ToHost(TPoint(w / 8, y1));
    MouseDrag(Host(), again, QPoint(again.x(), -15));
    EXPECT_TRUE(guide.IsEmpty()) << "a guide dropped off the page is removed";
    EXPECT_EQ(PageStream(Site()), page);
    EXPECT_EQ(ActionList().Count(), 0) << "no object step was recorded";
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join('\n').toStdString();

    // --- Ten guides fit; the eleventh is refused with its message ----------------------------
    for (int i = 1; i <= TGuide::SlotCount + 1; ++i) {
        const bool horizontal = i % 2 == 0;
        ASSERT_TRUE(ClickMenuItem(
            *FWindow, QStringLiteral("mnuView"),
            Layout().Action(horizontal ? TLayoutCommand::AddGuideH : TLayoutCommand::AddGuideV)));
        QTest::mouseClick(Host(), Qt::LeftButton, Qt::NoModifier,
                          ToHost(TPoint(w * i / 12, h * i / 12)));
        QApplication::processEvents();
    }
    EXPECT_EQ(guide.FindEmptySlot(), -1);
    EXPECT_EQ(FMessages, QStringList{QStringLiteral("ガイドは10本までです")});
}

TEST_F(Surface, HandlesFollowSelectAllArrowKeysAndDelete) {
    const int w = Site().LogWidth();
    const int h = Site().LogHeight();
    std::vector<TLORect*> boxes;
    for (int i = 0; i < 2; ++i) {
        auto* box = new TLORect();
        box->SetBoundsRect(TRect(w / 8 + i * w / 2, h / 8, w / 4 + i * w / 2, h / 4));
        Site().InsertObject(box);
        Site().AddObject(box);
        boxes.push_back(box);
    }
    Site().SelectAll(false);
    QApplication::processEvents();
    const QByteArray page = PageStream(Site());
    QTest::mouseClick(Host(), Qt::LeftButton, Qt::NoModifier, ToHost(TPoint(w / 2, h * 3 / 4)));
    ASSERT_TRUE(HandlesOf(Site(), boxes[0]).empty());

    Key(Qt::Key_A, Qt::ControlModifier);
    ASSERT_TRUE(boxes[0]->Selected() && boxes[1]->Selected());
    const std::vector<QRect> before = HandlesOf(Site(), boxes[0]);
    ASSERT_FALSE(before.empty()) << "select all shows the handles";
    EXPECT_FALSE(HandlesOf(Site(), boxes[1]).empty());

    Key(Qt::Key_Right);
    const std::vector<QRect> after = HandlesOf(Site(), boxes[0]);
    ASSERT_EQ(after.size(), before.size());
    EXPECT_GT(after[0].left(), before[0].left()) << "the handles moved with the object";
    EXPECT_EQ(after[0].top(), before[0].top());
    const QByteArray nudged = PageStream(Site());
    ExpectUndoAndRedo(page, nudged);
    Key(Qt::Key_A, Qt::ControlModifier);

    Key(Qt::Key_Delete);
    EXPECT_EQ(Site().ControlCount(), 0) << "neither the objects nor their handles stay";
    ExpectUndoAndRedo(nudged, PageStream(Site()));
    EXPECT_TRUE(FMessages.isEmpty()) << FMessages.join('\n').toStdString();
}
