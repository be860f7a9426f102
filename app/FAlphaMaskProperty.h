#pragma once
// TfrmAlphaMaskProperty ("アルファマスクの設定"): the fill, the grey picture that shapes it
// and the softening of its edges (page Mask), and the shared position frame. A new mask (no
// size yet) takes the size of its picture.

#include "FPropertyDialog.h"

#include <memory>

class QLabel;
class QPushButton;
class TColorSpecButton;
class TLOAlphaMask;
class TPictureEx;

class TfrmAlphaMaskProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmAlphaMaskProperty(TLOAlphaMask& Mask, QWidget* Parent = nullptr);
    ~TfrmAlphaMaskProperty() override;

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    // Reads FileName as the new picture; false (with a message) when it cannot be read.
    bool LoadPictureFile(const QString& FileName);

    TColorSpecButton* btnFillColor;
    QPushButton* btnSelectFile;
    QLabel* lblPictureInfo;
    TExSpinEdit* seShadeSize;

private:
    std::unique_ptr<TPictureEx> FChosen;
};
