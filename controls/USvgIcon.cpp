#include "USvgIcon.h"

#include <QColor>
#include <QFile>
#include <QPainter>
#include <QPainterPath>
#include <QPixmap>
#include <QRegularExpression>
#include <QXmlStreamReader>

#include <algorithm>
#include <vector>

namespace {

struct TStyle {
    QColor Fill = Qt::black;
    QColor Stroke = Qt::transparent;
    double StrokeWidth = 1;
    Qt::PenCapStyle Cap = Qt::FlatCap;
    Qt::PenJoinStyle Join = Qt::MiterJoin;
    double Opacity = 1;
};

QColor ParseColor(const QString& Text, const QColor& Inherited) {
    const QString t = Text.trimmed();
    if (t.isEmpty())
        return Inherited;
    if (t == QLatin1String("none"))
        return Qt::transparent;
    const QColor c = QColor::fromString(t);
    return c.isValid() ? c : Inherited;
}

// Reads the style attributes (as attributes or inside "style") over the inherited ones.
TStyle ReadStyle(const QXmlStreamAttributes& Attrs, const TStyle& Inherited) {
    TStyle s = Inherited;
    std::vector<std::pair<QString, QString>> pairs;
    for (const QXmlStreamAttribute& a : Attrs)
        pairs.emplace_back(a.name().toString(), a.value().toString());
    const QString style = Attrs.value(QLatin1String("style")).toString();
    for (const QString& item : style.split(QLatin1Char(';'), Qt::SkipEmptyParts)) {
        const qsizetype colon = item.indexOf(QLatin1Char(':'));
        if (colon > 0)
            pairs.emplace_back(item.left(colon).trimmed(), item.mid(colon + 1).trimmed());
    }
    for (const auto& [name, value] : pairs) {
        if (name == QLatin1String("fill"))
            s.Fill = ParseColor(value, s.Fill);
        else if (name == QLatin1String("stroke"))
            s.Stroke = ParseColor(value, s.Stroke);
        else if (name == QLatin1String("stroke-width"))
            s.StrokeWidth = value.toDouble();
        else if (name == QLatin1String("opacity"))
            s.Opacity = std::clamp(value.toDouble(), 0.0, 1.0);
        else if (name == QLatin1String("stroke-linecap"))
            s.Cap = value == QLatin1String("round")    ? Qt::RoundCap
                    : value == QLatin1String("square") ? Qt::SquareCap
                                                       : Qt::FlatCap;
        else if (name == QLatin1String("stroke-linejoin"))
            s.Join = value == QLatin1String("round")   ? Qt::RoundJoin
                     : value == QLatin1String("bevel") ? Qt::BevelJoin
                                                       : Qt::MiterJoin;
    }
    return s;
}

std::vector<double> Numbers(QStringView Text) {
    static const QRegularExpression number(
        QStringLiteral(R"([-+]?(?:\d+\.?\d*|\.\d+)(?:[eE][-+]?\d+)?)"));
    std::vector<double> result;
    auto it = number.globalMatch(Text);
    while (it.hasNext())
        result.push_back(it.next().captured().toDouble());
    return result;
}

double Attr(const QXmlStreamAttributes& Attrs, const char* Name) {
    return Attrs.value(QLatin1String(Name)).toDouble();
}

// Path data: commands with their numbers; unknown commands end the path.
QPainterPath ParsePath(const QString& Data) {
    static const QRegularExpression token(
        QStringLiteral(R"(([MmLlHhVvCcSsQqTtZz])([^MmLlHhVvCcSsQqTtZzAa]*))"));
    QPainterPath path;
    QPointF current, start, lastControl;
    QChar lastCommand;
    auto it = token.globalMatch(Data);
    while (it.hasNext()) {
        const auto match = it.next();
        const QChar cmd = match.captured(1).at(0);
        const std::vector<double> n = Numbers(match.capturedView(2));
        const bool rel = cmd.isLower();
        const QChar up = cmd.toUpper();
        size_t i = 0;
        if (up == QLatin1Char('Z')) {
            path.closeSubpath();
            current = start;
        } else if (up == QLatin1Char('M')) {
            for (bool first = true; i + 1 < n.size(); i += 2, first = false) {
                const QPointF p = (rel ? current : QPointF()) + QPointF(n[i], n[i + 1]);
                if (first) {
                    path.moveTo(p);
                    start = p;
                } else {
                    path.lineTo(p);
                }
                current = p;
            }
        } else if (up == QLatin1Char('L')) {
            for (; i + 1 < n.size(); i += 2) {
                current = (rel ? current : QPointF()) + QPointF(n[i], n[i + 1]);
                path.lineTo(current);
            }
        } else if (up == QLatin1Char('H') || up == QLatin1Char('V')) {
            for (; i < n.size(); ++i) {
                if (up == QLatin1Char('H'))
                    current.setX(rel ? current.x() + n[i] : n[i]);
                else
                    current.setY(rel ? current.y() + n[i] : n[i]);
                path.lineTo(current);
            }
        } else if (up == QLatin1Char('C')) {
            for (; i + 5 < n.size(); i += 6) {
                const QPointF b = rel ? current : QPointF();
                const QPointF c1 = b + QPointF(n[i], n[i + 1]);
                const QPointF c2 = b + QPointF(n[i + 2], n[i + 3]);
                current = b + QPointF(n[i + 4], n[i + 5]);
                path.cubicTo(c1, c2, current);
                lastControl = c2;
            }
        } else if (up == QLatin1Char('S')) {
            for (; i + 3 < n.size(); i += 4) {
                const QPointF b = rel ? current : QPointF();
                const bool smooth = lastCommand.toUpper() == QLatin1Char('C') ||
                                    lastCommand.toUpper() == QLatin1Char('S');
                const QPointF c1 = smooth ? 2 * current - lastControl : current;
                const QPointF c2 = b + QPointF(n[i], n[i + 1]);
                current = b + QPointF(n[i + 2], n[i + 3]);
                path.cubicTo(c1, c2, current);
                lastControl = c2;
                lastCommand = QLatin1Char('S');
            }
        } else if (up == QLatin1Char('Q')) {
            for (; i + 3 < n.size(); i += 4) {
                const QPointF b = rel ? current : QPointF();
                const QPointF c = b + QPointF(n[i], n[i + 1]);
                current = b + QPointF(n[i + 2], n[i + 3]);
                path.quadTo(c, current);
                lastControl = c;
            }
        } else if (up == QLatin1Char('T')) {
            for (; i + 1 < n.size(); i += 2) {
                const bool smooth = lastCommand.toUpper() == QLatin1Char('Q') ||
                                    lastCommand.toUpper() == QLatin1Char('T');
                const QPointF c = smooth ? 2 * current - lastControl : current;
                current = (rel ? current : QPointF()) + QPointF(n[i], n[i + 1]);
                path.quadTo(c, current);
                lastControl = c;
                lastCommand = QLatin1Char('T');
            }
        }
        lastCommand = cmd;
    }
    return path;
}

QPainterPath Poly(const QXmlStreamAttributes& Attrs, bool Close) {
    const std::vector<double> n = Numbers(Attrs.value(QLatin1String("points")));
    QPainterPath path;
    for (size_t i = 0; i + 1 < n.size(); i += 2) {
        if (i == 0)
            path.moveTo(n[i], n[i + 1]);
        else
            path.lineTo(n[i], n[i + 1]);
    }
    if (Close)
        path.closeSubpath();
    return path;
}

// The shape of an element; an empty path for elements that are not shapes.
QPainterPath Shape(QStringView Name, const QXmlStreamAttributes& A) {
    QPainterPath path;
    if (Name == QLatin1String("path")) {
        path = ParsePath(A.value(QLatin1String("d")).toString());
    } else if (Name == QLatin1String("rect")) {
        const QRectF r(Attr(A, "x"), Attr(A, "y"), Attr(A, "width"), Attr(A, "height"));
        const double rx = Attr(A, "rx");
        const double ry = A.hasAttribute(QLatin1String("ry")) ? Attr(A, "ry") : rx;
        if (rx > 0 || ry > 0)
            path.addRoundedRect(r, rx, ry);
        else
            path.addRect(r);
    } else if (Name == QLatin1String("circle")) {
        const double r = Attr(A, "r");
        path.addEllipse(QPointF(Attr(A, "cx"), Attr(A, "cy")), r, r);
    } else if (Name == QLatin1String("ellipse")) {
        path.addEllipse(QPointF(Attr(A, "cx"), Attr(A, "cy")), Attr(A, "rx"), Attr(A, "ry"));
    } else if (Name == QLatin1String("line")) {
        path.moveTo(Attr(A, "x1"), Attr(A, "y1"));
        path.lineTo(Attr(A, "x2"), Attr(A, "y2"));
    } else if (Name == QLatin1String("polyline") || Name == QLatin1String("polygon")) {
        path = Poly(A, Name == QLatin1String("polygon"));
    }
    return path;
}

void DrawShape(QPainter& P, const QPainterPath& Path, const TStyle& S) {
    P.setOpacity(S.Opacity);
    if (S.Fill.alpha() > 0)
        P.fillPath(Path, S.Fill);
    if (S.Stroke.alpha() > 0 && S.StrokeWidth > 0) {
        QPen pen(S.Stroke, S.StrokeWidth, Qt::SolidLine, S.Cap, S.Join);
        P.strokePath(Path, pen);
    }
}

} // namespace

QImage RenderSvgIcon(const QByteArray& Svg, int Size) {
    QImage image(Size, Size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    QXmlStreamReader xml(Svg);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    std::vector<TStyle> styles{TStyle()};
    bool inSvg = false;
    while (!xml.atEnd()) {
        const auto token = xml.readNext();
        if (token == QXmlStreamReader::EndElement) {
            if (styles.size() > 1)
                styles.pop_back();
            continue;
        }
        if (token != QXmlStreamReader::StartElement)
            continue;
        const QXmlStreamAttributes attrs = xml.attributes();
        const TStyle style = ReadStyle(attrs, styles.back());
        styles.push_back(style);
        const QStringView name = xml.name();
        if (!inSvg) {
            if (name != QLatin1String("svg"))
                break;
            inSvg = true;
            std::vector<double> box = Numbers(attrs.value(QLatin1String("viewBox")));
            if (box.size() != 4)
                box = {0, 0, Attr(attrs, "width"), Attr(attrs, "height")};
            if (box[2] <= 0 || box[3] <= 0)
                break;
            const double scale = Size / std::max(box[2], box[3]);
            painter.translate((Size - box[2] * scale) / 2, (Size - box[3] * scale) / 2);
            painter.scale(scale, scale);
            painter.translate(-box[0], -box[1]);
            continue;
        }
        const QPainterPath path = Shape(name, attrs);
        if (!path.isEmpty())
            DrawShape(painter, path, style);
    }
    return image;
}

QIcon LoadSvgIcon(const QString& FileName) {
    QFile file(FileName);
    if (!file.open(QIODevice::ReadOnly))
        return QIcon();
    const QByteArray svg = file.read(1 << 20);
    QIcon icon;
    for (int size : {16, 24, 32, 48})
        icon.addPixmap(QPixmap::fromImage(RenderSvgIcon(svg, size)));
    return icon;
}
