#include "FYearMonthProperty.h"

#include "FPosition.h"
#include "UExSpinEdit.h"
#include "ULOYearMonth.h"

#include <QComboBox>
#include <QFormLayout>

TfrmYearMonthProperty::TfrmYearMonthProperty(TLOYearMonth& Caption, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("YearMonthProperty"), Parent) {
    setObjectName(QStringLiteral("frmYearMonthProperty"));
    setWindowTitle(QStringLiteral("年月の設定"));
    QFormLayout* form = AddPage(QStringLiteral("Caption"), QStringLiteral("年月"));
    QWidget* page = form->parentWidget();
    cmbShow = new QComboBox(page);
    cmbShow->setObjectName(QStringLiteral("cmbShow"));
    cmbShow->addItems({QStringLiteral("月"), QStringLiteral("年")});
    form->addRow(QStringLiteral("表示(&D):"), cmbShow);
    seYear = NewNumberEdit(page, QStringLiteral("seYear"), QStringLiteral("年(&Y)"), 1, 9999);
    form->addRow(QStringLiteral("年(&Y):"), WithUnit(seYear, QStringLiteral("年")));
    seMonth = NewNumberEdit(page, QStringLiteral("seMonth"), QStringLiteral("月(&M)"), 1, 12);
    form->addRow(QStringLiteral("月(&M):"), WithUnit(seMonth, QStringLiteral("月")));
    Font = TFontFields::AddTo(form);
    AddPositionPage();
    ShowPreviewOf(Caption);
    WatchFieldChanges();
}

void TfrmYearMonthProperty::LoadFrom(TDrawObject& Object) {
    auto* caption = qobject_cast<TLOYearMonth*>(&Object);
    if (!caption)
        return;
    cmbShow->setCurrentIndex(caption->IsYear() ? 1 : 0);
    seYear->SetValue(caption->Year());
    seMonth->SetValue(caption->Month());
    Font.Load(*caption->Font());
    Position()->LoadFrom(Object);
}

void TfrmYearMonthProperty::ApplyTo(TDrawObject& Object) {
    auto* caption = qobject_cast<TLOYearMonth*>(&Object);
    if (!caption)
        return;
    caption->BeginUpdate();
    caption->SetIsYear(cmbShow->currentIndex() == 1);
    caption->SetYear(seYear->Value());
    caption->SetMonth(seMonth->Value());
    Font.Apply(*caption->Font());
    Position()->ApplyTo(Object);
    caption->EndUpdate();
}
