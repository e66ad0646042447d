#pragma once

#include <QDateTime>

/// When the time reminder of a note fires. The reminder names a month, day
/// and second of the day and recurs every year on it (29 February only in
/// leap years). Times are compared as local wall-clock readings, so a
/// daylight-saving change neither skips nor doubles a reminder.
///
/// A reminder fires on the first tick at or after its moment: a tick that
/// comes late (busy event loop, suspended machine) still fires it, once, and
/// a clock set back never fires the same moment again.
class ReminderSchedule
{
public:
    /// Starts watching for remindTime (milliseconds ignored) from now on;
    /// a moment at or before now waits for its next year.
    void arm(const QDateTime &remindTime, const QDateTime &now);
    void disarm();
    bool isArmed() const { return m_armed; }

    /// One tick of the clock; true when the reminder fires now.
    bool tick(const QDateTime &now);

private:
    static QDateTime wallClock(const QDateTime &t);
    /// The latest yearly occurrence at or before the wall-clock reading at.
    QDateTime latestOccurrence(const QDateTime &at) const;

    bool m_armed = false;
    int m_month = 0;
    int m_day = 0;
    QTime m_time;
    QDateTime m_previous; // wall clock of the last tick
    QDateTime m_lastFired; // the occurrence that fired last
};
