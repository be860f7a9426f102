#pragma once
// Time scales and calendar dates for the table generator.
//
// Instants are Julian days (double). Astronomical series take Terrestrial Time (JDE); civil
// dates are taken in Japan Standard Time, UT + 9 h, with UT = TT - delta T. A civil date is
// handled as its Julian Day Number (the integer JD of its noon), so that day arithmetic is
// integer arithmetic.

// Julian Day Number of a Gregorian date (proleptic, any year >= -4800).
int JulianDayNumber(int Year, int Month, int Day);

struct TCivilDate {
    int Year = 0;
    int Month = 0;
    int Day = 0;
};
// Gregorian date of a Julian Day Number.
TCivilDate CivilDateOf(int Jdn);

// Weekday of a Julian Day Number, 0 = Sunday .. 6 = Saturday.
int WeekdayOf(int Jdn);

// Delta T = TT - UT in seconds for a decimal year, from the Espenak-Meeus polynomials
// (observed fits up to 2005, extrapolations after).
double DeltaTSeconds(double DecimalYear);

// Universal Time of a Terrestrial Time instant (both Julian days).
double UniversalTimeOf(double Jde);

// Julian Day Number of the JST civil date in which a TT instant falls.
int JstDayOf(double Jde);
