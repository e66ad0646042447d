#include "tableshape.h"

#include <QPointer>
#include <QTextDocument>
#include <QTextTable>
#include <QtTest>

// Inserting and reshaping tables in a document, without any widget.
class TestTableShape : public QObject
{
    Q_OBJECT
private slots:
    void reshapes4x4To2x5AtTheEnds();
    void shrinkingToOneCellKeepsTable();
    void refusesNoRowsOrColumns_data();
    void refusesNoRowsOrColumns();
};

namespace {
/// A document with "before" and "after" paragraphs and a filled rows x columns
/// table between them; cell (r, c) holds "rRcC".
QTextTable *tableIn(QTextDocument &doc, int rows, int columns)
{
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("before"));
    cursor.insertBlock();
    QTextTable *table = cursor.insertTable(rows, columns);
    for (int r = 0; r < rows; ++r) {
        for (int c = 0; c < columns; ++c)
            table->cellAt(r, c).firstCursorPosition().insertText(QStringLiteral("r%1c%2").arg(r).arg(c));
    }
    cursor.movePosition(QTextCursor::End);
    cursor.insertText(QStringLiteral("after"));
    return table;
}

QString cellText(QTextTable *table, int r, int c)
{
    QTextTableCell cell = table->cellAt(r, c);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
}
}

void TestTableShape::reshapes4x4To2x5AtTheEnds()
{
    QTextDocument doc;
    QPointer<QTextTable> table = tableIn(doc, 4, 4);
    QTextTableFormat old = table->format();
    old.setBackground(Qt::yellow);
    old.setBorder(4);
    old.setCellSpacing(6);
    old.setWidth(QTextLength(QTextLength::FixedLength, 300));
    old.setHeaderRowCount(1);
    table->setFormat(old);
    QTextCursor cursor = table->cellAt(1, 2).firstCursorPosition();
    QTextTable *reshaped = TableShape(2, 5, 100, 1).applyAt(cursor);
    QCOMPARE(reshaped, table.data());
    QCOMPARE(table->rows(), 2);
    QCOMPARE(table->columns(), 5);
    // The first two rows and four columns keep their text; the new column is empty.
    for (int r = 0; r < 2; ++r) {
        for (int c = 0; c < 4; ++c)
            QCOMPARE(cellText(table, r, c), QStringLiteral("r%1c%2").arg(r).arg(c));
        QCOMPARE(cellText(table, r, 4), QString());
    }
    QVERIFY(!doc.toPlainText().contains(QStringLiteral("r2c")));
    QVERIFY(!doc.toPlainText().contains(QStringLiteral("r3c")));
    QVERIFY(doc.toPlainText().startsWith(QStringLiteral("before")));
    QVERIFY(doc.toPlainText().endsWith(QStringLiteral("after")));

    // The whole format is new: what the old one had beyond ours is gone.
    const QTextTableFormat format = table->format();
    QCOMPARE(format.columnWidthConstraints(), QList<QTextLength>(5, QTextLength(QTextLength::PercentageLength, 20)));
    QCOMPARE(format.cellSpacing(), qreal(0));
    QCOMPARE(format.cellPadding(), qreal(1));
    QCOMPARE(format.borderStyle(), QTextFrameFormat::BorderStyle_Groove);
    QCOMPARE(format.alignment(), Qt::AlignCenter);
    QMap<int, QVariant> now = format.properties();
    QMap<int, QVariant> fresh = QTextTableFormat().properties();
    now.remove(QTextFormat::TableColumns); // the table's own count, kept by the table
    for (int key : {QTextFormat::TableColumnWidthConstraints, QTextFormat::TableCellSpacing,
                    QTextFormat::TableCellPadding, QTextFormat::FrameBorderStyle, QTextFormat::BlockAlignment}) {
        now.remove(key);
        fresh.remove(key);
    }
    QCOMPARE(now, fresh);
}

void TestTableShape::shrinkingToOneCellKeepsTable()
{
    QTextDocument doc;
    QPointer<QTextTable> table = tableIn(doc, 3, 3);
    QTextCursor cursor = table->cellAt(2, 2).firstCursorPosition();
    QCOMPARE(TableShape(1, 1, 100, 0).applyAt(cursor), table.data());
    QVERIFY(table);
    QCOMPARE(table->rows(), 1);
    QCOMPARE(table->columns(), 1);
    QCOMPARE(cellText(table, 0, 0), QStringLiteral("r0c0"));
}

void TestTableShape::refusesNoRowsOrColumns_data()
{
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("columns");
    QTest::addColumn<bool>("inTable");
    for (bool inTable : {false, true}) {
        const char *where = inTable ? "in a table" : "outside tables";
        QTest::addRow("0 rows, %s", where) << 0 << 3 << inTable;
        QTest::addRow("0 columns, %s", where) << 3 << 0 << inTable;
        QTest::addRow("0 x 0, %s", where) << 0 << 0 << inTable;
    }
}

void TestTableShape::refusesNoRowsOrColumns()
{
    QFETCH(int, rows);
    QFETCH(int, columns);
    QFETCH(bool, inTable);
    QTextDocument doc;
    QPointer<QTextTable> table = tableIn(doc, 2, 2);
    const QString before = doc.toHtml();
    QTextCursor cursor(&doc);
    if (inTable)
        cursor = table->cellAt(1, 1).firstCursorPosition();
    QCOMPARE(TableShape(rows, columns, 100, 0).applyAt(cursor), nullptr);
    QVERIFY(table);
    QCOMPARE(doc.toHtml(), before);
}

QTEST_MAIN(TestTableShape)
#include "tst_tableshape.moc"
