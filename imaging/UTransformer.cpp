#include "UTransformer.h"

#include "UException.h"
#include "UExtended.h"
#include "UPixelMath.h"
#include "UStreams.h"
#include "UStroke.h"

#include <QtEndian>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>
#include <numbers>

namespace {

constexpr int DataHeaderSize = 32;                  // identity and four counts
constexpr int ExtendedSize = 10;                    // one stored coordinate
constexpr int DataPointSize = 2 * ExtendedSize + 1; // X, Y and the flag byte

TCoonsPoint Mid(const TCoonsPoint& A, const TCoonsPoint& B) {
    return {(A.X + B.X) / 2, (A.Y + B.Y) / 2};
}

[[noreturn]] void RaiseIndexError(int I) {
    throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(I));
}

[[noreturn]] void RaiseCorruptData(const QString& Detail) {
    throw EReadError(QStringLiteral("変形データが壊れています (%1)").arg(Detail));
}

} // namespace

// ---- Stored extended values ------------------------------------------------------------

long double DecodeStoredExtended(const char* Bytes) {
    TExtendedBytes bytes;
    std::memcpy(bytes.data(), Bytes, bytes.size());
    return ExtendedToDouble(bytes);
}

void EncodeStoredExtended(long double Value, char* Bytes) {
    const TExtendedBytes bytes = DoubleToExtended(static_cast<double>(Value));
    std::memcpy(Bytes, bytes.data(), bytes.size());
}

// ---- TTransformer -----------------------------------------------------------------------

void TTransformer::TransformStroke(TStroke& Stroke) const {
    for (TPoint& p : Stroke.Points())
        TransformPoint(p);
}

// ---- TRotator ---------------------------------------------------------------------------

void TRotator::SetAngle(int Angle) {
    FAngle = Angle;
    const long double radians = Angle * std::numbers::pi_v<long double> / 180;
    FCos = std::cos(radians);
    FSin = std::sin(radians);
}

void TRotator::TransformPoint(TPoint& P) const {
    const long double dx = static_cast<long double>(P.x) - FCenter.x;
    const long double dy = static_cast<long double>(P.y) - FCenter.y;
    P.x = ClampToInt(RoundHalfAway(dx * FCos - dy * FSin) + FCenter.x);
    P.y = ClampToInt(RoundHalfAway(dx * FSin + dy * FCos) + FCenter.y);
}

// ---- TCoonsDistortion -------------------------------------------------------------------

void TCoonsDistortion::TCachedRect::Set(const TRect& R) {
    Rect = R;
    Width = static_cast<long double>(R.Right) - R.Left;
    Height = static_cast<long double>(R.Bottom) - R.Top;
    InvWidth = Width != 0 ? 1 / Width : 0;
    InvHeight = Height != 0 ? 1 / Height : 0;
}

TCoonsDistortion::TCoonsDistortion() : FID(TGUID::Create()) {}

void TCoonsDistortion::Assign(const TCoonsDistortion& Source) {
    if (&Source == this)
        return;
    FID = Source.FID;
    FEdges = Source.FEdges;
    FSource = Source.FSource;
    FTarget = Source.FTarget;
    FCorners = Source.FCorners;
    FDirty = Source.FDirty;
}

void TCoonsDistortion::Assign(const TPersistent* Source) {
    if (const auto* d = qobject_cast<const TCoonsDistortion*>(Source))
        Assign(*d);
    else
        TTransformer::Assign(Source);
}

void TCoonsDistortion::DefineProperties(TFiler& Filer) {
    TTransformer::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Data", [this](TStream& S) { ReadData(S); }, [this](TStream& S) { WriteData(S); }, true);
}

void TCoonsDistortion::Clear() {
    for (int e = Top; e <= Left; ++e)
        SetCount(e, 0);
}

bool TCoonsDistortion::IsEmpty() const {
    return std::all_of(FEdges.begin(), FEdges.end(),
                       [](const TEdge& E) { return E.Points.empty(); });
}

void TCoonsDistortion::SetCount(int Edge, int N) {
    if (N < 0 || N == Count(Edge))
        return;
    TEdge& e = FEdges[Edge];
    e.Points.resize(static_cast<size_t>(N));
    e.Flags.assign(static_cast<size_t>(N), 0);
    e.Knots.clear();
    FDirty = true;
}

TCoonsDistortion::TEdgeRef TCoonsDistortion::Before(int Edge, int I) const {
    switch (Edge) {
    case Top:
        return {Left, I};
    case Right:
        return {Top, Count(Top) - 1 - I};
    case Bottom:
        return {Left, Count(Left) - 1 - I};
    default:
        return {Top, I};
    }
}

TCoonsDistortion::TEdgeRef TCoonsDistortion::After(int Edge, int I) const {
    switch (Edge) {
    case Top:
        return {Right, I};
    case Right:
        return {Bottom, Count(Bottom) - 1 - I};
    case Bottom:
        return {Right, Count(Right) - 1 - I};
    default:
        return {Bottom, I};
    }
}

TCoonsDistortion::TEdgeRef TCoonsDistortion::Neighbour(int Edge, int I) const {
    return I < 0 ? Before(Edge, -I) : After(Edge, I - (Count(Edge) - 1));
}

TCoonsPoint TCoonsDistortion::GetPoint(int Edge, int I) const {
    const int n = Count(Edge);
    if (I >= 0 && I < n)
        return FEdges[Edge].Points[I];
    if (n > 0) {
        const TEdgeRef ref = Neighbour(Edge, I);
        if (ref.Index >= 0 && ref.Index < Count(ref.Edge))
            return FEdges[ref.Edge].Points[ref.Index];
    }
    RaiseIndexError(I);
}

void TCoonsDistortion::SetPoint(int Edge, int I, const TCoonsPoint& P) {
    const int n = Count(Edge);
    if (I < 0 || I >= n)
        RaiseIndexError(I);
    FEdges[Edge].Points[I] = P;
    // A corner belongs to two edges.
    auto share = [&](const TEdgeRef& Ref) {
        if (Ref.Index >= 0 && Ref.Index < Count(Ref.Edge))
            FEdges[Ref.Edge].Points[Ref.Index] = P;
    };
    if (I == 0)
        share(Before(Edge, 0));
    if (I == n - 1)
        share(After(Edge, 0));
    FDirty = true;
}

uint8_t TCoonsDistortion::GetFlag(int Edge, int I) const {
    return I >= 0 && I < Count(Edge) ? FEdges[Edge].Flags[I] : 0;
}

void TCoonsDistortion::SetFlag(int Edge, int I, uint8_t Flag) {
    if (I < 0 || I >= Count(Edge))
        RaiseIndexError(I);
    FEdges[Edge].Flags[I] = Flag;
}

void TCoonsDistortion::ApplyRatio(int Percent) {
    const long double f = Percent / 100.0L;
    auto moveTowards = [f](const TCoonsPoint& P, long double X, long double Y) {
        return TCoonsPoint{X + (P.X - X) * f, Y + (P.Y - Y) * f};
    };
    // The corners move with the top and bottom edges; the side edges share them.
    for (int e = Top; e <= Left; ++e) {
        const int n = Count(e);
        if (n < 2)
            continue;
        const bool side = e == Right || e == Left;
        for (int i = side ? 1 : 0; i < (side ? n - 1 : n); ++i) {
            const long double t = i == n - 1 ? 1.0L : static_cast<long double>(i) / (n - 1);
            const TCoonsPoint& p = FEdges[e].Points[i];
            switch (e) {
            case Top:
                SetPoint(e, i, moveTowards(p, t, 0));
                break;
            case Right:
                SetPoint(e, i, moveTowards(p, 1, t));
                break;
            case Bottom:
                SetPoint(e, i, moveTowards(p, t, 1));
                break;
            default:
                SetPoint(e, i, moveTowards(p, 0, t));
                break;
            }
        }
    }
}

bool TCoonsDistortion::CanMap() const {
    for (int e = Top; e <= Left; ++e)
        if (Count(e) < 2)
            return false;
    return FSource.Width != 0 && FSource.Height != 0 && FTarget.Width != 0 && FTarget.Height != 0;
}

void TCoonsDistortion::Prepare() const {
    for (const TEdge& e : FEdges) {
        const size_t n = e.Points.size();
        e.Knots.resize(n);
        for (size_t k = 0; k < n; ++k)
            e.Knots[k] = k + 1 == n ? 1.0L : static_cast<long double>(k) / (n - 1);
        if (n > 0)
            e.Knots[0] = 0;
    }
    FCorners = {FEdges[Top].Points.front(), FEdges[Right].Points.front(),
                FEdges[Bottom].Points.back(), FEdges[Left].Points.back()};
    FDirty = false;
}

const TCoonsPoint& TCoonsDistortion::PointAt(int Edge, int I) const {
    if (I >= 0 && I < Count(Edge))
        return FEdges[Edge].Points[I];
    const TEdgeRef ref = Neighbour(Edge, I);
    return FEdges[ref.Edge].Points[ref.Index];
}

long double TCoonsDistortion::KnotAt(int Edge, int I) const {
    const int n = Count(Edge);
    if (I >= 0 && I < n)
        return FEdges[Edge].Knots[I];
    // Beyond an end the parameter runs on over the neighbouring edge's knots, measured
    // from the shared corner.
    if (I < 0)
        return -FEdges[Before(Edge, 0).Edge].Knots[-I];
    return 1 + FEdges[After(Edge, 0).Edge].Knots[I - (n - 1)];
}

TCoonsPoint TCoonsDistortion::EvaluateEdge(int Edge, long double S) const {
    const TEdge& e = FEdges[Edge];
    const int n = Count(Edge);
    const std::vector<long double>& t = e.Knots;
    // The first knot from 1 to n - 2 at or after S, else the last: S lies between k-1 and k.
    const auto found = std::lower_bound(t.begin() + 1, t.begin() + (n - 1), S);
    const int k = static_cast<int>(found - t.begin());
    const int nearer = t[k] - S <= S - t[k - 1] ? k : k - 1;
    if (e.Flags[nearer] == 0) {
        const TCoonsPoint& a = e.Points[k - 1];
        const TCoonsPoint& b = e.Points[k];
        if (t[k] == t[k - 1])
            return Mid(a, b);
        const long double w = (S - t[k - 1]) / (t[k] - t[k - 1]);
        return {a.X + (b.X - a.X) * w, a.Y + (b.Y - a.Y) * w};
    }
    // A smooth point: the quadratic piece from the middle of the segment before it, over
    // the point, to the middle of the segment after it.
    const int j = nearer;
    const TCoonsPoint& q = e.Points[j];
    const TCoonsPoint m1 = Mid(PointAt(Edge, j - 1), q);
    const TCoonsPoint m2 = Mid(q, PointAt(Edge, j + 1));
    const long double tBefore = KnotAt(Edge, j - 1);
    const long double u = (2 * S - tBefore - t[j]) / (KnotAt(Edge, j + 1) - tBefore);
    const long double w0 = (1 - u) * (1 - u), w1 = 2 * u * (1 - u), w2 = u * u;
    return {w0 * m1.X + w1 * q.X + w2 * m2.X, w0 * m1.Y + w1 * q.Y + w2 * m2.Y};
}

void TCoonsDistortion::TransformPoint(TPoint& P) const {
    if (!CanMap())
        return;
    if (FDirty)
        Prepare();
    const long double u = (static_cast<long double>(P.x) - FSource.Rect.Left) * FSource.InvWidth;
    const long double v = (static_cast<long double>(P.y) - FSource.Rect.Top) * FSource.InvHeight;
    const TCoonsPoint ct = EvaluateEdge(Top, u);
    const TCoonsPoint cb = EvaluateEdge(Bottom, u);
    const TCoonsPoint cl = EvaluateEdge(Left, v);
    const TCoonsPoint cr = EvaluateEdge(Right, v);
    const auto& [k0, k1, k2, k3] = FCorners;
    auto blend = [&](long double TopV, long double BottomV, long double LeftV, long double RightV,
                     long double K0, long double K1, long double K2, long double K3) {
        return (1 - v) * TopV + v * BottomV + (1 - u) * LeftV + u * RightV -
               (1 - u) * (1 - v) * K0 - u * (1 - v) * K1 - u * v * K2 - (1 - u) * v * K3;
    };
    const long double x =
        blend(ct.X, cb.X, cl.X, cr.X, k0.X, k1.X, k2.X, k3.X) * FTarget.Width + 0.01L;
    const long double y =
        blend(ct.Y, cb.Y, cl.Y, cr.Y, k0.Y, k1.Y, k2.Y, k3.Y) * FTarget.Height + 0.01L;
    if (!std::isfinite(x) || !std::isfinite(y))
        return;
    P.x = ClampToInt(TruncToInt64(x) + FTarget.Rect.Left);
    P.y = ClampToInt(TruncToInt64(y) + FTarget.Rect.Top);
}

void TCoonsDistortion::WriteData(TStream& Stream, TExtendedEncoder Encode) const {
    QByteArray out = FID.ToBytes();
    int64_t points = 0;
    for (const TEdge& e : FEdges) {
        char count[4];
        qToLittleEndian<qint32>(static_cast<qint32>(e.Points.size()), count);
        out.append(count, 4);
        points += static_cast<int64_t>(e.Points.size());
    }
    out.reserve(DataHeaderSize + points * DataPointSize);
    char value[ExtendedSize];
    for (const TEdge& e : FEdges)
        for (size_t i = 0; i < e.Points.size(); ++i) {
            const TCoonsPoint& p = e.Points[i];
            if (i < e.Stored.size() && e.Stored[i].Value == p) {
                out.append(e.Stored[i].Bytes.data(), 2 * ExtendedSize);
                continue;
            }
            Encode(p.X, value);
            out.append(value, ExtendedSize);
            Encode(p.Y, value);
            out.append(value, ExtendedSize);
        }
    for (const TEdge& e : FEdges)
        out.append(reinterpret_cast<const char*>(e.Flags.data()),
                   static_cast<qsizetype>(e.Flags.size()));
    Stream.WriteBytes(out);
}

void TCoonsDistortion::ReadData(TStream& Stream, TExtendedDecoder Decode) {
    const int64_t available = Stream.Remaining();
    if (available < DataHeaderSize)
        RaiseCorruptData(QStringLiteral("%1 バイトしかありません").arg(available));
    const QByteArray header = Stream.ReadBytes(DataHeaderSize);
    const TGUID id = TGUID::FromBytes(header.constData());
    std::array<int, 4> counts;
    int64_t total = 0;
    for (int e = Top; e <= Left; ++e) {
        counts[e] = qFromLittleEndian<qint32>(header.constData() + 16 + 4 * e);
        if (counts[e] != 0 && (counts[e] < 2 || counts[e] > MaxEdgePoints))
            RaiseCorruptData(QStringLiteral("辺の点の数 %1").arg(counts[e]));
        total += counts[e];
    }
    if (total * DataPointSize > available - DataHeaderSize)
        RaiseCorruptData(QStringLiteral("点 %1 個分のデータがありません").arg(total));
    const QByteArray body = Stream.ReadBytes(total * DataPointSize);

    std::array<TEdge, 4> edges;
    const char* p = body.constData();
    for (int e = Top; e <= Left; ++e) {
        edges[e].Points.resize(static_cast<size_t>(counts[e]));
        edges[e].Stored.resize(static_cast<size_t>(counts[e]));
        for (size_t i = 0; i < edges[e].Points.size(); ++i) {
            TCoonsPoint& pt = edges[e].Points[i];
            pt.X = Decode(p);
            pt.Y = Decode(p + ExtendedSize);
            if (!std::isfinite(pt.X) || !std::isfinite(pt.Y))
                RaiseCorruptData(QStringLiteral("座標が数値ではありません"));
            edges[e].Stored[i].Value = pt;
            std::memcpy(edges[e].Stored[i].Bytes.data(), p, 2 * ExtendedSize);
            p += 2 * ExtendedSize;
        }
    }
    for (int e = Top; e <= Left; ++e) {
        edges[e].Flags.assign(p, p + counts[e]);
        p += counts[e];
    }
    FID = id;
    FEdges = std::move(edges);
    FDirty = true;
}
