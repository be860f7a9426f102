#include "FImageProperty.h"

#include "FPosition.h"
#include "ULOCalendarPage.h"
#include "ULOImage.h"
#include "UPictureEx.h"

#include <QFormLayout>
#include <QLabel>
#include <QPushButton>

namespace {

bool IsPhoto(const TLOImage& Image) {
    return qobject_cast<const TLOCalendarPhoto*>(&Image) != nullptr;
}

} // namespace

TfrmImageProperty::TfrmImageProperty(TLOImage& Image, QWidget* Parent)
    : TfrmPropertyDialog(IsPhoto(Image) ? QStringLiteral("PhotoProperty")
                                        : QStringLiteral("ImageProperty"),
                         Parent) {
    setObjectName(QStringLiteral("frmImageProperty"));
    setWindowTitle(IsPhoto(Image) ? QStringLiteral("写真の設定")
                                  : QStringLiteral("イメージの設定"));
    QFormLayout* form = AddPage(QStringLiteral("Image"), QStringLiteral("イメージ"));
    btnSelectFile = new QPushButton(QStringLiteral("イメージ選択(&O)..."), form->parentWidget());
    btnSelectFile->setObjectName(QStringLiteral("btnSelectFile"));
    form->addRow(btnSelectFile);
    lblPictureInfo = new QLabel(form->parentWidget());
    lblPictureInfo->setObjectName(QStringLiteral("lblPictureInfo"));
    form->addRow(QStringLiteral("イメージ:"), lblPictureInfo);
    connect(btnSelectFile, &QPushButton::clicked, this, &TfrmImageProperty::SelectFile);
    AddPositionPage();
    ShowPreviewOf(Image);
    WatchFieldChanges();
}

TfrmImageProperty::~TfrmImageProperty() = default;

void TfrmImageProperty::ShowPictureInfo(const TPictureEx* Picture) {
    lblPictureInfo->setText(PictureInfoText(Picture));
}

void TfrmImageProperty::LoadFrom(TDrawObject& Object) {
    auto* image = qobject_cast<TLOImage*>(&Object);
    if (!image)
        return;
    FHadPicture = HasPicturePixels(image->ImageData()->Picture());
    ShowPictureInfo(image->ImageData()->Picture());
    Position()->LoadFrom(Object);
}

void TfrmImageProperty::SelectFile() {
    const QString file = ChoosePictureFile(this);
    if (!file.isEmpty())
        LoadPictureFile(file);
}

bool TfrmImageProperty::LoadPictureFile(const QString& FileName) {
    std::unique_ptr<TPictureEx> picture = ReadDialogPicture(FileName);
    if (!picture)
        return false;
    FChosen = std::move(picture);
    ShowPictureInfo(FChosen.get());
    PreviewLater();
    return true;
}

TfrmPropertyDialog::TFieldProblem TfrmImageProperty::FindProblem() const {
    if (!FHadPicture && !FChosen)
        return {btnSelectFile, QStringLiteral("イメージを選択してください。")};
    return TfrmPropertyDialog::FindProblem();
}

void TfrmImageProperty::ApplyTo(TDrawObject& Object) {
    auto* image = qobject_cast<TLOImage*>(&Object);
    if (!image)
        return;
    image->BeginUpdate();
    Position()->ApplyTo(Object);
    if (FChosen) {
        const bool hadPicture = HasPicturePixels(image->ImageData()->Picture());
        image->ImageData()->SetPicture(FChosen.get());
        if (!hadPicture)
            image->FitToImage();
    }
    image->EndUpdate();
}
