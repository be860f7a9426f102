#include "USvgIcon.h"

#include <QColor>
#include <QImage>
#include <gtest/gtest.h>

namespace {

struct TPixelCase {
    const char* Name;
    const char* Svg;
    int Size;
    QPoint Point;
    QRgb Expected; // qRgba, premultiplied colours are compared unpremultiplied
};

QByteArray Svg(const char* Body, const char* ViewBox = "0 0 24 24") {
    return QByteArray("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"") + ViewBox + "\">" +
           Body + "</svg>";
}

} // namespace

TEST(SvgIcon, ShapesFillAndStrokeWhereTheFileSays) {
    const QRgb red = qRgba(255, 0, 0, 255);
    const QRgb blue = qRgba(0, 0, 255, 255);
    const QRgb none = qRgba(0, 0, 0, 0);
    const TPixelCase cases[] = {
        {"rect inside", "<rect x='0' y='0' width='12' height='24' fill='#f00'/>", 24, {3, 12}, red},
        {"rect outside",
         "<rect x='0' y='0' width='12' height='24' fill='#f00'/>",
         24,
         {20, 12},
         none},
        {"circle centre", "<circle cx='12' cy='12' r='6' fill='blue'/>", 24, {12, 12}, blue},
        {"circle corner", "<circle cx='12' cy='12' r='6' fill='blue'/>", 24, {1, 1}, none},
        {"absolute path", "<path d='M0 0H24V12H0Z' fill='#ff0000'/>", 24, {12, 4}, red},
        {"relative path", "<path d='m0 12h24v12h-24z' fill='#ff0000'/>", 24, {12, 20}, red},
        {"relative path spares the top",
         "<path d='m0 12h24v12h-24z' fill='#ff0000'/>",
         24,
         {12, 4},
         none},
        {"group fill inherited",
         "<g fill='#00f'><rect x='0' y='0' width='24' height='24'/></g>",
         24,
         {12, 12},
         blue},
        {"fill none strokes only",
         "<rect x='2' y='2' width='20' height='20' fill='none' stroke='#f00' stroke-width='2'/>",
         24,
         {12, 12},
         none},
        {"stroke drawn",
         "<rect x='2' y='2' width='20' height='20' fill='none' stroke='#f00' stroke-width='2'/>",
         24,
         {2, 12},
         red},
        {"style attribute",
         "<rect x='0' y='0' width='24' height='24' style='fill:#0000ff'/>",
         24,
         {5, 5},
         blue},
        {"view box scaled up",
         "<rect x='0' y='0' width='6' height='6' fill='#f00'/>",
         48,
         {10, 10},
         red},
        {"view box scaled up, outside",
         "<rect x='0' y='0' width='6' height='6' fill='#f00'/>",
         48,
         {14, 14},
         none},
        {"polygon", "<polygon points='0,0 24,0 24,24' fill='#f00'/>", 24, {20, 4}, red},
        {"polygon other half", "<polygon points='0,0 24,0 24,24' fill='#f00'/>", 24, {3, 20}, none},
        {"cubic curve", "<path d='M0 24C0 0 24 0 24 24z' fill='#00f'/>", 24, {12, 20}, blue},
    };
    for (const TPixelCase& c : cases) {
        const QImage image =
            RenderSvgIcon(Svg(c.Svg), c.Size).convertToFormat(QImage::Format_ARGB32);
        ASSERT_EQ(image.size(), QSize(c.Size, c.Size)) << c.Name;
        const QRgb got = image.pixel(c.Point);
        EXPECT_EQ(qAlpha(got), qAlpha(c.Expected)) << c.Name;
        if (qAlpha(c.Expected) == 255) {
            EXPECT_EQ(qRed(got), qRed(c.Expected)) << c.Name;
            EXPECT_EQ(qBlue(got), qBlue(c.Expected)) << c.Name;
        }
    }
}

TEST(SvgIcon, TextThatIsNotSvgGivesAnEmptyImageAndMissingFilesNoIcon) {
    for (const QByteArray& text :
         {QByteArray(), QByteArray("not xml at all <<<"),
          QByteArray("<html><rect width='9' height='9'/></html>"),
          QByteArray("<svg viewBox='0 0 0 0'><rect width='9' height='9'/></svg>"),
          QByteArray("<svg viewBox='0 0 24 24'><path d='M0 0L24 0L"
                     "24 24Zx9 9 9 A 1 2'/>")}) {
        const QImage image = RenderSvgIcon(text, 16).convertToFormat(QImage::Format_ARGB32);
        int painted = 0;
        for (int y = 0; y < 16; ++y)
            for (int x = 0; x < 16; ++x)
                painted += qAlpha(image.pixel(x, y)) != 0;
        if (text.contains("M0 0L24"))
            EXPECT_GT(painted, 0) << "a damaged tail leaves what came before";
        else
            EXPECT_EQ(painted, 0) << text.constData();
    }
    EXPECT_TRUE(LoadSvgIcon(QStringLiteral("/nonexistent/icon.svg")).isNull());
}
