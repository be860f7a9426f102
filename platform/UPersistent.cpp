#include "UPersistent.h"

#include "UException.h"

#include <cmath>

TCurrency TCurrency::FromDouble(double Value) {
    const double scaled = std::round(Value * 10000.0);
    // 2^63 is exactly representable; anything at or beyond it does not fit.
    if (!(scaled >= -9223372036854775808.0 && scaled < 9223372036854775808.0))
        throw EConvertError(QStringLiteral("%1 は通貨の範囲を超えています").arg(Value));
    return TCurrency{static_cast<int64_t>(scaled)};
}

void TPersistent::Assign(const TPersistent* Source) {
    if (Source)
        Source->AssignTo(this);
    else
        AssignError(nullptr);
}

void TPersistent::DefineProperties(TFiler&) {}

void TPersistent::CopyEventHandlers(TPersistent&) const {}

void TPersistent::AssignTo(TPersistent* Dest) const {
    Dest->AssignError(this);
}

void TPersistent::AssignError(const TPersistent* Source) const {
    const QString source = Source ? Source->ClassName() : QStringLiteral("nil");
    throw EConvertError(QStringLiteral("%1 を %2 に代入できません").arg(source, ClassName()));
}
