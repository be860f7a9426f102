#pragma once
// TfrmSchedule: the schedule dialog. It edits a copy of the user's schedule: a list of the
// entries by date (date, text, stamp, holiday), and below it the fields of one entry (date,
// text, stamp, display style, whether the day counts as a holiday) with the commands add,
// change and delete, and jumps to the nearest dated entries before and after the date
// shown.
//
// OK writes the copy to the schedule file (in one step, so a failed write leaves the old
// file) and only then puts it into the user's schedule; a failed write is reported and the
// dialog stays open with nothing changed. Cancel changes nothing. Dates are typed as
// "2026/12/24"; a date that does not exist, or that the schedule file cannot hold (outside
// the calendar years 1989..2151), is refused with a message.
//
// Stamps and display styles are offered from their lists ("Data\Stamps\Stamp.lst",
// "Data\SchStyle\SchStyle.lst"), each with its picture from the calendar service table; a
// missing list offers "なし" / "文字だけ" only. An entry whose stamp or style the list lacks
// keeps it until the user picks another.
//
// EditUserSchedule runs the dialog on the schedule of the calendar service table and, after
// OK, redraws every calendar of the main window's document: the layout editor, and the
// previews of every label of every sheet.

#include <QDialog>
#include <QString>
#include <QStringList>

#include <functional>
#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPushButton;
class QTableWidget;
class TCalSchedule;
class TCalScheduleItem;
class TfrmMain;

class TfrmSchedule : public QDialog {
    Q_OBJECT
public:
    // Schedule is edited through a copy; it must outlive the dialog. StampNames and
    // StyleNames are the entries of the two lists (code k = entry k, counted from 1).
    TfrmSchedule(TCalSchedule& Schedule, const QStringList& StampNames,
                 const QStringList& StyleNames, QWidget* Parent = nullptr);
    ~TfrmSchedule() override;

    // The copy being edited.
    const TCalSchedule& Work() const { return *FWork; }
    // The entry selected in the list, or null.
    TCalScheduleItem* SelectedItem() const;

    QTableWidget* ItemList() const { return FList; }
    QLineEdit* DateEdit() const { return FDate; }
    QLineEdit* TextEdit() const { return FText; }
    QComboBox* StampBox() const { return FStamp; }
    QComboBox* StyleBox() const { return FStyle; }
    QCheckBox* HolidayBox() const { return FHoliday; }
    QPushButton* AddButton() const { return FAdd; }
    QPushButton* ChangeButton() const { return FChange; }
    QPushButton* DeleteButton() const { return FDelete; }
    QPushButton* PrevButton() const { return FPrev; }
    QPushButton* NextButton() const { return FNext; }
    QPushButton* OkButton() const { return FOk; }
    QPushButton* CancelButton() const { return FCancel; }

    // Replaceable for tests: writes the schedule file (default SaveCalendarSchedule).
    std::function<void(TCalSchedule&)> SaveFile;

public slots:
    void accept() override;

private:
    void BuildControls(const QStringList& StampNames, const QStringList& StyleNames);
    void FillList(const TCalScheduleItem* Select);
    void ShowItem(const TCalScheduleItem* Item);
    // The date field ("2026/12/24") as a date the schedule can hold; false (after telling
    // the user) when it is not one.
    bool ReadDate(int& Year, int& Month, int& Day);
    void ApplyFields(TCalScheduleItem& Item, int Year, int Month, int Day) const;
    void AddItem();
    void ChangeItem();
    void DeleteItem();
    void Jump(bool Forward);
    void UpdateButtons();

    TCalSchedule& FSchedule;
    std::unique_ptr<TCalSchedule> FWork;
    QTableWidget* FList = nullptr;
    QLineEdit* FDate = nullptr;
    QLineEdit* FText = nullptr;
    QComboBox* FStamp = nullptr;
    QComboBox* FStyle = nullptr;
    QCheckBox* FHoliday = nullptr;
    QPushButton* FAdd = nullptr;
    QPushButton* FChange = nullptr;
    QPushButton* FDelete = nullptr;
    QPushButton* FPrev = nullptr;
    QPushButton* FNext = nullptr;
    QPushButton* FOk = nullptr;
    QPushButton* FCancel = nullptr;
};

// Runs the schedule dialog on the user's schedule (a message when there is none, as when
// its file could not be read) and, after OK, redraws the calendars Main shows. Answers
// whether the schedule changed.
bool EditUserSchedule(TfrmMain& Main);
