#include "UPhasedProgress.h"

#include <QProgressBar>
#include <algorithm>
#include <cstdint>

void TPhasedProgressBase::BeginPhase(int Min, int Max) {
    FLevels.push_back({Min, std::max(Min, Max), Min});
}

void TPhasedProgressBase::EndPhase() {
    if (FLevels.size() > 1)
        FLevels.pop_back();
}

void TPhasedProgressBase::Step() {
    ++FLevels.back().Pos;
    SetPosition(Total());
}

int TPhasedProgressBase::Total() const {
    // Each level divides the span of the current step of the level above it. Products are
    // 64-bit so that levels of millions of steps do not overflow.
    int64_t span = 10000;
    int64_t total = 0;
    for (const TLevel& l : FLevels) {
        const int64_t range = static_cast<int64_t>(l.Max) - l.Min + 1;
        const int64_t p = std::clamp<int64_t>(static_cast<int64_t>(l.Pos) - l.Min, 0, range);
        const int64_t a = span * p / range;
        span = span * (p + 1) / range - a;
        total += a;
    }
    // A finished level reports its whole span; deeper levels must not push past the end.
    return static_cast<int>(std::min<int64_t>(total, 10000));
}

TSTDPhasedProgress::TSTDPhasedProgress(QProgressBar* Bar) : FBar(Bar) {
    StartDisplay();
}

void TSTDPhasedProgress::SetPosition(int Total) {
    if (FBar)
        FBar->setValue(Total);
}

void TSTDPhasedProgress::SetRange(int Min, int Max, int Position) {
    if (FBar) {
        FBar->setRange(Min, Max);
        FBar->setValue(Position);
    }
}
