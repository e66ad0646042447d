#pragma once

#include <QObject>

class QSocketNotifier;

/// Turns the ways a desktop session ends a program into Qt signals: SIGTERM,
/// SIGHUP and SIGINT (delivered through a socket pair, since almost nothing is
/// safe inside a signal handler) and the session manager's commit request.
/// One instance per process.
class SessionGuard : public QObject
{
    Q_OBJECT
public:
    explicit SessionGuard(QObject *parent = nullptr);
    ~SessionGuard() override;

signals:
    /// The process is being told to end: save and quit now.
    void terminationRequested();
    /// The session manager asks for unsaved data to be saved (it may end us next).
    void commitRequested();

private:
    void readSignal();
    QSocketNotifier *m_notifier = nullptr;
};
