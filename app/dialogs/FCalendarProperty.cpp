#include "FCalendarProperty.h"

#include "FPosition.h"
#include "UCalendarGhost.h"
#include "UColorButtons.h"
#include "UDrawSite.h"
#include "UExSpinEdit.h"
#include "UGuard.h"
#include "ULOCalendar.h"
#include "UPropertyEditors.h"
#include "UUndo.h"

#include <QApplication>

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>

namespace {

QComboBox* NewChoice(QWidget* Parent, const char* Name, const QStringList& Items) {
    auto* combo = new QComboBox(Parent);
    combo->setObjectName(QString::fromLatin1(Name));
    combo->addItems(Items);
    return combo;
}

} // namespace

TfrmCalendarProperty::TfrmCalendarProperty(TLOCalendar& Calendar, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("CalendarProperty"), Parent) {
    setObjectName(QStringLiteral("frmCalendarProperty"));
    setWindowTitle(QStringLiteral("カレンダーの設定"));
    QFormLayout* form = AddPage(QStringLiteral("Calendar"), QStringLiteral("カレンダー"));
    QWidget* page = form->parentWidget();
    seYear = NewNumberEdit(page, QStringLiteral("seYear"), QStringLiteral("年(&Y)"), 1, 9999);
    form->addRow(QStringLiteral("年(&Y):"), WithUnit(seYear, QStringLiteral("年")));
    seMonth = NewNumberEdit(page, QStringLiteral("seMonth"), QStringLiteral("月(&M)"), 1, 12);
    form->addRow(QStringLiteral("月(&M):"), WithUnit(seMonth, QStringLiteral("月")));
    cmbKind =
        NewChoice(page, "cmbKind",
                  {QStringLiteral("標準"), QStringLiteral("縦一列"), QStringLiteral("横一列")});
    form->addRow(QStringLiteral("形式(&K):"), cmbKind);
    cmbSplit = NewChoice(page, "cmbSplit",
                         {QStringLiteral("1か月"), QStringLiteral("前半と後半を並べる"),
                          QStringLiteral("前半"), QStringLiteral("後半")});
    form->addRow(QStringLiteral("範囲(&S):"), cmbSplit);
    cmbStartWeek =
        NewChoice(page, "cmbStartWeek",
                  {QStringLiteral("日曜日"), QStringLiteral("月曜日"), QStringLiteral("火曜日"),
                   QStringLiteral("水曜日"), QStringLiteral("木曜日"), QStringLiteral("金曜日"),
                   QStringLiteral("土曜日")});
    form->addRow(QStringLiteral("週の始まり(&W):"), cmbStartWeek);
    cmbWeekStyle =
        NewChoice(page, "cmbWeekStyle",
                  {QStringLiteral("なし"), QStringLiteral("日"), QStringLiteral("日曜日"),
                   QStringLiteral("S"), QStringLiteral("s"), QStringLiteral("Sun"),
                   QStringLiteral("SUN"), QStringLiteral("sun"), QStringLiteral("Sunday"),
                   QStringLiteral("SUNDAY"), QStringLiteral("sunday")});
    form->addRow(QStringLiteral("曜日の表記(&N):"), cmbWeekStyle);
    cbOtherMonth = new QCheckBox(QStringLiteral("前後の月の日付を表示する(&O)"), page);
    cbOtherMonth->setObjectName(QStringLiteral("cbOtherMonth"));
    form->addRow(cbOtherMonth);
    cbTransparent = new QCheckBox(QStringLiteral("背景を透明にする(&T)"), page);
    cbTransparent->setObjectName(QStringLiteral("cbTransparent"));
    form->addRow(cbTransparent);

    QFormLayout* lines = AddPage(QStringLiteral("LinesAndColors"), QStringLiteral("線と色"));
    page = lines->parentWidget();
    cblnVertical = new QCheckBox(QStringLiteral("縦線を引く(&V)"), page);
    cblnVertical->setObjectName(QStringLiteral("cblnVertical"));
    lines->addRow(cblnVertical);
    cblnHorizontal = new QCheckBox(QStringLiteral("横線を引く(&H)"), page);
    cblnHorizontal->setObjectName(QStringLiteral("cblnHorizontal"));
    lines->addRow(cblnHorizontal);
    selnWidth =
        NewLengthEdit(page, QStringLiteral("selnWidth"), QStringLiteral("線の太さ(&L)"), 0, 100);
    lines->addRow(QStringLiteral("線の太さ(&L):"), WithUnit(selnWidth, QStringLiteral("mm")));
    auto color = [&](TColorButton*& Button, const char* Name, const QString& Caption) {
        Button = new TColorButton(page);
        Button->setObjectName(QString::fromLatin1(Name));
        lines->addRow(Caption, Button);
        connect(Button, &TColorButton::ColorChanged, this, &TfrmCalendarProperty::PreviewLater);
    };
    color(btnlnColor, "btnlnColor", QStringLiteral("線の色:"));
    color(btnWeekdayCol, "btnWeekdayCol", QStringLiteral("平日の色:"));
    color(btnSundayCol, "btnSundayCol", QStringLiteral("日曜日の色:"));
    color(btnSatdayCol, "btnSatdayCol", QStringLiteral("土曜日の色:"));
    color(btnHolidayCol, "btnHolidayCol", QStringLiteral("祝日の色:"));
    AddPositionPage();
    ShowPreviewOf(Calendar);
    WatchFieldChanges();
}

void TfrmCalendarProperty::LoadFrom(TDrawObject& Object) {
    auto* c = qobject_cast<TLOCalendar*>(&Object);
    if (!c)
        return;
    seYear->SetValue(c->Year());
    seMonth->SetValue(c->Month());
    cmbKind->setCurrentIndex(c->Kind());
    cmbSplit->setCurrentIndex(c->Split());
    cmbStartWeek->setCurrentIndex(c->StartWeek());
    cmbWeekStyle->setCurrentIndex(c->WeekStyle() & 0x7F);
    cbOtherMonth->setChecked(c->OtherMonth());
    cbTransparent->setChecked(c->Transparent());
    cblnVertical->setChecked(c->lnVertical());
    cblnHorizontal->setChecked(c->lnHorizontal());
    selnWidth->SetValue(c->lnWidth());
    btnlnColor->SetColor(c->lnColor());
    btnWeekdayCol->SetColor(c->WeekdayCol());
    btnSundayCol->SetColor(c->SundayCol());
    btnSatdayCol->SetColor(c->SatdayCol());
    btnHolidayCol->SetColor(c->HolidayCol());
    Position()->LoadFrom(Object);
}

void TfrmCalendarProperty::ApplyTo(TDrawObject& Object) {
    auto* c = qobject_cast<TLOCalendar*>(&Object);
    if (!c)
        return;
    c->BeginUpdate();
    c->SetYear(seYear->Value());
    c->SetMonth(seMonth->Value());
    c->SetKind(static_cast<TCalendarKind>(cmbKind->currentIndex()));
    c->SetSplit(static_cast<TCalendarSplit>(cmbSplit->currentIndex()));
    c->SetStartWeek(cmbStartWeek->currentIndex());
    // A stored style with flag bits beyond the label set keeps them when the set is unchanged.
    if (cmbWeekStyle->currentIndex() != (c->WeekStyle() & 0x7F))
        c->SetWeekStyle(static_cast<TWeekType>(cmbWeekStyle->currentIndex()));
    c->SetOtherMonth(cbOtherMonth->isChecked());
    c->SetTransparent(cbTransparent->isChecked());
    c->SetlnVertical(cblnVertical->isChecked());
    c->SetlnHorizontal(cblnHorizontal->isChecked());
    c->SetlnWidth(selnWidth->Value());
    c->SetlnColor(btnlnColor->Color());
    c->SetWeekdayCol(btnWeekdayCol->Color());
    c->SetSundayCol(btnSundayCol->Color());
    c->SetSatdayCol(btnSatdayCol->Color());
    c->SetHolidayCol(btnHolidayCol->Color());
    Position()->ApplyTo(Object);
    c->EndUpdate();
}

bool TfrmCalendarProperty::ApplyDateToPage(TLOCalendar& Calendar, TActionList& List) const {
    TDrawSite* site = Calendar.DrawSite();
    if (!site)
        return false;
    // The page's month is the month of the calendar that starts it.
    int year = seYear->Value(), month = seMonth->Value();
    AddMonths(year, month, -Calendar.MonthOrigin());
    return TCalendarDateAction::Execute(*site, year, month, List);
}

bool TDOCalendarEditor::EditObject(TDrawObject& Object, bool& Cancel) {
    auto* calendar = qobject_cast<TLOCalendar*>(&Object);
    if (!calendar)
        return false;
    TfrmCalendarProperty form(*calendar, QApplication::activeWindow());
    TActionList& list = ActionList();
    // The settings and the date change of the page are one step.
    list.BeginGroup(SCaptionChangeSettings);
    const TGuard closer([&list] { list.EndGroup(); });
    Cancel = !RunPropertyForm(form, Object);
    if (!Cancel)
        form.ApplyDateToPage(*calendar, list);
    return true;
}
