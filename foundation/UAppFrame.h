#pragma once
// The application frame: the one application-wide component that owns the macro table from
// which every text, path and settings key is expanded, reads and writes the settings under
// "$(SysRegistryKey)", routes every message box through one replaceable event, turns
// unhandled exceptions into messages, saves and restores window placement, checks the
// conditions under which the program may start, and finds content files on the data CD.
//
// The data module creates one frame, assigns its macro table (the settings list) and calls
// Loaded, which adds the built-in macros. The most recently created frame is the global one
// that the free routines below use; each of them has a fallback for when there is none.
//
// Messages are expanded exactly once. A text handed to MessageBox is a macro text; a
// message that carries run-time data (file names, exception messages, which may hold "$(")
// is built with AppMessageBoxFormat, which expands only the template and then fills the data
// in, so the data is shown as it is.

#include "UComponent.h"
#include "UMacroString.h"
#include "UMessageHook.h"
#include "UModalResult.h"
#include "UVersion.h"

#include <QString>
#include <QStringList>
#include <exception>
#include <functional>
#include <memory>

class QObject;
class QWidget;
class TRegistry;
class TDataCDLocator;
class TExecuteBlocker;
class TAppFrame;

// Conditions under which the program may start (CheckExecuteCondition).
struct TExecuteConditionEnum {
    Q_GADGET
public:
    enum TExecuteConditionFlag {
        ecNeedHighColor = 1, // a display of more than 8 bits per pixel, or the user's consent
        ecNeedPrinter = 2,   // a usable printer
        ecExclusive = 4,     // no other instance running
        ecPowerUsers = 8,    // rights to install (always given on this platform)
    };
    Q_DECLARE_FLAGS(TExecuteCondition, TExecuteConditionFlag)
    Q_FLAG(TExecuteCondition)
};
using TExecuteConditionFlag = TExecuteConditionEnum::TExecuteConditionFlag;
using enum TExecuteConditionEnum::TExecuteConditionFlag;
using TExecuteCondition = TExecuteConditionEnum::TExecuteCondition;
Q_DECLARE_OPERATORS_FOR_FLAGS(TExecuteCondition)

// Asked when a content file cannot be found: set Retry to search again, clear it to give up.
using TOnCDNotFound = std::function<void(const QString& DisplayName, bool& Retry)>;
// Shows a message box: the text (already expanded; show it as it is), one button per kind,
// the indices of the default and the cancel button; answers the modal result.
using TOnMessageBox = std::function<TModalResult(
    const QString& Message, const TBitBtnKinds& Buttons, int DefaultIndex, int CancelIndex)>;
// Receives an unhandled exception instead of the built-in message.
using TExceptionEvent = std::function<void(TAppFrame* Sender, const std::exception& E)>;

class TAppFrame : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TStringList Macro READ MacroLines WRITE SetMacro)
    Q_PROPERTY(TExecuteCondition ExecuteCondition READ ExecuteCondition WRITE SetExecuteCondition)
    Q_CLASSINFO("Default:ExecuteCondition", "[]")
    // Event names that stored forms carry for this component.
    Q_CLASSINFO("Ignored", "OnActionExecute,OnActionUpdate,OnHelp,OnShowHint,OnShortCut,"
                           "OnException,OnSendMessage,OnPostMessage,OnMessageBox,OnCDNotFound")
public:
    // A new frame's table holds only AppName=Project; the frame becomes the global one.
    explicit TAppFrame(TComponent* Owner = nullptr);
    // Clears the global reference when it points here and leaves the message hook lists.
    ~TAppFrame() override;

    // The most recently created frame that still exists, or nullptr.
    static TAppFrame* Global();

    // Events. OnSendMessage and OnPostMessage see every event of the two message hook lists
    // once the frame is loaded.
    TExceptionEvent OnException;
    THookEvent OnSendMessage;
    THookEvent OnPostMessage;
    TOnMessageBox OnMessageBox;
    TOnCDNotFound OnCDNotFound;

    TMacroString& Macro() { return FMacro; }
    const TMacroString& Macro() const { return FMacro; }
    TStringList MacroLines() const { return FMacro; }
    // Replaces the table's lines.
    void SetMacro(const TStringList& Value) { FMacro.Assign(Value); }

    TExecuteCondition ExecuteCondition() const { return FExecuteCondition; }
    void SetExecuteCondition(TExecuteCondition Value) { FExecuteCondition = Value; }

    // Completes loading (not in a design surface): sets the built-in macros, SysKeyFile (the
    // executable's file name) and SysApplicationFolder (that name without extension) only
    // when the table leaves them empty; then CRLF, Quote, ExeDir (the executable's folder
    // with a trailing "/"), ExeNameNoExt (the executable's path without extension),
    // AppDataDir ($XDG_DATA_HOME with a trailing "/"), ShortVer and LongVer. Then the
    // application's display name becomes "$(AppName)" (unless the table has none),
    // HelpFile "$(SysHelpFile:inessential)",
    // and the frame joins the message hook lists.
    void Loaded() override;

    QString ExpandMacros(const QString& Text) const { return FMacro.Expand(Text); }
    // The expansion of "$(SysHelpFile:inessential)" taken at loading.
    const QString& HelpFile() const { return FHelpFile; }

    // Expands Text (macro errors propagate) and shows it with ShowMessageText.
    TModalResult MessageBox(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                            int CancelIndex);
    // Shows Text as it is: through OnMessageBox when assigned, else PlainMessageBox.
    TModalResult ShowMessageText(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                                 int CancelIndex);

    // Shows an exception that no one handled: OnException when assigned; otherwise the
    // template "$(SysMsgTwainErr)" (an exception of the class named ETwain) or
    // "$(SysMsgUnexpected)", expanded, filled with the exception's message and shown with
    // one OK button. The message is never expanded; when the template itself cannot be
    // expanded the built-in text is used. Never throws.
    void HandleException(const std::exception& E) noexcept;

    // The settings key "$(SysRegistryKey)" in the current user's hive, or nullptr when the
    // table has no SysRegistryKey line or it expands to empty text, and for reading also
    // when the key does not exist. ForWrite creates the key.
    std::unique_ptr<TRegistry> OpenRegistry(bool ForWrite) const;

    // Checks the conditions of ExecuteCondition in this order and answers false at the first
    // refusal, after telling the user why:
    //   ecNeedHighColor  8 or fewer bits per pixel: "$(SysMsgNotEnoughColor)" asks Yes/No;
    //                    No refuses
    //   ecPowerUsers     always satisfied here
    //   ecNeedPrinter    no printer can be selected: "$(SysMsgNotDefaultPrinter)"
    //   ecExclusive      another instance holds the lock "$(SysMutexID)":
    //                    "$(SysMsgAlreadyRun)"; otherwise the frame holds the lock until it
    //                    is destroyed
    bool CheckExecuteCondition();
    // What CheckExecuteCondition asks the system; replaceable (tests). By default the
    // display's bits per pixel and EnsurePrinterSelected.
    std::function<int()> DisplayColorBits;
    std::function<bool()> SelectPrinter;

    // Finds a content file on the hard disk or the data CD (FileName relative to a data
    // root, either separator, optionally ending in a pattern with * and ?): the full local
    // path, or empty text. While nothing is found and PromptName is not empty, DoCDNotFound
    // asks whether to search again; PromptName "@" is shown as "必要なファイル".
    QString FindCDFile(const QString& FileName, const QString& PromptName);
    // The data-CD folder the user chose (setting "CDPath").
    QString GetCDPath() const;
    void SetCDPath(const QString& Value);
    // Asks OnCDNotFound; without a handler shows "$(SysMsgCDNotFound)" filled with
    // DisplayName with Yes and Cancel, and Retry is false only for Cancel.
    void DoCDNotFound(const QString& DisplayName, bool& Retry);

    TDataCDLocator& CDLocator() { return *FCDLocator; }

private:
    void ShowException(const std::exception& E);
    TModalResult Ask(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                     int CancelIndex);
    bool CheckSingleInstance();

    TMacroString FMacro;
    TExecuteCondition FExecuteCondition;
    QString FHelpFile;
    bool FHooked = false;
    std::unique_ptr<TDataCDLocator> FCDLocator;
    std::unique_ptr<TExecuteBlocker> FInstanceLock;
};

// Text expanded by the global frame; Text unchanged when there is none.
QString ExpandMacros(const QString& Text);

// With a global frame: replaces every stored, writable string property holding "$(" of
// Component by its expansion, likewise string-list properties (their whole text), combo-box
// items and tab texts, then does the same for every component Component owns (a TComponent)
// or every child object (any other QObject, a form's widgets and actions), recursively.
// Object names are left alone. Macro errors propagate. Without a frame: nothing.
void ExpandComponentMacros(QObject* Component);

// Template with its placeholders filled from Args in order: "%s" and "%d" take the next
// argument as it stands, "%%" is a percent sign; a placeholder without an argument is kept.
QString FormatMessageText(const QString& Template, const QStringList& Args);

// Brings the application's window to the front, then shows Text through the global frame's
// MessageBox (which expands it), or with PlainMessageBox when there is no frame.
TModalResult AppMessageBox(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                           int CancelIndex);
// Like AppMessageBox for a message that carries run-time data: Template is expanded (macro
// errors propagate), then filled with Args (FormatMessageText) and shown without expanding
// again.
TModalResult AppMessageBoxFormat(const QString& Template, const QStringList& Args,
                                 const TBitBtnKinds& Buttons, int DefaultIndex, int CancelIndex);
// OK and Cancel, default OK, cancel Cancel; true when the answer is OK.
bool AppConfirm(const QString& Text);
// One OK button.
TModalResult AppShowMessage(const QString& Text);
// One OK button for a message that carries run-time text (a file name, an exception's or a
// library's words): Text is shown as it stands, never expanded, so that "$(" in it neither
// changes the message nor raises a macro error.
TModalResult AppShowError(const QString& Text);
// The platform's information dialog with one button per kind (bkCustom "Yes to all",
// bkClose "No to all"); the indices are not used. Answers the modal result of the button
// chosen, mrCancel when the dialog is closed otherwise.
TModalResult PlainMessageBox(const QString& Text, const TBitBtnKinds& Buttons, int DefaultIndex,
                             int CancelIndex);

// Hands an exception that escaped an event handler to the global frame; without a frame it
// is logged and shown in a plain message box. Never throws.
void HandleApplicationException(const std::exception& E) noexcept;

// Settings directly under the settings key of the global frame. Reads answer Default when
// there is no frame, no settings key, no such key in the store or no such value; integers
// that are not numbers read as Default, Booleans are integers read as true when not 0.
// Writes create the key and write text (integers in decimal, Booleans "1" / "0"); they do
// nothing without a frame or a settings key and raise ERegistryException when the store
// cannot be written. Errors in expanding the key's macros propagate.
bool RegReadBool(const QString& Name, bool Default);
int RegReadInteger(const QString& Name, int Default);
QString RegReadString(const QString& Name, const QString& Default);
void RegWriteBool(const QString& Name, bool Value);
void RegWriteInteger(const QString& Name, int Value);
void RegWriteString(const QString& Name, const QString& Value);

// Window placement in the settings, as the integers <Name>Left, <Name>Top, <Name>Width and
// <Name>Height, where <Name> is the window's object name (its class name when it has none).
// Save writes the window's normal (not maximised or minimised) geometry. Restore reads them,
// with defaults of Width x Height cut to the screen and centred on it, then moves and cuts
// the rectangle as needed so that it lies on a screen, and makes it the window's geometry.
// The main window restores with 800 x 600.
void SaveWindowPlacement(const QWidget& Form);
void RestoreWindowPlacement(QWidget& Form, int Width, int Height);
