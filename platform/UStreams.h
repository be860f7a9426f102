#pragma once
// Byte streams with 64-bit positions, in the shape the persistence code expects: Read and
// Write move as many bytes as they can and answer the count; ReadBuffer and WriteBuffer
// move all or raise.

#include <QByteArray>
#include <QFile>
#include <QString>
#include <cstdint>
#include <memory>

enum TSeekOrigin { soBeginning = 0, soCurrent = 1, soEnd = 2 };

class TStream {
public:
    virtual ~TStream() = default;

    // Reads up to Count bytes into Buffer; answers the number read (0 at the end).
    virtual int64_t Read(void* Buffer, int64_t Count) = 0;
    // Writes up to Count bytes; answers the number written.
    virtual int64_t Write(const void* Buffer, int64_t Count) = 0;
    // Moves the position; answers the new position. A position before 0 raises EStreamError.
    virtual int64_t Seek(int64_t Offset, TSeekOrigin Origin) = 0;
    virtual int64_t GetSize();
    virtual void SetSize(int64_t NewSize) = 0;

    int64_t GetPosition() { return Seek(0, soCurrent); }
    void SetPosition(int64_t Pos) { Seek(Pos, soBeginning); }
    int64_t Remaining() { return GetSize() - GetPosition(); }

    // Reads exactly Count bytes or raises EReadError.
    void ReadBuffer(void* Buffer, int64_t Count);
    // Writes exactly Count bytes or raises EWriteError.
    void WriteBuffer(const void* Buffer, int64_t Count);
    void WriteBytes(const QByteArray& Bytes) { WriteBuffer(Bytes.constData(), Bytes.size()); }
    // Reads exactly Count bytes; raises EReadError when fewer remain. Never allocates more
    // than the stream can supply.
    QByteArray ReadBytes(int64_t Count);
    // Copies Count bytes from Source at its position (Count 0: all of Source from its
    // beginning); answers the count copied.
    int64_t CopyFrom(TStream& Source, int64_t Count);

    // Little-endian scalar helpers.
    template <typename T>
    T ReadValue() {
        T v;
        ReadBuffer(&v, sizeof v);
        return v;
    }
    template <typename T>
    void WriteValue(T V) {
        WriteBuffer(&V, sizeof V);
    }
};

// A stream over an owned, growable memory block.
class TMemoryStream : public TStream {
public:
    TMemoryStream() = default;
    explicit TMemoryStream(QByteArray Data) : FData(std::move(Data)) {}

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return FData.size(); }
    void SetSize(int64_t NewSize) override;

    void Clear();
    void LoadFromStream(TStream& Source);
    void SaveToStream(TStream& Dest) const;
    void LoadFromFile(const QString& FileName);
    void SaveToFile(const QString& FileName) const;

    const QByteArray& Bytes() const { return FData; }
    char* Memory() { return FData.data(); }
    const char* Memory() const { return FData.constData(); }

private:
    QByteArray FData;
    int64_t FPosition = 0;
};

// File open modes.
enum : unsigned {
    fmOpenRead = 0x0000,
    fmOpenWrite = 0x0001,
    fmOpenReadWrite = 0x0002,
    fmCreate = 0xFF00,
};

// A stream over a file. fmCreate creates or truncates; the others open an existing file.
// Failure raises EFCreateError or EFOpenError with the file name.
class TFileStream : public TStream {
public:
    TFileStream(const QString& FileName, unsigned Mode);

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override { return FFile.size(); }
    void SetSize(int64_t NewSize) override;

    const QString& FileName() const { return FFileName; }
    // Flushes written data to the operating system.
    void Flush();

private:
    QString FFileName;
    QFile FFile;
};

// Whole-file helpers that write atomically: the previous file stays intact until the new
// content is complete and flushed. Raise EFCreateError or EWriteError on failure.
void WriteFileAtomic(const QString& FileName, const QByteArray& Content);
// Reads a whole file; raises EFOpenError or EReadError.
QByteArray ReadWholeFile(const QString& FileName);
