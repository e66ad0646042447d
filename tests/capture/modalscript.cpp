#include "modalscript.h"

#include <QApplication>
#include <QWidget>

ModalScript::ModalScript(Match match, Script script, QObject *parent)
    : QObject(parent)
    , m_match(std::move(match))
    , m_script(std::move(script))
{
    // Windows already open are not the one awaited; hidden ones (a menu
    // built in advance) may be.
    for (QWidget *w : QApplication::topLevelWidgets()) {
        if (w->isVisible())
            m_before.insert(w);
    }
    m_timer.setInterval(10);
    connect(&m_timer, &QTimer::timeout, this, &ModalScript::poll);
    m_timer.start();
}

void ModalScript::poll()
{
    const QList<QWidget *> widgets = QApplication::topLevelWidgets();
    for (QWidget *w : widgets) {
        if (m_before.contains(w) || !w->isVisible() || !m_match(w))
            continue;
        m_timer.stop();
        m_window = w;
        m_script(w);
        m_ran = true;
        if (m_window && m_window->isVisible())
            m_window->close();
        return;
    }
}
