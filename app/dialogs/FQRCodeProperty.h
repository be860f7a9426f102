#pragma once
// TfrmQRCodeProperty ("QRコードの設定").
//
// For a standard QR code (TLOQRStd) page Data edits the fields its text is built from: the
// carrier format and the kind (phone-book entry, bookmark, free text) with the fields of
// that kind. For a QR code of other data the data is shown and kept. Page Settings: the
// error correction level, the quiet zone and the version (automatic or fixed). OK is
// refused while the data does not fit the symbol. Page Position: the shared position frame.

#include "FPropertyDialog.h"

#include <memory>

class QCheckBox;
class QComboBox;
class QLineEdit;
class QPlainTextEdit;
class TLOQRCode;

class TfrmQRCodeProperty : public TfrmPropertyDialog {
    Q_OBJECT
public:
    TfrmQRCodeProperty(TLOQRCode& Code, QWidget* Parent = nullptr);
    ~TfrmQRCodeProperty() override;

    void LoadFrom(TDrawObject& Object) override;
    void ApplyTo(TDrawObject& Object) override;
    TFieldProblem FindProblem() const override;

    QComboBox* cmbQRType = nullptr;
    QComboBox* cmbQRKind = nullptr;
    QLineEdit* edName = nullptr;
    QLineEdit* edFurigana = nullptr;
    QLineEdit* edTel1 = nullptr;
    QLineEdit* edTel2 = nullptr;
    QLineEdit* edEmail1 = nullptr;
    QLineEdit* edEmail2 = nullptr;
    QLineEdit* edUrlTitle = nullptr;
    QLineEdit* edUrl = nullptr;
    QPlainTextEdit* memQRText = nullptr;
    QPlainTextEdit* memData = nullptr;
    QComboBox* cmbErrorLevel;
    TExSpinEdit* seMergin;
    QCheckBox* cbAutoVersion;
    TExSpinEdit* seVersion;

private:
    void BuildStdPage();
    void KindChanged();
    // The data and settings fields to Code (not the position).
    void ApplyFields(TLOQRCode& Code) const;
    // The fields applied to a copy of the object: does its symbol encode?
    bool DataFits() const;

    bool FStandard;
    std::unique_ptr<TDrawObject> FTrial;
};
