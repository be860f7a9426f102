#include "UdataMain.h"

#include "FEnvironment.h"
#include "FMessage.h"
#include "UAppClasses.h"
#include "UAppFolders.h"
#include "UBitmap.h"
#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UDayTable.h"
#include "UGlobalNotify.h"
#include "UGraphicUtils.h"
#include "UHolidays.h"
#include "UImageCache.h"
#include "UPaperLibrary.h"
#include "UPathResolver.h"
#include "UPictureEx.h"
#include "UPluginList.h"
#include "USafetyBitmap.h"
#include "UStreams.h"
#include "UStyleList.h"
#include "UUtils.h"
#include "UVXClient.h"

#include <QApplication>
#include <QDebug>
#include <QFileInfo>
#include <QPushButton>
#include <algorithm>
#include <utility>

namespace {

const QString SMissingFile =
    QStringLiteral("アプリケーションに必要なファイル「%s」が開けませんでした");
const QString SReadOnlyFile =
    QStringLiteral("実行に必要なファイル「%s」が読み取り専用になっています");
const QString SUseColorSpecHistory = QStringLiteral("UseColorSpecHistory");
const QString SPreviewCache = QStringLiteral("Preview.ic");
const QString STableDamaged =
    QStringLiteral("暦のテーブルに壊れた箇所があります。読めない日の暦は計算で求めます。\n%s");
const QString SScheduleSkipped = QStringLiteral(
    "スケジュールファイル「%s」の次の予定は日付が正しくないため読み込めませんでした。\n%s");
const QString SScheduleUnreadable =
    QStringLiteral("スケジュールファイル「%s」を読み込めませんでした。\n%s\n"
                   "ファイルはそのまま残します。今回はスケジュールを使わずに起動します。");
// At most this many skipped items are named in the message.
constexpr int MaxNamedItems = 10;
constexpr int PreviewSize = 200;

// The settings list as Name=Value lines (values are macro texts).
const char* const SettingsLines[] = {
    "AppName=Vantomi2005",
    "SysHelpFile=$(ExeNameNoExt).hlp",
    "SysMsgUnexpected=予期しないエラーが発生しました$(CRLF)%s",
    "SysMsgTwainErr=TWAINでエラーが発生しました。$(CRLF)"
    "TWAINドライバあるいはTWAIN機器に問題があると"
    "$(CRLF)思われます$(CRLF)「%s」",
    "SysMsgNotDefaultPrinter=通常使うプリンタがセットされていません$(CRLF)"
    "コントロールパネルのプリンタを開いて設定してください",
    "SysMsgNotEnoughColor=「$(AppName)」は、32,000色以上の$(CRLF)表示環境でご使用ください。$(CRLF)"
    "正しく表示できないことがありますが起動しますか？",
    "SysMsgAlreadyRun=$(AppName)は、すでに実行中です",
    "SysMutexID=Vantomi.$(ShortVer).Ostrivan.Japan",
    "SysMsgCDNotFound=%sが見つかりません$(CRLF)$(AppName)のＣＤを正しくセットしてください。",
    "SysRegistryKey=Software\\Quorvelin\\Vantomi\\$(ShortVer)\\Settings",
    "SysKeyFile=",
    "SysApplicationFolder=",
    "SysInstallKey=Vantomi5.Application",
    "ProductDB=$(ExeNameNoExt).cdb",
    "SystemPaperInfo=$(ExeNameNoExt).ppr",
    "CoonsDistortionData=$(ExeNameNoExt).cdd",
    "UserImageHistory=$(SysRegistryKey)\\UserImageHistory",
    "OpenFileHistory=$(SysRegistryKey)\\OpenFileHistory",
    "CDPathHistory=$(SysRegistryKey)\\CDPathHistory",
    "WindowColors=$(SysRegistryKey)\\WindowColors",
    "LabelDataHistory=$(SysRegistryKey)\\LabelDataHistory",
    "TitleBarFormat=$(AppName) - %s",
    "PrintTitleFormat=%s - $(AppName)",
    "FindPaperHistory=$(SysRegistryKey)\\FindPaperHistory",
    "UsedPaperHistory=$(SysRegistryKey)\\UsedPaperHistory",
    "OpenDataFilter=%sデータ(*.%s)|*.%s|すべてのファイル(*.*)|*.*",
    "UserPreferenceFolder=$(AppDataDir)$(AppName)\\$(ShortVer)\\",
    "SystemPreferenceFolder=$(ExeDir)",
    "ColorSpecHistory=$(UserPreferenceFolder)ColorSpec.hst",
    "FindAlbumHistory=$(SysRegistryKey)\\FindAlbumHistory",
    "ImageCacheFile=$(SystemPreferenceFolder)ImageCache.ic",
    "ImageFileExtentions=.bmp;.jpg;.jpeg;.pcd;.wmf;.emf;.cbm;.gif;.png",
    "UserPaperInfo=$(UserPreferenceFolder)UserPaper.ppr",
    "MoonAgeTable=$(SystemPreferenceFolder)MoonAge.tbl",
    "W6Z24Table=$(SystemPreferenceFolder)W6Z24.tbl",
    "HolidayTable=$(SystemPreferenceFolder)Holiday.tbl",
    "ScheduleFilePath=$(UserPreferenceFolder)",
    "PrintTitleFormatEachSheet=「%s」 %s",
    "SysMsgNotPowerUsers=「$(AppName)」の実行には$(CRLF)"
    "標準ユーザー（PowerUsers）以上の権限が必要です",
    "ImageFontFolder=Data\\PicFont",
    "QRCodeHistory=$(SysRegistryKey)\\QRCodeHistory",
    "DecoStrHistory=$(SysRegistryKey)\\DecoStrHistory",
    "SchStrHistory=$(SysRegistryKey)\\SchStrHistory",
};

// Raises EFileError when the required file Path is missing or read-only.
void CheckDataFile(const QString& Path) {
    const QString name = QFileInfo(Path).fileName();
    if (!QFileInfo(Path).isFile())
        throw EFileError(FormatMessageText(SMissingFile, {name}));
    if (!IsWritablePath(Path))
        throw EFileError(FormatMessageText(SReadOnlyFile, {name}));
}

// The schedule as its file holds it.
QByteArray ScheduleBytes(TCalSchedule& Schedule) {
    TMemoryStream stream;
    Schedule.SaveToStream(stream);
    return stream.Bytes();
}

void LogProblems(const QStringList& Problems) {
    for (const QString& problem : Problems)
        qWarning().noquote() << problem;
}

// Draws Picture fitted into a PreviewSize square on white.
void MakePreview(TPictureEx& Picture) {
    const TRect fit =
        FitRectSize(TRect(0, 0, Picture.Width(), Picture.Height()), PreviewSize, PreviewSize);
    TBitmap bitmap(std::max(1, fit.Width()), std::max(1, fit.Height()), pf24bit);
    bitmap.Fill(clWhite);
    RenderPictureToBitmap(Picture, bitmap, clNone, true, clWhite);
    Picture.SetGraphic(std::make_unique<TSafetyBitmap>(bitmap));
}

// The entry of Path in the preview cache of its folder ("Preview.ic", read-only, entries
// by bare file name); false when there is none.
bool ReadFolderPreview(const QString& Path, TPictureEx& Picture) {
    const QString folderCache =
        FindExistingFile(QFileInfo(Path).absolutePath() + u'/' + SPreviewCache);
    if (folderCache.isEmpty())
        return false;
    try {
        TImageCacheStorage cache;
        cache.Open(folderCache, true, true);
        TImageCacheItem item;
        if (cache.ReadItem(Path, item) && !IsPictureEmpty(item.Picture())) {
            Picture.Assign(item.Picture());
            return true;
        }
    } catch (const Exception& E) {
        qWarning().noquote() << folderCache << E.Message;
    }
    return false;
}

} // namespace

// ---------------------------------------------------------------------------------------

QString LoadRequiredTable(const QString& Path, const std::function<QString(const QString&)>& Load) {
    CheckDataFile(Path);
    try {
        return Load(Path);
    } catch (const Exception& E) {
        throw EFileError(E.Message);
    }
}

bool TCDLabelPurposeValidator::IsObsolete(const QString& ID) const {
    return ID == QLatin1String("MO") || ID == QLatin1String("FD") || ID == QLatin1String("CDCase");
}

QString TCDLabelPurposeValidator::Replace(const QString& ID) const {
    if (ID == QLatin1String("MO") || ID == QLatin1String("FD"))
        return QStringLiteral("MOSquare");
    if (ID == QLatin1String("CDCase"))
        return QStringLiteral("CDCaseTray");
    return ID;
}

TStringList DataModuleSettings() {
    TStringList lines;
    for (const char* line : SettingsLines)
        lines.Add(QString::fromUtf8(line));
    return lines;
}

// ---------------------------------------------------------------------------------------

TdataMain::TdataMain(TMainFormFactory MainFormFactory, TStartupOptions Options)
    : FMainFormFactory(std::move(MainFormFactory)), FOptions(std::move(Options)) {}

TdataMain::~TdataMain() {
    FMainForm.reset();
    FColorGrid.reset();
    FGlobalNotify.reset();
    if (FCalendarServices && CalendarServices() == FCalendarServices.get())
        SetCalendarServices(nullptr);
    FCalendarServices.reset();
    FStampPictures.reset();
    FScheduleStylePictures.reset();
    FPictureNumbers.reset();
    FPictureFonts.reset();
    if (FSchedule) {
        try {
            SaveScheduleIfChanged();
        } catch (const std::exception& E) {
            FAppFrame->HandleException(E);
        }
        FSchedule.reset();
    }
    FStampList.reset();
    FScheduleStyleList.reset();
    FYearMonthList.reset();
    if (FPurposeValidator && GetPurposeValidator() == FPurposeValidator.get())
        SetPurposeValidator(nullptr);
    FPurposeValidator.reset();
    FPluginList1.reset();
    FPluginList2.reset();
    FClient.reset();
    FImageCache.reset();
    FPaperLibrary.reset();
    if (FTablesLoaded) {
        SetMoonAgeTable(nullptr);
        SetW6Z24Table(nullptr);
        SetHolidayTable(nullptr);
    }
    FAppFrame.reset();
}

bool TdataMain::Create() {
    if (FCreated)
        return FReady;
    FCreated = true;
    RegisterApplicationClasses();
    CreateAppFrame();
    try {
        FClient = std::make_unique<TVXAppFrameClient>();
        LoadPlugins();
        FPurposeValidator = std::make_unique<TCDLabelPurposeValidator>();
        SetPurposeValidator(FPurposeValidator.get());
        // Picture formats are registered with the application's classes above.
        if (!FAppFrame->CheckExecuteCondition())
            return false;
        SetUpFolders();
        if (!LoadData())
            return false;
        InstallCalendarServices();
        ShowStartupNotes();
        CreateWindows();
        FReady = true;
    } catch (const std::exception& E) {
        FAppFrame->HandleException(E);
    }
    return FReady;
}

void TdataMain::CreateAppFrame() {
    FAppFrame = std::make_unique<TAppFrame>();
    FAppFrame->setObjectName(QStringLiteral("AppFrame1"));
    FAppFrame->SetMacro(DataModuleSettings());
    FAppFrame->SetExecuteCondition(ecNeedHighColor | ecNeedPrinter | ecExclusive | ecPowerUsers);
    if (FOptions.DisplayColorBits)
        FAppFrame->DisplayColorBits = FOptions.DisplayColorBits;
    if (FOptions.SelectPrinter)
        FAppFrame->SelectPrinter = FOptions.SelectPrinter;
    FAppFrame->OnMessageBox = [this](const QString& Message, const TBitBtnKinds& Buttons,
                                     int DefaultIndex, int CancelIndex) {
        return AppFrame1MessageBox(Message, Buttons, DefaultIndex, CancelIndex);
    };
    FAppFrame->OnCDNotFound = [this](const QString& FileName, bool& Retry) {
        AppFrame1CDNotFound(FileName, Retry);
    };
    FAppFrame->Loaded();
    if (!FOptions.ProgramFolder.isEmpty()) {
        QString folder = FOptions.ProgramFolder;
        if (!folder.endsWith(u'/'))
            folder += u'/';
        const QString base = QFileInfo(QCoreApplication::applicationFilePath()).completeBaseName();
        FAppFrame->Macro().SetValue(QStringLiteral("ExeDir"), folder);
        FAppFrame->Macro().SetValue(QStringLiteral("ExeNameNoExt"), folder + base);
    }
    FGlobalNotify = std::make_unique<TGlobalNotify>();
    FGlobalNotify->setObjectName(QStringLiteral("GlobalNotify1"));
    FGlobalNotify->OnIdle = [this](TGlobalNotify*) {
        if (FReady)
            GlobalNotify1Idle();
    };
}

QString TdataMain::ExpandPath(const QString& MacroText) const {
    return ResolveFileName(FAppFrame->ExpandMacros(MacroText));
}

QString TdataMain::ProgramFolder() const {
    return ExpandPath(QStringLiteral("$(ExeDir)"));
}

void TdataMain::LoadPlugins() {
    const QString folder = ExpandPath(QStringLiteral("$(ExeDir)Plugins"));
    FPluginList1 = std::make_unique<TPluginList>(PluginListId1);
    FPluginList1->LoadFromFolder(folder, FClient.get());
    LogProblems(FPluginList1->Problems());
    FPluginList2 = std::make_unique<TPluginList>(PluginListId2);
    FPluginList2->LoadFromFolder(folder, FClient.get());
    LogProblems(FPluginList2->Problems());
}

void TdataMain::SetUpFolders() {
    TAppFolders folders(ProgramFolder(), ExpandPath(QStringLiteral("$(UserPreferenceFolder)")));
    if (FOptions.IsFolderWritable)
        folders.IsFolderWritable = FOptions.IsFolderWritable;
    const QString folder = folders.SystemPreferenceFolder();
    LogProblems(folders.Problems());
    FAppFrame->Macro().SetValue(QStringLiteral("SystemPreferenceFolder"), folder);
}

bool TdataMain::LoadData() {
    try {
        LoadImageCache();
        LoadPaperLibrary();
        LoadCalendarTables();
        LoadStyleLists();
        LoadSchedule();
        return true;
    } catch (const EFileError& E) {
        // What was found before goes first. The message names the file and says what is
        // wrong with it (missing, read-only, unreadable); it is shown as it is.
        ShowStartupNotes();
        FAppFrame->ShowMessageText(E.Message, {bkOK}, 0, 0);
        return false;
    }
}

void TdataMain::LoadImageCache() {
    FImageCache = std::make_unique<TImageCacheStorage>();
    try {
        FImageCache->Open(ExpandPath(QStringLiteral("$(ImageCacheFile)")), false);
        ApplyCacheSettings();
    } catch (const Exception& E) {
        // Thumbnails are then made afresh each time; nothing else depends on the cache.
        qWarning().noquote() << "The thumbnail cache is not used:" << E.Message;
    }
}

void TdataMain::LoadPaperLibrary() {
    // The libraries register their "ExtraInfos" and "PaperImages" handlers as they open; the
    // built-in A4 paper leads the list. The product database has no reader: papers are
    // offered without product information.
    FPaperLibrary =
        std::make_unique<TPaperLibrary>(ExpandPath(QStringLiteral("$(SystemPaperInfo)")),
                                        ExpandPath(QStringLiteral("$(UserPaperInfo)")));
    ReportDamagedTable(QStringLiteral("用紙の一覧"), FPaperLibrary->Errors());
}

void TdataMain::ReportDamagedTable(const QString& Table, const QStringList& Problems) {
    if (Problems.isEmpty())
        return;
    LogProblems(Problems);
    FStartupNotes << QStringLiteral(
                         "%1の一部を読み込めませんでした。読み込めたものだけで続けます。\n\n%2")
                         .arg(Table, Problems.join(u'\n'));
}

void TdataMain::LoadCalendarTables() {
    FTablesLoaded = true;
    QStringList damage;
    damage << LoadRequiredTable(ExpandPath(QStringLiteral("$(MoonAgeTable)")), LoadMoonAgeTable);
    damage << LoadRequiredTable(ExpandPath(QStringLiteral("$(W6Z24Table)")), LoadW6Z24Table);
    damage << LoadRequiredTable(ExpandPath(QStringLiteral("$(HolidayTable)")),
                                [](const QString& Path) {
                                    LoadHolidayTable(Path);
                                    return QString();
                                });
    damage.removeAll(QString());
    if (!damage.isEmpty()) {
        LogProblems(damage);
        FStartupNotes << FormatMessageText(STableDamaged, {damage.join(u'\n')});
    }
}

void TdataMain::LoadStyleLists() {
    const auto load = [this](std::unique_ptr<TStyleIndexList>& List, const QString& File) {
        List = std::make_unique<TStyleIndexList>();
        const QString path = FAppFrame->FindCDFile(File, QString());
        if (path.isEmpty())
            return;
        const QString problem = List->LoadFromFile(path);
        if (!problem.isEmpty())
            qWarning().noquote() << problem;
    };
    load(FStampList, QStringLiteral("Data\\Stamps\\Stamp.lst"));
    load(FScheduleStyleList, QStringLiteral("Data\\SchStyle\\SchStyle.lst"));
    load(FYearMonthList, QStringLiteral("Data\\YrMnth\\YrMnth.lst"));
}

void TdataMain::LoadSchedule() {
    FSchedule = std::make_unique<TCalSchedule>();
    FSchedule->setObjectName(QStringLiteral("UsrSchedule"));
    QString name;
    try {
        name = QFileInfo(ScheduleFileName()).fileName();
        QStringList skipped;
        LoadScheduleFile(*FSchedule, &skipped);
        FScheduleLoaded = true;
        FScheduleSaved = ScheduleBytes(*FSchedule);
        if (skipped.isEmpty())
            return;
        LogProblems(skipped);
        QStringList named = skipped.mid(0, MaxNamedItems);
        if (skipped.size() > MaxNamedItems)
            named << QStringLiteral("ほか %1 件").arg(skipped.size() - MaxNamedItems);
        FStartupNotes << FormatMessageText(SScheduleSkipped, {name, named.join(u'\n')});
    } catch (const Exception& E) {
        // The file is there but cannot be read. It is kept as it is, so that it can still be
        // recovered: this run works without the user's schedule and never writes it back.
        qWarning().noquote() << E.Message;
        FStartupNotes << FormatMessageText(SScheduleUnreadable, {name, E.Message});
    }
}

void TdataMain::InstallCalendarServices() {
    FStampPictures = std::make_unique<TStylePictures>(FStampList.get(), StampSection);
    FScheduleStylePictures =
        std::make_unique<TStylePictures>(FScheduleStyleList.get(), ScheduleStyleSection);
    FPictureNumbers = std::make_unique<TStylePictures>(FYearMonthList.get(), PictureNumberSection);
    FPictureFonts = std::make_unique<TStylePictures>(FYearMonthList.get(), PictureFontSection);
    auto table = std::make_unique<TCalendarServices>();
    table->LoadPictureNumber = [this](int Index, TPictureEx& Picture) {
        return FPictureNumbers->LoadEntry(Index, Picture);
    };
    table->LoadPictureFont = [this](int Index, TPictureEx& Picture) {
        return FPictureFonts->LoadEntry(Index, Picture);
    };
    table->StampPicture = [this](int Code) { return FStampPictures->Picture(Code); };
    table->ScheduleStylePicture = [this](int Code) {
        return FScheduleStylePictures->Picture(Code);
    };
    table->CurrentSchedule = [this]() -> TCalSchedule* {
        return FScheduleLoaded ? FSchedule.get() : nullptr;
    };
    table->SaveSchedule = [this](TCalSchedule& Schedule) {
        SaveScheduleFile(Schedule);
        // What the file now holds: shutdown has nothing left to write.
        FScheduleSaved = ScheduleBytes(Schedule);
    };
    table->StampNames = [this] { return FStampList->Names(StampSection); };
    table->ScheduleStyleNames = [this] { return FScheduleStyleList->Names(ScheduleStyleSection); };
    FCalendarServices = std::move(table);
    SetCalendarServices(FCalendarServices.get());
}

void TdataMain::ShowStartupNotes() {
    const QStringList notes = std::exchange(FStartupNotes, {});
    for (const QString& note : notes)
        FAppFrame->ShowMessageText(note, {bkOK}, 0, 0);
}

bool TdataMain::SaveScheduleIfChanged() {
    if (!FSchedule || !FScheduleLoaded)
        return false;
    QByteArray bytes = ScheduleBytes(*FSchedule);
    if (bytes == FScheduleSaved)
        return false;
    SaveScheduleFile(*FSchedule);
    FScheduleSaved = std::move(bytes);
    return true;
}

void TdataMain::CreateWindows() {
    // The colour drop-down first: the main window's controls use it as they are built.
    if (FOptions.ColorGridFactory)
        FColorGrid = FOptions.ColorGridFactory();
    FMainForm = FMainFormFactory();
    if (!FMainForm)
        throw Exception(QStringLiteral("メインウィンドウを作成できませんでした"));
    if (QWidget* window = FMainForm->Widget()) {
        window->setEnabled(false);
        window->show();
    }
}

const TPaperInfo* TdataMain::DefaultPaper() const {
    return FPaperLibrary ? &FPaperLibrary->DefaultPaper() : nullptr;
}

void TdataMain::EnableMainForm() {
    if (QWidget* window = FMainForm ? FMainForm->Widget() : nullptr)
        window->setEnabled(true);
}

void TdataMain::GlobalNotify1Idle() {
    if (!FReady || !FMainForm)
        return;
    try {
        if (!FFirstIdleDone) {
            FFirstIdleDone = true;
            FMainForm->NewDocumentQuietly();
            const QStringList arguments =
                FOptions.Arguments ? *FOptions.Arguments : QCoreApplication::arguments().mid(1);
            const QString first = arguments.value(0);
            if (!first.isEmpty() && QFileInfo(first).isFile() &&
                FMainForm->OpenFileQuietly(first)) {
                FDocumentShown = true;
                EnableMainForm();
            }
            FStartupHandled = true;
            return;
        }
        if (FStartupHandled && !FDocumentShown && FMainForm->SplashClosed()) {
            FDocumentShown = true;
            FMainForm->RunStartupSelection();
            EnableMainForm();
        }
    } catch (const std::exception& E) {
        // Whatever failed, the user must not be left with a disabled window: the start-up
        // selection comes next, or the window is enabled.
        FStartupHandled = true;
        if (FDocumentShown)
            EnableMainForm();
        FAppFrame->HandleException(E);
    }
}

TModalResult TdataMain::RunMessageForm(TfrmMessage& Form) {
    if (FOptions.RunMessageForm)
        return FOptions.RunMessageForm(Form);
    return Form.exec();
}

bool TdataMain::RunEnvironmentDialog() {
    if (FOptions.RunEnvironmentDialog)
        return FOptions.RunEnvironmentDialog();
    return ExecuteEnvironmentDialog(QApplication::activeWindow());
}

TModalResult TdataMain::AppFrame1MessageBox(const QString& Message, const TBitBtnKinds& Buttons,
                                            int DefaultIndex, int CancelIndex) {
    TfrmMessage form(QApplication::activeWindow());
    form.SetMessage(Message);
    form.SetupButtons(Buttons, DefaultIndex, CancelIndex);
    return RunMessageForm(form);
}

void TdataMain::AppFrame1CDNotFound(const QString& FileName, bool& Retry) {
    const QString text = FormatMessageText(
        FAppFrame->ExpandMacros(QStringLiteral("$(SysMsgCDNotFound)")), {FileName});
    for (;;) {
        TfrmMessage form(QApplication::activeWindow());
        form.SetMessage(text);
        form.SetupButtons({bkYes, bkNo, bkCancel}, 0, 1);
        form.Buttons(0)->setText(QStringLiteral("再試行"));
        form.Buttons(1)->setText(QStringLiteral("キャンセル"));
        form.Buttons(2)->setText(QStringLiteral("環境設定..."));
        const TModalResult result = RunMessageForm(form);
        if (result == mrYes) {
            Retry = true;
            return;
        }
        if (result == mrNo) {
            Retry = false;
            return;
        }
        if (result == mrCancel) {
            const bool confirmed = RunEnvironmentDialog();
            ApplyCacheSettings();
            if (confirmed) {
                Retry = true;
                return;
            }
        }
    }
}

int TdataMain::CacheLimitSetting() {
    if (!RegReadBool(QStringLiteral("CacheEnabl"), true))
        return 0;
    const int limit = RegReadInteger(QStringLiteral("CacheLimit"), 0);
    return limit <= 0 ? TImageCacheStorage::MaxLimit : limit;
}

void TdataMain::ApplyCacheSettings() {
    if (FImageCache && FImageCache->IsOpen() && !FImageCache->ReadOnly())
        FImageCache->SetLimit(CacheLimitSetting());
}

bool TdataMain::UseColorSpecHistory() const {
    return RegReadBool(SUseColorSpecHistory, true);
}

void TdataMain::SetUseColorSpecHistory(bool Value) {
    RegWriteBool(SUseColorSpecHistory, Value);
}

bool TdataMain::GetPreviewPicture(const QString& FileName, TPictureEx& Picture) {
    Picture.SetGraphic(std::unique_ptr<TGraphic>());
    const QString path = FindExistingFile(FileName);
    if (path.isEmpty())
        return false;
    if (ReadFolderPreview(path, Picture))
        return true;
    TImageCacheItem item;
    const bool cached = FImageCache && FImageCache->IsOpen();
    if (cached && FImageCache->ReadItem(path, item) && item.IsUpToDate(path)) {
        Picture.Assign(item.Picture());
        return true;
    }
    try {
        Picture.LoadFromFile(path);
    } catch (const Exception& E) {
        qWarning().noquote() << path << E.Message;
        Picture.SetGraphic(std::unique_ptr<TGraphic>());
        return false;
    }
    if (IsPictureEmpty(&Picture))
        return false;
    MakePreview(Picture);
    if (cached && item.SetFileInfo(path)) {
        item.SetPicture(&Picture);
        FImageCache->WriteItem(path, item);
    }
    return true;
}
