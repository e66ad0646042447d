#include "portalgrabsource.h"

QImage &PortalGrabSource::pending()
{
    static QImage picture;
    return picture;
}

void PortalGrabSource::setPicture(QImage picture)
{
    pending() = std::move(picture);
}

QRect PortalGrabSource::desktop() const
{
    const QRect screens = ScreenGrabSource::desktop();
    if (pending().isNull())
        return screens;
    return QRect(screens.topLeft(), pending().size());
}

QImage PortalGrabSource::grab()
{
    QImage picture = std::move(pending());
    pending() = QImage();
    if (picture.isNull())
        return picture;
    // The overlay paints 32-bit pixels; the portal's PNG may come as RGB or
    // with alpha.
    if (picture.format() != QImage::Format_RGB32)
        picture = std::move(picture).convertToFormat(QImage::Format_RGB32);
    return picture;
}
