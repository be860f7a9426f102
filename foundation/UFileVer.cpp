#include "UFileVer.h"

#include "UVersion.h"

#include <QCoreApplication>
#include <QFileInfo>


namespace {

bool IsProgramFile(const QString& FileName) {
    const QString self = QFileInfo(QCoreApplication::applicationFilePath()).canonicalFilePath();
    const QString other = QFileInfo(FileName).canonicalFilePath();
    return !other.isEmpty() && other == self;
}

} // namespace

void TFileVer::SetFileName(const QString& FileName) {
    if (FileName == FFileName)
        return;
    FFileName = FileName;
    FLoaded = false;
    FVersion.reset();
}

bool TFileVer::GetVersion(uint16_t& Major, uint16_t& Minor, uint16_t& Release, uint16_t& Build) {
    if (!FLoaded) {
        FLoaded = true;
        if (IsProgramFile(FFileName))
            FVersion = std::array<uint16_t, 4>{AppVersionMajor, AppVersionMinor,
                                               AppVersionRelease, AppVersionBuild};
    }
    if (!FVersion)
        return false;
    Major = (*FVersion)[0];
    Minor = (*FVersion)[1];
    Release = (*FVersion)[2];
    Build = (*FVersion)[3];
    return true;
}
