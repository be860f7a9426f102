#include "UExtended.h"

#include <QByteArray>
#include <bit>
#include <cmath>
#include <cstring>
#include <gtest/gtest.h>
#include <limits>
#include <random>

namespace {

std::string Hex(const TExtendedBytes& B) {
    return QByteArray(reinterpret_cast<const char*>(B.data()), 10).toHex(' ').toStdString();
}

TExtendedBytes FromHex(const char* Text) {
    const QByteArray b = QByteArray::fromHex(Text);
    TExtendedBytes out{};
    std::memcpy(out.data(), b.constData(), 10);
    return out;
}

} // namespace

TEST(Extended, KnownValuesEncodeAndDecodeExactly) {
    const struct {
        double Value;
        const char* Bytes; // little-endian: significand, then sign and exponent
    } cases[] = {
        {0.0, "00 00 00 00 00 00 00 00 00 00"},
        {-0.0, "00 00 00 00 00 00 00 00 00 80"},
        {1.0, "00 00 00 00 00 00 00 80 ff 3f"},
        {-2.5, "00 00 00 00 00 00 00 a0 00 c0"},
        {1e300, "00 e0 ac 03 40 e4 21 bf e3 43"},
        {0.1, "00 d0 cc cc cc cc cc cc fb 3f"},
        // The smallest subnormal double, 2^-1074, is a normal extended number.
        {4.9406564584124654e-324, "00 00 00 00 00 00 00 80 cd 3b"},
        {std::numeric_limits<double>::max(), "00 f8 ff ff ff ff ff ff fe 43"},
        {std::numeric_limits<double>::infinity(), "00 00 00 00 00 00 00 80 ff 7f"},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(Hex(DoubleToExtended(c.Value)), c.Bytes) << c.Value;
        const double back = ExtendedToDouble(FromHex(c.Bytes));
        EXPECT_EQ(std::bit_cast<uint64_t>(back), std::bit_cast<uint64_t>(c.Value)) << c.Value;
    }
    EXPECT_TRUE(std::isnan(ExtendedToDouble(DoubleToExtended(std::nan("")))));
}

TEST(Extended, ValuesOutsideTheDoubleRangeRoundAsTheFpuDoes) {
    const struct {
        const char* Bytes;
        double Expected;
    } cases[] = {
        // An extended denormal (exponent field 0) is far below the double range.
        {"01 00 00 00 00 00 00 00 00 00", 0.0},
        {"00 00 00 00 00 00 00 80 01 00", 0.0},
        // 2^1024 overflows to infinity, negative keeps its sign.
        {"00 00 00 00 00 00 00 80 ff 43", std::numeric_limits<double>::infinity()},
        {"00 00 00 00 00 00 00 80 ff c3", -std::numeric_limits<double>::infinity()},
        // 1 + 2^-53 is a tie: rounds to even (1); 1 + 2^-53 + 2^-63 rounds up.
        {"00 04 00 00 00 00 00 80 ff 3f", 1.0},
        {"01 04 00 00 00 00 00 80 ff 3f", 1.0000000000000002},
        // 2^-1075 is half the smallest subnormal: a tie, rounds to even (0); above it, up.
        {"00 00 00 00 00 00 00 80 cc 3b", 0.0},
        {"01 00 00 00 00 00 00 80 cc 3b", 4.9406564584124654e-324},
        // An unnormal (integer bit clear) is read by its value: 0.5 * 2^1 = 1.
        {"00 00 00 00 00 00 00 40 00 40", 1.0},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ExtendedToDouble(FromHex(c.Bytes)), c.Expected) << c.Bytes;
}

// The x87 unit of this machine is an independent second implementation: its conversion of
// 80-bit values to double must agree bit for bit on random patterns of every range.
TEST(Extended, AgreesWithTheHardwareOnRandomValues) {
    if (std::numeric_limits<long double>::digits != 64)
        GTEST_SKIP() << "long double is not the 80-bit format here";
    std::mt19937_64 rng(1234);
    for (int i = 0; i < 200000; ++i) {
        TExtendedBytes b{};
        const uint64_t mant = rng() | (i % 7 ? uint64_t(1) << 63 : 0);
        // Exponents near the double range, where the rounding cases are.
        uint16_t exp = static_cast<uint16_t>(16383 - 1100 + rng() % 2250);
        if (i % 11 == 0)
            exp = static_cast<uint16_t>(rng() % 0x7FFF);
        const uint16_t se = static_cast<uint16_t>(exp | (rng() & 1 ? 0x8000 : 0));
        std::memcpy(b.data(), &mant, 8);
        std::memcpy(b.data() + 8, &se, 2);
        if (!(mant >> 63) && exp != 0)
            continue; // unnormals: the hardware refuses them
        long double ld;
        std::memcpy(&ld, b.data(), 10);
        const double expected = static_cast<double>(ld);
        const double got = ExtendedToDouble(b);
        ASSERT_EQ(std::bit_cast<uint64_t>(got), std::bit_cast<uint64_t>(expected))
            << QByteArray(reinterpret_cast<const char*>(b.data()), 10).toHex().toStdString();
        // Every double survives the trip through extended.
        const double d = std::bit_cast<double>(rng());
        if (!std::isnan(d)) {
            ASSERT_EQ(std::bit_cast<uint64_t>(ExtendedToDouble(DoubleToExtended(d))),
                      std::bit_cast<uint64_t>(d));
        }
    }
}
