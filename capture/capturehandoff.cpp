#include "capturehandoff.h"

#include <QCoreApplication>

#include <cmath>

CaptureHandoff *CaptureHandoff::instance()
{
    // Lives as long as the application (its child), so connections made by
    // the main window end with it.
    static CaptureHandoff *handoff = new CaptureHandoff(QCoreApplication::instance());
    return handoff;
}

QImage CaptureHandoff::cut(const QImage &picture, const QRect &area)
{
    return area == picture.rect() ? picture : picture.copy(area);
}

QRect CaptureHandoff::logicalPlace(const QRect &area, QPoint origin, qreal ratio)
{
    if (ratio <= 0)
        ratio = 1;
    const QPoint topLeft(int(std::lround(area.x() / ratio)), int(std::lround(area.y() / ratio)));
    const QSize size(int(std::lround(area.width() / ratio)), int(std::lround(area.height() / ratio)));
    return QRect(origin + topLeft, size);
}
