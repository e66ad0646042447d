#include "portalgrabsource.h"

#include <utility>

PortalGrabSource::PortalGrabSource(QImage picture)
    : m_picture(std::move(picture))
{
}

QRect PortalGrabSource::desktop() const
{
    const QRect screens = ScreenGrabSource::desktop();
    if (m_picture.isNull())
        return screens;
    return QRect(screens.topLeft(), m_picture.size());
}

QImage PortalGrabSource::grab()
{
    QImage picture = std::exchange(m_picture, QImage());
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
