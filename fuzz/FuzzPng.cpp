// Picture data read by TPNGImage.
#include "FuzzGraphic.h"

namespace {

void Run(const QByteArray& Input) {
    FuzzGraphic(QStringLiteral("TPNGImage"), Input);
}

} // namespace

const TFuzzTarget FuzzTarget{FuzzGraphicSetUp, Run};
