#include "tableshape.h"
#include "alignmentcode.h"

#include <QTextTable>

TableShape::TableShape(int rows, int columns, int widthPercent, int alignIndex)
    : m_rows(rows)
    , m_columns(columns)
    , m_widthPercent(widthPercent)
    , m_alignIndex(alignIndex)
{
}

QTextTableFormat TableShape::format() const
{
    QTextTableFormat format;
    if (m_columns > 0) {
        const QTextLength width(QTextLength::PercentageLength, m_widthPercent / m_columns);
        format.setColumnWidthConstraints(QList<QTextLength>(m_columns, width));
    }
    format.setCellSpacing(0);
    format.setCellPadding(1);
    format.setBorderStyle(QTextFrameFormat::BorderStyle_Groove);
    switch (AlignmentCode(m_alignIndex)) {
    case AlignmentCode::Centre: format.setAlignment(Qt::AlignCenter); break;
    case AlignmentCode::Right: format.setAlignment(Qt::AlignRight); break;
    default: format.setAlignment(Qt::AlignLeft); break;
    }
    return format;
}

QTextTable *TableShape::applyAt(QTextCursor cursor) const
{
    if (m_rows < 1 || m_columns < 1)
        return nullptr;
    QTextTable *table = cursor.currentTable();
    if (table) {
        // Rows and columns come and go at the end; removing never takes the
        // last row or column, so the table stays alive.
        const int rowCount = table->rows();
        if (rowCount < m_rows)
            table->appendRows(m_rows - rowCount);
        else
            table->removeRows(m_rows, rowCount - m_rows);
        const int columnCount = table->columns();
        if (columnCount < m_columns)
            table->appendColumns(m_columns - columnCount);
        else
            table->removeColumns(m_columns, columnCount - m_columns);
    } else {
        table = cursor.insertTable(m_rows, m_columns);
    }
    table->setFormat(format());
    return table;
}

QTextCursor TableShape::applyAndEnter(QTextCursor cursor) const
{
    const bool reshapes = cursor.currentTable() != nullptr;
    QTextTable *table = applyAt(cursor);
    if (!table || reshapes)
        return QTextCursor();
    return table->cellAt(0, 0).firstCursorPosition();
}
