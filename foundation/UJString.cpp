#include "UJString.h"

#include <QHash>

#include <optional>
#include <string_view>

namespace {

// Parallel tables: the character at position k of the first string pairs with the character
// at position k of the second.
struct TTable {
    std::u16string_view Half;
    std::u16string_view Full;
};

// Single half-width characters, searched in this order.
constexpr TTable SingleTables[] = {
    // punctuation
    {u"!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ",
     u"！”＃＄％＆’（）×＋，－．／：；＜＝＞？＠＿＾［￥］｀｛｜｝″。「」、・ー゛゜"},
    // digits
    {u"0123456789", u"０１２３４５６７８９"},
    // letters
    {u"AaBbCcDdEeFfGgHhIiJjKkLlMmNnOoPpQqRrSsTtUuVvWwXxYyZz",
     u"ＡａＢｂＣｃＤｄＥｅＦｆＧｇＨｈＩｉＪｊＫｋＬｌＭｍＮｎＯｏＰｐＱｑＲｒＳｓＴｔＵｕＶｖＷｗ"
     u"ＸｘＹｙＺｚ"},
    // katakana, first half
    {u"ｱｧｲｨｳｩｴｪｵｫｶｶｷｸｹｹｺｻｼｽｾｿﾀﾁﾂｯﾃﾄﾅﾆﾇﾈﾉ",
     u"アァイィウゥエェオォカヵキクケヶコサシスセソタチツッテトナニヌネノ"},
    // katakana, second half
    {u"ﾊﾋﾌﾍﾎﾏﾐﾑﾒﾓﾔｬｬﾕｭｭﾖｮﾗﾘﾙﾚﾛﾜﾜｦﾝ", u"ハヒフヘホマミムメモヤャヰユュヱヨョラリルレロワヮヲン"},
};

// Voiced katakana: two half-width characters each.
constexpr TTable VoicedTable = {u"ｶﾞｷﾞｸﾞｹﾞｺﾞｻﾞｼﾞｽﾞｾﾞｿﾞﾀﾞﾁﾞﾂﾞﾃﾞﾄﾞﾊﾞﾋﾞﾌﾞﾌﾞﾍﾞﾎﾞﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ",
                                u"ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ"};

constexpr TTable HiraganaTables[] = {
    {u"あぁいぃうぅえぇおぉかかきくけけこさしすせそたちつってとなにぬねの",
     u"アァイィウゥエェオォカヵキクケヶコサシスセソタチツッテトナニヌネノ"},
    {u"はひふへほまみむめもやゃゐゆゅゑよょらりるれろわゎをん",
     u"ハヒフヘホマミムメモヤャヰユュヱヨョラリルレロワヮヲン"},
    {u"がぎぐげござじずぜぞだぢづでどばびぶぶべぼぱぴぷぺぽ",
     u"ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ"},
};

constexpr TTable KanjiDigitTable = {u"０１２３４５６７８９", u"〇一二三四五六七八九"};

constexpr char16_t VoicedSign = u'ﾞ';
constexpr char16_t SemiVoicedSign = u'ﾟ';

constexpr bool SameLength(const TTable& T, size_t HalfPerFull = 1) {
    return T.Half.size() == T.Full.size() * HalfPerFull;
}
static_assert(SameLength(SingleTables[0]) && SingleTables[0].Full.size() == 40);
static_assert(SameLength(SingleTables[1]) && SameLength(SingleTables[2]));
static_assert(SameLength(SingleTables[3]) && SingleTables[3].Full.size() == 33);
static_assert(SameLength(SingleTables[4]) && SingleTables[4].Full.size() == 27);
static_assert(SameLength(VoicedTable, 2) && VoicedTable.Full.size() == 26);
static_assert(SameLength(HiraganaTables[0]) && SameLength(HiraganaTables[1]) &&
              SameLength(HiraganaTables[2]));
static_assert(SameLength(KanjiDigitTable));

using TCharMap = QHash<char16_t, char16_t>;

// Adds From[k] -> To[k] for every k, keeping the first partner of a character listed twice.
void AddPairs(TCharMap& Map, std::u16string_view From, std::u16string_view To) {
    for (size_t k = 0; k < From.size(); ++k) {
        if (!Map.contains(From[k]))
            Map.insert(From[k], To[k]);
    }
}

uint32_t PairKey(char16_t Kana, char16_t Sign) {
    return (uint32_t(Kana) << 16) | Sign;
}

struct TWidthMaps {
    TCharMap SingleToFull;
    QHash<uint32_t, char16_t> PairToFull;
    QHash<char16_t, QString> FullToHalf;
    TCharMap HiraganaToKatakana;
    TCharMap DigitToKanji;

    TWidthMaps() {
        for (const TTable& t : SingleTables)
            AddPairs(SingleToFull, t.Half, t.Full);
        for (size_t k = 0; k < VoicedTable.Full.size(); ++k) {
            const uint32_t key = PairKey(VoicedTable.Half[2 * k], VoicedTable.Half[2 * k + 1]);
            if (!PairToFull.contains(key))
                PairToFull.insert(key, VoicedTable.Full[k]);
        }
        // "ﾌﾞ" is listed for both ブ and ヴ, so the table cannot give ヴ; its own pair is ｳﾞ.
        PairToFull.insert(PairKey(u'ｳ', VoicedSign), u'ヴ');

        for (const TTable& t : SingleTables) {
            for (size_t k = 0; k < t.Full.size(); ++k) {
                if (!FullToHalf.contains(t.Full[k]))
                    FullToHalf.insert(t.Full[k], QString(QChar(t.Half[k])));
            }
        }
        for (size_t k = 0; k < VoicedTable.Full.size(); ++k) {
            if (!FullToHalf.contains(VoicedTable.Full[k]))
                FullToHalf.insert(VoicedTable.Full[k],
                                  QString::fromUtf16(VoicedTable.Half.data() + 2 * k, 2));
        }
        // The tables pair ヰ with ｬ and ヱ with ｭ (small ya, small yu), and ヴ with ﾌﾞ (bu):
        // wrong characters. ヰ and ヱ have no half-width form and stay; ヴ goes back to ｳﾞ.
        FullToHalf.remove(u'ヰ');
        FullToHalf.remove(u'ヱ');
        FullToHalf.insert(u'ヴ', QStringLiteral("ｳﾞ"));

        for (const TTable& t : HiraganaTables)
            AddPairs(HiraganaToKatakana, t.Half, t.Full);
        AddPairs(DigitToKanji, KanjiDigitTable.Half, KanjiDigitTable.Full);
    }
};

const TWidthMaps& Maps() {
    static const TWidthMaps maps;
    return maps;
}

// Code units taken by the character that starts at I.
qsizetype CharSize(const QString& S, qsizetype I) {
    return S[I].isHighSurrogate() && I + 1 < S.size() && S[I + 1].isLowSurrogate() ? 2 : 1;
}

// The code point at I (an unpaired surrogate stands for itself); advances I past it.
char32_t NextCodePoint(const QString& S, qsizetype& I) {
    const qsizetype n = CharSize(S, I);
    const char32_t c = n == 2 ? QChar::surrogateToUcs4(S[I], S[I + 1]) : S[I].unicode();
    I += n;
    return c;
}

// Replaces every character found in Map; the tables hold only characters of the basic
// plane, so a surrogate never matches.
QString MapChars(const QString& Text, const TCharMap& Map) {
    QString result = Text;
    for (QChar& c : result) {
        auto it = Map.constFind(c.unicode());
        if (it != Map.constEnd())
            c = QChar(*it);
    }
    return result;
}

QString FullWidth(const QString& Text, std::optional<QChar> Keep) {
    const TWidthMaps& maps = Maps();
    QString result;
    result.reserve(Text.size());
    for (qsizetype i = 0; i < Text.size(); ++i) {
        const QChar c = Text[i];
        if (c == Keep) {
            result += c;
            continue;
        }
        if (i + 1 < Text.size()) {
            const QChar next = Text[i + 1];
            if ((next == QChar(VoicedSign) || next == QChar(SemiVoicedSign)) && next != Keep) {
                auto it = maps.PairToFull.constFind(PairKey(c.unicode(), next.unicode()));
                if (it != maps.PairToFull.constEnd()) {
                    result += QChar(*it);
                    ++i;
                    continue;
                }
            }
        }
        auto it = maps.SingleToFull.constFind(c.unicode());
        result += it != maps.SingleToFull.constEnd() ? QChar(*it) : c;
    }
    return result;
}

template <class F>
void ForEachLine(TStringList& Strings, F Convert) {
    for (int i = 0; i < Strings.Count(); ++i)
        Strings.SetStrings(i, Convert(Strings[i]));
}

TStringList Tokens(const QString& Text, const QString& Delimiters, bool KeepEmpty) {
    QList<char32_t> delimiters;
    for (qsizetype i = 0; i < Delimiters.size();)
        delimiters.append(NextCodePoint(Delimiters, i));

    TStringList result;
    qsizetype start = -1; // code unit where the token in progress starts; -1 when none
    bool quoted = false;
    for (qsizetype i = 0; i < Text.size();) {
        const qsizetype at = i;
        const char32_t c = NextCodePoint(Text, i);
        if (c == U'"') {
            quoted = !quoted;
            if (quoted && start < 0)
                start = at;
        } else if (!quoted && delimiters.contains(c)) {
            const QString token = start < 0 ? QString() : Text.mid(start, at - start);
            if (KeepEmpty || !token.isEmpty())
                result.Add(token);
            start = -1;
        } else if (start < 0) {
            start = at;
        }
    }
    if (start >= 0)
        result.Add(Text.mid(start));
    return result;
}

} // namespace

int MBLength(const QString& Text) {
    int count = 0;
    for (qsizetype i = 0; i < Text.size(); i += CharSize(Text, i))
        ++count;
    return count;
}

QString MBCopy(const QString& Text, int Index, int Count) {
    if (Count <= 0)
        return QString();
    qsizetype from = 0;
    for (int k = 1; k < Index && from < Text.size(); ++k)
        from += CharSize(Text, from);
    qsizetype to = from;
    for (int k = 0; k < Count && to < Text.size(); ++k)
        to += CharSize(Text, to);
    return Text.mid(from, to - from);
}

QString ToFullWidth(const QString& Text) {
    return FullWidth(Text, std::nullopt);
}

QString ToFullWidthExcept(const QString& Text, QChar Keep) {
    return FullWidth(Text, Keep);
}

QString ToHalfWidth(const QString& Text) {
    const QHash<char16_t, QString>& map = Maps().FullToHalf;
    QString result;
    result.reserve(Text.size());
    for (const QChar c : Text) {
        auto it = map.constFind(c.unicode());
        if (it != map.constEnd())
            result += *it;
        else
            result += c;
    }
    return result;
}

QString HiraganaToKatakana(const QString& Text) {
    return MapChars(Text, Maps().HiraganaToKatakana);
}

QString DigitsToKanji(const QString& Text) {
    return MapChars(Text, Maps().DigitToKanji);
}

void StringsToFullWidth(TStringList& Strings) {
    ForEachLine(Strings, ToFullWidth);
}

void StringsToFullWidthExcept(TStringList& Strings, QChar Keep) {
    ForEachLine(Strings, [Keep](const QString& Line) { return ToFullWidthExcept(Line, Keep); });
}

void StringsDigitsToKanji(TStringList& Strings) {
    ForEachLine(Strings, DigitsToKanji);
}

QString RepeatString(const QString& Text, int Count) {
    return Count > 0 ? Text.repeated(Count) : QString();
}

TStringList SplitToken(const QString& Text, const QString& Delimiters) {
    return Tokens(Text, Delimiters, false);
}

TStringList SplitTokenKeepEmpty(const QString& Text, const QString& Delimiters) {
    return Tokens(Text, Delimiters, true);
}

TStringList SplitString(const QString& Text, const QString& Separator) {
    if (Separator.isEmpty())
        return TStringList(QStringList{Text});
    return TStringList(Text.split(Separator, Qt::KeepEmptyParts, Qt::CaseSensitive));
}
