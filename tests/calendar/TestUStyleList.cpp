// The index lists of stamps, schedule styles and year/month pictures.

#include "UCodePage.h"
#include "UStyleList.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

QStringList Files(const TStyleIndexList& List, const QString& Section) {
    QStringList files;
    for (const TStyleEntry& entry : List.Section(Section))
        files << entry.FileName;
    return files;
}

} // namespace

TEST(StyleIndexList, ReadsSectionsAndEntries) {
    TStyleIndexList list;
    const QByteArray text = ToCP932(QStringLiteral("; 年月の絵\r\n"
                                                   "ignored-before-any-section\r\n"
                                                   "[PictureFont]\r\n"
                                                   "丸文字=Fonts\\Round.png\r\n"
                                                   "\r\n"
                                                   "  Plain.png  \r\n"
                                                   "[pictureNUMBER]\n"
                                                   "数字=Num/1.png\n"));
    ASSERT_EQ(list.LoadFromBytes(text, QStringLiteral("/content/YrMnth")), QString());
    EXPECT_EQ(list.Names(PictureFontSection),
              (QStringList{QStringLiteral("丸文字"), QStringLiteral("Plain")}));
    EXPECT_EQ(Files(list, PictureFontSection),
              (QStringList{QStringLiteral("/content/YrMnth/Fonts/Round.png"),
                           QStringLiteral("/content/YrMnth/Plain.png")}));
    EXPECT_EQ(list.Names(PictureNumberSection), QStringList{QStringLiteral("数字")})
        << "section names compare without case";
    EXPECT_TRUE(list.Section(StampSection).empty());
}

TEST(StyleIndexList, RefusesUnsafeOrOversizedListsAsAWhole) {
    const struct {
        const char* Case;
        QByteArray Bytes;
    } rows[] = {
        {"parent folder", "[INDEX]\r\nok.png\r\nA=..\\..\\etc\\passwd\r\n"},
        {"absolute path", "[INDEX]\r\n/etc/passwd\r\n"},
        {"backslash root", "[INDEX]\r\n\\etc\\passwd\r\n"},
        {"drive letter", "[INDEX]\r\nC:\\x.png\r\n"},
        {"empty file name", "[INDEX]\r\nName=\r\n"},
        {"not code page 932", QByteArray("[INDEX]\r\n\x82\r\n")},
        {"too many entries",
         "[INDEX]\r\n" + QByteArray("a.png\n").repeated(TStyleIndexList::MaxEntries + 1)},
        {"too large", QByteArray(TStyleIndexList::MaxFileSize + 1, ';')},
    };
    for (const auto& row : rows) {
        TStyleIndexList list;
        EXPECT_FALSE(list.LoadFromBytes(row.Bytes, QStringLiteral("/c")).isEmpty()) << row.Case;
        EXPECT_TRUE(list.IsEmpty()) << row.Case;
    }
}

TEST(StyleIndexList, AMissingListIsEmptyWithoutComplaint) {
    QTemporaryDir dir;
    TStyleIndexList list;
    EXPECT_EQ(list.LoadFromFile(dir.filePath(QStringLiteral("Stamp.lst"))), QString());
    EXPECT_TRUE(list.IsEmpty());

    // A list read from a file takes its folder for the entries, whatever the name's case.
    QDir().mkpath(dir.filePath(QStringLiteral("Stamps")));
    QFile f(dir.filePath(QStringLiteral("Stamps/Stamp.lst")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write("[INDEX]\r\nStar.png\r\n");
    f.close();
    EXPECT_EQ(list.LoadFromFile(dir.filePath(QStringLiteral("stamps/STAMP.LST"))), QString());
    EXPECT_EQ(Files(list, StampSection),
              QStringList{dir.filePath(QStringLiteral("Stamps/Star.png"))});
}
