#include "UAstroTime.h"

#include <cmath>

int JulianDayNumber(int Year, int Month, int Day) {
    const int a = (14 - Month) / 12;
    const int y = Year + 4800 - a;
    const int m = Month + 12 * a - 3;
    return Day + (153 * m + 2) / 5 + 365 * y + y / 4 - y / 100 + y / 400 - 32045;
}

TCivilDate CivilDateOf(int Jdn) {
    const int a = Jdn + 32044;
    const int b = (4 * a + 3) / 146097;
    const int c = a - 146097 * b / 4;
    const int d = (4 * c + 3) / 1461;
    const int e = c - 1461 * d / 4;
    const int m = (5 * e + 2) / 153;
    TCivilDate r;
    r.Day = e - (153 * m + 2) / 5 + 1;
    r.Month = m + 3 - 12 * (m / 10);
    r.Year = 100 * b + d - 4800 + m / 10;
    return r;
}

int WeekdayOf(int Jdn) {
    // JDN 0 was a Monday; JDN + 1 mod 7 counts from Sunday.
    return (Jdn + 1) % 7;
}

double DeltaTSeconds(double DecimalYear) {
    const double y = DecimalYear;
    if (y < 2005.0) {
        const double t = y - 2000.0;
        return 63.86 + t * (0.3345 + t * (-0.060374 +
                                          t * (0.0017275 + t * (0.000651814 + t * 0.00002373599))));
    }
    if (y < 2050.0) {
        const double t = y - 2000.0;
        return 62.92 + t * (0.32217 + t * 0.005589);
    }
    const double u = (y - 1820.0) / 100.0;
    if (y < 2150.0)
        return -20.0 + 32.0 * u * u - 0.5628 * (2150.0 - y);
    return -20.0 + 32.0 * u * u;
}

double UniversalTimeOf(double Jde) {
    const double year = 2000.0 + (Jde - 2451545.0) / 365.25;
    return Jde - DeltaTSeconds(year) / 86400.0;
}

int JstDayOf(double Jde) {
    // The civil day of JD J (UT) is the one whose noon is floor(J + 0.5).
    return static_cast<int>(std::floor(UniversalTimeOf(Jde) + 9.0 / 24.0 + 0.5));
}
