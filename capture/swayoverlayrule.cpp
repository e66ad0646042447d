#include "swayoverlayrule.h"

#include "logging.h"
#include "swayipc.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

QString SwayOverlayRule::windowRole()
{
    return QStringLiteral("velmonote-capture");
}

bool SwayOverlayRule::ensure()
{
    static const bool taken = [] {
        // The rule matches an X window's role; a native Wayland window has none.
        if (!SwayIpc::isRunning())
            return false;
        // sway keeps every rule it is given until it ends, and has no command
        // to take one back: one rule per sway, not one per start of the
        // program. A mark in the user's runtime folder, named after sway's
        // socket, says it was given.
        const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
        const QString mark = runtime.isEmpty()
            ? QString()
            : QDir(runtime).filePath(QLatin1String("velmonote-overlay-rule.")
                                     + QFileInfo(qEnvironmentVariable("SWAYSOCK")).fileName());
        if (!mark.isEmpty() && QFileInfo::exists(mark))
            return true;
        const QByteArray rule = "for_window [window_role=\"" + windowRole().toUtf8() + "\"] fullscreen enable global";
        QByteArray reply;
        if (!SwayIpc::run(rule, &reply)) {
            qCWarning(lcCapture) << "sway did not take the overlay's window rule:" << reply;
            return false;
        }
        if (!mark.isEmpty()) {
            QFile file(mark);
            if (!file.open(QIODevice::WriteOnly))
                qCWarning(lcCapture) << "cannot mark the overlay's window rule as given:" << mark << file.errorString();
        }
        return true;
    }();
    return taken;
}
