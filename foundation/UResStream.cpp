#include "UResStream.h"

#include <QFile>
#include <QFileInfo>
#include <optional>

namespace {

// Data size, header size, and the smallest type and name (an ordinal each).
constexpr uint32_t MinHeaderSize = 16;

// Little-endian fields; callers check that the bytes are there.
uint16_t Get16(const QByteArray& B, qsizetype At) {
    return static_cast<uint16_t>(static_cast<uint8_t>(B[At]) | static_cast<uint8_t>(B[At + 1])
                                                                   << 8);
}
uint32_t Get32(const QByteArray& B, qsizetype At) {
    return Get16(B, At) | static_cast<uint32_t>(Get16(B, At + 2)) << 16;
}

uint64_t Align4(uint64_t V) {
    return (V + 3) & ~uint64_t(3);
}

// An ordinal written "#123", or nothing.
std::optional<uint16_t> Ordinal(const QString& Id) {
    if (!Id.startsWith(u'#'))
        return std::nullopt;
    bool ok = false;
    const uint value = Id.mid(1).toUInt(&ok);
    if (!ok || value > 0xFFFF)
        return std::nullopt;
    return static_cast<uint16_t>(value);
}

// Reads a type or name field at At (inside [At, End)); advances At past it. False when the
// field does not fit.
bool MatchField(const QByteArray& B, qsizetype& At, qsizetype End, const QString& Id, bool& Match) {
    if (At + 2 > End)
        return false;
    if (Get16(B, At) == 0xFFFF) {
        if (At + 4 > End)
            return false;
        const std::optional<uint16_t> wanted = Ordinal(Id);
        Match = wanted && *wanted == Get16(B, At + 2);
        At += 4;
        return true;
    }
    QString text;
    for (;; At += 2) {
        if (At + 2 > End)
            return false;
        const uint16_t c = Get16(B, At);
        if (c == 0)
            break;
        text += QChar(c);
    }
    At += 2;
    Match = text.compare(Id, Qt::CaseInsensitive) == 0;
    return true;
}

QByteArray OwnResource(const QString& ResType, const QString& ResName) {
    for (const QString& path :
         {QStringLiteral(":/%1/%2").arg(ResType, ResName),
          QStringLiteral(":/%1/%2").arg(ResType.toUpper(), ResName.toUpper())}) {
        QFile file(path);
        if (file.open(QIODevice::ReadOnly))
            return file.readAll();
    }
    throw EResNotFound(QStringLiteral("%1 リソースが見つかりません").arg(ResName));
}

} // namespace

bool FindResourceData(const QByteArray& ResFile, const QString& ResType, const QString& ResName,
                      QByteArray& Data) {
    const uint64_t size = static_cast<uint64_t>(ResFile.size());
    uint64_t pos = 0;
    while (pos + 8 <= size) {
        const uint32_t dataSize = Get32(ResFile, static_cast<qsizetype>(pos));
        const uint32_t headerSize = Get32(ResFile, static_cast<qsizetype>(pos + 4));
        if (headerSize < MinHeaderSize || headerSize > size - pos)
            return false;
        const uint64_t dataStart = pos + Align4(headerSize);
        if (dataStart > size || dataSize > size - dataStart)
            return false;
        qsizetype at = static_cast<qsizetype>(pos + 8);
        const qsizetype headerEnd = static_cast<qsizetype>(pos + headerSize);
        bool typeMatch = false, nameMatch = false;
        if (!MatchField(ResFile, at, headerEnd, ResType, typeMatch) ||
            !MatchField(ResFile, at, headerEnd, ResName, nameMatch))
            return false;
        if (typeMatch && nameMatch) {
            Data = ResFile.mid(static_cast<qsizetype>(dataStart), dataSize);
            return true;
        }
        pos = dataStart + Align4(dataSize);
    }
    return false;
}

TResStream::TResStream(const QString& ResFile, const QString& ResType, const QString& ResName) {
    QByteArray data;
    if (!ResFile.isEmpty() && QFileInfo(ResFile).isFile()) {
        if (!FindResourceData(ReadWholeFile(ResFile), ResType, ResName, data))
            throw EResNotFound(QStringLiteral("%1 リソースが見つかりません").arg(ResName));
    } else {
        data = OwnResource(ResType, ResName);
    }
    FInner.Write(data.constData(), data.size());
    FInner.SetPosition(0);
}
