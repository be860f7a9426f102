#include "FEnvironment.h"

#include "UAppFrame.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLineEdit>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>
#include <limits>

namespace {

const QString SCDPath = QStringLiteral("CDPath");
const QString SCacheEnabled = QStringLiteral("CacheEnabl");
const QString SCacheLimit = QStringLiteral("CacheLimit");

} // namespace

TfrmEnvironment::TfrmEnvironment(QWidget* Parent)
    : QDialog(Parent), FCDPath(new QLineEdit(this)),
      FCacheEnabled(new QCheckBox(QStringLiteral("サムネイルをキャッシュする"), this)),
      FCacheLimit(new QSpinBox(this)) {
    setObjectName(QStringLiteral("frmEnvironment"));
    setWindowTitle(QStringLiteral("環境設定"));

    auto* browse = new QPushButton(QStringLiteral("参照..."), this);
    connect(browse, &QPushButton::clicked, this, &TfrmEnvironment::BrowseCDPath);
    auto* folderRow = new QHBoxLayout;
    folderRow->addWidget(FCDPath, 1);
    folderRow->addWidget(browse);

    FCacheLimit->setRange(0, std::numeric_limits<int>::max());
    FCacheLimit->setSuffix(QStringLiteral(" MB"));
    FCacheLimit->setSpecialValueText(QStringLiteral("無制限"));
    connect(FCacheEnabled, &QCheckBox::toggled, FCacheLimit, &QWidget::setEnabled);

    auto* form = new QFormLayout;
    form->addRow(QStringLiteral("素材フォルダ(CD):"), folderRow);
    form->addRow(FCacheEnabled);
    form->addRow(QStringLiteral("キャッシュの上限:"), FCacheLimit);

    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    buttons->button(QDialogButtonBox::Ok)->setText(QStringLiteral("OK"));
    buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    connect(buttons, &QDialogButtonBox::accepted, this, &TfrmEnvironment::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &TfrmEnvironment::reject);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(form);
    layout->addWidget(buttons);

    FOriginalCDPath = RegReadString(SCDPath, QString());
    FCDPath->setText(FOriginalCDPath);
    FCacheEnabled->setChecked(RegReadBool(SCacheEnabled, true));
    FCacheLimit->setValue(std::max(0, RegReadInteger(SCacheLimit, 0)));
    FCacheLimit->setEnabled(FCacheEnabled->isChecked());
}

void TfrmEnvironment::BrowseCDPath() {
    const QString folder = QFileDialog::getExistingDirectory(
        this, QStringLiteral("素材フォルダの選択"), FCDPath->text());
    if (!folder.isEmpty())
        FCDPath->setText(folder);
}

void TfrmEnvironment::SaveSettings() {
    const QString path = FCDPath->text().trimmed();
    FContentFolderChanged = path != FOriginalCDPath;
    if (FContentFolderChanged)
        RegWriteString(SCDPath, path);
    RegWriteBool(SCacheEnabled, FCacheEnabled->isChecked());
    RegWriteInteger(SCacheLimit, FCacheLimit->value());
}

void TfrmEnvironment::accept() {
    try {
        SaveSettings();
    } catch (const std::exception& E) {
        HandleApplicationException(E);
        return; // stays open: nothing was lost
    }
    QDialog::accept();
}

bool ExecuteEnvironmentDialog(QWidget* Parent) {
    TfrmEnvironment form(Parent);
    ExpandComponentMacros(&form);
    return form.exec() == QDialog::Accepted && form.ContentFolderChanged();
}
