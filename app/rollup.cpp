#include "rollup.h"

#include <QPropertyAnimation>
#include <QWidget>

RollUp::RollUp(QWidget *window, QList<QWidget *> hiddenWhileRolled)
    : QObject(window)
    , m_window(window)
    , m_hiddenWhileRolled(std::move(hiddenWhileRolled))
    , m_animation(new QPropertyAnimation(window, "geometry", this))
{
    m_animation->setObjectName(QStringLiteral("rollAnimation"));
}

void RollUp::toggle()
{
    m_animating = true;
    if (m_expanded)
        m_savedSize = m_window->size();
    m_animation->setDuration(DurationMs);
    m_animation->setStartValue(m_window->geometry());
    const QPoint at = m_window->geometry().topLeft();
    m_animation->setEndValue(m_expanded ? QRect(at, QSize(RolledWidth, RolledHeight)) : QRect(at, m_savedSize));
    for (QWidget *widget : std::as_const(m_hiddenWhileRolled))
        widget->setVisible(!m_expanded);
    m_animation->start();
}

void RollUp::finished()
{
    m_expanded = !m_expanded;
    m_animating = !m_animating;
}
