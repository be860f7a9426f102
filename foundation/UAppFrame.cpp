#include "UAppFrame.h"

#include "UDataCDLocator.h"
#include "URegistry.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QStandardPaths>

namespace {

// The frame the free routines use; the system's one frame in a running program.
TAppFrame* GlobalFrame = nullptr;

QString ShortVersion() {
    return QStringLiteral("%1.%2").arg(AppVersionMajor).arg(AppVersionMinor);
}

QString LongVersion() {
    return ShortVersion() + QStringLiteral(".%1.%2").arg(AppVersionRelease).arg(AppVersionBuild);
}

// Runs Read on the settings key of Frame, or answers Default when there is none.
template <class T, class F>
T ReadSetting(const TAppFrame* Frame, const QString& Name, const T& Default, F&& Read) {
    if (!Frame)
        return Default;
    const auto registry = Frame->OpenRegistry(false);
    if (!registry || !registry->ValueExists(Name))
        return Default;
    return Read(*registry);
}

void WriteSetting(const TAppFrame* Frame, const QString& Name, const QString& Value) {
    if (!Frame)
        return;
    if (const auto registry = Frame->OpenRegistry(true))
        registry->WriteString(Name, Value);
}

QString ReadSettingString(const TAppFrame* Frame, const QString& Name, const QString& Default) {
    return ReadSetting(Frame, Name, Default,
                       [&](const TRegistry& R) { return R.ReadString(Name, Default); });
}

} // namespace

TAppFrame::TAppFrame() : FCDLocator(std::make_unique<TDataCDLocator>(*this)) {
    FMacro.SetValue(QStringLiteral("AppName"), QStringLiteral("Project"));
    GlobalFrame = this;
}

TAppFrame::~TAppFrame() {
    if (GlobalFrame == this)
        GlobalFrame = nullptr;
}

TAppFrame* TAppFrame::Global() {
    return GlobalFrame;
}

void TAppFrame::Loaded() {
    const QFileInfo exe(QCoreApplication::applicationFilePath());
    const QString folder = exe.absolutePath() + QLatin1Char('/');
    if (FMacro.Values(QStringLiteral("SysKeyFile")).isEmpty())
        FMacro.SetValue(QStringLiteral("SysKeyFile"), exe.fileName());
    if (FMacro.Values(QStringLiteral("SysApplicationFolder")).isEmpty())
        FMacro.SetValue(QStringLiteral("SysApplicationFolder"), exe.completeBaseName());
    FMacro.SetValue(QStringLiteral("CRLF"), QStringLiteral("\r\n"));
    FMacro.SetValue(QStringLiteral("Quote"), QStringLiteral("\""));
    FMacro.SetValue(QStringLiteral("ExeDir"), folder);
    FMacro.SetValue(QStringLiteral("ExeNameNoExt"), folder + exe.completeBaseName());
    FMacro.SetValue(QStringLiteral("AppDataDir"),
                    QStandardPaths::writableLocation(QStandardPaths::GenericDataLocation) +
                        QLatin1Char('/'));
    FMacro.SetValue(QStringLiteral("ShortVer"), ShortVersion());
    FMacro.SetValue(QStringLiteral("LongVer"), LongVersion());
}

std::unique_ptr<TRegistry> TAppFrame::OpenRegistry(bool ForWrite) const {
    if (FMacro.IndexOfName(QStringLiteral("SysRegistryKey")) < 0)
        return nullptr;
    const QString key = ExpandMacros(QStringLiteral("$(SysRegistryKey:inessential)"));
    if (key.isEmpty())
        return nullptr;
    auto registry = std::make_unique<TRegistry>(HKEY_CURRENT_USER);
    const QString path = QLatin1Char('\\') + key;
    const bool opened = ForWrite ? registry->OpenKey(path, true) : registry->OpenKeyReadOnly(path);
    return opened ? std::move(registry) : nullptr;
}

QString TAppFrame::FindCDFile(const QString& FileName, const QString& PromptName) {
    const QString displayName =
        PromptName == QLatin1String("@") ? QStringLiteral("必要なファイル") : PromptName;
    QString result = FCDLocator->Locate(FileName);
    while (result.isEmpty() && !PromptName.isEmpty()) {
        bool retry = true;
        DoCDNotFound(displayName, retry);
        if (!retry)
            break;
        result = FCDLocator->Locate(FileName);
    }
    return result;
}

QString TAppFrame::GetCDPath() const {
    return ReadSettingString(this, QStringLiteral("CDPath"), QString());
}

void TAppFrame::SetCDPath(const QString& Value) {
    WriteSetting(this, QStringLiteral("CDPath"), Value);
}

void TAppFrame::DoCDNotFound(const QString& DisplayName, bool& Retry) {
    if (OnCDNotFound)
        OnCDNotFound(DisplayName, Retry);
    else
        Retry = false;
}

QString ExpandMacros(const QString& Text) {
    const TAppFrame* frame = TAppFrame::Global();
    return frame ? frame->ExpandMacros(Text) : Text;
}

bool RegReadBool(const QString& Name, bool Default) {
    return RegReadInteger(Name, Default ? 1 : 0) != 0;
}

int RegReadInteger(const QString& Name, int Default) {
    return ReadSetting(TAppFrame::Global(), Name, Default,
                       [&](const TRegistry& R) { return R.ReadInteger(Name, Default); });
}

QString RegReadString(const QString& Name, const QString& Default) {
    return ReadSettingString(TAppFrame::Global(), Name, Default);
}

void RegWriteBool(const QString& Name, bool Value) {
    RegWriteInteger(Name, Value ? 1 : 0);
}

void RegWriteInteger(const QString& Name, int Value) {
    RegWriteString(Name, QString::number(Value));
}

void RegWriteString(const QString& Name, const QString& Value) {
    WriteSetting(TAppFrame::Global(), Name, Value);
}
