#include "capturefilesaver.h"
#include "capturetesthost.h"
#include "desktopdriver.h"
#include "globalshortcut.h"
#include "keygrabberclient.h"
#include "modalscript.h"
#include "patternwindow.h"
#include "widget.h"

#include <QFileDialog>
#include <QImageReader>
#include <QMenu>
#include <QMouseEvent>
#include <QScreen>
#include <QtTest>

namespace {

/// Watches the mouse events a widget receives, so a test can wait for each
/// real (X server) event to arrive before sending the next.
class MouseEventWatcher : public QObject
{
public:
    explicit MouseEventWatcher(QWidget *watched)
    {
        watched->installEventFilter(this);
    }
    int presses = 0;
    int releases = 0;
    QPoint lastMove{-1, -1};

protected:
    bool eventFilter(QObject *, QEvent *event) override
    {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
            ++presses;
            break;
        case QEvent::MouseMove:
            lastMove = static_cast<QMouseEvent *>(event)->position().toPoint();
            break;
        case QEvent::MouseButtonRelease:
            ++releases;
            break;
        default:
            break;
        }
        return false;
    }
};

QRgb screenPixel(QPoint at)
{
    return QGuiApplication::primaryScreen()->grabWindow(0, at.x(), at.y(), 1, 1).toImage().pixel(0, 0) | 0xff000000;
}

/// Draws from one point to another with the real pointer, one X event at a
/// time.
void realDrag(QWidget *overlay, QPoint from, QPoint firstStep, QPoint to)
{
    MouseEventWatcher count(overlay);
    // Hover in from a neighbouring pixel, so there is a move to wait for.
    QVERIFY(DesktopDriver::movePointer(from + QPoint(1, 1)));
    QVERIFY(DesktopDriver::movePointer(from));
    QTRY_COMPARE(count.lastMove, from);
    QVERIFY(DesktopDriver::pressButton(1));
    QTRY_COMPARE(count.presses, 1);
    QVERIFY(DesktopDriver::movePointer(firstStep));
    QTRY_COMPARE(count.lastMove, firstStep);
    QVERIFY(DesktopDriver::movePointer(to));
    QTRY_COMPARE(count.lastMove, to);
    QVERIFY(DesktopDriver::releaseButton(1));
    QTRY_COMPARE(count.releases, 1);
}

} // namespace

/// The whole capture as a user starts it: a real Ctrl+Alt+C from the X
/// server, a host standing in for the hidden main window, real mouse and
/// key events in the overlay, and outputs read back from outside.
class TestCaptureHotKey : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void hotKeyOpensOverlayWhileHostHidden_data();
    void hotKeyOpensOverlayWhileHostHidden();
    void realMouseDrawsMovesAndResizes();
    void spaceCopiesForAnotherProcess();
    void keypadEnterSavesFile();
    void exitEntryClosesOverlay();
    void hotKeyInOverlayOpensSecondOverlay();
    void keyHeldByAnotherClientIsReported_data();
    void keyHeldByAnotherClientIsReported();
    void keyWithoutSymbolGrabsNothing();

private:
    /// Presses the hot key for real and runs script inside the overlay it
    /// opens; true once the capture has finished.
    bool capture(const std::function<void(Widget *)> &script);

    PatternWindow pattern;
    CaptureTestHost *host = nullptr;
};

void TestCaptureHotKey::initTestCase()
{
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
}

void TestCaptureHotKey::init()
{
    QVERIFY(pattern.showOnScreen());
    host = new CaptureTestHost;
    QVERIFY(!host->isVisible());
}

void TestCaptureHotKey::cleanup()
{
    delete host;
    host = nullptr;
    QVERIFY(DesktopDriver::setLocks(false, false));
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
}

bool TestCaptureHotKey::capture(const std::function<void(Widget *)> &script)
{
    const int finished = host->finished();
    ModalScript watch([](QWidget *w) { return qobject_cast<Widget *>(w); },
                      [&](QWidget *w) {
                          auto *overlay = qobject_cast<Widget *>(w);
                          // Shown by the window system, not only by Qt.
                          QTRY_VERIFY(overlay->isActiveWindow());
                          script(overlay);
                      });
    if (!DesktopDriver::key(QStringLiteral("ctrl+alt+c")))
        return false;
    // The capture runs inside this wait, in the overlay's own event loop.
    return QTest::qWaitFor([&] { return host->finished() > finished && host->finished() == host->started(); }, 10000)
        && watch.hasRun();
}

void TestCaptureHotKey::hotKeyOpensOverlayWhileHostHidden_data()
{
    QTest::addColumn<bool>("capsLock");
    QTest::addColumn<bool>("numLock");
    QTest::newRow("no lock") << false << false;
    QTest::newRow("num lock") << false << true;
    QTest::newRow("caps lock") << true << false;
    QTest::newRow("both") << true << true;
}

void TestCaptureHotKey::hotKeyOpensOverlayWhileHostHidden()
{
    QFETCH(bool, capsLock);
    QFETCH(bool, numLock);
    QVERIFY(DesktopDriver::setLocks(capsLock, numLock));
    int closed = 0;
    QVERIFY(capture([&](Widget *overlay) {
        QVERIFY(overlay->isModal());
        QVERIFY(!host->isVisible());
        QCOMPARE(overlay->geometry(), QGuiApplication::primaryScreen()->virtualGeometry());
        // The screen shows the dimmed desktop.
        const QPoint probe(400, 700);
        QTRY_COMPARE(screenPixel(probe), PatternWindow::dimmed(PatternWindow::colorAt(probe.x(), probe.y())));
        // The overlay's window is kept for the next capture: count this one.
        const auto counting = connect(overlay, &Widget::closed, this, [&] { ++closed; });
        QVERIFY(DesktopDriver::key(QStringLiteral("Escape")));
        QTRY_VERIFY(!overlay->isVisible());
        disconnect(counting);
    }));
    QCOMPARE(closed, 1);
    QCOMPARE(host->started(), 1);
}

void TestCaptureHotKey::realMouseDrawsMovesAndResizes()
{
    QVERIFY(capture([&](Widget *overlay) {
        const CaptureSelection &sel = overlay->selection();
        realDrag(overlay, QPoint(200, 200), QPoint(300, 250), QPoint(500, 400));
        QCOMPARE(sel.topLeft(), QPoint(200, 200));
        QCOMPARE(sel.bottomRight(), QPoint(500, 400));
        // Moving: the first step after the press only takes its point.
        realDrag(overlay, QPoint(350, 300), QPoint(360, 305), QPoint(450, 350));
        QCOMPARE(sel.topLeft(), QPoint(290, 245));
        QCOMPARE(sel.bottomRight(), QPoint(590, 445));
        QCOMPARE(overlay->cursor().shape(), Qt::SizeAllCursor);
        // Resizing by the bottom-right handle.
        realDrag(overlay, QPoint(593, 448), QPoint(594, 449), QPoint(644, 489));
        QCOMPARE(sel.topLeft(), QPoint(290, 245));
        QCOMPARE(sel.bottomRight(), QPoint(640, 485));
        QCOMPARE(overlay->cursor().shape(), Qt::SizeFDiagCursor);
        // On the screen: undimmed inside, dimmed outside, the frame around.
        for (const QPoint p : {QPoint(291, 246), QPoint(640, 485), QPoint(400, 300)})
            QTRY_COMPARE(screenPixel(p), PatternWindow::colorAt(p.x(), p.y()));
        QCOMPARE(screenPixel(QPoint(288, 300)), PatternWindow::dimmed(PatternWindow::colorAt(288, 300)));
        QCOMPARE(screenPixel(QPoint(289, 300)), QRgb(0xff0000ff));
        QVERIFY(DesktopDriver::key(QStringLiteral("Escape")));
        QTRY_VERIFY(!overlay->isVisible());
    }));
}

void TestCaptureHotKey::spaceCopiesForAnotherProcess()
{
    QVERIFY(capture([&](Widget *overlay) {
        realDrag(overlay, QPoint(30, 500), QPoint(40, 520), QPoint(230, 650));
        QVERIFY(DesktopDriver::key(QStringLiteral("space")));
        QTRY_VERIFY(!overlay->isVisible());
    }));
    // The overlay is gone; the program still owns the clipboard.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"});
    QVERIFY(xclip.waitForStarted());
    QTRY_COMPARE(xclip.state(), QProcess::NotRunning);
    const QImage image = QImage::fromData(xclip.readAllStandardOutput(), "png").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image, PatternWindow::expected(QRect(30, 500, 201, 151)));
}

void TestCaptureHotKey::keypadEnterSavesFile()
{
    QTemporaryDir dir;
    const QString name = dir.filePath(QStringLiteral("capture"));
    QVERIFY(capture([&](Widget *overlay) {
        realDrag(overlay, QPoint(700, 600), QPoint(710, 610), QPoint(900, 640));
        ModalScript save([](QWidget *w) { return qobject_cast<QFileDialog *>(w); },
                         [&](QWidget *w) {
                             auto *dialog = qobject_cast<QFileDialog *>(w);
                             dialog->selectNameFilter(QStringLiteral("BMP(*.bmp)"));
                             dialog->selectFile(name);
                             QMetaObject::invokeMethod(dialog, "accept");
                         });
        QVERIFY(DesktopDriver::key(QStringLiteral("KP_Enter")));
        QTRY_VERIFY(save.hasRun());
        QTRY_VERIFY(!overlay->isVisible());
    }));
    // Written on a worker after the overlay closed.
    CaptureFileSaver::instance()->waitForSaves();
    QImageReader reader(name + QStringLiteral(".bmp"));
    QCOMPARE(reader.format(), QByteArray("bmp"));
    QCOMPARE(reader.read().convertToFormat(QImage::Format_RGB32), PatternWindow::expected(QRect(700, 600, 200, 40)));
}

void TestCaptureHotKey::exitEntryClosesOverlay()
{
    int closed = 0;
    QVERIFY(capture([&](Widget *overlay) {
        connect(overlay, &Widget::closed, this, [&] { ++closed; });
        realDrag(overlay, QPoint(300, 300), QPoint(310, 310), QPoint(600, 500));
        ModalScript menu([](QWidget *w) { return qobject_cast<QMenu *>(w); },
                         [&](QWidget *w) {
                             auto *popup = qobject_cast<QMenu *>(w);
                             QAction *exit = popup->actions().constLast();
                             QCOMPARE(exit->text(), QStringLiteral("退出"));
                             const QPoint at = popup->mapToGlobal(popup->actionGeometry(exit).center());
                             QVERIFY(DesktopDriver::movePointer(at));
                             QTRY_COMPARE(popup->activeAction(), exit);
                             QVERIFY(DesktopDriver::xdotool({QStringLiteral("click"), QStringLiteral("1")}));
                             QTRY_VERIFY(!overlay->isVisible());
                         });
        QVERIFY(DesktopDriver::movePointer(QPoint(450, 400)));
        QVERIFY(DesktopDriver::xdotool({QStringLiteral("click"), QStringLiteral("3")}));
        QTRY_VERIFY(menu.hasRun());
        QTRY_VERIFY(!overlay->isVisible());
    }));
    QCOMPARE(closed, 0);
}

void TestCaptureHotKey::hotKeyInOverlayOpensSecondOverlay()
{
    Widget *first = nullptr;
    Widget *second = nullptr;
    QVERIFY(capture([&](Widget *overlay) {
        first = overlay;
        ModalScript next([overlay](QWidget *w) { return qobject_cast<Widget *>(w) && w != overlay; },
                         [&](QWidget *w) {
                             second = qobject_cast<Widget *>(w);
                             QTRY_VERIFY(second->isActiveWindow());
                             // Its picture is the first overlay: the desktop dimmed.
                             const QImage picture = second->desktopPicture();
                             QCOMPARE(picture.pixel(400, 700) | 0xff000000,
                                      PatternWindow::dimmed(PatternWindow::colorAt(400, 700)));
                             QVERIFY(DesktopDriver::key(QStringLiteral("Escape")));
                             QTRY_VERIFY(!second->isVisible());
                         });
        // The first overlay on the screen before the second grabs it.
        QTRY_COMPARE(screenPixel(QPoint(400, 700)), PatternWindow::dimmed(PatternWindow::colorAt(400, 700)));
        QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+c")));
        QTRY_VERIFY(next.hasRun());
        QCOMPARE(host->started(), 2);
        QTRY_COMPARE(host->finished(), 1);
        // Back in the first overlay, which is still open.
        QVERIFY(overlay->isVisible());
        QTRY_VERIFY(overlay->isActiveWindow());
        QVERIFY(DesktopDriver::key(QStringLiteral("Escape")));
        QTRY_VERIFY(!overlay->isVisible());
    }));
    QVERIFY(first && second && first != second);
    QCOMPARE(host->finished(), 2);
}

void TestCaptureHotKey::keyHeldByAnotherClientIsReported_data()
{
    QTest::addColumn<QStringList>("held");
    QTest::newRow("whole key") << QStringList{"plain", "caps", "num", "both"};
    QTest::newRow("with num lock only") << QStringList{"num"};
}

void TestCaptureHotKey::keyHeldByAnotherClientIsReported()
{
    QFETCH(QStringList, held);
    delete host;
    host = nullptr;
    {
        KeyGrabberClient other;
        QVERIFY(other.hold(held));
        QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: Ctrl+Alt+C");
        host = new CaptureTestHost;
        // A second hot key of ours shows when the X server has delivered
        // what came before it: Ctrl+Alt+C then went elsewhere.
        GlobalShortcut marker(QKeySequence(QStringLiteral("ctrl+alt+v")), nullptr);
        QSignalSpy markerPressed(&marker, &GlobalShortcut::activated);
        QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+c")));
        QVERIFY(DesktopDriver::key(QStringLiteral("ctrl+alt+v")));
        QTRY_COMPARE(markerPressed.count(), 1);
        QCOMPARE(host->started(), 0);
    }
    // Nothing of ours is left holding the key.
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to unregister: Ctrl+Alt+C");
    delete host;
    host = nullptr;
}

void TestCaptureHotKey::keyWithoutSymbolGrabsNothing()
{
    delete host;
    host = nullptr;
    // X would read key 0 as "any key": every Ctrl+Alt key taken from the
    // other programs, Ctrl+Alt+C among them.
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: Ctrl+Alt+.");
    auto *hotKey = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+.")), nullptr);
    QCOMPARE(KeyGrabberClient::probe(), QStringLiteral("free"));
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to unregister: Ctrl+Alt+.");
    delete hotKey;
}

QTEST_MAIN(TestCaptureHotKey)
#include "tst_capturehotkey.moc"
