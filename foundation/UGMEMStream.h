#pragma once
// A memory stream for clipboard data in the system's private formats. The clipboard hands
// data out as a block of bytes: a stream created from it reads (and may overwrite) that
// block but must not change its size while attached, since the block belongs to the
// clipboard; DetachHandle gives the bytes back to be put on the clipboard. Private formats
// are MIME types named from the format name (ClipboardMimeType).

#include "UException.h"
#include "UStreams.h"

#include <QByteArray>
#include <QMimeData>
#include <QString>
#include <memory>

VANTOMI_DECLARE_EXCEPTION(EGMEMStream, EStreamError)

// "application/x-vantomi-" followed by the format name in lower case, characters other than
// letters, digits, '.', '+' and '-' becoming '-'.
QString ClipboardMimeType(const QString& FormatName);

class TGMEMStream : public TMemoryStream {
public:
    TGMEMStream() = default;
    // A stream attached to Handle (the block's whole size).
    static std::unique_ptr<TGMEMStream> CreateFromHandle(const QByteArray& Handle);

    // Writing past the end or resizing while attached raises EGMEMStream "should not
    // realloc Global Handle".
    int64_t Write(const void* Buffer, int64_t Count) override;
    void SetSize(int64_t NewSize) override;

    bool Attached() const { return FAttached; }
    // Answers the stream's bytes and leaves the stream empty and detached.
    QByteArray DetachHandle();

private:
    bool FAttached = false;
};

// Puts Stream's bytes on Data under the format's MIME type; Stream is left empty.
void SetClipboardStream(QMimeData& Data, const QString& FormatName, TGMEMStream& Stream);
// A stream attached to the bytes of the format on Data; nullptr when Data has none.
std::unique_ptr<TGMEMStream> GetClipboardStream(const QMimeData& Data, const QString& FormatName);
