#include "aboutdialog.h"
#include "capturefilesaver.h"
#include "capturehandoff.h"
#include "capturelauncher.h"
#include "grabsource.h"
#include "inputdialog.h"
#include "modalscript.h"
#include "patternwindow.h"
#include "pinstandin.h"
#include "widget.h"
#include "x11grabsource.h"

#include <QAction>
#include <QClipboard>
#include <QFileDialog>
#include <QImageReader>
#include <QImageWriter>
#include <QLineEdit>
#include <QMenu>
#include <QMessageBox>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QTextEdit>
#include <QtTest>

#include <xcb/xcb.h>

#include <cstdlib>

namespace {

struct Step
{
    QEvent::Type type;
    QPoint at;
    Qt::MouseButton button;
};
using Steps = QList<Step>;

Step press(QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    return {QEvent::MouseButtonPress, at, button};
}
Step move(QPoint at)
{
    return {QEvent::MouseMove, at, Qt::NoButton};
}
Step release(QPoint at, Qt::MouseButton button = Qt::LeftButton)
{
    return {QEvent::MouseButtonRelease, at, button};
}

/// Sends mouse events straight to the overlay, keeping track of the held
/// buttons as the window system would.
void play(QWidget *w, const Steps &steps)
{
    Qt::MouseButtons held;
    for (const Step &step : steps) {
        if (step.type == QEvent::MouseButtonPress)
            held |= step.button;
        else if (step.type == QEvent::MouseButtonRelease)
            held &= ~step.button;
        QMouseEvent event(step.type, QPointF(step.at), w->mapToGlobal(QPointF(step.at)), step.button, held,
                          Qt::NoModifier);
        QApplication::sendEvent(w, &event);
    }
}

void drawSelection(QWidget *w, QPoint from, QPoint to)
{
    play(w, {press(from), move(to), release(to)});
}

/// What the label box's colour over a pixel gives.
QRgb underLabel(QRgb color)
{
    return PatternWindow::veiled(color, QColor(200, 200, 200, 165));
}

constexpr QRgb Blue = 0xff0000ff;

/// Pixels of an image of the whole desktop that differ from what is
/// expected, leaving out the tray host's corner, which sits above everything.
int differing(const QImage &image, const std::function<QRgb(int, int)> &expected)
{
    const QRect tray(image.width() - 120, 0, 120, 40);
    int wrong = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (image.pixel(x, y) != expected(x, y) && !tray.contains(x, y))
                ++wrong;
        }
    }
    return wrong;
}

/// A grab source that never has a picture: at once, or, with a backdrop,
/// only once the overlay is already on screen over it.
class FailingSource : public GrabSource
{
public:
    explicit FailingSource(bool backdrop)
        : m_backdrop(backdrop)
    {
    }
    QList<QRect> monitors() const override { return {QGuiApplication::primaryScreen()->geometry()}; }
    QImage grab() override { return QImage(); }
    bool startGrab(const Backdrop &backdrop) override
    {
        return m_backdrop && backdrop.window ? true : GrabSource::startGrab(backdrop);
    }
    bool paintBackdrop(const QRegion &) override { return m_backdrop; }
    QImage pendingPart(const QRect &area) override
    {
        if (!m_backdrop)
            return QImage();
        QImage part(area.size(), QImage::Format_RGB32);
        part.fill(Qt::gray);
        return part;
    }
    QImage finishGrab() override { return m_backdrop ? QImage() : GrabSource::finishGrab(); }

private:
    bool m_backdrop;
};

bool overlayShown()
{
    const QWidgetList windows = QApplication::topLevelWidgets();
    return std::any_of(windows.cbegin(), windows.cend(),
                       [](QWidget *w) { return qobject_cast<Widget *>(w) && w->isVisible(); });
}

} // namespace

Q_DECLARE_METATYPE(Steps)

/// The capture overlay on the real display, over a desktop whose every pixel
/// is known: painting, the mouse and key rules, and every output.
class TestOverlay : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void coversDesktopWithFrozenPicture();
    void serverPaintsTheDimmedDesktopBeforeThePicture();
    void showsDimmedDesktopWithHint();
    void paintsSelectionFrameHandlesAndLabel();
    void mouseChangesSelection_data();
    void mouseChangesSelection();
    void partialRepaintsMatchFullPaint();
    void rightReleaseOpensMenuOnlyOverInteriorOrCorner_data();
    void rightReleaseOpensMenuOnlyOverInteriorOrCorner();
    void menuHasItsEntriesInOrder();
    void savesSelectionToFile_data();
    void savesSelectionToFile();
    void saveDialogProposesCaptureTime();
    void cancelledSaveKeepsOverlay();
    void returnAndKeypadEnterSave();
    void failedSaveReportsAndKeepsOverlay();
    void copiesSelectionToClipboard_data();
    void copiesSelectionToClipboard();
    void pinShowsThePictureBeforeTheNoteAndGivesWayToIt();
    void fixedSizeDialogResizesSelection();
    void helpOpensOnceFromF1AndMenu();
    void failedGrabIsToldWithoutOverlayOrOutput_data();
    void failedGrabIsToldWithoutOverlayOrOutput();

private:
    QImage rendered() const { return overlay->paintedImage(); }
    QImage onScreen() const
    {
        return overlay->screen()->grabWindow(overlay->winId()).toImage().convertToFormat(QImage::Format_RGB32);
    }
    QString saveThroughDialog(const QString &filter, const QString &name);

    PatternWindow pattern;
    Widget *overlay = nullptr;
    QTemporaryDir home;
    QByteArray oldHome;
};

void TestOverlay::initTestCase()
{
    QVERIFY(home.isValid());
    oldHome = qgetenv("HOME");
    qputenv("HOME", home.path().toUtf8());
    // Qt's own file dialog, the one a test can drive on any desktop.
    QCoreApplication::setAttribute(Qt::AA_DontUseNativeDialogs);
    QVERIFY(pattern.showOnScreen());
}

void TestOverlay::init()
{
    // The last overlay must be off the screen before the next one grabs it.
    QVERIFY(pattern.showOnScreen());
    overlay = new Widget(nullptr, QColor(0, 0, 255), -1);
    overlay->show();
    QVERIFY(QTest::qWaitForWindowExposed(overlay));
}

void TestOverlay::cleanup()
{
    delete overlay;
    overlay = nullptr;
    // Leave no modal window behind for the next test.
    QTRY_VERIFY(!QApplication::activeModalWidget());
    qputenv("HOME", home.path().toUtf8());
}

// ---- picture and painting ----------------------------------------------------

void TestOverlay::coversDesktopWithFrozenPicture()
{
    const QRect desktop = QGuiApplication::primaryScreen()->virtualGeometry();
    QTRY_COMPARE(overlay->geometry(), desktop);
    QCOMPARE(overlay->mapToGlobal(QPoint(0, 0)), desktop.topLeft());
    QVERIFY(overlay->windowFlags().testFlag(Qt::FramelessWindowHint));
    QVERIFY(overlay->windowFlags().testFlag(Qt::WindowStaysOnTopHint));
    QVERIFY(overlay->hasMouseTracking());

    // The picture is the desktop as it was, every pixel, except where the
    // tray host sits above everything in the top-right corner.
    const QImage picture = overlay->desktopPicture().convertToFormat(QImage::Format_RGB32);
    QCOMPARE(picture.size(), desktop.size());
    QCOMPARE(differing(picture, PatternWindow::colorAt), 0);
}

void TestOverlay::serverPaintsTheDimmedDesktopBeforeThePicture()
{
    // A window the program paints nothing into itself: what the screen
    // shows there is the server's backdrop alone, and it must be what the
    // overlay paints.
    overlay->hide();
    QVERIFY(pattern.showOnScreen());
    std::unique_ptr<X11GrabSource> source = X11GrabSource::create();
    QVERIFY(source);
    auto *x11 = qGuiApp->nativeInterface<QNativeInterface::QX11Application>();
    xcb_connection_t *c = x11->connection();
    const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(c)).data;
    const QRect desktop = source->desktop();
    const xcb_window_t window = xcb_generate_id(c);
    // A background of its own, so the test sees when the compositor shows
    // the window: what is painted into a window before the compositor
    // watches it for damage never reaches the screen.
    const quint32 Magenta = 0xff00ff;
    const quint32 attributes[] = {Magenta, 1};
    xcb_create_window(c, XCB_COPY_FROM_PARENT, window, screen->root, qint16(desktop.x()), qint16(desktop.y()),
                      quint16(desktop.width()), quint16(desktop.height()), 0, XCB_WINDOW_CLASS_INPUT_OUTPUT,
                      screen->root_visual, XCB_CW_BACK_PIXEL | XCB_CW_OVERRIDE_REDIRECT, attributes);
    auto destroy = qScopeGuard([&] {
        xcb_destroy_window(c, window);
        xcb_flush(c);
    });
    // What no monitor covers is painted black (here a made-up corner).
    const QRect uncovered(0, 0, 64, 48);
    // The part the program paints itself, fetched with the grab.
    const QRect part(300, 200, 40, 30);
    QVERIFY(source->startGrab({window, QColor(182, 182, 182, 192), QRegion(uncovered), part}));
    xcb_map_window(c, window);
    xcb_flush(c);
    const auto onScreen = [] {
        return QGuiApplication::primaryScreen()->grabWindow(0).toImage().convertToFormat(QImage::Format_RGB32);
    };
    const auto magentaShown = [&] {
        const QImage screenNow = onScreen();
        for (const QPoint p : {QPoint(100, 100), QPoint(960, 540), QPoint(1500, 1000)}) {
            if ((screenNow.pixel(p) & 0xffffff) != Magenta)
                return false;
        }
        return true;
    };
    // Polled a bounded number of times, however long each grab takes.
    for (int i = 0; i < 200 && !magentaShown(); ++i)
        QTest::qWait(50);
    QVERIFY(magentaShown());
    QVERIFY(source->paintBackdrop(QRect(QPoint(0, 0), desktop.size())));

    // The veil over each channel depends on that channel alone: one table
    // gives every pixel of the expected screen, checked against the
    // one-pixel rule where the pattern varies most.
    int veiled[256];
    for (int v = 0; v < 256; ++v)
        veiled[v] = qRed(PatternWindow::dimmed(qRgb(v, v, v)));
    QImage expected = PatternWindow::expected(QRect(QPoint(0, 0), desktop.size()));
    for (int y = 0; y < expected.height(); ++y) {
        auto *line = reinterpret_cast<QRgb *>(expected.scanLine(y));
        for (int x = 0; x < expected.width(); ++x) {
            line[x] = uncovered.contains(x, y) ? qRgb(0, 0, 0)
                                               : qRgb(veiled[qRed(line[x])], veiled[qGreen(line[x])],
                                                      veiled[qBlue(line[x])]);
        }
    }
    for (const QPoint p : {QPoint(100, 100), QPoint(101, 357), QPoint(1234, 567), QPoint(1919, 1079)})
        QCOMPARE(expected.pixel(p), PatternWindow::dimmed(PatternWindow::colorAt(p.x(), p.y())));
    const auto wrong = [&] { return differing(onScreen(), [&](int x, int y) { return expected.pixel(x, y); }); };
    for (int i = 0; i < 200 && wrong() != 0; ++i)
        QTest::qWait(50);
    QCOMPARE(wrong(), 0);

    // The picture is the desktop from before the window, in part and whole.
    QCOMPARE(source->pendingPart(part).convertToFormat(QImage::Format_RGB32), PatternWindow::expected(part));
    QCOMPARE(differing(source->finishGrab().convertToFormat(QImage::Format_RGB32), PatternWindow::colorAt), 0);
}

void TestOverlay::showsDimmedDesktopWithHint()
{
    const QImage image = rendered();
    for (const QPoint p : {QPoint(0, 0), QPoint(400, 700), QPoint(1919, 1079), QPoint(1000, 10)})
        QCOMPARE(image.pixel(p), PatternWindow::dimmed(PatternWindow::colorAt(p.x(), p.y())));
    // The yellow hint: its strokes are the only pixels with little blue.
    const int hintX = image.width() / 2 - 50;
    int yellow = 0;
    for (int y = 30; y <= 55; ++y) {
        for (int x = hintX - 5; x < hintX + 250; ++x) {
            const QRgb c = image.pixel(x, y);
            if (qRed(c) > 200 && qGreen(c) > 200 && qBlue(c) < 100)
                ++yellow;
        }
    }
    QVERIFY2(yellow > 20, qPrintable(QString::number(yellow)));
    QCOMPARE(overlay->cursor().shape(), Qt::ArrowCursor);
}

void TestOverlay::paintsSelectionFrameHandlesAndLabel()
{
    drawSelection(overlay, QPoint(100, 100), QPoint(300, 200));
    const QImage image = rendered();
    auto original = [](int x, int y) { return PatternWindow::colorAt(x, y); };
    auto dim = [](int x, int y) { return PatternWindow::dimmed(PatternWindow::colorAt(x, y)); };
    // The label box is at least 150 wide and holds its longer line with ten
    // pixels of margin on each side.
    const QFontMetrics metrics = overlay->fontMetrics();
    const int textWidth = std::max(metrics.horizontalAdvance(QStringLiteral("截图开始坐标(100,100)")),
                                   metrics.horizontalAdvance(QStringLiteral("截图尺寸大小(200,100)")));
    const int boxRight = 100 + std::max(150, textWidth + 20);
    // Undimmed from x1 to x4 and y1 to y4, both included: 201 x 101.
    for (const QPoint p : {QPoint(boxRight + 1, 100), QPoint(300, 100), QPoint(100, 200), QPoint(300, 200),
                           QPoint(150, 150)})
        QVERIFY2(image.pixel(p) == original(p.x(), p.y()), qPrintable(QStringLiteral("%1,%2").arg(p.x()).arg(p.y())));
    // The label box, painted last, covers the first row from x1 to its right end.
    QCOMPARE(image.pixel(100, 100), underLabel(original(100, 100)));
    QCOMPARE(image.pixel(boxRight, 100), underLabel(original(boxRight, 100)));
    // The frame lies just outside.
    for (const QPoint p : {QPoint(260, 99), QPoint(150, 201), QPoint(99, 120), QPoint(301, 120), QPoint(99, 99),
                           QPoint(301, 201)})
        QCOMPARE(image.pixel(p), Blue);
    // Handle squares: outlines drawn, insides left dimmed.
    QCOMPARE(image.pixel(97, 97), Blue);
    QCOMPARE(image.pixel(304, 204), Blue);
    QCOMPARE(image.pixel(302, 202), dim(302, 202));
    QCOMPARE(image.pixel(201, 204), Blue);
    QCOMPARE(image.pixel(96, 148), Blue);
    QCOMPARE(image.pixel(260, 98), dim(260, 98));
    // The label box above the selection, with dark text in it.
    QCOMPARE(image.pixel(248, 62), underLabel(dim(248, 62)));
    QCOMPARE(image.pixel(101, 61), underLabel(dim(101, 61)));
    QCOMPARE(image.pixel(99, 61), dim(99, 61));
    QCOMPARE(image.pixel(101, 59), dim(101, 59));
    int dark = 0;
    for (int y = 61; y < 99; ++y) {
        for (int x = 101; x < 250; ++x)
            dark += qGray(image.pixel(x, y)) < 60 ? 1 : 0;
    }
    QVERIFY2(dark > 50, qPrintable(QString::number(dark)));
}

void TestOverlay::partialRepaintsMatchFullPaint()
{
    // Each step repaints only what it changed; what reaches the screen must
    // be what painting everything would give.
    const QList<Steps> gestures = {
        {press(QPoint(400, 300)), move(QPoint(700, 500)), move(QPoint(900, 650)), release(QPoint(900, 650))},
        {press(QPoint(600, 400)), move(QPoint(610, 405)), move(QPoint(640, 380)), move(QPoint(300, 100)),
         release(QPoint(300, 100))},
        {press(QPoint(903, 653)), move(QPoint(904, 654)), move(QPoint(1000, 700)), move(QPoint(700, 420)),
         release(QPoint(700, 420))},
        {press(QPoint(50, 50)), move(QPoint(1850, 20)), move(QPoint(1880, 60)), release(QPoint(1880, 60))},
        {press(QPoint(5, 5), Qt::RightButton), release(QPoint(5, 5), Qt::RightButton)},
        {press(QPoint(10, 1000)), move(QPoint(160, 1075)), release(QPoint(160, 1075))},
        // Narrow near the right edge: the label goes left and inside.
        {press(QPoint(1800, 20)), move(QPoint(1850, 30)), release(QPoint(1850, 30))},
        {press(QPoint(1825, 25)), move(QPoint(1826, 25)), move(QPoint(1700, 200)), release(QPoint(1700, 200))},
    };
    for (const Steps &gesture : gestures) {
        for (const Step &step : gesture) {
            play(overlay, {step});
            QCoreApplication::processEvents();
        }
        QTest::keyClick(overlay, Qt::Key_Up);
        QTRY_VERIFY(onScreen() == rendered());
    }
}

// ---- mouse -------------------------------------------------------------------

void TestOverlay::mouseChangesSelection_data()
{
    QTest::addColumn<Steps>("steps");
    QTest::addColumn<QPoint>("topLeft");
    QTest::addColumn<QPoint>("bottomRight");
    // All start from the selection (100, 100)-(300, 200).
    const QPoint tl(100, 100), br(300, 200);
    QTest::newRow("draw anew outside") << Steps{press({500, 500}), move({600, 650}), release({600, 650})}
                                       << QPoint(500, 500) << QPoint(600, 650);
    QTest::newRow("draw from bottom-left") << Steps{press({500, 650}), move({600, 500}), release({600, 500})}
                                           << QPoint(500, 500) << QPoint(600, 650);
    QTest::newRow("click outside keeps") << Steps{press({500, 500}), release({500, 500})} << tl << br;
    QTest::newRow("drag in start column keeps") << Steps{press({500, 500}), move({500, 700}), release({500, 700})}
                                                << tl << br;
    QTest::newRow("replaced once it has area")
        << Steps{press({500, 500}), move({500, 600}), move({700, 600}), release({700, 600})} << QPoint(500, 500)
        << QPoint(700, 600);
    QTest::newRow("move: first step only starts")
        << Steps{press({200, 150}), move({210, 155}), move({260, 185}), release({260, 185})} << QPoint(150, 130)
        << QPoint(350, 230);
    QTest::newRow("move snaps to left edge")
        << Steps{press({150, 150}), move({151, 150}), move({0, 150}), release({0, 150})} << QPoint(0, 100)
        << QPoint(200, 200);
    QTest::newRow("resize bottom-right") << Steps{press({303, 203}), move({305, 205}), move({355, 245}),
                                                  release({355, 245})}
                                         << tl << QPoint(350, 240);
    QTest::newRow("resize top, x ignored") << Steps{press({200, 98}), move({200, 97}), move({230, 57}),
                                                    release({230, 57})}
                                           << QPoint(100, 60) << br;
    QTest::newRow("resize refused past corner")
        << Steps{press({97, 97}), move({97, 97}), move({400, 300}), release({400, 300})} << tl << br;
    QTest::newRow("right press outside clears")
        << Steps{press({600, 600}, Qt::RightButton), release({600, 600}, Qt::RightButton)} << QPoint(0, 0)
        << QPoint(0, 0);
    QTest::newRow("middle button does nothing")
        << Steps{press({600, 600}, Qt::MiddleButton), move({700, 700}), release({700, 700}, Qt::MiddleButton)}
        << tl << br;
    QTest::newRow("moves without button do nothing") << Steps{move({150, 150}), move({250, 170})} << tl << br;
}

void TestOverlay::mouseChangesSelection()
{
    QFETCH(Steps, steps);
    QFETCH(QPoint, topLeft);
    QFETCH(QPoint, bottomRight);
    drawSelection(overlay, QPoint(100, 100), QPoint(300, 200));
    play(overlay, steps);
    QCOMPARE(overlay->selection().topLeft(), topLeft);
    QCOMPARE(overlay->selection().bottomRight(), bottomRight);
}

// ---- keys --------------------------------------------------------------------

// ---- menu --------------------------------------------------------------------

void TestOverlay::rightReleaseOpensMenuOnlyOverInteriorOrCorner_data()
{
    QTest::addColumn<QPoint>("at");
    QTest::addColumn<bool>("opens");
    QTest::newRow("inside") << QPoint(150, 150) << true;
    QTest::newRow("bottom-right handle") << QPoint(303, 203) << true;
    QTest::newRow("side handle") << QPoint(302, 150) << false;
}

void TestOverlay::rightReleaseOpensMenuOnlyOverInteriorOrCorner()
{
    QFETCH(QPoint, at);
    QFETCH(bool, opens);
    drawSelection(overlay, QPoint(100, 100), QPoint(300, 200));
    QPoint shownAt;
    auto *script = ModalScript::forType<QMenu>([&](QMenu *menu) { shownAt = menu->pos(); }, this);
    // The menu runs modally inside the release: when it opens, the script
    // has run (and closed it) by the time the release returns.
    play(overlay, {press(at, Qt::RightButton), release(at, Qt::RightButton)});
    QCOMPARE(script->hasRun(), opens);
    if (opens)
        QCOMPARE(shownAt, overlay->mapToGlobal(at));
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->selection().topLeft(), QPoint(100, 100));
    delete script;
}

void TestOverlay::menuHasItsEntriesInOrder()
{
    QMenu *menu = overlay->captureMenu();
    QCOMPARE(menu->title(), QStringLiteral("截图菜单"));
    QCOMPARE(menu->styleSheet(), QStringLiteral("background-image:url(:/img/back1.png);color:white"));
    QStringList entries;
    for (QAction *action : menu->actions()) {
        entries << (action->isSeparator() ? QStringLiteral("-") : action->text());
        if (!action->isSeparator())
            QVERIFY2(!action->icon().isNull(), qPrintable(action->text()));
    }
    QCOMPARE(entries, (QStringList{"保存到文件", "保存到剪贴板", "-", "设置固定尺寸", "-", "使用帮助", "-", "钉在桌面", "插入当前便签", "-",
                                    "退出"}));
}

// ---- files -------------------------------------------------------------------

QString TestOverlay::saveThroughDialog(const QString &filter, const QString &name)
{
    QString initial;
    auto *script = ModalScript::forType<QFileDialog>(
        [&](QFileDialog *dialog) {
            initial = dialog->selectedFiles().value(0);
            if (name.isEmpty()) {
                dialog->reject();
                return;
            }
            dialog->selectNameFilter(filter);
            dialog->selectFile(name);
            // What the dialog's Save button does.
            QMetaObject::invokeMethod(dialog, "accept");
        },
        this);
    overlay->saveImage();
    const bool ran = script->hasRun();
    delete script;
    return ran ? initial : QStringLiteral("no dialog");
}

void TestOverlay::savesSelectionToFile_data()
{
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("written");
    QTest::addColumn<QByteArray>("format");
    QTest::newRow("png") << "PNG(*.png)" << "shot.png" << "shot.png" << QByteArray("png");
    QTest::newRow("jpeg, suffix added") << "JPG(*.jpg)" << "shot" << "shot.jpg" << QByteArray("jpeg");
    // A typed image suffix wins over the filter, in any case.
    QTest::newRow("png name under BMP filter") << "BMP(*.bmp)" << "a.png" << "a.png" << QByteArray("png");
    QTest::newRow("jpg name under PNG filter") << "PNG(*.png)" << "cap.jpg" << "cap.jpg" << QByteArray("jpeg");
    QTest::newRow("upper-case suffix") << "JPG(*.jpg)" << "shot.JPG" << "shot.JPG" << QByteArray("jpeg");
    QTest::newRow("letters without dot") << "PNG(*.png)" << "shotpng" << "shotpng" << QByteArray("png");
}

void TestOverlay::savesSelectionToFile()
{
    QFETCH(QString, filter);
    QFETCH(QString, typed);
    QFETCH(QString, written);
    QFETCH(QByteArray, format);
    QTemporaryDir dir;
    drawSelection(overlay, QPoint(10, 10), QPoint(110, 60));
    saveThroughDialog(filter, dir.filePath(typed));
    // The overlay closes at once; the file is written on a worker.
    QVERIFY(!overlay->isVisible());
    CaptureFileSaver::instance()->waitForSaves();
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files), QStringList{written});

    QImageReader reader(dir.filePath(written));
    QCOMPARE(reader.format(), format);
    const QImage image = reader.read().convertToFormat(QImage::Format_RGB32);
    // One pixel less than the undimmed area: exactly the size the label shows.
    QCOMPARE(image.size(), QSize(100, 50));
    QImage expected = PatternWindow::expected(QRect(10, 10, 100, 50));
    if (format == "jpeg") {
        // Lossy: the same pixels through the same encoder give the same file.
        QBuffer buffer;
        buffer.open(QIODevice::ReadWrite);
        QVERIFY(QImageWriter(&buffer, "jpg").write(expected));
        expected = QImage::fromData(buffer.data(), "jpg").convertToFormat(QImage::Format_RGB32);
    }
    QCOMPARE(image, expected);
}

void TestOverlay::saveDialogProposesCaptureTime()
{
    drawSelection(overlay, QPoint(10, 10), QPoint(110, 60));
    const QString name = QStringLiteral("截图_%1.png")
                             .arg(overlay->captureTime().toString(QStringLiteral("yyyy-MM-dd_HH-mm-ss")));
    QVERIFY(overlay->captureTime().isValid());
    QCOMPARE(saveThroughDialog(QString(), QString()), QDir(home.path()).filePath(name));
    QVERIFY(QDir(home.path()).mkpath(QStringLiteral("Pictures")));
    QCOMPARE(saveThroughDialog(QString(), QString()), home.path() + QStringLiteral("/Pictures/") + name);
}

void TestOverlay::cancelledSaveKeepsOverlay()
{
    drawSelection(overlay, QPoint(10, 10), QPoint(110, 60));
    QVERIFY(saveThroughDialog(QString(), QString()) != QStringLiteral("no dialog"));
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->selection().bottomRight(), QPoint(110, 60));
    QVERIFY(QDir(home.path()).entryList(QDir::Files).isEmpty());
}

void TestOverlay::returnAndKeypadEnterSave()
{
    drawSelection(overlay, QPoint(10, 10), QPoint(110, 60));
    for (const auto &[key, modifier] : {std::pair(Qt::Key_Return, Qt::NoModifier),
                                        std::pair(Qt::Key_Enter, Qt::KeypadModifier)}) {
        auto *script = ModalScript::forType<QFileDialog>([](QFileDialog *dialog) { dialog->reject(); }, this);
        QTest::keyClick(overlay, key, modifier);
        QVERIFY(script->hasRun());
        QVERIFY(overlay->isVisible());
        delete script;
    }
    // Shift moves by ten, Ctrl resizes: the keys reach the selection's rules.
    QTest::keyClick(overlay, Qt::Key_Right, Qt::ShiftModifier);
    QCOMPARE(overlay->selection().topLeft(), QPoint(20, 10));
    QTest::keyClick(overlay, Qt::Key_Down, Qt::ControlModifier);
    QCOMPARE(overlay->selection().bottomRight(), QPoint(120, 61));
}

void TestOverlay::failedSaveReportsAndKeepsOverlay()
{
    drawSelection(overlay, QPoint(10, 10), QPoint(110, 60));
    QString message;
    auto *box = ModalScript::forType<QMessageBox>([&](QMessageBox *b) { message = b->text(); }, this);
    // Nobody may create files here, not even root.
    const QString target = QStringLiteral("/sys/velmo-capture-test.png");
    saveThroughDialog(QStringLiteral("PNG(*.png)"), target);
    QVERIFY(box->hasRun());
    QVERIFY2(message.contains(target), qPrintable(message));
    QVERIFY(!QFile::exists(target));
    QVERIFY(overlay->isVisible());
    QCOMPARE(overlay->selection().bottomRight(), QPoint(110, 60));
    delete box;
}

// ---- clipboard ---------------------------------------------------------------

void TestOverlay::copiesSelectionToClipboard_data()
{
    QTest::addColumn<QString>("how");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    QTest::addColumn<QRect>("copied");
    QTest::newRow("space") << "space" << QPoint(100, 100) << QPoint(300, 200) << QRect(100, 100, 201, 101);
    QTest::newRow("double click inside") << "double" << QPoint(10, 10) << QPoint(110, 60) << QRect(10, 10, 101, 51);
    QTest::newRow("menu") << "menu" << QPoint(500, 300) << QPoint(520, 333) << QRect(500, 300, 21, 34);
    QTest::newRow("space, no selection: the whole desktop")
        << "space" << QPoint() << QPoint() << QRect(QPoint(0, 0), QGuiApplication::primaryScreen()->size());
}

void TestOverlay::copiesSelectionToClipboard()
{
    QFETCH(QString, how);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    QFETCH(QRect, copied);
    if (from != to)
        drawSelection(overlay, from, to);
    if (how == QLatin1String("space")) {
        QTest::keyClick(overlay, Qt::Key_Space);
    } else if (how == QLatin1String("double")) {
        QTest::mouseDClick(overlay, Qt::LeftButton, {}, (from + to) / 2);
    } else {
        auto *script = ModalScript::forType<QMenu>(
            [](QMenu *menu) {
                QTest::mouseClick(menu, Qt::LeftButton, {}, menu->actionGeometry(menu->actions().at(1)).center());
            },
            this);
        play(overlay, {press(from + QPoint(5, 5), Qt::RightButton), release(from + QPoint(5, 5), Qt::RightButton)});
        QVERIFY(script->hasRun());
        delete script;
    }
    QVERIFY(!overlay->isVisible());

    // Read back by another program while this one owns the clipboard.
    QProcess xclip;
    xclip.start(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"});
    QVERIFY(xclip.waitForStarted());
    QTRY_COMPARE(xclip.state(), QProcess::NotRunning);
    QCOMPARE(xclip.exitCode(), 0);
    const QImage image = QImage::fromData(xclip.readAllStandardOutput(), "png").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(image.size(), copied.size());
    // The whole desktop holds the tray host too: the grab tells its pixels.
    if (from == to)
        QCOMPARE(image, overlay->desktopPicture().convertToFormat(QImage::Format_RGB32));
    else
        QCOMPARE(image, PatternWindow::expected(copied));
}

void TestOverlay::pinShowsThePictureBeforeTheNoteAndGivesWayToIt()
{
    drawSelection(overlay, QPoint(200, 150), QPoint(440, 310));
    // The desktop under the overlay changes: from now on only the pin can
    // show the captured pixels there.
    pattern.hide();
    const auto screenAt = [](const QRect &area) {
        return QGuiApplication::primaryScreen()->grabWindow(0, area.x(), area.y(), area.width(), area.height())
            .toImage()
            .convertToFormat(QImage::Format_RGB32);
    };
    QRect place;
    QImage pinned;
    std::unique_ptr<QWidget> note;
    const QMetaObject::Connection asked = connect(
        CaptureHandoff::instance(), &CaptureHandoff::pinWanted, this,
        [&](const QImage &picture, const QRect &at, const QDateTime &) {
            place = at;
            pinned = picture.convertToFormat(QImage::Format_RGB32);
        });
    QTest::keyClick(overlay, Qt::Key_P);
    QTRY_VERIFY(!place.isEmpty());
    disconnect(asked);
    QVERIFY(!overlay->isVisible());
    QCOMPARE(pinned, PatternWindow::expected(place));
    // No note yet, and the desktop changed: only the stand-in can show the
    // picture where it was captured (a compositing manager shows it a
    // moment after the server has it).
    QTRY_COMPARE(screenAt(place), pinned);
    // It stays while the note's window is being built...
    QTest::qWait(300);
    QCOMPARE(screenAt(place), pinned);

    // ...and goes once that window has been painted over it.
    note = std::make_unique<QWidget>(nullptr, Qt::Window | Qt::FramelessWindowHint | Qt::WindowStaysOnTopHint);
    note->setPalette(QPalette(Qt::darkGreen));
    note->setAutoFillBackground(true);
    note->setGeometry(place);
    note->show();
    CaptureHandoff::instance()->pinnedIn(note.get());
    const auto standIns = [] {
        int count = 0;
        for (QWidget *w : QApplication::topLevelWidgets())
            count += qobject_cast<PinStandIn *>(w) != nullptr;
        return count;
    };
    // Well before the stand-in's own end, a few seconds on.
    QTRY_COMPARE_WITH_TIMEOUT(standIns(), 0, 2000);
    QTRY_COMPARE(screenAt(place).pixel(place.width() / 2, place.height() / 2), QColor(Qt::darkGreen).rgb());
}

// ---- fixed size and help -----------------------------------------------------

void TestOverlay::fixedSizeDialogResizesSelection()
{
    const int W = overlay->width();
    drawSelection(overlay, QPoint(W - 100, 50), QPoint(W - 50, 80));
    auto typeSize = [&](const QString &width, const QString &height) {
        auto *script = ModalScript::forType<InputDialog>(
            [&](InputDialog *dialog) {
                auto *widthEdit = dialog->findChild<QLineEdit *>(QStringLiteral("widthEdit"));
                auto *heightEdit = dialog->findChild<QLineEdit *>(QStringLiteral("heightEdit"));
                QVERIFY(widthEdit && heightEdit);
                widthEdit->clear();
                QTest::keyClicks(widthEdit, width);
                heightEdit->clear();
                QTest::keyClicks(heightEdit, height);
                QTest::mouseClick(dialog->findChild<QPushButton *>(QStringLiteral("okButton")), Qt::LeftButton);
            },
            this);
        overlay->captureMenu()->actions().at(3)->trigger();
        QVERIFY(script->hasRun());
        delete script;
    };
    typeSize(QStringLiteral("300"), QStringLiteral("200"));
    // Cut at the right edge: the label reads 100 wide, 200 high.
    QCOMPARE(overlay->selection().bottomRight(), QPoint(W, 250));
    QCOMPARE(overlay->selection().reportedSize(), QSize(100, 200));
    typeSize(QStringLiteral("0"), QString());
    QCOMPARE(overlay->selection().reportedSize(), QSize(100, 200));
    QVERIFY(overlay->isVisible());
}

void TestOverlay::helpOpensOnceFromF1AndMenu()
{
    QSignalSpy showHelp(overlay, &Widget::showHelp);
    QStringList texts;
    int emittedBeforeOpen = 0;
    auto openHelp = [&](const std::function<void()> &trigger) {
        auto *script = ModalScript::forType<AboutDialog>(
            [&](AboutDialog *dialog) {
                emittedBeforeOpen += showHelp.count();
                texts << dialog->findChild<QTextEdit *>(QStringLiteral("helpText"))->toPlainText();
            },
            this);
        trigger();
        QVERIFY(script->hasRun());
        delete script;
    };
    openHelp([&] { QTest::keyRelease(overlay, Qt::Key_F1); });
    QCOMPARE(showHelp.count(), 1);
    // A held F1 repeats its release; only the real one counts. The press
    // alone opens nothing.
    QKeyEvent repeated(QEvent::KeyRelease, Qt::Key_F1, Qt::NoModifier, QString(), true);
    QApplication::sendEvent(overlay, &repeated);
    QTest::keyPress(overlay, Qt::Key_F1);
    QCOMPARE(showHelp.count(), 1);
    openHelp([&] { overlay->captureMenu()->actions().at(5)->trigger(); });
    QCOMPARE(showHelp.count(), 2);
    QCOMPARE(emittedBeforeOpen, 1 + 2);
    QCOMPARE(texts.size(), 2);
    QCOMPARE(texts.at(0), texts.at(1));
    QCOMPARE(texts.at(0), AboutDialog::helpText());
    QVERIFY(overlay->isVisible());
}


// ---- failed grab -------------------------------------------------------------

void TestOverlay::failedGrabIsToldWithoutOverlayOrOutput_data()
{
    QTest::addColumn<bool>("backdrop");
    QTest::newRow("no picture at once") << false;
    QTest::newRow("no picture after the backdrop showed") << true;
}

void TestOverlay::failedGrabIsToldWithoutOverlayOrOutput()
{
    QFETCH(bool, backdrop);
    overlay->hide();
    QApplication::clipboard()->setText(QStringLiteral("before the capture"));
    QTRY_COMPARE(QApplication::clipboard()->text(), QStringLiteral("before the capture"));

    // Outputs asked for anyway leave the clipboard and the disk alone.
    Widget failed(nullptr, QColor(0, 0, 255), -1, true, std::make_unique<FailingSource>(backdrop));
    failed.saveBoard();
    failed.saveImage();
    QVERIFY(!QApplication::activeModalWidget());

    // Through the main window's path: the first capture builds the kept
    // overlay, the second grabs again in it.
    CaptureLauncher launcher;
    Widget::prepareCapture(&launcher);
    launcher.setSourceFactory([backdrop] { return std::make_unique<FailingSource>(backdrop); });
    QSignalSpy told(&launcher, &CaptureLauncher::failed);
    for (int capture = 1; capture <= 2; ++capture) {
        launcher.start();
        QCOMPARE(told.size(), capture);
        QCOMPARE(told.last().at(0).toString(), QStringLiteral("无法读取屏幕画面"));
        QVERIFY(!overlayShown());
        QVERIFY(!launcher.isBusy());
    }
    QCOMPARE(QApplication::clipboard()->text(), QStringLiteral("before the capture"));
    QVERIFY(QApplication::clipboard()->image().isNull());
    QVERIFY(QDir(home.path()).entryList({QStringLiteral("*.png")}, QDir::Files).isEmpty());
}

QTEST_MAIN(TestOverlay)
#include "tst_overlay.moc"
