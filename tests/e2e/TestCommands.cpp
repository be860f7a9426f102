// End to end, the page's commands as a user reaches them under a real X server: menu clicks,
// the context menu and keys on the main window. Copy and paste onto another sheet, order
// (checked in the saved file), group and ungroup, lock, don't print (checked in the printed
// PDF), grid snapping, position and size, the face background, scanning from SANE's test
// scanner, the environment settings, and on a paper with a bleed margin the dialogs, the grid
// and the guides counting from the cut line. Every step's undo gives back the exact page.

#include "../sources/SaneTestSupport.h"
#include "AppTestSupport.h"
#include "FBackImageProperty.h"
#include "FColorFill.h"
#include "FEnvironment.h"
#include "FLayout.h"
#include "FMain.h"
#include "FPosition.h"
#include "FPositionProperty.h"
#include "FPropertyDialog.h"
#include "FRectProperty.h"
#include "FTwain.h"
#include "UAppFrame.h"
#include "UColGrid.h"
#include "UColorButtons.h"
#include "UColorFill.h"
#include "UDOGroup.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "UExSpinEdit.h"
#include "UGuide.h"
#include "ULOBackImage.h"
#include "ULOImage.h"
#include "ULORect.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPrintCommand.h"
#include "UPrintSettings.h"
#include "UStreams.h"
#include "UTwain.h"
#include "UUndo.h"

#include <QApplication>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QImage>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRadioButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QToolBar>
#include <gtest/gtest.h>

#include <cstdlib>
#include <functional>
#include <memory>

namespace {

constexpr TColor Red(0x0000FF); // 0x00BBGGRR
constexpr TColor Blue(0xFF0000);

// Runs Handle on the modal dialogs that show (while the command that opened one waits in
// its own event loop) until it answers that it took one. A dialog it takes must be closed by
// Handle; one it declines may close by itself (a progress window), but one still open after
// DeclinedGrace is cancelled as a failure, and so is one Handle took and left open: a wrong
// dialog never leaves the run waiting.
class TNextDialog : public QObject {
public:
    static constexpr int DeclinedGrace = 20000; // ms

    explicit TNextDialog(std::function<bool(QDialog*)> Handle) : FHandle(std::move(Handle)) {
        connect(&FTimer, &QTimer::timeout, this, &TNextDialog::Poll);
        FTimer.start(30);
    }
    QString Seen;

private:
    void Poll() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible() || !FHandle || FBusy)
            return;
        const QString name = QString::fromLatin1(dialog->metaObject()->className());
        if (dialog == FLast) {
            if (FDeclinedFor.isValid() && FDeclinedFor.elapsed() > DeclinedGrace) {
                ADD_FAILURE() << name.toStdString() << " was declined and stayed open";
                FDeclinedFor.invalidate();
                dialog->reject();
            }
            return;
        }
        FLast = dialog;
        FDeclinedFor.invalidate();
        FBusy = true; // the dialog may open further modal windows
        QPointer<QDialog> guard(dialog);
        const bool took = FHandle(dialog);
        FBusy = false;
        if (!took) {
            FDeclinedFor.start();
            return;
        }
        FHandle = nullptr;
        Seen = name;
        if (guard && guard->isVisible()) {
            ADD_FAILURE() << name.toStdString() << " was left open";
            guard->reject();
        }
    }

    std::function<bool(QDialog*)> FHandle;
    QPointer<QDialog> FLast;
    QElapsedTimer FDeclinedFor;
    bool FBusy = false;
    QTimer FTimer;
};

// Clicks the OK button of Dialog with the mouse, as a user confirms it.
void ClickOk(QDialog* Dialog) {
    QAbstractButton* ok = nullptr;
    if (auto* form = qobject_cast<TfrmPropertyDialog*>(Dialog))
        ok = form->OKButton();
    else if (auto* buttons = Dialog->findChild<QDialogButtonBox*>())
        ok = buttons->button(QDialogButtonBox::Ok);
    if (!ok) {
        ADD_FAILURE() << Dialog->metaObject()->className() << " has no OK button";
        return;
    }
    QTest::mouseClick(ok, Qt::LeftButton);
}

TStringList Settings() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\nTitleBarFormat=$(AppName) - %s\n"));
    return t;
}

class Commands : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run under xvfb-run";
        ASSERT_FALSE(SaneTestConfigDir().isEmpty());
        EnsureApplicationClasses();
        ActionList().Clear();
        FFrame = std::make_unique<TAppFrame>();
        FFrame->SetMacro(Settings());
        FFrame->Loaded();
        FFrame->OnMessageBox = [this](const QString& Text, const TBitBtnKinds&, int, int) {
            FMessages << Text;
            return mrOk;
        };
        FWindow = std::make_unique<TfrmMain>();
        FWindow->SetSplashTime(0);
        FWindow->AskFileName = [this](bool) { return FDir.filePath(QStringLiteral("doc.vtd")); };
        FWindow->resize(1200, 950);
        FWindow->show();
        FWindow->activateWindow();
        ASSERT_TRUE(QTest::qWaitForWindowActive(FWindow.get()));
        FA = PlaceBox(TRect(200, 200, 700, 600), Red);
        FB = PlaceBox(TRect(500, 400, 1000, 800), Blue);
        Layout().SetZoom(50);
        QApplication::processEvents();
        Host()->setFocus();
        ActionList().Clear();
    }
    void TearDown() override {
        FWindow->Layout()->Site()->SetModified(false);
        FWindow->Data().SetModified(false);
        FWindow.reset();
        FFrame.reset();
        ActionList().Clear();
    }

    TfrmMain& W() const { return *FWindow; }
    TfrmLayout& Layout() const { return *FWindow->Layout(); }
    QWidget* Host() const { return Layout().Host(); }
    TDrawSite& Site() const { return *Layout().Site(); }
    QAction* Cmd(TLayoutCommand Command) const { return Layout().Action(Command); }

    TLORect* PlaceBox(const TRect& R, TColor Colour) {
        auto box = std::make_unique<TLORect>();
        box->SetBoundsRect(R);
        box->FillColor()->SetColor(Colour);
        box->SetFillInside(true);
        Site().InsertObject(box.get());
        Site().AddObject(box.get());
        return box.release();
    }
    // Every object of the page, topmost first, as the object stream stores them.
    QByteArray Page() const { return PageStream(Site()); }
    std::vector<TDrawObject*> Objects() const {
        TDOList list;
        Site().GetObjects(list, false);
        return {list.begin(), list.end()};
    }
    QPoint At(const TPoint& P) const {
        const TPoint d = Site().LPtoDP(P);
        return QPoint(d.x, d.y);
    }
    void Click(const TPoint& P, Qt::KeyboardModifiers Modifiers = {}) const {
        QTest::mouseClick(Host(), Qt::LeftButton, Modifiers, At(P));
        QApplication::processEvents();
    }
    // A key on the page after a short pause, in which the application goes idle (as between a
    // user's actions) and brings the commands up to date.
    void Key(Qt::Key Code, Qt::KeyboardModifiers Modifiers = {}) const {
        Reactivate();
        LetIdle();
        QTest::keyClick(Host(), Code, Modifiers);
        QApplication::processEvents();
    }
    void Drag(const TPoint& From, const TPoint& To) const { MouseDrag(Host(), At(From), At(To)); }
    // Without a window manager a window is not activated again when a dialog closes; the
    // user would click it.
    void Reactivate() const {
        if (FWindow->isActiveWindow())
            return;
        FWindow->activateWindow();
        QTest::qWaitForWindowActive(FWindow.get());
        Host()->setFocus();
    }
    // Opens the menu bar's menu Name with the mouse and clicks Item in it.
    void MenuClick(const char* Name, QAction* Item) const {
        Reactivate();
        ASSERT_TRUE(ClickMenuItem(W(), QLatin1String(Name), Item)) << Item->text().toStdString();
    }
    // A right click on the page and a click on Item in the menu that pops up.
    void ContextClick(const TPoint& P, QAction* Item) const {
        QMenu* menu = RightClickMenu(*Host(), At(P));
        ASSERT_NE(menu, nullptr);
        menu->grab().save(ScreenshotFolder() + QStringLiteral("/e2e-context-menu.png"));
        ASSERT_TRUE(menu->actions().contains(Item));
        QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(Item).center());
        QApplication::processEvents();
    }
    // Undo by its key gives back exactly Before.
    void ExpectUndoGives(const QByteArray& Before) const {
        Key(Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Page(), Before) << "undo restores the page exactly";
    }

    QTemporaryDir FDir;
    std::unique_ptr<TAppFrame> FFrame;
    std::unique_ptr<TfrmMain> FWindow;
    TLORect* FA = nullptr;
    TLORect* FB = nullptr;
    QStringList FMessages;
};

// The colours in the first page of a PDF (rendered by pdftoppm).
QImage RenderPdf(const QString& Pdf, const QString& Prefix) {
    QProcess::execute(QStringLiteral("pdftoppm"),
                      {QStringLiteral("-r"), QStringLiteral("20"), QStringLiteral("-png"),
                       QStringLiteral("-singlefile"), Pdf, Prefix});
    return QImage(Prefix + QStringLiteral(".png"));
}

bool HasColour(const QImage& Image, QRgb Wanted) {
    return CountPixels(Image, Image.rect(), [Wanted](QRgb C) {
               return std::abs(qRed(C) - qRed(Wanted)) < 40 &&
                      std::abs(qGreen(C) - qGreen(Wanted)) < 40 &&
                      std::abs(qBlue(C) - qBlue(Wanted)) < 40;
           }) > 0;
}

TEST_F(Commands, CopyAndPasteOntoAnotherSheet) {
    Click(TPoint(300, 300));
    ASSERT_TRUE(FA->Selected());
    Key(Qt::Key_C, Qt::ControlModifier);
    MenuClick("mnuSheet", W().Action(TMainCommand::NewSheet));
    ASSERT_EQ(W().Data().SheetCount(), 2);
    EXPECT_TRUE(Objects().empty()) << "a new sheet";
    EXPECT_EQ(QApplication::focusWidget(), Host()) << "the page has the keyboard again";
    const QByteArray before = Page();
    Key(Qt::Key_V, Qt::ControlModifier);
    ASSERT_EQ(Objects().size(), 1u);
    auto* pasted = qobject_cast<TLORect*>(Objects()[0]);
    ASSERT_NE(pasted, nullptr);
    EXPECT_EQ(pasted->FillColor()->Color(), Red);
    EXPECT_TRUE(pasted->Selected());
    ExpectUndoGives(before);
    // Pasted by the menu too.
    MenuClick("mnuEdit", Cmd(TLayoutCommand::Paste));
    EXPECT_EQ(Objects().size(), 1u);
}

TEST_F(Commands, BringToFrontIsStoredInTheSavedFile) {
    Click(TPoint(300, 300));
    const QByteArray before = Page();
    MenuClick("mnuArrange", Cmd(TLayoutCommand::BringToFront));
    ASSERT_EQ(Objects()[0], FA) << "on top";
    Key(Qt::Key_S, Qt::ControlModifier);
    const QString file = FDir.filePath(QStringLiteral("doc.vtd"));
    ASSERT_TRUE(QFile::exists(file));
    TLabelData saved;
    saved.LoadFromFile(file);
    TDOList list;
    saved.ReadLabel(0, list, false);
    ASSERT_EQ(list.Count(), 2);
    // Read bottom first: the red box comes last.
    EXPECT_EQ(qobject_cast<TLORect*>(list[1])->FillColor()->Color(), Red);
    EXPECT_EQ(qobject_cast<TLORect*>(list[0])->FillColor()->Color(), Blue);
    for (TDrawObject* object : list)
        const std::unique_ptr<TDrawObject> owned(object);
    ExpectUndoGives(before);
    // And back by its key.
    Click(TPoint(300, 300));
    Key(Qt::Key_BracketRight, Qt::ControlModifier);
    EXPECT_EQ(Objects()[0], FA);
    Key(Qt::Key_BracketLeft, Qt::ControlModifier);
    EXPECT_EQ(Objects()[1], FA);
}

TEST_F(Commands, GroupTwoObjectsAndUngroup) {
    const QByteArray before = Page();
    Click(TPoint(300, 300));
    Click(TPoint(900, 700), Qt::ShiftModifier);
    MenuClick("mnuArrange", Cmd(TLayoutCommand::Group));
    ASSERT_EQ(Objects().size(), 1u);
    ASSERT_NE(qobject_cast<TDOGroup*>(Objects()[0]), nullptr);
    const QByteArray grouped = Page();
    Key(Qt::Key_G, Qt::ControlModifier | Qt::ShiftModifier);
    ASSERT_EQ(Objects().size(), 2u);
    ExpectUndoGives(grouped);
    ExpectUndoGives(before);
}

TEST_F(Commands, ALockedObjectRefusesTheDrag) {
    Click(TPoint(300, 300));
    const QByteArray before = Page();
    MenuClick("mnuArrange", Cmd(TLayoutCommand::Lock));
    EXPECT_FALSE(FA->Movable());
    const TRect was = FA->GetBoundsRect();
    Drag(TPoint(300, 300), TPoint(450, 380));
    EXPECT_EQ(FA->GetBoundsRect().Left, was.Left);
    EXPECT_EQ(FA->GetBoundsRect().Top, was.Top);
    ExpectUndoGives(before);
    Drag(TPoint(300, 300), TPoint(450, 380));
    EXPECT_NE(FA->GetBoundsRect().Left, was.Left) << "unlocked again by the undo";
}

TEST_F(Commands, DontPrintLeavesTheObjectOutOfThePrint) {
    Click(TPoint(900, 700));
    ASSERT_TRUE(FB->Selected());
    const QByteArray before = Page();
    ContextClick(TPoint(900, 700), Cmd(TLayoutCommand::DontPrint));
    EXPECT_TRUE(FB->DontPrint());
    W().CommitView();
    const QString pdf = FDir.filePath(QStringLiteral("print.pdf"));
    QString error;
    ASSERT_TRUE(PrintToPdf(W().Data(), pdf, TPrintSpec(), &error)) << error.toStdString();
    const QImage page = RenderPdf(pdf, FDir.filePath(QStringLiteral("print")));
    ASSERT_FALSE(page.isNull());
    EXPECT_TRUE(HasColour(page, qRgb(255, 0, 0))) << "the red box is printed";
    EXPECT_FALSE(HasColour(page, qRgb(0, 0, 255))) << "the blue box is not";
    ExpectUndoGives(before);
}

TEST_F(Commands, ShownGridSnapsADrag) {
    MenuClick("mnuView", Cmd(TLayoutCommand::ShowGrid));
    MenuClick("mnuView", Cmd(TLayoutCommand::SnapGrid));
    EXPECT_TRUE(W().Data().Grid()->Visible());
    EXPECT_TRUE(W().Data().Grid()->Enabled());
    const int pitch = W().Data().Grid()->Size();
    ASSERT_GT(pitch, 0);
    Click(TPoint(300, 300));
    const QByteArray before = Page();
    Drag(TPoint(300, 300), TPoint(371, 333));
    const TRect r = FA->GetBoundsRect();
    EXPECT_TRUE(r.Left % pitch == 0 || r.Right % pitch == 0) << r.Left;
    EXPECT_TRUE(r.Top % pitch == 0 || r.Bottom % pitch == 0) << r.Top;
    EXPECT_NE(r.Left, 200);
    ExpectUndoGives(before);
}

TEST_F(Commands, PositionAndSizeChangesTheWidth) {
    Click(TPoint(300, 300));
    const QByteArray before = Page();
    TNextDialog answer([](QDialog* Dialog) {
        auto* form = qobject_cast<TfrmPositionProperty*>(Dialog);
        if (!form)
            return false;
        form->esWidth->setFocus();
        form->esWidth->selectAll();
        QTest::keyClicks(form->esWidth, QStringLiteral("80"));
        QTest::mouseClick(form->OKButton(), Qt::LeftButton);
        return true;
    });
    MenuClick("mnuEdit", Cmd(TLayoutCommand::Position));
    EXPECT_EQ(answer.Seen, QStringLiteral("TfrmPositionProperty"));
    EXPECT_EQ(FA->GetRect().Width(), 800);
    EXPECT_EQ(ActionList().UndoCaption(), QStringLiteral("設定変更"));
    EXPECT_EQ(ActionList().Count(), 1) << "one step";
    ExpectUndoGives(before);
}

// A paper whose faces carry a 2.5 mm bleed: half the default grid pitch, so that a grid
// counted from the margin's corner misses the cut line's grid by half a pitch.
constexpr int Bleed = 25;

TEST_F(Commands, OnABleedPaperDialogsGridAndGuidesCountFromTheCutLine) {
    // A document whose box lies 12 mm right of and 8 mm below the cut line, opened as a file.
    const QString file = FDir.filePath(QStringLiteral("bleed.vtd"));
    {
        TLabelData doc;
        TMatrixPaperInfo paper;
        paper.SetPaperName(QStringLiteral("Bleed"));
        paper.SetWidth(2100);
        paper.SetHeight(2970);
        paper.SetFaceCountX(1);
        paper.SetFaceCountY(1);
        paper.SetFaceWidth(900);
        paper.SetFaceHeight(600);
        paper.SetLeftOffset(300);
        paper.SetTopOffset(400);
        paper.SetFaceMargin(Bleed);
        doc.SetPaperInfo(&paper);
        TDOList list;
        auto box = std::make_unique<TLORect>();
        box->SetBoundsRect(TRect(120, 80, 320, 230));
        box->SetFillInside(true);
        list.Add(box.get());
        doc.WriteLabel(0, list);
        doc.SaveToFile(file);
    }
    Site().SetModified(false);
    W().Data().SetModified(false);
    ASSERT_TRUE(W().OpenDocument(file));
    ASSERT_EQ(Site().UserOrigin(), TPoint(Bleed, Bleed)) << "the page starts at the margin";
    ASSERT_EQ(Objects().size(), 1u);
    auto* box = qobject_cast<TLORect*>(Objects().front());
    ASSERT_NE(box, nullptr);
    ASSERT_EQ(box->GetRect().Left, Bleed + 120);
    const QPoint inside = At(TPoint(Bleed + 200, Bleed + 150));
    QTest::mouseClick(Host(), Qt::LeftButton, {}, inside);
    ASSERT_TRUE(box->Selected());

    // 位置とサイズ shows the stored position and takes a typed one from the cut line.
    TPoint shown(-1, -1);
    TNextDialog position([&shown](QDialog* Dialog) {
        auto* form = qobject_cast<TfrmPositionProperty*>(Dialog);
        if (!form)
            return false;
        shown = TPoint(form->esLeft->Value(), form->esTop->Value());
        form->esLeft->setFocus();
        form->esLeft->selectAll();
        QTest::keyClicks(form->esLeft, QStringLiteral("20"));
        QTest::mouseClick(form->OKButton(), Qt::LeftButton);
        return true;
    });
    MenuClick("mnuEdit", Cmd(TLayoutCommand::Position));
    EXPECT_EQ(shown, TPoint(120, 80));
    EXPECT_EQ(box->GetRect().Left, Bleed + 200) << "20 mm from the cut line";
    EXPECT_EQ(box->GetRect().Top, Bleed + 80) << "an untouched field stays";

    // The object's own dialog (Alt+Return) counts the same way.
    TNextDialog properties([&shown](QDialog* Dialog) {
        auto* form = qobject_cast<TfrmRectProperty*>(Dialog);
        if (!form)
            return false;
        shown = TPoint(form->Position()->esLeft->Value(), form->Position()->esTop->Value());
        QTest::mouseClick(form->OKButton(), Qt::LeftButton);
        return true;
    });
    Key(Qt::Key_Return, Qt::AltModifier);
    EXPECT_EQ(properties.Seen, QStringLiteral("TfrmRectProperty"));
    EXPECT_EQ(shown, TPoint(200, 80));
    EXPECT_EQ(box->GetRect().Left, Bleed + 200) << "OK alone moves nothing";

    // The grid snaps a drag to whole pitches from the cut line.
    MenuClick("mnuView", Cmd(TLayoutCommand::ShowGrid));
    MenuClick("mnuView", Cmd(TLayoutCommand::SnapGrid));
    const int pitch = W().Data().Grid()->Size();
    ASSERT_EQ(pitch % (2 * Bleed), 0) << "the test needs a pitch the bleed does not divide into";
    Drag(TPoint(Bleed + 300, Bleed + 150), TPoint(Bleed + 371, Bleed + 183));
    const TRect dragged = box->GetRect();
    EXPECT_NE(dragged.Left, Bleed + 200) << "moved";
    // What snaps is the outline the ghost shows: the bounds, the frame included.
    const TRect outline = box->GetBoundsRect();
    EXPECT_EQ((outline.Left - Bleed) % pitch, 0) << outline.Left;
    EXPECT_EQ((outline.Top - Bleed) % pitch, 0) << outline.Top;

    // A guide placed with the mouse 31 mm below the cut line snaps to the grid there and is
    // stored from the cut line.
    MenuClick("mnuView", Cmd(TLayoutCommand::AddGuideH));
    Click(TPoint(Bleed + 700, Bleed + 310));
    const TGuide& guides = *W().Data().Guide();
    std::vector<TPoint> placed;
    for (int i = 0; i < guides.Count(); ++i)
        if (guides.GetGuide(i) != TPoint())
            placed.push_back(guides.GetGuide(i));
    ASSERT_EQ(placed.size(), 1u);
    EXPECT_EQ(placed[0], TPoint(0, 300));

    // What is stored counts from the cut line too.
    W().CommitView();
    TDOList stored;
    W().Data().ReadLabel(0, stored, true);
    std::vector<TRect> storedRects;
    for (TDrawObject* object : stored) {
        if (auto* r = qobject_cast<TLORect*>(object))
            storedRects.push_back(r->GetRect());
        delete object;
    }
    ASSERT_EQ(storedRects.size(), 1u);
    EXPECT_EQ(storedRects[0].Left, dragged.Left - Bleed);
    EXPECT_EQ(storedRects[0].Top, dragged.Top - Bleed);
}

TEST_F(Commands, FaceBackgroundIsRecolouredAndRemoved) {
    const auto tool = [this] {
        for (QAction* action : Layout().CreationActions())
            if (action->data().toString() == QLatin1String("TLOBackImage"))
                return action;
        return static_cast<QAction*>(nullptr);
    }();
    ASSERT_NE(tool, nullptr);
    {
        // The new background's dialog comes first; it is confirmed as it is.
        TNextDialog confirm([](QDialog* Dialog) {
            ClickOk(Dialog);
            return true;
        });
        MenuClick("mnuInsert", tool);
    }
    TLOBackImage* back = nullptr;
    for (TDrawObject* object : Objects())
        if (auto* found = qobject_cast<TLOBackImage*>(object))
            back = found;
    ASSERT_NE(back, nullptr);
    EXPECT_FALSE(back->Selectable()) << "never picked on the page";
    Click(TPoint(1500, 1200));
    EXPECT_FALSE(back->Selected());

    const QByteArray before = Page();
    TNextDialog answer([](QDialog* Dialog) {
        auto* form = qobject_cast<TfrmBackImageProperty*>(Dialog);
        if (!form)
            return false;
        // The fill's button opens the colour editor; green is picked from its grid.
        OnNextModal<TfrmColorSpec>([](TfrmColorSpec* Editor) {
            QTest::mouseClick(Editor->rbColor, Qt::LeftButton);
            const TColGrid& grid = *Editor->ColGrid1;
            const int green = static_cast<int>(grid.ColorList().indexOf(QStringLiteral("clGreen")));
            if (green < 0) {
                ADD_FAILURE() << "no green in the colour grid";
                Editor->reject();
                return;
            }
            QTest::mouseClick(Editor->ColGrid1, Qt::LeftButton, {},
                              grid.Cells()[size_t(green)].center());
            ClickOk(Editor);
        });
        QTest::mouseClick(form->btnFillColor, Qt::LeftButton);
        QTest::mouseClick(form->OKButton(), Qt::LeftButton);
        return true;
    });
    MenuClick("mnuArrange", Cmd(TLayoutCommand::EditBackground));
    EXPECT_EQ(answer.Seen, QStringLiteral("TfrmBackImageProperty"));
    EXPECT_EQ(back->FillColor()->Kind(), cskSolid);
    EXPECT_EQ(back->FillColor()->Color(), TColor(0x008000)) << "green";
    EXPECT_EQ(ActionList().UndoCaption(), QStringLiteral("設定変更"));
    ExpectUndoGives(before); // one step

    ContextClick(TPoint(1500, 1200), Cmd(TLayoutCommand::RemoveBackground));
    for (TDrawObject* object : Objects())
        EXPECT_EQ(qobject_cast<TLOBackImage*>(object), nullptr);
    EXPECT_EQ(ActionList().UndoCaption(), QStringLiteral("背景の削除"));
    ExpectUndoGives(before); // one step
}

TEST_F(Commands, ScanFromTheTestScannerThroughTheMenu) {
    TTwainManager& manager = TTwainManager::Instance();
    manager.SetSourceName(QStringLiteral("test:0"));
    manager.ShowSourceSettings = [](TSaneDevice& Source, QWidget*) {
        Source.SetString(QStringLiteral("mode"), QStringLiteral("Color"));
        Source.SetNumber(QStringLiteral("resolution"), 50);
        Source.SetString(QStringLiteral("test-picture"), QStringLiteral("Solid white"));
        return true;
    };
    // The image's creation confirms its dialogs.
    TNextDialog confirm([](QDialog* Dialog) {
        if (qobject_cast<TfrmTwain*>(Dialog))
            return false; // the scan's progress: it closes by itself
        ClickOk(Dialog);
        return true;
    });
    const QByteArray before = Page();
    MenuClick("mnuFile", Cmd(TLayoutCommand::Scan));
    InstallTwainWindows();
    manager.Unload();
    TLOImage* image = nullptr;
    for (TDrawObject* object : Objects())
        if (auto* found = qobject_cast<TLOImage*>(object))
            image = found;
    ASSERT_NE(image, nullptr) << FMessages.join('|').toStdString();
    EXPECT_EQ(image->ImageSource(), isTwain);
    ExpectUndoGives(before);
}

TEST_F(Commands, EnvironmentSettingsOpenFromTheFileMenu) {
    TNextDialog answer([](QDialog* Dialog) {
        Dialog->reject();
        return true;
    });
    MenuClick("mnuFile", W().Action(TMainCommand::Environment));
    EXPECT_EQ(answer.Seen, QStringLiteral("TfrmEnvironment"));
}

} // namespace
