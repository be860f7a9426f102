#pragma once
// TfrmJANCodeProperty ("JANコードの設定"): the code (7 or 12 digits, completed with the check
// digit, or 8 or 13 digits with a correct one), whether the digits and a frame show, the
// digits' font, and the shared position frame.

#include "FPropertyDialog.h"
#include "UFontFields.h"

class QCheckBox;
class QLineEdit;
class TLOJANCode;

class TfrmJANCodeProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmJANCodeProperty(TLOJANCode& Code, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    TFieldProblem FindProblem() const override;

    QLineEdit* edJANCode;
    QCheckBox* cbShowNumber;
    QCheckBox* cbShowFrame;
    TFontFields Font;
};
