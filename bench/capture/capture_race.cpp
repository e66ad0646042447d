// Capture race: the resident program against Flameshot, measured from
// outside both, on the X server's own pixels. Run inside the headless session
// with a session bus (README.md):
//
//   capture_race --velmo PATH/velmonote [--runs N] [--save] [--no-flameshot]
//
// Each round presses Ctrl+Alt+C for Velmo Note (XTest, from this process)
// and runs `flameshot gui` for Flameshot, in alternating order, and takes
// the time until the root window's pixels stop changing; Escape ends each
// capture. The first capture of each program after its start is reported on
// its own, then the median of the later ones. Also: the raw grab of the
// screen (socket and MIT-SHM), the memory Velmo Note adds while its overlay
// is up, and with --save the whole-screen PNG save against scrot.

#include "backdrop.h"
#include "racerig.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QThread>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <vector>

#include <sys/ipc.h>
#include <sys/shm.h>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/shm.h>
#include <xcb/xcb.h>

namespace {

/// Reads a grid of root-window pixels from a connection of its own.
class Probe
{
public:
    Probe()
    {
        m_c = xcb_connect(nullptr, nullptr);
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_root = screen->root;
        m_size = QSize(screen->width_in_pixels, screen->height_in_pixels);
        // Away from the corners, where help texts and panels sit.
        for (int gy = 1; gy <= 4; ++gy) {
            for (int gx = 1; gx <= 4; ++gx)
                m_points.append(QPoint(m_size.width() * gx / 5 + 7, m_size.height() * gy / 5 + 3));
        }
    }
    ~Probe() { xcb_disconnect(m_c); }
    QSize size() const { return m_size; }
    /// Where Velmo Note's overlay writes its yellow hint: the top middle.
    void watchHint(bool watch)
    {
        m_hint = watch ? QRect(m_size.width() / 2 - 60, 25, 360, 40) : QRect();
    }
    /// When waitSettledChange() first saw the hint's yellow, 0 if never.
    qint64 hintSeen() const { return m_hintSeen; }
    /// When waitSettledChange() first saw most probes changed.
    qint64 firstChange() const { return m_firstChange; }

    bool hintShown()
    {
        xcb_get_image_reply_t *r = xcb_get_image_reply(
            m_c,
            xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, qint16(m_hint.x()), qint16(m_hint.y()),
                          quint16(m_hint.width()), quint16(m_hint.height()), ~0u),
            nullptr);
        if (!r)
            return false;
        const auto *pixels = reinterpret_cast<const quint32 *>(xcb_get_image_data(r));
        const int count = xcb_get_image_data_length(r) / 4;
        const bool yellow = std::any_of(pixels, pixels + count, [](quint32 v) { return (v & 0xffffff) == 0xffff00; });
        free(r);
        return yellow;
    }

    std::vector<quint32> sample()
    {
        std::vector<xcb_get_image_cookie_t> cookies;
        for (const QPoint &p : m_points)
            cookies.push_back(xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, qint16(p.x()), qint16(p.y()), 1,
                                            1, ~0u));
        std::vector<quint32> values;
        for (auto cookie : cookies) {
            quint32 v = 0;
            if (xcb_get_image_reply_t *r = xcb_get_image_reply(m_c, cookie, nullptr)) {
                memcpy(&v, xcb_get_image_data(r), 4);
                free(r);
            }
            values.push_back(v & 0xffffff);
        }
        return values;
    }

    /// Waits for the pixels to change from base in most probes and then hold
    /// still for quietMs; returns the time of the last change, 0 on timeout.
    qint64 waitSettledChange(const std::vector<quint32> &base, int quietMs, int timeoutMs)
    {
        std::vector<quint32> last = base;
        qint64 lastChange = 0;
        m_hintSeen = 0;
        m_firstChange = 0;
        const qint64 start = nowUs();
        while (nowUs() - start < qint64(timeoutMs) * 1000) {
            const std::vector<quint32> now = sample();
            const qint64 at = nowUs();
            if (!m_hint.isEmpty() && !m_hintSeen && hintShown())
                m_hintSeen = at;
            if (now != last) {
                last = now;
                lastChange = at;
            }
            int differ = 0;
            for (size_t i = 0; i < now.size(); ++i)
                differ += now[i] != base[i];
            if (!m_firstChange && differ * 2 > int(now.size()))
                m_firstChange = at;
            if (lastChange && differ * 2 > int(now.size()) && at - lastChange > qint64(quietMs) * 1000
                && (m_hint.isEmpty() || m_hintSeen))
                return lastChange;
            QThread::usleep(300);
        }
        return 0;
    }

    bool waitBack(const std::vector<quint32> &base, int timeoutMs)
    {
        const qint64 start = nowUs();
        while (nowUs() - start < qint64(timeoutMs) * 1000) {
            if (sample() == base)
                return true;
            QThread::usleep(2000);
        }
        return false;
    }

    /// The whole root through the socket and through MIT-SHM, in ms.
    std::pair<double, double> rawGrab()
    {
        const qint64 t0 = nowUs();
        free(xcb_get_image_reply(m_c,
                                 xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, 0, 0, quint16(m_size.width()),
                                               quint16(m_size.height()), ~0u),
                                 nullptr));
        const double socketMs = (nowUs() - t0) / 1000.0;
        const size_t bytes = size_t(m_size.width()) * size_t(m_size.height()) * 4;
        const qint64 t1 = nowUs();
        const int id = shmget(IPC_PRIVATE, bytes, IPC_CREAT | 0600);
        void *address = shmat(id, nullptr, 0);
        const xcb_shm_seg_t seg = xcb_generate_id(m_c);
        xcb_shm_attach(m_c, seg, quint32(id), 0);
        free(xcb_shm_get_image_reply(m_c,
                                     xcb_shm_get_image(m_c, m_root, 0, 0, quint16(m_size.width()),
                                                       quint16(m_size.height()), ~0u, XCB_IMAGE_FORMAT_Z_PIXMAP, seg, 0),
                                     nullptr));
        const double shmMs = (nowUs() - t1) / 1000.0;
        xcb_shm_detach(m_c, seg);
        xcb_flush(m_c);
        shmctl(id, IPC_RMID, nullptr);
        shmdt(address);
        return {socketMs, shmMs};
    }

private:
    xcb_connection_t *m_c;
    xcb_window_t m_root;
    QSize m_size;
    QList<QPoint> m_points;
    QRect m_hint;
    qint64 m_hintSeen = 0;
    qint64 m_firstChange = 0;
};

/// Resident memory of a process in KiB: private plus shared memory.
long residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    long total = 0;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("RssAnon:") || line.startsWith("RssShmem:"))
            total += line.simplified().split(' ').value(1).toLong();
    }
    return total;
}

struct Tool
{
    const char *name;
    std::vector<double> later;
    double first = -1;
    int failures = 0;
};

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    bool save = false;
    int idleSeconds = 0;
    RaceOptions options(10);
    const auto takeOwn = [&](const QStringList &args, int &i) {
        if (args[i] == QLatin1String("--save"))
            save = true;
        else if (args[i] == QLatin1String("--idle") && i + 1 < args.size())
            idleSeconds = std::max(0, args[++i].toInt());
        else
            return false;
        return true;
    };
    if (!options.parse(app.arguments(),
                       "usage: capture_race --velmo PATH [--runs N] [--idle SECONDS] [--save] [--no-flameshot]",
                       takeOwn))
        return 2;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;

    Backdrop backdrop(QGuiApplication::primaryScreen()->virtualGeometry(),
                      QStringLiteral("Velmo Note capture race, desktop stand-in, row %1"));
    backdrop.show();
    spin(800);

    RaceRig rig;
    rig.env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    if (!rig.start(options.velmoPath, options.withFlameshot))
        return 1;
    // Both resident and idle before the first capture.
    spin(4000);

    Probe probe;
    std::printf("desktop %dx%d, %d rounds, interleaved\n", probe.size().width(), probe.size().height(),
                options.runs + 1);
    Tool velmoTool{"Velmo Note (Ctrl+Alt+C)", {}, -1, 0};
    // Captures after a long pause, each tool's own figure.
    std::vector<double> velmoIdle, flameIdle;
    Tool flameTool{"Flameshot (flameshot gui)", {}, -1, 0};
    std::vector<double> memAdded, memAfter;
    // Velmo Note's overlay complete: its hint text drawn.
    std::vector<double> hintFirst, hintLater;
    // Memory kept by one capture would raise every later "before": compare
    // what stays after each capture with the level before the first one.
    long baseline = -1;

    std::vector<double> *velmoTarget = nullptr;
    std::vector<double> *flameTarget = nullptr;
    auto runVelmo = [&](bool first) {
        const std::vector<quint32> base = probe.sample();
        const long before = residentKiB(rig.velmo.processId());
        if (baseline < 0)
            baseline = before;
        const qint64 sent = nowUs();
        pressKeys(display, {XK_Control_L, XK_Alt_L, XK_c});
        probe.watchHint(true);
        const qint64 done = probe.waitSettledChange(base, 200, 5000);
        probe.watchHint(false);
        if (qEnvironmentVariableIsSet("CAPTURE_RACE_TRACE"))
            std::printf("    velmo: sent %.1f first change %.1f, hint %.1f, settled %.1f ms\n", sent / 1000.0,
                        (probe.firstChange() - sent) / 1000.0, (probe.hintSeen() - sent) / 1000.0,
                        (done - sent) / 1000.0);
        if (done && probe.hintSeen() && !velmoTarget)
            (first ? hintFirst : hintLater).push_back((probe.hintSeen() - sent) / 1000.0);
        const long shown = residentKiB(rig.velmo.processId());
        pressKeys(display, {XK_Escape});
        probe.waitBack(base, 5000);
        spin(300);
        const long after = residentKiB(rig.velmo.processId());
        if (!done) {
            ++velmoTool.failures;
            return;
        }
        const double ms = (done - sent) / 1000.0;
        if (velmoTarget)
            velmoTarget->push_back(ms);
        else if (first)
            velmoTool.first = ms;
        else
            velmoTool.later.push_back(ms);
        memAdded.push_back((shown - before) / 1024.0);
        memAfter.push_back((after - baseline) / 1024.0);
    };
    auto runFlameshot = [&](bool first) {
        const std::vector<quint32> base = probe.sample();
        const qint64 sent = nowUs();
        QProcess::startDetached(QStringLiteral("flameshot"), {QStringLiteral("gui")});
        const qint64 done = probe.waitSettledChange(base, 200, 8000);
        pressKeys(display, {XK_Escape});
        if (!probe.waitBack(base, 5000))
            pressKeys(display, {XK_Escape});
        probe.waitBack(base, 5000);
        spin(300);
        if (!done) {
            ++flameTool.failures;
            return;
        }
        const double ms = (done - sent) / 1000.0;
        if (flameTarget)
            flameTarget->push_back(ms);
        else if (first)
            flameTool.first = ms;
        else
            flameTool.later.push_back(ms);
    };

    for (int round = 0; round <= options.runs; ++round) {
        const bool first = round == 0;
        if (round % 2 == 0) {
            runVelmo(first);
            if (options.withFlameshot)
                runFlameshot(first);
        } else {
            if (options.withFlameshot)
                runFlameshot(first);
            runVelmo(first);
        }
        spin(200);
    }

    if (idleSeconds > 0) {
        // The user comes back after a pause: nothing of either program was
        // touched meanwhile. Two pauses, each tool going first once.
        velmoTarget = &velmoIdle;
        flameTarget = &flameIdle;
        for (int pause = 0; pause < 2; ++pause) {
            std::printf("idle for %d s...\n", idleSeconds);
            spin(idleSeconds * 1000);
            if (pause == 0) {
                runVelmo(false);
                if (options.withFlameshot)
                    runFlameshot(false);
            } else {
                if (options.withFlameshot)
                    runFlameshot(false);
                runVelmo(false);
            }
        }
        velmoTarget = flameTarget = nullptr;
    }

    std::vector<double> socketMs, shmMs;
    for (int i = 0; i < 5; ++i) {
        const auto [s, m] = probe.rawGrab();
        socketMs.push_back(s);
        shmMs.push_back(m);
    }

    auto report = [](const Tool &t) {
        std::printf("  %-28s first %7.1f ms   later: median %7.1f ms (%.1f..%.1f)%s\n", t.name, t.first,
                    median(t.later), t.later.empty() ? 0 : *std::min_element(t.later.begin(), t.later.end()),
                    t.later.empty() ? 0 : *std::max_element(t.later.begin(), t.later.end()),
                    t.failures ? qPrintable(QStringLiteral("  (%1 not seen)").arg(t.failures)) : "");
    };
    std::printf("key to overlay painted and settled, on the X server's pixels\n");
    report(velmoTool);
    std::printf("  Velmo Note, hint text drawn: first %.1f ms, later median %.1f ms\n",
                hintFirst.empty() ? 0.0 : hintFirst.front(), median(hintLater));
    if (options.withFlameshot) {
        report(flameTool);
        if (!velmoTool.later.empty() && velmoTool.first > 0)
            std::printf("  Flameshot / Velmo Note: first %.2fx, later %.2fx\n", flameTool.first / velmoTool.first,
                        median(flameTool.later) / median(velmoTool.later));
    }
    if (idleSeconds > 0) {
        auto list = [](const std::vector<double> &v) {
            QStringList parts;
            for (double ms : v)
                parts << QString::number(ms, 'f', 1);
            return parts.join(QStringLiteral(", "));
        };
        std::printf("  after %d s idle: Velmo Note %s ms; Flameshot %s ms\n", idleSeconds,
                    qPrintable(list(velmoIdle)), qPrintable(list(flameIdle)));
    }
    std::printf("raw grab of the whole screen: socket %.1f ms, MIT-SHM %.1f ms (median of 5)\n", median(socketMs),
                median(shmMs));
    const double frameMiB = double(probe.size().width()) * probe.size().height() * 4 / 1048576.0;
    std::printf("Velmo Note memory (private + shared): one frame %.1f MiB; added while shown: median %.1f MiB "
                "(%.2f frames), after closing (against before the first capture): %+.1f MiB\n",
                frameMiB, median(memAdded), median(memAdded) / frameMiB, median(memAfter));

    if (save) {
        // Whole screen to PNG: keypad Enter with no selection, the name typed
        // into the save dialog; timed from Return to the complete file.
        std::vector<double> velmoSave, scrotSave;
        for (int i = 0; i < 3; ++i) {
            const QString target = rig.filePath(QStringLiteral("shot%1.png").arg(i));
            const std::vector<quint32> base = probe.sample();
            pressKeys(display, {XK_Control_L, XK_Alt_L, XK_c});
            probe.waitSettledChange(base, 200, 5000);
            pressKeys(display, {XK_KP_Enter});
            spin(1500);
            pressKeys(display, {XK_Control_L, XK_a});
            QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("type"), QStringLiteral("--delay"),
                                                          QStringLiteral("0"), target});
            spin(300);
            const qint64 sent = nowUs();
            pressKeys(display, {XK_Return});
            while (!QFileInfo::exists(target) && nowUs() - sent < 10000000)
                QThread::usleep(500);
            velmoSave.push_back((nowUs() - sent) / 1000.0);
            probe.waitBack(base, 5000);
            spin(300);

            const QString scrotTarget = rig.filePath(QStringLiteral("scrot%1.png").arg(i));
            const qint64 t0 = nowUs();
            QProcess::execute(QStringLiteral("scrot"), {scrotTarget});
            scrotSave.push_back((nowUs() - t0) / 1000.0);
        }
        const QImage check(rig.filePath(QStringLiteral("shot0.png")));
        std::printf("whole screen to PNG: Velmo Note %.1f ms (Return to complete file, %dx%d, median of 3), "
                    "scrot %.1f ms\n",
                    median(velmoSave), check.width(), check.height(), median(scrotSave));
    }

    rig.stop();
    XCloseDisplay(display);
    return 0;
}
