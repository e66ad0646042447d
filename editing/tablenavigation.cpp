#include "tablenavigation.h"

TableNavigation::Step TableNavigation::step(int row, int column, int rows, int columns,
                                            Direction direction)
{
    if (rows <= 0 || columns <= 0 || row < 0 || column < 0 || row >= rows || column >= columns)
        return {row, column, false, false};
    if (direction == Direction::Forward) {
        if (column + 1 < columns)
            return {row, column + 1, false, true};
        if (row + 1 < rows)
            return {row + 1, 0, false, true};
        return {rows, 0, true, true};
    }
    if (column > 0)
        return {row, column - 1, false, true};
    if (row > 0)
        return {row - 1, columns - 1, false, true};
    return {row, column, false, false};
}
