#include "remindernotifier.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusPendingCallWatcher>
#include <QDBusPendingReply>
#include <QDateTime>
#include <QLocale>
#include <QVariantMap>

namespace {
const QString Service = QStringLiteral("org.freedesktop.Notifications");
const QString Path = QStringLiteral("/org/freedesktop/Notifications");
/// The server's own default display time.
constexpr int ServerDefaultTimeout = -1;
}

QString ReminderNotifier::summaryFor(const QString &name)
{
    return tr("便签“%1”的提醒").arg(name);
}

void ReminderNotifier::notify(const QString &name)
{
    const QString summary = summaryFor(name);
    const QString body = tr("%1 提醒响了").arg(QLocale().toString(QTime::currentTime(), QLocale::ShortFormat));
    QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        emit unavailable(summary, body);
        return;
    }
    QDBusMessage call = QDBusMessage::createMethodCall(Service, Path, Service, QStringLiteral("Notify"));
    call << QStringLiteral("Velmo Note") << uint(0) << QStringLiteral("velmonote") << summary << body
         << QStringList() << QVariantMap{{QStringLiteral("category"), QStringLiteral("reminder")}}
         << ServerDefaultTimeout;
    // Asynchronous: a slow or hung server must not hold the ring or the window.
    auto *watcher = new QDBusPendingCallWatcher(bus.asyncCall(call), this);
    connect(watcher, &QDBusPendingCallWatcher::finished, this, [this, watcher, summary, body] {
        watcher->deleteLater();
        const QDBusPendingReply<uint> reply = *watcher;
        if (reply.isError())
            emit unavailable(summary, body);
    });
}
