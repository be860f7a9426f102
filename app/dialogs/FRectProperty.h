#pragma once
// TfrmRectProperty: the dialog of rectangles ("四角形の設定") and ellipses ("円の設定").
// Page LineAndFill: the frame's colour fill and width (0 .. 20 mm; 0 = no frame), whether
// the inside is filled and with what, rounded corners (rectangles only). Page Position: the
// shared position frame.

#include "FPropertyDialog.h"

class QCheckBox;
class TColorSpecButton;
class TLORect;

class TfrmRectProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmRectProperty(TLORect& Rect, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    TColorSpecButton* btnFrameColor;
    TExSpinEdit* seFrameWidth;
    QCheckBox* cbFillInside;
    TColorSpecButton* btnFillColor;
    QCheckBox* cbRoundRect;
};
