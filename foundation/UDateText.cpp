#include "UDateText.h"

#include "UMacroString.h"

namespace {

const char* const LongMonthNames[] = {"January",   "February", "March",    "April",
                                      "May",       "June",     "July",     "August",
                                      "September", "October",  "November", "December"};

QString Quoted(const QString& Text) {
    return QLatin1Char('"') + Text + QLatin1Char('"');
}

} // namespace

QString FormatDateText(const QString& Format, TDateTime Date) {
    QDate date;
    QTime time;
    DecodeDateTime(Date, date, time);
    const QString name = QLatin1String(LongMonthNames[date.month() - 1]);
    const QString shortName = name.left(3);

    TMacroString macros;
    macros.SetStripQuotes(false);
    macros.SetValue(QStringLiteral("LongMonthA"), Quoted(name));
    macros.SetValue(QStringLiteral("LongMonthB"), Quoted(name.toLower()));
    macros.SetValue(QStringLiteral("LongMonthC"), Quoted(name.toUpper()));
    macros.SetValue(QStringLiteral("ShortMonthA"), Quoted(shortName));
    macros.SetValue(QStringLiteral("ShortMonthB"), Quoted(shortName.toLower()));
    macros.SetValue(QStringLiteral("ShortMonthC"), Quoted(shortName.toUpper()));

    QString expanded;
    try {
        expanded = macros.Expand(Format);
    } catch (const EMacroString&) {
        expanded = Format;
    }
    return FormatDateTime(expanded, Date);
}
