#pragma once
// TfrmTextProperty ("テキストの設定") and TfrmDateProperty ("日付の設定").
//
// Text pages: Text (the lines, font, size, bold, italic, alignment, vertical writing,
// character and line spacing, the arc the text follows and the strength of its distortion),
// Decoration (text colour, outline with its colour and width,
// drop shadow preset with its colour) and the shared position frame. An auto-sized text is
// fitted to its content after the dialog applied.
//
// The date dialog adds a Date page (format, date and time, and which time of the document
// it follows) in front; its text is made from the date and not edited.
//
// Units: font sizes in points; outline width and the arc's bulge in 0.1 mm (shown in mm);
// distortion strength in percent. A field the user did not touch leaves the object's value
// as it was, also where the field cannot show it.

#include "FPropertyDialog.h"
#include "UFontFields.h"

#include <QDateTime>

class QCheckBox;
class QComboBox;
class QDateTimeEdit;
class QPlainTextEdit;
class TColorSpecButton;
class TLODate;
class TLOText;

class TfrmTextProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmTextProperty(TLOText& Text, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;

    QPlainTextEdit* memText;
    TFontFields Font;
    QComboBox* cmbAlign;
    QCheckBox* cbVertical;
    TExSpinEdit* seCharSpacing;
    TExSpinEdit* seLineSpacing;
    // The text follows an arc whose height above its chord is seBulge (negative: the other
    // side). Not offered while the text is bent by a distortion pattern.
    QCheckBox* cbArc;
    TExSpinEdit* seBulge;
    TExSpinEdit* seDistortionRatio;
    TColorSpecButton* btnTextColor;
    QCheckBox* cbOutline;
    TColorSpecButton* btnOutlineColor;
    TExSpinEdit* seOutLineWidth;
    QComboBox* cmbShadow;
    TColorSpecButton* btnShadowColor;

protected:
    TfrmTextProperty(const QString& PageKind, TLOText& Text, QWidget* Parent);

private:
    void Build(TLOText& Text);
    void LoadGeometry(const TLOText& Text);
    void ApplyGeometry(TLOText& Text) const;
};

class TfrmDateProperty : public TfrmTextProperty {
    Q_OBJECT
public:
    TfrmDateProperty(TLODate& Date, QWidget* Parent = nullptr);

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    TFieldProblem FindProblem() const override;

    QComboBox* cmbFormat;
    QDateTimeEdit* dtDate;
    QComboBox* cmbUpdateFlag;

private:
    QDateTime FLoadedDate;
};
