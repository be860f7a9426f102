#pragma once
// The new-calendar wizard: a modal window that shows one page at a time (calendar type,
// calendar style, year-month and photos) and builds the new calendar document on the way.
//
// The window owns the wizard's document and the chosen entry; the pages read and write
// them through the host interface, which they receive right after they are docked. A page
// offers its own finish and next actions (either may be none); the window's actions follow
// them:
//   actFinish  without a page action visible and disabled; else as the page action.
//   actNext    without a page action visible (pages 0 and 1 only) and disabled; else
//              visible on pages 0 and 1 while the page action is, enabled as it.
// Running actFinish runs the page's action and closes the window with OK unless the page
// refused (RefuseFinish); running actNext runs the page's action and shows the next page.
// On the last page the default button (btnNext) runs actFinish.

#include "UPhasedProgress.h"
#include "UWizardFill.h"
#include "UWizardInfo.h"

#include <QDialog>
#include <QPointer>
#include <memory>

class QAction;
class QLabel;
class QProgressBar;
class QPushButton;
class QStatusBar;
class QVBoxLayout;
class TLabelData;

// Shows the progress on the wizard's bar: the bar appears when a phase begins and goes when
// the last phase ends.
class TWizPhasedProgress : public TPhasedProgressBase {
public:
    explicit TWizPhasedProgress(QProgressBar* Bar);
    void SetPosition(int Total) override;
    void SetRange(int Min, int Max, int Position) override;
    void BeginPhase(int Min, int Max) override;
    void EndPhase() override;

private:
    QProgressBar* FBar;
};

// What the wizard offers its pages.
class IWizardHost {
public:
    virtual void SetFinishAction(QAction* Action) = 0;
    virtual void SetNextAction(QAction* Action) = 0;
    // Goes on as if btnNext were clicked, once the current event is done.
    virtual void GoNext() = 0;
    // Called from a page's finish action: the window stays open.
    virtual void RefuseFinish() = 0;
    // The page's actions changed state: the window's actions follow.
    virtual void UpdateActions() = 0;
    virtual TPhasedProgressBase& Progress() = 0;
    virtual TWizardInfo& Info() = 0;
    virtual TLabelData& Document() = 0;
    virtual TWizFileInfo& FileInfo() = 0;
    virtual TWizardOrder& Order() = 0;

protected:
    ~IWizardHost() = default;
};

// A page that wants the host implements this.
class IWizardPage {
public:
    virtual void SetWizardHost(IWizardHost* Host) = 0;

protected:
    ~IWizardPage() = default;
};

class TfrmWizBase : public QDialog, public IWizardHost {
    Q_OBJECT
public:
    static constexpr int PageCount = 3;

    // Find locates "Wizard.dat" (empty: the application frame's content-file search).
    explicit TfrmWizBase(QWidget* Parent = nullptr, const TWizardInfo::TFindFile& Find = {});
    ~TfrmWizBase() override;

    int PageIndex() const { return FPageIndex; }
    QWidget* Page() const { return FPage; }
    // Shows page Index (0 .. PageCount - 1), closing the current one.
    void ShowPage(int Index);

    QAction* actFinish = nullptr;
    QAction* actNext = nullptr;
    QPushButton* btnFinish = nullptr;
    QPushButton* btnCancel = nullptr;
    QPushButton* btnPrev = nullptr;
    QPushButton* btnNext = nullptr;
    QStatusBar* StatusBar = nullptr;
    QProgressBar* ProgressBar = nullptr;

    // IWizardHost.
    void SetFinishAction(QAction* Action) override;
    void SetNextAction(QAction* Action) override;
    void GoNext() override;
    void RefuseFinish() override { FFinishRefused = true; }
    void UpdateActions() override;
    TPhasedProgressBase& Progress() override { return *FProgress; }
    TWizardInfo& Info() override { return FInfo; }
    TLabelData& Document() override { return *FDocument; }
    TWizFileInfo& FileInfo() override { return FFileInfo; }
    TWizardOrder& Order() override { return FOrder; }

private:
    void BuildWindow();
    void BindButtons();
    void Bind(QPushButton* Button, QAction* Action);
    void FinishExecute();
    void NextExecute();
    void PrevClick();

    TWizardInfo FInfo;
    std::unique_ptr<TLabelData> FDocument;
    TWizFileInfo FFileInfo;
    TWizardOrder FOrder;
    std::unique_ptr<TWizPhasedProgress> FProgress;
    QWidget* FPageHost = nullptr;
    QVBoxLayout* FPageLayout = nullptr;
    QPointer<QWidget> FPage;
    QPointer<QAction> FPageFinish;
    QPointer<QAction> FPageNext;
    int FPageIndex = -1;
    bool FFinishRefused = false;
};

// Runs the wizard modally; on finish fills Into (TLabelData::Assign) and returns true.
bool RunNewCalendarWizard(QWidget* Parent, TLabelData& Into);
