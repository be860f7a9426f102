#pragma once
// The paper library: a compound file (".ppr") holding every known paper and shared lists.
//
// File tree:
//   Papers\$xxxxxxxx          one paper per stream (TMatrixPaperInfo or TFreePaperInfo),
//                             written with Landscape False and its purposes
//   PurposeList\PurposeList   a TPLStreamer whose List is the library's purposes
//   UpdateInfo\UpdateInfo     a TPaperUpdate (PPRNo, LastUpdate)
//   CompanyList\CompanyList   maker names, one per line, each ended by CR LF (code page 932)
//   GroupList\GroupList       group names, same form
//   GlobalInfo                free-form storage, copied whole by an update
//   <handler>\$xxxxxxxx       one extra-information record per paper and handler
// Numbered names are "$" and eight lower-case hexadecimal digits; a new one takes the
// highest number in use + 1 (1 in an empty storage).
//
// A library opened read-only reads the file in place and never writes it. A writable
// library works on a temporary copy and writes it back whole (atomically) when saved or
// destroyed with changes; opening alone never changes the file. A file that is not a
// readable library raises EPaperLibraryError and is left as it was.

#include "UDocStorage.h"
#include "UException.h"
#include "UPaperInfo.h"

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <map>
#include <memory>
#include <vector>

VANTOMI_DECLARE_EXCEPTION(EPaperLibraryError, Exception)

// "$" and Number as eight lower-case hexadecimal digits.
QString PaperElementName(uint32_t Number);
// The number of a name of that form; False for any other name.
bool ParsePaperElementName(const QString& Name, uint32_t& Number);

// The library's update record.
class TPaperUpdate : public TComponent {
    Q_OBJECT
    Q_PROPERTY(int PPRNo READ PPRNo WRITE SetPPRNo)
    Q_PROPERTY(TDateTime LastUpdate READ LastUpdate WRITE SetLastUpdate)
public:
    explicit TPaperUpdate(TComponent* Owner = nullptr) : TComponent(Owner) {}
    void Assign(const TPersistent* Source) override;

    int PPRNo() const { return FPPRNo; }
    void SetPPRNo(int Value) { FPPRNo = Value; }
    TDateTime LastUpdate() const { return FLastUpdate; }
    void SetLastUpdate(TDateTime Value) { FLastUpdate = Value; }

private:
    int FPPRNo = 0;
    TDateTime FLastUpdate;
};

// Carries the library's purpose list in its stream.
class TPLStreamer : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TPurposeList* List READ List WRITE SetList)
public:
    explicit TPLStreamer(TComponent* Owner = nullptr)
        : TComponent(Owner), FList(std::make_unique<TPurposeList>()) {}
    TPurposeList* List() const { return FList.get(); }
    void SetList(TPurposeList* Value) { FList->Assign(Value); }

private:
    std::unique_ptr<TPurposeList> FList;
};

// Extra information kept for one paper by one handler.
class TExtraPaperInfo : public TComponent {
    Q_OBJECT
    Q_PROPERTY(QString PaperName READ PaperName WRITE SetPaperName)
public:
    explicit TExtraPaperInfo(TComponent* Owner = nullptr) : TComponent(Owner) {}
    void Assign(const TPersistent* Source) override;

    const QString& PaperName() const { return FPaperName; }
    void SetPaperName(const QString& Value) { FPaperName = Value; }

    // An empty record is not stored.
    virtual bool IsEmpty() const = 0;
    // True when both write property streams of equal bytes; a null Other counts as an
    // empty stream.
    virtual bool IsSame(TExtraPaperInfo* Other);

private:
    QString FPaperName;
};

// The record of the "ExtraInfos" handler: the paper's maker and a free comment (for
// example the maker's description). Empty when both are empty.
class TExPaperInfo : public TExtraPaperInfo {
    Q_OBJECT
    Q_PROPERTY(QString Company READ Company WRITE SetCompany)
    Q_PROPERTY(QString Comment READ Comment WRITE SetComment)
public:
    explicit TExPaperInfo(TComponent* Owner = nullptr) : TExtraPaperInfo(Owner) {}
    void Assign(const TPersistent* Source) override;
    bool IsEmpty() const override { return FCompany.isEmpty() && FComment.isEmpty(); }

    const QString& Company() const { return FCompany; }
    void SetCompany(const QString& Value) { FCompany = Value; }
    const QString& Comment() const { return FComment; }
    void SetComment(const QString& Value) { FComment = Value; }

private:
    QString FCompany;
    QString FComment;
};

// The record of the "PaperImages" handler: a picture of the paper kept as the bytes of an
// image file (custom property "Image", written only when there are bytes). Empty without
// bytes.
class TImagePaperInfo : public TExtraPaperInfo {
    Q_OBJECT
public:
    explicit TImagePaperInfo(TComponent* Owner = nullptr) : TExtraPaperInfo(Owner) {}
    void Assign(const TPersistent* Source) override;
    void DefineProperties(TFiler& Filer) override;
    bool IsEmpty() const override { return FImage.isEmpty(); }

    const QByteArray& Image() const { return FImage; }
    void SetImage(const QByteArray& Value) { FImage = Value; }

private:
    QByteArray FImage;
};

// A handler of extra information: a name and the storage of that name in the library.
class TExtraInfoBase {
public:
    explicit TExtraInfoBase(QString Name) : FName(std::move(Name)) {}
    virtual ~TExtraInfoBase();
    TExtraInfoBase(const TExtraInfoBase&) = delete;
    TExtraInfoBase& operator=(const TExtraInfoBase&) = delete;

    const QString& Name() const { return FName; }
    // Takes the handler's storage (null for a read-only library that has none).
    virtual void Init(std::unique_ptr<TDocStorage> Storage);
    virtual void Delete(const QString& PaperName) = 0;
    virtual void Put(const TExtraPaperInfo& Info) = 0;
    // A copy of the record of PaperName, or null.
    virtual std::unique_ptr<TExtraPaperInfo> Get(const QString& PaperName) = 0;
    // Record Index read fresh from its stream.
    virtual std::unique_ptr<TExtraPaperInfo> GetItem(int Index) = 0;
    virtual int GetCount() = 0;

protected:
    TDocStorage* Storage() const { return FStorage.get(); }
    // Called by the library before it closes its file.
    friend class TPapersV2;
    virtual void Close() { FStorage.reset(); }

private:
    QString FName;
    std::unique_ptr<TDocStorage> FStorage;
};

// Keeps records as property streams, one per paper, found through a cache of the first
// streams read: a lookup that misses reads the remaining streams in order until it finds
// the paper. Two records for one paper raise "用紙情報更新エラー(%s)".
class TExInfoBase : public TExtraInfoBase {
public:
    explicit TExInfoBase(QString Name = QStringLiteral("ExtraInfos"))
        : TExtraInfoBase(std::move(Name)) {}
    void Init(std::unique_ptr<TDocStorage> Storage) override;
    void Delete(const QString& PaperName) override;
    void Put(const TExtraPaperInfo& Info) override;
    std::unique_ptr<TExtraPaperInfo> Get(const QString& PaperName) override;
    std::unique_ptr<TExtraPaperInfo> GetItem(int Index) override;
    int GetCount() override { return static_cast<int>(FNames.size()); }

protected:
    void Close() override;

private:
    struct TCached {
        QString ElementName;
        std::unique_ptr<TExtraPaperInfo> Info;
    };
    std::unique_ptr<TExtraPaperInfo> ReadRecord(const QString& ElementName);
    // The cache entry of PaperName, reading further streams as needed; null when none.
    TCached* Lookup(const QString& PaperName);
    void CacheNext();

    std::vector<QString> FNames; // stream names in storage order
    size_t FCachedCount = 0;     // FNames[0 .. FCachedCount) are in the cache
    std::map<QString, TCached> FCache;
};

// The handler of paper pictures.
class TImageInfoBase : public TExInfoBase {
public:
    TImageInfoBase() : TExInfoBase(QStringLiteral("PaperImages")) {}
};

// Progress of a merge: step (from 1) of count.
using TPaperProgress = std::function<void(int Step, int Count)>;

class TPapers {
public:
    // Opens FileName (a missing file gives an empty library). CopyToTemp is accepted for
    // callers of older systems and changes nothing here: a writable library always works
    // on a temporary copy. Raises EPaperLibraryError when the file cannot be read as a
    // library.
    TPapers(const QString& FileName, bool CopyToTemp, bool ReadOnly);
    // Saves a writable library with changes (errors are swallowed: call Save to see them),
    // but not when it is freed by an exception unwinding: changes half made are dropped.
    virtual ~TPapers();
    TPapers(const TPapers&) = delete;
    TPapers& operator=(const TPapers&) = delete;

    // Renumbers the papers so that Names (every paper's name, each once) gives their order.
    // Raises EPaperLibraryError "Bad paper name", changing nothing, when a name is missing,
    // unknown or repeated.
    virtual void Reorder(const QStringList& Names);
    // Appends each distinct GroupName (case-sensitive) in paper order.
    virtual void GetGroupNames(QStringList& Strings) const;
    // Index of the first paper named PaperName (case-sensitive), or -1.
    virtual int IndexOf(const QString& PaperName) const;
    virtual void Delete(int Index);
    // Stores a copy of Paper, replacing the paper of the same name.
    virtual void Put(const TPaperInfo& Paper);

    int GetCount() const { return static_cast<int>(FList.size()); }
    TPaperInfo* GetPaper(int Index) const;
    // The element name of paper Index ("$xxxxxxxx").
    const QString& GetElementName(int Index) const;
    const TPurposeList& PurposeList() const { return *FPurposeList; }
    const QString& FileName() const { return FFileName; }
    bool IsReadOnly() const { return FReadOnly; }
    bool Modified() const { return FModified; }

    // Writes a writable library with changes to its file (atomically); raises on failure.
    void Save();

protected:
    TRootStorage& Root() const { return *FRoot; }
    void SetModified() { FModified = true; }
    void CheckWritable() const;
    // Frees everything that refers to the root (subclasses close their own parts first).
    virtual void CloseStorages();

private:
    void Open();
    void LoadPurposes();
    void SavePurposes();
    void LoadPapers();
    std::unique_ptr<TPaperInfo> ReadPaper(const QString& ElementName);
    uint32_t NextNumber() const;

    QString FFileName;
    bool FReadOnly;
    bool FModified = false;
    std::unique_ptr<TRootStorage> FRoot;
    std::unique_ptr<TDocStorage> FPapers; // null in a read-only file without papers
    std::vector<std::pair<QString, std::unique_ptr<TPaperInfo>>> FList; // by element name
    std::unique_ptr<TPurposeList> FPurposeList;
    // Exceptions in flight when the library was made: more at destruction means it is freed
    // by unwinding.
    int FUncaughtAtOpen = std::uncaught_exceptions();
};

class TPapersV2 : public TPapers {
public:
    TPapersV2(const QString& FileName, bool CopyToTemp, bool ReadOnly);
    ~TPapersV2() override;

    // Adds Handler under its name, opening (or, when writable, creating) its storage.
    void RegisterExtraInfo(std::unique_ptr<TExtraInfoBase> Handler);
    TExtraInfoBase* FindExtraInfo(const QString& HandlerName) const;
    // A copy of the record, or null (empty paper name, unknown handler, no record).
    std::unique_ptr<TExtraPaperInfo> GetExtraInfo(const QString& HandlerName,
                                                  const QString& PaperName) const;
    // Stores Info; ignored for an empty PaperName or an unknown handler.
    void PutExtraInfo(const QString& HandlerName, const TExtraPaperInfo& Info);

    // Also deletes the paper's records of every handler.
    void Delete(int Index) override;

    const TPaperUpdate& GetUpdateInfo() const { return *FUpdateInfo; }
    void SetUpdateInfo(const TPaperUpdate& Info);
    const QStringList& CompanyList() const { return FCompanyList; }
    void SetCompanyList(const QStringList& Value);
    const QStringList& GroupList() const { return FGroupList; }
    void SetGroupList(const QStringList& Value);

    // Copies papers of Source: read-only ones only when IsUpdate, writable ones only when
    // IncludeWritable. A writable paper named like a read-only paper here gets "$" appended
    // until the name is free of read-only papers; a same-named paper is otherwise replaced.
    // The records of handlers present in both follow their papers. With IsUpdate the update
    // record (now, Source's PPRNo), company and group lists and GlobalInfo come from Source.
    void MergeFrom(TPapersV2& Source, bool IncludeWritable, bool IsUpdate,
                   const TPaperProgress& Progress = {});
    // MergeFrom of Source's read-only papers with the update step.
    void Update(TPapersV2& Source, const TPaperProgress& Progress = {});

protected:
    void CloseStorages() override;

private:
    void LoadUpdateInfo();
    void WriteUpdateInfo();
    QStringList LoadTextList(const QString& Name) const;
    void WriteTextList(const QString& Name, const QStringList& Lines);
    void CopyGlobalInfo(TPapersV2& Source);

    std::unique_ptr<TPaperUpdate> FUpdateInfo;
    QStringList FCompanyList;
    QStringList FGroupList;
    std::vector<std::unique_ptr<TExtraInfoBase>> FHandlers;
};

// Registers the library's stream classes (papers included).
void RegisterPaperLibraryClasses();
