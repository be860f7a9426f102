#include "UImageFolderDesc.h"

#include "UAppFrame.h"
#include "UCodePage.h"
#include "UPathResolver.h"
#include "UStreams.h"

#include <QDebug>
#include <QFileInfo>

// ---------------------------------------------------------------------------------------
// TOrderedIni

void TOrderedIni::Load(const QByteArray& Bytes) {
    FSections.clear();
    const QString text = FromCP932(Bytes);
    std::vector<TEntry>* current = nullptr;
    for (QStringView raw : QStringView(text).split(u'\n')) {
        const QString line = raw.trimmed().toString();
        if (line.isEmpty() || line.startsWith(u';'))
            continue;
        if (line.startsWith(u'[')) {
            const qsizetype close = line.indexOf(u']');
            if (close < 0)
                continue;
            FSections.push_back({line.mid(1, close - 1).trimmed(), {}});
            current = &FSections.back().second;
            continue;
        }
        const qsizetype eq = line.indexOf(u'=');
        if (!current || eq <= 0)
            continue;
        current->push_back({line.left(eq).trimmed(), line.mid(eq + 1).trimmed()});
    }
}

std::vector<TOrderedIni::TEntry> TOrderedIni::Section(const QString& Name) const {
    std::vector<TEntry> entries;
    for (const auto& [name, sectionEntries] : FSections)
        if (name.compare(Name, Qt::CaseInsensitive) == 0)
            entries.insert(entries.end(), sectionEntries.begin(), sectionEntries.end());
    return entries;
}

QString TOrderedIni::ReadString(const QString& SectionName, const QString& Key,
                                const QString& Default) const {
    for (const TEntry& e : Section(SectionName))
        if (e.first == Key)
            return e.second;
    return Default;
}

int TOrderedIni::ReadInteger(const QString& SectionName, const QString& Key, int Default) const {
    QString text = ReadString(SectionName, Key, QString());
    bool ok = false;
    int value = 0;
    if (text.startsWith(u'$'))
        value = text.mid(1).toInt(&ok, 16);
    else
        value = text.toInt(&ok, 10);
    return ok ? value : Default;
}

// ---------------------------------------------------------------------------------------
// TImageFolderInfo

TImageFolderInfo::TImageFolderInfo(const QString& IndexFileName, bool UseV2,
                                   const TFindFile& Find) {
    QString found;
    if (Find)
        found = Find(IndexFileName);
    else if (TAppFrame* frame = TAppFrame::Global())
        found = frame->FindCDFile(IndexFileName, QString());
    if (found.isEmpty())
        return;
    try {
        FIni.Load(ReadWholeFile(found));
    } catch (const EStreamError& e) {
        qWarning() << "image folder description not read:" << e.Message;
        return;
    }
    const QString section = UseV2 ? QStringLiteral("V2Index") : QStringLiteral("Index");
    for (const auto& entry : FIni.Section(section))
        FCategories << entry.second;
    FBaseFolder = QFileInfo(found).path();
    FValid = true;
}

QString TImageFolderInfo::CategorySection(int Index) const {
    return Index >= 0 && Index < FCategories.size() ? FCategories[Index] : QString();
}

void TImageFolderInfo::GetCaptions(QStringList& List) const {
    List.clear();
    for (const QString& category : FCategories)
        List << FIni.ReadString(category, QStringLiteral("Caption"), QString());
}

bool TImageFolderInfo::GetTransparent(int Index) const {
    const QString section = CategorySection(Index);
    return !section.isEmpty() && FIni.ReadInteger(section, QStringLiteral("Transparent"), 0) != 0;
}

void TImageFolderInfo::SetItemIndex(int Index) {
    if (Index == FItemIndex)
        return;
    FItemIndex = Index;
    FFileList.clear();
    const QString section = CategorySection(Index);
    if (section.isEmpty())
        return;
    QString folder = FBaseFolder + u'/';
    for (const auto& [key, value] : FIni.Section(section)) {
        if (key == QLatin1String("Folder"))
            folder += value;
        else if (key != QLatin1String("Caption") && key != QLatin1String("Transparent"))
            FFileList << JoinLocalPath(folder, value);
    }
}
