#pragma once

#include <QMargins>
#include <QRect>
#include <QSize>

/// Where the window of a pinned capture goes so that its picture stays
/// exactly where it was captured, in either look. around is the distance
/// from the picture's edges to the window's edges in the note's look; the
/// bare look is the picture alone. All in the same (logical, global)
/// coordinates.
class PinFrame
{
public:
    /// The window that shows picture in place: the picture grown by around,
    /// then widened and lengthened (never moved) to minimum; bare: the
    /// picture itself.
    static QRect window(const QRect &picture, const QMargins &around, bool bare, QSize minimum);
    /// Where the picture's top-left is in a window whose top-left is at.
    static QPoint pictureAt(QPoint at, const QMargins &around, bool bare);
};
