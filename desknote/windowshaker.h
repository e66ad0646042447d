#pragma once

#include "shakepath.h"

#include <QList>
#include <QObject>
#include <QPoint>
#include <QTimer>

class QWidget;

/// Shakes a top-level window along a ShakePath, one move every 50 ms, from
/// the event loop: the program goes on handling input and painting. For the
/// shake the window is shown normally and kept above all others; afterwards
/// it is back at its start and its own stacking (stay-on-top or not) applies
/// again. The shaker is a child of the window and dies with it.
class WindowShaker : public QObject
{
    Q_OBJECT
public:
    explicit WindowShaker(QWidget *window);

    /// Starts a shake; does nothing while one runs or when the window is not shown.
    bool start();
    bool isShaking() const { return m_timer.isActive(); }

signals:
    void finished();

private:
    void step();
    void setAbove(bool above);

    QWidget *m_window;
    QTimer m_timer;
    QList<QPoint> m_path;
    int m_next = 0;
};
