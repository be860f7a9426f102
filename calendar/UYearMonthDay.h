#pragma once
// A date cursor for calendars and calendar dialogs: year, month and day with steps by day and
// month, the weekday grid of its month, and the day's calendar data from the process-wide
// tables (UDayTable.h, UHolidays.h).
//
// A step or setter that leaves the date out of shape (month 13, 31 April) brings it back at
// once: the month is carried into the year and the day clamped to the month's length. So a
// day survives a move through a shorter month only as far as that month allows (31 January,
// next month, next month gives 28 or 29 March).

#include <QString>

class TYearMonthDay {
public:
    // Today's year and month, day 1, weeks starting on Sunday.
    TYearMonthDay();

    // Accepts 1989..2151, the years of the calendar tables; other values are ignored.
    int Year() const;
    void SetYear(int Value);
    // Accepts 1..12; other values are ignored.
    int Month() const;
    void SetMonth(int Value);
    // Accepts 1..31, clamped to the month's length; other values are ignored.
    int Day() const;
    void SetDay(int Value);
    // First weekday of a week row, 0 = Sunday .. 6 = Saturday; other values are ignored.
    int StartWeek() const { return FStartWeek; }
    void SetStartWeek(int Value);

    // 0 = Sunday .. 6 = Saturday.
    int DayOfWeek() const;
    void NextMonth();
    void PrevMonth();
    // Moves to the next day and answers the length of the month it started in.
    int NextDay();
    void PrevDay();
    // For 0 <= Weekday <= 6: steps back one day at a time until the weekday is Weekday.
    void BackToWeekday(int Weekday);
    // True when the day lies in the last week row of its month.
    bool IsLastWeek() const;

    // The day's values from the tables (-1 when a table is not loaded or has no value) and
    // their names (empty then).
    int SixDay() const;
    QString SixDayName() const;
    int Zassetsu() const;
    QString ZassetsuName() const;
    int SolarTerm() const;
    QString SolarTermName() const;
    int MoonAge() const;
    int HolidayIndex() const;
    QString HolidayName() const;

private:
    // Carries the month into the year and clamps the day to the month's length.
    void Normalize();

    int FYear;
    int FMonth;
    int FDay = 1;
    int FStartWeek = 0;
};
