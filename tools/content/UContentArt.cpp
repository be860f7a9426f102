#include "UContentArt.h"

#include <QDir>
#include <QFileInfo>
#include <QPainter>
#include <QPainterPath>
#include <QSaveFile>
#include <cmath>
#include <numbers>

namespace {

// Seven rows of five dots per glyph, in the order of the glyph alphabet.
constexpr const char* Matrix[FontGlyphCount][7] = {
    // A .. Z
    {".###.", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},
    {"####.", "#...#", "#...#", "####.", "#...#", "#...#", "####."},
    {".###.", "#...#", "#....", "#....", "#....", "#...#", ".###."},
    {"####.", "#...#", "#...#", "#...#", "#...#", "#...#", "####."},
    {"#####", "#....", "#....", "####.", "#....", "#....", "#####"},
    {"#####", "#....", "#....", "####.", "#....", "#....", "#...."},
    {".###.", "#...#", "#....", "#.###", "#...#", "#...#", ".####"},
    {"#...#", "#...#", "#...#", "#####", "#...#", "#...#", "#...#"},
    {".###.", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},
    {"..###", "...#.", "...#.", "...#.", "...#.", "#..#.", ".##.."},
    {"#...#", "#..#.", "#.#..", "##...", "#.#..", "#..#.", "#...#"},
    {"#....", "#....", "#....", "#....", "#....", "#....", "#####"},
    {"#...#", "##.##", "#.#.#", "#.#.#", "#...#", "#...#", "#...#"},
    {"#...#", "#...#", "##..#", "#.#.#", "#..##", "#...#", "#...#"},
    {".###.", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"####.", "#...#", "#...#", "####.", "#....", "#....", "#...."},
    {".###.", "#...#", "#...#", "#...#", "#.#.#", "#..#.", ".##.#"},
    {"####.", "#...#", "#...#", "####.", "#.#..", "#..#.", "#...#"},
    {".####", "#....", "#....", ".###.", "....#", "....#", "####."},
    {"#####", "..#..", "..#..", "..#..", "..#..", "..#..", "..#.."},
    {"#...#", "#...#", "#...#", "#...#", "#...#", "#...#", ".###."},
    {"#...#", "#...#", "#...#", "#...#", "#...#", ".#.#.", "..#.."},
    {"#...#", "#...#", "#...#", "#.#.#", "#.#.#", "#.#.#", ".#.#."},
    {"#...#", "#...#", ".#.#.", "..#..", ".#.#.", "#...#", "#...#"},
    {"#...#", "#...#", ".#.#.", "..#..", "..#..", "..#..", "..#.."},
    {"#####", "....#", "...#.", "..#..", ".#...", "#....", "#####"},
    // a .. z
    {".....", ".....", ".###.", "....#", ".####", "#...#", ".####"},
    {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "####."},
    {".....", ".....", ".###.", "#....", "#....", "#...#", ".###."},
    {"....#", "....#", ".##.#", "#..##", "#...#", "#...#", ".####"},
    {".....", ".....", ".###.", "#...#", "#####", "#....", ".###."},
    {"..##.", ".#..#", ".#...", "###..", ".#...", ".#...", ".#..."},
    {".....", ".####", "#...#", "#...#", ".####", "....#", ".###."},
    {"#....", "#....", "#.##.", "##..#", "#...#", "#...#", "#...#"},
    {"..#..", ".....", ".##..", "..#..", "..#..", "..#..", ".###."},
    {"...#.", ".....", "..##.", "...#.", "...#.", "#..#.", ".##.."},
    {"#....", "#....", "#..#.", "#.#..", "##...", "#.#..", "#..#."},
    {".##..", "..#..", "..#..", "..#..", "..#..", "..#..", ".###."},
    {".....", ".....", "##.#.", "#.#.#", "#.#.#", "#...#", "#...#"},
    {".....", ".....", "#.##.", "##..#", "#...#", "#...#", "#...#"},
    {".....", ".....", ".###.", "#...#", "#...#", "#...#", ".###."},
    {".....", ".....", "####.", "#...#", "####.", "#....", "#...."},
    {".....", ".....", ".##.#", "#..##", ".####", "....#", "....#"},
    {".....", ".....", "#.##.", "##..#", "#....", "#....", "#...."},
    {".....", ".....", ".###.", "#....", ".###.", "....#", "####."},
    {".#...", ".#...", "###..", ".#...", ".#...", ".#..#", "..##."},
    {".....", ".....", "#...#", "#...#", "#...#", "#..##", ".##.#"},
    {".....", ".....", "#...#", "#...#", "#...#", ".#.#.", "..#.."},
    {".....", ".....", "#...#", "#...#", "#.#.#", "#.#.#", ".#.#."},
    {".....", ".....", "#...#", ".#.#.", "..#..", ".#.#.", "#...#"},
    {".....", ".....", "#...#", "#...#", ".####", "....#", ".###."},
    {".....", ".....", "#####", "...#.", "..#..", ".#...", "#####"},
    // 0 .. 9
    {".###.", "#...#", "#..##", "#.#.#", "##..#", "#...#", ".###."},
    {"..#..", ".##..", "..#..", "..#..", "..#..", "..#..", ".###."},
    {".###.", "#...#", "....#", "...#.", "..#..", ".#...", "#####"},
    {"#####", "...#.", "..#..", "...#.", "....#", "#...#", ".###."},
    {"...#.", "..##.", ".#.#.", "#..#.", "#####", "...#.", "...#."},
    {"#####", "#....", "####.", "....#", "....#", "#...#", ".###."},
    {"..##.", ".#...", "#....", "####.", "#...#", "#...#", ".###."},
    {"#####", "....#", "...#.", "..#..", ".#...", ".#...", ".#..."},
    {".###.", "#...#", "#...#", ".###.", "#...#", "#...#", ".###."},
    {".###.", "#...#", "#...#", ".####", "....#", "...#.", ".##.."},
    // ! ?
    {"..#..", "..#..", "..#..", "..#..", "..#..", ".....", "..#.."},
    {".###.", "#...#", "....#", "...#.", "..#..", ".....", "..#.."},
};

constexpr int MatrixRows = 7;
constexpr int MatrixCols = 5;

// An opaque picture on the transparent colour, for pictures whose transparency is switched
// off before they are drawn.
QImage OpaqueCanvas(int Width, int Height) {
    QImage image(Width, Height, QImage::Format_RGB32);
    image.fill(ContentBackColor);
    return image;
}

// A picture with an alpha channel on a fully transparent background.
QImage AlphaCanvas(int Width, int Height) {
    QImage image(Width, Height, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    return image;
}

// The picture as stored: 24 bits, or 32 bits with straight (not premultiplied) alpha.
QImage Stored(const QImage& Image) {
    return Image.hasAlphaChannel() ? Image.convertToFormat(QImage::Format_ARGB32)
                                   : Image.convertToFormat(QImage::Format_RGB888);
}

QPainterPath StarPath(const QPointF& Centre, double Outer, double Inner, int Points) {
    QPainterPath path;
    for (int i = 0; i < 2 * Points; ++i) {
        const double r = i % 2 == 0 ? Outer : Inner;
        const double a = -std::numbers::pi / 2 + i * std::numbers::pi / Points;
        const QPointF p(Centre.x() + r * std::cos(a), Centre.y() + r * std::sin(a));
        if (i == 0)
            path.moveTo(p);
        else
            path.lineTo(p);
    }
    path.closeSubpath();
    return path;
}

QPainterPath HeartPath(const QRectF& R) {
    const double w = R.width(), h = R.height();
    QPainterPath path;
    path.moveTo(R.left() + w / 2, R.top() + h);
    path.cubicTo(R.left() - w * 0.05, R.top() + h * 0.55, R.left() + w * 0.05, R.top() - h * 0.05,
                 R.left() + w / 2, R.top() + h * 0.28);
    path.cubicTo(R.left() + w * 0.95, R.top() - h * 0.05, R.left() + w * 1.05, R.top() + h * 0.55,
                 R.left() + w / 2, R.top() + h);
    path.closeSubpath();
    return path;
}

// One dot of a glyph in the style of its set, centred in the cell at (X, Y).
void DrawDot(QPainter& P, int Set, int Row, int Col, const QPointF& C) {
    const double half = GlyphPitch / 2.0;
    switch (Set) {
    case 1: { // round dots, rose at the top to orange at the bottom
        const QColor colour = QColor::fromHsv(345 - Row * 8, 200, 230);
        P.setPen(Qt::NoPen);
        P.setBrush(colour);
        P.drawEllipse(C, half - 0.5, half - 0.5);
        break;
    }
    case 2: { // rounded tiles, blue to teal across, with a highlight
        const QColor colour = QColor::fromHsv(215 - Col * 12, 190, 200);
        P.setPen(Qt::NoPen);
        P.setBrush(colour);
        P.drawRoundedRect(
            QRectF(C.x() - half + 0.5, C.y() - half + 0.5, GlyphPitch - 1.0, GlyphPitch - 1.0), 2,
            2);
        P.setBrush(QColor(255, 255, 255));
        P.drawEllipse(QPointF(C.x() - 1.5, C.y() - 1.5), 1.0, 1.0);
        break;
    }
    default: { // gold stars with a brown edge
        P.setPen(QPen(QColor(150, 90, 20), 0.8));
        P.setBrush(QColor(250, 200, 40));
        P.drawPath(StarPath(C, half, half * 0.45, 5));
        break;
    }
    }
}

void DrawWave(QPainter& P, int W, int H) {
    QPainterPath path;
    for (int x = 0; x <= W; ++x) {
        const double y = H / 2.0 + (H / 3.0) * std::sin(2 * std::numbers::pi * x / W);
        if (x == 0)
            path.moveTo(x, y);
        else
            path.lineTo(x, y);
    }
    P.setPen(QPen(QColor(30, 120, 200), H / 6.0, Qt::SolidLine, Qt::FlatCap));
    P.drawPath(path);
}

void DrawHearts(QPainter& P, int W, int H) {
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(220, 40, 90));
    P.drawPath(HeartPath(QRectF(W * 0.12, H * 0.12, W * 0.76, H * 0.76)));
}

void DrawHeartPair(QPainter& P, int W, int H) {
    DrawHearts(P, W / 2, H);
    P.translate(W / 2, 0);
    DrawHearts(P, W / 2, H);
}

void DrawZigzag(QPainter& P, int W, int H) {
    QPainterPath path;
    path.moveTo(0, H * 0.75);
    path.lineTo(W * 0.25, H * 0.25);
    path.lineTo(W * 0.5, H * 0.75);
    path.lineTo(W * 0.75, H * 0.25);
    path.lineTo(W, H * 0.75);
    P.setPen(QPen(QColor(40, 150, 60), H / 7.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    P.drawPath(path);
}

void DrawBeads(QPainter& P, int W, int H) {
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(120, 60, 180));
    P.drawEllipse(QPointF(W * 0.25, H / 2.0), H * 0.3, H * 0.3);
    P.setBrush(QColor(240, 170, 30));
    P.drawEllipse(QPointF(W * 0.75, H / 2.0), H * 0.2, H * 0.2);
}

void DrawStarStamp(QPainter& P, int S) {
    P.setPen(QPen(QColor(180, 110, 0), 3));
    P.setBrush(QColor(255, 205, 30));
    P.drawPath(StarPath(QPointF(S / 2.0, S / 2.0 + 3), S * 0.45, S * 0.19, 5));
}

void DrawHeartStamp(QPainter& P, int S) {
    P.setPen(QPen(QColor(150, 20, 50), 3));
    P.setBrush(QColor(235, 60, 100));
    P.drawPath(HeartPath(QRectF(S * 0.08, S * 0.1, S * 0.84, S * 0.8)));
}

void DrawFlowerStamp(QPainter& P, int S) {
    const QPointF c(S / 2.0, S / 2.0);
    P.setPen(QPen(QColor(200, 80, 140), 2));
    P.setBrush(QColor(250, 150, 200));
    for (int i = 0; i < 6; ++i) {
        const double a = i * std::numbers::pi / 3;
        P.drawEllipse(QPointF(c.x() + S * 0.24 * std::cos(a), c.y() + S * 0.24 * std::sin(a)),
                      S * 0.17, S * 0.17);
    }
    P.setBrush(QColor(255, 220, 60));
    P.drawEllipse(c, S * 0.15, S * 0.15);
}

void DrawSunStamp(QPainter& P, int S) {
    const QPointF c(S / 2.0, S / 2.0);
    P.setPen(QPen(QColor(240, 120, 20), 4, Qt::SolidLine, Qt::RoundCap));
    for (int i = 0; i < 12; ++i) {
        const double a = i * std::numbers::pi / 6;
        P.drawLine(QPointF(c.x() + S * 0.3 * std::cos(a), c.y() + S * 0.3 * std::sin(a)),
                   QPointF(c.x() + S * 0.46 * std::cos(a), c.y() + S * 0.46 * std::sin(a)));
    }
    P.setPen(Qt::NoPen);
    P.setBrush(QColor(250, 90, 30));
    P.drawEllipse(c, S * 0.25, S * 0.25);
}

void DrawCheckStamp(QPainter& P, int S) {
    P.setPen(QPen(QColor(200, 30, 30), 5));
    P.setBrush(Qt::NoBrush);
    P.drawEllipse(QPointF(S / 2.0, S / 2.0), S * 0.42, S * 0.42);
    QPainterPath tick;
    tick.moveTo(S * 0.28, S * 0.52);
    tick.lineTo(S * 0.44, S * 0.68);
    tick.lineTo(S * 0.74, S * 0.32);
    P.setPen(QPen(QColor(200, 30, 30), 8, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    P.drawPath(tick);
}

// Schedule styles lie under the schedule text of a day cell: light, so that the text stays
// readable, and wide, as the text's rect usually is.
void DrawMarkerStyle(QPainter& P, int W, int H) {
    QPainterPath stroke;
    stroke.moveTo(W * 0.04, H * 0.62);
    stroke.cubicTo(W * 0.3, H * 0.5, W * 0.7, H * 0.72, W * 0.96, H * 0.56);
    P.setPen(QPen(QColor(255, 236, 90, 200), H * 0.62, Qt::SolidLine, Qt::RoundCap));
    P.drawPath(stroke);
}

void DrawRibbonStyle(QPainter& P, int W, int H) {
    QPainterPath band;
    band.moveTo(0, H * 0.15);
    band.lineTo(W, H * 0.15);
    band.lineTo(W * 0.95, H * 0.5);
    band.lineTo(W, H * 0.85);
    band.lineTo(0, H * 0.85);
    band.lineTo(W * 0.05, H * 0.5);
    band.closeSubpath();
    P.setPen(QPen(QColor(220, 120, 150), 2));
    P.setBrush(QColor(255, 215, 225));
    P.drawPath(band);
}

void DrawFrameStyle(QPainter& P, int W, int H) {
    P.setPen(QPen(QColor(90, 150, 220), 3));
    P.setBrush(QColor(225, 240, 255));
    P.drawRoundedRect(QRectF(2, 2, W - 4, H - 4), H * 0.35, H * 0.35);
}

void DrawTagStyle(QPainter& P, int W, int H) {
    QPainterPath tag;
    tag.moveTo(W * 0.12, H * 0.1);
    tag.lineTo(W - 2, H * 0.1);
    tag.lineTo(W - 2, H * 0.9);
    tag.lineTo(W * 0.12, H * 0.9);
    tag.lineTo(2, H * 0.5);
    tag.closeSubpath();
    P.setPen(QPen(QColor(110, 170, 80), 2));
    P.setBrush(QColor(220, 245, 205));
    P.drawPath(tag);
    P.setBrush(Qt::white);
    P.drawEllipse(QPointF(W * 0.12, H * 0.5), H * 0.1, H * 0.1);
}

constexpr int DecoLineWidth = 64;
constexpr int DecoLineHeight = 32;
constexpr int StampSize = 96;
constexpr int ScheduleStyleWidth = 192;
constexpr int ScheduleStyleHeight = 48;

} // namespace

QString ContentGlyphAlphabet() {
    return QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789!?");
}

QString GlyphMatrixRow(int Glyph, int Row) {
    if (Glyph < 0 || Glyph >= FontGlyphCount || Row < 0 || Row >= MatrixRows)
        return {};
    return QString::fromLatin1(Matrix[Glyph][Row]);
}

void GlyphColumns(int Glyph, int& First, int& Last) {
    First = MatrixCols;
    Last = -1;
    for (int r = 0; r < MatrixRows; ++r)
        for (int c = 0; c < MatrixCols; ++c)
            if (Matrix[Glyph][r][c] == '#') {
                First = std::min(First, c);
                Last = std::max(Last, c);
            }
    if (Last < 0) {
        First = 0;
        Last = MatrixCols - 1;
    }
}

QImage DrawFontGlyph(int Set, int Glyph) {
    if (Set < 1 || Set > FontSetCount || Glyph < 0 || Glyph >= FontGlyphCount)
        return {};
    int first = 0, last = 0;
    GlyphColumns(Glyph, first, last);
    const int cols = last - first + 1;
    QImage image =
        AlphaCanvas(cols * GlyphPitch + 2 * GlyphMargin, MatrixRows * GlyphPitch + 2 * GlyphMargin);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    for (int r = 0; r < MatrixRows; ++r)
        for (int c = first; c <= last; ++c)
            if (Matrix[Glyph][r][c] == '#') {
                const QPointF centre(GlyphMargin + (c - first) * GlyphPitch + GlyphPitch / 2.0,
                                     GlyphMargin + r * GlyphPitch + GlyphPitch / 2.0);
                DrawDot(p, Set, r, c, centre);
            }
    p.end();
    return Stored(image);
}

QStringList DecoLineNames() {
    return {QStringLiteral("Beads"), QStringLiteral("Hearts"), QStringLiteral("Wave"),
            QStringLiteral("Zigzag")};
}

QImage DrawDecoLine(const QString& Name) {
    QImage image = OpaqueCanvas(DecoLineWidth, DecoLineHeight);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (Name == QLatin1String("Beads"))
        DrawBeads(p, DecoLineWidth, DecoLineHeight);
    else if (Name == QLatin1String("Hearts"))
        DrawHeartPair(p, DecoLineWidth, DecoLineHeight);
    else if (Name == QLatin1String("Wave"))
        DrawWave(p, DecoLineWidth, DecoLineHeight);
    else if (Name == QLatin1String("Zigzag"))
        DrawZigzag(p, DecoLineWidth, DecoLineHeight);
    else
        return {};
    p.end();
    return Stored(image);
}

QStringList StampNames() {
    return {QStringLiteral("Check"), QStringLiteral("Flower"), QStringLiteral("Heart"),
            QStringLiteral("Star"), QStringLiteral("Sun")};
}

QImage DrawStamp(const QString& Name) {
    QImage image = AlphaCanvas(StampSize, StampSize);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (Name == QLatin1String("Check"))
        DrawCheckStamp(p, StampSize);
    else if (Name == QLatin1String("Flower"))
        DrawFlowerStamp(p, StampSize);
    else if (Name == QLatin1String("Heart"))
        DrawHeartStamp(p, StampSize);
    else if (Name == QLatin1String("Star"))
        DrawStarStamp(p, StampSize);
    else if (Name == QLatin1String("Sun"))
        DrawSunStamp(p, StampSize);
    else
        return {};
    p.end();
    return Stored(image);
}

QStringList ScheduleStyleNames() {
    return {QStringLiteral("Marker"), QStringLiteral("Ribbon"), QStringLiteral("Frame"),
            QStringLiteral("Tag")};
}

QImage DrawScheduleStyle(const QString& Name) {
    const int w = ScheduleStyleWidth, h = ScheduleStyleHeight;
    QImage image = AlphaCanvas(w, h);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    if (Name == QLatin1String("Marker"))
        DrawMarkerStyle(p, w, h);
    else if (Name == QLatin1String("Ribbon"))
        DrawRibbonStyle(p, w, h);
    else if (Name == QLatin1String("Frame"))
        DrawFrameStyle(p, w, h);
    else if (Name == QLatin1String("Tag"))
        DrawTagStyle(p, w, h);
    else
        return {};
    p.end();
    return Stored(image);
}

QStringList ContentFiles() {
    QStringList files;
    for (int set = 1; set <= FontSetCount; ++set)
        for (int g = 0; g < FontGlyphCount; ++g)
            files << QStringLiteral("Data/PicFont/f%1g%2.png")
                         .arg(set)
                         .arg(g, 2, 10, QLatin1Char('0'));
    for (const QString& name : DecoLineNames())
        files << QStringLiteral("Data/DecoLine/%1.png").arg(name);
    for (const QString& name : StampNames())
        files << QStringLiteral("Data/Stamps/%1.png").arg(name);
    for (const QString& name : ScheduleStyleNames())
        files << QStringLiteral("Data/SchStyle/%1.png").arg(name);
    return files;
}

QImage DrawContentFile(const QString& RelativePath) {
    const QString folder = QFileInfo(RelativePath).path();
    const QString base = QFileInfo(RelativePath).completeBaseName();
    if (folder == QLatin1String("Data/DecoLine"))
        return DrawDecoLine(base);
    if (folder == QLatin1String("Data/Stamps"))
        return DrawStamp(base);
    if (folder == QLatin1String("Data/SchStyle"))
        return DrawScheduleStyle(base);
    if (folder == QLatin1String("Data/PicFont") && base.size() == 5 && base[0] == u'f' &&
        base[2] == u'g')
        return DrawFontGlyph(base.mid(1, 1).toInt(), base.mid(3, 2).toInt());
    return {};
}

bool WriteContent(const QString& Root, QString& Error) {
    for (const QString& file : ContentFiles()) {
        const QString path = QDir(Root).filePath(file);
        if (!QDir().mkpath(QFileInfo(path).path())) {
            Error = QStringLiteral("cannot create the folder of %1").arg(path);
            return false;
        }
        const QImage image = DrawContentFile(file);
        QSaveFile out(path);
        if (image.isNull() || !out.open(QIODevice::WriteOnly) || !image.save(&out, "PNG") ||
            !out.commit()) {
            Error = QStringLiteral("cannot write %1").arg(path);
            return false;
        }
    }
    return true;
}
