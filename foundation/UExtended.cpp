#include "UExtended.h"

#include <bit>
#include <cstring>
#include <limits>

namespace {

constexpr int ExtBias = 16383;
constexpr int DblBias = 1023;
constexpr uint64_t IntegerBit = uint64_t(1) << 63;

// Shifts M right by Shift bits (1 .. 127), rounding to nearest with ties to even.
uint64_t ShiftRound(uint64_t M, int Shift) {
    if (Shift >= 65)
        return 0; // below half of the lowest kept bit
    const uint64_t kept = Shift == 64 ? 0 : M >> Shift;
    const uint64_t rest = Shift == 64 ? M : M & ((uint64_t(1) << Shift) - 1);
    const uint64_t half = uint64_t(1) << (Shift - 1);
    if (rest > half || (rest == half && (kept & 1)))
        return kept + 1;
    return kept;
}

} // namespace

TExtendedBytes DoubleToExtended(double Value) {
    const uint64_t bits = std::bit_cast<uint64_t>(Value);
    const uint16_t sign = (bits >> 63) ? 0x8000 : 0;
    const int exp = static_cast<int>((bits >> 52) & 0x7FF);
    const uint64_t frac = bits & ((uint64_t(1) << 52) - 1);
    uint64_t mant = 0;
    int e = 0;
    if (exp == 0x7FF) { // infinity or NaN
        e = 0x7FFF;
        mant = IntegerBit | (frac ? (uint64_t(1) << 62) | (frac << 11) : 0);
    } else if (exp == 0 && frac == 0) { // zero
        e = 0;
        mant = 0;
    } else if (exp == 0) { // subnormal double: a normal extended
        const int lz = std::countl_zero(frac);
        mant = frac << lz;
        e = ExtBias - 1011 - lz;
    } else {
        mant = IntegerBit | (frac << 11);
        e = exp - DblBias + ExtBias;
    }
    TExtendedBytes out{};
    std::memcpy(out.data(), &mant, 8);
    const uint16_t se = static_cast<uint16_t>(sign | e);
    std::memcpy(out.data() + 8, &se, 2);
    return out;
}

double ExtendedToDouble(const TExtendedBytes& Bytes) {
    uint64_t mant;
    uint16_t se;
    std::memcpy(&mant, Bytes.data(), 8);
    std::memcpy(&se, Bytes.data() + 8, 2);
    const uint64_t sign = uint64_t(se >> 15) << 63;
    const int e = se & 0x7FFF;
    if (e == 0x7FFF) {
        if ((mant << 1) == 0)
            return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
        return std::numeric_limits<double>::quiet_NaN();
    }
    if (mant == 0)
        return std::bit_cast<double>(sign);
    // Value = mant * 2^(E - 63) with E the unbiased exponent; the smallest exponent field
    // stands for the same scale as 1.
    int E = (e == 0 ? 1 : e) - ExtBias;
    const int lz = std::countl_zero(mant);
    mant <<= lz;
    E -= lz;
    if (E > DblBias)
        return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
    if (E >= 1 - DblBias) {
        uint64_t m = ShiftRound(mant, 11); // 53 bits, 2^52 .. 2^53
        if (m == (uint64_t(1) << 53)) {
            m >>= 1;
            ++E;
            if (E > DblBias)
                return std::bit_cast<double>(sign | (uint64_t(0x7FF) << 52));
        }
        const uint64_t biased = static_cast<uint64_t>(E + DblBias);
        return std::bit_cast<double>(sign | (biased << 52) | (m & ((uint64_t(1) << 52) - 1)));
    }
    // Subnormal result: the value in units of 2^-1074. A carry into bit 52 lands exactly
    // on the smallest normal number's encoding.
    const int shift = 11 + (1 - DblBias - E);
    const uint64_t m = ShiftRound(mant, shift);
    return std::bit_cast<double>(sign | m);
}
