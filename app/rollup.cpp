#include "rollup.h"

#include <QEvent>
#include <QPropertyAnimation>
#include <QWidget>

RollUp::RollUp(QWidget *window, QList<QWidget *> hiddenWhileRolled)
    : QObject(window)
    , m_window(window)
    , m_hiddenWhileRolled(std::move(hiddenWhileRolled))
    , m_animation(new QPropertyAnimation(window, "geometry", this))
{
    m_animation->setObjectName(QStringLiteral("rollAnimation"));
    m_window->installEventFilter(this);
}

bool RollUp::isHeld(const QWidget *window)
{
    if (window->windowState() & (Qt::WindowMaximized | Qt::WindowFullScreen))
        return true;
    // The window never asks for a size beyond its own limits: such a size is
    // a tile's (sway tells an X window nothing else about tiling).
    const QSize size = window->size();
    return size != size.boundedTo(window->maximumSize()).expandedTo(window->minimumSize());
}

void RollUp::toggle()
{
    if (isHeld(m_window))
        return;
    m_animating = true;
    if (m_expanded)
        m_savedSize = m_window->size();
    m_animation->setDuration(DurationMs);
    m_animation->setStartValue(m_window->geometry());
    const QPoint at = m_window->geometry().topLeft();
    m_animation->setEndValue(m_expanded ? QRect(at, QSize(RolledWidth, RolledHeight)) : QRect(at, m_savedSize));
    showRolledAway(!m_expanded);
    m_animation->start();
}

void RollUp::finished()
{
    m_expanded = !m_expanded;
    m_animating = !m_animating;
}

void RollUp::showRolledAway(bool visible)
{
    for (QWidget *widget : std::as_const(m_hiddenWhileRolled))
        widget->setVisible(visible);
}

bool RollUp::eventFilter(QObject *watched, QEvent *event)
{
    const QEvent::Type type = event->type();
    if (watched != m_window || (type != QEvent::WindowStateChange && type != QEvent::Resize) || !isHeld(m_window))
        return QObject::eventFilter(watched, event);
    if (m_animating || !m_expanded) {
        // Held while rolled or rolling: open at once, at the size given. The
        // size to roll back to stays the one the user chose.
        m_animation->stop();
        m_animating = false;
        m_expanded = true;
        showRolledAway(true);
    }
    // The window is translucent: a repaint of only the newly exposed part
    // would leave the frames of earlier sizes showing through.
    m_window->update();
    return QObject::eventFilter(watched, event);
}
