#pragma once

#include <QString>
#include <QStringList>

/// The notebook itself (windows, capture, sync) is a module of its own,
/// libvelmonote_app.so, loaded only when this start runs a notebook. A start
/// that only hands its request to a running notebook (a desktop's key bound
/// to "velmonote -Capture") then loads Qt's core library alone, not the
/// display, widget and D-Bus libraries the notebook needs: on a desktop
/// machine that is some 15 ms less between the key and the capture.
class AppModule
{
public:
    /// Where a library of the program's own (this module, the sound module)
    /// named fileName is looked for, in order, for a program in programDir:
    /// beside it (a build tree), then in the program's private library folder.
    static QStringList candidates(const QString &programDir, const QString &fileName);
    /// Loads the module and runs the notebook with these arguments; returns
    /// the exit status. When no candidate loads, says why on standard error
    /// and returns 1.
    static int run(int argc, char *argv[]);
};
