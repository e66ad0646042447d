#include "x11grabsource.h"

#include <QGuiApplication>
#include <QHash>

#include <X11/Xlib.h>
#include <xcb/randr.h>
#include <xcb/render.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <sys/ipc.h>
#include <sys/mman.h>
#include <sys/shm.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>

namespace {
// A GetImage plane mask that takes every bit of every pixel.
constexpr quint32 EveryPlane = ~0u;
}


std::unique_ptr<X11GrabSource> X11GrabSource::create()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t *c = x11->connection();
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
    if (!screen)
        return nullptr;
    // The overlay paints the picture as QImage::Format_RGB32: 24 or 32 bit
    // deep, 32 bits a pixel, little-endian.
    if (setup->image_byte_order != XCB_IMAGE_ORDER_LSB_FIRST || (screen->root_depth != 24 && screen->root_depth != 32))
        return nullptr;
    bool bits32 = false;
    for (auto it = xcb_setup_pixmap_formats_iterator(setup); it.rem; xcb_format_next(&it)) {
        if (it.data->depth == screen->root_depth)
            bits32 = it.data->bits_per_pixel == 32;
    }
    if (!bits32)
        return nullptr;
    const QRect rootArea(0, 0, screen->width_in_pixels, screen->height_in_pixels);
    std::unique_ptr<X11GrabSource> source(new X11GrabSource(c, screen->root, screen->root_depth, rootArea));
    // Only where it can be painted at once: a 24-bit deep overlay window
    // takes a 24-bit background.
    if (screen->root_depth == 24 && x11->display())
        source->openBackdropConnection();
    return source;
}

X11GrabSource::X11GrabSource(xcb_connection_t *connection, quint32 root, int depth, QRect rootArea)
    : m_connection(connection)
    , m_root(root)
    , m_depth(depth)
    , m_rootArea(rootArea)
{
}

X11GrabSource::~X11GrabSource()
{
    if (m_backdropConnection) {
        cancelGrab();
        xcb_disconnect(m_backdropConnection);
    }
}

bool X11GrabSource::openBackdropConnection()
{
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = xcb_connect(DisplayString(x11->display()), nullptr);
    if (xcb_connection_has_error(c)) {
        xcb_disconnect(c);
        return false;
    }
    const xcb_setup_t *setup = xcb_get_setup(c);
    const xcb_screen_t *screen = xcb_setup_roots_iterator(setup).data;
    const xcb_query_extension_reply_t *render = xcb_get_extension_data(c, &xcb_render_id);
    quint32 format = 0;
    QHash<quint32, quint32> formatOfVisual;
    if (screen && screen->root == m_root && render && render->present) {
        const XcbReply<xcb_render_query_pict_formats_reply_t> formats(
            xcb_render_query_pict_formats_reply(c, xcb_render_query_pict_formats(c), nullptr));
        if (formats) {
            for (auto s = xcb_render_query_pict_formats_screens_iterator(formats.get()); s.rem;
                 xcb_render_pictscreen_next(&s)) {
                for (auto d = xcb_render_pictscreen_depths_iterator(s.data); d.rem; xcb_render_pictdepth_next(&d)) {
                    for (auto v = xcb_render_pictdepth_visuals_iterator(d.data); v.rem; xcb_render_pictvisual_next(&v))
                        formatOfVisual.insert(v.data->visual, v.data->format);
                }
            }
        }
        // The root visual's format describes the root's pixels.
        format = formatOfVisual.value(screen->root_visual);
    }
    if (!format) {
        xcb_disconnect(c);
        return false;
    }
    m_backdropConnection = c;
    m_pictFormat = format;
    // A window of any of these visuals holds pixels laid out as the root's.
    for (auto it = formatOfVisual.cbegin(); it != formatOfVisual.cend(); ++it) {
        if (it.value() == format)
            m_rootLikeVisuals.append(it.key());
    }
    const xcb_query_extension_reply_t *shm = xcb_get_extension_data(c, &xcb_shm_id);
    m_shmPresent = shm && shm->present;
    m_copyGc = xcb_generate_id(c);
    // The root's pixels with every window on it, as the screen shows them.
    const quint32 values[] = {XCB_SUBWINDOW_MODE_INCLUDE_INFERIORS, 0};
    xcb_create_gc(c, m_copyGc, m_root, XCB_GC_SUBWINDOW_MODE | XCB_GC_GRAPHICS_EXPOSURES, values);
    return true;
}

bool X11GrabSource::backdropFailed()
{
    bool failed = false;
    while (const XcbReply<xcb_generic_event_t> event{xcb_poll_for_event(m_backdropConnection)})
        failed = failed || event->response_type == 0;
    return failed;
}

bool X11GrabSource::startGrab(const Backdrop &backdrop)
{
    if (!m_backdropConnection || !backdrop.window || m_grabPending)
        return GrabSource::startGrab(backdrop);
    xcb_connection_t *c = m_backdropConnection;
    backdropFailed();
    m_grabMonitors = monitors();
    m_grabArea = unionOf(m_grabMonitors);
    const quint16 width = quint16(m_grabArea.width());
    const quint16 height = quint16(m_grabArea.height());

    // The desktop frozen on the server, before the window covers it.
    m_frozen = xcb_generate_id(c);
    xcb_create_pixmap(c, quint8(m_depth), m_frozen, m_root, width, height);
    xcb_copy_area(c, m_root, m_frozen, m_copyGc, qint16(m_grabArea.x()), qint16(m_grabArea.y()), 0, 0, width, height);
    // The program's own part comes in the same round trip: when the window
    // is exposed, the server is busy showing it and would answer late.
    const QRect part = backdrop.programPart & QRect(QPoint(0, 0), m_grabArea.size());
    const xcb_get_image_cookie_t partCookie = part.isEmpty() ? xcb_get_image_cookie_t{0} : requestFrozenPart(part);
    // Done before the program's own connection maps the window. The server
    // paints the backdrop in the root's pixel format: the window must have it.
    const XcbReply<xcb_get_window_attributes_reply_t> attributes(
        xcb_get_window_attributes_reply(c, xcb_get_window_attributes(c, backdrop.window), nullptr));
    const bool rootVisual = attributes && m_rootLikeVisuals.contains(attributes->visual);
    if (!part.isEmpty())
        m_programPicture = partFromReply(XcbReply<xcb_get_image_reply_t>(xcb_get_image_reply(c, partCookie, nullptr)), part);
    m_grabPending = true;
    if (!backdropFailed() && rootVisual) {
        m_backdrop = backdrop;
        m_backdrop.programPart = part;
        return true;
    }
    // The server could not (no memory for the pixmap, most likely): the
    // picture straight from the screen, before the window is mapped.
    dropFrozen();
    backdropFailed();
    return GrabSource::startGrab(backdrop);
}

bool X11GrabSource::paintBackdrop(const QRegion &area)
{
    if (!m_grabPending || !m_backdrop.window)
        return false;
    xcb_connection_t *c = m_backdropConnection;
    const xcb_window_t window = m_backdrop.window;
    const QRegion inside = area & QRect(QPoint(0, 0), m_grabArea.size());
    const auto rectangles = [](const QRegion &region) {
        QList<xcb_rectangle_t> list;
        for (const QRect &r : region)
            list.append(xcb_rectangle_t{qint16(r.x()), qint16(r.y()), quint16(r.width()), quint16(r.height())});
        return list;
    };
    for (const QRect &r : inside) {
        xcb_copy_area(c, m_frozen, window, m_copyGc, qint16(r.x()), qint16(r.y()), qint16(r.x()), qint16(r.y()),
                      quint16(r.width()), quint16(r.height()));
    }
    const quint32 picture = xcb_generate_id(c);
    xcb_render_create_picture(c, picture, window, m_pictFormat, 0, nullptr);
    // RENDER takes premultiplied 16-bit channels; from the 8-bit ones the
    // overlay paints with, so both give the same pixels.
    const QRgb veil = qPremultiply(m_backdrop.veil.rgba());
    const xcb_render_color_t veilColor{quint16(qRed(veil) * 257), quint16(qGreen(veil) * 257),
                                       quint16(qBlue(veil) * 257), quint16(qAlpha(veil) * 257)};
    const QList<xcb_rectangle_t> veiled = rectangles(inside);
    xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_OVER, picture, veilColor, quint32(veiled.size()),
                               veiled.constData());
    const QList<xcb_rectangle_t> black = rectangles(inside & m_backdrop.uncovered);
    if (!black.isEmpty()) {
        xcb_render_fill_rectangles(c, XCB_RENDER_PICT_OP_SRC, picture, xcb_render_color_t{0, 0, 0, 0xffff},
                                   quint32(black.size()), black.constData());
    }
    xcb_render_free_picture(c, picture);
    // No round trip: the picture's own requests on this connection come
    // after these, and nothing else paints this part before the picture.
    xcb_flush(c);
    return true;
}

void *X11GrabSource::attachSegment(size_t bytes, quint32 *segment)
{
    if (!m_shmPresent)
        return nullptr;
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return nullptr;
    void *address = shmat(id, nullptr, 0);
    // Gone from the system once both sides have let go of it.
    shmctl(id, IPC_RMID, nullptr);
    if (address == reinterpret_cast<void *>(-1))
        return nullptr;
    // Made resident by the program in one go, instead of page by page by
    // the server while it copies, which holds up every other client.
    if (madvise(address, bytes, MADV_POPULATE_WRITE) != 0) {
        const long page = sysconf(_SC_PAGESIZE);
        for (size_t at = 0; at < bytes; at += size_t(page))
            static_cast<volatile char *>(address)[at] = 0;
    }
    *segment = xcb_generate_id(m_backdropConnection);
    xcb_shm_attach(m_backdropConnection, *segment, quint32(id), 0);
    return address;
}

QImage X11GrabSource::pendingPart(const QRect &area)
{
    if (!m_grabPending)
        return GrabSource::pendingPart(area);
    const QRect part = area & QRect(QPoint(0, 0), m_grabArea.size());
    if (part.isEmpty())
        return QImage();
    if (part == m_backdrop.programPart && !m_programPicture.isNull())
        return m_programPicture;
    return partFromReply(frozenPart(part), part);
}

QImage X11GrabSource::partFromReply(XcbReply<xcb_get_image_reply_t> reply, const QRect &part) const
{
    QList<QRect> monitors;
    for (const QRect &monitor : std::as_const(m_grabMonitors))
        monitors.append(monitor.translated(-m_grabArea.topLeft() - part.topLeft()));
    return pictureFromReply(std::move(reply), QRect(QPoint(0, 0), part.size()), monitors);
}

void X11GrabSource::cancelGrab()
{
    if (!m_grabPending)
        return GrabSource::cancelGrab();
    dropFrozen();
}

void X11GrabSource::dropFrozen()
{
    m_grabPending = false;
    xcb_free_pixmap(m_backdropConnection, m_frozen);
    xcb_flush(m_backdropConnection);
    m_frozen = 0;
    m_backdrop = Backdrop();
    m_programPicture = QImage();
}

QImage X11GrabSource::finishGrab()
{
    if (!m_grabPending)
        return GrabSource::finishGrab();
    m_grabPending = false;
    QImage picture = frozenThroughSegment();
    if (picture.isNull()) {
        const QRect area(QPoint(0, 0), m_grabArea.size());
        picture = pictureFromReply(frozenPart(area), area, m_grabMonitors);
    } else if (m_grabMonitors.size() > 1 || m_grabMonitors.first() != m_grabArea) {
        blackOutUncovered(&picture, m_grabArea, m_grabMonitors);
    }
    dropFrozen();
    return picture;
}

QImage X11GrabSource::frozenThroughSegment()
{
    xcb_connection_t *c = m_backdropConnection;
    const int width = m_grabArea.width();
    const int height = m_grabArea.height();
    quint32 segment = 0;
    void *address = attachSegment(size_t(width) * size_t(height) * 4, &segment);
    if (!address)
        return QImage();
    // In bands, one after the other: between two bands the server serves
    // the window manager and the compositor, which are putting the overlay
    // on the screen about now, instead of waiting for one long copy.
    constexpr int Bands = 8;
    const int bandRows = (height + Bands - 1) / Bands;
    bool complete = true;
    for (int top = 0; top < height && complete; top += bandRows) {
        const XcbReply<xcb_shm_get_image_reply_t> reply(xcb_shm_get_image_reply(
            c,
            xcb_shm_get_image(c, m_frozen, 0, qint16(top), quint16(width), quint16(std::min(bandRows, height - top)),
                              EveryPlane, XCB_IMAGE_FORMAT_Z_PIXMAP, segment, quint32(top) * quint32(width) * 4),
            nullptr));
        complete = reply != nullptr;
    }
    xcb_shm_detach(c, segment);
    xcb_flush(c);
    if (!complete) {
        shmdt(address);
        return QImage();
    }
    return QImage(
        static_cast<uchar *>(address), width, height, qsizetype(width) * 4, QImage::Format_RGB32,
        [](void *memory) { shmdt(memory); }, address);
}

xcb_get_image_cookie_t X11GrabSource::requestFrozenPart(const QRect &area)
{
    return xcb_get_image(m_backdropConnection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_frozen, qint16(area.x()),
                         qint16(area.y()), quint16(area.width()), quint16(area.height()), EveryPlane);
}

XcbReply<xcb_get_image_reply_t> X11GrabSource::frozenPart(const QRect &area)
{
    return XcbReply<xcb_get_image_reply_t>(xcb_get_image_reply(m_backdropConnection, requestFrozenPart(area), nullptr));
}

QList<QRect> X11GrabSource::monitors() const
{
    QList<QRect> result;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(m_connection, &xcb_randr_id);
    if (ext && ext->present) {
        const XcbReply<xcb_randr_query_version_reply_t> version(xcb_randr_query_version_reply(
            m_connection, xcb_randr_query_version(m_connection, 1, 5), nullptr));
        const bool monitorList = version && (version->major_version > 1 || version->minor_version >= 5);
        if (monitorList) {
            const XcbReply<xcb_randr_get_monitors_reply_t> reply(xcb_randr_get_monitors_reply(
                m_connection, xcb_randr_get_monitors(m_connection, m_root, 1), nullptr));
            if (reply) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(reply.get()); it.rem;
                     xcb_randr_monitor_info_next(&it)) {
                    const QRect monitor = QRect(it.data->x, it.data->y, it.data->width, it.data->height) & m_rootArea;
                    if (monitor.isEmpty())
                        continue;
                    if (it.data->primary)
                        result.prepend(monitor);
                    else
                        result.append(monitor);
                }
            }
        }
    }
    if (result.isEmpty())
        result.append(m_rootArea);
    return result;
}

QImage X11GrabSource::grab()
{
    const QList<QRect> screens = monitors();
    const QRect area = unionOf(screens);
    XcbReply<xcb_get_image_reply_t> reply(xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, qint16(area.x()), qint16(area.y()),
                      quint16(area.width()), quint16(area.height()), EveryPlane),
        nullptr));
    return pictureFromReply(std::move(reply), area, screens);
}

QImage X11GrabSource::pictureFromReply(XcbReply<xcb_get_image_reply_t> reply, const QRect &area,
                                       const QList<QRect> &monitors)
{
    if (!reply)
        return QImage();
    const qsizetype bytesPerLine = qsizetype(area.width()) * 4;
    if (qsizetype(xcb_get_image_data_length(reply.get())) < bytesPerLine * area.height())
        return QImage();
    // The reply is one allocation: its pixels are the picture's until the
    // last copy of the image is gone.
    uchar *pixels = xcb_get_image_data(reply.get());
    QImage picture(pixels, area.width(), area.height(), bytesPerLine, QImage::Format_RGB32, free, reply.release());
    if (monitors.size() > 1 || monitors.first() != area)
        blackOutUncovered(&picture, area, monitors);
    return picture;
}
