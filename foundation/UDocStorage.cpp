#include "UDocStorage.h"

#include "UCodePage.h"
#include "UPathUtil.h"

#include <QFile>
#include <QtEndian>
#include <QtGlobal>
#include <algorithm>
#include <limits>
#include <unistd.h>

namespace {

const QChar Backslash = u'\\';

QStringList Elements(const QString& Path) {
    return Path.split(Backslash, Qt::SkipEmptyParts);
}

bool IsNotFound(const EStorageError& E) {
    return E.ErrorCode == STG_E_FILENOTFOUND;
}

std::shared_ptr<TCFStorage> Shared(std::unique_ptr<TCFStorage> Storage) {
    return std::shared_ptr<TCFStorage>(std::move(Storage));
}

} // namespace

uint32_t MapStorageMode(unsigned ModeCode) {
    if (ModeCode == smCreate)
        return STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE;
    const unsigned access = ModeCode & 3;
    const unsigned sharing = (ModeCode >> 4) & 0xF;
    if ((ModeCode & ~0xF3u) != 0 || access == 3 || sharing > 4)
        throw EStorageError(
            STG_E_INVALIDFLAG,
            QStringLiteral("ファイルのモード 0x%1 は使えません").arg(ModeCode, 0, 16));
    static constexpr uint32_t share[] = {STGM_SHARE_EXCLUSIVE, STGM_SHARE_EXCLUSIVE,
                                         STGM_SHARE_DENY_WRITE, STGM_SHARE_DENY_READ,
                                         STGM_SHARE_DENY_NONE};
    return access | share[sharing];
}

// ---------------------------------------------------------------------------------------
// TDocStorage

TDocStorage::TDocStorage(TDocStorage& Parent, const QString& Path, bool CreateIfMissing)
    : FRoot(Parent.FRoot) {
    if (!FRoot || Parent.FChain.empty())
        throw EStorageError(STG_E_REVERTED, QStringLiteral("記憶域は既に閉じられています"));
    FName = ResolvePath(Path, Parent.FName);
    const QStringList elements = Elements(FName);

    // Borrow what an open storage of this root has already opened along the same path.
    qsizetype borrowed = 0;
    const TDocStorage* lender = nullptr;
    for (const TDocStorage* open : FRoot->FOpenList) {
        const QStringList theirs = Elements(open->FName);
        qsizetype k = 0;
        while (k < elements.size() && k < theirs.size() &&
               CompareElementNames(elements[k], theirs[k]) == 0)
            ++k;
        if (k > borrowed) {
            borrowed = k;
            lender = open;
        }
    }
    FChain.push_back(FRoot->FChain.front());
    if (lender)
        FChain.insert(FChain.end(), lender->FChain.begin() + 1,
                      lender->FChain.begin() + 1 + borrowed);

    for (qsizetype i = borrowed; i < elements.size(); ++i) {
        try {
            FChain.push_back(Shared(FChain.back()->OpenStorage(elements[i])));
        } catch (const EStorageError& e) {
            if (!IsNotFound(e) || !CreateIfMissing)
                throw;
            for (; i < elements.size(); ++i)
                FChain.push_back(Shared(FChain.back()->CreateStorage(elements[i])));
        }
    }
    FRoot->FOpenList.push_back(this);
}

TDocStorage::~TDocStorage() {
    if (FRoot && FRoot != this)
        std::erase(FRoot->FOpenList, this);
}

void TDocStorage::Revert() {
    FChain.clear();
    FRoot = nullptr;
}

TCFStorage& TDocStorage::Storage() const {
    if (FChain.empty())
        throw EStorageError(STG_E_REVERTED, QStringLiteral("記憶域は既に閉じられています"));
    return *FChain.back();
}

void TDocStorage::SplitPath(const QString& Path, QString& Folder, QString& Last) const {
    QStringList elements = Elements(ResolvePath(Path, FName));
    Last = elements.isEmpty() ? QString() : elements.takeLast();
    Folder = Backslash + elements.join(Backslash);
}

bool TDocStorage::StorageExists(const QString& Path) {
    try {
        TDocStorage storage(*this, Path, false);
        return true;
    } catch (const EStorageError& e) {
        if (IsNotFound(e))
            return false;
        throw;
    }
}

bool TDocStorage::StreamExists(const QString& Path) {
    QString folder, last;
    SplitPath(Path, folder, last);
    if (last.isEmpty())
        return false;
    try {
        TDocStorage storage(*this, folder, false);
        return storage.Storage().ElementType(last) == STGTY_STREAM;
    } catch (const EStorageError& e) {
        if (IsNotFound(e))
            return false;
        throw;
    }
}

bool TDocStorage::DeleteElement(const QString& Path) {
    QString folder, last;
    SplitPath(Path, folder, last);
    try {
        TDocStorage storage(*this, folder, false);
        storage.Storage().DestroyElement(last);
        return true;
    } catch (const EStorageError& e) {
        if (IsNotFound(e))
            return false;
        throw;
    }
}

void TDocStorage::MoveElement(const QString& SourcePath, const QString& DestPath) {
    QString sourceFolder, sourceName, destFolder, destName;
    SplitPath(SourcePath, sourceFolder, sourceName);
    SplitPath(DestPath, destFolder, destName);
    TDocStorage source(*this, sourceFolder, false);
    TDocStorage dest(*this, destFolder, false);
    source.Storage().MoveElementTo(sourceName, dest.Storage(), destName);
}

void TDocStorage::CopyTo(TDocStorage& Dest) {
    Storage().CopyTo(Dest.Storage());
}

void TDocStorage::ListStorages(TStringList& Strings) {
    for (const TCFStat& e : Storage().EnumElements())
        if (e.Type == STGTY_STORAGE)
            Strings.Add(e.Name);
}

void TDocStorage::ListStreams(TStringList& Strings) {
    for (const TCFStat& e : Storage().EnumElements())
        if (e.Type == STGTY_STREAM)
            Strings.Add(e.Name);
}

QString TDocStorage::GetName() const {
    return Storage().Stat().Name;
}

QString TDocStorage::GetFileName() const {
    return FRoot ? FRoot->File().FileName() : QString();
}

bool TDocStorage::IsWritable() const {
    return FRoot && (FRoot->FMode & 3) != STGM_READ;
}

// ---------------------------------------------------------------------------------------
// TRootStorage

TRootStorage::~TRootStorage() {
    for (TDocStorage* open : FOpenList)
        open->Revert();
    FOpenList.clear();
}

void TRootStorage::Attach(std::shared_ptr<TCompoundFile> File, uint32_t Mode) {
    if (HasOpenElements())
        throw EStorageError(
            STG_E_ACCESSDENIED,
            QStringLiteral("開いている記憶域やストリームがあるため置き換えられません"));
    FFile = std::move(File);
    FMode = Mode;
    FRoot = this;
    FChain.clear();
    FChain.push_back(Shared(FFile->Root()));
    SetModified(false);
}

bool TRootStorage::GetModified() const {
    return !FSnapshot || *FSnapshot != FFile->ChangeCount();
}

void TRootStorage::SetModified(bool Value) {
    if (Value)
        FSnapshot.reset();
    else
        FSnapshot = FFile->ChangeCount();
}

// ---------------------------------------------------------------------------------------
// TFileStorage

TFileStorage::TFileStorage(const QString& FileName, unsigned ModeCode) {
    if (ModeCode == smCreate) {
        Attach(TCompoundFile::Create(FileName), STGM_READWRITE | STGM_SHARE_EXCLUSIVE);
        return;
    }
    uint32_t mode = MapStorageMode(ModeCode);
    if ((mode & 3) == STGM_WRITE) // write-only roots are opened read-write
        mode = (mode & ~3u) | STGM_READWRITE;
    Attach(TCompoundFile::Open(FileName, (mode & 3) != STGM_READ), mode);
}

TFileStorage::~TFileStorage() {
    // Freed while an exception unwinds, the changes may be half made: they are dropped.
    if (std::uncaught_exceptions() > FUncaughtAtOpen)
        return;
    if (!IsWritable() || !File().IsDirty())
        return;
    try {
        Commit();
    } catch (const std::exception& e) {
        qWarning("%s", e.what());
    }
}

void TFileStorage::Commit() {
    File().Commit();
}

// ---------------------------------------------------------------------------------------
// TTemporaryStorage

TTemporaryStorage::TTemporaryStorage() {
    Clear();
}

TTemporaryStorage::~TTemporaryStorage() {
    if (!FTempName.isEmpty())
        QFile::remove(FTempName);
}

void TTemporaryStorage::ReplaceFile(std::shared_ptr<TCompoundFile> File, const QString& TempName) {
    Attach(std::move(File),
           STGM_CREATE | STGM_READWRITE | STGM_SHARE_EXCLUSIVE | STGM_DELETEONRELEASE);
    if (!FTempName.isEmpty())
        QFile::remove(FTempName);
    FTempName = TempName;
}

void TTemporaryStorage::Clear() {
    if (HasOpenElements())
        throw EStorageError(
            STG_E_ACCESSDENIED,
            QStringLiteral("開いている記憶域やストリームがあるため置き換えられません"));
    const QString name = MakeTempFileName(QStringLiteral("mtf"));
    try {
        auto file = TCompoundFile::Create(name);
        file->Commit();
        ReplaceFile(std::move(file), name);
    } catch (...) {
        QFile::remove(name);
        throw;
    }
}

void TTemporaryStorage::LoadFromFile(const QString& FileName) {
    if (HasOpenElements())
        throw EStorageError(
            STG_E_ACCESSDENIED,
            QStringLiteral("開いている記憶域やストリームがあるため置き換えられません"));
    TCompoundFile::Open(FileName, false); // a clear error naming the user's file
    // The working copy is a private copy of the file's bytes, read lazily from then on.
    const QString name = MakeTempFileName(QStringLiteral("mtf"));
    if (LinkWorkingCopy(FileName, name))
        return;
    try {
        {
            TFileStream source(FileName, fmOpenRead);
            TFileStream copy(name, fmCreate);
            copy.CopyFrom(source, 0);
            copy.Flush();
        }
        ReplaceFile(TCompoundFile::Open(name, true), name);
    } catch (...) {
        QFile::remove(name);
        throw;
    }
}

bool TTemporaryStorage::LinkWorkingCopy(const QString& FileName, const QString& TempName) {
    // A second name for the file's bytes costs nothing, whatever their size, and is as good
    // as a copy: this program never writes a compound file in place (every commit and save
    // writes a new file and renames it), so the bytes under that name never change. Only
    // possible within one file system; otherwise the caller copies.
    QFile::remove(TempName);
    if (::link(QFile::encodeName(FileName).constData(), QFile::encodeName(TempName).constData()) !=
        0)
        return false;
    try {
        ReplaceFile(TCompoundFile::Open(TempName, true), TempName);
        return true;
    } catch (const Exception&) {
        QFile::remove(TempName);
        return false;
    }
}

void TTemporaryStorage::SaveToFile(const QString& FileName) {
    File().SaveToFile(FileName);
    SetModified(false);
}

// ---------------------------------------------------------------------------------------
// TDocStream

TDocStream::TDocStream(TDocStorage& Storage, const QString& Path, unsigned ModeCode) {
    QString folder, last;
    Storage.SplitPath(Path, folder, last);
    const bool create = ModeCode == smCreate;
    const uint32_t mode = MapStorageMode(ModeCode);
    FOwner = std::make_unique<TDocStorage>(Storage, folder, create);
    if (create)
        FStream = FOwner->Storage().CreateStream(last);
    else
        FStream = FOwner->Storage().OpenStream(last, (mode & 3) != STGM_READ);
}

TDocStream::~TDocStream() = default;

TCFStream& TDocStream::Stream() const {
    if (!FOwner->Root())
        throw EStorageError(STG_E_REVERTED, QStringLiteral("ストリームは既に閉じられています"));
    return *FStream;
}

QByteArray ReadWholeStream(TDocStorage& Storage, const QString& Path, int64_t Limit) {
    TDocStream Stream(Storage, Path, 0);
    const int64_t Size = Stream.GetSize();
    if (Size < 0 || Size > Limit)
        throw EReadError(
            QStringLiteral("ストリーム %1 の大きさ (%2) が不正です").arg(Path).arg(Size));
    return Stream.ReadBytes(Size);
}

int64_t TDocStream::Read(void* Buffer, int64_t Count) {
    return Count <= 0 ? 0 : Stream().Read(Buffer, Count);
}

int64_t TDocStream::Write(const void* Buffer, int64_t Count) {
    return Count <= 0 ? 0 : Stream().Write(Buffer, Count);
}

int64_t TDocStream::Seek(int64_t Offset, TSeekOrigin Origin) {
    return Stream().Seek(Offset, Origin);
}

int64_t TDocStream::GetSize() {
    return Stream().GetSize();
}

void TDocStream::SetSize(int64_t NewSize) {
    Stream().Seek(NewSize, soBeginning);
    Stream().SetSize(NewSize);
}

// ---------------------------------------------------------------------------------------
// TDocNameList

namespace {

// NextID raised to one past the largest number a name of Lines carries after BaseName
// (decimal digits only; names compared ignoring case, as the compound file compares them).
int32_t PastListedNumbers(const TStringList& Lines, const QString& BaseName, int32_t NextID) {
    const int64_t max = std::numeric_limits<int32_t>::max();
    int64_t next = NextID;
    for (const QString& line : Lines) {
        if (line.size() <= BaseName.size() || !line.startsWith(BaseName, Qt::CaseInsensitive))
            continue;
        const QStringView digits = QStringView(line).mid(BaseName.size());
        if (!std::all_of(digits.begin(), digits.end(),
                         [](QChar C) { return C >= u'0' && C <= u'9'; }))
            continue;
        bool ok = false;
        const qlonglong number = digits.toLongLong(&ok);
        next = std::max(next, ok ? std::min<int64_t>(number, max - 1) + 1 : max);
    }
    return static_cast<int32_t>(next);
}

} // namespace

TDocNameList::TDocNameList(TDocStorage& Storage, const QString& StreamPath) : FStorage(&Storage) {
    const qsizetype cut = StreamPath.lastIndexOf(Backslash);
    FFolder = cut < 0 ? QString() : StreamPath.left(cut);
    FBaseName = StreamPath.mid(cut + 1);
    const bool exists = Storage.StreamExists(StreamPath);
    if (!Storage.IsWritable()) {
        if (exists) // a read-only file without the list simply has an empty one
            FListStream = std::make_unique<TDocStream>(Storage, StreamPath, 0);
    } else {
        FListStream = std::make_unique<TDocStream>(Storage, StreamPath, exists ? 2 : smCreate);
    }
    if (FListStream && FListStream->GetSize() > 0)
        Load();
}

TDocNameList::~TDocNameList() = default;

void TDocNameList::Load() {
    FListStream->SetPosition(0);
    const QByteArray data = FListStream->ReadBytes(FListStream->GetSize());
    if (data.size() < 4)
        throw EReadError(QStringLiteral("名前リスト %1 が壊れています").arg(FBaseName));
    FNextID = qFromLittleEndian<qint32>(data.constData());
    if (FNextID < 0) // the counter only grows from 0: a negative one is damage
        throw EReadError(QStringLiteral("名前リスト %1 が壊れています").arg(FBaseName));
    TStringList::SetText(FromCP932(data.mid(4)));
    // A stored counter at or below the number of a listed name would hand that name out
    // again, and the next save would overwrite its element.
    FNextID = PastListedNumbers(*this, FBaseName, FNextID);
}

void TDocNameList::Save() {
    if (!FListStream || !FStorage->IsWritable())
        throw EStorageError(STG_E_ACCESSDENIED,
                            QStringLiteral("名前リスト %1 は変更できません").arg(FBaseName));
    QByteArray data(4, Qt::Uninitialized);
    qToLittleEndian<qint32>(FNextID, data.data());
    for (const QString& line : *this)
        data += ToCP932(line) + "\r\n";
    FListStream->SetSize(0);
    FListStream->WriteBytes(data);
}

void TDocNameList::Restore(const TSavedState& State) {
    TStringList::operator=(State.Lines);
    FNextID = State.NextID;
}

void TDocNameList::Change(const std::function<void()>& Edit) {
    if (FUpdateCount > 0) {
        Edit();
        FPendingSave = true;
        return;
    }
    const TSavedState before = State();
    Edit();
    try {
        Save();
    } catch (...) {
        Restore(before);
        throw;
    }
}

void TDocNameList::BeginUpdate() {
    if (FUpdateCount++ == 0)
        FBeforeUpdate = State();
}

void TDocNameList::EndUpdate() {
    if (FUpdateCount == 0 || --FUpdateCount > 0 || !FPendingSave)
        return;
    FPendingSave = false;
    try {
        Save();
    } catch (...) {
        Restore(FBeforeUpdate);
        throw;
    }
}

int TDocNameList::Add(const QString& S) {
    int index = -1;
    Change([&] { index = TStringList::Add(S); });
    return index;
}

void TDocNameList::Insert(int Index, const QString& S) {
    Change([&] { TStringList::Insert(Index, S); });
}

void TDocNameList::Delete(int Index) {
    Change([&] { TStringList::Delete(Index); });
}

void TDocNameList::SetStrings(int Index, const QString& S) {
    Change([&] { TStringList::SetStrings(Index, S); });
}

void TDocNameList::Clear() {
    Change([&] { TStringList::Clear(); });
}

int TDocNameList::AddNewName() {
    if (FNextID == std::numeric_limits<int32_t>::max())
        throw EStorageError(
            STG_E_INVALIDPARAMETER,
            QStringLiteral("名前リスト %1 にはこれ以上名前を追加できません").arg(FBaseName));
    int index = -1;
    Change([&] {
        index = TStringList::Add(FBaseName + QString::number(FNextID));
        ++FNextID; // one save for the entry and the counter
    });
    return index;
}

QString TDocNameList::GetElementPath(int Index) const {
    return JoinPath(FFolder, (*this)[Index]);
}

bool TDocNameList::DeleteElement(int Index) {
    return FStorage->DeleteElement(GetElementPath(Index));
}

// ---------------------------------------------------------------------------------------

std::unique_ptr<TDocStream> TDocStreamList::OpenStream(int Index, unsigned ModeCode) {
    return std::make_unique<TDocStream>(Storage(), GetElementPath(Index), ModeCode);
}

bool TDocStreamList::StreamExists(int Index) {
    if (Index < 0 || Index >= Count())
        return false;
    return Storage().StreamExists(GetElementPath(Index));
}

void TDocStreamList::DeleteStream(int Index) {
    Storage().DeleteElement(GetElementPath(Index));
    Delete(Index);
}

std::unique_ptr<TDocStorage> TDocStorageList::OpenStorage(int Index, bool CreateIfMissing) {
    return std::make_unique<TDocStorage>(Storage(), GetElementPath(Index), CreateIfMissing);
}

void TDocStorageList::DeleteStorage(int Index) {
    Storage().DeleteElement(GetElementPath(Index));
    Delete(Index);
}
