#include "UHolidays.h"

#include <QStringList>
#include <algorithm>
#include <bitset>
#include <vector>

namespace {

constexpr int YearCount = TYMDCacheData::LastYear - TYMDCacheData::FirstYear + 1;

bool IsAsciiDigit(QChar C) {
    return C >= u'0' && C <= u'9';
}
bool IsAsciiLetter(QChar C) {
    return (C >= u'a' && C <= u'z') || (C >= u'A' && C <= u'Z');
}
bool IsHexDigit(QChar C) {
    return IsAsciiDigit(C) || (C >= u'a' && C <= u'f') || (C >= u'A' && C <= u'F');
}
bool IsBlank(QChar C) {
    return C.unicode() <= 32 || C == QChar(0x3000);
}

// Length of the run of characters from Start on that satisfy Pred.
template <typename TPred>
qsizetype RunLength(QStringView Text, qsizetype Start, TPred Pred) {
    qsizetype i = Start;
    while (i < Text.size() && Pred(Text[i]))
        ++i;
    return i - Start;
}

// Length of the number token at the start of Text (which begins with a digit).
qsizetype NumberLength(QStringView Text) {
    qsizetype n = RunLength(Text, 0, IsAsciiDigit);
    if (n + 1 < Text.size() && Text[n] == u'.' && IsAsciiDigit(Text[n + 1]))
        n += 1 + RunLength(Text, n + 1, IsAsciiDigit);
    if (n < Text.size() && (Text[n] == u'e' || Text[n] == u'E')) {
        qsizetype e = n + 1;
        if (e < Text.size() && (Text[e] == u'+' || Text[e] == u'-'))
            ++e;
        const qsizetype digits = RunLength(Text, e, IsAsciiDigit);
        if (digits > 0)
            n = e + digits;
    }
    return n;
}

qsizetype TokenLength(QStringView Text) {
    const QChar c = Text[0];
    const QChar next = Text.size() > 1 ? Text[1] : QChar();
    if (IsAsciiLetter(c) || c == u'_')
        return 1 + RunLength(Text, 1, [](QChar x) {
                   return IsAsciiLetter(x) || IsAsciiDigit(x) || x == u'_';
               });
    if (c == u'$')
        return 1 + RunLength(Text, 1, IsHexDigit);
    if (IsAsciiDigit(c))
        return NumberLength(Text);
    if (c == u'\'' || c == u'"') {
        const qsizetype close = Text.indexOf(c, 1);
        return close < 0 ? Text.size() : close + 1;
    }
    if (c == u'<' && (next == u'=' || next == u'>'))
        return 2;
    if (c == u'>' && next == u'=')
        return 2;
    if (c.isHighSurrogate() && next.isLowSurrogate())
        return 2;
    return 1;
}

// Values beyond every range saturate here, so that no arithmetic on them overflows.
constexpr int NumberCap = 1000000000;

// The value of an integer token, or -1 when the token is not a plain run of digits.
int IntegerValue(const QString& Token) {
    if (Token.isEmpty() || RunLength(Token, 0, IsAsciiDigit) != Token.size())
        return -1;
    int64_t value = 0;
    for (QChar c : Token)
        value = std::min<int64_t>(NumberCap, value * 10 + (c.unicode() - u'0'));
    return static_cast<int>(value);
}

// One definition line after parsing: the sets of years, months and days, and the word.
struct TDefinition {
    std::bitset<YearCount> Years;
    uint32_t Months = 0; // bit m-1
    uint32_t Days = 0;   // bit d-1
    uint16_t Word = 0;
};

// Recursive-descent reader of one definition line's tokens.
class TDefinitionParser {
public:
    explicit TDefinitionParser(QStringView Line) {
        for (QString t = TakeToken(Line); !t.isEmpty(); t = TakeToken(Line))
            FTokens.push_back(std::move(t));
    }

    // Answers false when the line is malformed.
    bool Parse(TDefinition& D) {
        std::vector<bool> years(YearCount), months(12), days(31);
        if (!ParseList(TYMDCacheData::FirstYear, years) || !Expect(u";") || !ParseList(1, months) ||
            !Expect(u";") || !ParseList(1, days) || !Expect(u";"))
            return false;
        const int index = FPos < FTokens.size() ? IntegerValue(FTokens[FPos]) : -1;
        if (index < 0 || index > THolidays::MaxNameIndex)
            return false;
        for (int i = 0; i < YearCount; ++i)
            D.Years[i] = years[i];
        for (int i = 0; i < 12; ++i)
            D.Months |= months[i] ? 1u << i : 0u;
        for (int i = 0; i < 31; ++i)
            D.Days |= days[i] ? 1u << i : 0u;
        D.Word = static_cast<uint16_t>(index + 1);
        return true;
    }

private:
    const QString* Peek() const { return FPos < FTokens.size() ? &FTokens[FPos] : nullptr; }
    bool PeekIs(QStringView S) const { return Peek() && *Peek() == S; }
    bool PeekIsNumber() const { return Peek() && IsAsciiDigit(Peek()->front()); }

    bool Expect(QStringView S) {
        if (!PeekIs(S))
            return false;
        ++FPos;
        return true;
    }

    // Sets Set[v - First] for First <= v <= Last, clamped to the set's range.
    static void Mark(std::vector<bool>& Set, int First, int From, int To) {
        const int last = First + static_cast<int>(Set.size()) - 1;
        for (int v = std::max(From, First); v <= std::min(To, last); ++v)
            Set[v - First] = true;
    }

    // Reads a number token; false when it is not a plain integer.
    bool TakeNumber(int& Value) {
        Value = IntegerValue(FTokens[FPos++]);
        return Value >= 0;
    }

    bool ParseItem(int First, std::vector<bool>& Set) {
        const int last = First + static_cast<int>(Set.size()) - 1;
        if (PeekIs(u"*")) {
            ++FPos;
            Mark(Set, First, First, last);
        } else if (PeekIs(u"-")) {
            ++FPos;
            int to;
            if (PeekIsNumber()) {
                if (!TakeNumber(to))
                    return false;
                Mark(Set, First, First, to);
            }
        } else if (PeekIsNumber()) {
            int from, to = last;
            if (!TakeNumber(from))
                return false;
            if (!PeekIs(u"-")) {
                to = from;
            } else {
                ++FPos;
                if (PeekIsNumber() && !TakeNumber(to))
                    return false;
            }
            Mark(Set, First, from, to);
        }
        return true;
    }

    bool ParseList(int First, std::vector<bool>& Set) {
        if (!ParseItem(First, Set))
            return false;
        while (PeekIs(u",")) {
            ++FPos;
            if (!ParseItem(First, Set))
                return false;
        }
        return true;
    }

    std::vector<QString> FTokens;
    size_t FPos = 0;
};

int FindSection(const TStringList& Lines, QStringView Name) {
    for (int i = 0; i < Lines.Count(); ++i)
        if (Lines[i].trimmed().compare(Name, Qt::CaseInsensitive) == 0)
            return i;
    return -1;
}

// The name field of a name line: trimmed, and without the double quotes of a quoted name.
QString NameField(QStringView Text) {
    QString name = Text.trimmed().toString();
    if (name.size() >= 2 && name.front() == u'"' && name.back() == u'"')
        name = name.mid(1, name.size() - 2).replace(QStringLiteral("\"\""), QStringLiteral("\""));
    return name;
}

std::unique_ptr<THolidays>& HolidaySlot() {
    static std::unique_ptr<THolidays> table;
    return table;
}

} // namespace

QString TakeToken(QStringView& Text) {
    const qsizetype blanks = RunLength(Text, 0, IsBlank);
    Text = Text.mid(blanks);
    if (Text.isEmpty())
        return {};
    const qsizetype n = TokenLength(Text);
    const QString token = Text.left(n).toString();
    Text = Text.mid(n);
    return token;
}

void THolidays::LoadFromFile(const QString& FileName) {
    TStringList lines;
    lines.LoadFromFile(FileName);
    LoadFromStrings(lines);
}

void THolidays::LoadFromStrings(const TStringList& Lines) {
    FNames.Clear();
    FDays.Clear();
    const int names = FindSection(Lines, u"[HolidayName]");
    const int definitions = FindSection(Lines, u"[HolidayDef]");
    if (names < 0 || definitions < 0)
        return;
    LoadNames(Lines, names + 1);
    LoadDefinitions(Lines, definitions + 1);
}

void THolidays::LoadNames(const TStringList& Lines, int First) {
    for (int i = First; i < Lines.Count() && Lines[i].contains(u','); ++i) {
        const QString& line = Lines[i];
        const qsizetype comma = line.indexOf(u',');
        const QString indexText = line.left(comma).trimmed();
        // A field that is not a number means index 0; a number outside the indexes the day
        // table can hold refuses the line.
        int index = 0;
        const QString digits = indexText.startsWith(u'+') ? indexText.mid(1) : indexText;
        if (IntegerValue(digits) >= 0)
            index = IntegerValue(digits);
        else if (indexText.startsWith(u'-') && IntegerValue(indexText.mid(1)) >= 0)
            continue;
        if (index > MaxNameIndex)
            continue;
        while (FNames.Count() <= index)
            FNames.Add(QString());
        FNames.SetStrings(index, NameField(QStringView(line).mid(comma + 1)));
    }
}

void THolidays::LoadDefinitions(const TStringList& Lines, int First) {
    std::vector<TDefinition> definitions;
    for (int i = First; i < Lines.Count() && Lines[i].contains(u';'); ++i) {
        TDefinition d;
        if (TDefinitionParser(Lines[i]).Parse(d))
            definitions.push_back(d);
    }
    // Later lines win. Walking from the last line back and writing only the days no later
    // line has written keeps the work per line near years x months, whatever the file holds.
    std::vector<uint32_t> written(YearCount * 12, 0);
    for (auto d = definitions.rbegin(); d != definitions.rend(); ++d) {
        for (int y = 0; y < YearCount; ++y) {
            if (!d->Years[y])
                continue;
            for (int m = 0; m < 12; ++m) {
                if (!(d->Months & (1u << m)))
                    continue;
                uint32_t& row = written[y * 12 + m];
                const uint32_t todo = d->Days & ~row;
                row |= todo;
                for (int day = 0; day < 31; ++day)
                    if (todo & (1u << day))
                        FDays.Set(TYMDCacheData::FirstYear + y, m + 1, day + 1, d->Word);
            }
        }
    }
}

int THolidays::HolidayIndex(int Year, int Month, int Day) const {
    return FDays.Get(Year, Month, Day) - 1;
}

QString THolidays::HolidayName(int Index) const {
    return Index >= 0 && Index < FNames.Count() ? FNames[Index] : QString();
}

const THolidays* HolidayTable() {
    return HolidaySlot().get();
}

void LoadHolidayTable(const QString& FileName) {
    auto table = std::make_unique<THolidays>();
    table->LoadFromFile(FileName);
    HolidaySlot() = std::move(table);
}

void SetHolidayTable(std::unique_ptr<THolidays> Table) {
    HolidaySlot() = std::move(Table);
}
