#include "UYearMonthDay.h"

#include "UDayTable.h"
#include "UHolidays.h"

#include <QDate>
#include <algorithm>

TYearMonthDay::TYearMonthDay() {
    const QDate today = QDate::currentDate();
    FYear = today.year();
    FMonth = today.month();
}

void TYearMonthDay::Normalize() {
    while (FMonth < 1) {
        FMonth += 12;
        --FYear;
    }
    while (FMonth > 12) {
        FMonth -= 12;
        ++FYear;
    }
    FDay = std::clamp(FDay, 1, DaysInMonth(FYear, FMonth));
}

int TYearMonthDay::Year() const {
    return FYear;
}

void TYearMonthDay::SetYear(int Value) {
    if (Value < TYMDCacheData::FirstYear || Value > TYMDCacheData::LastYear)
        return;
    FYear = Value;
    Normalize();
}

int TYearMonthDay::Month() const {
    return FMonth;
}

void TYearMonthDay::SetMonth(int Value) {
    if (Value < 1 || Value > 12)
        return;
    FMonth = Value;
    Normalize();
}

int TYearMonthDay::Day() const {
    return FDay;
}

void TYearMonthDay::SetDay(int Value) {
    if (Value < 1 || Value > 31)
        return;
    FDay = Value;
    Normalize();
}

void TYearMonthDay::SetStartWeek(int Value) {
    if (Value >= 0 && Value <= 6)
        FStartWeek = Value;
}

int TYearMonthDay::DayOfWeek() const {
    return ::DayOfWeek(FYear, FMonth, FDay);
}

void TYearMonthDay::NextMonth() {
    ++FMonth;
    Normalize();
}

void TYearMonthDay::PrevMonth() {
    --FMonth;
    Normalize();
}

int TYearMonthDay::NextDay() {
    const int length = DaysInMonth(FYear, FMonth);
    if (++FDay > length) {
        FDay = 1;
        ++FMonth;
    }
    Normalize();
    return length;
}

void TYearMonthDay::PrevDay() {
    if (--FDay < 1) {
        --FMonth;
        FDay = 31; // the previous month's last day once clamped
    }
    Normalize();
}

void TYearMonthDay::BackToWeekday(int Weekday) {
    if (Weekday < 0 || Weekday > 6)
        return;
    // Seven steps reach every weekday; the bound also ends the walk on days a table marks
    // as having no weekday.
    for (int i = 0; i < 7 && DayOfWeek() != Weekday; ++i)
        PrevDay();
}

bool TYearMonthDay::IsLastWeek() const {
    return WeekOfMonth(FYear, FMonth, FDay, FStartWeek) == WeeksInMonth(FYear, FMonth, FStartWeek);
}

int TYearMonthDay::SixDay() const {
    return SixDayIndex(FYear, FMonth, FDay);
}

QString TYearMonthDay::SixDayName() const {
    return ::SixDayName(SixDay());
}

int TYearMonthDay::Zassetsu() const {
    return ZassetsuIndex(FYear, FMonth, FDay);
}

QString TYearMonthDay::ZassetsuName() const {
    return ::ZassetsuName(Zassetsu());
}

int TYearMonthDay::SolarTerm() const {
    return SolarTermIndex(FYear, FMonth, FDay);
}

QString TYearMonthDay::SolarTermName() const {
    return ::SolarTermName(SolarTerm());
}

int TYearMonthDay::MoonAge() const {
    return ::MoonAge(FYear, FMonth, FDay);
}

int TYearMonthDay::HolidayIndex() const {
    const THolidays* holidays = HolidayTable();
    return holidays ? holidays->HolidayIndex(FYear, FMonth, FDay) : -1;
}

QString TYearMonthDay::HolidayName() const {
    const THolidays* holidays = HolidayTable();
    return holidays ? holidays->HolidayName(HolidayIndex()) : QString();
}
