#include "UCodePage.h"

#include "UException.h"

#include <cerrno>
#include <iconv.h>
#include <memory>

namespace {

// One converter per direction and thread; iconv_open is too slow to call per string.
class TIconv {
public:
    TIconv(const char* To, const char* From) : FHandle(iconv_open(To, From)) {
        if (FHandle == reinterpret_cast<iconv_t>(-1))
            throw ECodePageError(QStringLiteral("文字コード変換 %1 -> %2 を開けません")
                                     .arg(QLatin1String(From), QLatin1String(To)));
    }
    ~TIconv() { iconv_close(FHandle); }
    TIconv(const TIconv&) = delete;
    TIconv& operator=(const TIconv&) = delete;

    // Converts one unit of input; returns false on an invalid, incomplete or unmappable
    // sequence. Appends to Out.
    bool Convert(const char* In, size_t InLen, QByteArray& Out) {
        iconv(FHandle, nullptr, nullptr, nullptr, nullptr);
        char buf[16];
        char* src = const_cast<char*>(In);
        char* dst = buf;
        size_t dstLeft = sizeof buf;
        size_t r = iconv(FHandle, &src, &InLen, &dst, &dstLeft);
        if (r == static_cast<size_t>(-1))
            return false;
        // Flush any shift state (none for these encodings, but harmless).
        iconv(FHandle, nullptr, nullptr, &dst, &dstLeft);
        Out.append(buf, dst - buf);
        return true;
    }

private:
    iconv_t FHandle;
};

TIconv& Encoder() {
    thread_local TIconv conv("CP932", "UTF-32LE");
    return conv;
}

TIconv& Decoder() {
    thread_local TIconv conv("UTF-32LE", "CP932");
    return conv;
}

char32_t FoldToCP932(char32_t C) {
    switch (C) {
    case 0x301C:
        return 0xFF5E; // WAVE DASH -> FULLWIDTH TILDE
    case 0x2016:
        return 0x2225; // DOUBLE VERTICAL LINE -> PARALLEL TO
    case 0x2212:
        return 0xFF0D; // MINUS SIGN -> FULLWIDTH HYPHEN-MINUS
    case 0x2014:
        return 0x2015; // EM DASH -> HORIZONTAL BAR
    case 0x00A2:
        return 0xFFE0; // CENT SIGN -> FULLWIDTH CENT SIGN
    case 0x00A3:
        return 0xFFE1; // POUND SIGN -> FULLWIDTH POUND SIGN
    case 0x00AC:
        return 0xFFE2; // NOT SIGN -> FULLWIDTH NOT SIGN
    default:
        return C;
    }
}

bool IsCP932LeadByte(unsigned char B) {
    return (B >= 0x81 && B <= 0x9F) || (B >= 0xE0 && B <= 0xFC);
}

} // namespace

TCP932Result EncodeCP932(const QString& Text) {
    TCP932Result result;
    result.Bytes.reserve(Text.size() * 2);
    TIconv& enc = Encoder();
    for (qsizetype i = 0; i < Text.size();) {
        const qsizetype start = i;
        char32_t c = Text.at(i).unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < Text.size() &&
            QChar::isLowSurrogate(Text.at(i + 1).unicode())) {
            c = QChar::surrogateToUcs4(Text.at(i).unicode(), Text.at(i + 1).unicode());
            i += 2;
        } else {
            i += 1;
        }
        if (c < 0x80) {
            result.Bytes.append(static_cast<char>(c));
            continue;
        }
        const char32_t folded = FoldToCP932(c);
        char in[4] = {static_cast<char>(folded & 0xFF), static_cast<char>((folded >> 8) & 0xFF),
                      static_cast<char>((folded >> 16) & 0xFF),
                      static_cast<char>((folded >> 24) & 0xFF)};
        if (!enc.Convert(in, 4, result.Bytes)) {
            result.Bytes.append('?');
            if (result.FirstUnmappable < 0)
                result.FirstUnmappable = start;
        }
    }
    return result;
}

QByteArray ToCP932(const QString& Text) {
    TCP932Result r = EncodeCP932(Text);
    if (!r.Ok()) {
        const QString ch =
            Text.mid(r.FirstUnmappable, Text.at(r.FirstUnmappable).isHighSurrogate() ? 2 : 1);
        throw ECodePageError(
            QStringLiteral("文字 \"%1\" (U+%2) はシフトJISで表せません")
                .arg(ch)
                .arg(static_cast<uint>(ch.toUcs4().value(0)), 4, 16, QLatin1Char('0')));
    }
    return r.Bytes;
}

bool IsCP932Encodable(const QString& Text) {
    return EncodeCP932(Text).Ok();
}

QString FromCP932(const char* Bytes, qsizetype Length, bool* Ok) {
    QString out;
    out.reserve(Length);
    bool ok = true;
    TIconv& dec = Decoder();
    QByteArray u32;
    for (qsizetype i = 0; i < Length;) {
        const unsigned char b = static_cast<unsigned char>(Bytes[i]);
        if (b < 0x80) {
            out.append(QChar(b));
            ++i;
            continue;
        }
        const qsizetype n = (IsCP932LeadByte(b) && i + 1 < Length) ? 2 : 1;
        u32.clear();
        if (dec.Convert(Bytes + i, static_cast<size_t>(n), u32) && u32.size() == 4) {
            const char32_t c = static_cast<unsigned char>(u32[0]) |
                               (static_cast<unsigned char>(u32[1]) << 8) |
                               (static_cast<unsigned char>(u32[2]) << 16) |
                               (static_cast<char32_t>(static_cast<unsigned char>(u32[3])) << 24);
            out.append(QString::fromUcs4(&c, 1));
        } else {
            out.append(QChar(0xFFFD));
            ok = false;
        }
        i += n;
    }
    if (Ok)
        *Ok = ok;
    return out;
}

QString FromCP932(const QByteArray& Bytes, bool* Ok) {
    return FromCP932(Bytes.constData(), Bytes.size(), Ok);
}

qsizetype CP932Length(const QString& Text) {
    return EncodeCP932(Text).Bytes.size();
}
