#pragma once
// A picture format: the data loaded by the graphic class of that name, then drawn.
#include "FuzzSupport.h"

#include "UBitmap.h"
#include "UGraphic.h"
#include "UPictureFormats.h"

inline void FuzzGraphicSetUp() {
    RegisterPictureFormats();
}

inline void FuzzGraphic(const QString& ClassName, const QByteArray& Input) {
    std::unique_ptr<TGraphic> graphic = CreateGraphic(ClassName);
    TMemoryStream stream(Input);
    graphic->LoadFromStream(stream);
    TBitmap target(16, 16, pf24bit);
    graphic->Draw(target.Canvas(), TRect(0, 0, 16, 16));
}
