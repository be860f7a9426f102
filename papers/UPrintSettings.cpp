#include "UPrintSettings.h"

#include "UAppFrame.h"

#include <cstdint>
#include <cstdlib>

bool TPrintSpec::IsFacePrinted(int Index) const {
    if (AllFaces)
        return true;
    if (Index < 0 || static_cast<size_t>(Index) >= FaceFlags.size())
        return false;
    return FaceFlags[static_cast<size_t>(Index)];
}

void TPrintSpec::SetFacePrinted(int Index, bool Value) {
    if (Index < 0)
        return;
    if (static_cast<size_t>(Index) >= FaceFlags.size())
        FaceFlags.resize(static_cast<size_t>(Index) + 1, false);
    FaceFlags[static_cast<size_t>(Index)] = Value;
}

bool BandingEnabled() {
    return RegReadInteger(QStringLiteral("Banding"), 1) != 0;
}

int EffectiveResolution(const TPrintSpec& Spec, int PrinterDPI, int Banding) {
    if (Spec.Resolution != 0)
        return Spec.Resolution;
    return Banding == 1 ? 254 : PrinterDPI;
}

int EffectiveResolution(const TPrintSpec& Spec, int PrinterDPI) {
    return EffectiveResolution(Spec, PrinterDPI, RegReadInteger(QStringLiteral("Banding"), 1));
}

bool PaperSizeDiffers(int PageWidth, int PageHeight, int PaperWidth, int PaperHeight) {
    constexpr int tolerance = 31;
    return std::abs(int64_t(PageWidth) - PaperWidth) >= tolerance ||
           std::abs(int64_t(PageHeight) - PaperHeight) >= tolerance;
}
