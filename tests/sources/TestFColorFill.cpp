// The colour fill editor driven through its controls: each kind of fill edited and
// applied with OK, Cancel leaving the fill as it was, the pattern picker and the image-data
// editor it opens, the shared drop-down for the gradation colours, and the history menu
// listing earlier fills after the editor is opened again. Screenshots of every dialog go to
// screenshots/ in the build folder.

#include "FColorFill.h"
#include "FColorGrid.h"
#include "FGradePattern2001.h"
#include "FImageDataEditor.h"
#include "UAppFrame.h"
#include "UColGrid.h"
#include "UExSpinEdit.h"
#include "UPanels.h"
#include "UPictureFormats.h"
#include "URegistry.h"
#include "controls/ColorDialogDriver.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPushButton>
#include <QRadioButton>
#include <QSlider>
#include <QStackedWidget>
#include <QTemporaryDir>
#include <QTimer>
#include <QToolButton>
#include <functional>
#include <gtest/gtest.h>

namespace {

void Mouse(QWidget& W, QEvent::Type Type, const QPoint& Pos) {
    QMouseEvent event(Type, QPointF(Pos), W.mapToGlobal(QPointF(Pos)), Qt::LeftButton,
                      Type == QEvent::MouseButtonRelease ? Qt::NoButton : Qt::LeftButton,
                      Qt::NoModifier);
    QCoreApplication::sendEvent(&W, &event);
}

void ClickCell(TColGrid& Grid, int Cell) {
    Mouse(Grid, QEvent::MouseButtonPress, Grid.Cells()[Cell].center());
    Mouse(Grid, QEvent::MouseButtonRelease, Grid.Cells()[Cell].center());
}

void ClickPanel(QWidget& Panel) {
    Mouse(Panel, QEvent::MouseButtonRelease, Panel.rect().center());
}

QString ScreenshotPath(const QString& Name) {
    QDir dir(QCoreApplication::applicationDirPath());
    dir.cdUp();
    dir.mkpath(QStringLiteral("screenshots"));
    return dir.filePath(QStringLiteral("screenshots/") + Name);
}

void Screenshot(QWidget& W, const QString& Name) {
    W.adjustSize();
    EXPECT_TRUE(W.grab().save(ScreenshotPath(Name)));
}

// Runs Action on the modal dialog of class T as soon as it shows.
template <class T>
void WhenShown(std::function<void(T&)> Action) {
    QTimer::singleShot(0, [Action] {
        auto* dialog = qobject_cast<T*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        Action(*dialog);
    });
}

// Everything of a fill that is stored, with its picture: equal fingerprints, equal fills.
QString Fingerprint(TColorSpec& Spec) {
    TPictureEx preview;
    TColorSpecHistory::MakePreview(Spec, preview);
    return TColorSpecHistory::EntryName(Spec, preview) +
           QString::number(Spec.ImageData()->Picture()->Width());
}

// Edits Spec in the dialog: Edit runs on the shown form, then OK or Cancel is pressed.
bool EditInDialog(TColorSpec& Spec, std::function<void(TfrmColorSpec&)> Edit, bool Ok) {
    WhenShown<TfrmColorSpec>([Edit, Ok](TfrmColorSpec& Form) {
        Edit(Form);
        Form.Buttons->button(Ok ? QDialogButtonBox::Ok : QDialogButtonBox::Cancel)->click();
    });
    return EditColorSpec(nullptr, Spec);
}

class ColorSpecEditor : public ::testing::Test {
protected:
    void SetUp() override {
        RegisterPictureFormats();
        TStringList table;
        table.SetText(QStringLiteral("SysRegistryKey=Software\\Quorvelin\\ColorSpecTest\n"
                                     "ColorSpecHistory=%1/User/ColorSpec.hst")
                          .arg(FDir.path()));
        FFrame.SetMacro(table);
    }
    void TearDown() override {
        TRegistry().DeleteKey(QStringLiteral("\\Software\\Quorvelin\\ColorSpecTest"));
    }
    QString WritePicture(const QString& Name, const QSize& Size) {
        QImage image(Size, QImage::Format_RGB32);
        image.fill(QColor(10, 200, 30));
        const QString path = FDir.filePath(Name);
        image.save(path);
        return path;
    }
    QTemporaryDir FDir;
    TAppFrame FFrame;
};

} // namespace

TEST_F(ColorSpecEditor, SolidColourFromTheGridIsAppliedOnOk) {
    TColorSpec spec;
    spec.SetKind(cskGradation);
    ASSERT_TRUE(EditInDialog(
        spec,
        [](TfrmColorSpec& Form) {
            Form.rbColor->click();
            EXPECT_EQ(Form.nbookColorSpec->currentIndex(), 0);
            ClickCell(*Form.ColGrid1, 1); // red
            EXPECT_EQ(Form.pnlColorPreview->palette().color(QPalette::Window), QColor(Qt::red));
            EXPECT_EQ(Form.lblCaption->palette().color(QPalette::WindowText),
                      ToQColor(clRed ^ 0xAAAAAA));
            Screenshot(Form, QStringLiteral("ColorSpecSolid.png"));
        },
        true));
    EXPECT_EQ(spec.Kind(), cskSolid);
    EXPECT_EQ(spec.Color(), clRed);
}

TEST_F(ColorSpecEditor, CaptionOverBlackIsGrey) {
    TfrmColorSpec form;
    TColorSpec black;
    form.SetColorSpec(black);
    EXPECT_EQ(form.lblCaption->palette().color(QPalette::WindowText), ToQColor(0xAAAAAA));
    EXPECT_TRUE(form.ColGrid1->IsCellSelected(0));
}

TEST_F(ColorSpecEditor, CancelLeavesTheSpecUntouched) {
    TColorSpec spec;
    spec.SetColor(clBlue);
    const QString before = Fingerprint(spec);
    const QString picture = WritePicture(QStringLiteral("p.png"), QSize(8, 6));
    EXPECT_FALSE(EditInDialog(
        spec,
        [picture](TfrmColorSpec& Form) {
            ClickCell(*Form.ColGrid1, 2);
            Form.rbBitmap->click();
            Form.ChoosePictureFile = [picture](QWidget*, const QString&) { return picture; };
            Form.btnFromFile->click();
            Form.cbTile->click();
            Form.rbGradation->click();
            Form.TrackBar1->setValue(100);
        },
        false));
    EXPECT_EQ(Fingerprint(spec), before);
    EXPECT_EQ(spec.Kind(), cskSolid);
    EXPECT_EQ(spec.Color(), clBlue);
}

TEST_F(ColorSpecEditor, PictureKindTakesTheChosenFileTilingAndFilters) {
    TColorSpec spec;
    const QString picture = WritePicture(QStringLiteral("tile.png"), QSize(8, 6));
    const QString damaged = FDir.filePath(QStringLiteral("broken.png"));
    {
        QFile file(damaged);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
        file.write("\x89PNG\r\n\x1a\n not really");
    }
    ASSERT_TRUE(EditInDialog(
        spec,
        [picture, damaged](TfrmColorSpec& Form) {
            Form.rbBitmap->click();
            EXPECT_EQ(Form.nbookColorSpec->currentIndex(), 1);
            // A cancelled choice changes nothing, nor does a file that is no picture (it is
            // reported).
            Form.ChoosePictureFile = [](QWidget*, const QString&) { return QString(); };
            Form.btnFromFile->click();
            EXPECT_TRUE(Form.ColorSpec().ImageData()->IsEmpty());
            Form.ChoosePictureFile = [damaged](QWidget*, const QString&) { return damaged; };
            bool reported = false;
            WhenShown<QMessageBox>([&reported](QMessageBox& Box) {
                reported = Box.text().contains(QStringLiteral("broken.png"));
                Box.reject();
            });
            Form.btnFromFile->click();
            EXPECT_TRUE(reported);
            EXPECT_TRUE(Form.ColorSpec().ImageData()->IsEmpty());
            Form.ChoosePictureFile = [picture](QWidget*, const QString& Filter) {
                EXPECT_TRUE(Filter.contains(QStringLiteral("*.bmp")));
                return picture;
            };
            Form.btnFromFile->click();
            EXPECT_FALSE(Form.imgpnlBmpView->Image().isNull());
            EXPECT_FALSE(Form.cbEveryLine->isEnabled());
            Form.cbTile->click();
            EXPECT_TRUE(Form.cbEveryLine->isEnabled());
            Form.cbEveryLine->click();
            Screenshot(Form, QStringLiteral("ColorSpecPicture.png"));

            WhenShown<TfrmImageDataEditor>([](TfrmImageDataEditor& Editor) {
                EXPECT_FALSE(Editor.imgPreview->Image().isNull());
                Editor.spnBrightness->setText(QStringLiteral("30"));
                Editor.spnBlur->setText(QStringLiteral("-2"));
                Editor.cbMonotone->click();
                Screenshot(Editor, QStringLiteral("ImageDataEditor.png"));
                // A value beyond its limits is refused with a message: the editor stays open.
                Editor.spnContrast->setText(QStringLiteral("500"));
                bool refused = false;
                WhenShown<QMessageBox>([&refused](QMessageBox& Box) {
                    refused = true;
                    Box.reject();
                });
                Editor.Buttons->button(QDialogButtonBox::Ok)->click();
                EXPECT_TRUE(refused);
                EXPECT_TRUE(Editor.isVisible());
                Editor.spnContrast->setText(QStringLiteral("-20"));
                Editor.Buttons->button(QDialogButtonBox::Ok)->click();
            });
            Form.btnEffect->click();
        },
        true));
    EXPECT_EQ(spec.Kind(), cskBitmap);
    EXPECT_EQ(spec.ImageData()->Picture()->Width(), 8);
    EXPECT_EQ(spec.ImageData()->Picture()->Height(), 6);
    EXPECT_TRUE(spec.Tile());
    EXPECT_TRUE(spec.TileShift());
    EXPECT_EQ(spec.ImageData()->LightFilter()->Brightness(), 30);
    EXPECT_EQ(spec.ImageData()->LightFilter()->Contrast(), -20);
    EXPECT_EQ(spec.ImageData()->BlurFilter()->BlurCount(), -2);
    EXPECT_NE(spec.ImageData()->MonotoneFilter()->RefColor(), clNone);
}

TEST_F(ColorSpecEditor, GradationIsEditedThroughCountsSamplesAngleAndTheDropDown) {
    TColorSpec spec;
    ASSERT_TRUE(EditInDialog(
        spec,
        [](TfrmColorSpec& Form) {
            Form.rbGradation->click();
            EXPECT_EQ(Form.nbookColorSpec->currentIndex(), 2);
            Form.spnColorCount->setText(QStringLiteral("3"));
            EXPECT_TRUE(Form.btnCol[2]->isEnabled());
            EXPECT_FALSE(Form.btnCol[3]->isEnabled());
            // A count outside 2..7 changes nothing.
            Form.spnColorCount->setText(QStringLiteral("9"));
            EXPECT_EQ(Form.ColorSpec().GradColNum(), 3);
            Form.spnColorCount->setText(QStringLiteral("3"));
            Form.spnRepeatCount->setText(QStringLiteral("2"));
            Form.spnRepeatCount->setText(QStringLiteral("11"));
            EXPECT_EQ(Form.ColorSpec().GradColors()->RepeatCount(), 2);
            Form.spnRepeatCount->setText(QStringLiteral("2"));

            // The third colour through the shared drop-down.
            Form.btnCol[2]->click();
            TfrmColorGrid& dropDown = TfrmColorGrid::Shared();
            EXPECT_TRUE(dropDown.IsDroppedDown());
            EXPECT_TRUE(Form.btnCol[2]->isChecked());
            ClickCell(*dropDown.ColGrid(), 5); // blue
            EXPECT_FALSE(dropDown.IsDroppedDown());
            EXPECT_FALSE(Form.btnCol[2]->isChecked());

            ClickPanel(*Form.imgSamples[2]); // circle
            EXPECT_EQ(Form.FocusedSample(), Form.imgSamples[2]);
            Form.TrackBar1->setValue(45);
            EXPECT_EQ(Form.ExSpinEdit1->text(), QStringLiteral("45"));
            Form.ExSpinEdit1->setText(QStringLiteral("90"));
            EXPECT_EQ(Form.TrackBar1->value(), 90);
            Form.ExSpinEdit1->setText(QStringLiteral("400")); // invalid: the bar stays
            EXPECT_EQ(Form.TrackBar1->value(), 90);
            Form.ExSpinEdit1->setText(QStringLiteral("90"));
            Screenshot(Form, QStringLiteral("ColorSpecGradation.png"));
        },
        true));
    EXPECT_EQ(spec.Kind(), cskGradation);
    EXPECT_EQ(spec.GradKind(), rgkCircleToRim);
    EXPECT_EQ(spec.GradAngle(), 90);
    EXPECT_EQ(spec.GradColors()->RepeatCount(), 2);
    EXPECT_EQ(spec.GradColors()->Colors(), (std::vector<TColor>{clWhite, clBlack, clBlue}));
}

TEST_F(ColorSpecEditor, InwardKindsOpenReversedAndReverseFlipsTheColours) {
    const struct {
        rgGradationKind Stored;
        rgGradationKind Shown;
        int Sample;
    } cases[] = {
        {rgkBoxToCenter, rgkBoxToRim, 1},
        {rgkCircleToCenter, rgkCircleToRim, 2},
        {rgkConeCounterClockwise, rgkConeClockwise, 3},
        {rgkSimple, rgkSimple, 0},
    };
    for (const auto& c : cases) {
        TColorSpec spec;
        spec.SetKind(cskGradation);
        spec.SetGradKind(c.Stored);
        spec.SetGradColNum(3);
        spec.SetGradColorN(0, clRed);
        spec.SetGradColorN(1, clLime);
        spec.SetGradColorN(2, clBlue);
        TfrmColorSpec form;
        form.SetColorSpec(spec);
        const bool reversed = c.Stored != c.Shown;
        EXPECT_EQ(form.ColorSpec().GradKind(), c.Shown);
        EXPECT_EQ(form.FocusedSample(), form.imgSamples[c.Sample]);
        EXPECT_EQ(form.ButtonColors()[0], reversed ? clBlue : clRed);
        EXPECT_EQ(form.spnColorCount->text(), QStringLiteral("3"));
        EXPECT_TRUE(form.rbGradation->isChecked());
        form.btnColorReverse->click();
        EXPECT_EQ(form.ButtonColors()[0], reversed ? clRed : clBlue);
        EXPECT_EQ(form.ButtonColors()[3], clYellow); // the default table beyond the count
    }
}

TEST_F(ColorSpecEditor, PatternPickerSetsCountAndColours) {
    TfrmColorSpec form;
    TColorSpec spec;
    spec.SetKind(cskGradation);
    form.SetColorSpec(spec);
    const auto& pattern = TfrmGradePattern2001::Patterns()[9];
    WhenShown<TfrmGradePattern2001>([](TfrmGradePattern2001& Picker) {
        EXPECT_EQ(Picker.windowTitle(), QStringLiteral("グラデーションのカラーパターン"));
        EXPECT_FALSE(Picker.Buttons->button(QDialogButtonBox::Ok)->isEnabled());
        Picker.cbSize->setCurrentIndex(1);
        EXPECT_EQ(Picker.lvPatterns->iconSize(), QSize(100, 100));
        Picker.cbSize->setCurrentIndex(0);
        Picker.SelectPattern(9);
        Screenshot(Picker, QStringLiteral("GradePattern.png"));
        Picker.Buttons->button(QDialogButtonBox::Ok)->click();
    });
    form.btnColorSample->click();
    EXPECT_EQ(form.ColorSpec().GradColors()->Colors(), pattern);
    EXPECT_EQ(form.spnColorCount->Value(), static_cast<int>(pattern.size()));
    EXPECT_EQ(form.ButtonColors()[4], pattern[4]);

    // Cancelling the picker keeps the colours.
    WhenShown<TfrmGradePattern2001>([](TfrmGradePattern2001& Picker) {
        Picker.SelectPattern(0);
        Picker.Buttons->button(QDialogButtonBox::Cancel)->click();
    });
    form.btnColorSample->click();
    EXPECT_EQ(form.ColorSpec().GradColors()->Colors(), pattern);
}

TEST_F(ColorSpecEditor, HistoryMenuListsRecentSpecsAfterReopening) {
    TColorSpec red;
    ASSERT_TRUE(EditInDialog(
        red, [](TfrmColorSpec& Form) { ClickCell(*Form.ColGrid1, 1); }, true));
    TColorSpec gradation;
    ASSERT_TRUE(EditInDialog(
        gradation,
        [](TfrmColorSpec& Form) {
            Form.rbGradation->click();
            Form.TrackBar1->setValue(30);
        },
        true));
    TColorSpec cancelled;
    EXPECT_FALSE(EditInDialog(
        cancelled, [](TfrmColorSpec& Form) { ClickCell(*Form.ColGrid1, 5); }, false));

    TfrmColorSpec form;
    form.BuildHistoryMenu();
    auto items = form.HistoryMenu()->findChildren<QToolButton*>();
    ASSERT_EQ(items.size(), 2); // newest first; the cancelled edit is not listed
    EXPECT_EQ(items[0]->iconSize(), QSize(42, 42));
    form.adjustSize();
    form.show();
    form.HistoryMenu()->popup(form.mapToGlobal(QPoint(0, 0)));
    EXPECT_TRUE(
        form.HistoryMenu()->grab().save(ScreenshotPath(QStringLiteral("ColorSpecHistory.png"))));
    form.findChild<QToolButton*>(QStringLiteral("HistoryItem1"))->click();
    EXPECT_TRUE(form.rbColor->isChecked());
    EXPECT_EQ(form.ColorSpec().Color(), clRed);
    form.BuildHistoryMenu();
    form.findChild<QToolButton*>(QStringLiteral("HistoryItem0"))->click();
    EXPECT_TRUE(form.rbGradation->isChecked());
    EXPECT_EQ(form.TrackBar1->value(), 30);

    // Switched off, OK adds nothing; cleared, the menu is empty.
    form.actDisableHistory->trigger();
    TColorSpec blue;
    ASSERT_TRUE(EditInDialog(
        blue, [](TfrmColorSpec& Form) { ClickCell(*Form.ColGrid1, 5); }, true));
    form.BuildHistoryMenu();
    EXPECT_TRUE(form.actDisableHistory->isChecked());
    EXPECT_TRUE(form.HistoryMenu()->findChildren<QToolButton*>().isEmpty());
    form.actEnableHistory->trigger();
    form.BuildHistoryMenu();
    EXPECT_EQ(form.HistoryMenu()->findChildren<QToolButton*>().size(), 2);
    form.actClearHistory->trigger();
    form.BuildHistoryMenu();
    EXPECT_TRUE(form.HistoryMenu()->findChildren<QToolButton*>().isEmpty());
    form.HistoryMenu()->close();
}

TEST_F(ColorSpecEditor, SeveralEditorsShareTheDropDownInAnyOrder) {
    auto first = std::make_unique<TfrmColorSpec>();
    auto second = std::make_unique<TfrmColorSpec>();
    TColorSpec spec;
    spec.SetKind(cskGradation);
    first->SetColorSpec(spec);
    second->SetColorSpec(spec);
    // The first editor is destroyed while its drop-down is open.
    first->btnCol[0]->click();
    first.reset();
    ClickCell(*TfrmColorGrid::Shared().ColGrid(), 1);
    // The second editor, created before it, still gets its pick.
    second->btnCol[1]->click();
    ClickCell(*TfrmColorGrid::Shared().ColGrid(), 2);
    EXPECT_EQ(second->ColorSpec().GradColorN(1), clYellow);
    EXPECT_EQ(second->ColorSpec().GradColorN(0), clWhite);
}

TEST_F(ColorSpecEditor, DisabledFormCoversItsPage) {
    TfrmColorSpec form;
    form.show();
    EXPECT_FALSE(form.pnlDisabled->isVisible());
    form.setEnabled(false);
    EXPECT_TRUE(form.pnlDisabled->isVisible());
    form.setEnabled(true);
    EXPECT_FALSE(form.pnlDisabled->isVisible());
}

// The colour buttons that borrow the shared drop-down take a colour chosen in its
// other-colour dialog, as they take a cell of the grid.
TEST_F(ColorSpecEditor, OtherColoursFromTheDropDownReachGradationAndMonotoneButtons) {
    const QColor custom(0x12, 0x34, 0x56);
    TColGrid& grid = *TfrmColorGrid::Shared().ColGrid();
    const auto pickOther = [&] {
        ASSERT_TRUE(TfrmColorGrid::Shared().IsDroppedDown());
        ClickThroughColorDialog(custom);
        QTest::mouseClick(&grid, Qt::LeftButton, {}, grid.Cells()[grid.OtherColorCell()].center());
    };

    TfrmColorSpec form;
    TColorSpec gradation;
    gradation.SetKind(cskGradation);
    form.SetColorSpec(gradation);
    form.show();
    QTest::mouseClick(form.btnCol[1], Qt::LeftButton);
    pickOther();
    EXPECT_EQ(form.ColorSpec().GradColorN(1), FromQColor(custom));
    EXPECT_FALSE(form.btnCol[1]->isChecked());

    TImageData data;
    data.Picture()->LoadFromFile(WritePicture(QStringLiteral("m.png"), QSize(8, 6)));
    TfrmImageDataEditor editor;
    editor.SetImageData(data);
    editor.show();
    QTest::mouseClick(editor.btnMonotoneColor, Qt::LeftButton);
    pickOther();
    EXPECT_TRUE(editor.cbMonotone->isChecked());
    EXPECT_EQ(editor.ImageData().MonotoneFilter()->RefColor(), FromQColor(custom));
}
