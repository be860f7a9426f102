#include "FRectProperty.h"

#include "FPosition.h"
#include "UColorButtons.h"
#include "UColorFill.h"
#include "UExSpinEdit.h"
#include "ULORect.h"

#include <QCheckBox>
#include <QFormLayout>

namespace {

bool IsCircle(const TLORect& Rect) {
    return qobject_cast<const TLOCircle*>(&Rect) != nullptr;
}

} // namespace

TfrmRectProperty::TfrmRectProperty(TLORect& Rect, QWidget* Parent)
    : TfrmPropertyDialog(IsCircle(Rect) ? QStringLiteral("CircleProperty")
                                        : QStringLiteral("RectProperty"),
                         Parent) {
    setObjectName(QStringLiteral("frmRectProperty"));
    setWindowTitle(IsCircle(Rect) ? QStringLiteral("円の設定") : QStringLiteral("四角形の設定"));
    QFormLayout* form = AddPage(QStringLiteral("LineAndFill"), QStringLiteral("線と塗り"));
    QWidget* page = form->parentWidget();
    btnFrameColor = new TColorSpecButton(page);
    btnFrameColor->setObjectName(QStringLiteral("btnFrameColor"));
    form->addRow(QStringLiteral("線の色(&C):"), btnFrameColor);
    seFrameWidth =
        NewLengthEdit(page, QStringLiteral("seFrameWidth"), QStringLiteral("線の太さ(&W)"), 0, 200);
    form->addRow(QStringLiteral("線の太さ(&W):"), WithUnit(seFrameWidth, QStringLiteral("mm")));
    cbFillInside = new QCheckBox(QStringLiteral("内側を塗る(&F)"), page);
    cbFillInside->setObjectName(QStringLiteral("cbFillInside"));
    form->addRow(cbFillInside);
    btnFillColor = new TColorSpecButton(page);
    btnFillColor->setObjectName(QStringLiteral("btnFillColor"));
    form->addRow(QStringLiteral("塗りの色(&I):"), btnFillColor);
    cbRoundRect = new QCheckBox(QStringLiteral("角を丸くする(&R)"), page);
    cbRoundRect->setObjectName(QStringLiteral("cbRoundRect"));
    cbRoundRect->setVisible(!IsCircle(Rect));
    form->addRow(cbRoundRect);
    connect(cbFillInside, &QCheckBox::toggled, btnFillColor, &QWidget::setEnabled);
    AddPositionPage();

    ShowPreviewOf(Rect);
    WatchFieldChanges();
    for (TColorSpecButton* button : {btnFrameColor, btnFillColor})
        connect(button, &TColorSpecButton::SpecChanged, this, &TfrmRectProperty::PreviewLater);
}

void TfrmRectProperty::LoadFrom(TDrawObject& Object) {
    auto* rect = qobject_cast<TLORect*>(&Object);
    if (!rect)
        return;
    btnFrameColor->SetSpec(*rect->FrameColor());
    seFrameWidth->SetValue(rect->FrameWidth());
    cbFillInside->setChecked(rect->FillInside());
    btnFillColor->setEnabled(rect->FillInside());
    btnFillColor->SetSpec(*rect->FillColor());
    cbRoundRect->setChecked(rect->RoundRect());
    Position()->LoadFrom(Object);
}

void TfrmRectProperty::ApplyTo(TDrawObject& Object) {
    auto* rect = qobject_cast<TLORect*>(&Object);
    if (!rect)
        return;
    rect->BeginUpdate();
    AssignColorSpecIfChanged(*rect->FrameColor(), btnFrameColor->Spec());
    rect->SetFrameWidth(seFrameWidth->Value());
    rect->SetFillInside(cbFillInside->isChecked());
    AssignColorSpecIfChanged(*rect->FillColor(), btnFillColor->Spec());
    if (!IsCircle(*rect))
        rect->SetRoundRect(cbRoundRect->isChecked());
    Position()->ApplyTo(Object);
    rect->EndUpdate();
}
