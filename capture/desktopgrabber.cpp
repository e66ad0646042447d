#include "desktopgrabber.h"

#include <QGuiApplication>
#include <QPainter>
#include <QScreen>

#ifdef __GLIBC__
#include <malloc.h>
#endif

void DesktopGrabber::releaseFreedMemory()
{
    // Once the allocator has seen a picture-sized buffer freed, it keeps the
    // next ones in its heap, resident, instead of giving them back.
#ifdef __GLIBC__
    malloc_trim(0);
#endif
}

QRect DesktopGrabber::geometry()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? primary->virtualGeometry() : QRect();
}

QPixmap DesktopGrabber::grab()
{
    QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return QPixmap();
    const QRect desktop = primary->virtualGeometry();
    const QList<QScreen *> screens = primary->virtualSiblings();

    // One screen covering the desktop: its grab is the picture, and skipping
    // the composition saves a full-size copy.
    if (screens.size() == 1 && screens.first()->geometry() == desktop) {
        QPixmap shot = screens.first()->grabWindow(0);
        if (shot.size() == desktop.size()) {
            shot.setDevicePixelRatio(1);
            releaseFreedMemory();
            return shot;
        }
    }

    QPixmap picture(desktop.size());
    picture.fill(Qt::black);
    QPainter painter(&picture);
    for (QScreen *screen : screens) {
        QPixmap shot = screen->grabWindow(0);
        shot.setDevicePixelRatio(1);
        // Scaled only where the screen has a device pixel ratio other than 1.
        const QRect target(screen->geometry().topLeft() - desktop.topLeft(), screen->geometry().size());
        painter.drawPixmap(target, shot);
    }
    painter.end();
    releaseFreedMemory();
    return picture;
}
