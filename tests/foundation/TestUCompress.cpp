#include "UCompress.h"

#include "TestSupport.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>
#include <random>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

QByteArray Pattern(qsizetype Size, uint32_t Seed) {
    QByteArray b(Size, Qt::Uninitialized);
    uint32_t x = Seed;
    for (qsizetype i = 0; i < Size; ++i) {
        x = x * 1103515245u + 12345u;
        b[i] = static_cast<char>((x >> 24) & (i % 7 ? 0x0F : 0xFF)); // compressible, not trivial
    }
    return b;
}

QByteArray Compressed(const QByteArray& Data, TCompressionLevel Level = zcDefault) {
    TMemoryStream source(Data), dest;
    CompressStream(source, dest, Level);
    return dest.Bytes();
}

QByteArray Decompressed(const QByteArray& Container) {
    TMemoryStream source(Container), dest;
    int32_t size = 0;
    if (!ReadCompressHeader(source, size))
        throw EDecompressionError("no header");
    DecompressStream(source, dest, size);
    return dest.Bytes();
}

} // namespace

TEST(CompressedContainer, RoundTripsAtEveryLevelFromAnyPosition) {
    for (TCompressionLevel level : {zcNone, zcFastest, zcDefault, zcMax}) {
        for (qsizetype size : {0, 1, 1000, 300000}) {
            const QByteArray data = Pattern(size, static_cast<uint32_t>(size));
            // The source is positioned after a prefix: only the rest is compressed.
            TMemoryStream source("prefix" + data);
            source.SetPosition(6);
            TMemoryStream container;
            container.WriteBytes("HEAD");
            CompressStream(source, container, level);
            container.WriteBytes("TAIL");

            const QByteArray& bytes = container.Bytes();
            EXPECT_EQ(bytes.mid(4, 13), QByteArray("ZLIBCompress\x1A"));
            EXPECT_EQ(qFromLittleEndian<qint32>(bytes.constData() + 17), size);
            container.SetPosition(4);
            int32_t stored = -1;
            ASSERT_TRUE(ReadCompressHeader(container, stored));
            EXPECT_EQ(stored, size);
            TMemoryStream out;
            DecompressStream(container, out, stored);
            EXPECT_EQ(out.Bytes(), data) << "level " << level << " size " << size;
            EXPECT_EQ(container.ReadBytes(4), "TAIL") << "left just after the zlib data";
        }
    }
}

TEST(CompressedContainer, HeaderAbsentLeavesThePositionAlone) {
    const QByteArray inputs[] = {
        "ZLIBCompresX\x1A"
        "abcd",                                     // wrong magic
        "ZLIBCompress",                             // 12 bytes: shorter than the magic
        QByteArray("ZLIBCompress\x1A\x05\x00", 15), // magic, then a short size field
        "",
    };
    for (const QByteArray& input : inputs) {
        TMemoryStream s("xx" + input);
        s.SetPosition(2);
        int32_t size = 0;
        EXPECT_FALSE(ReadCompressHeader(s, size)) << input.toHex().toStdString();
        EXPECT_EQ(s.GetPosition(), 2);
    }
}

TEST(CompressedContainer, AgreesWithPythonZlib) {
    if (RunProgram(Python, {"-c", "import zlib"}) != 0)
        GTEST_SKIP() << "/usr/bin/python3 is not available";
    QTemporaryDir dir;
    const QByteArray data = Pattern(123456, 77);
    WriteFileAtomic(dir.filePath("ours.z"), Compressed(data, zcMax));
    QByteArray out;
    // Python reads our container and writes one of its own for us to read.
    const char* script =
        "import sys, zlib, hashlib\n"
        "d = open(sys.argv[1], 'rb').read()\n"
        "assert d[:13] == b'ZLIBCompress\\x1a'\n"
        "u = zlib.decompress(d[17:])\n"
        "assert len(u) == int.from_bytes(d[13:17], 'little')\n"
        "print(hashlib.sha1(u).hexdigest())\n"
        "open(sys.argv[2], 'wb').write(b'ZLIBCompress\\x1a' + len(u).to_bytes(4, 'little') + "
        "zlib.compress(u[::-1], 6))\n";
    ASSERT_EQ(
        RunProgram(Python, {"-c", script, dir.filePath("ours.z"), dir.filePath("theirs.z")}, &out),
        0)
        << out.toStdString();
    EXPECT_EQ(out.trimmed(), QCryptographicHash::hash(data, QCryptographicHash::Sha1).toHex());
    QByteArray reversed = data;
    std::reverse(reversed.begin(), reversed.end());
    EXPECT_EQ(Decompressed(ReadWholeFile(dir.filePath("theirs.z"))), reversed);
}

TEST(CompressedContainer, DamagedContainersRaise) {
    const QByteArray good = Compressed(Pattern(50000, 3));
    const auto withSize = [&](int32_t Size) {
        QByteArray b = good;
        qToLittleEndian<qint32>(Size, b.data() + 13);
        return b;
    };
    QByteArray badChecksum = good;
    badChecksum[badChecksum.size() - 1] = static_cast<char>(badChecksum.back() ^ 0x55);
    QByteArray garbage = good.left(17) + QByteArray(200, '\x7F');
    const std::pair<const char*, QByteArray> rows[] = {
        {"size larger than the data", withSize(50001)},
        {"size smaller than the data", withSize(49999)},
        {"negative size", withSize(-5)},
        {"huge size, little data", withSize(0x7FFFFFFF)},
        {"checksum", badChecksum},
        {"not zlib", garbage},
        {"no data", good.left(17)},
    };
    for (const auto& [what, bytes] : rows)
        EXPECT_THROW(Decompressed(bytes), EDecompressionError) << what;
    for (qsizetype cut = 17; cut < good.size(); cut += 97)
        EXPECT_THROW(Decompressed(good.left(cut)), EDecompressionError) << "cut at " << cut;
    // Random damage after the magic: an error, or (when only unused bits changed) the data.
    std::mt19937 random(7);
    const QByteArray original = Pattern(50000, 3);
    for (int round = 0; round < 300; ++round) {
        QByteArray bytes = good;
        for (int i = 0; i < 3; ++i)
            bytes[13 + random() % (bytes.size() - 13)] = static_cast<char>(random());
        try {
            EXPECT_EQ(Decompressed(bytes), original);
        } catch (const EDecompressionError&) {
        }
    }
}

TEST(CompressedContainer, TakeOffContainerInflatesWithinItsLimitAndPassesPlainBytes) {
    const QByteArray data = Pattern(50000, 5);
    const QByteArray container = Compressed(data);
    QByteArray plain;
    ASSERT_TRUE(TakeOffContainer(container, 50000, plain));
    EXPECT_EQ(plain, data);
    ASSERT_TRUE(TakeOffContainer(data, 10, plain)) << "not in a container: taken as it is";
    EXPECT_EQ(plain, data);
    plain = "kept";
    EXPECT_FALSE(TakeOffContainer(container, 49999, plain)) << "declared beyond the limit";
    EXPECT_EQ(plain, QByteArray("kept"));
    QByteArray negative = container;
    qToLittleEndian<qint32>(-1, negative.data() + 13);
    EXPECT_FALSE(TakeOffContainer(negative, 50000, plain));
    EXPECT_THROW(TakeOffContainer(container.left(40), 50000, plain), EDecompressionError);
}

TEST(CompressedContainer, DecompressFileReplacesOnlyWithCompleteData) {
    QTemporaryDir dir;
    const QString packed = dir.filePath("table.cbm"), plain = dir.filePath("table.tbl");
    const QByteArray data = Pattern(70000, 9);
    WriteFileAtomic(packed, Compressed(data));
    EXPECT_TRUE(IsCompressedFile(packed));
    DecompressFile(packed, plain);
    EXPECT_EQ(ReadWholeFile(plain), data);

    // Without a header nothing is written.
    WriteFileAtomic(dir.filePath("raw.bin"), "plain bytes, no header");
    EXPECT_FALSE(IsCompressedFile(dir.filePath("raw.bin")));
    DecompressFile(dir.filePath("raw.bin"), dir.filePath("never.bin"));
    EXPECT_FALSE(QFile::exists(dir.filePath("never.bin")));

    // A damaged download does not destroy the file it was meant to replace.
    QByteArray damaged = Compressed(Pattern(70000, 10));
    damaged.chop(100);
    WriteFileAtomic(packed, damaged);
    EXPECT_THROW(DecompressFile(packed, plain), EDecompressionError);
    EXPECT_EQ(ReadWholeFile(plain), data);
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3)
        << "no temporary file is left";
    EXPECT_THROW(IsCompressedFile(dir.filePath("missing")), EFOpenError);
}
