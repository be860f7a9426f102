#pragma once
// Where the program keeps its files on this platform, and what stands in for the start
// conditions that a desktop of the other kind checks. Decisions:
//
// - Settings are per user: the settings store is one file under $XDG_CONFIG_HOME (the
//   platform layer's registry stand-in), user data under "$(UserPreferenceFolder)", which is
//   "$(AppDataDir)$(AppName)/$(ShortVer)/" with AppDataDir = $XDG_DATA_HOME.
// - The calendar tables ("MoonAge.tbl", "W6Z24.tbl", "Holiday.tbl") and the thumbnail cache
//   must be writable (the holiday table is updated in place, the cache grows). They live in
//   "$(SystemPreferenceFolder)". When the program folder is writable that is the program
//   folder itself, as on the original desktop. Otherwise (an installed program under /usr,
//   a read-only medium) it is the per-user folder, and on the first start every shipped
//   table missing there is copied from the program folder, made writable for the user, and
//   read from there from then on. A table the user already has is never replaced, so an
//   updated holiday table survives a reinstall.
// - "A printer" (the ecNeedPrinter start condition) is satisfied by the built-in PDF
//   printer of the platform layer, which is always present, so a machine without any print
//   queue starts.
// - The single-instance guard is a lock file named after "$(SysMutexID)" in
//   $XDG_RUNTIME_DIR (the foundation's TExecuteBlocker); a lock left by a dead process is
//   taken over.
// - The rights condition (ecPowerUsers) always holds: nothing here needs special rights.
// - Plug-in lists load our own shared-library plug-ins from "$(ExeDir)Plugins" (the
//   foundation's TPluginList); none ship, and an empty or missing folder loads nothing.
//
// "Read-only" here means what a user of a file manager would call read-only: the owner's
// write permission is off, or the current user cannot write it. The permission bit is
// checked as well as access(2) so that the answer is the same for the superuser.

#include <QString>
#include <QStringList>
#include <functional>

// The three calendar tables, by the macro naming each one's full path.
inline const QStringList CalendarTableMacros = {
    QStringLiteral("MoonAgeTable"), QStringLiteral("W6Z24Table"), QStringLiteral("HolidayTable")};
// Their file names as shipped in the program folder.
inline const QStringList CalendarTableFiles = {
    QStringLiteral("MoonAge.tbl"), QStringLiteral("W6Z24.tbl"), QStringLiteral("Holiday.tbl")};

// True when Path is a file or folder that exists and that the current user may change.
bool IsWritablePath(const QString& Path);

// Decides the folder for the writable system files (see the top of this file).
class TAppFolders {
public:
    // ProgramFolder and UserFolder are local folder paths (either may end in "/").
    TAppFolders(QString ProgramFolder, QString UserFolder);

    // The writability test of a folder; IsWritablePath by default (tests replace it).
    std::function<bool(const QString& Folder)> IsFolderWritable = IsWritablePath;

    // The folder "$(SystemPreferenceFolder)" should name, ending in "/": the program folder
    // when it is writable, else the user folder, created when missing, with the shipped
    // tables that it lacks copied into it. A table that cannot be copied is left for the
    // start-up check to report; nothing here raises.
    QString SystemPreferenceFolder();

    // Lines about tables that could not be copied (file and reason), for the log.
    const QStringList& Problems() const { return FProblems; }

private:
    void CopyMissingTables(const QString& Folder);

    QString FProgramFolder;
    QString FUserFolder;
    QStringList FProblems;
};
