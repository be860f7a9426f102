// Moving calendars with their tied captions, and the month of a page's calendars changed as
// one undo step.

#include "CalendarTestSupport.h"
#include "UCalendarGhost.h"
#include "UDesigner.h"
#include "UGhost.h"
#include "ULOCreator.h"
#include "ULOYearMonth.h"
#include "UUndo.h"

#include <gtest/gtest.h>

namespace {

class CalendarPage : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        InstallDesignerList();
        InstallGhostList();
        RegisterLayoutObjectClasses(); // ghosts clone through the class registry
    }
    void SetUp() override {
        ActionList().Clear();
        FSite = MakeCalendarPage(3000, 3000);
    }
    void TearDown() override {
        TheGhostList().Cancel();
        ActionList().Clear();
    }
    TLOCalendar* AddCalendar(const TRect& R, int Origin, int ConnectNo) {
        auto c = std::make_unique<TLOCalendar>();
        c->SetBoundsRect(R);
        c->SetYear(2025);
        c->SetMonth(4);
        c->SetMonthOrigin(Origin);
        c->SetConnectNo(ConnectNo);
        return PlaceOn(*FSite, std::move(c));
    }
    TLOYearMonth* AddCaption(const TRect& R, int ConnectNo) {
        auto y = std::make_unique<TLOYearMonth>();
        y->SetBoundsRect(R);
        y->SetConnectNo(ConnectNo);
        return PlaceOn(*FSite, std::move(y));
    }
    // A drag of Object's move ghost by Delta, released with Shift.
    void Drag(TDrawObject& Object, const TPoint& Delta, TShiftState Shift = {}) {
        TDOCalendarMoveGhostDesigner designer;
        ASSERT_TRUE(designer.CreateGhost(Object, -1));
        const TPoint start(1500, 1500);
        TheGhostList().Begin(*FSite, TRect(0, 0, 3000, 3000), start, {});
        TheGhostList().Move(Shift, TPoint(start.x + Delta.x, start.y + Delta.y));
        TheGhostList().End();
    }
    std::unique_ptr<TDrawSite> FSite;
};

} // namespace

TEST_F(CalendarPage, TheDesignerMovesCalendarsOnly) {
    TLOCalendar* c = AddCalendar(TRect(100, 100, 700, 700), 0, 0);
    TLOYearMonth* y = AddCaption(TRect(100, 800, 300, 900), 0);
    TDOCalendarMoveGhostDesigner designer;
    EXPECT_FALSE(designer.CreateGhost(*y, -1));
    EXPECT_FALSE(designer.CreateGhost(*c, 0)) << "sizing stays with the rectangle designer";
    EXPECT_FALSE(designer.CreateGhost(*c, -2));
    EXPECT_TRUE(designer.CreateGhost(*c, -1));
    EXPECT_EQ(TheGhostList().Count(), 1);
}

TEST_F(CalendarPage, TiedCaptionsMoveWithTheirCalendarInOneStep) {
    TLOCalendar* c = AddCalendar(TRect(100, 100, 700, 700), 0, 3);
    TLOYearMonth* tied = AddCaption(TRect(100, 800, 300, 900), 3);
    TLOYearMonth* other = AddCaption(TRect(400, 800, 600, 900), 4);
    Drag(*c, TPoint(250, 40));
    EXPECT_EQ(c->GetRect(), TRect(350, 140, 950, 740));
    EXPECT_EQ(tied->GetRect(), TRect(350, 840, 550, 940));
    EXPECT_EQ(other->GetRect(), TRect(400, 800, 600, 900));
    ASSERT_EQ(ActionList().Count(), 1) << "one step for the drag";
    ActionList().Undo();
    EXPECT_EQ(c->GetRect(), TRect(100, 100, 700, 700));
    EXPECT_EQ(tied->GetRect(), TRect(100, 800, 300, 900));
    ActionList().Redo();
    EXPECT_EQ(tied->GetRect(), TRect(350, 840, 550, 940));
}

TEST_F(CalendarPage, SelectedCaptionsAndCopiesAreLeftAlone) {
    TLOCalendar* c = AddCalendar(TRect(100, 100, 700, 700), 0, 3);
    TLOYearMonth* tied = AddCaption(TRect(100, 800, 300, 900), 3);
    tied->SetSelected(true); // it has a ghost of its own in a real drag
    Drag(*c, TPoint(100, 0));
    EXPECT_EQ(tied->GetRect(), TRect(100, 800, 300, 900));
    tied->SetSelected(false);
    Drag(*c, TPoint(100, 0), ssCtrl); // drops a copy of the calendar
    EXPECT_EQ(tied->GetRect(), TRect(100, 800, 300, 900));
    EXPECT_EQ(c->GetRect(), TRect(200, 100, 800, 700));
}

TEST_F(CalendarPage, MonthChangeOfThreeCalendarsIsOneUndoStep) {
    TLOCalendar* a = AddCalendar(TRect(0, 0, 600, 600), 0, 1);
    TLOCalendar* b = AddCalendar(TRect(700, 0, 1300, 600), 1, 2);
    TLOCalendar* c = AddCalendar(TRect(1400, 0, 2000, 600), 2, 0);
    TLOYearMonth* caption = AddCaption(TRect(700, 700, 900, 800), 2);
    caption->SetYear(2025);
    caption->SetMonth(5);
    ASSERT_TRUE(TCalendarDateAction::Execute(*FSite, 2019, 11, ActionList()));
    struct Row {
        TLOCalendar* Calendar;
        int Year, Month;
    };
    const Row after[] = {{a, 2019, 11}, {b, 2019, 12}, {c, 2020, 1}};
    for (const Row& r : after) {
        EXPECT_EQ(r.Calendar->Year(), r.Year) << r.Calendar->MonthOrigin();
        EXPECT_EQ(r.Calendar->Month(), r.Month) << r.Calendar->MonthOrigin();
    }
    EXPECT_EQ(caption->Month(), 12) << "follows its calendar";
    ASSERT_EQ(ActionList().Count(), 1);
    EXPECT_EQ(ActionList().UndoCaption(), SCaptionCalendarDate);
    ActionList().Undo();
    for (TLOCalendar* cal : {a, b, c}) {
        EXPECT_EQ(cal->Year(), 2025);
        EXPECT_EQ(cal->Month(), 4);
    }
    EXPECT_EQ(caption->Month(), 5);
    ActionList().Redo();
    EXPECT_EQ(c->Year(), 2020);
    EXPECT_EQ(c->Month(), 1);
    EXPECT_FALSE(TCalendarDateAction::Execute(*FSite, 2019, 11, ActionList())) << "nothing changes";
    EXPECT_EQ(ActionList().Count(), 1);
}

TEST_F(CalendarPage, MonthChangeOnPagesWithoutCalendarsOrOutOfRange) {
    AddCaption(TRect(0, 0, 100, 100), 0);
    EXPECT_FALSE(TCalendarDateAction::Execute(*FSite, 2019, 11, ActionList()));
    EXPECT_EQ(ActionList().Count(), 0);
    TLOCalendar* c = AddCalendar(TRect(0, 0, 600, 600), 5, 0);
    ASSERT_TRUE(TCalendarDateAction::Execute(*FSite, 9999, 10, ActionList()));
    EXPECT_EQ(c->Year(), 9999) << "held to the last month";
    EXPECT_EQ(c->Month(), 12);
    struct Row {
        int Year, Month, Delta, ExpectedYear, ExpectedMonth;
    };
    const Row rows[] = {{2019, 12, 1, 2020, 1}, {2019, 1, -1, 2018, 12}, {2019, 5, -29, 2016, 12},
                        {1, 1, -5, 1, 1},       {9999, 12, 1, 9999, 12}, {2000, 6, 0, 2000, 6}};
    for (const Row& r : rows) {
        int y = r.Year, m = r.Month;
        AddMonths(y, m, r.Delta);
        EXPECT_EQ(y, r.ExpectedYear) << r.Year << "-" << r.Month << " + " << r.Delta;
        EXPECT_EQ(m, r.ExpectedMonth) << r.Year << "-" << r.Month << " + " << r.Delta;
    }
}
