#pragma once
// The Japanese lunisolar calendar as reckoned today: a month begins on the JST date of a new
// moon; the month holding the winter solstice is the 11th; between two such months there
// are twelve or thirteen months, and in a year of thirteen the first month without a
// principal term (a solar longitude that is a multiple of 30 degrees) is a leap month and
// repeats the number of the month before it. For 2033, where the older rules contradict
// each other, this gives the leap 11th month that the calendar makers agreed on.

#include <vector>

struct TLunarMonth {
    int StartJdn = 0; // Julian Day Number of the month's first day (JST)
    int Number = 0;   // 1..12
    bool Leap = false;
};

// The lunar months, in order, covering every day of the Gregorian years FirstYear through
// LastYear (the first month may begin before, the last one ends after). Raises
// std::runtime_error when the months between two winter solstices are not 12 or 13.
std::vector<TLunarMonth> LunarMonths(int FirstYear, int LastYear);

// The six-day cycle index (0 = the first name, which falls on the 1st day of the 1st month)
// of a lunar date: (month + day - 2) mod 6.
int SixDayOfLunarDate(int Month, int Day);
