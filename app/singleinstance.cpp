#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLockFile>
#include <QSocketNotifier>
#include <QStandardPaths>
#include <QThread>
#include <QTimer>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

namespace {
// How long the running notebook waits for a connected start to send its line.
constexpr int RequestTimeoutMs = 5000;

QString runtimeDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
}

bool socketAddress(const QString &path, sockaddr_un *address)
{
    const QByteArray native = QFile::encodeName(path);
    std::memset(address, 0, sizeof *address);
    address->sun_family = AF_UNIX;
    if (native.size() >= int(sizeof address->sun_path))
        return false;
    std::memcpy(address->sun_path, native.constData(), native.size());
    return true;
}

// Waits for fd to become ready for events until deadline; false on timeout or error.
bool waitFor(int fd, short events, const QDeadlineTimer &deadline)
{
    while (true) {
        pollfd entry{fd, events, 0};
        const int ready = ::poll(&entry, 1, int(qMax<qint64>(0, deadline.remainingTime())));
        if (ready > 0)
            return true;
        if (ready == 0 || errno != EINTR)
            return false;
    }
}
}

SingleInstance::SingleInstance(const QString &workingDirectory, QObject *parent)
    : QObject(parent)
{
    QString canonical = QFileInfo(workingDirectory).canonicalFilePath();
    if (canonical.isEmpty())
        canonical = QDir::cleanPath(QDir(workingDirectory).absolutePath());
    const QByteArray key = QCryptographicHash::hash(canonical.toUtf8(), QCryptographicHash::Sha1)
                               .toHex().left(16);
    const QString base = runtimeDirectory() + QLatin1String("/velmonote-") + QString::fromLatin1(key);
    m_lockPath = base + QLatin1String(".lock");
    m_serverName = base + QLatin1String(".sock");
}

SingleInstance::~SingleInstance()
{
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        // Still ours: the lock is held until m_lock goes after this.
        QFile::remove(m_serverName);
    }
}

SingleInstance::Role SingleInstance::claim(const QString &request, int handoverTimeoutMs)
{
    const QDeadlineTimer deadline(handoverTimeoutMs);
    while (true) {
        auto lock = std::make_unique<QLockFile>(m_lockPath);
        // A lock left by a process that died is taken over at once.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            m_lock = std::move(lock);
            return listen() ? Role::Primary : Role::Failed;
        }
        if (lock->error() != QLockFile::LockFailedError)
            return Role::Failed;
        // The owner may still be starting up and not listening yet: retry
        // until it answers or the deadline passes.
        if (handOver(request, 500))
            return Role::Secondary;
        if (deadline.hasExpired())
            return Role::Failed;
        QThread::msleep(100);
    }
}

bool SingleInstance::listen()
{
    sockaddr_un address;
    if (!socketAddress(m_serverName, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0)
        return false;
    // We hold the lock, so a socket file left here belongs to a dead process.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_listenNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

void SingleInstance::acceptConnections()
{
    while (true) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR)
                continue;
            return; // EAGAIN: all taken; anything else: try again on the next notice
        }
        serveConnection(fd);
    }
}

void SingleInstance::serveConnection(int fd)
{
    // Each connection reads one line, answers "ok" and closes. A peer that
    // sends nothing, too much or hangs up is dropped without a request.
    auto *notifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    auto *timeout = new QTimer(notifier);
    auto buffer = std::make_shared<QByteArray>();
    const auto finish = [notifier, timeout, fd] {
        timeout->stop();
        notifier->setEnabled(false);
        ::close(fd);
        notifier->deleteLater();
    };
    connect(timeout, &QTimer::timeout, notifier, finish);
    connect(notifier, &QSocketNotifier::activated, this, [this, fd, buffer, finish] {
        char chunk[MaxRequestBytes + 1];
        const ssize_t got = ::read(fd, chunk, sizeof chunk);
        if (got < 0 && (errno == EAGAIN || errno == EINTR))
            return;
        if (got <= 0) {
            finish();
            return;
        }
        buffer->append(chunk, int(got));
        const int end = buffer->indexOf('\n');
        if (end < 0) {
            if (buffer->size() > MaxRequestBytes)
                finish();
            return;
        }
        const QString request = QString::fromUtf8(buffer->left(end)).trimmed();
        // The answer first: the waiting start exits as soon as it has it.
        (void)::send(fd, "ok\n", 3, MSG_NOSIGNAL);
        finish();
        emit requestReceived(request);
    });
    timeout->start(RequestTimeoutMs);
}

bool SingleInstance::handOver(const QString &request, int timeoutMs) const
{
    sockaddr_un address;
    if (!socketAddress(m_serverName, &address))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0)
        return false;
    const QDeadlineTimer deadline(timeoutMs);
    bool acknowledged = false;
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0) {
        const QByteArray line = request.toUtf8() + '\n';
        qsizetype sent = 0;
        while (sent < line.size() && waitFor(fd, POLLOUT, deadline)) {
            const ssize_t n = ::send(fd, line.constData() + sent, size_t(line.size() - sent), MSG_NOSIGNAL);
            if (n < 0 && errno != EINTR)
                break;
            sent += qMax<ssize_t>(n, 0);
        }
        QByteArray answer;
        while (sent == line.size() && !answer.contains('\n') && answer.size() < 16
               && waitFor(fd, POLLIN, deadline)) {
            char chunk[16];
            const ssize_t n = ::read(fd, chunk, sizeof chunk);
            if (n == 0 || (n < 0 && errno != EINTR))
                break;
            answer.append(chunk, int(qMax<ssize_t>(n, 0)));
        }
        acknowledged = answer.startsWith("ok\n");
    }
    ::close(fd);
    return acknowledged;
}
