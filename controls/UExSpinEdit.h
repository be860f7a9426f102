#pragma once
// TExSpinEdit: the numeric entry field of the property dialogs. An edit box with an up/down
// button pair at its right edge whose integer Value is kept in storage units (lengths in
// 0.1 mm) and shown divided by ValueRatio through DisplayFormat ("%g": 12.5 for 125 with a
// ratio of 10). The shown text always uses "." as the decimal separator.
//
// Dialogs read and write Value and ask IsInvalidValue before they apply a field; the
// inherited textChanged signal is the control's change event.

#include <QLineEdit>

class QToolButton;

// Formats Value as the class library's Format does with one floating-point argument: the
// first "%[-][width][.precision]<g|f|n|e|d>" of Format is replaced ("%g": up to 15
// significant digits, trailing zeros dropped, exponent form "1.5E-7" only for very large or
// small numbers; "%f"/"%n": fixed, 2 decimals unless a precision is given; "%e": exponent
// form; "%d": the rounded integer); "%%" is a percent sign; other text stays as it is.
QString FormatFloat(const QString& Format, double Value);

class TExSpinEdit : public QLineEdit {
    Q_OBJECT
    Q_PROPERTY(int Value READ Value WRITE SetValue)
    Q_PROPERTY(int ValueRatio READ ValueRatio WRITE SetValueRatio)
    Q_PROPERTY(QString DisplayFormat READ DisplayFormat WRITE SetDisplayFormat)
    Q_PROPERTY(int MinValue READ MinValue WRITE SetMinValue)
    Q_PROPERTY(int MaxValue READ MaxValue WRITE SetMaxValue)
    Q_PROPERTY(int Increment READ Increment WRITE SetIncrement)
    Q_PROPERTY(bool EditorEnabled READ EditorEnabled WRITE SetEditorEnabled)
    Q_PROPERTY(bool AutoSelect READ AutoSelect WRITE SetAutoSelect)
public:
    static constexpr int ButtonWidth = 15;
    static constexpr int ButtonHeight = 17;

    explicit TExSpinEdit(QWidget* Parent = nullptr);
    ~TExSpinEdit() override;

    // The value in storage units read from the text: the typed number times ValueRatio,
    // rounded, its magnitude first capped at 2147483647 / (ValueRatio + 1), then clamped to
    // the limits. Text that is no number reads as 0 (clamped).
    int Value() const;
    // Clamps Value to the limits and shows it divided by ValueRatio in DisplayFormat. With a
    // format beginning with "+" a negative value shows its minus sign alone.
    void SetValue(int Value);

    // Divisor between storage units and the shown number; values below 1 count as 1.
    int ValueRatio() const { return FValueRatio; }
    void SetValueRatio(int Value) { FValueRatio = Value; }
    const QString& DisplayFormat() const { return FDisplayFormat; }
    void SetDisplayFormat(const QString& Value) { FDisplayFormat = Value; }
    // Limits in storage units; both 0 = no limits.
    int MinValue() const { return FMinValue; }
    void SetMinValue(int Value) { FMinValue = Value; }
    int MaxValue() const { return FMaxValue; }
    void SetMaxValue(int Value) { FMaxValue = Value; }
    // Step of the buttons, the arrow keys and the wheel, in storage units.
    int Increment() const { return FIncrement; }
    void SetIncrement(int Value) { FIncrement = Value; }
    // False: typing is limited to control keys and paste and cut are refused.
    bool EditorEnabled() const { return FEditorEnabled; }
    void SetEditorEnabled(bool Value) { FEditorEnabled = Value; }
    // Entering the control other than by a mouse press selects the whole text.
    bool AutoSelect() const { return FAutoSelect; }
    void SetAutoSelect(bool Value) { FAutoSelect = Value; }

    // V clamped to MinValue..MaxValue; unchanged when both are 0.
    int CheckValue(int V) const;
    // True when the text is empty, is no number, or its scaled value lies outside the
    // limits.
    bool IsInvalidValue() const;
    // Whether a typed character is accepted (digits, signs the limits allow, "." when the
    // ratio shows decimals, control characters other than Enter).
    bool IsValidChar(QChar Key) const;

    // Value +/- Increment; on a read-only control only a beep.
    void UpClick();
    void DownClick();

    QToolButton* UpButton() const { return FUpButton; }
    QToolButton* DownButton() const { return FDownButton; }

protected:
    void keyPressEvent(QKeyEvent* Event) override;
    void wheelEvent(QWheelEvent* Event) override;
    void focusInEvent(QFocusEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void changeEvent(QEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    int Ratio() const { return FValueRatio < 1 ? 1 : FValueRatio; }
    // The typed number, or nothing when the text is no finite number.
    bool ParseText(double& Number) const;
    // The typed number scaled to storage units and rounded, magnitude capped.
    int ScaledValue(double Number) const;
    bool CanModifyText() const { return FEditorEnabled && !isReadOnly(); }
    void PlaceButtons();
    void UpdateMinimumHeight();

    int FValueRatio = 1;
    QString FDisplayFormat = QStringLiteral("%g");
    int FMinValue = 0;
    int FMaxValue = 0;
    int FIncrement = 1;
    bool FEditorEnabled = true;
    bool FAutoSelect = true;
    int FWheelDelta = 0;
    QToolButton* FUpButton;
    QToolButton* FDownButton;
};

// A spin edit as the fill dialogs lay them out: named Name, with its limits, step and value,
// 60 pixels wide.
TExSpinEdit* NewExSpinEdit(const char* Name, int Min, int Max, int Value, int Increment = 1);
// Tells the user that Edit holds no valid number and puts the focus there.
void ShowInvalidValue(TExSpinEdit* Edit);
