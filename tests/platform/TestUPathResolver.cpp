#include "UPathResolver.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A folder tree whose names differ in case from the way data files spell them.
class PathResolver : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        Root = FDir.path();
        MakeFile(QStringLiteral("Data/Template/Template.DAT"));
        MakeFile(QStringLiteral("Data/BackGrnd/readme.txt"));
        ASSERT_TRUE(QDir(Root).mkpath(QStringLiteral("Pair/Mixed")));
        ASSERT_TRUE(QDir(Root).mkpath(QStringLiteral("Pair/mixed")));
    }

    void MakeFile(const QString& Relative) {
        const QString path = Root + QLatin1Char('/') + Relative;
        ASSERT_TRUE(QDir().mkpath(QFileInfo(path).absolutePath()));
        QFile f(path);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    }

    QTemporaryDir FDir;
    QString Root;
};

} // namespace

TEST(PathConversion, BackslashesAndDriveLettersBecomeLocalForm) {
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {
        {"C:\\Data\\x.dat", "/Data/x.dat"},
        {"c:x.dat", "/x.dat"},
        {"C:", "/"},
        {"Data\\Template/T.dat", "Data/Template/T.dat"},
        {"\\\\server\\share\\a", "//server/share/a"},
        {"1:\\x", "1:/x"},
        {"", ""},
        {"/already/local", "/already/local"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ConvertWindowsPath(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
    EXPECT_TRUE(HasDriveLetter(QStringLiteral("z:")));
    EXPECT_FALSE(HasDriveLetter(QStringLiteral("zz:")));
    EXPECT_FALSE(HasDriveLetter(QStringLiteral("é:")));
}

TEST(PathConversion, JoinPutsOneSeparatorBetween) {
    const struct {
        const char* Folder;
        const char* Name;
        const char* Out;
    } cases[] = {
        {"/a/", "\\b\\c", "/a/b/c"}, {"/a", "b", "/a/b"}, {"", "b\\c", "b/c"}, {"/", "x", "/x"},
        {"C:\\R\\", "f", "C:/R/f"},  {"/a", "", "/a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JoinLocalPath(QString::fromUtf8(c.Folder), QString::fromUtf8(c.Name)),
                  QString::fromUtf8(c.Out))
            << c.Folder << " + " << c.Name;
}

TEST_F(PathResolver, ComponentsMatchWithoutRegardToCase) {
    const struct {
        const char* In;  // below Root, as a data file might write it
        const char* Out; // below Root, as it is on the disk
    } cases[] = {
        {"\\DATA\\template\\template.dat", "/Data/Template/Template.DAT"},
        {"/data/TEMPLATE/missing.dat", "/Data/Template/missing.dat"},
        {"/nodir/Template.dat", "/nodir/Template.dat"},
        {"/data/NoDir/TEMPLATE.dat", "/Data/NoDir/TEMPLATE.dat"},
        {"/Data/./template//", "/Data/Template/"},
        {"/Data/../data/backgrnd/README.TXT", "/Data/../Data/BackGrnd/readme.txt"},
        {"/Pair/mixed", "/Pair/mixed"}, // an exact spelling wins
        {"/Pair/MIXED", "/Pair/Mixed"}, // else the first in name order
    };
    for (const auto& c : cases)
        EXPECT_EQ(ResolveFileName(Root + QString::fromUtf8(c.In)), Root + QString::fromUtf8(c.Out))
            << c.In;
}

TEST_F(PathResolver, DriveLetteredWindowsPathsResolve) {
    QString windows = Root;
    windows.replace(QLatin1Char('/'), QLatin1Char('\\'));
    const QString found = FindExistingFile(QStringLiteral("D:") + windows +
                                           QStringLiteral("\\data\\TEMPLATE\\template.dat"));
    EXPECT_EQ(found, Root + QStringLiteral("/Data/Template/Template.DAT"));
}

TEST_F(PathResolver, ExistenceChecksAnswerEmptyForWhatIsMissing) {
    EXPECT_EQ(FindExistingPath(Root + QStringLiteral("/DATA")), Root + QStringLiteral("/Data"));
    EXPECT_EQ(FindExistingPath(Root + QStringLiteral("/data/none.dat")), QString());
    EXPECT_EQ(FindExistingFile(Root + QStringLiteral("/data/template")), QString()); // a folder
    EXPECT_EQ(FindExistingPath(QString()), QString());
    EXPECT_EQ(FindExistingFile(Root + QStringLiteral("/data/template/template.dat/x")), QString());
}
