#include "sessionkind.h"

#include <QByteArray>
#include <QString>

bool SessionKind::isWayland()
{
    return !qEnvironmentVariableIsEmpty("WAYLAND_DISPLAY")
        || qEnvironmentVariable("XDG_SESSION_TYPE").compare(QLatin1String("wayland"), Qt::CaseInsensitive) == 0;
}

bool SessionKind::preferXWayland()
{
    if (!isWayland() || !qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM") || qEnvironmentVariableIsEmpty("DISPLAY"))
        return false;
    qputenv("QT_QPA_PLATFORM", "xcb");
    return true;
}
