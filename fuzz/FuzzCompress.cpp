// The compressed container: the header and the inflated data, on their own and as picture
// data reads them.
#include "FuzzSupport.h"

#include "UCompress.h"
#include "UContainerStream.h"

namespace {

void Run(const QByteArray& Input) {
    try {
        TMemoryStream source(Input);
        int32_t size = 0;
        if (ReadCompressHeader(source, size)) {
            TMemoryStream plain;
            DecompressStream(source, plain, size);
        }
    } catch (const Exception&) {
    }
    TMemoryStream source(Input);
    TMemoryStream plain;
    ReadContainer(source, plain);
}

} // namespace

const TFuzzTarget FuzzTarget{nullptr, Run};
