#include "UDayTable.h"

#include "TestImageCompare.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UException.h"
#include "UStreams.h"

#include <QDate>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// Unloads the process-wide day tables around each test.
class DayTableTest : public ::testing::Test {
protected:
    void SetUp() override { Unload(); }
    void TearDown() override { Unload(); }
    static void Unload() {
        SetMoonAgeTable(nullptr);
        SetW6Z24Table(nullptr);
    }
    QString WriteFile(const QString& Name, const QByteArray& Bytes) {
        const QString path = FDir.filePath(Name);
        WriteFileAtomic(path, Bytes);
        return path;
    }
    QTemporaryDir FDir;
};

int QtWeekday(int Year, int Month, int Day) {
    return QDate(Year, Month, Day).dayOfWeek() % 7;
}

} // namespace

TEST(YMDCacheData, SlotsCoverExactlyTheTableYears) {
    struct {
        int Y, M, D, Slot;
    } const rows[] = {
        {1989, 1, 1, 0},       {1989, 1, 31, 30},  {1989, 2, 1, 31},  {1990, 1, 1, 372},
        {2151, 12, 31, 60635}, {1988, 12, 31, -1}, {2152, 1, 1, -1},  {2000, 0, 1, -1},
        {2000, 13, 1, -1},     {2000, 1, 0, -1},   {2000, 1, 32, -1},
    };
    for (const auto& r : rows)
        EXPECT_EQ(TYMDCacheData::SlotIndex(r.Y, r.M, r.D), r.Slot)
            << r.Y << "-" << r.M << "-" << r.D;
    EXPECT_EQ(TYMDCacheData::BlockSize, 121272);
}

TEST(YMDCacheData, GetSetAndBitsStayInsideTheBlock) {
    TYMDCacheData t;
    ASSERT_EQ(t.Block().size(), TYMDCacheData::BlockSize);
    EXPECT_EQ(t.Get(2000, 5, 5), 0);
    t.Set(2151, 12, 31, 0xBEEF);
    t.Set(1989, 1, 1, 0x1234);
    EXPECT_EQ(t.Get(2151, 12, 31), 0xBEEF);
    EXPECT_EQ(t.Block().right(2), QByteArray("\xEF\xBE", 2)); // little-endian last word
    EXPECT_EQ(t.Block().left(2), QByteArray("\x34\x12", 2));
    EXPECT_EQ(t.GetBits(2151, 12, 31, 4, 0xF), 0xE);
    EXPECT_EQ(t.GetBits(2151, 12, 31, 16, 0xF), 0); // shift outside the word
    EXPECT_EQ(t.GetBits(2151, 12, 31, -1, 0xF), 0);

    t.Set(2152, 1, 1, 7); // no slot: ignored
    t.Set(2000, 1, 32, 7);
    EXPECT_EQ(t.Get(2152, 1, 1), 0);
    EXPECT_EQ(t.Block().size(), TYMDCacheData::BlockSize);
    t.Clear();
    EXPECT_EQ(t.Block(), QByteArray(TYMDCacheData::BlockSize, '\0'));
}

TEST_F(DayTableTest, LoadFromFileZeroFillsShortFilesAndCutsLongOnes) {
    TYMDCacheData t;
    t.Set(2000, 1, 1, 99);
    const QByteArray prefix("\x01\x02\x03\x04\x05", 5); // ends inside a word
    EXPECT_EQ(t.LoadFromFile(WriteFile("short.tbl", prefix)), 5);
    EXPECT_EQ(t.Get(1989, 1, 1), 0x0201);
    EXPECT_EQ(t.Get(1989, 1, 2), 0x0403);
    EXPECT_EQ(t.Get(1989, 1, 3), 0x0005); // half a word, the rest zero
    EXPECT_EQ(t.Get(2000, 1, 1), 0);      // nothing left of the previous content
    EXPECT_EQ(t.Block().size(), TYMDCacheData::BlockSize);

    QByteArray longer(TYMDCacheData::BlockSize + 100, '\x11');
    EXPECT_EQ(t.LoadFromFile(WriteFile("long.tbl", longer)), TYMDCacheData::BlockSize + 100);
    EXPECT_EQ(t.Block(), longer.left(TYMDCacheData::BlockSize));

    EXPECT_EQ(t.LoadFromFile(WriteFile("empty.tbl", {})), 0);
    EXPECT_EQ(t.Block(), QByteArray(TYMDCacheData::BlockSize, '\0'));
}

TEST_F(DayTableTest, MissingFileRaisesAndKeepsTheLoadedTable) {
    TYMDCacheData t;
    t.Set(2000, 1, 1, 42);
    EXPECT_THROW(t.LoadFromFile(FDir.filePath("none.tbl")), EFOpenError);
    EXPECT_EQ(t.Get(2000, 1, 1), 42);

    auto table = std::make_unique<TYMDCacheData>();
    table->Set(2000, 1, 1, 7);
    SetMoonAgeTable(std::move(table));
    EXPECT_THROW(LoadMoonAgeTable(FDir.filePath("none.tbl")), EFOpenError);
    ASSERT_NE(MoonAgeTable(), nullptr);
    EXPECT_EQ(MoonAge(2000, 1, 1), 7);
}

TEST(DateArithmetic, LeapYearsAndMonthLengths) {
    EXPECT_TRUE(IsLeapYear(2000));
    EXPECT_TRUE(IsLeapYear(2024));
    EXPECT_FALSE(IsLeapYear(1900));
    EXPECT_FALSE(IsLeapYear(2100));
    EXPECT_FALSE(IsLeapYear(2023));
    const int lengths[12] = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    for (int m = 1; m <= 12; ++m)
        EXPECT_EQ(DaysInMonth(2023, m), lengths[m - 1]) << m;
    EXPECT_EQ(DaysInMonth(2024, 2), 29);
    EXPECT_EQ(DaysInMonth(2100, 2), 28);
    EXPECT_EQ(DaysInMonth(2024, 0), -1);
    EXPECT_EQ(DaysInMonth(2024, 13), -1);
}

TEST(DateArithmetic, DayNumberIsTheModifiedJulianDay) {
    EXPECT_EQ(DayNumber(1858, 11, 17), 0);
    EXPECT_EQ(DayNumber(2000, 1, 1), 51544);
    EXPECT_EQ(DayNumber(2024, 2, 29), 60369);
    // Consecutive over month and year ends, and equal to Qt's Julian day - 2400001.
    for (QDate d(1985, 1, 1); d <= QDate(2160, 12, 31); d = d.addDays(1))
        ASSERT_EQ(DayNumber(d.year(), d.month(), d.day()), d.toJulianDay() - 2400001)
            << d.toString(Qt::ISODate).toStdString();
}

TEST_F(DayTableTest, WeekdayByArithmeticWithoutTheTable) {
    EXPECT_EQ(DayOfWeek(2005, 1, 1), 6);
    for (QDate d(1980, 1, 1); d <= QDate(2200, 12, 31); d = d.addDays(1))
        ASSERT_EQ(DayOfWeek(d.year(), d.month(), d.day()), d.dayOfWeek() % 7)
            << d.toString(Qt::ISODate).toStdString();
    EXPECT_EQ(WeekdayIndex(2005, 1, 1), -1); // the table field: not loaded
}

TEST_F(DayTableTest, WithoutTablesOnlyArithmeticAnswers) {
    EXPECT_TRUE(IsSupportedDate(1989, 1, 1));
    EXPECT_TRUE(IsSupportedDate(2151, 12, 31));
    EXPECT_TRUE(IsSupportedDate(2024, 2, 29));
    EXPECT_FALSE(IsSupportedDate(2023, 2, 29));
    EXPECT_FALSE(IsSupportedDate(1988, 12, 31));
    EXPECT_FALSE(IsSupportedDate(2152, 1, 1));
    EXPECT_FALSE(IsSupportedDate(2000, 13, 1));
    EXPECT_FALSE(IsSupportedDate(2000, 4, 31));
    EXPECT_EQ(MoonAge(2000, 1, 1), -1);
    EXPECT_EQ(SixDayIndex(2000, 1, 1), -1);
    EXPECT_EQ(ZassetsuIndex(2000, 2, 3), -1);
    EXPECT_EQ(SolarTermIndex(2000, 3, 20), -1);
}

TEST_F(DayTableTest, TheLoadedTableDecidesInsideItsYearsAndArithmeticOutside) {
    auto table = std::make_unique<TYMDCacheData>();
    // 2005-01-01: weekday Saturday (6), six-day 3, seasonal day 1, solar term 19.
    table->Set(2005, 1, 1, (6 + 1) | (3 + 1) << 3 | (1 + 1) << 6 | (19 + 1) << 10);
    SetW6Z24Table(std::move(table));

    EXPECT_EQ(DayOfWeek(2005, 1, 1), 6);
    EXPECT_EQ(WeekdayIndex(2005, 1, 1), 6);
    EXPECT_EQ(SixDayIndex(2005, 1, 1), 3);
    EXPECT_EQ(ZassetsuIndex(2005, 1, 1), 1);
    EXPECT_EQ(SolarTermIndex(2005, 1, 1), 19);
    EXPECT_TRUE(IsSupportedDate(2005, 1, 1));

    // An existing day without data in the table (damage) takes its weekday from the date;
    // the fields only the table knows have no value.
    EXPECT_EQ(DayOfWeek(2005, 1, 2), QtWeekday(2005, 1, 2));
    EXPECT_EQ(SixDayIndex(2005, 1, 2), -1);
    EXPECT_TRUE(IsSupportedDate(2005, 1, 2));

    // Outside the table's years the weekday still comes from the date.
    EXPECT_EQ(DayOfWeek(2152, 1, 1), QtWeekday(2152, 1, 1));
    EXPECT_EQ(DayOfWeek(1988, 12, 31), QtWeekday(1988, 12, 31));
    EXPECT_EQ(WeekdayIndex(2200, 7, 4), QtWeekday(2200, 7, 4));
    EXPECT_EQ(SixDayIndex(2152, 1, 1), -1);
    EXPECT_FALSE(IsSupportedDate(2152, 1, 1));
}

TEST_F(DayTableTest, MoonAgeOutsideTheTableYearsHasNoValue) {
    auto table = std::make_unique<TYMDCacheData>();
    table->Set(2151, 12, 31, 1234);
    SetMoonAgeTable(std::move(table));
    EXPECT_EQ(MoonAge(2151, 12, 31), 1234);
    EXPECT_EQ(MoonAge(2000, 1, 1), 0); // a real age 0 (new moon at noon)
    EXPECT_EQ(MoonAge(2152, 1, 1), -1);
    EXPECT_EQ(MoonAge(2000, 1, 32), -1);
}

TEST_F(DayTableTest, CorruptTableValuesGiveNoNames) {
    SetW6Z24Table(nullptr);
    const QString path = WriteFile("ff.tbl", QByteArray(TYMDCacheData::BlockSize, '\xFF'));
    LoadW6Z24Table(path);
    EXPECT_EQ(SixDayIndex(2000, 1, 1), 6); // field 7 - 1: beyond the name list
    EXPECT_EQ(SixDayName(SixDayIndex(2000, 1, 1)), QString());
    EXPECT_EQ(ZassetsuName(ZassetsuIndex(2000, 1, 1)), QString());   // 14
    EXPECT_EQ(SolarTermName(SolarTermIndex(2000, 1, 1)), QString()); // 30
    EXPECT_EQ(DayOfWeek(2000, 1, 1), 6);
}

TEST(DateArithmetic, WeekRowsOfAMonthGrid) {
    struct {
        int Y, M, D, Start, Row;
    } const rows[] = {
        {2024, 6, 1, 0, 1}, {2024, 6, 2, 0, 2}, {2024, 6, 30, 0, 6}, // June 2024 starts Sat
        {2024, 6, 1, 1, 1}, {2024, 6, 3, 1, 2}, {2024, 6, 30, 1, 5},
        {2024, 6, 1, 6, 1}, {2024, 6, 8, 6, 2}, {2015, 2, 28, 0, 4}, // Feb 2015 starts Sun
        {2015, 2, 1, 1, 1}, {2015, 2, 2, 1, 2}, {2015, 2, 28, 1, 5},
    };
    for (const auto& r : rows)
        EXPECT_EQ(WeekOfMonth(r.Y, r.M, r.D, r.Start), r.Row)
            << r.Y << "-" << r.M << "-" << r.D << " start " << r.Start;
    EXPECT_EQ(WeeksInMonth(2024, 6, 0), 6);
    EXPECT_EQ(WeeksInMonth(2024, 6, 1), 5);
    EXPECT_EQ(WeeksInMonth(2015, 2, 0), 4);
    EXPECT_EQ(WeeksInMonth(2015, 2, 1), 5);
    EXPECT_EQ(WeeksInMonth(2015, 13, 0), 0);
}

TEST(DayNames, TablesAndTheirBounds) {
    EXPECT_EQ(SixDayName(0), QStringLiteral("先勝"));
    EXPECT_EQ(SixDayName(5), QStringLiteral("赤口"));
    EXPECT_EQ(ZassetsuName(1), QStringLiteral("節分"));
    EXPECT_EQ(ZassetsuName(8), QStringLiteral("二百十日"));
    EXPECT_EQ(ZassetsuName(10), QStringLiteral("土用"));
    EXPECT_EQ(SolarTermName(0), QStringLiteral("春分"));
    EXPECT_EQ(SolarTermName(18), QStringLiteral("冬至"));
    EXPECT_EQ(SolarTermName(23), QStringLiteral("啓蟄"));
    for (int bad : {-1, 6})
        EXPECT_EQ(SixDayName(bad), QString());
    for (int bad : {-1, 11})
        EXPECT_EQ(ZassetsuName(bad), QString());
    for (int bad : {-1, 24})
        EXPECT_EQ(SolarTermName(bad), QString());
}

namespace {

constexpr TColor MoonLit = clYellow;
constexpr TColor MoonDark = clGray;

// One moon drawn alone on a white bitmap of the size of the rectangle's square.
TBitmap Moon(int Age, int Side = 24) {
    TBitmap b(Side, Side);
    DrawMoon(b.Canvas(), TRect(0, 0, Side, Side), Age, MoonLit, MoonDark);
    return b;
}

// Pixels of Colour in the columns [FromX, ToX).
int CountColour(const TBitmap& B, TColor Colour, int FromX, int ToX) {
    const QImage image = B.ToQImage();
    const QRgb wanted = qRgb(GetRValue(Colour), GetGValue(Colour), GetBValue(Colour));
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = FromX; x < ToX; ++x)
            n += (image.pixel(x, y) & 0xFFFFFF) == (wanted & 0xFFFFFF);
    return n;
}

} // namespace

TEST(MoonGlyph, PhasesMatchTheGoldenImage) {
    // Columns: new, waxing crescent, first quarter, waxing gibbous, full, waning gibbous,
    // last quarter, waning crescent. Rows: squares of 32; rectangles of 20 x 27 (the square's
    // side is the smaller one, at the top-left corner); squares of the odd side 19.
    const int ages[] = {0, 3780, 7559, 11340, 15119, 18899, 22680, 26459};
    TBitmap b(8 * 36 + 4, 36 + 31 + 23 + 4);
    for (int i = 0; i < 8; ++i) {
        const int x = 4 + i * 36;
        DrawMoon(b.Canvas(), TRect(x, 4, x + 32, 36), ages[i], MoonLit, MoonDark);
        DrawMoon(b.Canvas(), TRect(x, 40, x + 20, 67), ages[i], MoonLit, MoonDark);
        DrawMoon(b.Canvas(), TRect(x, 71, x + 19, 90), ages[i], MoonLit, MoonDark);
    }
    TestImages::ExpectMatchesGolden(b.ToQImage(), QStringLiteral("calendar/moon-phases.png"));
}

TEST(MoonGlyph, TheLitPartFollowsTheAge) {
    const int side = 24, half = side / 2;
    const struct {
        const char* What;
        int Age;
        int LitLeft, LitRight, DarkLeft, DarkRight; // 1 = some pixels, 0 = none
    } rows[] = {
        {"new moon", 0, 0, 0, 1, 1},         {"waxing crescent", 3780, 0, 1, 1, 1},
        {"first quarter", 7559, 0, 1, 1, 0}, {"waxing gibbous", 11340, 1, 1, 1, 0},
        {"full moon", 15119, 1, 1, 0, 0},    {"waning gibbous", 18899, 1, 1, 0, 1},
        {"last quarter", 22680, 1, 0, 0, 1}, {"waning crescent", 26459, 1, 0, 1, 1},
    };
    for (const auto& r : rows) {
        const TBitmap b = Moon(r.Age, side);
        EXPECT_EQ(CountColour(b, MoonLit, 0, half) > 0, r.LitLeft == 1) << r.What;
        EXPECT_EQ(CountColour(b, MoonLit, half, side) > 0, r.LitRight == 1) << r.What;
        EXPECT_EQ(CountColour(b, MoonDark, 0, half) > 0, r.DarkLeft == 1) << r.What;
        EXPECT_EQ(CountColour(b, MoonDark, half, side) > 0, r.DarkRight == 1) << r.What;
    }
    // The crescent is the smaller part, the gibbous moon the larger.
    EXPECT_LT(CountColour(Moon(3780), MoonLit, 0, 24), CountColour(Moon(3780), MoonDark, 0, 24));
    EXPECT_GT(CountColour(Moon(11340), MoonLit, 0, 24), CountColour(Moon(11340), MoonDark, 0, 24));
}

TEST(MoonGlyph, AgesAreTakenModuloOneLunation) {
    const struct {
        int Age, Same;
    } rows[] = {{-1, 30238}, {30239, 0}, {-30239, 0}, {30239 * 3 + 100, 100}, {-20000, 10239}};
    for (const auto& r : rows)
        EXPECT_EQ(Moon(r.Age).ToQImage(), Moon(r.Same).ToQImage()) << r.Age;
    // The extremes of int finish at once.
    EXPECT_EQ(Moon(INT_MIN).ToQImage(), Moon(INT_MIN % 30239 + 30239).ToQImage());
    EXPECT_EQ(Moon(INT_MAX).ToQImage(), Moon(INT_MAX % 30239).ToQImage());
}

TEST(MoonGlyph, TheCanvasIsLeftAsItWas) {
    TBitmap b(20, 20);
    TCanvas& c = b.Canvas();
    c.Pen().SetColor(clNavy);
    c.Pen().SetWidth(3);
    c.Brush().SetStyle(bsClear);
    DrawMoon(c, TRect(0, 0, 20, 20), 5000, MoonLit, MoonDark);
    EXPECT_EQ(c.Pen().Color(), clNavy);
    EXPECT_EQ(c.Pen().Width(), 3);
    EXPECT_EQ(c.Brush().Style(), bsClear);
    EXPECT_FALSE(c.HasClipRgn());
    EXPECT_EQ(c.SavedDCCount(), 0);

    // An empty rectangle draws nothing.
    TBitmap blank(10, 10);
    DrawMoon(blank.Canvas(), TRect(2, 2, 2, 9), 15119, MoonLit, MoonDark);
    DrawMoon(blank.Canvas(), TRect(5, 5, 1, 1), 15119, MoonLit, MoonDark);
    EXPECT_EQ(CountColour(blank, clWhite, 0, 10), 100);
}

// A weekday table with no word for a few existing days (a damaged table) gives those days
// their weekday by arithmetic, and the damage, like a file of the wrong size, is reported to
// the caller that loads it.
TEST_F(DayTableTest, DamagedAndShortTablesFallBackAndReport) {
    TYMDCacheData sound;
    for (int y = TYMDCacheData::FirstYear; y <= TYMDCacheData::LastYear; ++y)
        for (int m = 1; m <= 12; ++m)
            for (int d = 1; d <= DaysInMonth(y, m); ++d)
                sound.Set(y, m, d, static_cast<uint16_t>(DayOfWeek(y, m, d) + 1));
    EXPECT_EQ(sound.MissingDays(), 0);
    EXPECT_EQ(LoadW6Z24Table(WriteFile("sound.tbl", sound.Block())), QString());
    EXPECT_EQ(LoadMoonAgeTable(WriteFile("moon.tbl", sound.Block())), QString());

    TYMDCacheData damaged = sound;
    damaged.Set(2000, 1, 1, 0);
    damaged.Set(2024, 6, 30, 0);
    const QString report = LoadW6Z24Table(WriteFile("damaged.tbl", damaged.Block()));
    EXPECT_TRUE(report.contains(QStringLiteral("2 日分"))) << report.toStdString();
    EXPECT_EQ(DayOfWeek(2000, 1, 1), 6);
    EXPECT_EQ(DayOfWeek(2024, 6, 30), 0);
    EXPECT_EQ(WeekdayIndex(2000, 1, 1), 6);
    EXPECT_TRUE(IsSupportedDate(2000, 1, 1));
    EXPECT_EQ(DayOfWeek(2000, 2, 30), -1) << "a day that does not exist stays without weekday";
    EXPECT_FALSE(IsSupportedDate(2000, 2, 30));
    EXPECT_EQ(WeeksInMonth(2024, 6, 0), 6);

    const QByteArray half = sound.Block().left(TYMDCacheData::BlockSize / 2);
    const QString shortReport = LoadW6Z24Table(WriteFile("short.tbl", half));
    EXPECT_TRUE(shortReport.contains(QString::number(TYMDCacheData::BlockSize / 2)))
        << shortReport.toStdString();
    EXPECT_EQ(DayOfWeek(2151, 12, 31), QtWeekday(2151, 12, 31)) << "the missing half";
    EXPECT_FALSE(LoadMoonAgeTable(WriteFile("moon-short.tbl", half)).isEmpty());
}
