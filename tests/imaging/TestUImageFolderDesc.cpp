#include "UImageFolderDesc.h"

#include "UCodePage.h"

#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

class ImageFolderInfo : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Dir.isValid()); }
    // Writes Index.ini (code page 932) and answers a finder that knows only that file.
    TImageFolderInfo::TFindFile Write(const QString& Text) {
        QFile f(Dir.filePath("Index.ini"));
        EXPECT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(ToCP932(Text));
        f.close();
        return [this](const QString& Name) {
            return Name == "Illust\\Index.ini" ? Dir.filePath("Index.ini") : QString();
        };
    }
    QTemporaryDir Dir;
};

const char* const Description = "[Index]\r\n"
                                "a=Animals\r\n"
                                "b=Flowers\r\n"
                                "a=Empty\r\n"
                                "[V2Index]\r\n"
                                "x=Flowers\r\n"
                                "[Animals]\r\n"
                                "Caption=動物\r\n"
                                "Transparent=1\r\n"
                                "Folder=Illust\r\n"
                                "1=a.bmp\r\n"
                                "2=b.bmp\r\n"
                                "Folder=Sub\\\r\n"
                                "3=c.bmp\r\n"
                                "folder=d.bmp\r\n"
                                "[flowers]\r\n"
                                "Caption=花\r\n"
                                "Transparent=abc\r\n"
                                "1=rose.jpg\r\n";

} // namespace

TEST_F(ImageFolderInfo, CategoriesCaptionsAndTransparency) {
    TImageFolderInfo info("Illust\\Index.ini", false, Write(Description));
    ASSERT_TRUE(info.Valid());
    EXPECT_EQ(info.BaseFolder(), Dir.path());
    // Every key of the index counts, repeated names too.
    EXPECT_EQ(info.Categories(), QStringList({"Animals", "Flowers", "Empty"}));
    QStringList captions{"old"};
    info.GetCaptions(captions);
    EXPECT_EQ(captions, QStringList({"動物", "花", ""}));
    EXPECT_TRUE(info.GetTransparent(0));
    EXPECT_FALSE(info.GetTransparent(1)); // not a number
    EXPECT_FALSE(info.GetTransparent(2));
    EXPECT_FALSE(info.GetTransparent(7));

    TImageFolderInfo v2("Illust\\Index.ini", true, Write(Description));
    EXPECT_EQ(v2.Categories(), QStringList({"Flowers"}));
}

TEST_F(ImageFolderInfo, FilesOfACategoryFollowTheFolderKeys) {
    TImageFolderInfo info("Illust\\Index.ini", false, Write(Description));
    EXPECT_EQ(info.ItemIndex(), -1);
    info.SetItemIndex(0);
    const QString base = Dir.path();
    EXPECT_EQ(info.FileList(), QStringList({base + "/Illust/a.bmp", base + "/Illust/b.bmp",
                                            base + "/IllustSub/c.bmp", base + "/IllustSub/d.bmp"}));
    info.SetItemIndex(1);
    EXPECT_EQ(info.FileList(), QStringList({base + "/rose.jpg"}));
    info.SetItemIndex(5);
    EXPECT_TRUE(info.FileList().isEmpty());
}

TEST_F(ImageFolderInfo, SelectingTheSameCategoryDoesNotReread) {
    TImageFolderInfo info("Illust\\Index.ini", false, Write(Description));
    info.SetItemIndex(1);
    ASSERT_EQ(info.FileList().size(), 1);
    // The file changes on disk; the selection is kept as read.
    Write("[Index]\r\n");
    info.SetItemIndex(1);
    EXPECT_EQ(info.FileList().size(), 1);
}

TEST_F(ImageFolderInfo, MissingOrDamagedDescriptions) {
    TImageFolderInfo missing("Illust\\None.ini", false, Write(Description));
    EXPECT_FALSE(missing.Valid());
    QStringList captions{"x"};
    missing.GetCaptions(captions);
    EXPECT_TRUE(captions.isEmpty());
    missing.SetItemIndex(0);
    EXPECT_TRUE(missing.FileList().isEmpty());

    // Garbage lines are skipped; what can be read is read.
    QFile f(Dir.filePath("Index.ini"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    static const char garbage[] =
        "\x00\xff\x81garbage\r\n[Index\r\n=novalue\r\n[Index]\r\n"
        "\x82\xa0\x82\r\nk=Cat\r\n\xfd\xfe=\xfc\r\n[Cat]\r\n1=x.png\r\n]]]\r\n";
    f.write(QByteArray(garbage, sizeof garbage - 1));
    f.close();
    TImageFolderInfo damaged("Illust\\Index.ini", false,
                             [&](const QString&) { return Dir.filePath("Index.ini"); });
    ASSERT_TRUE(damaged.Valid());
    ASSERT_GE(damaged.CategoryCount(), 1);
    EXPECT_TRUE(damaged.Categories().contains("Cat"));
    damaged.SetItemIndex(damaged.Categories().indexOf("Cat"));
    EXPECT_EQ(damaged.FileList(), QStringList({Dir.path() + "/x.png"}));
}
