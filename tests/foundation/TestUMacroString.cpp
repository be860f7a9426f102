#include "UMacroString.h"

#include <QDir>
#include <QFile>
#include <QStorageInfo>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

TMacroString Table() {
    TMacroString m;
    m.SetText(QStringLiteral("A=x\n"
                             "B=$(A)y\n"
                             "C1=$(C2)\n"
                             "C2=$(C1)\n"
                             "Self=$(Self)\n"
                             "P=C:\\Data\n"
                             "Q=\"x y\"\n"
                             "Q1=\"\n"
                             "E=\n"
                             "N1=$(N2)\n"
                             "N2=$(N3)\n"
                             "N3=deep\n"
                             "AB=joined\n"
                             "Bsuffix=B\n"
                             "Paren=a(b)c\n"
                             "ExeDir=/opt/vantomi/\n"
                             "Dup=first\n"
                             "dup=second\n"));
    return m;
}

struct TCase {
    const char* Text;
    const char* Expected; // the expansion, or the message of the EMacroString raised
    bool Raises;
};

void Check(const TMacroString& M, const TCase& C) {
    const QString text = QString::fromUtf8(C.Text);
    try {
        const QString result = M.Expand(text);
        EXPECT_FALSE(C.Raises) << C.Text << " gave " << result.toStdString();
        EXPECT_EQ(result, QString::fromUtf8(C.Expected)) << C.Text;
    } catch (const EMacroString& e) {
        EXPECT_TRUE(C.Raises) << C.Text << " raised " << e.what();
        EXPECT_EQ(e.Message, QString::fromUtf8(C.Expected)) << C.Text;
    }
}

} // namespace

TEST(MacroString, Expansions) {
    const TMacroString m = Table();
    const TCase cases[] = {
        {"Cost $5 (approx)", "Cost $5 (approx)", false},
        {"end$", "end$", false},
        {"(a) $ ( b", "(a) $ ( b", false},
        {"$(B)", "xy", false},
        {"[$(A)|$(a)]", "[x|x]", false},
        {"$(exedir)bin", "/opt/vantomi/bin", false},
        {"$(A$(Bsuffix))", "joined", false},
        {"$(N1)", "deep", false},
        {"$(Paren)", "a(b)c", false},
        {"$(Dup)", "first", false},
        {"$(Missing:inessential)", "", false},
        {"<$(Missing:UNESSENTIAL)>", "<>", false},
        {"$(E:inessential)", "", false},
        {"$(Q)", "x y", false},
        {"$(Q1)", "\"", false},
        {"\"whole text\"", "whole text", false},
        {"$(P:Drive)", "C", false},
        {"$(P:drive)\\x", "C\\x", false},
    };
    for (const TCase& c : cases)
        Check(m, c);
}

TEST(MacroString, ErrorsCarryTheirMessages) {
    const TMacroString m = Table();
    const TCase cases[] = {
        {"$(Missing)", "未定義のMissingマクロが使用されています", true},
        {"$(E)", "未定義のEマクロが使用されています", true},
        {"$(A(b))", "未定義のA(bマクロが使用されています", true},
        {"$(C1)", "C1 マクロが循環参照されています", true},
        {"$(Self)", "Self マクロが循環参照されています", true},
        {"$(P:bogus)", "未定義のフォーマット指定(bogus)が使用されています", true},
        {"$(Missing:bogus)", "未定義のMissingマクロが使用されています", true},
        {"$()", "$()の2文字目から始まるマクロが間違っています", true},
        {"ab$(A)$()", "ab$(A)$()の8文字目から始まるマクロが間違っています", true},
        {"ab$(X", "ab$(Xの4文字目から始まるマクロが閉じていません", true},
        {"ab$(A)$(", "ab$(A)$(の8文字目から始まるマクロが閉じていません", true},
        {"𠀋$(", "𠀋$(の3文字目から始まるマクロが閉じていません", true},
        {"$(A$(B)", "$(A$(B)の2文字目から始まるマクロが閉じていません", true},
    };
    for (const TCase& c : cases)
        Check(m, c);
}

TEST(MacroString, TableStaysUsableAfterErrors) {
    const TMacroString m = Table();
    EXPECT_THROW(m.Expand(QStringLiteral("$(C1)")), EMacroString);
    EXPECT_THROW(m.Expand(QStringLiteral("$(B)$(Missing)")), EMacroString);
    EXPECT_EQ(m.Expand(QStringLiteral("$(B)")), QStringLiteral("xy"));
    try {
        m.Expand(QStringLiteral("$(C2)"));
        ADD_FAILURE() << "no error";
    } catch (const EMacroString& e) {
        EXPECT_EQ(e.Message, QStringLiteral("C2 マクロが循環参照されています"));
    }
}

TEST(MacroString, DeepNestingRaisesInsteadOfOverflowing) {
    const TMacroString m = Table();
    const QString nested = QStringLiteral("$(").repeated(200000) + QStringLiteral("A") +
                           QStringLiteral(")").repeated(200000);
    EXPECT_THROW(m.Expand(nested), EMacroString);
    TMacroString chain;
    for (int i = 0; i < 1000; ++i)
        chain.Add(QStringLiteral("M%1=$(M%2)").arg(i).arg(i + 1));
    chain.Add(QStringLiteral("M1000=end"));
    EXPECT_THROW(chain.Expand(QStringLiteral("$(M0)")), EMacroString);
    EXPECT_EQ(chain.Expand(QStringLiteral("$(M990)")), QStringLiteral("end"));
}

TEST(MacroString, QuoteStrippingCanBeSwitchedOff) {
    TMacroString m = Table();
    EXPECT_TRUE(m.StripQuotes());
    m.SetStripQuotes(false);
    EXPECT_EQ(m.Expand(QStringLiteral("$(Q)")), QStringLiteral("\"x y\""));
    EXPECT_EQ(m.Expand(QStringLiteral("\"whole text\"")), QStringLiteral("\"whole text\""));
}

TEST(MacroString, StripQuotesRoutine) {
    const struct {
        const char* In;
        const char* Out;
    } cases[] = {
        {"", ""},       {"\"", "\""},   {"\"\"", ""},         {"\"a\"", "a"},
        {"\"a", "\"a"}, {"a\"", "a\""}, {"\"a\"b\"", "a\"b"}, {"a", "a"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(StripQuotes(QString::fromUtf8(c.In)), QString::fromUtf8(c.Out)) << c.In;
}

TEST(MacroString, PathModifiersOnLinux) {
    QTemporaryDir dir;
    ASSERT_TRUE(QDir(dir.path()).mkpath(QStringLiteral("Data/Sub")));
    QFile f(dir.filePath(QStringLiteral("Data/Sub/File.txt")));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    QString windowsForm = dir.path() + QStringLiteral("\\DATA\\sub\\file.TXT");
    windowsForm.replace(QLatin1Char('/'), QLatin1Char('\\'));

    TMacroString m;
    m.SetValue(QStringLiteral("F"), windowsForm);
    m.SetValue(QStringLiteral("Gone"), dir.path() + QStringLiteral("/none.txt"));
    m.SetValue(QStringLiteral("Rel"), QStringLiteral("relative/none"));
    m.SetValue(QStringLiteral("Win"), QStringLiteral("d:\\x"));
    EXPECT_EQ(m.Expand(QStringLiteral("$(F:shortPath)")), f.fileName());
    EXPECT_EQ(m.Expand(QStringLiteral("$(F:SHORTPATH)")), f.fileName());
    EXPECT_EQ(m.Expand(QStringLiteral("$(Gone:shortPath)")), QString());
    EXPECT_EQ(m.Expand(QStringLiteral("$(F:Drive)")), QStorageInfo(dir.path()).rootPath());
    EXPECT_EQ(m.Expand(QStringLiteral("$(Gone:Drive)")), QString());
    EXPECT_EQ(m.Expand(QStringLiteral("$(Rel:Drive)")), QString());
    EXPECT_EQ(m.Expand(QStringLiteral("$(Win:Drive)")), QStringLiteral("d"));
}
