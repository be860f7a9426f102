#pragma once
// The three pages of the new-calendar wizard (TfrmWizBase):
//   TfrmWizType   the calendar type: the entries of the kind "Types" with their previews;
//   TfrmWizStyle  the calendar style: the entries of the type's template set ("Templates"),
//                 narrowed by the kind's pull-down (a choice other than "すべて表示" shows
//                 each entry's document of that choice), plus the template's own look;
//   TfrmWizPhoto  the start year and month and the photos, with a preview of the result
//                 that follows every change and a note of the photo frames left with the
//                 template's sample picture; its finish action builds the document.
// A definitions file that is missing or damaged leaves the type page empty with the
// reason on it, and the wizard cannot go on.

#include "FWizBase.h"

#include <QWidget>
#include <functional>

class QComboBox;
class QLabel;
class QListWidget;
class QPushButton;
class QSpinBox;
class QTimer;

class TfrmWizType : public QWidget, public IWizardPage {
    Q_OBJECT
public:
    explicit TfrmWizType(QWidget* Parent = nullptr);
    void SetWizardHost(IWizardHost* Host) override;

    QListWidget* lstTypes = nullptr;
    QLabel* lblMessage = nullptr;
    QAction* actNextPage = nullptr;

private:
    void SelectionChanged();

    IWizardHost* FHost = nullptr;
};

class TfrmWizStyle : public QWidget, public IWizardPage {
    Q_OBJECT
public:
    explicit TfrmWizStyle(QWidget* Parent = nullptr);
    void SetWizardHost(IWizardHost* Host) override;

    QComboBox* cmbPullDown = nullptr;
    QListWidget* lstStyles = nullptr;
    QAction* actNextPage = nullptr;

private:
    void FillStyles();
    void SelectionChanged();

    IWizardHost* FHost = nullptr;
};

class TfrmWizPhoto : public QWidget, public IWizardPage {
    Q_OBJECT
public:
    explicit TfrmWizPhoto(QWidget* Parent = nullptr);
    void SetWizardHost(IWizardHost* Host) override;

    QSpinBox* spnYear = nullptr;
    QSpinBox* spnMonth = nullptr;
    QListWidget* lstPhotos = nullptr;
    QPushButton* btnAddPhotos = nullptr;
    QPushButton* btnRemovePhoto = nullptr;
    QLabel* lblSlots = nullptr;
    QLabel* imgPreview = nullptr;
    QAction* actFinishPage = nullptr;

    // The files the add button's dialog offers to choose, several at once; empty: the
    // picture file dialog.
    std::function<QStringList(QWidget* Parent)> AskPhotoFiles;

    // Adds photo files to the list (also what the add button does after its file dialog).
    void AddPhotos(const QStringList& Files);
    // Builds the document into the wizard's and shows the current sheet as the preview;
    // false with a message shown when it cannot be built.
    bool UpdatePreview();
    // True while a change waits to reach the preview.
    bool PreviewPending() const;

private:
    void ChoosePhotos();
    void RemovePhoto();
    void Finish();
    void TakeOrder();
    // Takes the choices into the order and rebuilds the preview shortly after the last
    // change (several changes in a row, such as typing a year, build it once).
    void SchedulePreview();
    void RefreshPreview();
    // Builds the wizard's document and shows it; the reason it failed otherwise.
    QString BuildPreview();
    void ShowSlots(int Frames);

    IWizardHost* FHost = nullptr;
    QTimer* FPreviewTimer = nullptr;
    bool FBuilding = false;
    // The wizard's document holds the choices as they are now.
    bool FBuilt = false;
};

// The page of Index (0 type, 1 style, 2 year-month and photos).
QWidget* CreateWizardPage(int Index, QWidget* Parent);
