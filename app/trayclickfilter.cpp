#include "trayclickfilter.h"

bool TrayClickFilter::activated(QSystemTrayIcon::ActivationReason reason, qint64 nowMs)
{
    const auto within = [this, nowMs](qint64 then) { return then >= 0 && nowMs - then <= m_interval; };
    switch (reason) {
    case QSystemTrayIcon::DoubleClick:
        m_lastTrigger = -1;
        // A host that sends both forms must not toggle twice for one gesture.
        if (within(m_lastToggle))
            return false;
        m_lastToggle = nowMs;
        return true;
    case QSystemTrayIcon::Trigger:
        if (m_singleClick) {
            if (within(m_lastToggle))
                return false;
            m_lastToggle = nowMs;
            return true;
        }
        if (within(m_lastTrigger)) {
            m_lastTrigger = -1;
            m_lastToggle = nowMs;
            return true;
        }
        m_lastTrigger = nowMs;
        return false;
    default:
        return false;
    }
}
