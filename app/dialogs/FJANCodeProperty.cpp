#include "FJANCodeProperty.h"

#include "FPosition.h"
#include "UJANCode.h"
#include "ULOJANCode.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QRegularExpressionValidator>

TfrmJANCodeProperty::TfrmJANCodeProperty(TLOJANCode& Code, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("JANCodeProperty"), Parent) {
    setObjectName(QStringLiteral("frmJANCodeProperty"));
    setWindowTitle(QStringLiteral("JANコードの設定"));
    QFormLayout* form = AddPage(QStringLiteral("Code"), QStringLiteral("コード"));
    QWidget* page = form->parentWidget();
    edJANCode = new QLineEdit(page);
    edJANCode->setObjectName(QStringLiteral("edJANCode"));
    edJANCode->setMaxLength(13);
    edJANCode->setValidator(new QRegularExpressionValidator(
        QRegularExpression(QStringLiteral("[0-9]{0,13}")), edJANCode));
    form->addRow(QStringLiteral("JANコード(&J):"), edJANCode);
    cbShowNumber = new QCheckBox(QStringLiteral("数字を表示する(&N)"), page);
    cbShowNumber->setObjectName(QStringLiteral("cbShowNumber"));
    form->addRow(cbShowNumber);
    cbShowFrame = new QCheckBox(QStringLiteral("枠を表示する(&W)"), page);
    cbShowFrame->setObjectName(QStringLiteral("cbShowFrame"));
    form->addRow(cbShowFrame);
    Font = TFontFields::AddTo(form);
    AddPositionPage();
    ShowPreviewOf(Code);
    WatchFieldChanges();
}

void TfrmJANCodeProperty::LoadFrom(TDrawObject& Object) {
    auto* code = qobject_cast<TLOJANCode*>(&Object);
    if (!code)
        return;
    edJANCode->setText(code->JANCode());
    cbShowNumber->setChecked(code->ShowNumber());
    cbShowFrame->setChecked(code->ShowFrame());
    Font.Load(*code->GetFont());
    Position()->LoadFrom(Object);
}

TfrmPropertyDialog::TFieldProblem TfrmJANCodeProperty::FindProblem() const {
    const QString code = edJANCode->text();
    const qsizetype n = code.size();
    if (n != 7 && n != 8 && n != 12 && n != 13)
        return {edJANCode,
                QStringLiteral("JANコードは7桁か12桁の数字（チェックディジットを含めると8桁か"
                               "13桁）で入力してください。")};
    if ((n == 8 || n == 13) && !IsValidJANCode(code))
        return {edJANCode, QStringLiteral("JANコードのチェックディジットが正しくありません。")};
    return TfrmPropertyDialog::FindProblem();
}

void TfrmJANCodeProperty::ApplyTo(TDrawObject& Object) {
    auto* code = qobject_cast<TLOJANCode*>(&Object);
    if (!code)
        return;
    code->BeginUpdate();
    code->SetJANCode(CompleteJANCode(edJANCode->text()));
    code->SetShowNumber(cbShowNumber->isChecked());
    code->SetShowFrame(cbShowFrame->isChecked());
    Font.Apply(*code->GetFont());
    Position()->ApplyTo(Object);
    code->EndUpdate();
}
