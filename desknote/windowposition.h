#pragma once

#include <QPoint>

class QWidget;

/// Where a top-level window really is on the screen. Under X11 QWidget::pos()
/// can stay at (0, 0) after the window manager has placed a newly shown
/// window elsewhere (its notices of the reparenting and the placement race),
/// so the position is asked from the X server; elsewhere pos() is used.
namespace WindowPosition {
QPoint onScreen(const QWidget *window);
/// Moves a window not yet shown to the centre of over (the free area of the
/// primary screen when null), kept on over's screen. A window given its
/// place this way knows where it is from the start; one the window manager
/// places may think it is at (0, 0) for a while, and its pop-up lists and
/// tool tips open there.
void centreOver(QWidget *window, const QWidget *over);
}
