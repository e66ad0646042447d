#pragma once

#include <QtGlobal>

/// The interval reminder's deadlines on a monotonic millisecond clock. An
/// interval may be longer than one QTimer period can be (a signed 32-bit
/// count of milliseconds, about 24.8 days), so the timer is re-armed with
/// waitMs() until the deadline is reached. One wait is at most an hour: near
/// the 32-bit limit QTimer's own arithmetic overflows.
class IntervalSchedule
{
public:
    /// The longest single wait.
    static constexpr qint64 MaxWaitMs = 60 * 60 * 1000;

    /// Arms the reminder minutes from now; minutes <= 0 disarms it.
    void start(qint64 nowMs, int minutes, bool repeat);
    void stop();
    bool isActive() const { return m_active; }
    qint64 deadlineMs() const { return m_deadline; }

    /// How long the timer should wait next (0 when the deadline has passed).
    int waitMs(qint64 nowMs) const;

    /// The timer ran out at nowMs. True when the reminder fires; a repeating
    /// one then moves on to its next deadline, a single one stops. Periods
    /// missed while the clock stood still are not made up for.
    bool timeout(qint64 nowMs);

private:
    bool m_active = false;
    bool m_repeat = false;
    qint64 m_periodMs = 0;
    qint64 m_deadline = 0;
};
