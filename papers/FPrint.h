#pragma once
// The print windows: the print dialog (printer, copies, offsets, faces, sheets, one job per
// sheet, outlines, resolution), the progress window with its Cancel button, and the box
// shown while the spooler works on a sheet's job.

#include "UPhasedProgress.h"
#include "UPrintSettings.h"

#include <QDialog>
#include <QList>
#include <functional>
#include <memory>

class QButtonGroup;
class QCheckBox;
class QComboBox;
class QLabel;
class QLineEdit;
class QProgressBar;
class QPushButton;
class QRadioButton;
class QSpinBox;
class QTimer;

class TfrmPrint : public QDialog {
    Q_OBJECT
public:
    // SheetCount sheets in the document; SelectedFaces the faces chosen on the sheet (the
    // "selected faces" choice is offered only when there are some).
    TfrmPrint(QWidget* Parent, int SheetCount, const QList<int>& SelectedFaces);

    // What the dialog shows, as print settings: Copies, Offset, FaceFlags or AllFaces, AllSheets,
    // SpoolEachSheet (only for all sheets of a document of several on a spooling printer),
    // outlines and Resolution.
    TPrintSpec Spec() const;
    QString PrinterName() const;
    // The file the built-in PDF printer writes; the dialog opens with the last print's.
    QString PdfFile() const;
    void SetPdfFile(const QString& FileName);
    // The line under the label choice that tells how many faces carry a design.
    void SetDesignNote(const QString& Text);
    QLabel* DesignNoteLabel() const { return FDesignNote; }

    // The controls, for tests.
    QComboBox* Printers() const { return FPrinters; }
    QSpinBox* CopiesEdit() const { return FCopies; }
    QSpinBox* OffsetLeftEdit() const { return FOffsetLeft; }
    QSpinBox* OffsetTopEdit() const { return FOffsetTop; }
    QRadioButton* SelectedFacesButton() const { return FSelectedFaces; }
    QRadioButton* CurrentSheetButton() const { return FCurrentSheet; }
    QCheckBox* SpoolEachSheetBox() const { return FSpoolEachSheet; }
    QCheckBox* OutlineSolidBox() const { return FOutlineSolid; }
    QCheckBox* OutlineDashedBox() const { return FOutlineDashed; }
    QComboBox* ResolutionBox() const { return FResolution; }
    QLineEdit* PdfFileEdit() const { return FPdfFile; }
    QPushButton* PrintButton() const { return FPrint; }

public slots:
    // Checks the output file of the PDF printer (".pdf" is added when missing; a folder that
    // does not exist is refused with a message and the dialog stays), then keeps the
    // settings for the next print.
    void accept() override;

private:
    void UpdateControls();
    void BrowsePdfFile();
    // The settings of the last print (printer, output file, copies, offsets, outlines,
    // resolution), read when the dialog opens and written when it is accepted.
    void LoadLastSettings();
    void SaveSettings() const;
    bool CheckPdfFile();

    int FSheetCount;
    QList<int> FSelected;
    bool FSpoolSetting = true;
    QComboBox* FPrinters;
    QLineEdit* FPdfFile;
    QPushButton* FBrowse;
    QLabel* FPdfLabel;
    QLabel* FDesignNote;
    QSpinBox* FCopies;
    QSpinBox* FOffsetLeft;
    QSpinBox* FOffsetTop;
    QRadioButton* FAllFaces;
    QRadioButton* FSelectedFaces;
    QRadioButton* FAllSheets;
    QRadioButton* FCurrentSheet;
    QCheckBox* FSpoolEachSheet;
    QCheckBox* FOutlineSolid;
    QCheckBox* FOutlineDashed;
    QComboBox* FResolution;
    QPushButton* FPrint;
};

// The progress window: a bar driven by Progress() and a Cancel button that calls OnCancel.
class TfrmPrintProgress : public QDialog {
    Q_OBJECT
public:
    explicit TfrmPrintProgress(QWidget* Parent);
    ~TfrmPrintProgress() override;
    TPhasedProgressBase& Progress() { return *FProgress; }
    QPushButton* CancelButton() const { return FCancel; }
    std::function<void()> OnCancel;

protected:
    void reject() override;

private:
    QProgressBar* FBar;
    QPushButton* FCancel;
    std::unique_ptr<TSTDPhasedProgress> FProgress;
};

// Shown while job JobId of queue Printer waits in the spooler; closes by itself with
// wjaGoOn when the job is done, or answers wjaStop / wjaStopWaiting by its buttons.
class TfrmWaitJob : public QDialog {
    Q_OBJECT
public:
    // IsActive answers whether the job is still in the spooler (polled twice a second).
    TfrmWaitJob(QWidget* Parent, const QString& SheetName, int JobId,
                std::function<bool()> IsActive);

private:
    void Poll();
    std::function<bool()> FIsActive;
    QTimer* FTimer;
};

// The Yes/No question asked when the printer's paper and the document's differ; true on Yes.
bool AskPrintDespiteSizeMismatch();
