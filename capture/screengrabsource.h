#pragma once

#include "grabsource.h"

/// The portable grab: Qt's QScreen::grabWindow, screen by screen, composed
/// over the desktop. Used where no faster source is available.
class ScreenGrabSource : public GrabSource
{
public:
    QList<QRect> monitors() const override;
    QImage grab() override;
};
