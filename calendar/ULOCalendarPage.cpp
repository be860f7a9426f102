#include "ULOCalendarPage.h"

TLOCalendarBackGrnd::TLOCalendarBackGrnd(TComponent* Owner) : TLOBackImage(Owner) {}

void TLOCalendarBackGrnd::SetBackStyle(int Value) {
    const int style = Value == 1 ? 1 : 0;
    if (style == FBackStyle)
        return;
    FBackStyle = style;
    Changed();
}

void TLOCalendarBackGrnd::AssignTo(TPersistent* Dest) const {
    TLOBackImage::AssignTo(Dest);
    if (auto* back = qobject_cast<TLOCalendarBackGrnd*>(Dest))
        back->SetBackStyle(FBackStyle);
}

TLOCalendarPhoto::TLOCalendarPhoto(TComponent* Owner) : TLOImage(Owner) {}
