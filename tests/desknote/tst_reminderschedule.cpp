#include "reminderschedule.h"

#include <QtTest>

using Ticks = QList<QDateTime>;
using Fired = QList<int>;

class TestReminderSchedule : public QObject
{
    Q_OBJECT
private slots:
    void firesOnceAtItsMoment_data();
    void firesOnceAtItsMoment();
    void disarmedNeverFires();
    void rearmingDoesNotRepeatAPassedMoment();
};

namespace {
QDateTime at(int year, int month, int day, int h, int m, int s, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms));
}
}

void TestReminderSchedule::firesOnceAtItsMoment_data()
{
    QTest::addColumn<QDateTime>("remind");
    QTest::addColumn<QDateTime>("armed");
    QTest::addColumn<Ticks>("ticks");
    QTest::addColumn<Fired>("fired"); // indexes of the ticks that fire

    const QDateTime noon = at(2024, 3, 5, 12, 0, 0);
    const QDateTime armed = at(2024, 3, 5, 11, 59, 50);
    QTest::newRow("tick within the second")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 59, 59, 400), at(2024, 3, 5, 12, 0, 0, 400), at(2024, 3, 5, 12, 0, 1, 400)}
        << Fired{1};
    QTest::newRow("tick at the end of the second")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 59, 59, 999), at(2024, 3, 5, 12, 0, 0, 999)} << Fired{1};
    QTest::newRow("ticks skip the second")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 59, 59, 600), at(2024, 3, 5, 12, 0, 1, 100), at(2024, 3, 5, 12, 0, 2, 100)}
        << Fired{1};
    QTest::newRow("busy event loop, ten seconds late")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 59, 58), at(2024, 3, 5, 12, 0, 10), at(2024, 3, 5, 12, 0, 11)} << Fired{1};
    QTest::newRow("machine suspended until the next day")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 59, 58), at(2024, 3, 6, 9, 0, 0), at(2024, 3, 6, 12, 0, 0)} << Fired{1};
    QTest::newRow("suspended for years fires once")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 0, 0), at(2027, 6, 1, 8, 0, 0), at(2027, 6, 1, 8, 0, 1)} << Fired{1};
    QTest::newRow("milliseconds of the reminder do not count")
        << at(2024, 3, 5, 12, 0, 0, 700) << armed << Ticks{at(2024, 3, 5, 11, 59, 59, 900), at(2024, 3, 5, 12, 0, 0, 200)}
        << Fired{1};
    QTest::newRow("a second early does not fire")
        << noon << armed << Ticks{at(2024, 3, 5, 11, 59, 58, 500), at(2024, 3, 5, 11, 59, 59, 500)} << Fired{};
    QTest::newRow("a day later is not the moment")
        << noon << at(2024, 3, 5, 13, 0, 0)
        << Ticks{at(2024, 3, 6, 11, 59, 59), at(2024, 3, 6, 12, 0, 0), at(2024, 3, 6, 12, 0, 1)} << Fired{};
    QTest::newRow("the year of the reminder is ignored")
        << at(2019, 3, 5, 12, 0, 0) << armed << Ticks{at(2024, 3, 5, 11, 59, 59), at(2024, 3, 5, 12, 0, 0)} << Fired{1};
    QTest::newRow("a passed moment waits a year")
        << noon << at(2024, 3, 5, 12, 0, 5)
        << Ticks{at(2024, 3, 5, 12, 0, 6), at(2025, 3, 5, 11, 59, 59), at(2025, 3, 5, 12, 0, 0), at(2025, 3, 5, 12, 0, 1)}
        << Fired{2};
    QTest::newRow("the second of arming has passed")
        << noon << at(2024, 3, 5, 12, 0, 0, 300) << Ticks{at(2024, 3, 5, 12, 0, 1, 300)} << Fired{};
    QTest::newRow("fires again a year later")
        << noon << armed
        << Ticks{at(2024, 3, 5, 12, 0, 0), at(2024, 3, 5, 12, 0, 1), at(2025, 3, 5, 11, 59, 59), at(2025, 3, 5, 12, 0, 0),
                 at(2025, 3, 5, 12, 0, 1)}
        << Fired{0, 3};
    QTest::newRow("clock set back: the same moment never twice")
        << noon << armed
        << Ticks{at(2024, 3, 5, 11, 59, 59), at(2024, 3, 5, 12, 0, 0), at(2024, 3, 5, 11, 0, 0), at(2024, 3, 5, 11, 59, 59),
                 at(2024, 3, 5, 12, 0, 0), at(2024, 3, 5, 12, 0, 1)}
        << Fired{1};
    QTest::newRow("29 February only in leap years")
        << at(2024, 2, 29, 8, 0, 0) << at(2024, 3, 1, 0, 0, 0)
        << Ticks{at(2025, 2, 28, 8, 0, 0), at(2025, 3, 1, 8, 0, 0), at(2026, 3, 1, 8, 0, 0), at(2028, 2, 29, 7, 59, 59),
                 at(2028, 2, 29, 8, 0, 0)}
        << Fired{4};
    QTest::newRow("new year's eve across the year")
        << at(2024, 12, 31, 23, 59, 59) << at(2024, 12, 31, 23, 0, 0)
        << Ticks{at(2024, 12, 31, 23, 59, 58), at(2025, 1, 1, 0, 0, 0), at(2025, 12, 31, 23, 59, 59)} << Fired{1, 2};
}

void TestReminderSchedule::firesOnceAtItsMoment()
{
    QFETCH(QDateTime, remind);
    QFETCH(QDateTime, armed);
    QFETCH(Ticks, ticks);
    QFETCH(Fired, fired);

    ReminderSchedule schedule;
    schedule.arm(remind, armed);
    Fired actual;
    for (int i = 0; i < ticks.size(); ++i) {
        if (schedule.tick(ticks.at(i)))
            actual.append(i);
    }
    QCOMPARE(actual, fired);
}

void TestReminderSchedule::disarmedNeverFires()
{
    ReminderSchedule schedule;
    QVERIFY(!schedule.tick(at(2024, 3, 5, 12, 0, 0)));
    schedule.arm(at(2024, 3, 5, 12, 0, 0), at(2024, 3, 5, 11, 0, 0));
    QVERIFY(schedule.isArmed());
    schedule.disarm();
    QVERIFY(!schedule.isArmed());
    QVERIFY(!schedule.tick(at(2024, 3, 5, 12, 0, 0)));
    QVERIFY(!schedule.tick(at(2024, 3, 5, 12, 0, 1)));
}

void TestReminderSchedule::rearmingDoesNotRepeatAPassedMoment()
{
    // The user accepts the dialog again a few seconds after the reminder rang.
    ReminderSchedule schedule;
    const QDateTime noon = at(2024, 3, 5, 12, 0, 0);
    schedule.arm(noon, at(2024, 3, 5, 11, 59, 0));
    QVERIFY(schedule.tick(at(2024, 3, 5, 12, 0, 0, 500)));
    schedule.arm(noon, at(2024, 3, 5, 12, 0, 4));
    QVERIFY(!schedule.tick(at(2024, 3, 5, 12, 0, 5)));
    // Moved to a minute later, it fires at that minute.
    schedule.arm(noon.addSecs(60), at(2024, 3, 5, 12, 0, 6));
    QVERIFY(!schedule.tick(at(2024, 3, 5, 12, 0, 59)));
    QVERIFY(schedule.tick(at(2024, 3, 5, 12, 1, 0)));
}

QTEST_APPLESS_MAIN(TestReminderSchedule)
#include "tst_reminderschedule.moc"
