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
        // Out of the bus's delivery first: the overlay runs its own loop. The
        // picture is moved on, so the source holds its only reference (a
        // plain capture would be const, its move a copy, and the overlay
        // would copy the whole picture again to change its format).
        QTimer::singleShot(0, this, [this, picture = QImage(picture)]() mutable {
            runOverlay(std::make_unique<PortalGrabSource>(std::move(picture)));
        });
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
    runOverlay(m_sourceFactory ? m_sourceFactory() : nullptr);
}

void CaptureLauncher::setSourceFactory(SourceFactory factory)
{
    m_sourceFactory = std::move(factory);
}

void CaptureLauncher::runOverlay(std::unique_ptr<GrabSource> source)
{
    m_running = true;
    const bool grabbed = Widget::runCapture(std::move(source));
    m_running = false;
    if (!grabbed)
        emit failed(tr("无法读取屏幕画面"));
    emit finished();
}
