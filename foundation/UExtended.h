#pragma once
// 80-bit extended-precision numbers as x87 code stores them: a 64-bit significand with an
// explicit integer bit, then 15 exponent bits (bias 16383) and the sign, little-endian, ten
// bytes. Property streams store floating-point values this way. The codecs work on the
// bits and give the same results on every processor.

#include <array>
#include <cstdint>

using TExtendedBytes = std::array<uint8_t, 10>;

// The exact extended form of Value (every double has one), infinities and NaNs included.
TExtendedBytes DoubleToExtended(double Value);

// The double nearest to the extended value, ties to even. Values beyond the double range
// give infinity, values below half the smallest subnormal give zero (signs kept); NaNs give
// a quiet NaN. Denormal and unnormal encodings are read by their value.
double ExtendedToDouble(const TExtendedBytes& Bytes);
