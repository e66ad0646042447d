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

bool fitsAddress(const QString &path)
{
    return QFile::encodeName(path).size() < qsizetype(sizeof(sockaddr_un::sun_path));
}

/// The folder under /tmp that holds sockets whose usual path is too long.
/// Literally /tmp: TMPDIR may be as long as the runtime path was.
QString fallbackFolder()
{
    return QStringLiteral("/tmp/velmonote-%1").arg(::getuid());
}

/// Makes sure folder exists, is a real folder (not a link), belongs to us and
/// is closed to everyone else: another user must not be able to place or
/// replace the socket in it.
bool privateFolder(const QString &folder, QString *error)
{
    const QByteArray native = QFile::encodeName(folder);
    if (::mkdir(native.constData(), S_IRWXU) != 0 && errno != EEXIST) {
        *error = QStringLiteral("cannot create %1: %2").arg(folder, QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    struct stat info;
    if (::lstat(native.constData(), &info) != 0 || !S_ISDIR(info.st_mode) || info.st_uid != ::getuid()
        || (info.st_mode & (S_IRWXG | S_IRWXO)) != 0) {
        *error = QStringLiteral("%1 is not a private folder of this user").arg(folder);
        return false;
    }
    return true;
}

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
    const QString runtime = runtimeDirectory();
    const QString base = runtime + QLatin1String("/velmonote-") + QString::fromLatin1(key);
    m_lockPath = base + QLatin1String(".lock");
    m_serverName = base + QLatin1String(".sock");
    if (!fitsAddress(m_serverName)) {
        // The lock stays in the runtime folder (any length will do for it), so
        // the fallback name covers that folder too: two sessions with their
        // own runtime folders must not meet on one socket.
        const QByteArray both = QCryptographicHash::hash((runtime + QLatin1Char('\n') + canonical).toUtf8(),
                                                         QCryptographicHash::Sha1).toHex().left(24);
        m_serverName = fallbackFolder() + QLatin1Char('/') + QString::fromLatin1(both) + QLatin1String(".sock");
    }
}

SingleInstance::~SingleInstance()
{
    if (m_listenFd >= 0) {
        ::close(m_listenFd);
        // Still ours: the lock is held until m_lock goes after this.
        QFile::remove(m_serverName);
    }
}

bool SingleInstance::handOverIfRunning(const QString &request, int timeoutMs) const
{
    return QFileInfo::exists(m_serverName) && handOver(request, timeoutMs);
}

SingleInstance::Role SingleInstance::claim(const QString &request, int handoverTimeoutMs)
{
    m_error.clear();
    const QDeadlineTimer deadline(handoverTimeoutMs);
    while (true) {
        auto lock = std::make_unique<QLockFile>(m_lockPath);
        // A lock left by a process that died is taken over at once.
        lock->setStaleLockTime(0);
        if (lock->tryLock(0)) {
            m_lock = std::move(lock);
            if (listen())
                return Role::Primary;
            // Holding the lock without a socket would make every later start
            // wait and fail: let go, and let the caller refuse.
            m_lock.reset();
            return Role::Failed;
        }
        if (lock->error() != QLockFile::LockFailedError) {
            return fail(lock->error() == QLockFile::PermissionError
                            ? QStringLiteral("no permission to create the lock file %1").arg(m_lockPath)
                            : QStringLiteral("cannot take the lock file %1").arg(m_lockPath));
        }
        // The owner may still be starting up and not listening yet: retry
        // until it answers or the deadline passes.
        if (handOver(request, 500))
            return Role::Secondary;
        if (deadline.hasExpired()) {
            return fail(QStringLiteral("another start holds %1 but did not answer within %2 ms")
                            .arg(m_lockPath).arg(handoverTimeoutMs));
        }
        QThread::msleep(100);
    }
}

SingleInstance::Role SingleInstance::fail(const QString &why)
{
    m_error = why;
    return Role::Failed;
}

bool SingleInstance::listen()
{
    sockaddr_un address;
    if (!socketAddress(m_serverName, &address)) {
        m_error = QStringLiteral("socket path too long: %1").arg(m_serverName);
        return false;
    }
    if (!m_serverName.startsWith(QFileInfo(m_lockPath).path() + QLatin1Char('/'))
        && !privateFolder(QFileInfo(m_serverName).path(), &m_error))
        return false;
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    if (fd < 0) {
        m_error = QStringLiteral("cannot create a socket: %1").arg(QString::fromLocal8Bit(std::strerror(errno)));
        return false;
    }
    // We hold the lock, so a socket file left here belongs to a dead process.
    ::unlink(address.sun_path);
    if (::bind(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0
        || ::chmod(address.sun_path, S_IRUSR | S_IWUSR) != 0 || ::listen(fd, 8) != 0) {
        m_error = QStringLiteral("cannot listen on %1: %2")
                      .arg(m_serverName, QString::fromLocal8Bit(std::strerror(errno)));
        ::close(fd);
        return false;
    }
    m_listenFd = fd;
    m_listenNotifier = new QSocketNotifier(fd, QSocketNotifier::Read, this);
    connect(m_listenNotifier, &QSocketNotifier::activated, this, &SingleInstance::acceptConnections);
    return true;
}

bool SingleInstance::isAcceptPaused() const
{
    return m_acceptBackOff && m_acceptBackOff->isActive();
}

void SingleInstance::pauseAccepting()
{
    // The connection stays pending, so the notifier would fire again at once
    // and spin: stop listening for a while; held descriptors may be freed.
    if (!m_acceptBackOff) {
        m_acceptBackOff = new QTimer(this);
        m_acceptBackOff->setSingleShot(true);
        m_acceptBackOff->setInterval(AcceptBackOffMs);
        connect(m_acceptBackOff, &QTimer::timeout, this, [this] {
            m_listenNotifier->setEnabled(true);
        });
    }
    m_listenNotifier->setEnabled(false);
    m_acceptBackOff->start();
}

void SingleInstance::acceptConnections()
{
    while (true) {
        const int fd = ::accept4(m_listenFd, nullptr, nullptr, SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd < 0) {
            if (errno == EINTR || errno == ECONNABORTED)
                continue;
            if (errno == EMFILE || errno == ENFILE || errno == ENOBUFS || errno == ENOMEM)
                pauseAccepting();
            return; // EAGAIN: all taken
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
    // A socket in the shared /tmp is trusted only inside our private folder.
    QString ignored;
    if (!m_serverName.startsWith(QFileInfo(m_lockPath).path() + QLatin1Char('/'))
        && !privateFolder(QFileInfo(m_serverName).path(), &ignored))
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
