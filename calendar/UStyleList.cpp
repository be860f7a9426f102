#include "UStyleList.h"

#include "UCodePage.h"
#include "UException.h"
#include "UPathResolver.h"
#include "UPictureEx.h"
#include "UStreams.h"

#include <QDebug>

#include <QFile>
#include <QFileInfo>

namespace {

const std::vector<TStyleEntry> NoEntries;

// A file reference that stays inside the list's folder: relative, no drive, no "..".
bool IsSafeRelativeFile(const QString& File) {
    if (File.isEmpty() || HasDriveLetter(File) || File.startsWith(u'/') || File.startsWith(u'\\'))
        return false;
    const QStringList parts = QString(File).replace(u'\\', u'/').split(u'/');
    for (const QString& part : parts)
        if (part == QLatin1String(".."))
            return false;
    return true;
}

} // namespace

QString TStyleIndexList::LoadFromFile(const QString& FileName) {
    Clear();
    const QString path = FindExistingFile(FileName);
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (file.size() > MaxFileSize)
        return QStringLiteral("%1: リストが大きすぎます").arg(path);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("%1: %2").arg(path, file.errorString());
    const QByteArray bytes = file.read(MaxFileSize + 1);
    if (bytes.size() > MaxFileSize)
        return QStringLiteral("%1: リストが大きすぎます").arg(path);
    const QString problem = LoadFromBytes(bytes, QFileInfo(path).absolutePath());
    return problem.isEmpty() ? problem : path + QStringLiteral(": ") + problem;
}

QString TStyleIndexList::LoadFromBytes(const QByteArray& Bytes, const QString& Folder) {
    Clear();
    if (Bytes.size() > MaxFileSize)
        return QStringLiteral("リストが大きすぎます");
    bool ok = false;
    const QString text = FromCP932(Bytes, &ok);
    if (!ok)
        return QStringLiteral("文字コードが正しくありません");
    std::map<QString, std::vector<TStyleEntry>> sections;
    std::vector<TStyleEntry>* current = nullptr;
    int count = 0;
    int lineNo = 0;
    for (const QStringView raw : QStringView(text).split(u'\n')) {
        ++lineNo;
        const QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[') && line.endsWith(u']')) {
            current = &sections[line.mid(1, line.size() - 2).trimmed().toLower()];
            continue;
        }
        if (!current)
            continue;
        if (++count > MaxEntries)
            return QStringLiteral("項目が多すぎます");
        const qsizetype eq = line.indexOf(u'=');
        const QString file = (eq < 0 ? line : line.mid(eq + 1)).trimmed();
        if (!IsSafeRelativeFile(file))
            return QStringLiteral("%1 行目: ファイル名「%2」は使えません").arg(lineNo).arg(file);
        QString name = eq < 0 ? QFileInfo(ConvertWindowsPath(file)).completeBaseName()
                              : line.left(eq).trimmed();
        current->push_back({std::move(name), ResolveFileName(JoinLocalPath(Folder, file))});
    }
    FSections = std::move(sections);
    return {};
}

const std::vector<TStyleEntry>& TStyleIndexList::Section(const QString& Name) const {
    const auto it = FSections.find(Name.toLower());
    return it == FSections.end() ? NoEntries : it->second;
}

QStringList TStyleIndexList::Names(const QString& Section) const {
    QStringList names;
    for (const TStyleEntry& entry : this->Section(Section))
        names << entry.Name;
    return names;
}

// ---------------------------------------------------------------------------------------

TStylePictures::TStylePictures(const TStyleIndexList* List, QString Section)
    : FList(List), FSection(std::move(Section)) {}

TStylePictures::~TStylePictures() = default;

bool TStylePictures::LoadEntry(int Index, TPictureEx& Picture) const {
    if (!FList || Index < 0)
        return false;
    const std::vector<TStyleEntry>& entries = FList->Section(FSection);
    if (Index >= static_cast<int>(entries.size()))
        return false;
    const QString& file = entries[static_cast<size_t>(Index)].FileName;
    try {
        TPictureEx loaded;
        loaded.LoadFromFile(file);
        if (!loaded.Graphic() || loaded.Graphic()->Empty())
            return false;
        Picture.Assign(&loaded);
        return true;
    } catch (const Exception& E) {
        qWarning().noquote() << file << E.Message;
        return false;
    }
}

const TPictureEx* TStylePictures::Picture(int Code) const {
    if (Code < 1 || !FList || Code > static_cast<int>(FList->Section(FSection).size()))
        return nullptr;
    auto [it, added] = FCache.try_emplace(Code);
    if (added) {
        auto picture = std::make_unique<TPictureEx>();
        if (LoadEntry(Code - 1, *picture))
            it->second = std::move(picture);
    }
    return it->second.get();
}
