#include "FAlphaMaskProperty.h"

#include "FPosition.h"
#include "UColorButtons.h"
#include "UColorFill.h"
#include "UExSpinEdit.h"
#include "ULOAlphaMask.h"
#include "UPictureEx.h"

#include <QFormLayout>

TfrmAlphaMaskProperty::TfrmAlphaMaskProperty(TLOAlphaMask& Mask, QWidget* Parent)
    : TfrmPicturePropertyDialog(QStringLiteral("AlphaMaskProperty"), Parent) {
    setObjectName(QStringLiteral("frmAlphaMaskProperty"));
    setWindowTitle(QStringLiteral("アルファマスクの設定"));
    QFormLayout* form = AddPage(QStringLiteral("Mask"), QStringLiteral("マスク"));
    QWidget* page = form->parentWidget();
    btnFillColor = new TColorSpecButton(page);
    btnFillColor->setObjectName(QStringLiteral("btnFillColor"));
    form->addRow(QStringLiteral("塗りの色(&C):"), btnFillColor);
    AddPictureRows(form, QStringLiteral("マスク選択(&O)..."), QStringLiteral("マスク:"),
                   TPictureNeed::Optional);
    seShadeSize =
        NewNumberEdit(page, QStringLiteral("seShadeSize"), QStringLiteral("ぼかし(&S)"), 0, 100);
    form->addRow(QStringLiteral("ぼかし(&S):"), WithUnit(seShadeSize, QStringLiteral("ピクセル")));
    connect(btnFillColor, &TColorSpecButton::SpecChanged, this,
            &TfrmAlphaMaskProperty::PreviewLater);
    AddPositionPage();
    ShowPreviewOf(Mask);
    WatchFieldChanges();
}

void TfrmAlphaMaskProperty::LoadFrom(TDrawObject& Object) {
    auto* mask = qobject_cast<TLOAlphaMask*>(&Object);
    if (!mask)
        return;
    btnFillColor->SetSpec(*mask->FillColor());
    ShowObjectPicture(mask->Picture());
    seShadeSize->SetValue(mask->ShadeSize());
    Position()->LoadFrom(Object);
}

void TfrmAlphaMaskProperty::ApplyTo(TDrawObject& Object) {
    auto* mask = qobject_cast<TLOAlphaMask*>(&Object);
    if (!mask)
        return;
    mask->BeginUpdate();
    AssignColorSpecIfChanged(*mask->FillColor(), btnFillColor->Spec());
    if (TPictureEx* chosen = PictureToApply())
        mask->SetPicture(chosen);
    mask->SetShadeSize(seShadeSize->Value());
    Position()->ApplyTo(Object);
    if (mask->Width() == 0 || mask->Height() == 0)
        mask->FitToImage();
    mask->EndUpdate();
}
