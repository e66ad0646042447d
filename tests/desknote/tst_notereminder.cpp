#include "clockdialog.h"
#include "modaldialogs.h"
#include "notewidget.h"
#include "ringplayer.h"
#include "sinkrecorder.h"
#include "testsounds.h"
#include "xwindow.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QLineEdit>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

/// The reminder of a desktop note, from its reminder button to the sound on
/// the test session's sink and the shake on the X server.
class TestNoteReminder : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void cancelledDialogChangesNothing();
    void acceptRearmsEachTimerIndependently();
    void intervalLengthArmsTheTimer_data();
    void intervalLengthArmsTheTimer();
    void timeReminderRingsAndShakes_data();
    void timeReminderRingsAndShakes();
    void overlappingSoundsAreEachReleased();
    void intervalReminderRingsOnceOrAgain();
    void closingTheNoteSilencesItsRing();

private:
    NoteWidget *makeNote(QPoint at);
    /// Opens the note's reminder dialog, lets edit change it, then presses OK or cancel.
    bool editReminder(NoteWidget *target, const std::function<void(ClockDialog *)> &edit, bool accept = true);
    static ClockSettings timeReminder(const QString &ring, int secondsFromNow);
    QTimer *timer(NoteWidget *target, const char *name) const;

    QTemporaryDir dir;
    QString tone;
    QString mp3;
    QString longTone;
    QString junk;
    QList<NoteWidget *> notes;
};

void TestNoteReminder::initTestCase()
{
    QVERIFY(dir.isValid());
    tone = TestSounds::wav(dir.path(), QStringLiteral("tone"));
    mp3 = TestSounds::mp3(dir.path(), QStringLiteral("tone"));
    longTone = TestSounds::wav(dir.path(), QStringLiteral("long"), 7.0);
    junk = TestSounds::junk(dir.path(), QStringLiteral("junk.wav"));
    QVERIFY(!tone.isEmpty() && !mp3.isEmpty() && !longTone.isEmpty() && !junk.isEmpty());
}

void TestNoteReminder::init()
{
    notes.clear();
}

void TestNoteReminder::cleanup()
{
    qDeleteAll(notes);
    notes.clear();
}

NoteWidget *TestNoteReminder::makeNote(QPoint at)
{
    auto *note = new NoteWidget(QStringLiteral("note %1").arg(notes.size()));
    notes.append(note);
    note->setTextEdit(new QTextEdit);
    note->move(at);
    note->show();
    if (!QTest::qWaitForWindowExposed(note))
        return nullptr;
    QDeadlineTimer placed(5000);
    while (XWindow::position(note) != at && !placed.hasExpired())
        QTest::qWait(20);
    return XWindow::position(note) == at ? note : nullptr;
}

bool TestNoteReminder::editReminder(NoteWidget *target, const std::function<void(ClockDialog *)> &edit, bool accept)
{
    auto ran = ModalDialogs::whenShown<ClockDialog>([&](ClockDialog *dialog) {
        edit(dialog);
        dialog->findChild<QToolButton *>(accept ? QStringLiteral("okButton") : QStringLiteral("cancelButton"))->click();
    });
    target->findChild<QToolButton *>(QStringLiteral("clockButton"))->click();
    return *ran;
}

ClockSettings TestNoteReminder::timeReminder(const QString &ring, int secondsFromNow)
{
    ClockSettings s;
    s.timeActive = true;
    s.remindTime = QDateTime::currentDateTime().addSecs(secondsFromNow);
    s.ringPath = ring;
    return s;
}

QTimer *TestNoteReminder::timer(NoteWidget *target, const char *name) const
{
    return target->findChild<QTimer *>(QString::fromLatin1(name));
}

void TestNoteReminder::cancelledDialogChangesNothing()
{
    NoteWidget *note = makeNote(QPoint(500, 300));
    QVERIFY(note);
    QVERIFY(!timer(note, "timeTimer")->isActive());
    QVERIFY(!timer(note, "gapTimer")->isActive());
    QVERIFY(editReminder(note, [](ClockDialog *d) {
        ClockSettings s;
        s.timeActive = true;
        s.gapActive = true;
        s.gapMinutes = 3;
        d->setSettings(s);
    }, false));
    QVERIFY(!timer(note, "timeTimer")->isActive());
    QVERIFY(!timer(note, "gapTimer")->isActive());
    // Nothing was accepted: the next dialog starts from the defaults.
    bool fresh = false;
    QVERIFY(editReminder(note, [&](ClockDialog *d) {
        const ClockSettings s = d->getSettings();
        fresh = !s.timeActive && !s.gapActive && s.ringPath == ClockSettings::defaultRingPath();
    }, false));
    QVERIFY(fresh);
    QVERIFY(!note->findChild<RingPlayer *>());
}

void TestNoteReminder::acceptRearmsEachTimerIndependently()
{
    NoteWidget *note = makeNote(QPoint(500, 300));
    QVERIFY(note);
    QTimer *time = timer(note, "timeTimer");
    QTimer *gap = timer(note, "gapTimer");
    const QDateTime tomorrow = QDateTime::currentDateTime().addDays(1);

    QVERIFY(editReminder(note, [&](ClockDialog *d) {
        d->findChild<QCheckBox *>(QStringLiteral("activeBox"))->click();
        d->findChild<QDateTimeEdit *>(QStringLiteral("timeEdit"))->setDateTime(tomorrow);
        QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("gapEdit")), QStringLiteral("5"));
        d->findChild<QCheckBox *>(QStringLiteral("repeatBox"))->click();
    }));
    QVERIFY(time->isActive());
    QCOMPARE(time->interval(), 1000);
    QVERIFY(gap->isActive());
    QVERIFY(gap->remainingTime() > 5 * 60000 - 10000 && gap->remainingTime() <= 5 * 60000);

    // The accepted reminder comes back into the dialog; the interval goes off alone.
    ClockSettings shown;
    QVERIFY(editReminder(note, [&](ClockDialog *d) {
        shown = d->getSettings();
        d->findChild<QLineEdit *>(QStringLiteral("gapEdit"))->clear();
    }));
    QVERIFY(shown.timeActive);
    QCOMPARE(shown.remindTime.toSecsSinceEpoch(), tomorrow.toSecsSinceEpoch());
    QVERIFY(shown.gapActive);
    QCOMPARE(shown.gapMinutes, 5);
    QVERIFY(shown.gapRepeat);
    QVERIFY(time->isActive());
    QVERIFY(!gap->isActive());

    // The time reminder goes off alone, the interval comes back.
    QVERIFY(editReminder(note, [&](ClockDialog *d) {
        d->findChild<QCheckBox *>(QStringLiteral("activeBox"))->click();
        QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("gapEdit")), QStringLiteral("2"));
    }));
    QVERIFY(!time->isActive());
    QVERIFY(gap->isActive());
    QVERIFY(gap->remainingTime() > 2 * 60000 - 10000 && gap->remainingTime() <= 2 * 60000);
}

void TestNoteReminder::intervalLengthArmsTheTimer_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<qint64>("firstWaitMs"); // 0: the interval reminder is off
    QTest::newRow("one minute") << QStringLiteral("1") << qint64(60000);
    // Long intervals are waited for an hour at a time.
    QTest::newRow("35791 minutes") << QStringLiteral("35791") << qint64(3600000);
    QTest::newRow("35792 minutes, beyond 32-bit milliseconds") << QStringLiteral("35792") << qint64(3600000);
    QTest::newRow("99999 minutes") << QStringLiteral("99999") << qint64(3600000);
    QTest::newRow("0") << QStringLiteral("0") << qint64(0);
    QTest::newRow("00 reads as zero") << QStringLiteral("00") << qint64(0);
}

void TestNoteReminder::intervalLengthArmsTheTimer()
{
    QFETCH(QString, typed);
    QFETCH(qint64, firstWaitMs);
    NoteWidget *note = makeNote(QPoint(500, 300));
    QVERIFY(note);
    QVERIFY(editReminder(note, [&](ClockDialog *d) {
        QTest::keyClicks(d->findChild<QLineEdit *>(QStringLiteral("gapEdit")), typed);
    }));
    QTimer *gap = timer(note, "gapTimer");
    QCOMPARE(gap->isActive(), firstWaitMs > 0);
    if (firstWaitMs > 0) {
        QVERIFY(gap->remainingTime() <= firstWaitMs);
        QVERIFY(gap->remainingTime() > firstWaitMs - 10000);
    }
}

void TestNoteReminder::timeReminderRingsAndShakes_data()
{
    QTest::addColumn<QString>("ring");
    QTest::addColumn<bool>("builtIn");
    QTest::newRow("wav") << QStringLiteral("tone.wav") << false;
    QTest::newRow("mp3") << QStringLiteral("tone.mp3") << false;
    QTest::newRow("missing file rings the built-in ring") << QStringLiteral("gone.mp3") << true;
    QTest::newRow("file that is no sound rings the built-in ring") << QStringLiteral("junk.wav") << true;
}

void TestNoteReminder::timeReminderRingsAndShakes()
{
    QFETCH(QString, ring);
    QFETCH(bool, builtIn);
    const QPoint start(500, 300);
    NoteWidget *note = makeNote(start);
    QVERIFY(note);
    SinkRecorder recorder(dir.path());
    QVERIFY(recorder.start());

    QVERIFY(editReminder(note, [&](ClockDialog *d) { d->setSettings(timeReminder(dir.path() + QLatin1Char('/') + ring, 2)); }));
    QTRY_VERIFY_WITH_TIMEOUT(note->findChild<RingPlayer *>(), 6000);
    QPointer<RingPlayer> player = note->findChild<RingPlayer *>();
    QSignalSpy finished(player.data(), &RingPlayer::finished);
    int finishedWhenReleased = -1;
    connect(player.data(), &QObject::destroyed, this, [&] { finishedWhenReleased = int(finished.count()); });

    // The note shakes on the screen while the ring plays, and comes back.
    QTRY_VERIFY(XWindow::position(note) != start);
    QTRY_VERIFY_WITH_TIMEOUT(!player, 15000);
    QCOMPARE(finishedWhenReleased, 1);
    QTRY_COMPARE(XWindow::position(note), start);
    const SinkRecorder::Level level = recorder.stop();
    QVERIFY2(SinkRecorder::heard(level), qPrintable(level.report));
    if (builtIn)
        QVERIFY2(level.frequency > 700, qPrintable(level.report));
    else
        QVERIFY2(level.frequency > 380 && level.frequency < 500, qPrintable(level.report));
    QVERIFY(note->findChildren<RingPlayer *>().isEmpty());
    QVERIFY(timer(note, "timeTimer")->isActive());
}

void TestNoteReminder::overlappingSoundsAreEachReleased()
{
    NoteWidget *note = makeNote(QPoint(500, 300));
    QVERIFY(note);
    QStringList events;
    const auto watch = [&](RingPlayer *p, const QString &name) {
        connect(p, &RingPlayer::finished, this, [&events, name] { events << name + QLatin1String(" finished"); });
        connect(p, &QObject::destroyed, this, [&events, name] { events << name + QLatin1String(" released"); });
    };

    QVERIFY(editReminder(note, [&](ClockDialog *d) { d->setSettings(timeReminder(longTone, 2)); }));
    QTRY_VERIFY_WITH_TIMEOUT(note->findChild<RingPlayer *>(), 6000);
    QPointer<RingPlayer> first = note->findChild<RingPlayer *>();
    watch(first, QStringLiteral("first"));

    // A second reminder rings while the first sound still plays.
    QVERIFY(editReminder(note, [&](ClockDialog *d) { d->setSettings(timeReminder(tone, 2)); }));
    QTRY_VERIFY_WITH_TIMEOUT(note->findChildren<RingPlayer *>().size() == 2, 6000);
    QVERIFY(first);
    QPointer<RingPlayer> second;
    for (RingPlayer *p : note->findChildren<RingPlayer *>()) {
        if (p != first)
            second = p;
    }
    watch(second, QStringLiteral("second"));

    QTRY_VERIFY_WITH_TIMEOUT(!first && !second, 20000);
    // The short second sound ends first; each player goes only after its own end.
    QCOMPARE(events, (QStringList{QStringLiteral("second finished"), QStringLiteral("second released"),
                                  QStringLiteral("first finished"), QStringLiteral("first released")}));
    QVERIFY(note->findChildren<RingPlayer *>().isEmpty());
}

void TestNoteReminder::intervalReminderRingsOnceOrAgain()
{
    // Two notes with a one-minute interval, one once and one repeating.
    NoteWidget *once = makeNote(QPoint(300, 300));
    NoteWidget *again = makeNote(QPoint(700, 300));
    QVERIFY(once && again);
    const QPoint onceAt = XWindow::position(once);
    for (NoteWidget *note : {once, again}) {
        QVERIFY(editReminder(note, [&](ClockDialog *d) {
            ClockSettings s;
            s.gapActive = true;
            s.gapMinutes = 1;
            s.gapRepeat = note == again;
            s.ringPath = tone;
            d->setSettings(s);
        }));
    }
    SinkRecorder recorder(dir.path());
    QVERIFY(recorder.start());
    QTRY_VERIFY_WITH_TIMEOUT(once->findChild<RingPlayer *>() && again->findChild<RingPlayer *>(), 70000);
    QTRY_VERIFY_WITH_TIMEOUT(!once->findChild<RingPlayer *>() && !again->findChild<RingPlayer *>(), 15000);
    const SinkRecorder::Level level = recorder.stop();
    QVERIFY2(SinkRecorder::heard(level), qPrintable(level.report));

    QVERIFY(!timer(once, "gapTimer")->isActive());
    QTimer *next = timer(again, "gapTimer");
    QVERIFY(next->isActive());
    QVERIFY(next->remainingTime() > 40000 && next->remainingTime() <= 60000);
    // The interval reminder does not shake.
    QCOMPARE(XWindow::position(once), onceAt);
}

void TestNoteReminder::closingTheNoteSilencesItsRing()
{
    NoteWidget *note = makeNote(QPoint(500, 300));
    QVERIFY(note);
    QVERIFY(editReminder(note, [&](ClockDialog *d) { d->setSettings(timeReminder(longTone, 1)); }));
    QTRY_VERIFY_WITH_TIMEOUT(note->findChild<RingPlayer *>(), 6000);
    QPointer<RingPlayer> player = note->findChild<RingPlayer *>();
    notes.removeOne(note);
    delete note;
    QVERIFY(!player);
    const SinkRecorder::Level level = SinkRecorder::listen(dir.path(), 0.5);
    QVERIFY2(SinkRecorder::silent(level), qPrintable(level.report));
}

QTEST_MAIN(TestNoteReminder)
#include "tst_notereminder.moc"
