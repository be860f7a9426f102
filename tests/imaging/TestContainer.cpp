#include "TestContainer.h"

#include "UCompress.h"

QByteArray MakeContainer(const QByteArray& Data) {
    TMemoryStream source(Data);
    TMemoryStream dest;
    CompressStream(source, dest, zcDefault);
    return dest.Bytes();
}
