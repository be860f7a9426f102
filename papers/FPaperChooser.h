#pragma once
// The paper chooser: groups on the left, the papers of the chosen group in the middle and a
// preview of the chosen paper's faces on the right, drawn from their face geometry.

#include "UPaperLibrary.h"

#include <QDialog>
#include <QImage>
#include <QWidget>

class QLabel;
class QListWidget;
class QDialogButtonBox;

// The sheet scaled to fit Width x Height pixels (centred, on a grey ground) with every face
// drawn as its outline, its cut line when it has a margin, and its centre hole.
QImage RenderPaperPreview(const TPaperInfo& Paper, int Width, int Height);

class TPaperPreview : public QWidget {
    Q_OBJECT
public:
    explicit TPaperPreview(QWidget* Parent = nullptr);
    // The paper shown (not owned; null shows nothing).
    void SetPaper(const TPaperInfo* Paper);
    const TPaperInfo* Paper() const { return FPaper; }
    QSize sizeHint() const override { return {260, 320}; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    const TPaperInfo* FPaper = nullptr;
};

class TfrmPaperChooser : public QDialog {
    Q_OBJECT
public:
    // Library must outlive the dialog. The default paper is selected at first.
    explicit TfrmPaperChooser(const TPaperLibrary& Library, QWidget* Parent = nullptr);

    // Selects the paper listed under Name (its group first); False when there is none.
    bool SelectPaper(const QString& Name);
    // The chosen paper, or null when none is chosen.
    const TPaperInfo* SelectedPaper() const;
    QString SelectedName() const;

    QListWidget* GroupList() const { return FGroups; }
    QListWidget* PaperList() const { return FPapers; }
    TPaperPreview* Preview() const { return FPreview; }
    QLabel* InfoLabel() const { return FInfo; }

private:
    void GroupChanged();
    void PaperChanged();

    const TPaperLibrary& FLibrary;
    QListWidget* FGroups;
    QListWidget* FPapers;
    TPaperPreview* FPreview;
    QLabel* FInfo;
    QDialogButtonBox* FButtons;
};
