#pragma once
// TfrmImageProperty: the dialog of pictures ("イメージの設定"; calendar photos "写真の設定").
// Page Image chooses the picture file; page Position is the shared position frame. An
// object that had no picture takes the size of the one chosen. OK is refused while the
// object has no picture at all.

#include "FPropertyDialog.h"

class TLOImage;

class TfrmImageProperty : public TfrmPicturePropertyDialog {
    Q_OBJECT
public:
    TfrmImageProperty(TLOImage& Image, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
};
