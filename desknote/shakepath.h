#pragma once

#include <QList>
#include <QPoint>

/// The way a reminder shakes a note: cycles of four moves, right, up, left,
/// down, each the distance away from where the window started (not from
/// the previous step), then back to the start.
class ShakePath
{
public:
    static constexpr int Cycles = 10;
    static constexpr int Distance = 75;
    static constexpr int PauseMs = 50;

    explicit ShakePath(int cycles = Cycles, int distance = Distance);

    /// The window positions of the shake for a window starting at start, in
    /// order, ending with start itself.
    QList<QPoint> positions(QPoint start) const;

private:
    int m_cycles;
    int m_distance;
};
