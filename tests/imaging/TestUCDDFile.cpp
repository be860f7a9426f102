#include "UCDDFile.h"

#include "UCompoundFile.h"
#include "UDocStorage.h"
#include "UException.h"
#include "UTransformer.h"

#include <gtest/gtest.h>

#include <QFile>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <functional>

namespace {

// A patch with N points per edge along the unit square, its middle top point lifted by Lift.
void MakePattern(TCoonsDistortion& D, int N, double Lift) {
    D.SetTopCount(N);
    D.SetRightCount(N);
    D.SetBottomCount(N);
    D.SetLeftCount(N);
    for (int i = 0; i < N; ++i) {
        const double t = static_cast<double>(i) / (N - 1);
        D.SetTopPoint(i, {t, 0});
        D.SetRightPoint(i, {1, t});
        D.SetBottomPoint(i, {t, 1});
        D.SetLeftPoint(i, {0, t});
    }
    D.SetTopPoint(N / 2, {0.5, -Lift});
    D.SetTopFlag(N / 2, 1);
}

QByteArray Stored(const TCoonsDistortion& D) {
    TMemoryStream s;
    D.WriteData(s);
    return s.Bytes();
}

QByteArray FileBytes(const QString& Name) {
    QFile f(Name);
    EXPECT_TRUE(f.open(QIODevice::ReadOnly));
    return f.readAll();
}

void WriteBytes(const QString& Name, const QByteArray& Bytes) {
    QFile f(Name);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write(Bytes);
}

// Runs every read of a pattern file; answers false when anything other than one of the
// system's exceptions escaped. Damaged files may raise, but only cleanly.
bool ReadsCleanly(const QString& Name, const TCoonsDistortion& Probe) {
    try {
        TCDDFile file;
        try {
            file.Open(Name);
        } catch (const Exception&) {
            return !file.IsOpen();
        }
        TCoonsDistortion d;
        for (int i = 0; i < file.GetCount(); ++i) {
            try {
                file.ReadDistortion(d, i);
            } catch (const Exception&) {
            }
        }
        file.IndexOf(Probe);
        return true;
    } catch (const Exception&) {
        return true;
    } catch (...) {
        return false;
    }
}

class CDDFile : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FName = FDir.filePath("patterns.cdd");
        MakePattern(FFirst, 3, 0.25);
        MakePattern(FSecond, 5, 0.5);
        TCDDFile file;
        file.Create(FName);
        EXPECT_EQ(file.Add(FFirst), 0);
        EXPECT_EQ(file.Add(FSecond), 1);
        file.Close();
    }

    QTemporaryDir FDir;
    QString FName;
    TCoonsDistortion FFirst, FSecond;
};

} // namespace

TEST(CDDFileClosed, BehavesAsEmpty) {
    TCDDFile file;
    TCoonsDistortion d;
    MakePattern(d, 3, 0.1);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_EQ(file.GetCount(), 0);
    EXPECT_EQ(file.IndexOf(d), -1);
    EXPECT_THROW(file.ReadDistortion(d, 0), EListError);
    EXPECT_THROW(file.Add(d), EStorageError);
    file.Close(); // harmless
}

TEST_F(CDDFile, RoundTrip) {
    TCDDFile file;
    file.Open(FName);
    ASSERT_EQ(file.GetCount(), 2);
    TCoonsDistortion d;
    file.ReadDistortion(d, 1);
    EXPECT_TRUE(d.Equals(FSecond));
    EXPECT_EQ(Stored(d), Stored(FSecond));
    file.ReadDistortion(d, 0);
    EXPECT_TRUE(d.Equals(FFirst));
    EXPECT_EQ(Stored(d), Stored(FFirst));
    EXPECT_EQ(d.GetTopFlag(1), 1);

    EXPECT_EQ(file.IndexOf(FFirst), 0);
    EXPECT_EQ(file.IndexOf(FSecond), 1);
    TCoonsDistortion other;
    MakePattern(other, 3, 0.25); // same shape, another identity
    EXPECT_EQ(file.IndexOf(other), -1);
    EXPECT_EQ(file.IndexOf(TCoonsDistortion()), -1); // empty
    EXPECT_THROW(file.ReadDistortion(d, 2), EListError);
    EXPECT_THROW(file.ReadDistortion(d, -1), EListError);
    // Opened for reading: nothing can be added.
    EXPECT_THROW(file.Add(FFirst), EStorageError);
    file.Close();
    EXPECT_EQ(file.GetCount(), 0);
}

TEST_F(CDDFile, NotAPatternFileIsRefused) {
    const QString junk = FDir.filePath("junk.cdd");
    WriteBytes(junk, QByteArray("This is not a compound file at all.").repeated(40));
    TCDDFile file;
    EXPECT_THROW(file.Open(junk), Exception);
    EXPECT_FALSE(file.IsOpen());
    EXPECT_THROW(file.Open(FDir.filePath("missing.cdd")), Exception);
    EXPECT_EQ(file.GetCount(), 0);

    // A damaged list stream.
    {
        TFileStorage root(FName, 2);
        {
            TDocStream list(root, "Distortions", 2);
            list.SetSize(2);
        }
        root.Commit();
    }
    EXPECT_THROW(file.Open(FName), EReadError);
    EXPECT_FALSE(file.IsOpen());
}

TEST_F(CDDFile, DamagedPatternIsRefused) {
    // The first pattern says its top edge has 1 point; the second names a missing stream.
    {
        TFileStorage root(FName, 2);
        {
            TDocStream s(root, "Distortions0", 2);
            const int32_t one = 1;
            s.SetPosition(16);
            s.Write(&one, 4);
            TDocStreamList list(root, "Distortions");
            list.Add("NoSuchStream");
        }
        root.Commit();
    }
    TCDDFile file;
    file.Open(FName);
    ASSERT_EQ(file.GetCount(), 3);
    TCoonsDistortion d;
    MakePattern(d, 4, 0.75);
    const QByteArray before = Stored(d);
    EXPECT_THROW(file.ReadDistortion(d, 0), EReadError);
    EXPECT_EQ(Stored(d), before); // left unchanged
    EXPECT_THROW(file.ReadDistortion(d, 2), EStorageError);
    EXPECT_EQ(Stored(d), before);
    // Lookups pass over what cannot be read.
    EXPECT_EQ(file.IndexOf(FSecond), 1);
    EXPECT_EQ(file.IndexOf(FFirst), -1);
}

TEST_F(CDDFile, TruncatedAndCorruptedFilesFailCleanly) {
    const QByteArray good = FileBytes(FName);
    ASSERT_GT(good.size(), 512);
    const QString bad = FDir.filePath("bad.cdd");
    for (qsizetype n = 0; n < good.size(); n += 61) {
        WriteBytes(bad, good.left(n));
        EXPECT_TRUE(ReadsCleanly(bad, FSecond)) << "truncated to " << n;
    }
    QRandomGenerator rng(7031);
    for (int round = 0; round < 150; ++round) {
        QByteArray d = good;
        const int flips = 1 + static_cast<int>(rng.bounded(6));
        for (int f = 0; f < flips; ++f)
            d[static_cast<int>(rng.bounded(d.size()))] = static_cast<char>(rng.bounded(256));
        WriteBytes(bad, d);
        EXPECT_TRUE(ReadsCleanly(bad, FSecond)) << "round " << round;
    }
}
