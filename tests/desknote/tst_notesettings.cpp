#include "clockdialog.h"
#include "modaldialogs.h"
#include "notewidget.h"
#include "xwindow.h"

#include <QLineEdit>
#include <QSlider>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

/// A desktop note's settings from outside (what a restart brings back) and
/// from its own controls (what the notebook must learn), on the X server.
class TestNoteSettings : public QObject
{
    Q_OBJECT
private slots:
    void cleanup();
    void appliedSettingsReachTheWindow_data();
    void appliedSettingsReachTheWindow();
    void restoredReminderIsArmed();
    void ownControlsTellEveryChange();

private:
    NoteWidget *makeNote(bool show);
    static QTimer *timer(NoteWidget *note, const char *name) { return note->findChild<QTimer *>(QLatin1String(name)); }
    template<typename T> static T *child(NoteWidget *note, const char *name) { return note->findChild<T *>(QLatin1String(name)); }

    std::unique_ptr<NoteWidget> m_note;
};

void TestNoteSettings::cleanup()
{
    m_note.reset();
}

NoteWidget *TestNoteSettings::makeNote(bool show)
{
    m_note = std::make_unique<NoteWidget>(QStringLiteral("note"));
    m_note->setTextEdit(new QTextEdit);
    m_note->move(400, 300);
    if (show) {
        m_note->show();
        if (!QTest::qWaitForWindowExposed(m_note.get()))
            return nullptr;
    }
    return m_note.get();
}

void TestNoteSettings::appliedSettingsReachTheWindow_data()
{
    QTest::addColumn<bool>("shown");
    QTest::addColumn<bool>("readOnly");
    QTest::addColumn<bool>("onTop");
    QTest::addColumn<int>("opacity");
    QTest::addColumn<int>("expectedOpacity");
    QTest::newRow("all on, shown") << true << true << true << 7 << 7;
    QTest::newRow("all on, before it is shown") << false << true << true << 6 << 6;
    QTest::newRow("too clear is bounded") << true << false << true << 1 << 5;
    QTest::newRow("too solid is bounded") << false << true << false << 42 << 10;
}

void TestNoteSettings::appliedSettingsReachTheWindow()
{
    QFETCH(bool, shown);
    QFETCH(bool, readOnly);
    QFETCH(bool, onTop);
    QFETCH(int, opacity);
    QFETCH(int, expectedOpacity);
    NoteWidget *note = makeNote(shown);
    QVERIFY(note);
    note->applySettings(readOnly, onTop, opacity);
    QCOMPARE(note->isVisible(), shown);
    QCOMPARE(note->isReadOnly(), readOnly);
    QCOMPARE(note->isStayOnTop(), onTop);
    QCOMPARE(note->opacityLevel(), expectedOpacity);
    QCOMPARE(note->getTextEdit()->isReadOnly(), readOnly);
    QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint), onTop);
    QCOMPARE(child<QToolButton>(note, "topButton")->isChecked(), onTop);
    if (!shown) {
        note->show();
        QVERIFY(QTest::qWaitForWindowExposed(note));
    }
    // What the window manager and compositor are told.
    QTRY_COMPARE(XWindow::netWmState(note).contains(QStringLiteral("_NET_WM_STATE_ABOVE")), onTop);
    QTRY_COMPARE(qRound(note->windowHandle()->opacity() * 10), expectedOpacity);
}

void TestNoteSettings::restoredReminderIsArmed()
{
    NoteWidget *note = makeNote(true);
    QVERIFY(note);
    QVERIFY(!note->hasReminder());
    ClockSettings s;
    s.timeActive = true;
    s.remindTime = QDateTime::currentDateTime().addDays(1);
    s.gapActive = true;
    s.gapRepeat = true;
    s.gapMinutes = 7;
    s.ringPath = QStringLiteral("/tmp/ring.wav");
    QSignalSpy changed(note, &NoteWidget::settingsChanged);
    note->setReminder(s);
    QCOMPARE(changed.count(), 1);
    QVERIFY(note->hasReminder());
    QVERIFY(timer(note, "timeTimer")->isActive());
    QVERIFY(timer(note, "gapTimer")->isActive());
    const int remaining = timer(note, "gapTimer")->remainingTime();
    QVERIFY2(remaining > 7 * 60000 - 30000 && remaining <= 7 * 60000, qPrintable(QString::number(remaining)));

    // The reminder dialog shows it as if the user had set it there.
    ClockSettings shown;
    auto ran = ModalDialogs::whenShown<ClockDialog>([&](ClockDialog *dialog) {
        shown = dialog->getSettings();
        dialog->findChild<QToolButton *>(QStringLiteral("cancelButton"))->click();
    });
    child<QToolButton>(note, "clockButton")->click();
    QVERIFY(*ran);
    QVERIFY(shown.timeActive && shown.gapActive && shown.gapRepeat && shown.gapMinutes == 7 && shown.ringPath == s.ringPath);

    s.timeActive = false;
    s.gapActive = false;
    note->setReminder(s);
    QVERIFY(!timer(note, "timeTimer")->isActive());
    QVERIFY(!timer(note, "gapTimer")->isActive());
}

void TestNoteSettings::ownControlsTellEveryChange()
{
    NoteWidget *note = makeNote(true);
    QVERIFY(note);
    QSignalSpy changed(note, &NoteWidget::settingsChanged);

    QTest::mouseClick(child<QToolButton>(note, "readOnlyButton"), Qt::LeftButton);
    QCOMPARE(changed.count(), 1);
    QVERIFY(note->isReadOnly());

    QTest::mouseClick(child<QToolButton>(note, "topButton"), Qt::LeftButton);
    QCOMPARE(changed.count(), 2);
    QVERIFY(note->isStayOnTop());

    QSlider *slider = child<QSlider>(note, "opacitySlider");
    QTest::keyClick(slider, Qt::Key_Left);
    QCOMPARE(changed.count(), 3);
    QCOMPARE(note->opacityLevel(), 9);

    // An interval set in the note's reminder dialog (OK).
    auto ran = ModalDialogs::whenShown<ClockDialog>([](ClockDialog *dialog) {
        QTest::keyClicks(dialog->findChild<QLineEdit *>(QStringLiteral("gapEdit")), QStringLiteral("3"));
        dialog->findChild<QToolButton *>(QStringLiteral("okButton"))->click();
    });
    child<QToolButton>(note, "clockButton")->click();
    QVERIFY(*ran);
    QCOMPARE(changed.count(), 4);
    QVERIFY(note->hasReminder());
    QVERIFY(note->reminder().gapActive);
    QCOMPARE(note->reminder().gapMinutes, 3);
}

QTEST_MAIN(TestNoteSettings)
#include "tst_notesettings.moc"
