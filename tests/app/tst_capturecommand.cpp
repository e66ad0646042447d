#include "capturecommand.h"

#include <QtTest>

class TestCaptureCommand : public QObject
{
    Q_OBJECT
private slots:
    void namesWhatReachesTheNotebook_data();
    void namesWhatReachesTheNotebook();
};

void TestCaptureCommand::namesWhatReachesTheNotebook_data()
{
    QTest::addColumn<QString>("program");
    QTest::addColumn<QString>("onPath");
    QTest::addColumn<QString>("folder");
    QTest::addColumn<QString>("command");
    const QString menu = QStringLiteral("/home/ann/.local/share/velmonote");
    QTest::newRow("installed, menu notebook")
        << "/usr/bin/velmonote" << "/usr/bin/velmonote" << menu << "velmonote -Capture";
    QTest::newRow("installed, notebook elsewhere")
        << "/usr/bin/velmonote" << "/usr/bin/velmonote" << "/home/ann/VelmoNote"
        << "velmonote -Capture --notebook /home/ann/VelmoNote";
    QTest::newRow("not installed: its path, quoted")
        << "/home/ann/my apps/velmonote" << "" << "/home/ann/Ann's notes"
        << "'/home/ann/my apps/velmonote' -Capture --notebook '/home/ann/Ann'\\''s notes'";
}

void TestCaptureCommand::namesWhatReachesTheNotebook()
{
    QFETCH(QString, program);
    QFETCH(QString, onPath);
    QFETCH(QString, folder);
    QFETCH(QString, command);
    QCOMPARE(CaptureCommand::forNotebook(program, onPath, folder, QStringLiteral("/home/ann/.local/share/velmonote")),
             command);
}

QTEST_GUILESS_MAIN(TestCaptureCommand)
#include "tst_capturecommand.moc"
