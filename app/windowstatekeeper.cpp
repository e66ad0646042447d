#include "windowstatekeeper.h"

#include "menudialog.h"
#include "noteplacement.h"
#include "notestatekeeper.h"
#include "rollup.h"

#include <QEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QToolButton>
#include <QWidget>

WindowStateKeeper::WindowStateKeeper(QWidget *window, const RollUp *rollUp, MenuDialog *menu, NoteStateKeeper *state)
    : QObject(window)
    , m_window(window)
    , m_rollUp(rollUp)
    , m_state(state)
{
    if (state->hasWindow()) {
        const NotebookState::Window kept = state->window();
        QList<QRect> screens;
        for (const QScreen *screen : QGuiApplication::screens())
            screens << screen->geometry();
        const QScreen *primary = QGuiApplication::primaryScreen();
        const QRect frame = NotePlacement::place(kept.geometry, screens, primary ? primary->availableGeometry() : QRect());
        // Bounded by the window's own limits before it is placed, so a kept
        // size the window no longer takes cannot push it off the screen.
        m_window->resize(frame.size().boundedTo(m_window->maximumSize()).expandedTo(m_window->minimumSize()));
        m_window->move(frame.topLeft());
        if (!kept.autoHide) {
            // As the user's own click on the menu's entry would do.
            if (auto *button = menu->findChild<QToolButton *>(QStringLiteral("autoHideButton")))
                button->setChecked(false);
        }
        m_autoHide = kept.autoHide;
    }
    m_fullSize = m_window->size();
    connect(menu, &MenuDialog::sigHide, this, [this](bool on) {
        m_autoHide = on;
        store();
    });
    m_window->installEventFilter(this);
}

bool WindowStateKeeper::eventFilter(QObject *watched, QEvent *event)
{
    // A tile's or a maximised window's place and size are the desktop's, not the user's.
    if (watched == m_window && (event->type() == QEvent::Move || event->type() == QEvent::Resize)
        && m_window->isVisible() && !RollUp::isHeld(m_window)) {
        if (m_rollUp->isExpanded() && !m_rollUp->isAnimating())
            m_fullSize = m_window->size();
        store();
    }
    return QObject::eventFilter(watched, event);
}

void WindowStateKeeper::store()
{
    NotebookState::Window window;
    window.geometry = QRect(m_window->pos(), m_fullSize);
    window.autoHide = m_autoHide;
    m_state->setWindow(window);
}
