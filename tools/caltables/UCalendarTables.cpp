#include "UCalendarTables.h"

#include "UAstroTime.h"
#include "UCodePage.h"
#include "UHolidayLaw.h"
#include "ULunisolar.h"
#include "UNewMoon.h"
#include "USolarLongitude.h"
#include "UStreams.h"

#include <QDir>
#include <QStringList>
#include <QtEndian>
#include <cmath>
#include <map>
#include <stdexcept>

namespace {

constexpr int SlotCount = (CalendarLastYear - CalendarFirstYear + 1) * 12 * 31;

int SlotIndex(const TCivilDate& D) {
    return ((D.Year - CalendarFirstYear) * 12 + D.Month - 1) * 31 + D.Day - 1;
}

int FirstDay() {
    return JulianDayNumber(CalendarFirstYear, 1, 1);
}
int LastDay() {
    return JulianDayNumber(CalendarLastYear, 12, 31);
}

QByteArray ToBlock(const std::vector<quint16>& Words) {
    QByteArray block(static_cast<qsizetype>(Words.size()) * 2, '\0');
    for (size_t i = 0; i < Words.size(); ++i)
        qToLittleEndian<quint16>(Words[i], block.data() + 2 * i);
    return block;
}

// Moon age at noon JST of every day, in 1/1024 day.
QByteArray MoonAgeBlock() {
    std::vector<quint16> words(SlotCount, 0);
    const int first = FirstDay(), last = LastDay();
    // Noon JST is 03:00 UT, a quarter and an eighth of a day before the JD of noon UT.
    auto noonUT = [](int Jdn) { return Jdn - 9.0 / 24.0; };
    int k = LunationAtOrBefore(noonUT(first));
    double newMoon = UniversalTimeOf(NewMoonInstant(k));
    double nextNewMoon = UniversalTimeOf(NewMoonInstant(k + 1));
    for (int day = first; day <= last; ++day) {
        const double noon = noonUT(day);
        while (nextNewMoon <= noon) {
            ++k;
            newMoon = nextNewMoon;
            nextNewMoon = UniversalTimeOf(NewMoonInstant(k + 1));
        }
        const double age = std::floor((noon - newMoon) * 1024.0);
        if (age < 0.0 || age > 65535.0)
            throw std::runtime_error("moon age out of range");
        words[SlotIndex(CivilDateOf(day))] = static_cast<quint16>(age);
    }
    return ToBlock(words);
}

// Seasonal days of all years, by Julian Day Number.
std::map<int, int> ZassetsuDays() {
    std::map<int, int> days;
    auto put = [&days](int Jdn, TZassetsu Index) {
        if (!days.emplace(Jdn, Index).second)
            throw std::runtime_error("two seasonal days on one date");
    };
    for (int y = CalendarFirstYear; y <= CalendarLastYear; ++y) {
        const int risshun = SolarLongitudeDay(315.0, y);
        put(SolarLongitudeDay(297.0, y), zsWinterDoyo);
        put(risshun - 1, zsSetsubun);
        put(SolarLongitudeDay(0.0, y) - 3, zsSpringHigan);
        put(SolarLongitudeDay(27.0, y), zsSpringDoyo);
        put(risshun + 87, zsHachijuHachiya);
        put(SolarLongitudeDay(80.0, y), zsNyubai);
        put(SolarLongitudeDay(100.0, y), zsHangesho);
        put(SolarLongitudeDay(117.0, y), zsSummerDoyo);
        put(risshun + 209, zsNihyakuToka);
        put(SolarLongitudeDay(180.0, y) - 3, zsAutumnHigan);
        put(SolarLongitudeDay(207.0, y), zsAutumnDoyo);
    }
    return days;
}

// Solar terms of all years (index 0 = 春分 at 0 degrees, one per 15 degrees).
std::map<int, int> SolarTermDays() {
    std::map<int, int> days;
    for (int y = CalendarFirstYear; y <= CalendarLastYear; ++y)
        for (int index = 0; index < 24; ++index)
            if (!days.emplace(SolarLongitudeDay(15.0 * index, y), index).second)
                throw std::runtime_error("two solar terms on one date");
    return days;
}

QByteArray W6Z24Block() {
    std::vector<quint16> words(SlotCount, 0);
    const std::map<int, int> zassetsu = ZassetsuDays();
    const std::map<int, int> terms = SolarTermDays();
    const std::vector<TLunarMonth> months = LunarMonths(CalendarFirstYear, CalendarLastYear);
    size_t month = 0;
    for (int day = FirstDay(); day <= LastDay(); ++day) {
        while (month + 1 < months.size() && months[month + 1].StartJdn <= day)
            ++month;
        const int lunarDay = day - months[month].StartJdn + 1;
        if (lunarDay < 1 || lunarDay > 30)
            throw std::runtime_error("day outside its lunar month");
        unsigned word = WeekdayOf(day) + 1;
        word |= (SixDayOfLunarDate(months[month].Number, lunarDay) + 1) << 3;
        if (const auto z = zassetsu.find(day); z != zassetsu.end())
            word |= (z->second + 1) << 6;
        if (const auto t = terms.find(day); t != terms.end())
            word |= (t->second + 1) << 10;
        words[SlotIndex(CivilDateOf(day))] = static_cast<quint16>(word);
    }
    return ToBlock(words);
}

} // namespace

QString HolidayTableText() {
    QStringList lines;
    lines << QStringLiteral("; 国民の祝日・休日 %1年-%2年")
                 .arg(CalendarFirstYear)
                 .arg(CalendarLastYear)
          << QStringLiteral("; 2027年以降は2026年時点の祝日法による推定です。")
          << QStringLiteral("[HolidayName]");
    for (int i = 0; i < hnCount; ++i)
        lines << QStringLiteral("%1,%2").arg(i).arg(HolidayDisplayName(THolidayName(i)));
    lines << QStringLiteral("[HolidayDef]");
    for (const THoliday& h : NationalHolidays(CalendarFirstYear, CalendarLastYear)) {
        const TCivilDate d = CivilDateOf(h.Jdn);
        lines << QStringLiteral("%1;%2;%3;%4").arg(d.Year).arg(d.Month).arg(d.Day).arg(h.Name);
    }
    return lines.join(QStringLiteral("\r\n")) + QStringLiteral("\r\n");
}

TCalendarTables GenerateCalendarTables() {
    TCalendarTables t;
    t.MoonAge = MoonAgeBlock();
    t.W6Z24 = W6Z24Block();
    t.Holiday = ToCP932(HolidayTableText());
    return t;
}

void WriteCalendarTables(const TCalendarTables& Tables, const QString& Folder) {
    const QDir dir(Folder);
    WriteFileAtomic(dir.filePath(QStringLiteral("MoonAge.tbl")), Tables.MoonAge);
    WriteFileAtomic(dir.filePath(QStringLiteral("W6Z24.tbl")), Tables.W6Z24);
    WriteFileAtomic(dir.filePath(QStringLiteral("Holiday.tbl")), Tables.Holiday);
}
