// The save that runs when Qt ends the program with exit() (a broken X
// connection): checked on child processes of this test, which end the way
// Qt's xcb plugin ends a program.

#include "displaylosssaver.h"

#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include <cstdlib>
#include <cstring>
#include <thread>

namespace {
// The child: arms a saver that writes file, then ends as mode says.
int runChild(const char *mode, const char *file)
{
    const auto save = [file] {
        QFile out(QString::fromLocal8Bit(file));
        if (out.open(QIODevice::WriteOnly))
            out.write("saved");
    };
    if (std::strcmp(mode, "exit-in-loop") == 0) {
        const DisplayLossSaver saver(save);
        std::exit(1); // what Qt does on a broken connection, from the GUI thread
    }
    if (std::strcmp(mode, "normal-quit") == 0) {
        {
            const DisplayLossSaver saver(save);
        } // quit already saved; the saver is gone before exit
        std::exit(0);
    }
    if (std::strcmp(mode, "exit-elsewhere") == 0) {
        const DisplayLossSaver saver(save);
        std::thread([] { std::exit(2); }).join();
    }
    return 3;
}
}

class TestDisplayLossSaver : public QObject
{
    Q_OBJECT
private slots:
    void savesOnlyWhenExitEndsTheLoop_data();
    void savesOnlyWhenExitEndsTheLoop();
};

void TestDisplayLossSaver::savesOnlyWhenExitEndsTheLoop_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<int>("exitCode");
    QTest::addColumn<bool>("saved");
    QTest::newRow("exit() from the GUI thread saves") << "exit-in-loop" << 1 << true;
    QTest::newRow("after a normal quit nothing more") << "normal-quit" << 0 << false;
    QTest::newRow("exit() from another thread does not touch the notes") << "exit-elsewhere" << 2 << false;
}

void TestDisplayLossSaver::savesOnlyWhenExitEndsTheLoop()
{
    QFETCH(QString, mode);
    QFETCH(int, exitCode);
    QFETCH(bool, saved);
    QTemporaryDir dir;
    const QString file = dir.filePath(QStringLiteral("saved"));
    QProcess child;
    child.start(QCoreApplication::applicationFilePath(), {QStringLiteral("child"), mode, file});
    QVERIFY(child.waitForFinished(10000));
    QCOMPARE(child.exitStatus(), QProcess::NormalExit);
    QCOMPARE(child.exitCode(), exitCode);
    QCOMPARE(QFile::exists(file), saved);
}

int main(int argc, char *argv[])
{
    if (argc == 4 && std::strcmp(argv[1], "child") == 0)
        return runChild(argv[2], argv[3]);
    QCoreApplication app(argc, argv);
    TestDisplayLossSaver test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_displaylosssaver.moc"
