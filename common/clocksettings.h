#pragma once

#include <QDateTime>
#include <QString>

/// The reminder of one desktop note, copied between the note and its
/// reminder dialog. Only month, day and time of remindTime count: the time
/// reminder comes back every year on that date.
struct ClockSettings
{
    static QString defaultRingPath() { return QStringLiteral("./ring/ring01.mp3"); }

    bool timeActive = false;
    QDateTime remindTime;
    bool gapActive = false;
    bool gapRepeat = false;
    int gapMinutes = 0;
    QString ringPath = defaultRingPath();
};
