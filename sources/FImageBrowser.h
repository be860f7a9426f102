#pragma once
// The thumbnail browser every catalogue browser embeds: an icon view over an image pack,
// drawing one thumbnail per image, and a report view listing files by name, size, type and
// date.
//
// Thumbnails come through the window's own cached pack (`ImagePack`), which asks the image
// source. With threaded loading on (the default) a request goes to the window's background
// loader and the cell shows the placeholder "プレビュー作成中..." until the loader's result is
// collected on an idle moment (one result per idle moment; the loader's result event posts
// an event so that an idle moment follows). With threading off thumbnails load at once.
// A thumbnail that cannot be loaded shows the error picture.
//
// Captions wider than the thumbnail are shortened with "..." and the full caption is the
// item's tip. The report view sorts by a clicked column (again: descending); sizes and dates
// sort by their numbers.

#include "UImageLoadThread.h"
#include "UImagePack.h"

#include <QAction>
#include <QListView>
#include <QStandardItemModel>
#include <QStyledItemDelegate>
#include <QTreeView>
#include <QWidget>
#include <functional>
#include <memory>
#include <set>

class TGlobalNotify;
class TImageCacheStorage;

class TfrmImageBrowser : public QWidget {
    Q_OBJECT
public:
    // Item data roles of the icon view.
    enum { ImageIndexRole = Qt::UserRole + 1, FullCaptionRole, SortKeyRole };
    using TFileNameGetter = std::function<QString(int Index)>;

    explicit TfrmImageBrowser(QWidget* Parent = nullptr);
    // Stops the loader before anything else goes.
    ~TfrmImageBrowser() override;

    // The pack thumbnails come from (null: none). The window follows its change messages.
    void SetImageSource(TImagePack* Pack);
    TImagePack* ImageSource() const { return FImageSource; }
    // Thumbnail side in pixels (> 0); empties the loader and the thumbnail cache.
    void SetThumbnailSize(int Size);
    int ThumbnailSize() const { return FThumbnailSize; }
    // Thumbnails made by the loader are kept in (and taken from) Cache; null for none. The
    // cache belongs to the loader while it runs.
    void SetThumbnailCache(TImageCacheStorage* Cache);
    void SetBackgroundColor(TColor Color);
    TColor BackgroundColor() const { return FBackgroundColor; }
    void SetReportView(bool On);
    bool ReportView() const { return FReportView; }
    // Rebuilds the items from the pack's count: captions "No.%d" (1-based).
    void UpdateItems();
    // Rebuilds the items from Captions; in the report view fills the file list.
    void SetItemCaptions(const QStringList& Captions);
    // The report view's file names.
    void SetFileNameGetter(TFileNameGetter Getter, int Count);
    // The selected item's image index, -1 when none.
    int GetSelectedImage() const;
    // Negative clears the selection; otherwise selects the item of that image and scrolls
    // it into view (nothing when none has it).
    void SelectImage(int Index);
    void SetClickAction(QAction* Action) { FClickAction = Action; }
    void SetDblClickAction(QAction* Action) { FDblClickAction = Action; }
    void SetMultiThread(bool On);
    bool MultiThread() const { return FMultiThread; }
    void SetNoFocusFrame(bool On) { FNoFocusFrame = On; }
    bool NoFocusFrame() const { return FNoFocusFrame; }
    void SetTransparentColor(TColor Color) { FTransparentColor = Color; }

    // Switches threading off until destroyed, then puts the previous setting back.
    class TMultiThreadOff {
    public:
        explicit TMultiThreadOff(TfrmImageBrowser& Browser);
        ~TMultiThreadOff();
        TMultiThreadOff(const TMultiThreadOff&) = delete;
        TMultiThreadOff& operator=(const TMultiThreadOff&) = delete;

    private:
        TfrmImageBrowser& FBrowser;
        bool FWas;
    };
    [[nodiscard]] std::unique_ptr<TMultiThreadOff> MultiThreadOff();

    // A click on a report column: ascending, or descending for the column sorted ascending
    // last.
    void ColumnClick(int Column);
    // The remembered column sorted ascending, -1 when none.
    int SortColumn() const { return FSortColumn; }

    // The window's own pack of finished thumbnails.
    TCustomImagePack& ImagePack() { return *FImagePack; }
    TImageLoadThread& Loader() { return *FLoader; }
    QListView& ListView() { return *FListView; }
    QTreeView& ReportTree() { return *FReportTree; }
    QStandardItemModel& Items() { return FItems; }
    QStandardItemModel& ReportItems() { return FReportItems; }
    // Thumbnails requested from the loader and not collected yet.
    int PendingCount() const { return static_cast<int>(FPending.size()); }
    // Takes one loader result (what an idle moment does); false when there was none.
    bool CollectResult();
    // The cell size the thumbnails are fitted into: (size - 2) x (size - 12).
    TRect ThumbnailBox() const;
    // The process-wide placeholder picture.
    static const TPictureEx& PlaceholderPicture();

protected:
    // On activation the visible view takes the focus.
    void changeEvent(QEvent* Event) override;

private:
    class TThumbnailDelegate;
    void ImagePackGetImage(TPictureEx& Picture, int Index);
    void RenderThumbnail(TPictureEx& Picture, TPictureEx& Into) const;
    void SourceNotify(const TGUID& MsgID);
    void ShortenCaptions();
    void FillFileList(int Count);
    void SortReport(int Key);
    void UpdateGrid();
    void WakeForIdle();

    std::unique_ptr<TImageLoadThread> FLoader;
    std::unique_ptr<TCustomImagePack> FImagePack;
    std::unique_ptr<TGlobalNotify> FGlobalNotify;
    std::unique_ptr<TListener> FListener;
    TImagePack* FImageSource = nullptr;
    QListView* FListView;
    QTreeView* FReportTree;
    QStandardItemModel FItems;
    QStandardItemModel FReportItems;
    TThumbnailDelegate* FDelegate;
    std::set<int> FPending;
    TFileNameGetter FFileNameGetter;
    int FFileCount = 0;
    int FThumbnailSize = 150;
    bool FMultiThread = true;
    bool FReportView = false;
    bool FNoFocusFrame = false;
    int FSortColumn = -1;
    TColor FBackgroundColor = 0xB4B4B4;
    TColor FFaceColor = 0xFFFFFF;
    TColor FTransparentColor = clNone;
    QAction* FClickAction = nullptr;
    QAction* FDblClickAction = nullptr;
};
