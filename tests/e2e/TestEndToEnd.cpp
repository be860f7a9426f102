// End to end, as a user goes: the real start-up and windows under a real X server (run
// under xvfb-run), driven with Qt Test's mouse and keyboard. Start, a CD label paper, a
// text, a calendar and a picture by the creation tools, typing, moving and resizing with
// the mouse, undo and redo, save, quit; then the real executable started with the saved
// file reports its objects, the file reopens here, and it prints to a PDF file with a page.
// Screenshots of the main window, the layout editor and the sheet view go to
// <build>/screenshots.

#include "AppTestSupport.h"
#include "FLayout.h"
#include "FMain.h"
#include "FSheet.h"

#include "UDOList.h"
#include "UDrawObject.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "ULOText.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UPrintCommand.h"
#include "UPrintSettings.h"
#include "UUndo.h"
#include "UdataMain.h"

#include "UApplication.h"

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <cstdlib>
#include <memory>

namespace {

const QString STypedText = QStringLiteral("E2E テスト");
const QString SCDPaper = QStringLiteral("CD/DVDラベル A4 2面");

// Answers the modal windows that creation tools and messages open: the text editor gets
// the typed text, every other dialog is confirmed. What it saw is kept for the report.
class TModalAnswerer : public QObject {
public:
    TModalAnswerer() {
        connect(&FTimer, &QTimer::timeout, this, &TModalAnswerer::Answer);
        FTimer.start(30);
    }
    QStringList Seen;

private:
    void Answer() {
        auto* dialog = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (!dialog || !dialog->isVisible())
            return;
        Seen.append(QString::fromLatin1(dialog->metaObject()->className()));
        if (auto* edit = dialog->findChild<QPlainTextEdit*>()) {
            edit->setFocus();
            edit->selectAll();
            TypeText(edit, STypedText);
        }
        dialog->accept();
    }
    QTimer FTimer;
};

// The objects the editor shows, topmost first.
std::vector<TDrawObject*> Shown(TfrmLayout& Layout) {
    TDOList list;
    Layout.Site()->GetObjects(list, false);
    return std::vector<TDrawObject*>(list.begin(), list.end());
}

TDrawObject* FindShown(TfrmLayout& Layout, const char* ClassName) {
    for (TDrawObject* object : Shown(Layout))
        if (object->ClassName() == QLatin1String(ClassName))
            return object;
    return nullptr;
}

QPoint ToHost(TfrmLayout& Layout, const TPoint& P) {
    const TPoint d = Layout.Site()->LPtoDP(P);
    return QPoint(d.x, d.y);
}

QString Rect(const TRect& R) {
    return QStringLiteral("(%1,%2)-(%3,%4)").arg(R.Left).arg(R.Top).arg(R.Right).arg(R.Bottom);
}

void Save(QWidget* Widget, const QString& Name) {
    QApplication::processEvents();
    const QString path = ScreenshotFolder() + QLatin1Char('/') + Name;
    EXPECT_TRUE(Widget->grab().save(path)) << path.toStdString();
}

} // namespace

TEST(EndToEnd, DesignSaveQuitRestartReopenAndPrint) {
    ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run under xvfb-run";
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString file = work.filePath(QStringLiteral("e2e.vtd"));
    const QString binDir = QFileInfo(QStringLiteral(VANTOMI_EXECUTABLE)).absolutePath();
    // The program folder as installed, seen through links; the system paper library is
    // named after the running program.
    const QString programDir = work.filePath(QStringLiteral("program"));
    ASSERT_TRUE(LinkProgramFolder(QStringLiteral(VANTOMI_EXECUTABLE), programDir));
    const QString programName = QFileInfo(QApplication::applicationFilePath()).completeBaseName();
    ASSERT_TRUE(QFile::link(binDir + QStringLiteral("/vantomi.ppr"),
                            programDir + QLatin1Char('/') + programName + QStringLiteral(".ppr")));

    TModalAnswerer answerer;
    {
        // --- Start -------------------------------------------------------------------
        TStartupOptions options;
        options.ProgramFolder = programDir;
        options.Arguments = QStringList();
        std::unique_ptr<TdataMain> data;
        data = std::make_unique<TdataMain>(MainFormFactory([&data]() -> const TPaperLibrary* {
                                               return data ? data->PaperLibrary() : nullptr;
                                           }),
                                           options);
        ASSERT_TRUE(data->Create());
        auto* main = dynamic_cast<TfrmMain*>(data->MainForm());
        ASSERT_NE(main, nullptr);
        int selections = 0;
        main->AskStartupChoice = [&selections] {
            ++selections;
            return TStartupChoice::Blank;
        };
        ASSERT_TRUE(WaitUntil([&] { return main->isEnabled(); }, 20000))
            << "the start-up choice is made";
        EXPECT_EQ(selections, 1);
        main->resize(1100, 820);
        ASSERT_TRUE(QTest::qWaitForWindowExposed(main));
        TfrmLayout& layout = *main->Layout();

        // --- A CD label paper ----------------------------------------------------------
        ASSERT_TRUE(main->ChangePaper(SCDPaper));
        ASSERT_EQ(main->Data().PaperInfo()->GetFaceCount(), 2);

        // --- Text, calendar and picture by the tools ------------------------------------
        ASSERT_TRUE(ClickMenuItem(*main, QStringLiteral("mnuInsert"),
                                  layout.CreationAction(QStringLiteral("TLOText"))));
        auto* text = qobject_cast<TLOText*>(FindShown(layout, "TLOText"));
        ASSERT_NE(text, nullptr) << answerer.Seen.join(' ').toStdString();
        EXPECT_EQ(text->Text().Text().trimmed(), STypedText);

        ASSERT_TRUE(ClickMenuItem(*main, QStringLiteral("mnuInsert"),
                                  layout.CreationAction(QStringLiteral("TLOCalendar"))));
        TDrawObject* calendar = FindShown(layout, "TLOCalendar");
        ASSERT_NE(calendar, nullptr);

        QImage photo(120, 80, QImage::Format_RGB32);
        photo.fill(QColor(30, 140, 220));
        QApplication::clipboard()->setImage(photo);
        ASSERT_TRUE(
            WaitUntil([] { return QApplication::clipboard()->mimeData()->hasImage(); }, 20000));
        layout.UpdateActions();
        ASSERT_TRUE(ClickMenuItem(*main, QStringLiteral("mnuInsert"),
                                  layout.CreationAction(QStringLiteral("TLOImagePaste"))));
        ASSERT_NE(FindShown(layout, "TLOImage"), nullptr);
        main->UpdateActions();
        EXPECT_TRUE(main->DocumentModified());

        // --- Move and resize the picture (on top) with the mouse ---------------------------
        QWidget* host = layout.Host();
        layout.SetZoom(50);
        QApplication::processEvents();
        layout.Site()->SelectAll(false);
        TDrawObject* picture = FindShown(layout, "TLOImage");
        const TRect start = picture->GetBoundsRect();
        const TPoint centre((start.Left + start.Right) / 2, (start.Top + start.Bottom) / 2);
        ASSERT_EQ(layout.Site()->ObjectAt(centre), picture) << "the picture is on top";
        MouseDrag(host, ToHost(layout, centre), ToHost(layout, centre) + QPoint(40, 30));
        const TRect moved = picture->GetBoundsRect();
        EXPECT_NE(Rect(moved), Rect(start)) << "the drag moved the picture";
        EXPECT_EQ(moved.Width(), start.Width());
        EXPECT_TRUE(picture->Selected());
        layout.Site()->UpdatePivots();
        QApplication::processEvents();
        MouseDrag(host, ToHost(layout, moved.BottomRight()) - QPoint(1, 1),
                  ToHost(layout, moved.BottomRight()) + QPoint(30, 20));
        const TRect resized = picture->GetBoundsRect();
        EXPECT_GT(resized.Width(), moved.Width())
            << Rect(moved).toStdString() << " " << Rect(resized).toStdString();
        Save(main, QStringLiteral("e2e-main-window.png"));
        Save(&layout, QStringLiteral("e2e-layout.png"));

        // --- Undo and redo ---------------------------------------------------------------
        main->activateWindow(); // no window manager activates it again after the dialogs
        ASSERT_TRUE(QTest::qWaitForWindowActive(main));
        host->setFocus();
        LetIdle(); // the page's commands bring their state up to date
        ASSERT_TRUE(layout.Action(TLayoutCommand::Undo)->isEnabled());
        QTest::keyClick(host, Qt::Key_Z, Qt::ControlModifier);
        EXPECT_EQ(Rect(picture->GetBoundsRect()), Rect(moved)) << "undo takes the resize back";
        LetIdle();
        QTest::keyClick(host, Qt::Key_Y, Qt::ControlModifier);
        EXPECT_EQ(Rect(picture->GetBoundsRect()), Rect(resized)) << "redo does it again";

        // --- Save, look at the sheet, quit ------------------------------------------------
        ASSERT_TRUE(main->SaveDocumentAs(file));
        main->ShowSheet();
        Save(main->Sheet(), QStringLiteral("e2e-sheet-view.png"));
        EXPECT_EQ(GetFaceCount(main->Sheet()->Site()), 2);
        ASSERT_TRUE(main->close()) << "nothing unsaved: no question";
        data.reset();
    }

    // --- The real executable starts with the file ---------------------------------------
    QProcess program;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    program.setProcessEnvironment(env);
    program.start(QStringLiteral(VANTOMI_EXECUTABLE),
                  {file, QStringLiteral("--report-objects"), QStringLiteral("--answer-messages")});
    // The events of this process go on meanwhile: the program asks the X server's
    // clipboard, which this process still owns.
    const bool finished =
        WaitUntil([&] { return program.state() == QProcess::NotRunning; }, 120000);
    if (!finished)
        program.kill();
    const QString report = QString::fromUtf8(program.readAllStandardOutput());
    const std::string errors = program.readAllStandardError().toStdString();
    ASSERT_TRUE(finished) << errors;
    EXPECT_EQ(program.exitCode(), 0) << errors;
    for (const char* kind : {"TLOText", "TLOCalendar", "TLOImage"})
        EXPECT_TRUE(report.contains(QStringLiteral("sheet 0 label 0 ") + QLatin1String(kind)))
            << kind << "\n"
            << report.toStdString();

    // --- Reopened here: the objects are there ---------------------------------------------
    TLabelData reopened;
    reopened.LoadFromFile(file);
    EXPECT_EQ(reopened.PaperInfo()->PaperName(), SCDPaper);
    TDOList objects;
    reopened.ReadLabel(0, objects, true);
    QStringList kinds;
    for (TDrawObject* object : objects) {
        kinds.append(object->ClassName());
        if (auto* t = qobject_cast<TLOText*>(object))
            EXPECT_EQ(t->Text().Text().trimmed(), STypedText);
    }
    objects.FreeObjects();
    kinds.sort();
    EXPECT_EQ(kinds, QStringList({QStringLiteral("TLOCalendar"), QStringLiteral("TLOImage"),
                                  QStringLiteral("TLOText")}));

    // --- Printed to a PDF file: it has the page, and the page shows the design -----------
    const QString pdf = work.filePath(QStringLiteral("e2e.pdf"));
    QString error;
    ASSERT_TRUE(PrintToPdf(reopened, pdf, TPrintSpec(), &error)) << error.toStdString();
    QFile printed(pdf);
    ASSERT_TRUE(printed.open(QIODevice::ReadOnly));
    const QByteArray bytes = printed.readAll();
    EXPECT_TRUE(bytes.startsWith("%PDF-"));
    if (QStandardPaths::findExecutable(QStringLiteral("pdftoppm")).isEmpty()) {
        EXPECT_TRUE(bytes.contains("/Type /Page")) << "a page object";
        return;
    }
    QProcess render;
    render.start(QStringLiteral("pdftoppm"),
                 {QStringLiteral("-r"), QStringLiteral("40"), QStringLiteral("-png"), pdf,
                  work.filePath(QStringLiteral("page"))});
    ASSERT_TRUE(render.waitForFinished(60000));
    const QStringList pages =
        QDir(work.path()).entryList({QStringLiteral("page*.png")}, QDir::Files, QDir::Name);
    ASSERT_EQ(pages.size(), 1) << "one sheet, one page";
    const QImage page(work.filePath(pages[0]));
    ASSERT_FALSE(page.isNull());
    // A4 at 40 dpi.
    EXPECT_NEAR(page.width(), 331, 3);
    EXPECT_NEAR(page.height(), 468, 3);
    const int blue =
        CountPixels(page, page.rect(), [](QRgb C) { return qBlue(C) > 180 && qRed(C) < 80; });
    EXPECT_GT(blue, 20) << "the pasted picture is printed";
    page.save(ScreenshotFolder() + QStringLiteral("/e2e-printed-page.png"));
}

int main(int argc, char** argv) {
    // A private home: settings, user data and the single-instance lock.
    QTemporaryDir home;
    if (home.isValid()) {
        for (const char* name : {"config", "data", "cache", "runtime"})
            QDir(home.path()).mkpath(QLatin1String(name));
        QFile::setPermissions(home.filePath(QStringLiteral("runtime")),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        qputenv("XDG_CONFIG_HOME", home.filePath(QStringLiteral("config")).toUtf8());
        qputenv("XDG_DATA_HOME", home.filePath(QStringLiteral("data")).toUtf8());
        qputenv("XDG_CACHE_HOME", home.filePath(QStringLiteral("cache")).toUtf8());
        qputenv("XDG_RUNTIME_DIR", home.filePath(QStringLiteral("runtime")).toUtf8());
    }
    TApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
