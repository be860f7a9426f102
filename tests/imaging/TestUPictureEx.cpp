#include "UPictureEx.h"

#include "PictureTestClasses.h"
#include "TestContainer.h"
#include "TestSupport.h"
#include "UGIFImage.h"
#include "UJPEG.h"
#include "UMetafile.h"
#include "UPNGImage.h"
#include "UPropStream.h"
#include "UResStream.h"
#include "USafetyBitmap.h"

#include <QCoreApplication>
#include <QDir>
#include <QTemporaryDir>
#include <QtEndian>
#include <gtest/gtest.h>

namespace {

std::unique_ptr<TPictureHolder> Holder() {
    auto h = std::make_unique<TPictureHolder>();
    h->SetName("Holder");
    return h;
}

QByteArray Written(TPictureHolder& Holder) {
    TMemoryStream s;
    WriteComponent(s, Holder);
    return s.Bytes();
}

std::unique_ptr<TPictureHolder> Read(const QByteArray& Stream) {
    TMemoryStream s(Stream);
    std::unique_ptr<TComponent> c = ReadComponent(s);
    return std::unique_ptr<TPictureHolder>(static_cast<TPictureHolder*>(c.release()));
}

// Picture data of ClassName holding Data in the counted form.
QByteArray PictureData(const QByteArray& ClassName, const QByteArray& Data) {
    TMemoryStream s;
    s.WriteValue<uint8_t>(static_cast<uint8_t>(ClassName.size()));
    s.WriteBytes(ClassName);
    WriteCountedData(s, Data);
    return s.Bytes();
}

// A property stream of a holder whose "Picture.Data" holds Data.
QByteArray StreamWithData(const QByteArray& Data) {
    auto h = Holder();
    ForceSafetyBitmap(*h->Picture()).SetSize(1, 1);
    const QByteArray stream = Written(*h);
    const QByteArray name = "\x0cPicture.Data\x0a";
    const qsizetype at = stream.indexOf(name);
    EXPECT_GE(at, 0);
    const qsizetype lengthAt = at + name.size();
    const qint32 old = qFromLittleEndian<qint32>(stream.constData() + lengthAt);
    QByteArray length(4, '\0');
    qToLittleEndian<qint32>(static_cast<qint32>(Data.size()), length.data());
    return stream.left(lengthAt) + length + Data + stream.mid(lengthAt + 4 + old);
}

std::unique_ptr<TGraphic> LoadGraphic(std::unique_ptr<TGraphic> G, const QString& Fixture) {
    TMemoryStream s(ReadTestData("pictures/" + Fixture));
    G->LoadFromStream(s);
    return G;
}

QByteArray DataOf(const TGraphic* G) {
    TMemoryStream s;
    if (G)
        G->WriteData(s);
    return s.Bytes();
}

// Counts what a picture announces: OnChange calls and MsgIdChanged broadcasts.
struct TChangeCounter {
    explicit TChangeCounter(TPictureEx& Picture)
        : Listener([this](IInterface*, const TGUID& Id) { Broadcasts += Id == MsgIdChanged; }) {
        Picture.OnChange = [this](TPictureEx*) { ++Events; };
        QueryObjectInterface<IBroadcaster>(&Picture)->AddListener(&Listener);
    }
    void Reset() { Events = Broadcasts = 0; }
    int Events = 0;
    int Broadcasts = 0;
    TListener Listener;
};

} // namespace

TEST(PictureEx, DataRoundTripThroughPropertyStreamsForEveryClass) {
    auto metafile = std::make_unique<TMetafile>();
    metafile->SetSize(4, 3);
    {
        TMetafileCanvas c(*metafile);
        c.Rectangle(Rect(0, 0, 4, 3));
    }
    std::vector<std::unique_ptr<TGraphic>> graphics;
    graphics.push_back(LoadGraphic(std::make_unique<TSafetyBitmap>(), "indexed.cbm"));
    graphics.push_back(LoadGraphic(std::make_unique<TSafetyJPEGImage>(), "photo.jpg"));
    graphics.push_back(LoadGraphic(std::make_unique<TJPEGImage>(), "photo.jpg"));
    graphics.push_back(LoadGraphic(std::make_unique<TPNGImage>(), "rgba.png"));
    graphics.push_back(LoadGraphic(std::make_unique<TGIFImage>(), "gif-transparent.gif"));
    graphics.push_back(LoadGraphic(std::make_unique<TMetafile>(), "two-by-one.emf"));
    graphics.push_back(std::move(metafile));
    for (const auto& g : graphics) {
        auto h = Holder();
        h->Picture()->SetGraphic(g.get());
        h->Picture()->SetImageID("image-7");
        h->Picture()->SetStorageID("12");
        const auto back = Read(Written(*h));
        const TGraphic* r = back->Picture()->Graphic();
        ASSERT_NE(r, nullptr) << g->GraphicClassName().toStdString();
        EXPECT_EQ(r->GraphicClassName(), g->GraphicClassName());
        EXPECT_EQ(DataOf(r), DataOf(g.get())) << g->GraphicClassName().toStdString();
        EXPECT_EQ(back->Picture()->ImageID(), "image-7");
        EXPECT_EQ(back->Picture()->StorageID(), "12");
    }
    // A picture without graphic writes no "Data" and reads back empty.
    auto empty = Holder();
    EXPECT_FALSE(Written(*empty).contains("Picture.Data"));
    EXPECT_EQ(Read(Written(*empty))->Picture()->Graphic(), nullptr);
}

TEST(PictureEx, StoredClassNamesAndCompressedBitmapsRead) {
    const QByteArray cbm = ReadTestData("pictures/indexed.cbm");
    const QImage expected = FixtureImage("indexed.png");
    TMemoryStream bmp;
    LoadGraphic(std::make_unique<TSafetyBitmap>(), "indexed.cbm")->SaveToStream(bmp);
    const struct {
        const char* What;
        QByteArray Data;
        const char* Class;
    } rows[] = {
        {"class library bitmap", PictureData("TBitmap", bmp.Bytes()), "TSafetyBitmap"},
        {"compressed bitmap data", PictureData("TSafetyBitmap", cbm), "TSafetyBitmap"},
        {"class library JPEG", PictureData("TJPEGImage", ReadTestData("pictures/photo.jpg")),
         "TJPEGImage"},
        {"PNG without count", QByteArray("\x09TPNGImage") + ReadTestData("pictures/rgba.png"),
         "TPNGImage"},
    };
    for (const auto& r : rows) {
        const auto h = Read(StreamWithData(r.Data));
        const TGraphic* g = h->Picture()->Graphic();
        ASSERT_NE(g, nullptr) << r.What;
        EXPECT_EQ(g->GraphicClassName(), r.Class) << r.What;
        if (const auto* b = dynamic_cast<const TSafetyBitmap*>(g))
            EXPECT_EQ(MaxChannelDifference(b->Bitmap().ToQImage(), expected), 0) << r.What;
    }
    // An empty class name is an empty picture.
    EXPECT_EQ(Read(StreamWithData(QByteArray(1, '\0')))->Picture()->Graphic(), nullptr);
}

TEST(PictureEx, DamagedDataInPropertyStreamsRaises) {
    const QByteArray good = PictureData("TSafetyBitmap", ReadTestData("pictures/indexed.cbm"));
    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"unknown class", PictureData("TNoSuchGraphic", "abc")},
        {"cut", good.left(good.size() - 5)},
        {"bad JPEG", PictureData("TJPEGImage", "\xFF\xD8\xFF\xE0 not really")},
        {"bad GIF", PictureData("TGIFImage", "GIF89a")},
    };
    for (const auto& r : rows)
        EXPECT_THROW(Read(StreamWithData(r.Data)), EStreamError) << r.What;
    for (unsigned seed = 1; seed <= 150; ++seed) {
        try {
            Read(StreamWithData(Fuzzed(good, seed, 1 + int(seed % 4))));
        } catch (const EStreamError&) {
        }
    }
}

TEST(PictureEx, BinaryPropertyOnItsOwn) {
    TPictureEx picture;
    TMemoryStream none;
    SaveBinaryProperty(picture, none);
    EXPECT_EQ(none.Bytes(), QByteArray(1, '\0'));

    picture.LoadFromFile(TestDataPath("pictures/photo.jpg"));
    picture.SetStreamDataSuppressed(true);
    TMemoryStream s;
    picture.SaveToStream(s);
    EXPECT_TRUE(picture.StreamDataSuppressed()); // put back
    EXPECT_EQ(s.Bytes(), PictureData("TSafetyJPEGImage", ReadTestData("pictures/photo.jpg")));

    TPictureEx copy;
    s.SetPosition(0);
    LoadBinaryProperty(copy, s);
    EXPECT_EQ(copy.Width(), 48);
    TMemoryStream empty(QByteArray(1, '\0'));
    copy.LoadFromStream(empty);
    EXPECT_EQ(copy.Graphic(), nullptr);

    TComponent plain;
    TMemoryStream x;
    EXPECT_THROW(SaveBinaryProperty(plain, x), EFilerError);
}

TEST(PictureEx, ResourcePicturesAreNotStreamed) {
    auto h = Holder();
    TResourceImageLoader& loader = *h->Loader();
    loader.SetReady(true);
    loader.SetResType("CBM");
    loader.SetResName("indexed");
    EXPECT_EQ(h->Picture()->Width(), 21);
    EXPECT_TRUE(h->Picture()->StreamDataSuppressed());
    const QByteArray stream = Written(*h);
    EXPECT_FALSE(stream.contains("Picture.Data"));
    // Reading the holder loads the resource again.
    const auto back = Read(stream);
    EXPECT_EQ(back->Picture()->Width(), 21);
    EXPECT_TRUE(back->Picture()->StreamDataSuppressed());

    // Clearing the resource name keeps the picture, which is now written.
    loader.SetResName("");
    EXPECT_FALSE(h->Picture()->StreamDataSuppressed());
    EXPECT_TRUE(Written(*h).contains("Picture.Data"));
    EXPECT_EQ(Read(Written(*h))->Picture()->Width(), 21);
}

TEST(PictureEx, ResourceTypesAndFiles) {
    TPictureEx picture;
    TResourceImageLoader loader(&picture);
    loader.SetResType("JPEG");
    loader.SetResName("photo");
    loader.Load();
    EXPECT_EQ(picture.Graphic()->GraphicClassName(), "TSafetyJPEGImage");
    loader.SetResType("metafile");
    loader.SetResName("FRAME");
    loader.Load();
    EXPECT_EQ(picture.Graphic()->GraphicClassName(), "TMetafile");

    // A resource file beside the program: RT_BITMAP holds a DIB without file header.
    TMemoryStream bmp;
    LoadGraphic(std::make_unique<TSafetyBitmap>(), "indexed.cbm")->SaveToStream(bmp);
    QTemporaryDir dir;
    const QString res = dir.filePath("Pictures.RES");
    WriteFileAtomic(res, ResEntry("#0", "#0", {}) + ResEntry("#2", "DIB", bmp.Bytes().mid(14)) +
                             ResEntry("CBM", "PACKED", ReadTestData("pictures/indexed.cbm")) +
                             ResEntry("#3", "ICON", "icon bits"));
    loader.SetResFile(QDir(QCoreApplication::applicationDirPath()).relativeFilePath(res));
    for (const char* type : {"RT_BITMAP", "CBM"}) {
        TPictureEx target;
        TResourceImageLoader l(&target);
        l.Assign(&loader);
        l.SetResType(type);
        l.SetResName(QByteArray(type) == "CBM" ? "packed" : "dib");
        l.Load();
        ASSERT_NE(dynamic_cast<TSafetyBitmap*>(target.Graphic()), nullptr) << type;
        EXPECT_EQ(
            MaxChannelDifference(static_cast<TSafetyBitmap*>(target.Graphic())->Bitmap().ToQImage(),
                                 FixtureImage("indexed.png")),
            0)
            << type;
        EXPECT_TRUE(target.StreamDataSuppressed());
    }
    // An icon resource that is no image is refused with a message, and the picture stays
    // as it was; the load event can still take it.
    TPictureEx other;
    TResourceImageLoader icon(&other);
    icon.Assign(&loader);
    icon.SetResType("RT_ICON");
    icon.SetResName("ICON");
    EXPECT_THROW(icon.Load(), EInvalidGraphic);
    EXPECT_EQ(other.Graphic(), nullptr);
    EXPECT_FALSE(other.StreamDataSuppressed());
    QByteArray seen;
    icon.OnLoad = [&](TStream& S, bool& Loaded) {
        seen = S.ReadBytes(S.Remaining());
        Loaded = true;
    };
    icon.Load();
    EXPECT_EQ(seen, "icon bits");
    EXPECT_TRUE(other.StreamDataSuppressed());

    // A real icon (its bitmap header gives twice the height: the image, then its mask).
    {
        TPictureEx target;
        TResourceImageLoader l(&target);
        l.Assign(&loader);
        l.SetResType("RT_ICON");
        l.SetResName("REAL");
        QByteArray dib = bmp.Bytes().mid(14);
        const qint32 height = qFromLittleEndian<qint32>(dib.constData() + 8);
        const qint32 width = qFromLittleEndian<qint32>(dib.constData() + 4);
        qToLittleEndian<qint32>(height * 2, dib.data() + 8);
        dib += QByteArray((width + 31) / 32 * 4 * height, '\0');
        const QString iconRes = dir.filePath("Icons.RES");
        WriteFileAtomic(iconRes, ResEntry("#0", "#0", {}) + ResEntry("#3", "REAL", dib));
        l.SetResFile(QDir(QCoreApplication::applicationDirPath()).relativeFilePath(iconRes));
        l.Load();
        ASSERT_NE(dynamic_cast<TSafetyBitmap*>(target.Graphic()), nullptr);
        EXPECT_EQ(
            MaxChannelDifference(static_cast<TSafetyBitmap*>(target.Graphic())->Bitmap().ToQImage(),
                                 FixtureImage("indexed.png")),
            0);
    }

    // A damaged resource leaves the picture it was to replace as it was.
    {
        TPictureEx kept;
        kept.LoadFromFile(TestDataPath("pictures/photo.png"));
        const QString damagedRes = dir.filePath("Damaged.RES");
        QByteArray jpeg = ReadTestData("pictures/photo.jpg");
        jpeg.truncate(jpeg.size() / 2);
        WriteFileAtomic(damagedRes, ResEntry("#0", "#0", {}) + ResEntry("JPEG", "BROKEN", jpeg) +
                                        ResEntry("CBM", "BROKEN", QByteArray("BM broken")));
        for (const char* type : {"JPEG", "CBM"}) {
            TResourceImageLoader l(&kept);
            l.SetResFile(QDir(QCoreApplication::applicationDirPath()).relativeFilePath(damagedRes));
            l.SetResType(type);
            l.SetResName("BROKEN");
            EXPECT_ANY_THROW(l.Load()) << type;
            ASSERT_NE(kept.Graphic(), nullptr) << type;
            EXPECT_EQ(kept.Graphic()->GraphicClassName(), "TPNGImage") << type;
        }
        // Also when the picture already holds a graphic of the type being loaded.
        TPictureEx jpegKept;
        jpegKept.LoadFromFile(TestDataPath("pictures/photo.jpg"));
        const int width = jpegKept.Width();
        TResourceImageLoader l(&jpegKept);
        l.SetResFile(QDir(QCoreApplication::applicationDirPath()).relativeFilePath(damagedRes));
        l.SetResType("JPEG");
        l.SetResName("BROKEN");
        EXPECT_THROW(l.Load(), EInvalidGraphic);
        EXPECT_EQ(jpegKept.Width(), width);
        EXPECT_FALSE(static_cast<TSafetyJPEGImage*>(jpegKept.Graphic())->Empty());
    }

    // A missing resource changes nothing.
    TPictureEx kept;
    kept.LoadFromFile(TestDataPath("pictures/photo.png"));
    TResourceImageLoader missing(&kept);
    missing.SetResType("JPEG");
    missing.SetResName("NOPE");
    EXPECT_THROW(missing.Load(), EResNotFound);
    EXPECT_EQ(kept.Graphic()->GraphicClassName(), "TPNGImage");
}

TEST(PictureEx, ChangesAreAnnouncedOnce) {
    TPictureEx picture;
    TChangeCounter count(picture);
    const auto step = [&](const char* What, const std::function<void()>& Change) {
        count.Reset();
        picture.SetModified(false);
        Change();
        EXPECT_EQ(count.Events, 1) << What;
        EXPECT_EQ(count.Broadcasts, 1) << What;
        EXPECT_TRUE(picture.Modified()) << What;
    };
    step("load file", [&] { picture.LoadFromFile(TestDataPath("pictures/indexed.cbm")); });
    step("graphic change", [&] { picture.Graphic()->SetTransparent(true); });
    TPictureEx other;
    other.LoadFromFile(TestDataPath("pictures/photo.jpg"));
    step("assign picture", [&] { picture.Assign(&other); });
    step("assign graphic", [&] { picture.Assign(other.Graphic()); });
    step("set graphic", [&] { picture.SetGraphic(std::make_unique<TPNGImage>()); });
    TMemoryStream data;
    other.SaveToStream(data);
    step("load stream", [&] {
        data.SetPosition(0);
        picture.LoadFromStream(data);
    });
    step("clear", [&] { picture.Assign(nullptr); });

    // Bundled in an update: one broadcast at the end.
    count.Reset();
    auto* notify = QueryObjectInterface<IChangeNotify>(&picture);
    ASSERT_NE(notify, nullptr);
    notify->BeginUpdate();
    picture.LoadFromFile(TestDataPath("pictures/photo.png"));
    picture.Graphic()->SetTransparent(false);
    EXPECT_EQ(count.Broadcasts, 0);
    notify->EndUpdate();
    EXPECT_EQ(count.Broadcasts, 1);

    // While loading, changes are announced but do not mark the picture modified.
    picture.SetModified(false);
    picture.SetLoading(true);
    picture.LoadFromFile(TestDataPath("pictures/photo.jpg"));
    EXPECT_FALSE(picture.Modified());
    picture.SetLoading(false);

    // Forcing a graphic class announces nothing.
    count.Reset();
    ForceSafetyBitmap(picture);
    ForceSafetyJPEGImage(picture);
    EXPECT_EQ(count.Events + count.Broadcasts, 0);

    // Both without graphic: assigning changes nothing.
    TPictureEx a, b;
    TChangeCounter countA(a);
    b.SetImageID("b");
    a.Assign(&b);
    EXPECT_EQ(countA.Events, 0);
    EXPECT_EQ(a.ImageID(), "b");
}

TEST(PictureEx, AssignKeepsTheBitmapGraphicAndCopiesTheState) {
    TPictureEx a, b;
    a.LoadFromFile(TestDataPath("pictures/indexed.cbm"));
    b.LoadFromFile(TestDataPath("pictures/photo.png"));
    ForceSafetyBitmap(b);
    const TGraphic* kept = b.Graphic();
    a.SetImageID("I");
    a.SetStorageID("7");
    a.SetStoragePath("/docs/a.vtm");
    a.SetInStorage(true);
    b.Assign(&a);
    EXPECT_EQ(b.Graphic(), kept);
    EXPECT_TRUE(static_cast<const TSafetyBitmap*>(kept)->Equals(a.Graphic()));
    EXPECT_EQ(b.ImageID(), "I");
    EXPECT_EQ(b.StorageID(), "7");
    EXPECT_EQ(b.StoragePath(), "/docs/a.vtm");
    EXPECT_TRUE(b.InStorage());

    // JPEG images are always made anew.
    TPictureEx j1, j2;
    j1.LoadFromFile(TestDataPath("pictures/photo.jpg"));
    j2.LoadFromFile(TestDataPath("pictures/large.jpg"));
    const TGraphic* old = j2.Graphic();
    j2.Assign(&j1);
    EXPECT_NE(j2.Graphic(), old);
    EXPECT_EQ(j2.Width(), 48);

    // A graphic takes the picture's graphic; anything else cannot be assigned.
    TSafetyBitmap bitmap;
    bitmap.Assign(&a);
    EXPECT_EQ(bitmap.Width(), 21);
    TComponent plain;
    EXPECT_THROW(a.Assign(&plain), EConvertError);
}

TEST(PictureEx, LoadsFilesByExtension) {
    const struct {
        const char* File;
        const char* Class;
        int Width;
    } rows[] = {
        {"indexed.cbm", "TSafetyBitmap", 21}, {"photo.jpg", "TSafetyJPEGImage", 48},
        {"rgba.png", "TPNGImage", 19},        {"gif-opaque.gif", "TGIFImage", 21},
        {"two-by-one.emf", "TMetafile", 0},
    };
    for (const auto& r : rows) {
        TPictureEx p;
        p.LoadFromFile(TestDataPath(QStringLiteral("pictures/") + r.File));
        EXPECT_EQ(p.Graphic()->GraphicClassName(), r.Class) << r.File;
        if (r.Width)
            EXPECT_EQ(p.Width(), r.Width) << r.File;
    }
    TPictureEx p;
    p.LoadFromFile(TestDataPath("pictures/photo.png"));
    EXPECT_THROW(p.LoadFromFile(TestDataPath("pictures/make_fixtures.py")), EInvalidGraphic);
    QTemporaryDir dir;
    const QString fake = dir.filePath("fake.jpg");
    WriteFileAtomic(fake, "not a JPEG");
    EXPECT_THROW(p.LoadFromFile(fake), EInvalidGraphic);
    EXPECT_EQ(p.Graphic()->GraphicClassName(), "TPNGImage");
    const QString out = dir.filePath("out.png");
    p.SaveToFile(out);
    EXPECT_EQ(ReadWholeFile(out), ReadTestData("pictures/photo.png"));
}

TEST(PictureEx, PastesFromClipboardData) {
    TMemoryStream bmp;
    LoadGraphic(std::make_unique<TSafetyBitmap>(), "indexed.cbm")->SaveToStream(bmp);
    const QByteArray emf = ReadTestData("pictures/two-by-one.emf");
    {
        QMimeData data;
        data.setData("text/plain", "words");
        data.setData("image/bmp", bmp.Bytes().mid(14)); // a packed DIB
        TPictureEx p;
        p.AssignClipboard(data);
        EXPECT_EQ(p.Graphic()->GraphicClassName(), "TSafetyBitmap");
        EXPECT_EQ(p.Width(), 21);
    }
    {
        QMimeData data;
        data.setData("image/x-emf", emf);
        data.setData("image/bmp", bmp.Bytes());
        TPictureEx p;
        p.AssignClipboard(data);
        EXPECT_EQ(p.Graphic()->GraphicClassName(), "TMetafile"); // the clipboard's order
    }
    {
        QMimeData data;
        data.setImageData(FixtureImage("rgba.png"));
        TPictureEx p;
        p.AssignClipboard(data);
        EXPECT_EQ(p.Graphic()->GraphicClassName(), "TSafetyBitmap");
        EXPECT_EQ(p.Width(), 19);
    }
    QMimeData text;
    text.setText("no picture");
    TPictureEx p;
    EXPECT_THROW(p.AssignClipboard(text), EConvertError);
    QMimeData broken;
    broken.setData("image/bmp", "BM broken");
    EXPECT_THROW(p.AssignClipboard(broken), EInvalidGraphic);
}
