#pragma once
// TfrmLineProperty: the dialog of straight lines ("直線の設定") and curves ("円弧の設定"),
// each with its own remembered page. Pages: PenColor (the line's colour fill and width) and
// Position (start and end points, lock, print and transparency).
//
// Units: points and the width in 0.1 mm, shown in mm; the width 0.1 .. 20.0 mm.

#include "FPropertyDialog.h"

class QCheckBox;
class TColorSpecButton;
class TLOLine;

class TfrmLineProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmLineProperty(TLOLine& Line, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    QWidget* fpnlPenColor;
    TColorSpecButton* btnPenColor;
    TExSpinEdit* seLineWidth;
    TExSpinEdit* esStartX;
    TExSpinEdit* esStartY;
    TExSpinEdit* esEndX;
    TExSpinEdit* esEndY;
    QCheckBox* cbLock;
    QCheckBox* cbDontPrint;
    TExSpinEdit* seBlend;
};
