#pragma once
// The settings of one sheet of a label document (its paper, the paper's extra and image
// information, guides, grid, name and calendar month) and the ordered list of sheets bound
// to the document's storage.
//
// A sheet lives in its own storage below "Sheets", named by an entry of the storage list
// "Sheets\NameList":
//
//   "Info"            this TLabelSheetInfo, resource name "Info"
//   "PaperInfo"       the paper (a TPaperInfo descendant), resource name "PaperInfo"
//   "PaperExtraInfo"  TExPaperInfo, resource name "PaperExtraInfo"; absent when empty
//   "PaperImageInfo"  TImagePaperInfo, resource name "PaperImageInfo"; absent when empty
//   "PaperImages"     storage kept for image-paper labels; removed with an empty image info
//
// Settings are read when a sheet is first asked for and written back only by SaveAll, so a
// document shows its first sheet without reading the others.

#include "UComponent.h"
#include "UGuide.h"
#include "UPaperInfo.h"
#include "UPapers.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

class TDocStorage;
class TDocStorageList;

VANTOMI_DECLARE_EXCEPTION(ELabelDataError, Exception)

class TLabelSheetInfo : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TGuide* Guide READ Guide WRITE SetGuide)
    Q_PROPERTY(TGrid* Grid READ Grid WRITE SetGrid)
    Q_PROPERTY(int CurrentLabelNo READ CurrentLabelNo WRITE SetCurrentLabelNo)
    Q_PROPERTY(bool SeparatelyDesign READ SeparatelyDesign WRITE SetSeparatelyDesign)
    Q_PROPERTY(QString SheetName READ SheetName WRITE SetSheetName)
    Q_PROPERTY(int Month READ Month WRITE SetMonth)
    Q_PROPERTY(int Year READ Year WRITE SetYear)
    Q_PROPERTY(int MonthCount READ MonthCount WRITE SetMonthCount)
    Q_CLASSINFO("Default:MonthCount", "1")
public:
    // SeparatelyDesign on, grid pitch 50, January 2005, one month, no paper, not modified.
    explicit TLabelSheetInfo(TComponent* Owner = nullptr);
    ~TLabelSheetInfo() override;

    TGuide* Guide() const { return FGuide.get(); }
    void SetGuide(TGuide* Value) { FGuide->Assign(Value); }
    TGrid* Grid() const { return FGrid.get(); }
    void SetGrid(TGrid* Value) { FGrid->Assign(Value); }
    int CurrentLabelNo() const { return FCurrentLabelNo; }
    void SetCurrentLabelNo(int Value) { FCurrentLabelNo = Value; }
    // One design for every face (false: all faces share the design of face 0).
    bool SeparatelyDesign() const { return FSeparatelyDesign; }
    void SetSeparatelyDesign(bool Value) { FSeparatelyDesign = Value; }
    // These setters store and set Modified only when the value differs.
    const QString& SheetName() const { return FSheetName; }
    void SetSheetName(const QString& Value);
    int Month() const { return FMonth; }
    void SetMonth(int Value);
    int Year() const { return FYear; }
    void SetYear(int Value);
    int MonthCount() const { return FMonthCount; }
    void SetMonthCount(int Value);

    // The sheet's own copy of its paper (null until one is set).
    TPaperInfo* PaperInfo() const { return FPaperInfo.get(); }
    // Takes a copy of Paper (a new instance of its class assigned from it, so purposes and
    // the centre hole come along); null removes the paper. Paper may be this sheet's own
    // paper. Sets Modified.
    void SetPaperInfo(const TPaperInfo* Paper);
    TExPaperInfo* ExtraInfo() const { return FExtraInfo.get(); }
    TImagePaperInfo* ImageInfo() const { return FImageInfo.get(); }
    // Non-null assigns into the owned record, null empties it. Set Modified.
    void SetExtraInfo(const TExPaperInfo* Info);
    void SetImageInfo(const TImagePaperInfo* Info);

    bool Modified() const { return FModified; }
    void SetModified(bool Value) { FModified = Value; }

    // Another sheet's paper, extra and image info, guide, grid, label number, design mode,
    // name, month, year and month count (through the setters).
    void Assign(const TPersistent* Source) override;

    // Reads whatever of the layout above Storage holds, then clears Modified. A stream that
    // does not hold what its name says raises ELabelDataError.
    void LoadFromStorage(TDocStorage& Storage);
    void SaveToStorage(TDocStorage& Storage);

private:
    void Changed() { FModified = true; }

    std::unique_ptr<TGuide> FGuide;
    std::unique_ptr<TGrid> FGrid;
    std::unique_ptr<TPaperInfo> FPaperInfo;
    std::unique_ptr<TExPaperInfo> FExtraInfo;
    std::unique_ptr<TImagePaperInfo> FImageInfo;
    int FCurrentLabelNo = 0;
    bool FSeparatelyDesign = true;
    bool FModified = false;
    QString FSheetName;
    int FMonth = 1;
    int FYear = 2005;
    int FMonthCount = 1;
};

// Formats Format with N: "%d" gives N, "%%" gives "%", any other character stands for
// itself (so a stray "%" never fails).
QString FormatSheetName(const QString& Format, int N);
// Text with every "%" doubled, for use inside a name format.
QString EscapeNameFormat(const QString& Text);

// Checks that entry Index of a list names an element the list itself made: its base name
// followed by decimal digits. Raises ELabelDataError otherwise, so that a damaged list
// never leads to another element of the document.
void CheckListEntry(const QString& Entry, const QString& BaseName);

class TLabelSheetList {
public:
    TLabelSheetList();
    ~TLabelSheetList();
    TLabelSheetList(const TLabelSheetList&) = delete;
    TLabelSheetList& operator=(const TLabelSheetList&) = delete;

    // Drops every settings object and lists the sheets of Storage ("Sheets\NameList");
    // null unbinds (the list stream is then closed). Storage must outlive the binding.
    void Bind(TDocStorage* Storage);
    bool IsBound() const { return FNames != nullptr; }

    int Count() const;
    // The settings of sheet Index, read from its storage on first access. Raises EListError
    // outside 0 .. Count() - 1.
    TLabelSheetInfo& Items(int Index);
    // True when the settings of Index have been created.
    bool IsLoaded(int Index) const;
    // The storage of sheet Index (created when missing and Create is set).
    std::unique_ptr<TDocStorage> OpenSheetStorage(int Index, bool Create);

    // Adds a sheet entry; answers its index.
    int Add();
    void CopySettings(int From, int To);
    // Destroys the sheet's storage and removes its entry and settings.
    void Delete(int Index);
    // Adds a sheet holding a copy of sheet Index (settings and whole storage); answers it.
    int Duplicate(int Index);
    void Move(int From, int To);
    QStringList GetNames();
    // Format formatted with 1, 2, ... up to 1001: the first result no sheet bears (the
    // result for 1001 is taken even when in use).
    QString UniqueName(const QString& Format);
    void SetName(int Index, const QString& Format);
    // Writes every created settings object into its sheet storage, last sheet first.
    void SaveAll();

private:
    void CheckIndex(int Index) const;
    QString EntryOf(int Index) const;

    TDocStorage* FStorage = nullptr;
    std::unique_ptr<TDocStorageList> FNames;
    std::vector<std::unique_ptr<TLabelSheetInfo>> FItems;
};

// Registers the sheet's stream classes (and the paper classes it stores).
void RegisterLabelSheetClasses();
