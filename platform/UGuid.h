#pragma once
// A 16-byte globally unique identifier with the registry text form
// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}". In memory and in streams the layout is the
// Windows one: Data1 (32-bit), Data2 and Data3 (16-bit), little-endian, then 8 bytes.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>
#include <functional>

struct TGUID {
    uint32_t D1 = 0;
    uint16_t D2 = 0;
    uint16_t D3 = 0;
    std::array<uint8_t, 8> D4{};

    friend constexpr bool operator==(const TGUID&, const TGUID&) = default;
    friend constexpr auto operator<=>(const TGUID&, const TGUID&) = default;

    bool IsNull() const { return *this == TGUID(); }

    // Parses the registry text form (braces required, hex digits of either case).
    // Raises EOleSysError on a malformed text.
    static TGUID FromString(const QString& Text);
    // Like FromString, but answers false instead of raising.
    static bool TryParse(const QString& Text, TGUID& Out);
    // The registry text form, upper-case hex digits, with braces.
    QString ToString() const;

    // The 16 bytes in the Windows memory layout (little-endian fields).
    QByteArray ToBytes() const;
    // From 16 bytes in the Windows memory layout; Bytes must hold at least 16 bytes.
    static TGUID FromBytes(const char* Bytes);
    // A new random (version 4) identifier.
    static TGUID Create();
};

// Compile-time construction from the registry text form, for the system's constant ids.
consteval TGUID MakeGUID(const char (&Text)[39]) {
    auto hex = [](char c) -> uint32_t {
        if (c >= '0' && c <= '9')
            return static_cast<uint32_t>(c - '0');
        if (c >= 'a' && c <= 'f')
            return static_cast<uint32_t>(c - 'a' + 10);
        if (c >= 'A' && c <= 'F')
            return static_cast<uint32_t>(c - 'A' + 10);
        throw "bad GUID digit";
    };
    if (Text[0] != '{' || Text[9] != '-' || Text[14] != '-' || Text[19] != '-' || Text[24] != '-' ||
        Text[37] != '}')
        throw "bad GUID layout";
    auto field = [&](int from, int digits) {
        uint32_t v = 0;
        for (int i = 0; i < digits; ++i)
            v = (v << 4) | hex(Text[from + i]);
        return v;
    };
    TGUID g;
    g.D1 = field(1, 8);
    g.D2 = static_cast<uint16_t>(field(10, 4));
    g.D3 = static_cast<uint16_t>(field(15, 4));
    g.D4[0] = static_cast<uint8_t>(field(20, 2));
    g.D4[1] = static_cast<uint8_t>(field(22, 2));
    for (int i = 0; i < 6; ++i)
        g.D4[2 + i] = static_cast<uint8_t>(field(25 + 2 * i, 2));
    return g;
}

template <>
struct std::hash<TGUID> {
    size_t operator()(const TGUID& G) const noexcept {
        size_t h = G.D1 ^ (static_cast<size_t>(G.D2) << 32) ^ (static_cast<size_t>(G.D3) << 48);
        for (uint8_t b : G.D4)
            h = h * 131 + b;
        return h;
    }
};
