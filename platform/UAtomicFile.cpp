#include "UAtomicFile.h"

#include "UException.h"

#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QByteArray NativeName(const QString& Name) {
    return QFile::encodeName(Name);
}

QString SystemErrorText() {
    return QString::fromLocal8Bit(strerror(errno));
}

// Opens a new, unique file next to FileName with the permissions a fresh file would get
// (0666 less the umask); answers -1 when none could be created.
int CreateBeside(const QString& FileName, QString& TempName) {
    for (int attempt = 0; attempt < 100; ++attempt) {
        TempName = FileName + QStringLiteral(".~%1").arg(QRandomGenerator::global()->generate(), 8,
                                                         16, QLatin1Char('0'));
        const int fd =
            ::open(NativeName(TempName).constData(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
        if (fd >= 0 || errno != EEXIST)
            return fd;
    }
    return -1;
}

// Makes the rename itself durable by syncing the folder that holds the file.
void SyncFolderOf(const QString& FileName) {
    const QByteArray dir = NativeName(QFileInfo(FileName).absolutePath());
    const int fd = ::open(dir.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (fd >= 0) {
        ::fsync(fd);
        ::close(fd);
    }
}

} // namespace

TAtomicFileStream::TAtomicFileStream(const QString& FileName) : FFileName(FileName) {
    FHandle = CreateBeside(FileName, FTempName);
    if (FHandle < 0)
        throw EFCreateError(
            QStringLiteral("ファイル %1 を作成できません（%2）").arg(FileName, SystemErrorText()));
    // A replaced file keeps its permissions.
    struct stat st {};
    if (::stat(NativeName(FileName).constData(), &st) == 0)
        ::fchmod(FHandle, st.st_mode & 07777);
}

TAtomicFileStream::~TAtomicFileStream() {
    Abandon();
}

void TAtomicFileStream::Abandon() noexcept {
    if (FHandle < 0)
        return;
    ::close(FHandle);
    FHandle = -1;
    ::unlink(NativeName(FTempName).constData());
}

void TAtomicFileStream::CheckOpen() const {
    if (FHandle < 0)
        throw EWriteError(QStringLiteral("ファイル %1 は既に閉じられています").arg(FFileName));
}

int64_t TAtomicFileStream::Read(void* Buffer, int64_t Count) {
    CheckOpen();
    if (Count <= 0)
        return 0;
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n =
            ::read(FHandle, static_cast<char*>(Buffer) + done, static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TAtomicFileStream::Write(const void* Buffer, int64_t Count) {
    CheckOpen();
    if (Count <= 0)
        return 0;
    int64_t done = 0;
    while (done < Count) {
        const ssize_t n = ::write(FHandle, static_cast<const char*>(Buffer) + done,
                                  static_cast<size_t>(Count - done));
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        done += n;
    }
    return done;
}

int64_t TAtomicFileStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    CheckOpen();
    const int whence = Origin == soBeginning ? SEEK_SET : Origin == soCurrent ? SEEK_CUR : SEEK_END;
    const off_t pos = ::lseek(FHandle, static_cast<off_t>(Offset), whence);
    if (pos < 0)
        throw EStreamError(QStringLiteral("ストリームのシークエラー"));
    return pos;
}

int64_t TAtomicFileStream::GetSize() {
    CheckOpen();
    struct stat st {};
    if (::fstat(FHandle, &st) != 0)
        throw EStreamError(QStringLiteral("ストリームの読み込みエラー"));
    return st.st_size;
}

void TAtomicFileStream::SetSize(int64_t NewSize) {
    CheckOpen();
    if (NewSize < 0 || ::ftruncate(FHandle, static_cast<off_t>(NewSize)) != 0)
        throw EWriteError(QStringLiteral("ストリームの書き込みエラー"));
}

void TAtomicFileStream::Commit(const std::function<void()>& BeforeReplace) {
    CheckOpen();
    const auto fail = [this](const QString& Why) {
        const QString text =
            QStringLiteral("ファイル %1 に書き込めません（%2）").arg(FFileName, Why);
        Abandon();
        throw EWriteError(text);
    };
    if (::fsync(FHandle) != 0)
        fail(SystemErrorText());
    if (BeforeReplace) {
        try {
            BeforeReplace();
        } catch (...) {
            Abandon();
            throw;
        }
    }
    if (::close(FHandle) != 0) {
        FHandle = -1;
        ::unlink(NativeName(FTempName).constData());
        throw EWriteError(
            QStringLiteral("ファイル %1 に書き込めません（%2）").arg(FFileName, SystemErrorText()));
    }
    FHandle = -1;
    if (::rename(NativeName(FTempName).constData(), NativeName(FFileName).constData()) != 0) {
        const QString why = SystemErrorText();
        ::unlink(NativeName(FTempName).constData());
        throw EWriteError(QStringLiteral("ファイル %1 に書き込めません（%2）").arg(FFileName, why));
    }
    SyncFolderOf(FFileName);
}
