#include "noteplacement.h"

#include <algorithm>

namespace {

// The extent between two stored edges, computed wide: the edges themselves
// may be anywhere in the int range.
int extent(int first, int last)
{
    const qint64 size = qint64(last) - qint64(first) + 1;
    return int(std::clamp<qint64>(size, 1, NotePlacement::MaxSize));
}

int coordinate(int value)
{
    return std::clamp(value, -NotePlacement::MaxCoordinate, NotePlacement::MaxCoordinate);
}

} // namespace

QRect NotePlacement::sane(const QRect &saved)
{
    // left(), top(), right() and bottom() return the stored edges as they
    // are; width() and height() would already compute with them.
    return QRect(coordinate(saved.left()), coordinate(saved.top()), extent(saved.left(), saved.right()),
                 extent(saved.top(), saved.bottom()));
}

QRect NotePlacement::place(const QRect &saved, const QList<QRect> &screens, const QRect &available)
{
    QRect frame = sane(saved);
    for (const QRect &screen : screens) {
        if (screen.intersects(frame))
            return frame;
    }
    frame.moveTopLeft(available.topLeft() + QPoint(40, 40));
    return frame;
}
