// Character widths, alignment, layouts, fonts and region fitting, measured with the IPA
// faces of the Debian packages at 254 pixels per inch (one unit = 0.1 mm).

#include "UBitmap.h"
#include "UGlyphUtils.h"
#include "UStroke.h"

#include <QFontDatabase>
#include <gtest/gtest.h>

namespace {

// The face files the measurements rely on.
constexpr const char* IPAPGothicFile = "/usr/share/fonts/opentype/ipafont-gothic/ipagp.ttf";

struct TMeasureCanvas {
    TBitmap Bitmap{200, 200};
    TCanvas& Canvas = Bitmap.Canvas();
    explicit TMeasureCanvas(const QString& Face = QStringLiteral("ＭＳ Ｐゴシック"),
                            int Size = 36) {
        Canvas.Font().SetPixelsPerInch(254);
        Canvas.Font().SetName(Face);
        Canvas.Font().SetSize(Size);
    }
};

} // namespace

TEST(GlyphUtils, PinnedFaceIsTheOneMeasured) {
    TMeasureCanvas m;
    const QRawFont raw = m.Canvas.DeviceRawFont();
    ASSERT_TRUE(raw.isValid());
    EXPECT_EQ(raw.familyName(), QStringLiteral("IPAPGothic"));
    const int id = QFontDatabase::addApplicationFont(QString::fromLatin1(IPAPGothicFile));
    ASSERT_GE(id, 0) << "fonts-ipafont-gothic is not installed";
    EXPECT_EQ(raw.unitsPerEm(), 2048);
}
