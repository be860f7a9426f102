#include "UWizardInfo.h"

#include "UAppFrame.h"
#include "UPathResolver.h"
#include "UStreams.h"

#include <QFileInfo>

namespace {

bool SameName(const QString& A, const QString& B) {
    return A.compare(B, Qt::CaseInsensitive) == 0;
}

// A value of the file as a local relative path: Windows separators converted, a drive
// letter and leading separators dropped, so it always counts from its base folder.
QString RelativeLocal(const QString& Value) {
    QString local = ConvertWindowsPath(Value.trimmed());
    while (local.startsWith(u'/'))
        local.remove(0, 1);
    return local;
}

QString MissingMessage(const QString& FileName) {
    return QStringLiteral("カレンダーウィザードの定義ファイル「%1」が見つかりません。")
        .arg(FileName);
}

QString UnreadableMessage(const QString& FileName, const QString& Reason) {
    return QStringLiteral("カレンダーウィザードの定義ファイル「%1」を読み込めません。\n%2")
        .arg(FileName, Reason);
}

} // namespace

QString ChangeFileExt(const QString& Name, const QString& Ext) {
    const qsizetype slash = std::max(Name.lastIndexOf(u'/'), Name.lastIndexOf(u'\\'));
    const qsizetype dot = Name.lastIndexOf(u'.');
    const QString stem = dot > slash ? Name.left(dot) : Name;
    return stem + Ext;
}

TWizardInfo::TWizardInfo(const QString& FileName, const TFindFile& Find) {
    Load(FileName, Find);
}

void TWizardInfo::Load(const QString& FileName, const TFindFile& Find) {
    QString found;
    if (Find)
        found = Find(FileName);
    else if (TAppFrame* frame = TAppFrame::Global())
        found = frame->FindCDFile(FileName, QString());
    if (found.isEmpty()) {
        FLoadError = MissingMessage(FileName);
        return;
    }
    const QFileInfo info(found);
    if (!info.isFile()) {
        FLoadError = MissingMessage(FileName);
        return;
    }
    if (info.size() > MaxWizardFileSize) {
        FLoadError = UnreadableMessage(found, QStringLiteral("ファイルが大きすぎます。"));
        return;
    }
    try {
        FIni.Load(ReadWholeFile(found));
    } catch (const Exception& e) {
        FLoadError = UnreadableMessage(found, e.Message);
        return;
    }
    FIniFileName = info.absoluteFilePath();
    FLoaded = true;
    FDefaultExt =
        ReadString(QStringLiteral("Settings"), QStringLiteral("DefaultExt"), QString()).trimmed();
    if (!FDefaultExt.isEmpty() && !FDefaultExt.startsWith(u'.'))
        FDefaultExt.prepend(u'.');
}

QString TWizardInfo::ReadString(const QString& Section, const QString& Key,
                                const QString& Default) const {
    for (const auto& [key, value] : FIni.Section(Section))
        if (SameName(key, Key))
            return value;
    return Default;
}

int TWizardInfo::ReadInteger(const QString& Section, const QString& Key, int Default) const {
    const QString text = ReadString(Section, Key, QString()).trimmed();
    bool ok = false;
    const int value = text.startsWith(u'$') ? text.mid(1).toInt(&ok, 16) : text.toInt(&ok, 10);
    return ok ? value : Default;
}

int TWizardInfo::ReadKind(const QString& Kind) {
    if (!FLoaded)
        return 0;
    FEntries.clear();
    FDefaultFolder.clear();
    FType.clear();
    FPullDowns = QStringList{SWizardShowAll};
    for (const auto& [key, value] : FIni.Section(Kind)) {
        if (SameName(key, QStringLiteral("DefaultFolder")))
            FDefaultFolder = value;
        else if (SameName(key, QStringLiteral("Type")))
            FType = value;
        else if (key.startsWith(QStringLiteral("PullDown"), Qt::CaseInsensitive))
            FPullDowns.append(value);
        else if (!value.isEmpty())
            FEntries.append(value);
    }
    return static_cast<int>(FEntries.size());
}

QString TWizardInfo::DocumentPath(const QString& Name) const {
    const QString folder = QFileInfo(FIniFileName).absolutePath();
    const QString relative = JoinLocalPath(RelativeLocal(FDefaultFolder),
                                           ChangeFileExt(RelativeLocal(Name), FDefaultExt));
    return ResolveFileName(JoinLocalPath(folder, relative));
}

std::unique_ptr<TWizFileInfo> TWizardInfo::ReadEntry(int Index) const {
    if (Index < 0 || Index >= FEntries.size())
        throw EWizardInfoError(QStringLiteral("ウィザードの項目番号 %1 は範囲外です。").arg(Index));
    const QString& section = FEntries[Index];
    auto entry = std::make_unique<TWizFileInfo>();
    entry->Caption = ReadString(section, QStringLiteral("Caption"), QString());
    entry->Photos = ReadString(section, QStringLiteral("Photos"), QString());
    entry->PhotoGroup = ReadInteger(section, QStringLiteral("PhotoGroup"), -1);
    entry->Templates = ReadString(section, QStringLiteral("Templates"), QString());
    entry->FileName = DocumentPath(section);
    entry->IsVer2 = SameName(FType.trimmed(), QStringLiteral("Ver2"));
    entry->NeedsConversion = entry->IsVer2;
    const QString pullDown = ReadString(section, QStringLiteral("PullDown"), QString());
    for (const QString& name : pullDown.split(u',')) {
        const QString trimmed = name.trimmed();
        if (!trimmed.isEmpty())
            entry->PullDownFiles.append(DocumentPath(trimmed));
    }
    return entry;
}
