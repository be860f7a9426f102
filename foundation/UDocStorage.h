#pragma once
// The storage-file layer: storages and streams of a compound file addressed by backslash
// paths, roots on files and on temporary working copies with change tracking, and name
// lists kept in a stream whose entries name elements beside it.
//
// Mode codes are the file-mode codes callers pass: access in the low two bits (0 read,
// 1 write, 2 read-write) and sharing in bits 4-7 (0 compatible, 1 exclusive, 2 deny write,
// 3 deny read, 4 deny none), or smCreate. They map to structured-storage modes with
// MapStorageMode; a root opened write-only is opened read-write. Sharing is recorded but
// not enforced (one process holds a file's tree in memory).
//
// Storage and stream objects must be freed before their root. A root that goes first
// reverts them: every later use raises STG_E_REVERTED instead of changing a tree that is
// no longer saved.
//
// Every failure raises EStorageError carrying the structured-storage result code, except
// STG_E_FILENOTFOUND where the existence queries and DeleteElement answer False, and
// where TDocStorage creates missing storages on request.

#include "UCompoundFile.h"
#include "UStreams.h"
#include "UStringList.h"

#include <QString>
#include <QStringList>
#include <cstdint>
#include <exception>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

// The mode code meaning "create".
constexpr unsigned smCreate = 0xFFFF;

// Structured-storage mode flags.
enum : uint32_t {
    STGM_READ = 0x0,
    STGM_WRITE = 0x1,
    STGM_READWRITE = 0x2,
    STGM_SHARE_EXCLUSIVE = 0x10,
    STGM_SHARE_DENY_WRITE = 0x20,
    STGM_SHARE_DENY_READ = 0x30,
    STGM_SHARE_DENY_NONE = 0x40,
    STGM_CREATE = 0x1000,
    STGM_DELETEONRELEASE = 0x4000000,
};

// Maps a mode code to structured-storage flags: smCreate gives 0x1012 (create, read-write,
// share exclusive). Sharing codes 5 to 15 and access code 3 have no mapping and raise
// EStorageError(STG_E_INVALIDFLAG).
uint32_t MapStorageMode(unsigned ModeCode);

class TRootStorage;

// A storage below a root, named by its path from the root.
class TDocStorage {
public:
    // Opens the storage at Path, resolved against Parent's path (".." steps up, "." is
    // skipped, a leading backslash starts at the root; EPathUtil when the path leaves the
    // root). An open storage of the same root lends the storages it already opened along
    // the longest common leading run of elements. A missing element raises
    // STG_E_FILENOTFOUND, or, with CreateIfMissing, it and the elements after it are created.
    // An existing stream of a needed storage's name raises STG_E_FILEALREADYEXISTS.
    TDocStorage(TDocStorage& Parent, const QString& Path, bool CreateIfMissing);
    virtual ~TDocStorage();
    TDocStorage(const TDocStorage&) = delete;
    TDocStorage& operator=(const TDocStorage&) = delete;

    // The path of this storage below the root, backslash separated (empty for the root).
    const QString& Name() const { return FName; }
    // The root; nullptr once the root has been freed.
    TRootStorage* Root() const { return FRoot; }
    // The storage itself. Raises STG_E_REVERTED once the root has been freed.
    TCFStorage& Storage() const;

    // True when every storage along Path exists.
    bool StorageExists(const QString& Path);
    // True when the folder part of Path exists and holds a stream named by the last element.
    bool StreamExists(const QString& Path);
    // Destroys the element at Path; False when it does not exist.
    bool DeleteElement(const QString& Path);
    // Moves the element at SourcePath to DestPath (its folder must exist) within this root.
    void MoveElement(const QString& SourcePath, const QString& DestPath);
    // Copies this storage's whole contents into Dest (which may belong to another root);
    // elements merge as structured storage merges them.
    void CopyTo(TDocStorage& Dest);
    // Append the names of the direct child storages, respectively streams, in directory
    // order.
    void ListStorages(TStringList& Strings);
    void ListStreams(TStringList& Strings);

    // This storage's own element name; for the root, the file name.
    QString GetName() const;
    // The root's file name; empty without a root.
    QString GetFileName() const;
    // True when the root was opened with write or read-write access.
    bool IsWritable() const;

protected:
    // A bare shell, completed by the root classes.
    TDocStorage() = default;

private:
    friend class TRootStorage;
    friend class TDocStream;
    // Splits Path (resolved against this storage) into its folder, as an absolute path, and
    // its last element.
    void SplitPath(const QString& Path, QString& Folder, QString& Last) const;
    void Revert();

    QString FName;
    TRootStorage* FRoot = nullptr;
    std::vector<std::shared_ptr<TCFStorage>> FChain; // from the root down to this storage
};

// The root of a compound file: its open storages, its mode and the change snapshot.
class TRootStorage : public TDocStorage {
public:
    ~TRootStorage() override;

    // The mapped structured-storage mode of the file.
    uint32_t Mode() const { return FMode; }
    // True when the tree changed since the last snapshot (or the snapshot was cleared).
    bool GetModified() const;
    // True clears the snapshot (the root then reads as modified); False takes a new one.
    void SetModified(bool Value);

protected:
    TRootStorage() = default;
    // Makes File this root's storage with the given mode and takes a snapshot. Raises
    // STG_E_ACCESSDENIED while storages or streams below the root are open.
    void Attach(std::shared_ptr<TCompoundFile> File, uint32_t Mode);
    TCompoundFile& File() const { return *FFile; }
    bool HasOpenElements() const { return !FOpenList.empty(); }

private:
    friend class TDocStorage;
    std::shared_ptr<TCompoundFile> FFile;
    uint32_t FMode = 0;
    std::optional<uint64_t> FSnapshot;
    std::vector<TDocStorage*> FOpenList;
};

// A root opened on, or created as, a file on disk. Changes are kept in memory and written
// (atomically) by Commit; a writable root with changes commits when freed normally (never while an
// exception unwinds), and since a destructor cannot report failure, callers that must know
// call Commit first.
class TFileStorage : public TRootStorage {
public:
    // smCreate starts a new, empty file (the mode is then read-write, share exclusive);
    // other codes open an existing file.
    TFileStorage(const QString& FileName, unsigned ModeCode);
    ~TFileStorage() override;

    // Writes the changes to the file: a new file is written beside it and renamed over it.
    void Commit();

private:
    // Exceptions in flight when the root was made: more at destruction means it is freed
    // by unwinding, and then it does not commit.
    int FUncaughtAtOpen = std::uncaught_exceptions();
};

// A root on a temporary working copy, typically loaded from a document and saved back.
// The temporary file (prefix "mtf" in the temporary folder) is deleted when the root is
// freed. Its tree lives in memory and in references to the loaded copy.
class TTemporaryStorage : public TRootStorage {
public:
    TTemporaryStorage();
    ~TTemporaryStorage() override;

    // Starts over with a new, empty compound file on a fresh temporary file.
    void Clear();
    // Makes the working copy a copy of FileName (which must be a compound file). The copy
    // shares the file's bytes when it can (a hard link), so opening costs the same for any
    // size.
    void LoadFromFile(const QString& FileName);
    // Writes the whole tree to FileName. The previous file stays intact until the new one
    // is complete: it is written beside, flushed and renamed over the old name.
    void SaveToFile(const QString& FileName);

    const QString& TempFileName() const { return FTempName; }

private:
    void ReplaceFile(std::shared_ptr<TCompoundFile> File, const QString& TempName);
    // Makes TempName a hard link to FileName and opens it as the working copy; false (and
    // nothing changed) when the two lie on different file systems or the link cannot be
    // opened for writing.
    bool LinkWorkingCopy(const QString& FileName, const QString& TempName);

    QString FTempName;
};

// A stream at a path below a storage.
class TDocStream : public TStream {
public:
    // Opens the stream at Path below Storage in the mapped ModeCode. smCreate creates
    // missing storages on the way and creates the stream, replacing an existing one.
    TDocStream(TDocStorage& Storage, const QString& Path, unsigned ModeCode);
    ~TDocStream() override;

    // Nothing for Count <= 0; else the bytes moved.
    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    // Positions are 64-bit.
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override;
    // Moves to NewSize and makes it the stream's size.
    void SetSize(int64_t NewSize) override;

    // The storage opened for the stream's folder.
    TDocStorage& Owner() const { return *FOwner; }

private:
    TCFStream& Stream() const;

    std::unique_ptr<TDocStorage> FOwner;
    std::unique_ptr<TCFStream> FStream;
};

// The whole content of the stream at Path below Storage, read at once: elements of documents
// and libraries are read whole, then parsed (stream readers take a few bytes at a time, which
// is slow straight from the file). A stream of more than Limit bytes is damaged: EReadError,
// before anything is allocated.
QByteArray ReadWholeStream(TDocStorage& Storage, const QString& Path,
                           int64_t Limit = 64 * 1024 * 1024);

// A list of names kept in a stream: a little-endian Int32 NextID, then one line per entry
// ended by CR LF (code page 932). Every change rewrites the stream.
class TDocNameList : protected TStringList {
public:
    // Opens the list stream StreamPath below Storage: for reading when the storage is not
    // writable, for reading and writing when it exists, else it is created. A read-only
    // storage without the stream gives an empty list (changes then raise). Storage must
    // outlive the list.
    TDocNameList(TDocStorage& Storage, const QString& StreamPath);
    virtual ~TDocNameList();

    using TStringList::Count;
    using TStringList::IndexOf;
    using TStringList::Lines;
    using TStringList::Strings;
    using TStringList::Text;
    using TStringList::operator[];
    using TStringList::begin;
    using TStringList::end;

    // Every change is saved at once. The list keeps only what its stream holds: a change
    // whose save raises is taken back before the error goes on.
    int Add(const QString& S);
    void Insert(int Index, const QString& S);
    void Delete(int Index);
    void SetStrings(int Index, const QString& S);
    void Clear();
    // Changes between BeginUpdate and the matching EndUpdate are saved once, at the end; when
    // that save raises, the list goes back to what it was at the outermost BeginUpdate.
    void BeginUpdate();
    void EndUpdate();

    // Adds BaseName followed by the decimal NextID and increments NextID, in one update;
    // answers the new index. Names are never handed out twice. The name and the counter
    // stay only when their save succeeds.
    int AddNewName();
    // The folder of the list stream joined with entry Index.
    QString GetElementPath(int Index) const;
    // Destroys the element entry Index names; the entry stays. False when it is missing.
    bool DeleteElement(int Index);

    int32_t NextID() const { return FNextID; }
    const QString& BaseName() const { return FBaseName; }
    TDocStorage& Storage() const { return *FStorage; }

private:
    // The list and the counter as the stream holds them.
    struct TSavedState {
        TStringList Lines;
        int32_t NextID;
    };
    void Load();
    // Runs Edit on the list, then saves it (inside an update: marks it for the save at the
    // end); a save that raises restores the list first.
    void Change(const std::function<void()>& Edit);
    void Save();
    TSavedState State() const { return {*this, FNextID}; }
    void Restore(const TSavedState& State);

    TDocStorage* FStorage;
    std::unique_ptr<TDocStream> FListStream;
    QString FFolder;
    QString FBaseName;
    int32_t FNextID = 0;
    int FUpdateCount = 0;
    bool FPendingSave = false;
    TSavedState FBeforeUpdate;
};

// Entries name streams beside the list stream.
class TDocStreamList : public TDocNameList {
public:
    using TDocNameList::TDocNameList;
    // A stream on entry Index, created when ModeCode is smCreate.
    std::unique_ptr<TDocStream> OpenStream(int Index, unsigned ModeCode);
    // False for Index >= Count, else whether the stream exists.
    bool StreamExists(int Index);
    // Destroys the stream and deletes the entry.
    void DeleteStream(int Index);
};

// Entries name sub-storages beside the list stream.
class TDocStorageList : public TDocNameList {
public:
    using TDocNameList::TDocNameList;
    std::unique_ptr<TDocStorage> OpenStorage(int Index, bool CreateIfMissing);
    // Destroys the sub-storage and deletes the entry.
    void DeleteStorage(int Index);
};
