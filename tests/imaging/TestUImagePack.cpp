#include "UImagePack.h"

#include "PictureTestClasses.h"
#include "UBitmap.h"
#include "UCanvas.h"
#include "UGraphicUtils.h"
#include "UMetafile.h"
#include "USafetyBitmap.h"

#include <QDir>
#include <QFile>
#include <QImage>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

// A picture of Width x Height filled with Color (0x00BBGGRR).
std::unique_ptr<TPictureEx> SolidPicture(int Width, int Height, TColor Color) {
    TBitmap bitmap(Width, Height, pf24bit);
    bitmap.Fill(Color);
    auto picture = std::make_unique<TPictureEx>();
    picture->SetGraphic(std::make_unique<TSafetyBitmap>(bitmap));
    return picture;
}

// Writes a PNG of Width x Height in one colour (Qt colour).
void WritePng(const QString& FileName, int Width, int Height, QColor Color) {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(Color);
    ASSERT_TRUE(image.save(FileName, "PNG"));
}

void WriteText(const QString& FileName, const QByteArray& Bytes) {
    QFile f(FileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Bytes);
}

// Draws image Index of Pack on a white bitmap of Side x Side and answers the centre pixel.
TColor DrawnCentre(TImagePack& Pack, int Index, int Side = 20) {
    TBitmap target(Side, Side, pf24bit);
    target.Fill(clWhite);
    Pack.StretchDraw(target.Canvas(), TRect(0, 0, Side, Side), Index);
    return target.GetPixel(Side / 2, Side / 2);
}

// Counts loads of a custom pack whose image I is a solid picture of colour I.
struct TCountingPack {
    TCustomImagePack Pack;
    int Loads = 0;
    int Count = 4;
    bool Fail = false;
    TCountingPack() {
        Pack.OnGetCount = [this](TImagePack*, int& N) { N = Count; };
        Pack.OnGetImage = [this](TImagePack*, TPictureEx& Picture, int Index) {
            ++Loads;
            if (Fail)
                throw EImagePack("damaged");
            Picture.Assign(SolidPicture(10, 10, Index * 0x10).get());
        };
    }
};

// Records the image-pack messages it hears.
struct TMessageLog {
    std::vector<TGUID> Messages;
    TListener Listener{[this](IInterface*, const TGUID& Id) { Messages.push_back(Id); }};
};

} // namespace

TEST(ImagePack, ErrorPictureIsTheRedTextMetafile) {
    const TPictureEx& error = ImagePackErrorPicture();
    EXPECT_EQ(&error, &ImagePackErrorPicture());
    auto* metafile = dynamic_cast<TMetafile*>(error.Graphic());
    ASSERT_NE(metafile, nullptr);
    EXPECT_GT(metafile->Width(), 10);
    EXPECT_GT(metafile->Height(), 10);
    // Drawn, it shows red text on white.
    TBitmap bitmap(metafile->Width(), metafile->Height(), pf24bit);
    bitmap.Fill(clBlack);
    metafile->Draw(bitmap.Canvas(), TRect(0, 0, bitmap.Width(), bitmap.Height()));
    int red = 0, white = 0;
    for (int y = 0; y < bitmap.Height(); ++y)
        for (int x = 0; x < bitmap.Width(); ++x) {
            const TColor c = bitmap.GetPixel(x, y);
            // Text edges may be smoothed: red dominant counts as red.
            red += (c & 0xFF) > 160 && ((c >> 8) & 0xFF) < 100 && ((c >> 16) & 0xFF) < 100;
            white += c == clWhite;
        }
    EXPECT_GT(red, 10);
    EXPECT_GT(white, red);
}

TEST(ImagePack, SettersOfTheBaseRaise) {
    TCountingPack p;
    try {
        p.Pack.SetCount(3);
        ADD_FAILURE() << "no error";
    } catch (const EImagePack& e) {
        EXPECT_EQ(e.Message, "Cannot set count of ImagePack");
    }
    try {
        p.Pack.SetImageLeft(0, 3);
        ADD_FAILURE() << "no error";
    } catch (const EImagePack& e) {
        EXPECT_EQ(e.Message, "Cannot set ImageRect of ImagePack");
    }
}

TEST(ImagePack, MatrixCellsFollowMulDiv) {
    TMatrixImagePack pack;
    pack.SetImage(SolidPicture(100, 30, clRed).get());
    pack.SetCountCol(3);
    EXPECT_EQ(pack.GetCount(), 3);
    EXPECT_EQ(pack.GetImageRect(0), TRect(0, 0, 33, 30));
    EXPECT_EQ(pack.GetImageRect(1), TRect(33, 0, 67, 30));
    EXPECT_EQ(pack.GetImageRect(2), TRect(67, 0, 100, 30));
    EXPECT_EQ(pack.GetImageRect(3), TRect());
    EXPECT_EQ(pack.GetImageRect(-1), TRect());
    EXPECT_EQ(pack.GetImageWidth(1), 34);

    // An empty image makes every index out of range.
    TMatrixImagePack empty;
    empty.SetCountCol(2);
    EXPECT_TRUE(empty.IndexOutOfRange(0));
    EXPECT_EQ(empty.GetImageRect(0), TRect());
}

TEST(ImagePack, MatrixCutsAndDrawsCells) {
    // Left half blue, right half green.
    TBitmap strip(8, 4, pf24bit);
    strip.Fill(clBlue);
    for (int y = 0; y < 4; ++y)
        for (int x = 4; x < 8; ++x)
            strip.SetPixel(x, y, clLime);
    TPictureEx image;
    image.SetGraphic(std::make_unique<TSafetyBitmap>(strip));
    TMatrixImagePack pack;
    TMessageLog log;
    pack.Broadcaster().AddListener(&log.Listener);
    pack.SetImage(&image);
    pack.SetCountCol(2);
    pack.SetCountCol(2); // no change, no message
    EXPECT_EQ(log.Messages.size(), 2u);

    TPictureEx cell;
    pack.GetImage(cell, 1);
    ASSERT_EQ(cell.Width(), 4);
    ASSERT_EQ(cell.Height(), 4);
    auto* bitmap = dynamic_cast<TSafetyBitmap*>(cell.Graphic());
    ASSERT_NE(bitmap, nullptr);
    EXPECT_EQ(bitmap->Bitmap().GetPixel(0, 0), clLime);
    EXPECT_EQ(DrawnCentre(pack, 0), clBlue);
    EXPECT_EQ(DrawnCentre(pack, 1), clLime);
    pack.GetImage(cell, 5);
    EXPECT_TRUE(IsPictureEmpty(&cell));
}

TEST(ImagePack, CacheKeepsTheMostRecentlyUsed) {
    TCountingPack p;
    TPictureEx picture;
    // Limit 1: alternating indexes reload every time.
    for (int i = 0; i < 4; ++i)
        p.Pack.GetImage(picture, i % 2);
    EXPECT_EQ(p.Loads, 4);
    // Limit 2: both stay cached.
    p.Loads = 0;
    p.Pack.SetCacheLimit(2);
    for (int i = 0; i < 4; ++i)
        p.Pack.GetImage(picture, i % 2);
    EXPECT_EQ(p.Loads, 1); // index 1 was still cached, 0 loaded once
    EXPECT_EQ(p.Pack.CacheCount(), 2);
    // The second draw of an image is a cache hit.
    p.Loads = 0;
    EXPECT_EQ(DrawnCentre(p.Pack, 3), 0x30);
    EXPECT_EQ(DrawnCentre(p.Pack, 3), 0x30);
    EXPECT_EQ(p.Loads, 1);
    // Shrinking the limit trims at once; ClearCache empties unless kept.
    p.Pack.SetCacheLimit(1);
    EXPECT_EQ(p.Pack.CacheCount(), 1);
    p.Pack.SetKeepCache(true);
    p.Pack.ClearCache();
    EXPECT_EQ(p.Pack.CacheCount(), 1);
    p.Pack.SetKeepCache(false);
    p.Pack.Refresh();
    EXPECT_EQ(p.Pack.CacheCount(), 0);
    // Out of range: empty picture, nothing loaded.
    p.Loads = 0;
    p.Pack.GetImage(picture, 4);
    EXPECT_TRUE(IsPictureEmpty(&picture));
    EXPECT_EQ(p.Loads, 0);
}

TEST(ImagePack, FailedLoadShowsTheErrorPictureAndStaysCached) {
    TCountingPack p;
    p.Fail = true;
    TPictureEx picture;
    EXPECT_TRUE(p.Pack.SafeGetImage(picture, 0));
    EXPECT_EQ(picture.Width(), ImagePackErrorPicture().Width());
    EXPECT_TRUE(dynamic_cast<TMetafile*>(picture.Graphic()));
    p.Pack.GetImage(picture, 0);
    EXPECT_EQ(p.Loads, 1);
    EXPECT_EQ(p.Pack.GetImageRect(0).Width(), ImagePackErrorPicture().Width());
}

TEST(ImagePack, FilterByExtensionsComparesWholeEntries) {
    TFileImagePack pack;
    TStringList files(QStringList{"/p/a.jpg", "/p/b.BMP", "/p/c.png", "/p/d", "/p/e.PG",
                                  "/p/f.jpg.txt", "/p.x/g"});
    pack.SetFileList(files);
    TMessageLog log;
    pack.Broadcaster().AddListener(&log.Listener);
    pack.FilterByExtensions(".JPG;.BMP");
    EXPECT_EQ(pack.FileList().Lines(), QStringList({"/p/a.jpg", "/p/b.BMP"}));
    ASSERT_EQ(log.Messages.size(), 2u);
    EXPECT_EQ(log.Messages[0], MsgIdImagePackChanging);
    EXPECT_EQ(log.Messages[1], MsgIdImagePackChanged);
    // "." keeps files without extension.
    pack.SetFileList(files);
    pack.FilterByExtensions(".;.png");
    EXPECT_EQ(pack.FileList().Lines(), QStringList({"/p/c.png", "/p/d", "/p.x/g"}));
}

// Each source kind lists its images and draws them.
TEST(ImagePack, FolderPackListsAWildcardAndDraws) {
    QTemporaryDir dir;
    WritePng(dir.filePath("b.png"), 6, 4, Qt::red);
    WritePng(dir.filePath("a.png"), 4, 6, Qt::blue);
    WritePng(dir.filePath(".hidden.png"), 4, 4, Qt::green);
    WriteText(dir.filePath("c.png"), "not a picture");
    QDir(dir.path()).mkdir("sub.png");

    TFolderImagePack pack;
    pack.SetCacheLimit(10);
    pack.SetFileMask(dir.filePath("*.png"));
    ASSERT_EQ(pack.GetCount(), 3);
    EXPECT_EQ(pack.FileList()[0], dir.filePath("a.png"));
    EXPECT_EQ(pack.FileList()[1], dir.filePath("b.png"));
    EXPECT_EQ(pack.GetImageRect(0), TRect(0, 0, 4, 6));
    EXPECT_EQ(pack.GetImageRect(1), TRect(0, 0, 6, 4));
    EXPECT_EQ(DrawnCentre(pack, 0), clBlue);
    EXPECT_EQ(DrawnCentre(pack, 1), clRed);
    // The damaged file gives the error picture, cached as such.
    EXPECT_EQ(pack.GetImageRect(2).Width(), ImagePackErrorPicture().Width());

    // The file-load event fills pictures first.
    TFileImagePack files;
    files.SetFileList(TStringList(QStringList{"virtual.xyz"}));
    files.OnFileLoad = [](TImagePack*, const QString& Name, TPictureEx& Picture) {
        EXPECT_EQ(Name, "virtual.xyz");
        Picture.Assign(SolidPicture(3, 3, clYellow).get());
    };
    EXPECT_EQ(DrawnCentre(files, 0), clYellow);

    pack.SetFileMask("");
    EXPECT_EQ(pack.GetCount(), 0);
    pack.SetFileMask(dir.filePath("missing/*.png"));
    EXPECT_EQ(pack.GetCount(), 0);
}

TEST(ImagePack, FolderPackReadsAListFile) {
    QTemporaryDir dir;
    QDir(dir.path()).mkpath("Photos/Deep");
    WritePng(dir.filePath("Photos/a.jpg.png"), 4, 4, Qt::red);
    WritePng(dir.filePath("Photos/Deep/b.png"), 4, 4, Qt::blue);
    WriteText(dir.filePath("list.txt"),
              "FOLDER=Photos\r\n a.jpg.png \r\n\r\n[Summer]\r\n; a comment\r\n"
              "Folder = Photos\\Deep\r\nB.PNG\r\n");
    TFolderImagePack pack;
    pack.SetCacheLimit(10);
    pack.SetFileMask(dir.filePath("list.txt"));
    EXPECT_EQ(pack.FileList().Lines(), QStringList({dir.filePath("Photos/a.jpg.png"), "[Summer]",
                                                    dir.filePath("Photos/Deep/B.PNG")}));
    EXPECT_EQ(DrawnCentre(pack, 0), clRed);
    // The name's case differs from the disk's: found all the same.
    EXPECT_EQ(DrawnCentre(pack, 2), clBlue);
    // A heading is not a picture: the error picture.
    EXPECT_EQ(pack.GetImageRect(1).Width(), ImagePackErrorPicture().Width());
}

TEST(ImagePack, DamagedListFileGivesEntriesThatShowTheErrorPicture) {
    QTemporaryDir dir;
    QByteArray garbage("\x00\x01\xff\xfe\x81\r\n=\r\n[\r\nFOLDER\r\n\xe0\xe0", 20);
    garbage += QByteArray(300, '\xfd') + "\r\nx.png";
    WriteText(dir.filePath("list.lst"), garbage);
    TFolderImagePack pack;
    ASSERT_NO_THROW(pack.SetFileMask(dir.filePath("list.lst")));
    ASSERT_GT(pack.GetCount(), 0);
    for (int i = 0; i < pack.GetCount(); ++i) {
        TPictureEx picture;
        EXPECT_TRUE(pack.SafeGetImage(picture, i));
        EXPECT_EQ(picture.Width(), ImagePackErrorPicture().Width()) << i;
    }
    // A truncated picture file: the error picture, not a crash.
    QImage image(40, 40, QImage::Format_RGB32);
    image.fill(Qt::red);
    image.save(dir.filePath("whole.png"), "PNG");
    QFile whole(dir.filePath("whole.png"));
    ASSERT_TRUE(whole.open(QIODevice::ReadOnly));
    WriteText(dir.filePath("cut.png"), whole.readAll().left(60));
    TFileImagePack files;
    files.SetFileList(TStringList(QStringList{dir.filePath("cut.png")}));
    TPictureEx picture;
    files.GetImage(picture, 0);
    EXPECT_EQ(picture.Width(), ImagePackErrorPicture().Width());
}
