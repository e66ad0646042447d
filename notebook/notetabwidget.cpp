#include "notetabwidget.h"

#include "notetabbar.h"

NoteTabWidget::NoteTabWidget(QWidget *parent)
    : QTabWidget(parent)
    , m_bar(new NoteTabBar(this))
{
    setTabBar(m_bar);
    // QTabWidget passes its bar's close requests on only while tabsClosable()
    // is set, and it never is here.
    connect(m_bar, &QTabBar::tabCloseRequested, this, &QTabWidget::tabCloseRequested);
}

NoteTabWidget::~NoteTabWidget() = default;
