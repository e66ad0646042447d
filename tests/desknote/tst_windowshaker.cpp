#include "notewidget.h"
#include "shakepath.h"
#include "windowshaker.h"
#include "xwindow.h"

#include <QProcess>
#include <QTextEdit>
#include <QToolButton>
#include <QtTest>

/// Records the positions a window is moved to (Qt's own move events) and
/// those the window system reports back (spontaneous move events).
class MoveRecorder : public QObject
{
public:
    explicit MoveRecorder(QWidget *window) { window->installEventFilter(this); }
    QList<QPoint> moved;
    QList<QPoint> reported;

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        if (event->type() == QEvent::Move) {
            QList<QPoint> &list = event->spontaneous() ? reported : moved;
            const QPoint at = static_cast<QMoveEvent *>(event)->pos();
            if (list.isEmpty() || list.constLast() != at)
                list.append(at);
        }
        return false;
    }
};

class TestWindowShaker : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();

    void visitsTheShakePathAndReturns();
    void isAboveOthersOnlyDuringTheShake_data();
    void isAboveOthersOnlyDuringTheShake();
    void programKeepsRunningDuringTheShake();
    void secondStartWhileShakingIsIgnored();

private:
    void showNote(QPoint at);
    QPoint xPosition() const { return XWindow::position(note); }
    QStringList netWmState() const { return XWindow::netWmState(note); }

    NoteWidget *note = nullptr;
    QTextEdit *editor = nullptr;
};

void TestWindowShaker::init()
{
    note = new NoteWidget(QStringLiteral("shake"));
    editor = new QTextEdit;
    note->setTextEdit(editor);
}

void TestWindowShaker::cleanup()
{
    delete note; // the editor with it
    note = nullptr;
    editor = nullptr;
}

void TestWindowShaker::showNote(QPoint at)
{
    note->move(at);
    note->show();
    QVERIFY(QTest::qWaitForWindowExposed(note));
    // pos() may still say (0, 0) here: the X server knows better.
    QTRY_COMPARE(xPosition(), at);
}

void TestWindowShaker::visitsTheShakePathAndReturns()
{
    const QPoint start(500, 400);
    showNote(start);
    MoveRecorder recorder(note);
    WindowShaker shaker(note);
    QSignalSpy finished(&shaker, &WindowShaker::finished);
    QVERIFY(shaker.start());
    QVERIFY(shaker.isShaking());

    // Ten times right, up, left, down by 75 pixels around the start, then back.
    const QList<QPoint> offsets{QPoint(75, 0), QPoint(0, -75), QPoint(-75, 0), QPoint(0, 75)};
    QList<QPoint> expected;
    for (int cycle = 0; cycle < 10; ++cycle)
        expected += offsets;
    expected << QPoint(0, 0);
    const auto onPath = [&](QPoint p) { return p == start || offsets.contains(p - start); };

    // The X server really has the window out on the path.
    QTRY_VERIFY(xPosition() != start);
    QVERIFY(onPath(xPosition()));
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QVERIFY(!shaker.isShaking());
    QCOMPARE(xPosition(), start);

    QList<QPoint> moved;
    for (const QPoint &p : std::as_const(recorder.moved))
        moved.append(p - start);
    QCOMPARE(moved, expected);
    for (const QPoint &p : std::as_const(recorder.reported))
        QVERIFY2(onPath(p), qPrintable(QStringLiteral("reported off the path: %1,%2").arg(p.x()).arg(p.y())));
    QCOMPARE(ShakePath().positions(start), QList<QPoint>(recorder.moved));
}

void TestWindowShaker::isAboveOthersOnlyDuringTheShake_data()
{
    QTest::addColumn<bool>("keptOnTop");
    QTest::newRow("ordinary note") << false;
    QTest::newRow("note kept on top") << true;
}

void TestWindowShaker::isAboveOthersOnlyDuringTheShake()
{
    QFETCH(bool, keptOnTop);
    const QPoint start(300, 300);
    showNote(start);
    if (keptOnTop) {
        note->findChild<QToolButton *>(QStringLiteral("topButton"))->click();
        QVERIFY(QTest::qWaitForWindowExposed(note));
        QTRY_VERIFY(netWmState().contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    } else {
        QVERIFY(!netWmState().contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    }
    const QPoint home = xPosition();
    const bool visibleBefore = note->isVisible();

    WindowShaker shaker(note);
    QSignalSpy finished(&shaker, &WindowShaker::finished);
    QVERIFY(shaker.start());
    QTRY_VERIFY(netWmState().contains(QStringLiteral("_NET_WM_STATE_ABOVE")));
    QVERIFY(shaker.isShaking());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);

    QTRY_COMPARE(netWmState().contains(QStringLiteral("_NET_WM_STATE_ABOVE")), keptOnTop);
    QCOMPARE(note->isStayOnTop(), keptOnTop);
    QCOMPARE(note->windowFlags().testFlag(Qt::WindowStaysOnTopHint), keptOnTop);
    QCOMPARE(note->isVisible(), visibleBefore);
    QTRY_COMPARE(xPosition(), home);
}

void TestWindowShaker::programKeepsRunningDuringTheShake()
{
    showNote(QPoint(600, 300));
    note->activateWindow();
    editor->setFocus();
    QTRY_VERIFY(editor->hasFocus());
    WindowShaker shaker(note);
    QVERIFY(shaker.start());

    // Real keystrokes through the X server: they reach the editor only if
    // the event loop handles input while the window shakes.
    QProcess xdotool;
    xdotool.start(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"), QStringLiteral("20"), QStringLiteral("shake")});
    QVERIFY(xdotool.waitForStarted());
    QTRY_COMPARE(editor->toPlainText(), QStringLiteral("shake"));
    QVERIFY2(shaker.isShaking(), "the keys arrived only after the shake");

    int paints = 0;
    struct PaintCounter : QObject
    {
        int *count;
        bool eventFilter(QObject *, QEvent *e) override
        {
            if (e->type() == QEvent::Paint)
                ++*count;
            return false;
        }
    } counter;
    counter.count = &paints;
    note->installEventFilter(&counter);
    note->update();
    QTRY_VERIFY(paints > 0);
    QVERIFY2(shaker.isShaking(), "the repaint came only after the shake");
    xdotool.waitForFinished();
}

void TestWindowShaker::secondStartWhileShakingIsIgnored()
{
    const QPoint start(400, 400);
    showNote(start);
    WindowShaker shaker(note);
    QSignalSpy finished(&shaker, &WindowShaker::finished);
    QVERIFY(shaker.start());
    QTRY_VERIFY(xPosition() != start);
    // A start from a moved position would shift the whole shake.
    QVERIFY(!shaker.start());
    QTRY_COMPARE_WITH_TIMEOUT(finished.count(), 1, 10000);
    QTRY_COMPARE(xPosition(), start);
}

QTEST_MAIN(TestWindowShaker)
#include "tst_windowshaker.moc"
