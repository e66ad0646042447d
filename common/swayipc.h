#pragma once

#include <QByteArray>
#include <QPoint>
#include <QRect>

class QWidget;

/// sway's IPC socket, for what sway does not let an X window do itself: it
/// centres a floating X window when it asks to be placed or moved, and fills
/// one output with a full-screen one. Commands go to the sway named by
/// SWAYSOCK; everything here does nothing elsewhere.
class SwayIpc
{
public:
    /// True when the program runs on XWayland under sway.
    static bool isRunning();
    /// Runs one command; true when sway says it succeeded.
    static bool run(const QByteArray &command, QByteArray *reply = nullptr);

    /// Moves a top-level window to topLeft (global logical coordinates); on
    /// sway, where the window manager's move is not taken, over the socket.
    static void moveWindow(QWidget *window, QPoint topLeft);
    /// Gives a top-level window geometry (global logical coordinates), on
    /// sway over the socket once the window is mapped.
    static void setWindowGeometry(QWidget *window, const QRect &geometry);
    /// Puts a window that is about to be shown where it was placed (its
    /// pos() now), once sway has mapped it.
    static void keepPlaceWhenMapped(QWidget *window);

    /// One message of sway's IPC protocol: its magic, the payload's length
    /// and the message type in the machine's byte order, then the payload.
    static QByteArray message(quint32 type, const QByteArray &payload);
    /// Whether a RUN_COMMAND reply says every command succeeded.
    static bool succeeded(const QByteArray &replyPayload);

    /// Runs command for window when sway shows it; false when it could not
    /// (not on sway, not mapped yet, or tiled).
    static bool placeMapped(QWidget *window, const QByteArray &command);
    /// sway's command that puts a floating window's top-left at topLeft.
    static QByteArray positionCommand(QPoint topLeft);
};
