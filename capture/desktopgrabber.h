#pragma once

#include <QPixmap>
#include <QRect>

/// Grabs the whole virtual desktop, every screen beside the primary one, as
/// one picture in desktop coordinates: the pixel at (x, y) of the picture is
/// the pixel at desktop position geometry().topLeft() + (x, y).
class DesktopGrabber
{
public:
    /// The virtual desktop: the union of the primary screen and its siblings.
    static QRect geometry();
    /// One picture of geometry().size() at device pixel ratio 1, grabbed screen
    /// by screen; areas no screen covers are black. Memory the grab used on
    /// the way is given back to the system.
    static QPixmap grab();
    /// Gives memory freed by the program back to the system (the temporary
    /// buffers of a grab, the pictures of a finished capture).
    static void releaseFreedMemory();
};
