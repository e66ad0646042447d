#include "notetabwidget.h"

#include "notetabbar.h"

NoteTabWidget::NoteTabWidget(QWidget *parent)
    : QTabWidget(parent)
    , bar(new NoteTabBar(this))
{
    setTabBar(bar);
    // QTabWidget passes its bar's close requests on only while tabsClosable()
    // is set, and it never is here.
    connect(bar, &QTabBar::tabCloseRequested, this, &QTabWidget::tabCloseRequested);
}

NoteTabWidget::~NoteTabWidget() = default;
