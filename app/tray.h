#pragma once

#include "trayclickfilter.h"

#include <QElapsedTimer>
#include <QObject>

class QAction;
class QMenu;
class QWidget;

/// The tray icon with its menu, and notices for the user: a balloon from the
/// icon, or, where there is no tray host, a small window over the main
/// window that does not block. It owns its actions and menu and leaves what
/// the entries do to the window, which connects them.
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

private:
    QWidget *m_window;
    bool m_available;
    QAction *m_actions[Quit + 1] = {};
    QMenu *m_menu = nullptr;
    QSystemTrayIcon *m_icon = nullptr;
    TrayClickFilter m_clicks;
    QElapsedTimer m_clock;
};
