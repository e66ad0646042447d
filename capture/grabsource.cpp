#include "grabsource.h"

#include "portalgrabsource.h"
#include "screengrabsource.h"
#include "sessionkind.h"
#include "x11grabsource.h"

#include <QGuiApplication>
#include <QRegion>
#include <QScreen>

#include <algorithm>
#include <utility>

namespace {
constexpr quint32 OpaqueBlack = 0xff000000;
}

GrabSource::~GrabSource() = default;

std::unique_ptr<GrabSource> GrabSource::create()
{
    // On Wayland only the desktop may read the screen; XWayland's own
    // screen shows just the X windows.
    if (SessionKind::isWayland())
        return std::make_unique<PortalGrabSource>();
    if (std::unique_ptr<GrabSource> x11 = X11GrabSource::create())
        return x11;
    return std::make_unique<ScreenGrabSource>();
}

qreal GrabSource::pixelRatio() const
{
    const QScreen *primary = QGuiApplication::primaryScreen();
    return primary ? primary->devicePixelRatio() : 1.0;
}

QRect GrabSource::desktop() const
{
    return unionOf(monitors());
}

QRect GrabSource::unionOf(const QList<QRect> &monitors)
{
    QRect all;
    for (const QRect &monitor : monitors)
        all |= monitor;
    return all;
}

bool GrabSource::startGrab(const Backdrop &)
{
    m_started = grab();
    return false;
}

QImage GrabSource::pendingPart(const QRect &area)
{
    return m_started.copy(area);
}

QImage GrabSource::finishGrab()
{
    return std::exchange(m_started, QImage());
}

void GrabSource::cancelGrab()
{
    m_started = QImage();
}

bool GrabSource::paintBackdrop(const QRegion &)
{
    return false;
}

void GrabSource::blackOutUncovered(QImage *picture, const QRect &desktop, const QList<QRect> &monitors)
{
    QRegion uncovered(QRect(QPoint(0, 0), desktop.size()));
    for (const QRect &monitor : monitors)
        uncovered -= monitor.translated(-desktop.topLeft());
    for (const QRect &area : uncovered) {
        const QRect inside = area & picture->rect();
        for (int y = inside.top(); y <= inside.bottom(); ++y) {
            auto *line = reinterpret_cast<quint32 *>(picture->scanLine(y)) + inside.left();
            std::fill(line, line + inside.width(), OpaqueBlack);
        }
    }
}
