#pragma once

#include <QRegion>

#include <functional>
#include <memory>

class QPainter;
struct xcb_connection_t;

/// Puts what the overlay paints on its X11 window without a window-sized
/// buffer: the region is painted band by band into two small shared-memory
/// strips, and the X server copies each strip into the window while the next
/// one is painted. So a full-screen overlay holds its picture and a few rows,
/// not a second full-screen frame.
///
/// Coordinates are the window's device pixels. The painter handed to the
/// paint function maps those coordinates onto the strip, and is clipped to
/// the area it is asked to paint.
class X11ShmPresenter
{
public:
    using PaintFunction = std::function<void(QPainter &, const QRect &)>;

    ~X11ShmPresenter();

    /// Null unless Qt runs on xcb with MIT-SHM and the window is 24 bits deep
    /// with 32-bit pixels, which take QImage::Format_RGB32 as it is.
    /// stripsPerWindow: how many strips it takes to cover the window's
    /// height; one puts a whole window at once, with one round trip.
    static std::unique_ptr<X11ShmPresenter> create(quint32 window, QSize windowSize, int stripsPerWindow = 40);

    enum class Completion {
        /// present() returns once the X server has every pixel.
        Copied,
        /// It returns once the requests are sent; the server takes them in
        /// order with anything sent after them.
        Sent
    };
    /// Paints the region through paint() and puts it on the window.
    bool present(const QRegion &region, const PaintFunction &paint, Completion completion = Completion::Copied);
    quint32 window() const { return m_window; }
    QSize windowSize() const { return m_windowSize; }
    /// Gives the strips back to the system; the next present() makes new ones.
    void release();

private:
    struct Strip;
    X11ShmPresenter(xcb_connection_t *connection, quint32 window, quint32 gc, int depth, QSize windowSize,
                    int stripsPerWindow);
    bool makeStrip(int index);

    xcb_connection_t *m_connection;
    quint32 m_window;
    quint32 m_gc;
    int m_depth;
    QSize m_windowSize;
    int m_stripRows = 0;
    std::unique_ptr<Strip> m_strips[2];
};
