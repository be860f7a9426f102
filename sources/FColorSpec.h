#pragma once
// The colour-specification editor "色の選択" and the small dialogs it opens:
//
//   TfrmColorSpec          edits one TColorSpec: a solid colour from the colour grid, a
//                          picture (stretched or tiled, brick tiling) or a gradation of 2..7
//                          colours with its kind, angle and repeat count; recent specs come
//                          back from the history menu.
//   TfrmGradePattern2001   "グラデーションのカラーパターン": picks a ready-made gradation colour
//                          pattern, shown as samples in the edited spec's kind and angle.
//   TfrmImageDataEditor    "画質調整": the filters of a picture (blur or sharpen, brightness,
//                          contrast, monotone tint) with a preview.
//
// The gradation colour buttons borrow the shared colour drop-down only while it is open.
// On OK the edited spec is added to the history file "$(ColorSpecHistory)" when the setting
// "UseColorSpecHistory" (default on) allows it.

#include "UColorSpec.h"
#include "UColorSpecHistory.h"

#include <QDialog>
#include <QFrame>
#include <QImage>
#include <array>
#include <functional>
#include <memory>

class QAbstractButton;
class QCheckBox;
class QComboBox;
class QDialogButtonBox;
class QLabel;
class QListWidget;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QToolButton;
class TColGrid;
class TExSpinEdit;

// Edits Spec modally; true (and Spec changed) on OK.
bool EditColorSpec(QWidget* Parent, TColorSpec& Spec);

// Spec drawn into a new image of Size (empty for an empty size).
QImage RenderColorSpec(TColorSpec& Spec, const QSize& Size);

// A panel its owner paints; reports clicks. Tag identifies it among its siblings.
class TPaintPanel : public QFrame {
    Q_OBJECT
public:
    explicit TPaintPanel(QWidget* Parent = nullptr);
    int Tag = 0;
    std::function<void(TPaintPanel* Sender, QPainter& Painter)> OnPaint;
    std::function<void(TPaintPanel* Sender)> OnClick;

protected:
    void paintEvent(QPaintEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
};

// A panel showing an image centred on its background.
class TImagePanel : public QFrame {
    Q_OBJECT
public:
    explicit TImagePanel(QWidget* Parent = nullptr);
    void SetImage(const QImage& Image);
    const QImage& Image() const { return FImage; }

protected:
    void paintEvent(QPaintEvent* Event) override;

private:
    QImage FImage;
};

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

class TfrmGradePattern2001 : public QDialog {
    Q_OBJECT
public:
    // One ready-made pattern: 2..7 colours.
    using TPattern = std::vector<TColor>;
    static const std::vector<TPattern>& Patterns();
    static const QStringList& SampleSizes();

    explicit TfrmGradePattern2001(QWidget* Parent = nullptr);
    ~TfrmGradePattern2001() override;

    // The spec whose kind, angle and repeat count the samples show.
    void SetColorSpec(const TColorSpec& Spec);
    // The chosen pattern (valid after OK).
    int ColorCount() const;
    TColor Color(int Index) const;
    int SelectedPattern() const;
    void SelectPattern(int Index);

    QComboBox* cbSize;
    QListWidget* lvPatterns;
    QDialogButtonBox* Buttons;

private:
    void FillSamples();

    TColorSpec FSpec;
};

class TfrmColorSpec : public QDialog {
    Q_OBJECT
public:
    static constexpr int GradationButtonCount = 7;
    static constexpr int SampleCount = 4;

    explicit TfrmColorSpec(QWidget* Parent = nullptr);
    ~TfrmColorSpec() override;

    // Loads Spec into the form (the working copy takes it).
    void SetColorSpec(const TColorSpec& Spec);
    // The working spec: the result on OK.
    TColorSpec& ColorSpec() { return *FSpec; }
    TColorSpecHistory& History() { return FHistory; }

    // Picks the picture file for the image kind (replaceable; by default a file dialog);
    // empty text = cancelled.
    std::function<QString(QWidget* Parent, const QString& Filter)> ChoosePictureFile;
    // The colour table behind the gradation buttons.
    const std::array<TColor, GradationButtonCount>& ButtonColors() const { return FButtonColors; }
    // The menu of history entries (48 x 48 previews) and the settings submenu; rebuilt each
    // time the history button is pressed.
    QMenu* HistoryMenu() const { return PopupMenu1; }
    void BuildHistoryMenu();
    // The sample whose frame is shown (its Tag is the gradation kind).
    TPaintPanel* FocusedSample() const { return FFocusedSample; }

    void accept() override;

    // Components, named as the form's designer named them.
    QRadioButton* rbColor;
    QRadioButton* rbBitmap;
    QRadioButton* rbGradation;
    QToolButton* btnHistory;
    QStackedWidget* nbookColorSpec;
    TColGrid* ColGrid1;
    QFrame* pnlColorPreview;
    QLabel* lblCaption;
    QPushButton* btnFromFile;
    TImagePanel* imgpnlBmpView;
    QPushButton* btnEffect;
    QCheckBox* cbTile;
    QCheckBox* cbEveryLine;
    TExSpinEdit* spnColorCount;
    TExSpinEdit* spnRepeatCount;
    std::array<QToolButton*, GradationButtonCount> btnCol{};
    std::array<TPaintPanel*, SampleCount> imgSamples{}; // img00, img01, img03, img04
    QFrame* shpFocus;
    QSlider* TrackBar1;
    TExSpinEdit* ExSpinEdit1;
    QToolButton* btnColorSample;
    QToolButton* btnColorReverse;
    QFrame* pnlDisabled;
    QMenu* PopupMenu1;
    QMenu* popupHistrySettings;
    QAction* actEnableHistory;
    QAction* actDisableHistory;
    QAction* actClearHistory;
    QDialogButtonBox* Buttons;

protected:
    void changeEvent(QEvent* Event) override;

private:
    QWidget* CreateColorPage();
    QWidget* CreateBitmapPage();
    QWidget* CreateGradationPage();
    void CreateHistoryActions();

    void rbColorClick(int Tag);
    void ColGrid1ChangeColor(TColor Color);
    void ShowSolidColor(TColor Color);
    void img00Click(TPaintPanel* Sender);
    void img00Paint(TPaintPanel* Sender, QPainter& Painter);
    void PlaceFocusFrame();
    void RepaintSamples();
    void TrackBar1Change(int Value);
    void ExSpinEdit1Change();
    void spnColorCountChange();
    void spnRepeatCountChange();
    void btnCol00Click(int Tag);
    void DrawButtonGlyphs();
    void LoadButtonColors();
    void btnColorReverseClick();
    void btnColorSampleClick();
    void btnFromFileClick();
    void btnEffectClick();
    void cbTileClick();
    void cbEveryLineClick();
    void RefreshImagePreview();
    void HistoryMenuClick(int Index);
    void SetHistoryEnabled(bool On);
    void ClearHistory();
    // The history file: false when the macro "ColorSpecHistory" names none.
    bool HistoryAvailable();

    std::unique_ptr<TColorSpec> FSpec;
    TColorSpecHistory FHistory;
    TImageEffect FEffect;
    std::array<TColor, GradationButtonCount> FButtonColors{};
    TPaintPanel* FFocusedSample = nullptr;
    bool FLoading = false;
};
