#include "UExSpinEdit.h"

#include "UAppFrame.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QFontMetrics>
#include <QKeyEvent>
#include <QLocale>
#include <QMenu>
#include <QToolButton>
#include <QWheelEvent>
#include <cmath>
#include <cstdio>
#include <limits>

namespace {

constexpr int DefaultGeneralPrecision = 15;
constexpr int DefaultFixedPrecision = 2;
constexpr int MaxPrecision = 18;

// Decimal digits and exponent of Value rounded to Precision significant digits:
// Value = 0.d1d2d3... x 10^Exponent (the position of the decimal point).
struct TDecimal {
    QByteArray Digits;
    int Exponent = 0;
    bool Negative = false;
};

TDecimal ToDecimal(double Value, int Precision) {
    TDecimal d;
    d.Negative = std::signbit(Value) && Value != 0;
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*e", Precision - 1, std::fabs(Value));
    // buf: "d.ddddde[+-]xx"
    const QByteArray text(buf);
    const int e = text.indexOf('e');
    d.Digits = text.left(e);
    d.Digits.replace(".", "");
    d.Exponent = text.mid(e + 1).toInt() + 1;
    while (d.Digits.size() > 1 && d.Digits.endsWith('0'))
        d.Digits.chop(1);
    return d;
}

// The class library's general format: fixed notation unless the number has more integer
// digits than Precision or is smaller than 0.0001; no trailing zeros.
QString FormatGeneral(double Value, int Precision) {
    if (Value == 0)
        return QStringLiteral("0");
    const TDecimal d = ToDecimal(Value, Precision);
    QString out = d.Negative ? QStringLiteral("-") : QString();
    const QString digits = QString::fromLatin1(d.Digits);
    if (d.Exponent > Precision || d.Exponent < -3) {
        out += digits.left(1);
        if (digits.size() > 1)
            out += '.' + digits.mid(1);
        out += 'E' + QString::number(d.Exponent - 1);
        return out;
    }
    if (d.Exponent <= 0) {
        out += QStringLiteral("0.") + QString(-d.Exponent, '0') + digits;
        return out;
    }
    if (digits.size() <= d.Exponent)
        return out + digits + QString(d.Exponent - digits.size(), '0');
    return out + digits.left(d.Exponent) + '.' + digits.mid(d.Exponent);
}

QString FormatFixed(double Value, int Precision) {
    char buf[400];
    std::snprintf(buf, sizeof buf, "%.*f", Precision, Value);
    return QString::fromLatin1(buf);
}

// "d.ddddE+ddd" with Precision significant digits and at least three exponent digits.
QString FormatExponent(double Value, int Precision) {
    char buf[64];
    std::snprintf(buf, sizeof buf, "%.*E", Precision - 1, Value);
    QString text = QString::fromLatin1(buf);
    const int e = text.indexOf('E');
    QString exponent = text.mid(e + 2);
    while (exponent.size() < 3)
        exponent.prepend('0');
    return text.left(e + 2) + exponent;
}

} // namespace

QString FormatFloat(const QString& Format, double Value) {
    QString out;
    bool done = false;
    for (int i = 0; i < Format.size(); ++i) {
        const QChar c = Format[i];
        if (c != '%' || i + 1 >= Format.size()) {
            out += c;
            continue;
        }
        if (Format[i + 1] == '%') {
            out += '%';
            ++i;
            continue;
        }
        int j = i + 1;
        const bool left = Format[j] == '-';
        if (left)
            ++j;
        int width = 0;
        while (j < Format.size() && Format[j].isDigit())
            width = std::min(width * 10 + Format[j++].digitValue(), 1000);
        int precision = -1;
        if (j < Format.size() && Format[j] == '.') {
            precision = 0;
            ++j;
            while (j < Format.size() && Format[j].isDigit())
                precision = std::min(precision * 10 + Format[j++].digitValue(), 1000);
        }
        if (j >= Format.size() || done) {
            out += c;
            continue;
        }
        QString field;
        switch (Format[j].toLower().unicode()) {
        case 'g':
            field =
                FormatGeneral(Value, std::clamp(precision < 0 ? DefaultGeneralPrecision : precision,
                                                1, MaxPrecision));
            break;
        case 'f':
        case 'n':
            field = FormatFixed(Value, std::clamp(precision < 0 ? DefaultFixedPrecision : precision,
                                                  0, MaxPrecision));
            break;
        case 'e':
            field = FormatExponent(
                Value,
                std::clamp(precision < 0 ? DefaultGeneralPrecision : precision, 1, MaxPrecision));
            break;
        case 'd':
            field = QString::number(std::llround(Value));
            break;
        default:
            out += c;
            continue;
        }
        if (field.size() < width)
            field = left ? field.leftJustified(width) : field.rightJustified(width);
        out += field;
        done = true;
        i = j;
    }
    return out;
}

TExSpinEdit::TExSpinEdit(QWidget* Parent)
    : QLineEdit(QStringLiteral("0"), Parent), FUpButton(new QToolButton(this)),
      FDownButton(new QToolButton(this)) {
    const struct {
        QToolButton* Button;
        Qt::ArrowType Arrow;
        void (TExSpinEdit::*Click)();
    } buttons[] = {{FUpButton, Qt::UpArrow, &TExSpinEdit::UpClick},
                   {FDownButton, Qt::DownArrow, &TExSpinEdit::DownClick}};
    for (const auto& b : buttons) {
        b.Button->setArrowType(b.Arrow);
        b.Button->setAutoRepeat(true);
        b.Button->setFocusPolicy(Qt::NoFocus);
        b.Button->setCursor(Qt::ArrowCursor);
        connect(b.Button, &QToolButton::clicked, this, b.Click);
    }
    setTextMargins(0, 0, ButtonWidth + 2, 0);
    UpdateMinimumHeight();
    PlaceButtons();
}

TExSpinEdit::~TExSpinEdit() = default;

int TExSpinEdit::CheckValue(int V) const {
    if (FMinValue == 0 && FMaxValue == 0)
        return V;
    if (V < FMinValue)
        return FMinValue;
    if (V > FMaxValue)
        return FMaxValue;
    return V;
}

bool TExSpinEdit::ParseText(double& Number) const {
    // "." is the only decimal separator and no group separators are taken.
    QLocale c = QLocale::c();
    c.setNumberOptions(QLocale::RejectGroupSeparator);
    bool ok = false;
    Number = c.toDouble(text().trimmed(), &ok);
    return ok && std::isfinite(Number);
}

int TExSpinEdit::ScaledValue(double Number) const {
    const double cap = static_cast<double>(std::numeric_limits<int32_t>::max()) / (Ratio() + 1);
    const double capped = std::clamp(Number, -cap, cap);
    return static_cast<int>(std::round(capped * Ratio()));
}

int TExSpinEdit::Value() const {
    double number = 0;
    if (!ParseText(number))
        number = 0;
    return CheckValue(ScaledValue(number));
}

void TExSpinEdit::SetValue(int Value) {
    const int v = CheckValue(Value);
    QString shown = FormatFloat(FDisplayFormat, static_cast<double>(v) / Ratio());
    // A format with a leading plus shows positive values signed; a negative one keeps only
    // its minus sign.
    if (v < 0 && FDisplayFormat.startsWith('+') && !shown.isEmpty())
        shown.remove(0, 1);
    if (shown != text())
        setText(shown);
}

bool TExSpinEdit::IsInvalidValue() const {
    double number = 0;
    if (text().trimmed().isEmpty() || !ParseText(number))
        return true;
    const int scaled = ScaledValue(number);
    return CheckValue(scaled) != scaled;
}

bool TExSpinEdit::IsValidChar(QChar Key) const {
    const bool noLimits = FMinValue == 0 && FMaxValue == 0;
    if (Key == '\r' || Key == '\n')
        return false;
    if (Key.category() == QChar::Other_Control)
        return FEditorEnabled || Key != '\b';
    if (!FEditorEnabled)
        return false;
    if (Key >= '0' && Key <= '9')
        return true;
    if (Key == '+')
        return noLimits || FMaxValue > 0;
    if (Key == '-')
        return noLimits || FMinValue < 0;
    if (Key == '.')
        return Ratio() >= 2;
    return false;
}

void TExSpinEdit::UpClick() {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    SetValue(static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(Value()) + FIncrement,
                                                  std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max())));
}

void TExSpinEdit::DownClick() {
    if (isReadOnly()) {
        QApplication::beep();
        return;
    }
    SetValue(static_cast<int>(std::clamp<int64_t>(static_cast<int64_t>(Value()) - FIncrement,
                                                  std::numeric_limits<int32_t>::min(),
                                                  std::numeric_limits<int32_t>::max())));
}

void TExSpinEdit::keyPressEvent(QKeyEvent* Event) {
    if (Event->key() == Qt::Key_Up || Event->key() == Qt::Key_Down) {
        Event->key() == Qt::Key_Up ? UpClick() : DownClick();
        Event->accept();
        return;
    }
    if ((Event->matches(QKeySequence::Paste) || Event->matches(QKeySequence::Cut)) &&
        !CanModifyText()) {
        Event->accept();
        return;
    }
    // Without the editor nothing but moving and selecting is possible: Backspace and Delete
    // are refused with the typed characters.
    if (!FEditorEnabled && (Event->key() == Qt::Key_Backspace || Event->key() == Qt::Key_Delete)) {
        QApplication::beep();
        Event->accept();
        return;
    }
    const QString typed = Event->text();
    if (typed.size() == 1 && !(Event->modifiers() & (Qt::ControlModifier | Qt::AltModifier)) &&
        !IsValidChar(typed[0])) {
        // Enter goes on to the dialog (its default button); everything else is refused.
        if (typed[0] == '\r' || typed[0] == '\n') {
            Event->ignore();
            return;
        }
        QApplication::beep();
        Event->accept();
        return;
    }
    QLineEdit::keyPressEvent(Event);
}

void TExSpinEdit::wheelEvent(QWheelEvent* Event) {
    if (!isEnabled()) {
        Event->ignore();
        return;
    }
    FWheelDelta += Event->angleDelta().y();
    constexpr int Notch = 120;
    while (FWheelDelta >= Notch) {
        FWheelDelta -= Notch;
        UpClick();
    }
    while (FWheelDelta <= -Notch) {
        FWheelDelta += Notch;
        DownClick();
    }
    Event->accept();
}

void TExSpinEdit::focusInEvent(QFocusEvent* Event) {
    QLineEdit::focusInEvent(Event);
    if (Event->reason() == Qt::MouseFocusReason)
        return;
    if (FAutoSelect)
        selectAll();
    else
        deselect();
}

void TExSpinEdit::focusOutEvent(QFocusEvent* Event) {
    QLineEdit::focusOutEvent(Event);
    SetValue(Value());
}

void TExSpinEdit::resizeEvent(QResizeEvent* Event) {
    QLineEdit::resizeEvent(Event);
    PlaceButtons();
}

void TExSpinEdit::changeEvent(QEvent* Event) {
    QLineEdit::changeEvent(Event);
    if (Event->type() == QEvent::FontChange)
        UpdateMinimumHeight();
}

void TExSpinEdit::contextMenuEvent(QContextMenuEvent* Event) {
    std::unique_ptr<QMenu> menu(createStandardContextMenu());
    if (!CanModifyText()) {
        const QString paste = QKeySequence(QKeySequence::Paste).toString(QKeySequence::NativeText);
        const QString cut = QKeySequence(QKeySequence::Cut).toString(QKeySequence::NativeText);
        for (QAction* action : menu->actions()) {
            const QString name = action->objectName();
            const QString shortcut = action->text().section('\t', 1);
            if (name == QLatin1String("edit-paste") || name == QLatin1String("edit-cut") ||
                (!shortcut.isEmpty() && (shortcut == paste || shortcut == cut)))
                action->setEnabled(false);
        }
    }
    menu->exec(Event->globalPos());
}

void TExSpinEdit::PlaceButtons() {
    const int w = ButtonWidth;
    const int h = height();
    const int x = width() - w;
    FUpButton->setGeometry(x, 0, w, h / 2);
    FDownButton->setGeometry(x, h / 2, w, h - h / 2);
}

void TExSpinEdit::UpdateMinimumHeight() {
    // Room for the borders, the text and a quarter of the smaller font as padding.
    constexpr int BorderHeight = 1;
    const int own = QFontMetrics(font()).height();
    const int system = QFontMetrics(QApplication::font()).height();
    setMinimumHeight(
        std::max(4 * BorderHeight + std::min(system, own) / 4 + own + 2, ButtonHeight));
}

TExSpinEdit* NewExSpinEdit(const char* Name, int Min, int Max, int Value, int Increment) {
    auto* spin = new TExSpinEdit;
    spin->setObjectName(QString::fromLatin1(Name));
    spin->SetMinValue(Min);
    spin->SetMaxValue(Max);
    spin->SetIncrement(Increment);
    spin->SetValue(Value);
    spin->setFixedWidth(60);
    return spin;
}

void ShowInvalidValue(TExSpinEdit* Edit) {
    AppShowMessage(QStringLiteral("正しい数値を入力してください。"));
    Edit->setFocus();
    Edit->selectAll();
}
