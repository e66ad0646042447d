#pragma once

#include <QList>
#include <QRect>

/// Where a restored desktop note goes. The saved frame comes from tab.dat and
/// may hold any four edges (a damaged or hand-made store); it is clamped into
/// a range no desktop reaches before anything is added to or subtracted from
/// it, so no edge or size can overflow. A note whose frame still overlaps a
/// screen stays there; one whose monitor is gone moves onto the primary
/// screen's free area, keeping its size.
class NotePlacement
{
public:
    /// No coordinate of a real desktop comes near this.
    static constexpr int MaxCoordinate = 1 << 20;
    /// Larger than any note window can be made.
    static constexpr int MaxSize = 1 << 14;

    /// saved with its left and top clamped to +-MaxCoordinate and its width
    /// and height to 1..MaxSize (an inverted rectangle gets the smallest size).
    static QRect sane(const QRect &saved);
    /// The frame to give the note: sane(saved) when it meets one of screens,
    /// else that size at available's top left plus (40, 40).
    static QRect place(const QRect &saved, const QList<QRect> &screens, const QRect &available);
    /// The frame of a new note of size next to the window frame main, inside
    /// available (the free area of main's screen): to the right of main, else
    /// to its left, below, above, where it fits whole with a gap of Gap; where
    /// none fits, the place that covers least of main, kept on the screen.
    static QRect beside(QSize size, const QRect &main, const QRect &available);
    static constexpr int Gap = 8;
};
