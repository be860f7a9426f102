// Property streams: a new component, the resource-wrapped form, and a read into an existing
// component (which a failed read must leave as it was).
#include "FuzzSupport.h"

#include "UCalSchedule.h"
#include "UFoundationClasses.h"
#include "UObjectFactory.h"
#include "UPictureFormats.h"
#include "UPropStream.h"

namespace {

void SetUp() {
    RegisterFoundationClasses();
    RegisterPictureFormats();
    RegisterObjectClasses();
    RegisterScheduleClasses();
}

void Run(const QByteArray& Input) {
    try {
        TMemoryStream plain(Input);
        ReadComponent(plain);
    } catch (const Exception&) {
    }
    try {
        TMemoryStream wrapped(Input);
        ReadComponentRes(wrapped);
    } catch (const Exception&) {
    }
    TCalSchedule existing;
    TMemoryStream into(Input);
    ReadComponent(into, existing);
}

} // namespace

const TFuzzTarget FuzzTarget{SetUp, Run};
