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

QTEST_GUILESS_MAIN(TestNotePlacement)
#include "tst_noteplacement.moc"
