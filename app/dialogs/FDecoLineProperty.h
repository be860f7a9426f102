#pragma once
// TfrmDecoLineProperty ("飾り罫の設定"): the picture repeated along a decorative line and the
// decoration's height (page Decoration), start and end points, lock, print and transparency
// (page Position). A line without length that gets a picture takes the picture's length
// (six copies) and height.

#include "FPropertyDialog.h"
#include "ULineFields.h"

class TLODecoLine;

class TfrmDecoLineProperty : public TfrmPicturePropertyDialog {
    Q_OBJECT
public:
    TfrmDecoLineProperty(TLODecoLine& Line, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    // The height (page Decoration), the points and the rest of page Position.
    TLineFields Fields;
};
