#pragma once

#include "screengrabsource.h"

/// The grab source of a Wayland session: the picture the desktop portal gave
/// just before the capture started (a client may not read the screen there
/// itself, and the portal answers only later, so CaptureLauncher fetches the
/// picture first and hands it to the overlay in a source of its own).
///
/// The desktop is as large as the portal's picture, which holds the screens'
/// real pixels. The picture covers the whole layout at the highest scale of
/// any output (an output of scale 1 beside one of scale 2 comes enlarged),
/// while XWayland lays the outputs out in logical pixels: the monitors are
/// Qt's screens enlarged by the picture's scale, the pixel ratio.
class PortalGrabSource : public ScreenGrabSource
{
public:
    /// A source without a picture: its grab fails.
    PortalGrabSource() = default;
    explicit PortalGrabSource(QImage picture);

    QRect desktop() const override;
    QList<QRect> monitors() const override;
    qreal pixelRatio() const override;
    /// The picture, taken, so it is used once.
    QImage grab() override;

private:
    QImage m_picture;
    /// The picture's pixels per device pixel of Qt's screens; 0 without a
    /// picture.
    qreal m_scale = 0;
};
