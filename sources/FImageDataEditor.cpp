#include "FImageDataEditor.h"

#include "FColorGrid.h"
#include "UAppFrame.h"
#include "UExSpinEdit.h"
#include "UPanels.h"

#include <QCheckBox>
#include <QDialogButtonBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QToolButton>
#include <QVBoxLayout>

namespace {

constexpr int MaxPreviewSide = 400;

QLabel* Caption(const QString& Text, QWidget* Buddy) {
    auto* label = new QLabel(Text);
    label->setBuddy(Buddy);
    return label;
}

} // namespace

TfrmImageDataEditor::TfrmImageDataEditor(QWidget* Parent)
    : QDialog(Parent), FImageData(std::make_unique<TImageData>()) {
    setObjectName(QStringLiteral("frmImageDataEditor"));
    setWindowTitle(QStringLiteral("画質調整"));
    spnBlur = NewExSpinEdit("spnBlur", -10, 10, 0, 1);
    spnBrightness = NewExSpinEdit("spnBrightness", -100, 100, 0, 5);
    spnContrast = NewExSpinEdit("spnContrast", -100, 100, 0, 5);
    cbMonotone = new QCheckBox(QStringLiteral("モノトーン(&M)"));
    cbMonotone->setObjectName(QStringLiteral("cbMonotone"));
    btnMonotoneColor = new QToolButton;
    btnMonotoneColor->setObjectName(QStringLiteral("btnMonotoneColor"));
    btnMonotoneColor->setFixedSize(32, 22);
    btnMonotoneColor->setToolTip(QStringLiteral("モノトーンの色を選択します"));
    imgPreview = new TImagePanel;
    imgPreview->setObjectName(QStringLiteral("imgPreview"));
    imgPreview->setMinimumSize(160, 160);
    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto* fields = new QGridLayout;
    fields->addWidget(Caption(QStringLiteral("ぼかし(&B)"), spnBlur), 0, 0);
    fields->addWidget(spnBlur, 0, 1);
    fields->addWidget(new QLabel(QStringLiteral("(-はシャープ)")), 0, 2);
    fields->addWidget(Caption(QStringLiteral("明るさ(&L)"), spnBrightness), 1, 0);
    fields->addWidget(spnBrightness, 1, 1);
    fields->addWidget(Caption(QStringLiteral("コントラスト(&C)"), spnContrast), 2, 0);
    fields->addWidget(spnContrast, 2, 1);
    fields->addWidget(cbMonotone, 3, 0);
    fields->addWidget(btnMonotoneColor, 3, 1);
    fields->setRowStretch(4, 1);
    auto* group = new QGroupBox(QStringLiteral("サンプル"));
    auto* groupLayout = new QVBoxLayout(group);
    groupLayout->addWidget(imgPreview);
    auto* top = new QHBoxLayout;
    top->addLayout(fields);
    top->addWidget(group, 1);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(Buttons);

    for (TExSpinEdit* spin : {spnBlur, spnBrightness, spnContrast})
        connect(spin, &QLineEdit::textChanged, this, [this] {
            if (!FShowing && ApplyFields())
                RefreshPreview();
        });
    connect(cbMonotone, &QCheckBox::toggled, this, [this] {
        if (!FShowing && ApplyFields())
            RefreshPreview();
    });
    connect(btnMonotoneColor, &QToolButton::clicked, this, [this] { MonotoneColorClick(); });
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    DrawMonotoneGlyph();
}

TfrmImageDataEditor::~TfrmImageDataEditor() {
    // The controls outlive the image data (they go with the base class): nothing they
    // signal while they are taken down may reach it.
    for (QWidget* child : findChildren<QWidget*>())
        child->blockSignals(true);
}

void TfrmImageDataEditor::SetImageData(const TImageData& Data) {
    FImageData->Assign(&Data);
    ShowValues();
    RefreshPreview();
}

void TfrmImageDataEditor::ShowValues() {
    FShowing = true;
    spnBlur->SetValue(FImageData->BlurFilter()->BlurCount());
    spnBrightness->SetValue(FImageData->LightFilter()->Brightness());
    spnContrast->SetValue(FImageData->LightFilter()->Contrast());
    const TColor ref = FImageData->MonotoneFilter()->RefColor();
    cbMonotone->setChecked(ref != clNone);
    if (ref != clNone)
        FMonotoneColor = ref;
    DrawMonotoneGlyph();
    FShowing = false;
}

bool TfrmImageDataEditor::ApplyFields() {
    bool valid = true;
    if (!spnBlur->IsInvalidValue())
        FImageData->BlurFilter()->SetBlurCount(spnBlur->Value());
    else
        valid = false;
    if (!spnBrightness->IsInvalidValue())
        FImageData->LightFilter()->SetBrightness(spnBrightness->Value());
    else
        valid = false;
    if (!spnContrast->IsInvalidValue())
        FImageData->LightFilter()->SetContrast(spnContrast->Value());
    else
        valid = false;
    FImageData->MonotoneFilter()->SetRefColor(cbMonotone->isChecked() ? FMonotoneColor : clNone);
    return valid;
}

void TfrmImageDataEditor::RefreshPreview() {
    TPictureEx& filtered = FImageData->GetFilteredPicture();
    TGraphic* graphic = filtered.Graphic();
    if (!graphic || graphic->Width() <= 0 || graphic->Height() <= 0) {
        imgPreview->SetImage({});
        return;
    }
    const QSize area =
        imgPreview->contentsRect().size().boundedTo(QSize(MaxPreviewSide, MaxPreviewSide));
    const QSize fitted =
        QSize(graphic->Width(), graphic->Height()).scaled(area, Qt::KeepAspectRatio);
    if (fitted.isEmpty())
        return;
    TBitmap bitmap(fitted.width(), fitted.height());
    bitmap.Fill(clWhite);
    graphic->Draw(bitmap.Canvas(), TRect(0, 0, fitted.width(), fitted.height()));
    imgPreview->SetImage(bitmap.ToQImage());
}

void TfrmImageDataEditor::MonotoneColorClick() {
    TfrmColorGrid& dropDown = TfrmColorGrid::Shared();
    dropDown.SetMode(0);
    dropDown.SetColorOrTransparent(FMonotoneColor, false);
    dropDown.DropDown(
        btnMonotoneColor->mapToGlobal(QPoint(0, btnMonotoneColor->height())), this,
        [this](QObject*) {
            FMonotoneColor = TfrmColorGrid::Shared().GetDefaultColor();
            DrawMonotoneGlyph();
            cbMonotone->setChecked(true);
            if (ApplyFields())
                RefreshPreview();
        },
        nullptr);
}

void TfrmImageDataEditor::DrawMonotoneGlyph() {
    btnMonotoneColor->setIcon(QIcon(ColorButtonGlyph(btnMonotoneColor->size(), FMonotoneColor)));
    btnMonotoneColor->setIconSize(btnMonotoneColor->size() * 8 / 10);
}

void TfrmImageDataEditor::accept() {
    for (TExSpinEdit* spin : {spnBlur, spnBrightness, spnContrast})
        if (spin->IsInvalidValue()) {
            ShowInvalidValue(spin);
            return;
        }
    ApplyFields();
    QDialog::accept();
}
