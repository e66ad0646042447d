#include "portalrequest.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QTimer>

#include <atomic>

namespace {
const QString RequestInterface = QStringLiteral("org.freedesktop.portal.Request");

QString nextToken()
{
    static std::atomic<int> counter{0};
    return QStringLiteral("velmonote%1").arg(++counter);
}

/// The request path the portal derives from the caller's unique bus name:
/// ":1.42" becomes "1_42".
QString requestPath(const QString &token)
{
    QString sender = QDBusConnection::sessionBus().baseService();
    sender.remove(0, 1);
    sender.replace(QLatin1Char('.'), QLatin1Char('_'));
    return QStringLiteral("/org/freedesktop/portal/desktop/request/%1/%2").arg(sender, token);
}
}

QString PortalRequest::service()
{
    return QStringLiteral("org.freedesktop.portal.Desktop");
}

QString PortalRequest::objectPath()
{
    return QStringLiteral("/org/freedesktop/portal/desktop");
}

PortalRequest::PortalRequest(QObject *parent)
    : QObject(parent)
{
}

PortalRequest *PortalRequest::call(const QString &interface, const QString &method, const QVariantList &arguments,
                                   QVariantMap options, int timeoutMs, QObject *parent)
{
    auto *request = new PortalRequest(parent);
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        // Reported from the event loop, like every other outcome.
        QTimer::singleShot(0, request, [request] {
            emit request->failed(tr("没有桌面会话总线"));
            request->finish();
        });
        return request;
    }
    const QString token = nextToken();
    options.insert(QStringLiteral("handle_token"), token);
    request->m_expectedPath = requestPath(token);
    bus.connect(service(), request->m_expectedPath, RequestInterface, QStringLiteral("Response"), request,
                SLOT(handleResponse(uint, QVariantMap)));

    QDBusMessage message = QDBusMessage::createMethodCall(service(), objectPath(), interface, method);
    message.setArguments(QVariantList(arguments) << options);
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(message, timeoutMs), request);
    connect(watcher, &QDBusPendingCallWatcher::finished, request, &PortalRequest::handleReply);
    QTimer::singleShot(timeoutMs, request, [request] {
        if (!request->m_done) {
            emit request->failed(tr("桌面门户没有应答"));
            request->finish();
        }
    });
    return request;
}

void PortalRequest::handleReply(QDBusPendingCallWatcher *watcher)
{
    watcher->deleteLater();
    if (m_done)
        return;
    QDBusPendingReply<QDBusObjectPath> reply = *watcher;
    if (reply.isError()) {
        emit failed(reply.error().message());
        finish();
        return;
    }
    // Older portals chose the path themselves; follow it if it differs.
    const QString path = reply.value().path();
    if (path != m_expectedPath) {
        QDBusConnection bus = QDBusConnection::sessionBus();
        bus.disconnect(service(), m_expectedPath, RequestInterface, QStringLiteral("Response"), this,
                       SLOT(handleResponse(uint, QVariantMap)));
        m_expectedPath = path;
        bus.connect(service(), m_expectedPath, RequestInterface, QStringLiteral("Response"), this,
                    SLOT(handleResponse(uint, QVariantMap)));
    }
}

void PortalRequest::handleResponse(uint response, const QVariantMap &results)
{
    if (m_done)
        return;
    emit answered(response, results);
    finish();
}

void PortalRequest::finish()
{
    m_done = true;
    if (!m_expectedPath.isEmpty())
        QDBusConnection::sessionBus().disconnect(service(), m_expectedPath, RequestInterface,
                                                 QStringLiteral("Response"), this,
                                                 SLOT(handleResponse(uint, QVariantMap)));
    deleteLater();
}
