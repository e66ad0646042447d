#pragma once

#include <QDBusObjectPath>
#include <QObject>
#include <QVariantMap>

class QDBusPendingCallWatcher;

/// One call to a desktop portal method that answers through a Request object
/// (org.freedesktop.portal.Request): the call itself only returns the
/// request's path, and the outcome arrives later as its Response signal.
///
/// The Response signal is subscribed on the path the portal will use before
/// the call is made, so an answer that comes before the call's reply is not
/// missed. Exactly one of answered() or failed() is emitted, then the object
/// deletes itself. A portal that does not answer within the time limit counts
/// as failed.
class PortalRequest : public QObject
{
    Q_OBJECT
public:
    /// Response codes of the Request interface.
    enum Response : uint { Success = 0, Cancelled = 1, Ended = 2 };

    /// Calls interface.method(arguments..., options) on the desktop portal at
    /// /org/freedesktop/portal/desktop; options gets a fresh handle_token.
    static PortalRequest *call(const QString &interface, const QString &method, const QVariantList &arguments,
                               QVariantMap options, int timeoutMs, QObject *parent);

    /// The portal's well-known name and object path.
    static QString service();
    static QString objectPath();

signals:
    void answered(uint response, const QVariantMap &results);
    void failed(const QString &reason);

private slots:
    void handleResponse(uint response, const QVariantMap &results);
    void handleReply(QDBusPendingCallWatcher *watcher);

private:
    explicit PortalRequest(QObject *parent);
    void finish();

    QString m_expectedPath;
    bool m_done = false;
};
