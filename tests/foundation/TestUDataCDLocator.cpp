#include "UAppFrame.h"
#include "UDataCDLocator.h"
#include "URegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString InstallKey = QStringLiteral("\\Vantomi5.Application\\srcDir");

// A program folder, a user-chosen CD folder and mount folders holding data roots. A data
// root holds the key file "vantomi" (spelt in upper case on the disk, as a Windows CD would).
class DataCDLocator : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        Frame.SetMacro(Table());
        Make(QStringLiteral("exe/Data/Template/Beside.dat"));
        Make(QStringLiteral("media/CDROM0/Data/Backgrnd/BackGrnd.dat")); // no key: not a root
        MakeRoot(QStringLiteral("media/LABEL"));
        Make(QStringLiteral("media/LABEL/Data/BACKGRND/BACKGRND.DAT"));
        Make(QStringLiteral("media/LABEL/Data/Photos/Photos.dat"));
        Make(QStringLiteral("media/LABEL/Data/Stamps/Stamp.lst"));
        MakeRoot(QStringLiteral("media/SET/disk1"));
        MakeRoot(QStringLiteral("media/SET/Disk2"));
        Make(QStringLiteral("media/SET/Disk2/Data/Illust/Illust.dat"));
        MakeRoot(QStringLiteral("media/NEW/Product"));
        Make(QStringLiteral("media/NEW/Product/Data/Wizard/Wizard.dat"));
        MakeRoot(QStringLiteral("media/APP/vantomi5"));
        Make(QStringLiteral("media/APP/vantomi5/Data/Shade/Shade.dat"));
        MakeRoot(QStringLiteral("cd"));
        Make(QStringLiteral("cd/Data/CalBack/CalBack.dat"));
        Make(QStringLiteral("nokey/Data/CalBack/CalBack.dat"));
    }

    void TearDown() override {
        TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin"));
        TRegistry(HKEY_CLASSES_ROOT).DeleteKey(QStringLiteral("\\Vantomi5.Application"));
    }

    TStringList Table() const {
        TStringList t;
        t.SetText(QStringLiteral("SysRegistryKey=Software\\Quorvelin\\Vantomi\\1.0\\Settings\n"
                                 "SysMsgCDNotFound=%sが見つかりません。CDをセットしてください\n"
                                 "SysKeyFile=vantomi\n"
                                 "SysApplicationFolder=Vantomi5\n"
                                 "SysInstallKey=Vantomi5.Application\n"
                                 "ExeDir=") +
                  Path(QStringLiteral("exe/")));
        return t;
    }

    QString Path(const QString& Relative) const { return FDir.filePath(Relative); }

    void Make(const QString& Relative) const {
        const QString path = Path(Relative);
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    void MakeRoot(const QString& Relative) const { Make(Relative + QStringLiteral("/VANTOMI")); }

    void UseDrives(const QStringList& Relatives) {
        QStringList roots;
        for (const QString& r : Relatives)
            roots.append(Path(r));
        Frame.CDLocator().SetDriveRoots(roots);
    }

    static void WriteInstallValues(const QList<std::pair<QString, QString>>& Values) {
        TRegistry r(HKEY_CLASSES_ROOT);
        ASSERT_TRUE(r.OpenKey(InstallKey, true));
        for (const auto& [name, value] : Values)
            r.WriteString(name, value);
    }

    QTemporaryDir FDir;
    TAppFrame Frame;
};

} // namespace

TEST_F(DataCDLocator, FileBesideTheProgramNeedsNoKeyFile) {
    UseDrives({QStringLiteral("media/LABEL")});
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("data\\template\\BESIDE.DAT"), QString()),
              Path(QStringLiteral("exe/Data/Template/Beside.dat")));
    EXPECT_EQ(Frame.CDLocator().RunCache(), QString()); // no drive was searched
}

TEST_F(DataCDLocator, TheChosenCDFolderMustHoldTheKeyFile) {
    UseDrives({QStringLiteral("none")});
    const QString file = QStringLiteral("Data\\CalBack\\CalBack.dat");
    Frame.SetCDPath(Path(QStringLiteral("nokey")));
    EXPECT_EQ(Frame.FindCDFile(file, QString()), QString());
    Frame.SetCDPath(Path(QStringLiteral("CD"))); // names match without regard to case
    EXPECT_EQ(Frame.FindCDFile(file, QString()),
              Path(QStringLiteral("cd/Data/CalBack/CalBack.dat")));
}

TEST_F(DataCDLocator, DriveSearchFindsTheRootAndRemembersIt) {
    UseDrives({QStringLiteral("media/CDROM0"), QStringLiteral("media/LABEL")});
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\BackGrnd\\BackGrnd.dat"), QString()),
              Path(QStringLiteral("media/LABEL/Data/BACKGRND/BACKGRND.DAT")));
    EXPECT_EQ(Frame.CDLocator().RunCache(), Path(QStringLiteral("media/LABEL")));
    UseDrives({QStringLiteral("none")}); // later searches start from the run cache
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\Photos\\Photos.dat"), QString()),
              Path(QStringLiteral("media/LABEL/Data/Photos/Photos.dat")));
}

TEST_F(DataCDLocator, PatternsFindTheFirstMatchingFile) {
    UseDrives({QStringLiteral("media/LABEL")});
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\stamps\\*.LST"), QString()),
              Path(QStringLiteral("media/LABEL/Data/Stamps/Stamp.lst")));
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\Stamps\\St?mp.*"), QString()),
              Path(QStringLiteral("media/LABEL/Data/Stamps/Stamp.lst")));
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\Stamps\\*.none"), QString()), QString());
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\*"), QString()), QString()); // folders only
}

TEST_F(DataCDLocator, NumberedDisksAreSearchedAsSiblings) {
    const QString file = QStringLiteral("Data\\Illust\\Illust.dat");
    const QString expected = Path(QStringLiteral("media/SET/Disk2/Data/Illust/Illust.dat"));
    UseDrives({QStringLiteral("none")});
    Frame.SetCDPath(Path(QStringLiteral("media/SET/disk1")));
    EXPECT_EQ(Frame.FindCDFile(file, QString()), expected);

    // Found on the first search also when the drive search meets the first disk.
    Frame.SetCDPath(QString());
    UseDrives({QStringLiteral("media/SET/disk1")});
    EXPECT_EQ(Frame.FindCDFile(file, QString()), expected);
    EXPECT_EQ(Frame.CDLocator().RunCache(), Path(QStringLiteral("media/SET/disk1")));
}

TEST_F(DataCDLocator, InstallSourceIsTriedThenItsPathOnOtherDrives) {
    const QString file = QStringLiteral("Data\\Wizard\\Wizard.dat");
    const QString expected = Path(QStringLiteral("media/NEW/Product/Data/Wizard/Wizard.dat"));
    UseDrives({QStringLiteral("media/CDROM0"), QStringLiteral("media/NEW")});

    // Installed from drive Q:, the CD now mounted elsewhere: found under the same folder path.
    WriteInstallValues({{QString(), QStringLiteral("Q:\\Product\\")}});
    EXPECT_EQ(Frame.FindCDFile(file, QString()), expected);
    EXPECT_EQ(Frame.CDLocator().RunCache(), Path(QStringLiteral("media/NEW/Product")));

    // An alternative source that exists is used directly and becomes the run cache.
    TAppFrame other;
    other.SetMacro(Table());
    other.CDLocator().SetDriveRoots({Path(QStringLiteral("none"))});
    WriteInstallValues({{QString(), Path(QStringLiteral("gone"))},
                        {QStringLiteral("srcDir0"), Path(QStringLiteral("also-gone"))},
                        {QStringLiteral("srcDir1"), Path(QStringLiteral("media/new/product"))}});
    EXPECT_EQ(other.FindCDFile(file, QString()), expected);
    EXPECT_EQ(other.CDLocator().RunCache(), Path(QStringLiteral("media/new/product")));
}

TEST_F(DataCDLocator, ApplicationFolderIsTriedOnEveryDrive) {
    UseDrives({QStringLiteral("media/CDROM0"), QStringLiteral("media/APP")});
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\Shade\\Shade.dat"), QString()),
              Path(QStringLiteral("media/APP/vantomi5/Data/Shade/Shade.dat")));
}

TEST_F(DataCDLocator, MissingFilesAskUntilTheUserGivesUp) {
    UseDrives({QStringLiteral("media/LABEL")});
    const QString file = QStringLiteral("Data\\Template\\Template.dat");
    QStringList asked;
    Frame.OnCDNotFound = [&](const QString& DisplayName, bool& Retry) {
        asked.append(DisplayName);
        if (asked.size() == 2) // the user inserts the CD
            Make(QStringLiteral("media/LABEL/Data/Template/Template.dat"));
        Retry = asked.size() < 3;
    };
    EXPECT_EQ(Frame.FindCDFile(file, QString()), QString()); // no prompt: no question
    EXPECT_TRUE(asked.isEmpty());
    EXPECT_EQ(Frame.FindCDFile(file, QStringLiteral("@")),
              Path(QStringLiteral("media/LABEL/Data/Template/Template.dat")));
    EXPECT_EQ(asked,
              QStringList({QStringLiteral("必要なファイル"), QStringLiteral("必要なファイル")}));

    asked.clear();
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\none.dat"), QStringLiteral("テンプレート")),
              QString());
    EXPECT_EQ(asked.size(), 3);
    EXPECT_EQ(asked.first(), QStringLiteral("テンプレート"));

    // Without a handler the frame shows its own Yes/Cancel message until Cancel.
    Frame.OnCDNotFound = nullptr;
    QStringList shown;
    Frame.OnMessageBox = [&](const QString& Text, const TBitBtnKinds& Kinds, int Default,
                             int Cancel) {
        shown.append(Text);
        EXPECT_EQ(Kinds, (TBitBtnKinds{bkYes, bkCancel}));
        EXPECT_EQ(Default, 0);
        EXPECT_EQ(Cancel, 1);
        return shown.size() < 3 ? mrYes : mrCancel;
    };
    EXPECT_EQ(Frame.FindCDFile(QStringLiteral("Data\\none.dat"), QStringLiteral("@")), QString());
    ASSERT_EQ(shown.size(), 3);
    EXPECT_TRUE(shown.first().startsWith(QStringLiteral("必要なファイルが見つかりません")))
        << shown.first().toStdString();
    Frame.OnMessageBox = nullptr;
}

TEST(DataCDLocatorDrives, DefaultMountFoldersAreFolders) {
    for (const QString& root : TDataCDLocator::DefaultDriveRoots())
        EXPECT_TRUE(QFileInfo(root).isDir()) << root.toStdString();
}
