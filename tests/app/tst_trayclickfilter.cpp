#include "trayclickfilter.h"

#include <QtTest>

using Reason = QSystemTrayIcon::ActivationReason;
Q_DECLARE_METATYPE(QList<int>)

class TestTrayClickFilter : public QObject
{
    Q_OBJECT
private slots:
    void togglesOncePerDoubleClick_data();
    void togglesOncePerDoubleClick();
};

void TestTrayClickFilter::togglesOncePerDoubleClick_data()
{
    // Each row: activations as (reason, time ms) pairs and how many toggles they make,
    // with a double-click interval of 400 ms.
    QTest::addColumn<QList<int>>("reasons");
    QTest::addColumn<QList<int>>("times");
    QTest::addColumn<int>("toggles");
    QTest::addColumn<bool>("singleClick");
    const int T = QSystemTrayIcon::Trigger;
    const int D = QSystemTrayIcon::DoubleClick;
    const int C = QSystemTrayIcon::Context;
    const int M = QSystemTrayIcon::MiddleClick;
    QTest::newRow("xembed double click") << QList<int>{T, D} << QList<int>{0, 80} << 1 << false;
    QTest::newRow("status notifier double click") << QList<int>{T, T} << QList<int>{0, 150} << 1 << false;
    QTest::newRow("host sending both forms") << QList<int>{T, T, D} << QList<int>{0, 80, 90} << 1 << false;
    QTest::newRow("two slow single clicks") << QList<int>{T, T} << QList<int>{0, 900} << 0 << false;
    QTest::newRow("single click") << QList<int>{T} << QList<int>{0} << 0 << false;
    QTest::newRow("context and middle clicks") << QList<int>{C, M, C} << QList<int>{0, 10, 20} << 0 << false;
    QTest::newRow("two xembed double clicks") << QList<int>{T, D, T, D} << QList<int>{0, 80, 1000, 1080} << 2 << false;
    QTest::newRow("two notifier double clicks") << QList<int>{T, T, T, T} << QList<int>{0, 100, 1000, 1100} << 2 << false;
    QTest::newRow("triple trigger") << QList<int>{T, T, T} << QList<int>{0, 100, 200} << 1 << false;
    // Hosts that report only single clicks: each click is the toggle.
    QTest::newRow("single-click host, one click") << QList<int>{T} << QList<int>{0} << 1 << true;
    QTest::newRow("single-click host, double click") << QList<int>{T, T} << QList<int>{0, 150} << 1 << true;
    QTest::newRow("single-click host, slow clicks") << QList<int>{T, T} << QList<int>{0, 900} << 2 << true;
    QTest::newRow("single-click host, click then double") << QList<int>{T, D} << QList<int>{0, 80} << 1 << true;
    QTest::newRow("single-click host, context click") << QList<int>{C, M} << QList<int>{0, 900} << 0 << true;
}

void TestTrayClickFilter::togglesOncePerDoubleClick()
{
    QFETCH(QList<int>, reasons);
    QFETCH(QList<int>, times);
    QFETCH(int, toggles);
    QFETCH(bool, singleClick);
    TrayClickFilter filter(400, singleClick);
    int count = 0;
    for (int i = 0; i < reasons.size(); ++i)
        count += filter.activated(Reason(reasons.at(i)), times.at(i)) ? 1 : 0;
    QCOMPARE(count, toggles);
}

QTEST_GUILESS_MAIN(TestTrayClickFilter)
#include "tst_trayclickfilter.moc"
