#pragma once

#include "trayclickfilter.h"

#include <QElapsedTimer>
#include <QObject>

class QAction;
class QMenu;
class QWidget;

/// The tray icon with its menu, and notices for the user: a balloon from the
/// icon where one reaches the user, or else a small window over the main
/// window that does not block. It owns its actions and menu and leaves what
/// the entries do to the window, which connects them.
///
/// Two kinds of tray host: an XEmbed tray, where Qt draws the menu and the
/// balloons itself, and a StatusNotifier host (KDE, GNOME's AppIndicator,
/// swaybar) on the session bus, which gets the menu over D-Bus and shows
/// balloons only through the desktop's notification server. A host that
/// draws no menu (swaybar 1.7) asks the item for one (ContextMenu): then the
/// menu pops up here, at the pointer.
class Tray : public QObject
{
    Q_OBJECT
public:
    enum Entry { StayOnTop, ShowMain, AutoStart, SyncFolder, Capture, Quit };

    /// window: the main window, parent of this and of the notice windows.
    Tray(QWidget *window, bool trayAvailable);

    QAction *action(Entry entry) const;
    QSystemTrayIcon *icon() const { return m_icon; }
    QMenu *menu() const { return m_menu; }
    /// Whether this activation of the icon completes a double click.
    bool completesDoubleClick(QSystemTrayIcon::ActivationReason reason);
    /// A warning the user must see: a balloon, or a window without a tray.
    void tell(const QString &title, const QString &text);
    /// News worth a balloon where there is a tray; nothing otherwise.
    void inform(const QString &title, const QString &text);
    /// Whether a balloon is seen: an XEmbed tray, or a StatusNotifier host
    /// with a notification server on the session bus.
    bool balloonsReachUser() const;
    /// Whether the tray is a StatusNotifier host on the session bus (what Qt
    /// uses when one is registered).
    static bool statusNotifierHostRunning();

private:
    /// The host asked for a menu: shown here unless the host is showing the
    /// D-Bus one (it asked for its contents just now) or it is open already.
    void popUpMenuFor(QSystemTrayIcon::ActivationReason reason);

    QWidget *m_window;
    bool m_available;
    bool m_statusNotifier;
    qint64 m_menuAskedAt = -1;
    QAction *m_actions[Quit + 1] = {};
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_icon = nullptr;
    TrayClickFilter m_clicks;
    QElapsedTimer m_clock;
};
