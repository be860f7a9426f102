#include "UExecuteBlocker.h"
#include "UFileVer.h"

#include "TestSupport.h"

#include <QCoreApplication>
#include <QFile>
#include <cstdio>
#include <gtest/gtest.h>

TEST(FileVer, TheProgramAnswersItsBuildVersion) {
    TFileVer ver(QCoreApplication::applicationFilePath());
    uint16_t major = 9, minor = 9, release = 9, build = 9;
    ASSERT_TRUE(ver.GetVersion(major, minor, release, build));
    EXPECT_EQ(major, 1);
    EXPECT_EQ(minor, 0);
    EXPECT_EQ(release, 0);
    EXPECT_EQ(build, 0);
    ver.SetFileName("/etc/hostname");
    EXPECT_FALSE(ver.GetVersion(major, minor, release, build)) << "other files have none";
    ver.SetFileName("/no/such/file");
    EXPECT_FALSE(ver.GetVersion(major, minor, release, build));
}

// The second process of SecondStartFindsTheFirst; skipped when run on its own.
TEST(ExecuteBlocker, ProbeFromAnotherProcess) {
    const QString name = qEnvironmentVariable("VANTOMI_BLOCKER_PROBE");
    if (name.isEmpty())
        GTEST_SKIP() << "runs only as the second process of SecondStartFindsTheFirst";
    qputenv("XDG_RUNTIME_DIR", qgetenv("VANTOMI_BLOCKER_RUNTIME"));
    std::printf("probe:%d\n", IsAlreadyRunning(name) ? 1 : 0);
}

TEST(ExecuteBlocker, SecondStartFindsTheFirst) {
    const auto probe = [](const QString& Name) {
        qputenv("VANTOMI_BLOCKER_PROBE", Name.toUtf8());
        qputenv("VANTOMI_BLOCKER_RUNTIME", qgetenv("XDG_RUNTIME_DIR"));
        QByteArray out;
        RunProgram(QCoreApplication::applicationFilePath(),
                   {"--gtest_filter=ExecuteBlocker.ProbeFromAnotherProcess"}, &out);
        qunsetenv("VANTOMI_BLOCKER_PROBE");
        qunsetenv("VANTOMI_BLOCKER_RUNTIME");
        return out.contains("probe:1") ? 1 : out.contains("probe:0") ? 0 : -1;
    };
    EXPECT_FALSE(IsAlreadyRunning("Vantomi.Mutex.Test"));
    EXPECT_TRUE(IsAlreadyRunning("Vantomi.Mutex.Test")) << "held until the program ends";
    EXPECT_EQ(probe("Vantomi.Mutex.Test"), 1) << "a second program finds it";
    EXPECT_TRUE(QFile::exists(TExecuteBlocker::LockFileName("Vantomi.Mutex.Test")));
    EXPECT_TRUE(TExecuteBlocker::LockFileName("Vantomi.Mutex.Test")
                    .startsWith(qEnvironmentVariable("XDG_RUNTIME_DIR") + "/"));

    {
        TExecuteBlocker blocker("Vantomi\\Scoped");
        EXPECT_FALSE(blocker.IsBlocked());
        EXPECT_TRUE(TExecuteBlocker("Vantomi\\Scoped").IsBlocked());
        EXPECT_EQ(probe("Vantomi\\Scoped"), 1);
    }
    EXPECT_EQ(probe("Vantomi\\Scoped"), 0) << "released with its blocker";
}
