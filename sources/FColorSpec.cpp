#include "FColorSpec.h"

#include "FColorGrid.h"
#include "UAppFrame.h"
#include "UColGrid.h"
#include "UExSpinEdit.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWidgetAction>

namespace {

constexpr TColor PanelColor = 15132390; // 0xE6E6E6
constexpr TColor FrameGrey = 0x808080;
constexpr int HistoryItemSize = TColorSpecHistory::PreviewSize;
constexpr int HistoryItemInset = 3;
const char* const UseHistoryKey = "UseColorSpecHistory";
const char* const HistoryFileMacro = "$(ColorSpecHistory)";
const char* const InvalidNumberMessage = "正しい数値を入力してください。";

// The colours a gradation button shows before the spec gives it one.
constexpr std::array<TColor, TfrmColorSpec::GradationButtonCount> DefaultButtonColors = {
    clWhite, clBlack, clRed, clYellow, clLime, clAqua, clBlue};
// The gradation kinds of the four samples: simple, box, circle, cone.
constexpr std::array<int, TfrmColorSpec::SampleCount> SampleKinds = {0, 1, 3, 5};
constexpr std::array<const char*, TfrmColorSpec::SampleCount> SampleNames = {"img00", "img01",
                                                                             "img03", "img04"};

QLabel* Caption(const QString& Text, QWidget* Buddy) {
    auto* label = new QLabel(Text);
    label->setBuddy(Buddy);
    return label;
}

TExSpinEdit* NewSpin(const char* Name, int Min, int Max, int Value, int Increment = 1) {
    auto* spin = new TExSpinEdit;
    spin->setObjectName(QString::fromLatin1(Name));
    spin->SetMinValue(Min);
    spin->SetMaxValue(Max);
    spin->SetIncrement(Increment);
    spin->SetValue(Value);
    spin->setFixedWidth(60);
    return spin;
}

// A glyph of 8/10 of the button: a frame in black (white for a black colour) round a
// rectangle of the colour outlined in grey.
QPixmap ButtonGlyph(const QSize& ButtonSize, TColor Color) {
    const int w = std::max(ButtonSize.width() * 8 / 10, 4);
    const int h = std::max(ButtonSize.height() * 8 / 10, 4);
    QPixmap glyph(w, h);
    glyph.fill(ToQColor(Color != clBlack ? clBlack : clWhite));
    QPainter painter(&glyph);
    painter.setPen(ToQColor(FrameGrey));
    painter.setBrush(ToQColor(Color));
    painter.drawRect(QRect(QPoint(1, 1), QPoint(w - 2 - 1, h - 2 - 1)));
    return glyph;
}

void ShowInvalid(QWidget* Parent, TExSpinEdit* Edit) {
    QMessageBox::warning(Parent, QString(), QString::fromUtf8(InvalidNumberMessage));
    Edit->setFocus();
    Edit->selectAll();
}

} // namespace

QImage RenderColorSpec(TColorSpec& Spec, const QSize& Size) {
    if (Size.isEmpty())
        return {};
    TBitmap bitmap(Size.width(), Size.height());
    bitmap.Fill(clWhite);
    Spec.Fill(bitmap.Canvas(), TRect(0, 0, Size.width(), Size.height()));
    return bitmap.ToQImage();
}

bool EditColorSpec(QWidget* Parent, TColorSpec& Spec) {
    TfrmColorSpec form(Parent);
    form.SetColorSpec(Spec);
    if (form.exec() != QDialog::Accepted)
        return false;
    Spec.Assign(&form.ColorSpec());
    return true;
}

// ---- TPaintPanel, TImagePanel ----------------------------------------------------------------

TPaintPanel::TPaintPanel(QWidget* Parent) : QFrame(Parent) {}

void TPaintPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (OnPaint)
        OnPaint(this, painter);
}

void TPaintPanel::mouseReleaseEvent(QMouseEvent* Event) {
    QFrame::mouseReleaseEvent(Event);
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) &&
        OnClick)
        OnClick(this);
}

TImagePanel::TImagePanel(QWidget* Parent) : QFrame(Parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

void TImagePanel::SetImage(const QImage& Image) {
    FImage = Image;
    update();
}

void TImagePanel::paintEvent(QPaintEvent* Event) {
    QFrame::paintEvent(Event);
    if (FImage.isNull())
        return;
    QPainter painter(this);
    const QRect area = contentsRect();
    QRect target(QPoint(0, 0), FImage.size());
    target.moveCenter(area.center());
    painter.setClipRect(area);
    painter.drawImage(target.topLeft(), FImage);
}

// ---- TfrmImageDataEditor ----------------------------------------------------------------------

TfrmImageDataEditor::TfrmImageDataEditor(QWidget* Parent)
    : QDialog(Parent), FImageData(std::make_unique<TImageData>()) {
    setObjectName(QStringLiteral("frmImageDataEditor"));
    setWindowTitle(QStringLiteral("画質調整"));
    spnBlur = NewSpin("spnBlur", -10, 10, 0);
    spnBrightness = NewSpin("spnBrightness", -100, 100, 0, 5);
    spnContrast = NewSpin("spnContrast", -100, 100, 0, 5);
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

TfrmImageDataEditor::~TfrmImageDataEditor() = default;

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
    const QSize area = imgPreview->contentsRect().size().boundedTo(QSize(400, 400));
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
    btnMonotoneColor->setIcon(QIcon(ButtonGlyph(btnMonotoneColor->size(), FMonotoneColor)));
    btnMonotoneColor->setIconSize(btnMonotoneColor->size() * 8 / 10);
}

void TfrmImageDataEditor::accept() {
    for (TExSpinEdit* spin : {spnBlur, spnBrightness, spnContrast})
        if (spin->IsInvalidValue()) {
            ShowInvalid(this, spin);
            return;
        }
    ApplyFields();
    QDialog::accept();
}

// ---- TfrmGradePattern2001 ---------------------------------------------------------------------

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
    sizeRow->addWidget(Caption(QStringLiteral("サンプルの大きさ(&S)"), cbSize));
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

// ---- TfrmColorSpec ----------------------------------------------------------------------------

TfrmColorSpec::TfrmColorSpec(QWidget* Parent)
    : QDialog(Parent), FSpec(std::make_unique<TColorSpec>()) {
    setObjectName(QStringLiteral("frmColorSpec"));
    setWindowTitle(QStringLiteral("色の選択"));
    FButtonColors = DefaultButtonColors;
    FHistory.SetFilename(QString::fromLatin1(HistoryFileMacro));

    rbColor = new QRadioButton(QStringLiteral("色指定(&C)"));
    rbBitmap = new QRadioButton(QStringLiteral("イメージ(&I)"));
    rbGradation = new QRadioButton(QStringLiteral("ｸﾞﾗﾃﾞｰｼｮﾝ(&G)"));
    auto* kinds = new QButtonGroup(this);
    int tag = 0;
    for (QRadioButton* rb : {rbColor, rbBitmap, rbGradation}) {
        rb->setToolTip(QStringLiteral("指定方法を選びます"));
        kinds->addButton(rb, tag++);
    }
    rbColor->setObjectName(QStringLiteral("rbColor"));
    rbBitmap->setObjectName(QStringLiteral("rbBitmap"));
    rbGradation->setObjectName(QStringLiteral("rbGradation"));
    btnHistory = new QToolButton;
    btnHistory->setObjectName(QStringLiteral("btnHistory"));
    btnHistory->setText(QStringLiteral("▼"));
    btnHistory->setToolTip(QStringLiteral("色の選択履歴を表示します"));

    nbookColorSpec = new QStackedWidget;
    nbookColorSpec->setObjectName(QStringLiteral("nbookColorSpec"));
    nbookColorSpec->addWidget(CreateColorPage());
    nbookColorSpec->addWidget(CreateBitmapPage());
    nbookColorSpec->addWidget(CreateGradationPage());

    pnlDisabled = new QFrame(nbookColorSpec);
    pnlDisabled->setObjectName(QStringLiteral("pnlDisabled"));
    pnlDisabled->setAutoFillBackground(true);
    pnlDisabled->hide();

    PopupMenu1 = new QMenu(this);
    PopupMenu1->setObjectName(QStringLiteral("PopupMenu1"));
    CreateHistoryActions();

    Buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel);
    Buttons->button(QDialogButtonBox::Cancel)->setText(QStringLiteral("キャンセル"));

    auto* top = new QHBoxLayout;
    top->addWidget(rbColor);
    top->addWidget(rbBitmap);
    top->addWidget(rbGradation);
    top->addStretch();
    top->addWidget(Caption(QStringLiteral("履歴から"), btnHistory));
    top->addWidget(btnHistory);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addWidget(nbookColorSpec, 1);
    layout->addWidget(Buttons);

    QPalette pal = palette();
    pal.setColor(QPalette::Window, ToQColor(PanelColor));
    setPalette(pal);
    setAutoFillBackground(true);
    setMinimumSize(356, 237);

    connect(kinds, &QButtonGroup::idClicked, this, [this](int Tag) { rbColorClick(Tag); });
    connect(btnHistory, &QToolButton::clicked, this, [this] {
        BuildHistoryMenu();
        PopupMenu1->popup(btnHistory->mapToGlobal(QPoint(0, btnHistory->height())));
    });
    connect(Buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(Buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    FSpec->OnChange = [this](TColorSpec*) {
        if (FLoading)
            return;
        RepaintSamples();
        RefreshImagePreview();
    };
    ChoosePictureFile = [](QWidget* Parent, const QString& Filter) {
        return QFileDialog::getOpenFileName(Parent, QStringLiteral("イメージ選択"), QString(),
                                            Filter, nullptr, QFileDialog::DontUseNativeDialog);
    };
    SetColorSpec(TColorSpec());
}

TfrmColorSpec::~TfrmColorSpec() {
    FSpec->OnChange = nullptr;
}

QWidget* TfrmColorSpec::CreateColorPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Color"));
    ColGrid1 = new TColGrid;
    ColGrid1->setObjectName(QStringLiteral("ColGrid1"));
    ColGrid1->SetColCount(8);
    ColGrid1->SetRowCount(5);
    ColGrid1->SetColorList(TfrmColorGrid::DropDownColors());
    ColGrid1->SetUseOtherColor(true);
    ColGrid1->setFixedSize(TfrmColorGrid::ClientWidth, TfrmColorGrid::ClientHeight);
    ColGrid1->OnChangeColor = [this](TColGrid*, TColor Color, bool) { ColGrid1ChangeColor(Color); };
    pnlColorPreview = new QFrame;
    pnlColorPreview->setObjectName(QStringLiteral("pnlColorPreview"));
    pnlColorPreview->setFrameShape(QFrame::Panel);
    pnlColorPreview->setFrameShadow(QFrame::Sunken);
    pnlColorPreview->setAutoFillBackground(true);
    pnlColorPreview->setToolTip(QStringLiteral("現在選択されている色です"));
    pnlColorPreview->setMinimumSize(100, 60);
    lblCaption = new QLabel(QStringLiteral("選択中の色"), pnlColorPreview);
    lblCaption->setObjectName(QStringLiteral("lblCaption"));
    lblCaption->setAlignment(Qt::AlignCenter);
    auto* previewLayout = new QVBoxLayout(pnlColorPreview);
    previewLayout->addWidget(lblCaption);
    auto* layout = new QHBoxLayout(page);
    layout->addWidget(ColGrid1, 0, Qt::AlignTop);
    layout->addWidget(pnlColorPreview, 1);
    return page;
}

QWidget* TfrmColorSpec::CreateBitmapPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Bitmap"));
    btnFromFile = new QPushButton(QStringLiteral("イメージ選択..."));
    btnFromFile->setObjectName(QStringLiteral("btnFromFile"));
    btnFromFile->setToolTip(QStringLiteral("BMPなどのイメージファイルを選択します"));
    btnEffect = new QPushButton(QStringLiteral("画質調整..."));
    btnEffect->setObjectName(QStringLiteral("btnEffect"));
    btnEffect->setToolTip(QStringLiteral("イメージの切り抜きやモノトーン効果などを設定できます"));
    cbTile = new QCheckBox(QStringLiteral("並べて表示(&T)"));
    cbTile->setObjectName(QStringLiteral("cbTile"));
    cbTile->setToolTip(QStringLiteral("ｲﾒｰｼﾞを並べて表示します"));
    cbEveryLine = new QCheckBox(QStringLiteral("交互に並べる(&E)"));
    cbEveryLine->setObjectName(QStringLiteral("cbEveryLine"));
    cbEveryLine->setToolTip(QStringLiteral("ｲﾒｰｼﾞを並べる際に交互にします"));
    cbEveryLine->setEnabled(false);
    imgpnlBmpView = new TImagePanel;
    imgpnlBmpView->setObjectName(QStringLiteral("imgpnlBmpView"));
    imgpnlBmpView->setMinimumSize(150, 110);
    auto* sample = new QGroupBox(QStringLiteral("サンプル"));
    auto* sampleLayout = new QVBoxLayout(sample);
    sampleLayout->addWidget(imgpnlBmpView);
    auto* side = new QVBoxLayout;
    side->addWidget(btnFromFile);
    side->addWidget(btnEffect);
    side->addWidget(cbTile);
    side->addWidget(cbEveryLine);
    side->addStretch();
    auto* layout = new QHBoxLayout(page);
    layout->addLayout(side);
    layout->addWidget(sample, 1);
    connect(btnFromFile, &QPushButton::clicked, this, [this] { btnFromFileClick(); });
    connect(btnEffect, &QPushButton::clicked, this, [this] { btnEffectClick(); });
    connect(cbTile, &QCheckBox::clicked, this, [this] { cbTileClick(); });
    connect(cbEveryLine, &QCheckBox::clicked, this, [this] { cbEveryLineClick(); });
    return page;
}

QWidget* TfrmColorSpec::CreateGradationPage() {
    auto* page = new QWidget;
    page->setObjectName(QStringLiteral("Gradation"));
    spnColorCount = NewSpin("spnColorCount", 2, GradationButtonCount, 2);
    spnColorCount->setMaxLength(1);
    spnColorCount->setFixedWidth(40);
    spnRepeatCount = NewSpin("spnRepeatCount", 1, 10, 1);
    spnRepeatCount->setFixedWidth(44);
    auto* counts = new QHBoxLayout;
    counts->addWidget(Caption(QStringLiteral("色数"), spnColorCount));
    counts->addWidget(spnColorCount);
    counts->addWidget(Caption(QStringLiteral("色の繰返し"), spnRepeatCount));
    counts->addWidget(spnRepeatCount);
    counts->addStretch();

    auto* colours = new QHBoxLayout;
    colours->setSpacing(2);
    for (int i = 0; i < GradationButtonCount; ++i) {
        auto* button = new QToolButton;
        button->setObjectName(QStringLiteral("btnCol%1").arg(i, 2, 10, QChar('0')));
        button->setCheckable(true);
        button->setFixedSize(24, 22);
        button->setToolTip(QStringLiteral("グラデーションに使用する色を選択します"));
        connect(button, &QToolButton::clicked, this, [this, i] { btnCol00Click(i); });
        btnCol[i] = button;
        colours->addWidget(button);
    }
    btnColorReverse = new QToolButton;
    btnColorReverse->setObjectName(QStringLiteral("btnColorReverse"));
    btnColorReverse->setText(QStringLiteral("色を反転"));
    btnColorReverse->setToolTip(QStringLiteral("グラデーションの向きを反転させます"));
    colours->addWidget(btnColorReverse);
    colours->addStretch();

    auto* samples = new QGridLayout;
    samples->setHorizontalSpacing(14);
    for (int i = 0; i < SampleCount; ++i) {
        auto* panel = new TPaintPanel;
        panel->setObjectName(QString::fromLatin1(SampleNames[i]));
        panel->Tag = SampleKinds[i];
        panel->setFixedSize(40, 40);
        panel->setToolTip(i == 0 ? QStringLiteral("グラデーションの種類を選択します")
                                 : QStringLiteral("グラデーションの方向を選択します"));
        panel->OnPaint = [this](TPaintPanel* Sender, QPainter& Painter) {
            img00Paint(Sender, Painter);
        };
        panel->OnClick = [this](TPaintPanel* Sender) { img00Click(Sender); };
        imgSamples[i] = panel;
        samples->addWidget(panel, 1, i, Qt::AlignCenter);
    }
    samples->addWidget(new QLabel(QStringLiteral("種類")), 0, 0, Qt::AlignCenter);
    samples->addWidget(new QLabel(QStringLiteral("方向")), 0, 1, 1, 3, Qt::AlignCenter);
    shpFocus = new QFrame(page);
    shpFocus->setObjectName(QStringLiteral("shpFocus"));
    shpFocus->setAttribute(Qt::WA_TransparentForMouseEvents);
    shpFocus->setStyleSheet(QStringLiteral("QFrame#shpFocus { border: 4px solid black; "
                                           "background: transparent; }"));

    TrackBar1 = new QSlider(Qt::Horizontal);
    TrackBar1->setObjectName(QStringLiteral("TrackBar1"));
    TrackBar1->setRange(0, 359);
    TrackBar1->setPageStep(45);
    TrackBar1->setTickInterval(10);
    TrackBar1->setTickPosition(QSlider::TicksBelow);
    TrackBar1->setToolTip(QStringLiteral("グラデーションの向きを設定します"));
    ExSpinEdit1 = NewSpin("ExSpinEdit1", 0, 359, 0, 10);
    auto* angle = new QHBoxLayout;
    angle->addWidget(TrackBar1, 1);
    angle->addWidget(ExSpinEdit1);
    angle->addWidget(new QLabel(QStringLiteral("度")));

    btnColorSample = new QToolButton;
    btnColorSample->setObjectName(QStringLiteral("btnColorSample"));
    btnColorSample->setText(QStringLiteral("色サンプル..."));
    btnColorSample->setToolTip(QStringLiteral("サンプル一覧からグラデーションを指定できます"));
    counts->addWidget(btnColorSample);

    auto* layout = new QVBoxLayout(page);
    layout->addLayout(counts);
    layout->addLayout(colours);
    layout->addLayout(samples);
    layout->addLayout(angle);
    layout->addStretch();
    shpFocus->raise();

    connect(spnColorCount, &QLineEdit::textChanged, this, [this] { spnColorCountChange(); });
    connect(spnRepeatCount, &QLineEdit::textChanged, this, [this] { spnRepeatCountChange(); });
    connect(TrackBar1, &QSlider::valueChanged, this, [this](int V) { TrackBar1Change(V); });
    connect(ExSpinEdit1, &QLineEdit::textChanged, this, [this] { ExSpinEdit1Change(); });
    connect(btnColorReverse, &QToolButton::clicked, this, [this] { btnColorReverseClick(); });
    connect(btnColorSample, &QToolButton::clicked, this, [this] { btnColorSampleClick(); });
    return page;
}

void TfrmColorSpec::CreateHistoryActions() {
    actEnableHistory = new QAction(QStringLiteral("履歴を使用する"), this);
    actEnableHistory->setObjectName(QStringLiteral("actEnableHistory"));
    actEnableHistory->setCheckable(true);
    actDisableHistory = new QAction(QStringLiteral("履歴を使用しない"), this);
    actDisableHistory->setObjectName(QStringLiteral("actDisableHistory"));
    actDisableHistory->setCheckable(true);
    actClearHistory = new QAction(QStringLiteral("履歴の消去"), this);
    actClearHistory->setObjectName(QStringLiteral("actClearHistory"));
    popupHistrySettings = new QMenu(QStringLiteral("設定"), PopupMenu1);
    popupHistrySettings->setObjectName(QStringLiteral("popupHistrySettings"));
    popupHistrySettings->addAction(actEnableHistory);
    popupHistrySettings->addAction(actDisableHistory);
    popupHistrySettings->addAction(actClearHistory);
    connect(actEnableHistory, &QAction::triggered, this, [this] { SetHistoryEnabled(true); });
    connect(actDisableHistory, &QAction::triggered, this, [this] { SetHistoryEnabled(false); });
    connect(actClearHistory, &QAction::triggered, this, [this] { ClearHistory(); });
}

// ---- loading -----------------------------------------------------------------------------------

void TfrmColorSpec::SetColorSpec(const TColorSpec& Spec) {
    FLoading = true;
    FSpec->Assign(&Spec);
    // Kinds 2, 4 and 6 run the other way round: shown as 1, 3 and 5 with reversed colours.
    const int kind = FSpec->GradKind();
    if (kind == rgkBoxToCenter || kind == rgkCircleToCenter || kind == rgkConeCounterClockwise) {
        FSpec->GradColors()->Reverse();
        FSpec->SetGradKind(static_cast<rgGradationKind>(kind - 1));
    }
    TrackBar1->setValue(std::clamp(FSpec->GradAngle(), 0, 359));
    ExSpinEdit1->SetValue(TrackBar1->value());
    const int page = FSpec->StoredKind();
    std::array<QRadioButton*, 3>{rbColor, rbBitmap, rbGradation}[page]->setChecked(true);
    nbookColorSpec->setCurrentIndex(page);
    cbTile->setChecked(FSpec->Tile());
    cbEveryLine->setChecked(FSpec->TileShift());
    cbEveryLine->setEnabled(FSpec->Tile());
    ColGrid1->SetDefaultColor(FSpec->Color());
    ShowSolidColor(FSpec->Color());
    LoadButtonColors();
    spnColorCount->SetValue(FSpec->GradColNum());
    spnRepeatCount->SetValue(FSpec->GradColors()->RepeatCount());
    FLoading = false;
    PlaceFocusFrame();
    RepaintSamples();
    RefreshImagePreview();
}

void TfrmColorSpec::LoadButtonColors() {
    FButtonColors = DefaultButtonColors;
    const int count = std::min(FSpec->GradColNum(), GradationButtonCount);
    for (int i = 0; i < count; ++i)
        FButtonColors[i] = FSpec->GradColorN(i);
    DrawButtonGlyphs();
}

void TfrmColorSpec::DrawButtonGlyphs() {
    const int count = FSpec->GradColNum();
    for (int i = 0; i < GradationButtonCount; ++i) {
        QToolButton* button = btnCol[i];
        button->setIcon(QIcon(ButtonGlyph(button->size(), FButtonColors[i])));
        button->setIconSize(button->size() * 8 / 10);
        button->setEnabled(i < count);
    }
}

// ---- kinds and the solid colour ----------------------------------------------------------------

void TfrmColorSpec::rbColorClick(int Tag) {
    nbookColorSpec->setCurrentIndex(Tag);
    FSpec->SetKind(static_cast<TColorSpecKind>(Tag));
    if (Tag == cskGradation)
        RepaintSamples();
    if (Tag == cskBitmap)
        RefreshImagePreview();
}

void TfrmColorSpec::ColGrid1ChangeColor(TColor Color) {
    FSpec->SetColor(Color);
    ShowSolidColor(Color);
}

void TfrmColorSpec::ShowSolidColor(TColor Color) {
    QPalette pal = pnlColorPreview->palette();
    pal.setColor(QPalette::Window, ToQColor(Color));
    pnlColorPreview->setPalette(pal);
    // The caption keeps a readable contrast with any colour.
    QPalette text = lblCaption->palette();
    text.setColor(QPalette::WindowText, ToQColor((ColorToRGB(Color) ^ 0xAAAAAA) & 0xFFFFFF));
    lblCaption->setPalette(text);
}

// ---- gradation ---------------------------------------------------------------------------------

void TfrmColorSpec::img00Paint(TPaintPanel* Sender, QPainter& Painter) {
    TColorSpec sample;
    sample.SetKind(cskGradation);
    sample.SetGradAngle(FSpec->GradAngle());
    sample.SetGradKind(static_cast<rgGradationKind>(Sender->Tag));
    sample.SetGradColors(FSpec->GradColors());
    Painter.drawImage(0, 0, RenderColorSpec(sample, Sender->size()));
}

void TfrmColorSpec::img00Click(TPaintPanel* Sender) {
    FSpec->SetGradKind(static_cast<rgGradationKind>(Sender->Tag));
    PlaceFocusFrame();
}

void TfrmColorSpec::PlaceFocusFrame() {
    FFocusedSample = imgSamples[0];
    for (TPaintPanel* panel : imgSamples)
        if (panel->Tag == FSpec->GradKind())
            FFocusedSample = panel;
    QWidget* page = shpFocus->parentWidget();
    page->layout()->activate();
    const QRect r(FFocusedSample->mapTo(page, QPoint(0, 0)), FFocusedSample->size());
    shpFocus->setGeometry(r.adjusted(-5, -5, 5, 5));
}

void TfrmColorSpec::RepaintSamples() {
    for (TPaintPanel* panel : imgSamples)
        panel->update();
}

void TfrmColorSpec::TrackBar1Change(int Value) {
    if (FLoading)
        return;
    FSpec->SetGradAngle(Value);
    if (ExSpinEdit1->IsInvalidValue() || ExSpinEdit1->Value() != Value)
        ExSpinEdit1->SetValue(Value);
    RepaintSamples();
}

void TfrmColorSpec::ExSpinEdit1Change() {
    if (FLoading || ExSpinEdit1->IsInvalidValue())
        return;
    TrackBar1->setValue(ExSpinEdit1->Value());
}

void TfrmColorSpec::spnColorCountChange() {
    if (FLoading || spnColorCount->IsInvalidValue())
        return;
    const int count = spnColorCount->Value();
    FSpec->GradColors()->SetCount(count);
    for (int i = 0; i < count; ++i)
        FSpec->SetGradColorN(i, FButtonColors[i]);
    DrawButtonGlyphs();
    RepaintSamples();
}

void TfrmColorSpec::spnRepeatCountChange() {
    if (FLoading || spnRepeatCount->IsInvalidValue())
        return;
    FSpec->GradColors()->SetRepeatCount(spnRepeatCount->Value());
}

void TfrmColorSpec::btnCol00Click(int Tag) {
    QToolButton* button = btnCol[Tag];
    button->setChecked(true);
    TfrmColorGrid& dropDown = TfrmColorGrid::Shared();
    dropDown.SetMode(0);
    dropDown.SetColorOrTransparent(FButtonColors[Tag], false);
    const auto release = [this, Tag](QObject*) { btnCol[Tag]->setChecked(false); };
    dropDown.DropDown(
        button->mapToGlobal(QPoint(0, button->height())) + QPoint(4, 4), this,
        [this, Tag, release](QObject* Sender) {
            FButtonColors[Tag] = TfrmColorGrid::Shared().GetDefaultColor();
            if (Tag < FSpec->GradColNum())
                FSpec->SetGradColorN(Tag, FButtonColors[Tag]);
            DrawButtonGlyphs();
            release(Sender);
        },
        release);
}

void TfrmColorSpec::btnColorReverseClick() {
    FSpec->GradColors()->Reverse();
    LoadButtonColors();
    RepaintSamples();
}

void TfrmColorSpec::btnColorSampleClick() {
    TfrmGradePattern2001 picker(this);
    picker.SetColorSpec(*FSpec);
    if (picker.exec() != QDialog::Accepted || picker.ColorCount() < 1)
        return;
    const int count = picker.ColorCount();
    FSpec->GradColors()->SetCount(count);
    for (int i = 0; i < count; ++i)
        FSpec->SetGradColorN(i, picker.Color(i));
    LoadButtonColors();
    FLoading = true;
    spnColorCount->SetValue(count);
    FLoading = false;
    RepaintSamples();
}

// ---- picture -----------------------------------------------------------------------------------

void TfrmColorSpec::btnFromFileClick() {
    const QString file = ChoosePictureFile(
        this, QStringLiteral("ﾋﾞｯﾄﾏｯﾌﾟ (*.bmp;*.jpg;*.jpeg;*.png;*.gif)(*.bmp *.jpg *.jpeg *.png "
                             "*.gif);;すべてのﾌｧｲﾙ(*.*)(*)"));
    if (file.isEmpty())
        return;
    TPictureEx picture;
    try {
        picture.LoadFromFile(file);
    } catch (const Exception& E) {
        QMessageBox::warning(this, windowTitle(),
                             QStringLiteral("イメージを読み込めませんでした。\n%1\n%2")
                                 .arg(QDir::toNativeSeparators(file), E.Message));
        return;
    }
    FSpec->ImageData()->SetPicture(&picture);
    FSpec->ImageData()->ResetClipRect(0, 0);
    RefreshImagePreview();
}

void TfrmColorSpec::btnEffectClick() {
    TfrmImageDataEditor editor(this);
    editor.SetEffect(FEffect);
    editor.SetImageData(*FSpec->ImageData());
    if (editor.exec() != QDialog::Accepted)
        return;
    FSpec->SetImageData(&editor.ImageData());
    if (FEffect.Enabled)
        FEffect = editor.Effect();
    RefreshImagePreview();
}

void TfrmColorSpec::cbTileClick() {
    FSpec->SetTile(cbTile->isChecked());
    cbEveryLine->setEnabled(cbTile->isChecked());
}

void TfrmColorSpec::cbEveryLineClick() {
    FSpec->SetTileShift(cbEveryLine->isChecked());
}

void TfrmColorSpec::RefreshImagePreview() {
    if (nbookColorSpec->currentIndex() != cskBitmap)
        return;
    const QSize area = imgpnlBmpView->contentsRect().size();
    TImageData* data = FSpec->ImageData();
    if (data->IsEmpty() || area.isEmpty()) {
        imgpnlBmpView->SetImage({});
        return;
    }
    TColorSpec preview;
    preview.Assign(FSpec.get());
    preview.SetKind(cskBitmap);
    QSize size = area;
    if (!FSpec->Tile()) {
        TPictureEx& picture = data->GetFilteredPicture();
        size = QSize(std::max(picture.Width(), 1), std::max(picture.Height(), 1))
                   .scaled(area, Qt::KeepAspectRatio);
    }
    imgpnlBmpView->SetImage(RenderColorSpec(preview, size));
}

// ---- history -----------------------------------------------------------------------------------

bool TfrmColorSpec::HistoryAvailable() {
    QString file;
    try {
        file = ExpandMacros(QString::fromLatin1(HistoryFileMacro));
    } catch (const Exception&) {
        return false;
    }
    if (file.isEmpty() || file.contains(QLatin1String("$(")))
        return false;
    FHistory.SetFilename(file);
    return true;
}

void TfrmColorSpec::BuildHistoryMenu() {
    PopupMenu1->clear();
    const bool available = HistoryAvailable();
    const bool enabled = RegReadBool(QString::fromLatin1(UseHistoryKey), true);
    const int count = available && enabled ? FHistory.GetCount() : 0;
    for (int i = 0; i < count; ++i) {
        TPictureEx preview;
        FHistory.GetPreview(i, preview);
        QPixmap pixmap(HistoryItemSize - 2 * HistoryItemInset,
                       HistoryItemSize - 2 * HistoryItemInset);
        pixmap.fill(Qt::white);
        if (TGraphic* graphic = preview.Graphic()) {
            TBitmap bitmap(pixmap.width(), pixmap.height());
            graphic->Draw(bitmap.Canvas(), TRect(0, 0, pixmap.width(), pixmap.height()));
            pixmap = QPixmap::fromImage(bitmap.ToQImage());
        }
        auto* button = new QToolButton;
        button->setObjectName(QStringLiteral("HistoryItem%1").arg(i));
        button->setAutoRaise(true);
        button->setFixedSize(HistoryItemSize, HistoryItemSize);
        button->setIconSize(pixmap.size());
        button->setIcon(QIcon(pixmap));
        auto* action = new QWidgetAction(PopupMenu1);
        action->setDefaultWidget(button);
        connect(button, &QToolButton::clicked, this, [this, i] {
            PopupMenu1->close();
            HistoryMenuClick(i);
        });
        PopupMenu1->addAction(action);
    }
    if (count == 0) {
        QAction* none = PopupMenu1->addAction(QStringLiteral("(履歴はありません)"));
        none->setEnabled(false);
    }
    PopupMenu1->addSeparator();
    PopupMenu1->addMenu(popupHistrySettings);
    actEnableHistory->setChecked(enabled);
    actDisableHistory->setChecked(!enabled);
    actEnableHistory->setEnabled(available);
    actDisableHistory->setEnabled(available);
    actClearHistory->setEnabled(available && count > 0);
}

void TfrmColorSpec::HistoryMenuClick(int Index) {
    TColorSpec spec;
    try {
        FHistory.GetItem(Index, spec);
    } catch (const Exception& E) {
        QMessageBox::warning(this, windowTitle(), E.Message);
        return;
    }
    SetColorSpec(spec);
}

void TfrmColorSpec::SetHistoryEnabled(bool On) {
    RegWriteBool(QString::fromLatin1(UseHistoryKey), On);
}

void TfrmColorSpec::ClearHistory() {
    if (HistoryAvailable())
        FHistory.Clear();
}

void TfrmColorSpec::accept() {
    for (TExSpinEdit* spin : {spnColorCount, spnRepeatCount, ExSpinEdit1})
        if (FSpec->StoredKind() == cskGradation && spin->IsInvalidValue()) {
            rbGradation->setChecked(true);
            nbookColorSpec->setCurrentIndex(cskGradation);
            ShowInvalid(this, spin);
            return;
        }
    if (RegReadBool(QString::fromLatin1(UseHistoryKey), true) && HistoryAvailable()) {
        try {
            FHistory.Add(*FSpec);
        } catch (const Exception& E) {
            // A history that cannot be written must not cost the user the edit.
            qWarning("colour-spec history not written: %s", qPrintable(E.Message));
        }
    }
    QDialog::accept();
}

void TfrmColorSpec::changeEvent(QEvent* Event) {
    QDialog::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange) {
        pnlDisabled->setGeometry(nbookColorSpec->rect());
        pnlDisabled->setVisible(!isEnabled());
        pnlDisabled->raise();
    }
}
