// The calendar layout model: ratio arithmetic, cell geometry of the three kinds, weekday
// labels, border sides, and a year of months read back from the model against the tables.

#include "CalendarTestSupport.h"
#include "UCalLayout.h"
#include "UCalSchedule.h"
#include "UDayTable.h"
#include "UHolidays.h"

#include <QDate>
#include <gtest/gtest.h>
#include <set>

TEST(CalLayout, RoundHalfEvenAndRatios) {
    struct Row {
        int64_t N, D, Expected;
    };
    const Row rows[] = {{5, 2, 2},   {7, 2, 4},  {3, 2, 2},  {1, 2, 0},         {-1, 2, 0},
                        {-3, 2, -2}, {10, 7, 1}, {11, 7, 2}, {600 * 3, 7, 257}, {0, 7, 0},
                        {13, 4, 3},  {14, 4, 4}, {-7, 4, -2}};
    for (const Row& r : rows)
        EXPECT_EQ(RoundHalfEven(r.N, r.D), r.Expected) << r.N << "/" << r.D;
    EXPECT_EQ(RatioOf(600, 1429), 85);
    EXPECT_EQ(RatioOf(-600, 1429), -85) << "truncated toward zero";
    EXPECT_EQ(RatioRect(TRect(100, 200, 700, 500), 1000, 5000, 2500, 0), TRect(160, 350, 550, 500));
}

TEST(CalLayout, CrossAndListCellsFollowTheRoundingRules) {
    const TRect area(10, 20, 710, 620); // 700 x 600
    // Column edges: 10 + nearest(c * 700 / 7) = 10 + 100 c; rows of 6: nearest(r * 100).
    EXPECT_EQ(CrossCellRect(area, 3, 2, 6), TRect(310, 220, 410, 320));
    // 7 rows of a 600 high area: 600/7 = 85.71..; row 1 from 86 to 171.
    EXPECT_EQ(CrossCellRect(area, 0, 1, 7), TRect(10, 20 + 86, 110, 20 + 171));
    // Exactly half: 5 x 10 / 4 = 12.5 -> 12 (even), 3 x 10 / 4 = 7.5 -> 8.
    EXPECT_EQ(CrossCellRect(TRect(0, 0, 7, 10), 0, 1, 4), TRect(0, 2, 1, 5));
    EXPECT_EQ(CrossCellRect(TRect(0, 0, 7, 10), 0, 3, 4), TRect(0, 8, 1, 10));
    // Lists: 1/31 and 1/16 of the height (the width for the horizontal kind).
    EXPECT_EQ(ListCellRect(TRect(0, 0, 100, 310), 4, 31, false), TRect(0, 40, 100, 50));
    EXPECT_EQ(ListCellRect(TRect(0, 0, 100, 320), 4, 16, false), TRect(0, 80, 100, 100));
    EXPECT_EQ(ListCellRect(TRect(0, 0, 320, 100), 15, 16, true), TRect(300, 0, 320, 100));
}

TEST(CalLayout, WeekLabelsOfEverySet) {
    struct Row {
        int Style, Weekday;
        QString Expected;
    };
    const Row rows[] = {
        {wtNone, 0, ""},
        {wtJpnShort, 0, u"日"_qs},
        {wtJpnShort, 6, u"土"_qs},
        {wtJpnLong, 3, u"水曜日"_qs},
        {wtEngVeryShtL, 2, "T"},
        {wtEngVeryShtS, 5, "f"},
        {wtEngShort, 1, "Mon"},
        {wtEngShortL, 4, "THU"},
        {wtEngShortS, 6, "sat"},
        {wtEngLong, 0, "Sunday"},
        {wtEngLongL, 5, "FRIDAY"},
        {wtEngLongS, 3, "wednesday"},
        {11, 0, ""},
        {127, 0, ""},
        {0x80 | wtEngShort, 2, "Tue"}, // the top bit is not part of the set
        {wtEngShort, 7, ""},
        {wtEngShort, -1, ""},
    };
    for (const Row& r : rows)
        EXPECT_EQ(WeekLabel(r.Style, r.Weekday), r.Expected) << r.Style << " " << r.Weekday;
}

TEST(CalLayout, HeaderShareAndEdgeRatios) {
    TLOCalendar c;
    c.SetBoundsRect(TRect(0, 0, 700, 700));
    c.SetCalRectTop(1000); // 70 units off the top
    TCalLayout l = BuildCalLayout(c);
    EXPECT_EQ(l.CalRect, TRect(0, 70, 700, 700));
    EXPECT_EQ(l.Header, TRect(0, 70, 700, 70 + RatioOf(630, 1429)));
    EXPECT_EQ(l.DateArea.Top, l.Header.Bottom);
    EXPECT_EQ(c.GetWeekHeaderCellRect(0), TRect(0, 70, 100, l.Header.Bottom));
    EXPECT_EQ(c.GetFirstDateCellRect(), CrossCellRect(l.DateArea, 0, 0, 6));

    c.SetWeekRatio(10000);
    l = BuildCalLayout(c);
    EXPECT_EQ(l.DateArea.Height(), 0) << "no date area";
    c.SetWeekRatio(0);
    l = BuildCalLayout(c);
    EXPECT_EQ(l.Header.Height(), 0) << "no header";
    EXPECT_EQ(l.DateArea, l.CalRect);
    c.SetWeekRatio(25000); // beyond the whole: held to the calendar rect
    l = BuildCalLayout(c);
    EXPECT_EQ(l.Header, l.CalRect);
}

TEST(CalLayout, ListKindsSplitTheMonth) {
    TLOCalendar c;
    c.SetBoundsRect(TRect(0, 0, 400, 620));
    c.SetYear(2019);
    c.SetMonth(5);
    struct Row {
        TCalendarKind Kind;
        TCalendarSplit Split;
        int First, Last;
        TRect FirstCell;
    };
    const Row rows[] = {
        {ckVertical, csAll, 1, 31, TRect(0, 0, 400, 20)},
        {ckVertical, csFirstHalf, 1, 16, TRect(0, 0, 400, 20)},
        {ckVertical, csLatterHalf, 17, 31, TRect(0, 0, 400, 20)},
        {ckVertical, csTwinHalf, 1, 31, TRect(0, 0, 200, 39)}, // 620 / 16 = 38.75
        {ckHorizontal, csAll, 1, 31, TRect(0, 0, 13, 620)},    // 400 / 31 = 12.9
        {ckHorizontal, csTwinHalf, 1, 31, TRect(0, 0, 25, 310)},
    };
    for (const Row& r : rows) {
        c.SetKind(r.Kind);
        c.SetSplit(r.Split);
        const TCalLayout l = BuildCalLayout(c);
        ASSERT_EQ(static_cast<int>(l.Cells.size()), r.Last - r.First + 1) << r.Kind << r.Split;
        EXPECT_EQ(l.Cells.front().Day.Day, r.First);
        EXPECT_EQ(l.Cells.back().Day.Day, r.Last);
        EXPECT_EQ(l.Cells.front().Rect, r.FirstCell) << r.Kind << " " << r.Split;
        EXPECT_EQ(c.GetFirstDateCellRect(), r.FirstCell);
        if (r.Split == csTwinHalf) {
            const TCalCell* d17 = l.CellOfDay(17);
            ASSERT_TRUE(d17);
            if (r.Kind == ckVertical)
                EXPECT_EQ(d17->Rect, TRect(200, 0, 400, 39)) << "second half on the right";
            else
                EXPECT_EQ(d17->Rect, TRect(0, 310, 25, 620)) << "second half below";
        }
    }
}

TEST(CalLayout, BorderSidesOfTheCrossGrid) {
    TLOCalendar c;
    c.SetYear(2019);
    c.SetMonth(5); // 1 May 2019 is a Wednesday; 31 May a Friday
    TCalLayout l = BuildCalLayout(c);
    auto at = [&](int Row, int Column) { return l.Cells[static_cast<size_t>(Row * 7 + Column)]; };
    EXPECT_EQ(at(0, 0).Borders, cbTop | cbLeft) << "an empty cell above a day";
    EXPECT_EQ(at(0, 6).Borders, cbTop | cbLeft | cbRight) << "the last column closes";
    EXPECT_EQ(at(4, 5).Day.Day, 31);
    EXPECT_EQ(at(4, 5).Borders, cbTop | cbLeft | cbBottom) << "no day below the 31st";
    EXPECT_EQ(at(3, 5).Borders, cbTop | cbLeft) << "the 31st lies below the 24th";
    EXPECT_EQ(at(5, 0).Borders, cbTop | cbLeft | cbBottom);

    c.SetlnVertical(false);
    c.SetWkLineNoDisp(true);
    l = BuildCalLayout(c);
    EXPECT_EQ(at(0, 3).Borders, 0) << "no line under the labels";
    EXPECT_EQ(at(1, 3).Borders, cbTop);
    c.SetStartWeek(1); // Monday first: Sunday is the last column
    c.SetlnVertical(true);
    l = BuildCalLayout(c);
    EXPECT_EQ(at(1, 6).Day.Weekday, 0);
    EXPECT_TRUE(at(1, 6).Borders & cbRight);
    c.SetDateLine(false);
    l = BuildCalLayout(c);
    for (const TCalCell& cell : l.Cells)
        EXPECT_EQ(cell.Borders, 0);
}

TEST(CalLayout, RowsFromTheMonthAndNeighbouringDays) {
    TLOCalendar c;
    c.SetYear(2026);
    c.SetMonth(2); // 1 Feb 2026 is a Sunday: exactly four weeks
    EXPECT_EQ(BuildCalLayout(c).Rows, 6);
    c.SetCrossRowAuto(true);
    TCalLayout l = BuildCalLayout(c);
    EXPECT_EQ(l.Rows, 4);
    EXPECT_EQ(l.Cells.size(), 28u);
    c.SetMonth(5); // May 2026 starts on a Friday: six rows
    EXPECT_EQ(BuildCalLayout(c).Rows, 6);

    c.SetOtherMonth(true);
    l = BuildCalLayout(c);
    const TCalDay& lead = l.Cells[0].Day; // Sunday 26 April 2026
    EXPECT_FALSE(lead.InMonth);
    EXPECT_EQ(lead.Month, 4);
    EXPECT_EQ(lead.Day, 26);
    EXPECT_EQ(DayTextColor(c, lead), 0xA0A0A0) << "grey without PrevNext";
    c.SetPrevNext(true);
    EXPECT_EQ(DayTextColor(c, lead), c.SundayCol());
    const TCalDay& trail = l.Cells.back().Day; // Saturday 6 June 2026
    EXPECT_EQ(trail.Month, 6);
    EXPECT_EQ(trail.Day, 6);
    c.SetMonth(12);
    l = BuildCalLayout(c);
    EXPECT_EQ(l.Cells.back().Day.Year, 2027) << "December runs into the next year";
}

TEST(CalLayout, DayColoursInTheirOrder) {
    TLOCalendar c;
    c.SetUserWkHoliday(true);
    c.SetUserWkHolidayDay(3);
    c.SetWeekdayCol(1);
    c.SetHolidayCol(2);
    c.SetSundayCol(3);
    c.SetSatdayCol(4);
    c.SetUserWkHolidayCol(5);
    c.SetrBLnWkdayCol(11);
    c.SetrBLnHldayCol(12);
    c.SetrBLnSndayCol(13);
    c.SetrBLnStdayCol(14);
    c.SetRBLnUserWkHldayCol(15);
    struct Row {
        int Weekday;
        bool Holiday;
        TColor Text, Line;
    };
    const Row rows[] = {{0, true, 2, 12},  {6, true, 2, 12}, {0, false, 3, 13}, {6, false, 4, 14},
                        {3, false, 5, 15}, {3, true, 2, 12}, {2, false, 1, 11}};
    for (const Row& r : rows) {
        TCalDay d;
        d.Day = 1;
        d.InMonth = true;
        d.Weekday = r.Weekday;
        d.IsHoliday = r.Holiday;
        EXPECT_EQ(DayTextColor(c, d), r.Text) << r.Weekday << r.Holiday;
        EXPECT_EQ(RowBaseLineColor(c, d), r.Line) << r.Weekday << r.Holiday;
    }
}

class CalLayoutTables : public CalendarTables {};

// Every month of 2025 and 2026, for weeks from Sunday and from Monday: each day appears once,
// in the column of its weekday and the row of its week, flagged as the tables say.
TEST_F(CalLayoutTables, AYearOfMonthsReadBackFromTheModelAgreesWithTheTables) {
    int holidays = 0;
    for (const int start : {0, 1})
        for (int year = 2025; year <= 2026; ++year)
            for (int month = 1; month <= 12; ++month) {
                TLOCalendar c;
                c.SetYear(year);
                c.SetMonth(month);
                c.SetStartWeek(start);
                const TCalLayout l = BuildCalLayout(c);
                std::set<int> seen;
                for (const TCalCell& cell : l.Cells) {
                    const TCalDay& d = cell.Day;
                    if (!d.InMonth) {
                        EXPECT_EQ(d.Day, 0) << "no neighbouring days without OtherMonth";
                        continue;
                    }
                    const std::string at =
                        QDate(year, month, d.Day).toString(Qt::ISODate).toStdString();
                    EXPECT_TRUE(seen.insert(d.Day).second) << at;
                    EXPECT_EQ(d.Weekday, QDate(year, month, d.Day).dayOfWeek() % 7) << at;
                    EXPECT_EQ(d.Weekday, DayOfWeek(year, month, d.Day)) << at;
                    EXPECT_EQ((start + cell.Column) % 7, d.Weekday) << at;
                    EXPECT_EQ(cell.Row + 1, WeekOfMonth(year, month, d.Day, start)) << at;
                    const int index = HolidayTable()->HolidayIndex(year, month, d.Day);
                    EXPECT_EQ(d.IsHoliday, index >= 0) << at;
                    EXPECT_EQ(d.HolidayName, HolidayTable()->HolidayName(index)) << at;
                    holidays += d.IsHoliday && start == 0;
                }
                EXPECT_EQ(static_cast<int>(seen.size()), QDate(year, month, 1).daysInMonth());
            }
    // 2025: 16 named days and 3 substitute holidays; 2026: 16 named days, 1 substitute
    // holiday and the citizens' holiday of 22 September.
    EXPECT_EQ(holidays, 19 + 18);
}

TEST_F(CalLayoutTables, ScheduleEntriesFlaggedAsHolidayCount) {
    TCalSchedule schedule;
    auto add = [&](int D, bool AsHoliday, const QString& Text) {
        auto item = std::make_unique<TCalScheduleItem>();
        item->SetDate(2026, 6, D);
        item->SetAsHoliday(AsHoliday);
        item->SetDescription(Text);
        schedule.AddItem(std::move(item));
    };
    add(10, false, u"会議"_qs);
    add(10, true, u"創立記念日"_qs); // the second entry of the day carries the flag
    add(11, false, u"通院"_qs);
    TLOCalendar c;
    c.SetYear(2026);
    c.SetMonth(6);
    c.SetUsrSchedule(&schedule);
    const TCalLayout l = BuildCalLayout(c);
    EXPECT_TRUE(l.CellOfDay(10)->Day.IsHoliday);
    EXPECT_EQ(l.CellOfDay(10)->Day.ScheduleText, u"会議"_qs) << "the first entry's text";
    EXPECT_FALSE(l.CellOfDay(11)->Day.IsHoliday);
    EXPECT_TRUE(l.CellOfDay(11)->Day.HasSchedule);
    EXPECT_FALSE(l.CellOfDay(12)->Day.HasSchedule);
    EXPECT_EQ(DayTextColor(c, l.CellOfDay(10)->Day), c.HolidayCol());
}

TEST_F(CalLayoutTables, YearsOutsideTheTablesUseArithmetic) {
    for (const int year : {1, 1900, 1988, 2152, 2400, 9999}) {
        TLOCalendar c;
        c.SetYear(year);
        c.SetMonth(2);
        c.SetOtherMonth(true);
        const TCalLayout l = BuildCalLayout(c);
        for (const TCalCell& cell : l.Cells) {
            const TCalDay& d = cell.Day;
            if (d.Day == 0)
                continue;
            const QDate q(d.Year, d.Month, d.Day);
            EXPECT_EQ(d.Weekday, q.dayOfWeek() % 7) << year;
            EXPECT_FALSE(d.IsHoliday) << year;
        }
        EXPECT_EQ(l.CellOfDay(29) != nullptr, QDate::isLeapYear(year)) << year;
        // Painting reads the moon, six-day and solar term tables for every cell.
        auto page = MakeCalendarPage(600, 600);
        c.SetBoundsRect(TRect(0, 0, 600, 600));
        auto placed = PlaceOn(*page, std::make_unique<TLOCalendar>());
        placed->Assign(&c);
        EXPECT_FALSE(RenderPage(*page, 96).isNull());
    }
}
