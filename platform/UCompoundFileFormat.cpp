#include "UCompoundFileFormat.h"

#include <QtEndian>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <unordered_set>
#include <unistd.h>

namespace {

constexpr uint8_t Signature[8] = {0xD0, 0xCF, 0x11, 0xE0, 0xA1, 0xB1, 0x1A, 0xE1};
constexpr uint32_t HeaderSize = 512;
constexpr uint32_t HeaderDifatCount = 109;
constexpr uint32_t DirEntrySize = 128;
// Cycles in short chains are found by a linear search; longer chains use a bitmap.
constexpr size_t ShortChain = 64;

uint16_t Get16(const char* P) {
    return qFromLittleEndian<quint16>(P);
}
uint32_t Get32(const char* P) {
    return qFromLittleEndian<quint32>(P);
}
uint64_t Get64(const char* P) {
    return qFromLittleEndian<quint64>(P);
}
void Put16(char* P, uint16_t V) {
    qToLittleEndian<quint16>(V, P);
}
void Put32(char* P, uint32_t V) {
    qToLittleEndian<quint32>(V, P);
}
void Put64(char* P, uint64_t V) {
    qToLittleEndian<quint64>(V, P);
}

uint64_t CeilDiv(uint64_t A, uint64_t B) {
    return (A + B - 1) / B;
}

// Directory entry field offsets.
enum : int {
    deNameLength = 0x40,
    deType = 0x42,
    deColor = 0x43,
    deLeft = 0x44,
    deRight = 0x48,
    deChild = 0x4C,
    deClsid = 0x50,
    deStateBits = 0x60,
    deCreated = 0x64,
    deModified = 0x6C,
    deStart = 0x74,
    deSize = 0x78,
};

} // namespace

// ---------------------------------------------------------------------------------------
// Reader

TCFReader::TCFReader(const QString& FileName) : FFileName(FileName), FFile(FileName) {
    if (!FFile.exists())
        throw EStorageError(STG_E_FILENOTFOUND,
                            QStringLiteral("ファイル %1 が見つかりません").arg(FileName));
    if (!FFile.open(QIODevice::ReadOnly | QIODevice::Unbuffered))
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("ファイル %1 を開けません").arg(FileName));
    FFileSize = static_cast<uint64_t>(FFile.size());
    ReadHeader();
}

void TCFReader::Corrupt(const QString& Reason) const {
    throw EStorageError(
        STG_E_DOCFILECORRUPT,
        QStringLiteral("複合ファイル %1 が壊れています（%2）").arg(FFileName, Reason));
}

void TCFReader::ReadAt(uint64_t Offset, void* Buffer, uint64_t Count) {
    if (Offset > FFileSize || Count > FFileSize - Offset)
        Corrupt(QStringLiteral("ファイルが途中で切れています"));
    auto* out = static_cast<char*>(Buffer);
    while (Count > 0) {
        const ssize_t n =
            ::pread(FFile.handle(), out, static_cast<size_t>(Count), static_cast<off_t>(Offset));
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            throw EStorageError(STG_E_READFAULT,
                                QStringLiteral("ファイル %1 を読み込めません").arg(FFileName));
        if (n == 0)
            Corrupt(QStringLiteral("ファイルが途中で切れています"));
        out += n;
        Offset += static_cast<uint64_t>(n);
        Count -= static_cast<uint64_t>(n);
    }
}

void TCFReader::ReadSector(uint32_t Sector, void* Buffer) {
    if (Sector >= FSectorCount)
        Corrupt(QStringLiteral("セクタ番号 %1 が範囲外です").arg(Sector));
    ReadAt((static_cast<uint64_t>(Sector) + 1) << FShift, Buffer, FSectorSize);
}

void TCFReader::ReadHeader() {
    const QString notCompound = QStringLiteral("%1 は複合ファイルではありません").arg(FFileName);
    if (FFileSize < HeaderSize)
        throw EStorageError(STG_E_INVALIDHEADER, notCompound);
    std::vector<char> h(HeaderSize);
    ReadAt(0, h.data(), HeaderSize);
    const char* p = h.data();
    if (std::memcmp(p, Signature, sizeof Signature) != 0 || Get16(p + 0x1C) != 0xFFFE)
        throw EStorageError(STG_E_INVALIDHEADER, notCompound);
    FMajorVersion = Get16(p + 0x1A);
    FShift = Get16(p + 0x1E);
    if (!((FMajorVersion == 3 && FShift == 9) || (FMajorVersion == 4 && FShift == 12)) ||
        Get16(p + 0x20) != 6 || Get32(p + 0x38) != MiniStreamCutoff)
        throw EStorageError(
            STG_E_INVALIDHEADER,
            QStringLiteral("%1 は対応していない形式の複合ファイルです").arg(FFileName));
    FSectorSize = 1u << FShift;
    FSectorCount = FFileSize > FSectorSize ? CeilDiv(FFileSize - FSectorSize, FSectorSize) : 0;
    FFirstDirSector = Get32(p + 0x30);
    FFirstMiniFatSector = Get32(p + 0x3C);
    ReadDifat(h);

    // The root entry (the first entry of the first directory sector) places the mini stream.
    if (FFirstDirSector >= FSectorCount)
        Corrupt(QStringLiteral("ディレクトリの位置が不正です"));
    std::vector<char> first(FSectorSize);
    ReadSector(FFirstDirSector, first.data());
    if (static_cast<uint8_t>(first[deType]) != cfRoot)
        Corrupt(QStringLiteral("ルートエントリがありません"));
    FMiniStreamStart = Get32(first.data() + deStart);
    FMiniStreamSize = Get64(first.data() + deSize);
    if (FMajorVersion == 3)
        FMiniStreamSize &= 0xFFFFFFFFu;
    if (CeilDiv(FMiniStreamSize, FSectorSize) > FSectorCount)
        Corrupt(QStringLiteral("ミニストリームのサイズがファイルを超えています"));
}

void TCFReader::ReadDifat(const std::vector<char>& Header) {
    FFatCount = Get32(Header.data() + 0x2C);
    if (FFatCount == 0 || FFatCount > FSectorCount)
        Corrupt(QStringLiteral("FAT のセクタ数 %1 が不正です").arg(FFatCount));
    for (uint32_t i = 0; i < std::min(FFatCount, HeaderDifatCount); ++i)
        FFatSectors.push_back(Get32(Header.data() + 0x4C + 4 * i));
    FNextDifatSector = Get32(Header.data() + 0x44);
}

uint32_t TCFReader::FatSector(uint32_t Index) {
    if (Index >= FFatCount)
        Corrupt(QStringLiteral("FAT の範囲外のセクタです"));
    // Numbers beyond the header's come from the DIFAT chain, read as far as needed. Each
    // DIFAT sector holds SectorSize/4 - 1 numbers and then the next DIFAT sector.
    const uint32_t perSector = FSectorSize / 4 - 1;
    std::vector<char> buf;
    while (FFatSectors.size() <= Index) {
        const uint32_t sector = FNextDifatSector;
        if (sector >= FSectorCount)
            Corrupt(QStringLiteral("DIFAT のチェーンが途中で切れています"));
        if (std::find(FDifatSectors.begin(), FDifatSectors.end(), sector) != FDifatSectors.end())
            Corrupt(QStringLiteral("DIFAT のチェーンが循環しています"));
        FDifatSectors.push_back(sector);
        buf.resize(FSectorSize);
        ReadSector(sector, buf.data());
        const uint32_t take = std::min<uint32_t>(perSector, FFatCount - FFatSectors.size());
        for (uint32_t i = 0; i < take; ++i)
            FFatSectors.push_back(Get32(buf.data() + 4 * i));
        FNextDifatSector = Get32(buf.data() + 4 * perSector);
    }
    const uint32_t sector = FFatSectors[Index];
    if (sector >= FSectorCount)
        Corrupt(QStringLiteral("FAT セクタの番号 %1 が範囲外です").arg(sector));
    return sector;
}

uint32_t TCFReader::FatEntry(uint32_t Sector) {
    const uint32_t perSector = FSectorSize / 4;
    return LoadTable(FFatCache, Sector / perSector,
                     [this](uint32_t K) { return FatSector(K); })[Sector % perSector];
}

uint32_t TCFReader::MiniFatEntry(uint32_t MiniSector) {
    const uint32_t perSector = FSectorSize / 4;
    return LoadTable(FMiniFatCache, MiniSector / perSector, [this](uint32_t K) {
        return ChainAt(*FMiniFatChain, K);
    })[MiniSector % perSector];
}

const std::vector<uint32_t>& TCFReader::LoadTable(TTableCache& Cache, uint32_t Index,
                                                  const std::function<uint32_t(uint32_t)>& Locate) {
    const auto it = Cache.find(Index);
    if (it != Cache.end())
        return it->second;
    std::vector<char> buf(FSectorSize);
    ReadSector(Locate(Index), buf.data());
    std::vector<uint32_t> table(FSectorSize / 4);
    for (size_t i = 0; i < table.size(); ++i)
        table[i] = Get32(buf.data() + 4 * i);
    return Cache.emplace(Index, std::move(table)).first->second;
}

uint32_t TCFReader::ChainAt(TCFChain& Chain, uint64_t Index) {
    const uint64_t limit = Chain.FMini ? CeilDiv(FMiniStreamSize, MiniSectorSize) : FSectorCount;
    while (Chain.FSectors.size() <= Index) {
        const uint32_t s = Chain.FNext;
        if (s == ENDOFCHAIN)
            Corrupt(QStringLiteral("セクタのチェーンがデータより短いです"));
        if (s > MAXREGSECT || s >= limit)
            Corrupt(QStringLiteral("チェーン中のセクタ番号 %1 が不正です").arg(s));
        if (Chain.FSectors.size() < ShortChain) {
            if (std::find(Chain.FSectors.begin(), Chain.FSectors.end(), s) != Chain.FSectors.end())
                Corrupt(QStringLiteral("セクタのチェーンが循環しています"));
        } else {
            if (Chain.FSeen.empty()) {
                Chain.FSeen.assign(static_cast<size_t>(limit), false);
                for (uint32_t t : Chain.FSectors)
                    Chain.FSeen[t] = true;
            }
            if (Chain.FSeen[s])
                Corrupt(QStringLiteral("セクタのチェーンが循環しています"));
            Chain.FSeen[s] = true;
        }
        // A chain is known by its first sector: following it again is fine, meeting a
        // sector of another chain is a cross-link.
        std::vector<uint32_t>& owners = Chain.FMini ? FMiniOwners : FOwners;
        if (owners.empty())
            owners.assign(static_cast<size_t>(limit), NOSTREAM);
        const uint32_t id = Chain.FSectors.empty() ? s : Chain.FSectors.front();
        if (owners[s] == NOSTREAM)
            owners[s] = id;
        else if (owners[s] != id)
            Corrupt(QStringLiteral("セクタ %1 が二つのチェーンに含まれています").arg(s));
        Chain.FSectors.push_back(s);
        Chain.FNext = Chain.FMini ? MiniFatEntry(s) : FatEntry(s);
    }
    return Chain.FSectors[static_cast<size_t>(Index)];
}

std::vector<uint32_t> TCFReader::WholeChain(uint32_t Start) {
    TCFChain chain(Start, false);
    // A chain cannot be longer than the file has sectors; ChainAt stops a cycle before that.
    for (uint64_t i = 0; chain.FNext != ENDOFCHAIN; ++i)
        ChainAt(chain, i);
    return std::move(chain.FSectors);
}

void TCFReader::PrepareMiniStream() {
    if (FMiniReady)
        return;
    FMiniFatChain = std::make_unique<TCFChain>(FFirstMiniFatSector, false);
    FMiniStreamChain = std::make_unique<TCFChain>(FMiniStreamStart, false);
    FMiniReady = true;
}

void TCFReader::ReadDirectory(std::vector<TCFDirEntry>& Entries,
                              std::vector<std::vector<uint32_t>>& Children) {
    const std::vector<uint32_t> chain = WholeChain(FFirstDirSector);
    const uint64_t perSector = FSectorSize / DirEntrySize;
    const uint64_t count = chain.size() * perSector;
    QByteArray raw(static_cast<qsizetype>(chain.size() * FSectorSize), Qt::Uninitialized);
    for (size_t i = 0; i < chain.size(); ++i)
        ReadSector(chain[i], raw.data() + i * FSectorSize);
    const auto at = [&](uint64_t Index) { return raw.constData() + Index * DirEntrySize; };

    const auto parse = [&](uint64_t Index) {
        const char* p = at(Index);
        TCFDirEntry e;
        e.Type = static_cast<uint8_t>(p[deType]);
        e.Color = static_cast<uint8_t>(p[deColor]);
        e.Left = Get32(p + deLeft);
        e.Right = Get32(p + deRight);
        e.Child = Get32(p + deChild);
        e.Clsid = TGUID::FromBytes(p + deClsid);
        e.StateBits = Get32(p + deStateBits);
        e.Created = Get64(p + deCreated);
        e.Modified = Get64(p + deModified);
        e.Start = Get32(p + deStart);
        e.Size = Get64(p + deSize);
        if (FMajorVersion == 3) // older writers leave garbage in the high half
            e.Size &= 0xFFFFFFFFu;
        const uint16_t nameBytes = Get16(p + deNameLength);
        if (nameBytes < 4 || nameBytes > 64 || nameBytes % 2 != 0)
            Corrupt(QStringLiteral("要素 %1 の名前が不正です").arg(Index));
        const int length = nameBytes / 2 - 1;
        e.Name.resize(length);
        for (int i = 0; i < length; ++i)
            e.Name[i] = QChar(Get16(p + 2 * i));
        // The length must end at the terminator, and the name must be one the writer would
        // write: anything else would be saved back as a name no caller could have made.
        // The root's name is not an element name and is not checked.
        if (Get16(p + 2 * length) != 0 || (Index != 0 && !IsValidElementName(e.Name)))
            Corrupt(QStringLiteral("要素 %1 の名前が不正です").arg(Index));
        return e;
    };

    Entries.clear();
    Children.clear();
    Entries.push_back(parse(0));
    if (Entries[0].Type != cfRoot)
        Corrupt(QStringLiteral("ルートエントリがありません"));
    Children.emplace_back();
    std::vector<bool> visited(static_cast<size_t>(count), false);
    visited[0] = true;

    struct TPending {
        size_t Entry;
        int Depth;
    };
    std::vector<TPending> storages{{0, 0}};
    std::vector<uint32_t> stack;
    std::vector<uint32_t> kids;
    const uint64_t miniSectors = CeilDiv(FMiniStreamSize, MiniSectorSize);
    // Two chains that begin on one sector share everything: the file's own chains and every
    // stream with data must begin on sectors of their own.
    std::unordered_set<uint32_t> starts{FFirstDirSector}, miniStarts;
    if (FFirstMiniFatSector != ENDOFCHAIN)
        starts.insert(FFirstMiniFatSector);
    if (FMiniStreamSize > 0 && !starts.insert(FMiniStreamStart).second)
        Corrupt(QStringLiteral("ミニストリームの位置が不正です"));
    while (!storages.empty()) {
        const TPending owner = storages.back();
        storages.pop_back();
        // In-order walk of the owner's sibling tree; an index met twice is a loop.
        kids.clear();
        uint32_t cur = Entries[owner.Entry].Child;
        while (cur != NOSTREAM || !stack.empty()) {
            while (cur != NOSTREAM) {
                if (cur >= count)
                    Corrupt(QStringLiteral("ディレクトリ番号 %1 が範囲外です").arg(cur));
                if (visited[cur])
                    Corrupt(QStringLiteral("ディレクトリが循環しています"));
                visited[cur] = true;
                stack.push_back(cur);
                cur = Get32(at(cur) + deLeft);
            }
            cur = stack.back();
            stack.pop_back();
            kids.push_back(cur);
            cur = Get32(at(cur) + deRight);
        }
        std::vector<QString> names;
        names.reserve(kids.size());
        for (uint32_t k : kids) {
            TCFDirEntry e = parse(k);
            if (e.Type == cfStream) {
                const bool fits = e.Size < MiniStreamCutoff
                                      ? CeilDiv(e.Size, MiniSectorSize) <= miniSectors
                                      : CeilDiv(e.Size, FSectorSize) <= FSectorCount;
                if (!fits)
                    Corrupt(QStringLiteral("ストリーム %1 のサイズがファイルを超えています")
                                .arg(e.Name));
                if (e.Size > 0 &&
                    !(e.Size < MiniStreamCutoff ? miniStarts : starts).insert(e.Start).second)
                    Corrupt(QStringLiteral("ストリーム %1 が別の要素のデータを指しています")
                                .arg(e.Name));
            } else if (e.Type == cfStorage) {
                if (owner.Depth + 1 > MaxStorageDepth)
                    Corrupt(QStringLiteral("記憶域の入れ子が深すぎます"));
            } else {
                Corrupt(QStringLiteral("要素 %1 の種類が不正です").arg(k));
            }
            names.push_back(e.Name);
            const size_t index = Entries.size();
            if (e.Type == cfStorage)
                storages.push_back({index, owner.Depth + 1});
            Entries.push_back(std::move(e));
            Children.emplace_back();
            Children[owner.Entry].push_back(static_cast<uint32_t>(index));
        }
        std::sort(names.begin(), names.end(),
                  [](const QString& A, const QString& B) { return CompareElementNames(A, B) < 0; });
        const auto same = [](const QString& A, const QString& B) {
            return CompareElementNames(A, B) == 0;
        };
        if (std::adjacent_find(names.begin(), names.end(), same) != names.end())
            Corrupt(QStringLiteral("同じ名前の要素が重複しています"));
    }
}

std::shared_ptr<TCFChain> TCFReader::StreamChain(uint32_t Start, uint64_t Size) const {
    return std::make_shared<TCFChain>(Start, Size < MiniStreamCutoff);
}

void TCFReader::ReadStream(TCFChain& Chain, uint64_t Size, uint64_t Offset, void* Buffer,
                           uint64_t Count) {
    if (Offset > Size || Count > Size - Offset)
        throw EStorageError(STG_E_INVALIDPARAMETER,
                            QStringLiteral("ストリームの範囲外の読み込みです"));
    if (Count == 0)
        return;
    if (Chain.IsMini()) {
        PrepareMiniStream();
        ReadMini(Chain, Offset, static_cast<char*>(Buffer), Count);
    } else {
        ReadRegular(Chain, Offset, static_cast<char*>(Buffer), Count);
    }
}

void TCFReader::ReadRegular(TCFChain& Chain, uint64_t Offset, char* Buffer, uint64_t Count) {
    while (Count > 0) {
        const uint64_t index = Offset >> FShift;
        const uint64_t inner = Offset & (FSectorSize - 1);
        const uint64_t first = ChainAt(Chain, index);
        uint64_t n = std::min<uint64_t>(Count, FSectorSize - inner);
        // Sectors that follow each other in the file are read in one go.
        for (uint64_t run = 1; n < Count && ChainAt(Chain, index + run) == first + run; ++run)
            n += std::min<uint64_t>(Count - n, FSectorSize);
        ReadAt(((first + 1) << FShift) + inner, Buffer, n);
        Buffer += n;
        Offset += n;
        Count -= n;
    }
}

void TCFReader::ReadMini(TCFChain& Chain, uint64_t Offset, char* Buffer, uint64_t Count) {
    while (Count > 0) {
        const uint64_t index = Offset / MiniSectorSize;
        const uint64_t inner = Offset % MiniSectorSize;
        const uint64_t first = ChainAt(Chain, index);
        uint64_t n = std::min<uint64_t>(Count, MiniSectorSize - inner);
        for (uint64_t run = 1; n < Count && ChainAt(Chain, index + run) == first + run; ++run)
            n += std::min<uint64_t>(Count - n, MiniSectorSize);
        const uint64_t pos = first * MiniSectorSize + inner;
        if (pos + n > FMiniStreamSize)
            Corrupt(QStringLiteral("ミニストリームの範囲外です"));
        ReadRegular(*FMiniStreamChain, pos, Buffer, n);
        Buffer += n;
        Offset += n;
        Count -= n;
    }
}

// ---------------------------------------------------------------------------------------
// Writer

namespace {

// Collects output in large blocks so that small entries do not each cost a system call.
class TBlockWriter {
public:
    explicit TBlockWriter(TStream& Out) : FOut(Out) { FBuffer.reserve(BlockSize); }
    void Write(const char* Data, size_t Count) {
        while (Count > 0) {
            const size_t n = std::min(Count, BlockSize - FBuffer.size());
            FBuffer.insert(FBuffer.end(), Data, Data + n);
            Data += n;
            Count -= n;
            if (FBuffer.size() == BlockSize)
                Flush();
        }
    }
    void Zeros(uint64_t Count) {
        static const char zero[512] = {};
        while (Count > 0) {
            const size_t n = static_cast<size_t>(std::min<uint64_t>(Count, sizeof zero));
            Write(zero, n);
            Count -= n;
        }
    }
    void Words(const std::vector<uint32_t>& Values) {
        char w[4];
        for (uint32_t v : Values) {
            Put32(w, v);
            Write(w, 4);
        }
    }
    void Flush() {
        FOut.WriteBuffer(FBuffer.data(), static_cast<int64_t>(FBuffer.size()));
        FBuffer.clear();
    }

private:
    static constexpr size_t BlockSize = 1 << 20;
    TStream& FOut;
    std::vector<char> FBuffer;
};

struct TTreeLinks {
    std::vector<uint32_t> Left, Right, Child;
    std::vector<uint8_t> Color;
    std::vector<int> Depth;
};

uint32_t BuildSiblings(const std::vector<uint32_t>& Kids, size_t Lo, size_t Hi, int Depth,
                       TTreeLinks& T) {
    if (Lo >= Hi)
        return NOSTREAM;
    const size_t mid = Lo + (Hi - Lo) / 2;
    const uint32_t node = Kids[mid];
    T.Depth[node] = Depth;
    T.Left[node] = BuildSiblings(Kids, Lo, mid, Depth + 1, T);
    T.Right[node] = BuildSiblings(Kids, mid + 1, Hi, Depth + 1, T);
    return node;
}

// Children in directory order become a tree whose subtrees differ in size by at most one:
// every level but the deepest is full, so colouring the deepest level red (when it is not
// full) and all others black gives every path the same number of black nodes and no red
// node a red child - a valid red-black tree.
uint32_t BuildRedBlackTree(const std::vector<uint32_t>& Kids, TTreeLinks& T) {
    const uint32_t root = BuildSiblings(Kids, 0, Kids.size(), 0, T);
    int deepest = 0;
    for (uint32_t k : Kids)
        deepest = std::max(deepest, T.Depth[k]);
    const bool full = Kids.size() == (size_t(1) << (deepest + 1)) - 1;
    for (uint32_t k : Kids)
        T.Color[k] = (T.Depth[k] == deepest && !full) ? 0 : 1;
    return root;
}

[[noreturn]] void TooLarge(const QString& Why) {
    throw EStorageError(STG_E_DOCFILETOOLARGE,
                        QStringLiteral("複合ファイルに書き込めません（%1）").arg(Why));
}

// Checks that the items form one tree below the root, no deeper than MaxStorageDepth.
void CheckTree(const std::vector<TCFWriteItem>& Items) {
    std::vector<bool> seen(Items.size(), false);
    std::vector<std::pair<uint32_t, int>> work{{0, 0}};
    seen[0] = true;
    while (!work.empty()) {
        const auto [index, depth] = work.back();
        work.pop_back();
        for (uint32_t c : Items[index].Children) {
            if (c >= Items.size() || seen[c] || Items[c].Type == cfRoot)
                throw EStorageError(STG_E_INVALIDPARAMETER, QStringLiteral("要素の木が不正です"));
            seen[c] = true;
            if (Items[c].Type == cfStorage) {
                if (depth + 1 > MaxStorageDepth)
                    TooLarge(QStringLiteral("記憶域の入れ子が深すぎます"));
                work.push_back({c, depth + 1});
            }
        }
    }
}

void PutEntry(char* P, const TCFWriteItem& Item, const TTreeLinks& T, uint32_t Index) {
    const QString name = Item.Type == cfRoot ? QStringLiteral("Root Entry") : Item.Name;
    for (int i = 0; i < name.size(); ++i)
        Put16(P + 2 * i, name[i].unicode());
    Put16(P + deNameLength, static_cast<uint16_t>((name.size() + 1) * 2));
    P[deType] = static_cast<char>(Item.Type);
    P[deColor] = static_cast<char>(Item.Type == cfRoot ? 1 : T.Color[Index]);
    Put32(P + deLeft, Item.Type == cfRoot ? NOSTREAM : T.Left[Index]);
    Put32(P + deRight, Item.Type == cfRoot ? NOSTREAM : T.Right[Index]);
    Put32(P + deChild, Item.Type == cfStream ? NOSTREAM : T.Child[Index]);
    const QByteArray clsid = Item.Clsid.ToBytes();
    std::memcpy(P + deClsid, clsid.constData(), 16);
    Put32(P + deStateBits, Item.StateBits);
    Put64(P + deCreated, Item.Created);
    Put64(P + deModified, Item.Modified);
    Put32(P + deStart, Item.Type == cfStorage ? 0 : Item.Start);
    Put64(P + deSize, Item.Type == cfStorage ? 0 : Item.Size);
}

void CopyContent(TBlockWriter& W, const TCFWriteItem& Item, uint64_t Granule) {
    constexpr uint64_t chunk = 1 << 20;
    std::vector<char> buf(static_cast<size_t>(std::min<uint64_t>(Item.Size, chunk)));
    for (uint64_t done = 0; done < Item.Size;) {
        const uint64_t n = std::min<uint64_t>(chunk, Item.Size - done);
        Item.Read(done, buf.data(), n);
        W.Write(buf.data(), static_cast<size_t>(n));
        done += n;
    }
    W.Zeros(CeilDiv(Item.Size, Granule) * Granule - Item.Size);
}

} // namespace

void WriteCompoundFile(TStream& Out, std::vector<TCFWriteItem>& Items) {
    constexpr uint64_t ss = 512;
    constexpr uint64_t perFat = ss / 4;
    constexpr uint64_t perDifat = perFat - 1;
    if (Items.empty() || Items[0].Type != cfRoot)
        throw EStorageError(STG_E_INVALIDPARAMETER, QStringLiteral("ルート要素がありません"));
    CheckTree(Items);
    const size_t n = Items.size();

    TTreeLinks t;
    t.Left.assign(n, NOSTREAM);
    t.Right.assign(n, NOSTREAM);
    t.Child.assign(n, NOSTREAM);
    t.Color.assign(n, 1);
    t.Depth.assign(n, 0);
    for (size_t i = 0; i < n; ++i)
        if (Items[i].Type != cfStream)
            t.Child[i] = BuildRedBlackTree(Items[i].Children, t);

    // Mini streams first, numbered in mini sectors; large streams counted in sectors.
    std::vector<uint32_t> miniItems, bigItems;
    uint64_t miniSectors = 0, bigSectors = 0;
    for (size_t i = 0; i < n; ++i) {
        TCFWriteItem& item = Items[i];
        if (item.Type != cfStream)
            continue;
        if (item.Size > 0xFFFFFFFFu)
            TooLarge(QStringLiteral("ストリーム %1 が 4 GB を超えています").arg(item.Name));
        item.Start = ENDOFCHAIN;
        if (item.Size == 0)
            continue;
        if (item.Size < MiniStreamCutoff) {
            item.Start = static_cast<uint32_t>(miniSectors);
            miniSectors += CeilDiv(item.Size, MiniSectorSize);
            miniItems.push_back(static_cast<uint32_t>(i));
        } else {
            bigSectors += CeilDiv(item.Size, ss);
            bigItems.push_back(static_cast<uint32_t>(i));
        }
    }
    const uint64_t miniStreamBytes = miniSectors * MiniSectorSize;
    const uint64_t dirSectors = CeilDiv(n, ss / DirEntrySize);
    const uint64_t miniFatSectors = CeilDiv(miniSectors, perFat);
    const uint64_t miniStreamSectors = CeilDiv(miniStreamBytes, ss);
    const uint64_t dataSectors = dirSectors + miniFatSectors + miniStreamSectors + bigSectors;

    // The FAT covers itself and the DIFAT sectors that index it.
    uint64_t fatSectors = 1, difatSectors = 0;
    for (;;) {
        difatSectors =
            fatSectors > HeaderDifatCount ? CeilDiv(fatSectors - HeaderDifatCount, perDifat) : 0;
        const uint64_t need = CeilDiv(dataSectors + fatSectors + difatSectors, perFat);
        if (need <= fatSectors)
            break;
        fatSectors = need;
    }
    const uint64_t total = fatSectors + difatSectors + dataSectors;
    if (total >= MAXREGSECT)
        TooLarge(QStringLiteral("ファイルが大きすぎます"));

    // Layout: FAT, DIFAT, directory, mini FAT, mini stream, then the large streams.
    uint64_t next = fatSectors + difatSectors;
    const uint64_t dirStart = next;
    next += dirSectors;
    const uint64_t miniFatStart = next;
    next += miniFatSectors;
    const uint64_t miniStreamStart = next;
    next += miniStreamSectors;
    for (uint32_t i : bigItems) {
        Items[i].Start = static_cast<uint32_t>(next);
        next += CeilDiv(Items[i].Size, ss);
    }

    std::vector<uint32_t> fat(static_cast<size_t>(fatSectors * perFat), FREESECT);
    for (uint64_t i = 0; i < fatSectors; ++i)
        fat[i] = FATSECT;
    for (uint64_t i = 0; i < difatSectors; ++i)
        fat[fatSectors + i] = DIFSECT;
    const auto link = [](std::vector<uint32_t>& Table, uint64_t Start, uint64_t Count) {
        for (uint64_t k = 0; k < Count; ++k)
            Table[Start + k] = k + 1 < Count ? static_cast<uint32_t>(Start + k + 1) : ENDOFCHAIN;
    };
    link(fat, dirStart, dirSectors);
    link(fat, miniFatStart, miniFatSectors);
    link(fat, miniStreamStart, miniStreamSectors);
    for (uint32_t i : bigItems)
        link(fat, Items[i].Start, CeilDiv(Items[i].Size, ss));
    std::vector<uint32_t> miniFat(static_cast<size_t>(miniFatSectors * perFat), FREESECT);
    for (uint32_t i : miniItems)
        link(miniFat, Items[i].Start, CeilDiv(Items[i].Size, MiniSectorSize));

    Items[0].Start = miniSectors ? static_cast<uint32_t>(miniStreamStart) : ENDOFCHAIN;
    Items[0].Size = miniStreamBytes;

    QByteArray header(ss, 0);
    char* h = header.data();
    std::memcpy(h, Signature, sizeof Signature);
    Put16(h + 0x18, 0x003E);
    Put16(h + 0x1A, 3);
    Put16(h + 0x1C, 0xFFFE);
    Put16(h + 0x1E, 9);
    Put16(h + 0x20, 6);
    Put32(h + 0x2C, static_cast<uint32_t>(fatSectors));
    Put32(h + 0x30, static_cast<uint32_t>(dirStart));
    Put32(h + 0x38, MiniStreamCutoff);
    Put32(h + 0x3C, miniFatSectors ? static_cast<uint32_t>(miniFatStart) : ENDOFCHAIN);
    Put32(h + 0x40, static_cast<uint32_t>(miniFatSectors));
    Put32(h + 0x44, difatSectors ? static_cast<uint32_t>(fatSectors) : ENDOFCHAIN);
    Put32(h + 0x48, static_cast<uint32_t>(difatSectors));
    for (uint32_t i = 0; i < HeaderDifatCount; ++i)
        Put32(h + 0x4C + 4 * i, i < fatSectors ? i : FREESECT);

    Out.SetPosition(0);
    TBlockWriter w(Out);
    w.Write(header.constData(), header.size());
    w.Words(fat);
    for (uint64_t j = 0; j < difatSectors; ++j) {
        std::vector<uint32_t> sector(perFat, FREESECT);
        for (uint64_t k = 0; k < perDifat; ++k) {
            const uint64_t fatIndex = HeaderDifatCount + j * perDifat + k;
            if (fatIndex < fatSectors)
                sector[k] = static_cast<uint32_t>(fatIndex);
        }
        sector[perDifat] =
            j + 1 < difatSectors ? static_cast<uint32_t>(fatSectors + j + 1) : ENDOFCHAIN;
        w.Words(sector);
    }
    QByteArray dir(static_cast<qsizetype>(dirSectors * ss), 0);
    for (uint64_t i = 0; i < dirSectors * (ss / DirEntrySize); ++i) {
        char* p = dir.data() + i * DirEntrySize;
        if (i < n) {
            PutEntry(p, Items[i], t, static_cast<uint32_t>(i));
        } else {
            Put32(p + deLeft, NOSTREAM);
            Put32(p + deRight, NOSTREAM);
            Put32(p + deChild, NOSTREAM);
        }
    }
    w.Write(dir.constData(), dir.size());
    w.Words(miniFat);
    for (uint32_t i : miniItems)
        CopyContent(w, Items[i], MiniSectorSize);
    w.Zeros(miniStreamSectors * ss - miniStreamBytes);
    for (uint32_t i : bigItems)
        CopyContent(w, Items[i], ss);
    w.Flush();
}
