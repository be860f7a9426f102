#pragma once
// Japanese string conversion and tokens.
//
// All routines work on characters: one character is one Unicode code point (a surrogate pair
// counts once; an unpaired surrogate counts as one character), which is what a lead byte and
// its trail byte form in code page 932. Conversions go character by character through
// parallel tables of half-width and full-width forms; where a table lists a character twice,
// the first occurrence wins.
//
// "Half-width" characters are those with a single-byte form in code page 932: ASCII and the
// half-width katakana U+FF61..U+FF9F. Only those are ever turned into full-width ones.

#include "UStringList.h"

#include <QString>

// The number of characters in Text.
int MBLength(const QString& Text);
// Count characters of Text from character Index (1-based). An Index below 1 counts as 1;
// characters beyond the end are not there; a Count of 0 or less gives "".
QString MBCopy(const QString& Text, int Index, int Count);

// Half-width characters to full-width: punctuation, digits, letters and katakana. A
// half-width katakana followed by the voicing sign "ﾞ" or the semi-voicing sign "ﾟ" becomes
// one voiced full-width katakana ("ｶﾞ" -> "ガ", "ｳﾞ" -> "ヴ"); a pair with no voiced form
// ("ｱﾞ") is converted one character at a time. Characters with no full-width form (the
// space, for example) and full-width characters stay. Some pairings are not the Unicode
// ones: "*" -> "×", "\" -> "￥", "~" -> "″".
QString ToFullWidth(const QString& Text);
// As ToFullWidth, but every character equal to Keep stays as it is, also where it would
// otherwise be part of a voiced pair.
QString ToFullWidthExcept(const QString& Text, QChar Keep);
// The reverse of ToFullWidth: full-width characters with a half-width partner are replaced by
// it (a voiced katakana becomes two characters, "ガ" -> "ｶﾞ", "ヴ" -> "ｳﾞ"). The small
// katakana ヵ, ヶ and ヮ become ｶ, ｹ and ﾜ. Characters without a half-width form (ヰ, ヱ,
// hiragana, kanji) stay.
QString ToHalfWidth(const QString& Text);
// Hiragana to katakana ("が" -> "ガ", "ゐ" -> "ヰ"); everything else stays.
QString HiraganaToKatakana(const QString& Text);
// Full-width digits to kanji numerals ("２００５" -> "二〇〇五"); half-width digits stay.
QString DigitsToKanji(const QString& Text);

// The routines above applied to every line of Strings.
void StringsToFullWidth(TStringList& Strings);
void StringsToFullWidthExcept(TStringList& Strings, QChar Keep);
void StringsDigitsToKanji(TStringList& Strings);

// Text repeated Count times ("" for Count <= 0).
QString RepeatString(const QString& Text, int Count);

// Splits Text into tokens at any of the characters of Delimiters. A double quote toggles
// quoting; delimiters inside quotes do not split, and the quotes stay part of the token. An
// opening quote starts a token when none is in progress and otherwise continues the current
// one (a"b c" with the delimiter " " is one token). Empty tokens (adjacent delimiters, or a
// delimiter at the start) are dropped. The double quote itself is never a delimiter.
TStringList SplitToken(const QString& Text, const QString& Delimiters);
// As SplitToken, but a delimiter always ends a token, so an empty token stands for adjacent
// delimiters or a leading delimiter ("a,,b" -> "a", "", "b"; ",a" -> "", "a"). A trailing
// delimiter adds nothing ("a," -> "a").
TStringList SplitTokenKeepEmpty(const QString& Text, const QString& Delimiters);

// The pieces of Text between occurrences of Separator (matched case-sensitively), empty
// pieces included: "a--b--" with "--" -> "a", "b", "". An empty Text gives one empty piece;
// an empty Separator gives Text as the only piece.
TStringList SplitString(const QString& Text, const QString& Separator);
