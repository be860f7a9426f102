#pragma once
// Apparent geocentric longitude of the Sun.
//
// The Earth's heliocentric position comes from the VSOP87 theory (series D, ecliptic and
// equinox of date) truncated to its leading terms as tabulated for almanac use; the Sun's
// latitude (below one arc second) is neglected. The geometric longitude becomes the apparent
// one through the FK5 correction, the IAU 1980 nutation in longitude and the annual
// aberration. The error is about one arc second, some 25 seconds of time, between 1900 and
// 2200.

// Nutation in longitude (degrees) at a TT instant, IAU 1980 series.
double NutationInLongitude(double Jde);

// Apparent longitude of the Sun (degrees, 0 <= value < 360) at a TT instant.
double ApparentSolarLongitude(double Jde);

// The TT instant near Guess (within about a month) at which the apparent solar longitude
// equals TargetDegrees.
double SolarLongitudeInstant(double TargetDegrees, double Guess);

// Julian Day Number of the JST date in calendar year Year on which the apparent solar
// longitude reaches Degrees (0 <= Degrees < 360; 0 is the March equinox).
int SolarLongitudeDay(double Degrees, int Year);
