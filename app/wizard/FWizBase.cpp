#include "FWizBase.h"

#include "FWizPages.h"
#include "UAppFrame.h"
#include "ULabelData.h"

#include <QAction>
#include <QApplication>
#include <QHBoxLayout>
#include <QProgressBar>
#include <QPushButton>
#include <QStatusBar>
#include <QStyle>
#include <QVBoxLayout>

namespace {

struct TPageInfo {
    int HelpContext;
    const char* Caption;
};

constexpr TPageInfo Pages[TfrmWizBase::PageCount] = {
    {5031, "カレンダータイプの選択"},
    {5032, "カレンダースタイルの選択"},
    {5036, "年月・写真の設定"},
};

// The bottom panel's colour (0x0090B0E0 as 0x00BBGGRR).
const QColor BottomPanelColor(0xE0, 0xB0, 0x90);

} // namespace

// ---------------------------------------------------------------------------------------
// TWizPhasedProgress

TWizPhasedProgress::TWizPhasedProgress(QProgressBar* Bar) : FBar(Bar) {
    StartDisplay();
}

void TWizPhasedProgress::SetPosition(int Total) {
    FBar->setValue(Total / 100);
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

void TWizPhasedProgress::SetRange(int Min, int Max, int Position) {
    FBar->setRange(0, 100);
    FBar->setValue(Position / 100);
}

void TWizPhasedProgress::BeginPhase(int Min, int Max) {
    TPhasedProgressBase::BeginPhase(Min, Max);
    FBar->setVisible(true);
}

void TWizPhasedProgress::EndPhase() {
    TPhasedProgressBase::EndPhase();
    if (Level() == 0)
        FBar->setVisible(false);
}

// ---------------------------------------------------------------------------------------
// TfrmWizBase

TfrmWizBase::TfrmWizBase(QWidget* Parent, const TWizardInfo::TFindFile& Find)
    : QDialog(Parent), FInfo(SWizardFileName, Find), FDocument(std::make_unique<TLabelData>()) {
    BuildWindow();
    FProgress = std::make_unique<TWizPhasedProgress>(ProgressBar);
    ShowPage(0);
}

TfrmWizBase::~TfrmWizBase() {
    // The page goes before the document and the entry it may still refer to.
    delete FPage.data();
}

void TfrmWizBase::BuildWindow() {
    setModal(true);
    resize(792, 553);
    setMinimumSize(620, 580);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);

    FPageHost = new QWidget(this);
    FPageHost->setObjectName(QStringLiteral("PageHost"));
    FPageLayout = new QVBoxLayout(FPageHost);
    FPageLayout->setContentsMargins(12, 12, 11, 12);
    layout->addWidget(FPageHost, 1);

    auto* bottom = new QWidget(this);
    bottom->setObjectName(QStringLiteral("BottomPanel"));
    bottom->setAutoFillBackground(true);
    QPalette palette = bottom->palette();
    palette.setColor(QPalette::Window, BottomPanelColor);
    bottom->setPalette(palette);
    auto* buttons = new QHBoxLayout(bottom);
    ProgressBar = new QProgressBar(bottom);
    ProgressBar->setRange(0, 100);
    ProgressBar->setVisible(false);
    buttons->addWidget(ProgressBar, 1);
    buttons->addStretch();
    btnPrev = new QPushButton(QStringLiteral("戻る"), bottom);
    btnPrev->setIcon(style()->standardIcon(QStyle::SP_ArrowBack));
    btnNext = new QPushButton(bottom);
    btnNext->setDefault(true);
    btnFinish = new QPushButton(bottom);
    btnCancel = new QPushButton(QStringLiteral("キャンセル"), bottom);
    btnCancel->setIcon(style()->standardIcon(QStyle::SP_DialogCancelButton));
    for (QPushButton* button : {btnPrev, btnNext, btnFinish, btnCancel}) {
        button->setAutoDefault(false);
        buttons->addWidget(button);
    }
    btnNext->setDefault(true);
    layout->addWidget(bottom);
    StatusBar = new QStatusBar(this);
    layout->addWidget(StatusBar);

    actFinish = new QAction(style()->standardIcon(QStyle::SP_DialogApplyButton),
                            QStringLiteral("完了"), this);
    actNext =
        new QAction(style()->standardIcon(QStyle::SP_ArrowForward), QStringLiteral("次へ"), this);
    connect(actFinish, &QAction::triggered, this, &TfrmWizBase::FinishExecute);
    connect(actNext, &QAction::triggered, this, &TfrmWizBase::NextExecute);
    connect(btnPrev, &QPushButton::clicked, this, &TfrmWizBase::PrevClick);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);
}

void TfrmWizBase::Bind(QPushButton* Button, QAction* Action) {
    Button->disconnect(this);
    actFinish->disconnect(Button);
    actNext->disconnect(Button);
    const auto follow = [Button, Action] {
        Button->setText(Action->text());
        Button->setIcon(Action->icon());
        Button->setEnabled(Action->isEnabled());
        Button->setVisible(Action->isVisible());
    };
    follow();
    connect(Action, &QAction::changed, Button, follow);
    connect(Button, &QPushButton::clicked, this, [Action] { Action->trigger(); });
}

void TfrmWizBase::BindButtons() {
    if (FPageIndex >= 2) {
        Bind(btnNext, actFinish);
        Bind(btnFinish, actNext);
    } else {
        Bind(btnNext, actNext);
        Bind(btnFinish, actFinish);
    }
}

void TfrmWizBase::ShowPage(int Index) {
    if (Index < 0 || Index >= PageCount)
        return;
    FPageFinish = nullptr;
    FPageNext = nullptr;
    FPageIndex = Index;
    btnPrev->setEnabled(Index >= 1);
    // Pages change from the window's own buttons and actions, never from inside the page.
    delete FPage.data();
    QWidget* page = CreateWizardPage(Index, FPageHost);
    page->setProperty("HelpContext", Pages[Index].HelpContext);
    FPageLayout->addWidget(page);
    FPage = page;
    BindButtons();
    if (auto* wizardPage = dynamic_cast<IWizardPage*>(page))
        wizardPage->SetWizardHost(this);
    setWindowTitle(QString::fromUtf8(Pages[Index].Caption));
    setProperty("HelpContext", Pages[Index].HelpContext);
    page->show();
    UpdateActions();
}

void TfrmWizBase::SetFinishAction(QAction* Action) {
    FPageFinish = Action;
    if (Action)
        connect(Action, &QAction::changed, this, &TfrmWizBase::UpdateActions, Qt::UniqueConnection);
    UpdateActions();
}

void TfrmWizBase::SetNextAction(QAction* Action) {
    FPageNext = Action;
    if (Action)
        connect(Action, &QAction::changed, this, &TfrmWizBase::UpdateActions, Qt::UniqueConnection);
    UpdateActions();
}

void TfrmWizBase::UpdateActions() {
    if (!FPageFinish) {
        actFinish->setVisible(true);
        actFinish->setEnabled(false);
    } else {
        actFinish->setVisible(FPageFinish->isVisible());
        actFinish->setEnabled(FPageFinish->isEnabled());
    }
    const bool below = FPageIndex < 2;
    if (!FPageNext) {
        actNext->setVisible(below);
        actNext->setEnabled(false);
    } else {
        actNext->setVisible(below && FPageNext->isVisible());
        actNext->setEnabled(FPageNext->isEnabled());
    }
}

void TfrmWizBase::GoNext() {
    QMetaObject::invokeMethod(btnNext, "click", Qt::QueuedConnection);
}

void TfrmWizBase::FinishExecute() {
    UpdateActions();
    if (!actFinish->isEnabled() || !FPageFinish)
        return;
    FFinishRefused = false;
    FPageFinish->trigger();
    if (!FFinishRefused)
        accept();
}

void TfrmWizBase::NextExecute() {
    UpdateActions();
    if (!actNext->isEnabled() || !FPageNext)
        return;
    FPageNext->trigger();
    if (FPageIndex < PageCount - 1)
        ShowPage(FPageIndex + 1);
}

void TfrmWizBase::PrevClick() {
    if (FPageIndex > 0)
        ShowPage(FPageIndex - 1);
}

bool RunNewCalendarWizard(QWidget* Parent, TLabelData& Into) {
    TfrmWizBase wizard(Parent);
    if (wizard.exec() != QDialog::Accepted)
        return false;
    Into.Assign(&wizard.Document());
    Into.SetModified(true);
    return true;
}
