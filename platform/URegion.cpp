#include "URegion.h"

#include <QPolygon>
#include <algorithm>

namespace {

QRect Normalised(const TRect& R) {
    const int l = std::min(R.Left, R.Right), r = std::max(R.Left, R.Right);
    const int t = std::min(R.Top, R.Bottom), b = std::max(R.Top, R.Bottom);
    return QRect(l, t, r - l, b - t);
}

Qt::FillRule FillRuleOf(int FillMode) {
    return FillMode == WINDING ? Qt::WindingFill : Qt::OddEvenFill;
}

} // namespace

TRegion TRegion::CreateRect(const TRect& R) {
    return TRegion(QRegion(Normalised(R)));
}

TRegion TRegion::CreateEllipse(const TRect& R) {
    const QRect q = Normalised(R);
    if (q.isEmpty())
        return TRegion();
    return TRegion(QRegion(q, QRegion::Ellipse));
}

TRegion TRegion::CreateRoundRect(const TRect& R, int CornerW, int CornerH) {
    const QRect q = Normalised(R);
    if (q.isEmpty())
        return TRegion();
    const double rx = std::min(std::abs(CornerW), q.width()) / 2.0;
    const double ry = std::min(std::abs(CornerH), q.height()) / 2.0;
    if (rx < 1 || ry < 1)
        return TRegion(QRegion(q));
    QPainterPath path;
    path.addRoundedRect(QRectF(q), rx, ry);
    return CreateFromPath(path, ALTERNATE);
}

TRegion TRegion::CreatePolygon(const TPoint* Points, int Count, int FillMode) {
    if (Count < 3)
        return TRegion();
    QPolygon poly(Count);
    for (int i = 0; i < Count; ++i)
        poly[i] = QPoint(Points[i].x, Points[i].y);
    return TRegion(QRegion(poly, FillRuleOf(FillMode)));
}

TRegion TRegion::CreateFromPath(const QPainterPath& Path, int FillMode) {
    QPainterPath p = Path;
    p.setFillRule(FillRuleOf(FillMode));
    // One polygon for all figures: the connecting edges run there and back, so they cancel
    // under both fill rules.
    const QPolygonF poly = p.toFillPolygon();
    if (poly.size() < 3)
        return TRegion();
    return TRegion(QRegion(poly.toPolygon(), p.fillRule()));
}

namespace {

// Cuts Poly to the half-plane Inside answers true for (one step of Sutherland-Hodgman).
// Inside the clip rectangle the winding number of every point is kept, so the fill rule
// gives the same inside there.
template <class InsideF, class CrossF>
QPolygonF ClipToHalfPlane(const QPolygonF& Poly, InsideF Inside, CrossF Cross) {
    QPolygonF out;
    out.reserve(Poly.size() + 4);
    for (qsizetype i = 0; i < Poly.size(); ++i) {
        const QPointF& a = Poly[i];
        const QPointF& b = Poly[(i + 1) % Poly.size()];
        const bool ina = Inside(a);
        const bool inb = Inside(b);
        if (ina)
            out << a;
        if (ina != inb)
            out << Cross(a, b);
    }
    return out;
}

QPolygonF ClipPolygon(const QPolygonF& Poly, const QRectF& R) {
    auto atX = [](const QPointF& a, const QPointF& b, qreal x) {
        return QPointF(x, a.y() + (b.y() - a.y()) * (x - a.x()) / (b.x() - a.x()));
    };
    auto atY = [](const QPointF& a, const QPointF& b, qreal y) {
        return QPointF(a.x() + (b.x() - a.x()) * (y - a.y()) / (b.y() - a.y()), y);
    };
    QPolygonF p = ClipToHalfPlane(
        Poly, [&](const QPointF& q) { return q.x() >= R.left(); },
        [&](const QPointF& a, const QPointF& b) { return atX(a, b, R.left()); });
    p = ClipToHalfPlane(
        p, [&](const QPointF& q) { return q.x() <= R.right(); },
        [&](const QPointF& a, const QPointF& b) { return atX(a, b, R.right()); });
    p = ClipToHalfPlane(
        p, [&](const QPointF& q) { return q.y() >= R.top(); },
        [&](const QPointF& a, const QPointF& b) { return atY(a, b, R.top()); });
    return ClipToHalfPlane(
        p, [&](const QPointF& q) { return q.y() <= R.bottom(); },
        [&](const QPointF& a, const QPointF& b) { return atY(a, b, R.bottom()); });
}

} // namespace

TRegion TRegion::CreateFromPath(const QPainterPath& Path, int FillMode, const QRect& Within) {
    if (Within.isEmpty())
        return TRegion();
    // Cutting adds vertices whose rounding can move an edge by a pixel, so paths of a
    // reasonable size are left whole (they give exactly the region of the whole path); only
    // paths reaching far beyond the pixels are cut, well outside them.
    constexpr int Reach = 4096;
    constexpr int Margin = 256;
    const QRectF reach = QRectF(Within).adjusted(-Reach, -Reach, Reach, Reach);
    if (reach.contains(Path.controlPointRect()))
        return TRegion(CreateFromPath(Path, FillMode).FRegion.intersected(Within));
    QPainterPath p = Path;
    p.setFillRule(FillRuleOf(FillMode));
    const QRectF limit = QRectF(Within).adjusted(-Margin, -Margin, Margin, Margin);
    const QPolygonF poly = ClipPolygon(p.toFillPolygon(), limit);
    if (poly.size() < 3)
        return TRegion();
    return TRegion(QRegion(poly.toPolygon(), p.fillRule()).intersected(Within));
}

int TRegion::Combine(const TRegion& A, const TRegion& B, int Mode) {
    switch (Mode) {
    case RGN_AND:
        FRegion = A.FRegion.intersected(B.FRegion);
        break;
    case RGN_OR:
        FRegion = A.FRegion.united(B.FRegion);
        break;
    case RGN_XOR:
        FRegion = A.FRegion.xored(B.FRegion);
        break;
    case RGN_DIFF:
        FRegion = A.FRegion.subtracted(B.FRegion);
        break;
    case RGN_COPY:
        FRegion = A.FRegion;
        break;
    default:
        return RGN_ERROR;
    }
    return Complexity();
}

int TRegion::Complexity() const {
    if (FRegion.isEmpty())
        return NULLREGION;
    return FRegion.rectCount() == 1 ? SIMPLEREGION : COMPLEXREGION;
}

TRect TRegion::Box() const {
    if (FRegion.isEmpty())
        return TRect();
    return TRect::FromQRect(FRegion.boundingRect());
}

int TRegion::GetBox(TRect& Box) const {
    Box = this->Box();
    return Complexity();
}

bool TRegion::RectInRegion(const TRect& R) const {
    const QRect q = Normalised(R);
    return !q.isEmpty() && FRegion.intersects(q);
}
