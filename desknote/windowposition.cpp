#include "windowposition.h"

#include <QGuiApplication>
#include <QtGui/qguiapplication_platform.h>
#include <QWidget>
#include <QWindow>

#include <xcb/xcb.h>

#include <cstdlib>

namespace WindowPosition {

QPoint onScreen(const QWidget *window)
{
    auto *x11 = qApp ? qApp->nativeInterface<QNativeInterface::QX11Application>() : nullptr;
    xcb_connection_t *connection = x11 ? x11->connection() : nullptr;
    const QWindow *native = window->windowHandle();
    if (!connection || !native || !native->handle())
        return window->pos();
    // Not QWidget::winId(): it keeps the old id after setWindowFlags() has
    // replaced the native window.
    const auto id = xcb_window_t(native->winId());
    xcb_get_geometry_reply_t *geometry = xcb_get_geometry_reply(connection, xcb_get_geometry(connection, id), nullptr);
    if (!geometry)
        return window->pos();
    xcb_translate_coordinates_reply_t *translated = xcb_translate_coordinates_reply(
        connection, xcb_translate_coordinates(connection, id, geometry->root, 0, 0), nullptr);
    std::free(geometry);
    if (!translated)
        return window->pos();
    const QPoint at(translated->dst_x, translated->dst_y);
    std::free(translated);
    // X works in device pixels.
    return at / window->devicePixelRatio();
}

}
