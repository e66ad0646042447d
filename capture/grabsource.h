#pragma once

#include <QColor>
#include <QImage>
#include <QList>
#include <QRect>
#include <QRegion>

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
    virtual QRect desktop() const;
    /// Every monitor, in device pixels, the primary first.
    virtual QList<QRect> monitors() const = 0;
    /// Device pixels of the picture per logical pixel of the window system's
    /// layout, where windows and the pointer live: the primary screen's
    /// device pixel ratio.
    virtual qreal pixelRatio() const;
    /// The desktop as it is now, desktop().size() large; a null image when
    /// the grab failed.
    virtual QImage grab() = 0;

    /// What the overlay looks like before it has painted anything: the
    /// frozen desktop under a veil, and black where no monitor is.
    struct Backdrop
    {
        /// The overlay's native window, covering desktop() in device pixels.
        quint32 window = 0;
        /// Painted over the desktop, source over.
        QColor veil;
        /// Black, in picture coordinates.
        QRegion uncovered;
        /// The part the program paints itself over the backdrop at once:
        /// fetched with the grab, so that pendingPart() of it is at hand.
        QRect programPart;
    };
    /// Starts a grab whose picture finishGrab() takes. A source that can
    /// also paints the backdrop into the window on the display server
    /// (paintBackdrop()), from the frozen desktop it keeps there, so the
    /// window shows it while the picture is still on its way to the
    /// program; it then returns true. The default grabs at once and
    /// returns false.
    virtual bool startGrab(const Backdrop &backdrop);
    /// Paints that part of the window (picture coordinates) with the
    /// backdrop of the pending grab; false when nothing was painted.
    virtual bool paintBackdrop(const QRegion &area);
    /// Part of the picture startGrab() froze, before finishGrab() takes it
    /// whole (picture coordinates); a null image if the source cannot.
    virtual QImage pendingPart(const QRect &area);
    /// The picture of the last startGrab(); a null image when it failed.
    virtual QImage finishGrab();
    /// Ends the last startGrab() without taking its picture.
    virtual void cancelGrab();

    /// The best source for this session: the X server on X11, Qt's own screen
    /// grab elsewhere.
    static std::unique_ptr<GrabSource> create();

    /// The smallest rectangle holding every monitor.
    static QRect unionOf(const QList<QRect> &monitors);
    /// Blacks out what no monitor covers (picture in desktop coordinates).
    static void blackOutUncovered(QImage *picture, const QRect &desktop, const QList<QRect> &monitors);

private:
    QImage m_started;
};
