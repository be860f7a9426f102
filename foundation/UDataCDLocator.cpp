#include "UDataCDLocator.h"

#include "UAppFrame.h"
#include "UPathResolver.h"
#include "URegistry.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>
#include <pwd.h>
#include <unistd.h>

namespace {

constexpr int MaxInstallAlternatives = 10;
constexpr int MaxDiskNumber = 9;

bool HasWildcard(const QString& Name) {
    return Name.contains(QLatin1Char('*')) || Name.contains(QLatin1Char('?'));
}

QString UserName() {
    QString name = qEnvironmentVariable("USER");
    if (name.isEmpty())
        if (const passwd* pw = getpwuid(getuid()))
            name = QString::fromLocal8Bit(pw->pw_name);
    return name;
}

// The folders whose sub-folders are mount points of removable media, most specific first.
QStringList MountContainers() {
    const QString user = UserName();
    QStringList containers;
    if (!user.isEmpty())
        containers << QStringLiteral("/media/") + user << QStringLiteral("/run/media/") + user;
    containers << QStringLiteral("/media") << QStringLiteral("/mnt");
    return containers;
}

// Decodes the octal escapes (\040 for a space) of a mount table field.
QString DecodeMountField(const QByteArray& Field) {
    QByteArray out;
    for (qsizetype i = 0; i < Field.size(); ++i) {
        if (Field[i] == '\\' && i + 3 < Field.size()) {
            bool ok = false;
            const int code = Field.mid(i + 1, 3).toInt(&ok, 8);
            if (ok && code < 256) {
                out += static_cast<char>(code);
                i += 3;
                continue;
            }
        }
        out += Field[i];
    }
    return QString::fromLocal8Bit(out);
}

// Mount points of floppy disks (devices /dev/fd*), which are never searched.
QSet<QString> FloppyMountPoints() {
    QSet<QString> points;
    QFile mounts(QStringLiteral("/proc/self/mounts"));
    if (!mounts.open(QIODevice::ReadOnly))
        return points;
    for (const QByteArray& line : mounts.readAll().split('\n')) {
        const QList<QByteArray> fields = line.split(' ');
        if (fields.size() >= 2 && fields[0].startsWith("/dev/fd"))
            points.insert(DecodeMountField(fields[1]));
    }
    return points;
}

// A pattern for QDir name filters that gives '*' and '?' their meaning and nothing else.
QString NameFilter(const QString& Pattern) {
    QString filter = Pattern;
    filter.replace(QLatin1Char('['), QLatin1String("[[]"));
    return filter;
}

} // namespace

QStringList TDataCDLocator::DefaultDriveRoots() {
    const QSet<QString> floppies = FloppyMountPoints();
    QStringList roots;
    for (const QString& container : MountContainers()) {
        const QDir dir(container);
        for (const QString& name : dir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            const QString root = dir.filePath(name);
            if (!roots.contains(root) && !floppies.contains(root))
                roots.append(root);
        }
    }
    return roots;
}

QStringList TDataCDLocator::DriveRoots() const {
    return FDriveRoots.isEmpty() ? DefaultDriveRoots() : FDriveRoots;
}

QString TDataCDLocator::Expand(const QString& Text) const {
    return FFrame.ExpandMacros(Text);
}

bool TDataCDLocator::HoldsKeyFile(const QString& Folder) const {
    const QString keyFile = Expand(QStringLiteral("$(SysKeyFile:inessential)"));
    return !keyFile.isEmpty() && !FindExistingFile(JoinLocalPath(Folder, keyFile)).isEmpty();
}

QString TDataCDLocator::TryFolder(const QString& Folder, const QString& FileName) const {
    if (Folder.isEmpty())
        return {};
    const QString candidate = JoinLocalPath(Folder, FileName);
    if (!HasWildcard(FileName))
        return FindExistingFile(candidate);
    const qsizetype slash = candidate.lastIndexOf(QLatin1Char('/'));
    const QString folder =
        FindExistingPath(slash < 0 ? QStringLiteral(".") : candidate.left(slash));
    if (folder.isEmpty())
        return {};
    const QStringList matches =
        QDir(folder).entryList({NameFilter(candidate.mid(slash + 1))},
                               QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
    return matches.isEmpty() ? QString() : JoinLocalPath(folder, matches.first());
}

QString TDataCDLocator::TryRoot(const QString& Root, const QString& FileName) const {
    if (Root.isEmpty() || !HoldsKeyFile(Root))
        return {};
    const QString found = TryFolder(Root, FileName);
    return found.isEmpty() ? TryDiskSiblings(Root, FileName) : found;
}

QString TDataCDLocator::TryDiskSiblings(const QString& Root, const QString& FileName) const {
    const QFileInfo root(FindExistingPath(Root));
    if (!root.fileName().startsWith(QLatin1String("disk"), Qt::CaseInsensitive))
        return {};
    const QString parent = root.absolutePath();
    for (int n = 1; n <= MaxDiskNumber; ++n) {
        const QString sibling =
            FindExistingPath(JoinLocalPath(parent, QStringLiteral("disk%1").arg(n)));
        if (sibling.isEmpty() || !HoldsKeyFile(sibling))
            continue;
        const QString found = TryFolder(sibling, FileName);
        if (!found.isEmpty())
            return found;
    }
    return {};
}

QString TDataCDLocator::ReadInstallRoot(const QString& FileName) const {
    const QString installKey = Expand(QStringLiteral("$(SysInstallKey:inessential)"));
    if (installKey.isEmpty())
        return {};
    TRegistry registry(HKEY_CLASSES_ROOT);
    if (!registry.OpenKeyReadOnly(QLatin1Char('\\') + installKey + QStringLiteral("\\srcDir")))
        return {};
    // The last folder read is the answer, found or not; the step that tries the same path
    // on other mount folders needs it. An empty value ends the list without replacing it.
    QString root = registry.ReadString(QString());
    for (int n = 0; n < MaxInstallAlternatives && TryRoot(root, FileName).isEmpty(); ++n) {
        const QString alternative = registry.ReadString(QStringLiteral("srcDir%1").arg(n));
        if (alternative.isEmpty())
            break;
        root = alternative;
    }
    return root;
}

QString TDataCDLocator::TryDrives(const QString& SubPath, const QString& FileName) const {
    QString sub = SubPath;
    sub.replace(QLatin1Char('\\'), QLatin1Char('/'));
    while (sub.endsWith(QLatin1Char('/')))
        sub.chop(1);
    for (const QString& drive : DriveRoots()) {
        const QString root = sub.isEmpty() ? drive : JoinLocalPath(drive, sub);
        if (!TryRoot(root, FileName).isEmpty())
            return root;
    }
    return {};
}

QString TDataCDLocator::PathBelowMountFolder(const QString& Path) const {
    if (HasDriveLetter(Path))
        return ConvertWindowsPath(Path).mid(1);
    const QString local = QDir::cleanPath(ConvertWindowsPath(Path));
    for (const QString& drive : DriveRoots()) {
        const QString root = QDir::cleanPath(drive) + QLatin1Char('/');
        if (local.startsWith(root))
            return local.mid(root.size());
    }
    for (const QString& container : MountContainers()) {
        if (!local.startsWith(container + QLatin1Char('/')))
            continue;
        // Drop the container and the volume's own folder below it.
        return local.mid(container.size() + 1).section(QLatin1Char('/'), 1);
    }
    return {};
}

QString TDataCDLocator::SearchAllDrives(const QString& FileName) const {
    QString root = TryDrives(QString(), FileName);
    if (!root.isEmpty())
        return root;
    const QString installRoot = ReadInstallRoot(FileName);
    if (!installRoot.isEmpty()) {
        const QString below = PathBelowMountFolder(installRoot);
        if (!below.isEmpty())
            root = TryDrives(below, FileName);
        if (!root.isEmpty())
            return root;
    }
    const QString folder = Expand(QStringLiteral("$(SysApplicationFolder:inessential)"));
    return folder.isEmpty() ? QString() : TryDrives(folder, FileName);
}

QString TDataCDLocator::Locate(const QString& FileName) {
    QString found = TryFolder(Expand(QStringLiteral("$(ExeDir:inessential)")), FileName);
    if (found.isEmpty())
        found = TryRoot(FFrame.GetCDPath(), FileName);
    if (found.isEmpty())
        found = TryRoot(FRunCache, FileName);
    if (found.isEmpty()) {
        const QString installRoot = ReadInstallRoot(FileName);
        found = TryRoot(installRoot, FileName);
        if (!found.isEmpty())
            FRunCache = installRoot;
    }
    if (found.isEmpty()) {
        // The root found may hold the file only in a sibling disk folder, so it is searched
        // as a data root, not as a plain folder.
        FRunCache = SearchAllDrives(FileName);
        found = TryRoot(FRunCache, FileName);
    }
    return found;
}
