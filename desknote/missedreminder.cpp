#include "missedreminder.h"

#include <QTimeZone>

namespace {
// 29 February recurs at most eight years apart (1896 -> 1904).
constexpr int YearsBack = 8;

/// The local reading as a zone-free value, as ReminderSchedule compares.
QDateTime wallClock(const QDateTime &t)
{
    const QDateTime local = t.toLocalTime();
    const QTime time = local.time();
    return QDateTime(local.date(), QTime(time.hour(), time.minute(), time.second()), Qt::UTC);
}
}

QDateTime MissedReminder::latest(const ClockSettings &reminder, const QDateTime &lastRun, const QDateTime &now)
{
    if (!reminder.timeActive || !reminder.remindTime.isValid() || !lastRun.isValid() || !now.isValid())
        return QDateTime();
    const QDateTime from = wallClock(lastRun);
    const QDateTime to = wallClock(now);
    if (to <= from)
        return QDateTime();
    const QDateTime moment = wallClock(reminder.remindTime);
    const QTime time = moment.time();
    for (int year = to.date().year(); year >= to.date().year() - YearsBack; --year) {
        const QDate date(year, moment.date().month(), moment.date().day());
        if (!date.isValid())
            continue;
        const QDateTime occurrence(date, time, Qt::UTC);
        if (occurrence > to)
            continue;
        if (occurrence <= from)
            return QDateTime();
        QDateTime local(date, time, Qt::LocalTime);
        // A reading a spring-forward skipped (Qt calls it invalid, or shifts
        // it) fell due when the clock jumped past it.
        if (!local.isValid() || local.date() != date || local.time() != time) {
            const QDateTime dayBefore(date.addDays(-1), time, Qt::LocalTime);
            const QTimeZone::OffsetData jump = QTimeZone::systemTimeZone().nextTransition(dayBefore);
            if (jump.atUtc.isValid())
                local = jump.atUtc.toLocalTime();
        }
        return local;
    }
    return QDateTime();
}
