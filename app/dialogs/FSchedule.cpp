#include "FSchedule.h"

#include "FLayout.h"
#include "FMain.h"
#include "FSheet.h"
#include "UAppFrame.h"
#include "UBitmap.h"
#include "UCalSchedule.h"
#include "UCalServices.h"
#include "UDrawSite.h"
#include "UException.h"
#include "UGraphicUtils.h"
#include "ULabelData.h"
#include "UPictureEx.h"
#include "UUtils.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDate>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QIcon>
#include <QLineEdit>
#include <QPixmap>
#include <QPushButton>
#include <QTableWidget>
#include <QVBoxLayout>
#include <algorithm>
#include <vector>

namespace {

const QString SBadDate =
    QStringLiteral("日付「%s」は予定に使えません。1989/01/01 から 2151/12/31 までの日付を "
                   "2026/12/24 の形で入れてください。");
const QString SDateFormat = QStringLiteral("yyyy/MM/dd");
const QString SSaveFailed = QStringLiteral("スケジュールを保存できませんでした。\n%s");
const QString SNoSchedule =
    QStringLiteral("スケジュールファイルを読み込めなかったため、スケジュールは編集できません。");
const QString SNoStamp = QStringLiteral("なし");
const QString SPlainText = QStringLiteral("文字だけ");
const QString SHolidayMark = QStringLiteral("休");
constexpr int IconSize = 24;
constexpr int FirstYear = 1989;
constexpr int LastYear = 2151;

enum TColumn { colDate, colText, colStamp, colHoliday, ColumnCount };

QIcon PictureIcon(const TPictureEx* Picture) {
    if (!Picture || !Picture->Graphic() || Picture->Width() <= 0 || Picture->Height() <= 0)
        return {};
    TPictureEx copy;
    copy.Assign(Picture);
    const TRect fit = FitRectSize(TRect(0, 0, copy.Width(), copy.Height()), IconSize, IconSize);
    TBitmap bitmap(std::max(1, fit.Width()), std::max(1, fit.Height()), pf24bit);
    bitmap.Fill(clWhite);
    RenderPictureToBitmap(copy, bitmap, clNone, true, clWhite);
    return QIcon(QPixmap::fromImage(bitmap.ToQImage()));
}

// Code Code in Box: the entry whose data is the code, added as "(n)" when the list lacks it.
void SelectCode(QComboBox* Box, int Code) {
    int index = Box->findData(Code);
    if (index < 0) {
        Box->addItem(QStringLiteral("(%1)").arg(Code), Code);
        index = Box->count() - 1;
    }
    Box->setCurrentIndex(index);
}

QString DateText(const TCalScheduleItem& Item) {
    return QStringLiteral("%1/%2/%3")
        .arg(Item.Year(), 4, 10, QLatin1Char('0'))
        .arg(Item.Month(), 2, 10, QLatin1Char('0'))
        .arg(Item.Day(), 2, 10, QLatin1Char('0'));
}

// The items of Schedule by date, entries of one day in their order.
std::vector<TCalScheduleItem*> ItemsByDate(const TCalSchedule& Schedule) {
    std::vector<TCalScheduleItem*> items;
    for (int i = 0; i < Schedule.Count(); ++i)
        items.push_back(Schedule.Items(i));
    std::stable_sort(items.begin(), items.end(),
                     [](const auto* A, const auto* B) { return A->DayNumber() < B->DayNumber(); });
    return items;
}

} // namespace

TfrmSchedule::TfrmSchedule(TCalSchedule& Schedule, const QStringList& StampNames,
                           const QStringList& StyleNames, QWidget* Parent)
    : QDialog(Parent), FSchedule(Schedule), FWork(std::make_unique<TCalSchedule>()) {
    setObjectName(QStringLiteral("frmSchedule"));
    setWindowTitle(QStringLiteral("スケジュール"));
    FWork->setObjectName(Schedule.objectName());
    FWork->Assign(&Schedule);
    SaveFile = [](TCalSchedule& Work) { SaveCalendarSchedule(Work); };
    BuildControls(StampNames, StyleNames);
    FillList(nullptr);
    ShowItem(nullptr);
    FDate->setText(QDate::currentDate().toString(SDateFormat));
    resize(640, 480);
}

TfrmSchedule::~TfrmSchedule() = default;

void TfrmSchedule::BuildControls(const QStringList& StampNames, const QStringList& StyleNames) {
    FList = new QTableWidget(0, ColumnCount, this);
    FList->setObjectName(QStringLiteral("lvSchedule"));
    FList->setHorizontalHeaderLabels({QStringLiteral("日付"), QStringLiteral("予定"),
                                      QStringLiteral("スタンプ"), QStringLiteral("休日")});
    FList->setSelectionBehavior(QAbstractItemView::SelectRows);
    FList->setSelectionMode(QAbstractItemView::SingleSelection);
    FList->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FList->setIconSize(QSize(IconSize, IconSize));
    FList->verticalHeader()->hide();
    FList->horizontalHeader()->setSectionResizeMode(colText, QHeaderView::Stretch);
    connect(FList, &QTableWidget::itemSelectionChanged, this, [this] {
        ShowItem(SelectedItem());
        UpdateButtons();
    });

    FDate = new QLineEdit(this);
    FDate->setObjectName(QStringLiteral("edDate"));
    FDate->setPlaceholderText(QStringLiteral("2026/12/24"));
    FText = new QLineEdit(this);
    FText->setObjectName(QStringLiteral("edText"));
    FStamp = new QComboBox(this);
    FStamp->setObjectName(QStringLiteral("cbStamp"));
    FStamp->setIconSize(QSize(IconSize, IconSize));
    FStamp->addItem(SNoStamp, 0);
    for (int i = 0; i < StampNames.size(); ++i)
        FStamp->addItem(PictureIcon(CalendarStampPicture(i + 1)), StampNames[i], i + 1);
    FStyle = new QComboBox(this);
    FStyle->setObjectName(QStringLiteral("cbStyle"));
    FStyle->setIconSize(QSize(IconSize * 3, IconSize));
    FStyle->addItem(SPlainText, 0);
    for (int i = 0; i < StyleNames.size(); ++i)
        FStyle->addItem(PictureIcon(CalendarScheduleStylePicture(i + 1)), StyleNames[i], i + 1);
    FHoliday = new QCheckBox(QStringLiteral("休日にする(&H)"), this);
    FHoliday->setObjectName(QStringLiteral("chkHoliday"));

    auto* fields = new QFormLayout;
    fields->addRow(QStringLiteral("日付(&D):"), FDate);
    fields->addRow(QStringLiteral("予定(&T):"), FText);
    fields->addRow(QStringLiteral("スタンプ(&S):"), FStamp);
    fields->addRow(QStringLiteral("表示方法(&Y):"), FStyle);
    fields->addRow(QString(), FHoliday);

    auto button = [this](const QString& Name, const QString& Text) {
        auto* b = new QPushButton(Text, this);
        b->setObjectName(Name);
        b->setAutoDefault(false);
        return b;
    };
    FAdd = button(QStringLiteral("btnAdd"), QStringLiteral("追加(&A)"));
    FChange = button(QStringLiteral("btnChange"), QStringLiteral("変更(&C)"));
    FDelete = button(QStringLiteral("btnDelete"), QStringLiteral("削除(&E)"));
    FPrev = button(QStringLiteral("btnPrev"), QStringLiteral("前の予定(&P)"));
    FNext = button(QStringLiteral("btnNext"), QStringLiteral("次の予定(&N)"));
    FOk = button(QStringLiteral("btnOK"), QStringLiteral("OK"));
    FOk->setDefault(true);
    FCancel = button(QStringLiteral("btnCancel"), QStringLiteral("キャンセル"));
    connect(FAdd, &QPushButton::clicked, this, &TfrmSchedule::AddItem);
    connect(FChange, &QPushButton::clicked, this, &TfrmSchedule::ChangeItem);
    connect(FDelete, &QPushButton::clicked, this, &TfrmSchedule::DeleteItem);
    connect(FPrev, &QPushButton::clicked, this, [this] { Jump(false); });
    connect(FNext, &QPushButton::clicked, this, [this] { Jump(true); });
    connect(FOk, &QPushButton::clicked, this, &TfrmSchedule::accept);
    connect(FCancel, &QPushButton::clicked, this, &TfrmSchedule::reject);

    auto* commands = new QVBoxLayout;
    for (QPushButton* b : {FAdd, FChange, FDelete, FPrev, FNext})
        commands->addWidget(b);
    commands->addStretch();
    auto* editor = new QHBoxLayout;
    editor->addLayout(fields, 1);
    editor->addLayout(commands);
    auto* closing = new QHBoxLayout;
    closing->addStretch();
    closing->addWidget(FOk);
    closing->addWidget(FCancel);
    auto* all = new QVBoxLayout(this);
    all->addWidget(FList, 1);
    all->addLayout(editor);
    all->addLayout(closing);
}

TCalScheduleItem* TfrmSchedule::SelectedItem() const {
    const QList<QTableWidgetItem*> selected = FList->selectedItems();
    if (selected.isEmpty())
        return nullptr;
    const int row = selected.first()->row();
    const auto* cell = FList->item(row, colDate);
    return cell ? reinterpret_cast<TCalScheduleItem*>(cell->data(Qt::UserRole).value<quintptr>())
                : nullptr;
}

void TfrmSchedule::FillList(const TCalScheduleItem* Select) {
    const QSignalBlocker block(FList);
    FList->clearContents();
    const std::vector<TCalScheduleItem*> items = ItemsByDate(*FWork);
    FList->setRowCount(static_cast<int>(items.size()));
    int selectRow = -1;
    for (int row = 0; row < static_cast<int>(items.size()); ++row) {
        TCalScheduleItem* item = items[static_cast<size_t>(row)];
        auto* date = new QTableWidgetItem(DateText(*item));
        date->setData(Qt::UserRole, QVariant::fromValue(reinterpret_cast<quintptr>(item)));
        FList->setItem(row, colDate, date);
        FList->setItem(row, colText, new QTableWidgetItem(item->Description()));
        const int stampIndex = FStamp->findData(item->Icon());
        auto* stamp = new QTableWidgetItem(
            stampIndex > 0
                ? FStamp->itemText(stampIndex)
                : (item->Icon() > 0 ? QStringLiteral("(%1)").arg(item->Icon()) : QString()));
        if (stampIndex > 0)
            stamp->setIcon(FStamp->itemIcon(stampIndex));
        FList->setItem(row, colStamp, stamp);
        FList->setItem(row, colHoliday,
                       new QTableWidgetItem(item->AsHoliday() ? SHolidayMark : QString()));
        if (item == Select)
            selectRow = row;
    }
    FList->resizeColumnToContents(colDate);
    if (selectRow >= 0) {
        FList->selectRow(selectRow);
        FList->scrollToItem(FList->item(selectRow, colDate));
    } else {
        FList->clearSelection();
    }
    UpdateButtons();
}

void TfrmSchedule::ShowItem(const TCalScheduleItem* Item) {
    if (!Item)
        return;
    FDate->setText(DateText(*Item));
    FText->setText(Item->Description());
    SelectCode(FStamp, Item->Icon());
    SelectCode(FStyle, Item->HowToDisplay());
    FHoliday->setChecked(Item->AsHoliday());
}

bool TfrmSchedule::ReadDate(int& Year, int& Month, int& Day) {
    const QDate date = QDate::fromString(FDate->text().trimmed(), QStringLiteral("yyyy/M/d"));
    if (!date.isValid() || date.year() < FirstYear || date.year() > LastYear) {
        AppMessageBoxFormat(SBadDate, {FDate->text().trimmed()}, {bkOK}, 0, 0);
        FDate->setFocus();
        FDate->selectAll();
        return false;
    }
    Year = date.year();
    Month = date.month();
    Day = date.day();
    return true;
}

void TfrmSchedule::ApplyFields(TCalScheduleItem& Item, int Year, int Month, int Day) const {
    Item.SetDate(Year, Month, Day);
    Item.SetDescription(FText->text());
    Item.SetIcon(FStamp->currentData().toInt());
    Item.SetHowToDisplay(FStyle->currentData().toInt());
    Item.SetAsHoliday(FHoliday->isChecked());
}

void TfrmSchedule::AddItem() {
    int y = 0, m = 0, d = 0;
    if (!ReadDate(y, m, d))
        return;
    auto item = std::make_unique<TCalScheduleItem>();
    ApplyFields(*item, y, m, d);
    try {
        FillList(FWork->AddItem(std::move(item)));
    } catch (const Exception& E) {
        AppShowError(E.Message); // a full schedule
    }
}

void TfrmSchedule::ChangeItem() {
    TCalScheduleItem* item = SelectedItem();
    int y = 0, m = 0, d = 0;
    if (!item || !ReadDate(y, m, d))
        return;
    ApplyFields(*item, y, m, d);
    FillList(item);
}

void TfrmSchedule::DeleteItem() {
    TCalScheduleItem* item = SelectedItem();
    if (!item)
        return;
    for (int i = 0; i < FWork->Count(); ++i)
        if (FWork->Items(i) == item) {
            FWork->DeleteItem(i);
            break;
        }
    FillList(nullptr);
}

void TfrmSchedule::Jump(bool Forward) {
    int y = 0, m = 0, d = 0;
    if (!ReadDate(y, m, d))
        return;
    TCalScheduleList found;
    if (Forward)
        FWork->FindNextItems(found, y, m, d);
    else
        FWork->FindPrevItems(found, y, m, d);
    if (found.Count() == 0)
        return;
    FillList(found.Items(0));
    ShowItem(found.Items(0));
}

void TfrmSchedule::UpdateButtons() {
    const bool selected = SelectedItem() != nullptr;
    FChange->setEnabled(selected);
    FDelete->setEnabled(selected);
}

void TfrmSchedule::accept() {
    try {
        SaveFile(*FWork);
    } catch (const Exception& E) {
        AppMessageBoxFormat(SSaveFailed, {E.Message}, {bkOK}, 0, 0);
        return;
    }
    FSchedule.Assign(FWork.get());
    QDialog::accept();
}

// ---------------------------------------------------------------------------------------

bool EditUserSchedule(TfrmMain& Main) {
    TCalSchedule* schedule = CurrentCalendarSchedule();
    if (!schedule) {
        AppShowMessage(SNoSchedule);
        return false;
    }
    TfrmSchedule dialog(*schedule, CalendarStampNames(), CalendarScheduleStyleNames(), &Main);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    // Calendars show the new schedule: their previews are made again as they are next shown.
    try {
        Main.Data().DeletePreviews();
    } catch (const std::exception& E) {
        HandleApplicationException(E);
    }
    if (TfrmLayout* layout = Main.Layout(); layout && layout->Site())
        layout->Site()->Invalidate();
    if (TfrmSheet* sheet = Main.Sheet())
        sheet->LoadSheet();
    return true;
}
