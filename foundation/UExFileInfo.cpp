#include "UExFileInfo.h"

#include <QFileIconProvider>
#include <QFileInfo>
#include <QMimeDatabase>

namespace {

QString ExtensionKey(const QString& FileName) {
    const QString suffix = QFileInfo(FileName).suffix();
    return suffix.isEmpty() ? QString() : QLatin1Char('.') + suffix.toUpper();
}

TExFileTypeInfo LookUp(const QString& FileName) {
    const QMimeType mime = QMimeDatabase().mimeTypeForFile(FileName, QMimeDatabase::MatchExtension);
    TExFileTypeInfo info;
    info.TypeName = mime.comment();
    info.Icon = QIcon::fromTheme(mime.iconName(), QIcon::fromTheme(mime.genericIconName()));
    if (info.Icon.isNull())
        info.Icon = QFileIconProvider().icon(QAbstractFileIconProvider::File);
    return info;
}

} // namespace

const TExFileTypeInfo& TExFileInfo::GetFileInfo(const QString& FileName) {
    const QString key = ExtensionKey(FileName);
    auto found = FCache.find(key);
    if (found == FCache.end())
        found = FCache.emplace(key, LookUp(FileName)).first;
    return found->second;
}
