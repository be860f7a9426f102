#pragma once
// The font fields of the property dialogs: face name, point size, bold and italic, laid
// out as rows of a form. A face the system does not have (a stored Windows face name) is
// listed as it is, so that loading and applying keeps it.

#include <QObject>

class QCheckBox;
class QComboBox;
class QFormLayout;
class TExSpinEdit;
class TFont;

struct TFontFields {
    // New fields as rows of Form; the size edit allows MinSize..MaxSize points.
    static TFontFields AddTo(QFormLayout* Form, int MinSize = 1, int MaxSize = 999);

    void Load(const TFont& Font) const;
    // Only the values that differ are written.
    void Apply(TFont& Font) const;

    QComboBox* cmbFontName = nullptr;
    TExSpinEdit* seFontSize = nullptr;
    QCheckBox* cbBold = nullptr;
    QCheckBox* cbItalic = nullptr;
};
