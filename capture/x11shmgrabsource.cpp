#include "x11shmgrabsource.h"

#include <QGuiApplication>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <xcb/randr.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

#include <cstdlib>

namespace {

/// Detaches a picture's segment once the last QImage using it is gone; the
/// segment was marked for removal when it was made, so this frees it.
void detachSegment(void *address)
{
    shmdt(address);
}

bool hasShm(xcb_connection_t *c)
{
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(c, &xcb_shm_id);
    if (!ext || !ext->present)
        return false;
    xcb_shm_query_version_reply_t *version = xcb_shm_query_version_reply(c, xcb_shm_query_version(c), nullptr);
    const bool ok = version != nullptr;
    free(version);
    return ok;
}

} // namespace

std::unique_ptr<X11ShmGrabSource> X11ShmGrabSource::create()
{
    auto *x11 = qGuiApp ? qGuiApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    if (!x11 || !x11->connection())
        return nullptr;
    xcb_connection_t *c = x11->connection();
    if (!hasShm(c))
        return nullptr;
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
    return std::unique_ptr<X11ShmGrabSource>(new X11ShmGrabSource(c, screen->root, rootArea));
}

X11ShmGrabSource::X11ShmGrabSource(xcb_connection_t *connection, quint32 root, QRect rootArea)
    : m_connection(connection)
    , m_root(root)
    , m_rootArea(rootArea)
{
}

QList<QRect> X11ShmGrabSource::monitors() const
{
    QList<QRect> result;
    const xcb_query_extension_reply_t *ext = xcb_get_extension_data(m_connection, &xcb_randr_id);
    if (ext && ext->present) {
        xcb_randr_query_version_reply_t *version = xcb_randr_query_version_reply(
            m_connection, xcb_randr_query_version(m_connection, 1, 5), nullptr);
        const bool monitorList = version && (version->major_version > 1 || version->minor_version >= 5);
        free(version);
        if (monitorList) {
            xcb_randr_get_monitors_reply_t *reply = xcb_randr_get_monitors_reply(
                m_connection, xcb_randr_get_monitors(m_connection, m_root, 1), nullptr);
            if (reply) {
                for (auto it = xcb_randr_get_monitors_monitors_iterator(reply); it.rem;
                     xcb_randr_monitor_info_next(&it)) {
                    const QRect monitor = QRect(it.data->x, it.data->y, it.data->width, it.data->height) & m_rootArea;
                    if (monitor.isEmpty())
                        continue;
                    if (it.data->primary)
                        result.prepend(monitor);
                    else
                        result.append(monitor);
                }
                free(reply);
            }
        }
    }
    if (result.isEmpty())
        result.append(m_rootArea);
    return result;
}

QRect X11ShmGrabSource::desktop() const
{
    QRect all;
    for (const QRect &monitor : monitors())
        all |= monitor;
    return all;
}

QImage X11ShmGrabSource::grab()
{
    const QList<QRect> screens = monitors();
    QRect area;
    for (const QRect &monitor : screens)
        area |= monitor;
    const qsizetype bytesPerLine = qsizetype(area.width()) * 4;
    const size_t bytes = size_t(bytesPerLine) * size_t(area.height());
    const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
    if (id < 0)
        return QImage();
    void *address = shmat(id, nullptr, 0);
    if (address == reinterpret_cast<void *>(-1)) {
        shmctl(id, IPC_RMID, nullptr);
        return QImage();
    }
    // The fresh pages are left for the X server to fault in as it copies:
    // making them resident here first (MADV_POPULATE_WRITE) measured slower.

    const xcb_shm_seg_t segment = xcb_generate_id(m_connection);
    xcb_generic_error_t *error = xcb_request_check(
        m_connection, xcb_shm_attach_checked(m_connection, segment, quint32(id), 0));
    // Removed from the system once both sides have detached.
    shmctl(id, IPC_RMID, nullptr);
    if (error) {
        free(error);
        shmdt(address);
        return QImage();
    }
    xcb_shm_get_image_reply_t *reply = xcb_shm_get_image_reply(
        m_connection,
        xcb_shm_get_image(m_connection, m_root, qint16(area.x()), qint16(area.y()), quint16(area.width()),
                          quint16(area.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, segment, 0),
        &error);
    xcb_shm_detach(m_connection, segment);
    xcb_flush(m_connection);
    if (!reply) {
        free(error);
        shmdt(address);
        return QImage();
    }
    free(reply);

    QImage picture(static_cast<uchar *>(address), area.width(), area.height(), bytesPerLine, QImage::Format_RGB32,
                   detachSegment, address);
    if (screens.size() > 1 || screens.first() != area)
        blackOutUncovered(&picture, area, screens);
    return picture;
}
