// The wizard's definitions file: kinds and entries in file order, the pull-down choices,
// names in code page 932, Windows paths and a damaged or missing file.

#include "UCodePage.h"
#include "UWizardInfo.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

struct TExpectedEntry {
    QString Caption;
    QString FileName; // relative to the folder of Wizard.dat
    QStringList PullDownFiles;
    int PhotoGroup = -1;
    QString Photos;
    QString Templates;
};

struct TCase {
    const char* Name;
    QString Text; // written in code page 932
    QString Kind;
    QStringList Folders; // created beside Wizard.dat, so that names resolve without case
    QString DefaultExt;
    QString Type;
    bool IsVer2 = false;
    QStringList PullDowns; // after the first, "すべて表示"
    std::vector<TExpectedEntry> Entries;
};

const std::vector<TCase>& Cases() {
    static const std::vector<TCase> List = {
        {"EntriesInFileOrderRepeatedKeysCountTwice",
         "[Settings]\r\nDefaultExt=vtd\r\n[Wall]\r\nDefaultFolder=Wall\r\n3=C.dat\r\n1=A.dat\r\n"
         "1=B\r\n[C.dat]\r\nCaption=三番\r\nCaption=not this\r\n[A.dat]\r\nCaption=一番\r\n"
         "PhotoGroup=4\r\nPhotos=Spring\r\n[B]\r\ncaption=二番\r\nTemplates=Styles\r\n",
         "Wall",
         {"Wall"},
         ".vtd",
         "",
         false,
         {},
         {{"三番", "Wall/C.vtd", {}, -1, "", ""},
          {"一番", "Wall/A.vtd", {}, 4, "Spring", ""},
          {"二番", "Wall/B.vtd", {}, -1, "", "Styles"}}},
        {"Ver2AndPullDownsNeverBecomeEntries",
         "[settings]\nDefaultExt=.VTD\n[Old]\ntype=ver2\nPullDown=写真なし\n2=X\nPullDownB="
         "写真1枚\n"
         "pulldown3=写真2枚\n[X]\nPullDown=p1.doc,,p2 , \n",
         "old",
         {},
         ".VTD",
         "ver2",
         true,
         {"写真なし", "写真1枚", "写真2枚"},
         {{"", "X.VTD", {"p1.VTD", "p2.VTD"}, -1, "", ""}}},
        {"BackslashesAndCaseOfTheDisk",
         "[Settings]\nDefaultExt=.vtd\n[Desk]\nDefaultFolder=Desk\\Post\\\n1=sub\\Card.old\n"
         "[sub\\Card.old]\nCaption=はがき\nPullDown=sub\\Alt\n",
         "DESK",
         {"desk/POST/Sub"},
         ".vtd",
         "",
         false,
         {},
         {{"はがき", "desk/POST/Sub/Card.vtd", {"desk/POST/Sub/Alt.vtd"}, -1, "", ""}}},
        {"MissingSectionsGiveNothingOrEmptyFields",
         "[Settings]\nDefaultExt=vtd\n[Wall]\n1=Nowhere\n",
         "Wall",
         {},
         ".vtd",
         "",
         false,
         {},
         {{"", "Nowhere.vtd", {}, -1, "", ""}}},
        {"NoKindSection", "[Settings]\nDefaultExt=vtd\n", "Wall", {}, ".vtd", "", false, {}, {}},
        {"NoSettingsKeepsTheEntryNamesExtension",
         "[Wall]\n1=A.vtd\n[A.vtd]\nPhotoGroup=$10\n",
         "Wall",
         {},
         "",
         "",
         false,
         {},
         {{"", "A", {}, 16, "", ""}}},
        {"NotIniAtAll",
         QStringLiteral("\x01\x02[[[\n=\n]]\n== = \n[Wall\n1=A\n"),
         "Wall",
         {},
         "",
         "",
         false,
         {},
         {}},
    };
    return List;
}

void WriteCP932(const QString& Path, const QString& Text) {
    QFile file(Path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(ToCP932(Text));
}

TWizardInfo::TFindFile FoundAt(const QString& Path) {
    return [Path](const QString&) { return Path; };
}

} // namespace

TEST(WizardInfo, DefinitionFilesReadAsWritten) {
    for (const TCase& c : Cases()) {
        SCOPED_TRACE(c.Name);
        QTemporaryDir dir;
        ASSERT_TRUE(dir.isValid());
        for (const QString& folder : c.Folders)
            ASSERT_TRUE(QDir(dir.path()).mkpath(folder));
        const QString file = dir.filePath(QStringLiteral("Wizard.dat"));
        WriteCP932(file, c.Text);

        TWizardInfo info(SWizardFileName, FoundAt(file));
        ASSERT_TRUE(info.Loaded());
        EXPECT_TRUE(info.LoadError().isEmpty());
        EXPECT_EQ(info.DefaultExt(), c.DefaultExt);
        ASSERT_EQ(info.ReadKind(c.Kind), static_cast<int>(c.Entries.size()));
        EXPECT_EQ(info.Type(), c.Type);
        EXPECT_EQ(info.PullDowns(), QStringList{SWizardShowAll} + c.PullDowns);
        for (int i = 0; i < static_cast<int>(c.Entries.size()); ++i) {
            SCOPED_TRACE(i);
            const TExpectedEntry& want = c.Entries[i];
            const std::unique_ptr<TWizFileInfo> got = info.ReadEntry(i);
            EXPECT_EQ(got->Caption, want.Caption);
            EXPECT_EQ(got->FileName, dir.filePath(want.FileName));
            QStringList pullDowns;
            for (const QString& p : want.PullDownFiles)
                pullDowns.append(dir.filePath(p));
            EXPECT_EQ(got->PullDownFiles, pullDowns);
            EXPECT_EQ(got->PhotoGroup, want.PhotoGroup);
            EXPECT_EQ(got->Photos, want.Photos);
            EXPECT_EQ(got->HasPhotos(), !want.Photos.isEmpty());
            EXPECT_EQ(got->Templates, want.Templates);
            EXPECT_EQ(got->IsVer2, c.IsVer2);
            EXPECT_EQ(got->NeedsConversion, c.IsVer2);
            TWizFileInfo copy;
            copy.Assign(*got);
            EXPECT_EQ(copy.FileName, got->FileName);
            EXPECT_EQ(copy.PullDownFiles, got->PullDownFiles);
        }
        EXPECT_THROW(info.ReadEntry(static_cast<int>(c.Entries.size())), EWizardInfoError);
        EXPECT_THROW(info.ReadEntry(-1), EWizardInfoError);
    }
}

TEST(WizardInfo, ReadingAnotherKindStartsAfresh) {
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("Wizard.dat"));
    WriteCP932(file, QStringLiteral("[A]\nDefaultFolder=a\nType=Ver2\nPullDown=p\n1=x\n2=y\n"
                                    "[B]\n1=z\n"));
    TWizardInfo info(SWizardFileName, FoundAt(file));
    ASSERT_EQ(info.ReadKind(QStringLiteral("A")), 2);
    ASSERT_EQ(info.ReadKind(QStringLiteral("B")), 1);
    EXPECT_EQ(info.Entries(), QStringList{QStringLiteral("z")});
    EXPECT_TRUE(info.DefaultFolder().isEmpty());
    EXPECT_TRUE(info.Type().isEmpty());
    EXPECT_EQ(info.PullDowns(), QStringList{SWizardShowAll});
    EXPECT_FALSE(info.ReadEntry(0)->IsVer2);
}

TEST(WizardInfo, MissingUnreadableOrHugeFilesLeaveNoChoicesAndSayWhy) {
    QTemporaryDir dir;
    const QString folder = dir.filePath(QStringLiteral("folder"));
    ASSERT_TRUE(QDir().mkpath(folder));
    const QString huge = dir.filePath(QStringLiteral("huge.dat"));
    {
        QFile f(huge);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        ASSERT_TRUE(f.resize(MaxWizardFileSize + 1));
    }
    const struct {
        const char* Name;
        QString Found;
        QString MessagePart;
    } cases[] = {
        {"not found", QString(), QStringLiteral("見つかりません")},
        {"found name is gone", dir.filePath(QStringLiteral("gone.dat")),
         QStringLiteral("見つかりません")},
        {"a folder", folder, QStringLiteral("見つかりません")},
        {"too large", huge, QStringLiteral("読み込めません")},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.Name);
        TWizardInfo info(SWizardFileName, FoundAt(c.Found));
        EXPECT_FALSE(info.Loaded());
        EXPECT_TRUE(info.LoadError().contains(c.MessagePart)) << info.LoadError().toStdString();
        EXPECT_EQ(info.ReadKind(QStringLiteral("Settings")), 0);
        EXPECT_TRUE(info.Entries().isEmpty());
        EXPECT_EQ(info.PullDowns(), QStringList{SWizardShowAll});
        EXPECT_THROW(info.ReadEntry(0), EWizardInfoError);
    }
}

TEST(WizardInfo, ChangeFileExtTouchesOnlyTheLastComponent) {
    const struct {
        const char *Name, *Ext, *Want;
    } cases[] = {
        {"a.old", ".vtd", "a.vtd"},
        {"a", ".vtd", "a.vtd"},
        {"dir.x/a", ".vtd", "dir.x/a.vtd"},
        {"dir.x\\a", ".vtd", "dir.x\\a.vtd"},
        {"a.b.c", "", "a.b"},
        {"", ".vtd", ".vtd"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ChangeFileExt(QString::fromUtf8(c.Name), QString::fromUtf8(c.Ext)),
                  QString::fromUtf8(c.Want))
            << c.Name;
}
