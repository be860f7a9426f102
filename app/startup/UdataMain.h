#pragma once
// The application's data module: brings the program up, holds what lives for the whole run
// (application frame, plug-in lists, thumbnail cache, paper library, the user's schedule,
// calendar tables, style lists), decides what the user sees first, and tears it all down.
// The main window is created from here through a factory (UMainForm.h).
//
// Use: construct, then Create. Create runs the start-up sequence and answers Ready(): false
// when a start condition refused, a required file was missing or the start-up failed; the
// program then ends without entering its event loop (the user has been told why). The
// idle handler decides, once the main window exists, between opening the file named on the
// command line and the start-up selection.
//
// Where files live on this platform, and what the start conditions check here, is set out
// in UAppFolders.h. Also on this platform: picture formats are registered with the
// application's classes (RegisterApplicationClasses, run by Create); there is no picture size
// limit setting to read ("ImageLimitSize" belongs to the older desktop only); the product
// database has no reader, so papers come without product information.
//
// Once the data is loaded the data module installs the calendar service table
// (UCalServices.h): the user's schedule (only when its file was read, so that an unreadable
// file is never edited over), stamp and schedule-style pictures by code from their lists, and
// the loaders of the year/month picture lists. Damage start-up reads past (schedule items
// with impossible dates, a calendar table of the wrong size) is shown to the user in a
// message once the data is loaded; an unreadable schedule file likewise.
//
// In the program:
//   TdataMain dataMain(MakeMainForm);
//   if (!dataMain.Create())
//       return 0;
//   return app.exec();

#include "UAppFrame.h"
#include "UMainForm.h"
#include "UModalResult.h"
#include "UPaperInfo.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>
#include <memory>
#include <optional>

class QWidget;
class TCalSchedule;
struct TCalendarServices;
class TStylePictures;
class TfrmMessage;
class TGlobalNotify;
class TImageCacheStorage;
class TPaperLibrary;
class TPictureEx;
class TPluginList;
class TStyleIndexList;
class TVXAppFrameClient;

// A required data file is missing or read-only; the message names the file.
VANTOMI_DECLARE_EXCEPTION(EFileError, Exception)

// Checks a file start-up cannot do without, then reads it with Load, which answers a note
// on damage it read past or raises; answers that note (empty when the file was sound). Raises
// EFileError: "アプリケーションに必要な ファイル「name」が開けませんでした" when Path is not a
// file, "実行に必要なファイル「name」が 読み取り専用になっています" when it is read-only, and the
// reader's own message when Load raises (name = the file name without its folder).
QString LoadRequiredTable(const QString& Path, const std::function<QString(const QString&)>& Load);

// Purposes of older paper libraries and what replaced them: "MO" and "FD" became
// "MOSquare", "CDCase" became "CDCaseTray" (compared with case).
class TCDLabelPurposeValidator : public TPurposeValidator {
public:
    bool IsObsolete(const QString& ID) const override;
    QString Replace(const QString& ID) const override;
};

// The program's settings list: the application frame's macro table.
TStringList DataModuleSettings();

// Interface ids of the two plug-in lists.
inline constexpr TGUID PluginListId1 = MakeGUID("{0D01349C-343D-490A-A363-64130FB91C83}");
inline constexpr TGUID PluginListId2 = MakeGUID("{07BEF9A3-18CD-4102-B55C-3228E2DC9123}");

// Shows a prepared message form modally and answers its modal result.
using TRunMessageForm = std::function<TModalResult(TfrmMessage& Form)>;

// What start-up takes from its surroundings; every member has a working default, so the
// program passes only the main-window factory. Tests replace the rest.
struct TStartupOptions {
    // The program folder; empty: the executable's folder.
    QString ProgramFolder;
    // The command line after the program name; unset: the application's arguments.
    std::optional<QStringList> Arguments;
    // Start-condition probes (TAppFrame::DisplayColorBits, SelectPrinter); empty: the
    // frame's own.
    std::function<int()> DisplayColorBits;
    std::function<bool()> SelectPrinter;
    // Writability of a folder (TAppFolders); empty: IsWritablePath.
    std::function<bool(const QString&)> IsFolderWritable;
    // Shows the program's message form; empty: modal exec.
    TRunMessageForm RunMessageForm;
    // The environment settings dialog; answers true when it ended with OK and the content
    // folder settings changed. Empty: TfrmEnvironment.
    std::function<bool()> RunEnvironmentDialog;
    // Creates the colour drop-down shared by the windows; empty: none. It is created before
    // the main window, whose controls use it.
    std::function<std::unique_ptr<QWidget>()> ColorGridFactory;
};

class TdataMain : public QObject {
    Q_OBJECT
public:
    TdataMain(TMainFormFactory MainFormFactory, TStartupOptions Options = {});
    // Tears down in the order: main window and colour drop-down; the calendar service
    // table and its pictures; the schedule (saved first when it was loaded and has
    // changed); the style lists; the purpose validator; the plug-in lists; the thumbnail
    // cache and the paper library; the calendar tables; the application frame (which
    // releases the single-instance lock). Never throws.
    ~TdataMain() override;
    TdataMain(const TdataMain&) = delete;
    TdataMain& operator=(const TdataMain&) = delete;

    // The start-up sequence (register classes; plug-ins; purpose validator; start
    // conditions; data; the calendar service table; what loading found damaged, told to the
    // user; main window, created disabled). Answers Ready(). Call once.
    bool Create();

    // Idle handling, run at every idle moment of the application while Ready (public so
    // that tests can drive it). The first time: a new document on the default paper; when
    // the first command-line argument names an existing file that the main window opens,
    // the window is enabled at once. Later, once the main window's splash has closed and no
    // document was opened: the start-up selection, then the window is enabled.
    void GlobalNotify1Idle();

    // The frame's message box: the program's message form with Message and the buttons.
    TModalResult AppFrame1MessageBox(const QString& Message, const TBitBtnKinds& Buttons,
                                     int DefaultIndex, int CancelIndex);
    // The frame's question when a content file cannot be found: "$(SysMsgCDNotFound)" with
    // "再試行" (Retry true), "キャンセル" (Retry false) and "環境設定..." (the environment
    // settings; when they end with OK the cache settings are applied again and Retry is
    // true, otherwise the question comes again).
    void AppFrame1CDNotFound(const QString& FileName, bool& Retry);

    // The thumbnail of an image file for the document browsers: the entry of "Preview.ic" in
    // the file's folder when there is one; else the entry of the program's thumbnail cache,
    // made (fitted into 200 x 200 pixels on white) and stored when missing or out of date.
    // Answers false, Picture empty, when the file cannot be loaded.
    bool GetPreviewPicture(const QString& FileName, TPictureEx& Picture);

    // Applies the settings "CacheEnabl" (default true) and "CacheLimit" (MiB, default 0 =
    // no limit) to the thumbnail cache.
    void ApplyCacheSettings();
    // The limit those settings give: CacheLimit, or the largest limit for 0, when enabled;
    // 0 when not.
    static int CacheLimitSetting();

    // The setting "UseColorSpecHistory" (default true).
    bool UseColorSpecHistory() const;
    void SetUseColorSpecHistory(bool Value);

    // True once the main window has been created (the data is loaded).
    bool Ready() const { return FReady; }
    bool FirstIdleDone() const { return FFirstIdleDone; }
    bool StartupHandled() const { return FStartupHandled; }
    bool DocumentShown() const { return FDocumentShown; }

    TAppFrame& AppFrame1() const { return *FAppFrame; }
    IMainForm* MainForm() const { return FMainForm.get(); }
    QWidget* ColorGrid() const { return FColorGrid.get(); }
    // Null before the data is loaded.
    TPaperLibrary* PaperLibrary() const { return FPaperLibrary.get(); }
    const TPaperInfo* DefaultPaper() const;
    TCalSchedule* Schedule() const { return FSchedule.get(); }
    TImageCacheStorage* ImageCache() const { return FImageCache.get(); }
    const TStyleIndexList* StampList() const { return FStampList.get(); }
    const TStyleIndexList* ScheduleStyleList() const { return FScheduleStyleList.get(); }
    const TStyleIndexList* YearMonthList() const { return FYearMonthList.get(); }
    const TPluginList* PluginList1() const { return FPluginList1.get(); }
    const TPluginList* PluginList2() const { return FPluginList2.get(); }
    // Whether the schedule file was read (or did not exist yet) at start-up; only then is
    // the schedule offered to calendars and the schedule dialog, and written back.
    bool ScheduleLoaded() const { return FScheduleLoaded; }
    // The calendar service table this data module installed; null before.
    const TCalendarServices* CalendarServiceTable() const { return FCalendarServices.get(); }
    // Writes the schedule when it was loaded and differs from what was read or last saved.
    // Answers whether it wrote. Raises the writer's error.
    bool SaveScheduleIfChanged();

private:
    void CreateAppFrame();
    void SetUpFolders();
    void LoadPlugins();
    bool LoadData();
    void LoadImageCache();
    void LoadPaperLibrary();
    // Tells the user at start-up that Table could not be read in full (Problems say what),
    // and that the program goes on with what it could read.
    void ReportDamagedTable(const QString& Table, const QStringList& Problems);
    void LoadCalendarTables();
    void LoadStyleLists();
    void LoadSchedule();
    void InstallCalendarServices();
    void ShowStartupNotes();
    void CreateWindows();
    QString ExpandPath(const QString& MacroText) const;
    QString ProgramFolder() const;
    TModalResult RunMessageForm(TfrmMessage& Form);
    bool RunEnvironmentDialog();
    void EnableMainForm();

    TMainFormFactory FMainFormFactory;
    TStartupOptions FOptions;

    std::unique_ptr<TAppFrame> FAppFrame;
    std::unique_ptr<TGlobalNotify> FGlobalNotify;
    // Owned in the order they are created and freed in reverse.
    std::unique_ptr<TCDLabelPurposeValidator> FPurposeValidator;
    std::unique_ptr<TPluginList> FPluginList1;
    std::unique_ptr<TPluginList> FPluginList2;
    std::unique_ptr<TVXAppFrameClient> FClient;
    std::unique_ptr<TImageCacheStorage> FImageCache;
    std::unique_ptr<TPaperLibrary> FPaperLibrary;
    std::unique_ptr<TCalSchedule> FSchedule;
    std::unique_ptr<TStyleIndexList> FStampList;
    std::unique_ptr<TStyleIndexList> FScheduleStyleList;
    std::unique_ptr<TStyleIndexList> FYearMonthList;
    std::unique_ptr<TStylePictures> FStampPictures;
    std::unique_ptr<TStylePictures> FScheduleStylePictures;
    std::unique_ptr<TStylePictures> FPictureNumbers;
    std::unique_ptr<TStylePictures> FPictureFonts;
    std::unique_ptr<TCalendarServices> FCalendarServices;
    std::unique_ptr<QWidget> FColorGrid;
    std::unique_ptr<IMainForm> FMainForm;

    bool FReady = false;
    bool FFirstIdleDone = false;
    bool FStartupHandled = false;
    bool FDocumentShown = false;
    bool FCreated = false;
    bool FTablesLoaded = false;
    bool FScheduleLoaded = false;
    // The schedule as last read or written, to tell whether it changed.
    QByteArray FScheduleSaved;
    // Messages about damage found while loading, shown once the data is loaded.
    QStringList FStartupNotes;
};
