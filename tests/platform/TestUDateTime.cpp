#include "UDateTime.h"
#include "UException.h"

#include <cmath>
#include <gtest/gtest.h>
#include <limits>

TEST(DateTimeValue, EncodesAndDecodesLikeTheClassLibrary) {
    const struct {
        QDate Date;
        QTime Time;
        double Value;
    } cases[] = {
        {QDate(1899, 12, 30), QTime(0, 0), 0.0},
        {QDate(1900, 1, 1), QTime(0, 0), 2.0},
        {QDate(2024, 2, 29), QTime(12, 0), 45351.5},
        {QDate(1899, 12, 29), QTime(6, 0), -1.25}, // before the epoch the time is subtracted
        {QDate(1, 1, 1), QTime(0, 0), -693593.0},
        {QDate(9999, 12, 31), QTime(0, 0), 2958465.0},
    };
    for (const auto& c : cases) {
        EXPECT_DOUBLE_EQ(EncodeDateTime(c.Date, c.Time), c.Value)
            << c.Date.toString().toStdString();
        QDate d;
        QTime t;
        DecodeDateTime(c.Value, d, t);
        EXPECT_EQ(d, c.Date) << c.Value;
        EXPECT_EQ(t, c.Time) << c.Value;
    }
    QDate d;
    QTime t;
    DecodeDateTime(-0.5, d, t);
    EXPECT_EQ(d, QDate(1899, 12, 30));
    EXPECT_EQ(t, QTime(12, 0));
    DecodeDateTime(1.0 - 0.4 / 86400000.0, d, t); // rounds to the millisecond
    EXPECT_EQ(d, QDate(1899, 12, 31));
    EXPECT_EQ(t, QTime(0, 0));
}

TEST(DateTimeValue, OutOfRangeValuesRaise) {
    QDate d;
    QTime t;
    for (double v : {std::numeric_limits<double>::quiet_NaN(),
                     std::numeric_limits<double>::infinity(), 1e300, 2958466.0, -693594.0})
        EXPECT_THROW(DecodeDateTime(v, d, t), EConvertError) << v;
    EXPECT_THROW(FormatDateTime(QStringLiteral("yyyy"), std::nan("")), EConvertError);
    EXPECT_THROW(EncodeDateTime(QDate()), EConvertError);
    EXPECT_THROW(EncodeDateTime(QDate(10000, 1, 1)), EConvertError);
}

TEST(FormatDateTime, FormatLettersWithTheJapaneseLocale) {
    // Tuesday 2024-03-05 14:07:09.045
    const TDateTime when = EncodeDateTime(QDate(2024, 3, 5), QTime(14, 7, 9, 45));
    const struct {
        const char* Format;
        const char* Expected;
    } cases[] = {
        {"yyyy/mm/dd", "2024/03/05"},
        {"yy/m/d", "24/3/5"},
        {"y", "24"},
        {"yyy", "2024"},
        {"YYYY-MM-DD", "2024-03-05"},
        {"mmm|mmmm", "3月|3月"},
        {"ddd dddd", "火 火曜日"},
        {"aaa aaaa", "火 火曜日"},
        {"ddddd", "2024/03/05"},
        {"dddddd", "2024年3月5日"},
        {"g gg e ee", "令 令和 6 06"},
        {"ggee年", "令和06年"},
        {"hh:mm:ss", "14:07:09"}, // m right after an hour is minutes
        {"h:nn ampm", "2:07 午後"},
        {"hh:nn am/pm", "02:07 pm"},
        {"hh:nn AM/PM", "02:07 PM"},
        {"h a/p", "2 p"},
        {"z zzz", "45 045"},
        {"t|tt", "14:07|14:07:09"},
        {"c", "2024/03/05 14:07:09"},
        {"", "2024/03/05 14:07:09"},
        {"'yyyy'\"mm\"", "yyyymm"},
        {"yyyy'年", "2024年"},
        {"d日(ddd)", "5日(火)"},
        {"xbq", "xbq"},
        {"a", "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QString::fromUtf8(c.Format), when), QString::fromUtf8(c.Expected))
            << c.Format;
}

TEST(FormatDateTime, MidnightAndTwelveHourClock) {
    const TDateTime midnight = EncodeDateTime(QDate(2024, 3, 5));
    EXPECT_EQ(FormatDateTime(QStringLiteral("c"), midnight), QStringLiteral("2024/03/05"));
    const TDateTime half = EncodeDateTime(QDate(2024, 3, 5), QTime(0, 30));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn am/pm"), half), QStringLiteral("12:30 am"));
    EXPECT_EQ(FormatDateTime(QStringLiteral("h:nn"), half), QStringLiteral("0:30"));
}

TEST(FormatDateTime, EraBoundaries) {
    const struct {
        QDate Date;
        const char* Expected;
    } cases[] = {
        {QDate(1867, 12, 31), "1867"},   {QDate(1868, 1, 1), "明治1"},
        {QDate(1912, 7, 29), "明治45"},  {QDate(1912, 7, 30), "大正1"},
        {QDate(1926, 12, 24), "大正15"}, {QDate(1926, 12, 25), "昭和1"},
        {QDate(1989, 1, 7), "昭和64"},   {QDate(1989, 1, 8), "平成1"},
        {QDate(2019, 4, 30), "平成31"},  {QDate(2019, 5, 1), "令和1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateTime(QStringLiteral("gge"), EncodeDateTime(c.Date)),
                  QString::fromUtf8(c.Expected))
            << c.Date.toString(Qt::ISODate).toStdString();
}
