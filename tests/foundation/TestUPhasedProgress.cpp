#include "UPhasedProgress.h"

#include <QProgressBar>
#include <gtest/gtest.h>
#include <vector>

namespace {
class TRecorder : public TPhasedProgress {
public:
    TRecorder() { StartDisplay(); }
    void SetPosition(int Total) override { Shown.push_back(Total); }
    void SetRange(int Min, int Max, int Position) override {
        RangeMin = Min;
        RangeMax = Max;
        Shown.push_back(Position);
    }
    std::vector<int> Shown;
    int RangeMin = -1, RangeMax = -1;
};
} // namespace

TEST(PhasedProgress, FoldsNestedPhases) {
    TRecorder p;
    EXPECT_EQ(p.RangeMin, 0);
    EXPECT_EQ(p.RangeMax, 10000);
    EXPECT_EQ(p.Shown, std::vector<int>{0});

    p.BeginPhase(0, 9);
    for (int i = 0; i < 3; ++i)
        p.Step();
    EXPECT_EQ(p.Shown.back(), 3000);
    p.EndPhase();
    EXPECT_EQ(p.Shown.back(), 3000); // EndPhase leaves the display alone

    TRecorder q;
    q.BeginPhase(0, 1);
    q.Step();
    q.BeginPhase(0, 3);
    q.Step();
    q.Step();
    EXPECT_EQ(q.Shown.back(), 7500);
}

TEST(PhasedProgress, StaysWithinRangeWhateverTheCalls) {
    TRecorder p;
    p.BeginPhase(5, 2); // one step: 5..5
    p.Step();
    p.Step();
    p.Step(); // beyond the end counts as the end
    EXPECT_EQ(p.Total(), 10000);
    p.BeginPhase(0, 3);
    p.Step();
    p.Step();
    EXPECT_LE(p.Total(), 10000);

    TRecorder u; // more ends than begins
    u.EndPhase();
    u.EndPhase();
    EXPECT_EQ(u.Level(), 0);
    u.BeginPhase(0, 1);
    u.Step();
    EXPECT_EQ(u.Total(), 5000);

    TRecorder big; // 10000 * 500000 overflows 32-bit products
    big.BeginPhase(0, 999999);
    for (int i = 0; i < 500000; ++i)
        big.Step();
    EXPECT_EQ(big.Total(), 5000);
}

TEST(PhasedProgress, ShowsOnAProgressBar) {
    QProgressBar bar;
    TSTDPhasedProgress p(&bar);
    EXPECT_EQ(bar.minimum(), 0);
    EXPECT_EQ(bar.maximum(), 10000);
    p.BeginPhase(1, 4);
    p.Step();
    EXPECT_EQ(bar.value(), 2500);
}
