#include "UAppFolders.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

namespace {

QString WithSlash(QString Folder) {
    if (!Folder.endsWith(u'/'))
        Folder += u'/';
    return Folder;
}

} // namespace

bool IsWritablePath(const QString& Path) {
    const QFileInfo info(Path);
    return info.exists() && info.isWritable() && (info.permissions() & QFileDevice::WriteOwner);
}

TAppFolders::TAppFolders(QString ProgramFolder, QString UserFolder)
    : FProgramFolder(WithSlash(std::move(ProgramFolder))),
      FUserFolder(WithSlash(std::move(UserFolder))) {}

QString TAppFolders::SystemPreferenceFolder() {
    if (IsFolderWritable(FProgramFolder))
        return FProgramFolder;
    if (!QDir().mkpath(FUserFolder)) {
        FProblems << QStringLiteral("%1: フォルダを作成できません").arg(FUserFolder);
        return FUserFolder;
    }
    CopyMissingTables(FUserFolder);
    return FUserFolder;
}

void TAppFolders::CopyMissingTables(const QString& Folder) {
    for (const QString& name : CalendarTableFiles) {
        const QString target = Folder + name;
        const QString source = FProgramFolder + name;
        if (QFileInfo::exists(target) || !QFileInfo::exists(source))
            continue;
        QFile file(source);
        if (!file.copy(target)) {
            FProblems << QStringLiteral("%1: %2").arg(target, file.errorString());
            continue;
        }
        // A copy of an installed (read-only) file is read-only too; the user's copy must be
        // writable, or start-up would refuse it.
        QFile::setPermissions(target, QFile::permissions(target) | QFileDevice::WriteOwner |
                                          QFileDevice::ReadOwner);
    }
}
