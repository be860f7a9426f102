// Opening documents from the main window as a user does: the File menu's Open clicked with
// the mouse, the file dialog answered by the window's hook, message boxes answered by the
// frame's. A file that is not a whole document is refused as a whole, with one plain message
// naming the user's file; the open document stays in every view, and the refused file never
// joins the recent files.

#include "AppTestSupport.h"
#include "FMain.h"
#include "FSheet.h"

#include "TestSupport.h"
#include "UAppFrame.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UHistoryManager.h"
#include "ULOFace.h"
#include "ULabelData.h"
#include "URegistry.h"

#include <QAction>
#include <QApplication>
#include <QFile>
#include <QMenu>
#include <QMenuBar>
#include <QTemporaryDir>
#include <QTest>
#include <gtest/gtest.h>

namespace {

TStringList SettingsTable() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\n"
                             "SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings\n"
                             "SysKeyFile=\n"
                             "OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory\n"
                             "TitleBarFormat=$(AppName) - %s\n"));
    return t;
}

// The menus from the menu bar down to the one that holds Action (the bar's own first).
std::vector<QMenu*> MenuPath(QMenuBar& Bar, QAction* Action) {
    std::vector<QMenu*> path;
    QAction* item = Action;
    while (item) {
        QMenu* holder = nullptr;
        for (QObject* object : item->associatedObjects())
            if (auto* menu = qobject_cast<QMenu*>(object))
                holder = menu;
        if (!holder)
            break;
        path.insert(path.begin(), holder);
        if (Bar.actions().contains(holder->menuAction()))
            return path;
        item = holder->menuAction();
    }
    return {};
}

// Clicks the way to Action as a user does: its menu's title on the menu bar, then each item
// down to Action.
void ClickMenuCommand(QMainWindow& Window, QAction* Action) {
    QMenuBar* bar = Window.menuBar();
    const std::vector<QMenu*> path = MenuPath(*bar, Action);
    ASSERT_FALSE(path.empty()) << "the command is on no menu of the menu bar";
    QTest::mouseClick(bar, Qt::LeftButton, Qt::NoModifier,
                      bar->actionGeometry(path.front()->menuAction()).center());
    for (size_t i = 0; i < path.size(); ++i) {
        QMenu* menu = path[i];
        ASSERT_TRUE(QTest::qWaitFor([menu] { return menu->isVisible(); }, 2000))
            << menu->title().toStdString() << " did not open";
        QAction* next = i + 1 < path.size() ? path[i + 1]->menuAction() : Action;
        QTest::mouseClick(menu, Qt::LeftButton, Qt::NoModifier,
                          menu->actionGeometry(next).center());
    }
}

class DocumentOpen : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplicationClasses();
        ASSERT_TRUE(FDir.isValid());
        FFrame = std::make_unique<TAppFrame>();
        FFrame->SetMacro(SettingsTable());
        FFrame->Loaded();
        FFrame->OnMessageBox = [this](const QString& Text, const TBitBtnKinds&, int, int) {
            FMessages.append(Text);
            return mrOk;
        };
    }
    void TearDown() override {
        FWindow.reset();
        FFrame.reset();
        TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin"));
    }
    TfrmMain& OpenWindow() {
        FWindow = std::make_unique<TfrmMain>(nullptr);
        FWindow->SetSplashTime(0);
        FWindow->AskFileName = [this](bool) { return FNextFile; };
        FWindow->show();
        QApplication::setActiveWindow(FWindow.get());
        EXPECT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
        return *FWindow;
    }
    QString File(const QString& Name) const { return FDir.filePath(Name); }

    QTemporaryDir FDir;
    std::unique_ptr<TAppFrame> FFrame;
    std::unique_ptr<TfrmMain> FWindow;
    QStringList FMessages;
    QString FNextFile;
};

} // namespace

TEST_F(DocumentOpen, AFileThatIsNoWholeDocumentIsRefusedAndTheOpenDocumentStays) {
    // The open document: two boxes on the default paper's one face, saved.
    TfrmMain& w = OpenWindow();
    {
        TLabelData doc;
        WriteRectLabel(doc, 0, TRect(10, 10, 200, 100), TColor(0x0000FF));
        doc.SaveToFile(File(QStringLiteral("one face.vtd")));
    }
    FNextFile = File(QStringLiteral("one face.vtd"));
    ClickMenuCommand(w, w.Action(TMainCommand::Open));
    ASSERT_EQ(w.FileName(), FNextFile) << FMessages.join(u'\n').toStdString();
    const QString title = w.windowTitle();
    QTest::keyClick(&w, Qt::Key_F6);
    ASSERT_FALSE(w.LayoutShown()) << "F6 shows the sheet view";
    ASSERT_EQ(GetFaceCount(w.Sheet()->Site()), 1);

    struct TCase {
        const char* Name;
        QByteArray Bytes;
    };
    const TCase cases[] = {
        // A ten-up card document saved by this program, cut short after 65 % of its bytes.
        {"十面カード.vtd", ReadTestData(QStringLiteral("labeldata/ten-cards-cut.vtd"))},
        {"メモ.vtd", QByteArray("not a document, only some text\n")},
        {"empty.vtd", QByteArray()},
    };
    for (const TCase& c : cases) {
        const QString name = QString::fromUtf8(c.Name);
        QFile file(File(name));
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write(c.Bytes);
        file.close();

        FMessages.clear();
        FNextFile = file.fileName();
        ClickMenuCommand(w, w.Action(TMainCommand::Open));
        EXPECT_EQ(FMessages,
                  QStringList{name + QStringLiteral(" は Vantomi の文書ではないか、壊れています")})
            << c.Name;

        // The open document stays, in the title, the data, the editor and the sheet view.
        EXPECT_EQ(w.FileName(), File(QStringLiteral("one face.vtd"))) << c.Name;
        EXPECT_EQ(w.windowTitle(), title) << c.Name;
        EXPECT_EQ(ObjectsOnLabel(FWindow->Data(), 0), 1) << c.Name;
        EXPECT_EQ(GetFaceCount(w.Sheet()->Site()), 1) << c.Name;
        THistoryManager recent;
        recent.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
        EXPECT_EQ(recent.GetItems().value(0), File(QStringLiteral("one face.vtd"))) << c.Name;
        EXPECT_FALSE(recent.GetItems().contains(file.fileName())) << c.Name;

        // Nothing further to report: the views, saving and the views again.
        FMessages.clear();
        QTest::keyClick(&w, Qt::Key_F5);
        QTest::keyClick(&w, Qt::Key_S, Qt::ControlModifier);
        QTest::keyClick(&w, Qt::Key_F6);
        EXPECT_TRUE(FMessages.isEmpty()) << c.Name << ": " << FMessages.join(u'\n').toStdString();
    }
}
