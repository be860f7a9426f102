// The calendar's property dialog: its preview follows the fields as they are typed and
// picked, with the user's schedule; a change of year or month moves the page through the
// date action, so the captions tied to the calendar follow it, in one undo step.

#include "PropertyDialogTestSupport.h"

#include "FCalendarProperty.h"
#include "FObjectPreview.h"
#include "FPropertyDialog.h"
#include "TestSupport.h"
#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UExSpinEdit.h"
#include "ULOCalendar.h"
#include "ULOCreator.h"
#include "ULOYearMonth.h"
#include "UPropertyEditors.h"
#include "UUndo.h"

#include <QApplication>
#include <QComboBox>
#include <QPushButton>
#include <QTest>
#include <QTimer>
#include <gtest/gtest.h>

namespace {

// Replaces a field's text with keys, as a user does.
void KeyIn(TExSpinEdit* Edit, const QString& Text) {
    Edit->setFocus();
    QTest::keyClick(Edit, Qt::Key_A, Qt::ControlModifier);
    QTest::keyClicks(Edit, Text);
}

void PickWithKeys(QComboBox* Box, int Index) {
    Box->setFocus();
    QTest::keyClick(Box, Qt::Key_Home);
    for (int i = 0; i < Index; ++i)
        QTest::keyClick(Box, Qt::Key_Down);
}

// What a preview of the size of Shown draws for Calendar.
QImage PreviewOf(TLOCalendar& Calendar, const QSize& Size) {
    TframeObjectPreview preview;
    preview.resize(Size);
    preview.show();
    QApplication::processEvents();
    preview.Attach({&Calendar});
    return preview.Picture().toImage();
}

// Whether the dialog's preview is up to date: no redraw waits on the dialog's timer, and a
// picture is shown.
bool PreviewSettled(TfrmCalendarProperty& Dialog) {
    for (QTimer* timer : Dialog.findChildren<QTimer*>(Qt::FindDirectChildrenOnly))
        if (timer->isSingleShot() && timer->isActive())
            return false;
    return !Dialog.Preview()->Picture().isNull();
}

TLOCalendar* Calendar(TDrawObject& Object) {
    return qobject_cast<TLOCalendar*>(&Object);
}

class CalendarDialog : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterLayoutObjectClasses();
        InstallPropertyEditors();
        ActionList().Clear();
    }
    void TearDown() override { ActionList().Clear(); }

    TLOYearMonth& PlaceCaption(bool IsYear, int ConnectNo) {
        auto caption = std::make_unique<TLOYearMonth>();
        caption->SetBoundsRect(TRect(0, 700, 300, 850));
        caption->SetIsYear(IsYear);
        caption->SetConnectNo(ConnectNo);
        caption->SetYear(2026);
        caption->SetMonth(3);
        return FEnv.Place(std::move(caption));
    }

    TDialogTestEnvironment FEnv;
};

} // namespace

TEST_F(CalendarDialog, ThePreviewFollowsEveryField) {
    TCalSchedule schedule;
    auto item = std::make_unique<TCalScheduleItem>();
    item->SetDate(2024, 2, 14);
    item->SetDescription(QStringLiteral("バレンタイン"));
    item->SetAsHoliday(true);
    schedule.AddItem(std::move(item));
    TCalendarServices table;
    table.CurrentSchedule = [&schedule] { return &schedule; };
    const TCalendarServicesGuard installed(&table);

    auto placed = std::make_unique<TLOCalendar>();
    placed->SetBoundsRect(TRect(0, 0, 600, 600));
    TLOCalendar& calendar = FEnv.Place(std::move(placed));
    QImage shown, before, expected, withoutSchedule;
    EditWithDialog(calendar, [&](TfrmPropertyDialog& Dialog) {
        auto& d = static_cast<TfrmCalendarProperty&>(Dialog);
        ASSERT_TRUE(QTest::qWaitFor([&d] { return PreviewSettled(d); }, 5000));
        const QSize size = d.Preview()->size();
        before = d.Preview()->Picture().toImage();
        KeyIn(d.seYear, QStringLiteral("2024"));
        KeyIn(d.seMonth, QStringLiteral("2"));
        PickWithKeys(d.cmbStartWeek, 1);
        ASSERT_TRUE(QTest::qWaitFor([&d] { return PreviewSettled(d); }, 5000));
        shown = d.Preview()->Picture().toImage();
        SaveScreenshot(d, QStringLiteral("calendar-dialog-preview"));

        TLOCalendar model;
        model.Assign(&calendar);
        model.SetYear(2024);
        model.SetMonth(2);
        model.SetStartWeek(1);
        expected = PreviewOf(model, size);
        table.CurrentSchedule = [] { return static_cast<TCalSchedule*>(nullptr); };
        withoutSchedule = PreviewOf(model, size);
        table.CurrentSchedule = [&schedule] { return &schedule; };
        QTest::mouseClick(d.CancelButton(), Qt::LeftButton);
    });
    ASSERT_FALSE(shown.isNull());
    EXPECT_NE(shown, before) << "the preview changed with the fields";
    EXPECT_EQ(shown.convertToFormat(QImage::Format_RGB32),
              expected.convertToFormat(QImage::Format_RGB32))
        << "the preview shows February 2024 from Monday, with the schedule's holiday";
    ASSERT_FALSE(withoutSchedule.isNull());
    EXPECT_NE(shown.convertToFormat(QImage::Format_RGB32),
              withoutSchedule.convertToFormat(QImage::Format_RGB32))
        << "the schedule's holiday is in the preview";
    EXPECT_EQ(calendar.Year(), 2005) << "Cancel leaves the calendar";
}

TEST_F(CalendarDialog, AChangedMonthMovesTheTiedCaptionsInOneUndoStep) {
    auto placed = std::make_unique<TLOCalendar>();
    placed->SetBoundsRect(TRect(0, 0, 600, 600));
    placed->SetConnectNo(1);
    placed->SetYear(2026);
    placed->SetMonth(3);
    TLOCalendar& calendar = FEnv.Place(std::move(placed));
    TLOYearMonth& month = PlaceCaption(false, 1);
    TLOYearMonth& year = PlaceCaption(true, 1);
    TLOYearMonth& other = PlaceCaption(false, 2);

    EXPECT_TRUE(EditWithDialog(calendar, [](TfrmPropertyDialog& Dialog) {
        auto& d = static_cast<TfrmCalendarProperty&>(Dialog);
        KeyIn(d.seYear, QStringLiteral("2027"));
        KeyIn(d.seMonth, QStringLiteral("11"));
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    const auto dates = [&] {
        return std::vector<std::pair<int, int>>{{calendar.Year(), calendar.Month()},
                                                {month.Year(), month.Month()},
                                                {year.Year(), year.Month()},
                                                {other.Year(), other.Month()}};
    };
    const std::vector<std::pair<int, int>> after{{2027, 11}, {2027, 11}, {2027, 11}, {2026, 3}};
    const std::vector<std::pair<int, int>> before{{2026, 3}, {2026, 3}, {2026, 3}, {2026, 3}};
    EXPECT_EQ(dates(), after) << "tied captions follow; an untied one stays";
    ASSERT_TRUE(ActionList().CanUndo());
    ActionList().Undo();
    EXPECT_EQ(dates(), before) << "one step takes everything back";
    EXPECT_FALSE(ActionList().CanUndo());
    ActionList().Redo();
    EXPECT_EQ(dates(), after);

    // A change of something else only leaves the captions alone.
    ActionList().Clear();
    EXPECT_TRUE(EditWithDialog(calendar, [](TfrmPropertyDialog& Dialog) {
        auto& d = static_cast<TfrmCalendarProperty&>(Dialog);
        PickWithKeys(d.cmbStartWeek, 1);
        QTest::mouseClick(d.OKButton(), Qt::LeftButton);
    }));
    EXPECT_EQ(calendar.StartWeek(), 1);
    EXPECT_EQ(dates(), after);
    ActionList().Undo();
    EXPECT_EQ(calendar.StartWeek(), 0);
    EXPECT_FALSE(ActionList().CanUndo());
}
