#include "UOLEData.h"

#include "UCodePage.h"
#include "UCompoundFile.h"
#include "UException.h"
#include "UGraphic.h"
#include "USafetyBitmap.h"

#include <QTemporaryFile>
#include <QtEndian>

#include <limits>
#include <optional>

namespace {

// Where the compound file may start, and the most read of each stream.
constexpr qsizetype MaxHeaderBytes = 512;
constexpr int64_t MaxCompObjBytes = 64 * 1024;
constexpr int64_t MaxPresentationBytes = 64 * 1024 * 1024;
constexpr qsizetype CompObjHeaderBytes = 28;
constexpr quint32 StandardFormatMarker1 = 0xFFFFFFFFu;
constexpr quint32 StandardFormatMarker2 = 0xFFFFFFFEu;

const QByteArray CompoundFileSignature = QByteArray::fromHex("d0cf11e0a1b11ae1");
const QString SCompObj = QStringLiteral("\x01"
                                        "CompObj");
const QString SOlePres = QStringLiteral("\x02"
                                        "OlePres000");

// Reads little-endian fields from a block of bytes; every read checks what is left.
class TFieldReader {
public:
    explicit TFieldReader(const QByteArray& Bytes) : FBytes(Bytes) {}

    std::optional<quint32> UInt32() {
        if (Left() < 4)
            return std::nullopt;
        const auto value = qFromLittleEndian<quint32>(FBytes.constData() + FPos);
        FPos += 4;
        return value;
    }
    bool Skip(quint32 Count) {
        if (Count > static_cast<quint64>(Left()))
            return false;
        FPos += static_cast<qsizetype>(Count);
        return true;
    }
    std::optional<QByteArray> Bytes(quint32 Count) {
        if (Count > static_cast<quint64>(Left()))
            return std::nullopt;
        const QByteArray bytes = FBytes.mid(FPos, static_cast<qsizetype>(Count));
        FPos += static_cast<qsizetype>(Count);
        return bytes;
    }
    // An Int32 length (counting the ending zero) and code page 932 characters.
    std::optional<QString> AnsiString() {
        const std::optional<quint32> length = UInt32();
        if (!length)
            return std::nullopt;
        std::optional<QByteArray> bytes = Bytes(*length);
        if (!bytes)
            return std::nullopt;
        const qsizetype end = bytes->indexOf('\0');
        return FromCP932(end < 0 ? *bytes : bytes->left(end));
    }
    // A clipboard format: the standard format number, 0 for none or a named format.
    std::optional<quint32> ClipboardFormat() {
        const std::optional<quint32> marker = UInt32();
        if (!marker)
            return std::nullopt;
        if (*marker == StandardFormatMarker1 || *marker == StandardFormatMarker2)
            return UInt32();
        if (*marker == 0 || Skip(*marker))
            return 0u;
        return std::nullopt;
    }

private:
    qsizetype Left() const { return FBytes.size() - FPos; }

    const QByteArray& FBytes;
    qsizetype FPos = 0;
};

// The whole stream Name of Root, or nothing when it is missing or longer than Limit.
std::optional<QByteArray> ReadStream(const TCFStorage& Root, const QString& Name, int64_t Limit) {
    if (Root.ElementType(Name) != STGTY_STREAM)
        return std::nullopt;
    const std::unique_ptr<TCFStream> stream = Root.OpenStream(Name, false);
    const int64_t size = stream->GetSize();
    if (size < 0 || size > Limit)
        return std::nullopt;
    return stream->ReadBytes(size);
}

QString ClassNameOf(const QByteArray& CompObj) {
    TFieldReader reader(CompObj);
    if (!reader.Skip(CompObjHeaderBytes))
        return {};
    const std::optional<QString> userType = reader.AnsiString();
    if (!userType)
        return {};
    if (!userType->trimmed().isEmpty())
        return userType->trimmed();
    if (!reader.ClipboardFormat())
        return {};
    return reader.AnsiString().value_or(QString()).trimmed();
}

std::unique_ptr<TGraphic> PictureOf(const QByteArray& Presentation) {
    TFieldReader reader(Presentation);
    const std::optional<quint32> format = reader.ClipboardFormat();
    const std::optional<quint32> deviceSize = reader.UInt32();
    if (!format || *format != CF_DIB || !deviceSize || *deviceSize < 4 ||
        !reader.Skip(*deviceSize - 4))
        return nullptr;
    // Aspect, index, flags, reserved, width and height.
    for (int i = 0; i < 6; ++i)
        if (!reader.UInt32())
            return nullptr;
    const std::optional<quint32> size = reader.UInt32();
    if (!size)
        return nullptr;
    const std::optional<QByteArray> dib = reader.Bytes(*size);
    if (!dib || dib->isEmpty())
        return nullptr;
    auto bitmap = std::make_unique<TSafetyBitmap>();
    bitmap->LoadFromClipboardFormat(CF_DIB, *dib);
    if (bitmap->Empty())
        return nullptr;
    return bitmap;
}

} // namespace

TOLEDataInfo ReadOLEDataInfo(const QByteArray& Data) {
    TOLEDataInfo info;
    const qsizetype start =
        Data.left(MaxHeaderBytes + CompoundFileSignature.size()).indexOf(CompoundFileSignature);
    if (start < 0)
        return info;
    // The compound-file reader works on files: the storage is copied into a private
    // temporary one for as long as it is read.
    QTemporaryFile file;
    if (!file.open() ||
        file.write(Data.constData() + start, Data.size() - start) != Data.size() - start ||
        !file.flush())
        return info;
    try {
        const std::shared_ptr<TCompoundFile> storage = TCompoundFile::Open(file.fileName(), false);
        const std::unique_ptr<TCFStorage> root = storage->Root();
        if (const auto compObj = ReadStream(*root, SCompObj, MaxCompObjBytes))
            info.ClassName = ClassNameOf(*compObj);
        if (const auto presentation = ReadStream(*root, SOlePres, MaxPresentationBytes))
            info.Picture = PictureOf(*presentation);
    } catch (const Exception& e) {
        // Damaged storage or picture: what was read so far stands.
        qInfo("The stored data of an embedded object could not be read: %s", e.what());
    }
    return info;
}
