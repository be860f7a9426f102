#include "UDrawSiteHost.h"

#include "UCanvas.h"
#include "UDrawSite.h"
#include "URegion.h"

#include <QContextMenuEvent>
#include <QCursor>
#include <QGuiApplication>
#include <QHelpEvent>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QToolTip>

#include <map>
#include <cstring>

namespace {

bool ToButton(Qt::MouseButton Button, TMouseButton& Result) {
    switch (Button) {
    case Qt::LeftButton:
        Result = mbLeft;
        return true;
    case Qt::RightButton:
        Result = mbRight;
        return true;
    case Qt::MiddleButton:
        Result = mbMiddle;
        return true;
    default:
        return false;
    }
}

TShiftState ToShift(Qt::KeyboardModifiers Modifiers, Qt::MouseButtons Buttons) {
    TShiftState shift;
    if (Modifiers & Qt::ShiftModifier)
        shift |= ssShift;
    if (Modifiers & Qt::AltModifier)
        shift |= ssAlt;
    if (Modifiers & Qt::ControlModifier)
        shift |= ssCtrl;
    if (Buttons & Qt::LeftButton)
        shift |= ssLeft;
    if (Buttons & Qt::RightButton)
        shift |= ssRight;
    if (Buttons & Qt::MiddleButton)
        shift |= ssMiddle;
    return shift;
}

TPoint ToPoint(const QPoint& P) {
    return TPoint(P.x(), P.y());
}

// Copies the pixels of Source at SourceOrigin into Dest at DestOrigin for Size; both
// 32 bits per pixel, the rectangles inside both bitmaps.
void CopyPixels(TBitmap& Dest, const QPoint& DestOrigin, const TBitmap& Source,
                const QPoint& SourceOrigin, const QSize& Size) {
    for (int y = 0; y < Size.height(); ++y)
        std::memcpy(Dest.ScanLine(DestOrigin.y() + y) + 4 * DestOrigin.x(),
                    Source.ScanLine(SourceOrigin.y() + y) + 4 * SourceOrigin.x(),
                    4 * static_cast<size_t>(Size.width()));
}

// Maps Canvas so that host pixels land on Area's pixels of the bitmap it draws on.
void MapHostPixels(TCanvas& Canvas, const QRect& Area) {
    Canvas.SetMapMode(MM_TEXT);
    Canvas.SetWindowOrgEx(0, 0);
    Canvas.SetViewportOrgEx(-Area.x(), -Area.y());
}

} // namespace

TDrawSiteHost::TDrawSiteHost(TDrawSite& Site, QWidget* Parent) : QWidget(Parent), FSite(&Site) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);
    setFocusPolicy(Qt::StrongFocus);
    Site.SetHost(this);
    resize(Site.Width(), Site.Height());
}

TDrawSiteHost::~TDrawSiteHost() {
    if (FSite && FSite->Host() == this)
        FSite->SetHost(nullptr);
}

QScrollArea* TDrawSiteHost::CreateScrollArea(TDrawSite& Site, QWidget* Parent) {
    auto* area = new QScrollArea(Parent);
    area->setWidgetResizable(false);
    area->setWidget(new TDrawSiteHost(Site));
    return area;
}

template <class F>
void TDrawSiteHost::Guarded(F&& Body) {
    try {
        Body();
    } catch (const std::exception& e) {
        ApplicationHandleException(e);
    } catch (...) {
        ApplicationHandleException(Exception(QStringLiteral("不明な例外が発生しました")));
    }
}

// ---------------------------------------------------------------------------------------
// The window the surface sees

void TDrawSiteHost::InvalidateRect(const TRect& R) {
    const QRect r = R.ToQRect() & rect();
    if (r.isEmpty())
        return;
    FDirty += r;
    update(r);
}

void TDrawSiteHost::InvalidateOverlay(const TRect& R) {
    const QRect r = R.ToQRect() & rect();
    if (!r.isEmpty())
        update(r);
}

void TDrawSiteHost::Update() {
    repaint();
}

void TDrawSiteHost::BoundsChanged() {
    if (FSite)
        resize(FSite->Width(), FSite->Height());
}

void TDrawSiteHost::SetFocus() {
    setFocus(Qt::MouseFocusReason);
}

bool TDrawSiteHost::Focused() const {
    return hasFocus();
}

TPoint TDrawSiteHost::CursorPos() const {
    return ToPoint(mapFromGlobal(QCursor::pos()));
}

QScrollArea* TDrawSiteHost::ScrollArea() const {
    const QWidget* viewport = parentWidget();
    return viewport ? qobject_cast<QScrollArea*>(viewport->parentWidget()) : nullptr;
}

// One scroll step towards P when P lies beyond the visible part (host pixels; the host's
// position in the viewport is negative when scrolled).
bool TDrawSiteHost::AutoScroll(const TPoint& P) {
    QScrollArea* area = ScrollArea();
    if (!area)
        return false;
    const QSize client = area->viewport()->size();
    QScrollBar* vertical = area->verticalScrollBar();
    QScrollBar* horizontal = area->horizontalScrollBar();
    int dy = 0;
    if (y() < 0 && P.y < -y())
        dy = -vertical->singleStep();
    else if (client.height() < y() + P.y && client.height() < y() + height())
        dy = vertical->singleStep();
    int dx = 0;
    if (x() < 0 && P.x < -x())
        dx = -horizontal->singleStep();
    else if (client.width() < x() + P.x && client.width() < x() + width())
        dx = horizontal->singleStep();
    if (dx == 0 && dy == 0)
        return false;
    const QPoint before = pos();
    vertical->setValue(vertical->value() + dy);
    horizontal->setValue(horizontal->value() + dx);
    if (pos() == before)
        return false;
    area->viewport()->repaint();
    return true;
}

namespace {
// The program's own cursors by number.
std::map<TCursor, QCursor>& ProgramCursors() {
    static std::map<TCursor, QCursor> cursors;
    return cursors;
}
} // namespace

QCursor TDrawSiteHost::ToQCursor(TCursor Cursor) {
    switch (Cursor) {
    case crNone:
        return Qt::BlankCursor;
    case crCross:
        return Qt::CrossCursor;
    case crIBeam:
        return Qt::IBeamCursor;
    case crSizeNESW:
        return Qt::SizeBDiagCursor;
    case crSizeNS:
        return Qt::SizeVerCursor;
    case crSizeNWSE:
        return Qt::SizeFDiagCursor;
    case crSizeWE:
        return Qt::SizeHorCursor;
    case crUpArrow:
        return Qt::UpArrowCursor;
    case crHourGlass:
        return Qt::WaitCursor;
    case crDrag:
        return Qt::DragMoveCursor;
    case crNoDrop:
    case crNo:
        return Qt::ForbiddenCursor;
    case crHSplit:
        return Qt::SplitHCursor;
    case crVSplit:
        return Qt::SplitVCursor;
    case crMultiDrag:
        return Qt::DragCopyCursor;
    case crHelp:
        return Qt::WhatsThisCursor;
    case crHandPoint:
        return Qt::PointingHandCursor;
    case crSizeAll:
        return Qt::SizeAllCursor;
    default: {
        const auto it = ProgramCursors().find(Cursor);
        return it != ProgramCursors().end() ? it->second : QCursor(Qt::ArrowCursor);
    }
    }
}

void SetProgramCursor(TCursor Cursor, const QCursor& Shape) {
    ProgramCursors()[Cursor] = Shape;
}

// ---------------------------------------------------------------------------------------
// Painting

QRect TDrawSiteHost::VisibleRect() const {
    return visibleRegion().boundingRect() & rect();
}

// The page image covers Wanted; what it already held there is kept, the rest is drawn anew.
void TDrawSiteHost::PrepareCache(const QRect& Wanted) {
    if (Wanted == FCacheRect && !FCache.Empty())
        return;
    TBitmap cache(Wanted.width(), Wanted.height(), pf32bit);
    const QRect kept = FCache.Empty() ? QRect() : (Wanted & FCacheRect);
    if (!kept.isEmpty())
        CopyPixels(cache, kept.topLeft() - Wanted.topLeft(), FCache,
                   kept.topLeft() - FCacheRect.topLeft(), kept.size());
    FDirty += QRegion(Wanted).subtracted(kept);
    FCache = std::move(cache);
    FCacheRect = Wanted;
}

void TDrawSiteHost::RenderDirty() {
    const QRegion todo = FDirty & FCacheRect;
    FDirty = QRegion(); // areas outside the image are drawn when they come into it
    TCanvas& canvas = FCache.Canvas();
    for (const QRect& r : todo) {
        const int saved = canvas.SaveDC();
        MapHostPixels(canvas, FCacheRect);
        const TRegion clip(QRegion(r.translated(-FCacheRect.topLeft())));
        canvas.SelectClipRgn(&clip);
        Guarded([&] { FSite->PaintWindow(canvas, TRect::FromQRect(r)); });
        canvas.RestoreDC(saved);
    }
}

// FFrame := the page image over Area, with the handles and the drag feedback drawn on it.
void TDrawSiteHost::ComposeFrame(const QRect& Area) {
    if (FFrame.Width() != Area.width() || FFrame.Height() != Area.height() ||
        FFrame.PixelFormat() != pf32bit)
        FFrame = TBitmap(Area.width(), Area.height(), pf32bit);
    CopyPixels(FFrame, QPoint(0, 0), FCache, Area.topLeft() - FCacheRect.topLeft(), Area.size());
    TCanvas& canvas = FFrame.Canvas();
    const int saved = canvas.SaveDC();
    MapHostPixels(canvas, Area);
    Guarded([&] { FSite->PaintOverlay(canvas, TRect::FromQRect(Area)); });
    canvas.RestoreDC(saved);
}

void TDrawSiteHost::paintEvent(QPaintEvent* Event) {
    QPainter painter(this);
    QRect area = Event->rect() & rect();
    const QRect visible = VisibleRect();
    if (!visible.isEmpty())
        area &= visible;
    if (area.isEmpty())
        return;
    if (!FSite) {
        painter.fillRect(area, palette().window());
        return;
    }
    PrepareCache(visible.isEmpty() || !visible.contains(area) ? area : visible);
    RenderDirty();
    ComposeFrame(area);
    painter.drawImage(area.topLeft(), FFrame.View());
}

// ---------------------------------------------------------------------------------------
// Input

void TDrawSiteHost::MouseEvent(QMouseEvent* Event, bool Press, bool Double) {
    TMouseButton button;
    if (!FSite || !ToButton(Event->button(), button)) {
        Event->ignore();
        return;
    }
    const TShiftState shift = ToShift(Event->modifiers(), Event->buttons());
    const TPoint p = ToPoint(Event->position().toPoint());
    Guarded([&] {
        if (Press)
            FSite->WndMouseDown(button, shift, p, Double);
        else
            FSite->WndMouseUp(button, shift, p);
    });
    ShowCursorAt(Event->position().toPoint());
    Event->accept();
}

void TDrawSiteHost::mousePressEvent(QMouseEvent* Event) {
    MouseEvent(Event, true, false);
}

void TDrawSiteHost::mouseDoubleClickEvent(QMouseEvent* Event) {
    MouseEvent(Event, true, true);
}

void TDrawSiteHost::mouseReleaseEvent(QMouseEvent* Event) {
    MouseEvent(Event, false, false);
}

void TDrawSiteHost::mouseMoveEvent(QMouseEvent* Event) {
    if (!FSite)
        return;
    const TShiftState shift = ToShift(Event->modifiers(), Event->buttons());
    const TPoint p = ToPoint(Event->position().toPoint());
    Guarded([&] { FSite->WndMouseMove(shift, p); });
    ShowCursorAt(Event->position().toPoint());
    Event->accept();
}

void TDrawSiteHost::ShowCursorAt(const QPoint& P) {
    if (FSite)
        setCursor(ToQCursor(FSite->CursorAt(ToPoint(P))));
}

// The modifier a key itself is counts as held while it is down.
void TDrawSiteHost::KeyEvent(QKeyEvent* Event, bool Press) {
    if (!FSite) {
        Event->ignore();
        return;
    }
    TShiftState shift = ToShift(Event->modifiers(), QGuiApplication::mouseButtons());
    const TShiftStateFlag own = Event->key() == Qt::Key_Shift     ? ssShift
                                : Event->key() == Qt::Key_Alt     ? ssAlt
                                : Event->key() == Qt::Key_Control ? ssCtrl
                                                                  : TShiftStateFlag(0);
    shift.setFlag(own, Press);
    int key = Event->key();
    Guarded([&] {
        if (Press)
            FSite->KeyDown(key, shift);
        else
            FSite->KeyUp(key, shift);
    });
    const bool arrow = Event->key() == Qt::Key_Left || Event->key() == Qt::Key_Right ||
                       Event->key() == Qt::Key_Up || Event->key() == Qt::Key_Down;
    Event->setAccepted(key == 0 || arrow);
}

void TDrawSiteHost::keyPressEvent(QKeyEvent* Event) {
    KeyEvent(Event, true);
}

void TDrawSiteHost::keyReleaseEvent(QKeyEvent* Event) {
    KeyEvent(Event, false);
}

void TDrawSiteHost::focusOutEvent(QFocusEvent* Event) {
    if (FSite)
        Guarded([&] { FSite->CancelMode(); });
    QWidget::focusOutEvent(Event);
}

void TDrawSiteHost::contextMenuEvent(QContextMenuEvent* Event) {
    QMenu* menu = FSite ? FSite->PopupMenuAt(ToPoint(Event->pos())) : nullptr;
    if (!menu) {
        Event->ignore();
        return;
    }
    menu->popup(Event->globalPos());
    Event->accept();
}

bool TDrawSiteHost::event(QEvent* Event) {
    if (Event->type() == QEvent::ToolTip && FSite) {
        auto* help = static_cast<QHelpEvent*>(Event);
        const QString hint = FSite->HintAt(ToPoint(help->pos()));
        if (hint.isEmpty())
            QToolTip::hideText();
        else
            QToolTip::showText(help->globalPos(), hint, this);
        return true;
    }
    return QWidget::event(Event);
}
