#include "UException.h"
#include "UStringList.h"

#include <QTemporaryDir>
#include <gtest/gtest.h>

TEST(StringList, NameValueRulesIgnoreCase) {
    TStringList l;
    l.SetText(QStringLiteral("Key=1\r\nother\nPath=C:\\a=b\rEmpty="));
    ASSERT_EQ(l.Count(), 4);
    EXPECT_EQ(l.Values(QStringLiteral("key")), QStringLiteral("1"));
    EXPECT_EQ(l.Values(QStringLiteral("PATH")), QStringLiteral("C:\\a=b")); // first '=' splits
    EXPECT_EQ(l.Values(QStringLiteral("other")), QString());                // no '=': no name
    EXPECT_EQ(l.IndexOfName(QStringLiteral("empty")), 3);
    EXPECT_EQ(l.Names(2), QStringLiteral("Path"));
    EXPECT_EQ(l.IndexOf(QStringLiteral("OTHER")), 1);
    EXPECT_EQ(l.IndexOf(QStringLiteral("missing")), -1);

    l.SetValue(QStringLiteral("KEY"), QStringLiteral("2"));
    EXPECT_EQ(l[0], QStringLiteral("KEY=2"));
    l.SetValue(QStringLiteral("New"), QStringLiteral("3"));
    EXPECT_EQ(l[4], QStringLiteral("New=3"));
    l.SetValue(QStringLiteral("path"), QString()); // empty value removes the line
    EXPECT_EQ(l.IndexOfName(QStringLiteral("Path")), -1);
    EXPECT_EQ(l.Text(), QStringLiteral("KEY=2\r\nother\r\nEmpty=\r\nNew=3\r\n"));
    EXPECT_THROW(l[7], EListError);
    EXPECT_THROW(l.Delete(-1), EListError);
}

TEST(StringList, SortedListsFindInsertAndIgnoreDuplicates) {
    TStringList l;
    l.SetSorted(true);
    for (const char* s : {"pear", "Apple", "banana", "apple"})
        l.Add(QString::fromLatin1(s));
    EXPECT_EQ(l.Lines(), QStringList({"Apple", "banana", "pear"}));
    int index = -1;
    EXPECT_TRUE(l.Find(QStringLiteral("BANANA"), index));
    EXPECT_EQ(index, 1);
    EXPECT_FALSE(l.Find(QStringLiteral("cherry"), index));
    EXPECT_EQ(index, 2);
    l.Duplicates = dupError;
    EXPECT_THROW(l.Add(QStringLiteral("PEAR")), EListError);
}

TEST(StringList, CommaTextQuotesWhatNeedsIt) {
    TStringList l;
    l.SetCommaText(QStringLiteral("a, \"b c\",\"d\"\"e\" ,,f"));
    EXPECT_EQ(l.Lines(), QStringList({"a", "b c", "d\"e", "", "f"}));
    EXPECT_EQ(l.CommaText(), QStringLiteral("a,\"b c\",\"d\"\"e\",\"\",f"));
}

TEST(StringList, FilesAreCodePage932) {
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("list.txt"));
    TStringList l;
    l.Add(QStringLiteral("名前=値"));
    l.Add(QStringLiteral("ｶﾀｶﾅ"));
    l.SaveToFile(name);
    QFile f(name);
    ASSERT_TRUE(f.open(QIODevice::ReadOnly));
    EXPECT_EQ(f.readAll().toHex(), QByteArray("96bc914f3d926c0d0ab6c0b6c50d0a"));
    TStringList back;
    back.LoadFromFile(name);
    EXPECT_EQ(back, l);
}
