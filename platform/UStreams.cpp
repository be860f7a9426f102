#include "UStreams.h"

#include "UAtomicFile.h"
#include "UException.h"

#include <algorithm>
#include <cstring>

namespace {
const QString SReadError = QStringLiteral("ストリームの読み込みエラー");
const QString SWriteError = QStringLiteral("ストリームの書き込みエラー");
const QString SSeekError = QStringLiteral("ストリームのシークエラー");
} // namespace

int64_t TStream::GetSize() {
    const int64_t pos = Seek(0, soCurrent);
    const int64_t size = Seek(0, soEnd);
    Seek(pos, soBeginning);
    return size;
}

void TStream::ReadBuffer(void* Buffer, int64_t Count) {
    if (Count < 0 || (Count != 0 && Read(Buffer, Count) != Count))
        throw EReadError(SReadError);
}

void TStream::WriteBuffer(const void* Buffer, int64_t Count) {
    if (Count < 0 || (Count != 0 && Write(Buffer, Count) != Count))
        throw EWriteError(SWriteError);
}

QByteArray TStream::ReadBytes(int64_t Count) {
    if (Count < 0 || Count > Remaining())
        throw EReadError(SReadError);
    QByteArray b(static_cast<qsizetype>(Count), Qt::Uninitialized);
    ReadBuffer(b.data(), Count);
    return b;
}

int64_t TStream::CopyFrom(TStream& Source, int64_t Count) {
    if (Count == 0) {
        Source.SetPosition(0);
        Count = Source.GetSize();
    }
    constexpr int64_t chunk = 64 * 1024;
    std::unique_ptr<char[]> buf(new char[chunk]);
    int64_t left = Count;
    while (left > 0) {
        const int64_t n = std::min(left, chunk);
        Source.ReadBuffer(buf.get(), n);
        WriteBuffer(buf.get(), n);
        left -= n;
    }
    return Count;
}

int64_t TMemoryStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0 || FPosition >= FData.size())
        return 0;
    const int64_t n = std::min<int64_t>(Count, FData.size() - FPosition);
    std::memcpy(Buffer, FData.constData() + FPosition, static_cast<size_t>(n));
    FPosition += n;
    return n;
}

int64_t TMemoryStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    const int64_t end = FPosition + Count;
    if (end > FData.size()) {
        const qsizetype old = FData.size();
        FData.resize(static_cast<qsizetype>(end));
        if (FPosition > old) // a gap left by seeking past the end reads as zeros
            std::memset(FData.data() + old, 0, static_cast<size_t>(FPosition - old));
    }
    std::memcpy(FData.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    return Count;
}

int64_t TMemoryStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t base = 0;
    switch (Origin) {
    case soBeginning:
        base = 0;
        break;
    case soCurrent:
        base = FPosition;
        break;
    case soEnd:
        base = FData.size();
        break;
    }
    const int64_t pos = base + Offset;
    if (pos < 0)
        throw EStreamError(SSeekError);
    FPosition = pos;
    return FPosition;
}

void TMemoryStream::SetSize(int64_t NewSize) {
    if (NewSize < 0)
        throw EStreamError(SWriteError);
    const qsizetype old = FData.size();
    FData.resize(static_cast<qsizetype>(NewSize));
    if (NewSize > old)
        std::memset(FData.data() + old, 0, static_cast<size_t>(NewSize - old));
    if (FPosition > NewSize)
        FPosition = NewSize;
}

void TMemoryStream::Clear() {
    FData.clear();
    FPosition = 0;
}

void TMemoryStream::LoadFromStream(TStream& Source) {
    Source.SetPosition(0);
    FData = Source.ReadBytes(Source.GetSize());
    FPosition = 0;
}

void TMemoryStream::SaveToStream(TStream& Dest) const {
    Dest.WriteBytes(FData);
}

void TMemoryStream::LoadFromFile(const QString& FileName) {
    FData = ReadWholeFile(FileName);
    FPosition = 0;
}

void TMemoryStream::SaveToFile(const QString& FileName) const {
    WriteFileAtomic(FileName, FData);
}

TFileStream::TFileStream(const QString& FileName, unsigned Mode)
    : FFileName(FileName), FFile(FileName) {
    if (Mode == fmCreate) {
        if (!FFile.open(QIODevice::ReadWrite | QIODevice::Truncate))
            throw EFCreateError(QStringLiteral("ファイル %1 を作成できません").arg(FileName));
        return;
    }
    QIODevice::OpenMode m = QIODevice::ReadOnly;
    if ((Mode & 3) == fmOpenWrite)
        m = QIODevice::WriteOnly | QIODevice::ExistingOnly;
    else if ((Mode & 3) == fmOpenReadWrite)
        m = QIODevice::ReadWrite | QIODevice::ExistingOnly;
    if (!FFile.open(m))
        throw EFOpenError(QStringLiteral("ファイル %1 を開けません").arg(FileName));
}

int64_t TFileStream::Read(void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    const qint64 n = FFile.read(static_cast<char*>(Buffer), Count);
    return n < 0 ? 0 : n;
}

int64_t TFileStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    const qint64 n = FFile.write(static_cast<const char*>(Buffer), Count);
    return n < 0 ? 0 : n;
}

int64_t TFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t base = 0;
    switch (Origin) {
    case soBeginning:
        base = 0;
        break;
    case soCurrent:
        base = FFile.pos();
        break;
    case soEnd:
        base = FFile.size();
        break;
    }
    const int64_t pos = base + Offset;
    if (pos < 0 || !FFile.seek(pos))
        throw EStreamError(SSeekError);
    return pos;
}

void TFileStream::SetSize(int64_t NewSize) {
    if (NewSize < 0 || !FFile.resize(NewSize))
        throw EStreamError(SWriteError);
    if (FFile.pos() > NewSize)
        FFile.seek(NewSize);
}

void TFileStream::Flush() {
    if (!FFile.flush())
        throw EWriteError(SWriteError);
}

void WriteFileAtomic(const QString& FileName, const QByteArray& Content) {
    TAtomicFileStream f(FileName);
    f.WriteBytes(Content);
    f.Commit();
}

QByteArray ReadWholeFile(const QString& FileName) {
    QFile f(FileName);
    if (!f.open(QIODevice::ReadOnly))
        throw EFOpenError(QStringLiteral("ファイル %1 を開けません").arg(FileName));
    QByteArray b = f.readAll();
    if (f.error() != QFileDevice::NoError)
        throw EReadError(SReadError);
    return b;
}
