#pragma once
// TfrmGroupProperty ("グループの設定"): a group's position and size (its members are moved
// and scaled together), lock, print and transparency through the shared position frame.

#include "FPropertyDialog.h"

class TDOGroup;

class TfrmGroupProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmGroupProperty(TDOGroup& Group, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
};
