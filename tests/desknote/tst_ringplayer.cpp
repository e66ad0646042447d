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
    void soundModuleFoundBesideOrInLibraryFolder_data();
    void soundModuleFoundBesideOrInLibraryFolder();
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
    // The module the program would use is found (here: named by CTest).
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

void TestRingPlayer::soundModuleFoundBesideOrInLibraryFolder_data()
{
    QTest::addColumn<QString>("placed");     // where the module is put, under a fresh prefix
    QTest::addColumn<bool>("named");         // also named by the environment
    QTest::addColumn<QString>("loaded");     // where it is expected to load from; empty: nowhere
    const QString installed = QStringLiteral("bin/" VELMO_PRIVATE_LIB_RELATIVE_DIR "/libvelmo_sound.so");
    QTest::newRow("beside the program (build tree)") << "bin/libvelmo_sound.so" << false << "bin/libvelmo_sound.so";
    QTest::newRow("installed library folder") << installed << false << installed;
    QTest::newRow("environment first") << installed << true << "named/libvelmo_sound.so";
    QTest::newRow("elsewhere: not found") << "lib/libvelmo_sound.so" << false << QString();
}

void TestRingPlayer::soundModuleFoundBesideOrInLibraryFolder()
{
    QFETCH(QString, placed);
    QFETCH(bool, named);
    QFETCH(QString, loaded);
    const QString built = qEnvironmentVariable("VELMO_SOUND_MODULE");
    QVERIFY2(QFileInfo(built).isFile(), "VELMO_SOUND_MODULE names the built module (set by CTest)");
    QTemporaryDir prefix;
    auto put = [&](const QString &relative) {
        const QString to = QDir::cleanPath(prefix.path() + QLatin1Char('/') + relative);
        QDir().mkpath(QFileInfo(to).absolutePath());
        QVERIFY(QFile::copy(built, to));
    };
    put(placed);
    QDir().mkpath(prefix.path() + QLatin1String("/bin"));
    QString chosen;
    if (named) {
        put(QStringLiteral("named/libvelmo_sound.so"));
        chosen = prefix.path() + QLatin1String("/named/libvelmo_sound.so");
    }
    SoundModule module(SoundModule::candidatesFor(prefix.path() + QLatin1String("/bin"), chosen));
    QObject owner;
    if (loaded.isEmpty())
        QTest::ignoreMessage(QtWarningMsg, QRegularExpression(QStringLiteral("sound module could not be loaded")));
    SoundBackend *backend = module.create(&owner, [](SoundBackend::Event) {});
    QCOMPARE(backend != nullptr, !loaded.isEmpty());
    if (backend) {
        QCOMPARE(QFileInfo(module.loadedFile()).canonicalFilePath(),
                 QFileInfo(prefix.path() + QLatin1Char('/') + loaded).canonicalFilePath());
        backend->release();
    }
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
