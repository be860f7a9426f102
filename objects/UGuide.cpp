#include "UGuide.h"

#include "UCanvas.h"
#include "UException.h"
#include "UGhost.h"
#include "UStreams.h"

#include <QtEndian>

#include <algorithm>
#include <cstdlib>
#include <utility>

namespace {

// The grid pitch is not drawn when it is smaller than this on the device: a dense grid
// would cover the page and take very long to draw.
constexpr int MinDevicePitch = 2;

// The first multiple of Pitch at or after V.
int64_t FirstLineFrom(int64_t V, int Pitch) {
    const int64_t below = V >= 0 ? V / Pitch : -((-V + Pitch - 1) / Pitch);
    const int64_t line = below * Pitch;
    return line < V ? line + Pitch : line;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TGrid

void TGrid::Assign(const TPersistent* Source) {
    if (const auto* grid = qobject_cast<const TGrid*>(Source)) {
        FLineShape = grid->FLineShape;
        FVisible = grid->FVisible;
        FSize = grid->FSize;
        FEnabled = grid->FEnabled;
        return;
    }
    TPersistent::Assign(Source);
}

TPoint TGrid::GetSnapOffset(const TPoint& P) const {
    if (!FEnabled || FSize <= 0)
        return TPoint(NoSnap, NoSnap);
    // The nearest line below or on V + Size / 2 (floor division, so that negative
    // coordinates snap like positive ones).
    auto axis = [this](int V) {
        const int64_t shifted = int64_t(V) + FSize / 2;
        const int64_t line = shifted >= 0 ? shifted / FSize : -((-shifted + FSize - 1) / FSize);
        return int(line * FSize - V);
    };
    return TPoint(axis(P.x), axis(P.y));
}

void TGrid::Draw(TCanvas& Canvas, const TRect& R) const {
    if (!FVisible || FSize <= 0)
        return;
    const TPoint origin = Canvas.LPtoDP(TPoint(0, 0));
    const TPoint step = Canvas.LPtoDP(TPoint(FSize, FSize));
    if (std::abs(step.x - origin.x) < MinDevicePitch ||
        std::abs(step.y - origin.y) < MinDevicePitch)
        return;
    const int64_t left = FirstLineFrom(R.Left, FSize), top = FirstLineFrom(R.Top, FSize);
    if (FLineShape) {
        for (int64_t x = left; x < R.Right; x += FSize) {
            Canvas.MoveTo(int(x), R.Top);
            Canvas.LineTo(int(x), R.Bottom);
        }
        for (int64_t y = top; y < R.Bottom; y += FSize) {
            Canvas.MoveTo(R.Left, int(y));
            Canvas.LineTo(R.Right, int(y));
        }
        return;
    }
    const TColor colour = Canvas.Pen().Color();
    for (int64_t x = left; x < R.Right; x += FSize)
        for (int64_t y = top; y < R.Bottom; y += FSize)
            Canvas.SetPixel(int(x), int(y), colour);
}

// ---------------------------------------------------------------------------------------
// TGuide

void TGuide::Assign(const TPersistent* Source) {
    if (const auto* guide = qobject_cast<const TGuide*>(Source)) {
        FSlots = guide->FSlots;
        FVisible = guide->FVisible;
        FEnabled = guide->FEnabled;
        return;
    }
    TPersistent::Assign(Source);
}

void TGuide::CheckSlot(int I) const {
    if (I < 0 || I >= SlotCount)
        throw EListError(QStringLiteral("リストのインデックスが範囲を超えています (%1)").arg(I));
}

TPoint TGuide::GetGuide(int I) const {
    CheckSlot(I);
    return FSlots[size_t(I)];
}

void TGuide::SetGuide(int I, const TPoint& P) {
    CheckSlot(I);
    FSlots[size_t(I)] = P;
}

TPoint TGuide::GetSnapOffset(const TPoint& P, int Reach) const {
    TPoint result(NoSnap, NoSnap);
    if (!FEnabled)
        return result;
    auto offer = [Reach](int& Best, int Guide, int V) {
        const int64_t d = int64_t(Guide) - V;
        if (std::llabs(d) <= Reach && (Best == NoSnap || std::llabs(d) < std::abs(Best)))
            Best = int(d);
    };
    for (const TPoint& s : FSlots) {
        if (s.x != 0 && s.y == 0)
            offer(result.x, s.x, P.x);
        else if (s.y != 0 && s.x == 0)
            offer(result.y, s.y, P.y);
    }
    return result;
}

int TGuide::FindGuide(int X, int Y, int Reach) const {
    return FEnabled ? FindGuideAt(X, Y, Reach) : -1;
}

int TGuide::FindShownGuide(int X, int Y, int Reach) const {
    return FVisible ? FindGuideAt(X, Y, Reach) : -1;
}

int TGuide::FindGuideAt(int X, int Y, int Reach) const {
    for (int i = 0; i < SlotCount; ++i) {
        const TPoint& s = FSlots[size_t(i)];
        if (s.x != 0 && std::llabs(int64_t(s.x) - X) <= Reach)
            return i;
        if (s.y != 0 && std::llabs(int64_t(s.y) - Y) <= Reach)
            return i;
    }
    return -1;
}

int TGuide::FindEmptySlot() const {
    for (int i = 0; i < SlotCount; ++i)
        if (FSlots[size_t(i)] == TPoint(0, 0))
            return i;
    return -1;
}

bool TGuide::IsEmpty() const {
    return std::all_of(FSlots.begin(), FSlots.end(),
                       [](const TPoint& s) { return s == TPoint(0, 0); });
}

bool TGuide::IsGuideInRect(int Slot, const TRect& R) const {
    const TPoint s = GetGuide(Slot);
    if (s.x != 0 && s.y == 0)
        return s.x >= R.Left && s.x <= R.Right;
    if (s.y != 0 && s.x == 0)
        return s.y >= R.Top && s.y <= R.Bottom;
    return false;
}

void TGuide::RemoveGuidesOutside(const TRect& R) {
    for (int i = 0; i < SlotCount; ++i)
        if (!IsGuideInRect(i, R))
            FSlots[size_t(i)] = TPoint(0, 0);
    if (FEnabled)
        FEnabled = !IsEmpty();
}

void TGuide::Draw(TCanvas& Canvas, const TRect& R) const {
    if (!FVisible)
        return;
    for (const TPoint& s : FSlots) {
        if (s.x != 0 && s.y == 0) {
            Canvas.MoveTo(s.x, R.Top);
            Canvas.LineTo(s.x, R.Bottom);
        } else if (s.y != 0 && s.x == 0) {
            Canvas.MoveTo(R.Left, s.y);
            Canvas.LineTo(R.Right, s.y);
        }
    }
}

QString TGuide::GuideLimitMessage() const {
    return QStringLiteral("ガイドは%1本までです").arg(Count());
}

void TGuide::DefineProperties(TFiler& Filer) {
    TPersistent::DefineProperties(Filer);
    Filer.DefineBinaryProperty(
        "Pos", [this](TStream& S) { ReadPos(S); }, [this](TStream& S) { WritePos(S); }, true);
}

// N is limited to the ten slots and to the pairs the value holds; the other slots keep
// their values.
void TGuide::ReadPos(TStream& Stream) {
    if (Stream.Remaining() < 4)
        return;
    char head[4];
    Stream.ReadBuffer(head, 4);
    const int32_t n = qFromLittleEndian<qint32>(head);
    const int64_t available = Stream.Remaining() / 8;
    const int64_t count = std::min<int64_t>({std::max<int32_t>(n, 0), SlotCount, available});
    for (int64_t i = 0; i < count; ++i) {
        char pair[8];
        Stream.ReadBuffer(pair, 8);
        FSlots[size_t(i)] =
            TPoint(qFromLittleEndian<qint32>(pair), qFromLittleEndian<qint32>(pair + 4));
    }
}

void TGuide::WritePos(TStream& Stream) const {
    char buffer[4 + 8 * SlotCount];
    qToLittleEndian<qint32>(SlotCount, buffer);
    for (int i = 0; i < SlotCount; ++i) {
        qToLittleEndian<qint32>(FSlots[size_t(i)].x, buffer + 4 + 8 * i);
        qToLittleEndian<qint32>(FSlots[size_t(i)].y, buffer + 8 + 8 * i);
    }
    Stream.WriteBuffer(buffer, sizeof buffer);
}

// ---------------------------------------------------------------------------------------
// TGuideDrag

bool TGuideDrag::Start(TGuide& Guide, const TPoint& P, int Reach) {
    const int slot = Guide.FindShownGuide(P.x, P.y, Reach);
    if (slot < 0)
        return false;
    FGuide = &Guide;
    FSlot = slot;
    FPicked = Guide.GetGuide(slot);
    return true;
}

TPoint TGuideDrag::Moved(const TPoint& P) const {
    const auto at = [](int V) { return V == 0 ? 1 : V; };
    return FPicked.x != 0 ? TPoint(at(P.x), 0) : TPoint(0, at(P.y));
}

void TGuideDrag::Move(const TPoint& P) {
    if (FGuide)
        FGuide->SetGuide(FSlot, Moved(P));
}

bool TGuideDrag::Finish(const TPoint& P, const TRect& Page) {
    if (!FGuide)
        return false;
    TGuide* guide = std::exchange(FGuide, nullptr);
    guide->SetGuide(FSlot, Moved(P));
    guide->RemoveGuidesOutside(Page);
    return guide->GetGuide(FSlot) != FPicked;
}

void TGuideDrag::Cancel() {
    if (FGuide)
        std::exchange(FGuide, nullptr)->SetGuide(FSlot, FPicked);
}
