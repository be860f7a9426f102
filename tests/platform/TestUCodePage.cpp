#include "UCodePage.h"
#include "UException.h"

#include <gtest/gtest.h>

namespace {
QByteArray Hex(const char* H) {
    return QByteArray::fromHex(H);
}
} // namespace

TEST(CodePage932, EncodesAndDecodesCharactersWhereItDiffersFromShiftJis) {
    // code page 932 bytes and the code points it decodes them to
    struct Row {
        const char* Bytes;
        char32_t Code;
    } rows[] = {
        {"8160", 0xFF5E}, // ～ (Shift_JIS: WAVE DASH 〜)
        {"8161", 0x2225}, // ∥ (Shift_JIS: DOUBLE VERTICAL LINE)
        {"817C", 0xFF0D}, // － (Shift_JIS: MINUS SIGN)
        {"818F", 0xFFE5}, // ￥
        {"815C", 0x2015}, // ― (Shift_JIS: EM DASH)
        {"8191", 0xFFE0}, // ￠
        {"8192", 0xFFE1}, // ￡
        {"81CA", 0xFFE2}, // ￢
        {"5C", 0x005C},   // backslash stays a backslash
        {"B1", 0xFF71},   // half-width katakana A
        {"82A0", 0x3042}, // あ
        {"8740", 0x2460}, // ① (NEC special row)
        {"FA40", 0x2170}, // ⅰ (IBM extension)
    };
    for (const Row& r : rows) {
        const QByteArray bytes = Hex(r.Bytes);
        bool ok = false;
        const QString text = FromCP932(bytes, &ok);
        EXPECT_TRUE(ok) << r.Bytes;
        EXPECT_EQ(text, QString::fromUcs4(&r.Code, 1)) << r.Bytes;
        EXPECT_EQ(ToCP932(text), bytes) << r.Bytes;
    }
}

TEST(CodePage932, FoldsShiftJisCodePointsOntoTheirPartners) {
    struct Row {
        char32_t Code;
        const char* Bytes;
    } rows[] = {
        {0x301C, "8160"}, {0x2016, "8161"}, {0x2212, "817C"}, {0x2014, "815C"},
        {0x00A2, "8191"}, {0x00A3, "8192"}, {0x00AC, "81CA"},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ToCP932(QString::fromUcs4(&r.Code, 1)), Hex(r.Bytes))
            << std::hex << static_cast<uint32_t>(r.Code);
}

TEST(CodePage932, RoundTripsEveryValidDoubleByteCode) {
    int valid = 0;
    for (int lead = 0x81; lead <= 0xFC; ++lead) {
        if (lead > 0x9F && lead < 0xE0)
            continue;
        for (int trail = 0x40; trail <= 0xFC; ++trail) {
            if (trail == 0x7F)
                continue;
            QByteArray b;
            b.append(static_cast<char>(lead));
            b.append(static_cast<char>(trail));
            bool ok = false;
            const QString s = FromCP932(b, &ok);
            if (!ok)
                continue;
            ++valid;
            ASSERT_EQ(s.size() >= 1, true);
            const TCP932Result back = EncodeCP932(s);
            // Code page 932 has a few duplicate codes (NEC-selected IBM extensions) that
            // encode back to the IBM form; every code must at least decode to itself again.
            EXPECT_TRUE(back.Ok());
            EXPECT_EQ(FromCP932(back.Bytes), s);
        }
    }
    EXPECT_GT(valid, 7000);
}

TEST(CodePage932, ReportsCharactersItCannotHold) {
    const QString text =
        QStringLiteral("ab") + QString::fromUcs4(U"\U0001F600") + QStringLiteral("c");
    const TCP932Result r = EncodeCP932(text);
    EXPECT_FALSE(r.Ok());
    EXPECT_EQ(r.FirstUnmappable, 2);
    EXPECT_EQ(r.Bytes, QByteArray("ab?c"));
    EXPECT_FALSE(IsCP932Encodable(text));
    EXPECT_THROW(ToCP932(text), ECodePageError);
    EXPECT_THROW(ToCP932(QStringLiteral("한")), ECodePageError);
}

TEST(CodePage932, MarksInvalidAndTruncatedInput) {
    struct Row {
        const char* Bytes;
        const char16_t* Text;
    } rows[] = {
        {"41", u"A"},
        {"82", u"\uFFFD"},    // lead byte at the end
        {"41A0", u"A\uFFFD"}, // 0xA0 is not a character
        {"82A041", u"あA"},
    };
    for (const Row& r : rows) {
        bool ok = true;
        const QString s = FromCP932(Hex(r.Bytes), &ok);
        EXPECT_EQ(s, QString::fromUtf16(r.Text)) << r.Bytes;
        EXPECT_EQ(ok, !s.contains(QChar(0xFFFD))) << r.Bytes;
    }
}

TEST(CodePage932, LengthCountsBytes) {
    EXPECT_EQ(CP932Length(QStringLiteral("aあｱ")), 4);
    EXPECT_EQ(CP932Length(QString()), 0);
}
