#pragma once
// The fields the line dialogs share (straight lines, curves, decorative lines): the width,
// and the start and end points, transparency, lock and print of their position page.
// Lengths are in 0.1 mm, shown in mm; points anywhere on the page's logical plane. A field
// the user left as it was loaded gives the object's value back unchanged.

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

    void Load(const TLOLine& Line) const;
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
};
