#include "messagelabel.h"

#include "slidein.h"

#include <QEvent>
#include <QPropertyAnimation>

QString MessageLabel::backingStyle()
{
    // Black at two thirds over the lightest skin still leaves white text
    // above 7:1.
    return QStringLiteral("color:white; background-color:rgba(0,0,0,170); border-radius:4px; padding:1px 5px;");
}

MessageLabel::MessageLabel(QWidget *window)
    : QLabel(window)
    , m_window(window)
    , m_animation(new QPropertyAnimation(this, "geometry", this))
    , m_timer(this)
{
    setObjectName(QStringLiteral("tipLabel"));
    setStyleSheet(backingStyle());
    hide();
    m_animation->setObjectName(QStringLiteral("tipAnimation"));
    m_timer.setObjectName(QStringLiteral("tipTimer"));
    m_timer.setSingleShot(true);
    m_timer.setInterval(1000);
    connect(m_animation, &QPropertyAnimation::finished, &m_timer, qOverload<>(&QTimer::start));
    connect(&m_timer, &QTimer::timeout, this, &MessageLabel::clearMessage);
    window->installEventFilter(this);
}

void MessageLabel::showMessage(const QString &text, int ms)
{
    if (ms != 1000)
        m_timer.setInterval(ms);
    setText(text);
    adjustSize();
    raise();
    // Before the window is up its size is not final, and nobody would see the slide.
    m_waitingForShow = !m_window->isVisible();
    if (!m_waitingForShow)
        slideIn();
}

void MessageLabel::slideIn()
{
    SlideIn::start(m_animation, this, m_window->size());
}

void MessageLabel::clearMessage()
{
    clear();
    hide();
}

bool MessageLabel::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_window && event->type() == QEvent::Show && m_waitingForShow) {
        m_waitingForShow = false;
        slideIn();
    } else if (watched == m_window && event->type() == QEvent::Resize && isVisible()) {
        // Keep to the bottom centre of the window as it is now.
        const QRect end = SlideIn::endRect(size(), m_window->size());
        if (m_animation->state() == QAbstractAnimation::Running)
            m_animation->setEndValue(end);
        else
            setGeometry(end);
    }
    return QLabel::eventFilter(watched, event);
}
