#pragma once
// Code page 932 (Japanese, the Windows variant of Shift_JIS) at file and stream boundaries.
// In memory all text is QString; bytes in code page 932 exist only where files, streams and
// peers hold them. The conversion is glibc iconv "CP932".
//
// Characters that the JIS-era Shift_JIS mapping gives other code points than code page 932
// (WAVE DASH U+301C, DOUBLE VERTICAL LINE U+2016, MINUS SIGN U+2212, EM DASH U+2014,
// CENT, POUND and NOT signs) are folded onto their code page 932 partners when encoding, so
// text from other sources is not lost; decoding always yields the code page 932 code points,
// which makes bytes -> text -> bytes an identity.

#include <QByteArray>
#include <QList>
#include <QString>

struct TCP932Result {
    QByteArray Bytes;
    // Index (in QString code units) of the first character that code page 932 cannot hold,
    // or -1 when every character was converted.
    qsizetype FirstUnmappable = -1;
    bool Ok() const { return FirstUnmappable < 0; }
};

// Encodes Text. Characters the code page cannot hold are replaced by '?' in Bytes and the
// first one is reported in FirstUnmappable; nothing is dropped silently.
TCP932Result EncodeCP932(const QString& Text);

// Encodes Text; raises ECodePageError naming the first character the code page cannot hold.
QByteArray ToCP932(const QString& Text);

// True when every character of Text has a code page 932 form.
bool IsCP932Encodable(const QString& Text);

// Decodes Bytes. An invalid or truncated sequence becomes U+FFFD; Ok (when given) tells
// whether the whole input was valid.
QString FromCP932(const QByteArray& Bytes, bool* Ok = nullptr);
QString FromCP932(const char* Bytes, qsizetype Length, bool* Ok = nullptr);

// Number of bytes Text takes in code page 932 (unmappable characters count as one byte).
qsizetype CP932Length(const QString& Text);
