#include "UDIB.h"

#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>
#include <random>

namespace {

// The fixture pairs (BMP, PNG of the same picture) listed by make_fixtures.py.
std::vector<std::pair<QString, QString>> FixturePairs() {
    std::vector<std::pair<QString, QString>> pairs;
    const QString text = QString::fromUtf8(ReadTestData("bmp/pairs.txt"));
    for (const QString& line : text.split('\n', Qt::SkipEmptyParts)) {
        const QStringList parts = line.split(' ');
        pairs.emplace_back(parts[0], parts[1]);
    }
    return pairs;
}

TBitmap Decode(const QByteArray& Bytes) {
    TMemoryStream stream(Bytes);
    TDIB dib;
    dib.LoadFromStream(stream);
    TBitmap b;
    dib.AssignTo(b);
    return b;
}

// Counts pixels whose colours differ (alpha ignored).
int Differences(const QImage& A, const QImage& B) {
    if (A.size() != B.size())
        return -1;
    int n = 0;
    for (int y = 0; y < A.height(); ++y)
        for (int x = 0; x < A.width(); ++x)
            n += (A.pixel(x, y) & 0xFFFFFF) != (B.pixel(x, y) & 0xFFFFFF);
    return n;
}

void Put16(QByteArray& B, int Offset, uint16_t V) {
    B[Offset] = static_cast<char>(V & 0xFF);
    B[Offset + 1] = static_cast<char>(V >> 8);
}
void Put32(QByteArray& B, int Offset, uint32_t V) {
    for (int i = 0; i < 4; ++i)
        B[Offset + i] = static_cast<char>((V >> (8 * i)) & 0xFF);
}

// A small valid 8-bit BMP: 4 x 2 pixels, ClrUsed colours right after the header.
QByteArray Small8Bit(int ClrUsed, uint32_t OffBits = 0) {
    const int table = ClrUsed ? ClrUsed : 256;
    QByteArray b(14 + 40 + 4 * table + 8, '\0');
    b[0] = 'B';
    b[1] = 'M';
    Put32(b, 2, static_cast<uint32_t>(b.size()));
    Put32(b, 10, OffBits);
    Put32(b, 14, 40);
    Put32(b, 18, 4);
    Put32(b, 22, 2);
    Put16(b, 26, 1);
    Put16(b, 28, 8);
    Put32(b, 46, static_cast<uint32_t>(ClrUsed));
    for (int i = 0; i < table; ++i) { // entry i = (i, 2i, 3i)
        b[54 + 4 * i] = static_cast<char>(3 * i);
        b[54 + 4 * i + 1] = static_cast<char>(2 * i);
        b[54 + 4 * i + 2] = static_cast<char>(i);
    }
    const int bits = 54 + 4 * table;
    for (int i = 0; i < 8; ++i) // bottom row first: indices 4..7, then 0..3
        b[bits + i] = static_cast<char>(i < 4 ? 4 + i : i - 4);
    return b;
}

} // namespace

TEST(DIB, FixturesDecodeLikeThePngOfTheSamePicture) {
    const auto pairs = FixturePairs();
    ASSERT_GE(pairs.size(), 16u);
    for (const auto& [bmp, png] : pairs) {
        const QImage expected =
            QImage(TestDataPath("bmp/" + png)).convertToFormat(QImage::Format_RGB32);
        ASSERT_FALSE(expected.isNull()) << png.toStdString();
        const QByteArray bytes = ReadTestData("bmp/" + bmp);
        // In place from memory, and through a file stream.
        const TBitmap fromMemory = Decode(bytes);
        EXPECT_EQ(Differences(fromMemory.ToQImage(), expected), 0) << bmp.toStdString();
        TFileStream file(TestDataPath("bmp/" + bmp), fmOpenRead);
        TDIB dib;
        dib.LoadFromStream(file);
        EXPECT_EQ(file.GetPosition(), file.GetSize()) << bmp.toStdString();
        TBitmap fromFile;
        dib.AssignTo(fromFile);
        EXPECT_EQ(Differences(fromFile.ToQImage(), expected), 0) << bmp.toStdString();
    }
}

TEST(DIB, PixelLayoutsFollowTheFile) {
    struct Row {
        const char* File;
        TPixelFormat Format;
    };
    const Row rows[] = {
        {"bw1.bmp", pf1bit},     {"pal4.bmp", pf4bit},      {"pal4rle.bmp", pf4bit},
        {"pal8.bmp", pf8bit},    {"pal8rle.bmp", pf8bit},   {"rgb555.bmp", pf15bit},
        {"rgb565.bmp", pf16bit}, {"rgb565v5.bmp", pf16bit}, {"rgb24.bmp", pf24bit},
        {"rgb32.bmp", pf32bit},  {"rgb32v5.bmp", pf32bit},  {"rgb444.bmp", pf32bit},
    };
    for (const Row& r : rows)
        EXPECT_EQ(Decode(ReadTestData(QString("bmp/") + r.File)).PixelFormat(), r.Format) << r.File;
    TMemoryStream s(ReadTestData("bmp/rgb565.bmp"));
    TDIB dib;
    dib.LoadFromStream(s);
    EXPECT_EQ(dib.Info().Masks, (std::array<uint32_t, 3>{0xF800, 0x07E0, 0x001F}));
}

TEST(DIB, WritesWhatItReadsAndOthersReadIt) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    for (const auto& [bmp, png] : FixturePairs()) {
        const TBitmap original = Decode(ReadTestData("bmp/" + bmp));
        TMemoryStream out;
        TDIB dib;
        dib.AssignBitmap(original);
        dib.SaveToStream(out);
        EXPECT_EQ(out.Bytes().mid(14, 4), QByteArray("\x28\0\0\0", 4)) << bmp.toStdString();
        const TBitmap again = Decode(out.Bytes());
        EXPECT_EQ(again.PixelFormat(), original.PixelFormat()) << bmp.toStdString();
        EXPECT_EQ(Differences(again.ToQImage(), original.ToQImage()), 0) << bmp.toStdString();
        // ImageMagick reads the written file as the same picture.
        const QString written = dir.filePath(bmp);
        out.SaveToFile(written);
        QByteArray log;
        const QString converted = dir.filePath(bmp + ".png");
        ASSERT_EQ(RunProgram("/usr/bin/convert", {written, "PNG24:" + converted}, &log), 0)
            << log.toStdString();
        if (bmp != "rgb444.bmp") { // ImageMagick widens 4-bit channels differently
            EXPECT_EQ(Differences(QImage(converted), original.ToQImage()), 0) << bmp.toStdString();
        }
    }
}

TEST(DIB, CoreHeaderIsWrittenBackWithAnInfoHeader) {
    const QByteArray core = ReadTestData("bmp/pal4core.bmp");
    ASSERT_EQ(static_cast<uint8_t>(core[14]), 12);
    TMemoryStream in(core);
    TDIB dib;
    dib.LoadFromStream(in);
    EXPECT_EQ(dib.Info().Header.biSize, 40u);
    EXPECT_EQ(dib.Info().ColorTable.size(), 16u);
    TMemoryStream out;
    dib.SaveToStream(out);
    EXPECT_EQ(static_cast<uint8_t>(out.Bytes()[14]), 40);
    EXPECT_EQ(Differences(Decode(out.Bytes()).ToQImage(), Decode(core).ToQImage()), 0);
}

TEST(DIB, ColourTableLengthComesFromClrUsed) {
    // 16 entries, bits right after them (no bits offset given).
    const TBitmap b = Decode(Small8Bit(16));
    EXPECT_EQ(b.PixelFormat(), pf8bit);
    EXPECT_EQ(b.GetPixel(1, 0), RGB(1, 2, 3));
    EXPECT_EQ(b.GetPixel(3, 1), RGB(7, 14, 21));
    EXPECT_EQ(b.ColorTable().size(), 256u); // padded: indices past the table read black
    const TBitmap full = Decode(Small8Bit(0));
    EXPECT_EQ(full.GetPixel(1, 0), RGB(1, 2, 3));
}

TEST(DIB, TwoBitmapsBackToBackReadInTurn) {
    const QByteArray first = ReadTestData("bmp/rgb24.bmp");
    const QByteArray second = ReadTestData("bmp/pal8rle.bmp");
    TMemoryStream memory(first + second);
    TDIB a, b;
    a.LoadFromStream(memory);
    EXPECT_EQ(memory.GetPosition(), first.size());
    b.LoadFromStream(memory);
    EXPECT_EQ(memory.GetPosition(), first.size() + second.size());
    EXPECT_EQ(a.Info().Header.biBitCount, 24);
    EXPECT_EQ(b.Info().Header.biBitCount, 8);

    QTemporaryDir dir;
    const QString name = dir.filePath("two.bin");
    TMemoryStream(first + second).SaveToFile(name);
    TFileStream file(name, fmOpenRead);
    a.LoadFromStream(file);
    EXPECT_EQ(file.GetPosition(), first.size());
    b.LoadFromStream(file);
    EXPECT_EQ(file.GetPosition(), first.size() + second.size());
}

TEST(DIB, HostileHeadersAreRefused) {
    struct Row {
        const char* Name;
        std::function<void(QByteArray&)> Spoil;
    };
    const Row rows[] = {
        {"not BM", [](QByteArray& b) { b[0] = 'X'; }},
        {"width 32768", [](QByteArray& b) { Put32(b, 18, 32768); }},
        {"width 0", [](QByteArray& b) { Put32(b, 18, 0); }},
        {"negative width", [](QByteArray& b) { Put32(b, 18, 0xFFFFFFF0u); }},
        {"height -32768", [](QByteArray& b) { Put32(b, 22, static_cast<uint32_t>(-32768)); }},
        {"height of int minimum", [](QByteArray& b) { Put32(b, 22, 0x80000000u); }},
        {"height 0", [](QByteArray& b) { Put32(b, 22, 0); }},
        {"planes 0", [](QByteArray& b) { Put16(b, 26, 0); }},
        {"7 bits", [](QByteArray& b) { Put16(b, 28, 7); }},
        {"257 colours", [](QByteArray& b) { Put32(b, 46, 257); }},
        {"huge colour count", [](QByteArray& b) { Put32(b, 46, 0xFFFFFFF0u); }},
        {"header size 200", [](QByteArray& b) { Put32(b, 14, 200); }},
        {"header size huge", [](QByteArray& b) { Put32(b, 14, 0xFFFFFFFFu); }},
        {"JPEG compression", [](QByteArray& b) { Put32(b, 30, 4); }},
        {"RLE4 on 8 bits", [](QByteArray& b) { Put32(b, 30, 2); }},
        {"bit fields on 8 bits", [](QByteArray& b) { Put32(b, 30, 3); }},
        {"bits offset past the end", [](QByteArray& b) { Put32(b, 10, 0x7FFFFFF0u); }},
        {"bits offset inside the header", [](QByteArray& b) { Put32(b, 10, 20); }},
        {"more rows than bytes", [](QByteArray& b) { Put32(b, 22, 30000); }},
        {"width times height beyond the file",
         [](QByteArray& b) {
             Put32(b, 18, 32767);
             Put32(b, 22, 32767);
         }},
        {"RLE claiming a huge picture",
         [](QByteArray& b) {
             Put32(b, 30, 1);
             Put32(b, 34, 2);
             Put32(b, 18, 32000);
             Put32(b, 22, 32000);
         }},
        {"top-down RLE",
         [](QByteArray& b) {
             Put32(b, 30, 1);
             Put32(b, 22, static_cast<uint32_t>(-2));
         }},
        {"RLE size past the end",
         [](QByteArray& b) {
             Put32(b, 30, 1);
             Put32(b, 34, 100000);
         }},
    };
    for (const Row& r : rows) {
        QByteArray bytes = Small8Bit(0);
        r.Spoil(bytes);
        TMemoryStream stream(bytes);
        TDIB dib;
        EXPECT_THROW(dib.LoadFromStream(stream), EInvalidGraphic) << r.Name;
        EXPECT_TRUE(dib.Empty()) << r.Name;
    }
    // A failed load leaves a loaded DIB as it was.
    TDIB dib;
    TMemoryStream good(Small8Bit(16));
    dib.LoadFromStream(good);
    TMemoryStream bad(QByteArray("BM"));
    EXPECT_THROW(dib.LoadFromStream(bad), EInvalidGraphic);
    EXPECT_EQ(dib.Width(), 4);
}

// Fuzzed and truncated fixtures: each load either succeeds or raises EInvalidGraphic.
TEST(DIB, FuzzedAndTruncatedFilesFailCleanly) {
    std::mt19937 random(20240611);
    int refused = 0, loaded = 0;
    for (const auto& [bmp, png] : FixturePairs()) {
        const QByteArray original = ReadTestData("bmp/" + bmp);
        auto attempt = [&](const QByteArray& bytes) {
            TMemoryStream stream(bytes);
            TDIB dib;
            try {
                dib.LoadFromStream(stream);
                ++loaded;
                TBitmap b;
                dib.AssignTo(b);
                EXPECT_LE(stream.GetPosition(), bytes.size());
            } catch (const EInvalidGraphic&) {
                ++refused;
            }
        };
        for (qsizetype n = 0; n < original.size(); ++n)
            attempt(original.left(n));
        for (int round = 0; round < 300; ++round) {
            QByteArray bytes = original;
            const int changes = 1 + static_cast<int>(random() % 4);
            for (int k = 0; k < changes; ++k) {
                // Mostly the headers and tables, sometimes the pixels.
                const qsizetype limit =
                    (random() % 4) ? std::min<qsizetype>(bytes.size(), 80) : bytes.size();
                bytes[static_cast<qsizetype>(random() % limit)] = static_cast<char>(random());
            }
            attempt(bytes);
        }
    }
    EXPECT_GT(refused, 1000);
    EXPECT_GT(loaded, 100);
}

TEST(DIB, SampleMapsAndTheSampledStretch) {
    EXPECT_EQ(BuildSampleMap(6, 0, 3), (std::vector<int>{0, 0, 1, 1, 2, 2}));
    EXPECT_EQ(BuildSampleMap(2, 10, 6), (std::vector<int>{11, 14}));
    struct Row {
        int Offset, Count;
        std::vector<int> Expected;
    };
    const std::vector<int> map{5, 6, 7, 8};
    const Row rows[] = {{0, 4, {5, 6, 7, 8}}, {1, 2, {6, 7}}, {-1, 3, {5, 6}}, {3, 9, {8}},
                        {4, 1, {}},           {0, 0, {}},     {-5, 3, {}}};
    for (const Row& r : rows)
        EXPECT_EQ(TrimSampleMap(map, r.Offset, r.Count), r.Expected) << r.Offset << "," << r.Count;

    for (TPixelFormat f : {pf1bit, pf4bit, pf8bit, pf16bit, pf24bit, pf32bit}) {
        TBitmap src(3, 3, pf24bit);
        for (int y = 0; y < 3; ++y)
            for (int x = 0; x < 3; ++x)
                src.SetPixel(x, y, ((x + y) & 1) ? clWhite : (x == 1 ? clBlack : clRed));
        src.SetPixelFormat(f);
        TBitmap target(8, 8, pf24bit);
        target.Fill(clLime);
        // Only the clip box is sampled: the first row and column stay.
        target.Canvas().IntersectClipRect(1, 1, 8, 8);
        SampledStretchDraw(target.Canvas(), src, Rect(0, 0, 6, 6), Rect(0, 0, 3, 3));
        for (int y = 0; y < 8; ++y)
            for (int x = 0; x < 8; ++x) {
                const TColor expected =
                    (x == 0 || y == 0 || x >= 6 || y >= 6) ? clLime : src.GetPixel(x / 2, y / 2);
                ASSERT_EQ(target.GetPixel(x, y), expected) << f << " at " << x << "," << y;
            }
    }
}

TEST(DIB, SampledStretchKeepsSamplesInsideTheSource) {
    TBitmap src(3, 3);
    src.Fill(clNavy);
    src.SetPixel(2, 2, clRed);
    TBitmap target(12, 12);
    target.Fill(clWhite);
    // The source rectangle reaches past the bitmap: samples take the nearest edge pixel.
    SampledStretchDraw(target.Canvas(), src, Rect(0, 0, 12, 12), Rect(0, 0, 6, 6));
    EXPECT_EQ(target.GetPixel(0, 0), clNavy);
    EXPECT_EQ(target.GetPixel(11, 11), clRed);
    EXPECT_EQ(target.GetPixel(4, 4), clRed);
}

TEST(DIB, DrawsThroughTheCanvasMapping) {
    TDIB dib;
    TBitmap src(2, 2);
    src.SetPixel(0, 0, clRed);
    src.SetPixel(1, 0, clBlue);
    src.SetPixel(0, 1, clLime);
    src.SetPixel(1, 1, clYellow);
    dib.AssignBitmap(src);
    TBitmap target(8, 8);
    target.Fill(clWhite);
    TCanvas& c = target.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(1, 1);
    c.SetViewportExtEx(2, 2);
    dib.DrawTo(c, Rect(1, 1, 3, 3), Rect(0, 0, 2, 2)); // device (2, 2, 6, 6)
    EXPECT_EQ(c.GetMapMode(), MM_ANISOTROPIC);         // the mapping is put back
    EXPECT_EQ(target.GetPixel(2, 2), clRed);
    EXPECT_EQ(target.GetPixel(5, 2), clBlue);
    EXPECT_EQ(target.GetPixel(3, 5), clLime);
    EXPECT_EQ(target.GetPixel(5, 5), clYellow);
    EXPECT_EQ(target.GetPixel(6, 6), clWhite);
    EXPECT_EQ(target.GetPixel(1, 1), clWhite);
    TDIB copy;
    copy.Assign(dib);
    TBitmap back;
    copy.AssignTo(back);
    EXPECT_TRUE(back.SharesImageWith(src));
}
