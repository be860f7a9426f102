#include "UAppFrame.h"
#include "URegistry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <gtest/gtest.h>

namespace {

const QString SettingsPath = QStringLiteral("\\Software\\Quorvelin\\Vantomi\\1.0\\Settings");

TStringList SettingsTable() {
    TStringList t;
    t.SetText(QStringLiteral("AppName=Vantomi2005\n"
                             "SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings\n"
                             "SysKeyFile=\n"
                             "SysMsgAlreadyRun=$(AppName)は、すでに実行中です\n"));
    return t;
}

class AppFrame : public ::testing::Test {
protected:
    void TearDown() override { TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin")); }
};

} // namespace

TEST_F(AppFrame, WithoutAFrameTheFreeRoutinesFallBack) {
    ASSERT_EQ(TAppFrame::Global(), nullptr);
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("$(AppName)"));
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 42), 42);
    EXPECT_EQ(RegReadString(QStringLiteral("CDPath"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_TRUE(RegReadBool(QStringLiteral("Banding"), true));
    RegWriteString(QStringLiteral("CDPath"), QStringLiteral("/x"));
    EXPECT_FALSE(TRegistry().KeyExists(QStringLiteral("\\Software\\Quorvelin")));
}

TEST_F(AppFrame, TheMostRecentFrameIsTheGlobalOne) {
    auto first = std::make_unique<TAppFrame>();
    EXPECT_EQ(first->Macro().Text(), QStringLiteral("AppName=Project\r\n"));
    EXPECT_EQ(TAppFrame::Global(), first.get());
    EXPECT_EQ(ExpandMacros(QStringLiteral("$(AppName)")), QStringLiteral("Project"));
    auto second = std::make_unique<TAppFrame>();
    EXPECT_EQ(TAppFrame::Global(), second.get());
    first.reset();
    EXPECT_EQ(TAppFrame::Global(), second.get());
    second.reset();
    EXPECT_EQ(TAppFrame::Global(), nullptr);
}

TEST_F(AppFrame, LoadingSetsTheBuiltInMacros) {
    TAppFrame frame;
    frame.SetMacro(SettingsTable());
    frame.Loaded();
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const struct {
        const char* Text;
        QString Expected;
    } cases[] = {
        {"$(ExeDir)", exe.absolutePath() + QLatin1Char('/')},
        {"$(ExeNameNoExt).cdb",
         exe.absolutePath() + QLatin1Char('/') + exe.completeBaseName() + QStringLiteral(".cdb")},
        {"$(SysKeyFile)", exe.fileName()},
        {"$(SysApplicationFolder)", exe.completeBaseName()},
        {"$(AppDataDir)", qEnvironmentVariable("XDG_DATA_HOME") + QLatin1Char('/')},
        {"$(ShortVer)|$(LongVer)", QStringLiteral("1.0|1.0.0.0")},
        {"a$(CRLF)b$(Quote)", QStringLiteral("a\r\nb\"")},
        {"$(SysRegistryKey)", SettingsPath.mid(1)},
        {"$(SysMsgAlreadyRun)", QStringLiteral("Vantomi2005は、すでに実行中です")},
    };
    for (const auto& c : cases)
        EXPECT_EQ(frame.ExpandMacros(QString::fromUtf8(c.Text)), c.Expected) << c.Text;
}

TEST_F(AppFrame, LoadingKeepsKeyFileAndFolderGivenInTheTable) {
    TAppFrame frame;
    TStringList table = SettingsTable();
    table.SetValue(QStringLiteral("SysKeyFile"), QStringLiteral("VANTOMI.KEY"));
    table.SetValue(QStringLiteral("SysApplicationFolder"), QStringLiteral("Vantomi5"));
    frame.SetMacro(table);
    frame.Loaded();
    EXPECT_EQ(frame.ExpandMacros(QStringLiteral("$(SysKeyFile)/$(SysApplicationFolder)")),
              QStringLiteral("VANTOMI.KEY/Vantomi5"));
}

TEST_F(AppFrame, SettingsAreTextUnderTheSettingsKey) {
    TAppFrame frame;
    frame.SetMacro(SettingsTable());
    frame.Loaded();
    EXPECT_EQ(frame.OpenRegistry(false), nullptr); // the key does not exist yet
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 5), 5);

    RegWriteBool(QStringLiteral("Banding"), true);
    RegWriteBool(QStringLiteral("FixGDILeak"), false);
    RegWriteInteger(QStringLiteral("CacheLimit"), 300);
    RegWriteString(QStringLiteral("ProxyAddress"), QStringLiteral("proxy.example"));
    RegWriteString(QStringLiteral("ProxyPort"), QStringLiteral("eighty"));
    EXPECT_EQ(RegReadString(QStringLiteral("Banding"), QString()), QStringLiteral("1"));
    EXPECT_TRUE(RegReadBool(QStringLiteral("banding"), false));
    EXPECT_FALSE(RegReadBool(QStringLiteral("FixGDILeak"), true));
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 0), 300);
    EXPECT_EQ(RegReadInteger(QStringLiteral("ProxyPort"), 8080), 8080);
    EXPECT_EQ(RegReadString(QStringLiteral("ProxyAddress"), QString()),
              QStringLiteral("proxy.example"));

    TRegistry direct;
    ASSERT_TRUE(direct.OpenKeyReadOnly(SettingsPath));
    EXPECT_EQ(direct.ReadString(QStringLiteral("CacheLimit")), QStringLiteral("300"));
    EXPECT_NE(frame.OpenRegistry(false), nullptr);

    EXPECT_EQ(frame.GetCDPath(), QString());
    frame.SetCDPath(QStringLiteral("/media/user/VANTOMI"));
    EXPECT_EQ(frame.GetCDPath(), QStringLiteral("/media/user/VANTOMI"));
    EXPECT_EQ(direct.ReadString(QStringLiteral("CDPath")), QStringLiteral("/media/user/VANTOMI"));
}

TEST_F(AppFrame, WithoutASettingsKeyReadsDefaultAndWritesNothing) {
    TAppFrame frame;
    RegWriteInteger(QStringLiteral("CacheLimit"), 1); // no SysRegistryKey line
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 2), 2);
    frame.Macro().Add(QStringLiteral("SysRegistryKey=")); // a line that expands to nothing
    EXPECT_EQ(frame.OpenRegistry(true), nullptr);
    RegWriteInteger(QStringLiteral("CacheLimit"), 1);
    EXPECT_EQ(RegReadInteger(QStringLiteral("CacheLimit"), 2), 2);
    EXPECT_FALSE(TRegistry().KeyExists(QStringLiteral("\\Software\\Quorvelin")));
}

TEST_F(AppFrame, MacroErrorsInTheSettingsKeyPropagate) {
    TAppFrame frame;
    frame.Macro().Add(QStringLiteral("SysRegistryKey=Software\\$(Undefined)"));
    EXPECT_THROW(RegReadString(QStringLiteral("CDPath"), QString()), EMacroString);
    EXPECT_THROW(RegWriteString(QStringLiteral("CDPath"), QString()), EMacroString);
}
