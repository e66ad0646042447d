#include "notenamerule.h"

#include <QtTest>

// No two notes share a name silently: the taken one is numbered.
class TestNoteNameRule : public QObject
{
    Q_OBJECT
private slots:
    void numbersTakenNames_data();
    void numbersTakenNames();
};

void TestNoteNameRule::numbersTakenNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("taken");
    QTest::addColumn<QString>("expected");

    QTest::newRow("free") << "Plan" << QStringList{"Other"} << "Plan";
    QTest::newRow("taken") << "Plan" << QStringList{"Plan"} << "Plan (2)";
    QTest::newRow("first free number") << "Plan" << QStringList{"Plan", "Plan (2)", "Plan (3)"} << "Plan (4)";
    QTest::newRow("a gap is used") << "Plan" << QStringList{"Plan", "Plan (3)"} << "Plan (2)";
    QTest::newRow("counts on from a number") << "Plan (2)" << QStringList{"Plan", "Plan (2)"} << "Plan (3)";
    QTest::newRow("case tells names apart") << "plan" << QStringList{"Plan"} << "plan";
    QTest::newRow("chinese") << "会议" << QStringList{"会议"} << "会议 (2)";
}

void TestNoteNameRule::numbersTakenNames()
{
    QFETCH(QString, name);
    QFETCH(QStringList, taken);
    QFETCH(QString, expected);
    QCOMPARE(NoteNameRule::unique(name, taken), expected);
}

QTEST_APPLESS_MAIN(TestNoteNameRule)
#include "tst_notenamerule.moc"
