#pragma once
// Compound files (structured storage): a tree of storages (folders) and streams (byte
// sequences) kept in one file in the compound-file binary format, versions 3 (512-byte
// sectors) and 4 (4096-byte sectors).
//
// Model. Opening a file reads its header, sector tables and directory only; a stream's bytes
// are read from the file when asked. Changes are kept in memory: a stream that is written
// holds its content in memory from then on, everything else keeps referring to the file.
// Commit writes the whole tree as a new version-3 file beside the old one and renames it over
// the old name, so the file on disk is always either the old or the new complete version.
// After a commit the tree refers to the new file again and the memory is released.
//
// Element names are 1 to 31 UTF-16 characters without '/', '\', ':' or '!'. They are
// compared without regard to case and keep the case they were given. Children are listed in
// the directory order of the format: shorter names first, then by the upper-case form.
//
// Open elements. An element (or a storage holding one) that has a handle open cannot be
// destroyed, moved, renamed or replaced: the attempt raises STG_E_ACCESSDENIED and changes
// nothing, so no handle ever refers to a detached element.
//
// Threads: one compound file and all handles on it are used from one thread at a time.

#include "UException.h"
#include "UGuid.h"
#include "UStreams.h"

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <vector>

// Result codes of structured storage, carried by EStorageError.
enum : uint32_t {
    STG_E_INVALIDFUNCTION = 0x80030001,
    STG_E_FILENOTFOUND = 0x80030002,
    STG_E_PATHNOTFOUND = 0x80030003,
    STG_E_ACCESSDENIED = 0x80030005,
    STG_E_WRITEFAULT = 0x8003001D,
    STG_E_READFAULT = 0x8003001E,
    STG_E_FILEALREADYEXISTS = 0x80030050,
    STG_E_INVALIDPARAMETER = 0x80030057,
    STG_E_INVALIDHEADER = 0x800300FB,
    STG_E_INVALIDNAME = 0x800300FC,
    STG_E_INVALIDFLAG = 0x800300FF,
    STG_E_REVERTED = 0x80030102,
    STG_E_DOCFILECORRUPT = 0x80030109,
    STG_E_DOCFILETOOLARGE = 0x80030111,
};

// A failed structured-storage operation: the result code and a message naming what failed.
class EStorageError : public EOleSysError {
public:
    EStorageError(uint32_t Code, const QString& Message) : EOleSysError(Message), ErrorCode(Code) {}
    uint32_t ErrorCode;
};

// Element types as the directory and Stat report them.
enum : int { STGTY_STORAGE = 1, STGTY_STREAM = 2 };

// Status of an element. Times are FILETIME values (100 ns units since 1601-01-01 UTC); 0
// where the format keeps none (streams, the root).
struct TCFStat {
    QString Name;
    int Type = 0;
    uint64_t Size = 0;
    uint64_t Created = 0;
    uint64_t Modified = 0;
    TGUID Clsid;
    uint32_t StateBits = 0;
};

// Directory order of element names: negative, zero or positive.
int CompareElementNames(const QString& A, const QString& B);
// True when Name may name an element: 1 to 31 characters, none of / \ : ! or NUL, and not
// "." or "..", which a path reads as a step rather than a name.
bool IsValidElementName(const QString& Name);
// The current time as a FILETIME value.
uint64_t FileTimeNow();

class TCompoundFile;
class TCFReader;
struct TCFNode;

// Called after the new file is complete and flushed, just before it replaces the old one;
// an exception thrown here abandons the save and leaves the old file as it was.
using TCFBeforeReplace = std::function<void()>;

// A stream of a compound file. Reads past the end answer fewer bytes; writes past the end
// extend the stream (a gap reads as zeros). Writing to a stream opened for reading, or in a
// file opened for reading, raises STG_E_ACCESSDENIED.
class TCFStream : public TStream {
public:
    ~TCFStream() override;
    TCFStream(const TCFStream&) = delete;
    TCFStream& operator=(const TCFStream&) = delete;

    int64_t Read(void* Buffer, int64_t Count) override;
    int64_t Write(const void* Buffer, int64_t Count) override;
    int64_t Seek(int64_t Offset, TSeekOrigin Origin) override;
    int64_t GetSize() override;
    void SetSize(int64_t NewSize) override;

    TCFStat Stat() const;
    bool IsWritable() const { return FWritable; }

private:
    friend class TCFStorage;
    TCFStream(std::shared_ptr<TCompoundFile> File, TCFNode* Node, bool Writable);
    void CheckWritable() const;

    std::shared_ptr<TCompoundFile> FFile;
    TCFNode* FNode;
    bool FWritable;
    int64_t FPosition = 0;
};

// A storage of a compound file (the root or a sub-storage).
class TCFStorage {
public:
    ~TCFStorage();
    TCFStorage(const TCFStorage&) = delete;
    TCFStorage& operator=(const TCFStorage&) = delete;

    // Opens the child storage Name. STG_E_FILENOTFOUND when there is no storage of that name
    // (also when the name belongs to a stream).
    std::unique_ptr<TCFStorage> OpenStorage(const QString& Name) const;
    // Creates the child storage Name. An existing storage of that name is replaced when
    // Replace is set; otherwise, and for an existing stream, STG_E_FILEALREADYEXISTS.
    std::unique_ptr<TCFStorage> CreateStorage(const QString& Name, bool Replace = false);
    // Opens the child stream Name. STG_E_FILENOTFOUND when there is no stream of that name.
    std::unique_ptr<TCFStream> OpenStream(const QString& Name, bool Writable) const;
    // Creates the child stream Name, empty; an existing stream of that name is replaced. An
    // existing storage of that name raises STG_E_FILEALREADYEXISTS.
    std::unique_ptr<TCFStream> CreateStream(const QString& Name);
    // STGTY_STORAGE, STGTY_STREAM, or 0 when there is no child of that name.
    int ElementType(const QString& Name) const;

    // Destroys the child Name and everything below it. STG_E_FILENOTFOUND when missing.
    void DestroyElement(const QString& Name);
    // Renames a child. STG_E_FILEALREADYEXISTS when NewName is taken by another child.
    void RenameElement(const QString& OldName, const QString& NewName);
    // Moves the child Name into Dest (a storage of the same file) as NewName.
    // STG_E_ACCESSDENIED when Dest is the element itself or lies below it;
    // STG_E_FILEALREADYEXISTS when Dest already has an element named NewName.
    void MoveElementTo(const QString& Name, TCFStorage& Dest, const QString& NewName);
    // Copies the whole contents of this storage into Dest (of any file) and Dest takes this
    // storage's class id. Elements merge: a stream replaces the element of the same name, a
    // storage merges into a storage of the same name, other elements of Dest stay.
    // STG_E_ACCESSDENIED when Dest is this storage or lies below it.
    void CopyTo(TCFStorage& Dest) const;

    // The direct children in directory order.
    std::vector<TCFStat> EnumElements() const;
    // This storage's status; the root reports the file name as its name.
    TCFStat Stat() const;
    void SetClass(const TGUID& Clsid);
    void SetStateBits(uint32_t Bits);

    TCompoundFile& File() const { return *FFile; }

private:
    friend class TCompoundFile;
    TCFStorage(std::shared_ptr<TCompoundFile> File, TCFNode* Node);
    TCFNode* ChildOf(const QString& Name) const;

    std::shared_ptr<TCompoundFile> FFile;
    TCFNode* FNode;
};

// One compound file: its element tree, where unchanged stream content lives (the file), and
// the change state. Handles keep the file object alive.
class TCompoundFile : public std::enable_shared_from_this<TCompoundFile> {
public:
    // Opens an existing file. Reads the header, the sector tables and the directory, and
    // checks the directory tree. Raises EStorageError: STG_E_FILENOTFOUND for a missing file,
    // STG_E_ACCESSDENIED when it cannot be read (or, for Writable, replaced),
    // STG_E_INVALIDHEADER for a file that is not a compound file, STG_E_DOCFILECORRUPT for a
    // damaged one.
    static std::shared_ptr<TCompoundFile> Open(const QString& FileName, bool Writable);
    // A new, empty, writable compound file that Commit will write to FileName. Raises
    // STG_E_PATHNOTFOUND or STG_E_ACCESSDENIED when the file could not be written there.
    static std::shared_ptr<TCompoundFile> Create(const QString& FileName);
    ~TCompoundFile();
    TCompoundFile(const TCompoundFile&) = delete;
    TCompoundFile& operator=(const TCompoundFile&) = delete;

    std::unique_ptr<TCFStorage> Root();
    const QString& FileName() const { return FFileName; }
    bool IsWritable() const { return FWritable; }

    // Grows by one with every change of the tree or of a stream's content.
    uint64_t ChangeCount() const { return FChangeCount; }
    // True when the tree has changed since it was opened or last committed.
    bool IsDirty() const { return FChangeCount != FCommittedCount; }

    // Writes the tree to FileName atomically (see the top of this file). STG_E_ACCESSDENIED
    // for a file opened for reading; EStorageError or EStreamError when the content cannot
    // be read or written (the file on disk is then unchanged).
    void Commit(const TCFBeforeReplace& BeforeReplace = {});
    // Writes the tree to another file atomically; this object stays bound to its own file.
    void SaveToFile(const QString& FileName, const TCFBeforeReplace& BeforeReplace = {});

private:
    friend class TCFStorage;
    friend class TCFStream;
    struct TPrivateTag {};

public:
    TCompoundFile(TPrivateTag, QString FileName, bool Writable);

private:
    void WriteTo(const QString& FileName, const TCFBeforeReplace& BeforeReplace, bool Rebind);
    void Changed(TCFNode* Node);
    void CheckWritable() const;

    QString FFileName;
    bool FWritable;
    std::unique_ptr<TCFNode> FRoot;
    uint64_t FChangeCount = 0;
    uint64_t FCommittedCount = 0;
};
