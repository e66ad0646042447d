#include "windowposition.h"

#include <QGuiApplication>
#include <QScreen>
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

void centreOver(QWidget *window, const QWidget *over)
{
    QScreen *screen = over ? over->screen() : QGuiApplication::primaryScreen();
    if (!screen)
        return;
    const QRect free = screen->availableGeometry();
    const QRect around = over ? QRect(onScreen(over), over->size()) : free;
    QRect frame(QPoint(0, 0), window->size());
    frame.moveCenter(around.center());
    frame.moveLeft(qBound(free.left(), frame.left(), qMax(free.left(), free.right() + 1 - frame.width())));
    frame.moveTop(qBound(free.top(), frame.top(), qMax(free.top(), free.bottom() + 1 - frame.height())));
    window->move(frame.topLeft());
}

}
