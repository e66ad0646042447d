#pragma once

#include <QObject>
#include <QPointer>
#include <QSet>
#include <QTimer>

#include <functional>

class QWidget;

/// Runs a piece of a test on a window that some code under test opens and
/// then waits for, modally (an overlay's exec(), a file dialog, a menu).
/// Armed before the window opens, it watches the top-level widgets and runs
/// its script once, from inside the window's own event loop, on the first
/// one that matches and becomes visible after arming. When the script is done and the window is
/// still open, it closes it, so a failed check cannot leave a test hanging.
class ModalScript : public QObject
{
public:
    using Match = std::function<bool(QWidget *)>;
    using Script = std::function<void(QWidget *)>;

    ModalScript(Match match, Script script, QObject *parent = nullptr);

    /// A script for the first new visible widget of type T.
    template<typename T>
    static ModalScript *forType(std::function<void(T *)> script, QObject *parent = nullptr)
    {
        return new ModalScript([](QWidget *w) { return qobject_cast<T *>(w) != nullptr; },
                               [script](QWidget *w) { script(qobject_cast<T *>(w)); }, parent);
    }

    bool hasRun() const { return m_ran; }
    QWidget *window() const { return m_window; }

private:
    void poll();

    Match m_match;
    Script m_script;
    QSet<QWidget *> m_before;
    QTimer m_timer;
    QPointer<QWidget> m_window;
    bool m_ran = false;
};
