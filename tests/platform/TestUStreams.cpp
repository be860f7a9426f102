#include "UException.h"
#include "UStreams.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(MemoryStream, ReadsWritesSeeksAndGrows) {
    TMemoryStream s;
    s.WriteValue<int32_t>(0x01020304);
    s.WriteBytes("abc");
    EXPECT_EQ(s.GetSize(), 7);
    EXPECT_EQ(s.Bytes().toHex(), QByteArray("04030201616263"));
    s.SetPosition(10); // writing past the end zero-fills the gap
    s.WriteValue<uint8_t>(9);
    EXPECT_EQ(s.Bytes().toHex(), QByteArray("0403020161626300000009"));
    s.SetPosition(0);
    EXPECT_EQ(s.ReadValue<int32_t>(), 0x01020304);
    EXPECT_EQ(s.Seek(-1, soEnd), 10);
    EXPECT_EQ(s.ReadValue<uint8_t>(), 9);
    char c;
    EXPECT_EQ(s.Read(&c, 1), 0);
    EXPECT_THROW(s.ReadValue<uint8_t>(), EReadError);
    EXPECT_THROW(s.Seek(-20, soCurrent), EStreamError);
    s.SetSize(2);
    EXPECT_EQ(s.GetPosition(), 2);
    EXPECT_EQ(s.Remaining(), 0);
}

TEST(MemoryStream, ReadBytesNeverTrustsALength) {
    TMemoryStream s(QByteArray("12345"));
    EXPECT_THROW(s.ReadBytes(int64_t(1) << 40), EReadError);
    EXPECT_THROW(s.ReadBytes(-1), EReadError);
    EXPECT_EQ(s.GetPosition(), 0);
    EXPECT_EQ(s.ReadBytes(5), QByteArray("12345"));
}

TEST(FileStream, CreatesOpensAndReportsErrors) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("ファイル.bin"));
    {
        TFileStream f(name, fmCreate);
        f.WriteBytes(QByteArray(100000, 'x'));
        f.SetPosition(5);
        f.WriteBytes("yy");
        EXPECT_EQ(f.GetSize(), 100000);
    }
    {
        TFileStream f(name, fmOpenRead);
        f.SetPosition(4);
        EXPECT_EQ(f.ReadBytes(4), QByteArray("xyyx"));
        EXPECT_THROW(f.WriteBytes("z"), EWriteError);
    }
    {
        TFileStream f(name, fmOpenReadWrite);
        f.SetSize(10);
        TMemoryStream m;
        m.CopyFrom(f, 0);
        EXPECT_EQ(m.Bytes(), QByteArray("xxxxxyyxxx"));
    }
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("missing")), fmOpenRead), EFOpenError);
    EXPECT_THROW(TFileStream(dir.filePath(QStringLiteral("no/such/dir/f")), fmCreate),
                 EFCreateError);
}

TEST(AtomicWrite, ReplacesWholeFilesAndKeepsTheOldOneOnFailure) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("a.txt"));
    WriteFileAtomic(name, "first");
    WriteFileAtomic(name, "second");
    EXPECT_EQ(ReadWholeFile(name), QByteArray("second"));
    EXPECT_THROW(WriteFileAtomic(dir.filePath(QStringLiteral("none/a.txt")), "x"), EFCreateError);
    EXPECT_THROW(ReadWholeFile(dir.filePath(QStringLiteral("none"))), EFOpenError);
}
