// The schedule dialog as a user drives it, under a real X server: opened from the main
// window's menu, entries added, changed and deleted with the dialog's own fields and
// buttons, the jumps between dated entries, a date the schedule cannot hold refused with a
// message, Cancel leaving everything as it was, OK saving the schedule and redrawing the
// calendar of the open document (layout editor and sheet view). The program is then started
// again and the entries are there; a damaged schedule file is reported at start-up and stays
// as it was, byte for byte.

#include "AppTestSupport.h"
#include "FLayout.h"
#include "FMain.h"
#include "FMessage.h"
#include "FSchedule.h"
#include "FSheet.h"

#include "UCalLayout.h"
#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UDOList.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "ULOCalendar.h"
#include "ULabelData.h"
#include "UPaperInfo.h"
#include "UdataMain.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDir>
#include <QEventLoop>
#include <QFile>
#include <QKeyEvent>
#include <QLineEdit>
#include <QMenu>
#include <QMenuBar>
#include <QPointer>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

#include <functional>
#include <memory>

namespace {

// Replaces the text of Target: a click into it, everything selected and deleted, then Text
// key by key, as an input method delivers it.
void TypeInto(QWidget* Target, const QString& Text) {
    QTest::mouseClick(Target, Qt::LeftButton);
    QTest::keyClick(Target, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClick(Target, Qt::Key_Delete);
    TypeText(Target, Text);
}

// Types a date into the date field.
void TypeDate(QLineEdit* Edit, const QString& Text) {
    TypeInto(Edit, Text);
}

// Picks the item of a combo box with the keyboard, as a user stepping through it does.
void Choose(QComboBox* Box, const QString& Text) {
    Box->setFocus();
    QTest::keyClick(Box, Qt::Key_Home);
    for (int i = 0; i < Box->count() && Box->currentText() != Text; ++i)
        QTest::keyClick(Box, Qt::Key_Down);
}

void Click(QWidget* Widget) {
    QTest::mouseClick(Widget, Qt::LeftButton);
    QApplication::processEvents();
}

// Toggles a check box with the space bar, as from the keyboard.
void Toggle(QCheckBox* Box) {
    Box->setFocus();
    QTest::keyClick(Box, Qt::Key_Space);
}

// Presses Key in Window, made the active window first (shortcuts need it).
void PressKey(QWidget* Window, Qt::Key Key) {
    Window->activateWindow();
    QApplication::setActiveWindow(Window);
    QTest::qWaitForWindowActive(Window);
    QTest::keyClick(Window, Key);
}

// The row of the list showing Date ("yyyy/MM/dd"), or -1.
int RowOf(QTableWidget* List, const QString& Date) {
    for (int row = 0; row < List->rowCount(); ++row)
        if (List->item(row, 0) && List->item(row, 0)->text() == Date)
            return row;
    return -1;
}

void ClickRow(QTableWidget* List, int Row) {
    ASSERT_GE(Row, 0);
    const QRect r = List->visualItemRect(List->item(Row, 1));
    QTest::mouseClick(List->viewport(), Qt::LeftButton, Qt::NoModifier, r.center());
    QApplication::processEvents();
}

// Answers the program's message boxes with their first button and keeps their texts.
class TMessageAnswerer : public QObject {
public:
    TMessageAnswerer() {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            auto* form = qobject_cast<TfrmMessage*>(QApplication::activeModalWidget());
            if (!form || !form->isVisible())
                return;
            Texts << form->Message();
            QTest::mouseClick(form->Buttons(0), Qt::LeftButton);
        });
        FTimer.start(40);
    }
    QStringList Texts;

private:
    QTimer FTimer;
};

// Runs Body once on the schedule dialog when it shows (as a modal window).
class TDialogDriver : public QObject {
public:
    explicit TDialogDriver(std::function<void(TfrmSchedule&)> Body) : FBody(std::move(Body)) {
        connect(&FTimer, &QTimer::timeout, this, [this] {
            auto* dialog = qobject_cast<TfrmSchedule*>(QApplication::activeModalWidget());
            if (!dialog || !dialog->isVisible() || Ran)
                return;
            Ran = true;
            FTimer.stop();
            QPointer<TfrmSchedule> guard(dialog);
            FBody(*dialog);
            // A body stopped by a failed assertion must not leave the test waiting.
            if (guard && guard->isVisible())
                guard->reject();
        });
        FTimer.start(40);
    }
    bool Ran = false;

private:
    QTimer FTimer;
    std::function<void(TfrmSchedule&)> FBody;
};

// Opens スケジュール... from the edit menu with the mouse; returns when the dialog closed.
void OpenScheduleFromMenu(TfrmMain& Main) {
    ASSERT_TRUE(ClickMenuItem(Main, QStringLiteral("mnuEdit"),
                              Main.findChild<QAction*>(QStringLiteral("actSchedule"))));
}

bool IsStarInk(QRgb P) {
    return qRed(P) > 200 && qGreen(P) > 140 && qBlue(P) < 110;
}

// The star as the sheet view's small, smoothed preview of the face shows it: paled, but
// still yellow (the day's red figures and grey lines have as much blue as green).
bool IsStarTint(QRgb P) {
    return qRed(P) > 200 && qGreen(P) > 140 && qGreen(P) - qBlue(P) > 40;
}

// The calendar the layout editor shows.
TLOCalendar* ShownCalendar(TfrmLayout& Layout) {
    TDOList list;
    Layout.Site()->GetObjects(list, false);
    for (TDrawObject* object : list)
        if (auto* c = qobject_cast<TLOCalendar*>(object))
            return c;
    return nullptr;
}

// The stamp rect of the 24th of the calendar the editor shows, in the host's pixels.
QRect StampRectOnScreen(TfrmLayout& Layout) {
    TLOCalendar* c = ShownCalendar(Layout);
    if (!c)
        return {};
    const TCalLayout l = BuildCalLayout(*c);
    const TRect r = c->Stamp()->ElementRect(l.CellOfDay(24)->Rect);
    const TPoint a = Layout.Site()->LPtoDP(TPoint(r.Left, r.Top));
    const TPoint b = Layout.Site()->LPtoDP(TPoint(r.Right, r.Bottom));
    return QRect(QPoint(a.x, a.y), QPoint(b.x, b.y)).normalized();
}

// The sheet view's picture of its page (the host the faces are drawn on).
QImage SheetPicture(TfrmMain& Main) {
    auto* host = Main.Sheet()->SiteWidget()->findChild<TDrawSiteHost*>();
    return host ? host->grab().toImage() : QImage();
}

// The same stamp rect on the first face of the sheet view, in its host's pixels (a pixel
// more each side: the sheet's preview is small and smoothed).
QRect StampRectInSheet(TfrmMain& Main) {
    TfrmLayout& layout = *Main.Layout();
    TLOCalendar* c = ShownCalendar(layout);
    if (!c)
        return {};
    const TCalLayout l = BuildCalLayout(*c);
    const TRect r = c->Stamp()->ElementRect(l.CellOfDay(24)->Rect);
    const TPoint origin = layout.Site()->UserOrigin();
    TFaceInfo face;
    Main.Data().PaperInfo()->GetFaceInfo(0, face);
    const TRect cut = face.GetRect();
    TDrawSite& sheet = Main.Sheet()->Site();
    const TPoint a = sheet.LPtoDP(TPoint(cut.Left + r.Left - origin.x, cut.Top + r.Top - origin.y));
    const TPoint b =
        sheet.LPtoDP(TPoint(cut.Left + r.Right - origin.x, cut.Top + r.Bottom - origin.y));
    return QRect(QPoint(a.x, a.y), QPoint(b.x, b.y)).normalized().adjusted(-1, -1, 1, 1);
}

// The program as installed, started on File; answers its main window.
class TProgramRun {
public:
    TProgramRun(const QString& ProgramDir, const QString& File) {
        TStartupOptions options;
        options.ProgramFolder = ProgramDir;
        options.Arguments = QStringList{File};
        Data = std::make_unique<TdataMain>(MainFormFactory([this]() -> const TPaperLibrary* {
                                               return Data ? Data->PaperLibrary() : nullptr;
                                           }),
                                           options);
    }
    ~TProgramRun() {
        if (Main)
            Main->close();
        Data.reset();
    }
    bool Start() {
        if (!Data->Create())
            return false;
        Main = dynamic_cast<TfrmMain*>(Data->MainForm());
        if (!Main || !WaitUntil([this] { return Main->isEnabled(); }, 20000))
            return false;
        Main->resize(1100, 820);
        if (!QTest::qWaitForWindowExposed(Main))
            return false;
        // Keys reach the window's shortcuts only while it is the active one.
        Main->activateWindow();
        QApplication::setActiveWindow(Main);
        return QTest::qWaitForWindowActive(Main);
    }
    std::unique_ptr<TdataMain> Data;
    TfrmMain* Main = nullptr;
};

} // namespace

TEST(Schedule, TheDialogEditsTheScheduleThatEveryCalendarShows) {
    ASSERT_FALSE(qgetenv("DISPLAY").isEmpty()) << "run under xvfb-run";
    EnsureApplicationClasses();
    QTemporaryDir work;
    ASSERT_TRUE(work.isValid());
    const QString programDir = work.filePath(QStringLiteral("program"));
    ASSERT_TRUE(LinkProgramFolder(QStringLiteral(VANTOMI_EXECUTABLE), programDir));

    // A document with a December 2026 calendar on its face.
    const QString file = work.filePath(QStringLiteral("december.vtd"));
    {
        TLabelData doc;
        TDOList list;
        auto calendar = std::make_unique<TLOCalendar>();
        calendar->SetBoundsRect(TRect(100, 100, 1900, 1600));
        calendar->SetYear(2026);
        calendar->SetMonth(12);
        list.Add(calendar.get());
        doc.WriteLabel(0, list);
        doc.SaveToFile(file);
    }

    TMessageAnswerer messages;
    QString scheduleFile;
    QByteArray saved;
    {
        TProgramRun run(programDir, file);
        ASSERT_TRUE(run.Start());
        TfrmMain& main = *run.Main;
        scheduleFile = ScheduleFileName();
        QFile::remove(scheduleFile);
        TfrmLayout& layout = *main.Layout();
        ASSERT_NE(ShownCalendar(layout), nullptr);
        const QRect stampRect = StampRectOnScreen(layout);
        ASSERT_FALSE(stampRect.isEmpty());
        EXPECT_EQ(CountPixels(layout.Host()->grab().toImage(), stampRect, IsStarInk), 0)
            << "no stamp before there is an entry";
        PressKey(&main, Qt::Key_F6);
        ASSERT_TRUE(WaitUntil([&] { return main.Sheet()->isVisible(); }, 5000));
        const QImage sheetBefore = SheetPicture(main);
        const QRect sheetStampRect = StampRectInSheet(main);
        ASSERT_FALSE(sheetStampRect.isEmpty());
        EXPECT_EQ(CountPixels(SheetPicture(main), sheetStampRect, IsStarTint), 0)
            << "no stamp in the sheet view before there is an entry";
        PressKey(&main, Qt::Key_F5);
        ASSERT_TRUE(WaitUntil([&] { return main.Layout()->isVisible(); }, 5000));

        // --- Add, change, delete, jump, a refused date; then OK ----------------------------
        TDialogDriver driver([&](TfrmSchedule& d) {
            EXPECT_EQ(d.ItemList()->rowCount(), 0);
            TypeDate(d.DateEdit(), QStringLiteral("2026/12/24"));
            EXPECT_EQ(d.DateEdit()->text(), QStringLiteral("2026/12/24"));
            TypeInto(d.TextEdit(), QStringLiteral("クリスマス"));
            Choose(d.StampBox(), QStringLiteral("星"));
            EXPECT_EQ(d.StampBox()->currentText(), QStringLiteral("星"));
            Toggle(d.HolidayBox());
            Click(d.AddButton());

            TypeDate(d.DateEdit(), QStringLiteral("2026/12/07"));
            TypeInto(d.TextEdit(), QStringLiteral("会議"));
            Choose(d.StampBox(), QStringLiteral("なし"));
            Choose(d.StyleBox(), QStringLiteral("リボン"));
            if (d.HolidayBox()->isChecked())
                Toggle(d.HolidayBox());
            Click(d.AddButton());

            TypeDate(d.DateEdit(), QStringLiteral("2026/12/10"));
            TypeInto(d.TextEdit(), QStringLiteral("消す予定"));
            Click(d.AddButton());
            EXPECT_EQ(d.ItemList()->rowCount(), 3);

            // Change the 7th's text.
            ClickRow(d.ItemList(), RowOf(d.ItemList(), QStringLiteral("2026/12/07")));
            EXPECT_EQ(d.TextEdit()->text(), QStringLiteral("会議"));
            TypeInto(d.TextEdit(), QStringLiteral("会議室"));
            Click(d.ChangeButton());
            // Delete the 10th.
            ClickRow(d.ItemList(), RowOf(d.ItemList(), QStringLiteral("2026/12/10")));
            Click(d.DeleteButton());
            EXPECT_EQ(d.ItemList()->rowCount(), 2);
            EXPECT_EQ(RowOf(d.ItemList(), QStringLiteral("2026/12/10")), -1);

            // Jumps between dated entries.
            TypeDate(d.DateEdit(), QStringLiteral("2026/12/01"));
            Click(d.NextButton());
            EXPECT_EQ(d.DateEdit()->text(), QStringLiteral("2026/12/07"));
            Click(d.NextButton());
            EXPECT_EQ(d.DateEdit()->text(), QStringLiteral("2026/12/24"));
            EXPECT_EQ(d.TextEdit()->text(), QStringLiteral("クリスマス"));
            Click(d.PrevButton());
            EXPECT_EQ(d.DateEdit()->text(), QStringLiteral("2026/12/07"));

            // A date the schedule file cannot hold.
            const int before = static_cast<int>(messages.Texts.size());
            TypeDate(d.DateEdit(), QStringLiteral("2200/01/01"));
            TypeInto(d.TextEdit(), QStringLiteral("遠すぎる予定"));
            Click(d.AddButton());
            ASSERT_EQ(messages.Texts.size(), before + 1);
            EXPECT_TRUE(messages.Texts.last().contains(QStringLiteral("予定に使えません")))
                << messages.Texts.last().toStdString();
            EXPECT_EQ(d.ItemList()->rowCount(), 2);
            // Nor a day that does not exist.
            TypeDate(d.DateEdit(), QStringLiteral("2026/02/30"));
            Click(d.AddButton());
            ASSERT_EQ(messages.Texts.size(), before + 2);
            EXPECT_TRUE(messages.Texts.last().contains(QStringLiteral("2026/02/30")));
            EXPECT_EQ(d.ItemList()->rowCount(), 2);

            Click(d.OkButton());
        });
        OpenScheduleFromMenu(main);
        ASSERT_TRUE(driver.Ran) << "the menu opened the dialog";

        const TCalSchedule* schedule = CurrentCalendarSchedule();
        ASSERT_NE(schedule, nullptr);
        ASSERT_EQ(schedule->Count(), 2);
        const TCalScheduleItem* eve = schedule->Items(schedule->IndexOfDate(2026, 12, 24));
        EXPECT_EQ(eve->Description(), QStringLiteral("クリスマス"));
        EXPECT_EQ(eve->Icon(), 1);
        EXPECT_TRUE(eve->AsHoliday());
        const TCalScheduleItem* meeting = schedule->Items(schedule->IndexOfDate(2026, 12, 7));
        EXPECT_EQ(meeting->Description(), QStringLiteral("会議室"));
        EXPECT_EQ(meeting->Icon(), 0);
        EXPECT_EQ(meeting->HowToDisplay(), 2) << "the second schedule style";
        EXPECT_FALSE(meeting->AsHoliday());
        saved = FileBytes(scheduleFile);
        EXPECT_FALSE(saved.isEmpty()) << "OK saved the schedule file";

        // The open calendar shows the stamp now, in the editor and in the sheet view.
        ASSERT_TRUE(WaitUntil(
            [&] { return CountPixels(layout.Host()->grab().toImage(), stampRect, IsStarInk) > 0; },
            5000));
        layout.Host()->grab().save(ScreenshotFolder() + QStringLiteral("/schedule-layout.png"));
        PressKey(&main, Qt::Key_F6);
        ASSERT_TRUE(WaitUntil([&] { return main.Sheet()->isVisible(); }, 5000));
        const QImage sheet = SheetPicture(main);
        EXPECT_NE(sheet, sheetBefore) << "the sheet view's preview shows the schedule";
        EXPECT_TRUE(WaitUntil(
            [&] { return CountPixels(SheetPicture(main), sheetStampRect, IsStarTint) > 0; }, 5000))
            << "the sheet view's preview shows the stamp in the 24th's cell";
        sheet.save(ScreenshotFolder() + QStringLiteral("/schedule-sheet-view.png"));
        PressKey(&main, Qt::Key_F5);

        // --- Cancel changes nothing --------------------------------------------------------
        TDialogDriver cancelled([&](TfrmSchedule& d) {
            EXPECT_EQ(d.ItemList()->rowCount(), 2);
            ClickRow(d.ItemList(), RowOf(d.ItemList(), QStringLiteral("2026/12/24")));
            Click(d.DeleteButton());
            TypeDate(d.DateEdit(), QStringLiteral("2026/12/31"));
            TypeInto(d.TextEdit(), QStringLiteral("取り消す予定"));
            Click(d.AddButton());
            Click(d.CancelButton());
        });
        OpenScheduleFromMenu(main);
        ASSERT_TRUE(cancelled.Ran);
        EXPECT_EQ(CurrentCalendarSchedule()->Count(), 2);
        EXPECT_GE(CurrentCalendarSchedule()->IndexOfDate(2026, 12, 24), 0);
        EXPECT_EQ(FileBytes(scheduleFile), saved);
    }

    // --- The program again: the entries are there -----------------------------------------
    {
        TProgramRun run(programDir, file);
        ASSERT_TRUE(run.Start());
        TDialogDriver reopened([&](TfrmSchedule& d) {
            ASSERT_EQ(d.ItemList()->rowCount(), 2);
            EXPECT_EQ(d.ItemList()->item(0, 0)->text(), QStringLiteral("2026/12/07"));
            EXPECT_EQ(d.ItemList()->item(0, 1)->text(), QStringLiteral("会議室"));
            EXPECT_EQ(d.ItemList()->item(1, 1)->text(), QStringLiteral("クリスマス"));
            EXPECT_EQ(d.ItemList()->item(1, 2)->text(), QStringLiteral("星"));
            EXPECT_EQ(d.ItemList()->item(1, 3)->text(), QStringLiteral("休"));
            Click(d.CancelButton());
        });
        OpenScheduleFromMenu(*run.Main);
        EXPECT_TRUE(reopened.Ran);
        const QRect stampRect = StampRectOnScreen(*run.Main->Layout());
        EXPECT_TRUE(WaitUntil(
            [&] {
                return CountPixels(run.Main->Layout()->Host()->grab().toImage(), stampRect,
                                   IsStarInk) > 0;
            },
            5000))
            << "the calendar shows the stamp from the start";
    }
    EXPECT_EQ(FileBytes(scheduleFile), saved) << "nothing changed: nothing written";

    // --- A damaged schedule file: reported, kept byte for byte, not editable ---------------
    const QByteArray damaged = saved.left(saved.size() / 2);
    {
        QFile f(scheduleFile);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(damaged);
    }
    messages.Texts.clear();
    {
        TProgramRun run(programDir, file);
        ASSERT_TRUE(run.Start());
        ASSERT_FALSE(messages.Texts.isEmpty());
        EXPECT_TRUE(messages.Texts.first().contains(QStringLiteral("マイスケジュール.sch")))
            << messages.Texts.first().toStdString();
        EXPECT_EQ(CurrentCalendarSchedule(), nullptr);
        OpenScheduleFromMenu(*run.Main);
        ASSERT_TRUE(WaitUntil([&] { return messages.Texts.size() >= 2; }, 5000));
        EXPECT_TRUE(messages.Texts.last().contains(QStringLiteral("編集できません")))
            << messages.Texts.last().toStdString();
    }
    EXPECT_EQ(FileBytes(scheduleFile), damaged) << "the damaged file stays as it was";
    QFile::remove(scheduleFile);
}
