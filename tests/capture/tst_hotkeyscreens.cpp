// The global hot key on a display with two separate X screens: it fires
// whichever screen the pointer is on. Runs its own two-screen Xvfb and a
// program holding the key on it.

#include "privatexserver.h"

#include <QtTest>

class TestHotKeyScreens : public QObject
{
    Q_OBJECT
private slots:
    void firesOnEveryScreen_data();
    void firesOnEveryScreen();
};

void TestHotKeyScreens::firesOnEveryScreen_data()
{
    QTest::addColumn<int>("screen");
    QTest::newRow("first screen") << 0;
    QTest::newRow("second screen") << 1;
}

void TestHotKeyScreens::firesOnEveryScreen()
{
    QFETCH(int, screen);
    PrivateXServer x({QStringLiteral("640x480x24"), QStringLiteral("800x600x24")});
    QVERIFY2(x.isRunning(), "no Xvfb with two screens");
    QString info;
    QVERIFY(x.run(QStringLiteral("xdpyinfo"), {}, &info));
    QVERIFY(info.contains(QLatin1String("number of screens:    2")));

    QProcess probe;
    QProcessEnvironment env = x.environment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("xcb"));
    probe.setProcessEnvironment(env);
    probe.start(QStringLiteral(HOTKEY_PROBE_PATH), {});
    QVERIFY(probe.waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(probe.canReadLine(), 10000);
    QCOMPARE(probe.readLine().trimmed(), QByteArray("ready"));

    QVERIFY(x.run(QStringLiteral("xdotool"), {QStringLiteral("mousemove"), QStringLiteral("--screen"),
                                              QString::number(screen), QStringLiteral("50"), QStringLiteral("60")}));
    QString where;
    QVERIFY(x.run(QStringLiteral("xdotool"), {QStringLiteral("getmouselocation")}, &where));
    QVERIFY2(where.contains(QStringLiteral("screen:%1").arg(screen)), qPrintable(where));
    QVERIFY(x.run(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+c")}));
    QTRY_VERIFY_WITH_TIMEOUT(probe.canReadLine(), 5000);
    QCOMPARE(probe.readLine().trimmed(), QByteArray("activated"));

    probe.closeWriteChannel();
    QVERIFY(probe.waitForFinished(5000));
}

QTEST_GUILESS_MAIN(TestHotKeyScreens)
#include "tst_hotkeyscreens.moc"
