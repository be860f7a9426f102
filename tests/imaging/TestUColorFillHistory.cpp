#include "UColorFillHistory.h"

#include "TestSupport.h"
#include "UDocStorage.h"
#include "UPNGImage.h"
#include "UPropStream.h"
#include "USafetyBitmap.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <random>

namespace {

QByteArray Stored(TColorSpec& Spec) {
    TColorSpecWrapper wrapper;
    wrapper.SetReference(&Spec);
    TMemoryStream stream;
    WriteComponent(stream, wrapper);
    return stream.Bytes();
}

std::unique_ptr<TColorSpec> SolidSpec(TColor Color, TBrushStyle Style = bsSolid) {
    auto spec = std::make_unique<TColorSpec>();
    spec->SetColor(Color);
    spec->SetStyle(Style);
    return spec;
}

std::unique_ptr<TColorSpec> PictureSpec(int Size, uint32_t Seed) {
    std::mt19937 rng(Seed);
    TBitmap b(Size, Size, pf24bit);
    for (int y = 0; y < Size; ++y)
        for (int i = 0; i < Size * 3; ++i)
            b.ScanLine(y)[i] = static_cast<uint8_t>(rng());
    auto spec = std::make_unique<TColorSpec>();
    spec->ImageData()->Picture()->SetGraphic(std::make_unique<TSafetyBitmap>(b));
    spec->SetKind(cskBitmap);
    return spec;
}

QByteArray ItemBytes(TColorSpecHistory& History, int Index) {
    TColorSpec spec;
    History.GetItem(Index, spec);
    return Stored(spec);
}

class ColorSpecHistoryTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(FDir.isValid());
        FHistory.SetFilename(FDir.filePath(QStringLiteral("prefs/ColorSpec.hst")));
    }
    QTemporaryDir FDir;
    TColorSpecHistory FHistory;
};

} // namespace

TEST_F(ColorSpecHistoryTest, CountOnMissingFileCreatesFolderAndFile) {
    EXPECT_EQ(FHistory.GetCount(), 0);
    EXPECT_TRUE(QFile::exists(FHistory.Filename()));
    FHistory.Clear();
    EXPECT_FALSE(QFile::exists(FHistory.Filename()));
    auto spec = SolidSpec(0x123456);
    FHistory.Add(*spec);
    EXPECT_EQ(FHistory.GetCount(), 1);
}

TEST_F(ColorSpecHistoryTest, AddReorderCapAndReopen) {
    std::vector<std::unique_ptr<TColorSpec>> specs;
    for (int i = 0; i < 12; ++i)
        specs.push_back(SolidSpec(0x010101 * (i * 20 + 1)));
    for (int i = 0; i < 3; ++i)
        FHistory.Add(*specs[i]);
    ASSERT_EQ(FHistory.GetCount(), 3);
    EXPECT_EQ(ItemBytes(FHistory, 0), Stored(*specs[2]));
    EXPECT_EQ(ItemBytes(FHistory, 2), Stored(*specs[0]));

    // The same spec again: one entry, moved to the top.
    FHistory.Add(*specs[0]);
    ASSERT_EQ(FHistory.GetCount(), 3);
    EXPECT_EQ(ItemBytes(FHistory, 0), Stored(*specs[0]));
    EXPECT_EQ(ItemBytes(FHistory, 1), Stored(*specs[2]));

    // Reopened by another history object on the same file.
    TColorSpecHistory reopened;
    reopened.SetFilename(FHistory.Filename());
    ASSERT_EQ(reopened.GetCount(), 3);
    EXPECT_EQ(ItemBytes(reopened, 2), Stored(*specs[1]));

    // The cap: eleven distinct specs keep ten; the oldest goes with its preview.
    TPictureEx preview;
    TColorSpecHistory::MakePreview(*specs[1], preview);
    const QString oldest = TColorSpecHistory::EntryName(*specs[1], preview);
    for (int i = 3; i < 11; ++i)
        FHistory.Add(*specs[i]);
    ASSERT_EQ(FHistory.GetCount(), 10);
    for (int i = 0; i < 10; ++i)
        EXPECT_NE(ItemBytes(FHistory, i), Stored(*specs[1]));
    {
        TFileStorage storage(FHistory.Filename(), 0);
        EXPECT_FALSE(storage.StreamExists(QStringLiteral("Preview\\") + oldest));
        EXPECT_FALSE(storage.StreamExists(QStringLiteral("ColorSpec\\") + oldest));
    }

    // A lower limit takes effect at the next Add.
    FHistory.SetLimit(4);
    EXPECT_EQ(FHistory.GetCount(), 10);
    FHistory.Add(*specs[11]);
    ASSERT_EQ(FHistory.GetCount(), 4);
    EXPECT_EQ(ItemBytes(FHistory, 0), Stored(*specs[11]));

    FHistory.Delete(0);
    ASSERT_EQ(FHistory.GetCount(), 3);
    EXPECT_EQ(ItemBytes(FHistory, 0), Stored(*specs[10]));
    TColorSpec out;
    EXPECT_THROW(FHistory.GetItem(3, out), EListError);
    EXPECT_THROW(FHistory.Delete(-1), EListError);
}

TEST_F(ColorSpecHistoryTest, EntriesKeepPicturesAndPreviews) {
    auto a = PictureSpec(20, 1);
    auto b = PictureSpec(20, 2); // differs only in its picture
    FHistory.Add(*a);
    FHistory.Add(*b);
    ASSERT_EQ(FHistory.GetCount(), 2);
    EXPECT_EQ(ItemBytes(FHistory, 0), Stored(*b));
    EXPECT_EQ(ItemBytes(FHistory, 1), Stored(*a));
    TPictureEx preview;
    FHistory.GetPreview(1, preview);
    ASSERT_NE(dynamic_cast<TPNGImage*>(preview.Graphic()), nullptr);
    EXPECT_EQ(preview.Width(), 48);
    EXPECT_EQ(preview.Height(), 48);
}

// Specs whose previews are identical but whose stored forms differ are two entries.
TEST_F(ColorSpecHistoryTest, IdenticalPreviewsDoNotMergeDifferentSpecs) {
    auto a = SolidSpec(0x0000FF, bsClear);
    auto b = SolidSpec(0xFF0000, bsClear);
    TPictureEx pa, pb;
    TColorSpecHistory::MakePreview(*a, pa);
    TColorSpecHistory::MakePreview(*b, pb);
    ASSERT_TRUE(pa.Graphic()->Equals(pb.Graphic()));
    EXPECT_NE(TColorSpecHistory::EntryName(*a, pa), TColorSpecHistory::EntryName(*b, pb));
    FHistory.Add(*a);
    FHistory.Add(*b);
    EXPECT_EQ(FHistory.GetCount(), 2);
}

// A file cut at any 4 KiB boundary opens with the entries that read back whole, and the
// next Add works on it.
TEST_F(ColorSpecHistoryTest, TruncatedFilesKeepWholeEntries) {
    std::vector<std::unique_ptr<TColorSpec>> specs;
    specs.push_back(PictureSpec(60, 3));
    specs.push_back(SolidSpec(0x00FF00));
    specs.push_back(PictureSpec(40, 4));
    auto grad = std::make_unique<TColorSpec>();
    grad->SetKind(cskGradation);
    grad->GradColors()->Reverse();
    specs.push_back(std::move(grad));
    for (auto& s : specs)
        FHistory.Add(*s);
    ASSERT_EQ(FHistory.GetCount(), 4);
    QSet<QByteArray> originals;
    for (auto& s : specs)
        originals.insert(Stored(*s));

    QFile file(FHistory.Filename());
    ASSERT_TRUE(file.open(QIODevice::ReadOnly));
    const QByteArray whole = file.readAll();
    file.close();
    ASSERT_GT(whole.size(), 4 * 4096);
    int boundaries = 0, previous = 0;
    for (qsizetype cut = 0; cut <= whole.size(); cut += 4096, ++boundaries) {
        const QString name = FDir.filePath(QStringLiteral("cut%1.hst").arg(cut));
        QFile out(name);
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(whole.left(cut));
        out.close();
        TColorSpecHistory history;
        history.SetFilename(name);
        int count = -1;
        ASSERT_NO_THROW(count = history.GetCount()) << cut;
        // An entry whole in a shorter file is whole in a longer one.
        EXPECT_GE(count, previous) << cut;
        previous = count;
        for (int i = 0; i < count; ++i) {
            QByteArray bytes;
            ASSERT_NO_THROW(bytes = ItemBytes(history, i)) << cut;
            EXPECT_TRUE(originals.contains(bytes)) << cut << " entry " << i;
            TPictureEx preview;
            ASSERT_NO_THROW(history.GetPreview(i, preview)) << cut;
            EXPECT_EQ(preview.Width(), 48);
        }
        auto extra = SolidSpec(0xABCDEF);
        ASSERT_NO_THROW(history.Add(*extra)) << cut;
        EXPECT_GE(history.GetCount(), 1) << cut;
        EXPECT_EQ(ItemBytes(history, 0), Stored(*extra)) << cut;
    }
    EXPECT_GT(boundaries, 4);
    // The untouched file keeps all four.
    TColorSpecHistory full;
    full.SetFilename(FHistory.Filename());
    EXPECT_EQ(full.GetCount(), 4);
}

// The file opens in an independent compound-file reader with the documented layout.
TEST_F(ColorSpecHistoryTest, LayoutReadsInIndependentReader) {
    auto spec = SolidSpec(0x336699);
    FHistory.Add(*spec);
    TPictureEx preview;
    TColorSpecHistory::MakePreview(*spec, preview);
    const QString name = TColorSpecHistory::EntryName(*spec, preview);
    const QString script = QStringLiteral("import olefile,sys\n"
                                          "o=olefile.OleFileIO(sys.argv[1])\n"
                                          "print(sorted('/'.join(e) for e in o.listdir()))\n"
                                          "d=o.openstream('ColorSpec/'+sys.argv[2]).read()\n"
                                          "print(d[:1].hex(), d[3:21])\n");
    QByteArray output;
    ASSERT_EQ(RunProgram(QStringLiteral("/usr/bin/python3"),
                         {QStringLiteral("-c"), script, FHistory.Filename(), name}, &output),
              0)
        << output.toStdString();
    EXPECT_TRUE(output.contains("ColorSpec/NameList")) << output.toStdString();
    EXPECT_TRUE(output.contains(("Preview/" + name).toUtf8())) << output.toStdString();
    EXPECT_TRUE(output.contains("ff b'TCOLORSPECWRAPPER\\x00'")) << output.toStdString();
}
