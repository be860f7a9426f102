#pragma once
// Builds the three calendar tables the program ships, for the days of 1989-01-01 to
// 2151-12-31:
//   "MoonAge.tbl"  one little-endian 16-bit word per day slot: the moon's age at noon JST in
//                  units of 1/1024 day;
//   "W6Z24.tbl"    one word per day slot: weekday + 1 (bits 0-2), six-day cycle + 1 (bits
//                  3-5), seasonal day + 1 (bits 6-9), solar term + 1 (bits 10-14);
//   "Holiday.tbl"  the holiday names and one definition line per holiday, code page 932.
// A day slot is ((year - 1989) * 12 + month - 1) * 31 + day - 1; slots of dates that do not
// exist (30 February) stay 0. The output is fully determined by the computation: running the
// generator twice gives the same bytes.

#include <QByteArray>
#include <QString>

constexpr int CalendarFirstYear = 1989;
constexpr int CalendarLastYear = 2151;

// Seasonal-day indexes (bits 6-9 hold index + 1), in the order of the program's name list.
enum TZassetsu {
    zsWinterDoyo,     // 土用 (solar longitude 297 degrees)
    zsSetsubun,       // 節分, the day before 立春
    zsSpringHigan,    // 彼岸, three days before the March equinox
    zsSpringDoyo,     // 土用 (27 degrees)
    zsHachijuHachiya, // 八十八夜, 立春 + 87 days
    zsNyubai,         // 入梅 (80 degrees)
    zsHangesho,       // 半夏生 (100 degrees)
    zsSummerDoyo,     // 土用 (117 degrees)
    zsNihyakuToka,    // 二百十日, 立春 + 209 days
    zsAutumnHigan,    // 彼岸, three days before the September equinox
    zsAutumnDoyo,     // 土用 (207 degrees)
};

struct TCalendarTables {
    QByteArray MoonAge;
    QByteArray W6Z24;
    QByteArray Holiday;
};

// Computes the three tables. Raises std::runtime_error when the computation contradicts
// itself (two seasonal days on one date, an irregular lunar year).
TCalendarTables GenerateCalendarTables();

// The text of "Holiday.tbl" (before conversion to code page 932).
QString HolidayTableText();

// Writes "MoonAge.tbl", "W6Z24.tbl" and "Holiday.tbl" into Folder, each atomically.
void WriteCalendarTables(const TCalendarTables& Tables, const QString& Folder);
