#pragma once

#include "grabsource.h"

#include <QObject>

#include <functional>
#include <memory>

class PortalScreenshot;

/// Starts a capture the way the session allows: on X11 the overlay grabs the
/// screen itself at once; on Wayland the desktop portal is asked for the
/// picture first, and the overlay opens when it arrives. When there is no
/// picture (the portal or the screen grab failed), failed() says why in the
/// user's words, no overlay opens, and the next start() asks again.
class CaptureLauncher : public QObject
{
    Q_OBJECT
public:
    explicit CaptureLauncher(QObject *parent = nullptr);

    /// A capture is being fetched (Wayland) or shown.
    bool isBusy() const;

    using SourceFactory = std::function<std::unique_ptr<GrabSource>()>;
    /// Where the overlay takes its pictures from on X11 instead of the
    /// session's own source (tests use a fake).
    void setSourceFactory(SourceFactory factory);

public slots:
    void start();

signals:
    void failed(const QString &reason);
    /// The overlay of a capture closed (after failed() when it had no picture).
    void finished();

private:
    /// Runs the overlay on the given source, or on the session's own.
    void runOverlay(std::unique_ptr<GrabSource> source);

    PortalScreenshot *m_portal = nullptr;
    SourceFactory m_sourceFactory;
    bool m_running = false;
};
