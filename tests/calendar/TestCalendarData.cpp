// The shipped calendar tables (data/) checked against published facts: the official equinox
// days, solar terms, new moons and eclipses, the lunisolar months, and the holidays as they
// were observed.

#include "UDayTable.h"
#include "UHolidays.h"

#include <QDate>
#include <gtest/gtest.h>

namespace {

class ShippedTables : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        const QString data = QStringLiteral(VANTOMI_SOURCE_DIR "/data/");
        LoadMoonAgeTable(data + "MoonAge.tbl");
        LoadW6Z24Table(data + "W6Z24.tbl");
        LoadHolidayTable(data + "Holiday.tbl");
    }
    static void TearDownTestSuite() {
        SetMoonAgeTable(nullptr);
        SetW6Z24Table(nullptr);
        SetHolidayTable(nullptr);
    }
};

struct TDate {
    int Y, M, D;
};

std::string Text(const TDate& D) {
    return QDate(D.Y, D.M, D.D).toString(Qt::ISODate).toStdString();
}

QString Holiday(int Y, int M, int D) {
    return HolidayTable()->HolidayName(HolidayTable()->HolidayIndex(Y, M, D));
}

// JST date of the new moon whose age resets between the noons of Day - 1 and Day: an age
// below half a day at noon means the new moon came that morning, otherwise the afternoon
// before.
std::vector<QDate> NewMoonDates(int Year) {
    std::vector<QDate> dates;
    for (QDate d(Year, 1, 1); d.year() == Year; d = d.addDays(1)) {
        const QDate before = d.addDays(-1);
        const int age = MoonAge(d.year(), d.month(), d.day());
        if (age < MoonAge(before.year(), before.month(), before.day()))
            dates.push_back(age < MoonAgeUnitsPerDay / 2 ? d : before);
    }
    return dates;
}

} // namespace

TEST_F(ShippedTables, EveryDateHasItsWeekdayAndImpossibleDatesHaveNone) {
    for (QDate d(1989, 1, 1); d <= QDate(2151, 12, 31); d = d.addDays(1))
        ASSERT_EQ(DayOfWeek(d.year(), d.month(), d.day()), d.dayOfWeek() % 7)
            << d.toString(Qt::ISODate).toStdString();
    for (const TDate& d :
         {TDate{2023, 2, 29}, {2100, 2, 29}, {2000, 2, 30}, {2000, 4, 31}, {2151, 11, 31}}) {
        EXPECT_FALSE(IsSupportedDate(d.Y, d.M, d.D)) << Text(d);
        EXPECT_EQ(DayOfWeek(d.Y, d.M, d.D), -1) << Text(d);
    }
    EXPECT_TRUE(IsSupportedDate(2000, 2, 29));
    EXPECT_TRUE(IsSupportedDate(1989, 1, 1));
    EXPECT_TRUE(IsSupportedDate(2151, 12, 31));
}

TEST_F(ShippedTables, EquinoxDaysAsAnnounced) {
    // Day in March and in September of each year 1989..2030.
    const int days[][2] = {
        {21, 23}, {21, 23}, {21, 23}, {20, 23}, {20, 23}, {21, 23}, {21, 23}, {20, 23}, // 1989
        {20, 23}, {21, 23}, {21, 23}, {20, 23}, {20, 23}, {21, 23}, {21, 23}, {20, 23}, // 1997
        {20, 23}, {21, 23}, {21, 23}, {20, 23}, {20, 23}, {21, 23}, {21, 23}, {20, 22}, // 2005
        {20, 23}, {21, 23}, {21, 23}, {20, 22}, {20, 23}, {21, 23}, {21, 23}, {20, 22}, // 2013
        {20, 23}, {21, 23}, {21, 23}, {20, 22}, {20, 23}, {20, 23}, {21, 23}, {20, 22}, // 2021
        {20, 23}, {20, 23},                                                             // 2029
    };
    for (int y = 1989; y <= 2030; ++y) {
        const int march = days[y - 1989][0], september = days[y - 1989][1];
        EXPECT_EQ(SolarTermName(SolarTermIndex(y, 3, march)), QStringLiteral("春分")) << y;
        EXPECT_EQ(SolarTermName(SolarTermIndex(y, 9, september)), QStringLiteral("秋分")) << y;
        EXPECT_EQ(Holiday(y, 3, march), QStringLiteral("春分の日")) << y;
        EXPECT_EQ(Holiday(y, 9, september), QStringLiteral("秋分の日")) << y;
        // Spring and autumn higan begin three days earlier.
        EXPECT_EQ(ZassetsuName(ZassetsuIndex(y, 3, march - 3)), QStringLiteral("彼岸")) << y;
        EXPECT_EQ(ZassetsuName(ZassetsuIndex(y, 9, september - 3)), QStringLiteral("彼岸")) << y;
    }
}

TEST_F(ShippedTables, SolarTermsAndSeasonalDays) {
    struct {
        TDate Date;
        const char16_t* Term;     // or null
        const char16_t* Zassetsu; // or null
    } const rows[] = {
        {{2024, 1, 6}, u"小寒", nullptr},     {{2024, 1, 20}, u"大寒", nullptr},
        {{2024, 2, 4}, u"立春", nullptr},     {{2024, 2, 19}, u"雨水", nullptr},
        {{2024, 3, 5}, u"啓蟄", nullptr},     {{2024, 4, 4}, u"清明", nullptr},
        {{2024, 5, 5}, u"立夏", nullptr},     {{2024, 6, 21}, u"夏至", nullptr},
        {{2024, 8, 7}, u"立秋", nullptr},     {{2024, 11, 7}, u"立冬", nullptr},
        {{2024, 12, 21}, u"冬至", nullptr},   {{2023, 12, 22}, u"冬至", nullptr},
        {{2021, 2, 3}, u"立春", nullptr},     {{2021, 2, 2}, nullptr, u"節分"},
        {{2025, 2, 2}, nullptr, u"節分"},     {{2024, 2, 3}, nullptr, u"節分"},
        {{2024, 5, 1}, nullptr, u"八十八夜"}, {{2024, 8, 31}, nullptr, u"二百十日"},
        {{2024, 6, 10}, nullptr, u"入梅"},    {{2024, 7, 1}, nullptr, u"半夏生"},
        {{2024, 7, 19}, nullptr, u"土用"},    {{2024, 1, 18}, nullptr, u"土用"},
    };
    for (const auto& r : rows) {
        const TDate& d = r.Date;
        if (r.Term) {
            EXPECT_EQ(SolarTermName(SolarTermIndex(d.Y, d.M, d.D)), QString::fromUtf16(r.Term))
                << Text(d);
        }
        if (r.Zassetsu) {
            EXPECT_EQ(ZassetsuName(ZassetsuIndex(d.Y, d.M, d.D)), QString::fromUtf16(r.Zassetsu))
                << Text(d);
        }
    }
    // Each year has its 24 terms on 24 days, and 11 seasonal days.
    for (int y : {1989, 2033, 2151}) {
        int terms = 0, seasonal = 0;
        for (QDate d(y, 1, 1); d.year() == y; d = d.addDays(1)) {
            terms += SolarTermIndex(d.year(), d.month(), d.day()) >= 0;
            seasonal += ZassetsuIndex(d.year(), d.month(), d.day()) >= 0;
        }
        EXPECT_EQ(terms, 24) << y;
        EXPECT_EQ(seasonal, 11) << y;
    }
}

TEST_F(ShippedTables, NewMoonsOnTheirJapaneseDates) {
    // Solar eclipses and other new moons, dated in JST.
    const TDate newMoons[] = {
        {1991, 7, 12}, {1995, 10, 24}, {1999, 8, 11}, {2000, 1, 7}, {2009, 7, 22},
        {2012, 5, 21}, {2016, 3, 9},   {2017, 8, 22}, {2019, 1, 6}, {2020, 6, 21},
        {2023, 1, 22}, {2024, 4, 9},   {2030, 6, 1},  {2035, 9, 2}, {2041, 10, 25},
    };
    for (const TDate& d : newMoons) {
        const std::vector<QDate> dates = NewMoonDates(d.Y);
        EXPECT_NE(std::find(dates.begin(), dates.end(), QDate(d.Y, d.M, d.D)), dates.end())
            << Text(d);
    }
}

TEST_F(ShippedTables, MoonAgesGrowByADayAndStayWithinALunation) {
    int previous = MoonAge(1989, 1, 1);
    int lunations = 0;
    for (QDate d(1989, 1, 2); d <= QDate(2151, 12, 31); d = d.addDays(1)) {
        const int age = MoonAge(d.year(), d.month(), d.day());
        ASSERT_GE(age, 0);
        ASSERT_LT(age, 30 * MoonAgeUnitsPerDay);
        if (age < previous) {
            ++lunations;
            ASSERT_LT(age, MoonAgeUnitsPerDay) << d.toString(Qt::ISODate).toStdString();
        } else {
            // Counted from the same new moon: one day later, give or take the rounding.
            ASSERT_NEAR(age - previous, MoonAgeUnitsPerDay, 1)
                << d.toString(Qt::ISODate).toStdString();
        }
        previous = age;
    }
    // 163 years hold 2016 lunations (mean length 29.530589 days).
    EXPECT_NEAR(lunations, 2016, 1);
}

TEST_F(ShippedTables, SixDayCycleFollowsTheLunarMonths) {
    // Lunar new year's days are 先勝.
    const TDate newYears[] = {{1991, 2, 15}, {2000, 2, 5},  {2009, 1, 26}, {2012, 1, 23},
                              {2017, 1, 28}, {2018, 2, 16}, {2019, 2, 5},  {2020, 1, 25},
                              {2021, 2, 12}, {2022, 2, 1},  {2023, 1, 22}, {2024, 2, 10},
                              {2025, 1, 29}, {2026, 2, 17}, {2034, 2, 19}};
    for (const TDate& d : newYears)
        EXPECT_EQ(SixDayName(SixDayIndex(d.Y, d.M, d.D)), QStringLiteral("先勝")) << Text(d);

    // The first day of a month of number n has (n - 1) mod 6; a leap month repeats its
    // predecessor's number. Leap 5th (2017), 4th (2020), 2nd (2023) and, where the older rules
    // contradict each other, the agreed leap 11th month of 2033.
    struct {
        TDate Start;
        int Number;
    } const months[] = {
        {{2017, 5, 26}, 5},   {{2017, 6, 24}, 5},  {{2017, 7, 23}, 6}, {{2020, 4, 23}, 4},
        {{2020, 5, 23}, 4},   {{2020, 6, 21}, 5},  {{2023, 2, 20}, 2}, {{2023, 3, 22}, 2},
        {{2023, 4, 20}, 3},   {{2033, 8, 25}, 8},  {{2033, 9, 23}, 9}, {{2033, 11, 22}, 11},
        {{2033, 12, 22}, 11}, {{2034, 1, 20}, 12}, {{2034, 2, 19}, 1},
    };
    for (const auto& m : months) {
        const TDate& d = m.Start;
        EXPECT_EQ(SixDayIndex(d.Y, d.M, d.D), (m.Number - 1) % 6) << Text(d);
    }
}

TEST_F(ShippedTables, HolidaysOf2019To2021InFull) {
    struct {
        int Year;
        std::vector<std::pair<TDate, const char16_t*>> Days;
    } const years[] = {
        {2019,
         {{{2019, 1, 1}, u"元日"},
          {{2019, 1, 14}, u"成人の日"},
          {{2019, 2, 11}, u"建国記念の日"},
          {{2019, 3, 21}, u"春分の日"},
          {{2019, 4, 29}, u"昭和の日"},
          {{2019, 4, 30}, u"国民の休日"},
          {{2019, 5, 1}, u"即位の日"},
          {{2019, 5, 2}, u"国民の休日"},
          {{2019, 5, 3}, u"憲法記念日"},
          {{2019, 5, 4}, u"みどりの日"},
          {{2019, 5, 5}, u"こどもの日"},
          {{2019, 5, 6}, u"振替休日"},
          {{2019, 7, 15}, u"海の日"},
          {{2019, 8, 11}, u"山の日"},
          {{2019, 8, 12}, u"振替休日"},
          {{2019, 9, 16}, u"敬老の日"},
          {{2019, 9, 23}, u"秋分の日"},
          {{2019, 10, 14}, u"体育の日"},
          {{2019, 10, 22}, u"即位礼正殿の儀"},
          {{2019, 11, 3}, u"文化の日"},
          {{2019, 11, 4}, u"振替休日"},
          {{2019, 11, 23}, u"勤労感謝の日"}}},
        {2020,
         {{{2020, 1, 1}, u"元日"},
          {{2020, 1, 13}, u"成人の日"},
          {{2020, 2, 11}, u"建国記念の日"},
          {{2020, 2, 23}, u"天皇誕生日"},
          {{2020, 2, 24}, u"振替休日"},
          {{2020, 3, 20}, u"春分の日"},
          {{2020, 4, 29}, u"昭和の日"},
          {{2020, 5, 3}, u"憲法記念日"},
          {{2020, 5, 4}, u"みどりの日"},
          {{2020, 5, 5}, u"こどもの日"},
          {{2020, 5, 6}, u"振替休日"},
          {{2020, 7, 23}, u"海の日"},
          {{2020, 7, 24}, u"スポーツの日"},
          {{2020, 8, 10}, u"山の日"},
          {{2020, 9, 21}, u"敬老の日"},
          {{2020, 9, 22}, u"秋分の日"},
          {{2020, 11, 3}, u"文化の日"},
          {{2020, 11, 23}, u"勤労感謝の日"}}},
        {2021,
         {{{2021, 1, 1}, u"元日"},
          {{2021, 1, 11}, u"成人の日"},
          {{2021, 2, 11}, u"建国記念の日"},
          {{2021, 2, 23}, u"天皇誕生日"},
          {{2021, 3, 20}, u"春分の日"},
          {{2021, 4, 29}, u"昭和の日"},
          {{2021, 5, 3}, u"憲法記念日"},
          {{2021, 5, 4}, u"みどりの日"},
          {{2021, 5, 5}, u"こどもの日"},
          {{2021, 7, 22}, u"海の日"},
          {{2021, 7, 23}, u"スポーツの日"},
          {{2021, 8, 8}, u"山の日"},
          {{2021, 8, 9}, u"振替休日"},
          {{2021, 9, 20}, u"敬老の日"},
          {{2021, 9, 23}, u"秋分の日"},
          {{2021, 11, 3}, u"文化の日"},
          {{2021, 11, 23}, u"勤労感謝の日"}}},
    };
    for (const auto& year : years) {
        std::vector<std::pair<QDate, QString>> got, want;
        for (QDate d(year.Year, 1, 1); d.year() == year.Year; d = d.addDays(1))
            if (HolidayTable()->HolidayIndex(d.year(), d.month(), d.day()) >= 0)
                got.emplace_back(d, Holiday(d.year(), d.month(), d.day()));
        for (const auto& [d, name] : year.Days)
            want.emplace_back(QDate(d.Y, d.M, d.D), QString::fromUtf16(name));
        EXPECT_EQ(got, want) << year.Year;
    }
}

TEST_F(ShippedTables, SubstituteAndCitizensHolidaysUnderBothLaws) {
    struct {
        TDate Date;
        const char16_t* Name; // null: not a holiday
    } const rows[] = {
        // Until 2006 a holiday on Sunday made the Monday a holiday.
        {{1989, 1, 2}, u"振替休日"},
        {{1989, 1, 16}, u"振替休日"},
        {{1998, 5, 4}, u"振替休日"},
        {{2006, 1, 2}, u"振替休日"},
        // From 2007 the next day that is not a national holiday.
        {{2008, 5, 6}, u"振替休日"},
        {{2009, 5, 6}, u"振替休日"},
        {{2024, 2, 12}, u"振替休日"},
        {{2024, 9, 23}, u"振替休日"},
        // A day between two national holidays.
        {{1989, 5, 4}, u"国民の休日"},
        {{2006, 5, 4}, u"国民の休日"},
        {{2009, 9, 22}, u"国民の休日"},
        {{2015, 9, 22}, u"国民の休日"},
        {{2026, 9, 22}, u"国民の休日"},
        // Until 2006 a Sunday between two holidays stayed a plain Sunday.
        {{2003, 5, 4}, nullptr},
        // Days of the special laws.
        {{1989, 2, 24}, u"大喪の礼"},
        {{1990, 11, 12}, u"即位礼正殿の儀"},
        {{1993, 6, 9}, u"皇太子徳仁親王の結婚の儀"},
        // The changes of 1996, 2000, 2003, 2007, 2016 and 2019.
        {{1995, 7, 20}, nullptr},
        {{1996, 7, 20}, u"海の日"},
        {{1999, 1, 15}, u"成人の日"},
        {{2000, 1, 10}, u"成人の日"},
        {{2002, 9, 15}, u"敬老の日"},
        {{2002, 9, 16}, u"振替休日"},
        {{2003, 9, 15}, u"敬老の日"},
        {{2004, 9, 15}, nullptr},
        {{2006, 4, 29}, u"みどりの日"},
        {{2007, 4, 29}, u"昭和の日"},
        {{2007, 5, 4}, u"みどりの日"},
        {{2015, 8, 11}, nullptr},
        {{2016, 8, 11}, u"山の日"},
        {{2018, 12, 23}, u"天皇誕生日"},
        {{2018, 12, 24}, u"振替休日"},
        {{2019, 12, 23}, nullptr},
        {{2022, 10, 10}, u"スポーツの日"},
    };
    for (const auto& r : rows) {
        const TDate& d = r.Date;
        EXPECT_EQ(Holiday(d.Y, d.M, d.D), r.Name ? QString::fromUtf16(r.Name) : QString())
            << Text(d);
    }
}
