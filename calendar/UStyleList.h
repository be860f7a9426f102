#pragma once
// The index lists of the calendar's picture choices: stamps ("Data\Stamps\Stamp.lst",
// section "[INDEX]"), schedule styles ("Data\SchStyle\SchStyle.lst", "[ScheduleStyle]") and
// year/month pictures ("Data\YrMnth\YrMnth.lst", "[PictureFont]" and "[PictureNumber]").
// A schedule item's Icon and HowToDisplay name an entry by its place in the section counted
// from 1 (0: none); see UCalServices.h.
//
// File format, code page 932 text (lines end with CR LF or LF):
//   ; a comment                 lines beginning with ';' and blank lines are skipped
//   [Section]                   starts a section; names compare without regard to case
//   Name=File                   one entry: the name shown to the user and its picture
//   File                        one entry named after its file (without extension)
// File is relative to the list's own folder, with either separator. Lines before the first
// section are skipped. A list is read as outside input: a file larger than MaxFileSize,
// text that is not code page 932, more than MaxEntries entries in all, or an entry whose
// file is absolute or leads out of the folder (".." or a drive) refuses the whole list,
// which is then empty. A missing list is simply empty. Nothing here raises.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <map>
#include <memory>
#include <vector>

class TPictureEx;

struct TStyleEntry {
    QString Name;
    // Local path of the picture file (the list's folder joined with the entry's file).
    QString FileName;
};

class TStyleIndexList {
public:
    static constexpr qint64 MaxFileSize = 1 << 20;
    static constexpr int MaxEntries = 10000;

    // Reads FileName (a local path); answers the reason the list was refused or could not be
    // read, empty when it was read or does not exist. The list is empty unless read.
    QString LoadFromFile(const QString& FileName);
    // Reads list text; Folder is where the entries' files lie. Answers as LoadFromFile.
    QString LoadFromBytes(const QByteArray& Bytes, const QString& Folder);
    void Clear() { FSections.clear(); }

    // The entries of a section in file order; empty for a section the list lacks.
    const std::vector<TStyleEntry>& Section(const QString& Name) const;
    // Entry names of a section, in order.
    QStringList Names(const QString& Section) const;
    bool IsEmpty() const { return FSections.empty(); }

private:
    std::map<QString, std::vector<TStyleEntry>> FSections; // keyed by lower-case name
};

// Section names of the three lists.
inline const QString StampSection = QStringLiteral("INDEX");
inline const QString ScheduleStyleSection = QStringLiteral("ScheduleStyle");
inline const QString PictureFontSection = QStringLiteral("PictureFont");
inline const QString PictureNumberSection = QStringLiteral("PictureNumber");

// The pictures of one section of a list, each loaded when first asked for and then kept.
// Code k (k >= 1) is entry k of the section; other codes, and entries whose file cannot be
// loaded as a picture (noted once in the log), have none. The list must outlive this.
class TStylePictures {
public:
    TStylePictures(const TStyleIndexList* List, QString Section);
    ~TStylePictures();
    TStylePictures(const TStylePictures&) = delete;
    TStylePictures& operator=(const TStylePictures&) = delete;

    // Null when the code has no picture.
    const TPictureEx* Picture(int Code) const;
    // Loads entry Index (from 0) into Picture, not kept; false, Picture untouched, when the
    // entry is missing or its file is not a picture.
    bool LoadEntry(int Index, TPictureEx& Picture) const;

private:
    const TStyleIndexList* FList;
    QString FSection;
    mutable std::map<int, std::unique_ptr<TPictureEx>> FCache; // null: no picture
};
