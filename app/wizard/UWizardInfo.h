#pragma once
// The definitions file of the new-calendar wizard ("Wizard.dat"): which ready-made calendar
// documents exist, where they lie and how they are captioned, grouped by kind.
//
//   [Settings]
//   DefaultExt=.vtd           extension given to every entry name ("vtd" means the same)
//   [<kind>]                  a kind section, named by the caller
//   DefaultFolder=Wall        folder of the kind's documents, relative to Wizard.dat's folder
//   Type=Ver2                 the documents are of the second document version
//   PullDown1=写真なし          any key beginning with "PullDown": one more pull-down choice
//   1=Spring.vtd              every other key: its value names an entry section, file order
//   [Spring.vtd]              an entry section
//   Caption=...               caption shown for the entry
//   Photos=... / PhotoGroup=3 the entry's per-month photo set and its group (default -1)
//   Templates=...             the entry's template set (a kind section of its own)
//   PullDown=a.vtd,b.vtd      documents of the entry, one per pull-down choice
//
// The file is code page 932 text. Section and key names are matched without regard to case,
// as Windows ini files are; every line of a kind section counts in file order, so a repeated
// entry key gives two entries, while a value read by name takes the first line of its key.
// Names in the file are Windows paths: backslashes become slashes and each component is
// matched against the disk without regard to case. Entry documents and pull-down documents
// both count from the folder of Wizard.dat joined with DefaultFolder.
//
// A file that cannot be found or read leaves the object not Loaded, with no entries and a
// message saying why (LoadError); nothing read from the file can make it fail otherwise.

#include "UException.h"
#include "UImageFolderDesc.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <memory>

VANTOMI_DECLARE_EXCEPTION(EWizardInfoError, Exception)

// The first item of every kind's pull-down list.
inline const QString SWizardShowAll = QStringLiteral("すべて表示");
// The definitions file as the content-file search finds it.
inline const QString SWizardFileName = QStringLiteral("Data\\Wizard\\Wizard.dat");
// Files larger than this are not definitions files (they are refused unread).
constexpr qint64 MaxWizardFileSize = 4 * 1024 * 1024;

// One entry of a kind: a calendar document offered by the wizard.
class TWizFileInfo {
public:
    // Full local path of the entry's document.
    QString FileName;
    QString Caption;
    // Full local paths of the documents named by the entry's "PullDown" key, in order.
    QStringList PullDownFiles;
    int PhotoGroup = -1;
    QString Photos;
    // The kind's Type is "Ver2": the document is of the second document version.
    bool IsVer2 = false;
    // Set with IsVer2 when the entry is read: the document must be converted when opened.
    bool NeedsConversion = false;
    QString Templates;

    // Field by field.
    void Assign(const TWizFileInfo& Source) { *this = Source; }
    bool HasPhotos() const { return !Photos.isEmpty(); }
};

class TWizardInfo {
public:
    // Finds a content file by its name; empty text when not found.
    using TFindFile = std::function<QString(const QString& FileName)>;

    // Locates FileName through the application frame's content-file search (no prompt), or
    // through Find when given. Found and readable: Loaded, and DefaultExt is read from
    // "Settings". Otherwise not Loaded and LoadError says why.
    explicit TWizardInfo(const QString& FileName = SWizardFileName, const TFindFile& Find = {});

    bool Loaded() const { return FLoaded; }
    // Empty when Loaded; else a message for the user.
    const QString& LoadError() const { return FLoadError; }
    // The local path of the definitions file (empty when not found).
    const QString& IniFileName() const { return FIniFileName; }
    // With its leading ".", or empty when the file gives none.
    const QString& DefaultExt() const { return FDefaultExt; }
    const QString& DefaultFolder() const { return FDefaultFolder; }
    const QStringList& Entries() const { return FEntries; }
    const QString& Type() const { return FType; }
    // The current kind's pull-down choices; the first is always SWizardShowAll.
    const QStringList& PullDowns() const { return FPullDowns; }
    const TOrderedIni& Ini() const { return FIni; }

    // Only when Loaded: makes Kind the current kind (clears entries, folder, type and
    // pull-downs, then files every line of the section in order) and answers the number of
    // entries. 0 when not Loaded or when the file has no such section.
    int ReadKind(const QString& Kind);
    // The entry Index of the current kind. Raises EWizardInfoError outside 0 .. entries - 1.
    std::unique_ptr<TWizFileInfo> ReadEntry(int Index) const;

    // The value of the first line of Key in Section (both ignoring case), or Default.
    QString ReadString(const QString& Section, const QString& Key, const QString& Default) const;
    // The same as an integer (decimal, or hexadecimal after "$"); Default when not a number.
    int ReadInteger(const QString& Section, const QString& Key, int Default) const;

private:
    void Load(const QString& FileName, const TFindFile& Find);
    // Wizard.dat's folder + DefaultFolder + Name with its extension replaced by DefaultExt,
    // resolved on the disk without regard to case.
    QString DocumentPath(const QString& Name) const;

    bool FLoaded = false;
    QString FLoadError;
    QString FIniFileName;
    QString FDefaultExt;
    QString FDefaultFolder;
    QStringList FEntries;
    QString FType;
    QStringList FPullDowns{SWizardShowAll};
    TOrderedIni FIni;
};

// Name with the extension of its last component replaced by Ext (Ext with its "." or empty
// to drop the extension); a name without an extension gets Ext appended.
QString ChangeFileExt(const QString& Name, const QString& Ext);
