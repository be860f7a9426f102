#include "UColorFill.h"

#include "UCanvasGuards.h"
#include "UPropStream.h"
#include "URaster.h"
#include "USafetyBitmap.h"

#include "TestSupport.h"

#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <memory>

namespace {

constexpr TColor Red = 0x0000FF;
constexpr TColor Blue = 0xFF0000;
constexpr TColor Green = 0x00FF00;

QByteArray StreamSpec(TColorSpec& Spec) {
    TColorSpecWrapper wrapper;
    wrapper.SetReference(&Spec);
    TMemoryStream stream;
    WriteComponent(stream, wrapper);
    return stream.Bytes();
}

void ReadSpec(const QByteArray& Bytes, TColorSpec& Spec) {
    TColorSpecWrapper wrapper;
    wrapper.SetReference(&Spec);
    TMemoryStream stream(Bytes);
    ReadComponent(stream, wrapper);
}

std::unique_ptr<TSafetyBitmap> MakeBitmap(int W, int H, TColor Fill) {
    auto b = std::make_unique<TSafetyBitmap>();
    b->Bitmap().SetPixelFormat(pf24bit);
    b->Bitmap().SetSize(W, H);
    b->Bitmap().Fill(Fill);
    return b;
}

// A tile whose left half is Left and right half Right.
std::unique_ptr<TSafetyBitmap> HalfTile(int W, int H, TColor Left, TColor Right) {
    auto b = MakeBitmap(W, H, Left);
    for (int y = 0; y < H; ++y)
        for (int x = W / 2; x < W; ++x)
            b->Bitmap().SetPixel(x, y, Right);
    return b;
}

// A graphic that is not empty but has no width (damaged or foreign data can give one).
class TZeroWidthGraphic : public TGraphic {
public:
    static inline int Draws = 0;
    std::unique_ptr<TGraphic> CreateNew() const override {
        return std::make_unique<TZeroWidthGraphic>();
    }
    bool Empty() const override { return false; }
    int Width() const override { return 0; }
    int Height() const override { return 5; }
    void Draw(TCanvas&, const TRect&) const override { ++Draws; }
    void LoadFromStream(TStream&) override {}
    void SaveToStream(TStream&) const override {}
    void Assign(const TPersistent* Source) override {
        if (!dynamic_cast<const TZeroWidthGraphic*>(Source))
            TGraphic::Assign(Source);
    }
};

struct TChangeCounter {
    int Count = 0;
    void Attach(TColorSpec& Spec) {
        Spec.OnChange = [this](TColorSpec*) { ++Count; };
    }
};

} // namespace

TEST(GradationColors, DefaultsAndExpansion) {
    TGradationColors c;
    EXPECT_EQ(c.Count(), 2);
    EXPECT_EQ(c.Color(0), clWhite);
    EXPECT_EQ(c.Color(1), clBlack);
    EXPECT_TRUE(c.IsDefaultList());
    EXPECT_THROW(c.Color(2), ERangeError);
    EXPECT_THROW(c.Color(-1), ERangeError);
    c.SetColor(0, Red);
    c.SetColor(1, Blue);
    c.SetRepeatCount(3);
    EXPECT_EQ(c.GetExpandedColors(), (std::vector<TColor>{Red, Blue, Red, Blue, Red, Blue}));
    c.SetRepeatCount(0); // counts as 1
    EXPECT_EQ(c.RepeatCount(), 1);
    c.SetCount(0);
    EXPECT_TRUE(c.GetExpandedColors().empty());
}

TEST(GradationColors, ReverseAndAssignSignalOnce) {
    TGradationColors c, d;
    c.SetCount(3);
    c.SetColor(0, Red);
    c.SetColor(1, Green);
    c.SetColor(2, Blue);
    int changes = 0;
    c.Notifier().OnChange = [&](TChangeNotify*) { ++changes; };
    c.Reverse();
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(c.Colors(), (std::vector<TColor>{Blue, Green, Red}));
    c.SetRepeatCount(4);
    changes = 0;
    d.Notifier().OnChange = [&](TChangeNotify*) { ++changes; };
    d.Assign(&c);
    EXPECT_EQ(changes, 1);
    EXPECT_EQ(d.Colors(), c.Colors());
    EXPECT_EQ(d.RepeatCount(), 4);
}

// The colour count read from a stream is bounded by the bytes present.
TEST(GradationColors, ColorsDataIsBounded) {
    const struct {
        int32_t Count;
        int Extra;
    } cases[] = {{-1, 0}, {3, 8}, {0x7FFFFFFF, 16}, {1 << 28, 4}};
    for (const auto& c : cases) {
        TGradationColors colors;
        TMemoryStream s;
        s.WriteValue<int32_t>(c.Count);
        for (int i = 0; i < c.Extra; ++i)
            s.WriteValue<uint8_t>(0x11);
        s.SetPosition(0);
        EXPECT_THROW(colors.ReadColors(s), EReadError) << c.Count;
        EXPECT_TRUE(colors.IsDefaultList());
    }
    TGradationColors colors;
    TMemoryStream s;
    s.WriteValue<int32_t>(2);
    s.WriteValue<int32_t>(Red);
    s.WriteValue<int32_t>(Blue);
    s.SetPosition(0);
    colors.ReadColors(s);
    EXPECT_EQ(colors.Colors(), (std::vector<TColor>{Red, Blue}));
}

// Counts from a stream are brought into what a gradation can show: a damaged stream with a
// repeat count of 2^31 - 1 neither allocates its expansion nor hangs when painted.
TEST(GradationColors, CountsFromStreamsAreBounded) {
    TColorSpec spec;
    spec.SetKind(cskGradation);
    spec.GradColors()->SetCount(2);
    spec.GradColors()->SetColor(0, Red);
    spec.GradColors()->SetColor(1, Blue);
    spec.GradColors()->SetRepeatCount(300); // written as Int16 300
    QByteArray bytes = StreamSpec(spec);
    const QByteArray stored = QByteArray("RepeatCount") + char(vaInt16) + char(0x2C) + char(0x01);
    const QByteArray damaged =
        QByteArray("RepeatCount") + char(vaInt32) + QByteArray::fromHex("ffffff7f");
    ASSERT_TRUE(bytes.contains(stored));
    bytes.replace(stored, damaged);
    TColorSpec read;
    ReadSpec(bytes, read);
    EXPECT_EQ(read.GradColors()->RepeatCount(), MaxGradRepeat);
    TBitmap target(32, 8);
    target.Fill(Green);
    read.Fill(target.Canvas(), TRect(0, 0, 32, 8));
    EXPECT_NE(target.GetPixel(0, 4), Green) << "painted";

    // The colour count older streams carry as GradColNum.
    TColorSpec older;
    older.SetGradColNum(0x7FFFFFFF);
    EXPECT_EQ(older.GradColNum(), MaxGradColors);
    older.SetGradColNum(5);
    EXPECT_EQ(older.GradColNum(), 5);
    older.GradColors()->SetRepeatCount(10);
    EXPECT_EQ(older.GradColors()->RepeatCount(), 10);

    // The "Colors" data past the bound is refused even when the bytes are there.
    TMemoryStream s;
    s.WriteValue<int32_t>(MaxGradColors + 1);
    for (int i = 0; i <= MaxGradColors; ++i)
        s.WriteValue<int32_t>(Red);
    s.SetPosition(0);
    TGradationColors colors;
    EXPECT_THROW(colors.ReadColors(s), EReadError);
    EXPECT_TRUE(colors.IsDefaultList());
}

// The fill paints the repeats without writing the list out: the same pixels as before.
TEST(ColorSpec, RepeatedGradationPaintsAsWrittenOut) {
    TColorSpec spec;
    spec.SetKind(cskGradation);
    spec.SetGradKind(rgkConeClockwise);
    spec.GradColors()->SetCount(3);
    spec.GradColors()->SetColor(0, Red);
    spec.GradColors()->SetColor(1, Green);
    spec.GradColors()->SetColor(2, Blue);
    spec.GradColors()->SetRepeatCount(4);
    const std::vector<TColor> expanded = spec.GradColors()->GetExpandedColors();
    TBitmap painted(60, 40), written(60, 40);
    spec.Fill(painted.Canvas(), TRect(0, 0, 60, 40));
    GradFill(written.Canvas(), TRect(0, 0, 60, 40), expanded.data(),
             static_cast<int>(expanded.size()), false, spec.GradAngle(), spec.GradKind());
    EXPECT_EQ(painted.ToQImage(), written.ToQImage());
}

TEST(ColorSpec, Defaults) {
    TColorSpec spec;
    EXPECT_EQ(spec.Kind(), cskSolid);
    EXPECT_EQ(spec.Color(), clBlack);
    EXPECT_EQ(spec.Style(), bsSolid);
    EXPECT_EQ(spec.GradAngle(), 270);
    EXPECT_EQ(spec.GradKind(), rgkSimple);
    EXPECT_TRUE(spec.GradColors()->IsDefaultList());
    EXPECT_EQ(spec.GradDir(), rgdLeftToRight);
}

TEST(ColorSpec, BitmapKindWithoutPictureIsSolid) {
    TColorSpec spec;
    spec.SetColor(Green);
    spec.SetKind(cskBitmap);
    EXPECT_EQ(spec.Kind(), cskSolid);
    EXPECT_EQ(spec.StoredKind(), cskBitmap);
    EXPECT_FALSE(StreamSpec(spec).contains("Kind"));
    TBitmap target(8, 8);
    target.Fill(clWhite);
    spec.Fill(target.Canvas(), TRect(0, 0, 8, 8));
    EXPECT_EQ(target.GetPixel(4, 4), Green);
    spec.ImageData()->Picture()->SetGraphic(MakeBitmap(2, 2, Red));
    EXPECT_EQ(spec.Kind(), cskBitmap);
    EXPECT_TRUE(StreamSpec(spec).contains("Kind"));
}

// Every kind: write, read into a fresh spec, write again: identical bytes.
TEST(ColorSpec, StreamRoundTripOfEveryKind) {
    std::vector<std::unique_ptr<TColorSpec>> specs;
    auto solid = std::make_unique<TColorSpec>();
    solid->SetColor(0x123456);
    solid->SetStyle(bsDiagCross);
    specs.push_back(std::move(solid));

    auto bitmap = std::make_unique<TColorSpec>();
    bitmap->ImageData()->Picture()->SetGraphic(HalfTile(6, 4, Red, Blue));
    bitmap->SetKind(cskBitmap);
    bitmap->SetTile(true);
    bitmap->SetTileShift(true);
    bitmap->ImageData()->ClipFilter()->SetClipRect(TRect(1, 0, 5, 3));
    bitmap->ImageData()->BlurFilter()->SetBlurCount(-2);
    bitmap->ImageData()->LightFilter()->SetBrightness(10);
    bitmap->ImageData()->LightFilter()->SetContrast(-5);
    bitmap->ImageData()->MonotoneFilter()->SetRefColor(0x4080C0);
    bitmap->ImageData()->SetTransparentColor(Red);
    specs.push_back(std::move(bitmap));

    auto grad = std::make_unique<TColorSpec>();
    grad->SetKind(cskGradation);
    grad->SetGradKind(rgkConeClockwise);
    grad->SetGradAngle(33);
    grad->GradColors()->SetCount(3);
    grad->GradColors()->SetColor(0, Red);
    grad->GradColors()->SetColor(1, Green);
    grad->GradColors()->SetColor(2, Blue);
    grad->GradColors()->SetRepeatCount(2);
    specs.push_back(std::move(grad));

    auto reversedDefault = std::make_unique<TColorSpec>();
    reversedDefault->SetKind(cskGradation);
    reversedDefault->GradColors()->Reverse(); // black, white: not the default list
    specs.push_back(std::move(reversedDefault));

    for (auto& spec : specs) {
        const QByteArray first = StreamSpec(*spec);
        TColorSpec copy;
        ReadSpec(first, copy);
        EXPECT_EQ(StreamSpec(copy), first);
        EXPECT_EQ(copy.Kind(), spec->Kind());
        EXPECT_EQ(copy.Color(), spec->Color());
        EXPECT_EQ(copy.Style(), spec->Style());
        EXPECT_EQ(copy.GradColors()->Colors(), spec->GradColors()->Colors());
        EXPECT_EQ(copy.GradColors()->RepeatCount(), spec->GradColors()->RepeatCount());
        EXPECT_EQ(copy.ImageData()->ClipFilter()->ClipRect(),
                  spec->ImageData()->ClipFilter()->ClipRect());
        EXPECT_EQ(copy.ImageData()->TransparentColor(), spec->ImageData()->TransparentColor());
    }
    // The default colour list writes no "Colors"; black, white does.
    EXPECT_FALSE(StreamSpec(*specs[0]).contains("Colors"));
    EXPECT_TRUE(StreamSpec(*specs[3]).contains("Colors"));
}

TEST(ColorSpec, AssignCopiesGradationOnlyForGradationKind) {
    TColorSpec source, dest;
    dest.SetGradAngle(45);
    dest.SetGradKind(rgkCircleToRim);
    source.SetColor(Red);
    source.SetGradAngle(90);
    source.GradColors()->Reverse();
    dest.Assign(&source);
    EXPECT_EQ(dest.Color(), Red);
    EXPECT_EQ(dest.GradAngle(), 45);
    EXPECT_EQ(dest.GradKind(), rgkCircleToRim);
    EXPECT_TRUE(dest.GradColors()->IsDefaultList());
    source.SetKind(cskGradation);
    dest.Assign(&source);
    EXPECT_EQ(dest.Kind(), cskGradation);
    EXPECT_EQ(dest.GradAngle(), 90);
    EXPECT_EQ(dest.GradKind(), rgkSimple);
    EXPECT_EQ(dest.GradColors()->Colors(), source.GradColors()->Colors());
}

TEST(ColorSpec, ChangesOfNestedPartsReachOnChange) {
    TColorSpec spec;
    TChangeCounter counter;
    counter.Attach(spec);
    spec.SetGradDir(rgdRimToCenter);
    EXPECT_EQ(counter.Count, 1);
    EXPECT_EQ(spec.GradKind(), rgkBoxToCenter);
    EXPECT_EQ(spec.GradAngle(), 0);
    spec.SetGradDir(rgdRimToCenter);
    EXPECT_EQ(counter.Count, 1);
    spec.GradColors()->SetColor(0, Red);
    EXPECT_EQ(counter.Count, 2);
    spec.ImageData()->BlurFilter()->SetBlurCount(2);
    EXPECT_EQ(counter.Count, 3);
    spec.ImageData()->Picture()->SetGraphic(MakeBitmap(3, 3, Red));
    EXPECT_EQ(counter.Count, 4);
    spec.SetColor(clBlack); // unchanged
    EXPECT_EQ(counter.Count, 4);
    spec.SetGradColor5(Blue); // outside the list: ignored
    spec.SetGradColNum(6);
    spec.SetGradColor5(Blue);
    EXPECT_EQ(spec.GradColor5(), Blue);
    EXPECT_EQ(counter.Count, 6);
}

TEST(ColorSpec, FillKeepsCanvasTools) {
    TColorSpec spec;
    spec.SetKind(cskGradation);
    TBitmap target(20, 20);
    TCanvas& c = target.Canvas();
    c.Brush().SetColor(0x010203);
    c.Brush().SetStyle(bsCross);
    c.Pen().SetColor(0x040506);
    c.Pen().SetWidth(3);
    c.SetCopyMode(MERGEPAINT);
    c.Font().SetName(QStringLiteral("IPAGothic"));
    const TBrushData brush = c.Brush().Data();
    const TPenData pen = c.Pen().Data();
    const QString font = c.Font().Name();
    for (TColorSpecKind kind : {cskSolid, cskGradation}) {
        spec.SetKind(kind);
        spec.Fill(c, TRect(0, 0, 20, 20));
        EXPECT_EQ(c.Brush().Data(), brush);
        EXPECT_EQ(c.Pen().Data(), pen);
        EXPECT_EQ(c.CopyMode(), static_cast<uint32_t>(MERGEPAINT));
        EXPECT_EQ(c.Font().Name(), font);
    }
}

TEST(ColorSpec, InvertedSolidFillXors) {
    TColorSpec spec;
    spec.SetColor(Red);
    TBitmap target(4, 4);
    target.Fill(clWhite);
    spec.FillEx(target.Canvas(), TRect(0, 0, 4, 4), true);
    EXPECT_EQ(target.GetPixel(1, 1), 0xFFFF00);
    EXPECT_EQ(target.Canvas().CopyMode(), static_cast<uint32_t>(SRCCOPY));
}

TEST(ColorSpec, StretchedPictureFill) {
    TColorSpec spec;
    spec.ImageData()->Picture()->SetGraphic(HalfTile(2, 2, Red, Blue));
    spec.SetKind(cskBitmap);
    TBitmap target(40, 10);
    target.Fill(clWhite);
    spec.Fill(target.Canvas(), TRect(0, 0, 40, 10));
    EXPECT_EQ(target.GetPixel(5, 5), Red);
    EXPECT_EQ(target.GetPixel(35, 5), Blue);
}

TEST(ColorSpec, TileShiftStartsOddRowsHalfATileLeft) {
    TColorSpec spec;
    spec.ImageData()->Picture()->SetGraphic(HalfTile(5, 2, Red, Blue));
    spec.SetKind(cskBitmap);
    spec.SetTile(true);
    spec.SetTileShift(true);
    TBitmap target(20, 4);
    target.Fill(clWhite);
    spec.Fill(target.Canvas(), TRect(0, 0, 20, 4));
    // Row 0: tiles at 0, 5, 10 ...: red 0..1, blue 2..4.
    EXPECT_EQ(target.GetPixel(0, 0), Red);
    EXPECT_EQ(target.GetPixel(2, 0), Blue);
    EXPECT_EQ(target.GetPixel(5, 1), Red);
    // Row 1 starts at -(5 + 1) div 2 = -3: red -3..-2, blue -1..1, red 2..3.
    EXPECT_EQ(target.GetPixel(0, 2), Blue);
    EXPECT_EQ(target.GetPixel(1, 3), Blue);
    EXPECT_EQ(target.GetPixel(2, 2), Red);
    EXPECT_EQ(target.GetPixel(4, 2), Blue);
}

// Tiles placed in logical units on a canvas scaled by a fractional factor leave no gaps.
TEST(ColorSpec, TilingAtFractionalZoomHasNoSeams) {
    TColorSpec spec;
    spec.ImageData()->Picture()->SetGraphic(MakeBitmap(7, 5, Red));
    spec.SetKind(cskBitmap);
    spec.SetTile(true);
    for (const auto& [logical, device] : {std::pair{1000, 377}, {100, 67}, {3, 7}}) {
        TBitmap target(300, 200);
        target.Fill(clWhite);
        TCanvas& c = target.Canvas();
        c.SetMapMode(MM_ANISOTROPIC);
        c.SetWindowExtEx(logical, logical);
        c.SetViewportExtEx(device, device);
        const TRect area(3, 2, 3 + 200 * logical / device, 2 + 150 * logical / device);
        spec.Fill(c, area);
        const TRect dev = c.LPtoDP(area);
        int gaps = 0;
        for (int y = dev.Top + 1; y < dev.Bottom - 1; ++y)
            for (int x = dev.Left + 1; x < dev.Right - 1; ++x)
                gaps += target.GetPixel(x, y) != Red;
        EXPECT_EQ(gaps, 0) << logical << "/" << device;
    }
}

TEST(ColorSpec, PreviewShowsCheckerboardBehindClearBrush) {
    TColorSpec spec;
    spec.SetStyle(bsClear);
    TBitmap target(48, 48);
    target.Fill(Green);
    spec.DrawPreview(target.Canvas(), TRect(0, 0, 48, 48));
    // Even rows start with a grey square at the left, odd rows 8 units in.
    EXPECT_EQ(target.GetPixel(1, 1), 0x808080);
    EXPECT_EQ(target.GetPixel(9, 1), clWhite);
    EXPECT_EQ(target.GetPixel(1, 9), clWhite);
    EXPECT_EQ(target.GetPixel(9, 9), 0x808080);
    EXPECT_EQ(target.GetPixel(47, 47), 0x808080);
    EXPECT_EQ(target.GetPixel(33, 47), clWhite);
}

TEST(ColorSpec, PreviewOfTiledPictureShowsSeveralTiles) {
    TColorSpec spec;
    spec.ImageData()->Picture()->SetGraphic(HalfTile(100, 100, Red, Blue));
    spec.SetKind(cskBitmap);
    spec.SetTile(true);
    TBitmap target(48, 48);
    spec.DrawPreview(target.Canvas(), TRect(0, 0, 48, 48));
    // Tiles of 19 x 19 (48 x 2 div 5): red then blue, repeated along the row.
    int switches = 0;
    for (int x = 1; x < 48; ++x)
        switches += target.GetPixel(x, 5) != target.GetPixel(x - 1, 5);
    EXPECT_GE(switches, 4);
    EXPECT_EQ(target.GetPixel(0, 5), Red);
    EXPECT_EQ(target.GetPixel(12, 5), Blue);
    EXPECT_EQ(target.GetPixel(20, 5), Red);
}

TEST(ColorSpec, EmptyGradationPaintsNothing) {
    TColorSpec spec;
    spec.SetKind(cskGradation);
    spec.GradColors()->SetCount(0);
    TBitmap target(8, 8);
    target.Fill(Green);
    spec.Fill(target.Canvas(), TRect(0, 0, 8, 8));
    EXPECT_EQ(target.GetPixel(3, 3), Green);
}

// A tile without extent never advances the tiling loops: nothing is drawn, nothing hangs.
TEST(ColorSpec, ZeroSizedTileDrawsNothing) {
    TColorSpec spec;
    spec.ImageData()->Picture()->SetGraphic(std::make_unique<TZeroWidthGraphic>());
    spec.SetKind(cskBitmap);
    spec.SetTile(true);
    ASSERT_EQ(spec.Kind(), cskBitmap);
    ASSERT_FALSE(IsPictureEmpty(&spec.ImageData()->GetFilteredPicture()));
    TBitmap target(16, 16);
    target.Fill(Green);
    TZeroWidthGraphic::Draws = 0;
    spec.Fill(target.Canvas(), TRect(0, 0, 16, 16));
    EXPECT_EQ(TZeroWidthGraphic::Draws, 0);
    EXPECT_EQ(target.GetPixel(8, 8), Green);
}

// Older streams carry the picture as "Bitmap.Data" (a count and a BMP file) before Kind.
TEST(ColorSpec, ReadsThePictureOfOlderStreams) {
    TSafetyBitmap bitmap(HalfTile(4, 2, Red, Blue)->Bitmap());
    TMemoryStream data;
    bitmap.WriteData(data);
    // Built by hand: signature, class and object name, two properties, two end marks.
    QByteArray bytes("TPF0");
    const auto str = [&](const QByteArray& S) {
        bytes.append(static_cast<char>(S.size()));
        bytes.append(S);
    };
    str("TColorSpecWrapper");
    str("");
    str("ColorSpec.Bitmap.Data");
    bytes.append(static_cast<char>(vaBinary));
    const int32_t size = static_cast<int32_t>(data.Bytes().size());
    bytes.append(reinterpret_cast<const char*>(&size), 4);
    bytes.append(data.Bytes());
    str("ColorSpec.Kind");
    bytes.append(static_cast<char>(vaIdent));
    str("cskBitmap");
    bytes.append('\0').append('\0');
    TColorSpec spec;
    ReadSpec(bytes, spec);
    ASSERT_EQ(spec.Kind(), cskBitmap);
    const TBitmap read = spec.GetBitmap();
    ASSERT_EQ(read.Width(), 4);
    EXPECT_EQ(read.GetPixel(0, 1), Red);
    EXPECT_EQ(read.GetPixel(3, 0), Blue);
    // Never written back.
    EXPECT_FALSE(StreamSpec(spec).contains("ColorSpec.Bitmap"));
    EXPECT_TRUE(StreamSpec(spec).contains("ColorSpec.ImageData.Picture.Data"));
}

// Free Pascal's own component streaming reads the stored form (tests/data/propstream/
// pasreader.pas prints a stream's text form without knowing our classes).
TEST(ColorSpec, StoredFormReadsInFreePascal) {
    const QString fpc = QStandardPaths::findExecutable(QStringLiteral("fpc"));
    if (fpc.isEmpty())
        GTEST_SKIP() << "Free Pascal (fpc) is not installed";
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QByteArray log;
    ASSERT_EQ(RunProgram(fpc,
                         {QStringLiteral("-v0"), QStringLiteral("-FE") + dir.path(),
                          QStringLiteral("-FU") + dir.path(),
                          TestDataPath(QStringLiteral("propstream/pasreader.pas"))},
                         &log),
              0)
        << log.toStdString();
    TColorSpec spec;
    spec.SetKind(cskGradation);
    spec.SetGradKind(rgkConeClockwise);
    spec.SetGradAngle(33);
    spec.GradColors()->SetCount(3);
    spec.GradColors()->SetColor(0, Red);
    spec.GradColors()->SetColor(1, Green);
    spec.GradColors()->SetColor(2, Blue);
    spec.GradColors()->SetRepeatCount(2);
    spec.SetStyle(bsBDiagonal);
    const QString file = dir.filePath(QStringLiteral("spec.bin"));
    {
        QFile f(file);
        ASSERT_TRUE(f.open(QIODevice::WriteOnly));
        f.write(StreamSpec(spec));
    }
    QByteArray text;
    ASSERT_EQ(RunProgram(dir.filePath(QStringLiteral("pasreader")), {QStringLiteral("text"), file},
                         &text),
              0)
        << text.toStdString();
    for (const char* line : {"ColorSpec.Style = bsBDiagonal", "ColorSpec.Kind = cskGradation",
                             "ColorSpec.GradAngle = 33", "ColorSpec.GradKind = rgkConeClockwise",
                             "ColorSpec.GradColors.RepeatCount = 2",
                             "ColorSpec.GradColors.Colors = {", "03000000FF00000000FF00000000FF00"})
        EXPECT_TRUE(text.contains(line)) << line << "\n" << text.toStdString();
}
