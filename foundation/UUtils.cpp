#include "UUtils.h"

#include <QDir>
#include <QFileInfo>

#include <cstdint>
#include <cstdlib>
#include <utility>

int RectWidth(const TRect& R) {
    return R.Right - R.Left;
}

int RectHeight(const TRect& R) {
    return R.Bottom - R.Top;
}

TPoint RectCenter(const TRect& R) {
    // 64-bit sums: two coordinates near the int limits must not overflow.
    return TPoint(static_cast<int>((int64_t(R.Left) + R.Right) / 2),
                  static_cast<int>((int64_t(R.Top) + R.Bottom) / 2));
}

void NormalizeRect(TRect& R) {
    if (R.Left > R.Right)
        std::swap(R.Left, R.Right);
    if (R.Top > R.Bottom)
        std::swap(R.Top, R.Bottom);
}

bool IsRectInside(const TRect& A, const TRect& B) {
    TRect r;
    IntersectRect(r, A, B);
    return r == A;
}

TPoint AddPoint(const TPoint& P, const TPoint& Q) {
    return TPoint(P.x + Q.x, P.y + Q.y);
}

TPoint ClampPointToRect(const TPoint& P, const TRect& R) {
    TPoint result = P;
    if (result.x < R.Left)
        result.x = R.Left;
    if (result.x > R.Right)
        result.x = R.Right;
    if (result.y < R.Top)
        result.y = R.Top;
    if (result.y > R.Bottom)
        result.y = R.Bottom;
    return result;
}

TRect CenterRectOn(const TRect& R, const TPoint& P) {
    const TPoint c = RectCenter(R);
    TRect result = R;
    OffsetRect(result, P.x - c.x, P.y - c.y);
    return result;
}

namespace {
bool HasArea(const TRect& R) {
    return RectWidth(R) > 0 && RectHeight(R) > 0;
}

// The size of R scaled with its aspect kept, to fit within (Cover = false) or to cover
// (Cover = true) Width x Height. R has an area.
TSize ScaledSize(const TRect& R, int Width, int Height, bool Cover) {
    const int w = RectWidth(R);
    const int h = RectHeight(R);
    // R is relatively wider than the box when w / h > Width / Height.
    const bool wider = int64_t(w) * Height > int64_t(h) * Width;
    // Fitting a wider R, or covering with a narrower one, makes the widths equal.
    if (wider != Cover)
        return TSize{Width, MulDiv(h, Width, w)};
    return TSize{MulDiv(w, Height, h), Height};
}

TRect ScaledAndCentred(const TRect& R, const TRect& Box, bool Cover) {
    if (!HasArea(R))
        return R;
    const TSize s = ScaledSize(R, RectWidth(Box), RectHeight(Box), Cover);
    return CenterRectOn(Bounds(0, 0, s.cx, s.cy), RectCenter(Box));
}
} // namespace

TRect FitRectSize(const TRect& R, int MaxWidth, int MaxHeight) {
    if (!HasArea(R))
        return R;
    const TSize s = ScaledSize(R, MaxWidth, MaxHeight, false);
    return Bounds(R.Left, R.Top, s.cx, s.cy);
}

TRect FitRectInRect(const TRect& R, const TRect& Box) {
    return ScaledAndCentred(R, Box, false);
}

TRect CoverRectInRect(const TRect& R, const TRect& Box) {
    return ScaledAndCentred(R, Box, true);
}

bool IsRectDegenerate(const TRect& R) {
    return R.Left == R.Right || R.Top == R.Bottom;
}

QString TenthsToStr(int N) {
    // The sign is written on its own: truncating division would give "0.-5" for -5.
    const int64_t magnitude = std::llabs(int64_t(N));
    QString result = N < 0 ? QStringLiteral("-") : QString();
    result += QString::number(magnitude / 10);
    if (magnitude % 10 != 0)
        result += QLatin1Char('.') + QString::number(magnitude % 10);
    return result;
}

QString MonthToStr(int Month) {
    return QStringLiteral("%1月").arg(Month);
}

namespace {
// Path with '\' as the only separator.
QString BackslashPath(const QString& Path) {
    QString result = Path;
    result.replace(QLatin1Char('/'), QLatin1Char('\\'));
    return result;
}
} // namespace

bool ExistsInDataFolder(const QString& FileName, const QString& Folder) {
    const QString file = BackslashPath(FileName);
    const qsizetype nameStart = file.lastIndexOf(QLatin1Char('\\')) + 1;
    const QString filePath = file.left(nameStart);
    const QString name = file.mid(nameStart);
    const QString marker = QStringLiteral("\\data\\");
    const qsizetype at = filePath.indexOf(marker, 0, Qt::CaseInsensitive);
    if (at < 0 || name.isEmpty())
        return false;
    QString folder = BackslashPath(Folder);
    if (!folder.endsWith(QLatin1Char('\\')))
        folder += QLatin1Char('\\');
    if (!folder.endsWith(filePath.mid(at), Qt::CaseInsensitive))
        return false;
    const QDir dir(Folder);
    if (QFileInfo(dir.filePath(name)).isFile())
        return true;
    const QStringList entries = dir.entryList(QDir::Files | QDir::Hidden | QDir::System);
    for (const QString& entry : entries) {
        if (entry.compare(name, Qt::CaseInsensitive) == 0)
            return true;
    }
    return false;
}
