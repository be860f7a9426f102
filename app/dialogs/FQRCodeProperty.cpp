#include "FQRCodeProperty.h"

#include "FPosition.h"
#include "UCodePage.h"
#include "UExSpinEdit.h"
#include "ULOQRCode.h"
#include "UUndo.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QPlainTextEdit>

namespace {

constexpr char ErrorLevels[] = {'L', 'M', 'Q', 'H'};

QString LinesOf(const QStringList& Lines) {
    return Lines.join(u'\n');
}

} // namespace

TfrmQRCodeProperty::TfrmQRCodeProperty(TLOQRCode& Code, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("QRCodeProperty"), Parent),
      FStandard(qobject_cast<TLOQRStd*>(&Code) != nullptr), FTrial(CloneDrawObject(Code)) {
    setObjectName(QStringLiteral("frmQRCodeProperty"));
    setWindowTitle(QStringLiteral("QRコードの設定"));
    if (FStandard) {
        BuildStdPage();
    } else {
        QFormLayout* form = AddPage(QStringLiteral("Data"), QStringLiteral("データ"));
        memData = new QPlainTextEdit(form->parentWidget());
        memData->setObjectName(QStringLiteral("memData"));
        memData->setReadOnly(true);
        form->addRow(QStringLiteral("データ:"), memData);
    }

    QFormLayout* form = AddPage(QStringLiteral("Settings"), QStringLiteral("設定"));
    QWidget* page = form->parentWidget();
    cmbErrorLevel = new QComboBox(page);
    cmbErrorLevel->setObjectName(QStringLiteral("cmbErrorLevel"));
    cmbErrorLevel->addItems({QStringLiteral("L (7%)"), QStringLiteral("M (15%)"),
                             QStringLiteral("Q (25%)"), QStringLiteral("H (30%)")});
    form->addRow(QStringLiteral("誤り訂正レベル(&L):"), cmbErrorLevel);
    seMergin = NewNumberEdit(page, QStringLiteral("seMergin"), QStringLiteral("余白(&M)"), 0, 20);
    form->addRow(QStringLiteral("余白(&M):"), WithUnit(seMergin, QStringLiteral("セル")));
    cbAutoVersion = new QCheckBox(QStringLiteral("型番を自動で決める(&A)"), page);
    cbAutoVersion->setObjectName(QStringLiteral("cbAutoVersion"));
    form->addRow(cbAutoVersion);
    seVersion = NewNumberEdit(page, QStringLiteral("seVersion"), QStringLiteral("型番(&V)"), 1, 40);
    form->addRow(QStringLiteral("型番(&V):"), seVersion);
    connect(cbAutoVersion, &QCheckBox::toggled, seVersion,
            [this](bool On) { seVersion->setEnabled(!On); });
    AddPositionPage();
    ShowPreviewOf(Code);
    WatchFieldChanges();
}

TfrmQRCodeProperty::~TfrmQRCodeProperty() = default;

void TfrmQRCodeProperty::BuildStdPage() {
    QFormLayout* form = AddPage(QStringLiteral("Data"), QStringLiteral("データ"));
    QWidget* page = form->parentWidget();
    cmbQRType = new QComboBox(page);
    cmbQRType->setObjectName(QStringLiteral("cmbQRType"));
    cmbQRType->addItems(
        {QStringLiteral("NTTドコモ"), QStringLiteral("ボーダフォン"), QStringLiteral("au")});
    form->addRow(QStringLiteral("形式(&T):"), cmbQRType);
    cmbQRKind = new QComboBox(page);
    cmbQRKind->setObjectName(QStringLiteral("cmbQRKind"));
    cmbQRKind->addItems(
        {QStringLiteral("電話帳登録"), QStringLiteral("ブックマーク"), QStringLiteral("テキスト")});
    form->addRow(QStringLiteral("種類(&K):"), cmbQRKind);
    auto line = [&](QLineEdit*& Edit, const char* Name, const QString& Caption) {
        Edit = new QLineEdit(page);
        Edit->setObjectName(QString::fromLatin1(Name));
        form->addRow(Caption, Edit);
    };
    line(edName, "edName", QStringLiteral("名前(&N):"));
    line(edFurigana, "edFurigana", QStringLiteral("フリガナ(&F):"));
    line(edTel1, "edTel1", QStringLiteral("電話番号1:"));
    line(edTel2, "edTel2", QStringLiteral("電話番号2:"));
    line(edEmail1, "edEmail1", QStringLiteral("メール1:"));
    line(edEmail2, "edEmail2", QStringLiteral("メール2:"));
    line(edUrlTitle, "edUrlTitle", QStringLiteral("タイトル:"));
    line(edUrl, "edUrl", QStringLiteral("URL(&U):"));
    memQRText = new QPlainTextEdit(page);
    memQRText->setObjectName(QStringLiteral("memQRText"));
    memQRText->setTabChangesFocus(true);
    form->addRow(QStringLiteral("テキスト:"), memQRText);
    connect(cmbQRKind, &QComboBox::currentIndexChanged, this, &TfrmQRCodeProperty::KindChanged);
    KindChanged();
}

void TfrmQRCodeProperty::KindChanged() {
    const int kind = cmbQRKind->currentIndex();
    for (QLineEdit* edit : {edName, edFurigana, edTel1, edTel2, edEmail1, edEmail2})
        edit->setEnabled(kind == sqkTel);
    for (QLineEdit* edit : {edUrlTitle, edUrl})
        edit->setEnabled(kind == sqkURL);
    memQRText->setEnabled(kind == sqkTEXT);
}

void TfrmQRCodeProperty::LoadFrom(TDrawObject& Object) {
    auto* code = qobject_cast<TLOQRCode*>(&Object);
    if (!code)
        return;
    if (auto* qrStd = qobject_cast<TLOQRStd*>(code); qrStd && FStandard) {
        cmbQRType->setCurrentIndex(qrStd->QRType());
        cmbQRKind->setCurrentIndex(qrStd->QRKind());
        edName->setText(qrStd->QRName());
        edFurigana->setText(qrStd->QRFurigana());
        edTel1->setText(qrStd->QRTel1());
        edTel2->setText(qrStd->QRTel2());
        edEmail1->setText(qrStd->QREmail1());
        edEmail2->setText(qrStd->QREmail2());
        edUrlTitle->setText(qrStd->QRUrlTitle());
        edUrl->setText(qrStd->QRUrl());
        memQRText->setPlainText(LinesOf(qrStd->QRText().Lines()));
        KindChanged();
    } else if (memData) {
        memData->setPlainText(FromCP932(code->QRCode().Data().Bytes()));
    }
    const QString level = code->ErrorCorrectLevel();
    for (int i = 0; i < 4; ++i)
        if (level == QChar::fromLatin1(ErrorLevels[i]))
            cmbErrorLevel->setCurrentIndex(i);
    seMergin->SetValue(code->Mergin());
    cbAutoVersion->setChecked(code->AutoVersion());
    seVersion->SetValue(std::max(1, code->Version()));
    seVersion->setEnabled(!code->AutoVersion());
    Position()->LoadFrom(Object);
}

void TfrmQRCodeProperty::ApplyFields(TLOQRCode& Code) const {
    Code.BeginUpdate();
    if (auto* qrStd = qobject_cast<TLOQRStd*>(&Code); qrStd && FStandard) {
        qrStd->SetQRType(static_cast<TStdQRType>(cmbQRType->currentIndex()));
        qrStd->SetQRKind(static_cast<TStdQRKind>(cmbQRKind->currentIndex()));
        qrStd->SetQRName(edName->text());
        qrStd->SetQRFurigana(edFurigana->text());
        qrStd->SetQRTel1(edTel1->text());
        qrStd->SetQRTel2(edTel2->text());
        qrStd->SetQREmail1(edEmail1->text());
        qrStd->SetQREmail2(edEmail2->text());
        qrStd->SetQRUrlTitle(edUrlTitle->text());
        qrStd->SetQRUrl(edUrl->text());
        if (LinesOf(qrStd->QRText().Lines()) != memQRText->toPlainText()) {
            TStringList lines;
            lines.SetText(memQRText->toPlainText());
            qrStd->SetQRText(lines);
        }
    }
    const QString level = QString(QChar::fromLatin1(ErrorLevels[cmbErrorLevel->currentIndex()]));
    if (level != Code.ErrorCorrectLevel())
        Code.SetErrorCorrectLevel(level);
    if (seMergin->Value() != Code.Mergin())
        Code.SetMergin(seMergin->Value());
    if (cbAutoVersion->isChecked() != Code.AutoVersion())
        Code.SetAutoVersion(cbAutoVersion->isChecked());
    if (!cbAutoVersion->isChecked() && seVersion->Value() != Code.Version())
        Code.SetVersion(seVersion->Value());
    Code.EndUpdate();
}

bool TfrmQRCodeProperty::DataFits() const {
    auto* trial = qobject_cast<TLOQRCode*>(FTrial.get());
    if (!trial)
        return true;
    ApplyFields(*trial);
    trial->QRCode().Encode();
    return trial->QRCode().Status() == TQRStatus::Ok;
}

TfrmPropertyDialog::TFieldProblem TfrmQRCodeProperty::FindProblem() const {
    TFieldProblem problem = TfrmPropertyDialog::FindProblem();
    if (!problem.Field && !DataFits())
        problem = {cbAutoVersion->isChecked() ? static_cast<QWidget*>(cmbErrorLevel)
                                              : static_cast<QWidget*>(seVersion),
                   QStringLiteral("データが多すぎてQRコードにできません。誤り訂正レベルか型番を"
                                  "変えるか、データを減らしてください。")};
    return problem;
}

void TfrmQRCodeProperty::ApplyTo(TDrawObject& Object) {
    auto* code = qobject_cast<TLOQRCode*>(&Object);
    if (!code)
        return;
    code->BeginUpdate();
    ApplyFields(*code);
    Position()->ApplyTo(Object);
    code->EndUpdate();
}
