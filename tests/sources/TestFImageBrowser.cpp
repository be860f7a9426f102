#include "FImageBrowser.h"

#include "UGraphicUtils.h"
#include "UPictureFormats.h"
#include "USafetyBitmap.h"
#include "UUtils.h"

#include <QApplication>
#include <QCollator>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QLineEdit>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>

#include <random>

namespace {

// Thumbnail size of the folder tests (the pack keeps every one of 200).
constexpr int Size = 64;

// A folder of 200 generated JPEG pictures: picture i is a solid colour with a noisy band
// whose height grows with i (so file sizes spread widely), of varying aspect; modification
// times are shuffled against the names. One more file is damaged.
class TPictureFolder {
public:
    TPictureFolder() {
        std::mt19937 random(5);
        std::vector<int> times(200);
        for (int i = 0; i < 200; ++i)
            times[i] = i;
        std::shuffle(times.begin(), times.end(), random);
        for (int i = 0; i < 200; ++i) {
            const int w = 40 + (i % 5) * 30;
            const int h = 40 + (i % 3) * 30;
            QImage image(w, h, QImage::Format_RGB32);
            image.fill(ColorOf(i));
            for (int y = 0; y < std::min(h, i / 2); ++y)
                for (int x = 0; x < w; ++x)
                    image.setPixel(x, y, random() | 0xFF000000u);
            const QString name =
                Dir.filePath(QStringLiteral("photo%1.jpg").arg(i, 3, 10, QChar(u'0')));
            EXPECT_TRUE(image.save(name, "JPEG", 95));
            struct timespec ts[2] = {{1600000000 + times[i] * 3600, 0},
                                     {1600000000 + times[i] * 3600, 0}};
            utimensat(AT_FDCWD, QFile::encodeName(name).constData(), ts, 0);
        }
        QFile damaged(Dir.filePath("zz_damaged.jpg"));
        EXPECT_TRUE(damaged.open(QIODevice::WriteOnly));
        damaged.write("\xFF\xD8\xFF\xE0 not really a picture");
    }
    static QColor ColorOf(int I) { return QColor::fromHsv((I * 37) % 360, 220, 230); }
    QString Mask() const { return Dir.filePath("*.jpg"); }

    QTemporaryDir Dir;
};

// Runs the event loop (waiting for events, no clock) until the browser has collected
// every thumbnail it asked for.
void AwaitThumbnails(TfrmImageBrowser& Browser) {
    while (Browser.PendingCount() > 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents);
}

TSize ThumbnailSizeOf(TfrmImageBrowser& Browser, int Index) {
    TPictureEx picture;
    Browser.ImagePack().GetImage(picture, Index);
    return {picture.Width(), picture.Height()};
}

TSize FittedSize(TfrmImageBrowser& Browser, int Width, int Height) {
    const TRect box = Browser.ThumbnailBox();
    const TRect fit = FitRectSize(TRect(0, 0, Width, Height), box.Width(), box.Height());
    return {fit.Width(), fit.Height()};
}

QStringList ColumnTexts(TfrmImageBrowser& Browser, int Column) {
    QStringList texts;
    for (int r = 0; r < Browser.ReportItems().rowCount(); ++r)
        texts << Browser.ReportItems().item(r, Column)->text();
    return texts;
}

std::vector<qint64> ColumnKeys(TfrmImageBrowser& Browser, int Column) {
    std::vector<qint64> keys;
    for (int r = 0; r < Browser.ReportItems().rowCount(); ++r)
        keys.push_back(Browser.ReportItems()
                           .item(r, Column)
                           ->data(TfrmImageBrowser::SortKeyRole)
                           .toLongLong());
    return keys;
}

// True when the column is in order (Ascending or not) by its numbers or its text.
bool ColumnSorted(TfrmImageBrowser& Browser, int Column, bool Ascending) {
    if (Column == 1 || Column == 3) {
        std::vector<qint64> keys = ColumnKeys(Browser, Column);
        if (!Ascending)
            std::reverse(keys.begin(), keys.end());
        return std::is_sorted(keys.begin(), keys.end());
    }
    QStringList texts = ColumnTexts(Browser, Column);
    if (!Ascending)
        std::reverse(texts.begin(), texts.end());
    QCollator collator;
    collator.setCaseSensitivity(Qt::CaseInsensitive);
    return std::is_sorted(texts.begin(), texts.end(), [&](const QString& A, const QString& B) {
        return collator.compare(A, B) < 0;
    });
}

class ImageBrowser : public ::testing::Test {
protected:
    void SetUp() override { RegisterPictureFormats(); }
};

} // namespace

TEST_F(ImageBrowser, OpensAFolderOf200PicturesLoadsEverySortsAndShows) {
    TPictureFolder folder;
    TFolderImagePack pack;
    pack.SetFileMask(folder.Mask());
    ASSERT_EQ(pack.GetCount(), 201);

    TfrmImageBrowser browser;
    browser.resize(900, 700);
    browser.SetImageSource(&pack);
    browser.SetThumbnailSize(Size);
    browser.UpdateItems();
    browser.show();
    ASSERT_EQ(browser.Items().rowCount(), 201);
    EXPECT_EQ(browser.Items().item(0)->text(), "No.1");

    // Every thumbnail is asked for (as scrolling through the view would), then collected.
    for (int i = 0; i < 201; ++i) {
        TPictureEx picture;
        browser.ImagePack().GetImage(picture, i);
    }
    EXPECT_GT(browser.PendingCount(), 0);
    AwaitThumbnails(browser);
    // The loader reduces first and the window fits the result: one pixel of rounding.
    auto near = [](TSize A, TSize B) {
        return std::abs(A.cx - B.cx) <= 1 && std::abs(A.cy - B.cy) <= 1;
    };
    for (int i = 0; i < 200; ++i) {
        const int w = 40 + (i % 5) * 30, h = 40 + (i % 3) * 30;
        EXPECT_TRUE(near(ThumbnailSizeOf(browser, i), FittedSize(browser, w, h))) << i;
    }
    const TPictureEx& error = ImagePackErrorPicture();
    EXPECT_TRUE(
        near(ThumbnailSizeOf(browser, 200), FittedSize(browser, error.Width(), error.Height())));
    EXPECT_EQ(browser.PendingCount(), 0); // all from the pack's cache now
    // The colour of a thumbnail's lower part is its picture's colour.
    {
        TPictureEx picture;
        browser.ImagePack().GetImage(picture, 3);
        auto* bitmap = dynamic_cast<TSafetyBitmap*>(picture.Graphic());
        ASSERT_NE(bitmap, nullptr);
        const QColor c =
            bitmap->Bitmap().ToQImage().pixelColor(bitmap->Width() / 2, bitmap->Height() - 2);
        const QColor want = TPictureFolder::ColorOf(3);
        EXPECT_NEAR(c.red(), want.red(), 24);
        EXPECT_NEAR(c.green(), want.green(), 24);
        EXPECT_NEAR(c.blue(), want.blue(), 24);
    }

    QCoreApplication::processEvents();
    const QImage shot = browser.grab().toImage();
    ASSERT_FALSE(shot.isNull());
    EXPECT_TRUE(shot.save(QDir::current().filePath("ImageBrowser-icons.png")));

    // Report view: name, size, type, date; each column both ways.
    browser.SetReportView(true);
    browser.SetFileNameGetter([&](int I) { return pack.FileList()[I]; }, pack.GetCount());
    browser.UpdateItems();
    ASSERT_EQ(browser.ReportItems().rowCount(), 201);
    ASSERT_EQ(browser.ReportItems().columnCount(), 4);
    EXPECT_EQ(browser.ReportItems().horizontalHeaderItem(1)->text(), "サイズ");
    EXPECT_EQ(browser.SortColumn(), -1);
    EXPECT_TRUE(ColumnSorted(browser, 0, true));
    EXPECT_TRUE(ColumnTexts(browser, 1).first().endsWith("KB"));
    for (int column = 0; column < 4; ++column) {
        SCOPED_TRACE(column);
        browser.ColumnClick(column);
        EXPECT_EQ(browser.SortColumn(), column);
        EXPECT_TRUE(ColumnSorted(browser, column, true));
        browser.ColumnClick(column);
        EXPECT_EQ(browser.SortColumn(), -1);
        EXPECT_TRUE(ColumnSorted(browser, column, false));
        browser.ColumnClick(column);
        EXPECT_TRUE(ColumnSorted(browser, column, true));
    }
    // Sizes sort by number: their text order differs here, so a text sort would fail.
    browser.ColumnClick(2);
    browser.ColumnClick(1);
    QStringList sizes = ColumnTexts(browser, 1);
    QStringList textSorted = sizes;
    std::sort(textSorted.begin(), textSorted.end());
    EXPECT_NE(sizes, textSorted);
    // Dates are not in name order either.
    browser.ColumnClick(3);
    EXPECT_NE(ColumnTexts(browser, 0), [&] {
        QStringList names = ColumnTexts(browser, 0);
        std::sort(names.begin(), names.end());
        return names;
    }());
    QCoreApplication::processEvents();
    EXPECT_TRUE(browser.grab().toImage().save(QDir::current().filePath("ImageBrowser-report.png")));
}

TEST_F(ImageBrowser, WithoutASourceItemsShowButNothingIsQueued) {
    TfrmImageBrowser browser;
    browser.resize(400, 300);
    browser.SetItemCaptions({"a", "b"});
    browser.show();
    QCoreApplication::processEvents();
    browser.grab();
    TPictureEx picture;
    browser.ImagePack().GetImage(picture, 0);
    EXPECT_EQ(browser.Loader().RequestCount(), 0);
    EXPECT_EQ(browser.PendingCount(), 0);
}

TEST_F(ImageBrowser, CachePlaceholderAndRequestsQueuedOnce) {
    TfrmImageBrowser browser;
    browser.SetThumbnailSize(150);
    EXPECT_EQ(browser.ImagePack().CacheLimit(), 155);
    EXPECT_GT(TfrmImageBrowser::PlaceholderPicture().Width(), 0);

    TCustomImagePack source;
    source.OnGetCount = [](TImagePack*, int& N) { N = 3; };
    source.OnGetImage = [](TImagePack*, TPictureEx& Picture, int) {
        Picture.SetGraphic(std::make_unique<TSafetyBitmap>(TBitmap(30, 10)));
    };
    browser.SetImageSource(&source);
    browser.SetThumbnailSize(Size);
    browser.UpdateItems();
    // Asked twice before it is loaded: one request.
    browser.ImagePack().ClearCache();
    TPictureEx picture;
    browser.ImagePack().GetImage(picture, 1);
    const TPictureEx& placeholder = TfrmImageBrowser::PlaceholderPicture();
    EXPECT_EQ((TSize{picture.Width(), picture.Height()}),
              FittedSize(browser, placeholder.Width(), placeholder.Height()));
    browser.ImagePack().ClearCache();
    browser.ImagePack().GetImage(picture, 1);
    EXPECT_EQ(browser.PendingCount(), 1);
    AwaitThumbnails(browser);
    const TSize loaded = ThumbnailSizeOf(browser, 1), fitted = FittedSize(browser, 30, 10);
    EXPECT_EQ(loaded.cx, fitted.cx);
    EXPECT_NEAR(loaded.cy, fitted.cy, 1);

    // Threading off (in a guard): loaded at once; the setting comes back afterwards.
    {
        auto off = browser.MultiThreadOff();
        EXPECT_FALSE(browser.MultiThread());
        EXPECT_EQ(ThumbnailSizeOf(browser, 2), FittedSize(browser, 30, 10));
        EXPECT_EQ(browser.PendingCount(), 0);
    }
    EXPECT_TRUE(browser.MultiThread());

    // A change of the source empties the thumbnails.
    source.Refresh();
    EXPECT_EQ(browser.ImagePack().CacheCount(), 0);
}

TEST_F(ImageBrowser, LongCaptionsAreShortenedWithTheFullNameAsTip) {
    TfrmImageBrowser browser;
    browser.SetThumbnailSize(Size);
    const QString longCaption = QStringLiteral("とても長い名前の写真ファイルです.jpg");
    browser.SetItemCaptions({"a.jpg", longCaption});
    QStandardItem* shortItem = browser.Items().item(0);
    EXPECT_EQ(shortItem->text(), "a.jpg");
    EXPECT_TRUE(shortItem->toolTip().isEmpty());
    QStandardItem* longItem = browser.Items().item(1);
    EXPECT_TRUE(longItem->text().endsWith("..."));
    EXPECT_LT(longItem->text().size(), longCaption.size());
    EXPECT_TRUE(longCaption.startsWith(longItem->text().chopped(3)));
    EXPECT_LE(QFontMetrics(browser.ListView().font()).horizontalAdvance(longItem->text()), Size);
    EXPECT_EQ(longItem->toolTip(), longCaption);

    // Activated, the window gives the list view the focus, even when another of its
    // widgets had it last.
    QLineEdit other(&browser);
    browser.show();
    QApplication::setActiveWindow(&browser);
    other.setFocus();
    QCoreApplication::processEvents();
    ASSERT_TRUE(other.hasFocus());
    QApplication::setActiveWindow(nullptr);
    QCoreApplication::processEvents();
    QApplication::setActiveWindow(&browser);
    QCoreApplication::processEvents();
    EXPECT_TRUE(browser.ListView().hasFocus());

    browser.SelectImage(1);
    EXPECT_EQ(browser.GetSelectedImage(), 1);
    browser.SelectImage(-1);
    EXPECT_EQ(browser.GetSelectedImage(), -1);
}

// A change of the source while thumbnails are on their way: the loader is emptied first, so
// nothing of the old list is stored, and the new list loads in full.
TEST_F(ImageBrowser, SourceChangeDropsThumbnailsOfTheOldList) {
    QTemporaryDir first, second;
    for (int i = 0; i < 30; ++i) {
        QImage image(50, 20, QImage::Format_RGB32);
        image.fill(Qt::red);
        ASSERT_TRUE(image.save(first.filePath(QStringLiteral("r%1.png").arg(i))));
    }
    for (int i = 0; i < 5; ++i) {
        QImage image(20, 50, QImage::Format_RGB32);
        image.fill(Qt::blue);
        ASSERT_TRUE(image.save(second.filePath(QStringLiteral("b%1.png").arg(i))));
    }
    TFolderImagePack pack;
    pack.SetFileMask(first.filePath("*.png"));
    TfrmImageBrowser browser;
    browser.SetImageSource(&pack);
    browser.SetThumbnailSize(Size);
    browser.UpdateItems();
    for (int i = 0; i < 30; ++i) {
        TPictureEx picture;
        browser.ImagePack().GetImage(picture, i);
    }
    pack.SetFileMask(second.filePath("*.png"));
    EXPECT_EQ(browser.PendingCount(), 0);
    EXPECT_EQ(browser.Loader().RequestCount(), 0);
    EXPECT_EQ(browser.Loader().ResultCount(), 0);
    EXPECT_EQ(browser.ImagePack().CacheCount(), 0);
    browser.UpdateItems();
    ASSERT_EQ(browser.Items().rowCount(), 5);
    for (int i = 0; i < 5; ++i) {
        TPictureEx picture;
        browser.ImagePack().GetImage(picture, i);
    }
    AwaitThumbnails(browser);
    for (int i = 0; i < 5; ++i) {
        const TSize size = ThumbnailSizeOf(browser, i);
        EXPECT_LT(size.cx, size.cy) << i; // portrait: the new pictures
    }
}
