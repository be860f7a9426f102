#include "UGuid.h"

#include "UException.h"

#include <QRandomGenerator>

bool TGUID::TryParse(const QString& Text, TGUID& Out) {
    if (Text.size() != 38 || Text[0] != u'{' || Text[37] != u'}' || Text[9] != u'-' ||
        Text[14] != u'-' || Text[19] != u'-' || Text[24] != u'-')
        return false;
    auto field = [&](int from, int digits, uint32_t& v) {
        v = 0;
        for (int i = 0; i < digits; ++i) {
            const char16_t c = Text[from + i].unicode();
            int nibble;
            if (c >= u'0' && c <= u'9')
                nibble = c - u'0';
            else if (c >= u'a' && c <= u'f')
                nibble = c - u'a' + 10;
            else if (c >= u'A' && c <= u'F')
                nibble = c - u'A' + 10;
            else
                return false;
            v = (v << 4) | static_cast<uint32_t>(nibble);
        }
        return true;
    };
    TGUID g;
    uint32_t v;
    if (!field(1, 8, v))
        return false;
    g.D1 = v;
    if (!field(10, 4, v))
        return false;
    g.D2 = static_cast<uint16_t>(v);
    if (!field(15, 4, v))
        return false;
    g.D3 = static_cast<uint16_t>(v);
    for (int i = 0; i < 2; ++i) {
        if (!field(20 + 2 * i, 2, v))
            return false;
        g.D4[i] = static_cast<uint8_t>(v);
    }
    for (int i = 0; i < 6; ++i) {
        if (!field(25 + 2 * i, 2, v))
            return false;
        g.D4[2 + i] = static_cast<uint8_t>(v);
    }
    Out = g;
    return true;
}

TGUID TGUID::FromString(const QString& Text) {
    TGUID g;
    if (!TryParse(Text, g))
        throw EOleSysError(QStringLiteral("無効なクラス文字列です (%1)").arg(Text));
    return g;
}

QString TGUID::ToString() const {
    QString s = QStringLiteral("{%1-%2-%3-")
                    .arg(D1, 8, 16, QLatin1Char('0'))
                    .arg(D2, 4, 16, QLatin1Char('0'))
                    .arg(D3, 4, 16, QLatin1Char('0'));
    for (int i = 0; i < 8; ++i) {
        if (i == 2)
            s += u'-';
        s += QStringLiteral("%1").arg(D4[i], 2, 16, QLatin1Char('0'));
    }
    s += u'}';
    return s.toUpper();
}

QByteArray TGUID::ToBytes() const {
    QByteArray b(16, '\0');
    for (int i = 0; i < 4; ++i)
        b[i] = static_cast<char>((D1 >> (8 * i)) & 0xFF);
    b[4] = static_cast<char>(D2 & 0xFF);
    b[5] = static_cast<char>(D2 >> 8);
    b[6] = static_cast<char>(D3 & 0xFF);
    b[7] = static_cast<char>(D3 >> 8);
    for (int i = 0; i < 8; ++i)
        b[8 + i] = static_cast<char>(D4[i]);
    return b;
}

TGUID TGUID::FromBytes(const char* Bytes) {
    auto u = [&](int i) { return static_cast<uint32_t>(static_cast<unsigned char>(Bytes[i])); };
    TGUID g;
    g.D1 = u(0) | (u(1) << 8) | (u(2) << 16) | (u(3) << 24);
    g.D2 = static_cast<uint16_t>(u(4) | (u(5) << 8));
    g.D3 = static_cast<uint16_t>(u(6) | (u(7) << 8));
    for (int i = 0; i < 8; ++i)
        g.D4[i] = static_cast<uint8_t>(u(8 + i));
    return g;
}

TGUID TGUID::Create() {
    QByteArray b(16, '\0');
    QRandomGenerator::system()->generate(reinterpret_cast<quint32*>(b.data()),
                                         reinterpret_cast<quint32*>(b.data()) + 4);
    b[7] = static_cast<char>((b[7] & 0x0F) | 0x40); // version 4 (high nibble of Data3)
    b[8] = static_cast<char>((b[8] & 0x3F) | 0x80); // variant 1
    return FromBytes(b.constData());
}
