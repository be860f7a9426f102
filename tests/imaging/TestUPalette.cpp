#include "UPalette.h"

#include <gtest/gtest.h>

namespace {

QByteArray Riff(uint32_t ChunkSize, uint16_t Count, int Entries, const char* Form = "PAL data") {
    QByteArray b("RIFF");
    auto put32 = [&](uint32_t v) {
        for (int i = 0; i < 4; ++i)
            b.append(static_cast<char>((v >> (8 * i)) & 0xFF));
    };
    put32(ChunkSize + 12);
    b.append(Form, 8);
    put32(ChunkSize);
    b.append('\0');
    b.append('\3');
    b.append(static_cast<char>(Count & 0xFF));
    b.append(static_cast<char>(Count >> 8));
    for (int i = 0; i < Entries; ++i) {
        b.append(static_cast<char>(i));
        b.append(static_cast<char>(2 * i));
        b.append(static_cast<char>(3 * i));
        b.append('\0');
    }
    return b;
}

} // namespace

TEST(Palette, RiffFilesAreCheckedBeforeUse) {
    TMemoryStream good(Riff(4 + 4 * 3, 3, 3));
    const auto p = ReadRIFFPalette(good);
    ASSERT_TRUE(p.has_value());
    ASSERT_EQ(p->size(), 3u);
    EXPECT_EQ((*p)[2], (TPaletteEntry{2, 4, 6, 0}));

    struct Row {
        const char* Name;
        QByteArray Bytes;
    };
    const Row rows[] = {
        {"count larger than the chunk", Riff(4 + 4 * 3, 200, 3)},
        {"count above 256", Riff(4 + 4 * 257, 257, 257)},
        {"chunk above 1028 bytes", Riff(1032, 256, 257)},
        {"chunk below 4 bytes", Riff(2, 0, 0).left(22)},
        {"stream shorter than the chunk", Riff(4 + 4 * 10, 10, 3)},
        {"wrong form", Riff(8, 1, 1, "WAVEfmt ")},
        {"empty", QByteArray()},
    };
    for (const Row& r : rows) {
        TMemoryStream s(r.Bytes);
        EXPECT_FALSE(ReadRIFFPalette(s).has_value()) << r.Name;
    }
    EXPECT_FALSE(LoadResourcePalette("NoSuchPalette", "Palette").has_value());
}

TEST(Palette, SharedPalettes) {
    const TPalette& def = GetDefaultPalette();
    ASSERT_EQ(def.size(), 256u);
    const TPalette& sys = SystemPaletteColors();
    ASSERT_EQ(sys.size(), 20u);
    for (int i = 0; i < 10; ++i) {
        EXPECT_EQ(def[static_cast<size_t>(i)], sys[static_cast<size_t>(i)]);
        EXPECT_EQ(def[static_cast<size_t>(246 + i)], sys[static_cast<size_t>(10 + i)]);
    }
    for (size_t i = 0; i < def.size(); ++i)
        for (size_t j = i + 1; j < def.size(); ++j)
            ASSERT_FALSE(def[i].peRed == def[j].peRed && def[i].peGreen == def[j].peGreen &&
                         def[i].peBlue == def[j].peBlue)
                << i << " and " << j;
    EXPECT_EQ(&GetDefaultPalette(), &def);
    const TPalette& grey = GetGrayPalette();
    ASSERT_EQ(grey.size(), 256u);
    EXPECT_EQ(grey[77], (TPaletteEntry{77, 77, 77, 0}));
}

TEST(Palette, IdentityPalettesAndColourTables) {
    TPalette p{{10, 20, 30, 0}, {0, 0, 0, 0}, {10, 20, 30, 0}, {255, 255, 255, 0}, {1, 2, 3, 0}};
    MakeIdentityPalette(p, true, 8);
    const TPalette expected{{0, 0, 0, 0}, {10, 20, 30, 0}, {1, 2, 3, 0}, {0, 0, 1, 0},
                            {0, 0, 2, 0}, {0, 0, 3, 0},    {0, 0, 4, 0}, {255, 255, 255, 0}};
    EXPECT_EQ(p, expected);

    std::vector<TRGBQuad> table;
    EXPECT_EQ(PaletteToColorTable(nullptr, table), 0);
    EXPECT_EQ(PaletteToColorTable(&p, table), 8);
    EXPECT_EQ(table[1], (TRGBQuad{30, 20, 10, 0}));
    EXPECT_EQ(ColorTableToPalette(table.data(), 8), p);
}
