#pragma once

// Small helpers for tests that drive the real X server through xdotool,
// the way a user's mouse and keyboard would.

#include <QPoint>
#include <QProcess>
#include <QStringList>
#include <QTest>

namespace DesktopTools {

inline bool xdotool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

inline bool movePointer(QPoint global)
{
    // The pointer cannot leave the screen: callers pass on-screen points.
    return xdotool({QStringLiteral("mousemove"), QString::number(global.x()), QString::number(global.y())});
}

/// Presses the left button at from, moves in a few steps to to, releases.
inline bool dragPointer(QPoint from, QPoint to, int steps = 5)
{
    if (!movePointer(from))
        return false;
    // Let the hover reach the widget before the press, as a hand would.
    QTest::qWait(100);
    if (!xdotool({QStringLiteral("mousedown"), QStringLiteral("1")}))
        return false;
    QTest::qWait(50);
    for (int i = 1; i <= steps; ++i) {
        const QPoint at = from + (to - from) * i / steps;
        if (!movePointer(at))
            return false;
        QTest::qWait(30);
    }
    QTest::qWait(50);
    return xdotool({QStringLiteral("mouseup"), QStringLiteral("1")});
}

}
