#pragma once

#include <QSystemTrayIcon>

/// Turns tray activations into "toggle the main window" decisions.
/// XEmbed trays report a double click as Trigger then DoubleClick; StatusNotifier
/// hosts (KDE, GNOME's AppIndicator) report it as two Triggers and never send
/// DoubleClick. Both must toggle exactly once. Pure logic: times are
/// milliseconds from any monotonic clock.
class TrayClickFilter
{
public:
    explicit TrayClickFilter(int doubleClickIntervalMs) : m_interval(doubleClickIntervalMs) {}

    /// Returns true when this activation completes a double click.
    bool activated(QSystemTrayIcon::ActivationReason reason, qint64 nowMs);

private:
    int m_interval;
    qint64 m_lastTrigger = -1;
    qint64 m_lastToggle = -1;
};
