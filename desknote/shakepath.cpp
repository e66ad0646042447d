#include "shakepath.h"

ShakePath::ShakePath(int cycles, int distance)
    : m_cycles(cycles)
    , m_distance(distance)
{
}

QList<QPoint> ShakePath::positions(QPoint start) const
{
    // Screen y grows downwards: "up" is a smaller y.
    const QPoint steps[] = {{m_distance, 0}, {0, -m_distance}, {-m_distance, 0}, {0, m_distance}};
    QList<QPoint> path;
    path.reserve(m_cycles * 4 + 1);
    for (int cycle = 0; cycle < m_cycles; ++cycle) {
        for (const QPoint &step : steps)
            path.append(start + step);
    }
    path.append(start);
    return path;
}
