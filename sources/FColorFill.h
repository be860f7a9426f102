#pragma once
// The colour fill editor "色の選択": edits one TColorSpec, a solid colour from the
// colour grid, a picture (stretched or tiled, brick tiling, its filters through the
// image-quality editor) or a gradation of 2..7 colours with its kind, angle and repeat count
// (ready-made colours from the pattern picker); recent fills come back from the history menu.
//
// The gradation colour buttons borrow the shared colour drop-down only while it is open.
// On OK the edited fill is added to the history file "$(ColorSpecHistory)" when the setting
// "UseColorSpecHistory" (default on) allows it.

#include "FImageDataEditor.h"
#include "UColorFill.h"
#include "UColorFillHistory.h"

#include <QDialog>
#include <array>
#include <functional>
#include <memory>

class QCheckBox;
class QDialogButtonBox;
class QFrame;
class QLabel;
class QMenu;
class QPushButton;
class QRadioButton;
class QSlider;
class QStackedWidget;
class QToolButton;
class TColGrid;
class TExSpinEdit;
class TImagePanel;
class TPaintPanel;

// Edits Spec modally; true (and Spec changed) on OK.
bool EditColorSpec(QWidget* Parent, TColorSpec& Spec);

class TfrmColorSpec : public QDialog {
    Q_OBJECT
public:
    static constexpr int GradationButtonCount = 7;
    static constexpr int SampleCount = 4;

    explicit TfrmColorSpec(QWidget* Parent = nullptr);
    ~TfrmColorSpec() override;

    // Loads Spec into the form (the working copy takes it).
    void SetColorSpec(const TColorSpec& Spec);
    // The working fill: the result on OK.
    TColorSpec& ColorSpec() { return *FSpec; }
    TColorSpecHistory& History() { return FHistory; }
    // Adds the working fill to the history when the settings allow it (OK does this; an
    // editor embedded in another dialog calls it when that dialog takes the fill).
    void RecordInHistory();

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
