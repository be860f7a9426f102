// The real executable, started as a user would: each run gets a fresh home (no settings
// folder yet, its own runtime and temporary folders) and the offscreen display.

#include "AppTestSupport.h"
#include "TestSupport.h"

#include "UDOList.h"
#include "ULORect.h"
#include "ULabelData.h"

#include <QDir>
#include <QProcess>
#include <QTemporaryDir>
#include <QThread>
#include <gtest/gtest.h>

namespace {

class Program : public ::testing::Test {
protected:
    void SetUp() override {
        EnsureApplicationClasses();
        ASSERT_TRUE(FHome.isValid());
    }
    void Start(QProcess& P, const QStringList& Args) const {
        P.setProcessEnvironment(PrivateProgramEnvironment(FHome.path()));
        P.start(QStringLiteral(VANTOMI_EXECUTABLE), Args);
        ASSERT_TRUE(P.waitForStarted(10000));
    }
    // Waits until the first instance holds its lock (a file appears in the runtime folder).
    bool WaitForLock() const {
        const QDir runtime(FHome.filePath(QStringLiteral("runtime")));
        for (int i = 0; i < 600; ++i) {
            if (!runtime.entryList(QDir::Files | QDir::Hidden).isEmpty())
                return true;
            QThread::msleep(50);
        }
        return false;
    }

    QTemporaryDir FHome;
};

} // namespace

TEST_F(Program, ASecondInstanceRefusesWithTheSystemsMessageAndEndsCleanly) {
    QProcess first;
    Start(first, {QStringLiteral("--answer-messages")});
    ASSERT_TRUE(WaitForLock()) << first.readAllStandardError().toStdString();

    QProcess second;
    Start(second, {QStringLiteral("--answer-messages")});
    ASSERT_TRUE(second.waitForFinished(60000));
    const QString err = QString::fromUtf8(second.readAllStandardError());
    EXPECT_EQ(second.exitStatus(), QProcess::NormalExit);
    EXPECT_EQ(second.exitCode(), 1) << err.toStdString();
    EXPECT_TRUE(err.contains(QStringLiteral("Vantomi2005は、すでに実行中です")))
        << err.toStdString();
    EXPECT_EQ(first.state(), QProcess::Running) << "the first instance goes on";

    first.terminate();
    if (!first.waitForFinished(10000))
        first.kill();
}

TEST_F(Program, StartsWithTheDocumentNamedOnTheCommandLine) {
    const QString file = FHome.filePath(QStringLiteral("二枚.vtd"));
    {
        TLabelData data;
        WriteRectLabel(data, 0, TRect(10, 10, 300, 200), TColor(0x0000FF));
        data.NewSheet();
        WriteRectLabel(data, 0, TRect(10, 10, 300, 200), TColor(0x00FF00));
        data.SaveToFile(file);
    }
    QProcess run;
    Start(run, {file, QStringLiteral("--report-objects"), QStringLiteral("--answer-messages")});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString out = QString::fromUtf8(run.readAllStandardOutput());
    EXPECT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    EXPECT_EQ(out.split(QLatin1Char('\n'), Qt::SkipEmptyParts),
              QStringList({QStringLiteral("sheet 0 label 0 TLORect"),
                           QStringLiteral("sheet 1 label 0 TLORect")}));

    // A missing file leaves the blank document (and the run says so).
    QProcess missing;
    Start(missing, {FHome.filePath(QStringLiteral("none.vtd")), QStringLiteral("--report-objects"),
                    QStringLiteral("--answer-messages")});
    ASSERT_TRUE(missing.waitForFinished(60000));
    EXPECT_EQ(missing.exitCode(), 2);
}

TEST_F(Program, ADocumentCutShortIsRefusedAtStartWithAPlainMessage) {
    // A ten-up card document saved by this program, cut short after 65 % of its bytes.
    const QString file = FHome.filePath(QStringLiteral("十面カード.vtd"));
    {
        QFile cut(file);
        ASSERT_TRUE(cut.open(QIODevice::WriteOnly));
        cut.write(ReadTestData(QStringLiteral("labeldata/ten-cards-cut.vtd")));
    }
    QProcess run;
    Start(run, {file, QStringLiteral("--report-objects"), QStringLiteral("--answer-messages")});
    ASSERT_TRUE(run.waitForFinished(60000));
    const QString err = QString::fromUtf8(run.readAllStandardError());
    EXPECT_EQ(run.exitCode(), 2) << "no document was opened\n" << err.toStdString();
    EXPECT_TRUE(
        err.contains(QStringLiteral("十面カード.vtd は Vantomi の文書ではないか、壊れています")))
        << err.toStdString();
    EXPECT_FALSE(err.contains(QStringLiteral("予期しないエラー"))) << err.toStdString();
    // The working copy of the refused file is gone with the run.
    EXPECT_EQ(QDir(FHome.filePath(QStringLiteral("tmp"))).entryList(QDir::Files), QStringList());
}
