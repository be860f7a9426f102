#pragma once
// The clamping and rounding helpers shared by the pixel engines and the geometry, so that
// every unit rounds the same way.

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <limits>

// V limited to the range of int.
inline int ClampToInt(int64_t V) {
    return static_cast<int>(
        std::clamp<int64_t>(V, std::numeric_limits<int>::min(), std::numeric_limits<int>::max()));
}

// Rounds half away from zero into 64 bits; NaN gives 0 and values beyond +-4e18 are clamped.
inline int64_t RoundHalfAway(double V) {
    if (std::isnan(V))
        return 0;
    return std::llround(std::clamp(V, -4e18, 4e18));
}

// Truncates toward zero into 64 bits; NaN gives 0 and values beyond +-4e18 are clamped.
inline int64_t TruncToInt64(double V) {
    if (std::isnan(V))
        return 0;
    return static_cast<int64_t>(std::clamp(V, -4e18, 4e18));
}

// The same, limited to int.
inline int RoundToInt(double V) {
    return ClampToInt(RoundHalfAway(V));
}

inline int TruncToInt(double V) {
    return ClampToInt(TruncToInt64(V));
}

// V limited to 0..255.
inline uint8_t ClampByte(int V) {
    return static_cast<uint8_t>(std::clamp(V, 0, 255));
}
