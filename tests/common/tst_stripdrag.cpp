#include "stripdrag.h"

#include <QtTest>

class TestStripDrag : public QObject
{
    Q_OBJECT
private slots:
    void dragZoneBounds_data();
    void dragZoneBounds();
    void movesByPointerDelta();
    void releaseSnapsOnlyTopEdge_data();
    void releaseSnapsOnlyTopEdge();
    void pressOutsideZoneDoesNotDrag();
};

void TestStripDrag::dragZoneBounds_data()
{
    // Window at (100, 200), 400 x 350: the zone is 100 < x < 450, 200 < y < 225.
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("inside");
    QTest::newRow("middle of strip") << QPoint(250, 210) << true;
    QTest::newRow("first column") << QPoint(100, 210) << false;
    QTest::newRow("second column") << QPoint(101, 210) << true;
    QTest::newRow("first row") << QPoint(250, 200) << false;
    QTest::newRow("second row") << QPoint(250, 201) << true;
    QTest::newRow("last row of strip") << QPoint(250, 224) << true;
    QTest::newRow("row 25 is below the strip") << QPoint(250, 225) << false;
    QTest::newRow("last column before the reserve") << QPoint(449, 210) << true;
    QTest::newRow("inside the 50-pixel reserve") << QPoint(450, 210) << false;
    QTest::newRow("right edge") << QPoint(499, 210) << false;
    QTest::newRow("body below the strip") << QPoint(250, 300) << false;
    QTest::newRow("left of the window") << QPoint(90, 210) << false;
}

void TestStripDrag::dragZoneBounds()
{
    QFETCH(QPoint, press);
    QFETCH(bool, inside);
    QCOMPARE(StripDrag::inDragZone(QPoint(100, 200), QSize(400, 350), press), inside);
    StripDrag drag;
    QCOMPARE(drag.press(QPoint(100, 200), QSize(400, 350), press, press - QPoint(100, 200)), inside);
    QCOMPARE(drag.dragging(), inside);
}

void TestStripDrag::movesByPointerDelta()
{
    StripDrag drag;
    QVERIFY(drag.press(QPoint(100, 200), QSize(400, 350), QPoint(150, 210), QPoint(50, 10)));
    QCOMPARE(drag.dragOffset(), QPoint(50, 10));
    // The pointer is now 30 right and 5 up of where it was pressed, window-locally.
    QCOMPARE(drag.move(QPoint(100, 200), QPoint(80, 5)), QPoint(130, 195));
    // After the window followed, the pointer is back at the offset: no further move.
    QCOMPARE(drag.move(QPoint(130, 195), QPoint(50, 10)), QPoint(130, 195));
}

void TestStripDrag::releaseSnapsOnlyTopEdge_data()
{
    QTest::addColumn<QPoint>("position");
    QTest::addColumn<QPoint>("expected");
    QTest::newRow("above the screen") << QPoint(40, -30) << QPoint(40, 0);
    QTest::newRow("off the left edge stays") << QPoint(-200, 50) << QPoint(-200, 50);
    QTest::newRow("off the left and top") << QPoint(-200, -1) << QPoint(-200, 0);
    QTest::newRow("far below stays") << QPoint(300, 5000) << QPoint(300, 5000);
    QTest::newRow("exactly at the top") << QPoint(10, 0) << QPoint(10, 0);
}

void TestStripDrag::releaseSnapsOnlyTopEdge()
{
    QFETCH(QPoint, position);
    QFETCH(QPoint, expected);
    StripDrag drag;
    QVERIFY(drag.press(QPoint(0, 100), QSize(400, 350), QPoint(10, 110), QPoint(10, 10)));
    QCOMPARE(drag.release(position), expected);
    QVERIFY(!drag.dragging());
    QCOMPARE(drag.dragOffset(), QPoint(0, 0));
}

void TestStripDrag::pressOutsideZoneDoesNotDrag()
{
    StripDrag drag;
    QVERIFY(!drag.press(QPoint(0, 0), QSize(400, 350), QPoint(200, 100), QPoint(200, 100)));
    QCOMPARE(drag.move(QPoint(0, 0), QPoint(300, 300)), QPoint(0, 0));
    // A release without a drag never moves the window, even above the screen.
    QCOMPARE(drag.release(QPoint(5, -40)), QPoint(5, -40));
}

QTEST_GUILESS_MAIN(TestStripDrag)
#include "tst_stripdrag.moc"
