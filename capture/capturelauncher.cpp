#include "capturelauncher.h"

#include "portalgrabsource.h"
#include "portalscreenshot.h"
#include "sessionkind.h"
#include "widget.h"

#include <QTimer>

CaptureLauncher::CaptureLauncher(QObject *parent)
    : QObject(parent)
{
    if (!SessionKind::isWayland())
        return;
    m_portal = new PortalScreenshot(this);
    connect(m_portal, &PortalScreenshot::failed, this, &CaptureLauncher::failed);
    connect(m_portal, &PortalScreenshot::grabbed, this, [this](const QImage &picture) {
        PortalGrabSource::setPicture(picture);
        // Out of the bus's delivery first: the overlay runs its own loop.
        QTimer::singleShot(0, this, &CaptureLauncher::runOverlay);
    });
}

bool CaptureLauncher::isBusy() const
{
    return m_running || (m_portal && m_portal->isPending());
}

void CaptureLauncher::start()
{
    if (m_portal) {
        if (!m_running)
            m_portal->request();
        return;
    }
    runOverlay();
}

void CaptureLauncher::runOverlay()
{
    m_running = true;
    Widget::runCapture();
    m_running = false;
}
