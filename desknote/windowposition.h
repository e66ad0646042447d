#pragma once

#include <QPoint>

class QWidget;

/// Where a top-level window really is on the screen. Under X11 QWidget::pos()
/// can stay at (0, 0) after the window manager has placed a newly shown
/// window elsewhere (its notices of the reparenting and the placement race),
/// so the position is asked from the X server; elsewhere pos() is used.
namespace WindowPosition {
QPoint onScreen(const QWidget *window);
}
