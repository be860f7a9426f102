#include "FDecoLineProperty.h"

#include "ULODecoLine.h"
#include "UPictureEx.h"

#include <QFormLayout>

TfrmDecoLineProperty::TfrmDecoLineProperty(TLODecoLine& Line, QWidget* Parent)
    : TfrmPicturePropertyDialog(QStringLiteral("DecoLineProperty"), Parent) {
    setObjectName(QStringLiteral("frmDecoLineProperty"));
    setWindowTitle(QStringLiteral("飾り罫の設定"));
    QFormLayout* deco = AddPage(QStringLiteral("Decoration"), QStringLiteral("飾り"));
    AddPictureRows(deco, QStringLiteral("イメージ選択(&O)..."), QStringLiteral("イメージ:"),
                   TPictureNeed::Required);
    Fields.AddWidthTo(deco, QStringLiteral("太さ(&W)"), 2000);
    Fields.AddPositionTo(AddPage(QStringLiteral("Position"), QStringLiteral("位置")));
    ShowPreviewOf(Line);
    WatchFieldChanges();
}

void TfrmDecoLineProperty::LoadFrom(TDrawObject& Object) {
    auto* line = qobject_cast<TLODecoLine*>(&Object);
    if (!line)
        return;
    ShowObjectPicture(line->Image());
    Fields.Load(*line);
}

void TfrmDecoLineProperty::ApplyTo(TDrawObject& Object) {
    auto* line = qobject_cast<TLODecoLine*>(&Object);
    if (!line)
        return;
    line->BeginUpdate();
    Fields.Apply(*line);
    if (TPictureEx* chosen = PictureToApply()) {
        line->SetImage(chosen);
        // A new line (no length yet) takes the picture's proportions.
        if (line->GetStartPoint() == line->GetEndPoint())
            line->ResetToImage();
    }
    line->EndUpdate();
}
