#pragma once
// TfrmAlphaMaskProperty ("アルファマスクの設定"): the fill, the grey picture that shapes it
// and the softening of its edges (page Mask), and the shared position frame. A new mask (no
// size yet) takes the size of its picture.

#include "FPropertyDialog.h"

class TColorSpecButton;
class TLOAlphaMask;

class TfrmAlphaMaskProperty : public TfrmPicturePropertyDialog {
    Q_OBJECT
public:
    TfrmAlphaMaskProperty(TLOAlphaMask& Mask, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    TColorSpecButton* btnFillColor;
    TExSpinEdit* seShadeSize;
};
