#pragma once

#include "screengrabsource.h"

/// The grab source of a Wayland session: the picture the desktop portal gave
/// just before the capture started (a client may not read the screen there
/// itself, and the portal answers only later, so CaptureLauncher fetches the
/// picture first and hands it to the overlay in a source of its own).
///
/// The desktop is as large as the portal's picture, which holds the screens'
/// real pixels; the monitors are Qt's screens, as the screen grab sees them.
class PortalGrabSource : public ScreenGrabSource
{
public:
    /// A source without a picture: its grab fails.
    PortalGrabSource() = default;
    explicit PortalGrabSource(QImage picture);

    QRect desktop() const override;
    /// The picture, taken, so it is used once.
    QImage grab() override;

private:
    QImage m_picture;
};
