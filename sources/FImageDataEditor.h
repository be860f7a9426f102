#pragma once
// The image-quality editor "画質調整": the filters of a picture (blur or sharpen, brightness,
// contrast, monotone tint) on a copy of its image data, with a preview of the filtered
// picture. OK refuses fields that hold no valid number.

#include "UImageData.h"

#include <QDialog>
#include <memory>

class QCheckBox;
class QDialogButtonBox;
class QToolButton;
class TExSpinEdit;
class TImagePanel;

// The effect settings the image-quality editor receives and hands back with the picture.
struct TImageEffect {
    bool Enabled = false;
    TColor Color = 0xFFFFFF;
    int Value = 100;
};

class TfrmImageDataEditor : public QDialog {
    Q_OBJECT
public:
    explicit TfrmImageDataEditor(QWidget* Parent = nullptr);
    ~TfrmImageDataEditor() override;

    // Copies Data (picture and filters) into the editor and shows its filter values.
    void SetImageData(const TImageData& Data);
    // The edited copy.
    TImageData& ImageData() { return *FImageData; }
    void SetEffect(const TImageEffect& Effect) { FEffect = Effect; }
    const TImageEffect& Effect() const { return FEffect; }

    TExSpinEdit* spnBlur;
    TExSpinEdit* spnBrightness;
    TExSpinEdit* spnContrast;
    QCheckBox* cbMonotone;
    QToolButton* btnMonotoneColor;
    TImagePanel* imgPreview;
    QDialogButtonBox* Buttons;

    void accept() override;

private:
    void ShowValues();
    // Puts the fields into the working image data (only valid ones); false when one is not.
    bool ApplyFields();
    void RefreshPreview();
    void MonotoneColorClick();
    void DrawMonotoneGlyph();

    std::unique_ptr<TImageData> FImageData;
    TImageEffect FEffect;
    TColor FMonotoneColor = 0x808080;
    bool FShowing = false;
};
