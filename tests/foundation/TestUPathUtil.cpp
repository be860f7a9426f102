#include "UPathUtil.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(PathUtil, ResolvePath) {
    const struct {
        const char* Path;
        const char* Base;
        const char* Expected;
    } rows[] = {
        {"..\\C", "A\\B", "A\\C"},
        {"\\X", "A\\B", "X"}, // absolute: from the root
        {"B\\..", "A", "A"},  // a trailing ".." removes the last element
        {".\\B\\.\\C", "A", "A\\B\\C"},
        {"C", "\\A", "\\A\\C"}, // a base with a leading backslash keeps it
        {"x\\", "", "x"},       // a trailing backslash is ignored
        {"a\\\\b", "", "a\\b"}, // so is an empty element
        {"", "A\\B", "A\\B"},
        {"..", "A", ""},
    };
    for (const auto& r : rows)
        EXPECT_EQ(ResolvePath(r.Path, r.Base), QString::fromLatin1(r.Expected))
            << r.Path << " against " << r.Base;
    for (const auto& [path, base] :
         {std::pair{"..\\..\\..", "A"}, std::pair{"..", ""}, std::pair{"\\..", "A\\B"}}) {
        try {
            ResolvePath(path, base);
            ADD_FAILURE() << path << " against " << base << " should leave the root";
        } catch (const EPathUtil& e) {
            EXPECT_EQ(e.Message, "too many \"..\"");
        }
    }
}

TEST(PathUtil, ElementHelpers) {
    EXPECT_EQ(AppendBackslash(""), "");
    EXPECT_EQ(AppendBackslash("a"), "a\\");
    EXPECT_EQ(AppendBackslash("a\\"), "a\\");
    EXPECT_EQ(RemoveTrailingBackslash("a\\"), "a");
    EXPECT_EQ(RemoveTrailingBackslash("a"), "a");
    EXPECT_EQ(JoinPath("", "n"), "n");
    EXPECT_EQ(JoinPath("d", "n"), "d\\n");
    EXPECT_EQ(JoinPath(QStringLiteral("表\\"), "n"), QStringLiteral("表\\n"));

    QString path = "a\\b\\c";
    EXPECT_EQ(ExtractFirstElement(path), "a");
    EXPECT_EQ(path, "b\\c");
    path = "abc";
    EXPECT_EQ(ExtractFirstElement(path), "abc");
    EXPECT_EQ(path, "");

    QStringList list{"x", "y"};
    AddPathElements(list, "z");
    EXPECT_EQ(list, (QStringList{"x", "y", "z"}));
    AddPathElements(list, "\\q\\..\\r");
    EXPECT_EQ(list, (QStringList{"r"})) << "a leading backslash starts over";
}

TEST(PathUtil, FindFilesRecursiveSkipsDotNamesAndLinkedFolders) {
    QTemporaryDir dir;
    const QString root = dir.path();
    QDir(root).mkpath("sub/deeper");
    QDir(root).mkpath(".hiddendir");
    for (const char* f :
         {"b.txt", "a.txt", ".hidden", "sub/c.txt", "sub/deeper/d.txt", ".hiddendir/e.txt"}) {
        QFile file(root + "/" + f);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    ASSERT_TRUE(QFile::link(root, root + "/sub/loop")); // a folder link back up: a loop
    TStringList list;
    FindFilesRecursive(list, root);
    EXPECT_EQ(list.Lines(), (QStringList{root + "/a.txt", root + "/b.txt", root + "/sub/c.txt",
                                         root + "/sub/deeper/d.txt"}));
    TStringList none;
    FindFilesRecursive(none, root + "/a.txt");
    FindFilesRecursive(none, root + "/missing");
    EXPECT_EQ(none.Count(), 0);
    EXPECT_TRUE(IsDirectory(root + "/sub"));
    EXPECT_FALSE(IsDirectory(root + "/a.txt"));
    EXPECT_FALSE(IsDirectory(root + "/missing"));
}

TEST(PathUtil, MakeTempFileNameCreatesAnEmptyUniqueFile) {
    const QString a = MakeTempFileName("mtf");
    const QString b = MakeTempFileName("mtf");
    EXPECT_NE(a, b);
    for (const QString& name : {a, b}) {
        const QFileInfo info(name);
        EXPECT_TRUE(info.exists());
        EXPECT_EQ(info.size(), 0);
        EXPECT_TRUE(info.fileName().startsWith("mtf"));
        EXPECT_EQ(info.absolutePath(), QFileInfo(QDir::tempPath()).absoluteFilePath());
        QFile::remove(name);
    }
}
