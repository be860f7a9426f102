#include "UYearMonthDay.h"

#include "UDayTable.h"
#include "UHolidays.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

TYearMonthDay At(int Year, int Month, int Day) {
    TYearMonthDay d;
    d.SetYear(Year);
    d.SetMonth(Month);
    d.SetDay(Day);
    return d;
}

QDate DateOf(const TYearMonthDay& D) {
    return QDate(D.Year(), D.Month(), D.Day());
}

} // namespace

TEST(YearMonthDay, StartsOnTheFirstOfTheCurrentMonth) {
    const TYearMonthDay d;
    const QDate today = QDate::currentDate();
    EXPECT_EQ(d.Year(), today.year());
    EXPECT_EQ(d.Month(), today.month());
    EXPECT_EQ(d.Day(), 1);
    EXPECT_EQ(d.StartWeek(), 0);
}

TEST(YearMonthDay, SettersAcceptOnlyTheirRanges) {
    TYearMonthDay d = At(2000, 6, 15);
    for (int y : {1989, 2151}) {
        d.SetYear(y);
        EXPECT_EQ(d.Year(), y);
    }
    for (int bad : {1988, 2152, 0, -5}) {
        d.SetYear(bad);
        EXPECT_EQ(d.Year(), 2151) << bad;
    }
    for (int bad : {0, 13}) {
        d.SetMonth(bad);
        EXPECT_EQ(d.Month(), 6);
    }
    for (int bad : {0, 32}) {
        d.SetDay(bad);
        EXPECT_EQ(d.Day(), 15);
    }
    for (int bad : {-1, 7}) {
        d.SetStartWeek(bad);
        EXPECT_EQ(d.StartWeek(), 0);
    }
    d.SetStartWeek(6);
    EXPECT_EQ(d.StartWeek(), 6);
}

TEST(YearMonthDay, DaysAreClampedToTheMonth) {
    TYearMonthDay d = At(2023, 1, 31);
    d.NextMonth();
    EXPECT_EQ(DateOf(d), QDate(2023, 2, 28));
    d.NextMonth();
    EXPECT_EQ(DateOf(d), QDate(2023, 3, 28));
    d = At(2024, 4, 30);
    d.SetMonth(2);
    EXPECT_EQ(DateOf(d), QDate(2024, 2, 29));
    d.SetYear(2023);
    EXPECT_EQ(DateOf(d), QDate(2023, 2, 28));
    d.SetDay(31);
    EXPECT_EQ(DateOf(d), QDate(2023, 2, 28));
    d = At(2000, 12, 31);
    d.NextMonth();
    EXPECT_EQ(DateOf(d), QDate(2001, 1, 31));
    d.PrevMonth();
    d.PrevMonth();
    EXPECT_EQ(DateOf(d), QDate(2000, 11, 30));
}

TEST(YearMonthDay, DayStepsWalkTheCalendar) {
    TYearMonthDay d = At(1999, 12, 25);
    QDate expected(1999, 12, 25);
    while (expected < QDate(2001, 3, 10)) {
        const int length = d.NextDay();
        ASSERT_EQ(length, expected.daysInMonth());
        expected = expected.addDays(1);
        ASSERT_EQ(DateOf(d), expected);
    }
    while (expected > QDate(1999, 12, 25)) {
        d.PrevDay();
        expected = expected.addDays(-1);
        ASSERT_EQ(DateOf(d), expected);
    }
}

TEST(YearMonthDay, BackToWeekdayAndLastWeek) {
    TYearMonthDay d = At(2024, 6, 5); // Wednesday
    EXPECT_EQ(d.DayOfWeek(), 3);
    d.BackToWeekday(0);
    EXPECT_EQ(DateOf(d), QDate(2024, 6, 2));
    d.BackToWeekday(0); // already there
    EXPECT_EQ(DateOf(d), QDate(2024, 6, 2));
    d.BackToWeekday(6);
    EXPECT_EQ(DateOf(d), QDate(2024, 6, 1));
    d.BackToWeekday(7); // not a weekday: stays
    EXPECT_EQ(DateOf(d), QDate(2024, 6, 1));
    d.BackToWeekday(5); // across the month
    EXPECT_EQ(DateOf(d), QDate(2024, 5, 31));

    // June 2024 starts on a Saturday: weeks from Sunday give six rows, from Monday five.
    TYearMonthDay last = At(2024, 6, 30);
    EXPECT_TRUE(last.IsLastWeek());
    TYearMonthDay before = At(2024, 6, 29);
    EXPECT_FALSE(before.IsLastWeek());
    before.SetStartWeek(1);
    EXPECT_TRUE(before.IsLastWeek());
    TYearMonthDay early = At(2024, 6, 23);
    early.SetStartWeek(1);
    EXPECT_FALSE(early.IsLastWeek());
}

TEST(YearMonthDay, DayValuesComeFromTheProcessWideTables) {
    TYearMonthDay d = At(2005, 1, 1);
    EXPECT_EQ(d.SixDay(), -1);
    EXPECT_EQ(d.SixDayName(), QString());
    EXPECT_EQ(d.MoonAge(), -1);
    EXPECT_EQ(d.HolidayIndex(), -1);
    EXPECT_EQ(d.HolidayName(), QString());

    auto w6z24 = std::make_unique<TYMDCacheData>();
    w6z24->Set(2005, 1, 1, (6 + 1) | (4 + 1) << 3 | (0 + 1) << 6 | (19 + 1) << 10);
    SetW6Z24Table(std::move(w6z24));
    auto moon = std::make_unique<TYMDCacheData>();
    moon->Set(2005, 1, 1, 20480);
    SetMoonAgeTable(std::move(moon));
    auto holidays = std::make_unique<THolidays>();
    holidays->LoadFromStrings(TStringList({"[HolidayName]", "0,元日", "[HolidayDef]", "*;1;1;0"}));
    SetHolidayTable(std::move(holidays));

    EXPECT_EQ(d.DayOfWeek(), 6);
    EXPECT_EQ(d.SixDayName(), QStringLiteral("大安"));
    EXPECT_EQ(d.ZassetsuName(), QStringLiteral("土用"));
    EXPECT_EQ(d.SolarTermName(), QStringLiteral("小寒"));
    EXPECT_EQ(d.MoonAge(), 20480);
    EXPECT_EQ(d.HolidayIndex(), 0);
    EXPECT_EQ(d.HolidayName(), QStringLiteral("元日"));
    d.NextDay();
    EXPECT_EQ(d.HolidayName(), QString());
    EXPECT_EQ(d.SolarTerm(), -1);

    SetW6Z24Table(nullptr);
    SetMoonAgeTable(nullptr);
    SetHolidayTable(nullptr);
}
