#include "FWizPages.h"

#include "UAppFrame.h"
#include "UBitmap.h"
#include "UGraphicUtils.h"
#include "ULOImage.h"
#include "ULabelData.h"
#include "UPictureEx.h"

#include <QAction>
#include <QComboBox>
#include <QDate>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QMessageBox>
#include <QPushButton>
#include <QSpinBox>
#include <QVBoxLayout>

namespace {

const QSize ThumbSize(160, 160);
// The kind of the type page.
const QString STypesKind = QStringLiteral("Types");
// Role of a list item's document path.
constexpr int FileRole = Qt::UserRole;
constexpr int EntryRole = Qt::UserRole + 1;

// The first label's preview stored in a closed document, fitted into ThumbSize; a null
// icon when there is none.
QIcon DocumentThumbnail(const QString& FileName) {
    try {
        TPictureEx picture;
        if (!TLabelData::LoadPreviewFromFile(picture, FileName, 0, 0) || picture.Width() <= 0)
            return QIcon();
        TBitmap bitmap(picture.Width(), picture.Height(), pf24bit);
        RenderPictureToBitmap(picture, bitmap, clNone, false, clWhite);
        return QIcon(QPixmap::fromImage(
            bitmap.ToQImage().scaled(ThumbSize, Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    } catch (const Exception&) {
        return QIcon();
    }
}

QListWidget* ThumbnailList(QWidget* Parent) {
    auto* list = new QListWidget(Parent);
    list->setViewMode(QListView::IconMode);
    list->setIconSize(ThumbSize);
    list->setResizeMode(QListView::Adjust);
    list->setMovement(QListView::Static);
    list->setSpacing(8);
    list->setWordWrap(true);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

QListWidgetItem* DocumentItem(QListWidget* List, const QString& Caption, const QString& File) {
    auto* item =
        new QListWidgetItem(DocumentThumbnail(File),
                            Caption.isEmpty() ? QFileInfo(File).completeBaseName() : Caption, List);
    item->setData(FileRole, File);
    return item;
}

void ShowError(QWidget* Parent, const QString& Text) {
    if (TAppFrame::Global())
        AppShowMessage(Text);
    else
        QMessageBox::warning(Parent, QString(), Text);
}

} // namespace

// ---------------------------------------------------------------------------------------
// TfrmWizType

TfrmWizType::TfrmWizType(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(
        new QLabel(QStringLiteral("作りたいカレンダーの種類を選んでください。"), this));
    lstTypes = ThumbnailList(this);
    layout->addWidget(lstTypes, 1);
    lblMessage = new QLabel(this);
    lblMessage->setWordWrap(true);
    lblMessage->setVisible(false);
    layout->addWidget(lblMessage);
    actNextPage = new QAction(this);
    actNextPage->setEnabled(false);
    connect(lstTypes, &QListWidget::itemSelectionChanged, this, &TfrmWizType::SelectionChanged);
    connect(lstTypes, &QListWidget::itemDoubleClicked, this, [this] {
        if (FHost && actNextPage->isEnabled())
            FHost->GoNext();
    });
}

void TfrmWizType::SetWizardHost(IWizardHost* Host) {
    FHost = Host;
    TWizardInfo& info = Host->Info();
    QString message = info.LoadError();
    const int count = info.ReadKind(STypesKind);
    if (message.isEmpty() && count == 0)
        message = QStringLiteral("カレンダーウィザードのテンプレートがありません。");
    for (int i = 0; i < count; ++i) {
        const std::unique_ptr<TWizFileInfo> entry = info.ReadEntry(i);
        QListWidgetItem* item = DocumentItem(lstTypes, entry->Caption, entry->FileName);
        item->setData(EntryRole, i);
        if (entry->FileName == Host->FileInfo().FileName)
            lstTypes->setCurrentItem(item);
    }
    lblMessage->setText(message);
    lblMessage->setVisible(!message.isEmpty());
    Host->SetNextAction(actNextPage);
    SelectionChanged();
}

void TfrmWizType::SelectionChanged() {
    if (!FHost)
        return;
    const QList<QListWidgetItem*> selected = lstTypes->selectedItems();
    actNextPage->setEnabled(!selected.isEmpty());
    if (selected.isEmpty())
        return;
    TWizardInfo& info = FHost->Info();
    info.ReadKind(STypesKind);
    FHost->FileInfo().Assign(*info.ReadEntry(selected.front()->data(EntryRole).toInt()));
    FHost->Order().TemplateFile = FHost->FileInfo().FileName;
}

// ---------------------------------------------------------------------------------------
// TfrmWizStyle

TfrmWizStyle::TfrmWizStyle(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QVBoxLayout(this);
    auto* top = new QHBoxLayout;
    top->addWidget(new QLabel(QStringLiteral("カレンダーのスタイルを選んでください。"), this), 1);
    cmbPullDown = new QComboBox(this);
    top->addWidget(cmbPullDown);
    layout->addLayout(top);
    lstStyles = ThumbnailList(this);
    layout->addWidget(lstStyles, 1);
    actNextPage = new QAction(this);
    actNextPage->setEnabled(false);
    connect(cmbPullDown, &QComboBox::currentIndexChanged, this, &TfrmWizStyle::FillStyles);
    connect(lstStyles, &QListWidget::itemSelectionChanged, this, &TfrmWizStyle::SelectionChanged);
    connect(lstStyles, &QListWidget::itemDoubleClicked, this, [this] {
        if (FHost && actNextPage->isEnabled())
            FHost->GoNext();
    });
}

void TfrmWizStyle::SetWizardHost(IWizardHost* Host) {
    FHost = Host;
    TWizardInfo& info = Host->Info();
    const QString kind = Host->FileInfo().Templates;
    if (!kind.isEmpty())
        info.ReadKind(kind);
    const QSignalBlocker blocker(cmbPullDown);
    cmbPullDown->clear();
    cmbPullDown->addItems(kind.isEmpty() ? QStringList{SWizardShowAll} : info.PullDowns());
    cmbPullDown->setVisible(cmbPullDown->count() > 1);
    Host->SetNextAction(actNextPage);
    FillStyles();
}

void TfrmWizStyle::FillStyles() {
    if (!FHost)
        return;
    const QString chosen = FHost->Order().StyleFile;
    const QSignalBlocker blocker(lstStyles);
    lstStyles->clear();
    DocumentItem(lstStyles, QStringLiteral("テンプレートのまま"), FHost->Order().TemplateFile)
        ->setData(FileRole, QString());
    TWizardInfo& info = FHost->Info();
    const QString kind = FHost->FileInfo().Templates;
    const int count = kind.isEmpty() ? 0 : info.ReadKind(kind);
    const int choice = cmbPullDown->currentIndex();
    for (int i = 0; i < count; ++i) {
        const std::unique_ptr<TWizFileInfo> entry = info.ReadEntry(i);
        QString file = entry->FileName;
        if (choice > 0) {
            if (choice > entry->PullDownFiles.size())
                continue;
            file = entry->PullDownFiles[choice - 1];
        }
        DocumentItem(lstStyles, entry->Caption, file);
    }
    for (int i = 0; i < lstStyles->count(); ++i)
        if (lstStyles->item(i)->data(FileRole).toString() == chosen)
            lstStyles->setCurrentRow(i);
    if (!lstStyles->currentItem())
        lstStyles->setCurrentRow(0);
    SelectionChanged();
}

void TfrmWizStyle::SelectionChanged() {
    if (!FHost)
        return;
    const QList<QListWidgetItem*> selected = lstStyles->selectedItems();
    actNextPage->setEnabled(!selected.isEmpty());
    if (!selected.isEmpty())
        FHost->Order().StyleFile = selected.front()->data(FileRole).toString();
}

// ---------------------------------------------------------------------------------------
// TfrmWizPhoto

TfrmWizPhoto::TfrmWizPhoto(QWidget* Parent) : QWidget(Parent) {
    auto* layout = new QHBoxLayout(this);
    auto* left = new QVBoxLayout;
    auto* form = new QFormLayout;
    spnYear = new QSpinBox(this);
    spnYear->setRange(1989, 2151);
    spnMonth = new QSpinBox(this);
    spnMonth->setRange(1, 12);
    form->addRow(QStringLiteral("開始年"), spnYear);
    form->addRow(QStringLiteral("開始月"), spnMonth);
    left->addLayout(form);
    lblSlots = new QLabel(this);
    left->addWidget(lblSlots);
    lstPhotos = new QListWidget(this);
    left->addWidget(lstPhotos, 1);
    auto* buttons = new QHBoxLayout;
    auto* add = new QPushButton(QStringLiteral("写真の追加..."), this);
    auto* remove = new QPushButton(QStringLiteral("削除"), this);
    auto* preview = new QPushButton(QStringLiteral("プレビュー"), this);
    for (QPushButton* button : {add, remove, preview})
        buttons->addWidget(button);
    left->addLayout(buttons);
    layout->addLayout(left, 2);
    imgPreview = new QLabel(this);
    imgPreview->setAlignment(Qt::AlignCenter);
    imgPreview->setMinimumSize(360, 360);
    layout->addWidget(imgPreview, 3);
    actFinishPage = new QAction(this);
    connect(add, &QPushButton::clicked, this, &TfrmWizPhoto::ChoosePhotos);
    connect(remove, &QPushButton::clicked, this, &TfrmWizPhoto::RemovePhoto);
    connect(preview, &QPushButton::clicked, this, &TfrmWizPhoto::UpdatePreview);
    connect(actFinishPage, &QAction::triggered, this, &TfrmWizPhoto::Finish);
}

void TfrmWizPhoto::SetWizardHost(IWizardHost* Host) {
    FHost = Host;
    TWizardOrder& order = Host->Order();
    if (order.Year == 0) {
        // The month after this one: calendars are made ahead of time.
        const QDate next = QDate::currentDate().addMonths(1);
        order.Year = std::clamp(next.year(), 1989, 2151);
        order.Month = next.month();
    }
    spnYear->setValue(order.Year);
    spnMonth->setValue(order.Month);
    for (const QString& file : order.Photos)
        lstPhotos->addItem(file);
    Host->SetFinishAction(actFinishPage);
    UpdatePreview();
}

void TfrmWizPhoto::TakeOrder() {
    TWizardOrder& order = FHost->Order();
    order.Year = spnYear->value();
    order.Month = spnMonth->value();
    order.Photos.clear();
    for (int i = 0; i < lstPhotos->count(); ++i)
        order.Photos.append(lstPhotos->item(i)->text());
}

void TfrmWizPhoto::AddPhotos(const QStringList& Files) {
    lstPhotos->addItems(Files);
    if (FHost)
        TakeOrder();
}

void TfrmWizPhoto::ChoosePhotos() {
    const QString file = ChoosePictureFile(this);
    if (!file.isEmpty())
        AddPhotos({file});
}

void TfrmWizPhoto::RemovePhoto() {
    delete lstPhotos->currentItem();
    if (FHost)
        TakeOrder();
}

bool TfrmWizPhoto::UpdatePreview() {
    if (!FHost)
        return false;
    TakeOrder();
    try {
        FillCalendarDocument(FHost->Document(), FHost->Order(), &FHost->Progress());
    } catch (const Exception& e) {
        imgPreview->clear();
        lblSlots->clear();
        ShowError(this, e.Message);
        return false;
    }
    TLabelData& doc = FHost->Document();
    lblSlots->setText(QStringLiteral("写真の枠: %1 か所").arg(CountCalendarPhotos(doc)));
    doc.SetSheet(0);
    const QImage image = RenderSheetPreview(doc, imgPreview->width(), imgPreview->height());
    imgPreview->setPixmap(QPixmap::fromImage(image));
    return true;
}

void TfrmWizPhoto::Finish() {
    if (!UpdatePreview())
        FHost->RefuseFinish();
}

QWidget* CreateWizardPage(int Index, QWidget* Parent) {
    switch (Index) {
    case 0:
        return new TfrmWizType(Parent);
    case 1:
        return new TfrmWizStyle(Parent);
    default:
        return new TfrmWizPhoto(Parent);
    }
}
