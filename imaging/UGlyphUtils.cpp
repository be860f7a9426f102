#include "UGlyphUtils.h"

#include "UStroke.h"

#include <QFontDatabase>
#include <QHash>
#include <algorithm>
#include <climits>
#include <cmath>
#include <numbers>
#include <optional>

int CharByteCount(uint8_t Ch) {
    return (Ch >= 0x81 && Ch <= 0x9F) || (Ch >= 0xE0 && Ch <= 0xFC) ? 2 : 1;
}

QStringList SplitChars(const QString& S) {
    QStringList out;
    for (qsizetype i = 0; i < S.size();) {
        const qsizetype n = S[i].isHighSurrogate() && i + 1 < S.size() ? 2 : 1;
        out.append(S.mid(i, n));
        i += n;
    }
    return out;
}

namespace {

bool IsTab(const QString& Ch) {
    return Ch.size() == 1 && Ch[0] == QChar(9);
}

} // namespace

void GetCharABC(TCanvas& Canvas, const QString& Ch, TABC& ABC) {
    ABC = {};
    if (IsTab(Ch)) {
        ABC.B = Canvas.TextWidth(QStringLiteral("0"));
        return;
    }
    if (!Canvas.GetCharABCWidths(Ch, ABC))
        ABC = {0, Canvas.TextWidth(Ch), 0};
}

TABCArray GetABCArray(TCanvas& Canvas, const QString& S) {
    const QStringList chars = SplitChars(S);
    TABCArray out(static_cast<size_t>(chars.size()));
    for (qsizetype i = 0; i < chars.size(); ++i) {
        TABC& abc = out[static_cast<size_t>(i)];
        GetCharABC(Canvas, chars[i], abc);
        if (IsTab(chars[i]))
            abc.B *= 8 - static_cast<int>(i % 8);
    }
    return out;
}

void AlignABCWidths(TIntArray& Positions, const TABCArray& ABCs, int Width, TPoint& Extent,
                    int Spacing, int Align) {
    const int n = static_cast<int>(ABCs.size());
    if (Align == AlignJustify)
        Spacing = 0;
    Positions.assign(ABCs.size(), 0);
    int x = 0, minLeft = INT_MAX, maxRight = INT_MIN;
    for (int i = 0; i < n; ++i) {
        const TABC& w = ABCs[static_cast<size_t>(i)];
        Positions[static_cast<size_t>(i)] = x;
        const int start = x + w.A, end = start + w.B;
        minLeft = std::min(minLeft, start);
        maxRight = std::max(maxRight, end);
        x = end + w.C + Spacing;
    }
    if (n == 0)
        minLeft = maxRight = 0;
    if (Align == AlignJustify) {
        Extent = {0, Width};
        const int64_t e = int64_t(Width) - (int64_t(maxRight) - minLeft);
        int64_t pos = -minLeft;
        for (int i = 0; i < n; ++i) {
            const TABC& w = ABCs[static_cast<size_t>(i)];
            Positions[static_cast<size_t>(i)] = static_cast<int>(pos);
            pos += int64_t(w.A) + w.B + w.C;
            if (n > 1)
                pos += (int64_t(i + 1) * e) / (n - 1) - (int64_t(i) * e) / (n - 1);
        }
        return;
    }
    int shift;
    if (Align == AlignLeft)
        shift = -minLeft;
    else if (Align == AlignRight)
        shift = Width - maxRight;
    else
        shift = (Width - maxRight - minLeft) / 2;
    for (int& p : Positions)
        p += shift;
    Extent = {minLeft + shift, maxRight + shift};
}

void AlignCharWidths(TIntArray& Positions, const TIntArray& Widths, int Width, int Spacing,
                     int Align) {
    TABCArray abcs;
    abcs.reserve(Widths.size());
    for (const int w : Widths)
        abcs.push_back({0, w, 0});
    TPoint extent;
    AlignABCWidths(Positions, abcs, Width, extent, Spacing, Align);
}

int MakeCharLayout(TCanvas& Canvas, TCharLayout& Layout, const QString& S, int Spacing, int Align,
                   int Width) {
    Layout.ABCs = GetABCArray(Canvas, S);
    TPoint extent;
    AlignABCWidths(Layout.Positions, Layout.ABCs, Width, extent, Spacing, Align);
    Layout.Left = extent.x;
    Layout.Right = extent.y;
    Layout.Text = S;
    TTextMetric tm;
    Canvas.GetTextMetrics(tm);
    Layout.Height = tm.tmHeight;
    return Layout.Height;
}

void RealignCharLayout(TCharLayout& Layout, int Width, int Align, int Spacing) {
    TPoint extent;
    AlignABCWidths(Layout.Positions, Layout.ABCs, Width, extent, Spacing, Align);
    Layout.Left = extent.x;
    Layout.Right = extent.y;
}

void ShiftCharLayout(TCharLayout& Layout, int Delta) {
    for (int& p : Layout.Positions)
        p += Delta;
    Layout.Left += Delta;
    Layout.Right += Delta;
}

TRect LineRectHorz(const TRect& Origin, const TCharLayout& Layout) {
    return {Origin.Left + Layout.Left, Origin.Top, Origin.Left + Layout.Right,
            Origin.Top + Layout.Height};
}

TRect LineRectVert(const TRect& Origin, const TCharLayout& Layout) {
    return {Origin.Right - Layout.Height, Origin.Top + Layout.Left, Origin.Right,
            Origin.Top + Layout.Right};
}

namespace {

// Calls Draw(character, position) for every character of Layout that is drawn.
template <class F>
void ForEachDrawnChar(const TCharLayout& Layout, F Draw) {
    const QStringList chars = SplitChars(Layout.Text);
    const qsizetype n = std::min<qsizetype>(chars.size(), qsizetype(Layout.Positions.size()));
    for (qsizetype k = 0; k < n; ++k)
        if (!IsTab(chars[k]))
            Draw(chars[k], Layout.Positions[static_cast<size_t>(k)], k);
}

} // namespace

void DrawLayoutHorz(TCanvas& Canvas, const TRect& R, const TCharLayout& Layout) {
    ForEachDrawnChar(Layout, [&](const QString& Ch, int Pos, qsizetype) {
        Canvas.TextOut(R.Left + Pos, R.Top, Ch);
    });
}

void DrawLayoutVert(TCanvas& Canvas, const TRect& R, const TCharLayout& Layout) {
    ForEachDrawnChar(Layout, [&](const QString& Ch, int Pos, qsizetype) {
        Canvas.TextOut(R.Right, R.Top + Pos, Ch);
    });
}

void DrawRotatedLine(TCanvas& Canvas, const TCharLayout& Layout, double AngleDeg,
                     const TPoint& Center) {
    const double a = AngleDeg * std::numbers::pi / 180.0;
    const double w = Layout.Right - Layout.Left, h = Layout.Height;
    const double c = std::cos(a), s = std::sin(a);
    ForEachDrawnChar(Layout, [&](const QString& Ch, int Pos, qsizetype) {
        const double d = Pos - Layout.Left - w / 2;
        const int x = static_cast<int>(std::floor(d * c + (h / 2) * s + Center.x));
        const int y = static_cast<int>(std::floor(d * s - (h / 2) * c + Center.y));
        Canvas.TextOut(x, y, Ch);
    });
}

void DrawTextOnCircle(TCanvas& Canvas, const TRect& CircleRect, const TCharLayout& Layout,
                      bool Clockwise, bool Vertical, double Span, double StartAngle) {
    const int n = static_cast<int>(std::min(Layout.ABCs.size(), Layout.Positions.size()));
    if (Layout.Right - Layout.Left == 0 || Layout.Height == 0 || n == 0)
        return;
    const double cx = (CircleRect.Left + CircleRect.Right) / 2.0;
    const double cy = (CircleRect.Top + CircleRect.Bottom) / 2.0;
    const double ro = std::min(std::abs(CircleRect.Width()), std::abs(CircleRect.Height())) / 2.0;
    const double rm = ro - Layout.Height / 2.0;
    const double ri = ro - Layout.Height;
    // Inside a circle smaller than the line's height the angles would turn negative and
    // the glyphs come out mirrored and out of order: such a line is left out.
    if (ri <= 0)
        return;
    const double step = n > 1 ? (Span - (Layout.Right - Layout.Left) / ri) / (n - 1) : 0.0;
    const QStringList chars = SplitChars(Layout.Text);
    for (int k = 0; k < n && k < chars.size(); ++k) {
        if (IsTab(chars[k]))
            continue;
        const TABC& w = Layout.ABCs[static_cast<size_t>(k)];
        const double c = w.A + Layout.Positions[static_cast<size_t>(k)] + w.B / 2.0;
        const double theta = k * step + c / ri;
        const double a = Clockwise ? StartAngle + theta : StartAngle - theta;
        const double deg = a * 180.0 / std::numbers::pi;
        const double g = Clockwise ? deg + 90 : deg - 90;
        const TPoint at(static_cast<int>(std::lround(std::cos(a) * rm + cx)),
                        static_cast<int>(std::lround(std::sin(a) * rm + cy)));
        const int v = static_cast<int>(std::lround(g * 10));
        if (Vertical)
            SetVerticalFont(Canvas.Font(), v + 2700);
        else
            SetRotatedFont(Canvas.Font(), v);
        TCharLayout one;
        MakeCharLayout(Canvas, one, chars[k], 0, AlignLeft, 0);
        DrawRotatedLine(Canvas, one, g, at);
    }
}

void SetRotatedFont(TFont& Font, int Angle10) {
    if (Font.Escapement() == -Angle10 && Font.Orientation() == -Angle10)
        return;
    TFontData d = Font.Data();
    d.Escapement = d.Orientation = -Angle10;
    Font.SetData(d);
}

void SetVerticalFont(TFont& Font, int Angle10) {
    QString name = Font.Name();
    if (!name.isEmpty() && !name.startsWith(QLatin1Char('@'))) {
        name.prepend(QLatin1Char('@'));
        if (!IsVerticalFont(name))
            name.remove(0, 1);
    }
    const int e = 2700 - Angle10;
    if (Font.Escapement() == e && Font.Orientation() == e && Font.Name() == name)
        return;
    TFontData d = Font.Data();
    d.Escapement = d.Orientation = e;
    d.Name = name;
    Font.SetData(d);
}

void GetDecorationMetrics(TCanvas& Canvas, TDecorationMetrics& M) {
    TOutlineTextMetric otm;
    if (Canvas.GetOutlineTextMetrics(otm)) {
        M = {otm.tmAscent - otm.otmsUnderscorePosition, otm.otmsUnderscoreSize,
             otm.tmAscent - otm.otmsStrikeoutPosition, otm.otmsStrikeoutSize};
        return;
    }
    TTextMetric tm;
    Canvas.GetTextMetrics(tm);
    M = {tm.tmAscent + tm.tmExternalLeading, 1, MulDiv(tm.tmAscent, 3, 4) + tm.tmExternalLeading,
         1};
}

namespace {

void AddQuad(TStroke& Stroke, const TRect& R) {
    Stroke.AddPoint(R.Left, R.Top, TStroke::PT_MOVETO);
    Stroke.AddPoint(R.Right - 1, R.Top, TStroke::PT_LINETO);
    Stroke.AddPoint(R.Right - 1, R.Bottom - 1, TStroke::PT_LINETO);
    Stroke.AddPoint(R.Left, R.Bottom - 1, TStroke::PT_LINETO);
}

} // namespace

void AddDecorationRectsHorz(TStroke& Stroke, const TRect& Origin, const TCharLayout& Layout,
                            TFont::TFontStyles Style, const TDecorationMetrics& M) {
    const TRect l = LineRectHorz(Origin, Layout);
    if (Style & TFont::fsUnderline)
        AddQuad(Stroke, {l.Left, l.Top + M.UnderlineOffset, l.Right,
                         l.Top + M.UnderlineOffset + M.UnderlineSize});
    if (Style & TFont::fsStrikeOut)
        AddQuad(Stroke, {l.Left, l.Top + M.StrikeoutOffset, l.Right,
                         l.Top + M.StrikeoutOffset + M.StrikeoutSize});
}

void AddDecorationRectsVert(TStroke& Stroke, const TRect& Origin, const TCharLayout& Layout,
                            TFont::TFontStyles Style, const TDecorationMetrics& M) {
    const TRect l = LineRectVert(Origin, Layout);
    if (Style & TFont::fsUnderline) {
        const int right = l.Right - M.UnderlineOffset;
        AddQuad(Stroke, {right - M.UnderlineSize, l.Top, right, l.Bottom});
    }
    if (Style & TFont::fsStrikeOut) {
        const int right = l.Right - M.StrikeoutOffset;
        AddQuad(Stroke, {right - M.StrikeoutSize, l.Top, right, l.Bottom});
    }
}

void FillStrokeQuads(TCanvas& Canvas, const TStroke& Stroke) {
    if (Stroke.GetCount() == 0)
        return;
    const auto points = Stroke.Points();
    if (Canvas.InPath()) {
        // Recording a path: the quads become figures; a saved state would take the path
        // back with it.
        for (size_t i = 0; i + 4 <= points.size(); i += 4)
            Canvas.Polygon(&points[i], 4);
        return;
    }
    const int saved = Canvas.SaveDC();
    const TColor color = Canvas.Font().Color();
    Canvas.Pen().SetWidth(0);
    Canvas.Pen().SetStyle(psSolid);
    Canvas.Pen().SetColor(color);
    Canvas.Brush().SetStyle(bsSolid);
    Canvas.Brush().SetColor(color);
    for (size_t i = 0; i + 4 <= points.size(); i += 4)
        Canvas.Polygon(&points[i], 4);
    Canvas.RestoreDC(saved);
}

void DrawDecorationsHorz(TCanvas& Canvas, const TRect& Origin, const TCharLayout& Layout,
                         TFont::TFontStyles Style, const TDecorationMetrics& M) {
    TStroke stroke;
    AddDecorationRectsHorz(stroke, Origin, Layout, Style, M);
    FillStrokeQuads(Canvas, stroke);
}

void DrawDecorationsVert(TCanvas& Canvas, const TRect& Origin, const TCharLayout& Layout,
                         TFont::TFontStyles Style, const TDecorationMetrics& M) {
    TStroke stroke;
    AddDecorationRectsVert(stroke, Origin, Layout, Style, M);
    FillStrokeQuads(Canvas, stroke);
}

// ---- Font lists ------------------------------------------------------------------------

namespace {

struct TFontLists {
    QHash<QString, QString> Usable;   // lower-case name -> name
    QHash<QString, QString> Vertical; // the "@" faces
    QHash<QString, QString> Unusable;
    QStringList UsableOrder;
    bool Built = false;
};

TFontLists& ListsInstance() {
    static TFontLists lists;
    return lists;
}

TFontLists& Lists() {
    if (!ListsInstance().Built)
        BuildFontLists();
    return ListsInstance();
}

} // namespace

void BuildFontLists() {
    TFontLists fresh;
    fresh.Built = true;
    RefreshFontFaces();
    for (const QString& name : InstalledFontFaces()) {
        const QString key = name.toLower();
        if (!IsScalableFontFace(name))
            fresh.Unusable.insert(key, name);
        else if (name.startsWith(QLatin1Char('@')))
            fresh.Vertical.insert(key, name);
        else {
            fresh.Usable.insert(key, name);
            fresh.UsableOrder.append(name);
        }
    }
    ListsInstance() = std::move(fresh);
}

const QStringList& DefaultFontNames() {
    static const QStringList names = {
        QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("ＭＳ Ｐ明朝"),
        QStringLiteral("ＭＳ ゴシック"),   QStringLiteral("ＭＳ 明朝"),
        QStringLiteral("標準ゴシック"),    QStringLiteral("標準明朝"),
        QStringLiteral("System")};
    return names;
}

bool IsUnusableFont(const QString& Name) {
    TFontLists& lists = Lists();
    const QString key = Name.toLower();
    if (lists.Unusable.contains(key))
        return true;
    if (lists.Usable.contains(key) || lists.Vertical.contains(key))
        return false;
    // Not seen at start-up: a face installed since then becomes usable.
    const QString face = SubstituteFontFace(Name);
    const bool present = !Name.isEmpty() && !Name.startsWith(QLatin1Char('@')) &&
                         QFontDatabase::families().contains(face, Qt::CaseInsensitive) &&
                         QFontDatabase::isSmoothlyScalable(face);
    if (present) {
        lists.Usable.insert(key, Name);
        lists.UsableOrder.append(Name);
        return false;
    }
    lists.Unusable.insert(key, Name);
    return true;
}

bool IsVerticalFont(const QString& Name) {
    return Lists().Vertical.contains(Name.toLower());
}

void FixFontName(TCanvas& Canvas) {
    QString name = Canvas.Font().Name();
    if (IsUnusableFont(name)) {
        const QStringList& defaults = DefaultFontNames();
        name = defaults.back();
        for (const QString& candidate : defaults)
            if (!IsUnusableFont(candidate)) {
                name = candidate;
                break;
            }
        Canvas.Font().SetName(name);
    }
    Canvas.Font().SetCharset(GetFontCharSet(name));
}

int GetFontCharSet(const QString& Name) {
    return FontFaceCharset(Name);
}

void GetUsableFontNames(TStringList& Strings) {
    Strings.Clear();
    for (const QString& name : Lists().UsableOrder)
        Strings.Add(name);
}

// ---- Region fitting --------------------------------------------------------------------

namespace {

enum TFitSide { fsLeft, fsRight, fsTop, fsBottom };

TRect FitRectToRgn(const TRegion& Rgn, const TRect& Rect, TFitSide Side) {
    const QRegion& rgn = Rgn.ToQRegion();
    if (rgn.isEmpty())
        return Rect;
    const QRect box = rgn.boundingRect();
    const bool rows = Side == fsLeft || Side == fsRight;
    std::optional<int> edge;
    const int from = rows ? Rect.Top : Rect.Left, to = rows ? Rect.Bottom : Rect.Right;
    for (int v = from; v < to; ++v) {
        const QRect strip =
            rows ? QRect(box.left(), v, box.width(), 1) : QRect(v, box.top(), 1, box.height());
        const QRegion hit = rgn.intersected(strip);
        if (hit.isEmpty())
            continue;
        const TRect b = TRect::FromQRect(hit.boundingRect());
        int e = 0;
        switch (Side) {
        case fsLeft:
            e = b.Left;
            break;
        case fsRight:
            e = b.Right;
            break;
        case fsTop:
            e = b.Top;
            break;
        case fsBottom:
            e = b.Bottom;
            break;
        }
        if (!edge)
            edge = e;
        else if (Side == fsLeft || Side == fsTop)
            edge = std::max(*edge, e);
        else
            edge = std::min(*edge, e);
    }
    if (!edge)
        return Rect;
    TRect r = Rect;
    switch (Side) {
    case fsLeft:
        r = {*edge, Rect.Top, *edge + Rect.Width(), Rect.Bottom};
        break;
    case fsRight:
        r = {*edge - Rect.Width(), Rect.Top, *edge, Rect.Bottom};
        break;
    case fsTop:
        r = {Rect.Left, *edge, Rect.Right, *edge + Rect.Height()};
        break;
    case fsBottom:
        r = {Rect.Left, *edge - Rect.Height(), Rect.Right, *edge};
        break;
    }
    return r;
}

} // namespace

TRect FitRectToRgnLeft(const TRegion& Rgn, const TRect& Rect) {
    return FitRectToRgn(Rgn, Rect, fsLeft);
}

TRect FitRectToRgnRight(const TRegion& Rgn, const TRect& Rect) {
    return FitRectToRgn(Rgn, Rect, fsRight);
}

TRect FitRectToRgnTop(const TRegion& Rgn, const TRect& Rect) {
    return FitRectToRgn(Rgn, Rect, fsTop);
}

TRect FitRectToRgnBottom(const TRegion& Rgn, const TRect& Rect) {
    return FitRectToRgn(Rgn, Rect, fsBottom);
}
