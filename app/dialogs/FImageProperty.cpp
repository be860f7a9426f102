#include "FImageProperty.h"

#include "FPosition.h"
#include "ULOCalendarPage.h"
#include "ULOImage.h"
#include "UPictureEx.h"

namespace {

bool IsPhoto(const TLOImage& Image) {
    return qobject_cast<const TLOCalendarPhoto*>(&Image) != nullptr;
}

} // namespace

TfrmImageProperty::TfrmImageProperty(TLOImage& Image, QWidget* Parent)
    : TfrmPicturePropertyDialog(IsPhoto(Image) ? QStringLiteral("PhotoProperty")
                                               : QStringLiteral("ImageProperty"),
                                Parent) {
    setObjectName(QStringLiteral("frmImageProperty"));
    setWindowTitle(IsPhoto(Image) ? QStringLiteral("写真の設定")
                                  : QStringLiteral("イメージの設定"));
    AddPictureRows(AddPage(QStringLiteral("Image"), QStringLiteral("イメージ")),
                   QStringLiteral("イメージ選択(&O)..."), QStringLiteral("イメージ:"),
                   TPictureNeed::Required);
    AddPositionPage();
    ShowPreviewOf(Image);
    WatchFieldChanges();
}

void TfrmImageProperty::LoadFrom(TDrawObject& Object) {
    auto* image = qobject_cast<TLOImage*>(&Object);
    if (!image)
        return;
    ShowObjectPicture(image->ImageData()->Picture());
    Position()->LoadFrom(Object);
}

void TfrmImageProperty::ApplyTo(TDrawObject& Object) {
    auto* image = qobject_cast<TLOImage*>(&Object);
    if (!image)
        return;
    image->BeginUpdate();
    Position()->ApplyTo(Object);
    if (TPictureEx* chosen = PictureToApply()) {
        const bool hadPicture = HasPicturePixels(image->ImageData()->Picture());
        image->ImageData()->SetPicture(chosen);
        if (!hadPicture)
            image->FitToImage();
    }
    image->EndUpdate();
}
