#include "FGroupProperty.h"

#include "FPosition.h"
#include "UDOGroup.h"

TfrmGroupProperty::TfrmGroupProperty(TDOGroup& Group, QWidget* Parent)
    : TfrmPropertyDialog(QStringLiteral("GroupProperty"), Parent) {
    setObjectName(QStringLiteral("frmGroupProperty"));
    setWindowTitle(QStringLiteral("グループの設定"));
    AddPositionPage();
    ShowPreviewOf(Group);
    WatchFieldChanges();
}

void TfrmGroupProperty::LoadFrom(TDrawObject& Object) {
    Position()->LoadFrom(Object);
}

void TfrmGroupProperty::ApplyTo(TDrawObject& Object) {
    if (qobject_cast<TDOGroup*>(&Object))
        Position()->ApplyTo(Object);
}
