#include "portalgrabsource.h"

#include <utility>

PortalGrabSource::PortalGrabSource(QImage picture)
    : m_picture(std::move(picture))
{
    // Qt's screens on XWayland have a ratio of 1 and logical sizes; with
    // every output at scale 1 the picture is exactly as large as they are.
    const QRect screens = ScreenGrabSource::desktop();
    if (!m_picture.isNull() && screens.width() > 0)
        m_scale = qreal(m_picture.width()) / screens.width();
}

QRect PortalGrabSource::desktop() const
{
    const QRect screens = ScreenGrabSource::desktop();
    if (m_picture.isNull())
        return screens;
    return QRect(screens.topLeft(), m_picture.size());
}

QList<QRect> PortalGrabSource::monitors() const
{
    QList<QRect> result = ScreenGrabSource::monitors();
    if (m_scale <= 0 || qFuzzyCompare(m_scale, 1.0))
        return result;
    // Pixels of the picture, counted from the layout's corner.
    const QPoint corner = unionOf(result).topLeft();
    for (QRect &monitor : result) {
        const QPointF from = QPointF(monitor.topLeft() - corner) * m_scale;
        monitor = QRect(corner + from.toPoint(), (QSizeF(monitor.size()) * m_scale).toSize());
    }
    return result;
}

qreal PortalGrabSource::pixelRatio() const
{
    return ScreenGrabSource::pixelRatio() * (m_scale > 0 ? m_scale : 1.0);
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
