#pragma once
// A write stream that replaces a file in one step. The new content goes to a temporary file
// in the same folder; Commit flushes it to disk and renames it over the target, so the
// previous file stays intact and readable until the new one is complete. A stream destroyed
// without Commit (an exception on the way) removes its temporary file and leaves the target
// untouched.

#include "UStreams.h"

#include <QString>
#include <functional>

class TAtomicFileStream : public TStream {
public:
    // Creates the temporary file beside FileName; raises EFCreateError when it cannot.
    explicit TAtomicFileStream(const QString& FileName);
    ~TAtomicFileStream() override;
    TAtomicFileStream(const TAtomicFileStream&) = delete;
    TAtomicFileStream& operator=(const TAtomicFileStream&) = delete;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t NewSize) override;

    const QString& FileName() const { return FFileName; }
    const QString& TempFileName() const { return FTempName; }

    // Flushes the new content to disk, calls BeforeReplace (when given; an exception from it
    // abandons the new file), then renames the new file over the target. Raises EWriteError
    // when the content cannot be made durable or the rename fails; the target is then
    // unchanged. The stream accepts no more writes afterwards.
    void Commit(const std::function<void()>& BeforeReplace = {});

private:
    void CheckOpen() const;
    void Abandon() noexcept;

    QString FFileName;
    QString FTempName;
    int FHandle = -1;
};
