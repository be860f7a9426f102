#pragma once
// The papers the program offers at run time: the built-in default paper, the read-only
// system library beside the executable and the user's own library ("UserPaper.ppr" in the
// user's settings folder), seen as one list.
//
// A library file that cannot be read is left out with its message kept for the user; the
// program then still has the built-in default paper and whatever else could be read. The
// system library is opened read-only and never written; the user library is opened
// writable and saved when changed.

#include "UPapers.h"

#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

// The built-in default paper: a free A4 paper (2100 x 2970, portrait) named "A4" in group
// "定型", read-only, with one face covering the sheet.
std::unique_ptr<TFreePaperInfo> CreateDefaultPaper();

class TPaperLibrary {
public:
    // Opens both libraries (an empty file name skips one); never raises for a library that
    // cannot be read.
    TPaperLibrary(const QString& SystemFile, const QString& UserFile);
    ~TPaperLibrary();

    // All papers in order: the default paper, the system papers, the user's papers. A user
    // paper named like an earlier paper is listed with "$" appended to its name, as a merge
    // into the system library would store it.
    int GetCount() const { return static_cast<int>(FEntries.size()); }
    // Raises EListError outside 0 .. GetCount() - 1.
    const TPaperInfo& GetPaper(int Index) const;
    // The name the paper is listed under.
    const QString& GetName(int Index) const;
    // True for papers of the user library.
    bool IsUserPaper(int Index) const;
    // Index of the paper listed under Name, or -1.
    int IndexOf(const QString& Name) const;
    // Distinct group names in list order.
    QStringList GetGroupNames() const;

    const TPaperInfo& DefaultPaper() const { return *FDefault; }
    // The libraries; null when missing from the start or refused.
    TPapersV2* System() const { return FSystem.get(); }
    TPapersV2* User() const { return FUser.get(); }
    // Messages of libraries that could not be read.
    const QStringList& Errors() const { return FErrors; }
    // Lists the papers again after the user library changed.
    void Refresh();

private:
    struct TEntry {
        const TPaperInfo* Paper;
        QString Name;
        bool User;
    };
    std::unique_ptr<TPapersV2> OpenLibrary(const QString& FileName, bool ReadOnly);
    // Raises EListError outside 0 .. GetCount() - 1.
    const TEntry& Entry(int Index) const;

    std::unique_ptr<TFreePaperInfo> FDefault;
    std::unique_ptr<TPapersV2> FSystem;
    std::unique_ptr<TPapersV2> FUser;
    std::vector<TEntry> FEntries;
    QStringList FErrors;
};
