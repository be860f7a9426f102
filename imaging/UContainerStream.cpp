#include "UContainerStream.h"

#include "UBitmap.h"
#include "UCompress.h"

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
