#include "FTextEdit.h"

#include <QDialogButtonBox>
#include <QLabel>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QVBoxLayout>

TfrmTextEdit::TfrmTextEdit(QWidget* Parent) : QDialog(Parent), FEditor(new QPlainTextEdit(this)) {
    setObjectName(QStringLiteral("frmTextEdit"));
    setWindowTitle(QStringLiteral("テキストの編集"));
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(QStringLiteral("テキスト(&T):"), this));
    FEditor->setObjectName(QStringLiteral("memText"));
    FEditor->setTabChangesFocus(true);
    layout->addWidget(FEditor);
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    layout->addWidget(buttons);
    resize(360, 220);
}

QString TfrmTextEdit::Text() const {
    return FEditor->toPlainText();
}

void TfrmTextEdit::SetText(const QString& Value) {
    FEditor->setPlainText(Value);
    FEditor->selectAll();
}

bool ExecuteTextEdit(QWidget* Parent, QString& Text) {
    TfrmTextEdit dialog(Parent);
    dialog.SetText(Text);
    if (dialog.exec() != QDialog::Accepted)
        return false;
    Text = dialog.Text();
    return true;
}
