#pragma once
// Finds content files (templates, backgrounds, frames, illustrations, styles) that lie
// beside the program or under a data root on a mounted data CD.
//
// A data root is a folder that holds the key file "$(SysKeyFile)"; a folder without it is
// never searched. A data root whose last folder name begins with "disk" stands for a set of
// numbered disks: its siblings disk1 .. disk9 that hold the key file are searched too. File
// and folder names are matched without regard to case.
//
// One search tries, until something is found:
//   1. the program folder "$(ExeDir)" (no key file needed);
//   2. the data root chosen by the user (setting "CDPath");
//   3. the data root found earlier in this run (the run cache);
//   4. the installation source: the default value of the key "$(SysInstallKey)\srcDir" in
//      HKEY_CLASSES_ROOT of the settings store, then its values srcDir0 .. srcDir9; a root
//      found there becomes the run cache;
//   5. every mount folder ("drive"): its root; then the installation source's path below its
//      own mount folder; then "$(SysApplicationFolder)". The root found becomes the run cache.
// The mount folders are the folders inside /media/$USER, /run/media/$USER, /media and /mnt,
// except those holding a mounted floppy disk, so that a search never spins a floppy drive.

#include <QString>
#include <QStringList>

class TAppFrame;

class TDataCDLocator {
public:
    explicit TDataCDLocator(const TAppFrame& Frame) : FFrame(Frame) {}

    // One search for FileName (relative to a data root, either separator, optionally ending
    // in a pattern with * and ?): the full local path of the file, or empty text.
    QString Locate(const QString& FileName);

    // The data root remembered for the rest of the run (empty at start).
    const QString& RunCache() const { return FRunCache; }

    // The mount folders to search; an empty list (the default) means DefaultDriveRoots.
    void SetDriveRoots(const QStringList& Roots) { FDriveRoots = Roots; }
    QStringList DriveRoots() const;
    static QStringList DefaultDriveRoots();

private:
    QString Expand(const QString& Text) const;
    bool HoldsKeyFile(const QString& Folder) const;
    QString TryFolder(const QString& Folder, const QString& FileName) const;
    QString TryRoot(const QString& Root, const QString& FileName) const;
    QString TryDiskSiblings(const QString& Root, const QString& FileName) const;
    QString ReadInstallRoot(const QString& FileName) const;
    QString TryDrives(const QString& SubPath, const QString& FileName) const;
    QString SearchAllDrives(const QString& FileName) const;
    QString PathBelowMountFolder(const QString& Path) const;

    const TAppFrame& FFrame;
    QString FRunCache;
    QStringList FDriveRoots;
};
