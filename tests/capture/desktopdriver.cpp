#include "desktopdriver.h"

#include <QGuiApplication>
#include <QProcess>

#include <cstdlib>

#include <xcb/xcb.h>

bool DesktopDriver::xdotool(const QStringList &args)
{
    QProcess process;
    process.start(QStringLiteral("xdotool"), args);
    return process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
        && process.exitCode() == 0;
}

bool DesktopDriver::key(const QString &keys)
{
    return xdotool({QStringLiteral("key"), keys});
}

bool DesktopDriver::movePointer(QPoint to)
{
    return xdotool({QStringLiteral("mousemove"), QString::number(to.x()), QString::number(to.y())});
}

bool DesktopDriver::pressButton(int button)
{
    return xdotool({QStringLiteral("mousedown"), QString::number(button)});
}

bool DesktopDriver::releaseButton(int button)
{
    return xdotool({QStringLiteral("mouseup"), QString::number(button)});
}

unsigned int DesktopDriver::modifierState()
{
    auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
    if (!x11)
        return 0;
    xcb_connection_t *connection = x11->connection();
    const xcb_window_t root = xcb_setup_roots_iterator(xcb_get_setup(connection)).data->root;
    xcb_query_pointer_reply_t *reply =
        xcb_query_pointer_reply(connection, xcb_query_pointer(connection, root), nullptr);
    const unsigned int state = reply ? reply->mask : 0;
    std::free(reply);
    return state;
}

bool DesktopDriver::setLocks(bool capsLock, bool numLock)
{
    const unsigned int state = modifierState();
    if (bool(state & XCB_MOD_MASK_LOCK) != capsLock && !key(QStringLiteral("Caps_Lock")))
        return false;
    if (bool(state & XCB_MOD_MASK_2) != numLock && !key(QStringLiteral("Num_Lock")))
        return false;
    const unsigned int now = modifierState();
    return bool(now & XCB_MOD_MASK_LOCK) == capsLock && bool(now & XCB_MOD_MASK_2) == numLock;
}
