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
    /// by screen; areas no screen covers are black.
    static QPixmap grab();
};
