#include "FDecoStringProperty.h"

#include "FPosition.h"
#include "UExSpinEdit.h"
#include "ULODecoString.h"

#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>

TfrmDecoStringProperty::TfrmDecoStringProperty(TLODecoString& Text, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("DecoStringProperty"), Parent) {
    setObjectName(QStringLiteral("frmDecoStringProperty"));
    setWindowTitle(QStringLiteral("飾り文字の設定"));
    QFormLayout* form = AddPage(QStringLiteral("Text"), QStringLiteral("文字"));
    QWidget* page = form->parentWidget();
    edText = new QLineEdit(page);
    edText->setObjectName(QStringLiteral("edText"));
    form->addRow(QStringLiteral("文字(&T):"), edText);
    seFontNo =
        NewNumberEdit(page, QStringLiteral("seFontNo"), QStringLiteral("書体番号(&F)"), 1, 9999);
    form->addRow(QStringLiteral("書体番号(&F):"), seFontNo);
    cmbAlign = new QComboBox(page);
    cmbAlign->setObjectName(QStringLiteral("cmbAlign"));
    cmbAlign->addItems({QStringLiteral("左揃え"), QStringLiteral("中央揃え"),
                        QStringLiteral("右揃え"), QStringLiteral("均等割付")});
    form->addRow(QStringLiteral("揃え(&L):"), cmbAlign);
    AddPositionPage();
    ShowPreviewOf(Text);
    WatchFieldChanges();
}

void TfrmDecoStringProperty::LoadFrom(TDrawObject& Object) {
    auto* text = qobject_cast<TLODecoString*>(&Object);
    if (!text)
        return;
    edText->setText(text->Text());
    seFontNo->SetValue(text->FontNo());
    cmbAlign->setCurrentIndex(text->GetAlign());
    Position()->LoadFrom(Object);
}

TfrmPropertyDialog::TFieldProblem TfrmDecoStringProperty::FindProblem() const {
    if (edText->text().isEmpty())
        return {edText, QStringLiteral("「文字」を入力してください。")};
    return TfrmPropertyDialog::FindProblem();
}

void TfrmDecoStringProperty::ApplyTo(TDrawObject& Object) {
    auto* text = qobject_cast<TLODecoString*>(&Object);
    if (!text)
        return;
    text->BeginUpdate();
    text->SetText(edText->text());
    if (seFontNo->Value() != text->FontNo())
        text->SetFontNo(seFontNo->Value());
    text->SetAlign(cmbAlign->currentIndex());
    Position()->ApplyTo(Object);
    if (text->Width() == 0 || text->Height() == 0)
        text->FitToText();
    text->EndUpdate();
}
