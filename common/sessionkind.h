#pragma once

/// What kind of desktop session the program was started in, read from the
/// environment the session manager sets.
class SessionKind
{
public:
    /// A Wayland session: WAYLAND_DISPLAY is set, or XDG_SESSION_TYPE says so.
    /// Then only the desktop (its portals and its own key bindings) can see
    /// the whole screen and every key press, whatever Qt platform we run on.
    static bool isWayland();
    /// Before the application object exists: in a Wayland session with
    /// XWayland, run on Qt's xcb platform unless the user chose one. Desktop
    /// notes need to keep their places and stay on top, which a native
    /// Wayland client cannot ask for. Returns whether it chose xcb.
    static bool preferXWayland();
};
