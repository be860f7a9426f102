#include "UContainerStream.h"

#include "UCompress.h"

// EInvalidGraphic lives with the bitmap (UBitmap.h, which brings the colour names in), so it
// is raised through RaiseInvalidContainer, defined with the DIB codec (UDIB.cpp).

bool ReadContainer(TStream& Source, TMemoryStream& Plain) {
    int32_t size = 0;
    if (!ReadCompressHeader(Source, size))
        return false;
    Plain.Clear();
    try {
        DecompressStream(Source, Plain, size);
    } catch (const EZLibError&) {
        RaiseInvalidContainer();
    } catch (const EStreamError&) {
        RaiseInvalidContainer();
    }
    Plain.SetPosition(0);
    return true;
}
