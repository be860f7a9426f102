// The main window's command surface: every command in its places (menu bar, tool bars, the
// page's context menus) with its key, enabled by its own rule for the selection at hand.

#include "AppTestSupport.h"
#include "FLayout.h"
#include "FMain.h"
#include "FSheet.h"

#include "UAppFrame.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UDrawSiteAction.h"
#include "UDrawSiteHost.h"
#include "UGhost.h"
#include "ULOBackImage.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UUndo.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QClipboard>
#include <QLineEdit>
#include <QMap>
#include <QMenu>
#include <QMenuBar>
#include <QTest>
#include <QToolBar>
#include <gtest/gtest.h>

#include <algorithm>
#include <array>
#include <functional>
#include <memory>

namespace {

using L = TLayoutCommand;
using M = TMainCommand;

// The selections the table's enabled states are given for.
enum TState { sNone, sOne, sTwo, sLocked, sGroup, StateCount };
const char* const StateNames[] = {"nothing selected", "one object", "two objects",
                                  "a locked object", "a group"};

struct TCommandRow {
    const char* Name;
    std::function<QAction*(TfrmMain&)> Get;
    const char* Menu;                  // object name of its menu on the menu bar
    std::vector<const char*> ToolBars; // object names of the tool bars that carry it
    bool ObjectMenu;                   // in the context menu on an object
    bool PageMenu;                     // in the context menu on the empty page
    QKeySequence Key;                  // empty: none
    std::array<bool, StateCount> On;   // enabled in each state
};

std::function<QAction*(TfrmMain&)> Lay(L Command) {
    return [Command](TfrmMain& W) { return W.Layout()->Action(Command); };
}
std::function<QAction*(TfrmMain&)> Main(M Command) {
    return [Command](TfrmMain& W) { return W.Action(Command); };
}

constexpr std::array<bool, StateCount> Always{true, true, true, true, true};
constexpr std::array<bool, StateCount> Never{false, false, false, false, false};
constexpr std::array<bool, StateCount> AnySelection{false, true, true, true, true};

QKeySequence K(const char* Text) {
    return QKeySequence(QString::fromLatin1(Text));
}

// Two filled boxes on the page, over a face background; the background is never
// selectable, so the background commands are enabled whatever is selected.
const std::vector<TCommandRow>& Table() {
    static const std::vector<TCommandRow> rows = {
        {"new", Main(M::New), "mnuFile", {"tbMain"}, false, false, K("Ctrl+N"), Always},
        {"wizard", Main(M::Wizard), "mnuFile", {"tbMain"}, false, false, {}, Always},
        {"open", Main(M::Open), "mnuFile", {"tbMain"}, false, false, K("Ctrl+O"), Always},
        {"save", Main(M::Save), "mnuFile", {"tbMain"}, false, false, K("Ctrl+S"), Always},
        {"save as", Main(M::SaveAs), "mnuFile", {}, false, false, K("Ctrl+Shift+S"), Always},
        {"print", Main(M::Print), "mnuFile", {"tbMain"}, false, false, K("Ctrl+P"), Always},
        {"scan", Lay(L::Scan), "mnuFile", {}, false, false, {}, Always},
        {"select scanner", Lay(L::SelectScanner), "mnuFile", {}, false, false, {}, Always},
        {"environment", Main(M::Environment), "mnuFile", {}, false, false, {}, Always},
        {"exit", Main(M::Exit), "mnuFile", {}, false, false, K("Ctrl+Q"), Always},
        // Each state starts with an empty undo list, but for the group's step.
        {"undo",
         Lay(L::Undo),
         "mnuEdit",
         {"tbMain"},
         false,
         false,
         K("Ctrl+Z"),
         {false, false, false, false, true}},
        {"redo", Lay(L::Redo), "mnuEdit", {"tbMain"}, false, false, K("Ctrl+Y"), Never},
        {"cut", Lay(L::Cut), "mnuEdit", {"tbEdit"}, true, false, K("Ctrl+X"), AnySelection},
        {"copy", Lay(L::Copy), "mnuEdit", {"tbEdit"}, true, false, K("Ctrl+C"), AnySelection},
        // The clipboard is empty.
        {"paste", Lay(L::Paste), "mnuEdit", {"tbEdit"}, true, true, K("Ctrl+V"), Never},
        {"clear", Lay(L::Delete), "mnuEdit", {}, true, false, K("Del"), AnySelection},
        {"select all", Lay(L::SelectAll), "mnuEdit", {}, false, true, K("Ctrl+A"), Always},
        {"properties",
         Lay(L::Properties),
         "mnuEdit",
         {},
         true,
         false,
         K("Alt+Return"),
         {false, true, false, true, true}},
        {"position and size",
         Lay(L::Position),
         "mnuEdit",
         {},
         true,
         false,
         {},
         {false, true, false, true, true}},
        {"bring to front",
         Lay(L::BringToFront),
         "mnuArrange",
         {"tbArrange"},
         true,
         false,
         K("Ctrl+]"),
         AnySelection},
        {"send to back",
         Lay(L::SendToBack),
         "mnuArrange",
         {"tbArrange"},
         true,
         false,
         K("Ctrl+["),
         AnySelection},
        {"group",
         Lay(L::Group),
         "mnuArrange",
         {"tbArrange"},
         true,
         false,
         K("Ctrl+G"),
         {false, false, true, false, false}},
        {"ungroup",
         Lay(L::Ungroup),
         "mnuArrange",
         {"tbArrange"},
         true,
         false,
         K("Ctrl+Shift+G"),
         {false, false, false, false, true}},
        {"lock", Lay(L::Lock), "mnuArrange", {}, true, false, {}, {false, true, true, false, true}},
        {"unlock",
         Lay(L::Unlock),
         "mnuArrange",
         {},
         true,
         false,
         {},
         {false, false, false, true, false}},
        {"don't print", Lay(L::DontPrint), "mnuArrange", {}, true, false, {}, AnySelection},
        {"print it", Lay(L::DoPrint), "mnuArrange", {}, true, false, {}, Never},
        // Boxes have no vertical text.
        {"vertical text", Lay(L::VertText), "mnuArrange", {}, false, false, {}, Never},
        {"horizontal text", Lay(L::HorzText), "mnuArrange", {}, false, false, {}, Never},
        // A group does not turn.
        {"rotate left",
         Lay(L::RotateLeft),
         "mnuArrange",
         {},
         false,
         false,
         {},
         {false, true, true, true, false}},
        {"rotate right",
         Lay(L::RotateRight),
         "mnuArrange",
         {},
         false,
         false,
         {},
         {false, true, true, true, false}},
        {"move options", Lay(L::MoveOptions), "mnuArrange", {"tbGrid"}, false, false, {}, Always},
        {"free move", Lay(L::FreeMove), "mnuArrange", {}, false, false, {}, Always},
        {"circle move", Lay(L::CircumMove), "mnuArrange", {}, false, false, {}, Always},
        {"parallel move", Lay(L::ParallelMove), "mnuArrange", {}, false, false, {}, Always},
        {"rotate move", Lay(L::RotateMove), "mnuArrange", {}, false, false, {}, Always},
        {"circle rotate", Lay(L::CircumRotate), "mnuArrange", {}, false, false, {}, Always},
        {"circle phased", Lay(L::CircumPhased), "mnuArrange", {}, false, false, {}, Always},
        {"60 steps", Lay(L::Phase60), "mnuArrange", {}, false, false, {}, Always},
        {"12 steps", Lay(L::Phase12), "mnuArrange", {}, false, false, {}, Always},
        {"8 steps", Lay(L::Phase8), "mnuArrange", {}, false, false, {}, Always},
        {"background", Lay(L::EditBackground), "mnuArrange", {}, false, true, {}, Always},
        {"remove background", Lay(L::RemoveBackground), "mnuArrange", {}, false, true, {}, Always},
        {"layout view", Main(M::ShowLayout), "mnuView", {"tbMain"}, false, false, K("F5"), Always},
        {"sheet view", Main(M::ShowSheet), "mnuView", {"tbMain"}, false, false, K("F6"), Always},
        {"zoom in", Lay(L::ZoomIn), "mnuView", {}, false, false, K("Ctrl++"), Always},
        {"zoom out", Lay(L::ZoomOut), "mnuView", {}, false, false, K("Ctrl+-"), Always},
        {"fit", Lay(L::ZoomFit), "mnuView", {}, false, false, {}, Always},
        {"100 %", Lay(L::Zoom100), "mnuView", {}, false, false, {}, Always},
        {"show grid", Lay(L::ShowGrid), "mnuView", {"tbGrid"}, false, true, {}, Always},
        {"snap to grid", Lay(L::SnapGrid), "mnuView", {"tbGrid"}, false, true, {}, Always},
        {"show guides", Lay(L::ShowGuides), "mnuView", {"tbGrid"}, false, true, {}, Always},
        {"snap to guides", Lay(L::SnapGuides), "mnuView", {"tbGrid"}, false, true, {}, Always},
        {"horizontal guide", Lay(L::AddGuideH), "mnuView", {}, false, true, {}, Always},
        {"vertical guide", Lay(L::AddGuideV), "mnuView", {}, false, true, {}, Always},
        {"clear guides", Lay(L::ClearGuides), "mnuView", {}, false, false, {}, Always},
        {"add sheet", Main(M::NewSheet), "mnuSheet", {"tbMain"}, false, false, {}, Always},
        {"duplicate sheet", Main(M::DuplicateSheet), "mnuSheet", {}, false, false, {}, Always},
        // The only sheet.
        {"delete sheet", Main(M::DeleteSheet), "mnuSheet", {}, false, false, {}, Never},
        {"sheet left", Main(M::MoveSheetLeft), "mnuSheet", {}, false, false, {}, Never},
        {"sheet right", Main(M::MoveSheetRight), "mnuSheet", {}, false, false, {}, Never},
        {"rename sheet", Main(M::RenameSheet), "mnuSheet", {}, false, false, {}, Always},
        {"one design per label",
         Main(M::SeparatelyDesign),
         "mnuSheet",
         {},
         false,
         false,
         {},
         Always},
        {"paper", Main(M::ChangePaper), "mnuSheet", {"tbMain"}, false, false, {}, Always},
        {"about", Main(M::About), "mnuHelp", {}, false, false, {}, Always},
    };
    return rows;
}

TStringList Settings() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\nTitleBarFormat=$(AppName) - %s\n"));
    return t;
}

// Every action under Menu, its submenus' too, with the top menu's name.
void CollectMenu(QMenu* Menu, const QString& Top, QMultiMap<QAction*, QString>& Found) {
    for (QAction* action : Menu->actions()) {
        if (action->isSeparator())
            continue;
        Found.insert(action, Top);
        if (QMenu* sub = action->menu())
            CollectMenu(sub, Top, Found);
    }
}

class CommandSurface : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplicationClasses();
        FFrame = std::make_unique<TAppFrame>();
        FFrame->SetMacro(Settings());
        FFrame->Loaded();
        FFrame->OnMessageBox = [](const QString&, const TBitBtnKinds&, int, int) {
            return mrCancel;
        };
        QApplication::clipboard()->clear();
        FWindow = std::make_unique<TfrmMain>();
        FWindow->SetSplashTime(0);
        FWindow->resize(1200, 900);
        FWindow->show();
        QApplication::setActiveWindow(FWindow.get());
        ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
        PlaceBackground();
        FA = PlaceBox(FARect);
        FB = PlaceBox(FBRect);
        FWindow->Layout()->SetZoom(50);
        QApplication::processEvents();
        Host()->setFocus();
    }
    void TearDown() override {
        FWindow->Layout()->Site()->SetModified(false);
        FWindow.reset();
        FFrame.reset();
        ActionList().Clear();
    }

    TfrmMain& W() const { return *FWindow; }
    QWidget* Host() const { return FWindow->Layout()->Host(); }
    TDrawSite& Site() const { return *FWindow->Layout()->Site(); }
    TLORect* PlaceBox(const TRect& R) {
        auto box = std::make_unique<TLORect>();
        box->SetBoundsRect(R);
        box->FillColor()->SetColor(TColor(0x00C0FF));
        box->SetFillInside(true);
        Site().InsertObject(box.get());
        Site().AddObject(box.get());
        return box.release();
    }
    void PlaceBackground() {
        auto back = std::make_unique<TLOBackImage>();
        back->SetBoundsRect(TRect(0, 0, Site().LogWidth(), Site().LogHeight()));
        back->SetSelectable(false);
        back->SetEnabled(false);
        Site().InsertObject(back.get());
        Site().AddObject(back.release());
    }
    // Where the box was placed (it may have gone into a group since).
    QPoint Centre(const TLORect* Box) const {
        const TRect r = Box == FA ? FARect : FBRect;
        const TPoint d = Site().LPtoDP(TPoint((r.Left + r.Right) / 2, (r.Top + r.Bottom) / 2));
        return QPoint(d.x, d.y);
    }
    // A click on the page, as the user makes it.
    void Click(QPoint At, Qt::KeyboardModifiers Modifiers = {}) const {
        QTest::mouseClick(Host(), Qt::LeftButton, Modifiers, At);
        QApplication::processEvents();
    }
    QPoint EmptySpot() const {
        const TPoint d = Site().LPtoDP(TPoint(Site().LogWidth() / 2, Site().LogHeight() - 50));
        return QPoint(d.x, d.y);
    }
    // Brings the page into State by clicks and keys. The undo list starts empty, but for the
    // group, whose undo step keeps the grouped boxes.
    void Enter(TState State) {
        Click(EmptySpot());
        switch (State) {
        case sNone:
            break;
        case sOne:
            Click(Centre(FA));
            break;
        case sTwo:
        case sGroup:
            Click(Centre(FA));
            Click(Centre(FB), Qt::ShiftModifier);
            if (State == sGroup)
                Press(Qt::Key_G, Qt::ControlModifier);
            break;
        case sLocked:
            FA->SetMovable(false);
            Click(Centre(FA));
            break;
        case StateCount:
            break;
        }
        if (State != sGroup)
            ActionList().Clear();
        QApplication::processEvents();
    }
    int SelectedCount() const {
        TDOList list;
        Site().GetObjects(list, true);
        return list.Count();
    }
    // Opens the page's context menu by a right click at At; the menu that popped up.
    QMenu* RightClick(QPoint At) const { return RightClickMenu(*Host(), At); }
    static void ClosePopup(QMenu* Menu) { CloseMenu(Menu); }
    // A key on the page; the application then goes idle, as between a user's key presses.
    void Press(Qt::Key Key, Qt::KeyboardModifiers Modifiers = {}) const {
        QTest::keyClick(Host(), Key, Modifiers);
        QApplication::processEvents();
    }

    std::unique_ptr<TAppFrame> FFrame;
    std::unique_ptr<TfrmMain> FWindow;
    TLORect* FA = nullptr;
    TLORect* FB = nullptr;
    const TRect FARect{200, 200, 700, 600};
    const TRect FBRect{1000, 200, 1500, 600};
};

// Each command is on the menu bar exactly once, in its menu, on its tool bars and in its
// context menus, with its key.
TEST_F(CommandSurface, EveryCommandIsInItsPlaces) {
    QMultiMap<QAction*, QString> menus;
    for (QAction* top : W().menuBar()->actions())
        if (QMenu* menu = top->menu())
            CollectMenu(menu, menu->objectName(), menus);
    QMap<QString, QList<QAction*>> toolBars;
    for (QToolBar* bar : W().findChildren<QToolBar*>())
        toolBars[bar->objectName()] = bar->actions();
    ASSERT_TRUE(toolBars.contains(QStringLiteral("tbEdit")));
    ASSERT_TRUE(toolBars.contains(QStringLiteral("tbArrange")));
    ASSERT_TRUE(toolBars.contains(QStringLiteral("tbGrid")));

    Enter(sOne);
    QMenu* objectMenu = RightClick(Centre(FA));
    ASSERT_NE(objectMenu, nullptr) << "a right click on an object opens its menu";
    const QList<QAction*> onObject = objectMenu->actions();
    ClosePopup(objectMenu);
    QMenu* pageMenu = RightClick(EmptySpot());
    ASSERT_NE(pageMenu, nullptr) << "a right click beside every object opens the page's menu";
    EXPECT_NE(pageMenu, objectMenu);
    EXPECT_EQ(SelectedCount(), 0) << "the click beside the objects dropped the selection";
    const QList<QAction*> onPage = pageMenu->actions();
    ClosePopup(pageMenu);

    for (const TCommandRow& row : Table()) {
        SCOPED_TRACE(row.Name);
        QAction* action = row.Get(W());
        ASSERT_NE(action, nullptr);
        EXPECT_FALSE(action->text().isEmpty());
        const QStringList in = menus.values(action);
        ASSERT_EQ(in.size(), 1) << "once on the menu bar";
        EXPECT_EQ(in[0], QLatin1String(row.Menu));
        for (const char* bar : row.ToolBars)
            EXPECT_TRUE(toolBars.value(QLatin1String(bar)).contains(action)) << bar;
        EXPECT_EQ(onObject.contains(action), row.ObjectMenu);
        EXPECT_EQ(onPage.contains(action), row.PageMenu);
        EXPECT_EQ(action->shortcut(), row.Key) << action->shortcut().toString().toStdString();
    }
    // Every creation tool is in the insert menu.
    for (QAction* tool : W().Layout()->CreationActions())
        EXPECT_EQ(menus.values(tool), QStringList{QStringLiteral("mnuInsert")});
}

TEST_F(CommandSurface, EachCommandIsEnabledByItsOwnRule) {
    for (int state = 0; state < StateCount; ++state) {
        SCOPED_TRACE(StateNames[state]);
        Enter(TState(state));
        const int expected[] = {0, 1, 2, 1, 1};
        ASSERT_EQ(SelectedCount(), expected[state]);
        for (const TCommandRow& row : Table())
            EXPECT_EQ(row.Get(W())->isEnabled(), row.On[size_t(state)]) << row.Name;
        // The context menu on the selection shows the same states.
        if (state != sNone) {
            QMenu* menu = RightClick(Centre(FA));
            ASSERT_NE(menu, nullptr);
            EXPECT_EQ(SelectedCount(), expected[state]) << "the selection stays";
            int checked = 0;
            for (QAction* action : menu->actions())
                for (const TCommandRow& row : Table())
                    if (row.Get(W()) == action) {
                        EXPECT_EQ(action->isEnabled(), row.On[size_t(state)]) << row.Name;
                        ++checked;
                    }
            const auto onObjectMenu = std::count_if(
                Table().begin(), Table().end(), [](const TCommandRow& R) { return R.ObjectMenu; });
            EXPECT_EQ(checked, onObjectMenu) << "every command of the object's menu was checked";
            ClosePopup(menu);
        }
        if (state == sLocked)
            FA->SetMovable(true);
    }
    EXPECT_EQ(W().Layout()->Action(L::Undo)->text(),
              SUndoCaptionFmt.arg(QStringLiteral("グループ化")));
}

// No two commands of the window answer the same key.
TEST_F(CommandSurface, NoTwoCommandsShareAKey) {
    QMap<QString, QString> seen;
    for (QAction* action : W().findChildren<QAction*>()) {
        for (const QKeySequence& key : action->shortcuts()) {
            const QString text = key.toString();
            EXPECT_FALSE(seen.contains(text))
                << text.toStdString() << ": " << seen.value(text).toStdString() << " and "
                << action->text().toStdString();
            seen.insert(text, action->text());
        }
    }
    EXPECT_GE(seen.size(), 20);
}

// The keys run their commands on the page.
TEST_F(CommandSurface, KeysRunTheirCommands) {
    TDrawSite& site = Site();
    const auto count = [&] {
        TDOList list;
        site.GetObjects(list, false);
        return list.Count();
    };
    const int all = count();
    Enter(sNone);
    Press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedCount(), 2) << "the background is never selected";
    Press(Qt::Key_G, Qt::ControlModifier);
    EXPECT_EQ(count(), all - 1) << "two boxes became one group";
    Press(Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    EXPECT_EQ(count(), all);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(count(), all - 1) << "undo brings the group back";
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(count(), all);

    Enter(sOne);
    // Topmost first.
    const auto place = [&](TDrawObject* Object) {
        TDOList order;
        site.GetObjects(order, false);
        return int(std::find(order.begin(), order.end(), Object) - order.begin());
    };
    ASSERT_GT(place(FA), place(FB));
    Press(Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(place(FA), 0) << "brought to the front";
    Press(Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_GT(place(FA), place(FB)) << "sent to the back";

    Press(Qt::Key_C, Qt::ControlModifier);
    Press(Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(count(), all + 1) << "pasted a copy";
    Press(Qt::Key_Delete);
    EXPECT_EQ(count(), all) << "the pasted copy was selected and deleted";
    Enter(sOne);
    Press(Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(count(), all - 1);
    Press(Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(count(), all);
}

// An edit control keeps its own keys: copy copies its text, select all selects its text,
// Delete deletes its text. The field sits on the layout page itself, where the page's
// commands answer those keys, inside the main window, whose keys answer too.
TEST_F(CommandSurface, EditControlsKeepTheirOwnClipboardKeys) {
    Enter(sOne);
    QWidget* page = W().Layout();
    auto* edit = new QLineEdit(QStringLiteral("文字列"), page);
    edit->move(10, 10);
    edit->show();
    edit->raise();
    ASSERT_TRUE(W().isActiveWindow());
    edit->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([edit] { return edit->hasFocus(); }, 5000));
    QTest::keyClick(edit, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit->selectedText(), QStringLiteral("文字列"));
    EXPECT_EQ(SelectedCount(), 1) << "the page's select all did not run";
    QTest::keyClick(edit, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), QStringLiteral("文字列"));
    EXPECT_EQ(SelectedCount(), 1) << "the page's selection is untouched";
    QTest::keyClick(edit, Qt::Key_Delete);
    EXPECT_TRUE(edit->text().isEmpty());
    EXPECT_EQ(SelectedCount(), 1) << "nothing was deleted on the page";

    // The same key with the page's surface in focus is the page's select all.
    Host()->setFocus();
    ASSERT_TRUE(QTest::qWaitFor([this] { return Host()->hasFocus(); }, 5000));
    Press(Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(SelectedCount(), 2) << "the page's select all ran";
    delete edit;
}

// The switch between one design for all labels and a design per label is in the sheet
// menu too, and follows the document.
TEST_F(CommandSurface, OneDesignSwitchIsInTheSheetMenu) {
    QAction* separately = W().Action(M::SeparatelyDesign);
    const bool was = W().Data().SeparatelyDesign();
    EXPECT_EQ(separately->isChecked(), was);
    for (const bool now : {!was, was}) {
        ASSERT_TRUE(ClickMenuItem(W(), QStringLiteral("mnuSheet"), separately));
        EXPECT_EQ(W().Data().SeparatelyDesign(), now);
        EXPECT_EQ(separately->isChecked(), now);
        EXPECT_EQ(W().Sheet()->SeparatelyDesignBox()->isChecked(), now) << "the view's switch";
    }
}

// Each menu opened from the menu bar, the context menus and the tool bars, as pictures.
TEST_F(CommandSurface, ScreenshotsOfMenusAndToolBars) {
    Enter(sOne);
    const QString folder = ScreenshotFolder();
    for (QAction* top : W().menuBar()->actions()) {
        QMenu* menu = top->menu();
        ASSERT_NE(menu, nullptr);
        QTest::mouseClick(W().menuBar(), Qt::LeftButton, {},
                          W().menuBar()->actionGeometry(top).center());
        QApplication::processEvents();
        ASSERT_TRUE(menu->isVisible()) << menu->objectName().toStdString();
        EXPECT_TRUE(
            menu->grab().save(folder + QStringLiteral("/menu-%1.png").arg(menu->objectName())));
        ClosePopup(menu);
        if (QApplication::activePopupWidget())
            ClosePopup(qobject_cast<QMenu*>(QApplication::activePopupWidget()));
    }
    QMenu* objectMenu = RightClick(Centre(FA));
    ASSERT_NE(objectMenu, nullptr);
    EXPECT_TRUE(objectMenu->grab().save(folder + QStringLiteral("/context-menu-object.png")));
    ClosePopup(objectMenu);
    QMenu* pageMenu = RightClick(EmptySpot());
    ASSERT_NE(pageMenu, nullptr);
    EXPECT_TRUE(pageMenu->grab().save(folder + QStringLiteral("/context-menu-page.png")));
    ClosePopup(pageMenu);
    for (QToolBar* bar : W().findChildren<QToolBar*>())
        EXPECT_TRUE(
            bar->grab().save(folder + QStringLiteral("/toolbar-%1.png").arg(bar->objectName())));
    EXPECT_TRUE(W().grab().save(folder + QStringLiteral("/main-window-commands.png")));
}

} // namespace
