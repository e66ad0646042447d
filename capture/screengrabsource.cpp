#include "screengrabsource.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPixmap>
#include <QScreen>

namespace {
// A screen's device pixels: Qt keeps a screen's top-left corner and divides
// only its size by the scale factor.
QRect devicePixels(const QScreen *screen)
{
    const QRect logical = screen->geometry();
    return QRect(logical.topLeft(), (QSizeF(logical.size()) * screen->devicePixelRatio()).toSize());
}
}

QList<QRect> ScreenGrabSource::monitors() const
{
    QList<QRect> result;
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return result;
    result.append(devicePixels(primary));
    for (const QScreen *screen : primary->virtualSiblings()) {
        if (screen != primary)
            result.append(devicePixels(screen));
    }
    return result;
}

QImage ScreenGrabSource::grab()
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    if (!primary)
        return QImage();
    const QRect area = desktop();
    QImage picture(area.size(), QImage::Format_RGB32);
    picture.fill(Qt::black);
    QPainter painter(&picture);
    for (QScreen *screen : primary->virtualSiblings()) {
        QPixmap shot = screen->grabWindow(0);
        shot.setDevicePixelRatio(1);
        painter.drawPixmap(devicePixels(screen).topLeft() - area.topLeft(), shot);
    }
    return picture;
}
