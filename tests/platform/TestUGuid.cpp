#include "UException.h"
#include "UGuid.h"

#include <gtest/gtest.h>

TEST(Guid, ParsesAndFormatsTheRegistryForm) {
    constexpr TGUID id = MakeGUID("{D945C5B0-29DA-11D3-ACA5-00500463098A}");
    static_assert(id.D1 == 0xD945C5B0 && id.D2 == 0x29DA && id.D3 == 0x11D3);
    EXPECT_EQ(id.ToString(), QStringLiteral("{D945C5B0-29DA-11D3-ACA5-00500463098A}"));
    EXPECT_EQ(TGUID::FromString(QStringLiteral("{d945c5b0-29da-11d3-aca5-00500463098a}")), id);
    const QByteArray bytes = id.ToBytes();
    EXPECT_EQ(bytes.toHex(), QByteArray("b0c545d9da29d311aca500500463098a"));
    EXPECT_EQ(TGUID::FromBytes(bytes.constData()), id);
}

TEST(Guid, RejectsMalformedTexts) {
    const char* bad[] = {
        "",
        "D945C5B0-29DA-11D3-ACA5-00500463098A",
        "{D945C5B0-29DA-11D3-ACA5-00500463098}",
        "{D945C5B0-29DA-11D3-ACA5-00500463098AA}",
        "{D945C5B0_29DA-11D3-ACA5-00500463098A}",
        "{G945C5B0-29DA-11D3-ACA5-00500463098A}",
        "{D945C5B0-29DA-11D3-ACA5-0050046309 8A}",
    };
    for (const char* t : bad) {
        TGUID g;
        EXPECT_FALSE(TGUID::TryParse(QString::fromLatin1(t), g)) << t;
        EXPECT_THROW(TGUID::FromString(QString::fromLatin1(t)), EOleSysError) << t;
    }
}

TEST(Guid, CreatesDistinctVersion4Ids) {
    const TGUID a = TGUID::Create();
    const TGUID b = TGUID::Create();
    EXPECT_NE(a, b);
    EXPECT_EQ(a.D3 >> 12, 4);
    EXPECT_EQ(a.D4[0] >> 6, 2);
    EXPECT_TRUE(TGUID().IsNull());
}
