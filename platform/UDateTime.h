#pragma once
// Date-time values in the class library's form and its date formatting with the Japanese
// locale.
//
// A TDateTime is a count of days since 1899-12-30 00:00; the fraction is the time of day
// (its absolute value for dates before the epoch). Valid values lie in the years 1..9999.

#include <QDate>
#include <QString>
#include <QTime>

// A point in time as days since 1899-12-30, the time of day as the fraction. It converts to
// and from double freely; it is a type of its own so that properties of it are written as
// dates.
struct TDateTime {
    double Value = 0;

    constexpr TDateTime() = default;
    constexpr TDateTime(double V) : Value(V) {}
    constexpr operator double() const { return Value; }
};

// The value of a calendar date and time of day (a date before 1899-12-30 gets a negative
// day count with the time subtracted, as the class library does). Raises EConvertError for
// an invalid date or one outside the years 1..9999; an invalid time counts as 00:00.
TDateTime EncodeDateTime(const QDate& Date, const QTime& Time = QTime(0, 0));
// The calendar date and time of day of Value, the time rounded to the millisecond. Raises
// EConvertError when Value is not a number or lies outside the years 1..9999.
void DecodeDateTime(TDateTime Value, QDate& Date, QTime& Time);

// Formats Value by Format. The format letters (case-insensitive) are:
//   c        the short date, then a space and the long time unless the time is 00:00:00
//   d dd     day of the month without / with a leading zero
//   ddd dddd short / long day name (日 / 日曜日); aaa aaaa the same
//   ddddd    the short date (yyyy/MM/dd); dddddd and longer: the long date (yyyy年M月d日)
//   e ee     year of the Japanese era without / with a leading zero
//   g gg     the era's first character / full name (明 大 昭 平 令 / 明治 ... 令和),
//            eras starting 1868-01-01, 1912-07-30, 1926-12-25, 1989-01-08, 2019-05-01;
//            a date before 1868 has no era: g is empty and e gives the Western year
//   m mm     month without / with a leading zero (minutes when directly after an hour)
//   mmm mmmm short / long month name (both "1月" .. "12月")
//   yy yyyy  two- / four-digit year (a single y counts as yy, three as yyyy)
//   h hh     hour, 24-hour clock unless the format holds am/pm, a/p or ampm
//   n nn s ss z zzz  minutes, seconds, milliseconds
//   t tt     the short (H:mm) / long (H:mm:ss) time
//   am/pm a/p  "am"/"pm" or "a"/"p" in the case written; ampm  午前 / 午後
//   /  :     the date and time separators ("/" and ":")
//   '...' "..."  literal text
// Any other character stands for itself. An empty format is "c".
// Raises EConvertError for a value outside the valid range.
QString FormatDateTime(const QString& Format, TDateTime Value);
