#include "noteplacement.h"

#include <QSize>

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

QRect NotePlacement::beside(QSize size, const QRect &main, const QRect &available)
{
    const QSize fitted = size.boundedTo(available.size());
    const int top = main.top();
    const int left = main.left();
    const QPoint candidates[] = {
        {main.right() + 1 + Gap, top},
        {left - Gap - fitted.width(), top},
        {left, main.bottom() + 1 + Gap},
        {left, top - Gap - fitted.height()},
    };
    QRect best;
    qint64 bestCover = -1;
    for (const QPoint &at : candidates) {
        // Slid along the edge to stay on the screen; what is left of the
        // overlap with main decides.
        QRect frame(at, fitted);
        frame.moveLeft(std::clamp(frame.left(), available.left(), available.right() + 1 - fitted.width()));
        frame.moveTop(std::clamp(frame.top(), available.top(), available.bottom() + 1 - fitted.height()));
        const QRect cover = frame.intersected(main);
        const qint64 area = cover.isEmpty() ? 0 : qint64(cover.width()) * cover.height();
        if (bestCover < 0 || area < bestCover) {
            best = frame;
            bestCover = area;
        }
        if (area == 0)
            break;
    }
    return best;
}
