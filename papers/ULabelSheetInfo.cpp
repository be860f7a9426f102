#include "ULabelSheetInfo.h"

#include "UClasses.h"
#include "UComponentCopy.h"
#include "UDocStorage.h"
#include "UPropStream.h"

#include <utility>

namespace {

const QString InfoName = QStringLiteral("Info");
const QString PaperName = QStringLiteral("PaperInfo");
const QString ExtraName = QStringLiteral("PaperExtraInfo");
const QString ImageName = QStringLiteral("PaperImageInfo");
const QString ImagesStorage = QStringLiteral("PaperImages");
const QString SheetListPath = QStringLiteral("Sheets\\NameList");

// Writes Instance resource-wrapped into a fresh stream at Path (built in memory first: the
// document's streams are unbuffered).
void WriteResStream(TDocStorage& Storage, const QString& Path, const QString& ResName,
                    TComponent& Instance) {
    TMemoryStream Buffer;
    WriteComponentRes(Buffer, ResName, Instance);
    TDocStream Stream(Storage, Path, smCreate);
    Stream.WriteBytes(Buffer.Bytes());
}

// A new component of the class the resource-wrapped stream at Path names.
template <class T>
std::unique_ptr<T> ReadResStream(TDocStorage& Storage, const QString& Path) {
    TMemoryStream Buffer(ReadWholeStream(Storage, Path));
    if (std::unique_ptr<T> Typed = TakeAs<T>(ReadComponentRes(Buffer)))
        return Typed;
    throw ELabelDataError(QStringLiteral("シートの %1 が壊れています").arg(Path));
}

} // namespace

// ---------------------------------------------------------------------------------------
// TLabelSheetInfo

TLabelSheetInfo::TLabelSheetInfo(TComponent* Owner)
    : TComponent(Owner), FGuide(std::make_unique<TGuide>()), FGrid(std::make_unique<TGrid>()),
      FExtraInfo(std::make_unique<TExPaperInfo>()),
      FImageInfo(std::make_unique<TImagePaperInfo>()) {
    FGrid->SetSize(50);
}

TLabelSheetInfo::~TLabelSheetInfo() = default;

void TLabelSheetInfo::SetSheetName(const QString& Value) {
    if (Value != FSheetName) {
        FSheetName = Value;
        Changed();
    }
}

void TLabelSheetInfo::SetMonth(int Value) {
    if (Value != FMonth) {
        FMonth = Value;
        Changed();
    }
}

void TLabelSheetInfo::SetYear(int Value) {
    if (Value != FYear) {
        FYear = Value;
        Changed();
    }
}

void TLabelSheetInfo::SetMonthCount(int Value) {
    if (Value != FMonthCount) {
        FMonthCount = Value;
        Changed();
    }
}

void TLabelSheetInfo::SetPaperInfo(const TPaperInfo* Paper) {
    // The copy is made before the old paper goes: Paper may be that very paper.
    std::unique_ptr<TPaperInfo> Clone = Paper ? CloneOf(*Paper) : nullptr;
    FPaperInfo = std::move(Clone);
    Changed();
}

void TLabelSheetInfo::SetExtraInfo(const TExPaperInfo* Info) {
    if (Info)
        FExtraInfo->Assign(Info);
    else
        FExtraInfo = std::make_unique<TExPaperInfo>();
    Changed();
}

void TLabelSheetInfo::SetImageInfo(const TImagePaperInfo* Info) {
    if (Info)
        FImageInfo->Assign(Info);
    else
        FImageInfo = std::make_unique<TImagePaperInfo>();
    Changed();
}

void TLabelSheetInfo::Assign(const TPersistent* Source) {
    const auto* Other = qobject_cast<const TLabelSheetInfo*>(Source);
    if (!Other) {
        TComponent::Assign(Source);
        return;
    }
    if (Other == this)
        return;
    SetPaperInfo(Other->PaperInfo());
    SetExtraInfo(Other->ExtraInfo());
    SetImageInfo(Other->ImageInfo());
    SetGuide(Other->Guide());
    SetGrid(Other->Grid());
    SetCurrentLabelNo(Other->CurrentLabelNo());
    SetSeparatelyDesign(Other->SeparatelyDesign());
    SetSheetName(Other->SheetName());
    SetMonth(Other->Month());
    SetYear(Other->Year());
    SetMonthCount(Other->MonthCount());
}

void TLabelSheetInfo::LoadFromStorage(TDocStorage& Storage) {
    if (Storage.StreamExists(InfoName)) {
        TMemoryStream Buffer(ReadWholeStream(Storage, InfoName));
        ReadComponentRes(Buffer, *this);
    }
    if (Storage.StreamExists(PaperName))
        SetPaperInfo(ReadResStream<TPaperInfo>(Storage, PaperName).get());
    if (Storage.StreamExists(ExtraName))
        SetExtraInfo(ReadResStream<TExPaperInfo>(Storage, ExtraName).get());
    else
        SetExtraInfo(nullptr);
    if (Storage.StreamExists(ImageName))
        SetImageInfo(ReadResStream<TImagePaperInfo>(Storage, ImageName).get());
    else
        SetImageInfo(nullptr);
    FModified = false;
}

void TLabelSheetInfo::SaveToStorage(TDocStorage& Storage) {
    WriteResStream(Storage, InfoName, InfoName, *this);
    if (FPaperInfo)
        WriteResStream(Storage, PaperName, PaperName, *FPaperInfo);
    else
        Storage.DeleteElement(PaperName);
    if (FExtraInfo->IsEmpty())
        Storage.DeleteElement(ExtraName);
    else
        WriteResStream(Storage, ExtraName, ExtraName, *FExtraInfo);
    if (FImageInfo->IsEmpty()) {
        Storage.DeleteElement(ImageName);
        Storage.DeleteElement(ImagesStorage);
    } else {
        WriteResStream(Storage, ImageName, ImageName, *FImageInfo);
    }
}

// ---------------------------------------------------------------------------------------
// Helpers

QString FormatSheetName(const QString& Format, int N) {
    QString Result;
    Result.reserve(Format.size() + 8);
    for (qsizetype i = 0; i < Format.size(); ++i) {
        const QChar C = Format[i];
        if (C == u'%' && i + 1 < Format.size()) {
            const QChar Next = Format[i + 1];
            if (Next == u'd') {
                Result += QString::number(N);
                ++i;
                continue;
            }
            if (Next == u'%') {
                Result += u'%';
                ++i;
                continue;
            }
        }
        Result += C;
    }
    return Result;
}

QString EscapeNameFormat(const QString& Text) {
    QString Result = Text;
    return Result.replace(u'%', QStringLiteral("%%"));
}

void CheckListEntry(const QString& Entry, const QString& BaseName) {
    bool Ok = Entry.size() > BaseName.size() && Entry.size() <= 31 &&
              Entry.startsWith(BaseName, Qt::CaseInsensitive);
    for (qsizetype i = BaseName.size(); Ok && i < Entry.size(); ++i)
        Ok = Entry[i] >= u'0' && Entry[i] <= u'9';
    if (!Ok)
        throw ELabelDataError(
            QStringLiteral("文書の一覧 %1 の項目 \"%2\" が壊れています").arg(BaseName, Entry));
}

// ---------------------------------------------------------------------------------------
// TLabelSheetList

TLabelSheetList::TLabelSheetList() = default;
TLabelSheetList::~TLabelSheetList() = default;

void TLabelSheetList::Bind(TDocStorage* Storage) {
    FItems.clear();
    FNames.reset();
    FStorage = Storage;
    if (Storage)
        FNames = std::make_unique<TDocStorageList>(*Storage, SheetListPath);
}

int TLabelSheetList::Count() const {
    return FNames ? FNames->Count() : 0;
}

void TLabelSheetList::CheckIndex(int Index) const {
    if (Index < 0 || Index >= Count())
        throw EListError(QStringLiteral("シート番号 %1 が範囲外です").arg(Index));
}

QString TLabelSheetList::EntryOf(int Index) const {
    CheckIndex(Index);
    const QString Entry = (*FNames)[Index];
    CheckListEntry(Entry, FNames->BaseName());
    return Entry;
}

bool TLabelSheetList::IsLoaded(int Index) const {
    return Index >= 0 && Index < static_cast<int>(FItems.size()) && FItems[Index];
}

std::unique_ptr<TDocStorage> TLabelSheetList::OpenSheetStorage(int Index, bool Create) {
    EntryOf(Index);
    if (!Create && !FStorage->StorageExists(FNames->GetElementPath(Index)))
        return nullptr;
    return FNames->OpenStorage(Index, Create);
}

TLabelSheetInfo& TLabelSheetList::Items(int Index) {
    CheckIndex(Index);
    if (static_cast<int>(FItems.size()) <= Index)
        FItems.resize(Index + 1);
    if (!FItems[Index]) {
        auto Info = std::make_unique<TLabelSheetInfo>();
        if (std::unique_ptr<TDocStorage> Storage = OpenSheetStorage(Index, false))
            Info->LoadFromStorage(*Storage);
        FItems[Index] = std::move(Info);
    }
    return *FItems[Index];
}

int TLabelSheetList::Add() {
    return FNames->AddNewName();
}

void TLabelSheetList::CopySettings(int From, int To) {
    Items(To).Assign(&Items(From));
}

void TLabelSheetList::Delete(int Index) {
    EntryOf(Index);
    FStorage->DeleteElement(FNames->GetElementPath(Index));
    FNames->Delete(Index);
    if (Index < static_cast<int>(FItems.size()))
        FItems.erase(FItems.begin() + Index);
}

int TLabelSheetList::Duplicate(int Index) {
    std::unique_ptr<TDocStorage> Source = OpenSheetStorage(Index, true);
    const int N = Add();
    try {
        CopySettings(Index, N);
        std::unique_ptr<TDocStorage> Dest = OpenSheetStorage(N, true);
        Source->CopyTo(*Dest);
    } catch (...) {
        Delete(N);
        throw;
    }
    return N;
}

void TLabelSheetList::Move(int From, int To) {
    CheckIndex(From);
    CheckIndex(To);
    if (From == To)
        return;
    const QString Entry = (*FNames)[From];
    FNames->BeginUpdate();
    FNames->Delete(From);
    FNames->Insert(To, Entry);
    FNames->EndUpdate();
    const int Size = std::max({static_cast<int>(FItems.size()), From + 1, To + 1});
    FItems.resize(Size);
    std::unique_ptr<TLabelSheetInfo> Moved = std::move(FItems[From]);
    FItems.erase(FItems.begin() + From);
    FItems.insert(FItems.begin() + To, std::move(Moved));
}

QStringList TLabelSheetList::GetNames() {
    QStringList Names;
    for (int i = 0; i < Count(); ++i)
        Names << Items(i).SheetName();
    return Names;
}

QString TLabelSheetList::UniqueName(const QString& Format) {
    const QStringList Names = GetNames();
    QString Name;
    for (int N = 1; N <= 1001; ++N) {
        Name = FormatSheetName(Format, N);
        if (!Names.contains(Name))
            break;
    }
    return Name;
}

void TLabelSheetList::SetName(int Index, const QString& Format) {
    Items(Index).SetSheetName(UniqueName(Format));
}

void TLabelSheetList::SaveAll() {
    for (int i = std::min(Count(), static_cast<int>(FItems.size())) - 1; i >= 0; --i)
        if (FItems[i])
            FItems[i]->SaveToStorage(*OpenSheetStorage(i, true));
}

void RegisterLabelSheetClasses() {
    RegisterPaperLibraryClasses();
    RegisterClasses<TLabelSheetInfo>();
}
