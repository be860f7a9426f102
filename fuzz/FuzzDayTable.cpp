// The day tables: a table file loaded as weekday and moon-age table, then asked about days.
#include "FuzzSupport.h"

#include "UDayTable.h"

namespace {

void Run(const QByteArray& Input) {
    const QString path = FuzzFile(Input, QStringLiteral(".tbl"));
    LoadW6Z24Table(path);
    LoadMoonAgeTable(path);
    for (const int year : {1989, 2000, 2151})
        for (int month = 1; month <= 12; ++month) {
            WeeksInMonth(year, month, 0);
            for (const int day : {1, 15, 29, 31}) {
                IsSupportedDate(year, month, day);
                SolarTermName(SolarTermIndex(year, month, day));
                SixDayName(SixDayIndex(year, month, day));
                ZassetsuName(ZassetsuIndex(year, month, day));
                MoonAge(year, month, day);
            }
        }
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
