#include "TestSupport.h"
#include "UAstroTime.h"
#include "UCalendarTables.h"
#include "UCodePage.h"
#include "UHolidayLaw.h"
#include "ULunisolar.h"
#include "UNewMoon.h"
#include "USolarLongitude.h"
#include "UStreams.h"

#include <QDate>
#include <QDir>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QString ShippedPath(const char* Name) {
    return QStringLiteral(VANTOMI_SOURCE_DIR "/data/") + QString::fromLatin1(Name);
}

// Describes the first difference of two tables, for a readable failure.
std::string FirstDifference(const QByteArray& A, const QByteArray& B) {
    const qsizetype n = std::min(A.size(), B.size());
    for (qsizetype i = 0; i < n; ++i)
        if (A[i] != B[i])
            return "first difference at byte " + std::to_string(i);
    return A.size() == B.size() ? "equal" : "sizes differ";
}

} // namespace

TEST(CalendarTables, RegeneratedTablesEqualTheShippedFiles) {
    const TCalendarTables t = GenerateCalendarTables();
    const struct {
        const char* Name;
        const QByteArray& Bytes;
    } files[] = {{"MoonAge.tbl", t.MoonAge}, {"W6Z24.tbl", t.W6Z24}, {"Holiday.tbl", t.Holiday}};
    for (const auto& f : files) {
        const QByteArray shipped = ReadWholeFile(ShippedPath(f.Name));
        EXPECT_TRUE(shipped == f.Bytes) << f.Name << ": " << FirstDifference(shipped, f.Bytes);
    }
    EXPECT_EQ(t.MoonAge.size(), 121272);
    EXPECT_EQ(t.W6Z24.size(), 121272);
    EXPECT_EQ(FromCP932(t.Holiday), HolidayTableText()); // all of it fits code page 932
}

TEST(CalendarTables, TheToolWritesTheSameFiles) {
    QTemporaryDir dir;
    QByteArray output;
    const QString folder = dir.filePath("out");
    ASSERT_EQ(RunProgram(QStringLiteral(VANTOMI_CALTABLES_TOOL), {folder}, &output), 0)
        << output.toStdString();
    for (const char* name : {"MoonAge.tbl", "W6Z24.tbl", "Holiday.tbl"})
        EXPECT_TRUE(ReadWholeFile(QDir(folder).filePath(name)) == ReadWholeFile(ShippedPath(name)))
            << name;
    EXPECT_EQ(RunProgram(QStringLiteral(VANTOMI_CALTABLES_TOOL), {}, &output), 2);
    EXPECT_TRUE(output.contains("usage"));
}

TEST(AstroTime, DayNumbersAndDeltaT) {
    for (QDate d(1980, 1, 1); d <= QDate(2160, 12, 31); d = d.addDays(1)) {
        const int jdn = JulianDayNumber(d.year(), d.month(), d.day());
        ASSERT_EQ(jdn, d.toJulianDay());
        const TCivilDate c = CivilDateOf(jdn);
        ASSERT_EQ(QDate(c.Year, c.Month, c.Day), d);
        ASSERT_EQ(WeekdayOf(jdn), d.dayOfWeek() % 7);
    }
    EXPECT_NEAR(DeltaTSeconds(2000.0), 63.86, 0.01);
    EXPECT_NEAR(DeltaTSeconds(2010.0), 66.70, 0.01);
    EXPECT_NEAR(DeltaTSeconds(2150.0), 328.5, 0.1); // the two long-term formulas meet
    EXPECT_NEAR(DeltaTSeconds(2149.999), DeltaTSeconds(2150.0), 0.01);
    // 2000-01-01 12:00 TT is 11:58:56 UT, 20:58:56 JST the same day; 15:00:00 UT is the
    // next day in Japan.
    EXPECT_EQ(JstDayOf(2451545.0), 2451545);
    EXPECT_EQ(JstDayOf(2451545.125 + 64.0 / 86400.0), 2451546);
    EXPECT_EQ(JstDayOf(2451545.125 + 63.0 / 86400.0), 2451545);
}

TEST(Astronomy, AgreesWithTheWorkedExamplesOfTheMethods) {
    // Nutation on 1987-04-10 0h TT: -3.788 arc seconds.
    EXPECT_NEAR(NutationInLongitude(2446895.5) * 3600.0, -3.788, 0.001);
    // Apparent solar longitude on 1992-10-13 0h TT: 199 deg 54' 21.8".
    EXPECT_NEAR(ApparentSolarLongitude(2448908.5), 199.0 + 54.0 / 60 + 21.8 / 3600, 0.5 / 3600);
    // New moon of 1977 February: 18th, 3h37m42s TT.
    EXPECT_NEAR(NewMoonInstant(-283), 2443192.65118, 0.00001);
    EXPECT_EQ(LunationAtOrBefore(2443192.66), -283);
    EXPECT_EQ(LunationAtOrBefore(2443192.64), -284);
    // The March equinox of 2000 was at 07:35 UT on the 20th.
    const double equinox = SolarLongitudeInstant(0.0, 2451623.0);
    EXPECT_NEAR(UniversalTimeOf(equinox), 2451623.5 + (7 + 35.0 / 60) / 24, 2.0 / 1440);
    EXPECT_NEAR(ApparentSolarLongitude(equinox), 0.0, 1e-6);
}

TEST(Lunisolar, MonthsNumberedByPrincipalTerms) {
    const std::vector<TLunarMonth> months = LunarMonths(2033, 2034);
    auto find = [&](int Y, int M, int D) -> const TLunarMonth* {
        const int jdn = JulianDayNumber(Y, M, D);
        for (const TLunarMonth& m : months)
            if (m.StartJdn == jdn)
                return &m;
        return nullptr;
    };
    const struct {
        int Y, M, D, Number;
        bool Leap;
    } rows[] = {{2033, 1, 31, 1, false},  {2033, 9, 23, 9, false},  {2033, 11, 22, 11, false},
                {2033, 12, 22, 11, true}, {2034, 1, 20, 12, false}, {2034, 2, 19, 1, false}};
    for (const auto& r : rows) {
        const TLunarMonth* m = find(r.Y, r.M, r.D);
        ASSERT_NE(m, nullptr) << r.Y << "-" << r.M << "-" << r.D;
        EXPECT_EQ(m->Number, r.Number) << r.Y << "-" << r.M << "-" << r.D;
        EXPECT_EQ(m->Leap, r.Leap) << r.Y << "-" << r.M << "-" << r.D;
    }
    EXPECT_LE(months.front().StartJdn, JulianDayNumber(2033, 1, 1));
    EXPECT_EQ(SixDayOfLunarDate(1, 1), 0);
    EXPECT_EQ(SixDayOfLunarDate(6, 1), 5);
    EXPECT_EQ(SixDayOfLunarDate(12, 30), 4);
}

TEST(HolidayLaw, NamesFitTheTableAndDatesAreOrdered) {
    for (int i = 0; i < hnCount; ++i) {
        EXPECT_FALSE(HolidayDisplayName(THolidayName(i)).isEmpty()) << i;
        EXPECT_TRUE(IsCP932Encodable(HolidayDisplayName(THolidayName(i)))) << i;
    }
    const std::vector<THoliday> days = NationalHolidays(1989, 2151);
    for (size_t i = 1; i < days.size(); ++i)
        ASSERT_LT(days[i - 1].Jdn, days[i].Jdn);
    // Each year has between 14 and 24 holidays.
    for (int y = 1989; y <= 2151; ++y) {
        const int first = JulianDayNumber(y, 1, 1), last = JulianDayNumber(y, 12, 31);
        const auto n = std::count_if(days.begin(), days.end(), [&](const THoliday& h) {
            return h.Jdn >= first && h.Jdn <= last;
        });
        EXPECT_GE(n, 14) << y;
        EXPECT_LE(n, 24) << y;
    }
}
