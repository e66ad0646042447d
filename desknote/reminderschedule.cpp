#include "reminderschedule.h"

#include <QTimeZone>

namespace {
// 29 February recurs at most eight years apart (1896 -> 1904).
constexpr int YearsBack = 8;
}

QDateTime ReminderSchedule::wallClock(const QDateTime &t)
{
    // The local reading as a zone-free value: "MMddhhmmss" on the wall.
    const QDateTime local = t.toLocalTime();
    return QDateTime(local.date(), local.time(), Qt::UTC);
}

void ReminderSchedule::arm(const QDateTime &remindTime, const QDateTime &now)
{
    const QDateTime wall = wallClock(remindTime);
    m_month = wall.date().month();
    m_day = wall.date().day();
    const QTime t = wall.time();
    m_time = QTime(t.hour(), t.minute(), t.second());
    m_previous = wallClock(now);
    m_lastFired = QDateTime();
    m_armed = true;
}

void ReminderSchedule::disarm()
{
    m_armed = false;
}

QDateTime ReminderSchedule::latestOccurrence(const QDateTime &at) const
{
    for (int year = at.date().year(); year >= at.date().year() - YearsBack; --year) {
        const QDate date(year, m_month, m_day);
        if (!date.isValid())
            continue;
        const QDateTime moment(date, m_time, Qt::UTC);
        if (moment <= at)
            return moment;
    }
    return QDateTime();
}

bool ReminderSchedule::tick(const QDateTime &now)
{
    if (!m_armed)
        return false;
    const QDateTime wall = wallClock(now);
    const QDateTime previous = m_previous;
    m_previous = wall;
    const QDateTime moment = latestOccurrence(wall);
    if (!moment.isValid() || moment <= previous)
        return false;
    if (m_lastFired.isValid() && moment <= m_lastFired)
        return false;
    m_lastFired = moment;
    return true;
}
