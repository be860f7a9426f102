#include "UAppFrame.h"
#include "UPluginList.h"
#include "UVXClient.h"

#include "../data/plugins/VXTestPlugin.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QWidget>
#include <dlfcn.h>
#include <gtest/gtest.h>
#include <zlib.h>

namespace {

void UseSettingsTable(TAppFrame& Frame) {
    TStringList table;
    table.SetText(
        QStringLiteral("AppName=Vantomi2005\n"
                       "SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings\n"));
    Frame.SetMacro(table);
    Frame.Loaded();
}

// Builds the test plug-in library into Folder; answers its path, empty on failure.
QString BuildTestPlugin(const QString& Folder) {
    const QString output = Folder + QStringLiteral("/libvxtest.so");
    const QString command =
        QStringLiteral("c++ -std=c++20 -shared -fPIC -o '%1' '%2' -I'%3/platform' "
                       "-I'%3/foundation' $(pkg-config --cflags --libs Qt6Core)")
            .arg(output, TestDataPath(QStringLiteral("plugins/VXTestPlugin.cpp")),
                 QStringLiteral(VANTOMI_SOURCE_DIR));
    QByteArray log;
    if (RunProgram(QStringLiteral("/bin/sh"), {QStringLiteral("-c"), command}, &log) != 0) {
        ADD_FAILURE() << "cannot build the test plug-in: " << log.toStdString();
        return {};
    }
    return output;
}

// The file of a loaded shared library that has no plug-in factory (zlib).
QString LibraryWithoutFactory() {
    Dl_info info{};
    if (!dladdr(reinterpret_cast<void*>(&zlibVersion), &info) || !info.dli_fname)
        return {};
    return QString::fromLocal8Bit(info.dli_fname);
}

} // namespace

TEST(VXClient, AnswersThroughTheApplicationFrame) {
    TAppFrame frame;
    UseSettingsTable(frame);
    TVXAppFrameClient client;
    QString text = QStringLiteral("junk");
    EXPECT_EQ(client.GetAppName(text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Vantomi2005"));
    EXPECT_EQ(client.GetRegistryKey(text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Software\\Quorvelin\\Vantomi\\1.0\\Settings"));
    EXPECT_EQ(client.ExpandMacros(QStringLiteral("no macros (here)"), text), S_OK);
    EXPECT_EQ(text, QStringLiteral("no macros (here)"));
    EXPECT_EQ(client.ExpandMacros(QStringLiteral("$(AppName) $(ShortVer)"), text), S_OK);
    EXPECT_EQ(text, QStringLiteral("Vantomi2005 1.0"));
}

TEST(VXClient, MacroErrorsAnswerUnexpectedWithEmptyText) {
    TAppFrame frame;
    UseSettingsTable(frame);
    TVXAppFrameClient client;
    for (const char* bad : {"$(Undefined)", "$()", "open $(AppName"}) {
        QString text = QStringLiteral("junk");
        EXPECT_EQ(client.ExpandMacros(QString::fromUtf8(bad), text), E_UNEXPECTED) << bad;
        EXPECT_TRUE(text.isEmpty()) << bad;
    }
    frame.Macro().SetValue(QStringLiteral("SysRegistryKey"), QStringLiteral("$(Missing)"));
    QString key = QStringLiteral("junk");
    EXPECT_EQ(client.GetRegistryKey(key), E_UNEXPECTED);
    EXPECT_TRUE(key.isEmpty());
}

TEST(VXClient, InterfacesAndMainWindow) {
    TVXAppFrameClient client;
    IInterface* base = &client;
    EXPECT_EQ(QueryObjectInterface<IVXClientV1>(base), &client);
    void* other = &client;
    EXPECT_FALSE(base->QueryInterface(IVXTestPlugin::IID, &other));
    EXPECT_EQ(other, nullptr);

    QWidget hidden;
    QWidget* window = &hidden;
    EXPECT_EQ(client.GetMainWindow(window), S_OK);
    EXPECT_EQ(window, nullptr); // nothing shown
    QWidget shown;
    shown.show();
    EXPECT_EQ(client.GetMainWindow(window), S_OK);
    EXPECT_EQ(window, &shown);
}

TEST(PluginList, MissingFolderLoadsNothing) {
    TVXAppFrameClient client;
    TPluginList list(IVXTestPlugin::IID);
    EXPECT_EQ(list.LoadFromFolder(QStringLiteral("/no/such/Plugins"), &client), 0);
    EXPECT_EQ(list.Count(), 0);
    EXPECT_TRUE(list.Problems().isEmpty());
}

TEST(PluginList, FilesThatAreNotPluginsArePassedOver) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkdir(QStringLiteral("Plugins")));
    const QString folder = dir.filePath(QStringLiteral("Plugins"));
    QFile text(folder + QStringLiteral("/readme.txt"));
    ASSERT_TRUE(text.open(QIODevice::WriteOnly));
    QFile broken(folder + QStringLiteral("/libbroken.so"));
    ASSERT_TRUE(broken.open(QIODevice::WriteOnly));
    broken.write("\x7f"
                 "ELF but not really a library");
    broken.close();
    const QString zlib = LibraryWithoutFactory();
    ASSERT_FALSE(zlib.isEmpty());
    ASSERT_TRUE(QFile::copy(zlib, folder + QStringLiteral("/libnofactory.so")));

    TVXAppFrameClient client;
    TPluginList list(IVXTestPlugin::IID);
    EXPECT_EQ(list.LoadFromFolder(dir.filePath(QStringLiteral("plugins")), &client), 0);
    EXPECT_EQ(list.Count(), 0);
    ASSERT_EQ(list.Problems().size(), 2);
    EXPECT_TRUE(list.Problems()[0].contains(QStringLiteral("libbroken.so")));
    EXPECT_TRUE(list.Problems()[1].contains(QStringLiteral("libnofactory.so")));
    EXPECT_TRUE(list.Problems()[1].contains(QStringLiteral("VXCreatePlugin")));
}

TEST(PluginList, LoadsAPluginAndHandsItTheHost) {
    QTemporaryDir dir;
    ASSERT_FALSE(BuildTestPlugin(dir.path()).isEmpty());
    TAppFrame frame;
    UseSettingsTable(frame);
    TVXAppFrameClient client;

    TPluginList list(IVXTestPlugin::IID);
    EXPECT_EQ(list.LoadFromFolder(dir.path(), &client), 1);
    ASSERT_EQ(list.Count(), 1);
    auto* plugin = static_cast<IVXTestPlugin*>(list.Interface(0));
    EXPECT_EQ(plugin->HostAppName(), QStringLiteral("Vantomi2005"));
    EXPECT_EQ(QueryObjectInterface<IVXTestPlugin>(list.Items(0)), plugin);

    // A list for another interface passes the same plug-in over.
    TPluginList other(IVXClientV1::IID);
    EXPECT_EQ(other.LoadFromFolder(dir.path(), &client), 0);
    ASSERT_EQ(other.Problems().size(), 1);
    EXPECT_TRUE(other.Problems()[0].contains(QStringLiteral("libvxtest.so")));
}
