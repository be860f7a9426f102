#pragma once
// Path routines for backslash-separated element paths (inside compound files and in the
// system's own data), temporary file names, and two file-system helpers.
//
// In element paths the backslash is the only separator: "." is skipped, ".." steps back one
// element, and a leading backslash starts from the root. File-system paths given to
// IsDirectory and FindFilesRecursive are native paths.

#include "UException.h"
#include "UStringList.h"

#include <QString>
#include <QStringList>

VANTOMI_DECLARE_EXCEPTION(EPathUtil, Exception)

// Path unchanged when empty or already ending in a backslash, else Path + "\".
QString AppendBackslash(const QString& Path);
// Path without one trailing backslash.
QString RemoveTrailingBackslash(const QString& Path);
// AppendBackslash(Dir) + Name.
QString JoinPath(const QString& Dir, const QString& Name);
// Answers the text before the first backslash; Path keeps what follows it, or becomes empty
// when it holds no backslash.
QString ExtractFirstElement(QString& Path);
// Applies Path to the element list List: a leading backslash clears List first; "." is
// skipped, ".." removes the last element (EPathUtil "too many \"..\"" when there is none),
// empty elements (a trailing or doubled backslash) are ignored, others are appended.
void AddPathElements(QStringList& List, const QString& Path);
// The elements of Base, then those of Path, joined with backslashes; the result begins
// with a backslash when Base does. Raises EPathUtil for a path that leaves the root.
QString ResolvePath(const QString& Path, const QString& Base);

// True when Path exists and is a directory.
bool IsDirectory(const QString& Path);
// Appends to List the full path of every file below Folder; entries are taken in name order
// and a sub-folder's files are listed where the sub-folder comes. Names beginning with '.'
// are skipped, and symbolic links to folders are not followed (a link loop would never end).
// Nothing when Folder is not a directory.
void FindFilesRecursive(TStringList& List, const QString& Folder);
// Creates a new, empty, uniquely named file "<Prefix>XXXXXX.tmp" in the temporary folder
// and answers its full path. Raises EFCreateError when none can be created.
QString MakeTempFileName(const QString& Prefix);
