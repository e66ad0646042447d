#include "intervalschedule.h"

#include <algorithm>

void IntervalSchedule::start(qint64 nowMs, int minutes, bool repeat)
{
    if (minutes <= 0) {
        stop();
        return;
    }
    m_active = true;
    m_repeat = repeat;
    m_periodMs = qint64(minutes) * 60000;
    m_deadline = nowMs + m_periodMs;
}

void IntervalSchedule::stop()
{
    m_active = false;
}

int IntervalSchedule::waitMs(qint64 nowMs) const
{
    return int(std::clamp<qint64>(m_deadline - nowMs, 0, MaxWaitMs));
}

bool IntervalSchedule::timeout(qint64 nowMs)
{
    if (!m_active || nowMs < m_deadline)
        return false;
    if (!m_repeat) {
        m_active = false;
        return true;
    }
    // The next deadline keeps the rhythm of the first one.
    const qint64 periodsPassed = (nowMs - m_deadline) / m_periodMs + 1;
    m_deadline += periodsPassed * m_periodMs;
    return true;
}
