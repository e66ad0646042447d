#include "windowshaker.h"

#include "windowposition.h"

#include <QWidget>
#include <QWindow>

WindowShaker::WindowShaker(QWidget *window)
    : QObject(window)
    , m_window(window)
{
    m_timer.setInterval(ShakePath::PauseMs);
    m_timer.setTimerType(Qt::PreciseTimer);
    connect(&m_timer, &QTimer::timeout, this, &WindowShaker::step);
}

bool WindowShaker::start()
{
    if (isShaking() || !m_window->isVisible())
        return false;
    if (m_window->isMinimized())
        m_window->showNormal();
    setAbove(true);
    m_window->raise();
    m_path = ShakePath().positions(WindowPosition::onScreen(m_window));
    m_next = 0;
    m_timer.start();
    step();
    return true;
}

void WindowShaker::step()
{
    m_window->move(m_path.at(m_next++));
    if (m_next < m_path.size())
        return;
    // Back at the start: the shake is over.
    m_timer.stop();
    setAbove(false);
    emit finished();
}

void WindowShaker::setAbove(bool above)
{
    // Only the native window is lifted: the widget keeps its own flags, so
    // restoring them puts back whatever stacking the note has by then, and
    // the window is neither hidden nor re-placed as setWindowFlags() would.
    QWindow *native = m_window->windowHandle();
    if (!native)
        return;
    const Qt::WindowFlags own = m_window->windowFlags();
    native->setFlags(above ? own | Qt::WindowStaysOnTopHint : own);
}
