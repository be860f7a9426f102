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
#include "UHistoryManager.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UPaperLibrary.h"
#include "UUndo.h"

#include <QAction>
#include <QApplication>
#include <QComboBox>
#include <QCoreApplication>
#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <deque>

namespace {

// A main window with a settings table whose message boxes answer from a script.
class MainWindow : public MainWindowTest {
protected:
    // Puts a red box on the face the editor shows.
    TLORect* PlaceBox(TfrmMain& W, const TRect& R) {
        auto box = std::make_unique<TLORect>();
        box->SetBoundsRect(R);
        box->FillColor()->SetColor(TColor(0x0000FF));
        box->SetFillInside(true);
        TDrawSite* site = W.Layout()->Site();
        site->InsertObject(box.get());
        site->AddObject(box.get());
        return box.release();
    }
};

} // namespace

TEST_F(MainWindow, CreationSetsTheMoveOptionsAndTheTitleFollowsTheDocument) {
    TfrmMain& w = Open();
    EXPECT_EQ(MoveOptions().PhaseStep, 30);
    EXPECT_TRUE(MoveOptions().CircumRotate);
    EXPECT_TRUE(MoveOptions().CircumPhased);
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantomi2005 - 無題"));
    EXPECT_TRUE(w.LayoutShown());
    EXPECT_FALSE(w.Action(TMainCommand::DeleteSheet)->isEnabled()) << "never the last sheet";

    PlaceBox(w, TRect(10, 10, 200, 100));
    w.UpdateActions();
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantomi2005 - 無題 *"));
    ASSERT_TRUE(w.SaveDocumentAs(File(QStringLiteral("first"))));
    EXPECT_EQ(w.FileName(), File(QStringLiteral("first.vtd")));
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantomi2005 - first.vtd"));
    EXPECT_FALSE(w.DocumentModified());
}

TEST_F(MainWindow, TheSaveQuestionSavesDropsOrStops) {
    struct TCase {
        const char* Name;
        TModalResult Answer;
        bool Proceeds;
        bool Saved;
    } cases[] = {
        {"Yes saves, then goes on", mrYes, true, true},
        {"No drops the changes", mrNo, true, false},
        {"Cancel stops", mrCancel, false, false},
    };
    for (const TCase& c : cases) {
        TfrmMain& w = Open();
        PlaceBox(w, TRect(10, 10, 200, 100));
        const QString target = File(QStringLiteral("%1.vtd").arg(int(c.Answer)));
        FNextFile = target;
        FAnswers = {c.Answer};
        FMessages.clear();
        EXPECT_EQ(w.NewDocument(), c.Proceeds) << c.Name;
        ASSERT_EQ(FMessages.size(), 1) << c.Name;
        EXPECT_TRUE(FMessages[0].contains(QStringLiteral("無題"))) << c.Name;
        EXPECT_EQ(QFileInfo::exists(target), c.Saved) << c.Name;
        EXPECT_EQ(w.DocumentModified(), !c.Proceeds) << c.Name;
        if (c.Saved) {
            TLabelData back;
            back.LoadFromFile(target);
            EXPECT_EQ(ObjectsOnLabel(back, 0), 1) << c.Name;
        }
        FAnswers = {mrNo};
        FWindow.reset();
    }
    // An unchanged document is never asked about.
    TfrmMain& w = Open();
    FMessages.clear();
    EXPECT_TRUE(w.NewDocument());
    EXPECT_TRUE(FMessages.isEmpty());
}

TEST_F(MainWindow, ClosingAModifiedDocumentAsksAndCancelKeepsTheWindow) {
    TfrmMain& w = Open();
    PlaceBox(w, TRect(10, 10, 200, 100));
    FAnswers = {mrCancel};
    EXPECT_FALSE(w.close());
    EXPECT_TRUE(w.isVisible());
    FAnswers = {mrNo};
    EXPECT_TRUE(w.close());
    EXPECT_EQ(FMessages.size(), 2);
}

TEST_F(MainWindow, SavedDocumentsReopenAndJoinTheRecentFiles) {
    TfrmMain& w = Open();
    PlaceBox(w, TRect(10, 10, 200, 100));
    PlaceBox(w, TRect(300, 10, 400, 100));
    const QString file = File(QStringLiteral("two boxes.vtd"));
    ASSERT_TRUE(w.SaveDocumentAs(file));
    ASSERT_TRUE(w.NewDocument());
    EXPECT_EQ(ObjectsOnLabel(w.Data(), 0), 0);
    ASSERT_TRUE(w.OpenDocument(file));
    EXPECT_EQ(ObjectsOnLabel(w.Data(), 0), 2);
    TDOList shown;
    w.Layout()->Site()->GetObjects(shown, false);
    EXPECT_EQ(shown.Count(), 2) << "the editor shows the opened label";
    EXPECT_EQ(w.windowTitle(), QStringLiteral("Vantomi2005 - two boxes.vtd"));

    THistoryManager recent;
    recent.SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
    EXPECT_EQ(recent.GetItems().value(0), file);

    // A missing file is reported and changes nothing.
    FMessages.clear();
    EXPECT_FALSE(w.OpenDocument(File(QStringLiteral("missing.vtd"))));
    EXPECT_EQ(FMessages.size(), 1);
    EXPECT_EQ(w.FileName(), file);
    // A damaged file is reported; the open document stays.
    QFile bad(File(QStringLiteral("bad.vtd")));
    ASSERT_TRUE(bad.open(QIODevice::WriteOnly));
    bad.write("not a document at all");
    bad.close();
    FMessages.clear();
    EXPECT_FALSE(w.OpenDocument(bad.fileName()));
    EXPECT_EQ(w.FileName(), file);
    EXPECT_EQ(ObjectsOnLabel(w.Data(), 0), 2);
}

TEST_F(MainWindow, SheetCommandsKeepTheSelectorAndTheViewsInStep) {
    TfrmMain& w = Open();
    PlaceBox(w, TRect(10, 10, 200, 100));
    w.DuplicateSheet();
    ASSERT_EQ(w.Data().SheetCount(), 2);
    EXPECT_EQ(w.SheetSelector()->count(), 2);
    EXPECT_EQ(w.SheetSelector()->currentIndex(), 1);
    EXPECT_EQ(w.Data().SheetName(), QStringLiteral("新規カレンダー1のコピー1"));
    EXPECT_EQ(ObjectsOnLabel(w.Data(), 0), 1) << "the copy carries the edited label";
    EXPECT_TRUE(w.Action(TMainCommand::DeleteSheet)->isEnabled());

    w.NewSheet();
    EXPECT_EQ(w.Data().SheetCount(), 3);
    TDOList shown;
    w.Layout()->Site()->GetObjects(shown, false);
    EXPECT_EQ(shown.Count(), 0) << "a new sheet starts empty";

    EXPECT_TRUE(w.RenameSheet(QStringLiteral("表紙")));
    EXPECT_EQ(w.SheetSelector()->currentText(), QStringLiteral("表紙"));
    FMessages.clear();
    EXPECT_FALSE(w.RenameSheet(QStringLiteral("新規カレンダー1"))) << "names stay unique";
    EXPECT_EQ(FMessages.size(), 1);

    w.MoveSheet(0);
    EXPECT_EQ(w.Data().SheetNames().value(0), QStringLiteral("表紙"));
    EXPECT_FALSE(w.Action(TMainCommand::MoveSheetLeft)->isEnabled());

    w.SelectSheet(1);
    EXPECT_EQ(w.Data().SheetName(), QStringLiteral("新規カレンダー1"));
    TDOList back;
    w.Layout()->Site()->GetObjects(back, false);
    EXPECT_EQ(back.Count(), 1);

    FAnswers = {mrYes, mrYes};
    EXPECT_TRUE(w.DeleteSheet());
    EXPECT_TRUE(w.DeleteSheet());
    EXPECT_EQ(w.Data().SheetCount(), 1);
    EXPECT_FALSE(w.Action(TMainCommand::DeleteSheet)->isEnabled());
    FMessages.clear();
    EXPECT_FALSE(w.DeleteSheet()) << "the last sheet stays";
    EXPECT_EQ(w.Data().SheetCount(), 1);
    EXPECT_EQ(FMessages.size(), 1);
}

TEST_F(MainWindow, UndoAndRedoByTheirKeysCarryTheStepsCaption) {
    TfrmMain& w = Open();
    QApplication::setActiveWindow(&w);
    ASSERT_TRUE(QTest::qWaitForWindowActive(&w));
    QWidget* host = w.Layout()->Host();
    host->setFocus();
    TLORect* box = PlaceBox(w, TRect(10, 10, 200, 100));
    w.Layout()->Site()->SelectAll(true);
    w.Layout()->NudgeSelection(50, 0);
    QAction* undo = w.Layout()->Action(TLayoutCommand::Undo);
    QAction* redo = w.Layout()->Action(TLayoutCommand::Redo);
    LetIdle(); // the commands bring their state up to date
    ASSERT_TRUE(undo->isEnabled());
    EXPECT_EQ(undo->text(), SUndoCaptionFmt.arg(SCaptionMove));
    EXPECT_FALSE(redo->isEnabled());
    QTest::keyClick(host, Qt::Key_Z, Qt::ControlModifier);
    QCoreApplication::processEvents();
    EXPECT_EQ(box->GetRect().Left, 10);
    LetIdle();
    EXPECT_EQ(redo->text(), SRedoCaptionFmt.arg(SCaptionMove));
    QTest::keyClick(host, Qt::Key_Y, Qt::ControlModifier);
    EXPECT_EQ(box->GetRect().Left, 60);
    // The shortcuts a desktop user expects.
    EXPECT_EQ(w.Action(TMainCommand::New)->shortcut(), QKeySequence(QStringLiteral("Ctrl+N")));
    EXPECT_EQ(w.Action(TMainCommand::Open)->shortcut(), QKeySequence(QStringLiteral("Ctrl+O")));
    EXPECT_EQ(w.Action(TMainCommand::Save)->shortcut(), QKeySequence(QStringLiteral("Ctrl+S")));
    EXPECT_EQ(w.Action(TMainCommand::Print)->shortcut(), QKeySequence(QStringLiteral("Ctrl+P")));
    for (TMainCommand c :
         {TMainCommand::New, TMainCommand::Open, TMainCommand::Save, TMainCommand::Print})
        EXPECT_FALSE(w.Action(c)->icon().isNull()) << int(c);
    EXPECT_FALSE(undo->icon().isNull());
    EXPECT_FALSE(redo->icon().isNull());
}

TEST_F(MainWindow, PaperChangeAndTheSheetViewPickAFaceToDesign) {
    const QString system =
        QCoreApplication::applicationDirPath() + QStringLiteral("/../bin/vantomi.ppr");
    ASSERT_TRUE(QFileInfo::exists(system)) << system.toStdString();
    TPaperLibrary papers(system, QString());
    TfrmMain& w = Open(&papers);
    ASSERT_TRUE(w.ChangePaper(QStringLiteral("CD/DVDラベル A4 2面")));
    EXPECT_EQ(w.Data().PaperInfo()->GetFaceCount(), 2);
    EXPECT_FALSE(w.ChangePaper(QStringLiteral("no such paper")));
    w.resize(1000, 760);
    PlaceBox(w, TRect(100, 100, 600, 400));
    QCoreApplication::processEvents();
    w.grab().save(ScreenshotFolder() + QStringLiteral("/main-window-offscreen.png"));
    w.ShowSheet();
    QCoreApplication::processEvents();
    w.grab().save(ScreenshotFolder() + QStringLiteral("/main-sheet-offscreen.png"));
    EXPECT_FALSE(w.LayoutShown());
    EXPECT_EQ(GetFaceCount(w.Sheet()->Site()), 2);
    w.Sheet()->EditFace(1);
    EXPECT_TRUE(w.LayoutShown());
    EXPECT_EQ(w.Layout()->LabelNo(), 1);
    PlaceBox(w, TRect(100, 100, 400, 400));
    w.ShowSheet();
    EXPECT_TRUE(w.Data().HasLabelData(1)) << "switching views writes the face back";
    EXPECT_TRUE(w.Data().HasLabelData(0));
}

TEST_F(MainWindow, StartupSelectionRepeatsUntilAChoiceIsCarriedOut) {
    TfrmMain& w = Open();
    std::deque<TStartupChoice> choices = {TStartupChoice::Open, TStartupChoice::Wizard,
                                          TStartupChoice::Blank};
    int asked = 0;
    w.AskStartupChoice = [&] {
        ++asked;
        const TStartupChoice c = choices.front();
        choices.pop_front();
        return c;
    };
    FNextFile.clear(); // the open dialog is cancelled
    // The wizard's window is cancelled, as with Escape.
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    escape.start(20);
    w.RunStartupSelection();
    escape.stop();
    EXPECT_EQ(asked, 3);
    EXPECT_TRUE(w.isVisible());

    choices = {TStartupChoice::Exit};
    w.RunStartupSelection();
    QCoreApplication::processEvents();
    EXPECT_FALSE(w.isVisible()) << "exit closes the main window";
}

TEST_F(MainWindow, StartupQuietCommandsAndTheSplash) {
    TfrmMain& w = Open();
    EXPECT_FALSE(w.OpenFileQuietly(File(QStringLiteral("missing.vtd"))));
    w.NewDocumentQuietly();
    EXPECT_FALSE(w.DocumentModified());
    for (int i = 0; i < 20 && !w.SplashClosed(); ++i)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    EXPECT_TRUE(w.SplashClosed());
    PlaceBox(w, TRect(10, 10, 200, 100));
    ASSERT_TRUE(w.SaveDocumentAs(File(QStringLiteral("quiet.vtd"))));
    FMessages.clear();
    w.NewDocumentQuietly();
    EXPECT_TRUE(w.OpenFileQuietly(File(QStringLiteral("quiet.vtd"))));
    EXPECT_TRUE(FMessages.isEmpty()) << "no question at all";
    EXPECT_EQ(ObjectsOnLabel(w.Data(), 0), 1);
}

TEST_F(MainWindow, WindowPlacementIsKept) {
    {
        TfrmMain& w = Open();
        w.setGeometry(40, 50, 700, 500);
        FAnswers = {mrNo};
        ASSERT_TRUE(w.close());
        FWindow.reset();
    }
    TfrmMain& again = Open();
    EXPECT_EQ(again.size(), QSize(700, 500));
}

TEST_F(MainWindow, CancelledPrintAndWizardLeaveTheDocumentAlone) {
    TfrmMain& w = Open();
    PlaceBox(w, TRect(10, 10, 200, 100));
    ASSERT_TRUE(w.SaveDocumentAs(File(QStringLiteral("kept.vtd"))));
    EXPECT_TRUE(w.Action(TMainCommand::Print)->isEnabled());
    EXPECT_TRUE(w.Action(TMainCommand::Wizard)->isEnabled());
    // Every dialog that opens is cancelled, as with Escape.
    QTimer escape;
    QObject::connect(&escape, &QTimer::timeout, [] {
        if (auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget()))
            dialog->reject();
    });
    escape.start(20);
    EXPECT_FALSE(w.PrintDocument());
    EXPECT_FALSE(w.RunWizard());
    escape.stop();
    EXPECT_EQ(w.FileName(), File(QStringLiteral("kept.vtd")));
    EXPECT_FALSE(w.DocumentModified());
    EXPECT_EQ(ObjectsOnLabel(w.Data(), 0), 1);
}
