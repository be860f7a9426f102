#pragma once
// TfrmDecoStringProperty ("飾り文字の設定"): the text, the image font's number and the
// alignment (page Text) and the shared position frame. A new string (no size yet) takes the
// size of its text.

#include "FPropertyDialog.h"

class QComboBox;
class QLineEdit;
class TLODecoString;

class TfrmDecoStringProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmDecoStringProperty(TLODecoString& Text, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    TFieldProblem FindProblem() const override;

    QLineEdit* edText;
    TExSpinEdit* seFontNo;
    QComboBox* cmbAlign;
};
