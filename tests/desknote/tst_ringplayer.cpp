#include "ringplayer.h"
#include "soundmodule.h"
#include "sinkrecorder.h"
#include "testsounds.h"

#include <QtTest>

class TestRingPlayer : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void builtInRingIsEmbedded();
    void soundModuleLoadsOrReportsWhy();
    void soundReachesTheSink_data();
    void soundReachesTheSink();
    void unplayableFileWithoutFallbackEndsSilently();

private:
    QTemporaryDir dir;
    QString wav;
    QString mp3;
    QString junk;
};

void TestRingPlayer::initTestCase()
{
    QVERIFY(dir.isValid());
    wav = TestSounds::wav(dir.path(), QStringLiteral("tone"));
    mp3 = TestSounds::mp3(dir.path(), QStringLiteral("tone"));
    junk = TestSounds::junk(dir.path(), QStringLiteral("junk.mp3"));
    QVERIFY(!wav.isEmpty() && !mp3.isEmpty() && !junk.isEmpty());
}

void TestRingPlayer::builtInRingIsEmbedded()
{
    QFile ring(RingPlayer::builtInRing());
    QVERIFY(ring.open(QIODevice::ReadOnly));
    const QByteArray head = ring.read(12);
    QCOMPARE(head.left(4), QByteArray("RIFF"));
    QCOMPARE(head.mid(8, 4), QByteArray("WAVE"));
    QVERIFY2(ring.size() < 64 * 1024, "the built-in ring should stay small");
}

void TestRingPlayer::soundModuleLoadsOrReportsWhy()
{
    // The module the program would use is found (here: in the build tree).
    SoundModule found(SoundModule::defaultCandidates());
    QObject owner;
    SoundBackend *backend = found.create(&owner, [](SoundBackend::Event) {});
    QVERIFY(backend);
    QVERIFY(found.loadedFile().endsWith(QLatin1String("libvelmo_sound.so")));
    backend->release();

    // Missing files and a file that is no library: nothing is loaded, and
    // the warning says why for each.
    SoundModule missing({dir.path() + QLatin1String("/none.so"), junk});
    QTest::ignoreMessage(QtWarningMsg,
                         QRegularExpression(QStringLiteral("sound module could not be loaded.*none\\.so: no such file; .*junk")));
    QVERIFY(!missing.create(&owner, [](SoundBackend::Event) {}));
    QVERIFY(missing.loadedFile().isEmpty());
    // Asked again, it does not search (or warn) again.
    QVERIFY(!missing.create(&owner, [](SoundBackend::Event) {}));
}

void TestRingPlayer::soundReachesTheSink_data()
{
    QTest::addColumn<QString>("file"); // a name in the test folder
    QTest::addColumn<bool>("builtIn"); // the built-in ring is expected instead

    QTest::newRow("wav") << QStringLiteral("tone.wav") << false;
    QTest::newRow("mp3") << QStringLiteral("tone.mp3") << false;
    QTest::newRow("missing file") << QStringLiteral("missing.mp3") << true;
    QTest::newRow("file that is no sound") << QStringLiteral("junk.mp3") << true;
    QTest::newRow("a folder") << QString() << true;
}

void TestRingPlayer::soundReachesTheSink()
{
    QFETCH(QString, file);
    QFETCH(bool, builtIn);

    SinkRecorder recorder(dir.path());
    QVERIFY(recorder.start());
    RingPlayer player(RingPlayer::Fallback::BuiltInRing);
    QSignalSpy finished(&player, &RingPlayer::finished);
    bool playedBuiltIn = false;
    QTimer probe;
    connect(&probe, &QTimer::timeout, this, [&] { playedBuiltIn = playedBuiltIn || player.isPlayingBuiltInRing(); });
    probe.start(20);
    player.play(dir.path() + QLatin1Char('/') + file);
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
    const SinkRecorder::Level level = recorder.stop();

    QVERIFY2(SinkRecorder::heard(level), qPrintable(level.report));
    QCOMPARE(playedBuiltIn, builtIn);
    // The tone is 440 Hz; the built-in ring chimes at 988 and 784 Hz.
    if (builtIn)
        QVERIFY2(level.frequency > 700, qPrintable(level.report));
    else
        QVERIFY2(level.frequency > 380 && level.frequency < 500, qPrintable(level.report));
    QCOMPARE(finished.count(), 1);
}

void TestRingPlayer::unplayableFileWithoutFallbackEndsSilently()
{
    for (const QString &path : {dir.path() + QLatin1String("/missing.wav"), junk}) {
        SinkRecorder recorder(dir.path());
        QVERIFY(recorder.start());
        RingPlayer player(RingPlayer::Fallback::None);
        QSignalSpy finished(&player, &RingPlayer::finished);
        player.play(path);
        QVERIFY(!player.isPlayingBuiltInRing());
        QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 15000);
        const SinkRecorder::Level level = recorder.stop();
        QVERIFY2(SinkRecorder::silent(level), qPrintable(level.report));
        QCOMPARE(finished.count(), 1);
    }
}

QTEST_GUILESS_MAIN(TestRingPlayer)
#include "tst_ringplayer.moc"
