#pragma once

#include <QTextCursor>
#include <QTextTableFormat>

class QTextTable;

/// What the table dialog asks for: rows, columns, the width in percent of
/// the page and the alignment (an AlignmentCode). It inserts such a
/// table at a cursor, or reshapes the table the cursor stands in by adding
/// or removing rows and columns at the end; either way the table's whole
/// format is replaced by format().
class TableShape
{
public:
    TableShape(int rows, int columns, int widthPercent, int alignIndex);

    int rows() const { return m_rows; }
    int columns() const { return m_columns; }
    int widthPercent() const { return m_widthPercent; }
    int alignIndex() const { return m_alignIndex; }

    /// A fresh table format: equal percentage columns (integer division),
    /// no cell spacing, cell padding 1, grooved border, the alignment.
    QTextTableFormat format() const;
    /// Returns the table inserted or reshaped, or null when the shape has no
    /// rows or no columns: such a table cannot exist, so nothing changes.
    QTextTable *applyAt(QTextCursor cursor) const;
    /// As applyAt; returns where typing goes on after a table was inserted
    /// (its first cell), or a null cursor when a table was reshaped or
    /// nothing changed (the editor's cursor then stays).
    QTextCursor applyAndEnter(QTextCursor cursor) const;

private:
    int m_rows;
    int m_columns;
    int m_widthPercent;
    int m_alignIndex;
};
