#pragma once
// The fields the line dialogs share (straight lines, curves, decorative lines): the width,
// and the start and end points, transparency, lock and print of their position page.
// Lengths are in 0.1 mm, shown in mm; points anywhere on the page's logical plane, counted
// from the page's user origin (the cut line of a face with a bleed margin). A field the user
// left as it was loaded gives the object's value back unchanged.

#include "UWinTypes.h"

class QCheckBox;
class QFormLayout;
class QString;
class TExSpinEdit;
class TLOLine;

struct TLineFields {
    // The width edit as a row of Form, captioned Caption, within 0.1 mm .. MaxWidth.
    void AddWidthTo(QFormLayout* Form, const QString& Caption, int MaxWidth);
    // The points, transparency, lock and print as rows of Form.
    void AddPositionTo(QFormLayout* Form);

    // Also takes the origin of the page Line lies on.
    void Load(const TLOLine& Line);
    // The width is at least its edit's minimum; untouched fields keep the line's values.
    void Apply(TLOLine& Line) const;

    TExSpinEdit* seLineWidth = nullptr;
    TExSpinEdit* esStartX = nullptr;
    TExSpinEdit* esStartY = nullptr;
    TExSpinEdit* esEndX = nullptr;
    TExSpinEdit* esEndY = nullptr;
    QCheckBox* cbLock = nullptr;
    QCheckBox* cbDontPrint = nullptr;
    TExSpinEdit* seBlend = nullptr;
    // The page point the shown coordinates count from.
    TPoint Origin;
};

// Current (page coordinates) with each axis kept as KeptValue keeps it, the edits showing
// coordinates counted from Origin.
TPoint KeptPoint(const TExSpinEdit& X, const TExSpinEdit& Y, const TPoint& Current,
                 const TPoint& Origin);
