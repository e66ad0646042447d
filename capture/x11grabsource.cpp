#include "x11grabsource.h"

#include <QGuiApplication>

#include <xcb/randr.h>
#include <xcb/xcb.h>

#include <cstdlib>

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
    return std::unique_ptr<X11GrabSource>(new X11GrabSource(c, screen->root, rootArea));
}

X11GrabSource::X11GrabSource(xcb_connection_t *connection, quint32 root, QRect rootArea)
    : m_connection(connection)
    , m_root(root)
    , m_rootArea(rootArea)
{
}

QList<QRect> X11GrabSource::monitors() const
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

QRect X11GrabSource::desktop() const
{
    QRect all;
    for (const QRect &monitor : monitors())
        all |= monitor;
    return all;
}

QImage X11GrabSource::grab()
{
    const QList<QRect> screens = monitors();
    QRect area;
    for (const QRect &monitor : screens)
        area |= monitor;
    xcb_get_image_reply_t *reply = xcb_get_image_reply(
        m_connection,
        xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, qint16(area.x()), qint16(area.y()),
                      quint16(area.width()), quint16(area.height()), ~0u),
        nullptr);
    if (!reply)
        return QImage();
    const qsizetype bytesPerLine = qsizetype(area.width()) * 4;
    if (qsizetype(xcb_get_image_data_length(reply)) < bytesPerLine * area.height()) {
        free(reply);
        return QImage();
    }
    // The reply is one allocation: its pixels are the picture's until the
    // last copy of the image is gone.
    QImage picture(xcb_get_image_data(reply), area.width(), area.height(), bytesPerLine, QImage::Format_RGB32,
                   free, reply);
    if (screens.size() > 1 || screens.first() != area)
        blackOutUncovered(&picture, area, screens);
    return picture;
}
