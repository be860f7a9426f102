// Picture data as documents keep it: the class name, then the graphic's own data.
#include "FuzzSupport.h"

#include "UBitmap.h"
#include "UPictureEx.h"
#include "UPictureFormats.h"

namespace {

void Run(const QByteArray& Input) {
    TPictureEx picture;
    TMemoryStream stream(Input);
    picture.LoadFromStream(stream);
    TBitmap target(16, 16, pf24bit);
    if (picture.Graphic())
        picture.Graphic()->Draw(target.Canvas(), TRect(0, 0, 16, 16));
}

} // namespace

const TFuzzTarget FuzzTarget{RegisterPictureFormats, Run};
