#include "UMetafile.h"

#include "PictureTestClasses.h"
#include "TestSupport.h"
#include "USafetyBitmap.h"
#include "UScaler.h"

#include <QtEndian>
#include <gtest/gtest.h>

namespace {

// The same drawing, on a canvas or recorded: tools, shapes, text, a clip and a bitmap.
template <class TAnyCanvas>
void DrawScene(TAnyCanvas& C) {
    C.Brush().SetColor(RGB(250, 240, 200));
    C.FillRect(Rect(0, 0, 60, 40));
    C.Pen().SetColor(clNavy);
    C.Pen().SetWidth(2);
    C.Brush().SetColor(clYellow);
    C.Rectangle(Rect(3, 3, 25, 18));
    C.Brush().SetStyle(bsDiagCross);
    C.Brush().SetColor(clGreen);
    C.Ellipse(Rect(28, 2, 57, 20));
    C.Pen().SetWidth(1);
    C.Pen().SetColor(clRed);
    C.Brush().SetStyle(bsSolid);
    C.Brush().SetColor(clAqua);
    C.Polygon(std::vector<TPoint>{{5, 38}, {15, 22}, {25, 38}});
    C.Polyline(std::vector<TPoint>{{30, 38}, {35, 25}, {40, 38}, {45, 25}});
    C.MoveTo(0, 21);
    C.LineTo(59, 21);
    C.Font().SetColor(clPurple);
    C.Font().SetHeight(-9);
    C.TextOut(47, 26, QStringLiteral("字A"));
    TBitmap tiny(3, 2, pf24bit);
    tiny.Fill(clBlue);
    tiny.SetPixel(1, 0, clWhite);
    C.StretchDraw(Rect(48, 36, 54, 40), tiny);
    C.IntersectClipRect(Rect(0, 0, 30, 40));
    C.Pen().SetColor(clBlack);
    C.MoveTo(0, 39);
    C.LineTo(59, 24);
}

void IntersectClipRect(TCanvas& C, const TRect& R) {
    C.IntersectClipRect(R.Left, R.Top, R.Right, R.Bottom);
}

// A canvas with the metafile-canvas spelling of the clip call.
struct TDirect {
    TCanvas& C;
    TPen& Pen() { return C.Pen(); }
    TBrush& Brush() { return C.Brush(); }
    TFont& Font() { return C.Font(); }
    void FillRect(const TRect& R) { C.FillRect(R); }
    void Rectangle(const TRect& R) { C.Rectangle(R); }
    void Ellipse(const TRect& R) { C.Ellipse(R); }
    void Polygon(const std::vector<TPoint>& P) { C.Polygon(P); }
    void Polyline(const std::vector<TPoint>& P) { C.Polyline(P); }
    void MoveTo(int X, int Y) { C.MoveTo(X, Y); }
    void LineTo(int X, int Y) { C.LineTo(X, Y); }
    void TextOut(int X, int Y, const QString& T) { C.TextOut(X, Y, T); }
    void StretchDraw(const TRect& R, const TBitmap& B) { C.StretchDraw(R, B); }
    void IntersectClipRect(const TRect& R) { ::IntersectClipRect(C, R); }
};

std::unique_ptr<TMetafile> RecordedScene() {
    auto m = std::make_unique<TMetafile>();
    m->SetSize(60, 40);
    TMetafileCanvas c(*m);
    DrawScene(c);
    return m;
}

QImage Direct(int Zoom) {
    TBitmap b(60 * Zoom, 40 * Zoom, pf24bit);
    b.Fill(clGray);
    TCanvas& c = b.Canvas();
    c.SetMapMode(MM_ANISOTROPIC);
    c.SetWindowExtEx(1, 1);
    c.SetViewportExtEx(Zoom, Zoom);
    TDirect d{c};
    DrawScene(d);
    return b.ToQImage();
}

QImage Played(const TGraphic& Graphic, int Zoom) {
    TBitmap b(60 * Zoom, 40 * Zoom, pf24bit);
    b.Fill(clGray);
    Graphic.Draw(b.Canvas(), Rect(0, 0, 60 * Zoom, 40 * Zoom));
    return b.ToQImage();
}

} // namespace

TEST(Metafile, PlaysBackWhatWasRecorded) {
    const auto m = RecordedScene();
    EXPECT_EQ(m->Kind(), mkRecorded);
    EXPECT_EQ(m->Width(), 60);
    EXPECT_GT(m->RecordCount(), 15);
    for (const int zoom : {1, 2}) {
        EXPECT_EQ(MaxChannelDifference(Played(*m, zoom), Direct(zoom)), 0) << zoom;
    }
}

TEST(Metafile, PlaybackLeavesTheCanvasAsItWas) {
    const auto m = RecordedScene();
    TBitmap b(60, 40, pf24bit);
    TCanvas& c = b.Canvas();
    c.Pen().SetColor(clLime);
    c.Brush().SetColor(clFuchsia);
    c.SetCopyMode(SRCAND);
    m->Draw(c, Rect(0, 0, 60, 40));
    EXPECT_EQ(c.Pen().Color(), clLime);
    EXPECT_EQ(c.Brush().Color(), clFuchsia);
    EXPECT_EQ(c.CopyMode(), SRCAND);
    EXPECT_EQ(c.GetMapMode(), MM_TEXT);
    EXPECT_FALSE(c.HasClipRgn());
}

TEST(Metafile, StoresAndReadsItsOwnForm) {
    const auto m = RecordedScene();
    TMemoryStream first;
    m->SaveToStream(first);
    EXPECT_TRUE(first.Bytes().startsWith("VMF1"));
    TMetafile loaded;
    first.SetPosition(0);
    loaded.LoadFromStream(first);
    EXPECT_EQ(MaxChannelDifference(Played(loaded, 1), Direct(1)), 0);
    TMemoryStream second;
    loaded.SaveToStream(second);
    EXPECT_EQ(second.Bytes(), first.Bytes());
}

TEST(Metafile, MetafilesDrawnIntoMetafilesBecomeGroups) {
    const auto inner = RecordedScene();
    TMetafile outer;
    outer.SetSize(120, 40);
    {
        TMetafileCanvas c(outer);
        c.Pen().SetColor(clRed);
        c.StretchDraw(Rect(0, 0, 60, 40), *inner);
        c.Draw(60, 0, *inner);
        c.MoveTo(0, 0); // the outer pen is back after the group
        c.LineTo(119, 0);
    }
    TBitmap played(120, 40, pf24bit), direct(120, 40, pf24bit);
    outer.Draw(played.Canvas(), Rect(0, 0, 120, 40));
    inner->Draw(direct.Canvas(), Rect(0, 0, 60, 40));
    inner->Draw(direct.Canvas(), Rect(60, 0, 120, 40));
    direct.Canvas().Pen().SetColor(clRed);
    direct.Canvas().MoveTo(0, 0);
    direct.Canvas().LineTo(119, 0);
    EXPECT_EQ(MaxChannelDifference(played.ToQImage(), direct.ToQImage()), 0);

    // Stored and read back, the groups play the same.
    TMemoryStream s;
    outer.SaveToStream(s);
    s.SetPosition(0);
    TMetafile loaded;
    loaded.LoadFromStream(s);
    TBitmap again(120, 40, pf24bit);
    loaded.Draw(again.Canvas(), Rect(0, 0, 120, 40));
    EXPECT_EQ(MaxChannelDifference(again.ToQImage(), direct.ToQImage()), 0);
}

TEST(Metafile, ForeignMetafilesKeepTheirBytesAndSize) {
    const int ppi = GetScreenPixelsPerInch();
    for (const char* name : {"two-by-one.emf", "two-by-one.wmf"}) {
        const QByteArray data = ReadTestData(QStringLiteral("pictures/") + name);
        TMetafile m;
        TMemoryStream in(data);
        m.LoadFromStream(in);
        EXPECT_EQ(m.Width(), 2 * ppi) << name;
        EXPECT_EQ(m.Height(), ppi) << name;
        TMemoryStream out;
        m.SaveToStream(out);
        EXPECT_EQ(out.Bytes(), data) << name;
        // Drawn as a grey frame with its diagonals.
        TBitmap b(20, 10, pf24bit);
        m.Draw(b.Canvas(), Rect(0, 0, 20, 10));
        EXPECT_EQ(b.GetPixel(0, 5), clGray) << name;
        EXPECT_EQ(b.GetPixel(19, 5), clGray) << name;
        EXPECT_EQ(b.GetPixel(10, 2), clWhite) << name;
    }
    TMetafile clip;
    clip.LoadFromClipboardFormat(CF_ENHMETAFILE, ReadTestData("pictures/two-by-one.emf"));
    EXPECT_EQ(clip.Kind(), mkEnhanced);
}

TEST(Metafile, DamagedFilesRaise) {
    const auto m = RecordedScene();
    TMemoryStream s;
    m->SaveToStream(s);
    const QByteArray good = s.Bytes();
    const QByteArray emf = ReadTestData("pictures/two-by-one.emf");
    const QByteArray wmf = ReadTestData("pictures/two-by-one.wmf");

    // Hand-made files: header, then records.
    const auto file = [](const QList<QByteArray>& Records, int Width = 10, int Height = 10) {
        TMemoryStream f;
        f.WriteBytes("VMF1");
        f.WriteValue<int32_t>(Width);
        f.WriteValue<int32_t>(Height);
        f.WriteValue<uint32_t>(static_cast<uint32_t>(Records.size()));
        for (const QByteArray& r : Records)
            f.WriteBytes(r);
        return f.Bytes();
    };
    const auto record = [](uint8_t Kind, const QByteArray& Payload) {
        TMemoryStream r;
        r.WriteValue<uint8_t>(Kind);
        r.WriteValue<uint32_t>(static_cast<uint32_t>(Payload.size()));
        r.WriteBytes(Payload);
        return r.Bytes();
    };
    QByteArray group;
    {
        TMemoryStream p;
        p.WriteValue<uint32_t>(3);
        for (const int v : {0, 0, 10, 10, 10, 10})
            p.WriteValue<int32_t>(v);
        group = record(14, p.Bytes());
    }
    const QByteArray endGroup = record(15, {});
    QList<QByteArray> deep;
    for (int i = 0; i < 70; ++i)
        deep << group;
    for (int i = 0; i < 70; ++i)
        deep << endGroup;
    QByteArray nestedMetafile;
    {
        TMemoryStream p;
        for (int i = 0; i < 4; ++i)
            p.WriteValue<int32_t>(0);
        p.WriteValue<uint8_t>(9);
        p.WriteBytes("TMetafile");
        WriteCountedData(p, good);
        nestedMetafile = record(13, p.Bytes());
    }
    QByteArray manyPoints;
    {
        TMemoryStream p;
        p.WriteValue<uint32_t>(0x40000000);
        manyPoints = record(6, p.Bytes());
    }
    QByteArray farAway;
    {
        TMemoryStream p;
        p.WriteValue<uint32_t>(1);
        p.WriteValue<int32_t>(1 << 30);
        p.WriteValue<int32_t>(0);
        farAway = record(5, p.Bytes());
    }
    QByteArray emfCut = emf;
    emfCut.chop(10);
    QByteArray wmfCut = wmf;
    wmfCut.chop(4);
    QByteArray emfHuge = emf;
    qToLittleEndian<qint32>(INT32_MAX, emfHuge.data() + 32);

    const struct {
        const char* What;
        QByteArray Data;
    } rows[] = {
        {"empty", QByteArray()},
        {"unknown", QByteArray("not a metafile of any kind")},
        {"cut", good.left(good.size() - 7)},
        {"count beyond the data", file({}, 10, 10).left(12) + QByteArray("\xFF\xFF\x00\x00", 4)},
        {"negative size", file({}, -1, 10)},
        {"huge size", file({}, 40000, 10)},
        {"unknown record", file({record(99, {})})},
        {"record longer than the data", file({record(4, QByteArray(8, 0)).left(7)})},
        {"too many points", file({manyPoints})},
        {"coordinate far away", file({farAway})},
        {"unbalanced group", file({group})},
        {"end without group", file({endGroup})},
        {"nesting too deep", file(deep)},
        {"metafile inside a graphic record", file({nestedMetafile})},
        {"enhanced cut", emfCut},
        {"enhanced huge frame", emfHuge},
        {"placeable cut", wmfCut},
    };
    for (const auto& r : rows) {
        TMetafile loaded;
        TMemoryStream in(r.Data);
        EXPECT_THROW(loaded.LoadFromStream(in), EInvalidGraphic) << r.What;
        EXPECT_TRUE(loaded.Empty()) << r.What;
    }
    for (unsigned seed = 1; seed <= 300; ++seed) {
        TMetafile loaded;
        TMemoryStream in(Fuzzed(good, seed, 1 + int(seed % 5)));
        try {
            loaded.LoadFromStream(in);
            TBitmap b(30, 20, pf24bit);
            loaded.Draw(b.Canvas(), Rect(0, 0, 30, 20));
        } catch (const EInvalidGraphic&) {
        } catch (const EClassNotFound&) {
        }
    }
}

// Every field of a recorded font is bounded: a file naming an escapement of INT_MIN, a pitch,
// charset or quality no font has, is damaged; a turned font within range plays back.
TEST(Metafile, RecordedFontFieldsAreBounded) {
    const auto fontRecord = [](int Field, int32_t Value) {
        // Height, pixels per inch, style, pitch, colour, charset, escapement, orientation, quality.
        int32_t fields[9] = {-12, 96, 0, 0, 0, 128, 0, 0, 0};
        fields[Field] = Value;
        TMemoryStream p;
        p.WriteValue<uint32_t>(1);
        p.WriteValue<uint16_t>(u'A');
        for (const int32_t v : fields)
            p.WriteValue<int32_t>(v);
        TMemoryStream r;
        r.WriteValue<uint8_t>(3);
        r.WriteValue<uint32_t>(static_cast<uint32_t>(p.Bytes().size()));
        r.WriteBytes(p.Bytes());
        TMemoryStream t;
        for (const int32_t v : {2, 8})
            t.WriteValue<int32_t>(v);
        t.WriteValue<uint32_t>(1);
        t.WriteValue<uint16_t>(u'W');
        TMemoryStream f;
        f.WriteBytes("VMF1");
        for (const int32_t v : {20, 20})
            f.WriteValue<int32_t>(v);
        f.WriteValue<uint32_t>(2);
        f.WriteBytes(r.Bytes());
        f.WriteValue<uint8_t>(11);
        f.WriteValue<uint32_t>(static_cast<uint32_t>(t.Bytes().size()));
        f.WriteBytes(t.Bytes());
        return f.Bytes();
    };
    const struct {
        const char* What;
        int Field;
        int32_t Value;
        bool Valid;
    } rows[] = {
        {"escapement INT_MIN", 6, INT32_MIN, false},
        {"escapement INT_MAX", 6, INT32_MAX, false},
        {"orientation INT_MIN", 7, INT32_MIN, false},
        {"pitch beyond fixed", 3, 3, false},
        {"negative pitch", 3, -1, false},
        {"negative charset", 5, -1, false},
        {"charset beyond a byte", 5, 256, false},
        {"quality beyond a byte", 4 + 4, 1 << 20, false},
        {"turned a quarter", 6, 900, true},
        {"turned back", 6, -900, true},
        {"fixed pitch", 3, 2, true},
    };
    for (const auto& r : rows) {
        SCOPED_TRACE(r.What);
        TMetafile loaded;
        TMemoryStream in(fontRecord(r.Field, r.Value));
        if (!r.Valid) {
            EXPECT_THROW(loaded.LoadFromStream(in), EInvalidGraphic);
            continue;
        }
        ASSERT_NO_THROW(loaded.LoadFromStream(in));
        TBitmap b(20, 20, pf24bit);
        b.Fill(clWhite);
        loaded.Draw(b.Canvas(), Rect(0, 0, 20, 20));
    }
}

// Inputs that once broke the reader (tests/data/fuzz/metafile) are refused cleanly.
TEST(Metafile, FuzzingFindingsAreRefused) {
    for (const char* name : {"enhanced-frame-overflow.emf", "font-escapement-int-min.vmf"}) {
        SCOPED_TRACE(name);
        TMetafile loaded;
        TMemoryStream in(ReadTestData(QStringLiteral("fuzz/metafile/") + name));
        EXPECT_THROW(loaded.LoadFromStream(in), EInvalidGraphic);
    }
}
