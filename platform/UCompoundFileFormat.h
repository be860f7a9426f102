#pragma once
// The compound-file binary format: a reader that answers sector chains and stream bytes from
// the file on demand, and a writer of whole version-3 files. Every number read from a file is
// treated as untrusted: sector numbers, chain lengths, directory indexes and sizes are checked
// against what the file can actually hold before anything is read or allocated, chains are
// checked for cycles, and violations raise EStorageError(STG_E_DOCFILECORRUPT).

#include "UCompoundFile.h"

#include <QFile>
#include <QString>
#include <cstdint>
#include <functional>
#include <memory>
#include <unordered_map>
#include <vector>

// Special sector and directory numbers of the format.
constexpr uint32_t MAXREGSECT = 0xFFFFFFFA;
constexpr uint32_t DIFSECT = 0xFFFFFFFC;
constexpr uint32_t FATSECT = 0xFFFFFFFD;
constexpr uint32_t ENDOFCHAIN = 0xFFFFFFFE;
constexpr uint32_t FREESECT = 0xFFFFFFFF;
constexpr uint32_t NOSTREAM = 0xFFFFFFFF;

// Streams shorter than this live in the mini stream, in 64-byte mini sectors.
constexpr uint64_t MiniStreamCutoff = 4096;
constexpr uint32_t MiniSectorSize = 64;
// Storages may nest this deep below the root; deeper trees are refused as damaged.
constexpr int MaxStorageDepth = 256;

// Directory entry object types.
enum : uint8_t { cfUnused = 0, cfStorage = 1, cfStream = 2, cfRoot = 5 };

// One 128-byte directory entry.
struct TCFDirEntry {
    QString Name;
    uint8_t Type = cfUnused;
    uint8_t Color = 0; // 0 red, 1 black
    uint32_t Left = NOSTREAM;
    uint32_t Right = NOSTREAM;
    uint32_t Child = NOSTREAM;
    TGUID Clsid;
    uint32_t StateBits = 0;
    uint64_t Created = 0;
    uint64_t Modified = 0;
    uint32_t Start = ENDOFCHAIN;
    uint64_t Size = 0;
};

// A sector chain as far as it has been followed. Chains are extended lazily, so reading the
// start of a long stream follows only the links it needs.
class TCFChain {
public:
    TCFChain(uint32_t Start, bool Mini) : FNext(Start), FMini(Mini) {}
    bool IsMini() const { return FMini; }

private:
    friend class TCFReader;
    std::vector<uint32_t> FSectors;
    uint32_t FNext;
    bool FMini;
    std::vector<bool> FSeen; // cycle check for long chains, sized on demand
};

// Reads one compound file. The constructor reads and checks the header and the root entry;
// the sector-table index (DIFAT), FAT and mini-FAT sectors are read when a chain first
// needs them, so opening costs the same whatever the size of the file.
class TCFReader {
public:
    explicit TCFReader(const QString& FileName);
    TCFReader(const TCFReader&) = delete;
    TCFReader& operator=(const TCFReader&) = delete;

    const QString& FileName() const { return FFileName; }
    int MajorVersion() const { return FMajorVersion; }
    uint32_t SectorSize() const { return FSectorSize; }

    // Reads the whole directory and checks its tree: every index in range, no element
    // reached twice, names valid and unique within a storage, types and sizes possible,
    // nesting at most MaxStorageDepth. Answers all entries (index 0 is the root) and, for
    // each storage entry, its children's indexes; unreachable entries are ignored.
    void ReadDirectory(std::vector<TCFDirEntry>& Entries,
                       std::vector<std::vector<uint32_t>>& Children);

    // A chain for the content of a stream entry of Size bytes starting at Start.
    std::shared_ptr<TCFChain> StreamChain(uint32_t Start, uint64_t Size) const;
    // Reads Count bytes at Offset of a stream whose content is Size bytes along Chain.
    void ReadStream(TCFChain& Chain, uint64_t Size, uint64_t Offset, void* Buffer, uint64_t Count);

    // Raises STG_E_DOCFILECORRUPT with Reason.
    [[noreturn]] void Corrupt(const QString& Reason) const;

private:
    void ReadHeader();
    void ReadDifat(const std::vector<char>& Header);
    void ReadAt(uint64_t Offset, void* Buffer, uint64_t Count);
    void ReadSector(uint32_t Sector, void* Buffer);
    using TTableCache = std::unordered_map<uint32_t, std::vector<uint32_t>>;
    // Sector Index of a table (FAT or mini FAT), read once; Locate answers where it is.
    const std::vector<uint32_t>& LoadTable(TTableCache& Cache, uint32_t Index,
                                           const std::function<uint32_t(uint32_t)>& Locate);
    uint32_t FatSector(uint32_t Index);
    uint32_t FatEntry(uint32_t Sector);
    uint32_t MiniFatEntry(uint32_t MiniSector);
    uint32_t ChainAt(TCFChain& Chain, uint64_t Index);
    std::vector<uint32_t> WholeChain(uint32_t Start);
    void PrepareMiniStream();
    void ReadRegular(TCFChain& Chain, uint64_t Offset, char* Buffer, uint64_t Count);
    void ReadMini(TCFChain& Chain, uint64_t Offset, char* Buffer, uint64_t Count);

    QString FFileName;
    QFile FFile;
    uint64_t FFileSize = 0;
    int FMajorVersion = 3;
    uint32_t FShift = 9;
    uint32_t FSectorSize = 512;
    uint64_t FSectorCount = 0; // sectors present in the file, the last possibly partial

    uint32_t FFirstDirSector = ENDOFCHAIN;
    uint32_t FFirstMiniFatSector = ENDOFCHAIN;
    uint32_t FFatCount = 0;
    std::vector<uint32_t> FFatSectors; // FAT sector numbers read so far (header, then DIFAT)
    uint32_t FNextDifatSector = ENDOFCHAIN;
    std::vector<uint32_t> FDifatSectors; // DIFAT sectors read
    TTableCache FFatCache;
    bool FMiniReady = false;
    std::unique_ptr<TCFChain> FMiniFatChain; // the mini FAT's own sectors
    TTableCache FMiniFatCache;
    uint32_t FMiniStreamStart = ENDOFCHAIN;
    uint64_t FMiniStreamSize = 0;
    std::unique_ptr<TCFChain> FMiniStreamChain;
    // The first sector of the chain each sector (regular, and mini) was found in, sized on
    // demand: a sector met in two chains is damage, never another stream's bytes.
    std::vector<uint32_t> FOwners;
    std::vector<uint32_t> FMiniOwners;
};

// One element to write. Items[0] is the root; a storage lists its children (indexes into
// the item list) in directory order; a stream supplies its bytes through Read.
struct TCFWriteItem {
    QString Name;
    uint8_t Type = cfStream;
    TGUID Clsid;
    uint32_t StateBits = 0;
    uint64_t Created = 0;
    uint64_t Modified = 0;
    uint64_t Size = 0;
    std::vector<uint32_t> Children;
    std::function<void(uint64_t Offset, char* Buffer, uint64_t Count)> Read;
    // Set by the writer: where the stream's content was placed.
    uint32_t Start = ENDOFCHAIN;
};

// Writes a complete version-3 compound file (512-byte sectors) to Out at its position 0:
// DIFAT beyond 109 FAT sectors, streams under MiniStreamCutoff in the mini stream, each
// storage's children as a balanced red-black tree in directory order. Raises
// STG_E_DOCFILETOOLARGE for a stream of 4 GiB or more or a tree deeper than MaxStorageDepth.
void WriteCompoundFile(TStream& Out, std::vector<TCFWriteItem>& Items);
