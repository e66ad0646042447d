#include "tray.h"

#include "lazyiconengine.h"
#include "logging.h"

#include <QAction>
#include <QApplication>
#include <QCursor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusInterface>
#include <QDBusReply>
#include <QMenu>
#include <QMessageBox>
#include <QSystemTrayIcon>
#include <QWidget>

Tray::Tray(QWidget *window, bool trayAvailable)
    : QObject(window)
    , m_window(window)
    , m_available(trayAvailable)
    , m_statusNotifier(trayAvailable && statusNotifierHostRunning())
    // A StatusNotifier host sends one Activate per click, and some only that.
    , m_clicks(QApplication::doubleClickInterval(), m_statusNotifier)
{
    m_clock.start();
    m_actions[StayOnTop] = new QAction(tr("窗口总在最前"), this);
    m_actions[StayOnTop]->setCheckable(true);
    m_actions[StayOnTop]->setChecked(true);
    m_actions[ShowMain] = new QAction(tr("显示主窗口"), this);
    m_actions[AutoStart] = new QAction(tr("开机自启动"), this);
    m_actions[AutoStart]->setCheckable(true);
    // The choice belongs to the notebook folder, so every computer syncing it sees it.
    m_actions[SyncFolder] = new QAction(tr("同步文件夹模式"), this);
    m_actions[SyncFolder]->setObjectName(QStringLiteral("syncAction"));
    m_actions[SyncFolder]->setCheckable(true);
    // Capture by mouse too: the hot key may be taken or missing on this desktop.
    m_actions[Capture] = new QAction(tr("截图"), this);
    m_actions[Capture]->setObjectName(QStringLiteral("captureAction"));
    m_actions[Quit] = new QAction(LazyIconEngine::icon(QStringLiteral(":/img/close.png")), tr("退出"), this);

    m_menu = new QMenu(window);
    m_menu->setWindowOpacity(0.8);
    m_menu->setStyleSheet(QStringLiteral("background-image:url(:/img/menuback.png)"));
    for (Entry entry : {StayOnTop, ShowMain, AutoStart, SyncFolder, Capture})
        m_menu->addAction(m_actions[entry]);
    m_menu->addSeparator();
    m_menu->addAction(m_actions[Quit]);

    m_icon = new QSystemTrayIcon(QIcon(QPixmap(QStringLiteral(":/img/Tray.png"))), this);
    m_icon->setObjectName(QStringLiteral("trayIcon"));
    m_icon->setToolTip(tr("Velmo Note V0.5"));
    m_icon->setContextMenu(m_menu);
    m_icon->show();
    // A host that draws the D-Bus menu asks for its contents when it opens it.
    connect(m_menu, &QMenu::aboutToShow, this, [this] { m_menuAskedAt = m_clock.elapsed(); });
    if (m_statusNotifier)
        connect(m_icon, &QSystemTrayIcon::activated, this, &Tray::popUpMenuFor);
}

bool Tray::statusNotifierHostRunning()
{
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QString watcher = QStringLiteral("org.kde.StatusNotifierWatcher");
    if (!bus.isConnected() || !bus.interface()->isServiceRegistered(watcher))
        return false;
    QDBusInterface properties(watcher, QStringLiteral("/StatusNotifierWatcher"),
                              QStringLiteral("org.freedesktop.DBus.Properties"), bus);
    // Asked once while the window is built: a hung host must not hold the start.
    properties.setTimeout(1000);
    const QDBusReply<QVariant> host =
        properties.call(QStringLiteral("Get"), watcher, QStringLiteral("IsStatusNotifierHostRegistered"));
    return host.isValid() && host.value().toBool();
}

bool Tray::balloonsReachUser() const
{
    if (!m_available)
        return false;
    // An XEmbed tray's balloon is a window of Qt's own.
    if (!m_statusNotifier)
        return true;
    // Qt hands a StatusNotifier item's balloon to the notification server;
    // with none, all that shows is a warning icon in the tray.
    const QDBusConnection bus = QDBusConnection::sessionBus();
    const QString server = QStringLiteral("org.freedesktop.Notifications");
    if (!bus.isConnected())
        return false;
    if (bus.interface()->isServiceRegistered(server))
        return true;
    const QDBusReply<QStringList> startable = bus.interface()->call(QStringLiteral("ListActivatableNames"));
    return startable.isValid() && startable.value().contains(server);
}

void Tray::popUpMenuFor(QSystemTrayIcon::ActivationReason reason)
{
    constexpr int HostMenuMs = 1000;
    if (reason != QSystemTrayIcon::Context || m_menu->isVisible())
        return;
    if (m_menuAskedAt >= 0 && m_clock.elapsed() - m_menuAskedAt < HostMenuMs)
        return;
    m_menu->popup(QCursor::pos());
}

QAction *Tray::action(Entry entry) const { return m_actions[entry]; }

bool Tray::completesDoubleClick(QSystemTrayIcon::ActivationReason reason)
{
    return m_clicks.activated(reason, m_clock.elapsed());
}

void Tray::tell(const QString &title, const QString &text)
{
    // Also in the log, for a notice closed unread.
    qCInfo(lcApp).noquote() << "notice:" << title << "|" << QString(text).replace(QLatin1Char('\n'), QLatin1Char(' '));
    if (balloonsReachUser()) {
        m_icon->showMessage(title, text, QSystemTrayIcon::Warning, 10000);
        return;
    }
    // Without a tray the notice is a window of its own that does not block.
    auto *box = new QMessageBox(QMessageBox::Warning, title, text, QMessageBox::Ok, m_window);
    box->setObjectName(QStringLiteral("noticeBox"));
    box->setAttribute(Qt::WA_DeleteOnClose);
    box->setWindowModality(Qt::NonModal);
    box->show();
}

void Tray::inform(const QString &title, const QString &text)
{
    if (balloonsReachUser())
        m_icon->showMessage(title, text, QSystemTrayIcon::Information, 8000);
}
