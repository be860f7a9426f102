#include "FImageBrowser.h"

#include "UBitmap.h"
#include "UFont.h"
#include "UGlobalNotify.h"
#include "UGraphicUtils.h"
#include "UImageCache.h"
#include "UMetafile.h"
#include "USafetyBitmap.h"
#include "UUtils.h"

#include <QCollator>
#include <QDateTime>
#include <QEvent>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHeaderView>
#include <QLocale>
#include <QMimeDatabase>
#include <QPainter>
#include <QVBoxLayout>
#include <algorithm>
#include <mutex>

namespace {

std::unique_ptr<TPictureEx> MakePlaceholder() {
    const QString text = QStringLiteral("プレビュー作成中...");
    TBitmap measure(1, 1, pf24bit);
    const TSize extent = measure.Canvas().TextExtent(text);
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetSize(extent.cx, extent.cy);
    {
        TMetafileCanvas canvas(*metafile);
        canvas.Brush().SetColor(clWhite);
        canvas.FillRect(TRect(0, 0, extent.cx, extent.cy));
        canvas.Font().SetColor(clBlack);
        canvas.TextOut(0, 0, text);
    }
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(std::move(metafile));
    return picture;
}

// Collator of the report view: locale order, case ignored.
const QCollator& Collator() {
    static const QCollator collator = [] {
        QCollator c;
        c.setCaseSensitivity(Qt::CaseInsensitive);
        c.setNumericMode(false);
        return c;
    }();
    return collator;
}

enum TReportColumn { rcName, rcSize, rcType, rcDate, rcCount };

} // namespace

// ---------------------------------------------------------------------------------------
// Item drawing

class TfrmImageBrowser::TThumbnailDelegate : public QStyledItemDelegate {
public:
    explicit TThumbnailDelegate(TfrmImageBrowser& Browser)
        : QStyledItemDelegate(&Browser), FBrowser(Browser) {}

    int LabelHeight() const { return QFontMetrics(FBrowser.FListView->font()).height() + 4; }

    QSize sizeHint(const QStyleOptionViewItem&, const QModelIndex&) const override {
        const int size = FBrowser.FThumbnailSize;
        return QSize(size, size + LabelHeight());
    }

    void paint(QPainter* Painter, const QStyleOptionViewItem& Option,
               const QModelIndex& Index) const override {
        const int size = FBrowser.FThumbnailSize;
        const QRect cell = Option.rect;
        QRect icon(cell.left() + (cell.width() - size) / 2, cell.top(), size, size);
        const QRect label(cell.left(), icon.bottom() + 1, cell.width(), LabelHeight());
        Painter->save();
        // Face and a raised edge.
        Painter->fillRect(icon, ToQColor(FBrowser.FFaceColor));
        Painter->setPen(Qt::white);
        Painter->drawLine(icon.topLeft(), icon.topRight());
        Painter->drawLine(icon.topLeft(), icon.bottomLeft());
        Painter->setPen(QColor(64, 64, 64));
        Painter->drawLine(icon.bottomLeft(), icon.bottomRight());
        Painter->drawLine(icon.topRight(), icon.bottomRight());
        const QRect inner = icon.adjusted(2, 2, -2, -2);

        TPictureEx picture;
        FBrowser.FImagePack->GetImage(picture, Index.data(ImageIndexRole).toInt());
        if (auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic())) {
            const QImage image = bitmap->Bitmap().ToQImage();
            const QPoint at(inner.left() + (inner.width() - image.width()) / 2,
                            inner.top() + (inner.height() - image.height()) / 2);
            Painter->drawImage(at, image);
        }

        const bool selected = (Option.state & QStyle::State_Selected) && !FBrowser.FNoFocusFrame;
        QColor labelBack = FBrowser.FListView->palette().color(QPalette::Base);
        QColor labelText = FBrowser.FListView->palette().color(QPalette::Text);
        if (selected) {
            const QColor highlight = Option.palette.color(QPalette::Highlight);
            Painter->setPen(QPen(highlight, 3));
            Painter->setBrush(Qt::NoBrush);
            Painter->drawRect(icon.adjusted(1, 1, -2, -2));
            labelBack = highlight;
            labelText = Option.palette.color(QPalette::HighlightedText);
        }
        Painter->fillRect(label, labelBack);
        Painter->setPen(labelText);
        Painter->drawText(label, Qt::AlignCenter, Index.data(Qt::DisplayRole).toString());
        Painter->restore();
    }

private:
    TfrmImageBrowser& FBrowser;
};

// ---------------------------------------------------------------------------------------
// Window

const TPictureEx& TfrmImageBrowser::PlaceholderPicture() {
    static std::once_flag once;
    static std::unique_ptr<TPictureEx> picture;
    std::call_once(once, [] { picture = MakePlaceholder(); });
    return *picture;
}

TfrmImageBrowser::TfrmImageBrowser(QWidget* Parent)
    : QWidget(Parent), FLoader(std::make_unique<TImageLoadThread>()),
      FImagePack(std::make_unique<TCustomImagePack>()),
      FGlobalNotify(std::make_unique<TGlobalNotify>()) {
    setObjectName(QStringLiteral("frmImageBrowser"));
    QFont font(SubstituteFontFace(QStringLiteral("ＭＳ Ｐゴシック")));
    font.setPixelSize(12);
    setFont(font);
    PlaceholderPicture();

    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(8, 8, 1, 8);
    setAutoFillBackground(true);

    FListView = new QListView(this);
    FListView->setObjectName(QStringLiteral("ListView1"));
    FListView->setViewMode(QListView::IconMode);
    FListView->setMovement(QListView::Static);
    FListView->setResizeMode(QListView::Adjust);
    FListView->setUniformItemSizes(true);
    FListView->setWrapping(true);
    FListView->setWordWrap(false);
    FListView->setFrameShape(QFrame::NoFrame);
    FListView->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FListView->setSelectionMode(QAbstractItemView::SingleSelection);
    FListView->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    FListView->setModel(&FItems);
    FDelegate = new TThumbnailDelegate(*this);
    FListView->setItemDelegate(FDelegate);
    layout->addWidget(FListView);

    FReportTree = new QTreeView(this);
    FReportTree->setObjectName(QStringLiteral("ReportView"));
    FReportTree->setRootIsDecorated(false);
    FReportTree->setEditTriggers(QAbstractItemView::NoEditTriggers);
    FReportTree->setSelectionMode(QAbstractItemView::SingleSelection);
    FReportTree->setModel(&FReportItems);
    FReportTree->header()->setSectionsClickable(true);
    FReportTree->hide();
    layout->addWidget(FReportTree);

    for (QAbstractItemView* view : {static_cast<QAbstractItemView*>(FListView),
                                    static_cast<QAbstractItemView*>(FReportTree)}) {
        connect(view, &QAbstractItemView::clicked, this, [this] {
            if (FClickAction)
                FClickAction->trigger();
        });
        connect(view, &QAbstractItemView::doubleClicked, this, [this] {
            if (FDblClickAction)
                FDblClickAction->trigger();
        });
    }
    connect(FReportTree->header(), &QHeaderView::sectionClicked, this,
            [this](int Column) { ColumnClick(Column); });

    FImagePack->SetCacheLimit(200);
    FImagePack->OnGetCount = [this](TImagePack*, int& Count) {
        if (FImageSource)
            Count = FImageSource->GetCount();
    };
    FImagePack->OnGetImage = [this](TImagePack*, TPictureEx& Picture, int Index) {
        ImagePackGetImage(Picture, Index);
    };
    FListener = std::make_unique<TListener>(
        [this](IInterface*, const TGUID& MsgID) { SourceNotify(MsgID); });
    FLoader->OnResult = [this] { WakeForIdle(); };
    FGlobalNotify->OnIdle = [this](TGlobalNotify*) {
        if (FMultiThread && CollectResult() && FLoader->ResultCount() > 0)
            WakeForIdle();
    };
    FBackgroundColor = clNone;
    SetBackgroundColor(0xB4B4B4);
    SetThumbnailSize(150);
}

TfrmImageBrowser::~TfrmImageBrowser() {
    FLoader->Stop();
    FGlobalNotify->OnIdle = nullptr;
    FListener.reset();
    FListView->setModel(nullptr);
    FReportTree->setModel(nullptr);
}

void TfrmImageBrowser::changeEvent(QEvent* Event) {
    QWidget::changeEvent(Event);
    if (Event->type() != QEvent::ActivationChange || !isActiveWindow())
        return;
    QWidget* view = FReportView ? static_cast<QWidget*>(FReportTree) : FListView;
    if (view->isVisible() && view->isEnabled())
        view->setFocus();
}

void TfrmImageBrowser::WakeForIdle() {
    // Any event makes the loop go idle again afterwards; this one carries nothing.
    QMetaObject::invokeMethod(
        this, [] {}, Qt::QueuedConnection);
}

void TfrmImageBrowser::SetImageSource(TImagePack* Pack) {
    if (FImageSource)
        FImageSource->Broadcaster().RemoveListener(FListener.get());
    FLoader->CancelAll();
    FPending.clear();
    FImageSource = Pack;
    if (Pack)
        Pack->Broadcaster().AddListener(FListener.get());
    FLoader->SetImagePack(FMultiThread ? Pack : nullptr);
    FImagePack->ClearCache();
    FListView->viewport()->update();
}

void TfrmImageBrowser::SourceNotify(const TGUID& MsgID) {
    if (MsgID == MsgIdGoingAway) {
        FLoader->CancelAll();
        FLoader->SetImagePack(nullptr);
        FPending.clear();
        FImageSource = nullptr;
        return;
    }
    if (MsgID == MsgIdImagePackChanging) {
        if (FMultiThread)
            FLoader->CancelAll();
    } else if (MsgID == MsgIdImagePackChanged) {
        if (FMultiThread)
            FLoader->CancelAll();
        FPending.clear();
        FImagePack->Refresh();
        FListView->viewport()->update();
    }
}

void TfrmImageBrowser::SetThumbnailSize(int Size) {
    FThumbnailSize = std::max(1, Size);
    if (FMultiThread)
        FLoader->CancelAll();
    FPending.clear();
    FLoader->SetThumbnailSize(FThumbnailSize);
    FImagePack->Refresh();
    if (FReportView)
        FillFileList(FFileCount);
    else
        ShortenCaptions();
    UpdateGrid();
    FImagePack->SetCacheLimit(0xA00000 / (FThumbnailSize * FThumbnailSize * 3));
}

void TfrmImageBrowser::SetThumbnailCache(TImageCacheStorage* Cache) {
    FLoader->CancelAll();
    FLoader->SetThumbnailCache(Cache);
}

void TfrmImageBrowser::UpdateGrid() {
    const QSize item = FDelegate->sizeHint(QStyleOptionViewItem(), QModelIndex());
    FListView->setGridSize(item + QSize(10, 10));
    FListView->doItemsLayout();
}

void TfrmImageBrowser::SetBackgroundColor(TColor Color) {
    if (Color == FBackgroundColor)
        return;
    FBackgroundColor = Color;
    QPalette p = palette();
    p.setColor(QPalette::Window, ToQColor(Color));
    setPalette(p);
    QPalette lp = FListView->palette();
    lp.setColor(QPalette::Base, ToQColor(Color));
    FListView->setPalette(lp);
}

void TfrmImageBrowser::SetReportView(bool On) {
    if (On == FReportView)
        return;
    FReportView = On;
    FItems.clear();
    auto* box = static_cast<QVBoxLayout*>(layout());
    QPalette p = palette();
    if (On) {
        box->setContentsMargins(1, 1, 1, 1);
        p.setColor(QPalette::Window, Qt::white);
    } else {
        box->setContentsMargins(8, 8, 1, 8);
        p.setColor(QPalette::Window, ToQColor(FBackgroundColor));
    }
    setPalette(p);
    FListView->setVisible(!On);
    FReportTree->setVisible(On);
}

void TfrmImageBrowser::UpdateItems() {
    if (FReportView) {
        FillFileList(FFileCount);
        return;
    }
    QStringList captions;
    const int count = FImagePack->GetCount();
    for (int i = 0; i < count; ++i)
        captions << QStringLiteral("No.%1").arg(i + 1);
    SetItemCaptions(captions);
}

void TfrmImageBrowser::SetItemCaptions(const QStringList& Captions) {
    if (FReportView) {
        FillFileList(static_cast<int>(Captions.size()));
        return;
    }
    FItems.clear();
    for (int i = 0; i < Captions.size(); ++i) {
        auto* item = new QStandardItem(Captions[i]);
        item->setData(i, ImageIndexRole);
        item->setData(Captions[i], FullCaptionRole);
        FItems.appendRow(item);
    }
    ShortenCaptions();
    UpdateGrid();
}

void TfrmImageBrowser::ShortenCaptions() {
    const QFontMetrics metrics(FListView->font());
    const QString ellipsis = QStringLiteral("...");
    for (int row = 0; row < FItems.rowCount(); ++row) {
        QStandardItem* item = FItems.item(row);
        const QString full = item->data(FullCaptionRole).toString();
        QString shown = full;
        if (metrics.horizontalAdvance(full) > FThumbnailSize) {
            do {
                shown.chop(shown.size() >= 2 && shown.back().isLowSurrogate() ? 2 : 1);
            } while (!shown.isEmpty() &&
                     metrics.horizontalAdvance(shown + ellipsis) > FThumbnailSize);
            shown += ellipsis;
        }
        item->setText(shown);
        item->setToolTip(shown != full ? full : QString());
    }
}

void TfrmImageBrowser::SetFileNameGetter(TFileNameGetter Getter, int Count) {
    FFileNameGetter = std::move(Getter);
    FFileCount = Count;
}

void TfrmImageBrowser::FillFileList(int Count) {
    QGuiApplication::setOverrideCursor(Qt::WaitCursor);
    FReportItems.removeRows(0, FReportItems.rowCount());
    if (FReportItems.columnCount() == 0)
        FReportItems.setHorizontalHeaderLabels({QStringLiteral("名前"), QStringLiteral("サイズ"),
                                                QStringLiteral("種類"),
                                                QStringLiteral("更新日時")});
    static const QFileIconProvider icons;
    const QMimeDatabase mimes;
    const QLocale locale;
    for (int i = 0; i < Count && FFileNameGetter; ++i) {
        const QString path = FFileNameGetter(i);
        const QFileInfo info(path);
        QList<QStandardItem*> row;
        for (int c = 0; c < rcCount; ++c)
            row << new QStandardItem();
        row[rcName]->setText(info.fileName());
        row[rcName]->setData(i, ImageIndexRole);
        row[rcSize]->setTextAlignment(Qt::AlignRight | Qt::AlignVCenter);
        row[rcSize]->setData(-1, SortKeyRole);
        row[rcDate]->setData(-1, SortKeyRole);
        if (info.exists()) {
            row[rcName]->setIcon(icons.icon(info));
            if (!info.isDir()) {
                const qint64 kib = qRound64(info.size() / 1024.0);
                row[rcSize]->setText(locale.toString(kib) + QStringLiteral("KB"));
                row[rcSize]->setData(info.size(), SortKeyRole);
            }
            row[rcType]->setText(mimes.mimeTypeForFile(info).comment());
            const QDateTime modified = info.lastModified();
            if (modified.isValid()) {
                row[rcDate]->setText(locale.toString(modified.toLocalTime(), QLocale::ShortFormat));
                row[rcDate]->setData(modified.toMSecsSinceEpoch(), SortKeyRole);
            }
        }
        FReportItems.appendRow(row);
    }
    for (int c = 0; c < rcCount; ++c)
        FReportTree->resizeColumnToContents(c);
    FSortColumn = -1;
    SortReport(1);
    QGuiApplication::restoreOverrideCursor();
}

void TfrmImageBrowser::ColumnClick(int Column) {
    if (Column < 0 || Column >= rcCount)
        return;
    if (Column == FSortColumn) {
        SortReport(-(Column + 1));
        FSortColumn = -1;
    } else {
        SortReport(Column + 1);
        FSortColumn = Column;
    }
}

void TfrmImageBrowser::SortReport(int Key) {
    const int column = std::abs(Key) - 1;
    std::vector<QList<QStandardItem*>> rows;
    while (FReportItems.rowCount() > 0)
        rows.push_back(FReportItems.takeRow(0));
    const bool numeric = column == rcSize || column == rcDate;
    auto compare = [&](const QList<QStandardItem*>& A, const QList<QStandardItem*>& B) {
        int result;
        if (numeric) {
            const qint64 a = A[column]->data(SortKeyRole).toLongLong();
            const qint64 b = B[column]->data(SortKeyRole).toLongLong();
            result = a < b ? -1 : a > b ? 1 : 0;
        } else {
            result = Collator().compare(A[column]->text(), B[column]->text());
        }
        return Key < 0 ? result > 0 : result < 0;
    };
    std::stable_sort(rows.begin(), rows.end(), compare);
    for (auto& row : rows)
        FReportItems.appendRow(row);
}

int TfrmImageBrowser::GetSelectedImage() const {
    const QAbstractItemView* view =
        FReportView ? static_cast<const QAbstractItemView*>(FReportTree) : FListView;
    const QModelIndexList selected = view->selectionModel()->selectedIndexes();
    if (selected.isEmpty())
        return -1;
    return selected.first().siblingAtColumn(0).data(ImageIndexRole).toInt();
}

void TfrmImageBrowser::SelectImage(int Index) {
    QAbstractItemView* view =
        FReportView ? static_cast<QAbstractItemView*>(FReportTree) : FListView;
    QStandardItemModel& model = FReportView ? FReportItems : FItems;
    if (Index < 0) {
        view->clearSelection();
        return;
    }
    for (int row = 0; row < model.rowCount(); ++row) {
        const QModelIndex at = model.index(row, 0);
        if (at.data(ImageIndexRole).toInt() == Index) {
            view->setCurrentIndex(at);
            view->scrollTo(at);
            return;
        }
    }
}

void TfrmImageBrowser::SetMultiThread(bool On) {
    if (On == FMultiThread)
        return;
    FMultiThread = On;
    FLoader->CancelAll();
    FLoader->SetImagePack(On ? FImageSource : nullptr);
    // Cells still waiting for the loader are asked again, now the other way.
    FPending.clear();
    FImagePack->ClearCache();
    FListView->viewport()->update();
}

TfrmImageBrowser::TMultiThreadOff::TMultiThreadOff(TfrmImageBrowser& Browser)
    : FBrowser(Browser), FWas(Browser.MultiThread()) {
    FBrowser.SetMultiThread(false);
}

TfrmImageBrowser::TMultiThreadOff::~TMultiThreadOff() {
    FBrowser.SetMultiThread(FWas);
}

std::unique_ptr<TfrmImageBrowser::TMultiThreadOff> TfrmImageBrowser::MultiThreadOff() {
    return std::make_unique<TMultiThreadOff>(*this);
}

TRect TfrmImageBrowser::ThumbnailBox() const {
    return TRect(0, 0, std::max(1, FThumbnailSize - 2), std::max(1, FThumbnailSize - 12));
}

void TfrmImageBrowser::RenderThumbnail(TPictureEx& Picture, TPictureEx& Into) const {
    Into.SetGraphic(static_cast<const TGraphic*>(nullptr));
    if (IsPictureEmpty(&Picture))
        return;
    const TRect box = ThumbnailBox();
    const TRect fit =
        FitRectSize(TRect(0, 0, Picture.Width(), Picture.Height()), box.Width(), box.Height());
    TBitmap bitmap(std::max(1, fit.Width()), std::max(1, fit.Height()), pf24bit);
    bitmap.Fill(clWhite);
    RenderPictureToBitmap(Picture, bitmap, FTransparentColor, true, clWhite);
    Into.SetGraphic(std::make_unique<TSafetyBitmap>(bitmap));
}

void TfrmImageBrowser::ImagePackGetImage(TPictureEx& Picture, int Index) {
    if (!FImageSource)
        return;
    TPictureEx source;
    if (FMultiThread) {
        FLoader->AddRequest(Index);
        FPending.insert(Index);
        source.Assign(&PlaceholderPicture());
    } else {
        FImageSource->SafeGetImage(source, Index);
    }
    RenderThumbnail(source, Picture);
}

bool TfrmImageBrowser::CollectResult() {
    TPictureEx picture;
    const int index = FLoader->FetchResult(picture);
    if (index < 0)
        return false;
    FPending.erase(index);
    TPictureEx thumbnail;
    RenderThumbnail(picture, thumbnail);
    FImagePack->StoreImage(thumbnail, index);
    for (int row = 0; row < FItems.rowCount(); ++row) {
        const QModelIndex at = FItems.index(row, 0);
        if (at.data(ImageIndexRole).toInt() == index) {
            FListView->update(at);
            break;
        }
    }
    return true;
}
