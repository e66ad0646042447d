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
    void formatSplitsWidthByIntegerDivision_data();
    void formatSplitsWidthByIntegerDivision();
    void insertsAtCursorOutsideTables();
    void reshapes4x4To2x5AtTheEnds();
    void reshapeReplacesWholeFormat();
    void growsTableFromAnyCell();
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

void TestTableShape::formatSplitsWidthByIntegerDivision_data()
{
    QTest::addColumn<int>("width");
    QTest::addColumn<int>("columns");
    QTest::addColumn<int>("align");
    QTest::addColumn<qreal>("percent");
    QTest::addColumn<int>("alignment");
    QTest::newRow("defaults") << 100 << 3 << 0 << qreal(33) << int(Qt::AlignLeft);
    QTest::newRow("narrowest") << 20 << 3 << 1 << qreal(6) << int(Qt::AlignCenter);
    QTest::newRow("widest, one column") << 200 << 1 << 2 << qreal(200) << int(Qt::AlignRight);
    QTest::newRow("seven columns") << 100 << 7 << 0 << qreal(14) << int(Qt::AlignLeft);
    QTest::newRow("more columns than percent") << 20 << 30 << 0 << qreal(0) << int(Qt::AlignLeft);
}

void TestTableShape::formatSplitsWidthByIntegerDivision()
{
    QFETCH(int, width);
    QFETCH(int, columns);
    QFETCH(int, align);
    QFETCH(qreal, percent);
    QFETCH(int, alignment);
    const QTextTableFormat format = TableShape(2, columns, width, align).format();
    const QList<QTextLength> constraints = format.columnWidthConstraints();
    QCOMPARE(constraints.size(), columns);
    for (const QTextLength &length : constraints) {
        QCOMPARE(length.type(), QTextLength::PercentageLength);
        QCOMPARE(length.rawValue(), percent);
    }
    QCOMPARE(format.cellSpacing(), qreal(0));
    QCOMPARE(format.cellPadding(), qreal(1));
    QCOMPARE(format.borderStyle(), QTextFrameFormat::BorderStyle_Groove);
    QCOMPARE(int(format.alignment()), alignment);
    // Everything else as in a fresh table format.
    QMap<int, QVariant> rest = format.properties();
    QMap<int, QVariant> fresh = QTextTableFormat().properties();
    for (int key : {QTextFormat::TableColumnWidthConstraints, QTextFormat::TableCellSpacing,
                    QTextFormat::TableCellPadding, QTextFormat::FrameBorderStyle, QTextFormat::BlockAlignment}) {
        rest.remove(key);
        fresh.remove(key);
    }
    QCOMPARE(rest, fresh);
}

void TestTableShape::insertsAtCursorOutsideTables()
{
    QTextDocument doc;
    QTextCursor cursor(&doc);
    cursor.insertText(QStringLiteral("beforeafter"));
    cursor.setPosition(6);
    QTextTable *table = TableShape(3, 3, 100, 0).applyAt(cursor);
    QVERIFY(table);
    QCOMPARE(table->rows(), 3);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(table->format().columnWidthConstraints(),
             QList<QTextLength>(3, QTextLength(QTextLength::PercentageLength, 33)));
    QCOMPARE(table->format().borderStyle(), QTextFrameFormat::BorderStyle_Groove);
    QCOMPARE(table->format().alignment(), Qt::AlignLeft);
    QCOMPARE(doc.firstBlock().text(), QStringLiteral("before"));
    QCOMPARE(doc.lastBlock().text(), QStringLiteral("after"));
    QVERIFY(table->firstPosition() > 6);
    QVERIFY(table->lastPosition() < doc.characterCount() - 6);
}

void TestTableShape::reshapes4x4To2x5AtTheEnds()
{
    QTextDocument doc;
    QPointer<QTextTable> table = tableIn(doc, 4, 4);
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
    QCOMPARE(table->format().columnWidthConstraints(),
             QList<QTextLength>(5, QTextLength(QTextLength::PercentageLength, 20)));
    QCOMPARE(table->format().alignment(), Qt::AlignCenter);
    QVERIFY(doc.toPlainText().startsWith(QStringLiteral("before")));
    QVERIFY(doc.toPlainText().endsWith(QStringLiteral("after")));
}

void TestTableShape::reshapeReplacesWholeFormat()
{
    QTextDocument doc;
    QTextTable *table = tableIn(doc, 2, 2);
    QTextTableFormat old = table->format();
    old.setBackground(Qt::yellow);
    old.setBorder(4);
    old.setCellSpacing(6);
    old.setWidth(QTextLength(QTextLength::FixedLength, 300));
    old.setHeaderRowCount(1);
    table->setFormat(old);

    TableShape(2, 2, 60, 2).applyAt(table->cellAt(0, 0).firstCursorPosition());
    const QTextTableFormat now = table->format();
    const QTextTableFormat fresh;
    QCOMPARE(now.background(), fresh.background());
    QCOMPARE(now.border(), fresh.border());
    QCOMPARE(now.width(), fresh.width());
    QCOMPARE(now.headerRowCount(), fresh.headerRowCount());
    QCOMPARE(now.cellSpacing(), qreal(0));
    QCOMPARE(now.columnWidthConstraints(), QList<QTextLength>(2, QTextLength(QTextLength::PercentageLength, 30)));
    QCOMPARE(now.alignment(), Qt::AlignRight);
}

void TestTableShape::growsTableFromAnyCell()
{
    QTextDocument doc;
    QTextTable *table = tableIn(doc, 2, 2);
    TableShape(4, 3, 100, 0).applyAt(table->cellAt(1, 1).lastCursorPosition());
    QCOMPARE(table->rows(), 4);
    QCOMPARE(table->columns(), 3);
    QCOMPARE(cellText(table, 1, 1), QStringLiteral("r1c1"));
    QCOMPARE(cellText(table, 3, 2), QString());
    // Only one table in the document.
    int tables = 0;
    for (QTextFrame *frame : doc.rootFrame()->childFrames())
        tables += qobject_cast<QTextTable *>(frame) ? 1 : 0;
    QCOMPARE(tables, 1);
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
