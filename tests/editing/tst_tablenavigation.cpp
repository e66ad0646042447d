#include "tablenavigation.h"

#include <QtTest>

// Tab and Shift+Tab between the cells of a table.
class TestTableNavigation : public QObject
{
    Q_OBJECT
private slots:
    void steps_data();
    void steps();
};

void TestTableNavigation::steps_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<int>("toRow");
    QTest::addColumn<int>("toColumn");
    QTest::addColumn<bool>("appendRow");
    QTest::addColumn<bool>("moves");

    // A table of 2 rows and 3 columns.
    QTest::newRow("tab along the row") << 0 << 0 << true << 0 << 1 << false << true;
    QTest::newRow("tab from a row's end") << 0 << 2 << true << 1 << 0 << false << true;
    QTest::newRow("tab in the last cell adds a row") << 1 << 2 << true << 2 << 0 << true << true;
    QTest::newRow("shift+tab along the row") << 1 << 2 << false << 1 << 1 << false << true;
    QTest::newRow("shift+tab from a row's start") << 1 << 0 << false << 0 << 2 << false << true;
    QTest::newRow("shift+tab in the first cell stays") << 0 << 0 << false << 0 << 0 << false << false;
    QTest::newRow("outside the table") << 2 << 0 << true << 2 << 0 << false << false;
}

void TestTableNavigation::steps()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(bool, forward);
    const auto direction = forward ? TableNavigation::Direction::Forward : TableNavigation::Direction::Backward;
    const TableNavigation::Step step = TableNavigation::step(row, column, 2, 3, direction);
    QTEST(step.row, "toRow");
    QTEST(step.column, "toColumn");
    QTEST(step.appendRow, "appendRow");
    QTEST(step.moves, "moves");
}

QTEST_APPLESS_MAIN(TestTableNavigation)
#include "tst_tablenavigation.moc"
