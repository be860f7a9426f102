#pragma once
// Image folder descriptions: an index file in ini form describing collections of content
// images (illustrations, frames, backgrounds) by category.
//
//   [Index]            (or [V2Index]) every key's value names a category section, in order
//   [Cat1]
//   Caption=...        the category's caption
//   Folder=Illust      appended to the base folder for the entries after it (accumulates,
//                      unchanged, with no separator added)
//   Transparent=1      non-zero: the category's images are drawn transparent
//   1=a.bmp            any other key: an image file relative to the current folder
//
// The file is code page 932 text. Section names are matched without regard to case; the
// keys "Caption", "Folder" and "Transparent" are matched exactly. Entries are taken in file
// order, so repeated keys each count. Lines that are neither a section heading nor a
// key=value pair (and ';' comments) are skipped.

#include "UPersistent.h"

#include <QString>
#include <QStringList>
#include <functional>
#include <utility>
#include <vector>

// An ini text read into memory, keeping every entry in file order.
class TOrderedIni {
public:
    using TEntry = std::pair<QString, QString>;
    // Parses code page 932 text.
    void Load(const QByteArray& Bytes);
    // The entries of Section (ignoring case) in file order; empty when there is none.
    std::vector<TEntry> Section(const QString& Name) const;
    // The value of the first key Key (exact) in Section, or Default.
    QString ReadString(const QString& Section, const QString& Key, const QString& Default) const;
    // The same read as an integer; Default when missing or not a number.
    int ReadInteger(const QString& Section, const QString& Key, int Default) const;

private:
    std::vector<std::pair<QString, std::vector<TEntry>>> FSections;
};

class TImageFolderInfo : public TPersistent {
    Q_OBJECT
public:
    // Finds an index file by its name; empty text when not found.
    using TFindFile = std::function<QString(const QString& FileName)>;

    // Locates IndexFileName with the application frame's content-file search (without a
    // prompt), or with Find when given. Found: reads the index section ("V2Index" when
    // UseV2, else "Index") into the categories, the base folder becomes the file's folder and
    // the object is valid. Not found (or unreadable): invalid, with no categories.
    TImageFolderInfo(const QString& IndexFileName, bool UseV2, const TFindFile& Find = {});

    bool Valid() const { return FValid; }
    const QString& BaseFolder() const { return FBaseFolder; }
    int CategoryCount() const { return static_cast<int>(FCategories.size()); }
    const QStringList& Categories() const { return FCategories; }

    // The "Caption" of every category, in category order.
    void GetCaptions(QStringList& List) const;
    // The category's "Transparent" value is non-zero (0 when missing or not a number).
    bool GetTransparent(int Index) const;
    int ItemIndex() const { return FItemIndex; }
    // Selects category Index and lists its image files (nothing when it is already
    // selected; an index outside the categories lists nothing).
    void SetItemIndex(int Index);
    // The full paths of the selected category's images.
    const QStringList& FileList() const { return FFileList; }

private:
    QString CategorySection(int Index) const;

    QString FBaseFolder;
    bool FValid = false;
    int FItemIndex = -1;
    QStringList FCategories;
    QStringList FFileList;
    TOrderedIni FIni;
};
