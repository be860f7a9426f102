#pragma once
// TfrmPositionProperty ("位置･サイズの設定"): the layout editor's dialog for adjusting an
// object's position and size by numbers. Page RectPosition edits a rectangle object's left,
// top, width (0.2 .. 1000 mm) and height; page LinePosition a line's start and end points.
// Positions count from the page's user origin (the cut line of a face with a bleed margin)
// and may lie anywhere on the logical plane. Reading back applies only the fields that hold
// a valid number and that the user changed; the others keep the object's values.

#include "FPropertyDialog.h"
#include "UWinTypes.h"

class TfrmPositionProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    explicit TfrmPositionProperty(QWidget* Parent = nullptr);

    enum TPage { ppRect, ppLine };
    void SelectPage(TPage Page);

    // A line (IDOLine) shows the line page, any other object with IDOPosition the
    // rectangle page. The origin of the page Object lies on is kept for reading back.
    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    // Invalid fields are not refused: they are left out when applying.
    TFieldProblem FindProblem() const override { return {}; }

    // R and the points are page coordinates; the fields show them less the origin.
    void LoadRect(const TRect& R);
    // R with every valid field taken over (Right and Bottom follow the width and height).
    TRect ReadRect(const TRect& R) const;
    void LoadLine(const TPoint& Start, const TPoint& End);
    void ReadLine(TPoint& Start, TPoint& End) const;

    TExSpinEdit* esLeft;
    TExSpinEdit* esTop;
    TExSpinEdit* esWidth;
    TExSpinEdit* esHeight;
    TExSpinEdit* esStartX;
    TExSpinEdit* esStartY;
    TExSpinEdit* esEndX;
    TExSpinEdit* esEndY;

private:
    TPoint FOrigin;
};
