#pragma once
// TfrmBackImageProperty ("背景の設定"; a calendar page's "カレンダー背景の設定"): the fill,
// the band along the face edge (colour and width) and, for a calendar background, whether it
// takes the colour of the document's month. A background always covers its face, so it has
// no position page.

#include "FPropertyDialog.h"

class QCheckBox;
class TColorSpecButton;
class TLOBackImage;

class TfrmBackImageProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmBackImageProperty(TLOBackImage& Back, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    TColorSpecButton* btnFillColor;
    TColorSpecButton* btnFrameColor;
    TExSpinEdit* seFrameWidth;
    QCheckBox* cbMonthColor = nullptr;
};
