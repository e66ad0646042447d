#pragma once

#include <QSystemTrayIcon>

/// Turns tray activations into "toggle the main window" decisions.
/// XEmbed trays report a double click as Trigger then DoubleClick; StatusNotifier
/// hosts (KDE, GNOME's AppIndicator) report it as two Triggers and never send
/// DoubleClick. Both must toggle exactly once. Some StatusNotifier hosts
/// (swaybar) report only single clicks, one Activate per click: there, with
/// singleClickToggles, a click toggles by itself, and the second click of a
/// double click on a host that sends two is not a second toggle. Pure logic:
/// times are milliseconds from any monotonic clock.
class TrayClickFilter
{
public:
    explicit TrayClickFilter(int doubleClickIntervalMs, bool singleClickToggles = false)
        : m_interval(doubleClickIntervalMs)
        , m_singleClick(singleClickToggles)
    {
    }

    /// Returns true when this activation completes a double click.
    bool activated(QSystemTrayIcon::ActivationReason reason, qint64 nowMs);

private:
    int m_interval;
    bool m_singleClick;
    qint64 m_lastTrigger = -1;
    qint64 m_lastToggle = -1;
};
