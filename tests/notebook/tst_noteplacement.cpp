#include "noteplacement.h"

#include <QtTest>

#include <climits>

// Saved note frames from tab.dat, including ones no program would write:
// the sanitizer build fails here on any overflow in the placement.
class TestNotePlacement : public QObject
{
    Q_OBJECT
private slots:
    void placesSavedFrames_data();
    void placesSavedFrames();
    void placesNewNoteBesideMain_data();
    void placesNewNoteBesideMain();
};

void TestNotePlacement::placesSavedFrames_data()
{
    QTest::addColumn<QRect>("saved");
    QTest::addColumn<QRect>("expected");
    const QPoint away(40, 40); // the free area starts at (0, 30) below
    // Edges given as stored: left, top, right, bottom.
    const auto edges = [](int l, int t, int r, int b) { return QRect(QPoint(l, t), QPoint(r, b)); };
    QTest::newRow("on screen stays") << QRect(300, 200, 220, 180) << QRect(300, 200, 220, 180);
    QTest::newRow("partly on the second screen") << QRect(2500, 100, 220, 180) << QRect(2500, 100, 220, 180);
    QTest::newRow("monitor gone keeps size") << QRect(5000, 100, 220, 180) << QRect(QPoint(0, 30) + away, QSize(220, 180));
    QTest::newRow("near INT_MIN") << edges(INT_MIN, INT_MIN, INT_MIN + 219, INT_MIN + 179)
                                  << QRect(QPoint(0, 30) + away, QSize(220, 180));
    QTest::newRow("near INT_MAX") << edges(INT_MAX - 219, INT_MAX - 179, INT_MAX, INT_MAX)
                                  << QRect(QPoint(0, 30) + away, QSize(220, 180));
    // Clamped to the largest size at a corner far from every screen.
    QTest::newRow("spans the int range") << edges(INT_MIN, INT_MIN, INT_MAX, INT_MAX)
                                         << QRect(QPoint(0, 30) + away, QSize(NotePlacement::MaxSize, NotePlacement::MaxSize));
    QTest::newRow("inverted edges") << edges(400, 300, INT_MIN, INT_MIN) << QRect(400, 300, 1, 1);
}

void TestNotePlacement::placesSavedFrames()
{
    QFETCH(QRect, saved);
    QFETCH(QRect, expected);
    const QList<QRect> screens{QRect(0, 0, 1920, 1080), QRect(1920, 0, 1280, 1024)};
    const QRect available(0, 30, 1920, 1050);
    QCOMPARE(NotePlacement::place(saved, screens, available), expected);
}

void TestNotePlacement::placesNewNoteBesideMain_data()
{
    QTest::addColumn<QRect>("main");
    QTest::addColumn<QRect>("expected");
    // A 300x200 note on a 1000x700 free area starting at (0, 30).
    QTest::newRow("room on the right") << QRect(100, 100, 400, 350) << QRect(508, 100, 300, 200);
    QTest::newRow("right edge: goes left") << QRect(600, 100, 400, 350) << QRect(292, 100, 300, 200);
    QTest::newRow("slid down onto the screen") << QRect(100, 10, 400, 350) << QRect(508, 30, 300, 200);
    QTest::newRow("wide main: below") << QRect(0, 30, 1000, 350) << QRect(0, 388, 300, 200);
    QTest::newRow("wide main at the bottom: above") << QRect(0, 380, 1000, 350) << QRect(0, 172, 300, 200);
    // No room anywhere: on the screen, covering as little of main as can be.
    QTest::newRow("main fills the screen") << QRect(0, 30, 1000, 600) << QRect(0, 530, 300, 200);
}

void TestNotePlacement::placesNewNoteBesideMain()
{
    QFETCH(QRect, main);
    QFETCH(QRect, expected);
    QCOMPARE(NotePlacement::beside(QSize(300, 200), main, QRect(0, 30, 1000, 700)), expected);
}

QTEST_GUILESS_MAIN(TestNotePlacement)
#include "tst_noteplacement.moc"
