#include "UPathUtil.h"

#include <QDir>
#include <QFileInfo>
#include <QTemporaryFile>

namespace {
const QChar Backslash = u'\\';
} // namespace

QString AppendBackslash(const QString& Path) {
    if (Path.isEmpty() || Path.endsWith(Backslash))
        return Path;
    return Path + Backslash;
}

QString RemoveTrailingBackslash(const QString& Path) {
    return Path.endsWith(Backslash) ? Path.chopped(1) : Path;
}

QString JoinPath(const QString& Dir, const QString& Name) {
    return AppendBackslash(Dir) + Name;
}

QString ExtractFirstElement(QString& Path) {
    const qsizetype at = Path.indexOf(Backslash);
    if (at < 0) {
        QString first = Path;
        Path.clear();
        return first;
    }
    QString first = Path.left(at);
    Path.remove(0, at + 1);
    return first;
}

void AddPathElements(QStringList& List, const QString& Path) {
    QString rest = Path;
    if (rest.startsWith(Backslash)) {
        List.clear();
        rest.remove(0, 1);
    }
    while (!rest.isEmpty()) {
        const QString element = ExtractFirstElement(rest);
        if (element.isEmpty() || element == u".")
            continue;
        if (element == u"..") {
            if (List.isEmpty())
                throw EPathUtil(QStringLiteral("too many \"..\""));
            List.removeLast();
            continue;
        }
        List.append(element);
    }
}

QString ResolvePath(const QString& Path, const QString& Base) {
    QStringList elements;
    AddPathElements(elements, Base);
    AddPathElements(elements, Path);
    const QString joined = elements.join(Backslash);
    return Base.startsWith(Backslash) ? Backslash + joined : joined;
}

bool IsDirectory(const QString& Path) {
    return !Path.isEmpty() && QFileInfo(Path).isDir();
}

void FindFilesRecursive(TStringList& List, const QString& Folder) {
    if (!IsDirectory(Folder))
        return;
    const QFileInfoList entries = QDir(Folder).entryInfoList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QFileInfo& entry : entries) {
        if (entry.fileName().startsWith(u'.'))
            continue;
        if (entry.isDir()) {
            if (!entry.isSymLink())
                FindFilesRecursive(List, entry.filePath());
        } else {
            List.Add(entry.filePath());
        }
    }
}

QString MakeTempFileName(const QString& Prefix) {
    QTemporaryFile file(QDir::tempPath() + u'/' + Prefix + QStringLiteral("XXXXXX.tmp"));
    file.setAutoRemove(false);
    if (!file.open())
        throw EFCreateError(
            QStringLiteral("一時ファイル %1 を作成できません").arg(file.fileTemplate()));
    return file.fileName();
}
