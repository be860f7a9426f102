// Picture data read by TMetafile.
#include "FuzzGraphic.h"

namespace {

void Run(const QByteArray& Input) {
    FuzzGraphic(QStringLiteral("TMetafile"), Input);
}

} // namespace

const TFuzzTarget FuzzTarget{FuzzGraphicSetUp, Run};
