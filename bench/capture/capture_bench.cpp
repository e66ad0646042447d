// Capture benchmark: the time from a real Ctrl+Alt+C key press to the
// overlay painted on screen, the cost of one repaint while dragging a
// selection, and the memory the overlay adds. Run it inside the headless
// session (see README.md); it prints one block of figures.
//
//   capture_bench [--runs N] [--drags N] [--interactive]
//
// --interactive only shows the backdrop and waits for the hot key, to look
// at the overlay by hand (screenshots with `import -window root`).

#include "desktopgrabber.h"
#include "globalshortcut.h"
#include "widget.h"

#include "backdrop.h"
#include "racerig.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFile>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScreen>
#include <QTimer>

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <thread>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

/// The process's resident memory, in KiB: private anonymous memory, shared
/// memory (the X backing stores) and mapped files (fonts, libraries).
struct Memory
{
    long anon = 0;
    long shmem = 0;
    long file = 0;
    long peak = 0; // VmHWM: the highest total since the last reset

    static Memory now()
    {
        Memory m;
        QFile status(QStringLiteral("/proc/self/status"));
        if (!status.open(QIODevice::ReadOnly))
            return m;
        const QList<QByteArray> lines = status.readAll().split('\n');
        for (const QByteArray &line : lines) {
            const QList<QByteArray> parts = line.simplified().split(' ');
            if (parts.size() < 2)
                continue;
            const long kb = parts.at(1).toLong();
            if (parts.first() == "RssAnon:")
                m.anon = kb;
            else if (parts.first() == "RssShmem:")
                m.shmem = kb;
            else if (parts.first() == "RssFile:")
                m.file = kb;
            else if (parts.first() == "VmHWM:")
                m.peak = kb;
        }
        return m;
    }
    long total() const { return anon + shmem + file; }
};

void resetPeakMemory()
{
    QFile refs(QStringLiteral("/proc/self/clear_refs"));
    if (refs.open(QIODevice::WriteOnly))
        refs.write("5");
}


/// The overlay as the main window runs it, with its first paint timed.
class TimedWidget : public Widget
{
public:
    TimedWidget()
        : Widget(nullptr, QColor(0, 0, 255), -1)
    {
    }
    qint64 firstPaintDoneUs = 0;
    qint64 firstPaintStartUs = 0;
    qint64 paintUs = 0;
    int paints = 0;

protected:
    void paintEvent(QPaintEvent *event) override
    {
        const qint64 start = nowUs();
        if (paints == 0)
            firstPaintStartUs = start;
        Widget::paintEvent(event);
        paintUs = nowUs() - start;
        ++paints;
        if (paints == 1) {
            // After this paint the backing store is flushed; a round trip
            // then proves the X server has the pixels.
            QTimer::singleShot(0, this, [this] {
                auto *x11 = qApp->nativeInterface<QNativeInterface::QX11Application>();
                xcb_connection_t *c = x11->connection();
                free(xcb_get_input_focus_reply(c, xcb_get_input_focus(c), nullptr));
                firstPaintDoneUs = nowUs();
            });
        }
    }
};

/// Watches one pixel of the root window from its own X connection.
class PixelWatcher
{
public:
    PixelWatcher(QPoint probe)
        : m_probe(probe)
    {
        m_connection = xcb_connect(nullptr, nullptr);
        m_root = xcb_setup_roots_iterator(xcb_get_setup(m_connection)).data->root;
        m_thread = std::thread([this] { run(); });
    }
    ~PixelWatcher()
    {
        m_stop = true;
        m_thread.join();
        xcb_disconnect(m_connection);
    }
    quint32 pixel() const { return m_pixel; }
    /// Monotonic time at which the pixel last changed.
    qint64 changedAtUs() const { return m_changedAt; }

private:
    void run()
    {
        quint32 last = 0xffffffff;
        while (!m_stop) {
            xcb_get_image_reply_t *reply = xcb_get_image_reply(
                m_connection,
                xcb_get_image(m_connection, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, qint16(m_probe.x()),
                              qint16(m_probe.y()), 1, 1, ~0u),
                nullptr);
            const qint64 at = nowUs();
            if (reply) {
                quint32 value = 0;
                memcpy(&value, xcb_get_image_data(reply), 4);
                value &= 0xffffff;
                free(reply);
                if (value != last) {
                    last = value;
                    m_pixel = value;
                    m_changedAt = at;
                }
            }
            std::this_thread::sleep_for(std::chrono::microseconds(500));
        }
    }

    QPoint m_probe;
    xcb_connection_t *m_connection;
    xcb_window_t m_root;
    std::thread m_thread;
    std::atomic<bool> m_stop{false};
    std::atomic<quint32> m_pixel{0};
    std::atomic<qint64> m_changedAt{0};
};

void pressHotKey(Display *display)
{
    const KeyCode control = XKeysymToKeycode(display, XK_Control_L);
    const KeyCode alt = XKeysymToKeycode(display, XK_Alt_L);
    const KeyCode c = XKeysymToKeycode(display, XK_c);
    XTestFakeKeyEvent(display, control, True, CurrentTime);
    XTestFakeKeyEvent(display, alt, True, CurrentTime);
    XTestFakeKeyEvent(display, c, True, CurrentTime);
    XTestFakeKeyEvent(display, c, False, CurrentTime);
    XTestFakeKeyEvent(display, alt, False, CurrentTime);
    XTestFakeKeyEvent(display, control, False, CurrentTime);
    XSync(display, False);
}

/// Spins the event loop until done() or the time is up.
template<typename Done>
bool spinUntil(Done done, int timeoutMs, int sleepUs = 200)
{
    QElapsedTimer timer;
    timer.start();
    while (!done()) {
        if (timer.elapsed() > timeoutMs)
            return false;
        QCoreApplication::processEvents(QEventLoop::AllEvents, 1);
        if (sleepUs > 0)
            std::this_thread::sleep_for(std::chrono::microseconds(sleepUs));
    }
    return true;
}

struct HotKeyRun
{
    double keyToPaintedMs = 0; // key sent .. first paint flushed and in the X server
    double keyToScreenMs = 0;  // key sent .. pixel changed on the composited screen
    double keyToSlotMs = 0;    // key sent .. hot key slot running
    double buildMs = 0;        // building the overlay (the grab is most of it)
    double showMs = 0;         // built .. first paint starts (show, map, expose)
    double firstPaintMs = 0;   // the first paintEvent itself
    Memory before;             // just before the key
    Memory shown;              // with the overlay on screen (peak: since the key)
};

class Bench : public QObject
{
public:
    Bench(int runs, int drags)
        : m_runs(runs)
        , m_drags(drags)
    {
        m_hotKey = new GlobalShortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), this);
        connect(m_hotKey, &GlobalShortcut::activated, this, &Bench::startCutScreen);
    }

    /// The main window's slot, with the overlay timed.
    void startCutScreen()
    {
        runOverlay();
        // As Widget::runCapture does once the overlay is gone.
        DesktopGrabber::releaseFreedMemory();
        m_captureDone = true;
    }

    int runHotKeyCases(Display *display, PixelWatcher &watcher)
    {
        std::vector<HotKeyRun> results;
        HotKeyRun first;
        const Memory start = Memory::now();
        for (int i = 0; i < m_runs + 1; ++i) {
            // Let the backdrop settle on screen before each press.
            spinUntil([] { return false; }, 150);
            m_watcher = &watcher;
            m_baseline = watcher.pixel();
            m_current = HotKeyRun{};
            resetPeakMemory();
            m_current.before = Memory::now();
            m_measured = m_captureDone = false;
            m_sentUs = nowUs();
            pressHotKey(display);
            if (!spinUntil([&] { return m_captureDone; }, 10000) || !m_measured) {
                std::fprintf(stderr, "run %d: the overlay did not appear\n", i);
                return 1;
            }
            spinUntil([&] { return watcher.pixel() == m_baseline; }, 5000);
            if (i == 0)
                first = m_current; // the first capture of the process: cold
            else
                results.push_back(m_current);
        }
        const Memory end = Memory::now();

        const QSize size = QGuiApplication::primaryScreen()->virtualGeometry().size();
        const double pictureMiB = double(size.width()) * size.height() * 4 / 1048576.0;
        std::vector<double> painted, screen, slot, build, show, paint;
        for (const HotKeyRun &r : results) {
            painted.push_back(r.keyToPaintedMs);
            screen.push_back(r.keyToScreenMs);
            slot.push_back(r.keyToSlotMs);
            build.push_back(r.buildMs);
            show.push_back(r.showMs);
            paint.push_back(r.firstPaintMs);
        }
        std::printf("hot key to painted overlay, desktop %dx%d, %zu runs after a warm-up (median; min..max)\n",
                    size.width(), size.height(), results.size());
        auto line = [](const char *what, const std::vector<double> &v) {
            std::printf("  %-46s %7.1f ms  (%.1f..%.1f)\n", what, median(v), *std::min_element(v.begin(), v.end()),
                        *std::max_element(v.begin(), v.end()));
        };
        line("key -> overlay painted, pixels in the X server", painted);
        line("key -> overlay on the composited screen", screen);
        line("  key delivered to the hot key slot", slot);
        line("  building the overlay (grab included)", build);
        line("  show, map, expose", show);
        line("  first paint", paint);
        std::printf("  cold first capture: key -> painted %.1f ms, on screen %.1f ms (slot %.1f, build %.1f, show %.1f, "
                    "paint %.1f)\n",
                    first.keyToPaintedMs, first.keyToScreenMs, first.keyToSlotMs, first.buildMs, first.showMs,
                    first.firstPaintMs);

        auto mib = [](long kb) { return kb / 1024.0; };
        const long added = (first.shown.anon - first.before.anon) + (first.shown.shmem - first.before.shmem);
        std::printf("memory the overlay adds, first capture of the process (MiB)\n");
        std::printf("  one full-screen frame: %.1f, +10%%: %.1f\n", pictureMiB, 1.1 * pictureMiB);
        std::printf("  while shown: %.1f (private %.1f + backing store %.1f), mapped files %+.1f\n", mib(added),
                    mib(first.shown.anon - first.before.anon), mib(first.shown.shmem - first.before.shmem),
                    mib(first.shown.file - first.before.file));
        std::printf("  peak during the capture: %.1f (all resident memory, files included)\n",
                    mib(first.shown.peak - first.before.total()));
        std::printf("  kept after %zu captures: %.1f private\n", results.size() + 1, mib(end.anon - start.anon));
        return 0;
    }

    void runOverlay()
    {
        const qint64 start = nowUs();
        m_current.keyToSlotMs = (start - m_sentUs) / 1000.0;
        TimedWidget overlay;
        m_current.buildMs = (nowUs() - start) / 1000.0;
        // exec() runs its own event loop: the measurement has to finish
        // from inside it.
        QTimer watch;
        watch.setInterval(1);
        connect(&watch, &QTimer::timeout, this, [&] {
            if (overlay.firstPaintDoneUs == 0 || m_watcher->pixel() == m_baseline)
                return;
            m_current.keyToPaintedMs = (overlay.firstPaintDoneUs - m_sentUs) / 1000.0;
            m_current.keyToScreenMs = (m_watcher->changedAtUs() - m_sentUs) / 1000.0;
            m_current.firstPaintMs = overlay.paintUs / 1000.0;
            m_current.showMs = (overlay.firstPaintStartUs - start) / 1000.0 - m_current.buildMs;
            m_current.shown = Memory::now();
            m_measured = true;
            watch.stop();
            overlay.close();
        });
        watch.start();
        overlay.exec();
    }

    int runDragCase()
    {
        TimedWidget overlay;
        overlay.show();
        if (!spinUntil([&] { return overlay.paints > 0; }, 5000))
            return 1;
        // A large selection, drawn the way a user would.
        const QSize size = QGuiApplication::primaryScreen()->virtualGeometry().size();
        const QPoint from(size.width() / 8, size.height() / 8);
        const QPoint to(size.width() * 5 / 8, size.height() * 5 / 8);
        sendMouse(&overlay, QEvent::MouseButtonPress, from, Qt::LeftButton, Qt::LeftButton);
        sendMouse(&overlay, QEvent::MouseMove, to, Qt::NoButton, Qt::LeftButton);
        sendMouse(&overlay, QEvent::MouseButtonRelease, to, Qt::LeftButton, Qt::NoButton);
        spinUntil([] { return false; }, 200);

        std::vector<double> stepMs, paintMs, fullMs;
        QPoint at = (from + to) / 2;
        sendMouse(&overlay, QEvent::MouseButtonPress, at, Qt::LeftButton, Qt::LeftButton);
        // The first move of a drag only takes its starting point.
        sendMouse(&overlay, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
        for (int i = 0; i < m_drags; ++i) {
            at += QPoint(i % 40 < 20 ? 3 : -3, i % 30 < 15 ? 2 : -2);
            const int paintsBefore = overlay.paints;
            const qint64 start = nowUs();
            sendMouse(&overlay, QEvent::MouseMove, at, Qt::NoButton, Qt::LeftButton);
            // The update is delivered by the event loop; paint and flush follow.
            if (!spinUntil([&] { return overlay.paints != paintsBefore; }, 2000, 0)) {
                std::fprintf(stderr, "drag step %d was not repainted\n", i);
                return 1;
            }
            stepMs.push_back((nowUs() - start) / 1000.0);
            paintMs.push_back(overlay.paintUs / 1000.0);
        }
        sendMouse(&overlay, QEvent::MouseButtonRelease, at, Qt::LeftButton, Qt::NoButton);
        // For scale: repainting the whole overlay, as every drag step once did.
        for (int i = 0; i < 10; ++i) {
            const int paintsBefore = overlay.paints;
            const qint64 start = nowUs();
            overlay.update();
            if (!spinUntil([&] { return overlay.paints != paintsBefore; }, 2000, 0))
                return 1;
            fullMs.push_back((nowUs() - start) / 1000.0);
        }
        overlay.close();
        std::printf("drag repaint at %dx%d, selection %dx%d, %d steps (medians; min..max)\n", size.width(),
                    size.height(), to.x() - from.x(), to.y() - from.y(), m_drags);
        auto line = [](const char *what, const std::vector<double> &v) {
            std::printf("  %-44s %8.2f ms  (%.2f..%.2f)\n", what, median(v), *std::min_element(v.begin(), v.end()),
                        *std::max_element(v.begin(), v.end()));
        };
        line("move event -> repainted and flushed", stepMs);
        line("  of which: paintEvent", paintMs);
        line("whole-overlay repaint, for scale", fullMs);
        return 0;
    }

private:
    static void sendMouse(QWidget *w, QEvent::Type type, QPoint at, Qt::MouseButton button, Qt::MouseButtons buttons)
    {
        QMouseEvent event(type, QPointF(at), w->mapToGlobal(QPointF(at)), button, buttons, Qt::NoModifier);
        QCoreApplication::sendEvent(w, &event);
    }

    int m_runs;
    int m_drags;
    GlobalShortcut *m_hotKey;
    HotKeyRun m_current;
    PixelWatcher *m_watcher = nullptr;
    quint32 m_baseline = 0;
    qint64 m_sentUs = 0;
    bool m_measured = false;
    bool m_captureDone = false;
};

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    DesktopGrabber::setUpAllocator(); // as the program does at start-up
    QApplication app(argc, argv);
    int runs = 15;
    int drags = 200;
    bool interactive = false;
    const QStringList args = app.arguments();
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--drags") && i + 1 < args.size())
            drags = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--interactive"))
            interactive = true;
    }

    Backdrop backdrop(QGuiApplication::primaryScreen()->geometry(),
                      // Chinese text too: the program's own windows have loaded the CJK
                      // font long before a capture.
                      QStringLiteral("Velmo Note 截图测试: desktop stand-in, row %1"));
    backdrop.show();
    Bench bench(runs, drags);
    spinUntil([] { return false; }, 500);
    if (interactive)
        return app.exec();

    Display *display = XOpenDisplay(nullptr);
    if (!display) {
        std::fprintf(stderr, "no X display\n");
        return 1;
    }
    const QSize size = QGuiApplication::primaryScreen()->virtualGeometry().size();
    int status;
    {
        PixelWatcher watcher(QPoint(size.width() / 4, size.height() * 3 / 4));
        status = bench.runHotKeyCases(display, watcher);
    }
    XCloseDisplay(display);
    if (status == 0)
        status = bench.runDragCase();
    return status;
}
