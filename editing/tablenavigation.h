#pragma once

/// Where Tab and Shift+Tab go in a table: along the row, then to the start
/// of the next row (or the end of the one before). Tab in the last cell asks
/// for a new row and goes to its first cell; Shift+Tab in the first cell
/// stays. Rows and columns count from 0; a spanned cell is left from its
/// last column and entered at its first (the caller maps both).
class TableNavigation
{
public:
    enum class Direction { Forward, Backward };
    struct Step
    {
        int row = 0;
        int column = 0;
        bool appendRow = false; ///< add a row at the end first
        bool moves = true;      ///< false: the cursor stays where it is
    };

    static Step step(int row, int column, int rows, int columns, Direction direction);
};
