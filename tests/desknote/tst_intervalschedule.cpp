#include "intervalschedule.h"

#include <QtTest>

class TestIntervalSchedule : public QObject
{
    Q_OBJECT
private slots:
    void noMinutesIsOff_data();
    void noMinutesIsOff();
    void onceFiresAtItsDeadlineOnly();
    void earlyTimeoutWaitsForTheRest();
    void repeatKeepsItsRhythm();
    void repeatSkipsMissedPeriods();
    void longIntervalsSpanSeveralTimerPeriods_data();
    void longIntervalsSpanSeveralTimerPeriods();
};

void TestIntervalSchedule::noMinutesIsOff_data()
{
    QTest::addColumn<int>("minutes");
    QTest::newRow("zero") << 0;
    QTest::newRow("negative") << -5;
}

void TestIntervalSchedule::noMinutesIsOff()
{
    QFETCH(int, minutes);
    IntervalSchedule schedule;
    schedule.start(0, 5, true);
    schedule.start(1000, minutes, true);
    QVERIFY(!schedule.isActive());
    QVERIFY(!schedule.timeout(10'000'000));
}

void TestIntervalSchedule::onceFiresAtItsDeadlineOnly()
{
    IntervalSchedule schedule;
    schedule.start(1000, 5, false);
    QVERIFY(schedule.isActive());
    QCOMPARE(schedule.waitMs(1000), 300000);
    QVERIFY(schedule.timeout(301000));
    QVERIFY(!schedule.isActive());
    QVERIFY(!schedule.timeout(601000));
}

void TestIntervalSchedule::earlyTimeoutWaitsForTheRest()
{
    // Coarse timers may run out a little early.
    IntervalSchedule schedule;
    schedule.start(0, 1, false);
    QVERIFY(!schedule.timeout(57000));
    QVERIFY(schedule.isActive());
    QCOMPARE(schedule.waitMs(57000), 3000);
    QVERIFY(schedule.timeout(60000));
}

void TestIntervalSchedule::repeatKeepsItsRhythm()
{
    IntervalSchedule schedule;
    schedule.start(0, 5, true);
    QVERIFY(schedule.timeout(300040));
    QVERIFY(schedule.isActive());
    QCOMPARE(schedule.deadlineMs(), 600000);
    QCOMPARE(schedule.waitMs(300040), 299960);
    QVERIFY(!schedule.timeout(599000));
    QVERIFY(schedule.timeout(600000));
    QCOMPARE(schedule.deadlineMs(), 900000);
}

void TestIntervalSchedule::repeatSkipsMissedPeriods()
{
    IntervalSchedule schedule;
    schedule.start(0, 5, true);
    QVERIFY(schedule.timeout(1'000'000));
    QCOMPARE(schedule.deadlineMs(), 1'200'000);
    QVERIFY(!schedule.timeout(1'100'000));
}

void TestIntervalSchedule::longIntervalsSpanSeveralTimerPeriods_data()
{
    QTest::addColumn<int>("minutes");
    QTest::addColumn<int>("timerRuns"); // timer periods until the reminder fires
    QTest::newRow("1 minute") << 1 << 1;
    QTest::newRow("an hour") << 60 << 1;
    QTest::newRow("an hour and a minute") << 61 << 2;
    QTest::newRow("35791 minutes, the last that fits 32-bit milliseconds") << 35791 << 597;
    QTest::newRow("35792 minutes") << 35792 << 597;
    QTest::newRow("99999 minutes, the field's limit") << 99999 << 1667;
}

void TestIntervalSchedule::longIntervalsSpanSeveralTimerPeriods()
{
    QFETCH(int, minutes);
    QFETCH(int, timerRuns);
    const qint64 start = 123456;
    const qint64 length = qint64(minutes) * 60000;
    for (const bool repeat : {false, true}) {
        IntervalSchedule schedule;
        schedule.start(start, minutes, repeat);
        qint64 now = start;
        int runs = 0;
        bool fired = false;
        while (!fired && runs < 2000) {
            const int wait = schedule.waitMs(now);
            QVERIFY(wait > 0);
            QVERIFY(wait <= IntervalSchedule::MaxWaitMs);
            now += wait;
            ++runs;
            fired = schedule.timeout(now);
        }
        QVERIFY(fired);
        QCOMPARE(now, start + length);
        QCOMPARE(runs, timerRuns);
        QCOMPARE(schedule.isActive(), repeat);
        if (repeat)
            QCOMPARE(schedule.deadlineMs(), start + 2 * length);
    }
}

QTEST_APPLESS_MAIN(TestIntervalSchedule)
#include "tst_intervalschedule.moc"
