#include "FColorFill.h"

#include "FColorGrid.h"
#include "FGradePattern2001.h"
#include "FImageDataEditor.h"
#include "UAppFrame.h"
#include "UColGrid.h"
#include "UExSpinEdit.h"
#include "UPanels.h"

#include <QButtonGroup>
#include <QCheckBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QMenu>
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
constexpr int HistoryItemSize = TColorSpecHistory::PreviewSize;
constexpr int HistoryItemInset = 3;
const char* const UseHistoryKey = "UseColorSpecHistory";
const char* const HistoryFileMacro = "$(ColorSpecHistory)";

// The colours a gradation button shows before the fill gives it one.
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

} // namespace

bool EditColorSpec(QWidget* Parent, TColorSpec& Spec) {
    TfrmColorSpec form(Parent);
    form.SetColorSpec(Spec);
    if (form.exec() != QDialog::Accepted)
        return false;
    Spec.Assign(&form.ColorSpec());
    return true;
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
    // The controls outlive the working fill (they go with the base class): nothing they
    // signal while they are taken down may reach it.
    FSpec->OnChange = nullptr;
    for (QWidget* child : findChildren<QWidget*>())
        child->blockSignals(true);
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
    spnColorCount = NewExSpinEdit("spnColorCount", 2, GradationButtonCount, 2);
    spnColorCount->setMaxLength(1);
    spnColorCount->setFixedWidth(40);
    spnRepeatCount = NewExSpinEdit("spnRepeatCount", 1, 10, 1);
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
    ExSpinEdit1 = NewExSpinEdit("ExSpinEdit1", 0, 359, 0, 10);
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
        button->setIcon(QIcon(ColorButtonGlyph(button->size(), FButtonColors[i])));
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
        AppMessageBoxFormat(QStringLiteral("イメージを読み込めませんでした。\n%s\n%s"),
                            {QDir::toNativeSeparators(file), E.Message}, {bkOK}, 0, 0);
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
        AppShowError(E.Message);
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
            ShowInvalidValue(spin);
            return;
        }
    RecordInHistory();
    QDialog::accept();
}

void TfrmColorSpec::RecordInHistory() {
    if (!RegReadBool(QString::fromLatin1(UseHistoryKey), true) || !HistoryAvailable())
        return;
    try {
        FHistory.Add(*FSpec);
    } catch (const Exception& E) {
        // A history that cannot be written must not cost the user the edit.
        qWarning("colour-spec history not written: %s", qPrintable(E.Message));
    }
}

void TfrmColorSpec::changeEvent(QEvent* Event) {
    QDialog::changeEvent(Event);
    if (Event->type() == QEvent::EnabledChange) {
        pnlDisabled->setGeometry(nbookColorSpec->rect());
        pnlDisabled->setVisible(!isEnabled());
        pnlDisabled->raise();
    }
}
