#include "capturehandoff.h"

#include "pinstandin.h"

#include <QCoreApplication>

#include <cmath>
#include <utility>

CaptureHandoff *CaptureHandoff::instance()
{
    // Lives as long as the application (its child), so connections made by
    // the main window end with it.
    static CaptureHandoff *handoff = new CaptureHandoff(QCoreApplication::instance());
    return handoff;
}

QImage CaptureHandoff::cut(const QImage &picture, const QRect &area)
{
    QImage part = picture.copy(area);
    // A grab from the X server leaves the unused byte of its 32-bit pixels
    // zero; painted into a translucent window, such pixels would count as
    // transparent. Made opaque in place (the pixels stay RGB32).
    if (part.format() == QImage::Format_RGB32) {
        part.convertTo(QImage::Format_ARGB32_Premultiplied);
        part.reinterpretAsFormat(QImage::Format_RGB32);
    }
    return part;
}

QRect CaptureHandoff::logicalPlace(const QRect &area, QPoint origin, qreal ratio)
{
    if (ratio <= 0)
        ratio = 1;
    const QPoint topLeft(int(std::lround(area.x() / ratio)), int(std::lround(area.y() / ratio)));
    const QSize size(int(std::lround(area.width() / ratio)), int(std::lround(area.height() / ratio)));
    return QRect(origin + topLeft, size);
}

void CaptureHandoff::pin(const QImage &desktop, const QRect &area, const QRect &place, const QDateTime &captured)
{
    // The stand-in paints straight from the overlay's picture: the copy the
    // note keeps is cut after the overlay has gone, off the way to the screen.
    auto *standIn = new PinStandIn(desktop, area, place);
    // The note is built on a later turn of the event loop: the overlay goes
    // first. Single shot: the desktop's picture is not held past it.
    connect(
        standIn, &PinStandIn::shown, this,
        [this, standIn = QPointer<PinStandIn>(standIn), desktop, area, place, captured] {
            const QImage picture = cut(desktop, area);
            if (standIn)
                standIn->keepOnly(picture);
            m_standIn = standIn;
            emit pinWanted(picture, place, captured);
        },
        Qt::ConnectionType(Qt::QueuedConnection | Qt::SingleShotConnection));
    standIn->showPicture();
}

void CaptureHandoff::pinnedIn(QWidget *window)
{
    if (m_standIn)
        std::exchange(m_standIn, nullptr)->retireWhenShown(window);
}
