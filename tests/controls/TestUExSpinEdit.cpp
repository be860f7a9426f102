#include "UExSpinEdit.h"

#include <QApplication>
#include <QKeyEvent>
#include <QToolButton>
#include <QWheelEvent>
#include <gtest/gtest.h>
#include <limits>

namespace {

struct TSetup {
    int Ratio = 1;
    int Min = 0;
    int Max = 0;
    const char* Format = "%g";
    int Increment = 1;
};

void Apply(TExSpinEdit& Edit, const TSetup& S) {
    Edit.SetValueRatio(S.Ratio);
    Edit.SetMinValue(S.Min);
    Edit.SetMaxValue(S.Max);
    Edit.SetDisplayFormat(QString::fromUtf8(S.Format));
    Edit.SetIncrement(S.Increment);
}

void TypeText(QWidget& W, const QString& Text) {
    for (const QChar c : Text) {
        QKeyEvent press(QEvent::KeyPress, 0, Qt::NoModifier, QString(c));
        QCoreApplication::sendEvent(&W, &press);
    }
}

void PressKey(QWidget& W, int Key, Qt::KeyboardModifiers Mods = Qt::NoModifier,
              const QString& Text = {}) {
    QKeyEvent press(QEvent::KeyPress, Key, Mods, Text);
    QCoreApplication::sendEvent(&W, &press);
}

void Wheel(QWidget& W, int Delta) {
    QWheelEvent wheel(QPointF(5, 5), QPointF(5, 5), QPoint(), QPoint(0, Delta), Qt::NoButton,
                      Qt::NoModifier, Qt::NoScrollPhase, false);
    QCoreApplication::sendEvent(&W, &wheel);
}

} // namespace

TEST(FormatFloat, FollowsTheGeneralAndFixedFormats) {
    const struct {
        const char* Format;
        double Value;
        const char* Expected;
    } cases[] = {
        {"%g", 12.5, "12.5"},
        {"%g", 0, "0"},
        {"%g", -3, "-3"},
        // Fifteen significant digits: a seven-digit value keeps every digit.
        {"%g", 1234567, "1234567"},
        {"%g", 214748364.7, "214748364.7"},
        {"%g", 2147483647, "2147483647"},
        {"%g", 0.1, "0.1"},
        {"%g", 1.0 / 3, "0.333333333333333"},
        {"%g", 0.0001, "0.0001"},
        {"%g", 0.00001, "1E-5"},
        {"%g", 1.5e20, "1.5E20"},
        {"%.3g", 1234.5, "1.23E3"},
        {"%.1f", 12.34, "12.3"},
        {"%f", 2, "2.00"},
        {"%.0f", 7.4, "7"},
        {"%e", 1000, "1.00000000000000E+003"},
        {"%d", 6.6, "7"},
        {"+%g", 2.5, "+2.5"},
        {"%g mm", 3, "3 mm"},
        {"%5g|", 3, "    3|"},
        {"%-5g|", 3, "3    |"},
        {"100%%: %g", 1, "100%: 1"},
        {"no field", 4, "no field"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(FormatFloat(QString::fromUtf8(c.Format), c.Value), QString::fromUtf8(c.Expected))
            << c.Format << " " << c.Value;
}

TEST(ExSpinEdit, WritesAndReadsScaledClampedValues) {
    const struct {
        TSetup Setup;
        int Written;
        const char* Shown;
        int ReadBack;
    } cases[] = {
        {{10}, 125, "12.5", 125},
        {{10}, -5, "-0.5", -5},
        {{1}, 2147483647, "2147483647", 1073741824}, // magnitude capped at max / (ratio + 1)
        {{1, -10000, 10000}, 20000, "10000", 10000},
        {{1, -10000, 10000}, -20000, "-10000", -10000},
        {{10, 0, 100}, -1, "0", 0},
        {{100, 0, 0, "%.2f"}, 1234, "12.34", 1234},
        {{1, -100, 100, "+%g"}, 5, "+5", 5},
        {{1, -100, 100, "+%g"}, -5, "-5", -5},
        {{0}, 7, "7", 7}, // a ratio below 1 counts as 1
        {{-3}, 7, "7", 7},
        {{1}, 1234567, "1234567", 1234567},
    };
    for (const auto& c : cases) {
        TExSpinEdit edit;
        Apply(edit, c.Setup);
        edit.SetValue(c.Written);
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.Shown)) << c.Written;
        EXPECT_EQ(edit.Value(), c.ReadBack) << c.Written;
    }
}

TEST(ExSpinEdit, ReadsTypedTextAndJudgesIt) {
    const struct {
        TSetup Setup;
        const char* Text;
        int Value;
        bool Invalid;
    } cases[] = {
        {{10}, "12.5", 125, false},
        {{10}, " 3.04 ", 30, false},
        {{10}, "3.06", 31, false},
        {{10}, "1e1", 100, false},
        {{1}, "", 0, true},
        {{1}, "abc", 0, true},
        {{1}, "1,5", 0, true},
        {{1}, "inf", 0, true},
        {{1, -10000, 10000}, "20000", 10000, true},
        {{1, -10000, 10000}, "-10000", -10000, false},
        {{1, 2, 7}, "0", 2, true},
        {{1, 2, 7}, "", 2, true},
        {{1}, "99999999999", 1073741824, false},
        {{1, 1, 100}, "99999999999", 100, true},
    };
    for (const auto& c : cases) {
        TExSpinEdit edit;
        Apply(edit, c.Setup);
        edit.setText(QString::fromUtf8(c.Text));
        EXPECT_EQ(edit.Value(), c.Value) << c.Text;
        EXPECT_EQ(edit.IsInvalidValue(), c.Invalid) << c.Text;
    }
}

TEST(ExSpinEdit, TypingAcceptsOnlyWhatTheLimitsAndRatioAllow) {
    const struct {
        TSetup Setup;
        bool EditorEnabled;
        const char* Typed;
        const char* Result;
    } cases[] = {
        {{1}, true, "12a3", "123"},        {{1}, true, "-4", "-4"},   {{1}, true, "+4", "+4"},
        {{1, 0, 100}, true, "-4", "4"},  // no minus while the minimum is not negative
        {{1, 0, 100}, true, "+4", "+4"}, // plus while the maximum is positive
        {{1, -100, 0}, true, "+4-", "4-"}, {{1}, true, "1.5", "15"}, // no decimals when the ratio
                                                                     // shows none
        {{10}, true, "1.5", "1.5"},        {{10}, true, "1,5", "15"}, {{1}, false, "12", ""},
    };
    for (const auto& c : cases) {
        TExSpinEdit edit;
        Apply(edit, c.Setup);
        edit.SetEditorEnabled(c.EditorEnabled);
        edit.clear();
        TypeText(edit, QString::fromUtf8(c.Typed));
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.Result)) << c.Typed;
    }
}

TEST(ExSpinEdit, WithoutTheEditorBackspaceAndPasteAreRefused) {
    TExSpinEdit edit;
    edit.setText(QStringLiteral("42"));
    edit.setCursorPosition(2);
    edit.SetEditorEnabled(false);
    PressKey(edit, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
    edit.selectAll();
    PressKey(edit, Qt::Key_X, Qt::ControlModifier);
    EXPECT_EQ(edit.text(), QStringLiteral("42"));
    edit.SetEditorEnabled(true);
    PressKey(edit, Qt::Key_Backspace, Qt::NoModifier, QStringLiteral("\b"));
    EXPECT_EQ(edit.text(), QString());
}

TEST(ExSpinEdit, ArrowsButtonsAndWheelStepByTheIncrement) {
    enum TInput { Up, Down, UpButton, DownButton, WheelUp, WheelDown, HalfWheel };
    const struct {
        TSetup Setup;
        int Start;
        std::vector<TInput> Inputs;
        const char* Shown;
    } cases[] = {
        {{10, 0, 0, "%g", 5}, 100, {Up}, "10.5"},
        {{10, 0, 0, "%g", 5}, 100, {Down, Down}, "9"},
        {{1, 0, 359, "%g", 10}, 355, {Up}, "359"},
        {{1, 0, 359, "%g", 10}, 5, {Down}, "0"},
        {{1, 2, 7}, 2, {UpButton, UpButton}, "4"},
        {{1, 2, 7}, 2, {DownButton}, "2"},
        {{1, 1, 10}, 5, {WheelUp, WheelUp, WheelDown}, "6"},
        {{1, 1, 10}, 5, {HalfWheel, HalfWheel}, "6"}, // two half notches make one step
        {{1}, std::numeric_limits<int>::max() / 2, {Up}, "1073741824"},
    };
    for (const auto& c : cases) {
        TExSpinEdit edit;
        Apply(edit, c.Setup);
        edit.SetValue(c.Start);
        for (const TInput input : c.Inputs) {
            switch (input) {
            case Up:
                PressKey(edit, Qt::Key_Up);
                break;
            case Down:
                PressKey(edit, Qt::Key_Down);
                break;
            case UpButton:
                edit.UpButton()->click();
                break;
            case DownButton:
                edit.DownButton()->click();
                break;
            case WheelUp:
                Wheel(edit, 120);
                break;
            case WheelDown:
                Wheel(edit, -120);
                break;
            case HalfWheel:
                Wheel(edit, 60);
                break;
            }
        }
        EXPECT_EQ(edit.text(), QString::fromUtf8(c.Shown)) << c.Start;
    }
}

TEST(ExSpinEdit, ReadOnlyRefusesSteppingAndLeavingNormalisesTheText) {
    TExSpinEdit edit;
    edit.SetValue(3);
    edit.setReadOnly(true);
    PressKey(edit, Qt::Key_Up);
    edit.UpClick();
    EXPECT_EQ(edit.text(), QStringLiteral("3"));

    TExSpinEdit scaled;
    scaled.SetValueRatio(10);
    scaled.SetMinValue(0);
    scaled.SetMaxValue(500);
    int changes = 0;
    QObject::connect(&scaled, &QLineEdit::textChanged, [&changes] { ++changes; });
    scaled.setText(QStringLiteral("070.00"));
    QFocusEvent out(QEvent::FocusOut, Qt::TabFocusReason);
    QCoreApplication::sendEvent(&scaled, &out);
    EXPECT_EQ(scaled.text(), QStringLiteral("50"));
    EXPECT_EQ(changes, 2);
}

TEST(ExSpinEdit, KeepsRoomForTheButtonsAndTheText) {
    TExSpinEdit edit;
    edit.show();
    edit.resize(80, 5);
    EXPECT_GE(edit.minimumHeight(), TExSpinEdit::ButtonHeight);
    edit.resize(80, 40);
    EXPECT_EQ(edit.UpButton()->geometry(), QRect(80 - TExSpinEdit::ButtonWidth, 0, 15, 20));
    EXPECT_EQ(edit.DownButton()->geometry(), QRect(80 - TExSpinEdit::ButtonWidth, 20, 15, 20));
    EXPECT_EQ(edit.textMargins().right(), TExSpinEdit::ButtonWidth + 2);
}
