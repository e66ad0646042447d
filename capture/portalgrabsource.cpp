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
    // The overlay paints opaque 32-bit pixels. A screenshot with an alpha
    // channel has the same bytes; it is only read as opaque, not copied.
    if (picture.format() == QImage::Format_ARGB32 || picture.format() == QImage::Format_ARGB32_Premultiplied)
        picture.reinterpretAsFormat(QImage::Format_RGB32);
    else if (picture.format() != QImage::Format_RGB32)
        picture = std::move(picture).convertToFormat(QImage::Format_RGB32);
    return picture;
}
