#include "x11shmpresenter.h"

#include "xcbreply.h"

#include <QGuiApplication>
#include <QImage>
#include <QPainter>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>

#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <algorithm>
#include <cstdlib>

namespace {
// A strip is never thinner than this, however many a window is cut into.
constexpr int MinStripRows = 16;

/// Waits for the reply of a round trip: the server has handled every
/// request sent before it.
void awaitRoundTrip(xcb_connection_t *c, xcb_get_input_focus_cookie_t done)
{
    const XcbReply<xcb_get_input_focus_reply_t> reply(xcb_get_input_focus_reply(c, done, nullptr));
}
}

struct X11ShmPresenter::Strip
{
    int id = -1;
    uchar *memory = nullptr;
    size_t bytes = 0;
    quint32 segment = 0;
    /// The round trip sent after this strip's last put: its reply means the
    /// server has copied the strip and it may be painted again.
    bool pending = false;
    xcb_get_input_focus_cookie_t done{};
};

std::unique_ptr<X11ShmPresenter> X11ShmPresenter::create(quint32 window, QSize windowSize, int stripsPerWindow)
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection() || !window || windowSize.isEmpty())
        return nullptr;
    xcb_connection_t *c = x11->connection();
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_shm_id);
    if (!ext || !ext->present)
        return nullptr;
    const xcb_setup_t *setup = xcb_get_setup(c);
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST)
        return nullptr;
    const XcbReply<xcb_get_geometry_reply_t> geometry(xcb_get_geometry_reply(c, xcb_get_geometry(c, window), nullptr));
    if (!geometry)
        return nullptr;
    const int depth = geometry->depth;
    // A 32-bit deep window would take the picture's unused byte as alpha.
    if (depth != 24)
        return nullptr;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == depth && it.data->bits_per_pixel != 32)
            return nullptr;
    }
    const quint32 gc = xcb_generate_id(c);
    const quint32 noExposures = 0;
    xcb_create_gc(c, gc, window, XCB_GC_GRAPHICS_EXPOSURES, &noExposures);
    return std::unique_ptr<X11ShmPresenter>(new X11ShmPresenter(c, window, gc, depth, windowSize, std::max(1, stripsPerWindow)));
}

X11ShmPresenter::X11ShmPresenter(xcb_connection_t *connection, quint32 window, quint32 gc, int depth,
                                 QSize windowSize, int stripsPerWindow)
    : m_connection(connection)
    , m_window(window)
    , m_gc(gc)
    , m_depth(depth)
    , m_windowSize(windowSize)
{
    m_stripRows = std::max(MinStripRows, (windowSize.height() + stripsPerWindow - 1) / stripsPerWindow);
}

X11ShmPresenter::~X11ShmPresenter()
{
    release();
    xcb_free_gc(m_connection, m_gc);
    xcb_flush(m_connection);
}

bool X11ShmPresenter::makeStrip(int index)
{
    // Each when first needed: one put of a small window uses one strip.
    std::unique_ptr<Strip> &strip = m_strips[index];
    if (strip)
        return true;
    const size_t bytes = size_t(m_windowSize.width()) * size_t(m_stripRows) * 4;
    auto made = std::make_unique<Strip>();
    made->id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (made->id < 0)
        return false;
    void *address = shmat(made->id, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(made->id, IPC_RMID, nullptr);
        return false;
    }
    made->memory = static_cast<uchar *>(address);
    // Its pages made present in one go: a fault per page as it is first
    // painted costs several times as much on a virtual machine.
    ::madvise(address, bytes, MADV_POPULATE_WRITE);
    made->bytes = bytes;
    made->segment = xcb_generate_id(m_connection);
    const XcbReply<xcb_generic_error_t> error(xcb_request_check(
        m_connection, xcb_shm_attach_checked(m_connection, made->segment, quint32(made->id), 1)));
    shmctl(made->id, IPC_RMID, nullptr);
    if (error) {
        shmdt(address);
        return false;
    }
    strip = std::move(made);
    return true;
}

void X11ShmPresenter::release()
{
    for (auto &strip : m_strips) {
        if (!strip)
            continue;
        if (strip->pending)
            awaitRoundTrip(m_connection, strip->done);
        xcb_shm_detach(m_connection, strip->segment);
        shmdt(strip->memory);
        strip.reset();
    }
    xcb_flush(m_connection);
}

bool X11ShmPresenter::present(const QRegion &region, const PaintFunction &paint, Completion completion)
{
    if (!makeStrip(0))
        return false;
    int current = 0;
    // Bytes of the current strip already holding bands put in this present:
    // small areas (a drag's frame and handles) share one strip and one round
    // trip instead of taking one each.
    size_t used = 0;
    const QRect window(QPoint(0, 0), m_windowSize);
    for (const QRect &wanted : region) {
        const QRect area = wanted & window;
        if (area.isEmpty())
            continue;
        const size_t lineBytes = size_t(area.width()) * 4;
        const int rows = std::min(m_stripRows, int(m_strips[0]->bytes / lineBytes));
        for (int top = area.top(); top <= area.bottom(); top += rows) {
            const QRect band(area.left(), top, area.width(), std::min(rows, area.bottom() + 1 - top));
            const size_t bandBytes = lineBytes * size_t(band.height());
            if (used > 0 && used + bandBytes > m_strips[current]->bytes) {
                // Full: let the server copy it while the other one is painted.
                Strip &full = *m_strips[current];
                full.done = xcb_get_input_focus(m_connection);
                full.pending = true;
                xcb_flush(m_connection);
                current = 1 - current;
                used = 0;
                if (!makeStrip(current))
                    return false;
            }
            Strip &strip = *m_strips[current];
            // The server may still be copying what this strip held before.
            if (strip.pending) {
                awaitRoundTrip(m_connection, strip.done);
                strip.pending = false;
            }
            {
                QImage image(strip.memory + used, band.width(), band.height(), qsizetype(lineBytes),
                             QImage::Format_RGB32);
                QPainter painter(&image);
                painter.translate(-band.topLeft());
                painter.setClipRect(band);
                paint(painter, band);
            }
            xcb_shm_put_image(m_connection, m_window, m_gc, quint16(band.width()), quint16(band.height()), 0, 0,
                              quint16(band.width()), quint16(band.height()), qint16(band.x()), qint16(band.y()),
                              quint8(m_depth), XCB_IMAGE_FORMAT_Z_PIXMAP, 0, strip.segment, quint32(used));
            used += bandBytes;
        }
    }
    if (used > 0) {
        m_strips[current]->done = xcb_get_input_focus(m_connection);
        m_strips[current]->pending = true;
    }
    xcb_flush(m_connection);
    if (completion == Completion::Sent)
        return true;
    for (auto &strip : m_strips) {
        if (strip && strip->pending) {
            awaitRoundTrip(m_connection, strip->done);
            strip->pending = false;
        }
    }
    return true;
}
