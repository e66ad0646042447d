#include "titleclock.h"

#include <QEvent>
#include <QPushButton>
#include <QTime>

TitleClock::TitleClock(QWidget *window)
    : QObject(window)
    , m_window(window)
    , m_button(new QPushButton(tr("Velmo Note"), window))
    , m_timer(this)
{
    m_timer.setObjectName(QStringLiteral("clockTimer"));
    m_button->setObjectName(QStringLiteral("titleButton"));
    m_button->setFlat(true);
    QFont titleFont(QStringLiteral("Times"), 10);
    titleFont.setBold(true);
    m_button->setFont(titleFont);
    m_button->setStyleSheet(QStringLiteral("color:white;"));
    // Not the window's default button: Enter belongs to the note or the open bar.
    m_button->setAutoDefault(false);
    m_button->setFocusPolicy(Qt::NoFocus);
    m_button->adjustSize();
    m_button->installEventFilter(this);
    connect(&m_timer, &QTimer::timeout, this, &TitleClock::showTime);
}

void TitleClock::showTime()
{
    m_button->setText(QTime::currentTime().toString(QStringLiteral("hh:mm:ss")));
    m_button->adjustSize();
    centre();
}

void TitleClock::centre() { m_button->move(m_window->width() / 2 - m_button->width() / 2, 1); }

bool TitleClock::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_button && event->type() == QEvent::Enter) {
        showTime();
        m_timer.start(1000);
    } else if (watched == m_button && event->type() == QEvent::Leave) {
        m_timer.stop();
        m_button->setText(tr("Velmo Note"));
        m_button->adjustSize();
        centre();
    }
    return QObject::eventFilter(watched, event);
}
