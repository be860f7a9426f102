#pragma once
// TfrmCalendarProperty ("カレンダーの設定"): the month shown and the layout (page Calendar),
// the grid lines and the day colours (page LinesAndColors), and the shared position frame.
// The preview beside the pages shows the calendar as the fields stand, with the user's
// schedule.
//
// TDOCalendarEditor, the calendar's property editor, runs the dialog as every editor does
// and then, when the calendar lies on a page and the year or month changed, sets the page's
// month with the date action (TCalendarDateAction), so that the year/month captions tied to
// the calendar follow it; the settings and the date change are one undo step.

#include "FPropertyDialog.h"
#include "UDesigner.h"

class QCheckBox;
class QComboBox;
class TColorButton;
class TActionList;
class TLOCalendar;

class TfrmCalendarProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmCalendarProperty(TLOCalendar& Calendar, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    // Sets the month of Calendar's page through the date action so that Calendar shows the
    // year and month of the fields (a calendar not on a page is left alone); answers
    // whether a step was recorded in List.
    bool ApplyDateToPage(TLOCalendar& Calendar, TActionList& List) const;

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

class TDOCalendarEditor : public TDODesigner {
public:
    bool EditObject(TDrawObject& Object, bool& Cancel) override;
};
