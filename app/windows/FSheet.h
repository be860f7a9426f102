#pragma once
// TfrmSheet: the sheet view. It shows every face of the current sheet of the open document
// with the preview of its label, lets the user pick the face to design (which hands over to
// the layout editor), switch between one design for all faces and a design per face, and
// choose the faces to print.
//
// The view never reads or writes label objects itself: it asks the document for previews
// and reports choices through its signals; the main window acts on them.

#include "ULOFace.h"

#include <QList>
#include <QWidget>

#include <memory>

class QCheckBox;
class QLabel;
class QScrollArea;
class TDrawSite;
class TLabelData;
class TPictureEx;

// A face of the sheet view: the face outline with the preview of its label inside.
class TSheetFace : public TLOFace {
    Q_OBJECT
public:
    explicit TSheetFace(TComponent* Owner = nullptr);
    ~TSheetFace() override;

    // The preview shown in the face (copied; null or empty shows the bare face).
    void SetPreview(const TPictureEx* Picture);
    bool HasPreview() const;

    // Double click on the face (in place of the property editors of drawing objects).
    TNotifyEvent OnEditFace;

protected:
    void Paint() override;

private:
    std::unique_ptr<TPictureEx> FPreview;
};

// The surface the sheet view shows for the current sheet of Data: the paper's size, one
// TSheetFace per face of its paper, each with the preview of its label. Built apart from any
// window (the view adds its events and the current face).
std::unique_ptr<TDrawSite> CreateSheetSite(TLabelData& Data);

class TfrmSheet : public QWidget {
    Q_OBJECT
public:
    // Data must outlive the view.
    explicit TfrmSheet(TLabelData& Data, QWidget* Parent = nullptr);
    ~TfrmSheet() override;

    // Shows the current sheet again: its paper's faces, each label's preview, the design
    // switch, the current face marked. The face selection for printing is kept where the
    // face count allows.
    void LoadSheet();

    // Faces chosen for printing, ascending.
    QList<int> SelectedFaces() const;
    void SetSelectedFaces(const QList<int>& Faces);
    // The face the layout editor would open (the document's current label).
    int CurrentFace() const { return FCurrentFace; }

    // Picks Face as the document's current label and asks for the layout editor.
    void EditFace(int Face);

    // One design for all faces (false) or one per face; the same as the view's switch.
    void SetSeparatelyDesign(bool Separately);

    TDrawSite& Site() const { return *FSite; }
    QCheckBox* SeparatelyDesignBox() const { return FSeparately; }
    // The widget that shows the surface (for tests and screenshots).
    QWidget* SiteWidget() const;

signals:
    // The user wants to design Face (already the document's current label).
    void EditFaceRequested(int Face);
    // The design switch changed the document.
    void DocumentChanged();

protected:
    bool eventFilter(QObject* Watched, QEvent* Event) override;

private:
    void RebuildSite();
    void FitToView();
    void SeparatelyToggled(bool Checked);
    void FaceChecked(TComponent* Sender);
    void UpdateInfo();

    TLabelData& FData;
    QCheckBox* FSeparately;
    QLabel* FInfo;
    std::unique_ptr<TDrawSite> FSite;
    QScrollArea* FArea = nullptr;
    QWidget* FViewport = nullptr;
    int FCurrentFace = 0;
};
