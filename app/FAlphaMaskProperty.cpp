#include "FAlphaMaskProperty.h"

#include "FPosition.h"
#include "UColorButtons.h"
#include "UColorSpec.h"
#include "UExSpinEdit.h"
#include "ULOAlphaMask.h"
#include "ULOImage.h"
#include "UPictureEx.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

TfrmAlphaMaskProperty::TfrmAlphaMaskProperty(TLOAlphaMask& Mask, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("AlphaMaskProperty"), Parent) {
    setObjectName(QStringLiteral("frmAlphaMaskProperty"));
    setWindowTitle(QStringLiteral("アルファマスクの設定"));
    QFormLayout* form = AddPage(QStringLiteral("Mask"), QStringLiteral("マスク"));
    QWidget* page = form->parentWidget();
    btnFillColor = new TColorSpecButton(page);
    btnFillColor->setObjectName(QStringLiteral("btnFillColor"));
    form->addRow(QStringLiteral("塗りの色(&C):"), btnFillColor);
    btnSelectFile = new QPushButton(QStringLiteral("マスク選択(&O)..."), page);
    btnSelectFile->setObjectName(QStringLiteral("btnSelectFile"));
    form->addRow(btnSelectFile);
    lblPictureInfo = new QLabel(page);
    form->addRow(QStringLiteral("マスク:"), lblPictureInfo);
    seShadeSize =
        NewNumberEdit(page, QStringLiteral("seShadeSize"), QStringLiteral("ぼかし(&S)"), 0, 100);
    form->addRow(QStringLiteral("ぼかし(&S):"), WithUnit(seShadeSize, QStringLiteral("ピクセル")));
    connect(btnSelectFile, &QPushButton::clicked, this, [this] {
        const QString file = ChoosePictureFile(this);
        if (!file.isEmpty())
            LoadPictureFile(file);
    });
    connect(btnFillColor, &TColorSpecButton::SpecChanged, this,
            &TfrmAlphaMaskProperty::PreviewLater);
    AddPositionPage();
    ShowPreviewOf(Mask);
    WatchFieldChanges();
}

TfrmAlphaMaskProperty::~TfrmAlphaMaskProperty() = default;

bool TfrmAlphaMaskProperty::LoadPictureFile(const QString& FileName) {
    std::unique_ptr<TPictureEx> picture = ReadDialogPicture(FileName);
    if (!picture)
        return false;
    FChosen = std::move(picture);
    lblPictureInfo->setText(PictureInfoText(FChosen.get()));
    PreviewLater();
    return true;
}

void TfrmAlphaMaskProperty::LoadFrom(TDrawObject& Object) {
    auto* mask = qobject_cast<TLOAlphaMask*>(&Object);
    if (!mask)
        return;
    btnFillColor->SetSpec(*mask->FillColor());
    lblPictureInfo->setText(PictureInfoText(mask->Picture()));
    seShadeSize->SetValue(mask->ShadeSize());
    Position()->LoadFrom(Object);
}

void TfrmAlphaMaskProperty::ApplyTo(TDrawObject& Object) {
    auto* mask = qobject_cast<TLOAlphaMask*>(&Object);
    if (!mask)
        return;
    mask->BeginUpdate();
    AssignColorSpecIfChanged(*mask->FillColor(), btnFillColor->Spec());
    if (FChosen)
        mask->SetPicture(FChosen.get());
    mask->SetShadeSize(seShadeSize->Value());
    Position()->ApplyTo(Object);
    if (mask->Width() == 0 || mask->Height() == 0)
        mask->FitToImage();
    mask->EndUpdate();
}
