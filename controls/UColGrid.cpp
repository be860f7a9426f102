#include "UColGrid.h"

#include "UAppFrame.h"
#include "UClasses.h"
#include "UException.h"

#include <QColorDialog>
#include <QHelpEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QScopedValueRollback>
#include <QToolTip>

namespace {

const char* const CustomColorsKey = "CustomColors";
constexpr int CustomColorCount = 16;
constexpr TColor FrameColor = 0x808080;
constexpr TColor PressedFace = 0xE0E0E0;

// A 3-D edge one pixel wide: TopLeft on the left and top sides, BottomRight on the others.
void DrawEdge(QPainter& Painter, const QRect& R, TColor TopLeft, TColor BottomRight) {
    Painter.setPen(ToQColor(TopLeft));
    Painter.drawLine(R.left(), R.top(), R.right(), R.top());
    Painter.drawLine(R.left(), R.top(), R.left(), R.bottom());
    Painter.setPen(ToQColor(BottomRight));
    Painter.drawLine(R.left(), R.bottom(), R.right(), R.bottom());
    Painter.drawLine(R.right(), R.top(), R.right(), R.bottom());
}

// An outlined rectangle covering Left..Right-1, Top..Bottom-1 (the pen inside).
void DrawFramedRect(QPainter& Painter, const QRect& R, const QColor& Fill) {
    if (R.width() <= 0 || R.height() <= 0)
        return;
    Painter.setPen(ToQColor(FrameColor));
    Painter.setBrush(Fill);
    Painter.drawRect(R.adjusted(0, 0, -1, -1));
}

// The custom colours as stored: "ColorA=BBGGRR,...". Unreadable entries are skipped.
void LoadCustomColors(const QString& Text) {
    for (const QString& entry : Text.split(',', Qt::SkipEmptyParts)) {
        const QString name = entry.section('=', 0, 0).trimmed();
        if (name.size() != 6 || !name.startsWith(QLatin1String("Color"), Qt::CaseInsensitive))
            continue;
        const int index = name.back().toUpper().unicode() - 'A';
        bool ok = false;
        const uint value = entry.section('=', 1).trimmed().toUInt(&ok, 16);
        if (ok && index >= 0 && index < CustomColorCount && value <= 0xFFFFFF)
            QColorDialog::setCustomColor(index, ToQColor(static_cast<TColor>(value)));
    }
}

QString SaveCustomColors() {
    QStringList entries;
    for (int i = 0; i < CustomColorCount; ++i)
        entries << QStringLiteral("Color%1=%2")
                       .arg(QChar('A' + i),
                            QString::number(FromQColor(QColorDialog::customColor(i)), 16)
                                .toUpper()
                                .rightJustified(6, '0'));
    return entries.join(',');
}

} // namespace

TColor StringToColor(const QString& Text) {
    const QString t = Text.trimmed();
    if (t.startsWith(QLatin1String("cl"), Qt::CaseInsensitive)) {
        int64_t value = 0;
        if (IdentToInt(t.toLatin1(), value))
            return static_cast<TColor>(value);
    } else {
        bool ok = false;
        const qint64 value =
            t.startsWith('$') ? t.mid(1).toLongLong(&ok, 16) : t.toLongLong(&ok, 10);
        if (ok && value >= INT32_MIN && value <= static_cast<qint64>(UINT32_MAX))
            return static_cast<TColor>(static_cast<uint32_t>(value));
    }
    throw EConvertError(QStringLiteral("'%1' は色として正しくありません").arg(Text));
}

QStringList TColGrid::BasicColorNames() {
    return {"clBlack",   "clRed",   "clYellow", "clLime",   "clAqua",  "clBlue",
            "clFuchsia", "clWhite", "clGray",   "clMaroon", "clOlive", "clGreen",
            "clTeal",    "clNavy",  "clPurple", "clSilver"};
}

TColGrid::TColGrid(QWidget* Parent) : QWidget(Parent) {
    setMouseTracking(true);
    setAttribute(Qt::WA_Hover);
    SetColorList(BasicColorNames());
}

TColGrid::~TColGrid() = default;

void TColGrid::SetColorList(const QStringList& Value) {
    std::vector<TColor> colors;
    colors.reserve(Value.size());
    for (const QString& text : Value)
        colors.push_back(StringToColor(text));
    FColorList = Value;
    FColors = std::move(colors);
    update();
}

void TColGrid::SetColCount(int Value) {
    FColCount = Value;
    Invalidate();
}

void TColGrid::SetRowCount(int Value) {
    FRowCount = Value;
    Invalidate();
}

void TColGrid::SetUseOtherColor(bool Value) {
    FUseOtherColor = Value;
    Invalidate();
}

void TColGrid::SetUseTransparent(bool Value) {
    FUseTransparent = Value;
    Invalidate();
}

void TColGrid::SetTransparent(bool Value) {
    if (Value != Transparent())
        SetDefaultColor(Value ? TransparentColor : clBlack);
}

void TColGrid::SetDefaultColor(TColor Value) {
    if (FDefaultColor == Value)
        return;
    FDefaultColor = Value;
    update();
}

void TColGrid::SetButtonFrameWidth(int Value) {
    FButtonFrameWidth = Value;
    update();
}

void TColGrid::Invalidate() {
    FLaidOutSize = QSize(-1, -1);
    FPressed = FHot = -1;
    update();
}

void TColGrid::EnsureLayout() const {
    if (FLaidOutSize != size())
        Layout();
}

const std::vector<QRect>& TColGrid::Cells() const {
    EnsureLayout();
    return FCells;
}

int TColGrid::OtherColorCell() const {
    EnsureLayout();
    return FOtherCell;
}

int TColGrid::TransparentCell() const {
    EnsureLayout();
    return FTransparentCell;
}

void TColGrid::Layout() const {
    FCells.clear();
    FOtherCell = FTransparentCell = -1;
    FLaidOutSize = size();
    const int W = width();
    const int H = height();
    const bool extra = FUseOtherColor || FUseTransparent;
    const int rows = std::max(FRowCount, 0) + (extra ? 1 : 0);
    if (rows == 0 || FRowCount <= 0 || FColCount <= 0)
        return;
    // The rows and columns left over by the divisions are one pixel larger, from the
    // first of them to the end.
    int h = H / rows;
    int y = 0;
    for (int r = 0; r < FRowCount; ++r) {
        if (H % rows == rows - r)
            ++h;
        int x = 0;
        int w = W / FColCount;
        for (int c = 0; c < FColCount; ++c) {
            if (W % FColCount == FColCount - c)
                ++w;
            FCells.emplace_back(x, y, w, h);
            x += w;
        }
        y += h;
    }
    if (FUseOtherColor && FUseTransparent) {
        const int otherWidth = (W * 7) / 10;
        FOtherCell = static_cast<int>(FCells.size());
        FCells.emplace_back(0, y, otherWidth, h);
        FTransparentCell = FOtherCell + 1;
        FCells.emplace_back(otherWidth, y, W - otherWidth, h);
    } else if (FUseOtherColor) {
        FOtherCell = static_cast<int>(FCells.size());
        FCells.emplace_back(0, y, W, h);
    } else if (FUseTransparent) {
        FTransparentCell = static_cast<int>(FCells.size());
        FCells.emplace_back(0, y, W, h);
    }
}

int TColGrid::CellAt(const QPoint& Pos) const {
    EnsureLayout();
    for (size_t i = 0; i < FCells.size(); ++i)
        if (FCells[i].contains(Pos))
            return static_cast<int>(i);
    return -1;
}

bool TColGrid::HasListColor(TColor Color) const {
    return std::find(FColors.begin(), FColors.end(), Color) != FColors.end();
}

bool TColGrid::IsCellSelected(int Index) const {
    EnsureLayout();
    if (Index < 0 || Index >= static_cast<int>(FCells.size()))
        return false;
    if (Index == FTransparentCell)
        return FDefaultColor == TransparentColor;
    if (Index == FOtherCell)
        return !HasListColor(FDefaultColor) && !Transparent();
    return Index < static_cast<int>(FColors.size()) && FColors[Index] == FDefaultColor;
}

void TColGrid::PaintCell(QPainter& Painter, int Index, bool Pressed, bool Hot) const {
    const QRect cell = FCells[Index];
    Painter.fillRect(cell, ToQColor(Pressed && !Hot ? PressedFace : clBtnFace));
    if (Pressed)
        DrawEdge(Painter, cell, clBtnShadow, clBtnHighlight);
    else if (Hot)
        DrawEdge(Painter, cell, clBtnHighlight, clBtnShadow);
    if (Index != FOtherCell && Index != FTransparentCell) {
        // Cells beyond the colour list stay empty buttons.
        if (Index < static_cast<int>(FColors.size())) {
            const int f = FButtonFrameWidth;
            DrawFramedRect(Painter, cell.adjusted(f, f, -f, -f), ToQColor(FColors[Index]));
        }
        return;
    }
    DrawFramedRect(Painter, cell.adjusted(2, 2, -2, -2),
                   ToQColor(Pressed && !Hot ? PressedFace : clBtnFace));
    if (Index == FOtherCell && IsCellSelected(Index))
        DrawFramedRect(
            Painter,
            QRect(QPoint(cell.left() + 4, cell.top() + 4),
                  QPoint(cell.left() + cell.height() - 4 - 1, cell.bottom() + 1 - 4 - 1)),
            ToQColor(FDefaultColor));
    QFont font = Painter.font();
    font.setPointSize(9);
    Painter.setFont(font);
    Painter.setPen(ToQColor(clBtnText));
    Painter.drawText(cell, Qt::AlignCenter | Qt::TextSingleLine,
                     Index == FOtherCell ? QStringLiteral("その他の色") : QStringLiteral("透過"));
}

void TColGrid::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    EnsureLayout();
    for (int i = 0; i < static_cast<int>(FCells.size()); ++i)
        PaintCell(painter, i, IsCellSelected(i) || i == FPressed, i == FHot);
}

void TColGrid::resizeEvent(QResizeEvent* Event) {
    QWidget::resizeEvent(Event);
    FPressed = FHot = -1;
    EnsureLayout();
}

void TColGrid::SetState(int Pressed, int Hot) {
    if (Pressed == FPressed && Hot == FHot)
        return;
    FPressed = Pressed;
    FHot = Hot;
    update();
}

void TColGrid::mousePressEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton)
        return QWidget::mousePressEvent(Event);
    const int cell = CellAt(Event->position().toPoint());
    SetState(cell, cell);
}

void TColGrid::mouseMoveEvent(QMouseEvent* Event) {
    SetState(FPressed, CellAt(Event->position().toPoint()));
}

void TColGrid::mouseReleaseEvent(QMouseEvent* Event) {
    if (Event->button() != Qt::LeftButton)
        return QWidget::mouseReleaseEvent(Event);
    const int cell = CellAt(Event->position().toPoint());
    const bool clicked = cell >= 0 && cell == FPressed;
    SetState(-1, cell);
    if (clicked)
        CellClicked(cell);
}

void TColGrid::leaveEvent(QEvent* Event) {
    QWidget::leaveEvent(Event);
    SetState(FPressed, -1);
}

bool TColGrid::event(QEvent* Event) {
    if (Event->type() == QEvent::ToolTip) {
        const auto* help = static_cast<QHelpEvent*>(Event);
        const int cell = CellAt(help->pos());
        if (cell >= 0 && cell < FHintList.size()) {
            QToolTip::showText(help->globalPos(), FHintList[cell], this, FCells[cell]);
            return true;
        }
    }
    return QWidget::event(Event);
}

void TColGrid::CellClicked(int Index) {
    if (Index == FOtherCell) {
        PickOtherColor();
        return;
    }
    if (Index == FTransparentCell) {
        SetDefaultColor(TransparentColor);
        if (OnChangeColor)
            OnChangeColor(this, FDefaultColor, true);
        return;
    }
    if (Index >= static_cast<int>(FColors.size()))
        return;
    SetDefaultColor(FColors[Index]);
    if (OnChangeColor)
        OnChangeColor(this, FDefaultColor, false);
}

void TColGrid::PickOtherColor() {
    LoadCustomColors(RegReadString(QString::fromLatin1(CustomColorsKey), QString()));
    QColorDialog dialog(this);
    dialog.setOption(QColorDialog::DontUseNativeDialog);
    dialog.setCurrentColor(Transparent() ? QColor(Qt::black) : ToQColor(FDefaultColor));
    int result = QDialog::Rejected;
    {
        const QScopedValueRollback open(FOtherColorOpen, true);
        result = dialog.exec();
    }
    if (result != QDialog::Accepted) {
        if (OnOtherColorCancel)
            OnOtherColorCancel(this);
        return;
    }
    RegWriteString(QString::fromLatin1(CustomColorsKey), SaveCustomColors());
    SetDefaultColor(FromQColor(dialog.selectedColor()));
    if (OnChangeColor)
        OnChangeColor(this, FDefaultColor, false);
}
