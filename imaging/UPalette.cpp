#include "UPalette.h"

#include <QFile>
#include <algorithm>
#include <cmath>
#include <cstring>

namespace {

constexpr int64_t MaxPaletteChunk = 4 + 4 * MaxPaletteEntries; // 1028

uint32_t Le32(const char* P) {
    const auto* u = reinterpret_cast<const uint8_t*>(P);
    return u[0] | (u[1] << 8) | (u[2] << 16) | (uint32_t(u[3]) << 24);
}

uint16_t Le16(const char* P) {
    const auto* u = reinterpret_cast<const uint8_t*>(P);
    return static_cast<uint16_t>(u[0] | (u[1] << 8));
}

TPaletteEntry Entry(int R, int G, int B) {
    return TPaletteEntry{static_cast<uint8_t>(R), static_cast<uint8_t>(G), static_cast<uint8_t>(B),
                         0};
}

bool SameColor(const TPaletteEntry& A, const TPaletteEntry& B) {
    return A.peRed == B.peRed && A.peGreen == B.peGreen && A.peBlue == B.peBlue;
}

} // namespace

std::optional<TPalette> ReadRIFFPalette(TStream& Stream) {
    try {
        if (Stream.Remaining() < 20)
            return std::nullopt;
        const QByteArray head = Stream.ReadBytes(20);
        if (std::memcmp(head.constData(), "RIFF", 4) != 0 ||
            std::memcmp(head.constData() + 8, "PAL data", 8) != 0)
            return std::nullopt;
        const uint32_t size = Le32(head.constData() + 16);
        if (size < 4 || size > MaxPaletteChunk || size > Stream.Remaining())
            return std::nullopt;
        const QByteArray chunk = Stream.ReadBytes(size);
        const int count = Le16(chunk.constData() + 2);
        if (count > MaxPaletteEntries || 4 + 4 * int64_t(count) > size)
            return std::nullopt;
        TPalette p(static_cast<size_t>(count));
        for (int i = 0; i < count; ++i) {
            const auto* e = reinterpret_cast<const uint8_t*>(chunk.constData() + 4 + 4 * i);
            p[static_cast<size_t>(i)] = TPaletteEntry{e[0], e[1], e[2], e[3]};
        }
        return p;
    } catch (const EStreamError&) {
        return std::nullopt;
    }
}

std::optional<TPalette> LoadResourcePalette(const QString& Name, const QString& Type) {
    QFile file(QStringLiteral(":/%1/%2").arg(Type, Name));
    if (!file.open(QIODevice::ReadOnly))
        return std::nullopt;
    TMemoryStream stream(file.readAll());
    return ReadRIFFPalette(stream);
}

const TPalette& SystemPaletteColors() {
    static const TPalette colors = [] {
        TPalette p;
        const std::vector<TRGBQuad> table = DefaultColorTable(pf8bit);
        // The bitmap default table starts and ends with the 20 static colours.
        for (int i = 0; i < 10; ++i)
            p.push_back(Entry(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
        for (size_t i = table.size() - 10; i < table.size(); ++i)
            p.push_back(Entry(table[i].rgbRed, table[i].rgbGreen, table[i].rgbBlue));
        return p;
    }();
    return colors;
}

TPalette HalftonePalette() {
    TPalette p;
    p.reserve(256);
    for (int r = 0; r < 6; ++r)
        for (int g = 0; g < 6; ++g)
            for (int b = 0; b < 6; ++b)
                p.push_back(Entry(r * 51, g * 51, b * 51));
    for (int i = 1; i <= 40; ++i) {
        const int v = static_cast<int>(std::lround(i * 255.0 / 41));
        p.push_back(Entry(v, v, v));
    }
    return p;
}

const TPalette& GetDefaultPalette() {
    static const TPalette palette = [] {
        TPalette p =
            LoadResourcePalette(QStringLiteral("DefaultPalette"), QStringLiteral("Palette"))
                .value_or(HalftonePalette());
        MakeIdentityPalette(p, false, 256);
        return p;
    }();
    return palette;
}

const TPalette& GetGrayPalette() {
    static const TPalette palette = [] {
        TPalette p(256);
        for (int i = 0; i < 256; ++i)
            p[static_cast<size_t>(i)] = Entry(i, i, i);
        return p;
    }();
    return palette;
}

void MakeIdentityPalette(TPalette& P, bool BlackAndWhiteOnly, int Count) {
    Count = std::clamp(Count, 0, MaxPaletteEntries);
    const TPalette system =
        BlackAndWhiteOnly ? TPalette{Entry(0, 0, 0), Entry(255, 255, 255)} : SystemPaletteColors();
    const int s = static_cast<int>(system.size());
    TPalette collected;
    auto add = [&](const TPaletteEntry& e) {
        if (static_cast<int>(collected.size()) >= Count)
            return;
        for (const TPaletteEntry& c : collected)
            if (SameColor(c, e))
                return;
        collected.push_back(Entry(e.peRed, e.peGreen, e.peBlue));
    };
    for (const TPaletteEntry& e : system)
        add(e);
    for (const TPaletteEntry& e : P)
        add(e);
    for (int b = 1; static_cast<int>(collected.size()) < Count && b < 256 * 256; ++b)
        add(Entry(0, (b >> 8) & 0xFF, b & 0xFF));
    // System colours at both ends, the others in between.
    TPalette out(static_cast<size_t>(Count));
    const int half = std::min(s / 2, Count / 2);
    const int nonSystem = static_cast<int>(collected.size()) - std::min(s, Count);
    for (int i = 0; i < half; ++i)
        out[static_cast<size_t>(i)] = system[static_cast<size_t>(i)];
    for (int i = 0; i < nonSystem && half + i < Count - half; ++i)
        out[static_cast<size_t>(half + i)] = collected[static_cast<size_t>(std::min(s, Count) + i)];
    for (int i = 0; i < half; ++i)
        out[static_cast<size_t>(Count - half + i)] = system[static_cast<size_t>(s - half + i)];
    P = std::move(out);
}

int PaletteToColorTable(const TPalette* Palette, std::vector<TRGBQuad>& Table) {
    Table.clear();
    if (!Palette)
        return 0;
    const size_t n = std::min<size_t>(Palette->size(), MaxPaletteEntries);
    for (size_t i = 0; i < n; ++i) {
        const TPaletteEntry& e = (*Palette)[i];
        Table.push_back(TRGBQuad{e.peBlue, e.peGreen, e.peRed, 0});
    }
    return static_cast<int>(n);
}

TPalette ColorTableToPalette(const TRGBQuad* Table, int Count) {
    TPalette p;
    for (int i = 0; i < std::min(Count, MaxPaletteEntries); ++i)
        p.push_back(Entry(Table[i].rgbRed, Table[i].rgbGreen, Table[i].rgbBlue));
    return p;
}
