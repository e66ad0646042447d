#include "promptbar.h"

#include "lazyiconengine.h"
#include "messagelabel.h"
#include "slidein.h"

#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPropertyAnimation>
#include <QToolButton>

PromptBar::PromptBar(QWidget *window, const QString &prefix)
    : QToolBar(window)
    , m_animation(new QPropertyAnimation(this, "geometry", this))
{
    setObjectName(prefix + QLatin1String("Bar"));
    // The delete bar has no edit: the bar itself takes the keys.
    setFocusPolicy(Qt::StrongFocus);
    hide();
}

PromptBar *PromptBar::askName(QWidget *window)
{
    auto *bar = new PromptBar(window, QStringLiteral("name"));
    bar->setAttribute(Qt::WA_TranslucentBackground);
    bar->m_edit = new QLineEdit(bar);
    bar->m_edit->setObjectName(QStringLiteral("nameEdit"));
    bar->m_edit->setFixedHeight(17);
    bar->m_edit->setToolTip(tr("输入标签名称"));
    bar->addWidget(bar->m_edit);
    bar->addOkCancel(QStringLiteral("name"));
    return bar;
}

PromptBar *PromptBar::askDelete(QWidget *window)
{
    auto *bar = new PromptBar(window, QStringLiteral("del"));
    bar->m_question = new QLabel(tr("确定删除?"), bar);
    bar->m_question->setStyleSheet(MessageLabel::backingStyle());
    bar->addWidget(bar->m_question);
    bar->addOkCancel(QStringLiteral("del"));
    return bar;
}

void PromptBar::addOkCancel(const QString &prefix)
{
    addSeparator();
    m_ok = addButton(this, ":/img/nameok.png", tr("确认"));
    m_ok->setObjectName(prefix + QLatin1String("OkButton"));
    m_cancel = addButton(this, ":/img/namecancle.png", tr("取消"));
    m_cancel->setObjectName(prefix + QLatin1String("CancelButton"));
}

QToolButton *PromptBar::addButton(QToolBar *bar, const char *icon, const QString &tip)
{
    auto *button = new QToolButton(bar);
    button->setIcon(LazyIconEngine::icon(QString::fromLatin1(icon)));
    button->setIconSize(QSize(13, 13));
    button->setToolTip(tip);
    button->setFixedSize(17, 17);
    bar->addWidget(button);
    return button;
}

void PromptBar::setQuestion(const QString &question)
{
    if (m_question)
        m_question->setText(question);
}

void PromptBar::slideIn(QSize windowSize)
{
    adjustSize();
    raise();
    SlideIn::start(m_animation, this, windowSize);
    if (m_edit)
        m_edit->setFocus(Qt::OtherFocusReason);
    else
        setFocus(Qt::OtherFocusReason);
}

void PromptBar::keyPressEvent(QKeyEvent *event)
{
    switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
        m_ok->click();
        break;
    case Qt::Key_Escape:
        m_cancel->click();
        break;
    default:
        QToolBar::keyPressEvent(event);
        return;
    }
    event->accept();
}

void PromptBar::dismiss()
{
    if (m_edit)
        m_edit->clear();
    hide();
}
