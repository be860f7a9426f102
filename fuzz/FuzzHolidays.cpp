// The holiday file (code page 932 text): names and definitions, then every day asked.
#include "FuzzSupport.h"

#include "UCodePage.h"
#include "UDayTable.h"
#include "UHolidays.h"
#include "UStringList.h"

namespace {

void Run(const QByteArray& Input) {
    TStringList lines;
    lines.SetText(FromCP932(Input));
    THolidays holidays;
    holidays.LoadFromStrings(lines);
    for (int year = TYMDCacheData::FirstYear; year <= TYMDCacheData::LastYear; year += 7)
        for (int month = 1; month <= 12; ++month)
            for (int day = 1; day <= 31; day += 3)
                holidays.HolidayName(holidays.HolidayIndex(year, month, day));
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
