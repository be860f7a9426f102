#pragma once
// The gradation pattern picker "グラデーションのカラーパターン": ready-made colour lists of 2..7
// colours, each shown as a sample in the edited fill's gradation kind, angle and repeat count,
// in one of the sample sizes "50x50" .. "200x200". OK (modal result 1) hands back the chosen
// pattern's colours.

#include "UColorFill.h"

#include <QDialog>
#include <vector>

class QComboBox;
class QDialogButtonBox;
class QListWidget;

class TfrmGradePattern2001 : public QDialog {
    Q_OBJECT
public:
    // One ready-made pattern: 2..7 colours.
    using TPattern = std::vector<TColor>;
    static const std::vector<TPattern>& Patterns();
    static const QStringList& SampleSizes();

    explicit TfrmGradePattern2001(QWidget* Parent = nullptr);
    ~TfrmGradePattern2001() override;

    // The fill whose kind, angle and repeat count the samples show.
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
