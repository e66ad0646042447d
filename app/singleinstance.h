#pragma once

#include <QObject>
#include <QString>

#include <memory>

class QLockFile;
class QSocketNotifier;
class QTimer;

/// One notebook per user and working directory: two would overwrite each
/// other's tab.dat when they quit. The first start takes a lock file and
/// listens on a Unix socket; a later start finds the lock taken, passes its
/// request ("show" or "hide") to the first one and is told to exit.
///
/// Both files live in the user's runtime directory and are named after the
/// canonical working directory, so different users and folders never meet.
/// When that directory's path is too long for a socket address, the socket
/// moves to a private folder (0700, ours, not a link) under /tmp instead.
/// The socket is a plain AF_UNIX one: a networking library for one line each
/// way would cost every start-up its loading time and memory.
///
/// A start that cannot be sure it is alone (no lock, no socket, no answer)
/// gets Failed with a reason: it must not run a notebook on the same folder.
class SingleInstance : public QObject
{
    Q_OBJECT
public:
    enum class Role { Primary, Secondary, Failed };

    /// Requests longer than this are not read; the connection is dropped.
    static constexpr int MaxRequestBytes = 256;

    explicit SingleInstance(const QString &workingDirectory, QObject *parent = nullptr);
    ~SingleInstance() override;

    /// Takes the lock or hands request over to the running notebook.
    /// Secondary: the running one acknowledged the request; exit now.
    /// Failed: it could not be made sure that no other notebook runs on this
    /// folder (errorString() says why); the caller must not run one.
    Role claim(const QString &request, int handoverTimeoutMs = 5000);
    /// Hands request to a notebook that runs and answers within timeoutMs;
    /// false (nothing decided) when none does. Needs no application object.
    bool handOverIfRunning(const QString &request, int timeoutMs) const;

    QString serverName() const { return m_serverName; }
    QString lockPath() const { return m_lockPath; }
    /// Why claim() failed; empty otherwise.
    QString errorString() const { return m_error; }
    /// accept() ran out of file descriptors; new connections wait until the back-off ends.
    bool isAcceptPaused() const;

    /// How long accepting pauses after the process ran out of file descriptors.
    static constexpr int AcceptBackOffMs = 250;

signals:
    /// A later start asked the running notebook to show its window or to stay hidden.
    void requestReceived(const QString &request);

private:
    bool listen();
    Role fail(const QString &why);
    void pauseAccepting();
    bool handOver(const QString &request, int timeoutMs) const;
    void acceptConnections();
    void serveConnection(int fd);

    QString m_serverName;
    QString m_lockPath;
    QString m_error;
    std::unique_ptr<QLockFile> m_lock;
    int m_listenFd = -1;
    QSocketNotifier *m_listenNotifier = nullptr;
    QTimer *m_acceptBackOff = nullptr;
};
