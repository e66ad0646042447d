#include "singleinstance.h"

#include <QCryptographicHash>
#include <QDeadlineTimer>
#include <QDir>
#include <QFileInfo>
#include <QLocalServer>
#include <QLocalSocket>
#include <QLockFile>
#include <QStandardPaths>
#include <QThread>

namespace {
QString runtimeDirectory()
{
    QString dir = QStandardPaths::writableLocation(QStandardPaths::RuntimeLocation);
    if (dir.isEmpty())
        dir = QDir::tempPath();
    QDir().mkpath(dir);
    return dir;
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
    if (m_server)
        m_server->close();
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
    m_server = new QLocalServer(this);
    m_server->setSocketOptions(QLocalServer::UserAccessOption);
    // We hold the lock, so a socket file left here belongs to a dead process.
    QLocalServer::removeServer(m_serverName);
    if (!m_server->listen(m_serverName))
        return false;
    connect(m_server, &QLocalServer::newConnection, this, &SingleInstance::serveConnection);
    return true;
}

void SingleInstance::serveConnection()
{
    while (QLocalSocket *socket = m_server->nextPendingConnection()) {
        connect(socket, &QLocalSocket::disconnected, socket, &QObject::deleteLater);
        connect(socket, &QLocalSocket::readyRead, this, [this, socket] {
            if (!socket->canReadLine())
                return;
            const QString request = QString::fromUtf8(socket->readLine()).trimmed();
            emit requestReceived(request);
            socket->write("ok\n");
            socket->flush();
            socket->disconnectFromServer();
        });
    }
}

bool SingleInstance::handOver(const QString &request, int timeoutMs) const
{
    QLocalSocket socket;
    socket.connectToServer(m_serverName);
    if (!socket.waitForConnected(timeoutMs))
        return false;
    socket.write(request.toUtf8() + '\n');
    if (!socket.waitForBytesWritten(timeoutMs))
        return false;
    while (!socket.canReadLine()) {
        if (!socket.waitForReadyRead(timeoutMs))
            return false;
    }
    return socket.readLine().trimmed() == "ok";
}
