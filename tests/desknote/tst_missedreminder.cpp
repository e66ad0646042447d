#include "missedreminder.h"

#include <QtTest>

#include <ctime>

/// Which time reminder fell due while the program was stopped. Runs in
/// Europe/Berlin so that daylight-saving changes are real.
class TestMissedReminder : public QObject
{
    Q_OBJECT
private slots:
    void latestOccurrenceBetweenRuns_data();
    void latestOccurrenceBetweenRuns();
};

namespace {
QDateTime at(int year, int month, int day, int h, int m, int s = 0, int ms = 0)
{
    return QDateTime(QDate(year, month, day), QTime(h, m, s, ms));
}
QDateTime utc(const char *iso)
{
    return QDateTime::fromString(QString::fromLatin1(iso), Qt::ISODate);
}
}

void TestMissedReminder::latestOccurrenceBetweenRuns_data()
{
    QTest::addColumn<bool>("on");
    QTest::addColumn<QDateTime>("remind");
    QTest::addColumn<QDateTime>("lastRun");
    QTest::addColumn<QDateTime>("now");
    QTest::addColumn<QDateTime>("missed"); // invalid: none

    const QDateTime noon = at(2024, 3, 5, 12, 0);
    const QDateTime none;
    QTest::newRow("fell due while stopped") << true << noon << at(2024, 3, 5, 11, 0) << at(2024, 3, 5, 13, 0) << noon;
    QTest::newRow("due before the last run") << true << noon << at(2024, 3, 5, 12, 30) << at(2024, 3, 5, 13, 0) << none;
    QTest::newRow("the second of the last run rang then")
        << true << noon << at(2024, 3, 5, 12, 0, 0, 400) << at(2024, 3, 5, 13, 0) << none;
    QTest::newRow("the second of the start is missed")
        << true << noon << at(2024, 3, 5, 11, 0) << at(2024, 3, 5, 12, 0, 0, 600) << noon;
    QTest::newRow("no last run") << true << noon << none << at(2024, 3, 5, 13, 0) << none;
    QTest::newRow("clock set back: last run in the future")
        << true << noon << at(2024, 3, 6, 10, 0) << at(2024, 3, 5, 13, 0) << none;
    QTest::newRow("stopped for years: the latest year")
        << true << at(2019, 3, 5, 12, 0) << at(2020, 1, 1, 0, 0) << at(2024, 6, 1, 9, 0) << noon;
    QTest::newRow("year's last second, started in the new year")
        << true << at(2020, 12, 31, 23, 59, 59) << at(2024, 12, 31, 23, 0) << at(2025, 1, 1, 0, 10)
        << at(2024, 12, 31, 23, 59, 59);
    QTest::newRow("new year's day, stopped over midnight")
        << true << at(2020, 1, 1, 0, 0, 30) << at(2024, 12, 31, 23, 59) << at(2025, 1, 1, 0, 1) << at(2025, 1, 1, 0, 0, 30);
    QTest::newRow("29 February: none in a common year")
        << true << at(2024, 2, 29, 8, 0) << at(2025, 2, 27, 8, 0) << at(2025, 3, 2, 8, 0) << none;
    QTest::newRow("29 February: the leap year's")
        << true << at(2024, 2, 29, 8, 0) << at(2025, 1, 1, 8, 0) << at(2028, 3, 1, 8, 0) << at(2028, 2, 29, 8, 0);
    QTest::newRow("29 February: the one before the last run is not missed")
        << true << at(2024, 2, 29, 8, 0) << at(2024, 3, 1, 8, 0) << at(2027, 12, 1, 8, 0) << none;
    // Europe/Berlin: 2024-03-31 02:00 CET -> 03:00 CEST, 2024-10-27 03:00 CEST -> 02:00 CET.
    QTest::newRow("spring forward: noon is noon on the wall")
        << true << at(2024, 3, 31, 12, 0) << at(2024, 3, 31, 1, 30) << at(2024, 3, 31, 12, 0, 5)
        << utc("2024-03-31T10:00:00Z");
    QTest::newRow("spring forward: a skipped reading fell due at the jump")
        << true << at(2023, 3, 31, 2, 30) << at(2024, 3, 31, 1, 0) << at(2024, 3, 31, 4, 0) << utc("2024-03-31T01:00:00Z");
    QTest::newRow("spring forward: started after the jump, skipped reading already passed")
        << true << at(2023, 3, 31, 2, 30) << utc("2024-03-31T01:00:30Z") << at(2024, 3, 31, 4, 0) << none;
    QTest::newRow("fall back: the repeated hour does not ring twice")
        << true << at(2023, 10, 27, 2, 30) << utc("2024-10-27T00:40:00Z") << utc("2024-10-27T01:40:00Z") << none;
    QTest::newRow("fall back: an hour more on the clock, noon on the wall")
        << true << at(2023, 10, 27, 12, 0) << utc("2024-10-27T00:00:00Z") << at(2024, 10, 27, 12, 30)
        << utc("2024-10-27T11:00:00Z");
}

void TestMissedReminder::latestOccurrenceBetweenRuns()
{
    QFETCH(bool, on);
    QFETCH(QDateTime, remind);
    QFETCH(QDateTime, lastRun);
    QFETCH(QDateTime, now);
    QFETCH(QDateTime, missed);

    ClockSettings reminder;
    reminder.timeActive = on;
    reminder.remindTime = remind;
    const QDateTime actual = MissedReminder::latest(reminder, lastRun, now);
    QCOMPARE(actual.isValid(), missed.isValid());
    if (missed.isValid())
        QCOMPARE(actual.toUTC(), missed.toUTC());
}

int main(int argc, char **argv)
{
    qputenv("TZ", "Europe/Berlin");
    tzset();
    TestMissedReminder test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_missedreminder.moc"
