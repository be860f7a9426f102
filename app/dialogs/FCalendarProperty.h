#pragma once
// TfrmCalendarProperty ("カレンダーの設定"): the month shown and the layout (page Calendar),
// the grid lines and the day colours (page LinesAndColors), and the shared position frame.

#include "FPropertyDialog.h"

class QCheckBox;
class QComboBox;
class TColorButton;
class TLOCalendar;

class TfrmCalendarProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmCalendarProperty(TLOCalendar& Calendar, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    TExSpinEdit* seYear;
    TExSpinEdit* seMonth;
    QComboBox* cmbKind;
    QComboBox* cmbSplit;
    QComboBox* cmbStartWeek;
    QComboBox* cmbWeekStyle;
    QCheckBox* cbOtherMonth;
    QCheckBox* cbTransparent;
    QCheckBox* cblnVertical;
    QCheckBox* cblnHorizontal;
    TExSpinEdit* selnWidth;
    TColorButton* btnlnColor;
    TColorButton* btnWeekdayCol;
    TColorButton* btnSundayCol;
    TColorButton* btnSatdayCol;
    TColorButton* btnHolidayCol;
};
