#pragma once
// TDrawSiteHost: the one Qt widget that shows a design surface. It is as large as the page
// at the current zoom and is meant to sit in a QScrollArea (CreateScrollArea).
//
// Painting: the page (background, objects, border) is kept in an image of the visible part
// only, never of the whole page, and redrawn only where the surface invalidated it. Each
// paint copies the part shown, draws what lies over the page there (selection handles and
// the feedback of a running drag) and shows it.
//
// Input: mouse presses, moves, releases and double clicks, keys, focus loss, cursors, hints
// and context menus are passed to the surface in its client pixels; exceptions the surface
// raises while handling them go to the application's exception handler.
//
// The host does not own the surface; a surface destroyed first leaves the host blank.

#include "UBitmap.h"
#include "UControl.h"
#include "UDrawSite.h"

#include <QPointer>
#include <QRegion>
#include <QWidget>

class QScrollArea;

class TDrawSiteHost : public QWidget, public IWindowHost {
    Q_OBJECT
public:
    explicit TDrawSiteHost(TDrawSite& Site, QWidget* Parent = nullptr);
    ~TDrawSiteHost() override;

    // A scroll area showing a new host of Site; the area owns the host.
    static QScrollArea* CreateScrollArea(TDrawSite& Site, QWidget* Parent = nullptr);

    TDrawSite* Site() const { return FSite.data(); }
    // The part of the host (its pixels) the page image holds now.
    QRect CachedRect() const { return FCacheRect; }

    // IWindowHost
    void InvalidateRect(const TRect& R) override;
    void InvalidateOverlay(const TRect& R) override;
    void Update() override;
    void BoundsChanged() override;
    void SetFocus() override;
    bool Focused() const override;
    TPoint CursorPos() const override;
    bool AutoScroll(const TPoint& P) override;

    // The Qt cursor shown for a cursor value of the surface: the standard shapes, else the
    // program's own cursor of that number (SetProgramCursor), else the arrow.
    static QCursor ToQCursor(TCursor Cursor);

protected:
    bool event(QEvent* Event) override;
    void paintEvent(QPaintEvent* Event) override;
    void mousePressEvent(QMouseEvent* Event) override;
    void mouseDoubleClickEvent(QMouseEvent* Event) override;
    void mouseMoveEvent(QMouseEvent* Event) override;
    void mouseReleaseEvent(QMouseEvent* Event) override;
    void keyPressEvent(QKeyEvent* Event) override;
    void keyReleaseEvent(QKeyEvent* Event) override;
    void focusOutEvent(QFocusEvent* Event) override;
    void contextMenuEvent(QContextMenuEvent* Event) override;

private:
    QScrollArea* ScrollArea() const;
    QRect VisibleRect() const;
    void PrepareCache(const QRect& Wanted);
    void RenderDirty();
    void ComposeFrame(const QRect& Area);
    void MouseEvent(QMouseEvent* Event, bool Press, bool Double);
    void KeyEvent(QKeyEvent* Event, bool Press);
    void ShowCursorAt(const QPoint& P);
    template <class F>
    void Guarded(F&& Body);

    QPointer<TDrawSite> FSite;
    TBitmap FCache;   // the page within FCacheRect, 32 bits per pixel
    QRect FCacheRect; // host pixels
    QRegion FDirty;   // host pixels of the page image to draw again
    TBitmap FFrame;   // the page part shown with what lies over it
};

// Installs Shape as the program's cursor number Cursor (a positive number), shown by every
// host for that cursor value.
void SetProgramCursor(TCursor Cursor, const QCursor& Shape);
