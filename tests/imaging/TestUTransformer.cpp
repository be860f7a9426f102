#include "UTransformer.h"

#include "UComponent.h"
#include "UException.h"
#include "UPropStream.h"
#include "UStreams.h"
#include "UStroke.h"

#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cmath>
#include <cstring>
#include <limits>

namespace {

// The stored extended values are the x87 80-bit format, which is long double here; the
// codec of the property streams takes this place in the program.
static_assert(std::numeric_limits<long double>::digits == 64);
long double DecodeX87(const char* Bytes) {
    long double v = 0;
    std::memcpy(&v, Bytes, 10);
    return v;
}
void EncodeX87(long double Value, char* Bytes) {
    std::memcpy(Bytes, &Value, 10);
}

// Edges with N points each, evenly spaced along the unit square's sides, all corners.
void SetSquare(TCoonsDistortion& D, int N) {
    D.SetTopCount(N);
    D.SetRightCount(N);
    D.SetBottomCount(N);
    D.SetLeftCount(N);
    for (int i = 0; i < N; ++i) {
        const long double t = static_cast<long double>(i) / (N - 1);
        D.SetTopPoint(i, {t, 0});
        D.SetRightPoint(i, {1, t});
        D.SetBottomPoint(i, {t, 1});
        D.SetLeftPoint(i, {0, t});
    }
}

TPoint Mapped(const TTransformer& T, TPoint P) {
    T.TransformPoint(P);
    return P;
}

// The points as the property streams store them (double precision).
std::vector<TCoonsPoint> AsStored(std::vector<TCoonsPoint> Points) {
    for (TCoonsPoint& p : Points)
        p = {static_cast<double>(p.X), static_cast<double>(p.Y)};
    return Points;
}

std::vector<TCoonsPoint> AllPoints(const TCoonsDistortion& D) {
    std::vector<TCoonsPoint> out;
    for (int i = 0; i < D.GetTopCount(); ++i)
        out.push_back(D.GetTopPoint(i));
    for (int i = 0; i < D.GetRightCount(); ++i)
        out.push_back(D.GetRightPoint(i));
    for (int i = 0; i < D.GetBottomCount(); ++i)
        out.push_back(D.GetBottomPoint(i));
    for (int i = 0; i < D.GetLeftCount(); ++i)
        out.push_back(D.GetLeftPoint(i));
    return out;
}

// A distorted patch with 3 points per edge and one smooth point.
void MakeSample(TCoonsDistortion& D) {
    SetSquare(D, 3);
    D.SetTopPoint(1, {0.5L, -0.4L});
    D.SetTopFlag(1, 1);
    D.SetRightPoint(1, {1.25L, 0.5L});
    D.SetBottomPoint(2, {1.1L, 1.2L});
}

QByteArray Stored(const TCoonsDistortion& D) {
    TMemoryStream s;
    D.WriteData(s, EncodeX87);
    return s.Bytes();
}

// An object that publishes a distortion, as the text object does.
class TDistortedThing : public TComponent {
    Q_OBJECT
    Q_PROPERTY(TCoonsDistortion* CoonsDistortion READ CoonsDistortion WRITE SetCoonsDistortion)
    Q_PROPERTY(int After READ After WRITE SetAfter)
public:
    TDistortedThing() : FDistortion(std::make_unique<TCoonsDistortion>()) {}
    TCoonsDistortion* CoonsDistortion() const { return FDistortion.get(); }
    void SetCoonsDistortion(TCoonsDistortion* V) { FDistortion->Assign(V); }
    int After() const { return FAfter; }
    void SetAfter(int V) { FAfter = V; }

private:
    std::unique_ptr<TCoonsDistortion> FDistortion;
    int FAfter = 0;
};

} // namespace

TEST(Rotator, TurnsClockwiseOnTheYDownSurface) {
    struct Row {
        int Angle;
        TPoint In, Out;
    } rows[] = {
        {0, {1, 0}, {1, 0}},     {90, {1, 0}, {0, 1}},     {180, {1, 0}, {-1, 0}},
        {270, {1, 0}, {0, -1}},  {-90, {1, 0}, {0, -1}},   {360, {1, 0}, {1, 0}},
        {45, {10, 0}, {7, 7}},   {45, {10, 10}, {0, 14}},  {90, {3, -7}, {7, 3}},
        {180, {3, -7}, {-3, 7}}, {270, {3, -7}, {-7, -3}}, {135, {100, 0}, {-71, 71}},
    };
    TRotator r;
    for (const Row& row : rows) {
        r.SetAngle(row.Angle);
        EXPECT_EQ(Mapped(r, row.In), row.Out)
            << row.Angle << " (" << row.In.x << "," << row.In.y << ")";
    }
    // About a centre: (Center.X + 10, Center.Y) at 90 degrees goes to (Center.X, Center.Y + 10).
    r.SetCenter({100, 50});
    r.SetAngle(90);
    EXPECT_EQ(r.GetAngle(), 90);
    EXPECT_EQ(Mapped(r, {110, 50}), TPoint(100, 60));
    // Far points stay within 32 bits.
    r.SetCenter({0, 0});
    r.SetAngle(45);
    const TPoint far =
        Mapped(r, {std::numeric_limits<int>::max(), std::numeric_limits<int>::max()});
    EXPECT_EQ(far, TPoint(0, std::numeric_limits<int>::max()));
}

TEST(Rotator, TransformStrokeKeepsTypes) {
    TStroke s;
    s.SetRect(TRect(0, 0, 20, 10));
    TRotator r;
    r.SetAngle(90);
    r.TransformStroke(s);
    ASSERT_EQ(s.GetCount(), 4);
    EXPECT_EQ(s.GetPoint(1), TPoint(0, 20));
    EXPECT_EQ(s.GetPoint(2), TPoint(-10, 20));
    EXPECT_EQ(s.GetPointType(0), TStroke::PT_MOVETO);
    EXPECT_EQ(s.GetPointType(3), TStroke::PT_LINETO | TStroke::PT_CLOSEFIGURE);
}

TEST(Coons, UndistortedPatchIsIdentity) {
    for (int n : {2, 3, 5}) {
        TCoonsDistortion d;
        SetSquare(d, n);
        d.SetSourceRect(TRect(0, 0, 100, 80));
        d.SetTargetRect(TRect(0, 0, 100, 80));
        for (int y = 0; y <= 80; y += 5)
            for (int x = 0; x <= 100; x += 5)
                EXPECT_EQ(Mapped(d, {x, y}), TPoint(x, y)) << n << " points: " << x << "," << y;
        // Into another rectangle: stretched and moved.
        d.SetTargetRect(TRect(200, 300, 250, 460));
        EXPECT_EQ(Mapped(d, {50, 40}), TPoint(225, 380)) << n;
        EXPECT_EQ(Mapped(d, {100, 80}), TPoint(250, 460)) << n;
    }
}

TEST(Coons, SmoothPointsAndNeighbouringEdges) {
    TCoonsDistortion d;
    SetSquare(d, 3);
    d.SetSourceRect(TRect(0, 0, 100, 100));
    d.SetTargetRect(TRect(0, 0, 100, 100));
    // A smooth top middle point pulls the top edge up as a quadratic piece.
    d.SetTopPoint(1, {0.5L, -0.5L});
    d.SetTopFlag(1, 1);
    EXPECT_EQ(Mapped(d, {50, 0}), TPoint(50, -37)); // (0.5, -0.375)
    EXPECT_EQ(Mapped(d, {25, 0}), TPoint(25, -24)); // the middle of the first segment
    EXPECT_EQ(Mapped(d, {0, 0}), TPoint(0, 0));

    // A smooth corner reaches round into the left edge: the curve from the middle of
    // (left 1, corner) over the corner to the middle of (corner, top 1).
    TCoonsDistortion c;
    SetSquare(c, 3);
    c.SetSourceRect(TRect(0, 0, 100, 100));
    c.SetTargetRect(TRect(0, 0, 100, 100));
    c.SetTopFlag(0, 1);
    EXPECT_EQ(Mapped(c, {0, 0}), TPoint(6, 6)); // (0.0625, 0.0625)
}

TEST(Coons, DegeneratePatchesLeavePointsAlone) {
    TCoonsDistortion d;
    d.SetSourceRect(TRect(0, 0, 100, 100));
    d.SetTargetRect(TRect(500, 500, 600, 600));
    EXPECT_TRUE(d.IsEmpty());
    EXPECT_EQ(Mapped(d, {10, 20}), TPoint(10, 20));

    SetSquare(d, 3);
    EXPECT_FALSE(d.IsEmpty());
    EXPECT_EQ(Mapped(d, {10, 20}), TPoint(510, 520));
    // One empty edge: no mapping rather than reading outside the edges.
    d.SetLeftCount(0);
    EXPECT_EQ(Mapped(d, {10, 20}), TPoint(10, 20));
    SetSquare(d, 3);
    d.SetSourceRect(TRect(0, 0, 0, 100));
    EXPECT_EQ(Mapped(d, {10, 20}), TPoint(10, 20));
    d.SetSourceRect(TRect(0, 0, 100, 100));
    d.SetTargetRect(TRect(5, 5, 105, 5));
    EXPECT_EQ(Mapped(d, {10, 20}), TPoint(10, 20));
    d.Clear();
    EXPECT_TRUE(d.IsEmpty());
}

TEST(Coons, SharedCornersAndIndicesRoundTheCorners) {
    TCoonsDistortion d;
    d.SetTopCount(3);
    d.SetRightCount(4);
    d.SetBottomCount(5);
    d.SetLeftCount(6);
    // Setting a corner on one edge sets it on the other.
    const TCoonsPoint p{0.25L, 0.75L};
    d.SetTopPoint(2, p);
    EXPECT_EQ(d.GetRightPoint(0), p);
    d.SetRightPoint(3, {1, 2});
    EXPECT_EQ(d.GetBottomPoint(4), (TCoonsPoint{1, 2}));
    d.SetBottomPoint(0, {3, 4});
    EXPECT_EQ(d.GetLeftPoint(5), (TCoonsPoint{3, 4}));
    d.SetLeftPoint(0, {5, 6});
    EXPECT_EQ(d.GetTopPoint(0), (TCoonsPoint{5, 6}));

    // Give every inner point a distinct value, then walk past each end.
    auto tag = [](int Edge, int I) {
        return TCoonsPoint{static_cast<long double>(Edge), static_cast<long double>(I)};
    };
    for (int i = 1; i < 2; ++i)
        d.SetTopPoint(i, tag(0, i));
    for (int i = 1; i < 3; ++i)
        d.SetRightPoint(i, tag(1, i));
    for (int i = 1; i < 4; ++i)
        d.SetBottomPoint(i, tag(2, i));
    for (int i = 1; i < 5; ++i)
        d.SetLeftPoint(i, tag(3, i));
    EXPECT_EQ(d.GetTopPoint(-1), tag(3, 1));    // down the left edge
    EXPECT_EQ(d.GetTopPoint(3), tag(1, 1));     // down the right edge
    EXPECT_EQ(d.GetRightPoint(-1), tag(0, 1));  // back along the top
    EXPECT_EQ(d.GetRightPoint(4), tag(2, 3));   // back along the bottom
    EXPECT_EQ(d.GetBottomPoint(-1), tag(3, 4)); // up the left edge
    EXPECT_EQ(d.GetBottomPoint(5), tag(1, 2));  // up the right edge
    EXPECT_EQ(d.GetLeftPoint(-1), tag(0, 1));   // along the top
    EXPECT_EQ(d.GetLeftPoint(-2), p);           // the top's last point
    EXPECT_EQ(d.GetLeftPoint(6), tag(2, 1));    // along the bottom
    EXPECT_THROW(d.GetTopPoint(-6), EListError);
    EXPECT_THROW(d.GetTopPoint(6), EListError);
    EXPECT_THROW(d.SetTopPoint(3, p), EListError);
    EXPECT_THROW(d.SetTopPoint(-1, p), EListError);
    EXPECT_THROW(d.SetLeftFlag(6, 1), EListError);

    d.SetTopFlag(1, 7);
    EXPECT_EQ(d.GetTopFlag(1), 7);
    EXPECT_EQ(d.GetTopFlag(-1), 0);
    EXPECT_EQ(d.GetTopFlag(3), 0);
    d.SetTopCount(4); // a new count clears the edge's flags
    EXPECT_EQ(d.GetTopFlag(1), 0);
}

TEST(Coons, ApplyRatio) {
    TCoonsDistortion distorted;
    MakeSample(distorted);
    TCoonsDistortion d;
    d.Assign(distorted);
    d.ApplyRatio(100);
    EXPECT_EQ(AllPoints(d), AllPoints(distorted));
    d.ApplyRatio(50);
    EXPECT_NEAR(double(d.GetTopPoint(1).Y), -0.2, 1e-15);
    EXPECT_NEAR(double(d.GetRightPoint(1).X), 1.125, 1e-15);
    EXPECT_NEAR(double(d.GetBottomPoint(2).X), 1.05, 1e-15);
    EXPECT_NEAR(double(d.GetRightPoint(2).Y), 1.1, 1e-15); // the shared corner moved too
    d.ApplyRatio(0);
    TCoonsDistortion square;
    SetSquare(square, 3);
    EXPECT_EQ(AllPoints(d), AllPoints(square));
}

TEST(Coons, AssignAndIdentity) {
    TCoonsDistortion a;
    MakeSample(a);
    TCoonsDistortion b;
    EXPECT_FALSE(a.Equals(b));
    EXPECT_FALSE(a.GetID().IsNull());
    b.SetSourceRect(TRect(1, 2, 3, 4));
    b.Assign(a);
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(AllPoints(b), AllPoints(a));
    EXPECT_EQ(b.GetTopFlag(1), 1);
    EXPECT_EQ(b.GetSourceRect(), a.GetSourceRect());
}

TEST(Coons, DataLayoutAndRoundTrip) {
    TCoonsDistortion a;
    MakeSample(a);
    a.SetRightFlag(1, 2);
    const QByteArray data = Stored(a);
    ASSERT_EQ(data.size(), 32 + 12 * 21);
    EXPECT_EQ(data.left(16), a.GetID().ToBytes());
    EXPECT_EQ(data.mid(16, 16), QByteArray::fromHex("03000000030000000300000003000000"));
    // Top point 0 is (0, 0); top point 1's X is 0.5 in the 80-bit format.
    EXPECT_EQ(data.mid(32, 20), QByteArray(20, '\0'));
    EXPECT_EQ(data.mid(52, 10), QByteArray::fromHex("0000000000000080fe3f"));
    // The flag bytes close the value, edge by edge.
    EXPECT_EQ(data.right(12), QByteArray::fromHex("000100000200000000000000"));

    TCoonsDistortion b;
    TMemoryStream s(data);
    b.ReadData(s, DecodeX87);
    EXPECT_EQ(s.GetPosition(), data.size());
    EXPECT_TRUE(b.Equals(a));
    EXPECT_EQ(AllPoints(b), AllPoints(a));
    EXPECT_EQ(b.GetTopFlag(1), 1);
    EXPECT_EQ(b.GetRightFlag(1), 2);
    // Knots are rebuilt: the read patch maps as the original.
    a.SetSourceRect(TRect(0, 0, 100, 100));
    a.SetTargetRect(TRect(0, 0, 100, 100));
    b.SetSourceRect(TRect(0, 0, 100, 100));
    b.SetTargetRect(TRect(0, 0, 100, 100));
    for (const TPoint p : {TPoint(0, 0), TPoint(30, 0), TPoint(50, 50), TPoint(90, 70)})
        EXPECT_EQ(Mapped(b, p), Mapped(a, p));

    // An empty patch is the header alone.
    TCoonsDistortion e;
    EXPECT_EQ(Stored(e).size(), 32);
    TMemoryStream es(Stored(e));
    b.ReadData(es, DecodeX87);
    EXPECT_TRUE(b.IsEmpty());
}

TEST(Coons, ReadDataRejectsBadInput) {
    TCoonsDistortion original;
    MakeSample(original);
    const QByteArray good = Stored(original);
    auto rejects = [&](const QByteArray& Data) {
        TCoonsDistortion d;
        d.Assign(original);
        TMemoryStream s(Data);
        bool raised = false;
        try {
            d.ReadData(s, DecodeX87);
        } catch (const EReadError&) {
            raised = true;
        }
        // Nothing changes when the data is refused.
        return raised && d.Equals(original) && AllPoints(d) == AllPoints(original);
    };
    // Every truncation.
    for (int n = 0; n < good.size(); ++n)
        EXPECT_TRUE(rejects(good.left(n))) << n;

    auto withCount = [&](int Edge, int32_t Count) {
        QByteArray d = good;
        std::memcpy(d.data() + 16 + 4 * Edge, &Count, 4);
        return d;
    };
    for (int32_t bad : {-1, 1, TCoonsDistortion::MaxEdgePoints + 1,
                        std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::min()})
        EXPECT_TRUE(rejects(withCount(2, bad))) << bad;
    EXPECT_TRUE(rejects(withCount(0, 4))); // more points than the data holds

    auto withValue = [&](int Offset, long double V) {
        QByteArray d = good;
        EncodeX87(V, d.data() + Offset);
        return d;
    };
    EXPECT_TRUE(rejects(withValue(52, std::numeric_limits<long double>::quiet_NaN())));
    EXPECT_TRUE(rejects(withValue(62, std::numeric_limits<long double>::infinity())));
    EXPECT_TRUE(rejects(withValue(32 + 11 * 20, -std::numeric_limits<long double>::infinity())));

    // Trailing bytes belong to whatever follows in the stream.
    TCoonsDistortion d;
    TMemoryStream s(good + QByteArray("tail"));
    d.ReadData(s, DecodeX87);
    EXPECT_EQ(s.GetPosition(), good.size());
}

TEST(Coons, ReadDataSurvivesCorruption) {
    TCoonsDistortion sample;
    MakeSample(sample);
    const QByteArray good = Stored(sample);
    QRandomGenerator rng(20240611);
    for (int round = 0; round < 3000; ++round) {
        QByteArray d = good;
        const int flips = 1 + static_cast<int>(rng.bounded(4));
        for (int f = 0; f < flips; ++f)
            d[static_cast<int>(rng.bounded(d.size()))] = static_cast<char>(rng.bounded(256));
        if (rng.bounded(4) == 0)
            d.truncate(static_cast<int>(rng.bounded(d.size())));
        TCoonsDistortion c;
        TMemoryStream s(d);
        try {
            c.ReadData(s, DecodeX87);
        } catch (const EReadError&) {
            continue;
        }
        // Whatever was accepted maps without trouble.
        c.SetSourceRect(TRect(0, 0, 100, 100));
        c.SetTargetRect(TRect(0, 0, 1000, 1000));
        TPoint p{37, 61};
        c.TransformPoint(p);
    }
}

TEST(Coons, StoredExtendedCodec) {
    char bytes[10];
    EncodeStoredExtended(0.5L, bytes);
    EXPECT_EQ(QByteArray(bytes, 10), QByteArray::fromHex("0000000000000080fe3f"));
    for (long double v : {0.0L, 1.0L, -0.4L, 1.25L, 1e-300L, 123456.789L}) {
        EncodeStoredExtended(v, bytes);
        EXPECT_EQ(DecodeStoredExtended(bytes), static_cast<long double>(static_cast<double>(v)));
    }
    // Values beyond double range or not numbers come back as such, for ReadData to refuse.
    const QByteArray huge = QByteArray::fromHex("0000000000000080fe7f"); // 2^16383
    EXPECT_TRUE(std::isinf(DecodeStoredExtended(huge.constData())));
    const QByteArray nan = QByteArray::fromHex("00000000000000c0ff7f");
    EXPECT_TRUE(std::isnan(DecodeStoredExtended(nan.constData())));
}

TEST(Coons, DataPropertyRoundTrip) {
    TDistortedThing a;
    a.setObjectName("Text1");
    MakeSample(*a.CoonsDistortion());
    a.CoonsDistortion()->SetLeftFlag(1, 3);
    a.SetAfter(42);
    TMemoryStream s;
    WriteComponent(s, a);
    // The patch is written as the nested binary property, followed by what comes after.
    EXPECT_TRUE(s.Bytes().contains("CoonsDistortion.Data"));
    EXPECT_TRUE(s.Bytes().contains(a.CoonsDistortion()->GetID().ToBytes()));

    TDistortedThing b;
    s.SetPosition(0);
    ReadComponent(s, b);
    EXPECT_TRUE(b.CoonsDistortion()->Equals(*a.CoonsDistortion()));
    EXPECT_EQ(AllPoints(*b.CoonsDistortion()), AsStored(AllPoints(*a.CoonsDistortion())));
    EXPECT_EQ(b.CoonsDistortion()->GetTopFlag(1), 1);
    EXPECT_EQ(b.CoonsDistortion()->GetLeftFlag(1), 3);
    EXPECT_EQ(b.After(), 42);

    // An empty patch is written too (always), and read back empty.
    TDistortedThing e;
    TMemoryStream es;
    WriteComponent(es, e);
    EXPECT_TRUE(es.Bytes().contains("CoonsDistortion.Data"));
    es.SetPosition(0);
    ReadComponent(es, b);
    EXPECT_TRUE(b.CoonsDistortion()->IsEmpty());
    EXPECT_TRUE(b.CoonsDistortion()->Equals(*e.CoonsDistortion()));
}

TEST(Coons, DataPropertyRefusesDamage) {
    TDistortedThing a;
    MakeSample(*a.CoonsDistortion());
    TMemoryStream s;
    WriteComponent(s, a);
    const QByteArray good = s.Bytes();
    const qsizetype data = good.indexOf(a.CoonsDistortion()->GetID().ToBytes());
    ASSERT_GT(data, 0);
    auto refused = [](const QByteArray& Bytes) {
        TDistortedThing b;
        TMemoryStream in(Bytes);
        try {
            ReadComponent(in, b);
        } catch (const Exception&) {
            return true;
        }
        return false;
    };
    // A count of 1 in the value, a count larger than the value, an infinite coordinate.
    QByteArray one = good;
    one[data + 16] = 1;
    EXPECT_TRUE(refused(one));
    QByteArray many = good;
    many[data + 20] = 9;
    EXPECT_TRUE(refused(many));
    QByteArray inf = good;
    inf.replace(data + 32, 10, QByteArray::fromHex("0000000000000080ff7f"));
    EXPECT_TRUE(refused(inf));
    for (qsizetype n = data; n < good.size(); n += 7)
        EXPECT_TRUE(refused(good.left(n))) << n;
}

#include "TestUTransformer.moc"

// Extended values with more precision than a double (0.4 and 1/3 as the 80-bit format holds
// them) survive reading and writing unchanged: opening and saving a document does not alter
// its bytes. A point that was changed is written from its new value; the others keep theirs.
TEST(Coons, UnchangedExtendedValuesKeepTheirBytes) {
    TCoonsDistortion full;
    MakeSample(full);
    full.SetLeftPoint(1, {1.0L / 3, 0.4L});
    const QByteArray x87 = Stored(full); // written with all 64 mantissa bits
    TMemoryStream in(x87);
    TCoonsDistortion d;
    d.ReadData(in); // through the program's own codec (double precision)
    TMemoryStream out;
    d.WriteData(out);
    EXPECT_EQ(out.Bytes(), x87);
    // They really do not fit a double: encoding the value read gives other bytes (left
    // point 1 lies after the header and nine points; its Y after its X).
    char redone[10];
    EncodeStoredExtended(d.GetLeftPoint(1).Y, redone);
    EXPECT_NE(QByteArray(redone, 10), x87.mid(32 + 10 * 20 + 10, 10));
    TCoonsDistortion copy;
    copy.Assign(d);
    TMemoryStream same;
    copy.WriteData(same);
    EXPECT_EQ(same.Bytes(), x87) << "the stored bytes travel with Assign";

    d.SetTopPoint(1, {0.25L, -0.5L});
    TMemoryStream changed;
    d.WriteData(changed);
    const QByteArray bytes = changed.Bytes();
    ASSERT_EQ(bytes.size(), x87.size());
    // Top point 1 starts after the 32-byte header and one point of 20 bytes.
    char expected[10];
    EncodeStoredExtended(0.25L, expected);
    EXPECT_EQ(bytes.mid(52, 10), QByteArray(expected, 10));
    EXPECT_EQ(bytes.left(52), x87.left(52));
    EXPECT_EQ(bytes.mid(72), x87.mid(72));

    // The same through the component stream: read and written again, byte for byte.
    TDistortedThing a;
    a.setObjectName("Text1");
    TMemoryStream raw(x87);
    a.CoonsDistortion()->ReadData(raw);
    TMemoryStream first;
    WriteComponent(first, a);
    EXPECT_TRUE(first.Bytes().contains(x87));
    TDistortedThing b;
    first.SetPosition(0);
    ReadComponent(first, b);
    TMemoryStream second;
    WriteComponent(second, b);
    EXPECT_EQ(second.Bytes(), first.Bytes());
}
