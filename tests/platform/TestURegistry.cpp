#include "URegistry.h"
#include "UStreams.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <csignal>
#include <gtest/gtest.h>
#include <random>
#include <sys/resource.h>

namespace {

const QString SettingsKey = QStringLiteral("\\Software\\Quorvelin\\Vantomi\\1.0\\Settings");

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        Store = FDir.filePath(QStringLiteral("cfg/registry.ini"));
    }

    QByteArray StoreBytes() const {
        QFile f(Store);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }

    void WriteStore(const QByteArray& Bytes) const {
        ASSERT_TRUE(QDir().mkpath(QFileInfo(Store).absolutePath()));
        QFile f(Store);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
        f.write(Bytes);
    }

    QTemporaryDir FDir;
    QString Store;
};

// Lowers the file-size limit of the process for its lifetime, so that writes beyond it fail
// (also for root, who ignores file permissions).
class TFileSizeLimit {
public:
    explicit TFileSizeLimit(rlim_t Bytes) {
        getrlimit(RLIMIT_FSIZE, &FOld);
        FOldHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limit = FOld;
        limit.rlim_cur = Bytes;
        setrlimit(RLIMIT_FSIZE, &limit);
    }
    ~TFileSizeLimit() {
        setrlimit(RLIMIT_FSIZE, &FOld);
        std::signal(SIGXFSZ, FOldHandler);
    }

private:
    rlimit FOld{};
    void (*FOldHandler)(int) = nullptr;
};

} // namespace

TEST(RegistryLocation, StoreFileLiesInTheUsersConfigFolder) {
    EXPECT_EQ(TRegistry::DefaultStoreFileName(),
              qEnvironmentVariable("XDG_CONFIG_HOME") + QStringLiteral("/Vantomi/registry.ini"));
}

TEST_F(Registry, KeyAndValueNamesIgnoreCaseAndKeepTheirCase) {
    TRegistry writer(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(writer.OpenKey(SettingsKey, true));
    writer.WriteString(QStringLiteral("CDPath"), QStringLiteral("/media/cd"));
    writer.WriteString(QStringLiteral("CDPATH"), QStringLiteral("/media/dvd")); // same value

    TRegistry reader(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(
        reader.OpenKeyReadOnly(QStringLiteral("\\SOFTWARE\\quorvelin\\VANTOMI\\1.0\\settings")));
    EXPECT_EQ(reader.ReadString(QStringLiteral("cdpath")), QStringLiteral("/media/dvd"));
    EXPECT_EQ(reader.GetValueNames(), QStringList{QStringLiteral("CDPath")});
    ASSERT_TRUE(reader.OpenKeyReadOnly(QStringLiteral("\\software\\QUORVELIN")));
    EXPECT_EQ(reader.GetKeyNames(), QStringList{QStringLiteral("Vantomi")});
    EXPECT_TRUE(StoreBytes().contains("[HKEY_CURRENT_USER\\Software\\Quorvelin\\Vantomi\\1."
                                      "0\\Settings]\n\"CDPath\"=\"/media/dvd\"\n"));
}

TEST_F(Registry, TwoUsersOfOneKeySeeEachOthersWrites) {
    TRegistry a(HKEY_CURRENT_USER, Store);
    TRegistry b(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(a.OpenKey(SettingsKey, true));
    ASSERT_TRUE(b.OpenKey(SettingsKey, false));
    a.WriteInteger(QStringLiteral("CacheLimit"), 64);
    EXPECT_EQ(b.ReadInteger(QStringLiteral("cachelimit"), 0), 64);
    b.WriteInteger(QStringLiteral("CacheLimit"), 128);
    EXPECT_EQ(a.ReadInteger(QStringLiteral("CacheLimit"), 0), 128);
    EXPECT_TRUE(b.DeleteValue(QStringLiteral("CACHELIMIT")));
    EXPECT_FALSE(a.ValueExists(QStringLiteral("CacheLimit")));
    EXPECT_FALSE(a.DeleteValue(QStringLiteral("CacheLimit")));
}

TEST_F(Registry, IntegersAndBooleansAreDecimalText) {
    TRegistry r(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(r.OpenKey(SettingsKey, true));
    r.WriteInteger(QStringLiteral("Int"), -5);
    r.WriteBool(QStringLiteral("On"), true);
    r.WriteBool(QStringLiteral("Off"), false);
    r.WriteString(QStringLiteral("Text"), QStringLiteral("abc"));
    r.WriteString(QStringLiteral("Two"), QStringLiteral(" 2 "));
    EXPECT_EQ(r.ReadString(QStringLiteral("Int")), QStringLiteral("-5"));
    EXPECT_EQ(r.ReadString(QStringLiteral("On")), QStringLiteral("1"));
    EXPECT_EQ(r.ReadString(QStringLiteral("Off")), QStringLiteral("0"));
    EXPECT_EQ(r.ReadInteger(QStringLiteral("Int"), 0), -5);
    EXPECT_EQ(r.ReadInteger(QStringLiteral("Text"), 7), 7);
    EXPECT_EQ(r.ReadInteger(QStringLiteral("Missing"), 9), 9);
    EXPECT_TRUE(r.ReadBool(QStringLiteral("Two"), false));
    EXPECT_FALSE(r.ReadBool(QStringLiteral("Off"), true));
    EXPECT_TRUE(r.ReadBool(QStringLiteral("Text"), true));
    EXPECT_EQ(r.ReadString(QStringLiteral("Missing"), QStringLiteral("def")),
              QStringLiteral("def"));
}

TEST_F(Registry, KeysOpenCreateAndDelete) {
    TRegistry r(HKEY_CURRENT_USER, Store);
    EXPECT_FALSE(r.OpenKey(SettingsKey, false));
    EXPECT_EQ(r.CurrentPath(), QString());
    ASSERT_TRUE(r.OpenKey(SettingsKey, true));
    EXPECT_EQ(r.CurrentPath(), SettingsKey.mid(1));
    ASSERT_TRUE(r.OpenKey(QStringLiteral("History\\Files"), true)); // relative to the open key
    r.WriteString(QStringLiteral("Item0"), QStringLiteral("a"));
    EXPECT_TRUE(r.KeyExists(SettingsKey + QStringLiteral("\\HISTORY")));
    EXPECT_FALSE(r.OpenKey(QStringLiteral("bad\nname"), true));
    EXPECT_FALSE(r.KeyExists(QStringLiteral("\\Software\\Other")));

    TRegistry other(HKEY_LOCAL_MACHINE, Store); // another hive of the same store
    EXPECT_FALSE(other.KeyExists(SettingsKey));

    r.CloseKey();
    EXPECT_FALSE(r.DeleteKey(QString())); // the hive itself stays
    r.WriteString(QStringLiteral("AtTheHive"), QStringLiteral("v"));
    TRegistry hive(HKEY_CURRENT_USER, Store);
    EXPECT_EQ(hive.ReadString(QStringLiteral("ATTHEHIVE")), QStringLiteral("v"));
    EXPECT_EQ(hive.GetKeyNames(), QStringList{QStringLiteral("Software")});
    ASSERT_TRUE(r.OpenKey(SettingsKey, false));
    EXPECT_TRUE(r.DeleteKey(QStringLiteral("history")));
    EXPECT_FALSE(r.KeyExists(QStringLiteral("History\\Files")));
    EXPECT_TRUE(r.KeyExists(SettingsKey));
    EXPECT_TRUE(r.KeyExists(QStringLiteral("\\Software"))); // parents outlive their sub-keys
    EXPECT_FALSE(r.DeleteKey(QStringLiteral("history")));
}

TEST_F(Registry, ReadOnlyKeysRefuseWrites) {
    TRegistry r(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(r.OpenKey(SettingsKey, true));
    ASSERT_TRUE(r.OpenKeyReadOnly(SettingsKey));
    EXPECT_THROW(r.WriteString(QStringLiteral("X"), QStringLiteral("1")), ERegistryException);
    EXPECT_THROW(r.DeleteValue(QStringLiteral("X")), ERegistryException);
}

TEST_F(Registry, AwkwardTextRoundTrips) {
    const QString texts[] = {
        QStringLiteral("plain"),
        QStringLiteral(""),
        QStringLiteral("  spaces kept  "),
        QStringLiteral("quote \" and back\\slash \\\" end\\"),
        QStringLiteral("line1\r\nline2\nline3\r"),
        QStringLiteral("tab\there"),
        QString(QChar(1)) + QStringLiteral("ctl") + QChar(0x7F),
        QStringLiteral("a=b;[c]#d"),
        QStringLiteral("日本語の値 ﾊﾝｶｸ 𠀋"),
        QStringLiteral("\\x41 is not an escape"),
    };
    TRegistry w(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(w.OpenKey(QStringLiteral("\\Software\\[Odd] Key"), true));
    int n = 0;
    for (const QString& t : texts)
        w.WriteString(QStringLiteral("name \"%1\" = %2").arg(n++).arg(t.left(3)), t);
    w.WriteString(QString(), QStringLiteral("default value"));

    TRegistry r(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(r.OpenKeyReadOnly(QStringLiteral("\\software\\[odd] key")));
    n = 0;
    for (const QString& t : texts)
        EXPECT_EQ(r.ReadString(QStringLiteral("name \"%1\" = %2").arg(n++).arg(t.left(3))), t) << n;
    EXPECT_EQ(r.ReadString(QString()), QStringLiteral("default value"));
    EXPECT_EQ(r.GetValueNames().size(), std::size(texts) + 1);
}

TEST_F(Registry, HandEditedAndCorruptFilesKeepWhatCanBeRead) {
    QByteArray bytes = "garbage before any section\n"
                       "\"Orphan\"=\"no key\"\n"
                       "[HKEY_CURRENT_USER\\Software\\Good]\n"
                       "\"Quoted\"=\"one\"\r\n"
                       "  Plain = two  \n"
                       "@=\"default\"\n"
                       "\"Unterminated=\"three\n"
                       "\"NoEquals\" \"x\"\n"
                       "\"Quoted\"=\"duplicate ignored\"\n"
                       "; comment\n"
                       "# comment\n"
                       "[HKEY_CURRENT_USER\\Software\\Broken\n"
                       "\"Lost\"=\"under a broken header\"\n"
                       "[Software\\NoHive]\n"
                       "Value=four\n"
                       "[HKLM\\Software\\Abbreviated]\n"
                       "\"Bad\xff\xfeUtf8\"=\"five\"\n"
                       "\"Nul\"=\"a";
    bytes += '\0';
    bytes += "b\"\n";
    WriteStore(bytes);

    TRegistry r(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(r.OpenKeyReadOnly(QStringLiteral("\\Software\\Good")));
    EXPECT_EQ(r.ReadString(QStringLiteral("Quoted")), QStringLiteral("one"));
    EXPECT_EQ(r.ReadString(QStringLiteral("plain")), QStringLiteral("two"));
    EXPECT_EQ(r.ReadString(QString()), QStringLiteral("default"));
    EXPECT_EQ(r.GetValueNames().size(), 3);
    EXPECT_FALSE(r.KeyExists(QStringLiteral("\\Software\\Broken")));
    ASSERT_TRUE(r.OpenKeyReadOnly(QStringLiteral("\\Software\\NoHive")));
    EXPECT_EQ(r.ReadString(QStringLiteral("Value")), QStringLiteral("four"));

    TRegistry m(HKEY_LOCAL_MACHINE, Store);
    ASSERT_TRUE(m.OpenKeyReadOnly(QStringLiteral("\\Software\\Abbreviated")));
    EXPECT_EQ(m.GetValueNames().size(), 2);
    EXPECT_EQ(m.ReadString(QStringLiteral("Nul")),
              QStringLiteral("a") + QChar(0) + QStringLiteral("b"));

    // A write keeps everything that was readable.
    ASSERT_TRUE(r.OpenKey(QStringLiteral("\\Software\\Good"), true));
    r.WriteString(QStringLiteral("New"), QStringLiteral("six"));
    TRegistry again(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(again.OpenKeyReadOnly(QStringLiteral("\\Software\\Good")));
    EXPECT_EQ(again.ReadString(QStringLiteral("Plain")), QStringLiteral("two"));
    EXPECT_EQ(again.ReadString(QStringLiteral("New")), QStringLiteral("six"));
    ASSERT_TRUE(again.OpenKeyReadOnly(QStringLiteral("\\Software\\NoHive")));
    EXPECT_EQ(again.ReadString(QStringLiteral("Value")), QStringLiteral("four"));
    EXPECT_EQ(m.ReadString(QStringLiteral("Nul")),
              QStringLiteral("a") + QChar(0) + QStringLiteral("b"));
}

TEST_F(Registry, TruncatedAndDamagedFilesNeverFail) {
    {
        TRegistry w(HKEY_CURRENT_USER, Store);
        ASSERT_TRUE(w.OpenKey(SettingsKey, true));
        w.WriteString(QStringLiteral("A"), QStringLiteral("x \"y\" \\ z\r\n"));
        w.WriteString(QStringLiteral("B"), QStringLiteral("値"));
        ASSERT_TRUE(w.OpenKey(QStringLiteral("Sub"), true));
        w.WriteString(QString(), QStringLiteral("\x01"));
    }
    const QByteArray good = StoreBytes();
    std::mt19937 random(7);
    for (qsizetype length = 0; length <= good.size(); ++length) {
        QByteArray bytes = good.left(length);
        if (length % 3 == 0 && !bytes.isEmpty())
            bytes[random() % bytes.size()] = static_cast<char>(random());
        WriteStore(bytes);
        TRegistry r(HKEY_CURRENT_USER, Store);
        if (r.OpenKeyReadOnly(SettingsKey)) {
            for (const QString& name : r.GetValueNames())
                r.ReadString(name);
            r.GetKeyNames();
        }
    }
    WriteStore(good.left(good.indexOf("\"B\"")));
    TRegistry r(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(r.OpenKeyReadOnly(SettingsKey));
    EXPECT_EQ(r.ReadString(QStringLiteral("A")), QStringLiteral("x \"y\" \\ z\r\n"));
}

TEST_F(Registry, FailedWriteLeavesThePreviousFile) {
    TRegistry r(HKEY_CURRENT_USER, Store);
    ASSERT_TRUE(r.OpenKey(SettingsKey, true));
    r.WriteString(QStringLiteral("Kept"), QStringLiteral("old"));
    const QByteArray before = StoreBytes();
    {
        const TFileSizeLimit limit(before.size() + 16);
        EXPECT_THROW(r.WriteString(QStringLiteral("Big"), QString(4096, QLatin1Char('x'))),
                     ERegistryException);
    }
    EXPECT_EQ(StoreBytes(), before);
    EXPECT_EQ(QDir(QFileInfo(Store).absolutePath()).entryList(QDir::Files),
              QStringList{QStringLiteral("registry.ini")}); // no temporary file left
    EXPECT_EQ(r.ReadString(QStringLiteral("Kept")), QStringLiteral("old"));
    EXPECT_FALSE(r.ValueExists(QStringLiteral("Big")));
}

TEST_F(Registry, UnwritableStoreRaisesAndReadsDefaults) {
    ASSERT_TRUE(QDir().mkpath(Store)); // a folder where the file should be
    TRegistry r(HKEY_CURRENT_USER, Store);
    EXPECT_FALSE(r.OpenKeyReadOnly(SettingsKey));
    EXPECT_EQ(r.ReadString(QStringLiteral("X"), QStringLiteral("d")), QStringLiteral("d"));
    EXPECT_THROW(r.OpenKey(SettingsKey, true), ERegistryException);
}

TEST_F(Registry, UpdatesWriteOnceOnCommitAndNothingWhenAbandoned) {
    TRegistry r(HKEY_CURRENT_USER, Store);
    TRegistry observer(HKEY_CURRENT_USER, Store);
    {
        TRegistryUpdate update(r);
        ASSERT_TRUE(r.OpenKey(SettingsKey, true));
        r.WriteString(QStringLiteral("A"), QStringLiteral("1"));
        r.WriteString(QStringLiteral("B"), QStringLiteral("2"));
        EXPECT_EQ(r.ReadString(QStringLiteral("A")), QStringLiteral("1")); // sees its own changes
        EXPECT_FALSE(observer.KeyExists(SettingsKey));                     // nothing written yet
        update.Commit();
    }
    ASSERT_TRUE(observer.OpenKeyReadOnly(SettingsKey));
    EXPECT_EQ(observer.ReadString(QStringLiteral("B")), QStringLiteral("2"));
    {
        TRegistryUpdate update(r);
        r.WriteString(QStringLiteral("C"), QStringLiteral("3"));
        r.DeleteValue(QStringLiteral("A"));
    }
    EXPECT_FALSE(observer.ValueExists(QStringLiteral("C")));
    EXPECT_TRUE(observer.ValueExists(QStringLiteral("A")));
    r.WriteString(QStringLiteral("D"), QStringLiteral("4")); // the lock was released
    EXPECT_EQ(observer.ReadString(QStringLiteral("D")), QStringLiteral("4"));
}

TEST(AtomicFileWrite, ShortWriteRaisesAndKeepsTheOldFile) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("doc.bin"));
    WriteFileAtomic(name, QByteArray(100, 'a'));
    {
        const TFileSizeLimit limit(150);
        EXPECT_THROW(WriteFileAtomic(name, QByteArray(1000, 'b')), EWriteError);
    }
    EXPECT_EQ(ReadWholeFile(name), QByteArray(100, 'a'));
    EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files), QStringList{QStringLiteral("doc.bin")});
}
