#include "FBackImageProperty.h"

#include "UColorButtons.h"
#include "UColorFill.h"
#include "UExSpinEdit.h"
#include "ULOBackImage.h"
#include "ULOCalendarPage.h"

#include <QCheckBox>
#include <QFormLayout>

namespace {

TLOCalendarBackGrnd* AsCalendarBack(TDrawObject& Object) {
    return qobject_cast<TLOCalendarBackGrnd*>(&Object);
}

} // namespace

TfrmBackImageProperty::TfrmBackImageProperty(TLOBackImage& Back, QWidget* Parent)
    : TfrmPropertyDialog(AsCalendarBack(Back) ? QStringLiteral("CalendarBackProperty")
                                              : QStringLiteral("BackImageProperty"),
                         Parent) {
    setObjectName(QStringLiteral("frmBackImageProperty"));
    setWindowTitle(AsCalendarBack(Back) ? QStringLiteral("カレンダー背景の設定")
                                        : QStringLiteral("背景の設定"));
    QFormLayout* form = AddPage(QStringLiteral("Background"), QStringLiteral("背景"));
    QWidget* page = form->parentWidget();
    if (AsCalendarBack(Back)) {
        cbMonthColor = new QCheckBox(QStringLiteral("月ごとの色を使う(&M)"), page);
        cbMonthColor->setObjectName(QStringLiteral("cbMonthColor"));
        form->addRow(cbMonthColor);
    }
    btnFillColor = new TColorSpecButton(page);
    btnFillColor->setObjectName(QStringLiteral("btnFillColor"));
    form->addRow(QStringLiteral("背景の色(&C):"), btnFillColor);
    btnFrameColor = new TColorSpecButton(page);
    btnFrameColor->setObjectName(QStringLiteral("btnFrameColor"));
    form->addRow(QStringLiteral("縁の色(&F):"), btnFrameColor);
    seFrameWidth =
        NewLengthEdit(page, QStringLiteral("seFrameWidth"), QStringLiteral("縁の幅(&W)"), 0, 1000);
    form->addRow(QStringLiteral("縁の幅(&W):"), WithUnit(seFrameWidth, QStringLiteral("mm")));
    if (cbMonthColor)
        connect(cbMonthColor, &QCheckBox::toggled, btnFillColor,
                [this](bool On) { btnFillColor->setEnabled(!On); });
    ShowPreviewOf(Back);
    WatchFieldChanges();
    for (TColorSpecButton* button : {btnFillColor, btnFrameColor})
        connect(button, &TColorSpecButton::SpecChanged, this, &TfrmBackImageProperty::PreviewLater);
}

void TfrmBackImageProperty::LoadFrom(TDrawObject& Object) {
    auto* back = qobject_cast<TLOBackImage*>(&Object);
    if (!back)
        return;
    if (TLOCalendarBackGrnd* calendar = AsCalendarBack(Object); calendar && cbMonthColor) {
        cbMonthColor->setChecked(calendar->BackStyle() == 0);
        btnFillColor->setEnabled(calendar->BackStyle() != 0);
    }
    btnFillColor->SetSpec(*back->FillColor());
    btnFrameColor->SetSpec(*back->FrameColor());
    seFrameWidth->SetValue(back->FrameWidth());
}

void TfrmBackImageProperty::ApplyTo(TDrawObject& Object) {
    auto* back = qobject_cast<TLOBackImage*>(&Object);
    if (!back)
        return;
    back->BeginUpdate();
    if (TLOCalendarBackGrnd* calendar = AsCalendarBack(Object); calendar && cbMonthColor)
        calendar->SetBackStyle(cbMonthColor->isChecked() ? 0 : 1);
    AssignColorSpecIfChanged(*back->FillColor(), btnFillColor->Spec());
    AssignColorSpecIfChanged(*back->FrameColor(), btnFrameColor->Spec());
    back->SetFrameWidth(seFrameWidth->Value());
    back->EndUpdate();
}
