#include "UCompoundFile.h"

#include "UAtomicFile.h"
#include "UCompoundFileFormat.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <cstring>

// One element of the tree. A stream's content is either in a file (Source and Start, read
// on demand through Chain) or in memory (Bytes); Size is the size of file-held content.
struct TCFNode {
    QString Name;
    bool IsStorage = false;
    TGUID Clsid;
    uint32_t StateBits = 0;
    uint64_t Created = 0;
    uint64_t Modified = 0;
    TCFNode* Parent = nullptr;
    std::vector<std::unique_ptr<TCFNode>> Children; // in directory order

    std::shared_ptr<TCFReader> Source;
    uint32_t Start = ENDOFCHAIN;
    uint64_t Size = 0;
    std::shared_ptr<TCFChain> Chain;
    QByteArray Bytes;

    int OpenCount = 0;
};

namespace {

uint64_t ContentSize(const TCFNode* Node) {
    return Node->Source ? Node->Size : static_cast<uint64_t>(Node->Bytes.size());
}

void ReadContent(TCFNode* Node, uint64_t Offset, char* Buffer, uint64_t Count) {
    if (!Node->Source) {
        std::memcpy(Buffer, Node->Bytes.constData() + Offset, static_cast<size_t>(Count));
        return;
    }
    if (!Node->Chain)
        Node->Chain = Node->Source->StreamChain(Node->Start, Node->Size);
    Node->Source->ReadStream(*Node->Chain, Node->Size, Offset, Buffer, Count);
}

// Brings a file-held stream into memory so that it can be changed.
void Materialize(TCFNode* Node) {
    if (!Node->Source)
        return;
    QByteArray bytes(static_cast<qsizetype>(Node->Size), Qt::Uninitialized);
    ReadContent(Node, 0, bytes.data(), Node->Size);
    Node->Bytes = std::move(bytes);
    Node->Source.reset();
    Node->Chain.reset();
    Node->Start = ENDOFCHAIN;
    Node->Size = 0;
}

auto LowerBound(TCFNode* Parent, const QString& Name) {
    return std::lower_bound(Parent->Children.begin(), Parent->Children.end(), Name,
                            [](const std::unique_ptr<TCFNode>& C, const QString& N) {
                                return CompareElementNames(C->Name, N) < 0;
                            });
}

TCFNode* FindChild(TCFNode* Parent, const QString& Name) {
    const auto it = LowerBound(Parent, Name);
    return it != Parent->Children.end() && CompareElementNames((*it)->Name, Name) == 0 ? it->get()
                                                                                       : nullptr;
}

TCFNode* InsertChild(TCFNode* Parent, std::unique_ptr<TCFNode> Child) {
    Child->Parent = Parent;
    TCFNode* raw = Child.get();
    Parent->Children.insert(LowerBound(Parent, Child->Name), std::move(Child));
    return raw;
}

std::unique_ptr<TCFNode> DetachChild(TCFNode* Child) {
    TCFNode* parent = Child->Parent;
    const auto it =
        std::find_if(parent->Children.begin(), parent->Children.end(),
                     [Child](const std::unique_ptr<TCFNode>& C) { return C.get() == Child; });
    std::unique_ptr<TCFNode> owned = std::move(*it);
    parent->Children.erase(it);
    owned->Parent = nullptr;
    return owned;
}

bool AnyOpen(const TCFNode* Node) {
    std::vector<const TCFNode*> work{Node};
    while (!work.empty()) {
        const TCFNode* n = work.back();
        work.pop_back();
        if (n->OpenCount > 0)
            return true;
        for (const auto& c : n->Children)
            work.push_back(c.get());
    }
    return false;
}

bool IsSameOrBelow(const TCFNode* Node, const TCFNode* Ancestor) {
    for (const TCFNode* n = Node; n; n = n->Parent)
        if (n == Ancestor)
            return true;
    return false;
}

std::unique_ptr<TCFNode> CloneTree(const TCFNode* Source) {
    auto copy = std::make_unique<TCFNode>();
    copy->Name = Source->Name;
    copy->IsStorage = Source->IsStorage;
    copy->Clsid = Source->Clsid;
    copy->StateBits = Source->StateBits;
    copy->Created = Source->Created;
    copy->Modified = Source->Modified;
    copy->Source = Source->Source;
    copy->Start = Source->Start;
    copy->Size = Source->Size;
    copy->Chain = Source->Chain;
    copy->Bytes = Source->Bytes;
    for (const auto& c : Source->Children) {
        auto child = CloneTree(c.get());
        child->Parent = copy.get();
        copy->Children.push_back(std::move(child));
    }
    return copy;
}

[[noreturn]] void NotFound(const QString& Name) {
    throw EStorageError(STG_E_FILENOTFOUND, QStringLiteral("要素 %1 が見つかりません").arg(Name));
}

[[noreturn]] void InUse(const QString& Name) {
    throw EStorageError(STG_E_ACCESSDENIED,
                        QStringLiteral("要素 %1 は開かれているため変更できません").arg(Name));
}

[[noreturn]] void AlreadyExists(const QString& Name) {
    throw EStorageError(STG_E_FILEALREADYEXISTS,
                        QStringLiteral("要素 %1 は既にあります").arg(Name));
}

void CheckName(const QString& Name) {
    if (!IsValidElementName(Name))
        throw EStorageError(STG_E_INVALIDNAME,
                            QStringLiteral("要素の名前 \"%1\" は使えません").arg(Name));
}

// Throws when merging Source into Dest would replace an element of Dest that is open.
void CheckMerge(const TCFNode* Source, TCFNode* Dest) {
    for (const auto& s : Source->Children) {
        TCFNode* d = FindChild(Dest, s->Name);
        if (!d)
            continue;
        if (s->IsStorage && d->IsStorage)
            CheckMerge(s.get(), d);
        else if (AnyOpen(d))
            InUse(d->Name);
    }
}

void Merge(const TCFNode* Source, TCFNode* Dest) {
    Dest->Clsid = Source->Clsid;
    Dest->StateBits = Source->StateBits;
    for (const auto& s : Source->Children) {
        TCFNode* d = FindChild(Dest, s->Name);
        if (d && s->IsStorage && d->IsStorage) {
            Merge(s.get(), d);
            continue;
        }
        if (d)
            DetachChild(d);
        InsertChild(Dest, CloneTree(s.get()));
    }
}

std::unique_ptr<TCFNode> NewNode(const QString& Name, bool IsStorage) {
    auto node = std::make_unique<TCFNode>();
    node->Name = Name;
    node->IsStorage = IsStorage;
    if (IsStorage)
        node->Created = node->Modified = FileTimeNow();
    return node;
}

} // namespace

int CompareElementNames(const QString& A, const QString& B) {
    if (A.size() != B.size())
        return A.size() < B.size() ? -1 : 1;
    for (qsizetype i = 0; i < A.size(); ++i) {
        const char16_t a = A[i].toUpper().unicode();
        const char16_t b = B[i].toUpper().unicode();
        if (a != b)
            return a < b ? -1 : 1;
    }
    return 0;
}

bool IsValidElementName(const QString& Name) {
    if (Name.isEmpty() || Name.size() > 31 || Name == u'.' || Name == QStringLiteral(".."))
        return false;
    for (QChar c : Name)
        if (c == u'/' || c == u'\\' || c == u':' || c == u'!' || c == QChar(0))
            return false;
    return true;
}

uint64_t FileTimeNow() {
    constexpr int64_t epochDifferenceMs = 11644473600000LL; // 1601-01-01 to 1970-01-01
    return static_cast<uint64_t>(QDateTime::currentMSecsSinceEpoch() + epochDifferenceMs) * 10000u;
}

// ---------------------------------------------------------------------------------------
// TCFStream

TCFStream::TCFStream(std::shared_ptr<TCompoundFile> File, TCFNode* Node, bool Writable)
    : FFile(std::move(File)), FNode(Node), FWritable(Writable) {
    ++FNode->OpenCount;
}

TCFStream::~TCFStream() {
    --FNode->OpenCount;
}

void TCFStream::CheckWritable() const {
    if (!FWritable)
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("ストリーム %1 は読み込み専用です").arg(FNode->Name));
}

int64_t TCFStream::Read(void* Buffer, int64_t Count) {
    const uint64_t size = ContentSize(FNode);
    if (Count <= 0 || static_cast<uint64_t>(FPosition) >= size)
        return 0;
    const uint64_t n = std::min<uint64_t>(static_cast<uint64_t>(Count), size - FPosition);
    ReadContent(FNode, static_cast<uint64_t>(FPosition), static_cast<char*>(Buffer), n);
    FPosition += static_cast<int64_t>(n);
    return static_cast<int64_t>(n);
}

int64_t TCFStream::Write(const void* Buffer, int64_t Count) {
    if (Count <= 0)
        return 0;
    CheckWritable();
    Materialize(FNode);
    const int64_t end = FPosition + Count;
    QByteArray& bytes = FNode->Bytes;
    if (end > bytes.size()) {
        const qsizetype old = bytes.size();
        bytes.resize(static_cast<qsizetype>(end));
        if (FPosition > old)
            std::memset(bytes.data() + old, 0, static_cast<size_t>(FPosition - old));
    }
    std::memcpy(bytes.data() + FPosition, Buffer, static_cast<size_t>(Count));
    FPosition = end;
    FFile->Changed(FNode->Parent);
    return Count;
}

int64_t TCFStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    int64_t base = 0;
    if (Origin == soCurrent)
        base = FPosition;
    else if (Origin == soEnd)
        base = static_cast<int64_t>(ContentSize(FNode));
    const int64_t pos = base + Offset;
    if (pos < 0)
        throw EStorageError(STG_E_INVALIDFUNCTION,
                            QStringLiteral("ストリームのシーク位置が不正です"));
    FPosition = pos;
    return pos;
}

int64_t TCFStream::GetSize() {
    return static_cast<int64_t>(ContentSize(FNode));
}

void TCFStream::SetSize(int64_t NewSize) {
    if (NewSize < 0)
        throw EStorageError(STG_E_INVALIDPARAMETER, QStringLiteral("ストリームのサイズが不正です"));
    CheckWritable();
    if (static_cast<uint64_t>(NewSize) == ContentSize(FNode))
        return;
    Materialize(FNode);
    const qsizetype old = FNode->Bytes.size();
    FNode->Bytes.resize(static_cast<qsizetype>(NewSize));
    if (NewSize > old)
        std::memset(FNode->Bytes.data() + old, 0, static_cast<size_t>(NewSize - old));
    FFile->Changed(FNode->Parent);
}

TCFStat TCFStream::Stat() const {
    TCFStat s;
    s.Name = FNode->Name;
    s.Type = STGTY_STREAM;
    s.Size = ContentSize(FNode);
    return s;
}

// ---------------------------------------------------------------------------------------
// TCFStorage

TCFStorage::TCFStorage(std::shared_ptr<TCompoundFile> File, TCFNode* Node)
    : FFile(std::move(File)), FNode(Node) {
    ++FNode->OpenCount;
}

TCFStorage::~TCFStorage() {
    --FNode->OpenCount;
}

TCFNode* TCFStorage::ChildOf(const QString& Name) const {
    return FindChild(FNode, Name);
}

std::unique_ptr<TCFStorage> TCFStorage::OpenStorage(const QString& Name) const {
    TCFNode* child = ChildOf(Name);
    if (!child || !child->IsStorage)
        NotFound(Name);
    return std::unique_ptr<TCFStorage>(new TCFStorage(FFile, child));
}

std::unique_ptr<TCFStorage> TCFStorage::CreateStorage(const QString& Name, bool Replace) {
    FFile->CheckWritable();
    CheckName(Name);
    if (TCFNode* existing = ChildOf(Name)) {
        if (!existing->IsStorage || !Replace)
            AlreadyExists(Name);
        if (AnyOpen(existing))
            InUse(Name);
        DetachChild(existing);
    }
    TCFNode* node = InsertChild(FNode, NewNode(Name, true));
    FFile->Changed(FNode);
    return std::unique_ptr<TCFStorage>(new TCFStorage(FFile, node));
}

std::unique_ptr<TCFStream> TCFStorage::OpenStream(const QString& Name, bool Writable) const {
    TCFNode* child = ChildOf(Name);
    if (!child || child->IsStorage)
        NotFound(Name);
    if (Writable)
        FFile->CheckWritable();
    return std::unique_ptr<TCFStream>(new TCFStream(FFile, child, Writable));
}

std::unique_ptr<TCFStream> TCFStorage::CreateStream(const QString& Name) {
    FFile->CheckWritable();
    CheckName(Name);
    if (TCFNode* existing = ChildOf(Name)) {
        if (existing->IsStorage)
            AlreadyExists(Name);
        if (AnyOpen(existing))
            InUse(Name);
        DetachChild(existing);
    }
    TCFNode* node = InsertChild(FNode, NewNode(Name, false));
    FFile->Changed(FNode);
    return std::unique_ptr<TCFStream>(new TCFStream(FFile, node, true));
}

int TCFStorage::ElementType(const QString& Name) const {
    const TCFNode* child = ChildOf(Name);
    return !child ? 0 : child->IsStorage ? STGTY_STORAGE : STGTY_STREAM;
}

void TCFStorage::DestroyElement(const QString& Name) {
    FFile->CheckWritable();
    TCFNode* child = ChildOf(Name);
    if (!child)
        NotFound(Name);
    if (AnyOpen(child))
        InUse(Name);
    DetachChild(child);
    FFile->Changed(FNode);
}

void TCFStorage::RenameElement(const QString& OldName, const QString& NewName) {
    FFile->CheckWritable();
    CheckName(NewName);
    TCFNode* child = ChildOf(OldName);
    if (!child)
        NotFound(OldName);
    const TCFNode* other = ChildOf(NewName);
    if (other && other != child)
        AlreadyExists(NewName);
    if (AnyOpen(child))
        InUse(OldName);
    auto owned = DetachChild(child);
    owned->Name = NewName;
    InsertChild(FNode, std::move(owned));
    FFile->Changed(FNode);
}

void TCFStorage::MoveElementTo(const QString& Name, TCFStorage& Dest, const QString& NewName) {
    FFile->CheckWritable();
    Dest.FFile->CheckWritable();
    CheckName(NewName);
    TCFNode* child = ChildOf(Name);
    if (!child)
        NotFound(Name);
    if (IsSameOrBelow(Dest.FNode, child))
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("要素 %1 をそれ自身の中へは移動できません").arg(Name));
    if (const TCFNode* existing = FindChild(Dest.FNode, NewName)) {
        if (existing == child)
            throw EStorageError(STG_E_ACCESSDENIED,
                                QStringLiteral("要素 %1 をそれ自身へは移動できません").arg(Name));
        AlreadyExists(NewName);
    }
    if (AnyOpen(child))
        InUse(Name);
    // Within one file the node itself moves; into another file a copy goes and the
    // original is destroyed.
    std::unique_ptr<TCFNode> moved = FFile == Dest.FFile ? DetachChild(child) : CloneTree(child);
    if (FFile != Dest.FFile)
        DetachChild(child);
    moved->Name = NewName;
    InsertChild(Dest.FNode, std::move(moved));
    FFile->Changed(FNode);
    Dest.FFile->Changed(Dest.FNode);
}

void TCFStorage::CopyTo(TCFStorage& Dest) const {
    Dest.FFile->CheckWritable();
    if (FFile == Dest.FFile && IsSameOrBelow(Dest.FNode, FNode))
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("記憶域をそれ自身の中へは複写できません"));
    CheckMerge(FNode, Dest.FNode);
    Merge(FNode, Dest.FNode);
    Dest.FFile->Changed(Dest.FNode);
}

std::vector<TCFStat> TCFStorage::EnumElements() const {
    std::vector<TCFStat> list;
    list.reserve(FNode->Children.size());
    for (const auto& c : FNode->Children) {
        TCFStat s;
        s.Name = c->Name;
        s.Type = c->IsStorage ? STGTY_STORAGE : STGTY_STREAM;
        s.Size = c->IsStorage ? 0 : ContentSize(c.get());
        s.Created = c->Created;
        s.Modified = c->Modified;
        s.Clsid = c->Clsid;
        s.StateBits = c->StateBits;
        list.push_back(std::move(s));
    }
    return list;
}

TCFStat TCFStorage::Stat() const {
    TCFStat s;
    s.Name = FNode->Parent ? FNode->Name : FFile->FileName();
    s.Type = STGTY_STORAGE;
    s.Created = FNode->Created;
    s.Modified = FNode->Modified;
    s.Clsid = FNode->Clsid;
    s.StateBits = FNode->StateBits;
    return s;
}

void TCFStorage::SetClass(const TGUID& Clsid) {
    FFile->CheckWritable();
    FNode->Clsid = Clsid;
    FFile->Changed(FNode);
}

void TCFStorage::SetStateBits(uint32_t Bits) {
    FFile->CheckWritable();
    FNode->StateBits = Bits;
    FFile->Changed(FNode);
}

// ---------------------------------------------------------------------------------------
// TCompoundFile

TCompoundFile::TCompoundFile(TPrivateTag, QString FileName, bool Writable)
    : FFileName(std::move(FileName)), FWritable(Writable), FRoot(std::make_unique<TCFNode>()) {
    FRoot->IsStorage = true;
    FRoot->Name = QStringLiteral("Root Entry");
}

TCompoundFile::~TCompoundFile() = default;

std::shared_ptr<TCompoundFile> TCompoundFile::Open(const QString& FileName, bool Writable) {
    auto reader = std::make_shared<TCFReader>(FileName);
    if (Writable) {
        const QFileInfo info(FileName);
        if (!info.isWritable() || !QFileInfo(info.absolutePath()).isWritable())
            throw EStorageError(STG_E_ACCESSDENIED,
                                QStringLiteral("ファイル %1 に書き込めません").arg(FileName));
    }
    std::vector<TCFDirEntry> entries;
    std::vector<std::vector<uint32_t>> children;
    reader->ReadDirectory(entries, children);

    auto file = std::make_shared<TCompoundFile>(TPrivateTag{}, FileName, Writable);
    std::vector<TCFNode*> nodes(entries.size(), nullptr);
    nodes[0] = file->FRoot.get();
    file->FRoot->Clsid = entries[0].Clsid;
    file->FRoot->StateBits = entries[0].StateBits;
    file->FRoot->Modified = entries[0].Modified;
    // Children always come after their storage in the entry list.
    for (size_t i = 0; i < entries.size(); ++i) {
        for (uint32_t c : children[i]) {
            const TCFDirEntry& e = entries[c];
            auto node = std::make_unique<TCFNode>();
            node->Name = e.Name;
            node->IsStorage = e.Type == cfStorage;
            node->Clsid = e.Clsid;
            node->StateBits = e.StateBits;
            node->Created = e.Created;
            node->Modified = e.Modified;
            if (!node->IsStorage) {
                node->Source = reader;
                node->Start = e.Start;
                node->Size = e.Size;
            }
            node->Parent = nodes[i];
            nodes[c] = node.get();
            nodes[i]->Children.push_back(std::move(node));
        }
        std::sort(nodes[i]->Children.begin(), nodes[i]->Children.end(),
                  [](const std::unique_ptr<TCFNode>& A, const std::unique_ptr<TCFNode>& B) {
                      return CompareElementNames(A->Name, B->Name) < 0;
                  });
    }
    return file;
}

std::shared_ptr<TCompoundFile> TCompoundFile::Create(const QString& FileName) {
    const QFileInfo info(FileName);
    const QFileInfo folder(info.absolutePath());
    if (!folder.isDir())
        throw EStorageError(STG_E_PATHNOTFOUND,
                            QStringLiteral("フォルダ %1 が見つかりません").arg(folder.filePath()));
    if (!folder.isWritable() || (info.exists() && !info.isWritable()))
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("ファイル %1 に書き込めません").arg(FileName));
    auto file = std::make_shared<TCompoundFile>(TPrivateTag{}, FileName, true);
    file->FChangeCount = 1; // a new file has content to write
    return file;
}

std::unique_ptr<TCFStorage> TCompoundFile::Root() {
    return std::unique_ptr<TCFStorage>(new TCFStorage(shared_from_this(), FRoot.get()));
}

void TCompoundFile::CheckWritable() const {
    if (!FWritable)
        throw EStorageError(
            STG_E_ACCESSDENIED,
            QStringLiteral("ファイル %1 は読み込み専用で開かれています").arg(FFileName));
}

void TCompoundFile::Changed(TCFNode* Node) {
    ++FChangeCount;
    if (Node && Node->Parent)
        Node->Modified = FileTimeNow();
}

void TCompoundFile::Commit(const TCFBeforeReplace& BeforeReplace) {
    CheckWritable();
    WriteTo(FFileName, BeforeReplace, true);
    FCommittedCount = FChangeCount;
}

void TCompoundFile::SaveToFile(const QString& FileName, const TCFBeforeReplace& BeforeReplace) {
    WriteTo(FileName, BeforeReplace, false);
}

void TCompoundFile::WriteTo(const QString& FileName, const TCFBeforeReplace& BeforeReplace,
                            bool Rebind) {
    // The tree in breadth-first order; each storage lists its children in directory order.
    std::vector<TCFNode*> nodes{FRoot.get()};
    std::vector<TCFWriteItem> items(1);
    items[0].Type = cfRoot;
    items[0].Clsid = FRoot->Clsid;
    items[0].StateBits = FRoot->StateBits;
    for (size_t i = 0; i < nodes.size(); ++i) {
        for (const auto& c : nodes[i]->Children) {
            TCFWriteItem item;
            TCFNode* node = c.get();
            item.Name = node->Name;
            item.Type = node->IsStorage ? cfStorage : cfStream;
            item.Clsid = node->Clsid;
            item.StateBits = node->StateBits;
            if (node->IsStorage) {
                item.Created = node->Created;
                item.Modified = node->Modified;
            } else {
                item.Size = ContentSize(node);
                item.Read = [node](uint64_t Offset, char* Buffer, uint64_t Count) {
                    ReadContent(node, Offset, Buffer, Count);
                };
            }
            items[i].Children.push_back(static_cast<uint32_t>(items.size()));
            items.push_back(std::move(item));
            nodes.push_back(node);
        }
    }

    TAtomicFileStream out(FileName);
    WriteCompoundFile(out, items);
    out.Commit(BeforeReplace);
    if (!Rebind)
        return;

    // The new file holds everything now: refer to it and release the memory. Should it not
    // open, the tree keeps its previous sources, which are still valid.
    std::shared_ptr<TCFReader> fresh;
    try {
        fresh = std::make_shared<TCFReader>(FileName);
    } catch (const EStorageError&) {
        return;
    }
    for (size_t i = 1; i < nodes.size(); ++i) {
        TCFNode* node = nodes[i];
        if (node->IsStorage)
            continue;
        node->Size = items[i].Size;
        node->Start = items[i].Start;
        node->Source = fresh;
        node->Chain.reset();
        node->Bytes = QByteArray();
    }
}
