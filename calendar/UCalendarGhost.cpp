#include "UCalendarGhost.h"

#include "UDOList.h"
#include "UDrawSite.h"
#include "ULOCalendar.h"
#include "ULOYearMonth.h"

#include <algorithm>

namespace {

// The captions of Site tied to ConnectNo (none for 0).
std::vector<TLOYearMonth*> TiedCaptions(const TDrawSite& Site, int ConnectNo) {
    std::vector<TLOYearMonth*> captions;
    if (ConnectNo == 0)
        return captions;
    TDOList objects;
    Site.GetObjects(objects, false);
    for (TDrawObject* object : objects)
        if (auto* caption = qobject_cast<TLOYearMonth*>(object);
            caption && caption->ConnectNo() == ConnectNo)
            captions.push_back(caption);
    return captions;
}

} // namespace

// ---------------------------------------------------------------------------------------
// TCalendarMoveGhost

TCalendarMoveGhost::TCalendarMoveGhost(TDrawObject& Object, int Code) : TMoveGhost(Object, Code) {}

void TCalendarMoveGhost::Finish(TShiftState Shift) {
    auto* calendar = qobject_cast<TLOCalendar*>(Object());
    auto* clone = qobject_cast<TLOCalendar*>(Clone());
    if (!calendar || !clone || !Site || Shift.testFlag(ssCtrl)) {
        TMoveGhost::Finish(Shift);
        return;
    }
    const int dx = clone->Left() - calendar->Left(), dy = clone->Top() - calendar->Top();
    const std::vector<TLOYearMonth*> captions = TiedCaptions(*Site, calendar->ConnectNo());
    TMoveGhost::Finish(Shift);
    if (dx == 0 && dy == 0)
        return;
    for (TLOYearMonth* caption : captions) {
        if (caption->Selected())
            continue;
        auto action = std::make_unique<TDOChangeAction>(*caption);
        action->SetCaption(SCaptionMove);
        caption->OffsetBy(dx, dy);
        TDOChangeAction::Commit(std::move(action), ActionList());
    }
}

bool TDOCalendarMoveGhostDesigner::CreateGhost(TDrawObject& Object, int Code) {
    if (Code != -1 || !qobject_cast<TLOCalendar*>(&Object))
        return false;
    TheGhostList().AddGhost(std::make_unique<TCalendarMoveGhost>(Object, Code));
    return true;
}

// ---------------------------------------------------------------------------------------
// TCalendarDateAction

void AddMonths(int& Year, int& Month, int Delta) {
    const int64_t m = int64_t(Year) * 12 + (Month - 1) + Delta;
    const int64_t lo = 12, hi = int64_t(9999) * 12 + 11;
    const int64_t c = std::clamp(m, lo, hi);
    Year = static_cast<int>(c / 12);
    Month = static_cast<int>(c % 12) + 1;
}

TCalendarDateAction::TCalendarDateAction(TDrawSite& Site, int Year, int Month) : FSite(&Site) {
    SetCaption(SCaptionCalendarDate);
    SetFlags(afCanUndo | afCanRedo);
    Year = std::clamp(Year, 1, 9999);
    Month = std::clamp(Month, 1, 12);
    TDOList objects;
    Site.GetObjects(objects, false);
    for (TDrawObject* object : objects) {
        auto* calendar = qobject_cast<TLOCalendar*>(object);
        if (!calendar)
            continue;
        int y = Year, m = Month;
        AddMonths(y, m, calendar->MonthOrigin());
        FEntries.push_back({calendar, calendar->Year(), calendar->Month(), y, m});
        for (TLOYearMonth* caption : TiedCaptions(Site, calendar->ConnectNo()))
            FEntries.push_back({caption, caption->Year(), caption->Month(), y, m});
    }
}

bool TCalendarDateAction::ChangesSomething() const {
    return std::any_of(FEntries.begin(), FEntries.end(), [](const TEntry& E) {
        return E.Object && (E.BeforeYear != E.AfterYear || E.BeforeMonth != E.AfterMonth);
    });
}

void TCalendarDateAction::Apply(bool After) {
    for (const TEntry& e : FEntries) {
        const int y = After ? e.AfterYear : e.BeforeYear;
        const int m = After ? e.AfterMonth : e.BeforeMonth;
        if (auto* calendar = qobject_cast<TLOCalendar*>(e.Object.data())) {
            calendar->BeginUpdate();
            calendar->SetYear(y);
            calendar->SetMonth(m);
            calendar->EndUpdate();
        } else if (auto* caption = qobject_cast<TLOYearMonth*>(e.Object.data())) {
            caption->BeginUpdate();
            caption->SetYear(y);
            caption->SetMonth(m);
            caption->EndUpdate();
        }
    }
    if (FSite)
        FSite->SetModified(true);
}

void TCalendarDateAction::Redo() {
    Apply(true);
}

void TCalendarDateAction::Undo() {
    Apply(false);
}

bool TCalendarDateAction::Execute(TDrawSite& Site, int Year, int Month, TActionList& List) {
    auto action = std::make_unique<TCalendarDateAction>(Site, Year, Month);
    if (!action->ChangesSomething())
        return false;
    action->Redo();
    List.Add(std::move(action));
    return true;
}
