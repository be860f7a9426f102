#pragma once
// Date texts of date objects and calendars.

#include "UDateTime.h"

#include <QString>

// Formats Date by Format (the letters of FormatDateTime). Before formatting, the macros
// $(LongMonthA), $(LongMonthB), $(LongMonthC), $(ShortMonthA), $(ShortMonthB) and
// $(ShortMonthC) in Format become the date's English month name as a quoted literal:
// "January" / "january" / "JANUARY" and "Jan" / "jan" / "JAN". A format whose macros cannot
// be expanded (an unknown macro, a reference left open) is formatted as it stands, so a
// date object always has a text. Raises EConvertError for a date outside the years 1..9999.
QString FormatDateText(const QString& Format, TDateTime Date);
