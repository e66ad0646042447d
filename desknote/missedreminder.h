#pragma once

#include "clocksettings.h"

#include <QDateTime>

/// Which time reminder fell due while the program was not running. The
/// reminder recurs every year on its month, day and time (as
/// ReminderSchedule arms it); moments are compared as local wall-clock
/// readings, so a daylight-saving change neither hides nor invents one.
class MissedReminder
{
public:
    /// The latest occurrence of the time reminder after lastRun (the last
    /// moment the program is known to have been running) and at or before
    /// now, in local time; invalid when none fell due, the time reminder is
    /// off, there was no last run, or the clock now reads earlier than
    /// lastRun (set back: nothing can have been missed in between).
    static QDateTime latest(const ClockSettings &reminder, const QDateTime &lastRun, const QDateTime &now);
};
