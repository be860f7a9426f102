#pragma once
// Paths as data files, documents and the settings write them are Windows paths: backslash
// separators, an optional drive letter and names in whatever case the author used. Content
// folders and data CDs come from Windows file systems, so a stored name and the name on the
// disk may differ in case. Every such path goes through these routines at the file-system
// boundary; the text kept in memory and in files stays as it was written.
//
// Compound-file element paths are not file-system paths and never pass through here.

#include <QString>

// The path in local form: every backslash becomes a slash, and a leading drive letter
// ("C:") is dropped so that the rest counts from the file-system root ("C:\Data\x.dat"
// becomes "/Data/x.dat"; "C:x" becomes "/x"). Other text is unchanged.
QString ConvertWindowsPath(const QString& Path);

// True when Path begins with a drive letter and a colon ("C:", "d:\...").
bool HasDriveLetter(const QString& Path);

// The local form of Path with each component matched against the disk without regard to
// case: a component that exists under its own spelling is kept; otherwise the first entry of
// the folder (in name order) equal to it ignoring case is taken. From the first component
// that matches nothing on, the rest is kept as given, so the result also names a file that
// is about to be created. "." and empty components are dropped, ".." is kept. A relative
// path is looked up from the current folder and stays relative. A trailing separator is kept.
QString ResolveFileName(const QString& Path);

// The resolved path (see ResolveFileName) when it names an existing file or folder, else
// empty text.
QString FindExistingPath(const QString& Path);

// The resolved path when it names an existing file (not a folder), else empty text.
QString FindExistingFile(const QString& Path);

// Joins a folder and a relative name (either may use either separator) with one slash.
QString JoinLocalPath(const QString& Folder, const QString& Name);
