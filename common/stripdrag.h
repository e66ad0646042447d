#pragma once

#include <QPoint>
#include <QSize>

class QMouseEvent;
class QWidget;

/// The title-strip drag rule shared by the main window, the desktop notes and
/// the small frameless dialogs. Pure geometry: positions are screen
/// coordinates of the window's top-left corner, offsets are window-local.
///
/// A drag starts only on a press strictly inside the 25-pixel strip and not in
/// its rightmost 50 pixels; a release that leaves the window's top above the
/// screen puts it back at y = 0 (only the top edge is corrected).
class StripDrag
{
public:
    static constexpr int StripHeight = 25;
    static constexpr int RightReserve = 50;

    /// True when a press at globalPress on a window at windowPos of windowSize
    /// lies inside the drag zone.
    static bool inDragZone(QPoint windowPos, QSize windowSize, QPoint globalPress);

    /// Handles a press; returns whether a drag started.
    bool press(QPoint windowPos, QSize windowSize, QPoint globalPress, QPoint localPress);
    /// Where the window goes for a move event at localPos; windowPos when not dragging.
    QPoint move(QPoint windowPos, QPoint localPos) const;
    /// Ends a drag; returns where the window must be after the release.
    QPoint release(QPoint windowPos);

    /// The same rule applied to a top-level window's mouse events.
    void pressEvent(QWidget *window, const QMouseEvent *event);
    void moveEvent(QWidget *window, const QMouseEvent *event) const;
    void releaseEvent(QWidget *window);

    bool dragging() const { return m_dragging; }
    QPoint dragOffset() const { return m_dragOffset; }

private:
    bool m_dragging = false;
    QPoint m_dragOffset;
};
