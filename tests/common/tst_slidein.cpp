#include "slidein.h"

#include <QtTest>

class TestSlideIn : public QObject
{
    Q_OBJECT
private slots:
    void restsAtBottomCentre_data();
    void restsAtBottomCentre();
};

void TestSlideIn::restsAtBottomCentre_data()
{
    QTest::addColumn<QSize>("item");
    QTest::addColumn<QSize>("host");
    QTest::addColumn<QRect>("expected");
    QTest::newRow("even sizes") << QSize(100, 20) << QSize(400, 350) << QRect(150, 329, 100, 20);
    // Halves truncate: 401/2 = 200, 101/2 = 50.
    QTest::newRow("odd sizes") << QSize(101, 21) << QSize(401, 351) << QRect(150, 329, 101, 21);
    QTest::newRow("item wider than host") << QSize(500, 20) << QSize(400, 350) << QRect(-50, 329, 500, 20);
}

void TestSlideIn::restsAtBottomCentre()
{
    QFETCH(QSize, item);
    QFETCH(QSize, host);
    QFETCH(QRect, expected);
    QCOMPARE(SlideIn::endRect(item, host), expected);
}

QTEST_GUILESS_MAIN(TestSlideIn)
#include "tst_slidein.moc"
