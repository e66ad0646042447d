#pragma once

#include <QPoint>
#include <QStringList>

/// Drives the real X server the way a user's keyboard and mouse would
/// (xdotool, through XTest), and reads its lock state, for the capture tests.
class DesktopDriver
{
public:
    /// Runs xdotool with the arguments; true when it succeeded.
    static bool xdotool(const QStringList &args);
    static bool key(const QString &keys);
    static bool movePointer(QPoint to);
    static bool pressButton(int button);
    static bool releaseButton(int button);
    /// The X modifier state now, lock bits included.
    static unsigned int modifierState();
    /// Switches Caps Lock and Num Lock to the given states.
    static bool setLocks(bool capsLock, bool numLock);
};
