#pragma once
// Japan's national holidays under the holiday law as amended up to 2026, with the special
// laws for single days (1989, 1990, 1993, 2019) and the Olympic moves of 2020 and 2021.
// Years after 2026 are a projection of the law as it then stood; the equinox days come from
// the solar computation.

#include <QString>
#include <vector>

// Name indexes of the holiday table, in the order of its name list.
enum THolidayName {
    hnNewYearsDay,        // 元日
    hnComingOfAgeDay,     // 成人の日
    hnFoundationDay,      // 建国記念の日
    hnEmperorsBirthday,   // 天皇誕生日
    hnVernalEquinoxDay,   // 春分の日
    hnGreeneryDay,        // みどりの日
    hnShowaDay,           // 昭和の日
    hnConstitutionDay,    // 憲法記念日
    hnChildrensDay,       // こどもの日
    hnMarineDay,          // 海の日
    hnMountainDay,        // 山の日
    hnRespectForAgedDay,  // 敬老の日
    hnAutumnalEquinoxDay, // 秋分の日
    hnHealthSportsDay,    // 体育の日
    hnSportsDay,          // スポーツの日
    hnCultureDay,         // 文化の日
    hnLaborThanksgiving,  // 勤労感謝の日
    hnSubstituteHoliday,  // 振替休日
    hnCitizensHoliday,    // 国民の休日
    hnFuneralOfShowa,     // 大喪の礼
    hnEnthronement,       // 即位礼正殿の儀
    hnRoyalWedding,       // 皇太子徳仁親王の結婚の儀
    hnAccessionDay,       // 即位の日
    hnCount
};

// Display name of a holiday name index.
QString HolidayDisplayName(THolidayName Name);

struct THoliday {
    int Jdn = 0; // Julian Day Number of the date
    THolidayName Name = hnNewYearsDay;
};

// Every holiday (national holidays, substitute holidays, citizens' holidays) of the years
// FirstYear..LastYear (FirstYear >= 1989), in date order.
std::vector<THoliday> NationalHolidays(int FirstYear, int LastYear);
