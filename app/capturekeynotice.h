#pragma once

#include <QCoreApplication>
#include <QString>

class NoteStateKeeper;

/// What a user is told when Ctrl+Alt+C cannot be had: the command to bind
/// to a key of their own, once per notebook, since the way around it does
/// not change from start to start.
class CaptureKeyNotice
{
    Q_DECLARE_TR_FUNCTIONS(CaptureKeyNotice)

public:
    /// The notice for reason, or nothing when this notebook has shown it
    /// already; marks it shown. trayMenu: the tray's menu can be reached.
    static QString once(NoteStateKeeper *state, const QString &reason, bool trayMenu);
    static QString title();
};
