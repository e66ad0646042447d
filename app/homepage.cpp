#include "homepage.h"

#include "notepage.h"

#include <QEvent>
#include <QFile>
#include <QTextEdit>
#include <QTextStream>

HomePage::HomePage(QTextEdit *edit, QObject *parent)
    : QObject(parent)
    , m_edit(edit)
{
    m_edit->setObjectName(QStringLiteral("homeEdit"));
    m_edit->setReadOnly(true);
    m_edit->setOverwriteMode(false);
    m_edit->setStyleSheet(NotePage::styleSheet());
}

bool HomePage::load(const QString &file)
{
    QFile index(file);
    if (!index.open(QIODevice::ReadOnly | QIODevice::Text)) {
        emit ready(m_edit);
        return false;
    }
    QTextStream in(&index);
    m_html = in.readAll();
    m_edit->installEventFilter(this);
    return true;
}

bool HomePage::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == m_edit && event->type() == QEvent::Show) {
        m_edit->removeEventFilter(this);
        m_edit->setHtml(m_html);
        m_edit->moveCursor(QTextCursor::Start);
        m_html.clear();
        emit ready(m_edit);
    }
    return QObject::eventFilter(watched, event);
}
