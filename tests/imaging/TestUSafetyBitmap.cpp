#include "USafetyBitmap.h"

#include "PictureTestClasses.h"
#include "TestContainer.h"
#include "TestImageCompare.h"
#include "TestSupport.h"
#include "UDIB.h"
#include "UMetafile.h"

#include <QtEndian>
#include <gtest/gtest.h>
#include <thread>

namespace {

TBitmap FixtureBitmap(const QString& Name) {
    return TBitmap::FromQImage(FixtureImage(Name), pf24bit);
}

std::unique_ptr<TSafetyBitmap> LoadBitmap(const QByteArray& Data) {
    auto b = std::make_unique<TSafetyBitmap>();
    TMemoryStream s(Data);
    b->LoadFromStream(s);
    return b;
}

// The sprite of the masked-draw fixture with magenta as its transparent colour.
std::unique_ptr<TSafetyBitmap> Sprite() {
    auto sprite = std::make_unique<TSafetyBitmap>(FixtureBitmap("sprite.png"));
    sprite->SetTransparentColor(RGB(255, 0, 255));
    sprite->SetTransparent(true);
    return sprite;
}

} // namespace

TEST(SafetyBitmap, CompressedBitmapsLoadOnAnyThread) {
    const QByteArray cbm = ReadTestData("pictures/indexed.cbm");
    const QImage expected = FixtureImage("indexed.png");
    const auto main = LoadBitmap(cbm);
    EXPECT_EQ(MaxChannelDifference(main->Bitmap().ToQImage(), expected), 0);
    QImage fromWorker;
    std::thread worker([&] { fromWorker = LoadBitmap(cbm)->Bitmap().ToQImage(); });
    worker.join();
    EXPECT_EQ(MaxChannelDifference(fromWorker, expected), 0);
}

TEST(SafetyBitmap, ContainerPositionAndBackToBackBitmaps) {
    // Two containers back to back: each read leaves the stream after its own container.
    const QByteArray cbm = ReadTestData("pictures/indexed.cbm");
    TMemoryStream s(cbm + cbm + QByteArray("END"));
    TDIB first, second;
    first.LoadFromStream(s);
    second.LoadFromStream(s);
    EXPECT_EQ(first.Width(), 21);
    EXPECT_EQ(second.Width(), 21);
    EXPECT_EQ(s.ReadBytes(3), "END");
}

TEST(SafetyBitmap, DamagedCompressedBitmapsRaise) {
    const QByteArray cbm = ReadTestData("pictures/indexed.cbm");
    TMemoryStream bmpFile;
    LoadBitmap(cbm)->SaveToStream(bmpFile);
    const QByteArray bmp = bmpFile.Bytes();
    QByteArray wrongSize = cbm;
    qToLittleEndian<qint32>(0x7FFFFFF0, wrongSize.data() + 13);
    QByteArray negative = cbm;
    qToLittleEndian<qint32>(-5, negative.data() + 13);
    QByteArray hugeBmp = bmp;
    qToLittleEndian<qint32>(30000, hugeBmp.data() + 18);
    qToLittleEndian<qint32>(30000, hugeBmp.data() + 22);
    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"header only", cbm.left(17)},
        {"cut", cbm.left(cbm.size() - 10)},
        {"corrupt stream", cbm.left(17) + QByteArray(40, '\x55')},
        {"size larger than the data", wrongSize},
        {"negative size", negative},
        {"not a bitmap inside", MakeContainer("GIF89a: not a bitmap file at all")},
        {"bitmap cut inside", MakeContainer(bmp.left(bmp.size() - 9))},
        {"huge bitmap inside", MakeContainer(hugeBmp)},
        {"nested container", MakeContainer(cbm)},
    };
    for (const auto& r : rows) {
        TSafetyBitmap b;
        TMemoryStream s(r.Data);
        EXPECT_THROW(b.LoadFromStream(s), EInvalidGraphic) << r.What;
        EXPECT_TRUE(b.Empty()) << r.What;
    }
    for (unsigned seed = 1; seed <= 200; ++seed) {
        TSafetyBitmap b;
        TMemoryStream s(Fuzzed(cbm, seed, 1 + int(seed % 4)));
        try {
            b.LoadFromStream(s);
        } catch (const EInvalidGraphic&) {
        }
    }
}

TEST(SafetyBitmap, PackedDIBFromTheClipboard) {
    TMemoryStream file;
    LoadBitmap(ReadTestData("pictures/indexed.cbm"))->SaveToStream(file);
    const QByteArray packed = file.Bytes().mid(14);
    for (const QByteArray& block : {packed, file.Bytes()}) {
        TSafetyBitmap b;
        b.LoadFromClipboardFormat(CF_DIB, block);
        EXPECT_EQ(MaxChannelDifference(b.Bitmap().ToQImage(), FixtureImage("indexed.png")), 0);
    }
    TSafetyBitmap b;
    EXPECT_THROW(b.LoadFromClipboardFormat(CF_DIB, packed.left(30)), EInvalidGraphic);
    EXPECT_THROW(b.LoadFromClipboardFormat(CF_ENHMETAFILE, packed), EInvalidGraphic);
}

TEST(SafetyBitmap, TransparentDrawMatchesGolden) {
    for (const bool automatic : {false, true}) {
        const auto owner = Sprite();
        TSafetyBitmap& sprite = *owner;
        // Automatic mode takes the bottom-left pixel, which is magenta too.
        if (automatic)
            sprite.SetTransparentMode(tmAuto);
        TBitmap target = FixtureBitmap("backdrop.png");
        TCanvas& canvas = target.Canvas();
        canvas.SetBkColor(clRed);
        canvas.SetTextColor(clBlue);
        canvas.SetCopyMode(SRCINVERT);
        sprite.Draw(canvas, Rect(5, 4, 25, 20));
        TestImages::ExpectMatchesGolden(target.ToQImage(), "pictures/masked-draw.png");
        // The canvas is as it was.
        EXPECT_EQ(canvas.GetBkColor(), clRed);
        EXPECT_EQ(canvas.GetTextColor(), clBlue);
        EXPECT_EQ(canvas.CopyMode(), SRCINVERT);
    }
}

TEST(SafetyBitmap, ExplicitMaskHoldsUntilTheNextChange) {
    const auto owner = Sprite();
    TSafetyBitmap& sprite = *owner;
    TBitmap mask;
    sprite.GetMask(mask);
    EXPECT_EQ(mask.PixelFormat(), pf1bit);
    EXPECT_EQ(mask.GetPixel(0, 0), clWhite); // magenta corner: transparent
    EXPECT_EQ(mask.GetPixel(5, 4), clBlack);

    TBitmap none(10, 8, pf1bit);
    none.Fill(clBlack);
    sprite.SetMask(none);
    TBitmap target(10, 8, pf24bit);
    target.Fill(clWhite);
    sprite.Draw(target.Canvas(), Rect(0, 0, 10, 8));
    EXPECT_EQ(target.GetPixel(0, 0), RGB(255, 0, 255)); // drawn: the mask says opaque

    sprite.Changed();
    target.Fill(clWhite);
    sprite.Draw(target.Canvas(), Rect(0, 0, 10, 8));
    EXPECT_EQ(target.GetPixel(0, 0), clWhite); // the colour mask is back
}

TEST(SafetyBitmap, EveryChangeIsAnnouncedOnce) {
    TSafetyBitmap b(TBitmap(4, 4, pf24bit));
    int changes = 0;
    b.OnChange = [&](TGraphic*) { ++changes; };
    const auto step = [&](const char* What, const std::function<void()>& Change, int Expected) {
        changes = 0;
        Change();
        EXPECT_EQ(changes, Expected) << What;
    };
    step(
        "transparent", [&] { b.SetTransparent(true); }, 1);
    step(
        "transparent again", [&] { b.SetTransparent(true); }, 0);
    step(
        "colour", [&] { b.SetTransparentColor(clRed); }, 1);
    step(
        "same colour", [&] { b.SetTransparentColor(clRed); }, 0);
    step(
        "mode", [&] { b.SetTransparentMode(tmAuto); }, 1);
    step(
        "size", [&] { b.SetSize(6, 5); }, 1);
    step(
        "same size", [&] { b.SetSize(6, 5); }, 0);
    step(
        "format", [&] { b.SetPixelFormat(pf8bit); }, 1);
    const TSafetyBitmap other(TBitmap(2, 2, pf24bit));
    step(
        "assign", [&] { b.Assign(&other); }, 1);
    step(
        "assign self", [&] { b.Assign(&b); }, 0);
    step(
        "load",
        [&] {
            TMemoryStream s(ReadTestData("pictures/indexed.cbm"));
            b.LoadFromStream(s);
        },
        1);
    step(
        "assign nothing", [&] { b.Assign(nullptr); }, 1);
    EXPECT_TRUE(b.Empty());
    step(
        "draw",
        [&] {
            TBitmap t(3, 3, pf24bit);
            other.Draw(t.Canvas(), Rect(0, 0, 3, 3));
        },
        0);
}

TEST(SafetyBitmap, AssignSharesPixelsAndMask) {
    const auto owner = Sprite();
    TSafetyBitmap& sprite = *owner;
    TBitmap mask;
    sprite.GetMask(mask);
    TSafetyBitmap copy;
    copy.Assign(&sprite);
    EXPECT_TRUE(copy.Bitmap().SharesImageWith(sprite.Bitmap()));
    EXPECT_TRUE(copy.Equals(&sprite));
    EXPECT_TRUE(copy.Transparent());
    EXPECT_EQ(copy.TransparentColor(), RGB(255, 0, 255));
    EXPECT_TRUE(copy.MaskedImage().Mask().SharesImageWith(sprite.MaskedImage().Mask()));

    // A bitmap already sharing the pixels takes only the transparency settings.
    TSafetyBitmap same(sprite.Bitmap());
    same.SetTransparent(false);
    same.Assign(&sprite);
    EXPECT_TRUE(same.Transparent());
    EXPECT_TRUE(same.Bitmap().SharesImageWith(sprite.Bitmap()));

    // Writing to one detaches it: no longer equal.
    copy.Bitmap().SetPixel(0, 0, clBlack);
    copy.Changed();
    EXPECT_FALSE(copy.Equals(&sprite));
    // Another class is never equal.
    TMetafile m;
    EXPECT_FALSE(copy.Equals(&m));
}

TEST(SafetyBitmap, TakesAMetafileDrawnOnWhite) {
    TMetafile m;
    m.SetSize(8, 6);
    {
        TMetafileCanvas c(m);
        c.Brush().SetColor(clRed);
        c.Pen().SetStyle(psClear);
        c.FillRect(Rect(2, 1, 6, 4));
    }
    TSafetyBitmap b;
    b.Assign(&m);
    EXPECT_EQ(b.Width(), 8);
    EXPECT_EQ(b.PixelFormat(), pf24bit);
    EXPECT_EQ(b.Bitmap().GetPixel(0, 0), clWhite);
    EXPECT_EQ(b.Bitmap().GetPixel(3, 2), clRed);
    EXPECT_EQ(b.Bitmap().GetPixel(6, 4), clWhite);
}

TEST(SafetyBitmap, ListenersDrawingAtOnceSeeTheNewMask) {
    // A listener that redraws as soon as it is told must not get the mask of the old
    // transparent colour.
    TSafetyBitmap b(TBitmap(2, 1, pf24bit));
    b.Bitmap().SetPixel(0, 0, clRed);
    b.Bitmap().SetPixel(1, 0, clLime);
    b.SetTransparentColor(clRed);
    b.SetTransparent(true);
    TBitmap target(2, 1, pf24bit);
    const auto redraw = [&] {
        target.Fill(clBlue);
        b.Draw(target.Canvas(), Rect(0, 0, 2, 1));
    };
    redraw();
    EXPECT_EQ(target.GetPixel(0, 0), clBlue);
    b.OnChange = [&](TGraphic*) { redraw(); };
    b.SetTransparentColor(clLime);
    EXPECT_EQ(target.GetPixel(0, 0), clRed);
    EXPECT_EQ(target.GetPixel(1, 0), clBlue);

    // Assigning: the copied mask is in place when the listener draws.
    TSafetyBitmap source(TBitmap(2, 1, pf24bit));
    source.Bitmap().SetPixel(0, 0, clYellow);
    source.Bitmap().SetPixel(1, 0, clRed);
    source.SetTransparentColor(clRed);
    source.SetTransparent(true);
    b.Assign(&source);
    EXPECT_EQ(target.GetPixel(0, 0), clYellow);
    EXPECT_EQ(target.GetPixel(1, 0), clBlue);
}
