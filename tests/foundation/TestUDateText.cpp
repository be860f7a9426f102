#include "UDateText.h"
#include "UException.h"

#include <gtest/gtest.h>

TEST(DateText, MonthMacrosBecomeQuotedEnglishNames) {
    const struct {
        QDate Date;
        const char* Format;
        const char* Expected;
    } cases[] = {
        {QDate(2024, 3, 5), "$(LongMonthA) d, yyyy", "March 5, 2024"},
        {QDate(2024, 3, 5), "$(LongMonthB)", "march"},
        {QDate(2024, 3, 5), "$(LongMonthC)", "MARCH"},
        {QDate(2024, 3, 5), "$(ShortMonthA).", "Mar."},
        {QDate(2024, 3, 5), "$(ShortMonthB)", "mar"},
        {QDate(2024, 3, 5), "$(ShortMonthC)", "MAR"},
        {QDate(2023, 9, 1), "$(longmontha)/$(SHORTMONTHC)", "September/SEP"},
        {QDate(2025, 5, 31), "dd $(LongMonthA) yyyy", "31 May 2025"},
        {QDate(2025, 12, 31), "$(ShortMonthA)-yy", "Dec-25"},
        {QDate(2025, 1, 2), "gge年m月d日", "令和7年1月2日"},
        // Quote stripping is off: the format's own quotes stay a literal for the formatter.
        {QDate(2024, 3, 5), "\"yyyy\"", "yyyy"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatDateText(QString::fromUtf8(c.Format), EncodeDateTime(c.Date)),
                  QString::fromUtf8(c.Expected))
            << c.Format;
}

TEST(DateText, FormatsWithBrokenMacrosAreFormattedAsTheyStand) {
    const TDateTime date = EncodeDateTime(QDate(2024, 3, 5));
    for (const char* format : {"$(Unknown) yyyy", "$(LongMonthA yyyy", "$() d", "$(A$(B)) m"}) {
        const QString f = QString::fromUtf8(format);
        EXPECT_EQ(FormatDateText(f, date), FormatDateTime(f, date)) << format;
    }
}

TEST(DateText, InvalidDatesRaise) {
    EXPECT_THROW(FormatDateText(QStringLiteral("yyyy"), 1e12), EConvertError);
}
