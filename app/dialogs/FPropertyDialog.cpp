#include "FPropertyDialog.h"

#include "FObjectPreview.h"
#include "FPosition.h"
#include "UAppFrame.h"
#include "UColorFill.h"
#include "UDrawObject.h"
#include "UExSpinEdit.h"
#include "ULOImage.h"
#include "UPictureEx.h"
#include "UPropStream.h"
#include "UStreams.h"
#include "UUndo.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QDateTimeEdit>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QRegularExpression>
#include <QSpinBox>
#include <QTabWidget>
#include <QTimer>
#include <QVBoxLayout>

#include <map>

namespace {

// The pages of the run, by dialog kind.
std::map<QString, int>& PageTable() {
    static std::map<QString, int> table;
    return table;
}

// Caption without its accelerator mark and trailing colon: "幅(&W):" -> "幅".
QString PlainCaption(QString Caption) {
    static const QRegularExpression accelerator(QStringLiteral("\\(&.\\)|&"));
    Caption.remove(accelerator);
    while (Caption.endsWith(u':') || Caption.endsWith(u'：'))
        Caption.chop(1);
    return Caption.trimmed();
}

} // namespace

int TRememberedPages::Page(const QString& Kind) {
    const auto it = PageTable().find(Kind);
    return it == PageTable().end() ? 0 : it->second;
}

void TRememberedPages::SetPage(const QString& Kind, int Index) {
    PageTable()[Kind] = Index;
}

void TRememberedPages::Reset() {
    PageTable().clear();
}

QByteArray PropertyStreamOf(TComponent& Component) {
    TMemoryStream stream;
    WriteComponent(stream, Component);
    return stream.Bytes();
}

bool AssignColorSpecIfChanged(TColorSpec& Dest, const TColorSpec& Source) {
    auto streamed = [](const TColorSpec& Spec) {
        TColorSpecWrapper wrapper;
        wrapper.SetReference(const_cast<TColorSpec*>(&Spec)); // only read while writing
        return PropertyStreamOf(wrapper);
    };
    if (streamed(Dest) == streamed(Source))
        return false;
    Dest.Assign(&Source);
    return true;
}

bool HasPicturePixels(const TPictureEx* Picture) {
    return Picture && Picture->Width() > 0 && Picture->Height() > 0;
}

QString PictureInfoText(const TPictureEx* Picture) {
    if (!HasPicturePixels(Picture))
        return QStringLiteral("(なし)");
    return QStringLiteral("%1 × %2 ピクセル").arg(Picture->Width()).arg(Picture->Height());
}

std::unique_ptr<TPictureEx> ReadDialogPicture(const QString& FileName) {
    auto picture = std::make_unique<TPictureEx>();
    try {
        picture->LoadFromFile(FileName);
    } catch (const std::exception&) {
        picture.reset();
    }
    if (!HasPicturePixels(picture.get())) {
        AppShowMessage(QStringLiteral("イメージを読み込めませんでした。"));
        return nullptr;
    }
    return picture;
}

QString InvalidNumberMessage(const QString& Caption) {
    return QStringLiteral("「%1」には正しい数値を入力してください。").arg(PlainCaption(Caption));
}

TfrmPropertyDialog::TfrmPropertyDialog(const QString& PageKind, QWidget* Parent)
    : QDialog(Parent), FPageKind(PageKind), FPages(new QTabWidget(this)), FBody(new QHBoxLayout),
      FOKButton(new QPushButton(QStringLiteral("OK"), this)),
      FCancelButton(new QPushButton(QStringLiteral("キャンセル"), this)) {
    FPages->setObjectName(QStringLiteral("tabPages"));
    FOKButton->setObjectName(QStringLiteral("btnOK"));
    FCancelButton->setObjectName(QStringLiteral("btnCancel"));
    FOKButton->setDefault(true);
    connect(FOKButton, &QPushButton::clicked, this, &TfrmPropertyDialog::accept);
    connect(FCancelButton, &QPushButton::clicked, this, &TfrmPropertyDialog::reject);

    FBody->addWidget(FPages, 1);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(FOKButton);
    buttons->addWidget(FCancelButton);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(FBody, 1);
    layout->addLayout(buttons);
}

TfrmPropertyDialog::~TfrmPropertyDialog() {
    if (FPageShown && !FPageKind.isEmpty())
        TRememberedPages::SetPage(FPageKind, FPages->currentIndex());
}

QFormLayout* TfrmPropertyDialog::AddPage(const QString& Name, const QString& Caption) {
    auto* page = new QWidget(FPages);
    page->setObjectName(Name);
    auto* form = new QFormLayout(page);
    form->setFieldGrowthPolicy(QFormLayout::ExpandingFieldsGrow);
    FPages->addTab(page, Caption);
    return form;
}

QWidget* TfrmPropertyDialog::PageWidget(const QString& Name) const {
    for (int i = 0; i < FPages->count(); ++i)
        if (FPages->widget(i)->objectName() == Name)
            return FPages->widget(i);
    return nullptr;
}

TfrmPosition* TfrmPropertyDialog::AddPositionPage(const QString& Caption) {
    QFormLayout* form = AddPage(QStringLiteral("Position"), Caption);
    FPosition = new TfrmPosition(form->parentWidget());
    form->addRow(FPosition);
    return FPosition;
}

void TfrmPropertyDialog::ShowPreviewOf(TDrawObject& Object) {
    if (!FPreview) {
        FPreview = new TframeObjectPreview(this);
        FPreview->setMinimumSize(200, 200);
        FBody->addWidget(FPreview);
        FPreviewTimer = new QTimer(this);
        FPreviewTimer->setSingleShot(true);
        FPreviewTimer->setInterval(150);
        connect(FPreviewTimer, &QTimer::timeout, this, &TfrmPropertyDialog::RefreshPreview);
    }
    FPreviewCopy = CloneDrawObject(Object);
    FPreview->Attach({FPreviewCopy.get()});
}

void TfrmPropertyDialog::RefreshPreview() {
    if (!FPreviewCopy || FindProblem().Field)
        return;
    ApplyTo(*FPreviewCopy);
    FPreview->Redraw();
}

void TfrmPropertyDialog::PreviewLater() {
    if (FPreviewTimer)
        FPreviewTimer->start();
}

void TfrmPropertyDialog::WatchFieldChanges() {
    if (!FPreviewTimer)
        return;
    // Unique connections: a dialog that adds fields may call this again.
    const auto later = &TfrmPropertyDialog::PreviewLater;
    for (auto* edit : findChildren<QLineEdit*>())
        connect(edit, &QLineEdit::textChanged, this, later, Qt::UniqueConnection);
    for (auto* edit : findChildren<QPlainTextEdit*>())
        connect(edit, &QPlainTextEdit::textChanged, this, later, Qt::UniqueConnection);
    for (auto* button : findChildren<QAbstractButton*>())
        if (button->isCheckable())
            connect(button, &QAbstractButton::toggled, this, later, Qt::UniqueConnection);
    for (auto* combo : findChildren<QComboBox*>())
        connect(combo, &QComboBox::currentIndexChanged, this, later, Qt::UniqueConnection);
    for (auto* spin : findChildren<QSpinBox*>())
        connect(spin, &QSpinBox::valueChanged, this, later, Qt::UniqueConnection);
    for (auto* time : findChildren<QDateTimeEdit*>())
        connect(time, &QDateTimeEdit::dateTimeChanged, this, later, Qt::UniqueConnection);
}

TfrmPropertyDialog::TFieldProblem TfrmPropertyDialog::FindProblem() const {
    if (FPosition) {
        TFieldProblem problem;
        problem.Field = FPosition->FindProblem(problem.Message);
        if (problem.Field)
            return problem;
    }
    for (TExSpinEdit* edit : findChildren<TExSpinEdit*>())
        if (edit->isEnabled() && edit->IsInvalidValue())
            return {edit, InvalidNumberMessage(edit->accessibleName())};
    return {};
}

bool TfrmPropertyDialog::ValidateFields() {
    const TFieldProblem problem = FindProblem();
    if (!problem.Field)
        return true;
    for (QWidget* w = problem.Field; w; w = w->parentWidget())
        if (const int index = FPages->indexOf(w); index >= 0) {
            FPages->setCurrentIndex(index);
            break;
        }
    problem.Field->setFocus();
    AppShowMessage(problem.Message);
    return false;
}

void TfrmPropertyDialog::accept() {
    if (ValidateFields())
        QDialog::accept();
}

void TfrmPropertyDialog::showEvent(QShowEvent* Event) {
    if (!FPageShown && !FPageKind.isEmpty()) {
        const int page = TRememberedPages::Page(FPageKind);
        if (page >= 0 && page < FPages->count())
            FPages->setCurrentIndex(page);
    }
    FPageShown = true;
    QDialog::showEvent(Event);
}

void TfrmPropertyDialog::keyPressEvent(QKeyEvent* Event) {
    switch (Event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        Event->accept();
        FOKButton->click();
        return;
    case Qt::Key_Escape:
        Event->accept();
        FCancelButton->click();
        return;
    default:
        QDialog::keyPressEvent(Event);
    }
}

TfrmPicturePropertyDialog::TfrmPicturePropertyDialog(const QString& PageKind, QWidget* Parent)
    : TfrmPropertyDialog(PageKind, Parent) {}

TfrmPicturePropertyDialog::~TfrmPicturePropertyDialog() = default;

void TfrmPicturePropertyDialog::AddPictureRows(QFormLayout* Form, const QString& ButtonCaption,
                                               const QString& InfoCaption, TPictureNeed Need) {
    QWidget* page = Form->parentWidget();
    btnSelectFile = new QPushButton(ButtonCaption, page);
    btnSelectFile->setObjectName(QStringLiteral("btnSelectFile"));
    Form->addRow(btnSelectFile);
    lblPictureInfo = new QLabel(page);
    lblPictureInfo->setObjectName(QStringLiteral("lblPictureInfo"));
    Form->addRow(InfoCaption, lblPictureInfo);
    FPictureRequired = Need == TPictureNeed::Required;
    connect(btnSelectFile, &QPushButton::clicked, this, [this] {
        const QString file = ChoosePictureFile(this);
        if (!file.isEmpty())
            LoadPictureFile(file);
    });
}

void TfrmPicturePropertyDialog::ShowObjectPicture(const TPictureEx* Picture) {
    FHadPicture = HasPicturePixels(Picture);
    lblPictureInfo->setText(PictureInfoText(Picture));
}

bool TfrmPicturePropertyDialog::LoadPictureFile(const QString& FileName) {
    std::unique_ptr<TPictureEx> picture = ReadDialogPicture(FileName);
    if (!picture)
        return false;
    FChosen = std::move(picture);
    lblPictureInfo->setText(PictureInfoText(FChosen.get()));
    PreviewLater();
    return true;
}

TfrmPropertyDialog::TFieldProblem TfrmPicturePropertyDialog::FindProblem() const {
    if (FPictureRequired && !FHadPicture && !FChosen)
        return {btnSelectFile, QStringLiteral("イメージを選択してください。")};
    return TfrmPropertyDialog::FindProblem();
}

namespace {

TExSpinEdit* NewSpin(QWidget* Parent, const QString& Name, const QString& Caption, int Min, int Max,
                     int Ratio, int Increment) {
    auto* edit = new TExSpinEdit(Parent);
    edit->setObjectName(Name);
    edit->setAccessibleName(PlainCaption(Caption));
    edit->SetValueRatio(Ratio);
    edit->SetMinValue(Min);
    edit->SetMaxValue(Max);
    edit->SetIncrement(Increment);
    edit->SetValue(std::max(Min, 0));
    edit->setMaximumWidth(110);
    return edit;
}

} // namespace

TExSpinEdit* NewLengthEdit(QWidget* Parent, const QString& Name, const QString& Caption, int Min,
                           int Max) {
    return NewSpin(Parent, Name, Caption, Min, Max, 10, 10);
}

TExSpinEdit* NewNumberEdit(QWidget* Parent, const QString& Name, const QString& Caption, int Min,
                           int Max, int Increment) {
    return NewSpin(Parent, Name, Caption, Min, Max, 1, Increment);
}

QWidget* WithUnit(QWidget* Edit, const QString& Unit) {
    auto* row = new QWidget(Edit->parentWidget());
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(Edit);
    layout->addWidget(new QLabel(Unit, row));
    layout->addStretch(1);
    return row;
}

int KeptValue(const TExSpinEdit& Edit, int Current) {
    const int shown = Edit.Value();
    return shown == Edit.CheckValue(Current) ? Current : shown;
}
