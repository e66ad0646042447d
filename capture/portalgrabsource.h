#pragma once

#include "screengrabsource.h"

/// The grab source of a Wayland session: the picture the desktop portal gave
/// just before the capture started (a client may not read the screen there
/// itself, and the portal answers only later, so CaptureLauncher fetches the
/// picture first and hands it over with setPicture()).
///
/// The desktop is as large as the portal's picture, which holds the screens'
/// real pixels; the monitors are Qt's screens, as the screen grab sees them.
class PortalGrabSource : public ScreenGrabSource
{
public:
    /// The picture for the next grab(); taken by it, so it is used once.
    static void setPicture(QImage picture);

    QRect desktop() const override;
    QImage grab() override;

private:
    static QImage &pending();
};
