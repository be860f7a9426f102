// The stored data of embedded objects: the storage found in it, its class name and its
// cached picture.
#include "FuzzSupport.h"

#include "UGraphic.h"
#include "UOLEData.h"
#include "UPictureFormats.h"

namespace {

void SetUp() {
    RegisterPictureFormats();
}

void Run(const QByteArray& Input) {
    const TOLEDataInfo info = ReadOLEDataInfo(Input);
    (void)info;
}

} // namespace

const TFuzzTarget FuzzTarget{SetUp, Run};
