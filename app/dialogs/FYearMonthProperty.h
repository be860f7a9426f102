#pragma once
// TfrmYearMonthProperty ("年月の設定"): whether the caption shows the year or the month,
// their values and the font (page Caption), and the shared position frame.

#include "FPropertyDialog.h"
#include "UFontFields.h"

class QComboBox;
class TLOYearMonth;

class TfrmYearMonthProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmYearMonthProperty(TLOYearMonth& Caption, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    QComboBox* cmbShow;
    TExSpinEdit* seYear;
    TExSpinEdit* seMonth;
    TFontFields Font;
};
