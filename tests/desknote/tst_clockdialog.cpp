#include "clockdialog.h"
#include "desktoptools.h"
#include "modaldialogs.h"
#include "ringplayer.h"
#include "sinkrecorder.h"
#include "testsounds.h"
#include "xwindow.h"

#include <QCheckBox>
#include <QDateTimeEdit>
#include <QFileDialog>
#include <QIntValidator>
#include <QLabel>
#include <QLineEdit>
#include <QMediaPlayer>
#include <QToolButton>
#include <QtTest>

class TestClockDialog : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void frameAndWidgets();
    void placesWidgets_data();
    void placesWidgets();
    void dragsOnlyFromTitleStrip_data();
    void dragsOnlyFromTitleStrip();
    void activeBoxEnablesTimeEdit();
    void readsSettings_data();
    void readsSettings();
    void minutesFieldTakesDigitsUpTo99999_data();
    void minutesFieldTakesDigitsUpTo99999();
    void showsGivenSettings_data();
    void showsGivenSettings();
    void buttonsEndTheDialog_data();
    void buttonsEndTheDialog();
    void choosingRingReplacesPathCancelKeepsIt();
    void previewPlaysPausesResumesAndStops();
    void previewEndsByItself();
    void previewOfUnplayableOrEmptyPathDoesNothing();
    void previewEndsWithTheDialog();

private:
    template<typename T> T *child(const char *name) const
    {
        T *found = dialog->findChild<T *>(QString::fromLatin1(name));
        if (!found)
            qFatal("no child %s", name);
        return found;
    }
    QLabel *label(const QString &text) const;
    void showAt(QPoint at);
    void setRing(const QString &path);
    QMediaPlayer *previewMedia() const;
    /// play, pause, stop enabled
    QList<bool> previewButtons() const;

    QTemporaryDir dir;
    QString tone;
    QString longTone;
    ClockDialog *dialog = nullptr;
    QDateTime built;
};

void TestClockDialog::initTestCase()
{
    QVERIFY(dir.isValid());
    tone = TestSounds::wav(dir.path(), QStringLiteral("tone"), 1.0);
    longTone = TestSounds::wav(dir.path(), QStringLiteral("long"), 4.0);
    QVERIFY(!tone.isEmpty() && !longTone.isEmpty());
}

void TestClockDialog::init()
{
    built = QDateTime::currentDateTime();
    dialog = new ClockDialog;
}

void TestClockDialog::cleanup()
{
    delete dialog;
    dialog = nullptr;
    DesktopTools::movePointer(QPoint(5, 1070));
}

QLabel *TestClockDialog::label(const QString &text) const
{
    for (QLabel *l : dialog->findChildren<QLabel *>()) {
        if (l->text() == text)
            return l;
    }
    qFatal("no label %s", qPrintable(text));
}

void TestClockDialog::showAt(QPoint at)
{
    dialog->move(at);
    dialog->show();
    QVERIFY(QTest::qWaitForWindowExposed(dialog));
    QTRY_COMPARE(XWindow::position(dialog), at);
}

void TestClockDialog::setRing(const QString &path)
{
    ClockSettings s;
    s.ringPath = path;
    dialog->setSettings(s);
}

QMediaPlayer *TestClockDialog::previewMedia() const
{
    auto *player = dialog->findChild<RingPlayer *>();
    return player ? player->findChild<QMediaPlayer *>() : nullptr;
}

QList<bool> TestClockDialog::previewButtons() const
{
    return {child<QToolButton>("playButton")->isEnabled(), child<QToolButton>("pauseButton")->isEnabled(),
            child<QToolButton>("stopButton")->isEnabled()};
}

void TestClockDialog::frameAndWidgets()
{
    QVERIFY(dialog->windowFlags().testFlags(Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint));
    QVERIFY(dialog->testAttribute(Qt::WA_TranslucentBackground));
    QCOMPARE(dialog->size(), QSize(300, 230));
    QCOMPARE(previewButtons(), (QList<bool>{true, false, false}));

    // The program's own texts, word for word.
    QCOMPARE(child<QToolButton>("selectButton")->text(), QStringLiteral("选择闹铃..."));
    QCOMPARE(child<QToolButton>("closeButton")->toolTip(), QStringLiteral("关闭窗口"));
    QCOMPARE(child<QToolButton>("playButton")->toolTip(), QStringLiteral("试听"));
    QCOMPARE(child<QToolButton>("pauseButton")->toolTip(), QStringLiteral("暂停"));
    QCOMPARE(child<QToolButton>("stopButton")->toolTip(), QStringLiteral("停止"));
    QCOMPARE(child<QCheckBox>("repeatBox")->toolTip(), QStringLiteral("间隔时间持续提醒"));
    QCOMPARE(child<QCheckBox>("activeBox")->toolTip(), QStringLiteral("激活定时提醒"));

    // A fresh dialog: no reminder, the time field at the moment it was built.
    auto *time = child<QDateTimeEdit>("timeEdit");
    QVERIFY(time->calendarPopup());
    QVERIFY(!time->isEnabled());
    QVERIFY(qAbs(time->dateTime().secsTo(built)) <= 1);
    QVERIFY(child<QLineEdit>("ringEdit")->isReadOnly());
    const ClockSettings fresh = dialog->getSettings();
    QVERIFY(!fresh.timeActive);
    QVERIFY(!fresh.gapActive);
    QCOMPARE(fresh.ringPath, QStringLiteral("./ring/ring01.mp3"));
}

void TestClockDialog::placesWidgets_data()
{
    QTest::addColumn<QString>("name"); // object name, or the label's text
    QTest::addColumn<QPoint>("pos");
    QTest::newRow("close") << "closeButton" << QPoint(275, 3);
    QTest::newRow("time label") << "定时提醒:" << QPoint(20, 40);
    QTest::newRow("time edit") << "timeEdit" << QPoint(80, 35);
    QTest::newRow("active") << "activeBox" << QPoint(250, 38);
    QTest::newRow("gap label") << "间隔提醒(分):" << QPoint(20, 75);
    QTest::newRow("gap edit") << "gapEdit" << QPoint(105, 70);
    QTest::newRow("repeat") << "repeatBox" << QPoint(250, 75);
    QTest::newRow("ring path") << "ringEdit" << QPoint(20, 110);
    QTest::newRow("select") << "selectButton" << QPoint(200, 110);
    QTest::newRow("play") << "playButton" << QPoint(40, 140);
    QTest::newRow("pause") << "pauseButton" << QPoint(70, 140);
    QTest::newRow("stop") << "stopButton" << QPoint(100, 140);
    QTest::newRow("ok") << "okButton" << QPoint(120, 200);
    QTest::newRow("cancel") << "cancelButton" << QPoint(155, 200);
}

void TestClockDialog::placesWidgets()
{
    QFETCH(QString, name);
    QFETCH(QPoint, pos);
    showAt(QPoint(400, 300));
    QWidget *widget = dialog->findChild<QWidget *>(name);
    if (!widget)
        widget = label(name);
    QCOMPARE(widget->pos(), pos);
    // Nothing spills over the right edge or into its neighbour on the row.
    QVERIFY(widget->geometry().right() < dialog->width());
    const QRect area = widget->geometry();
    for (QWidget *other : dialog->findChildren<QWidget *>(QString(), Qt::FindDirectChildrenOnly)) {
        if (other != widget && other->isVisible() && !other->isWindow())
            QVERIFY2(!area.intersects(other->geometry()), qPrintable(name + QLatin1String(" overlaps ") + other->objectName()));
    }
}

void TestClockDialog::dragsOnlyFromTitleStrip_data()
{
    QTest::addColumn<QPoint>("press");
    QTest::addColumn<bool>("moves");
    QTest::newRow("inside the strip") << QPoint(100, 12) << true;
    QTest::newRow("the strip's rightmost 50 pixels") << QPoint(260, 12) << false;
    QTest::newRow("below the strip") << QPoint(200, 170) << false;
}

void TestClockDialog::dragsOnlyFromTitleStrip()
{
    QFETCH(QPoint, press);
    QFETCH(bool, moves);
    const QPoint start(400, 300);
    showAt(start);
    QVERIFY(DesktopTools::dragPointer(start + press, start + press + QPoint(120, 60)));
    if (moves) {
        QTRY_COMPARE(XWindow::position(dialog), start + QPoint(120, 60));
        // Dragged above the screen's top, the dialog comes back to y = 0.
        const QPoint at = start + QPoint(120, 60);
        QVERIFY(DesktopTools::dragPointer(at + press, QPoint(at.x() + press.x(), 2)));
        QTRY_COMPARE(XWindow::position(dialog), QPoint(at.x(), 0));
    } else {
        QTest::qWait(200);
        QCOMPARE(XWindow::position(dialog), start);
    }
}

void TestClockDialog::activeBoxEnablesTimeEdit()
{
    auto *active = child<QCheckBox>("activeBox");
    auto *time = child<QDateTimeEdit>("timeEdit");
    active->click();
    QVERIFY(time->isEnabled());
    active->click();
    QVERIFY(!time->isEnabled());
}

void TestClockDialog::readsSettings_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("repeat");
    QTest::addColumn<bool>("gapActive");
    QTest::addColumn<int>("gapMinutes");
    QTest::newRow("empty") << QString() << false << false << 0;
    QTest::newRow("zero") << QStringLiteral("0") << true << false << 0;
    QTest::newRow("zeros read as zero") << QStringLiteral("00") << true << false << 0;
    QTest::newRow("five, once") << QStringLiteral("5") << false << true << 5;
    QTest::newRow("five, repeating") << QStringLiteral("5") << true << true << 5;
    QTest::newRow("leading zero") << QStringLiteral("035") << false << true << 35;
    QTest::newRow("largest") << QStringLiteral("99999") << true << true << 99999;
}

void TestClockDialog::readsSettings()
{
    QFETCH(QString, typed);
    QFETCH(bool, repeat);
    QFETCH(bool, gapActive);
    QFETCH(int, gapMinutes);
    showAt(QPoint(400, 300));
    child<QCheckBox>("activeBox")->click();
    const QDateTime when(QDate(2031, 7, 14), QTime(9, 30, 15));
    child<QDateTimeEdit>("timeEdit")->setDateTime(when);
    QTest::keyClicks(child<QLineEdit>("gapEdit"), typed);
    if (repeat)
        child<QCheckBox>("repeatBox")->click();

    const ClockSettings s = dialog->getSettings();
    QVERIFY(s.timeActive);
    QCOMPARE(s.remindTime, when);
    QCOMPARE(s.gapActive, gapActive);
    QCOMPARE(s.gapMinutes, gapMinutes);
    QCOMPARE(s.gapRepeat, repeat);
    QCOMPARE(s.ringPath, QStringLiteral("./ring/ring01.mp3"));
}

void TestClockDialog::minutesFieldTakesDigitsUpTo99999_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("shown");
    QTest::newRow("six digits") << QStringLiteral("123456") << QStringLiteral("12345");
    QTest::newRow("above the limit") << QStringLiteral("100000") << QStringLiteral("10000");
    QTest::newRow("minus sign") << QStringLiteral("-3") << QStringLiteral("3");
    QTest::newRow("letters") << QStringLiteral("4a2") << QStringLiteral("42");
}

void TestClockDialog::minutesFieldTakesDigitsUpTo99999()
{
    QFETCH(QString, typed);
    QFETCH(QString, shown);
    auto *gap = child<QLineEdit>("gapEdit");
    QTest::keyClicks(gap, typed);
    QCOMPARE(gap->text(), shown);
}

void TestClockDialog::showsGivenSettings_data()
{
    QTest::addColumn<bool>("timeActive");
    QTest::addColumn<bool>("gapActive");
    QTest::newRow("both on") << true << true;
    QTest::newRow("time only") << true << false;
    QTest::newRow("interval only") << false << true;
    QTest::newRow("both off") << false << false;
}

void TestClockDialog::showsGivenSettings()
{
    QFETCH(bool, timeActive);
    QFETCH(bool, gapActive);
    ClockSettings s;
    s.timeActive = timeActive;
    s.remindTime = QDateTime(QDate(2030, 1, 2), QTime(3, 4, 5));
    s.gapActive = gapActive;
    s.gapRepeat = true;
    s.gapMinutes = 42;
    s.ringPath = QStringLiteral("/music/bell.wav");
    dialog->setSettings(s);

    auto *time = child<QDateTimeEdit>("timeEdit");
    QCOMPARE(child<QCheckBox>("activeBox")->isChecked(), timeActive);
    QCOMPARE(time->isEnabled(), timeActive);
    if (timeActive)
        QCOMPARE(time->dateTime(), s.remindTime);
    else
        QVERIFY(qAbs(time->dateTime().secsTo(built)) <= 1);
    QCOMPARE(child<QLineEdit>("gapEdit")->text(), gapActive ? QStringLiteral("42") : QString());
    QCOMPARE(child<QCheckBox>("repeatBox")->isChecked(), gapActive);
    QCOMPARE(child<QLineEdit>("ringEdit")->text(), s.ringPath);

    // What is shown reads back as the same reminder.
    const ClockSettings back = dialog->getSettings();
    QCOMPARE(back.timeActive, timeActive);
    QCOMPARE(back.gapActive, gapActive);
    QCOMPARE(back.gapMinutes, gapActive ? 42 : 0);
    QCOMPARE(back.ringPath, s.ringPath);
}

void TestClockDialog::buttonsEndTheDialog_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("result");
    QTest::newRow("ok") << "okButton" << int(QDialog::Accepted);
    QTest::newRow("cancel") << "cancelButton" << int(QDialog::Rejected);
    QTest::newRow("close") << "closeButton" << int(QDialog::Rejected);
}

void TestClockDialog::buttonsEndTheDialog()
{
    QFETCH(QString, button);
    QFETCH(int, result);
    auto *target = dialog->findChild<QToolButton *>(button);
    QVERIFY(target);
    QTimer::singleShot(0, dialog, [this, target] {
        QVERIFY(QTest::qWaitForWindowExposed(dialog));
        QTest::mouseClick(target, Qt::LeftButton);
    });
    QCOMPARE(dialog->exec(), result);
}

void TestClockDialog::choosingRingReplacesPathCancelKeepsIt()
{
    showAt(QPoint(400, 300));
    QString caption;
    QStringList filters;
    auto ran = ModalDialogs::whenShown<QFileDialog>([&](QFileDialog *chooser) {
        caption = chooser->windowTitle();
        filters = chooser->nameFilters();
        // As a user would: type the path into the name field and press Enter.
        auto *name = chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"));
        QVERIFY(name);
        name->setText(tone);
        QTest::keyClick(name, Qt::Key_Return);
    });
    child<QToolButton>("selectButton")->click();
    QVERIFY(*ran);
    QCOMPARE(caption, QStringLiteral("选择闹铃"));
    QCOMPARE(filters, QStringList{QStringLiteral("音乐文件 (*.wav *.mp3)")});
    QCOMPARE(child<QLineEdit>("ringEdit")->text(), tone);

    ran = ModalDialogs::whenShown<QFileDialog>([](QFileDialog *chooser) {
        chooser->findChild<QLineEdit *>(QStringLiteral("fileNameEdit"))->setText(QStringLiteral("else.mp3"));
        chooser->reject();
    });
    child<QToolButton>("selectButton")->click();
    QVERIFY(*ran);
    QCOMPARE(child<QLineEdit>("ringEdit")->text(), tone);
}

void TestClockDialog::previewPlaysPausesResumesAndStops()
{
    showAt(QPoint(400, 300));
    setRing(longTone);
    QCOMPARE(previewButtons(), (QList<bool>{true, false, false}));

    SinkRecorder heard(dir.path());
    QVERIFY(heard.start());
    child<QToolButton>("playButton")->click();
    QCOMPARE(previewButtons(), (QList<bool>{false, true, true}));
    QPointer<RingPlayer> player = dialog->findChild<RingPlayer *>();
    QVERIFY(player);
    QTRY_VERIFY(previewMedia() && previewMedia()->position() > 500);
    const SinkRecorder::Level playing = heard.stop();
    QVERIFY2(SinkRecorder::heard(playing), qPrintable(playing.report));

    child<QToolButton>("pauseButton")->click();
    QCOMPARE(previewButtons(), (QList<bool>{true, false, true}));
    QTRY_COMPARE(previewMedia()->playbackState(), QMediaPlayer::PausedState);
    const qint64 pausedAt = previewMedia()->position();
    const SinkRecorder::Level paused = SinkRecorder::listen(dir.path(), 0.6);
    QVERIFY2(SinkRecorder::silent(paused), qPrintable(paused.report));

    // Play again resumes the same sound where it stopped.
    child<QToolButton>("playButton")->click();
    QCOMPARE(previewButtons(), (QList<bool>{false, true, true}));
    QCOMPARE(dialog->findChild<RingPlayer *>(), player.data());
    QTRY_VERIFY(previewMedia()->position() > pausedAt + 200);
    QVERIFY(previewMedia()->position() < pausedAt + 2500);

    child<QToolButton>("stopButton")->click();
    QCOMPARE(previewButtons(), (QList<bool>{true, false, false}));
    QTRY_VERIFY(!player);
    const SinkRecorder::Level after = SinkRecorder::listen(dir.path(), 0.4);
    QVERIFY2(SinkRecorder::silent(after), qPrintable(after.report));
}

void TestClockDialog::previewEndsByItself()
{
    showAt(QPoint(400, 300));
    setRing(tone);
    SinkRecorder recorder(dir.path());
    QVERIFY(recorder.start());
    child<QToolButton>("playButton")->click();
    QPointer<RingPlayer> player = dialog->findChild<RingPlayer *>();
    QVERIFY(player);
    QTRY_COMPARE_WITH_TIMEOUT(previewButtons(), (QList<bool>{true, false, false}), 10000);
    QTRY_VERIFY(!player);
    const SinkRecorder::Level level = recorder.stop();
    QVERIFY2(SinkRecorder::heard(level), qPrintable(level.report));
}

void TestClockDialog::previewOfUnplayableOrEmptyPathDoesNothing()
{
    showAt(QPoint(400, 300));
    // A missing file: the preview ends at once, silently, without the built-in ring.
    setRing(dir.path() + QLatin1String("/missing.mp3"));
    SinkRecorder recorder(dir.path());
    QVERIFY(recorder.start());
    child<QToolButton>("playButton")->click();
    QTRY_COMPARE(previewButtons(), (QList<bool>{true, false, false}));
    QTRY_VERIFY(!dialog->findChild<RingPlayer *>());
    QVERIFY(recorder.waitForSeconds(0.5));
    const SinkRecorder::Level level = recorder.stop();
    QVERIFY2(SinkRecorder::silent(level), qPrintable(level.report));

    // An empty path: nothing at all happens.
    setRing(QString());
    child<QToolButton>("playButton")->click();
    QCOMPARE(previewButtons(), (QList<bool>{true, false, false}));
    QVERIFY(!dialog->findChild<RingPlayer *>());
}

void TestClockDialog::previewEndsWithTheDialog()
{
    showAt(QPoint(400, 300));
    setRing(longTone);
    child<QToolButton>("playButton")->click();
    QTRY_VERIFY(previewMedia() && previewMedia()->position() > 300);
    QPointer<RingPlayer> player = dialog->findChild<RingPlayer *>();
    delete dialog;
    dialog = new ClockDialog;
    QVERIFY(!player);
    const SinkRecorder::Level level = SinkRecorder::listen(dir.path(), 0.5);
    QVERIFY2(SinkRecorder::silent(level), qPrintable(level.report));
}

QTEST_MAIN(TestClockDialog)
#include "tst_clockdialog.moc"
