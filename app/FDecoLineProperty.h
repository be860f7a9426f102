#pragma once
// TfrmDecoLineProperty ("飾り罫の設定"): the picture repeated along a decorative line and the
// decoration's height (page Decoration), start and end points, lock, print and transparency
// (page Position). A line without length that gets a picture takes the picture's length
// (six copies) and height.

#include "FPropertyDialog.h"

#include <memory>

class QCheckBox;
class QLabel;
class QPushButton;
class TLODecoLine;
class TPictureEx;

class TfrmDecoLineProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmDecoLineProperty(TLODecoLine& Line, QWidget* Parent = nullptr);
    ~TfrmDecoLineProperty() override;

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    TFieldProblem FindProblem() const override;
    // Reads FileName as the new picture; false (with a message) when it cannot be read.
    bool LoadPictureFile(const QString& FileName);

    QPushButton* btnSelectFile;
    QLabel* lblPictureInfo;
    TExSpinEdit* seLineWidth;
    TExSpinEdit* esStartX;
    TExSpinEdit* esStartY;
    TExSpinEdit* esEndX;
    TExSpinEdit* esEndY;
    QCheckBox* cbLock;
    QCheckBox* cbDontPrint;
    TExSpinEdit* seBlend;

private:
    std::unique_ptr<TPictureEx> FChosen;
    bool FHadPicture = false;
};
