#pragma once
// The frame every object property dialog shares.
//
// A dialog is a notebook of pages over OK and キャンセル. It loads its fields from one object,
// checks them when the user presses OK (a field that cannot be applied is refused with a
// message naming it, and the dialog stays open), and applies them to the object. Enter
// presses OK (a multi-line text field keeps Enter for its line breaks), Escape presses
// キャンセル. The page that shows when a dialog closes is remembered per dialog kind for the
// whole run and shown again the next time a dialog of that kind opens.
//
// A dialog may carry a preview (TframeObjectPreview) of a copy of its object with the
// current fields applied; it is redrawn shortly after any field changes.
//
// User-interface thread only.

#include <QDialog>
#include <QString>

#include <memory>

class QCheckBox;
class QFormLayout;
class QHBoxLayout;
class QLabel;
class QPushButton;
class QTabWidget;
class QTimer;
class TColorSpec;
class TComponent;
class TDrawObject;
class TExSpinEdit;
class TPictureEx;
class TframeObjectPreview;
class TfrmPosition;

// The page last shown by each kind of dialog, kept for the whole run (0 until a dialog of
// the kind has closed).
class TRememberedPages {
public:
    static int Page(const QString& Kind);
    static void SetPage(const QString& Kind, int Index);
    // Forgets every page (tests).
    static void Reset();
};

class TfrmPropertyDialog : public QDialog {
    Q_OBJECT
public:
    // PageKind names the dialog kind under which its page is remembered (empty: the page is
    // not remembered).
    explicit TfrmPropertyDialog(const QString& PageKind, QWidget* Parent = nullptr);
    ~TfrmPropertyDialog() override;

    // The fields from Object.
    virtual void LoadFrom(TDrawObject& Object) = 0;
    // The fields to Object; only called after ValidateFields answered true.
    virtual void ApplyTo(TDrawObject& Object) = 0;
    // True when every field can be applied; otherwise tells the user which one cannot,
    // shows its page, focuses it and answers false.
    bool ValidateFields();

    // A field that cannot be applied and why.
    struct TFieldProblem {
        QWidget* Field = nullptr;
        QString Message;
    };
    // The first field that cannot be applied, without telling anyone (Field nullptr: none).
    // The base checks every enabled spin edit for a valid number.
    virtual TFieldProblem FindProblem() const;

    const QString& PageKind() const { return FPageKind; }
    QTabWidget* Pages() const { return FPages; }
    QPushButton* OKButton() const { return FOKButton; }
    QPushButton* CancelButton() const { return FCancelButton; }
    TframeObjectPreview* Preview() const { return FPreview; }
    // The position frame, or nullptr for a dialog without one.
    TfrmPosition* Position() const { return FPosition; }

    // OK: the fields are checked first; the dialog closes only when they can be applied.
    void accept() override;

protected:
    // A new page with a form layout, appended to the notebook.
    QFormLayout* AddPage(const QString& Name, const QString& Caption);
    QWidget* PageWidget(const QString& Name) const;
    // A page "Position" holding the position frame.
    TfrmPosition* AddPositionPage(const QString& Caption = QStringLiteral("位置・サイズ"));
    // A preview of a copy of Object beside the notebook, redrawn after field changes with
    // the fields applied to the copy (only while they are valid).
    void ShowPreviewOf(TDrawObject& Object);
    // Makes every editing control under this dialog restart the preview timer.
    void WatchFieldChanges();
    // Redraws the preview shortly (after a change the watched controls do not signal).
    void PreviewLater();

    void showEvent(QShowEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;

private:
    void RefreshPreview();

    QString FPageKind;
    QTabWidget* FPages;
    QHBoxLayout* FBody;
    QPushButton* FOKButton;
    QPushButton* FCancelButton;
    TframeObjectPreview* FPreview = nullptr;
    TfrmPosition* FPosition = nullptr;
    QTimer* FPreviewTimer = nullptr;
    std::unique_ptr<TDrawObject> FPreviewCopy;
    bool FPageShown = false;
};

// A property dialog whose object shows a picture read from a file (pictures, decorative
// lines, alpha masks). A page holds a button that asks for the file and a label with the size
// of the picture shown. The picture chosen is kept until the fields are applied; a file that
// cannot be read is refused with a message and the picture shown before stays.
class TfrmPicturePropertyDialog : public TfrmPropertyDialog {
    Q_OBJECT
public:
    explicit TfrmPicturePropertyDialog(const QString& PageKind, QWidget* Parent = nullptr);
    ~TfrmPicturePropertyDialog() override;

    // A dialog that needs a picture refuses OK while neither the object nor the dialog has
    // one, before the base checks.
    TFieldProblem FindProblem() const override;

    // Reads FileName as the new picture; false (with a message) when it cannot be read.
    bool LoadPictureFile(const QString& FileName);
    // The picture chosen in this dialog, or nullptr.
    const TPictureEx* ChosenPicture() const { return FChosen.get(); }

    QPushButton* btnSelectFile = nullptr;
    QLabel* lblPictureInfo = nullptr;

protected:
    enum class TPictureNeed { Optional, Required };
    // The file button (ButtonCaption) and the picture label (InfoCaption) as rows of Form.
    void AddPictureRows(QFormLayout* Form, const QString& ButtonCaption, const QString& InfoCaption,
                        TPictureNeed Need);
    // Shows the object's own picture (loading the fields from the object).
    void ShowObjectPicture(const TPictureEx* Picture);
    // The chosen picture (or nullptr) as the objects' setters take it; they copy it.
    TPictureEx* PictureToApply() { return FChosen.get(); }

private:
    std::unique_ptr<TPictureEx> FChosen;
    bool FHadPicture = false;
    bool FPictureRequired = false;
};

// The property stream of Component as bytes ("TPF0" and its properties).
QByteArray PropertyStreamOf(TComponent& Component);
// Dest := Source when their streamed forms differ; true when Dest was changed.
bool AssignColorSpecIfChanged(TColorSpec& Dest, const TColorSpec& Source);

// Reads a picture file chosen in a dialog: the picture, or nullptr after telling the user
// that it could not be read.
std::unique_ptr<TPictureEx> ReadDialogPicture(const QString& FileName);
// Whether Picture holds a picture with pixels.
bool HasPicturePixels(const TPictureEx* Picture);
// "W × H ピクセル", or "(なし)" without a picture.
QString PictureInfoText(const TPictureEx* Picture);

// Spin edits as the dialogs use them.
// The message of a spin edit that holds no valid number; Caption names the field.
QString InvalidNumberMessage(const QString& Caption);
// Caption (without its "(&X)" accelerator) becomes the edit's accessible name, which the
// messages about it use.
// A length in 0.1 mm shown in millimetres (ratio 10, step 1 mm) within Min..Max.
TExSpinEdit* NewLengthEdit(QWidget* Parent, const QString& Name, const QString& Caption, int Min,
                           int Max);
// A plain number within Min..Max, stepping by Increment.
TExSpinEdit* NewNumberEdit(QWidget* Parent, const QString& Name, const QString& Caption, int Min,
                           int Max, int Increment = 1);
// Edit followed by a unit label, as one row widget.
QWidget* WithUnit(QWidget* Edit, const QString& Unit);
// What Edit holds for a property whose value is Current: Current itself while the edit still
// shows what loading Current showed, so that a value beyond the edit's limits that the user
// did not touch comes back unchanged; otherwise the edit's value.
int KeptValue(const TExSpinEdit& Edit, int Current);
