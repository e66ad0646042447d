#pragma once

#include <QByteArray>
#include <QString>

/// Makes sway show the capture overlay over every output at once. sway
/// lets an X window neither place itself nor cover more than one output
/// through the window manager's full-screen state (it fills only the output
/// that has the focus); its own "global" full-screen mode spans the whole
/// desktop, and a window rule given over sway's IPC socket applies it to the
/// overlay's window as it is mapped, before its first frame, so the window
/// has the desktop's size from the start.
class SwayOverlayRule
{
public:
    /// The window role that the rule matches, set on the overlay's window.
    static QString windowRole();
    /// Adds the rule once per process; true when the program runs on XWayland
    /// under sway and sway took it (the
    /// overlay then must not ask for the ordinary full-screen state, which
    /// would take it back to one output).
    static bool ensure();
};
