// Schedule files: what loads must save and load again with the same items.
#include "FuzzSupport.h"

#include "UCalSchedule.h"

#include <cstdlib>

namespace {

void Run(const QByteArray& Input) {
    TCalSchedule schedule;
    TMemoryStream stream(Input);
    schedule.LoadFromStream(stream);
    TMemoryStream saved;
    schedule.SaveToStream(saved);
    saved.SetPosition(0);
    TCalSchedule again;
    if (!again.LoadFromStream(saved).isEmpty() || again.Count() != schedule.Count())
        std::abort(); // a schedule that saved did not load whole
}

} // namespace

const TFuzzTarget FuzzTarget{RegisterScheduleClasses, Run};
