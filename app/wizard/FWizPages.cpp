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
#include <QFileDialog>
#include <QFileInfo>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QScopedValueRollback>
#include <QSpinBox>
#include <QTimer>
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
    lblSlots->setWordWrap(true);
    left->addWidget(lblSlots);
    lstPhotos = new QListWidget(this);
    lstPhotos->setSelectionMode(QAbstractItemView::ExtendedSelection);
    left->addWidget(lstPhotos, 1);
    auto* buttons = new QHBoxLayout;
    btnAddPhotos = new QPushButton(QStringLiteral("写真の追加..."), this);
    btnAddPhotos->setObjectName(QStringLiteral("btnAddPhotos"));
    btnRemovePhoto = new QPushButton(QStringLiteral("削除"), this);
    btnRemovePhoto->setObjectName(QStringLiteral("btnRemovePhoto"));
    buttons->addWidget(btnAddPhotos);
    buttons->addWidget(btnRemovePhoto);
    left->addLayout(buttons);
    layout->addLayout(left, 2);
    imgPreview = new QLabel(this);
    imgPreview->setAlignment(Qt::AlignCenter);
    imgPreview->setMinimumSize(360, 360);
    layout->addWidget(imgPreview, 3);
    actFinishPage = new QAction(this);
    FPreviewTimer = new QTimer(this);
    FPreviewTimer->setSingleShot(true);
    FPreviewTimer->setInterval(300);
    connect(FPreviewTimer, &QTimer::timeout, this, &TfrmWizPhoto::RefreshPreview);
    connect(btnAddPhotos, &QPushButton::clicked, this, &TfrmWizPhoto::ChoosePhotos);
    connect(btnRemovePhoto, &QPushButton::clicked, this, &TfrmWizPhoto::RemovePhoto);
    connect(spnYear, &QSpinBox::valueChanged, this, &TfrmWizPhoto::SchedulePreview);
    connect(spnMonth, &QSpinBox::valueChanged, this, &TfrmWizPhoto::SchedulePreview);
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
    {
        const QSignalBlocker year(spnYear);
        const QSignalBlocker month(spnMonth);
        spnYear->setValue(order.Year);
        spnMonth->setValue(order.Month);
    }
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
    SchedulePreview();
}

void TfrmWizPhoto::ChoosePhotos() {
    const QStringList files =
        AskPhotoFiles ? AskPhotoFiles(this)
                      : QFileDialog::getOpenFileNames(this, QStringLiteral("写真の追加"), QString(),
                                                      PictureFileFilter());
    if (!files.isEmpty())
        AddPhotos(files);
}

void TfrmWizPhoto::RemovePhoto() {
    const QList<QListWidgetItem*> chosen = lstPhotos->selectedItems();
    if (chosen.isEmpty())
        return;
    for (QListWidgetItem* item : chosen)
        delete item;
    SchedulePreview();
}

void TfrmWizPhoto::SchedulePreview() {
    if (!FHost)
        return;
    TakeOrder(); // at once: the page may be left before the preview is built
    FBuilt = false;
    FPreviewTimer->start();
}

bool TfrmWizPhoto::PreviewPending() const {
    return FPreviewTimer->isActive();
}

void TfrmWizPhoto::RefreshPreview() {
    if (FBuilding) {
        // A change arrived while the preview was being built: build again afterwards.
        FPreviewTimer->start();
        return;
    }
    const QString problem = BuildPreview();
    if (!problem.isEmpty())
        lblSlots->setText(problem);
}

bool TfrmWizPhoto::UpdatePreview() {
    if (!FHost || FBuilding)
        return false;
    FPreviewTimer->stop();
    const QString problem = BuildPreview();
    if (problem.isEmpty())
        return true;
    // The problem names the user's files: shown as it stands.
    AppShowError(problem);
    return false;
}

QString TfrmWizPhoto::BuildPreview() {
    TakeOrder();
    const QScopedValueRollback<bool> building(FBuilding, true);
    FBuilt = false;
    try {
        FillCalendarDocument(FHost->Document(), FHost->Order(), &FHost->Progress());
    } catch (const Exception& e) {
        imgPreview->clear();
        lblSlots->clear();
        return e.Message;
    }
    TLabelData& doc = FHost->Document();
    ShowSlots(CountCalendarPhotos(doc));
    doc.SetSheet(0);
    const QImage image = RenderSheetPreview(doc, imgPreview->width(), imgPreview->height());
    imgPreview->setPixmap(QPixmap::fromImage(image));
    FBuilt = true;
    return QString();
}

void TfrmWizPhoto::ShowSlots(int Frames) {
    const int chosen = lstPhotos->count();
    QString text = QStringLiteral("写真の枠: %1 か所、選んだ写真: %2 枚").arg(Frames).arg(chosen);
    if (chosen < Frames)
        text +=
            QStringLiteral("\n写真を選んでいない %1 か所は、テンプレートの見本の写真のままです。")
                .arg(Frames - chosen);
    else if (chosen > Frames)
        text += QStringLiteral("\n枠より多い %1 枚の写真は使われません。").arg(chosen - Frames);
    lblSlots->setText(text);
}

void TfrmWizPhoto::Finish() {
    // The preview follows every change: a document built since the last one is finished.
    if (FBuilt && !PreviewPending())
        return;
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
