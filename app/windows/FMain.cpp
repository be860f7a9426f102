#include "FMain.h"

#include "FAbout.h"
#include "FEnvironment.h"
#include "FLayout.h"
#include "FPaperChooser.h"
#include "FSchedule.h"
#include "FSheet.h"
#include "FWizBase.h"
#include "UAppFrame.h"
#include "UDrawSite.h"
#include "UDrawSiteHost.h"
#include "UException.h"
#include "UGhost.h"
#include "UGuarded.h"
#include "UHistoryManager.h"
#include "ULabelData.h"
#include "UPaperLibrary.h"
#include "UPrintCommand.h"
#include "USvgIcon.h"
#include "UUndo.h"

#include <QActionGroup>
#include <QApplication>
#include <QCloseEvent>
#include <QComboBox>
#include <QDialog>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QInputDialog>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QPushButton>
#include <QStackedWidget>
#include <QStatusBar>
#include <QTimer>
#include <QToolBar>
#include <QToolButton>
#include <QVBoxLayout>

// Outside any namespace: the macro declares the resource's registration function.
static void InitMainResources() {
    Q_INIT_RESOURCE(main);
}

namespace {

const QString SUntitled = QStringLiteral("無題");
const QString SSaveQuestion = QStringLiteral("「%s」は変更されています。保存しますか？");
const QString SDocumentFilter = QStringLiteral("Vantomiデータ (*.vtd);;すべてのファイル (*)");
const QString SLastSheet = QStringLiteral("最後のシートは削除できません");

QIcon MainIcon(const QString& Name) {
    return LoadSvgIcon(QStringLiteral(":/icons/main/%1.svg").arg(Name));
}

// "$(TitleBarFormat)" as the settings define it; the plain form when there are none.
QString TitleFormat() {
    const QString format = ExpandMacros(QStringLiteral("$(TitleBarFormat)"));
    return format.contains(QLatin1String("$(")) ? QStringLiteral("Vantomi - %s") : format;
}

} // namespace

// ---------------------------------------------------------------------------------------
// Creation

TfrmMain::TfrmMain(const TPaperLibrary* Papers, QWidget* Parent)
    : QMainWindow(Parent), FPapers(Papers), FData(std::make_unique<TLabelData>()) {
    InitMainResources();
    setObjectName(QStringLiteral("frmMain"));
    // Moves on a circle turn the object and snap to 30 degree steps.
    TMoveOptions& options = MoveOptions();
    options.PhaseStep = 30;
    options.CircumRotate = true;
    options.CircumPhased = true;

    CreateActions();
    CreateViews();
    CreateMenus();
    CreateToolBars();
    FPosition = new QLabel(this);
    FPosition->setObjectName(QStringLiteral("lblPosition"));
    FPosition->setMinimumWidth(180);
    FZoom = new QLabel(this);
    statusBar()->addPermanentWidget(FPosition);
    statusBar()->addPermanentWidget(FZoom);

    RestoreWindowPlacement(*this, 1024, 720);
    // Action states follow the document, the selection and the undo list.
    FIdle = new QTimer(this);
    FIdle->setInterval(250);
    connect(FIdle, &QTimer::timeout, this, &TfrmMain::UpdateActions);
    FIdle->start();
    DocumentReplaced();
}

TfrmMain::~TfrmMain() {
    // The views refer to the document: they go first.
    if (FLayout)
        FLayout->SetLabelData(nullptr);
    delete FViews;
    FViews = nullptr;
    FRecent.reset();
    // Undo steps may refer to the objects of the editor that has just gone.
    ActionList().Clear();
}

QAction* TfrmMain::MakeAction(TMainCommand Command, const QString& Text, const QString& Icon,
                              const QKeySequence& Key, std::function<void()> Body) {
    auto* action = new QAction(Text, this);
    action->setObjectName(QStringLiteral("act%1").arg(int(Command)));
    if (!Icon.isEmpty()) {
        action->setIcon(MainIcon(Icon));
        action->setObjectName(QStringLiteral("act_%1").arg(Icon));
    }
    if (!Key.isEmpty())
        action->setShortcut(Key);
    connect(action, &QAction::triggered, this, [Body = std::move(Body)] { Body(); });
    FActions[static_cast<size_t>(Command)] = action;
    return action;
}

void TfrmMain::CreateActions() {
    using C = TMainCommand;
    using Q = QKeySequence;
    MakeAction(C::New, QStringLiteral("新規作成(&N)"), QStringLiteral("new"), Q(Q::New),
               [this] { NewDocument(); });
    MakeAction(C::Open, QStringLiteral("開く(&O)..."), QStringLiteral("open"), Q(Q::Open),
               [this] { OpenDocument(); });
    MakeAction(C::Save, QStringLiteral("上書き保存(&S)"), QStringLiteral("save"), Q(Q::Save),
               [this] { SaveDocument(); });
    MakeAction(C::SaveAs, QStringLiteral("名前を付けて保存(&A)..."), QString(),
               Q(QStringLiteral("Ctrl+Shift+S")), [this] { SaveDocumentAs(); });
    MakeAction(C::Print, QStringLiteral("印刷(&P)..."), QStringLiteral("print"), Q(Q::Print),
               [this] { PrintDocument(); });
    MakeAction(C::Wizard, QStringLiteral("カレンダーウィザード(&W)..."), QStringLiteral("wizard"),
               Q(), [this] { RunWizard(); });
    MakeAction(C::ChangePaper, QStringLiteral("用紙の変更(&P)..."), QStringLiteral("paper"), Q(),
               [this] { ChangePaper(); });
    MakeAction(C::Exit, QStringLiteral("終了(&X)"), QString(), Q(QStringLiteral("Ctrl+Q")),
               [this] { close(); });
    MakeAction(C::Environment, QStringLiteral("環境設定(&E)..."), QString(), Q(),
               [this] { ShowEnvironment(); });
    MakeAction(C::NewSheet, QStringLiteral("シートを追加(&A)"), QStringLiteral("sheetnew"), Q(),
               [this] { NewSheet(); });
    MakeAction(C::DuplicateSheet, QStringLiteral("シートを複製(&C)"), QString(), Q(),
               [this] { DuplicateSheet(); });
    MakeAction(C::DeleteSheet, QStringLiteral("シートを削除(&D)"), QString(), Q(),
               [this] { DeleteSheet(); });
    MakeAction(C::MoveSheetLeft, QStringLiteral("シートを前へ移動(&L)"), QString(), Q(),
               [this] { MoveSheet(FData->CurrentSheetNo() - 1); });
    MakeAction(C::MoveSheetRight, QStringLiteral("シートを後ろへ移動(&R)"), QString(), Q(),
               [this] { MoveSheet(FData->CurrentSheetNo() + 1); });
    MakeAction(C::RenameSheet, QStringLiteral("シート名の変更(&M)..."), QString(), Q(),
               [this] { RenameSheet(); });
    MakeAction(
        C::SeparatelyDesign, QStringLiteral("ラベルごとに別々にデザインする(&D)"), QString(), Q(),
        [this] { SetSeparatelyDesign(Action(TMainCommand::SeparatelyDesign)->isChecked()); });
    Action(C::SeparatelyDesign)->setCheckable(true);
    MakeAction(C::ShowLayout, QStringLiteral("レイアウト(&L)"), QStringLiteral("layout"),
               Q(QStringLiteral("F5")), [this] { ShowLayout(); });
    MakeAction(C::ShowSheet, QStringLiteral("シート全体(&S)"), QStringLiteral("sheet"),
               Q(QStringLiteral("F6")), [this] { ShowSheet(); });
    MakeAction(C::About, QStringLiteral("バージョン情報(&A)..."), QString(), Q(),
               [this] { ShowAbout(false); });
    Action(C::ShowLayout)->setCheckable(true);
    Action(C::ShowSheet)->setCheckable(true);
    auto* views = new QActionGroup(this);
    views->addAction(Action(C::ShowLayout));
    views->addAction(Action(C::ShowSheet));
}

void TfrmMain::CreateMenus() {
    CreateFileMenu();
    CreateEditMenu();
    CreateArrangeMenu();
    CreateInsertMenu();
    CreateViewMenu();
    CreateSheetMenu();
    CreateHelpMenu();
}

namespace {

// A menu of the menu bar; a null entry is a separator.
QMenu* AddMenu(QMenuBar* Bar, const QString& Title, const char* Name,
               std::initializer_list<QAction*> Actions) {
    QMenu* menu = Bar->addMenu(Title);
    menu->setObjectName(QLatin1String(Name));
    for (QAction* action : Actions) {
        if (action)
            menu->addAction(action);
        else
            menu->addSeparator();
    }
    return menu;
}

} // namespace

void TfrmMain::CreateFileMenu() {
    using C = TMainCommand;
    using L = TLayoutCommand;
    QMenu* file = AddMenu(menuBar(), QStringLiteral("ファイル(&F)"), "mnuFile",
                          {Action(C::New), Action(C::Wizard), Action(C::Open), Action(C::Save),
                           Action(C::SaveAs), nullptr, Action(C::Print), nullptr});
    FRecentPlaceholder = file->addAction(QStringLiteral("最近使ったファイル"));
    FRecentPlaceholder->setObjectName(QStringLiteral("mnuRecent"));
    file->addSeparator();
    QMenu* scanner = file->addMenu(QStringLiteral("スキャナ(&C)"));
    scanner->setObjectName(QStringLiteral("mnuScanner"));
    scanner->addAction(FLayout->Action(L::Scan));
    scanner->addAction(FLayout->Action(L::SelectScanner));
    file->addAction(Action(C::Environment));
    file->addSeparator();
    file->addAction(Action(C::Exit));
    CreateRecentFiles();
}

void TfrmMain::CreateRecentFiles() {
    // Recent files live in the settings; without a settings key there is no list.
    bool listed = false;
    if (TAppFrame::Global()) {
        try {
            listed = !ExpandMacros(QStringLiteral("$(OpenFileHistory)")).contains("$(");
        } catch (const std::exception&) {
            listed = false; // the settings name no such key
        }
    }
    if (listed) {
        FRecent = std::make_unique<THistoryManager>();
        FRecent->SetMenuItem(FRecentPlaceholder);
        FRecent->SetUseAccelerator(true);
        FRecent->SetClearHistoryCaption(QStringLiteral("履歴を消去"));
        FRecent->OnMenuClick = [this](THistoryManager*, const QString& Text) {
            OpenDocument(Text);
        };
        try {
            FRecent->SetRegistryKey(QStringLiteral("$(OpenFileHistory)"));
        } catch (const std::exception& E) {
            FRecent.reset();
            HandleApplicationException(E);
        }
    }
    if (!FRecent)
        FRecentPlaceholder->setVisible(false);
}

void TfrmMain::CreateEditMenu() {
    using L = TLayoutCommand;
    const auto a = [this](L Command) { return FLayout->Action(Command); };
    // The user's schedule, which every calendar shows.
    auto* schedule = new QAction(QStringLiteral("スケジュール(&C)..."), this);
    schedule->setObjectName(QStringLiteral("actSchedule"));
    connect(schedule, &QAction::triggered, this, [this] { EditUserSchedule(*this); });
    AddMenu(menuBar(), QStringLiteral("編集(&E)"), "mnuEdit",
            {a(L::Undo), a(L::Redo), nullptr, a(L::Cut), a(L::Copy), a(L::Paste), a(L::Delete),
             nullptr, a(L::SelectAll), nullptr, a(L::Properties), a(L::Position), nullptr,
             schedule});
}

void TfrmMain::CreateArrangeMenu() {
    using L = TLayoutCommand;
    const auto a = [this](L Command) { return FLayout->Action(Command); };
    AddMenu(menuBar(), QStringLiteral("配置(&A)"), "mnuArrange",
            {a(L::BringToFront),
             a(L::SendToBack),
             nullptr,
             a(L::Group),
             a(L::Ungroup),
             nullptr,
             a(L::Lock),
             a(L::Unlock),
             nullptr,
             a(L::DontPrint),
             a(L::DoPrint),
             nullptr,
             a(L::VertText),
             a(L::HorzText),
             nullptr,
             a(L::RotateLeft),
             a(L::RotateRight),
             nullptr,
             a(L::MoveOptions),
             nullptr,
             a(L::EditBackground),
             a(L::RemoveBackground)});
}

void TfrmMain::CreateInsertMenu() {
    QMenu* insert = menuBar()->addMenu(QStringLiteral("挿入(&I)"));
    insert->setObjectName(QStringLiteral("mnuInsert"));
    insert->addActions(FLayout->CreationActions());
}

void TfrmMain::CreateViewMenu() {
    using C = TMainCommand;
    using L = TLayoutCommand;
    const auto a = [this](L Command) { return FLayout->Action(Command); };
    AddMenu(menuBar(), QStringLiteral("表示(&V)"), "mnuView",
            {Action(C::ShowLayout), Action(C::ShowSheet), nullptr, a(L::ZoomIn), a(L::ZoomOut),
             a(L::ZoomFit), a(L::Zoom100), nullptr, a(L::ShowGrid), a(L::SnapGrid),
             a(L::ShowGuides), a(L::SnapGuides), a(L::AddGuideH), a(L::AddGuideV),
             a(L::ClearGuides)});
}

void TfrmMain::CreateSheetMenu() {
    using C = TMainCommand;
    AddMenu(menuBar(), QStringLiteral("シート(&S)"), "mnuSheet",
            {Action(C::NewSheet), Action(C::DuplicateSheet), Action(C::DeleteSheet),
             Action(C::MoveSheetLeft), Action(C::MoveSheetRight), Action(C::RenameSheet), nullptr,
             Action(C::SeparatelyDesign), nullptr, Action(C::ChangePaper)});
}

void TfrmMain::CreateHelpMenu() {
    AddMenu(menuBar(), QStringLiteral("ヘルプ(&H)"), "mnuHelp", {Action(TMainCommand::About)});
}

void TfrmMain::CreateToolBars() {
    CreateMainToolBar();
    CreateEditToolBars();
    addToolBarBreak();
    QToolBar* tools = addToolBar(QStringLiteral("作成"));
    tools->setObjectName(QStringLiteral("tbCreate"));
    tools->addActions(FLayout->CreationActions());
}

void TfrmMain::CreateMainToolBar() {
    using C = TMainCommand;
    QToolBar* main = addToolBar(QStringLiteral("標準"));
    main->setObjectName(QStringLiteral("tbMain"));
    for (C c : {C::New, C::Open, C::Save, C::Print})
        main->addAction(Action(c));
    main->addSeparator();
    main->addAction(FLayout->Action(TLayoutCommand::Undo));
    main->addAction(FLayout->Action(TLayoutCommand::Redo));
    main->addSeparator();
    main->addAction(Action(C::ShowLayout));
    main->addAction(Action(C::ShowSheet));
    main->addSeparator();
    main->addAction(Action(C::Wizard));
    main->addAction(Action(C::ChangePaper));
    main->addAction(Action(C::NewSheet));
    FSheetBox = new QComboBox(main);
    FSheetBox->setObjectName(QStringLiteral("cbSheet"));
    FSheetBox->setToolTip(QStringLiteral("シートの選択"));
    FSheetBox->setMinimumContentsLength(12);
    main->addWidget(FSheetBox);
    connect(FSheetBox, &QComboBox::activated, this, [this](int Index) { SelectSheet(Index); });
}

// The page's common commands: clipboard, order and grouping, grid and guides, move mode.
void TfrmMain::CreateEditToolBars() {
    using L = TLayoutCommand;
    const auto bar = [this](const QString& Title, const char* Name,
                            std::initializer_list<L> Commands) {
        QToolBar* toolBar = addToolBar(Title);
        toolBar->setObjectName(QLatin1String(Name));
        for (L command : Commands)
            toolBar->addAction(FLayout->Action(command));
        return toolBar;
    };
    bar(QStringLiteral("編集"), "tbEdit", {L::Cut, L::Copy, L::Paste});
    bar(QStringLiteral("配置"), "tbArrange",
        {L::BringToFront, L::SendToBack, L::Group, L::Ungroup});
    QToolBar* grid = bar(QStringLiteral("グリッドとガイド"), "tbGrid",
                         {L::ShowGrid, L::SnapGrid, L::ShowGuides, L::SnapGuides, L::MoveOptions});
    // The move mode button opens its menu at once.
    if (auto* button =
            qobject_cast<QToolButton*>(grid->widgetForAction(FLayout->Action(L::MoveOptions))))
        button->setPopupMode(QToolButton::InstantPopup);
}

void TfrmMain::CreateViews() {
    FViews = new QStackedWidget(this);
    FLayout = new TfrmLayout(FViews);
    FLayout->SetLabelData(FData.get());
    FSheet = new TfrmSheet(*FData, FViews);
    FViews->addWidget(FLayout);
    FViews->addWidget(FSheet);
    setCentralWidget(FViews);
    connect(FLayout, &TfrmLayout::CursorPositionMm, this, &TfrmMain::ShowPosition);
    connect(FLayout, &TfrmLayout::ZoomChanged, this, &TfrmMain::ShowZoom);
    connect(FLayout, &TfrmLayout::Modified, this, &TfrmMain::UpdateActions);
    connect(FLayout, &TfrmLayout::SelectionChanged, this, &TfrmMain::UpdateActions);
    connect(FSheet, &TfrmSheet::EditFaceRequested, this, [this](int Face) {
        FLayout->ShowLabel(Face);
        ActionList().Clear();
        ShowLayout();
    });
    connect(FSheet, &TfrmSheet::DocumentChanged, this, [this] {
        FLayout->ShowLabel(FData->CurrentLabelNo());
        ActionList().Clear();
        UpdateActions();
    });
}

// ---------------------------------------------------------------------------------------
// Start-up

void TfrmMain::NewDocumentQuietly() {
    Guarded([this] {
        if (FLayout)
            FLayout->SetLabelData(nullptr);
        TLabelData fresh;
        if (FPapers)
            fresh.SetPaperInfo(&FPapers->DefaultPaper());
        fresh.SetModified(false);
        FData->Assign(&fresh);
        FData->SetModified(false);
        FFileName.clear();
    });
    DocumentReplaced();
}

bool TfrmMain::OpenFileQuietly(const QString& FileName) {
    if (FileName.isEmpty() || !QFileInfo(FileName).isFile())
        return false;
    if (FLayout)
        FLayout->SetLabelData(nullptr);
    bool opened = false;
    Guarded([&] {
        try {
            FData->LoadFromFile(FileName);
        } catch (const ENotLabelData& E) {
            // No fault of the program: the file is no whole document, and the message says so.
            AppShowError(E.Message);
            return;
        }
        FFileName = QFileInfo(FileName).absoluteFilePath();
        opened = true;
    });
    DocumentReplaced();
    if (opened)
        AddRecentFile(FFileName);
    return opened;
}

bool TfrmMain::SplashClosed() const {
    return FSplashClosed;
}

void TfrmMain::ShowAbout(bool Splash) {
    if (!Splash) {
        TfrmAbout about(this, false);
        about.exec();
        return;
    }
    FSplash = new TfrmAbout(this, true, FSplashTime);
    connect(FSplash, &QDialog::finished, this, [this] { FSplashClosed = true; });
    FSplash->show();
}

TStartupChoice TfrmMain::AskStartupDialog() {
    QDialog dialog(this);
    dialog.setObjectName(QStringLiteral("frmStartup"));
    dialog.setWindowTitle(QStringLiteral("はじめに"));
    auto* layout = new QVBoxLayout(&dialog);
    layout->addWidget(new QLabel(QStringLiteral("何をしますか？"), &dialog));
    TStartupChoice choice = TStartupChoice::Blank;
    const auto add = [&](const QString& Text, TStartupChoice Choice, const char* Name) {
        auto* button = new QPushButton(Text, &dialog);
        button->setObjectName(QLatin1String(Name));
        layout->addWidget(button);
        connect(button, &QPushButton::clicked, &dialog, [&dialog, &choice, Choice] {
            choice = Choice;
            dialog.accept();
        });
    };
    add(QStringLiteral("ウィザードで新しいカレンダーを作る"), TStartupChoice::Wizard, "btnWizard");
    add(QStringLiteral("保存したファイルを開く"), TStartupChoice::Open, "btnOpen");
    add(QStringLiteral("白紙から作る"), TStartupChoice::Blank, "btnBlank");
    add(QStringLiteral("終了"), TStartupChoice::Exit, "btnExit");
    if (dialog.exec() != QDialog::Accepted)
        return TStartupChoice::Blank;
    return choice;
}

void TfrmMain::RunStartupSelection() {
    for (;;) {
        const TStartupChoice choice = AskStartupChoice ? AskStartupChoice() : AskStartupDialog();
        switch (choice) {
        case TStartupChoice::Wizard:
            if (RunWizard())
                return;
            break;
        case TStartupChoice::Open:
            if (OpenDocument())
                return;
            break;
        case TStartupChoice::Exit:
            // The event loop ends with the main window.
            QTimer::singleShot(0, this, &QWidget::close);
            return;
        case TStartupChoice::Blank:
            return;
        }
    }
}

// ---------------------------------------------------------------------------------------
// Document commands

bool TfrmMain::DocumentModified() const {
    if (FData->Modified())
        return true;
    const TDrawSite* site = FLayout ? FLayout->Site() : nullptr;
    return site && site->Modified();
}

void TfrmMain::CommitView() {
    if (FLayout)
        FLayout->CommitLabel();
}

bool TfrmMain::QuerySave() {
    if (!DocumentModified())
        return true;
    const QString name = FFileName.isEmpty() ? SUntitled : QFileInfo(FFileName).fileName();
    const TModalResult answer =
        AppMessageBoxFormat(SSaveQuestion, {name}, {bkYes, bkNo, bkCancel}, 0, 2);
    if (answer == mrYes)
        return SaveDocument();
    return answer == mrNo;
}

bool TfrmMain::NewDocument() {
    if (!QuerySave())
        return false;
    NewDocumentQuietly();
    return true;
}

QString TfrmMain::DefaultFileName(bool ForSave) const {
    if (AskFileName)
        return AskFileName(ForSave);
    const QString start = FFileName.isEmpty() ? QString() : FFileName;
    if (ForSave)
        return QFileDialog::getSaveFileName(const_cast<TfrmMain*>(this),
                                            QStringLiteral("名前を付けて保存"), start,
                                            SDocumentFilter);
    return QFileDialog::getOpenFileName(const_cast<TfrmMain*>(this), QStringLiteral("開く"),
                                        QFileInfo(start).path(), SDocumentFilter);
}

bool TfrmMain::OpenDocument(const QString& FileName) {
    if (!QuerySave())
        return false;
    const QString name = FileName.isEmpty() ? DefaultFileName(false) : FileName;
    if (name.isEmpty())
        return false;
    if (!QFileInfo(name).isFile()) {
        AppMessageBoxFormat(QStringLiteral("ファイル「%s」が見つかりません"), {name}, {bkOK}, 0, 0);
        return false;
    }
    return OpenFileQuietly(name);
}

bool TfrmMain::SaveTo(const QString& FileName) {
    CommitView();
    QString target = FileName;
    if (QFileInfo(target).suffix().isEmpty())
        target += QStringLiteral(".vtd");
    const bool saved = Guarded([&] { FData->SaveToFile(target); });
    if (saved) {
        FFileName = QFileInfo(target).absoluteFilePath();
        if (FLayout && FLayout->Site())
            FLayout->Site()->SetModified(false);
        AddRecentFile(FFileName);
    }
    UpdateActions();
    return saved;
}

bool TfrmMain::SaveDocument() {
    if (FFileName.isEmpty())
        return SaveDocumentAs();
    return SaveTo(FFileName);
}

bool TfrmMain::SaveDocumentAs(const QString& FileName) {
    const QString name = FileName.isEmpty() ? DefaultFileName(true) : FileName;
    return !name.isEmpty() && SaveTo(name);
}

void TfrmMain::AddRecentFile(const QString& FileName) {
    if (FRecent)
        Guarded([&] { FRecent->AddItem(FileName); });
}

bool TfrmMain::PrintDocument() {
    CommitView();
    const QList<int> faces = FSheet ? FSheet->SelectedFaces() : QList<int>();
    bool printed = false;
    Guarded([&] { printed = ExecutePrintCommand(this, *FData, FData->CurrentSheetNo(), faces); });
    // Date objects that show the print time have changed in the document.
    if (printed)
        ReloadViews();
    return printed;
}

bool TfrmMain::RunWizard() {
    if (!QuerySave())
        return false;
    TLabelData made;
    bool filled = false;
    Guarded([&] { filled = RunNewCalendarWizard(this, made); });
    if (!filled)
        return false;
    if (FLayout)
        FLayout->SetLabelData(nullptr);
    const bool taken = Guarded([&] {
        FData->Assign(&made);
        FData->SetModified(true);
        FFileName.clear();
    });
    DocumentReplaced();
    return taken;
}

bool TfrmMain::ChangePaper(const QString& PaperName) {
    TPaperLibrary fallback{QString(), QString()};
    const TPaperLibrary& papers = FPapers ? *FPapers : fallback;
    const TPaperInfo* chosen = nullptr;
    TfrmPaperChooser chooser(papers, this);
    chooser.SelectPaper(FData->PaperInfo()->PaperName());
    if (!PaperName.isEmpty()) {
        if (!chooser.SelectPaper(PaperName))
            return false;
        chosen = chooser.SelectedPaper();
    } else if (chooser.exec() == QDialog::Accepted) {
        chosen = chooser.SelectedPaper();
    }
    if (!chosen)
        return false;
    CommitView();
    const bool changed = Guarded([&] { FData->ChangePaper(chosen); });
    ReloadViews();
    return changed;
}

// ---------------------------------------------------------------------------------------
// Sheets

void TfrmMain::NewSheet() {
    CommitView();
    Guarded([this] { FData->NewSheet(); });
    ReloadViews();
}

void TfrmMain::DuplicateSheet() {
    CommitView();
    Guarded([this] { FData->DuplicateSheet(); });
    ReloadViews();
}

bool TfrmMain::DeleteSheet() {
    if (FData->SheetCount() <= 1) {
        AppShowMessage(SLastSheet);
        return false;
    }
    const int index = FData->CurrentSheetNo();
    if (AppMessageBoxFormat(QStringLiteral("シート「%s」を削除しますか？"), {FData->SheetName()},
                            {bkYes, bkNo}, 1, 1) != mrYes)
        return false;
    // The editor's objects belong to the sheet that goes.
    if (FLayout)
        FLayout->SetLabelData(nullptr);
    const bool deleted = Guarded([&] { FData->DeleteSheet(index); });
    if (FLayout)
        FLayout->SetLabelData(FData.get());
    ReloadViews();
    return deleted;
}

void TfrmMain::MoveSheet(int NewIndex) {
    if (NewIndex < 0 || NewIndex >= FData->SheetCount() || NewIndex == FData->CurrentSheetNo())
        return;
    CommitView();
    Guarded([&] { FData->MoveSheet(NewIndex); });
    RefreshSheetSelector();
    UpdateActions();
}

bool TfrmMain::RenameSheet(const QString& Name) {
    QString name = Name;
    if (name.isEmpty()) {
        bool ok = false;
        name = QInputDialog::getText(this, QStringLiteral("シート名の変更"),
                                     QStringLiteral("シート名:"), QLineEdit::Normal,
                                     FData->SheetName(), &ok);
        if (!ok)
            return false;
    }
    name = name.trimmed();
    if (name.isEmpty() || name == FData->SheetName())
        return false;
    if (FData->SheetNames().contains(name)) {
        AppMessageBoxFormat(QStringLiteral("シート「%s」はすでにあります"), {name}, {bkOK}, 0, 0);
        return false;
    }
    Guarded([&] {
        FData->SetSheetName(name);
        FData->SetModified(true);
    });
    RefreshSheetSelector();
    UpdateActions();
    return true;
}

void TfrmMain::SelectSheet(int Index) {
    if (Index < 0 || Index >= FData->SheetCount() || Index == FData->CurrentSheetNo())
        return;
    CommitView();
    Guarded([&] { FData->SetSheet(Index); });
    ReloadViews();
}

// ---------------------------------------------------------------------------------------
// Views

void TfrmMain::DocumentReplaced() {
    ActionList().Clear();
    if (FLayout) {
        FLayout->SetLabelData(FData.get());
    }
    ReloadViews();
}

void TfrmMain::ReloadViews() {
    ActionList().Clear();
    if (FLayout)
        Guarded([this] { FLayout->ShowLabel(std::max(0, FData->CurrentLabelNo())); });
    if (FSheet)
        Guarded([this] { FSheet->LoadSheet(); });
    RefreshSheetSelector();
    if (FViews && FViews->currentWidget() == FSheet)
        Action(TMainCommand::ShowSheet)->setChecked(true);
    else
        Action(TMainCommand::ShowLayout)->setChecked(true);
    FocusPage();
    UpdateActions();
}

void TfrmMain::RefreshSheetSelector() {
    if (!FSheetBox)
        return;
    const QSignalBlocker block(FSheetBox);
    FSheetBox->clear();
    FSheetBox->addItems(FData->SheetNames());
    FSheetBox->setCurrentIndex(FData->CurrentSheetNo());
}

void TfrmMain::ShowLayout() {
    FViews->setCurrentWidget(FLayout);
    Action(TMainCommand::ShowLayout)->setChecked(true);
    FocusPage();
    UpdateActions();
}

void TfrmMain::ShowSheet() {
    // The sheet view shows previews made from what the document holds.
    CommitView();
    Guarded([this] { FSheet->LoadSheet(); });
    FViews->setCurrentWidget(FSheet);
    Action(TMainCommand::ShowSheet)->setChecked(true);
    UpdateActions();
}

bool TfrmMain::LayoutShown() const {
    return FViews && FViews->currentWidget() == FLayout;
}

void TfrmMain::SetSeparatelyDesign(bool Separately) {
    if (Separately == FData->SeparatelyDesign())
        return;
    CommitView();
    // The sheet view switches the document and reports it (DocumentChanged).
    FSheet->SetSeparatelyDesign(Separately);
    UpdateActions();
}

void TfrmMain::ShowEnvironment() {
    Guarded([this] { ExecuteEnvironmentDialog(this); });
}

void TfrmMain::FocusPage() {
    if (LayoutShown())
        FLayout->Host()->setFocus(Qt::OtherFocusReason);
}

void TfrmMain::ShowPosition(const QPointF& Millimetres) {
    FPosition->setText(QStringLiteral("X: %1 mm  Y: %2 mm")
                           .arg(Millimetres.x(), 0, 'f', 1)
                           .arg(Millimetres.y(), 0, 'f', 1));
}

void TfrmMain::ShowZoom(int Percent) {
    FZoom->setText(QStringLiteral("%1 %").arg(Percent));
}

QString TfrmMain::TitleText() const {
    const QString name = FFileName.isEmpty() ? SUntitled : QFileInfo(FFileName).fileName();
    QString title = FormatMessageText(TitleFormat(), {name});
    if (DocumentModified())
        title += QStringLiteral(" *");
    return title;
}

void TfrmMain::UpdateActions() {
    using C = TMainCommand;
    {
        const QSignalBlocker block(Action(C::SeparatelyDesign));
        Action(C::SeparatelyDesign)->setChecked(FData->SeparatelyDesign());
    }
    const int sheets = FData->SheetCount();
    const int current = FData->CurrentSheetNo();
    Action(C::DeleteSheet)->setEnabled(sheets > 1);
    Action(C::MoveSheetLeft)->setEnabled(current > 0);
    Action(C::MoveSheetRight)->setEnabled(current >= 0 && current < sheets - 1);
    const QString title = TitleText();
    if (title != FShownTitle) {
        FShownTitle = title;
        setWindowTitle(title);
    }
}

void TfrmMain::showEvent(QShowEvent* Event) {
    QMainWindow::showEvent(Event);
    // The about box greets the user once, as the splash.
    if (!FSplashShown) {
        FSplashShown = true;
        ShowAbout(true);
    }
}

void TfrmMain::closeEvent(QCloseEvent* Event) {
    if (!QuerySave()) {
        Event->ignore();
        return;
    }
    // A settings store that cannot be written must not keep the window open.
    Guarded([this] { SaveWindowPlacement(*this); });
    Event->accept();
}

// ---------------------------------------------------------------------------------------

TMainFormFactory MainFormFactory(std::function<const TPaperLibrary*()> Papers) {
    return [Papers = std::move(Papers)]() -> std::unique_ptr<IMainForm> {
        return std::make_unique<TfrmMain>(Papers ? Papers() : nullptr);
    };
}
