#pragma once
// The label document: what the user opens, edits, saves and prints. A compound file
// ("*.vtd") of sheets, each a paper with one object list per label (face), plus product and
// creator information and one store of pictures shared by every label.
//
//   "DataInfo"              TDataInfo, resource name "DataInfo"
//   "Sheets\NameList"       storage list: one entry per sheet, in sheet order
//   sheet storage           the sheet's settings (ULabelSheetInfo.h) and two stream lists:
//     "NameList"            entry i = label i: empty, or a TLDObjects stream (resource name
//                           "LabelData"), optionally inside the compressed container
//     "Preview"             entry i = the preview of label i (PNG of at most 200 x 200 in
//                           the picture data format; a plain "BM" bitmap is also read)
//   "Pictures"              the picture store (UStoragePictureLoader.h)
//
// While a document is open its whole tree lives in a working copy (TTemporaryStorage);
// every label edit goes there at once and SaveToFile writes the copy out, beside the target
// first and then renamed over it, so the file on disk is always a whole document. Opening
// reads the whole file once, so that a damaged file is refused before it replaces the open
// document; from then on a sheet's settings, labels and pictures are parsed when asked for.
//
// Everything read from a document is untrusted: a damaged element raises an exception with
// a message naming it, and the document stays as it was before the failing call.

#include "UComponent.h"
#include "UDateTime.h"
#include "UDocStorage.h"
#include "ULabelSheetInfo.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

class TDOList;
class TDrawObject;
class TFaceInfo;
class TGraphic;
class TPictureEx;
class TProductInfo;

// A file that is not a label document, or one that cannot be read completely. Its message
// names the user's file in plain words.
VANTOMI_DECLARE_EXCEPTION(ENotLabelData, ELabelDataError)

// The times a date object may show, by its update flag (1 open, 2 last print, 3 last save).
struct TLabelDataTimes {
    TDateTime OpenTime;
    TDateTime LastPrint;
    TDateTime LastSave;
};

// What the document asks of object kinds built outside this library. Each unit installs
// its part once at start-up (SetLabelDataHooks); an empty function means no object of that
// kind exists, and the document then treats every object as an ordinary one.
struct TLabelDataHooks {
    // Gives a date object the time its update flag names; other objects are left alone.
    std::function<void(TDrawObject& Object, const TLabelDataTimes& Times)> RefreshDate;
    // True for a background image that shows nothing (not stored in label streams).
    std::function<bool(TDrawObject& Object)> IsBlankBackground;
    // Fits a background image to a label (face geometry, left and top 0, the face's size);
    // other objects are left alone.
    std::function<void(TDrawObject& Object, const TFaceInfo& Face)> FitBackground;
    // The connection number of a connected object; 0 for every other object.
    std::function<int(TDrawObject& Object)> ConnectionNumber;
    // Copies every style property of Source into Target, but not its year and month.
    std::function<void(TDrawObject& Target, TDrawObject& Source)> AssignConnectedStyle;
    // The product database: fills the records of a new document (product, creator E,
    // creator J), and normalises the product record read from a document.
    std::function<void(TProductInfo& Product, TProductInfo& CreatorE, TProductInfo& CreatorJ)>
        FillProductInfo;
    std::function<void(TProductInfo& Product)> NormaliseProductInfo;
};

// The installed hooks (an empty set when none are installed).
const TLabelDataHooks& LabelDataHooks();
// Installs Hooks (copied); an empty set removes them.
void SetLabelDataHooks(const TLabelDataHooks& Hooks);

// Product or creator information carried by a document.
class TProductInfo : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString ProductID READ ProductID WRITE SetProductID)
    Q_PROPERTY(QString ProductName READ ProductName WRITE SetProductName)
    Q_PROPERTY(QString Version READ Version WRITE SetVersion)
public:
    explicit TProductInfo(TComponent* Owner = nullptr) : TComponent(Owner) {}
    void Assign(const TPersistent* Source) override;

    const QString& ProductID() const { return FProductID; }
    void SetProductID(const QString& Value) { FProductID = Value; }
    const QString& ProductName() const { return FProductName; }
    void SetProductName(const QString& Value) { FProductName = Value; }
    const QString& Version() const { return FVersion; }
    void SetVersion(const QString& Value) { FVersion = Value; }

private:
    QString FProductID;
    QString FProductName;
    QString FVersion;
};

// The header record "DataInfo". Written with the document's three product records as its
// children ("ProductInfo", "CreatorInfoE", "CreatorInfoJ"); read back, the children are
// owned by the record.
class TDataInfo : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int SheetCount READ SheetCount WRITE SetSheetCount STORED false)
    Q_PROPERTY(QString DataName READ DataName WRITE SetDataName)
    Q_PROPERTY(int CurrentSheetNo READ CurrentSheetNo WRITE SetCurrentSheetNo)
    Q_PROPERTY(TDateTime LastPrint READ LastPrint WRITE SetLastPrint)
    Q_PROPERTY(TDateTime LastSave READ LastSave WRITE SetLastSave)
    Q_PROPERTY(bool SheetMode READ SheetMode WRITE SetSheetMode)
public:
    explicit TDataInfo(TComponent* Owner = nullptr) : TComponent(Owner) {}

    int SheetCount() const { return FSheetCount; }
    void SetSheetCount(int Value) { FSheetCount = Value; }
    const QString& DataName() const { return FDataName; }
    void SetDataName(const QString& Value) { FDataName = Value; }
    int CurrentSheetNo() const { return FCurrentSheetNo; }
    void SetCurrentSheetNo(int Value) { FCurrentSheetNo = Value; }
    TDateTime LastPrint() const { return FLastPrint; }
    void SetLastPrint(TDateTime Value) { FLastPrint = Value; }
    TDateTime LastSave() const { return FLastSave; }
    void SetLastSave(TDateTime Value) { FLastSave = Value; }
    bool SheetMode() const { return FSheetMode; }
    void SetSheetMode(bool Value) { FSheetMode = Value; }

    // The records written as children (not owned); empty: the owned components.
    std::vector<TComponent*> WriteChildren;
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) const override;

private:
    int FSheetCount = 0;
    QString FDataName;
    int FCurrentSheetNo = 0;
    TDateTime FLastPrint;
    TDateTime FLastSave;
    bool FSheetMode = false;
};

// The carrier of one label's objects in a label stream. Written, its children are the
// objects of Objects from the last to the first, blank backgrounds left out; read, the
// objects are its owned components in stream order.
class TLDObjects : public TComponent {
    Q_OBJECT
public:
    explicit TLDObjects(TComponent* Owner = nullptr) : TComponent(Owner) {}
    const TDOList* Objects = nullptr;
    void GetChildren(const TGetChildProc& Proc, TComponent* Root) const override;
};

class TLabelData : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TGuide* Guide READ Guide WRITE SetGuide STORED false)
    Q_PROPERTY(TGrid* Grid READ Grid WRITE SetGrid STORED false)
    Q_PROPERTY(int CurrentLabelNo READ CurrentLabelNo WRITE SetCurrentLabelNo STORED false)
    Q_PROPERTY(bool SeparatelyDesign READ SeparatelyDesign WRITE SetSeparatelyDesign STORED false)
    Q_PROPERTY(QString SheetName READ SheetName WRITE SetSheetName STORED false)
    Q_PROPERTY(int Month READ Month WRITE SetMonth STORED false)
    Q_PROPERTY(int Year READ Year WRITE SetYear STORED false)
    Q_PROPERTY(int MonthCount READ MonthCount WRITE SetMonthCount STORED false)
public:
    // A new document in a fresh working copy: one sheet named "新規カレンダー1" on the
    // default paper, all times now, product records from the installed hook, not modified.
    explicit TLabelData(TComponent* Owner = nullptr);
    ~TLabelData() override;

    // --- Current sheet settings ---------------------------------------------------------
    TGuide* Guide() { return CurrentSheet().Guide(); }
    void SetGuide(TGuide* Value);
    TGrid* Grid() { return CurrentSheet().Grid(); }
    void SetGrid(TGrid* Value);
    int CurrentLabelNo() { return CurrentSheet().CurrentLabelNo(); }
    void SetCurrentLabelNo(int Value);
    bool SeparatelyDesign() { return CurrentSheet().SeparatelyDesign(); }
    void SetSeparatelyDesign(bool Value);
    QString SheetName() { return CurrentSheet().SheetName(); }
    void SetSheetName(const QString& Value);
    int Month() { return CurrentSheet().Month(); }
    void SetMonth(int Value);
    int Year() { return CurrentSheet().Year(); }
    void SetYear(int Value);
    int MonthCount() { return CurrentSheet().MonthCount(); }
    void SetMonthCount(int Value);

    // --- Sheets (each sets Modified unless said otherwise) -------------------------------
    // Appends a sheet (a copy of the current sheet's settings when there is one), makes it
    // current and names it uniquely from NameFormat ("%d" the number).
    void AddSheet(const QString& NameFormat);
    // Adds a sheet named after the current paper's kind: "新規<group><n>", or
    // "新規カレンダー<n>" on plain sheets ("定型" or no group).
    void NewSheet();
    // Copies the current sheet (settings, labels, previews) to a new last sheet, makes it
    // current and names it "<name>のコピー<n>".
    void DuplicateSheet();
    // Removes sheet Index. The last remaining sheet cannot be deleted (ELabelDataError).
    void DeleteSheet(int Index);
    void MoveSheet(int NewIndex);
    // Changes the current sheet only (nothing is read, not Modified).
    void SetSheet(int Index);
    int SheetCount() const;
    int CurrentSheetNo() const { return FCurrentSheetNo; }
    QStringList SheetNames();
    // The current sheet's paper; a sheet stored without one gets the default paper, so this
    // is never null.
    TPaperInfo* PaperInfo();
    // Gives the current sheet a copy of Paper, then drops labels beyond its face count. A
    // sheet still named as NewSheet named it is renamed after the new paper's kind.
    void SetPaperInfo(const TPaperInfo* Paper);
    // SetPaperInfo, then the previews of every label of the new paper go.
    void ChangePaper(const TPaperInfo* Paper);
    void SetExtraInfo(const TExPaperInfo* Info);
    void SetImageInfo(const TImagePaperInfo* Info);
    TImagePaperInfo* ImageInfo();
    TLabelSheetInfo& CurrentSheet();
    TLabelSheetList& Sheets() { return FSheets; }

    // --- Labels of the current sheet ----------------------------------------------------
    // Appends the objects of label Index to List (the caller owns them): date objects take
    // the document's times, backgrounds are fitted to the face, every object is kept inside
    // the face. With WithPictures the pictures are loaded from the store, else pictures
    // with an id are flagged as left unloaded.
    void ReadLabel(int Index, TDOList& List, bool WithPictures);
    // Stores List's pictures and writes List as label Index (an empty list, or one blank
    // background, gives an empty label); the label's preview goes. Index must be a face of
    // the paper (EListError).
    void WriteLabel(int Index, const TDOList& List);
    void DeleteLabel(int Index);
    // Drops list entries beyond the paper's face count.
    void TrimLabels();
    bool HasLabelData(int Index);
    bool IsLabelCompressed(int Index);
    void CompressLabel(int Index);
    bool HasPreview(int Index);
    // Makes the preview when missing (labels with data only) and loads it into Picture;
    // answers whether Picture received one.
    bool ReadPreview(int Index, TPictureEx& Picture);
    void MakePreview(int Index);
    // Drops the previews of every sheet (not Modified): each is made again when it is next
    // read or the document is saved.
    void DeletePreviews();
    // Gives the connected objects of every label of every other sheet the style of the
    // object of the same class and connection number in List. The current sheet stays current, also
    // when this fails.
    void ApplyConnected(const TDOList& List);
    // The list entry label Index uses (0 for every label while SeparatelyDesign is off).
    int LabelEntry(int Index);

    // --- Document -----------------------------------------------------------------------
    // Opens FileName, after reading every element of it once: a file that is no document,
    // or one that cannot be read completely (cut short, a broken sheet, label or picture),
    // is refused as a whole with ENotLabelData. A file that cannot be opened at all keeps
    // its own error. On failure the document is unchanged.
    void LoadFromFile(const QString& FileName);
    // Writes the document to FileName (LastSave becomes now); the previous file stays
    // intact until the new one is complete.
    void SaveToFile(const QString& FileName);
    // Another TLabelData: becomes a copy of its whole tree.
    void Assign(const TPersistent* Source) override;
    // Reads "DataInfo" of the working copy into the document's fields (OpenTime := now).
    void ReadDataInfo();

    // True when the document or its current sheet has changed. Setting marks both; clearing
    // clears the document and every sheet.
    bool Modified();
    void SetModified(bool Value);
    const QString& DataName() const { return FDataName; }
    void SetDataName(const QString& Value) { FDataName = Value; }
    bool SheetMode() const { return FSheetMode; }
    void SetSheetMode(bool Value) { FSheetMode = Value; }
    TDateTime LastPrint() const { return FLastPrint; }
    void SetLastPrint(TDateTime Value) { FLastPrint = Value; }
    TDateTime LastSave() const { return FLastSave; }
    TDateTime OpenTime() const { return FOpenTime; }
    TLabelDataTimes Times() const { return {FOpenTime, FLastPrint, FLastSave}; }
    TProductInfo& ProductInfo() { return *FProductInfo; }
    TProductInfo& CreatorInfoE() { return *FCreatorInfoE; }
    TProductInfo& CreatorInfoJ() { return *FCreatorInfoJ; }
    TTemporaryStorage& Storage() { return *FStorage; }

    // Replaces the standard preview renderer: draws Objects of Face into Preview.
    std::function<void(TGraphic& Preview, const TFaceInfo& Face, TDOList& Objects)> OnMakePreview;

    // --- Closed files -------------------------------------------------------------------
    // Loads the preview of label LabelIndex of sheet SheetIndex of FileName into Picture;
    // answers whether there was one.
    static bool LoadPreviewFromFile(TPictureEx& Picture, const QString& FileName, int LabelIndex,
                                    int SheetIndex);
    // The current sheet stored in FileName's header; Label is 0.
    static void ReadCurrentSheetNo(const QString& FileName, int& Sheet, int& Label);

private:
    struct TSheetLists;
    TSheetLists OpenLists(bool Create);
    void CheckCurrent() const;
    // Raises EListError unless the paper has face Index (a paper without faces has one).
    void CheckFace(int Index);
    // How many faces can hold stored labels: the faces of the paper, at most the stored
    // entries; 1 while all faces share one design.
    int FacesToVisit();
    void BindStorage(std::unique_ptr<TTemporaryStorage> Storage);
    // Reads every stream of Storage to its end, the settings of every sheet and the objects
    // of every stored label; raises the first failure.
    static void CheckReadable(TTemporaryStorage& Storage);
    // Takes the header's fields (the current sheet kept within the sheets) and OpenTime.
    void TakeHeader(const TDataInfo& Info, const TProductInfo* Product);
    void WriteDataInfo();
    void DeletePreview(int Entry);
    void ReadLabelEntry(int Entry, int Face, TDOList& List, bool WithPictures);
    void WriteLabelEntry(int Entry, const TDOList& List);
    void ApplyConnectedToSheet(const TDOList& Source);
    void PrepareSheetForSave(QStringList& Used, bool& AllRead);

    std::unique_ptr<TTemporaryStorage> FStorage;
    TLabelSheetList FSheets;
    std::unique_ptr<TProductInfo> FProductInfo;
    std::unique_ptr<TProductInfo> FCreatorInfoE;
    std::unique_ptr<TProductInfo> FCreatorInfoJ;
    bool FModified = false;
    int FCurrentSheetNo = -1;
    bool FSheetMode = false;
    QString FDataName;
    TDateTime FLastPrint;
    TDateTime FLastSave;
    TDateTime FOpenTime;
};

// The current time as a TDateTime.
TDateTime NowDateTime();
// Registers the document's stream classes (sheets and papers included).
void RegisterLabelDataClasses();
