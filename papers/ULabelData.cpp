#include "ULabelData.h"

#include "UClasses.h"
#include "UCompress.h"
#include "UDOList.h"
#include "UDesigner.h"
#include "UDrawObject.h"
#include "UFaceInfo.h"
#include "UGuard.h"
#include "UObjectFactory.h"
#include "UPNGImage.h"
#include "UPaperInfo.h"
#include "UPaperLibrary.h"
#include "UPictureEx.h"
#include "UPictureFormats.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"
#include "UStoragePictureLoader.h"

#include <QDate>
#include <QFileInfo>
#include <QTime>
#include <algorithm>

namespace {

const QString DataInfoName = QStringLiteral("DataInfo");
const QString LabelListName = QStringLiteral("NameList");
const QString PreviewListName = QStringLiteral("Preview");
const QString LabelResName = QStringLiteral("LabelData");
const QString NewSheetFormat = QStringLiteral("新規カレンダー%d");
// The paper groups calendars are made on: their new sheets are named as calendars.
const QString PlainPaperGroup = QStringLiteral("定型");

// What a new sheet on Paper is called before its number: after the paper's kind (its
// group), calendars on plain sheets as calendars.
QString NewSheetPrefix(const TPaperInfo& Paper) {
    const QString& group = Paper.GroupName();
    if (group.isEmpty() || group == PlainPaperGroup)
        return QStringLiteral("新規カレンダー");
    return QStringLiteral("新規") + group;
}

QString NewSheetFormatFor(const TPaperInfo& Paper) {
    return EscapeNameFormat(NewSheetPrefix(Paper)) + QStringLiteral("%d");
}

// True when Name is a name NewSheetFormatFor(Paper) makes: its prefix and a number.
bool IsNewSheetName(const QString& Name, const TPaperInfo& Paper) {
    const QString prefix = NewSheetPrefix(Paper);
    if (!Name.startsWith(prefix) || Name.size() == prefix.size())
        return false;
    return std::all_of(Name.begin() + prefix.size(), Name.end(),
                       [](QChar C) { return C >= u'0' && C <= u'9'; });
}

// The largest label stream and preview taken from a document (label streams hold no
// picture data; their pictures live in the picture store).
constexpr int64_t MaxLabelBytes = 256LL * 1024 * 1024;
constexpr int64_t MaxPreviewBytes = 16LL * 1024 * 1024;
constexpr int PreviewSize = 200;

TLabelDataHooks& InstalledHooks() {
    static TLabelDataHooks Hooks;
    return Hooks;
}

// Objects read from a stream, owned until they are handed to the caller's list.
using TOwnedObjects = std::vector<std::unique_ptr<TDrawObject>>;

TDOList ListOf(const TOwnedObjects& Objects) {
    TDOList List;
    for (const auto& Object : Objects)
        List.Add(Object.get());
    return List;
}

// Frees the objects of a list it is given on leaving scope.
struct TListOwner {
    TDOList List;
    ~TListOwner() { List.FreeObjects(); }
};

// The bytes of a label stream with the compressed container taken off.
QByteArray Uncompressed(const QByteArray& Bytes) {
    QByteArray Plain;
    if (!TakeOffContainer(Bytes, MaxLabelBytes, Plain))
        throw ELabelDataError(QStringLiteral("ラベル データが大きすぎます"));
    return Plain;
}

// Objects of a label stream, in stream order. Components that are no drawing objects are
// dropped.
TOwnedObjects ParseLabel(const QByteArray& Bytes) {
    TMemoryStream Stream(Uncompressed(Bytes));
    const std::unique_ptr<TLDObjects> Carrier = TakeAs<TLDObjects>(ReadComponentRes(Stream));
    if (!Carrier)
        throw ELabelDataError(QStringLiteral("ラベル データが壊れています"));
    TOwnedObjects Objects;
    while (Carrier->ComponentCount() > 0) {
        std::unique_ptr<TComponent> Child = Carrier->RemoveComponent(Carrier->Components(0));
        if (auto* Object = qobject_cast<TDrawObject*>(Child.get())) {
            Child.release();
            Objects.emplace_back(Object);
            Object->SetName({});
        }
    }
    return Objects;
}

// Loads preview bytes: a plain bitmap file ("BM") or the picture data format.
void LoadPreviewBytes(const QByteArray& Bytes, TPictureEx& Picture) {
    TMemoryStream Stream(Bytes);
    TPictureEx Read;
    if (Bytes.startsWith("BM"))
        ForceSafetyBitmap(Read).LoadFromStream(Stream);
    else
        Read.LoadFromStream(Stream);
    Picture.Assign(&Read);
}

bool IsBlank(TDrawObject& Object) {
    const auto& Hook = InstalledHooks().IsBlankBackground;
    return Hook && Hook(Object);
}

// Sets the names of the product records while they are written.
struct TNamedRecords {
    std::vector<TComponent*> Records;
    TNamedRecords(std::vector<TComponent*> R, const QStringList& Names) : Records(std::move(R)) {
        for (size_t i = 0; i < Records.size(); ++i)
            Records[i]->SetName(Names[static_cast<int>(i)]);
    }
    ~TNamedRecords() {
        for (TComponent* Record : Records)
            Record->SetName({});
    }
};

} // namespace

const TLabelDataHooks& LabelDataHooks() {
    return InstalledHooks();
}

void SetLabelDataHooks(const TLabelDataHooks& Hooks) {
    InstalledHooks() = Hooks;
}

TDateTime NowDateTime() {
    return EncodeDateTime(QDate::currentDate(), QTime::currentTime());
}

void RegisterLabelDataClasses() {
    RegisterLabelSheetClasses();
    RegisterObjectClasses();
    RegisterPictureFormats();
    RegisterClasses<TProductInfo, TDataInfo, TLDObjects>();
}

// ---------------------------------------------------------------------------------------
// Records

void TProductInfo::Assign(const TPersistent* Source) {
    if (const auto* Other = qobject_cast<const TProductInfo*>(Source)) {
        FProductID = Other->FProductID;
        FProductName = Other->FProductName;
        FVersion = Other->FVersion;
        return;
    }
    TComponent::Assign(Source);
}

void TDataInfo::GetChildren(const TGetChildProc& Proc, TComponent* Root) const {
    if (WriteChildren.empty()) {
        TComponent::GetChildren(Proc, Root);
        return;
    }
    for (TComponent* Child : WriteChildren)
        Proc(Child);
}

void TLDObjects::GetChildren(const TGetChildProc& Proc, TComponent* Root) const {
    if (!Objects) {
        TComponent::GetChildren(Proc, Root);
        return;
    }
    for (int i = Objects->Count() - 1; i >= 0; --i) {
        TDrawObject* Object = (*Objects)[i];
        if (!IsBlank(*Object))
            Proc(Object);
    }
}

// ---------------------------------------------------------------------------------------
// TLabelData: construction and the working copy

// The current sheet's storage and its two stream lists (the lists close first).
struct TLabelData::TSheetLists {
    std::unique_ptr<TDocStorage> Sheet;
    std::unique_ptr<TDocStreamList> Labels;
    std::unique_ptr<TDocStreamList> Previews;

    // The stream path of entry Entry of List, checked; empty when the list has no such
    // entry.
    static QString Path(TDocStreamList* List, int Entry) {
        if (!List || Entry < 0 || Entry >= List->Count())
            return {};
        CheckListEntry((*List)[Entry], List->BaseName());
        return List->GetElementPath(Entry);
    }
};

TLabelData::TLabelData(TComponent* Owner)
    : TComponent(Owner), FStorage(std::make_unique<TTemporaryStorage>()),
      FProductInfo(std::make_unique<TProductInfo>()),
      FCreatorInfoE(std::make_unique<TProductInfo>()),
      FCreatorInfoJ(std::make_unique<TProductInfo>()) {
    FSheets.Bind(FStorage.get());
    if (const auto& Fill = InstalledHooks().FillProductInfo)
        Fill(*FProductInfo, *FCreatorInfoE, *FCreatorInfoJ);
    FOpenTime = FLastPrint = FLastSave = NowDateTime();
    AddSheet(NewSheetFormat);
    CurrentSheet().SetPaperInfo(CreateDefaultPaper().get());
    SetModified(false);
}

TLabelData::~TLabelData() {
    FSheets.Bind(nullptr); // the sheet list's stream goes before the working copy
}

void TLabelData::CheckCurrent() const {
    if (FCurrentSheetNo < 0 || FCurrentSheetNo >= SheetCount())
        throw EListError(QStringLiteral("現在のシートがありません"));
}

TLabelSheetInfo& TLabelData::CurrentSheet() {
    CheckCurrent();
    return FSheets.Items(FCurrentSheetNo);
}

TLabelData::TSheetLists TLabelData::OpenLists(bool Create) {
    CheckCurrent();
    TSheetLists Lists;
    Lists.Sheet = FSheets.OpenSheetStorage(FCurrentSheetNo, Create);
    if (!Lists.Sheet)
        return Lists;
    if (Create || Lists.Sheet->StreamExists(LabelListName))
        Lists.Labels = std::make_unique<TDocStreamList>(*Lists.Sheet, LabelListName);
    if (Create || Lists.Sheet->StreamExists(PreviewListName))
        Lists.Previews = std::make_unique<TDocStreamList>(*Lists.Sheet, PreviewListName);
    return Lists;
}

bool TLabelData::Modified() {
    if (FModified)
        return true;
    return FCurrentSheetNo >= 0 && FSheets.IsLoaded(FCurrentSheetNo) &&
           FSheets.Items(FCurrentSheetNo).Modified();
}

void TLabelData::SetModified(bool Value) {
    FModified = Value;
    if (Value) {
        if (FCurrentSheetNo >= 0 && FCurrentSheetNo < SheetCount())
            CurrentSheet().SetModified(true);
        return;
    }
    // A clean document is clean on every sheet, not only on the one that is current.
    for (int i = 0; i < SheetCount(); ++i)
        if (FSheets.IsLoaded(i))
            FSheets.Items(i).SetModified(false);
}

// ---------------------------------------------------------------------------------------
// Current sheet settings

void TLabelData::SetGuide(TGuide* Value) {
    CurrentSheet().SetGuide(Value);
    SetModified(true);
}

void TLabelData::SetGrid(TGrid* Value) {
    CurrentSheet().SetGrid(Value);
    SetModified(true);
}

void TLabelData::SetCurrentLabelNo(int Value) {
    CurrentSheet().SetCurrentLabelNo(Value);
}

void TLabelData::SetSeparatelyDesign(bool Value) {
    CurrentSheet().SetSeparatelyDesign(Value);
    SetModified(true);
}

void TLabelData::SetSheetName(const QString& Value) {
    CurrentSheet().SetSheetName(Value);
}

void TLabelData::SetMonth(int Value) {
    CurrentSheet().SetMonth(Value);
}

void TLabelData::SetYear(int Value) {
    CurrentSheet().SetYear(Value);
}

void TLabelData::SetMonthCount(int Value) {
    CurrentSheet().SetMonthCount(Value);
}

// ---------------------------------------------------------------------------------------
// Sheets

int TLabelData::SheetCount() const {
    return FSheets.Count();
}

void TLabelData::AddSheet(const QString& NameFormat) {
    const int Previous = FCurrentSheetNo;
    const int Added = FSheets.Add();
    if (Previous >= 0 && Previous < Added)
        FSheets.CopySettings(Previous, Added);
    FCurrentSheetNo = Added;
    FSheets.SetName(Added, NameFormat);
    SetModified(true);
}

void TLabelData::NewSheet() {
    AddSheet(NewSheetFormatFor(*PaperInfo()));
}

void TLabelData::DuplicateSheet() {
    const QString Name = CurrentSheet().SheetName();
    const int Copy = FSheets.Duplicate(FCurrentSheetNo);
    FCurrentSheetNo = Copy;
    // The name goes into a name format: a "%" in it must stand for itself.
    FSheets.SetName(Copy, EscapeNameFormat(Name) + QStringLiteral("のコピー%d"));
    SetModified(true);
}

void TLabelData::DeleteSheet(int Index) {
    if (Index < 0 || Index >= SheetCount())
        throw EListError(QStringLiteral("シート番号 %1 が範囲外です").arg(Index));
    if (SheetCount() <= 1)
        throw ELabelDataError(QStringLiteral("最後のシートは削除できません"));
    FSheets.Delete(Index);
    if (FCurrentSheetNo >= SheetCount())
        FCurrentSheetNo = SheetCount() - 1;
    SetModified(true);
}

void TLabelData::MoveSheet(int NewIndex) {
    CheckCurrent();
    FSheets.Move(FCurrentSheetNo, NewIndex);
    FCurrentSheetNo = NewIndex;
    SetModified(true);
}

void TLabelData::SetSheet(int Index) {
    if (Index < 0 || Index >= SheetCount())
        throw EListError(QStringLiteral("シート番号 %1 が範囲外です").arg(Index));
    FCurrentSheetNo = Index;
}

QStringList TLabelData::SheetNames() {
    return FSheets.GetNames();
}

TPaperInfo* TLabelData::PaperInfo() {
    TLabelSheetInfo& Sheet = CurrentSheet();
    if (!Sheet.PaperInfo())
        Sheet.SetPaperInfo(CreateDefaultPaper().get());
    return Sheet.PaperInfo();
}

void TLabelData::SetPaperInfo(const TPaperInfo* Paper) {
    // A sheet still under the name it was made with is named after the new paper's kind.
    const bool named = IsNewSheetName(SheetName(), *PaperInfo());
    if (Paper)
        CurrentSheet().SetPaperInfo(Paper);
    else
        CurrentSheet().SetPaperInfo(CreateDefaultPaper().get());
    if (named && !IsNewSheetName(SheetName(), *PaperInfo()))
        FSheets.SetName(FCurrentSheetNo, NewSheetFormatFor(*PaperInfo()));
    TrimLabels();
    SetModified(true);
}

void TLabelData::ChangePaper(const TPaperInfo* Paper) {
    SetPaperInfo(Paper);
    const int Faces = FacesToVisit();
    for (int Face = 0; Face < Faces; ++Face)
        DeletePreview(LabelEntry(Face));
}

void TLabelData::DeletePreviews() {
    const int Current = FCurrentSheetNo;
    const TGuard Restore([this, Current] { FCurrentSheetNo = Current; });
    for (int Sheet = 0; Sheet < SheetCount(); ++Sheet) {
        FCurrentSheetNo = Sheet;
        const int Faces = FacesToVisit();
        for (int Face = 0; Face < Faces; ++Face)
            DeletePreview(LabelEntry(Face));
    }
}

int TLabelData::FacesToVisit() {
    const int Faces = std::max(0, PaperInfo()->GetFaceCount());
    if (!SeparatelyDesign())
        return std::min(Faces, 1);
    // Faces beyond the stored entries hold nothing (a damaged paper may claim very many).
    const TSheetLists Lists = OpenLists(false);
    const int Stored = std::max(Lists.Labels ? Lists.Labels->Count() : 0,
                                Lists.Previews ? Lists.Previews->Count() : 0);
    return std::min(Faces, Stored);
}

void TLabelData::SetExtraInfo(const TExPaperInfo* Info) {
    CurrentSheet().SetExtraInfo(Info);
    SetModified(true);
}

void TLabelData::SetImageInfo(const TImagePaperInfo* Info) {
    CurrentSheet().SetImageInfo(Info);
    SetModified(true);
}

TImagePaperInfo* TLabelData::ImageInfo() {
    return CurrentSheet().ImageInfo();
}

// ---------------------------------------------------------------------------------------
// Labels

int TLabelData::LabelEntry(int Index) {
    if (Index < 0)
        throw EListError(QStringLiteral("ラベル番号 %1 が範囲外です").arg(Index));
    return CurrentSheet().SeparatelyDesign() ? Index : 0;
}

void TLabelData::ReadLabel(int Index, TDOList& List, bool WithPictures) {
    ReadLabelEntry(LabelEntry(Index), Index, List, WithPictures);
}

void TLabelData::ReadLabelEntry(int Entry, int Face, TDOList& List, bool WithPictures) {
    TOwnedObjects Objects;
    {
        TSheetLists Lists = OpenLists(false);
        const QString Path = TSheetLists::Path(Lists.Labels.get(), Entry);
        if (Path.isEmpty() || !Lists.Sheet->StreamExists(Path))
            return;
        const QByteArray Bytes = ReadWholeStream(*Lists.Sheet, Path, MaxLabelBytes);
        if (Bytes.isEmpty())
            return;
        Objects = ParseLabel(Bytes);
    }
    TPaperInfo* Paper = PaperInfo();
    const bool HasFace = Face < Paper->GetFaceCount();
    TFaceInfo Info;
    if (HasFace)
        Paper->GetFaceInfo(Face, Info);
    const TLabelDataHooks& Hooks = InstalledHooks();
    const TLabelDataTimes Now = Times();
    for (const auto& Object : Objects) {
        if (Hooks.RefreshDate)
            Hooks.RefreshDate(*Object, Now);
        if (HasFace && Hooks.FitBackground)
            Hooks.FitBackground(*Object, Info);
    }
    const TDOList Read = ListOf(Objects);
    if (WithPictures)
        LoadPictures(*FStorage, Read);
    else
        KeepPicturesUnloaded(Read);
    if (HasFace)
        KeepObjectsInside(Read, FaceDesignArea(Info));
    for (auto& Object : Objects)
        List.Add(Object.release());
}

void TLabelData::CheckFace(int Index) {
    if (Index < 0 || Index >= std::max(1, PaperInfo()->GetFaceCount()))
        throw EListError(QStringLiteral("ラベル番号 %1 が範囲外です").arg(Index));
}

void TLabelData::WriteLabel(int Index, const TDOList& List) {
    CheckFace(Index);
    WriteLabelEntry(LabelEntry(Index), List);
}

void TLabelData::WriteLabelEntry(int Entry, const TDOList& List) {
    const bool BlankOnly = List.Count() == 1 && IsBlank(*List[0]);
    QByteArray Bytes;
    if (!List.IsEmpty() && !BlankOnly) {
        StorePictures(*FStorage, List);
        const TStoredPictureGuard Guard(List);
        TLDObjects Carrier;
        Carrier.Objects = &List;
        TMemoryStream Stream;
        WriteComponentRes(Stream, LabelResName, Carrier);
        Bytes = Stream.Bytes();
    }
    {
        TSheetLists Lists = OpenLists(true);
        Lists.Labels->BeginUpdate();
        while (Lists.Labels->Count() <= Entry)
            Lists.Labels->AddNewName();
        Lists.Labels->EndUpdate();
        const QString Path = TSheetLists::Path(Lists.Labels.get(), Entry);
        TDocStream Stream(*Lists.Sheet, Path, smCreate);
        Stream.WriteBytes(Bytes);
    }
    SetModified(true);
    DeletePreview(Entry);
}

void TLabelData::DeletePreview(int Entry) {
    TSheetLists Lists = OpenLists(false);
    const QString Path = TSheetLists::Path(Lists.Previews.get(), Entry);
    if (!Path.isEmpty())
        Lists.Sheet->DeleteElement(Path);
}

void TLabelData::DeleteLabel(int Index) {
    const int Entry = LabelEntry(Index);
    {
        TSheetLists Lists = OpenLists(false);
        const QString Path = TSheetLists::Path(Lists.Labels.get(), Entry);
        if (!Path.isEmpty())
            Lists.Sheet->DeleteElement(Path);
    }
    DeletePreview(Entry);
    SetModified(true);
}

void TLabelData::TrimLabels() {
    const int Faces = std::max(0, PaperInfo()->GetFaceCount());
    TSheetLists Lists = OpenLists(false);
    if (!Lists.Labels)
        return;
    while (Lists.Labels->Count() > Faces) {
        const int Last = Lists.Labels->Count() - 1;
        TSheetLists::Path(Lists.Labels.get(), Last);
        Lists.Labels->DeleteStream(Last);
    }
}

bool TLabelData::HasLabelData(int Index) {
    TSheetLists Lists = OpenLists(false);
    const QString Path = TSheetLists::Path(Lists.Labels.get(), LabelEntry(Index));
    if (Path.isEmpty() || !Lists.Sheet->StreamExists(Path))
        return false;
    return TDocStream(*Lists.Sheet, Path, 0).GetSize() > 0;
}

bool TLabelData::IsLabelCompressed(int Index) {
    TSheetLists Lists = OpenLists(false);
    const QString Path = TSheetLists::Path(Lists.Labels.get(), LabelEntry(Index));
    if (Path.isEmpty() || !Lists.Sheet->StreamExists(Path))
        return false;
    TDocStream Stream(*Lists.Sheet, Path, 0);
    int32_t Size = 0;
    return ReadCompressHeader(Stream, Size);
}

void TLabelData::CompressLabel(int Index) {
    if (!HasLabelData(Index) || IsLabelCompressed(Index))
        return;
    TSheetLists Lists = OpenLists(false);
    const QString Path = TSheetLists::Path(Lists.Labels.get(), LabelEntry(Index));
    TMemoryStream Plain(ReadWholeStream(*Lists.Sheet, Path, MaxLabelBytes));
    TMemoryStream Packed;
    CompressStream(Plain, Packed, zcMax);
    TDocStream Stream(*Lists.Sheet, Path, smCreate);
    Stream.WriteBytes(Packed.Bytes());
}

bool TLabelData::HasPreview(int Index) {
    TSheetLists Lists = OpenLists(false);
    const QString Path = TSheetLists::Path(Lists.Previews.get(), LabelEntry(Index));
    return !Path.isEmpty() && Lists.Sheet->StreamExists(Path);
}

void TLabelData::MakePreview(int Index) {
    CheckFace(Index);
    TListOwner Objects;
    ReadLabel(Index, Objects.List, true);
    if (Objects.List.IsEmpty())
        return;
    TFaceInfo Info;
    if (Index < PaperInfo()->GetFaceCount())
        PaperInfo()->GetFaceInfo(Index, Info);
    auto Png = std::make_unique<TPNGImage>();
    if (OnMakePreview) {
        OnMakePreview(*Png, Info, Objects.List);
    } else {
        TDOList Drawn = Objects.List;
        Objects.List.Clear(); // DrawObjectsToGraphic frees what it draws
        TBitmap Bitmap;
        DrawObjectsToGraphic(Info, Drawn, Bitmap, -1, PreviewSize, PreviewSize);
        if (Bitmap.Empty())
            return;
        Png->SetImage(Bitmap.ToQImage());
    }
    TPictureEx Picture;
    Picture.SetGraphic(std::move(Png));
    TMemoryStream Data;
    Picture.SaveToStream(Data);

    const int Entry = LabelEntry(Index);
    TSheetLists Lists = OpenLists(true);
    Lists.Previews->BeginUpdate();
    while (Lists.Previews->Count() <= Entry)
        Lists.Previews->AddNewName();
    Lists.Previews->EndUpdate();
    TDocStream Stream(*Lists.Sheet, TSheetLists::Path(Lists.Previews.get(), Entry), smCreate);
    Stream.WriteBytes(Data.Bytes());
}

bool TLabelData::ReadPreview(int Index, TPictureEx& Picture) {
    if (!HasLabelData(Index))
        return false;
    if (!HasPreview(Index))
        MakePreview(Index);
    TSheetLists Lists = OpenLists(false);
    const QString Path = TSheetLists::Path(Lists.Previews.get(), LabelEntry(Index));
    if (Path.isEmpty() || !Lists.Sheet->StreamExists(Path))
        return false;
    LoadPreviewBytes(ReadWholeStream(*Lists.Sheet, Path, MaxPreviewBytes), Picture);
    return true;
}

void TLabelData::ApplyConnected(const TDOList& List) {
    if (SheetCount() < 2 || !InstalledHooks().ConnectionNumber ||
        !InstalledHooks().AssignConnectedStyle)
        return;
    const TDOList Source = List;
    const int Current = FCurrentSheetNo;
    const TGuard Restore([this, Current] { FCurrentSheetNo = Current; });
    for (int Sheet = 0; Sheet < SheetCount(); ++Sheet) {
        if (Sheet == Current)
            continue;
        FCurrentSheetNo = Sheet;
        ApplyConnectedToSheet(Source);
    }
}

void TLabelData::ApplyConnectedToSheet(const TDOList& Source) {
    const TLabelDataHooks& Hooks = InstalledHooks();
    const int Faces = FacesToVisit();
    for (int Face = 0; Face < Faces; ++Face) {
        const int Entry = LabelEntry(Face);
        TListOwner Objects;
        ReadLabelEntry(Entry, Face, Objects.List, false);
        ReverseList(Objects.List);
        bool Changed = false;
        for (TDrawObject* Object : Objects.List) {
            const int Number = Hooks.ConnectionNumber(*Object);
            if (Number <= 0)
                continue;
            // Captions and calendars share connection numbers: the model is the object of
            // the target's own class.
            for (TDrawObject* Model : Source)
                if (Model->metaObject() == Object->metaObject() &&
                    Hooks.ConnectionNumber(*Model) == Number) {
                    Hooks.AssignConnectedStyle(*Object, *Model);
                    Changed = true;
                    break;
                }
        }
        if (Changed)
            WriteLabelEntry(Entry, Objects.List);
    }
}

// ---------------------------------------------------------------------------------------
// Document

namespace {

// What "DataInfo" of a storage holds (defaults when it is missing).
struct TReadHeader {
    std::unique_ptr<TDataInfo> Info = std::make_unique<TDataInfo>();
    TProductInfo* Product = nullptr;
};

TReadHeader ReadHeader(TDocStorage& Storage) {
    TReadHeader Header;
    if (!Storage.StreamExists(DataInfoName))
        return Header;
    TMemoryStream Stream(ReadWholeStream(Storage, DataInfoName));
    ReadComponentRes(Stream, *Header.Info);
    Header.Product =
        qobject_cast<TProductInfo*>(Header.Info->FindComponent(QStringLiteral("ProductInfo")));
    return Header;
}

} // namespace

void TLabelData::BindStorage(std::unique_ptr<TTemporaryStorage> Storage) {
    // Everything that can fail is read before the document changes.
    TReadHeader Header = ReadHeader(*Storage);
    TLabelSheetList Probe;
    Probe.Bind(Storage.get());
    const int Count = Probe.Count();
    for (int i = 0; i < Count; ++i)
        Probe.OpenSheetStorage(i, false); // every entry names a sheet storage of its own
    Probe.Bind(nullptr);
    if (Count == 0)
        throw ELabelDataError(QStringLiteral("文書にシートがありません"));

    FSheets.Bind(nullptr);
    FStorage = std::move(Storage);
    FSheets.Bind(FStorage.get());
    TakeHeader(*Header.Info, Header.Product);
    FModified = false;
}

void TLabelData::TakeHeader(const TDataInfo& Info, const TProductInfo* Product) {
    FDataName = Info.DataName();
    if (SheetCount() > 0)
        FCurrentSheetNo = std::clamp(Info.CurrentSheetNo(), 0, SheetCount() - 1);
    FLastPrint = Info.LastPrint();
    FLastSave = Info.LastSave();
    FSheetMode = Info.SheetMode();
    if (Product) {
        FProductInfo->Assign(Product);
        if (const auto& Normalise = InstalledHooks().NormaliseProductInfo)
            Normalise(*FProductInfo);
    }
    FOpenTime = NowDateTime();
}

void TLabelData::ReadDataInfo() {
    const TReadHeader Header = ReadHeader(*FStorage);
    TakeHeader(*Header.Info, Header.Product);
}

namespace {

// Storages of a document nest at most "Sheets\<sheet>\<element>" and "Pictures\<id>\<size>"
// deep.
constexpr int MaxDocumentNesting = 8;

ENotLabelData NotLabelData(const QString& FileName) {
    return ENotLabelData(QStringLiteral("%1 は Vantomi の文書ではないか、壊れています")
                             .arg(QFileInfo(FileName).fileName()));
}

// Reads every stream below Storage to its end through Buffer: a sector the file does not
// hold fails here.
void ReadEveryStream(TDocStorage& Storage, QByteArray& Buffer, int Depth) {
    if (Depth > MaxDocumentNesting)
        throw ELabelDataError(QStringLiteral("記憶域の入れ子が深すぎます"));
    TStringList Streams;
    Storage.ListStreams(Streams);
    for (int i = 0; i < Streams.Count(); ++i) {
        TDocStream Stream(Storage, Streams[i], 0);
        for (int64_t Left = Stream.GetSize(); Left > 0;) {
            const int64_t Chunk = std::min<int64_t>(Left, Buffer.size());
            Stream.ReadBuffer(Buffer.data(), Chunk);
            Left -= Chunk;
        }
    }
    TStringList Storages;
    Storage.ListStorages(Storages);
    for (int i = 0; i < Storages.Count(); ++i) {
        TDocStorage Child(Storage, Storages[i], false);
        ReadEveryStream(Child, Buffer, Depth + 1);
    }
}

// Failures of the compound-file layer that mean "not a compound file, or a damaged one";
// others (missing, unreadable, no room for the working copy) keep their own message.
bool IsDamagedFile(const EStorageError& E) {
    return E.ErrorCode == STG_E_INVALIDHEADER || E.ErrorCode == STG_E_DOCFILECORRUPT;
}

} // namespace

void TLabelData::CheckReadable(TTemporaryStorage& Storage) {
    QByteArray Buffer(1 << 20, Qt::Uninitialized);
    ReadEveryStream(Storage, Buffer, 0);
    TLabelSheetList Sheets;
    Sheets.Bind(&Storage);
    for (int Sheet = 0; Sheet < Sheets.Count(); ++Sheet) {
        Sheets.Items(Sheet);
        const std::unique_ptr<TDocStorage> Folder = Sheets.OpenSheetStorage(Sheet, false);
        if (!Folder || !Folder->StreamExists(LabelListName))
            continue;
        TDocStreamList Labels(*Folder, LabelListName);
        for (int Entry = 0; Entry < Labels.Count(); ++Entry) {
            const QString Path = TSheetLists::Path(&Labels, Entry);
            if (!Folder->StreamExists(Path))
                continue;
            const QByteArray Bytes = ReadWholeStream(*Folder, Path, MaxLabelBytes);
            if (!Bytes.isEmpty())
                ParseLabel(Bytes);
        }
    }
}

void TLabelData::LoadFromFile(const QString& FileName) {
    auto Storage = std::make_unique<TTemporaryStorage>();
    try {
        Storage->LoadFromFile(FileName);
    } catch (const EStorageError& E) {
        if (IsDamagedFile(E))
            throw NotLabelData(FileName);
        throw;
    }
    // Everything below reads the working copy, whose name means nothing to the user.
    try {
        CheckReadable(*Storage);
        BindStorage(std::move(Storage));
    } catch (const Exception&) {
        throw NotLabelData(FileName);
    }
}

void TLabelData::Assign(const TPersistent* Source) {
    auto* Other = const_cast<TLabelData*>(qobject_cast<const TLabelData*>(Source));
    if (!Other) {
        TComponent::Assign(Source);
        return;
    }
    if (Other == this)
        return;
    Other->FSheets.SaveAll();
    auto Storage = std::make_unique<TTemporaryStorage>();
    Other->FStorage->CopyTo(*Storage);
    BindStorage(std::move(Storage));
}

void TLabelData::WriteDataInfo() {
    TDataInfo Info;
    Info.SetDataName(FDataName);
    Info.SetCurrentSheetNo(FCurrentSheetNo);
    Info.SetLastPrint(FLastPrint);
    Info.SetLastSave(FLastSave);
    Info.SetSheetMode(FSheetMode);
    Info.WriteChildren = {FProductInfo.get(), FCreatorInfoE.get(), FCreatorInfoJ.get()};
    TMemoryStream Buffer;
    {
        const TNamedRecords Named(Info.WriteChildren,
                                  {QStringLiteral("ProductInfo"), QStringLiteral("CreatorInfoE"),
                                   QStringLiteral("CreatorInfoJ")});
        WriteComponentRes(Buffer, DataInfoName, Info);
    }
    TDocStream Stream(*FStorage, DataInfoName, smCreate);
    Stream.WriteBytes(Buffer.Bytes());
}

void TLabelData::PrepareSheetForSave(QStringList& Used, bool& AllRead) {
    const int Faces = FacesToVisit();
    for (int Face = 0; Face < Faces; ++Face) {
        if (!HasLabelData(Face))
            continue;
        if (!HasPreview(Face)) {
            try {
                MakePreview(Face);
            } catch (const Exception&) {
                // A preview is derived data: a label that cannot be drawn is saved without.
            }
        }
        CompressLabel(Face);
    }
    // Every entry counts for the pictures in use, also entries beyond the paper's faces.
    int Entries = 0;
    {
        const TSheetLists Lists = OpenLists(false);
        Entries = Lists.Labels ? Lists.Labels->Count() : 0;
    }
    for (int Entry = 0; Entry < Entries; ++Entry) {
        try {
            TListOwner Objects;
            ReadLabelEntry(Entry, Entry, Objects.List, false);
            CollectPictureIDs(Objects.List, Used);
        } catch (const Exception&) {
            AllRead = false; // a label that cannot be read may still name pictures
        }
    }
}

void TLabelData::SaveToFile(const QString& FileName) {
    const TDateTime PreviousSave = FLastSave;
    try {
        FLastSave = NowDateTime();
        FSheets.SaveAll();
        WriteDataInfo();
        QStringList Used;
        bool AllRead = true;
        {
            const int Current = FCurrentSheetNo;
            const TGuard Restore([this, Current] { FCurrentSheetNo = Current; });
            for (int Sheet = 0; Sheet < SheetCount(); ++Sheet) {
                FCurrentSheetNo = Sheet;
                PrepareSheetForSave(Used, AllRead);
            }
        }
        if (AllRead)
            PurgePictures(*FStorage, Used);
        FStorage->SaveToFile(FileName);
    } catch (...) {
        FLastSave = PreviousSave;
        throw;
    }
    SetModified(false);
}

// ---------------------------------------------------------------------------------------
// Closed files

bool TLabelData::LoadPreviewFromFile(TPictureEx& Picture, const QString& FileName, int LabelIndex,
                                     int SheetIndex) {
    TFileStorage File(FileName, 0);
    TDocStorageList Sheets(File, QStringLiteral("Sheets\\NameList"));
    if (SheetIndex < 0 || SheetIndex >= Sheets.Count() || LabelIndex < 0)
        return false;
    CheckListEntry(Sheets[SheetIndex], Sheets.BaseName());
    const QString SheetPath = Sheets.GetElementPath(SheetIndex);
    if (!File.StorageExists(SheetPath))
        return false;
    TDocStorage Sheet(File, SheetPath, false);
    if (!Sheet.StreamExists(PreviewListName))
        return false;
    TDocStreamList Previews(Sheet, PreviewListName);
    const QString Path = TSheetLists::Path(&Previews, LabelIndex);
    if (Path.isEmpty() || !Sheet.StreamExists(Path))
        return false;
    const QByteArray Bytes = ReadWholeStream(Sheet, Path, MaxPreviewBytes);
    if (Bytes.isEmpty())
        return false;
    LoadPreviewBytes(Bytes, Picture);
    return true;
}

void TLabelData::ReadCurrentSheetNo(const QString& FileName, int& Sheet, int& Label) {
    TFileStorage File(FileName, 0);
    Sheet = ReadHeader(File).Info->CurrentSheetNo();
    Label = 0;
}
