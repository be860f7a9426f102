#include "UUtils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <gtest/gtest.h>

#include <climits>

// Found by argument-dependent lookup, so in the namespace of TRect and TPoint.
static std::ostream& operator<<(std::ostream& Out, const TRect& R) {
    return Out << "(" << R.Left << ", " << R.Top << ", " << R.Right << ", " << R.Bottom << ")";
}
static std::ostream& operator<<(std::ostream& Out, const TPoint& P) {
    return Out << "(" << P.x << ", " << P.y << ")";
}

TEST(Utils, RectangleMeasures) {
    const TRect r(10, 20, 35, 26);
    EXPECT_EQ(RectWidth(r), 25);
    EXPECT_EQ(RectHeight(r), 6);
    EXPECT_EQ(RectWidth(TRect(5, 0, 1, 0)), -4);

    struct {
        TRect R;
        TPoint Centre;
    } centres[] = {
        {TRect(0, 0, 10, 20), TPoint(5, 10)},
        {TRect(0, 0, 5, 3), TPoint(2, 1)},
        {TRect(-5, -3, 0, 0), TPoint(-2, -1)}, // toward zero, not down
        {TRect(INT_MAX - 2, INT_MAX - 4, INT_MAX, INT_MAX), TPoint(INT_MAX - 1, INT_MAX - 2)},
    };
    for (const auto& row : centres)
        EXPECT_EQ(RectCenter(row.R), row.Centre) << row.R;

    EXPECT_TRUE(IsRectDegenerate(TRect(3, 0, 3, 10)));
    EXPECT_TRUE(IsRectDegenerate(TRect(0, 4, 10, 4)));
    EXPECT_FALSE(IsRectDegenerate(TRect(0, 0, -1, -1)));
    EXPECT_EQ(AddPoint(TPoint(1, -2), TPoint(10, 20)), TPoint(11, 18));
}

TEST(Utils, NormalizeRectSwapsSides) {
    struct {
        TRect In, Out;
    } rows[] = {
        {TRect(10, 20, 0, 5), TRect(0, 5, 10, 20)},
        {TRect(0, 20, 10, 5), TRect(0, 5, 10, 20)},
        {TRect(0, 5, 10, 20), TRect(0, 5, 10, 20)},
    };
    for (const auto& row : rows) {
        TRect r = row.In;
        NormalizeRect(r);
        EXPECT_EQ(r, row.Out) << row.In;
    }
}

TEST(Utils, IsRectInside) {
    const TRect b(0, 0, 100, 50);
    struct {
        TRect A;
        bool Inside;
    } rows[] = {
        {TRect(0, 0, 100, 50), true},    {TRect(10, 10, 20, 20), true},
        {TRect(-1, 0, 10, 10), false},   {TRect(90, 40, 101, 50), false},
        {TRect(200, 0, 300, 10), false}, {TRect(0, 0, 0, 0), true},
        {TRect(5, 5, 5, 5), false}, // empty: the intersection is the zero rectangle
    };
    for (const auto& row : rows)
        EXPECT_EQ(IsRectInside(row.A, b), row.Inside) << row.A;
}

TEST(Utils, ClampPointToRect) {
    struct {
        TPoint P;
        TRect R;
        TPoint Out;
    } rows[] = {
        {TPoint(5, 5), TRect(0, 0, 10, 10), TPoint(5, 5)},
        {TPoint(-5, 15), TRect(0, 0, 10, 10), TPoint(0, 10)},
        {TPoint(15, -5), TRect(0, 0, 10, 10), TPoint(10, 0)},
        // Right left of Left: x becomes Right whatever it was.
        {TPoint(-100, 5), TRect(10, 0, 0, 10), TPoint(0, 5)},
        {TPoint(5, 5), TRect(10, 0, 0, 10), TPoint(0, 5)},
        {TPoint(100, 5), TRect(10, 0, 0, 10), TPoint(0, 5)},
        {TPoint(5, -7), TRect(0, 10, 10, 0), TPoint(5, 0)},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ClampPointToRect(row.P, row.R), row.Out) << row.P << " in " << row.R;
}

TEST(Utils, CenterRectOn) {
    EXPECT_EQ(CenterRectOn(TRect(0, 0, 10, 4), TPoint(100, 100)), TRect(95, 98, 105, 102));
    EXPECT_EQ(CenterRectOn(TRect(7, 7, 12, 10), TPoint(0, 0)), TRect(-2, -1, 3, 2));
}

TEST(Utils, FitAndCover) {
    struct {
        TRect R;
        int W, H;
        TRect Fit;
    } sizes[] = {
        {TRect(10, 20, 110, 70), 50, 50, TRect(10, 20, 60, 45)}, // shrink, wide
        {TRect(0, 0, 10, 20), 100, 100, TRect(0, 0, 50, 100)},   // grow, tall
        {TRect(0, 0, 3, 3), 7, 5, TRect(0, 0, 5, 5)},            // square
        {TRect(0, 0, 3, 2), 10, 10, TRect(0, 0, 10, 7)},         // 6.67 rounds up
        {TRect(0, 0, 0, 20), 100, 100, TRect(0, 0, 0, 20)},      // no width: unchanged
        {TRect(5, 5, 15, 5), 100, 100, TRect(5, 5, 15, 5)},      // no height: unchanged
        {TRect(10, 10, 0, 0), 100, 100, TRect(10, 10, 0, 0)},    // inverted: unchanged
    };
    for (const auto& row : sizes)
        EXPECT_EQ(FitRectSize(row.R, row.W, row.H), row.Fit) << row.R;

    struct {
        TRect R, Bounds, Fit, Cover;
    } boxes[] = {
        {TRect(0, 0, 40, 20), TRect(0, 0, 100, 100), TRect(0, 25, 100, 75),
         TRect(-50, 0, 150, 100)},
        {TRect(0, 0, 10, 30), TRect(100, 100, 160, 130), TRect(125, 100, 135, 130),
         TRect(100, 25, 160, 205)},
        {TRect(5, 5, 25, 15), TRect(0, 0, 40, 20), TRect(0, 0, 40, 20), TRect(0, 0, 40, 20)},
        {TRect(0, 0, 0, 0), TRect(0, 0, 40, 20), TRect(0, 0, 0, 0), TRect(0, 0, 0, 0)},
    };
    for (const auto& row : boxes) {
        EXPECT_EQ(FitRectInRect(row.R, row.Bounds), row.Fit) << row.R << " in " << row.Bounds;
        EXPECT_EQ(CoverRectInRect(row.R, row.Bounds), row.Cover) << row.R << " over " << row.Bounds;
    }
}

TEST(Utils, RoundOffIsHalfAwayFromZero) {
    struct {
        double X;
        int64_t Out;
    } rows[] = {{2.5, 3}, {-2.5, -3}, {2.4, 2}, {-2.4, -2}, {0.0, 0}};
    for (const auto& row : rows)
        EXPECT_EQ(RoundOff(row.X), row.Out) << row.X;
}

TEST(Utils, TenthsToStr) {
    struct {
        int N;
        const char* Text;
    } rows[] = {
        {0, "0"},
        {5, "0.5"},
        {120, "12"},
        {125, "12.5"},
        {-5, "-0.5"},
        {-125, "-12.5"},
        {-120, "-12"},
        {-10, "-1"},
        {INT_MAX, "214748364.7"},
        {INT_MIN, "-214748364.8"},
    };
    for (const auto& row : rows)
        EXPECT_EQ(TenthsToStr(row.N), QString::fromLatin1(row.Text)) << row.N;
}

TEST(Utils, MonthToStr) {
    EXPECT_EQ(MonthToStr(1), QStringLiteral("1月"));
    EXPECT_EQ(MonthToStr(12), QStringLiteral("12月"));
}

TEST(Utils, ExistsInDataFolder) {
    QTemporaryDir root;
    ASSERT_TRUE(root.isValid());
    const QString folder = root.filePath(QStringLiteral("Data/Images"));
    ASSERT_TRUE(QDir().mkpath(folder));
    QFile f(folder + QStringLiteral("/Photo.JPG"));
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
    f.close();

    struct {
        const char* FileName;
        QString Folder;
        bool Exists;
    } rows[] = {
        {"Q:\\DATA\\IMAGES\\photo.jpg", folder, true},
        {"Q:\\data\\images\\Photo.JPG", folder + QStringLiteral("/"), true},
        {"Q:/Vol/data/Images/photo.jpg", folder, true},
        {"Q:\\DATA\\IMAGES\\other.jpg", folder, false},  // no such file
        {"Q:\\DATA\\CLIPS\\photo.jpg", folder, false},   // other tail
        {"Q:\\STUFF\\IMAGES\\photo.jpg", folder, false}, // no \data\ in the path
        {"Q:\\DATA\\photo.jpg", folder, false},          // tail \data\ only
        {"Q:\\DATA\\IMAGES\\", folder, false},           // no file name
        {"Q:\\DATA\\IMAGES\\photo.jpg", root.path(), false},
    };
    for (const auto& row : rows)
        EXPECT_EQ(ExistsInDataFolder(QString::fromUtf8(row.FileName), row.Folder), row.Exists)
            << row.FileName << " in " << row.Folder.toStdString();

    const QString dataFolder = root.filePath(QStringLiteral("Data"));
    QFile g(dataFolder + QStringLiteral("/top.png"));
    ASSERT_TRUE(g.open(QIODevice::WriteOnly));
    g.close();
    EXPECT_TRUE(ExistsInDataFolder(QStringLiteral("Q:\\DATA\\top.png"), dataFolder));
}
