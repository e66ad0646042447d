#include "stripdrag.h"

#include "swayipc.h"

#include <QMouseEvent>
#include <QWidget>

bool StripDrag::inDragZone(QPoint windowPos, QSize windowSize, QPoint globalPress)
{
    const int x = windowPos.x();
    const int y = windowPos.y();
    return x < globalPress.x() && globalPress.x() < x + windowSize.width() - RightReserve
        && y < globalPress.y() && globalPress.y() < y + StripHeight;
}

bool StripDrag::press(QPoint windowPos, QSize windowSize, QPoint globalPress, QPoint localPress)
{
    if (!inDragZone(windowPos, windowSize, globalPress))
        return false;
    m_dragging = true;
    m_dragOffset = localPress;
    return true;
}

QPoint StripDrag::move(QPoint windowPos, QPoint localPos) const
{
    if (!m_dragging)
        return windowPos;
    return windowPos + localPos - m_dragOffset;
}

QPoint StripDrag::release(QPoint windowPos)
{
    if (!m_dragging)
        return windowPos;
    m_dragging = false;
    m_dragOffset = QPoint(0, 0);
    if (windowPos.y() < 0)
        return QPoint(windowPos.x(), 0);
    return windowPos;
}

// The strip rule is checked in window coordinates and moves follow the
// pointer's screen position: pos() can be stale for a while after the window
// manager placed a new window, but the pointer never is.
void StripDrag::pressEvent(QWidget *window, const QMouseEvent *event)
{
    const QPoint local = event->position().toPoint();
    press(QPoint(0, 0), window->size(), local, local);
}

void StripDrag::moveEvent(QWidget *window, const QMouseEvent *event) const
{
    if (m_dragging)
        SwayIpc::moveWindow(window, move(QPoint(0, 0), event->globalPosition().toPoint()));
}

void StripDrag::releaseEvent(QWidget *window)
{
    if (!m_dragging)
        return;
    // Only the snap to the top edge moves the window here.
    const QPoint at = release(window->pos());
    if (at != window->pos())
        SwayIpc::moveWindow(window, at);
}
