#pragma once
// The thumbnail cache: one compound file whose storage tree mirrors the image files' paths,
// with one stream per image file holding the file's size, its last-write time and the
// thumbnail picture.
//
// Element path of an image file: the path's folders become nested storages and the file
// name the stream ("/home/u/Photos/a.jpg" is the stream a.jpg in storage home, sub-storage
// u, sub-storage Photos); a ':' of a drive-letter path becomes "?Drive" before the split, so
// a path from another system keeps its drive as a storage of its own. A folder cache uses the
// bare file name, so its streams sit in the root storage.
//
// A path component that a compound file cannot hold as a name (empty, longer than 31
// characters, holding '/', '\', ':' or '!'), or that would clash with an element whose name
// differs only in case, is stored under a stable short key instead: '~' followed by 16
// hexadecimal digits of a 64-bit hash of the component. Every image file can so be cached.
//
// Entry stream, little-endian:
//   0  Int32   empty-entry word: written 0; a value above 0 is an entry without picture
//   4  UInt32  the image file's size, low 32 bits
//   8  UInt64  the image file's last-write time as a FILETIME (UTC, 100 ns since 1601)
//   16 ...     the picture data (length byte, graphic class name, graphic data)
//
// Writes are kept in memory until Flush (also run by SetLimit, Open and destruction), which
// rewrites the file atomically. The size limit counts the file on disk plus the entry bytes
// written since the last flush.

#include "UComponent.h"
#include "UCompoundFile.h"
#include "UPictureEx.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class TImageCacheItem : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TPictureEx* Picture READ Picture WRITE SetPicture)
    Q_PROPERTY(uint Size READ Size WRITE SetSize)
    Q_PROPERTY(qint64 Time READ Time WRITE SetTime)
public:
    explicit TImageCacheItem(TComponent* Owner = nullptr);

    TPictureEx* Picture() const { return FPicture.get(); }
    // Copies Value into the item's picture.
    void SetPicture(TPictureEx* Value) { FPicture->Assign(Value); }
    uint32_t Size() const { return FSize; }
    void SetSize(uint32_t Value) { FSize = Value; }
    int64_t Time() const { return FTime; }
    void SetTime(int64_t Value) { FTime = Value; }

    // True only when the picture is not empty, FileName exists, and the low 32 bits of its
    // size and its last-write time equal Size and Time.
    bool IsUpToDate(const QString& FileName) const;
    // Empties the picture; when FileName exists records its size (low 32 bits) and
    // last-write time and answers true, else answers false.
    bool SetFileInfo(const QString& FileName);

    // The entry stream layout above. An empty-entry word above 0 reads as Size 0, Time 0
    // and an empty picture. Damaged picture data raises the picture layer's error.
    void ReadFrom(TStream& Stream);
    void WriteTo(TStream& Stream) const;

private:
    std::unique_ptr<TPictureEx> FPicture;
    uint32_t FSize = 0;
    int64_t FTime = 0;
};

// A file's size and last-write time as the cache records them; false when it does not
// exist (or is not a regular file).
bool GetImageFileInfo(const QString& FileName, uint64_t& Size, int64_t& FileTime);

// The element path of FileName: storages, then the stream (see the top of this file).
// FolderCache: the bare file name alone. The components are the names before any mapping
// to short keys.
QStringList ImageCacheElementPath(const QString& FileName, bool FolderCache = false);
// The short key a component is stored under when its own name cannot be used.
QString ImageCacheShortKey(const QString& Component);

class TImageCacheStorage {
public:
    static constexpr int MaxLimit = 2147483647;

    TImageCacheStorage() = default;
    // Flushes and closes (errors are logged, never raised).
    ~TImageCacheStorage();
    TImageCacheStorage(const TImageCacheStorage&) = delete;
    TImageCacheStorage& operator=(const TImageCacheStorage&) = delete;

    // Closes any open cache, then opens FileName. ReadOnly: the file must exist and is only
    // read (a folder cache). Otherwise an existing file is opened for writing and a missing
    // one is created; a file that is not a readable compound file (truncated, damaged) is
    // replaced by an empty cache. Other storage errors (no access) raise EStorageError.
    void Open(const QString& FileName, bool ReadOnly, bool FolderCache = false);
    // Flushes and closes.
    void Close();
    bool IsOpen() const { return static_cast<bool>(FFile); }
    const QString& FileName() const { return FFileName; }
    bool ReadOnly() const { return FReadOnly; }

    // When the entry of FileName exists, reads it into Item and answers true. Otherwise (and
    // for an entry whose bytes are damaged, which is then dropped) the item is left as it
    // was and the answer is false.
    bool ReadItem(const QString& FileName, TImageCacheItem& Item);
    // Only while the cache size in whole MiB is below Limit (and the cache is writable):
    // creates or replaces the entry of FileName, creating storages on the way; answers
    // whether it was written.
    bool WriteItem(const QString& FileName, const TImageCacheItem& Item);
    // Writes pending changes to the file (atomically). A cache whose old content turns out
    // to be unreadable is started afresh, empty.
    void Flush();

    int Limit() const { return FLimit; }
    // Limit in MiB. Unless read-only: flushes, and when the file is larger than the limit
    // deletes entries (from the end of the listing order, emptied storages with them) until
    // at least the excess of stream bytes is gone, then compacts.
    void SetLimit(int MiB);
    // Rewrites the cache into FileName + "$" and renames that over the cache file.
    void Compact();

    // The cache size the limit is compared with: bytes on disk plus pending entry bytes.
    int64_t CurrentSize() const;

private:
    void OpenFile();
    void Rebuild();
    std::unique_ptr<TCFStorage> WalkStorages(const QStringList& Path, bool Create);

    std::shared_ptr<TCompoundFile> FFile;
    QString FFileName;
    int FLimit = MaxLimit;
    bool FReadOnly = false;
    bool FFolderCache = false;
    int64_t FPendingBytes = 0;
};

// Removes entries of Storage from the end of its listing, sub-storages first, until Excess
// (bytes of stream data) is no longer above 0. Answers true when Storage was emptied.
bool PruneStorage(TCFStorage& Storage, int64_t& Excess);
