#include "UImageCache.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "UGraphicUtils.h"
#include "USafetyBitmap.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QTemporaryDir>
#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/stat.h>
#include <sys/time.h>

#include <random>

namespace {

const QString Python = QStringLiteral("/usr/bin/python3");

bool HaveOlefile() {
    return RunProgram(Python, {"-c", "import olefile"}) == 0;
}

// The independent view of a cache file: one line per entry stream (path, empty word, size,
// time, picture class). Fails the test when olefile rejects the file.
QStringList CheckedEntries(const QString& FileName) {
    QByteArray out;
    const int rc = RunProgram(Python, {TestDataPath("imagecache/iccheck.py"), FileName}, &out);
    EXPECT_EQ(rc, 0) << out.toStdString();
    QStringList lines = QString::fromUtf8(out).split(u'\n', Qt::SkipEmptyParts);
    lines.sort();
    return lines;
}

// A picture of noise (incompressible), Side x Side pixels, from Seed.
void MakeNoisePicture(TPictureEx& Picture, int Side, unsigned Seed) {
    TBitmap bitmap(Side, Side, pf24bit);
    std::mt19937 random(Seed);
    for (int y = 0; y < Side; ++y) {
        uint8_t* row = bitmap.ScanLine(y);
        for (int x = 0; x < Side * 3; ++x)
            row[x] = static_cast<uint8_t>(random());
    }
    Picture.SetGraphic(std::make_unique<TSafetyBitmap>(bitmap));
}

void WriteFile(const QString& FileName, const QByteArray& Bytes) {
    QFile f(FileName);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.write(Bytes);
}

// Sets a file's modification time to Seconds since 1970 (and Nanoseconds).
void SetFileTime(const QString& FileName, time_t Seconds, long Nanoseconds = 0) {
    struct timespec times[2] = {{Seconds, Nanoseconds}, {Seconds, Nanoseconds}};
    ASSERT_EQ(utimensat(AT_FDCWD, QFile::encodeName(FileName).constData(), times, 0), 0);
}

// An item for an image file: its file info and a noise thumbnail.
std::unique_ptr<TImageCacheItem> ItemFor(const QString& FileName, int Side, unsigned Seed) {
    auto item = std::make_unique<TImageCacheItem>();
    EXPECT_TRUE(item->SetFileInfo(FileName));
    MakeNoisePicture(*item->Picture(), Side, Seed);
    return item;
}

class ImageCache : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPictureTestClasses();
        ASSERT_TRUE(Dir.isValid());
        CacheName = Dir.filePath("ImageCache.ic");
    }
    QString Image(const QString& Name, const QByteArray& Bytes = "image bytes") {
        const QString path = Dir.filePath(Name);
        QDir().mkpath(QFileInfo(path).path());
        WriteFile(path, Bytes);
        return path;
    }

    QTemporaryDir Dir;
    QString CacheName;
};

} // namespace

TEST(ImageCachePath, ElementPaths) {
    struct Row {
        QString File;
        bool Folder;
        QStringList Path;
    } rows[] = {
        {"/home/u/Photos/a.jpg", false, {"home", "u", "Photos", "a.jpg"}},
        {"C:/Photos/Trips/a.jpg", false, {"C?Drive", "Photos", "Trips", "a.jpg"}},
        {"D:/Photos/Trips/a.jpg", false, {"D?Drive", "Photos", "Trips", "a.jpg"}},
        {"//srv//share/b.png", false, {"srv", "share", "b.png"}},
        {"/data/disc/Illust/c.bmp", true, {"c.bmp"}},
    };
    for (const Row& r : rows)
        EXPECT_EQ(ImageCacheElementPath(r.File, r.Folder), r.Path) << r.File.toStdString();
}

TEST(ImageCachePath, ShortKeysAreStableValidNames) {
    const QString longName(60, u'x');
    const QString key = ImageCacheShortKey(longName);
    EXPECT_EQ(key, ImageCacheShortKey(longName));
    EXPECT_NE(key, ImageCacheShortKey(longName + u'y'));
    EXPECT_NE(ImageCacheShortKey("a.jpg"), ImageCacheShortKey("A.jpg"));
    EXPECT_TRUE(IsValidElementName(key));
    EXPECT_EQ(key.size(), 17);
}

TEST_F(ImageCache, ItemStreamLayoutAndEmptyEntry) {
    const QString image = Image("a.jpg");
    auto item = ItemFor(image, 8, 1);
    item->SetSize(0x89ABCDEF);
    item->SetTime(0x0123456789ABCDEFLL);
    TMemoryStream stream;
    item->WriteTo(stream);
    const QByteArray bytes = stream.Bytes();
    ASSERT_GT(bytes.size(), 17);
    EXPECT_EQ(bytes.left(16), QByteArray::fromHex("00000000efcdab89efcdab8967452301"));

    stream.SetPosition(0);
    TImageCacheItem back;
    back.ReadFrom(stream);
    EXPECT_EQ(back.Size(), 0x89ABCDEFu);
    EXPECT_EQ(back.Time(), 0x0123456789ABCDEFLL);
    EXPECT_EQ(back.Picture()->Width(), 8);

    // An empty-entry word of 1 empties the item and reads nothing more.
    TMemoryStream emptyEntry(QByteArray::fromHex("01000000") + QByteArray("garbage"));
    back.ReadFrom(emptyEntry);
    EXPECT_EQ(back.Size(), 0u);
    EXPECT_EQ(back.Time(), 0);
    EXPECT_TRUE(IsPictureEmpty(back.Picture()));
    EXPECT_EQ(emptyEntry.GetPosition(), 4);

    // A truncated entry raises and leaves no half-read size behind in a fresh item.
    TMemoryStream truncated(bytes.left(10));
    TImageCacheItem fresh;
    EXPECT_ANY_THROW(fresh.ReadFrom(truncated));
    EXPECT_EQ(fresh.Size(), 0u);
}

TEST_F(ImageCache, ValidityBySizeAndTime) {
    const QString image = Image("a.jpg", "12345");
    SetFileTime(image, 1700000000, 123456700);
    auto item = ItemFor(image, 4, 1);
    EXPECT_EQ(item->Size(), 5u);
    EXPECT_EQ(item->Time(), (1700000000LL + 11644473600LL) * 10000000LL + 1234567);
    EXPECT_TRUE(item->IsUpToDate(image));

    // Same size, newer time: stale.
    WriteFile(image, "54321");
    SetFileTime(image, 1700000100);
    EXPECT_FALSE(item->IsUpToDate(image));
    // Empty picture: never up to date.
    ASSERT_TRUE(item->SetFileInfo(image));
    EXPECT_FALSE(item->IsUpToDate(image));
    // Missing file.
    TImageCacheItem missing;
    EXPECT_FALSE(missing.SetFileInfo(Dir.filePath("none.jpg")));
    EXPECT_FALSE(item->IsUpToDate(Dir.filePath("none.jpg")));
}

// Add, hit, invalidate, prune, compact, reopen: the file passes olefile after every step.
TEST_F(ImageCache, StepsCheckedByAnIndependentReader) {
    if (!HaveOlefile())
        GTEST_SKIP() << "/usr/bin/python3 with olefile is not available";
    QStringList images;
    for (int i = 0; i < 30; ++i)
        images << Image(QStringLiteral("photos/sub%1/img%2.jpg").arg(i % 3).arg(i));

    TImageCacheStorage cache;
    cache.Open(CacheName, false);
    EXPECT_EQ(cache.Limit(), TImageCacheStorage::MaxLimit);
    // Add: 30 thumbnails of 200 x 200 noise, about 3.5 MiB.
    for (int i = 0; i < images.size(); ++i)
        ASSERT_TRUE(cache.WriteItem(images[i], *ItemFor(images[i], 200, i)));
    cache.Flush();
    QStringList entries = CheckedEntries(CacheName);
    ASSERT_EQ(entries.size(), 30);
    const QStringList expectedPath = ImageCacheElementPath(images[7]);
    EXPECT_TRUE(entries.filter(expectedPath.join(u'/') + u' ').size() == 1)
        << entries.join(u'\n').toStdString();
    const QString Picture0Class = TSafetyBitmap().GraphicClassName();
    for (const QString& e : entries)
        EXPECT_TRUE(e.section(u' ', 1, 1) == "0" && e.section(u' ', 4, 4) == Picture0Class)
            << e.toStdString();

    // Hit: reopened, every entry is there and up to date.
    cache.Open(CacheName, false);
    for (int i = 0; i < images.size(); ++i) {
        TImageCacheItem item;
        ASSERT_TRUE(cache.ReadItem(images[i], item)) << i;
        EXPECT_TRUE(item.IsUpToDate(images[i])) << i;
        EXPECT_EQ(item.Picture()->Width(), 200);
    }
    EXPECT_EQ(CheckedEntries(CacheName).size(), 30);

    // Invalidate: a touched file is stale, and its rewritten entry is fresh again.
    SetFileTime(images[3], 1600000000);
    {
        TImageCacheItem item;
        ASSERT_TRUE(cache.ReadItem(images[3], item));
        EXPECT_FALSE(item.IsUpToDate(images[3]));
        ASSERT_TRUE(cache.WriteItem(images[3], *ItemFor(images[3], 200, 99)));
        cache.Flush();
        TImageCacheItem again;
        ASSERT_TRUE(cache.ReadItem(images[3], again));
        EXPECT_TRUE(again.IsUpToDate(images[3]));
    }
    EXPECT_EQ(CheckedEntries(CacheName).size(), 30);

    // A limit far above the size (the largest there is) prunes nothing.
    cache.SetLimit(TImageCacheStorage::MaxLimit);
    EXPECT_EQ(CheckedEntries(CacheName).size(), 30);

    // Prune to 1 MiB, then compact through the "$" copy.
    const int64_t before = QFileInfo(CacheName).size();
    ASSERT_GT(before, 3 * 1048576);
    cache.SetLimit(1);
    const int64_t after = QFileInfo(CacheName).size();
    EXPECT_LE(after, 1048576);
    EXPECT_GE(before - after, before - 1048576);
    EXPECT_FALSE(QFileInfo::exists(CacheName + u'$'));
    entries = CheckedEntries(CacheName);
    EXPECT_GT(entries.size(), 0);
    EXPECT_LT(entries.size(), 10);
    // Full: no more writes at or above the limit.
    cache.SetLimit(0);
    EXPECT_FALSE(cache.WriteItem(images[0], *ItemFor(images[0], 10, 1)));
    EXPECT_TRUE(CheckedEntries(CacheName).isEmpty());

    // Reopen after compaction: an empty, writable cache (the limit is kept over reopening).
    cache.Close();
    cache.Open(CacheName, false);
    EXPECT_EQ(cache.Limit(), 0);
    cache.SetLimit(1);
    ASSERT_TRUE(cache.WriteItem(images[1], *ItemFor(images[1], 16, 2)));
    cache.Close();
    EXPECT_EQ(CheckedEntries(CacheName).size(), 1);
}

// Names a compound file cannot hold as they stand are cached under short keys; names that
// differ only in case stay apart.
TEST_F(ImageCache, EveryFileNameCanBeCached) {
    const QStringList names = {
        "a.jpg",
        "A.jpg",
        QString(40, u'n') + ".jpg",
        "why!.jpg",
        "colon:name.jpg",
        "Folder/x.jpg",
        "folder/x.jpg",
        QString(40, u'd') + "/inside.jpg",
        "~0123456789ABCDEF",
    };
    QStringList images;
    for (const QString& n : names)
        images << Image(n);
    {
        TImageCacheStorage cache;
        cache.Open(CacheName, false);
        for (int i = 0; i < images.size(); ++i)
            ASSERT_TRUE(cache.WriteItem(images[i], *ItemFor(images[i], 4 + i, i)))
                << names[i].toStdString();
    }
    TImageCacheStorage cache;
    cache.Open(CacheName, true);
    for (int i = 0; i < images.size(); ++i) {
        TImageCacheItem item;
        ASSERT_TRUE(cache.ReadItem(images[i], item)) << names[i].toStdString();
        EXPECT_EQ(item.Picture()->Width(), 4 + i) << names[i].toStdString();
    }
    TImageCacheItem none;
    EXPECT_FALSE(cache.ReadItem(Dir.filePath("b.jpg"), none));
    if (HaveOlefile()) {
        EXPECT_EQ(CheckedEntries(CacheName).size(), names.size());
    }
}

TEST_F(ImageCache, FolderCacheIsKeyedByBareNamesAndReadOnly) {
    const QString image = Image("disc/Illust/c.bmp");
    const QString preview = Dir.filePath("disc/Illust/Preview.ic");
    {
        TImageCacheStorage writer;
        writer.Open(preview, false, true);
        ASSERT_TRUE(writer.WriteItem(image, *ItemFor(image, 6, 1)));
    }
    TImageCacheStorage cache;
    cache.Open(preview, true, true);
    TImageCacheItem item;
    ASSERT_TRUE(cache.ReadItem("/elsewhere/c.bmp", item));
    EXPECT_EQ(item.Picture()->Width(), 6);
    EXPECT_FALSE(cache.WriteItem(image, item));
    cache.SetLimit(0); // read-only: nothing pruned
    cache.Close();
    cache.Open(preview, true, true);
    EXPECT_TRUE(cache.ReadItem(image, item));
    // A missing folder cache raises when opened read-only.
    EXPECT_THROW(cache.Open(Dir.filePath("none/Preview.ic"), true, true), EStorageError);
}

TEST_F(ImageCache, PruneCountsStreamBytesAndStopsAtZero) {
    auto file = TCompoundFile::Create(CacheName);
    auto root = file->Root();
    auto sub = root->CreateStorage("sub");
    for (const char* name : {"s1", "s2"})
        sub->CreateStream(name)->WriteBytes(QByteArray(100, 'x'));
    for (const char* name : {"r1", "r2"})
        root->CreateStream(name)->WriteBytes(QByteArray(100, 'x'));
    sub.reset();

    int64_t excess = 0;
    EXPECT_FALSE(PruneStorage(*root, excess));
    EXPECT_EQ(root->EnumElements().size(), 3u);

    // Exactly one stream's worth: the last listed stream of the sub-storage goes, nothing
    // more.
    excess = 100;
    EXPECT_FALSE(PruneStorage(*root, excess));
    EXPECT_EQ(excess, 0);
    EXPECT_EQ(root->OpenStorage("sub")->EnumElements().size(), 1u);
    EXPECT_EQ(root->EnumElements().size(), 3u);

    // More than the sub-storage holds: it is emptied and removed, then root streams go.
    excess = 150;
    EXPECT_FALSE(PruneStorage(*root, excess));
    EXPECT_EQ(root->ElementType("sub"), 0);
    EXPECT_EQ(root->EnumElements().size(), 1u);

    excess = 1000;
    EXPECT_TRUE(PruneStorage(*root, excess));
    EXPECT_TRUE(root->EnumElements().empty());
}

// A cache file cut short anywhere opens (rebuilt when needed), serves misses, takes new
// entries and ends as a valid file.
TEST_F(ImageCache, TruncatedCacheIsRebuiltNotFatal) {
    QStringList images;
    for (int i = 0; i < 6; ++i)
        images << Image(QStringLiteral("p%1/i%2.jpg").arg(i % 2).arg(i));
    {
        TImageCacheStorage cache;
        cache.Open(CacheName, false);
        for (int i = 0; i < images.size(); ++i)
            cache.WriteItem(images[i], *ItemFor(images[i], 40, i));
    }
    const QByteArray whole = ReadWholeFile(CacheName);
    std::mt19937 random(7);
    std::vector<qsizetype> cuts = {0, 1, 511, 512, 513, whole.size() - 1};
    for (int i = 0; i < 20; ++i)
        cuts.push_back(static_cast<qsizetype>(random() % whole.size()));
    for (qsizetype cut : cuts) {
        SCOPED_TRACE(cut);
        WriteFile(CacheName, whole.left(cut));
        TImageCacheStorage cache;
        ASSERT_NO_THROW(cache.Open(CacheName, false));
        for (const QString& image : images) {
            TImageCacheItem item;
            ASSERT_NO_THROW(cache.ReadItem(image, item));
        }
        ASSERT_NO_THROW(cache.WriteItem(images[0], *ItemFor(images[0], 12, 3)));
        ASSERT_NO_THROW(cache.Close());
        TImageCacheStorage reopened;
        ASSERT_NO_THROW(reopened.Open(CacheName, true));
        TImageCacheItem item;
        EXPECT_TRUE(reopened.ReadItem(images[0], item));
        if (HaveOlefile() && (cut % 5 == 0 || cut < 600)) {
            EXPECT_FALSE(CheckedEntries(CacheName).isEmpty());
        }
    }
}
