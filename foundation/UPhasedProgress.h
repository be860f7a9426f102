#pragma once
// Nested progress phases folded into one position from 0 to 10000.
//
// An operation announces a phase with BeginPhase(Min, Max) and advances it with Step; a
// sub-operation announces a phase inside the current step, and so on. The display (a
// subclass) receives the folded total through SetPosition. Usage:
//   Progress.BeginPhase(0, Files.size() - 1);
//   for (...) { ...; Progress.Step(); }
//   Progress.EndPhase();

#include <vector>

class QProgressBar;

class TPhasedProgressBase {
public:
    virtual ~TPhasedProgressBase() = default;

    // Shows Total (0..10000).
    virtual void SetPosition(int Total) = 0;
    // Sets up the display's range and position.
    virtual void SetRange(int Min, int Max, int Position) = 0;
    // Pushes a level with the steps Min..Max (Max below Min counts as Min). The display is
    // not updated.
    virtual void BeginPhase(int Min, int Max);
    // Pops a level; at the base level it does nothing. The display is not updated.
    virtual void EndPhase();

    // Advances the innermost level by one step and shows the folded total.
    void Step();
    // The folded total of all levels, 0..10000.
    int Total() const;
    int Level() const { return static_cast<int>(FLevels.size()) - 1; }

protected:
    // Concrete displays call this at the end of their constructor: the display then spans
    // 0..10000 at position 0.
    void StartDisplay() { SetRange(0, 10000, 0); }

private:
    struct TLevel {
        int Min = 0;
        int Max = 0;
        int Pos = 0;
    };
    std::vector<TLevel> FLevels{TLevel{}};
};

class TPhasedProgress : public TPhasedProgressBase {};

// Shows the progress on a progress bar (which outlives this object).
class TSTDPhasedProgress : public TPhasedProgress {
public:
    explicit TSTDPhasedProgress(QProgressBar* Bar);
    void SetPosition(int Total) override;
    void SetRange(int Min, int Max, int Position) override;

private:
    QProgressBar* FBar;
};
