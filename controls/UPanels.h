#pragma once
// Small panels the editors are built from: TPaintPanel (painted by its owner, reports
// clicks), TImagePanel (shows an image centred), and the pictures of colours they show.

#include "UColor.h"

#include <QFrame>
#include <QImage>
#include <QPixmap>
#include <functional>

class TColorSpec;

// A panel its owner paints; reports left clicks released over it. Tag tells it from its
// siblings.
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

// A sunken panel showing an image centred in it (cut at its edges).
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

// The fill Spec painted into a new white image of Size (a null image for an empty size).
QImage RenderColorSpec(TColorSpec& Spec, const QSize& Size);
// The glyph of a colour button, 8/10 of ButtonSize: a frame in black (white for a black
// colour) round a rectangle of the colour outlined in grey.
QPixmap ColorButtonGlyph(const QSize& ButtonSize, TColor Color);
