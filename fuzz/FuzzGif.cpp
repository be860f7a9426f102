// Picture data read by TGIFImage.
#include "FuzzGraphic.h"

namespace {

void Run(const QByteArray& Input) {
    FuzzGraphic(QStringLiteral("TGIFImage"), Input);
}

} // namespace

const TFuzzTarget FuzzTarget{FuzzGraphicSetUp, Run};
