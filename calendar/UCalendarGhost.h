#pragma once
// Dragging calendars, and changing the month of a page's calendars as one undo step.
//
// TCalendarMoveGhost moves a calendar like any object (TMoveGhost) and carries along the
// year/month captions tied to it (the same non-zero ConnectNo on the same surface) that are
// not selected themselves (selected ones have ghosts of their own); everything lands in the
// one undo step of the drag. A copy dropped with Ctrl leaves the captions where they are.
// TDOCalendarMoveGhostDesigner hands out that ghost for the move of a calendar (hit code -1)
// and declines everything else, so the rectangle designer still sizes calendars.
//
// TCalendarDateAction sets the month of every calendar on a page: the calendar whose
// MonthOrigin is k shows the given month moved k months on; tied captions follow their
// calendar. Undo puts back every date it changed.
//
// User-interface thread only.

#include "UDesigner.h"
#include "UGhost.h"
#include "UUndo.h"

#include <QPointer>
#include <vector>

class TLOCalendar;

class TCalendarMoveGhost : public TMoveGhost {
public:
    TCalendarMoveGhost(TDrawObject& Object, int Code);
    void Finish(TShiftState Shift) override;
};

class TDOCalendarMoveGhostDesigner : public TDODesigner {
public:
    bool CreateGhost(TDrawObject& Object, int Code) override;
};

// Undo caption of a page's month change.
inline const QString SCaptionCalendarDate = QStringLiteral("年月変更");

class TCalendarDateAction : public TActionBase {
public:
    // Records the dates of the calendars and tied captions of Site and the dates they take
    // for Year and Month (Year 1..9999, Month 1..12, else the values are held to them).
    TCalendarDateAction(TDrawSite& Site, int Year, int Month);

    // Applies the change and records it in List as one step; false (and nothing recorded)
    // when the page has no calendar or nothing changes.
    static bool Execute(TDrawSite& Site, int Year, int Month, TActionList& List);

    // Number of objects whose date the action sets.
    int Count() const { return static_cast<int>(FEntries.size()); }
    // True when applying changes some date.
    bool ChangesSomething() const;
    void Redo() override;
    void Undo() override;

private:
    struct TEntry {
        QPointer<TDrawObject> Object; // a calendar or a caption
        int BeforeYear, BeforeMonth;
        int AfterYear, AfterMonth;
    };
    void Apply(bool After);

    std::vector<TEntry> FEntries;
    QPointer<TDrawSite> FSite;
};

// Year and month moved by Delta months; the year is held to 1..9999.
void AddMonths(int& Year, int& Month, int Delta);
