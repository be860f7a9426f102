#include "UDateTime.h"

#include "UException.h"

#include <cmath>
#include <cstdlib>

namespace {

constexpr qint64 MSecsPerDay = 86400000;
// Day counts of 0001-01-01 and 9999-12-31.
constexpr qint64 MinDays = -693593;
constexpr qint64 MaxDays = 2958465;

const QDate& Epoch() {
    static const QDate epoch(1899, 12, 30);
    return epoch;
}

[[noreturn]] void RaiseInvalidDate() {
    throw EConvertError(QStringLiteral("日付または時刻が正しくありません"));
}

struct TEra {
    QDate Start;
    const char16_t* Name;
};

const TEra Eras[] = {
    {QDate(1868, 1, 1), u"明治"}, {QDate(1912, 7, 30), u"大正"}, {QDate(1926, 12, 25), u"昭和"},
    {QDate(1989, 1, 8), u"平成"}, {QDate(2019, 5, 1), u"令和"},
};

const char16_t* const ShortDayNames[] = {u"日", u"月", u"火", u"水", u"木", u"金", u"土"};

const QString ShortDateFormat = QStringLiteral("yyyy/MM/dd");
const QString LongDateFormat = QStringLiteral("yyyy'年'M'月'd'日'");
const QString ShortTimeFormat = QStringLiteral("H:mm");
const QString LongTimeFormat = QStringLiteral("H:mm:ss");

QString Number(int Value, int Digits) {
    return QString::number(Value).rightJustified(Digits, QLatin1Char('0'));
}

// Formats one value; nested formats (c, ddddd, dddddd, t, tt) go one level deep.
class TDateFormatter {
public:
    TDateFormatter(const QDate& Date, const QTime& Time) : FDate(Date), FTime(Time) {}

    void AppendFormat(const QString& Format, int Level);
    const QString& Result() const { return FResult; }

private:
    int EraIndex() const;
    int DayIndex() const { return FDate.dayOfWeek() % 7; } // 0 = Sunday
    QString ShortDayName() const { return QString::fromUtf16(ShortDayNames[DayIndex()]); }
    QString LongDayName() const { return ShortDayName() + QStringLiteral("曜日"); }
    static QString MonthName(int Month) { return QString::number(Month) + QStringLiteral("月"); }
    static bool Uses12HourClock(const QString& Format, int From);
    void AppendHour(int Count, bool Use12);
    // Handles a token starting with 'a' at Pos - 1; advances Pos past it.
    void AppendAmPm(const QString& Format, int& Pos, bool& Use12);

    QDate FDate;
    QTime FTime;
    QString FResult;
};

int TDateFormatter::EraIndex() const {
    int index = -1;
    for (int i = 0; i < static_cast<int>(std::size(Eras)); ++i)
        if (FDate >= Eras[i].Start)
            index = i;
    return index;
}

bool TDateFormatter::Uses12HourClock(const QString& Format, int From) {
    bool quoted = false;
    for (int q = From; q < Format.size(); ++q) {
        const QChar c = Format[q];
        if ((c == QLatin1Char('a') || c == QLatin1Char('A')) && !quoted) {
            const QString rest = Format.mid(q);
            return rest.startsWith(QLatin1String("am/pm"), Qt::CaseInsensitive) ||
                   rest.startsWith(QLatin1String("a/p"), Qt::CaseInsensitive) ||
                   rest.startsWith(QLatin1String("ampm"), Qt::CaseInsensitive);
        }
        if (c == QLatin1Char('h') || c == QLatin1Char('H'))
            return false;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"'))
            quoted = !quoted;
    }
    return false;
}

void TDateFormatter::AppendHour(int Count, bool Use12) {
    int hour = FTime.hour();
    if (Use12) {
        if (hour == 0)
            hour = 12;
        else if (hour > 12)
            hour -= 12;
    }
    FResult += Number(hour, std::min(Count, 2));
}

void TDateFormatter::AppendAmPm(const QString& Format, int& Pos, bool& Use12) {
    const QString rest = Format.mid(Pos - 1);
    const bool pm = FTime.hour() >= 12;
    if (rest.startsWith(QLatin1String("am/pm"), Qt::CaseInsensitive)) {
        FResult += rest.mid(pm ? 3 : 0, 2);
        Pos += 4;
        Use12 = true;
    } else if (rest.startsWith(QLatin1String("a/p"), Qt::CaseInsensitive)) {
        FResult += rest[pm ? 2 : 0];
        Pos += 2;
        Use12 = true;
    } else if (rest.startsWith(QLatin1String("ampm"), Qt::CaseInsensitive)) {
        FResult += pm ? QStringLiteral("午後") : QStringLiteral("午前");
        Pos += 3;
        Use12 = true;
    } else if (rest.startsWith(QLatin1String("aaaa"), Qt::CaseInsensitive)) {
        FResult += LongDayName();
        Pos += 3;
    } else if (rest.startsWith(QLatin1String("aaa"), Qt::CaseInsensitive)) {
        FResult += ShortDayName();
        Pos += 2;
    } else {
        FResult += rest[0];
    }
}

void TDateFormatter::AppendFormat(const QString& Format, int Level) {
    if (Level >= 2)
        return;
    char16_t lastToken = u' ';
    bool use12 = false;
    int pos = 0;
    while (pos < Format.size()) {
        const QChar starter = Format[pos++];
        auto count = [&] {
            const int from = pos - 1;
            while (pos < Format.size() && Format[pos] == starter)
                ++pos;
            return pos - from;
        };
        char16_t token = starter.unicode();
        if (token >= u'a' && token <= u'z')
            token = static_cast<char16_t>(token - u'a' + u'A');
        if (token >= u'A' && token <= u'Z') {
            if (token == u'M' && lastToken == u'H')
                token = u'N';
            lastToken = token;
        }
        switch (token) {
        case u'Y': {
            const int n = count();
            FResult += n <= 2 ? Number(FDate.year() % 100, 2) : Number(FDate.year(), 4);
            break;
        }
        case u'G': {
            const int n = count();
            const int era = EraIndex();
            if (era >= 0) {
                const QString name = QString::fromUtf16(Eras[era].Name);
                FResult += n == 1 ? name.left(1) : name;
            }
            break;
        }
        case u'E': {
            const int n = count();
            const int era = EraIndex();
            const int year = era >= 0 ? FDate.year() - Eras[era].Start.year() + 1 : FDate.year();
            FResult += Number(year, n == 1 ? 1 : 2);
            break;
        }
        case u'M': {
            const int n = count();
            if (n <= 2)
                FResult += Number(FDate.month(), n);
            else
                FResult += MonthName(FDate.month());
            break;
        }
        case u'D': {
            const int n = count();
            if (n <= 2)
                FResult += Number(FDate.day(), n);
            else if (n == 3)
                FResult += ShortDayName();
            else if (n == 4)
                FResult += LongDayName();
            else
                AppendFormat(n == 5 ? ShortDateFormat : LongDateFormat, Level + 1);
            break;
        }
        case u'H': {
            const int n = count();
            use12 = use12 || Uses12HourClock(Format, pos);
            AppendHour(n, use12);
            break;
        }
        case u'N':
            FResult += Number(FTime.minute(), std::min(count(), 2));
            break;
        case u'S':
            FResult += Number(FTime.second(), std::min(count(), 2));
            break;
        case u'Z':
            FResult += Number(FTime.msec(), std::min(count(), 3));
            break;
        case u'T':
            AppendFormat(count() == 1 ? ShortTimeFormat : LongTimeFormat, Level + 1);
            break;
        case u'A':
            AppendAmPm(Format, pos, use12);
            break;
        case u'C':
            count();
            AppendFormat(ShortDateFormat, Level + 1);
            if (FTime.hour() != 0 || FTime.minute() != 0 || FTime.second() != 0) {
                FResult += QLatin1Char(' ');
                AppendFormat(LongTimeFormat, Level + 1);
            }
            break;
        case u'\'':
        case u'"': {
            const int from = pos;
            while (pos < Format.size() && Format[pos] != starter)
                ++pos;
            FResult += Format.mid(from, pos - from);
            if (pos < Format.size())
                ++pos;
            break;
        }
        default:
            FResult += starter;
        }
    }
}

} // namespace

TDateTime EncodeDateTime(const QDate& Date, const QTime& Time) {
    if (!Date.isValid())
        RaiseInvalidDate();
    const qint64 days = Epoch().daysTo(Date);
    if (days < MinDays || days > MaxDays)
        RaiseInvalidDate();
    const double fraction =
        Time.isValid() ? static_cast<double>(Time.msecsSinceStartOfDay()) / MSecsPerDay : 0.0;
    return days >= 0 ? static_cast<double>(days) + fraction : static_cast<double>(days) - fraction;
}

void DecodeDateTime(TDateTime Value, QDate& Date, QTime& Time) {
    if (!std::isfinite(Value) || Value <= static_cast<double>(MinDays - 1) ||
        Value >= static_cast<double>(MaxDays + 1))
        RaiseInvalidDate();
    const qint64 ms = std::llround(Value * static_cast<double>(MSecsPerDay));
    const qint64 days = ms / MSecsPerDay;
    if (days < MinDays || days > MaxDays)
        RaiseInvalidDate();
    Date = Epoch().addDays(days);
    Time = QTime::fromMSecsSinceStartOfDay(static_cast<int>(std::llabs(ms) % MSecsPerDay));
}

QString FormatDateTime(const QString& Format, TDateTime Value) {
    QDate date;
    QTime time;
    DecodeDateTime(Value, date, time);
    TDateFormatter formatter(date, time);
    formatter.AppendFormat(Format.isEmpty() ? QStringLiteral("C") : Format, 0);
    return formatter.Result();
}
