#pragma once
// Instants of new moon from the mean lunar phase with its periodic corrections (the classic
// method built on the ELP-2000/82 lunar theory; error below half a minute between 1900 and
// 2100, growing slowly outside).

// Lunation number K: 0 is the new moon of 2000-01-06, negative before.
// Answers the TT instant (JDE) of that new moon.
double NewMoonInstant(int K);

// Lunation number of the last new moon at or before the TT instant Jde.
int LunationAtOrBefore(double Jde);
