#include "UFontFields.h"

#include "FPropertyDialog.h"
#include "UExSpinEdit.h"
#include "UFont.h"

#include <QCheckBox>
#include <QComboBox>
#include <QFontDatabase>
#include <QFormLayout>
#include <QHBoxLayout>

TFontFields TFontFields::AddTo(QFormLayout* Form, int MinSize, int MaxSize) {
    TFontFields f;
    QWidget* page = Form->parentWidget();
    auto*& cmbFontName = f.cmbFontName;
    auto*& seFontSize = f.seFontSize;
    auto*& cbBold = f.cbBold;
    auto*& cbItalic = f.cbItalic;
    cmbFontName = new QComboBox(page);
    cmbFontName->setObjectName(QStringLiteral("cmbFontName"));
    cmbFontName->setEditable(true);
    cmbFontName->addItems(QFontDatabase::families());
    Form->addRow(QStringLiteral("フォント(&F):"), cmbFontName);
    seFontSize = NewNumberEdit(page, QStringLiteral("seFontSize"), QStringLiteral("サイズ(&S)"),
                               MinSize, MaxSize);
    Form->addRow(QStringLiteral("サイズ(&S):"), WithUnit(seFontSize, QStringLiteral("pt")));
    auto* styles = new QWidget(page);
    auto* row = new QHBoxLayout(styles);
    row->setContentsMargins(0, 0, 0, 0);
    cbBold = new QCheckBox(QStringLiteral("太字(&B)"), styles);
    cbBold->setObjectName(QStringLiteral("cbBold"));
    cbItalic = new QCheckBox(QStringLiteral("斜体(&I)"), styles);
    cbItalic->setObjectName(QStringLiteral("cbItalic"));
    row->addWidget(cbBold);
    row->addWidget(cbItalic);
    row->addStretch(1);
    Form->addRow(QString(), styles);
    return f;
}

void TFontFields::Load(const TFont& Font) const {
    if (cmbFontName->findText(Font.Name()) < 0)
        cmbFontName->insertItem(0, Font.Name());
    cmbFontName->setCurrentText(Font.Name());
    seFontSize->SetValue(Font.Size());
    cbBold->setChecked(Font.Style().testFlag(TFont::fsBold));
    cbItalic->setChecked(Font.Style().testFlag(TFont::fsItalic));
}

void TFontFields::Apply(TFont& Font) const {
    const QString name = cmbFontName->currentText().trimmed();
    if (!name.isEmpty() && name != Font.Name())
        Font.SetName(name);
    if (seFontSize->Value() != Font.Size())
        Font.SetSize(seFontSize->Value());
    TFont::TFontStyles style = Font.Style();
    style.setFlag(TFont::fsBold, cbBold->isChecked());
    style.setFlag(TFont::fsItalic, cbItalic->isChecked());
    if (style != Font.Style())
        Font.SetStyle(style);
}
