#pragma once
// TColGrid: a grid of colour buttons, optionally followed by one row holding an
// other-colour button (opens the colour dialog) and a transparent button. The selected
// colour is DefaultColor; the transparent value 0x1FFFFFFF (clNone) stands for no colour.
//
// Layout: the client is divided into RowCount colour rows plus the extra row; the pixels
// left over by the divisions go to the last rows and the last columns. With both extra
// buttons the other-colour button takes 7/10 of the width.
//
// The other-colour dialog keeps its 16 custom colours in the setting "CustomColors" as
// "ColorA=BBGGRR,ColorB=..." (hexadecimal 0x00BBGGRR values, A..P).

#include "UColor.h"

#include <QStringList>
#include <QWidget>
#include <functional>
#include <vector>

// Converts a colour text: a colour name ("clRed", "clBtnFace", "clNone"; any case), a
// hexadecimal 0x00BBGGRR value written with a leading "$", or a decimal number. Raises
// EConvertError for anything else.
TColor StringToColor(const QString& Text);

class TColGrid : public QWidget {
    Q_OBJECT
    Q_PROPERTY(QStringList ColorList READ ColorList WRITE SetColorList)
    Q_PROPERTY(QStringList HintList READ HintList WRITE SetHintList)
    Q_PROPERTY(int ColCount READ ColCount WRITE SetColCount)
    Q_PROPERTY(int RowCount READ RowCount WRITE SetRowCount)
    Q_PROPERTY(bool UseOtherColor READ UseOtherColor WRITE SetUseOtherColor)
    Q_PROPERTY(bool UseTransparent READ UseTransparent WRITE SetUseTransparent)
    Q_PROPERTY(bool Transparent READ Transparent WRITE SetTransparent)
    Q_PROPERTY(TColor DefaultColor READ DefaultColor WRITE SetDefaultColor)
    Q_PROPERTY(int ButtonFrameWidth READ ButtonFrameWidth WRITE SetButtonFrameWidth)
public:
    static constexpr TColor TransparentColor = clNone;
    using TChangeColorEvent = std::function<void(TColGrid* Sender, TColor Color, bool Transparent)>;

    // The 16 basic colour names, in the order of a new grid's list.
    static QStringList BasicColorNames();

    explicit TColGrid(QWidget* Parent = nullptr);
    ~TColGrid() override;

    const QStringList& ColorList() const { return FColorList; }
    // Converts every entry (EConvertError on a bad one, the list then unchanged).
    void SetColorList(const QStringList& Value);
    const QStringList& HintList() const { return FHintList; }
    void SetHintList(const QStringList& Value) { FHintList = Value; }
    int ColCount() const { return FColCount; }
    void SetColCount(int Value);
    int RowCount() const { return FRowCount; }
    void SetRowCount(int Value);
    bool UseOtherColor() const { return FUseOtherColor; }
    void SetUseOtherColor(bool Value);
    bool UseTransparent() const { return FUseTransparent; }
    void SetUseTransparent(bool Value);
    // True exactly when DefaultColor is the transparent value. Setting True stores the
    // transparent value, False stores black.
    bool Transparent() const { return FDefaultColor == TransparentColor; }
    void SetTransparent(bool Value);
    TColor DefaultColor() const { return FDefaultColor; }
    void SetDefaultColor(TColor Value);
    int ButtonFrameWidth() const { return FButtonFrameWidth; }
    void SetButtonFrameWidth(int Value);

    // Fired when the user picks a cell.
    TChangeColorEvent OnChangeColor;
    // Fired when the other-colour dialog is closed without a colour.
    std::function<void(TColGrid* Sender)> OnOtherColorCancel;
    // True while the other-colour dialog runs.
    bool OtherColorDialogOpen() const { return FOtherColorOpen; }

    // Cell rectangles in client pixels: the colour cells row by row, then the other-colour
    // and the transparent cell when present.
    const std::vector<QRect>& Cells() const;
    // Index of the other-colour / transparent cell, -1 when there is none.
    int OtherColorCell() const;
    int TransparentCell() const;
    int CellAt(const QPoint& Pos) const;
    bool IsCellSelected(int Index) const;
    int PressedCell() const { return FPressed; }
    int HotCell() const { return FHot; }

protected:
    void paintEvent(QPaintEvent* Event) override;
    void resizeEvent(QResizeEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void leaveEvent(QEvent* Event) override;
    bool event(QEvent* Event) override;

private:
    // The cells for the current size, laid out again when the size or the grid changed.
    void EnsureLayout() const;
    void Layout() const;
    void Invalidate();
    void SetState(int Pressed, int Hot);
    void PaintCell(QPainter& Painter, int Index, bool Pressed, bool Hot) const;
    void CellClicked(int Index);
    void PickOtherColor();
    bool HasListColor(TColor Color) const;

    QStringList FColorList;
    std::vector<TColor> FColors;
    QStringList FHintList;
    int FColCount = 8;
    int FRowCount = 2;
    bool FUseOtherColor = false;
    bool FUseTransparent = false;
    TColor FDefaultColor = clBlack;
    int FButtonFrameWidth = 2;
    mutable std::vector<QRect> FCells;
    mutable int FOtherCell = -1;
    mutable int FTransparentCell = -1;
    mutable QSize FLaidOutSize{-1, -1};
    int FPressed = -1;
    int FHot = -1;
    bool FOtherColorOpen = false;
};
