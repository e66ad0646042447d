#pragma once

#include <QObject>

class PortalScreenshot;

/// Starts a capture the way the session allows: on X11 the overlay grabs the
/// screen itself at once; on Wayland the desktop portal is asked for the
/// picture first, and the overlay opens when it arrives. When there is no
/// picture, failed() says why in the user's words, no overlay opens, and the
/// next start() asks again.
class CaptureLauncher : public QObject
{
    Q_OBJECT
public:
    explicit CaptureLauncher(QObject *parent = nullptr);

    /// A capture is being fetched (Wayland) or shown.
    bool isBusy() const;

public slots:
    void start();

signals:
    void failed(const QString &reason);

private:
    void runOverlay();

    PortalScreenshot *m_portal = nullptr;
    bool m_running = false;
};
