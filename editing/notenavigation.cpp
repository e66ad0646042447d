#include "notenavigation.h"

#include "notedirectory.h"
#include "notelistpopup.h"
#include "notesearchpanel.h"

#include <QAction>
#include <QEvent>
#include <QShortcut>
#include <QTabWidget>
#include <QToolBar>
#include <QToolButton>

NoteNavigation::NoteNavigation(Notebook *notebook, QTabWidget *tabs, QToolBar *cornerBar)
    : QObject(tabs)
    , m_tabs(tabs)
    , m_directory(new NoteDirectory(notebook, tabs, this))
    , m_listButton(new QToolButton(cornerBar))
    , m_searchAction(new QAction(tr("搜索所有便签"), this))
{
    QWidget *window = tabs->window();
    m_listButton->setObjectName(QStringLiteral("noteListButton"));
    m_listButton->setArrowType(Qt::DownArrow);
    m_listButton->setAutoRaise(true);
    m_listButton->setAccessibleDescription(tr("所有便签"));
    m_listButton->setAccessibleName(tr("所有便签"));
    m_listButton->setToolTip(tr("所有便签"));
    cornerBar->addWidget(m_listButton);
    connect(m_listButton, &QToolButton::clicked, this, &NoteNavigation::openList);
    window->installEventFilter(this);

    m_searchAction->setObjectName(QStringLiteral("searchAllAction"));
    const QKeySequence searchKeys(Qt::CTRL | Qt::SHIFT | Qt::Key_F);
    m_searchAction->setShortcut(searchKeys);
    m_searchAction->setShortcutContext(Qt::WindowShortcut);
    window->addAction(m_searchAction);
    connect(m_searchAction, &QAction::triggered, this, &NoteNavigation::openSearch);

    const auto onKeys = [window, this](const QKeySequence &keys, auto slot) {
        connect(new QShortcut(keys, window), &QShortcut::activated, this, slot);
    };
    onKeys(QKeySequence(Qt::CTRL | Qt::Key_Tab),
           [this] { m_tabs->setCurrentIndex(steppedTab(m_tabs->currentIndex(), m_tabs->count(), 1)); });
    onKeys(QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_Tab),
           [this] { m_tabs->setCurrentIndex(steppedTab(m_tabs->currentIndex(), m_tabs->count(), -1)); });
    for (int digit = 1; digit <= 9; ++digit) {
        onKeys(QKeySequence(Qt::CTRL | Qt::Key(Qt::Key_0 + digit)), [this, digit] {
            if (const int tab = tabForDigit(digit, m_tabs->count()); tab >= 0)
                m_tabs->setCurrentIndex(tab);
        });
    }
}

bool NoteNavigation::eventFilter(QObject *watched, QEvent *event)
{
    // The list and the search reach past the window's edge: the pointer
    // going to them is no reason for the window to roll up.
    if (event->type() == QEvent::Leave && watched == m_tabs->window()
        && ((m_list && m_list->isVisible()) || (m_search && m_search->isVisible())))
        return true;
    return QObject::eventFilter(watched, event);
}

int NoteNavigation::steppedTab(int current, int count, int step)
{
    if (count <= 0)
        return -1;
    return ((current + step) % count + count) % count;
}

int NoteNavigation::tabForDigit(int digit, int count)
{
    if (digit == 9)
        return count - 1;
    return digit >= 1 && digit <= count ? digit - 1 : -1;
}

void NoteNavigation::openSearch()
{
    if (!m_search)
        m_search = new NoteSearchPanel(m_directory, m_tabs->window());
    m_search->popUp(m_tabs->window());
}

void NoteNavigation::openList()
{
    if (!m_list)
        m_list = new NoteListPopup(m_directory, m_tabs->window());
    const QRect button(m_listButton->mapToGlobal(QPoint(0, 0)), m_listButton->size());
    m_list->popUp(button);
}
