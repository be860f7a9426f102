// Our own content (image fonts, decorative line pictures, stamps): the committed files are
// exactly what the generator draws, the glyphs follow their dot matrices, and the generator
// reports a folder it cannot write.

#include "UContentArt.h"
#include "UStyleList.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QSet>
#include <QTemporaryDir>
#include <gtest/gtest.h>

namespace {

const QString Shipped = QStringLiteral(VANTOMI_SHIPPED_DATA);

QImage Argb(const QImage& Image) {
    return Image.convertToFormat(QImage::Format_ARGB32);
}

// Ink of a glyph or stamp: any coverage; of a line picture: anything but the key colour.
bool Inked(QRgb Pixel, bool HasAlpha) {
    return HasAlpha ? qAlpha(Pixel) != 0 : Pixel != ContentBackColor;
}

} // namespace

TEST(ContentArt, CommittedFilesAreWhatTheGeneratorDraws) {
    const QStringList files = ContentFiles();
    ASSERT_EQ(files.size(), FontSetCount * FontGlyphCount + DecoLineNames().size() +
                                StampNames().size() + ScheduleStyleNames().size());
    for (const QString& file : files) {
        const QImage committed(QDir(Shipped).filePath(file));
        ASSERT_FALSE(committed.isNull())
            << file.toStdString() << " is missing: run vantomi-content data";
        EXPECT_EQ(committed.hasAlphaChannel(), !file.startsWith("Data/DecoLine"))
            << file.toStdString() << ": line pictures are opaque, the rest have alpha";
        EXPECT_EQ(Argb(committed), Argb(DrawContentFile(file)))
            << file.toStdString() << " differs from its drawing: run vantomi-content data";
    }
    // Nothing else lies in the font folder: every file there is a glyph of some set.
    const QStringList fontFolder =
        QDir(Shipped + QStringLiteral("/Data/PicFont")).entryList(QDir::Files | QDir::Hidden);
    EXPECT_EQ(fontFolder.size(), FontSetCount * FontGlyphCount);
}

TEST(ContentArt, GlyphsFollowTheirDotMatrix) {
    const QString alphabet = ContentGlyphAlphabet();
    ASSERT_EQ(alphabet.size(), FontGlyphCount);
    struct {
        QChar Ch;
        int Columns;
    } const widths[] = {{u'A', 5}, {u'i', 3}, {u'l', 3}, {u'!', 1}, {u'M', 5}, {u'1', 3}};
    for (const auto& w : widths)
        for (int set = 1; set <= FontSetCount; ++set) {
            const QImage g = DrawFontGlyph(set, static_cast<int>(alphabet.indexOf(w.Ch)));
            EXPECT_EQ(g.width(), w.Columns * GlyphPitch + 2 * GlyphMargin)
                << QString(w.Ch).toStdString() << " set " << set;
            EXPECT_EQ(g.height(), 7 * GlyphPitch + 2 * GlyphMargin);
        }
    // The centre of every dot is inked exactly where the matrix says so, in every set.
    for (int set = 1; set <= FontSetCount; ++set)
        for (int glyph = 0; glyph < FontGlyphCount; ++glyph) {
            const QImage g = Argb(DrawFontGlyph(set, glyph));
            int first = 0, last = 0;
            GlyphColumns(glyph, first, last);
            EXPECT_EQ(qAlpha(g.pixel(0, 0)), 0) << "corner of glyph " << glyph;
            for (int r = 0; r < 7; ++r)
                for (int c = first; c <= last; ++c) {
                    const int x = GlyphMargin + (c - first) * GlyphPitch + GlyphPitch / 2;
                    const int y = GlyphMargin + r * GlyphPitch + GlyphPitch / 2;
                    const bool inked = GlyphMatrixRow(glyph, r)[c] == u'#';
                    EXPECT_EQ(qAlpha(g.pixel(x, y)) == 255, inked)
                        << "set " << set << " glyph " << glyph << " row " << r << " col " << c;
                }
        }
    // Different characters have different matrices.
    QSet<QString> seen;
    for (int glyph = 0; glyph < FontGlyphCount; ++glyph) {
        QString all;
        for (int r = 0; r < 7; ++r)
            all += GlyphMatrixRow(glyph, r);
        EXPECT_FALSE(seen.contains(all)) << "glyph " << glyph << " repeats an earlier one";
        seen.insert(all);
    }
}

TEST(ContentArt, PicturesHaveInkOnATransparentBackground) {
    QList<QImage> pictures;
    for (const QString& name : DecoLineNames())
        pictures << DrawDecoLine(name);
    for (const QString& name : StampNames())
        pictures << DrawStamp(name);
    for (const QString& name : ScheduleStyleNames())
        pictures << DrawScheduleStyle(name);
    for (const QImage& p : pictures) {
        ASSERT_FALSE(p.isNull());
        const bool alpha = p.hasAlphaChannel();
        const QImage argb = Argb(p);
        int ink = 0;
        for (int y = 0; y < argb.height(); ++y)
            for (int x = 0; x < argb.width(); ++x)
                ink += Inked(argb.pixel(x, y), alpha);
        EXPECT_GT(ink, argb.width() * argb.height() / 10) << "a picture with some ink";
        EXPECT_LT(ink, argb.width() * argb.height()) << "and some transparent background";
        EXPECT_FALSE(Inked(argb.pixel(0, 0), alpha)) << "the corner is background";
    }
    EXPECT_TRUE(DrawStamp(QStringLiteral("NoSuchStamp")).isNull());
    EXPECT_TRUE(DrawScheduleStyle(QStringLiteral("NoSuchStyle")).isNull());
    EXPECT_TRUE(DrawContentFile(QStringLiteral("Data/PicFont/f9g00.png")).isNull());
}

TEST(ContentArt, WritesEveryFileAndReportsAFolderItCannotWrite) {
    QTemporaryDir dir;
    ASSERT_TRUE(dir.isValid());
    QString error;
    ASSERT_TRUE(WriteContent(dir.path(), error)) << error.toStdString();
    for (const QString& file : ContentFiles())
        EXPECT_FALSE(QImage(dir.filePath(file)).isNull()) << file.toStdString();

    // A file where the root folder should be.
    const QString blocked = dir.filePath(QStringLiteral("blocked"));
    QFile f(blocked);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();
    EXPECT_FALSE(WriteContent(blocked, error));
    EXPECT_FALSE(error.isEmpty());
}

TEST(ContentArt, TheShippedListsNameEveryStampAndScheduleStyle) {
    struct {
        const char* List;
        QString Section;
        QStringList Names;
        const char* Folder;
    } const lists[] = {
        {"Data/Stamps/Stamp.lst", StampSection, StampNames(), "Data/Stamps"},
        {"Data/SchStyle/SchStyle.lst", ScheduleStyleSection, ScheduleStyleNames(), "Data/SchStyle"},
    };
    for (const auto& l : lists) {
        TStyleIndexList list;
        ASSERT_EQ(list.LoadFromFile(QDir(Shipped).filePath(QString::fromLatin1(l.List))), QString())
            << l.List;
        const std::vector<TStyleEntry>& entries = list.Section(l.Section);
        QSet<QString> listed;
        for (const TStyleEntry& entry : entries) {
            EXPECT_FALSE(QImage(entry.FileName).isNull()) << entry.FileName.toStdString();
            listed.insert(QFileInfo(entry.FileName).completeBaseName());
        }
        EXPECT_EQ(static_cast<qsizetype>(entries.size()), l.Names.size()) << l.List;
        EXPECT_EQ(listed, QSet<QString>(l.Names.begin(), l.Names.end())) << l.List;
    }
}
