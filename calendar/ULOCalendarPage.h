#pragma once
// The two page objects that calendar documents keep beside their calendars, in the least
// form the documents need:
//   TLOCalendarBackGrnd  the page background; with BackStyle 0 it takes the colour of the
//                        document's month (the calendar wizard sets it month by month),
//                        with 1 it keeps its own fill;
//   TLOCalendarPhoto     the page photo, an image object of its own class so that the
//                        wizard can tell it from other pictures and change it per month.
// Both draw, stream and edit exactly like their bases.

#include "ULOBackImage.h"
#include "ULOImage.h"

class TLOCalendarBackGrnd : public TLOBackImage {
    Q_OBJECT
    Q_PROPERTY(int BackStyle READ BackStyle WRITE SetBackStyle)
    Q_CLASSINFO("Default:BackStyle", "0")
public:
    Q_INVOKABLE explicit TLOCalendarBackGrnd(TComponent* Owner = nullptr);

    // 0: the month's colour; 1: the object's own fill. Other values (damaged streams) read
    // as 0.
    int BackStyle() const { return FBackStyle; }
    void SetBackStyle(int Value);

protected:
    void AssignTo(TPersistent* Dest) const override;

private:
    int FBackStyle = 0;
};

class TLOCalendarPhoto : public TLOImage {
    Q_OBJECT
public:
    Q_INVOKABLE explicit TLOCalendarPhoto(TComponent* Owner = nullptr);
};
