#include "hotkeybackend.h"

#include "portalhotkeybackend.h"
#include "sessionkind.h"
#include "x11hotkeybackend.h"

HotKeyBackend::~HotKeyBackend() = default;

void HotKeyBackend::setRefusalListener(RefusalListener listener)
{
    m_refusalListener = std::move(listener);
}

void HotKeyBackend::reportRefusal(const QString &reason) const
{
    if (m_refusalListener)
        m_refusalListener(reason);
}

std::unique_ptr<HotKeyBackend> HotKeyBackend::createNative(Listener listener)
{
    // On a Wayland desktop a key grab through XWayland fires only while one
    // of our own windows has the focus: only the desktop's portal gives a
    // key that works everywhere.
    if (SessionKind::isWayland())
        return PortalHotKeyBackend::create(std::move(listener));
    return X11HotKeyBackend::create(std::move(listener));
}
