#include "UPathResolver.h"

#include <QDir>
#include <QFileInfo>
#include <QStringList>

namespace {

QString AppendComponent(const QString& Dir, const QString& Name) {
    if (Dir.isEmpty())
        return Name;
    return Dir.endsWith(QLatin1Char('/')) ? Dir + Name : Dir + QLatin1Char('/') + Name;
}

// The spelling of Name inside Dir: Name itself when it exists, else the first entry of Dir
// equal to it ignoring case. Clears Found when there is none.
QString MatchEntry(const QString& Dir, const QString& Name, bool& Found) {
    const QString lookupDir = Dir.isEmpty() ? QStringLiteral(".") : Dir;
    if (QFileInfo::exists(AppendComponent(lookupDir, Name)))
        return Name;
    const QStringList entries = QDir(lookupDir).entryList(
        QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot, QDir::Name);
    for (const QString& entry : entries)
        if (entry.compare(Name, Qt::CaseInsensitive) == 0)
            return entry;
    Found = false;
    return Name;
}

} // namespace

bool HasDriveLetter(const QString& Path) {
    if (Path.size() < 2 || Path[1] != QLatin1Char(':'))
        return false;
    const char16_t c = Path[0].unicode();
    return (c >= u'A' && c <= u'Z') || (c >= u'a' && c <= u'z');
}

QString ConvertWindowsPath(const QString& Path) {
    QString s = Path;
    s.replace(QLatin1Char('\\'), QLatin1Char('/'));
    if (HasDriveLetter(s)) {
        s.remove(0, 2);
        if (!s.startsWith(QLatin1Char('/')))
            s.prepend(QLatin1Char('/'));
    }
    return s;
}

QString ResolveFileName(const QString& Path) {
    const QString local = ConvertWindowsPath(Path);
    if (local.isEmpty())
        return {};
    const bool absolute = local.startsWith(QLatin1Char('/'));
    const bool trailing = local.size() > 1 && local.endsWith(QLatin1Char('/'));
    QString result = absolute ? QStringLiteral("/") : QString();
    bool found = true;
    for (const QString& part : local.split(QLatin1Char('/'), Qt::SkipEmptyParts)) {
        if (part == QLatin1String("."))
            continue;
        const bool lookUp = found && part != QLatin1String("..");
        result = AppendComponent(result, lookUp ? MatchEntry(result, part, found) : part);
    }
    if (result.isEmpty())
        return QStringLiteral(".");
    if (trailing && !result.endsWith(QLatin1Char('/')))
        result += QLatin1Char('/');
    return result;
}

QString FindExistingPath(const QString& Path) {
    const QString resolved = ResolveFileName(Path);
    if (resolved.isEmpty() || !QFileInfo::exists(resolved))
        return {};
    return resolved;
}

QString FindExistingFile(const QString& Path) {
    const QString resolved = FindExistingPath(Path);
    if (resolved.isEmpty() || !QFileInfo(resolved).isFile())
        return {};
    return resolved;
}

QString JoinLocalPath(const QString& Folder, const QString& Name) {
    QString f = Folder;
    f.replace(QLatin1Char('\\'), QLatin1Char('/'));
    QString n = Name;
    n.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (n.startsWith(QLatin1Char('/')))
        n.remove(0, 1);
    if (f.isEmpty())
        return n;
    while (f.size() > 1 && f.endsWith(QLatin1Char('/')))
        f.chop(1);
    if (n.isEmpty())
        return f;
    return f.endsWith(QLatin1Char('/')) ? f + n : f + QLatin1Char('/') + n;
}
