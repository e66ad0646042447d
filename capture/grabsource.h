#pragma once

#include <QImage>
#include <QList>
#include <QRect>

#include <memory>

/// Where the capture overlay's picture comes from: the whole desktop frozen
/// into one image, in the window system's own pixels.
///
/// Coordinates are device pixels of the window system, the same numbers the
/// root window uses: desktop() is the union of the monitors, and the pixel at
/// (x, y) of the picture is the one at desktop().topLeft() + (x, y). Areas no
/// monitor covers are black in the picture. A source may hand out pictures
/// that live in memory shared with the window system; the memory goes back
/// to the system when the last copy of the QImage is gone.
class GrabSource
{
public:
    virtual ~GrabSource();

    /// The union of the monitors, in device pixels.
    virtual QRect desktop() const = 0;
    /// Every monitor, in device pixels, the primary first.
    virtual QList<QRect> monitors() const = 0;
    /// The desktop as it is now, desktop().size() large; a null image when
    /// the grab failed.
    virtual QImage grab() = 0;

    /// The best source for this session: the X server on X11, Qt's own screen
    /// grab elsewhere.
    static std::unique_ptr<GrabSource> create();

    /// Blacks out what no monitor covers (picture in desktop coordinates).
    static void blackOutUncovered(QImage *picture, const QRect &desktop, const QList<QRect> &monitors);
};
