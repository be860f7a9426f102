#include "FGradePattern2001.h"

#include "UPanels.h"

#include <QComboBox>
#include <QDialogButtonBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

const std::vector<TfrmGradePattern2001::TPattern>& TfrmGradePattern2001::Patterns() {
    static const std::vector<TPattern> patterns = {
        {clWhite, clBlack},
        {clWhite, clBlue},
        {clYellow, clRed},
        {0x7fffff, 0x3f7fbf},
        {clWhite, 0xffbf7f, clNavy},
        {0x7fbfff, clWhite, 0xbf7fff},
        {clRed, clYellow, clLime},
        {clNavy, clAqua, clWhite, clAqua},
        {0x7f7fff, 0x7fffff, 0x7fff7f, 0xffff7f},
        {clRed, clYellow, clLime, clAqua, clBlue},
        {clBlack, clMaroon, clRed, clYellow, clWhite},
        {clRed, 0x007fff, clYellow, clLime, clAqua, clBlue},
        {clRed, 0x007fff, clYellow, clLime, clAqua, clBlue, clPurple},
        {clWhite, clSilver, clGray, clBlack, clGray, clSilver, clWhite},
    };
    return patterns;
}

const QStringList& TfrmGradePattern2001::SampleSizes() {
    static const QStringList sizes = {QStringLiteral("50x50"), QStringLiteral("100x100"),
                                      QStringLiteral("150x150"), QStringLiteral("200x200")};
    return sizes;
}

TfrmGradePattern2001::TfrmGradePattern2001(QWidget* Parent) : QDialog(Parent) {
    setObjectName(QStringLiteral("frmGradePattern2001"));
    setWindowTitle(QStringLiteral("グラデーションのカラーパターン"));
    cbSize = new QComboBox;
    cbSize->setObjectName(QStringLiteral("cbSize"));
    cbSize->addItems(SampleSizes());
    lvPatterns = new QListWidget;
    lvPatterns->setObjectName(QStringLiteral("lvPatterns"));
    lvPatterns->setViewMode(QListView::IconMode);
    lvPatterns->setResizeMode(QListView::Adjust);
    lvPatterns->setMovement(QListView::Static);
    lvPatterns->setMinimumSize(360, 240);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));
    Buttons->button(QDialogButtonBox::Ok)->setEnabled(false);

    auto* sizeRow = new QHBoxLayout;
    auto* sizeLabel = new QLabel(QStringLiteral("サンプルの大きさ(&S)"));
    sizeLabel->setBuddy(cbSize);
    sizeRow->addWidget(sizeLabel);
    sizeRow->addWidget(cbSize);
    sizeRow->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(sizeRow);
    layout->addWidget(lvPatterns, 1);
    layout->addWidget(Buttons);

    connect(cbSize, &QComboBox::currentIndexChanged, this, [this] { FillSamples(); });
    connect(lvPatterns, &QListWidget::currentRowChanged, this,
            [this](int Row) { Buttons->button(QDialogButtonBox::Ok)->setEnabled(Row >= 0); });
    connect(lvPatterns, &QListWidget::itemActivated, this, [this] { accept(); });
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    FSpec.SetKind(cskGradation);
    FillSamples();
}

TfrmGradePattern2001::~TfrmGradePattern2001() = default;

void TfrmGradePattern2001::SetColorSpec(const TColorSpec& Spec) {
    FSpec.Assign(&Spec);
    FSpec.SetKind(cskGradation);
    FillSamples();
}

void TfrmGradePattern2001::FillSamples() {
    const int row = lvPatterns->currentRow();
    const int side = 50 * (std::max(cbSize->currentIndex(), 0) + 1);
    lvPatterns->clear();
    lvPatterns->setIconSize(QSize(side, side));
    TColorSpec sample;
    sample.Assign(&FSpec);
    for (const TPattern& pattern : Patterns()) {
        sample.SetGradColNum(static_cast<int>(pattern.size()));
        for (size_t i = 0; i < pattern.size(); ++i)
            sample.SetGradColorN(static_cast<int>(i), pattern[i]);
        auto* item = new QListWidgetItem(
            QIcon(QPixmap::fromImage(RenderColorSpec(sample, QSize(side, side)))),
            QStringLiteral("%1色").arg(pattern.size()));
        lvPatterns->addItem(item);
    }
    lvPatterns->setCurrentRow(row);
}

int TfrmGradePattern2001::SelectedPattern() const {
    return lvPatterns->currentRow();
}

void TfrmGradePattern2001::SelectPattern(int Index) {
    lvPatterns->setCurrentRow(Index);
}

int TfrmGradePattern2001::ColorCount() const {
    const int row = SelectedPattern();
    return row < 0 ? 0 : static_cast<int>(Patterns()[row].size());
}

TColor TfrmGradePattern2001::Color(int Index) const {
    return Patterns().at(SelectedPattern()).at(Index);
}
