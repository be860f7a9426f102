// Picture data read by TSafetyBitmap.
#include "FuzzGraphic.h"

namespace {

void Run(const QByteArray& Input) {
    FuzzGraphic(QStringLiteral("TSafetyBitmap"), Input);
}

} // namespace

const TFuzzTarget FuzzTarget{FuzzGraphicSetUp, Run};
