// Pin race: from choosing "Pin to desktop" by key to the pinned picture on
// the screen, Velmo Note against Flameshot's pin, measured from outside both
// on the X server's own pixels. Run inside the headless session with a
// session bus (README.md):
//
//   pin_race --velmo PATH/velmonote [--runs N] [--size WxH] [--no-flameshot]
//
// A full-screen stage of this program's own shows pattern A; the tool's
// capture opens over it and its selection is made; the stage then switches
// to pattern B under the open capture; the pin key goes out (XTest) and the
// clock runs until the selection's area on the root window holds A's pixels
// again, exactly, while the ring around it no longer shows the capture's
// screen: the pin is painted. Rounds alternate which tool goes first.

#include "racerig.h"

#include <QApplication>
#include <QPainter>
#include <QProcess>
#include <QScreen>
#include <QWidget>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <vector>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>
#include <X11/keysym.h>
#include <xcb/xcb.h>

namespace {

constexpr int Edge = 4;

/// The whole desktop, in one of two patterns that differ at every pixel.
class Stage : public QWidget
{
public:
    explicit Stage(const QRect &area)
        : QWidget(nullptr, Qt::FramelessWindowHint | Qt::WindowStaysOnBottomHint)
    {
        setGeometry(area);
        for (int which = 0; which < 2; ++which) {
            QImage image(area.size(), QImage::Format_RGB32);
            for (int y = 0; y < image.height(); ++y) {
                auto *line = reinterpret_cast<QRgb *>(image.scanLine(y));
                for (int x = 0; x < image.width(); ++x) {
                    const int r = (x * 7 + y) & 0xff, g = (y * 5 + x / 3) & 0xff;
                    line[x] = which ? qRgb(255 - r, 255 - g, 200) : qRgb(r, g, 40);
                }
            }
            m_patterns[which] = image;
        }
    }
    void showPattern(int which)
    {
        m_which = which;
        repaint();
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter(this).drawImage(0, 0, m_patterns[m_which]);
    }

private:
    QImage m_patterns[2];
    int m_which = 0;
};

/// Reads an area of the root window through a connection of its own.
class RootReader
{
public:
    RootReader()
        : m_c(xcb_connect(nullptr, nullptr))
    {
        const xcb_screen_t *screen = xcb_setup_roots_iterator(xcb_get_setup(m_c)).data;
        m_root = screen->root;
        m_size = QSize(screen->width_in_pixels, screen->height_in_pixels);
    }
    ~RootReader() { xcb_disconnect(m_c); }
    QSize size() const { return m_size; }

    /// The pixels of area, 0x00RRGGBB, row by row.
    std::vector<quint32> read(const QRect &area)
    {
        std::vector<quint32> pixels;
        const xcb_get_image_cookie_t cookie
            = xcb_get_image(m_c, XCB_IMAGE_FORMAT_Z_PIXMAP, m_root, qint16(area.x()), qint16(area.y()),
                            quint16(area.width()), quint16(area.height()), ~0u);
        xcb_get_image_reply_t *reply = xcb_get_image_reply(m_c, cookie, nullptr);
        if (!reply)
            return pixels;
        const auto *data = reinterpret_cast<const quint32 *>(xcb_get_image_data(reply));
        pixels.assign(data, data + size_t(area.width()) * size_t(area.height()));
        free(reply);
        for (quint32 &p : pixels)
            p &= 0xffffff;
        return pixels;
    }

private:
    xcb_connection_t *m_c;
    xcb_window_t m_root;
    QSize m_size;
};

void dragPointer(Display *d, QPoint from, QPoint to)
{
    XTestFakeMotionEvent(d, -1, from.x(), from.y(), CurrentTime);
    XTestFakeButtonEvent(d, 1, True, CurrentTime);
    XSync(d, False);
    spin(60);
    for (int step = 1; step <= 6; ++step) {
        const QPoint at = from + (to - from) * step / 6;
        XTestFakeMotionEvent(d, -1, at.x(), at.y(), CurrentTime);
        XSync(d, False);
        spin(30);
    }
    XTestFakeButtonEvent(d, 1, False, CurrentTime);
    XSync(d, False);
}

/// Every visible window of a program's class gets Escape, which closes pins.
void closePins(const QString &windowClass)
{
    QProcess search;
    search.start(QStringLiteral("xdotool"),
                 {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"), windowClass});
    search.waitForFinished(3000);
    for (const QByteArray &id : search.readAllStandardOutput().split('\n')) {
        if (id.trimmed().isEmpty())
            continue;
        QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("windowactivate"), QStringLiteral("--sync"),
                                                      QString::fromLatin1(id.trimmed()), QStringLiteral("key"),
                                                      QStringLiteral("Escape")});
    }
}

struct Tool
{
    const char *name;
    std::vector<double> ms;
    int missed = 0;
    /// From the key to the last change of the watched area: the pin's
    /// window whole, frame and all.
    std::vector<double> settledMs;
};

} // namespace

int main(int argc, char *argv[])
{
    std::setvbuf(stdout, nullptr, _IOLBF, 0);
    QApplication app(argc, argv);
    QSize selectionSize(800, 600);
    RaceOptions options(6);
    const auto takeSize = [&](const QStringList &args, int &i) {
        if (args[i] != QLatin1String("--size") || i + 1 >= args.size())
            return false;
        const QStringList wh = args[++i].split(QLatin1Char('x'));
        selectionSize = QSize(wh.value(0).toInt(), wh.value(1).toInt());
        return true;
    };
    if (!options.parse(app.arguments(), "usage: pin_race --velmo PATH [--runs N] [--size WxH] [--no-flameshot]",
                       takeSize))
        return 2;
    Display *display = XOpenDisplay(nullptr);
    if (!display)
        return 1;
    RootReader reader;
    const QRect screen(QPoint(0, 0), reader.size());
    const bool whole = selectionSize == screen.size();
    // In the middle of the screen; the whole screen when asked for.
    const QRect selection = whole ? screen : QRect(QPoint(0, 0), selectionSize).translated(
                                                 screen.center() - QRect(QPoint(0, 0), selectionSize).center());
    const QRect watched = selection.adjusted(-24, -24, 24, 24) & screen;

    Stage stage(screen);
    stage.show();
    spin(800);

    // No help or side panel over the capture; the pin tool on a key of its own.
    RaceRig rig("showHelp=false\nshowSidePanelButton=false\n[Shortcuts]\nTYPE_PIN=Ctrl+P\n");
    rig.env.insert(QStringLiteral("XDG_CONFIG_HOME"), rig.filePath(QStringLiteral(".config")));
    if (!rig.start(options.velmoPath, options.withFlameshot))
        return 1;
    spin(5000);

    const QPoint inside = selection.topLeft() - watched.topLeft();
    const auto isSelection = [&](int x, int y) {
        return x >= inside.x() && x < inside.x() + selection.width() && y >= inside.y()
            && y < inside.y() + selection.height();
    };
    // The picture is compared Edge pixels in from its sides: a pin may draw
    // its frame or glow over the picture's outermost pixels.
    const auto isCompared = [&](int x, int y) {
        return x >= inside.x() + Edge && x < inside.x() + selection.width() - Edge && y >= inside.y() + Edge
            && y < inside.y() + selection.height() - Edge;
    };

    // One round: capture open over A, selection made, B under it, the pin
    // key, then wait for A in the selection with the capture gone around it.
    const auto round = [&](Tool &tool, bool isVelmo) {
        stage.showPattern(0);
        spin(400);
        const std::vector<quint32> a = reader.read(watched);
        if (isVelmo) {
            pressKeys(display, {XK_Control_L, XK_Alt_L, XK_c});
            spin(1500);
            if (!whole)
                dragPointer(display, selection.topLeft(), selection.bottomRight() + QPoint(1, 1));
        } else {
            // In the daemon's setting (HOME), or it would read another configuration.
            QProcess gui;
            gui.setProcessEnvironment(rig.env);
            gui.setProgram(QStringLiteral("flameshot"));
            gui.setArguments({QStringLiteral("gui"), QStringLiteral("--region"),
                              QStringLiteral("%1x%2+%3+%4")
                                  .arg(selection.width()).arg(selection.height()).arg(selection.x()).arg(selection.y())});
            gui.startDetached();
            spin(2500);
            // Its capture window does not always get the keyboard by itself here.
            QProcess::execute(QStringLiteral("xdotool"),
                              {QStringLiteral("search"), QStringLiteral("--onlyvisible"), QStringLiteral("--class"),
                               QStringLiteral("flameshot"), QStringLiteral("windowactivate"), QStringLiteral("--sync")});
        }
        spin(400);
        stage.showPattern(1);
        spin(400);
        const std::vector<quint32> opened = reader.read(watched);
        const qint64 sent = nowUs();
        if (isVelmo)
            pressKeys(display, {XK_p});
        else
            pressKeys(display, {XK_Control_L, XK_p});
        qint64 seen = 0;
        while (!seen && nowUs() - sent < 8'000'000) {
            const std::vector<quint32> now = reader.read(watched);
            const qint64 at = nowUs();
            if (now.size() != a.size())
                continue;
            bool pictureBack = true;
            int ring = 0, ringChanged = 0;
            for (int y = 0, i = 0; y < watched.height() && pictureBack; ++y) {
                for (int x = 0; x < watched.width(); ++x, ++i) {
                    if (isSelection(x, y)) {
                        if (isCompared(x, y) && now[i] != a[i]) {
                            pictureBack = false;
                            break;
                        }
                    } else {
                        ++ring;
                        ringChanged += now[i] != opened[i];
                    }
                }
            }
            if (pictureBack && (ring == 0 || ringChanged * 2 > ring))
                seen = at;
        }
        if (!seen && qEnvironmentVariableIsSet("PIN_RACE_TRACE")) {
            const std::vector<quint32> now = reader.read(watched);
            QRect wrong;
            for (int y = 0, i = 0; y < watched.height(); ++y)
                for (int x = 0; x < watched.width(); ++x, ++i)
                    if (isCompared(x, y) && now[i] != a[i])
                        wrong |= QRect(x, y, 1, 1);
            std::printf("    picture differs in (%d, %d) %dx%d of the watched area\n", wrong.x(), wrong.y(),
                        wrong.width(), wrong.height());
        }
        if (seen)
            tool.ms.push_back((seen - sent) / 1000.0);
        else
            ++tool.missed;
        // Read on until nothing changes for a while: the last change is when
        // the pin stood complete (a stand-in replaced by the note's window,
        // a frame or shadow drawn after the picture).
        if (seen) {
            std::vector<quint32> last = reader.read(watched);
            qint64 changed = seen;
            while (nowUs() - changed < 300'000 && nowUs() - sent < 3'000'000) {
                std::vector<quint32> now = reader.read(watched);
                if (now != last) {
                    changed = nowUs();
                    last = std::move(now);
                }
            }
            tool.settledMs.push_back((changed - sent) / 1000.0);
        }
        std::printf("  %s: %s\n", tool.name,
                    seen ? qPrintable(QStringLiteral("%1 ms, settled %2 ms")
                                          .arg((seen - sent) / 1000.0, 0, 'f', 1)
                                          .arg(tool.settledMs.back(), 0, 'f', 1))
                         : "not seen");
        // The pin goes (and the capture, had the pin not come).
        spin(isVelmo && whole ? 1500 : 500);
        pressKeys(display, {XK_Escape});
        closePins(isVelmo ? QStringLiteral("velmonote") : QStringLiteral("flameshot"));
        spin(800);
    };

    Tool velmoTool{"Velmo Note (P)", {}, 0, {}};
    Tool flameTool{"Flameshot (pin tool, Ctrl+P)", {}, 0, {}};
    std::printf("screen %dx%d, selection %dx%d at (%d, %d), %d rounds, interleaved\n", screen.width(),
                screen.height(), selection.width(), selection.height(), selection.x(), selection.y(), options.runs);
    for (int i = 0; i < options.runs; ++i) {
        if (i % 2 == 0) {
            round(velmoTool, true);
            if (options.withFlameshot)
                round(flameTool, false);
        } else {
            if (options.withFlameshot)
                round(flameTool, false);
            round(velmoTool, true);
        }
    }
    const auto report = [](const Tool &t) {
        if (t.ms.empty()) {
            std::printf("%-30s not seen (%d)\n", t.name, t.missed);
            return;
        }
        std::printf("%-30s median %7.1f ms (%.1f..%.1f)%s\n", t.name, median(t.ms),
                    *std::min_element(t.ms.begin(), t.ms.end()), *std::max_element(t.ms.begin(), t.ms.end()),
                    t.missed ? qPrintable(QStringLiteral("  %1 not seen").arg(t.missed)) : "");
    };
    std::printf("pin key to the pinned picture on the screen:\n");
    report(velmoTool);
    if (options.withFlameshot) {
        report(flameTool);
        if (!velmoTool.ms.empty() && !flameTool.ms.empty())
            std::printf("Flameshot / Velmo Note: %.2fx\n", median(flameTool.ms) / median(velmoTool.ms));
    }
    std::printf("pin key to the last change around it (the pin complete):\n");
    for (Tool *t : {&velmoTool, &flameTool}) {
        if (!t->settledMs.empty())
            std::printf("%-30s median %7.1f ms (%.1f..%.1f)\n", t->name, median(t->settledMs),
                        *std::min_element(t->settledMs.begin(), t->settledMs.end()),
                        *std::max_element(t->settledMs.begin(), t->settledMs.end()));
    }
    rig.stop();
    XCloseDisplay(display);
    return 0;
}
