#include "UGMEMStream.h"

namespace {

void RefuseRealloc() {
    throw EGMEMStream(QStringLiteral("should not realloc Global Handle"));
}

} // namespace

QString ClipboardMimeType(const QString& FormatName) {
    QString name = FormatName.toLower();
    for (QChar& c : name) {
        const bool keep = (c >= u'a' && c <= u'z') || (c >= u'0' && c <= u'9') || c == u'.' ||
                          c == u'+' || c == u'-';
        if (!keep)
            c = u'-';
    }
    return QStringLiteral("application/x-vantomi-") + name;
}

std::unique_ptr<TGMEMStream> TGMEMStream::CreateFromHandle(const QByteArray& Handle) {
    auto stream = std::make_unique<TGMEMStream>();
    stream->TMemoryStream::Write(Handle.constData(), Handle.size());
    stream->SetPosition(0);
    stream->FAttached = true;
    return stream;
}

int64_t TGMEMStream::Write(const void* Buffer, int64_t Count) {
    if (FAttached && Count > 0 && GetPosition() + Count > GetSize())
        RefuseRealloc();
    return TMemoryStream::Write(Buffer, Count);
}

void TGMEMStream::SetSize(int64_t NewSize) {
    if (FAttached && NewSize != GetSize())
        RefuseRealloc();
    TMemoryStream::SetSize(NewSize);
}

QByteArray TGMEMStream::DetachHandle() {
    QByteArray bytes = Bytes();
    FAttached = false;
    Clear();
    return bytes;
}

void SetClipboardStream(QMimeData& Data, const QString& FormatName, TGMEMStream& Stream) {
    Data.setData(ClipboardMimeType(FormatName), Stream.DetachHandle());
}

std::unique_ptr<TGMEMStream> GetClipboardStream(const QMimeData& Data, const QString& FormatName) {
    const QString type = ClipboardMimeType(FormatName);
    if (!Data.hasFormat(type))
        return nullptr;
    return TGMEMStream::CreateFromHandle(Data.data(type));
}
