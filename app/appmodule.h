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
    /// The module's file name.
    static const char *fileName();
    /// Where the module is looked for, in order, for a program in programDir:
    /// beside it (a build tree), then in the program's private library folder.
    static QStringList candidates(const QString &programDir);
    /// Loads the module and runs the notebook with these arguments; returns
    /// the exit status. When no candidate loads, says why on standard error
    /// and returns 1.
    static int run(int argc, char *argv[]);
};
