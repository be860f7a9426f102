#include "UPanels.h"

#include "UColorFill.h"

#include <QMouseEvent>
#include <QPainter>

TPaintPanel::TPaintPanel(QWidget* Parent) : QFrame(Parent) {}

void TPaintPanel::paintEvent(QPaintEvent*) {
    QPainter painter(this);
    if (OnPaint)
        OnPaint(this, painter);
}

void TPaintPanel::mouseReleaseEvent(QMouseEvent* Event) {
    QFrame::mouseReleaseEvent(Event);
    if (Event->button() == Qt::LeftButton && rect().contains(Event->position().toPoint()) &&
        OnClick)
        OnClick(this);
}

TImagePanel::TImagePanel(QWidget* Parent) : QFrame(Parent) {
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
}

void TImagePanel::SetImage(const QImage& Image) {
    FImage = Image;
    update();
}

void TImagePanel::paintEvent(QPaintEvent* Event) {
    QFrame::paintEvent(Event);
    if (FImage.isNull())
        return;
    QPainter painter(this);
    const QRect area = contentsRect();
    QRect target(QPoint(0, 0), FImage.size());
    target.moveCenter(area.center());
    painter.setClipRect(area);
    painter.drawImage(target.topLeft(), FImage);
}

QImage RenderColorSpec(TColorSpec& Spec, const QSize& Size) {
    if (Size.isEmpty())
        return {};
    TBitmap bitmap(Size.width(), Size.height());
    bitmap.Fill(clWhite);
    Spec.Fill(bitmap.Canvas(), TRect(0, 0, Size.width(), Size.height()));
    return bitmap.ToQImage();
}

QPixmap ColorButtonGlyph(const QSize& ButtonSize, TColor Color) {
    constexpr TColor FrameGrey = 0x808080;
    const int w = std::max(ButtonSize.width() * 8 / 10, 4);
    const int h = std::max(ButtonSize.height() * 8 / 10, 4);
    QPixmap glyph(w, h);
    glyph.fill(ToQColor(Color != clBlack ? clBlack : clWhite));
    QPainter painter(&glyph);
    painter.setPen(ToQColor(FrameGrey));
    painter.setBrush(ToQColor(Color));
    // The rectangle covers (1, 1) to (w - 2, h - 2), its right and bottom edges excluded.
    painter.drawRect(QRect(QPoint(1, 1), QPoint(w - 2 - 1, h - 2 - 1)));
    return glyph;
}
