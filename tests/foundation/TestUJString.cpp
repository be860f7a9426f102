#include "UCodePage.h"
#include "UJString.h"

#include <gtest/gtest.h>

namespace {
QString U(const char* Utf8) {
    return QString::fromUtf8(Utf8);
}

QStringList Lines(const TStringList& L) {
    return L.Lines();
}

std::string Show(const QStringList& L) {
    return ("[" + L.join(QStringLiteral("|")) + "]").toStdString();
}
} // namespace

TEST(JString, LengthAndCopyCountCharacters) {
    const QString text = U("aあ𠮷bｶﾞ"); // 𠮷 is a surrogate pair
    EXPECT_EQ(MBLength(text), 6);
    EXPECT_EQ(MBLength(QString()), 0);
    struct {
        int Index, Count;
        const char* Out;
    } rows[] = {
        {1, 1, "a"},  {2, 2, "あ𠮷"}, {3, 1, "𠮷"}, {4, 100, "bｶﾞ"}, {0, 2, "aあ"},
        {-3, 1, "a"}, {7, 1, ""},     {2, 0, ""},   {2, -1, ""},     {6, 1, "ﾞ"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(MBCopy(text, row.Index, row.Count), U(row.Out)) << row.Index << ", " << row.Count;
}

TEST(JString, ToFullWidth) {
    struct {
        const char* In;
        const char* Out;
    } rows[] = {
        {"ｶﾞ", "ガ"},
        {"ｳﾞ", "ヴ"},
        {"ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ", "パピプペポ"},
        {"ﾌﾞ", "ブ"}, // listed twice in the voiced table: the first partner wins
        {"*", "×"},
        {"\\", "￥"},
        {"~", "″"},
        {" ", " "},
        {"a b", "ａ ｂ"},
        {"!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ",
         "！”＃＄％＆’（）×＋，－．／：；＜＝＞？＠＿＾［￥］｀｛｜｝″。「」、・ー゛゜"},
        {"0123456789", "０１２３４５６７８９"},
        {"AaZz", "ＡａＺｚ"},
        {"ｱｧｶｹﾂｯﾉ", "アァカケツッノ"}, // ｶ and ｹ are listed twice: カ and ケ win
        {"ﾊﾔｬﾕｭﾜｦﾝ", "ハヤャユュワヲン"},
        {"ｱﾞ", "ア゛"}, // no voiced form: one character at a time
        {"ﾏﾟ", "マ゜"},
        {"ﾞｶ", "゛カ"}, // a sign before a kana stays a sign
        {"ｶﾞﾞ", "ガ゛"},
        {"漢字かなカナ", "漢字かなカナ"},
        {"ガ", "ガ"},
        {"\t\r\n", "\t\r\n"},
        {"é𠮷", "é𠮷"},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ToFullWidth(U(row.In)), U(row.Out)) << row.In;
}

TEST(JString, ToFullWidthExceptKeepsOneCharacter) {
    struct {
        const char* In;
        char16_t Keep;
        const char* Out;
    } rows[] = {
        {"a-b-c", u'-', "ａ-ｂ-ｃ"}, {"1,2", u',', "１,２"}, {"ｶﾞｷ", u'ｶ', "ｶ゛キ"},
        {"ｶﾞｷ", u'ﾞ', "カﾞキ"},      {"ｶﾞｷ", u'x', "ガキ"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ToFullWidthExcept(U(row.In), QChar(row.Keep)), U(row.Out)) << row.In;
}

TEST(JString, ToHalfWidth) {
    struct {
        const char* In;
        const char* Out;
    } rows[] = {
        {"ガ", "ｶﾞ"},
        {"ヴ", "ｳﾞ"},
        {"パピプペポ", "ﾊﾟﾋﾟﾌﾟﾍﾟﾎﾟ"},
        {"ブ", "ﾌﾞ"},
        {"ヰヱ", "ヰヱ"}, // no half-width form
        {"ヵヶヮ", "ｶｹﾜ"},
        {"ャュ", "ｬｭ"},
        {"×￥″", "*\\~"},
        {"！”＃＄％＆’（）×＋，－．／：；＜＝＞？＠＿＾［￥］｀｛｜｝″。「」、・ー゛゜",
         "!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ"},
        {"０１２３４５６７８９ＡａＺｚ", "0123456789AaZz"},
        {"アイウエオンヲ", "ｱｲｳｴｵﾝｦ"},
        {"ひらがな漢字　", "ひらがな漢字　"}, // ideographic space has no partner in the tables
        {"abc ｶ", "abc ｶ"},
        {"", ""},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ToHalfWidth(U(row.In)), U(row.Out)) << row.In;
}

TEST(JString, HalfAndFullWidthRoundTrip) {
    // Every katakana with a half-width form comes back from a round trip.
    const QString kana = U("アァイィウゥエェオォカキクケコサシスセソタチツッテトナニヌネノ"
                           "ハヒフヘホマミムメモヤャユュヨョラリルレロワヲン"
                           "ガギグゲゴザジズゼゾダヂヅデドバビブヴベボパピプペポ");
    for (const QChar c : kana)
        EXPECT_EQ(ToFullWidth(ToHalfWidth(QString(c))), QString(c)) << QString(c).toStdString();
}

TEST(JString, TablesUseTheCodePage932Characters) {
    // The full-width forms are those code page 932 decodes to (not the JIS mapping's
    // U+2212, U+301C ...): each survives a trip through the code page.
    const QString all = ToFullWidth(U("!\"#$%&'()*+,-./:;<=>?@_^[\\]`{|}~｡｢｣､･ｰﾞﾟ0123456789Aa"));
    EXPECT_TRUE(all.contains(QChar(0xFF0D)));
    EXPECT_TRUE(all.contains(QChar(0xFFE5)));
    EXPECT_EQ(FromCP932(ToCP932(all)), all);
}

TEST(JString, HiraganaToKatakana) {
    struct {
        const char* In;
        const char* Out;
    } rows[] = {
        {"あいうえお", "アイウエオ"},
        {"かけ", "カケ"}, // listed twice: カ and ケ win over ヵ and ヶ
        {"ゐゑゎ", "ヰヱヮ"},
        {"がぶぱ", "ガブパ"},
        {"ぁゃっ", "ァャッ"},
        {"カタカナ漢字abc", "カタカナ漢字abc"},
        {"ゔ", "ゔ"}, // not in the tables
    };
    for (const auto& row : rows)
        EXPECT_EQ(HiraganaToKatakana(U(row.In)), U(row.Out)) << row.In;
}

TEST(JString, DigitsToKanji) {
    EXPECT_EQ(DigitsToKanji(U("２００５")), U("二〇〇五"));
    EXPECT_EQ(DigitsToKanji(U("０１２３４５６７８９")), U("〇一二三四五六七八九"));
    EXPECT_EQ(DigitsToKanji(U("2005年１月")), U("2005年一月"));
}

TEST(JString, StringsVariantsConvertEveryLine) {
    TStringList l(QStringList{U("ab"), U(""), U("1-2")});
    StringsToFullWidth(l);
    EXPECT_EQ(Lines(l), (QStringList{U("ａｂ"), U(""), U("１－２")}));

    TStringList k(QStringList{U("1-2"), U("a-b")});
    StringsToFullWidthExcept(k, QLatin1Char('-'));
    EXPECT_EQ(Lines(k), (QStringList{U("１-２"), U("ａ-ｂ")}));

    TStringList d(QStringList{U("１９"), U("x")});
    StringsDigitsToKanji(d);
    EXPECT_EQ(Lines(d), (QStringList{U("一九"), U("x")}));
}

TEST(JString, RepeatString) {
    EXPECT_EQ(RepeatString(U("ab"), 3), U("ababab"));
    EXPECT_EQ(RepeatString(U("あ"), 1), U("あ"));
    EXPECT_EQ(RepeatString(U("ab"), 0), QString());
    EXPECT_EQ(RepeatString(U("ab"), -2), QString());
}

TEST(JString, SplitToken) {
    struct {
        const char* Text;
        const char* Delimiters;
        QStringList Tokens;
        QStringList KeepEmpty;
    } rows[] = {
        {"a,,b", ",", {"a", "b"}, {"a", "", "b"}},
        {"a, \"b,c\" d", ", ", {"a", "\"b,c\"", "d"}, {"a", "", "\"b,c\"", "d"}},
        {",a", ",", {"a"}, {"", "a"}},
        {"a,", ",", {"a"}, {"a"}},
        {"", ",", {}, {}},
        {",", ",", {}, {""}},
        {"abc", "", {"abc"}, {"abc"}},
        {"ab\"c d\" e", " ", {"ab\"c d\"", "e"}, {"ab\"c d\"", "e"}}, // the quote continues ab
        {"\"open, quote", ",", {"\"open, quote"}, {"\"open, quote"}},
        {"\"\"", ",", {"\"\""}, {"\"\""}},
        {"a\"\"b,c", ",", {"a\"\"b", "c"}, {"a\"\"b", "c"}},
        {"x\"y", "\"", {"x\"y"}, {"x\"y"}}, // the quote is never a delimiter
        // Characters whose code page 932 trail byte is a delimiter ('\' in 表 and ソ, '|' in
        // ポ) are whole characters here.
        {"表\\ソ|ポ", "\\|", {"表", "ソ", "ポ"}, {"表", "ソ", "ポ"}},
        {"アイ、ウ　エ", "、　", {"アイ", "ウ", "エ"}, {"アイ", "ウ", "エ"}},
        // A delimiter outside the basic plane matches whole surrogate pairs only.
        {"a𠮷b𠮟c", "𠮷", {"a", "b𠮟c"}, {"a", "b𠮟c"}},
    };
    for (const auto& row : rows) {
        const QString text = U(row.Text);
        const QString delimiters = U(row.Delimiters);
        EXPECT_EQ(Lines(SplitToken(text, delimiters)), row.Tokens)
            << row.Text << " -> " << Show(Lines(SplitToken(text, delimiters)));
        EXPECT_EQ(Lines(SplitTokenKeepEmpty(text, delimiters)), row.KeepEmpty)
            << row.Text << " -> " << Show(Lines(SplitTokenKeepEmpty(text, delimiters)));
    }
}

TEST(JString, TrailBytesOfTheSplitTextAreDelimiterBytes) {
    // The test above relies on these characters: their second byte is the delimiter byte.
    EXPECT_EQ(ToCP932(U("表")).at(1), '\\');
    EXPECT_EQ(ToCP932(U("ソ")).at(1), '\\');
    EXPECT_EQ(ToCP932(U("ポ")).at(1), '|');
}

TEST(JString, SplitString) {
    struct {
        const char* Text;
        const char* Separator;
        QStringList Pieces;
    } rows[] = {
        {"a--b--", "--", {"a", "b", ""}},
        {"a,b,c", ",", {"a", "b", "c"}},
        {"abc", ",", {"abc"}},
        {"", ",", {""}},
        {"abc", "", {"abc"}},
        {"aXbxc", "X", {"a", "bxc"}},
        {",", ",", {"", ""}},
    };
    for (const auto& row : rows)
        EXPECT_EQ(Lines(SplitString(U(row.Text), U(row.Separator))), row.Pieces)
            << row.Text << " by " << row.Separator;
}
