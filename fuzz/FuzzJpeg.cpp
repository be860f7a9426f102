// Picture data read by TSafetyJPEGImage.
#include "FuzzGraphic.h"

namespace {

void Run(const QByteArray& Input) {
    FuzzGraphic(QStringLiteral("TSafetyJPEGImage"), Input);
}

} // namespace

const TFuzzTarget FuzzTarget{FuzzGraphicSetUp, Run};
