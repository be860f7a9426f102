#include "ULODate.h"

#include "UDateText.h"
#include "UDrawSite.h"
#include "UException.h"

TLODate::TLODate(TComponent* Owner) : TLOText(Owner) {}

void TLODate::Regenerate() {
    try {
        SetPlainText(FormatDateText(FFormat, FDate));
    } catch (const EConvertError&) {
        // A date no calendar can show: the text stays.
    }
}

void TLODate::SetFormat(const QString& Value) {
    if (Value == FFormat)
        return;
    FFormat = Value;
    Regenerate();
    Changed();
    Invalidate();
}

void TLODate::SetDate(TDateTime Value) {
    if (Value.Value == FDate.Value)
        return;
    FDate = Value;
    Regenerate();
    Changed();
    Invalidate();
}

void TLODate::SetUpdateFlag(TDateUpdateFlag Value) {
    if (Value == FUpdateFlag)
        return;
    FUpdateFlag = Value;
    Changed();
}

void TLODate::AssignTo(TPersistent* Dest) const {
    TLOText::AssignTo(Dest);
    if (auto* d = qobject_cast<TLODate*>(Dest)) {
        d->SetFormat(FFormat);
        d->SetDate(FDate);
        d->SetUpdateFlag(FUpdateFlag);
    }
}

bool RefreshDateObject(TDrawObject& Object, const TDocumentTimes& Times) {
    auto* date = qobject_cast<TLODate*>(&Object);
    if (!date)
        return false;
    const std::optional<TDateTime>* time = nullptr;
    switch (date->UpdateFlag()) {
    case dufOpen:
        time = &Times.Opened;
        break;
    case dufPrint:
        time = &Times.Printed;
        break;
    case dufSave:
        time = &Times.Saved;
        break;
    case dufNo:
        break;
    }
    if (!time || !time->has_value())
        return false;
    date->SetDate(**time);
    return true;
}

int RefreshDateObjects(const TDrawSite& Site, const TDocumentTimes& Times) {
    TDOList objects;
    Site.GetObjects(objects, false);
    int count = 0;
    for (TDrawObject* object : objects)
        count += RefreshDateObject(*object, Times) ? 1 : 0;
    return count;
}
