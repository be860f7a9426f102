#pragma once
// TfrmLineProperty: the dialog of straight lines ("直線の設定") and curves ("円弧の設定"),
// each with its own remembered page. Pages: PenColor (the line's colour fill and width) and
// Position (start and end points, lock, print and transparency). The colour editor is
// embedded in the PenColor page; a colour changed there enters the colour history on OK.
//
// Units: points and the width in 0.1 mm, shown in mm; the width 0.1 .. 20.0 mm.

#include "FPropertyDialog.h"
#include "ULineFields.h"
#include "UNotify.h"

#include <memory>

class TColorSpec;
class TfrmColorSpec;
class TLOLine;

class TfrmLineProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmLineProperty(TLOLine& Line, QWidget* Parent = nullptr);
    ~TfrmLineProperty() override;

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    void accept() override;

    QWidget* fpnlPenColor;
    // The colour editor embedded in the page (its own buttons hidden).
    TfrmColorSpec* frmPenColor;
    // The width (page PenColor), the points and the rest of page Position.
    TLineFields Fields;

private:
    // Hears every change of the embedded editor's colour (for the preview).
    TListener FColorListener;
    // The colour as loaded, to tell whether the user changed it.
    std::unique_ptr<TColorSpec> FLoadedColor;
};
