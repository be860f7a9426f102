#include "UPapers.h"

#include "UClasses.h"
#include "UCodePage.h"
#include "UComponentCopy.h"
#include "UPropStream.h"

#include <QDateTime>
#include <QDir>
#include <QFileInfo>
#include <algorithm>
#include <set>

namespace {

const QString PapersName = QStringLiteral("Papers");
const QString PurposeListPath = QStringLiteral("PurposeList\\PurposeList");
const QString UpdateInfoPath = QStringLiteral("UpdateInfo\\UpdateInfo");
const QString CompanyListName = QStringLiteral("CompanyList");
const QString GroupListName = QStringLiteral("GroupList");
const QString GlobalInfoName = QStringLiteral("GlobalInfo");

QByteArray StreamBytes(TComponent& Component) {
    TMemoryStream S;
    WriteComponent(S, Component);
    return S.Bytes();
}

// Larger element streams are refused as damaged: a paper with thousands of faces stays far
// below this.
constexpr int64_t MaxElementSize = 16 * 1024 * 1024;

// Reads the component stored at Path below Storage and checks its class.
template <class T>
std::unique_ptr<T> ReadStored(TDocStorage& Storage, const QString& Path) {
    TMemoryStream S(ReadWholeStream(Storage, Path, MaxElementSize));
    std::unique_ptr<T> Typed = TakeAs<T>(ReadComponent(S));
    if (!Typed)
        throw EPaperLibraryError(
            QStringLiteral("要素 %1 の内容が %2 ではありません")
                .arg(Path, QString::fromLatin1(T::staticMetaObject.className())));
    return Typed;
}

void WriteStored(TDocStorage& Storage, const QString& Path, TComponent& Component) {
    TDocStream S(Storage, Path, smCreate);
    WriteComponent(S, Component);
}

} // namespace

QString PaperElementName(uint32_t Number) {
    return QStringLiteral("$%1").arg(Number, 8, 16, QLatin1Char('0'));
}

bool ParsePaperElementName(const QString& Name, uint32_t& Number) {
    if (Name.size() != 9 || Name[0] != QLatin1Char('$'))
        return false;
    for (int i = 1; i < 9; ++i) {
        const QChar C = Name[i];
        if (!((C >= QLatin1Char('0') && C <= QLatin1Char('9')) ||
              (C >= QLatin1Char('a') && C <= QLatin1Char('f'))))
            return false;
    }
    bool Ok = false;
    Number = Name.mid(1).toUInt(&Ok, 16);
    return Ok;
}

// ---------------------------------------------------------------------------------------
// Records

void TPaperUpdate::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TPaperUpdate*>(Source)) {
        FPPRNo = Other->FPPRNo;
        FLastUpdate = Other->FLastUpdate;
        return;
    }
    TComponent::Assign(Source);
}

void TExtraPaperInfo::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TExtraPaperInfo*>(Source)) {
        FPaperName = Other->FPaperName;
        return;
    }
    TComponent::Assign(Source);
}

bool TExtraPaperInfo::IsSame(TExtraPaperInfo* Other) {
    const QByteArray Mine = StreamBytes(*this);
    const QByteArray Theirs = Other ? StreamBytes(*Other) : QByteArray();
    return Mine == Theirs;
}

void TExPaperInfo::Assign(const TPersistent* Source) {
    TExtraPaperInfo::Assign(Source);
    if (const auto* Other = qobject_cast<const TExPaperInfo*>(Source)) {
        FCompany = Other->FCompany;
        FComment = Other->FComment;
    }
}

void TImagePaperInfo::Assign(const TPersistent* Source) {
    TExtraPaperInfo::Assign(Source);
    if (const auto* Other = qobject_cast<const TImagePaperInfo*>(Source))
        FImage = Other->FImage;
}

void TImagePaperInfo::DefineProperties(TFiler& Filer) {
    TExtraPaperInfo::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Image", [this](TStream& S) { FImage = S.ReadBytes(S.GetSize() - S.GetPosition()); },
        [this](TStream& S) { S.WriteBytes(FImage); }, !FImage.isEmpty());
}

// ---------------------------------------------------------------------------------------
// Handlers

TExtraInfoBase::~TExtraInfoBase() = default;

void TExtraInfoBase::Init(std::unique_ptr<TDocStorage> Storage) {
    FStorage = std::move(Storage);
}

void TExInfoBase::Init(std::unique_ptr<TDocStorage> Storage) {
    TExtraInfoBase::Init(std::move(Storage));
    FNames.clear();
    FCache.clear();
    FCachedCount = 0;
    if (!this->Storage())
        return;
    TStringList Streams;
    this->Storage()->ListStreams(Streams);
    for (const QString& Name : Streams)
        FNames.push_back(Name);
}

void TExInfoBase::Close() {
    FCache.clear();
    FNames.clear();
    FCachedCount = 0;
    TExtraInfoBase::Close();
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::ReadRecord(const QString& ElementName) {
    return ReadStored<TExtraPaperInfo>(*Storage(), ElementName);
}

void TExInfoBase::CacheNext() {
    const QString& Element = FNames[FCachedCount];
    std::unique_ptr<TExtraPaperInfo> Info = ReadRecord(Element);
    const QString PaperName = Info->PaperName();
    if (FCache.count(PaperName))
        throw EPaperLibraryError(QStringLiteral("用紙情報更新エラー(%1)").arg(PaperName));
    FCache.emplace(PaperName, TCached{Element, std::move(Info)});
    ++FCachedCount;
}

TExInfoBase::TCached* TExInfoBase::Lookup(const QString& PaperName) {
    for (;;) {
        auto It = FCache.find(PaperName);
        if (It != FCache.end())
            return &It->second;
        if (FCachedCount >= FNames.size())
            return nullptr;
        CacheNext();
    }
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::Get(const QString& PaperName) {
    if (PaperName.isEmpty() || !Storage())
        return nullptr;
    TCached* Found = Lookup(PaperName);
    return Found ? CloneOf(*Found->Info) : nullptr;
}

std::unique_ptr<TExtraPaperInfo> TExInfoBase::GetItem(int Index) {
    if (Index < 0 || Index >= GetCount())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return ReadRecord(FNames[Index]);
}

void TExInfoBase::Delete(const QString& PaperName) {
    if (!Storage())
        return;
    TCached* Found = Lookup(PaperName);
    if (!Found)
        return;
    const QString Element = Found->ElementName;
    Storage()->DeleteElement(Element);
    const auto Pos = std::find(FNames.begin(), FNames.end(), Element);
    if (Pos != FNames.end()) {
        if (static_cast<size_t>(Pos - FNames.begin()) < FCachedCount)
            --FCachedCount;
        FNames.erase(Pos);
    }
    FCache.erase(PaperName);
}

void TExInfoBase::Put(const TExtraPaperInfo& Info) {
    if (!Storage())
        throw EPaperLibraryError(QStringLiteral("読み取り専用の用紙ライブラリは変更できません"));
    Delete(Info.PaperName());
    if (Info.IsEmpty())
        return;
    uint32_t Highest = 0;
    for (const QString& Name : FNames) {
        uint32_t N = 0;
        if (ParsePaperElementName(Name, N))
            Highest = std::max(Highest, N);
    }
    const QString Element = PaperElementName(Highest + 1);
    std::unique_ptr<TExtraPaperInfo> Copy = CloneOf(Info);
    WriteStored(*Storage(), Element, *Copy);
    FNames.push_back(Element);
    // Delete looked through every stream, so the cache holds all the others.
    if (FCachedCount + 1 == FNames.size()) {
        FCache.emplace(Info.PaperName(), TCached{Element, std::move(Copy)});
        ++FCachedCount;
    }
}

// ---------------------------------------------------------------------------------------
// TPapers

TPapers::TPapers(const QString& FileName, bool CopyToTemp, bool ReadOnly)
    : FFileName(FileName), FReadOnly(ReadOnly), FPurposeList(std::make_unique<TPurposeList>()) {
    RegisterPaperLibraryClasses();
    try {
        Open();
    } catch (const Exception& E) {
        CloseStorages();
        throw EPaperLibraryError(
            QStringLiteral("用紙ライブラリ「%1」を読み込めません。\n%2").arg(FileName, E.Message));
    }
}

TPapers::~TPapers() {
    try {
        const bool Unwinding = std::uncaught_exceptions() > FUncaughtAtOpen;
        if (!FReadOnly && !Unwinding && (FModified || (FRoot && FRoot->GetModified())))
            Save();
    } catch (...) {
        // A destructor cannot report; callers that must know call Save first.
    }
    CloseStorages();
}

void TPapers::CloseStorages() {
    FPapers.reset();
    FRoot.reset();
}

void TPapers::Open() {
    const bool Exists = QFileInfo::exists(FFileName);
    if (FReadOnly && Exists) {
        FRoot = std::make_unique<TFileStorage>(FFileName, 0);
    } else {
        auto Temp = std::make_unique<TTemporaryStorage>();
        if (Exists)
            Temp->LoadFromFile(FFileName);
        FRoot = std::move(Temp);
    }
    LoadPurposes();
    if (FRoot->StorageExists(PapersName) || !FReadOnly)
        FPapers = std::make_unique<TDocStorage>(*FRoot, PapersName, !FReadOnly);
    LoadPapers();
    // Opening takes a fresh snapshot: only real changes are saved back.
    if (!FReadOnly)
        FRoot->SetModified(false);
}

void TPapers::LoadPurposes() {
    if (!FRoot->StreamExists(PurposeListPath)) {
        FPurposeList->SetDefault();
        return;
    }
    auto Streamer = ReadStored<TPLStreamer>(*FRoot, PurposeListPath);
    FPurposeList->Assign(Streamer->List());
}

void TPapers::SavePurposes() {
    TPLStreamer Streamer;
    Streamer.SetList(FPurposeList.get());
    WriteStored(*FRoot, PurposeListPath, Streamer);
}

void TPapers::LoadPapers() {
    FList.clear();
    if (!FPapers)
        return;
    TStringList Streams;
    FPapers->ListStreams(Streams);
    std::vector<QString> Names;
    for (const QString& Name : Streams) {
        uint32_t N = 0;
        if (ParsePaperElementName(Name, N))
            Names.push_back(Name);
    }
    std::sort(Names.begin(), Names.end());
    FList.reserve(Names.size());
    for (const QString& Name : Names) {
        std::unique_ptr<TPaperInfo> Paper = ReadPaper(Name);
        FPurposeList->Merge(*Paper->PurposeList());
        FList.emplace_back(Name, std::move(Paper));
    }
}

std::unique_ptr<TPaperInfo> TPapers::ReadPaper(const QString& ElementName) {
    return ReadStored<TPaperInfo>(*FPapers, ElementName);
}

TPaperInfo* TPapers::GetPaper(int Index) const {
    if (Index < 0 || Index >= GetCount())
        throw EListError(
            QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(Index));
    return FList[Index].second.get();
}

const QString& TPapers::GetElementName(int Index) const {
    GetPaper(Index);
    return FList[Index].first;
}

void TPapers::CheckWritable() const {
    if (FReadOnly || !FPapers)
        throw EPaperLibraryError(QStringLiteral("読み取り専用の用紙ライブラリは変更できません"));
}

uint32_t TPapers::NextNumber() const {
    uint32_t Highest = 0;
    for (const auto& Entry : FList) {
        uint32_t N = 0;
        if (ParsePaperElementName(Entry.first, N))
            Highest = std::max(Highest, N);
    }
    return Highest + 1;
}

void TPapers::GetGroupNames(QStringList& Strings) const {
    QStringList Seen;
    for (const auto& Entry : FList) {
        const QString& Group = Entry.second->GroupName();
        if (!Seen.contains(Group, Qt::CaseSensitive)) {
            Seen.append(Group);
            Strings.append(Group);
        }
    }
}

int TPapers::IndexOf(const QString& PaperName) const {
    for (int i = 0; i < GetCount(); ++i)
        if (FList[i].second->PaperName() == PaperName)
            return i;
    return -1;
}

void TPapers::Delete(int Index) {
    CheckWritable();
    GetPaper(Index);
    FPapers->DeleteElement(FList[Index].first);
    FList.erase(FList.begin() + Index);
    SetModified();
}

void TPapers::Put(const TPaperInfo& Paper) {
    CheckWritable();
    // A new library gets its purpose list with its first paper.
    if (FPurposeList->Merge(*Paper.PurposeList()) || !FRoot->StreamExists(PurposeListPath))
        SavePurposes();

    std::unique_ptr<TPaperInfo> Copy = CloneOf(Paper);
    QString Element;
    const int Found = IndexOf(Paper.PaperName());
    if (Found >= 0) {
        Element = FList[Found].first;
        FPapers->DeleteElement(Element);
    } else {
        Element = PaperElementName(NextNumber());
    }
    // The stored form is portrait and carries the paper's purposes.
    Copy->SetLandscape(false);
    Copy->SetStorePurposes(true);
    WriteStored(*FPapers, Element, *Copy);
    Copy->SetLandscape(Paper.Landscape());
    Copy->SetStorePurposes(Paper.StorePurposes());

    if (Found >= 0) {
        FList[Found].second = std::move(Copy);
    } else {
        // The new number is the highest, so the list stays in numeric order.
        FList.emplace_back(Element, std::move(Copy));
    }
    SetModified();
}

void TPapers::Reorder(const QStringList& Names) {
    CheckWritable();
    // Every name is checked before anything is renamed, so a bad list changes nothing.
    std::vector<int> Order;
    std::set<int> Used;
    if (Names.size() != GetCount())
        throw EPaperLibraryError(QStringLiteral("Bad paper name"));
    for (const QString& Name : Names) {
        const int Index = IndexOf(Name);
        if (Index < 0 || !Used.insert(Index).second)
            throw EPaperLibraryError(QStringLiteral("Bad paper name"));
        Order.push_back(Index);
    }
    uint32_t Next = NextNumber();
    decltype(FList) Reordered;
    Reordered.reserve(FList.size());
    for (const int Index : Order) {
        const QString NewName = PaperElementName(Next++);
        FPapers->Storage().RenameElement(FList[Index].first, NewName);
        Reordered.emplace_back(NewName, std::move(FList[Index].second));
    }
    FList = std::move(Reordered);
    SetModified();
}

void TPapers::Save() {
    if (FReadOnly)
        throw EPaperLibraryError(QStringLiteral("読み取り専用の用紙ライブラリは保存できません"));
    auto* Temp = dynamic_cast<TTemporaryStorage*>(FRoot.get());
    if (!Temp)
        return;
    QDir().mkpath(QFileInfo(FFileName).absolutePath());
    Temp->SaveToFile(FFileName);
    FModified = false;
}

// ---------------------------------------------------------------------------------------
// TPapersV2

TPapersV2::TPapersV2(const QString& FileName, bool CopyToTemp, bool ReadOnly)
    : TPapers(FileName, CopyToTemp, ReadOnly), FUpdateInfo(std::make_unique<TPaperUpdate>()) {
    try {
        LoadUpdateInfo();
        FGroupList = LoadTextList(GroupListName);
        FCompanyList = LoadTextList(CompanyListName);
    } catch (const Exception& E) {
        CloseStorages();
        throw EPaperLibraryError(
            QStringLiteral("用紙ライブラリ「%1」を読み込めません。\n%2").arg(FileName, E.Message));
    }
}

TPapersV2::~TPapersV2() {
    for (auto& Handler : FHandlers)
        Handler->Close();
}

void TPapersV2::CloseStorages() {
    for (auto& Handler : FHandlers)
        Handler->Close();
    TPapers::CloseStorages();
}

void TPapersV2::LoadUpdateInfo() {
    if (Root().StreamExists(UpdateInfoPath))
        FUpdateInfo = ReadStored<TPaperUpdate>(Root(), UpdateInfoPath);
}

void TPapersV2::WriteUpdateInfo() {
    WriteStored(Root(), UpdateInfoPath, *FUpdateInfo);
}

QStringList TPapersV2::LoadTextList(const QString& Name) const {
    const QString Path = Name + QLatin1Char('\\') + Name;
    if (!Root().StreamExists(Path))
        return {};
    QStringList Lines =
        FromCP932(ReadWholeStream(Root(), Path, MaxElementSize)).split(QStringLiteral("\r\n"));
    if (!Lines.isEmpty() && Lines.last().isEmpty())
        Lines.removeLast();
    return Lines;
}

void TPapersV2::WriteTextList(const QString& Name, const QStringList& Lines) {
    CheckWritable();
    QByteArray Bytes;
    for (const QString& Line : Lines)
        Bytes += ToCP932(Line) + "\r\n";
    TDocStream S(Root(), Name + QLatin1Char('\\') + Name, smCreate);
    S.WriteBytes(Bytes);
    SetModified();
}

void TPapersV2::SetUpdateInfo(const TPaperUpdate& Info) {
    CheckWritable();
    FUpdateInfo->Assign(&Info);
    WriteUpdateInfo();
    SetModified();
}

void TPapersV2::SetCompanyList(const QStringList& Value) {
    WriteTextList(CompanyListName, Value);
    FCompanyList = Value;
}

void TPapersV2::SetGroupList(const QStringList& Value) {
    WriteTextList(GroupListName, Value);
    FGroupList = Value;
}

void TPapersV2::RegisterExtraInfo(std::unique_ptr<TExtraInfoBase> Handler) {
    std::unique_ptr<TDocStorage> Storage;
    const bool WasUnchanged = !IsReadOnly() && !Modified() && !Root().GetModified();
    if (!IsReadOnly() || Root().StorageExists(Handler->Name()))
        Storage = std::make_unique<TDocStorage>(Root(), Handler->Name(), !IsReadOnly());
    // An empty handler storage alone is no reason to write the file back.
    if (WasUnchanged)
        Root().SetModified(false);
    Handler->Init(std::move(Storage));
    const QString Name = Handler->Name();
    FHandlers.erase(std::remove_if(FHandlers.begin(), FHandlers.end(),
                                   [&Name](const auto& H) { return H->Name() == Name; }),
                    FHandlers.end());
    FHandlers.push_back(std::move(Handler));
}

TExtraInfoBase* TPapersV2::FindExtraInfo(const QString& HandlerName) const {
    for (const auto& Handler : FHandlers)
        if (Handler->Name() == HandlerName)
            return Handler.get();
    return nullptr;
}

std::unique_ptr<TExtraPaperInfo> TPapersV2::GetExtraInfo(const QString& HandlerName,
                                                         const QString& PaperName) const {
    TExtraInfoBase* Handler = FindExtraInfo(HandlerName);
    if (PaperName.isEmpty() || !Handler)
        return nullptr;
    return Handler->Get(PaperName);
}

void TPapersV2::PutExtraInfo(const QString& HandlerName, const TExtraPaperInfo& Info) {
    TExtraInfoBase* Handler = FindExtraInfo(HandlerName);
    if (Info.PaperName().isEmpty() || !Handler)
        return;
    CheckWritable();
    Handler->Put(Info);
    SetModified();
}

void TPapersV2::Delete(int Index) {
    const QString Name = GetPaper(Index)->PaperName();
    TPapers::Delete(Index);
    for (const auto& Handler : FHandlers)
        Handler->Delete(Name);
}

void TPapersV2::MergeFrom(TPapersV2& Source, bool IncludeWritable, bool IsUpdate,
                          const TPaperProgress& Progress) {
    CheckWritable();
    const int Count = Source.GetCount();
    for (int i = 0; i < Count; ++i) {
        if (Progress)
            Progress(i + 1, Count);
        const TPaperInfo& Paper = *Source.GetPaper(i);
        if (Paper.ReadOnly() ? !IsUpdate : !IncludeWritable)
            continue;
        std::unique_ptr<TPaperInfo> Copy = CloneOf(Paper);
        if (!Paper.ReadOnly()) {
            QString Name = Paper.PaperName();
            for (int Found = IndexOf(Name); Found >= 0 && GetPaper(Found)->ReadOnly();
                 Found = IndexOf(Name))
                Name += QLatin1Char('$');
            Copy->SetPaperName(Name);
        }
        Put(*Copy);
        for (const auto& Handler : FHandlers) {
            TExtraInfoBase* Theirs = Source.FindExtraInfo(Handler->Name());
            if (!Theirs)
                continue;
            if (std::unique_ptr<TExtraPaperInfo> Info = Theirs->Get(Paper.PaperName())) {
                Info->SetPaperName(Copy->PaperName());
                Handler->Put(*Info);
            }
        }
    }
    if (IsUpdate) {
        TPaperUpdate Info;
        Info.SetPPRNo(Source.GetUpdateInfo().PPRNo());
        Info.SetLastUpdate(EncodeDateTime(QDate::currentDate(), QTime::currentTime()));
        SetUpdateInfo(Info);
        SetCompanyList(Source.CompanyList());
        SetGroupList(Source.GroupList());
        CopyGlobalInfo(Source);
    }
    SetModified();
}

void TPapersV2::CopyGlobalInfo(TPapersV2& Source) {
    if (!Source.Root().StorageExists(GlobalInfoName))
        return;
    TDocStorage From(Source.Root(), GlobalInfoName, false);
    TDocStorage To(Root(), GlobalInfoName, true);
    From.CopyTo(To);
}

void TPapersV2::Update(TPapersV2& Source, const TPaperProgress& Progress) {
    MergeFrom(Source, false, true, Progress);
}

void RegisterPaperLibraryClasses() {
    RegisterPaperClasses();
    RegisterClasses<TPaperUpdate, TPLStreamer, TExPaperInfo, TImagePaperInfo>();
}
