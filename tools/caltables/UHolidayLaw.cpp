#include "UHolidayLaw.h"

#include "UAstroTime.h"
#include "USolarLongitude.h"

#include <map>

namespace {

// Day of the N-th Monday of a month.
int NthMonday(int Year, int Month, int N) {
    const int first = JulianDayNumber(Year, Month, 1);
    const int offset = (8 - WeekdayOf(first)) % 7; // days from the 1st to the first Monday
    return first + offset + 7 * (N - 1);
}

using THolidayMap = std::map<int, THolidayName>;

void AddNamedHolidays(int Y, THolidayMap& Days) {
    auto add = [&](int Month, int Day, THolidayName Name) {
        Days[JulianDayNumber(Y, Month, Day)] = Name;
    };
    add(1, 1, hnNewYearsDay);
    if (Y < 2000)
        add(1, 15, hnComingOfAgeDay);
    else
        Days[NthMonday(Y, 1, 2)] = hnComingOfAgeDay;
    add(2, 11, hnFoundationDay);
    if (Y >= 2020)
        add(2, 23, hnEmperorsBirthday);
    Days[SolarLongitudeDay(0.0, Y)] = hnVernalEquinoxDay;
    if (Y < 2007) {
        add(4, 29, hnGreeneryDay);
    } else {
        add(4, 29, hnShowaDay);
        add(5, 4, hnGreeneryDay);
    }
    add(5, 3, hnConstitutionDay);
    add(5, 5, hnChildrensDay);
    if (Y == 2020)
        add(7, 23, hnMarineDay);
    else if (Y == 2021)
        add(7, 22, hnMarineDay);
    else if (Y >= 2003)
        Days[NthMonday(Y, 7, 3)] = hnMarineDay;
    else if (Y >= 1996)
        add(7, 20, hnMarineDay);
    if (Y == 2020)
        add(8, 10, hnMountainDay);
    else if (Y == 2021)
        add(8, 8, hnMountainDay);
    else if (Y >= 2016)
        add(8, 11, hnMountainDay);
    if (Y < 2003)
        add(9, 15, hnRespectForAgedDay);
    else
        Days[NthMonday(Y, 9, 3)] = hnRespectForAgedDay;
    Days[SolarLongitudeDay(180.0, Y)] = hnAutumnalEquinoxDay;
    if (Y < 2000)
        add(10, 10, hnHealthSportsDay);
    else if (Y < 2020)
        Days[NthMonday(Y, 10, 2)] = hnHealthSportsDay;
    else if (Y == 2020)
        add(7, 24, hnSportsDay);
    else if (Y == 2021)
        add(7, 23, hnSportsDay);
    else
        Days[NthMonday(Y, 10, 2)] = hnSportsDay;
    add(11, 3, hnCultureDay);
    add(11, 23, hnLaborThanksgiving);
    if (Y <= 2018)
        add(12, 23, hnEmperorsBirthday);

    // Days made holidays by special laws; they count as national holidays.
    if (Y == 1989)
        add(2, 24, hnFuneralOfShowa);
    if (Y == 1990)
        add(11, 12, hnEnthronement);
    if (Y == 1993)
        add(6, 9, hnRoyalWedding);
    if (Y == 2019) {
        add(5, 1, hnAccessionDay);
        add(10, 22, hnEnthronement);
    }
}

} // namespace

QString HolidayDisplayName(THolidayName Name) {
    static const char16_t* const Names[hnCount] = {
        u"元日",           u"成人の日",
        u"建国記念の日",   u"天皇誕生日",
        u"春分の日",       u"みどりの日",
        u"昭和の日",       u"憲法記念日",
        u"こどもの日",     u"海の日",
        u"山の日",         u"敬老の日",
        u"秋分の日",       u"体育の日",
        u"スポーツの日",   u"文化の日",
        u"勤労感謝の日",   u"振替休日",
        u"国民の休日",     u"大喪の礼",
        u"即位礼正殿の儀", u"皇太子徳仁親王の結婚の儀",
        u"即位の日",
    };
    return Name >= 0 && Name < hnCount ? QString::fromUtf16(Names[Name]) : QString();
}

std::vector<THoliday> NationalHolidays(int FirstYear, int LastYear) {
    THolidayMap named;
    for (int y = FirstYear; y <= LastYear; ++y)
        AddNamedHolidays(y, named);

    const int newLaw = JulianDayNumber(2007, 1, 1);
    const int last = JulianDayNumber(LastYear, 12, 31);
    THolidayMap all = named;

    // Substitute holidays. Until 2006 a holiday on a Sunday made the Monday a holiday (unless
    // it was one already); from 2007 the first following day that is not a national holiday.
    for (const auto& [day, name] : named) {
        if (WeekdayOf(day) != 0)
            continue;
        int next = day + 1;
        if (day >= newLaw) {
            while (named.count(next))
                ++next;
        }
        if (!all.count(next) && next <= last)
            all[next] = hnSubstituteHoliday;
    }

    // Citizens' holidays: a day between two national holidays. Until 2006 Sundays and
    // substitute holidays were excepted; from 2007 only the national holidays themselves (a
    // substitute holiday keeps its name).
    for (const auto& [day, name] : named) {
        const int between = day + 1;
        if (!named.count(between + 1) || named.count(between) || all.count(between))
            continue;
        if (between < newLaw && WeekdayOf(between) == 0)
            continue;
        all[between] = hnCitizensHoliday;
    }

    std::vector<THoliday> result;
    result.reserve(all.size());
    for (const auto& [day, name] : all)
        result.push_back({day, name});
    return result;
}
