#include "UHolidays.h"

#include "UCodePage.h"
#include "UException.h"
#include "UStreams.h"

#include <QRandomGenerator>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

THolidays Load(const QStringList& Lines) {
    THolidays h;
    h.LoadFromStrings(TStringList(Lines));
    return h;
}

// A file with names 0..2 and the given definition lines.
THolidays LoadDefinitions(const QStringList& Definitions) {
    return Load(QStringList{"[HolidayName]", "0,A", "1,B", "2,C", "[HolidayDef]"} + Definitions);
}

// Number of days in 1989..2151 that carry a holiday.
int HolidayDayCount(const THolidays& H) {
    int count = 0;
    for (int y = TYMDCacheData::FirstYear; y <= TYMDCacheData::LastYear; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= 31; ++d)
                count += H.HolidayIndex(y, m, d) >= 0;
    return count;
}

} // namespace

TEST(Holidays, EveryYearOfTheTablesIsAccepted) {
    const THolidays h = LoadDefinitions({"*;1;1;0"});
    for (int y = 1989; y <= 2151; ++y)
        ASSERT_EQ(h.HolidayIndex(y, 1, 1), 0) << y;
    EXPECT_EQ(h.HolidayName(0), QStringLiteral("A"));
    EXPECT_EQ(h.HolidayIndex(2000, 1, 2), -1);
    EXPECT_EQ(h.HolidayIndex(1988, 1, 1), -1);
    EXPECT_EQ(h.HolidayIndex(2152, 1, 1), -1);
    EXPECT_EQ(HolidayDayCount(h), 163);
}

TEST(Holidays, ListItemsSelectTheirRanges) {
    struct {
        const char* Line;
        int Count;            // days set in all years
        int Y, M, D;          // one day that is set
        int NotY, NotM, NotD; // one day that is not
    } const rows[] = {
        {"2000-2002,2005;5;3-5;2", 12, 2005, 5, 4, 2003, 5, 4},
        {"2000;-3;1;0", 3, 2000, 3, 1, 2000, 4, 1},
        {"2000;1;29-;0", 3, 2000, 1, 31, 2000, 1, 28},
        {"2000;2;29-;0", 3, 2000, 2, 31, 2000, 2, 28}, // unused slots past the month's end
        {"2000;*;15;0", 12, 2000, 12, 15, 2001, 1, 15},
        {"2150-;12;31;0", 2, 2151, 12, 31, 2149, 12, 31},
        {"-1990;1;1;0", 2, 1989, 1, 1, 1991, 1, 1},
        {"2000;3-1;1;0", 0, 0, 0, 0, 2000, 2, 1},             // empty range
        {" 2000 ;\t6 ;　7,9 ; 1", 2, 2000, 6, 9, 2000, 6, 8}, // blanks, tab, full-width space
        {"2000;1,,3;1;0", 2, 2000, 3, 1, 2000, 2, 1},         // an empty item adds nothing
        {"1900-2200;1;1;0", 163, 1989, 1, 1, 0, 0, 0},        // clamped to the table years
    };
    for (const auto& r : rows) {
        const THolidays h = LoadDefinitions({r.Line});
        EXPECT_EQ(HolidayDayCount(h), r.Count) << r.Line;
        if (r.Y) {
            EXPECT_GE(h.HolidayIndex(r.Y, r.M, r.D), 0) << r.Line;
        }
        if (r.NotY) {
            EXPECT_EQ(h.HolidayIndex(r.NotY, r.NotM, r.NotD), -1) << r.Line;
        }
    }
    EXPECT_EQ(LoadDefinitions({"2000;2;29-;2"}).Days().Get(2000, 2, 30), 3); // index + 1
}

TEST(Holidays, MalformedDefinitionLinesAreSkipped) {
    const char* const lines[] = {
        "2000;1;1",       // no final number
        "2000;1;1;",      // empty final number
        "2000;1;1;x",     // final field not a number
        "2000;1;1;-1",    // negative index
        "2000;1;1;1.5",   // fraction
        "2000.5;1;1;0",   // fraction in a list
        "2000;1e1;1;0",   // exponent in a list
        "2000,1;1;0",     // a separator missing
        "2000;1;1;65535", // index + 1 does not fit the day word
        "2000;1;1;99999999999999999999",
    };
    for (const char* line : lines) {
        const THolidays h = LoadDefinitions({line});
        EXPECT_EQ(HolidayDayCount(h), 0) << line;
    }
    // The highest index that fits is taken.
    EXPECT_EQ(LoadDefinitions({"2000;1;1;65534"}).Days().Get(2000, 1, 1), 65535);
}

TEST(Holidays, LaterLinesOverwriteEarlierOnes) {
    const THolidays h =
        LoadDefinitions({"2000;1;1-10;0", "2000;1;5;1", "2000;1;9-;2", "2000;1;1;0"});
    const int expected[11] = {-1, 0, 0, 0, 0, 1, 0, 0, 0, 2, 2};
    for (int d = 1; d <= 10; ++d)
        EXPECT_EQ(h.HolidayIndex(2000, 1, d), expected[d]) << d;
    EXPECT_EQ(h.HolidayIndex(2000, 1, 31), 2);
}

TEST(Holidays, SectionsEndAtTheFirstLineWithoutTheirSeparator) {
    const THolidays h = Load({"; header, with commas; and semicolons", "2000;1;1;0",
                              "[HolidayName]", "0,Zero", "1,One", "", "2,Two", "[HolidayDef]",
                              "2000;1;2;0", "2000;1;3;1", "end", "2000;1;4;0"});
    EXPECT_EQ(h.NameCount(), 2);
    EXPECT_EQ(h.HolidayName(1), QStringLiteral("One"));
    EXPECT_EQ(h.HolidayName(2), QString());
    EXPECT_EQ(h.HolidayIndex(2000, 1, 1), -1);
    EXPECT_EQ(h.HolidayIndex(2000, 1, 2), 0);
    EXPECT_EQ(h.HolidayIndex(2000, 1, 3), 1);
    EXPECT_EQ(h.HolidayIndex(2000, 1, 4), -1);
}

TEST(Holidays, NothingLoadsWithoutBothSections) {
    THolidays h = LoadDefinitions({"2000;1;1;0"});
    h.LoadFromStrings(TStringList({"[HolidayName]", "0,A", "2000;1;1;0"}));
    EXPECT_EQ(h.NameCount(), 0);
    EXPECT_EQ(h.HolidayIndex(2000, 1, 1), -1);
    h.LoadFromStrings(TStringList({"[HolidayDef]", "2000;1;1;0"}));
    EXPECT_EQ(h.HolidayIndex(2000, 1, 1), -1);
    // Section lines are found whatever their case and surrounding blanks.
    h.LoadFromStrings(TStringList({" [holidayname] ", "0,A", "[HOLIDAYDEF]", "2000;1;1;0"}));
    EXPECT_EQ(h.HolidayIndex(2000, 1, 1), 0);
}

TEST(Holidays, NameLines) {
    const THolidays h =
        Load({"[HolidayName]", "3,New, Year", "x,Zero", "5, 振替休日 ", "7,\"Quoted \"\"name\"\"\"",
              "-1,Negative", "65535,TooHigh", "99999999999999999999,Huge", "[HolidayDef]"});
    EXPECT_EQ(h.NameCount(), 8); // extended with empty names up to index 7
    EXPECT_EQ(h.HolidayName(3), QStringLiteral("New, Year")); // split at the first comma only
    EXPECT_EQ(h.HolidayName(0), QStringLiteral("Zero"));      // not a number: index 0
    EXPECT_EQ(h.HolidayName(1), QString());
    EXPECT_EQ(h.HolidayName(5), QStringLiteral("振替休日"));
    EXPECT_EQ(h.HolidayName(7), QStringLiteral("Quoted \"name\""));
    EXPECT_EQ(h.HolidayName(-1), QString());
    EXPECT_EQ(h.HolidayName(8), QString());

    const THolidays high = Load({"[HolidayName]", "65534,Last", "[HolidayDef]"});
    EXPECT_EQ(high.NameCount(), 65535);
    EXPECT_EQ(high.HolidayName(65534), QStringLiteral("Last"));
}

TEST(Holidays, TokenizerSplitsAsTheDefinitionsNeed) {
    struct {
        const char16_t* Text;
        std::vector<const char16_t*> Tokens;
    } const rows[] = {
        {u"2000-2002,2005;5;3-5;2",
         {u"2000", u"-", u"2002", u",", u"2005", u";", u"5", u";", u"3", u"-", u"5", u";", u"2"}},
        {u"  \t12.5e+3x", {u"12.5e+3", u"x"}},
        {u"1.e5 1e", {u"1", u".", u"e5", u"1", u"e"}},
        {u"abc_1 $1Fz _x", {u"abc_1", u"$1F", u"z", u"_x"}},
        {u"'a;b' \"c\" 'open", {u"'a;b'", u"\"c\"", u"'open"}},
        {u"<<=<>>>=", {u"<", u"<=", u"<>", u">", u">="}},
        {u"　振替\u3000*", {u"振", u"替", u"*"}},
        {u"\U0001F600;", {u"\U0001F600", u";"}},
        {u"   ", {}},
    };
    for (const auto& r : rows) {
        QString text = QString::fromUtf16(r.Text);
        QStringView rest(text);
        QStringList got;
        for (QString t = TakeToken(rest); !t.isEmpty(); t = TakeToken(rest))
            got << t;
        QStringList want;
        for (const char16_t* t : r.Tokens)
            want << QString::fromUtf16(t);
        EXPECT_EQ(got, want) << text.toStdString();
    }
}

TEST(Holidays, HugeRangesAndManyLinesAreRead) {
    QStringList lines{"0-4294967296;0-99999999999;-99999999999999999999;0", "99999999999-;1;1;1",
                      "2000;99999999999-;1;1"};
    for (int i = 0; i < 20000; ++i)
        lines << QStringLiteral("*;*;1-30;%1").arg(i % 3);
    // How long it takes is measured in bench/WorstCaseInputBench.
    const THolidays h = LoadDefinitions(lines);
    EXPECT_EQ(h.HolidayIndex(2000, 1, 31), 0); // only the first line covers the 31st
    EXPECT_EQ(h.HolidayIndex(2151, 12, 30), (20000 - 1) % 3);
    EXPECT_EQ(h.HolidayIndex(1989, 1, 1), (20000 - 1) % 3);
}

TEST(Holidays, FilesAreCodePage932AndAMissingFileRaises) {
    QTemporaryDir dir;
    const QString path = dir.filePath("Holiday.tbl");
    WriteFileAtomic(path, ToCP932(QStringLiteral("[HolidayName]\r\n0,元日\r\n1,国民の休日\r\n"
                                                 "[HolidayDef]\r\n2009;9;22;1\r\n*;1;1;0\r\n")));
    THolidays h;
    h.LoadFromFile(path);
    EXPECT_EQ(h.HolidayName(h.HolidayIndex(2009, 9, 22)), QStringLiteral("国民の休日"));
    EXPECT_EQ(h.HolidayName(h.HolidayIndex(2151, 1, 1)), QStringLiteral("元日"));

    EXPECT_THROW(h.LoadFromFile(dir.filePath("none.tbl")), EFOpenError);
    EXPECT_EQ(h.HolidayIndex(2009, 9, 22), 1); // unchanged

    SetHolidayTable(nullptr);
    LoadHolidayTable(path);
    ASSERT_NE(HolidayTable(), nullptr);
    EXPECT_THROW(LoadHolidayTable(dir.filePath("none.tbl")), EFOpenError);
    ASSERT_NE(HolidayTable(), nullptr);
    EXPECT_EQ(HolidayTable()->HolidayIndex(2009, 9, 22), 1);
    SetHolidayTable(nullptr);
}

TEST(Holidays, TruncatedAndCorruptedFilesLoadWithoutHarm) {
    const QByteArray good = ToCP932(
        QStringLiteral("[HolidayName]\r\n0,元日\r\n1,成人の日\r\n2,振替休日\r\n[HolidayDef]\r\n"
                       "1989-1999;1;1;0\r\n2000-;1;1;0\r\n1989-1999;1;15;1\r\n2006;1;2;2\r\n"));
    QTemporaryDir dir;
    const QString path = dir.filePath("Holiday.tbl");
    for (qsizetype n = 0; n <= good.size(); ++n) {
        WriteFileAtomic(path, good.left(n));
        THolidays h;
        ASSERT_NO_THROW(h.LoadFromFile(path)) << n;
        EXPECT_LE(h.NameCount(), 3);
        EXPECT_LE(HolidayDayCount(h), 163 + 11 + 1) << n;
    }
    QRandomGenerator random(932);
    for (int round = 0; round < 200; ++round) {
        QByteArray bad = good;
        for (int i = 0; i < 8; ++i)
            bad[random.bounded(bad.size())] = static_cast<char>(random.bounded(256));
        WriteFileAtomic(path, bad);
        THolidays h;
        ASSERT_NO_THROW(h.LoadFromFile(path)) << round;
        for (int y = 1989; y <= 2151; ++y) {
            const int index = h.HolidayIndex(y, 1, 1);
            ASSERT_TRUE(index >= -1 && index <= THolidays::MaxNameIndex);
        }
    }
}
