#pragma once
// TfrmMain: the main window. It owns the open document (TLabelData) for the whole run and
// hosts one view of it at a time, the layout editor (one face) or the sheet view (all faces
// of the current sheet). The views never open, save or print; they ask the window.
//
// Commands: new, open, save, save as, recent files, print, the new-calendar wizard, paper
// change, the environment settings, the sheet commands (add, duplicate, delete - never the
// last -, move, rename, select, one design for all faces), the view switch and the about
// box. The layout editor's commands (undo and redo, the clipboard, order, group, lock,
// print flag, properties, grid and guides, move options, scanning, the face background)
// are the editor's own; the window puts them into its menus and toolbars. Every command that would
// drop unsaved changes asks first (Yes saves, No drops, Cancel stops); so does closing the window.
//
// Title: "$(TitleBarFormat)" filled with the document's name, with " *" while modified.
// The window's placement is kept in the settings ("frmMain").
//
// Start-up (IMainForm): the data module creates the window disabled; the window shows the
// about box as a splash and a blank document; the data module then opens the file named on
// the command line or runs the start-up selection, and enables the window.

#include "UMainForm.h"

#include <QList>
#include <QMainWindow>
#include <QPointF>
#include <QPointer>

#include <array>
#include <functional>
#include <memory>

class QComboBox;
class QLabel;
class QStackedWidget;
class QTimer;
class THistoryManager;
class TLabelData;
class TPaperInfo;
class TPaperLibrary;
class TfrmAbout;
class TfrmLayout;
class TfrmSheet;

enum class TMainCommand {
    New,
    Open,
    Save,
    SaveAs,
    Print,
    Wizard,
    ChangePaper,
    Exit,
    Environment,
    NewSheet,
    DuplicateSheet,
    DeleteSheet,
    MoveSheetLeft,
    MoveSheetRight,
    RenameSheet,
    SeparatelyDesign,
    ShowLayout,
    ShowSheet,
    About,
    Count
};

// The start-up choices.
enum class TStartupChoice { Wizard, Open, Exit, Blank };

class TfrmMain : public QMainWindow, public IMainForm {
    Q_OBJECT
public:
    // Papers: the library the paper chooser offers (not owned; it must outlive the window).
    // Without one only the built-in default paper is known.
    explicit TfrmMain(const TPaperLibrary* Papers = nullptr, QWidget* Parent = nullptr);
    ~TfrmMain() override;

    // --- IMainForm ----------------------------------------------------------------------
    QWidget* Widget() override { return this; }
    void NewDocumentQuietly() override;
    bool OpenFileQuietly(const QString& FileName) override;
    bool SplashClosed() const override;
    void RunStartupSelection() override;

    // --- Document commands (the menu and toolbar actions run these) ---------------------
    // Each answers whether it was carried out; a command the user cancelled answers false.
    bool NewDocument();
    // An empty FileName asks with the open dialog.
    bool OpenDocument(const QString& FileName = QString());
    bool SaveDocument();
    // An empty FileName asks with the save dialog.
    bool SaveDocumentAs(const QString& FileName = QString());
    bool PrintDocument();
    bool RunWizard();
    // An empty name: asks with the paper chooser.
    bool ChangePaper(const QString& PaperName = QString());
    // Asks whether to save a modified document: true when the caller may go on.
    bool QuerySave();

    // --- Sheets -------------------------------------------------------------------------
    void NewSheet();
    void DuplicateSheet();
    // The last sheet is never deleted (the command is disabled then).
    bool DeleteSheet();
    void MoveSheet(int NewIndex);
    // An empty name asks for one.
    bool RenameSheet(const QString& Name = QString());
    void SelectSheet(int Index);

    // --- Views --------------------------------------------------------------------------
    void ShowLayout();
    void ShowSheet();
    bool LayoutShown() const;
    TfrmLayout* Layout() const { return FLayout; }
    TfrmSheet* Sheet() const { return FSheet; }
    // Writes what the layout editor shows back into the document.
    void CommitView();

    // One design for all faces of the sheet, or one per face.
    void SetSeparatelyDesign(bool Separately);
    // The environment settings dialog.
    void ShowEnvironment();
    // The about box: as a splash (closes by itself) or as a dialog.
    void ShowAbout(bool Splash);

    TLabelData& Data() const { return *FData; }
    const QString& FileName() const { return FFileName; }
    // The document or the face being edited has unsaved changes.
    bool DocumentModified() const;
    QAction* Action(TMainCommand Command) const {
        return FActions.at(static_cast<size_t>(Command));
    }
    QComboBox* SheetSelector() const { return FSheetBox; }
    QLabel* PositionLabel() const { return FPosition; }
    // The title shown now (without the window system's decoration).
    QString TitleText() const;
    // Brings every action's state and caption and the title up to date.
    void UpdateActions();

    // How long the splash stays, in milliseconds (default 1500).
    void SetSplashTime(int Milliseconds) { FSplashTime = Milliseconds; }
    // Replaceable questions (tests answer them without a dialog): the start-up choice, and
    // the file of the open and save dialogs (empty: cancelled).
    std::function<TStartupChoice()> AskStartupChoice;
    std::function<QString(bool ForSave)> AskFileName;

protected:
    void showEvent(QShowEvent* Event) override;
    void closeEvent(QCloseEvent* Event) override;

private:
    void CreateActions();
    void CreateMenus();
    void CreateFileMenu();
    void CreateEditMenu();
    void CreateArrangeMenu();
    void CreateInsertMenu();
    void CreateViewMenu();
    void CreateSheetMenu();
    void CreateHelpMenu();
    void CreateRecentFiles();
    void CreateToolBars();
    void CreateMainToolBar();
    void CreateEditToolBars();
    // Hands the keyboard to the page when the layout editor is shown, so that the page's
    // commands find their target.
    void FocusPage();
    void CreateViews();
    QAction* MakeAction(TMainCommand Command, const QString& Text, const QString& Icon,
                        const QKeySequence& Key, std::function<void()> Body);
    // Puts a fresh or newly read document into the views.
    void DocumentReplaced();
    // Shows the current sheet's current face again in both views.
    void ReloadViews();
    void RefreshSheetSelector();
    void AddRecentFile(const QString& FileName);
    bool SaveTo(const QString& FileName);
    QString DefaultFileName(bool ForSave) const;
    void ShowPosition(const QPointF& Millimetres);
    void ShowZoom(int Percent);
    TStartupChoice AskStartupDialog();

    const TPaperLibrary* FPapers;
    std::unique_ptr<TLabelData> FData;
    QString FFileName;
    std::array<QAction*, static_cast<size_t>(TMainCommand::Count)> FActions{};
    QStackedWidget* FViews = nullptr;
    TfrmLayout* FLayout = nullptr;
    TfrmSheet* FSheet = nullptr;
    QComboBox* FSheetBox = nullptr;
    QLabel* FPosition = nullptr;
    QLabel* FZoom = nullptr;
    QAction* FRecentPlaceholder = nullptr;
    std::unique_ptr<THistoryManager> FRecent;
    QPointer<TfrmAbout> FSplash;
    bool FSplashShown = false;
    bool FSplashClosed = false;
    int FSplashTime = 1500;
    QTimer* FIdle = nullptr;
    QString FShownTitle;
};

// The factory the data module creates the main window with; Papers as for TfrmMain.
TMainFormFactory MainFormFactory(std::function<const TPaperLibrary*()> Papers = {});
