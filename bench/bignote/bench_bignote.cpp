// bench_bignote VELMONOTE [RUNS] [CASE...]
//
// Opening a large note file, measured from outside the program. Each run
// makes a notebook folder whose tab.dat holds one fixed tab bound to the
// file and stuck on the screen (so its text loads right after start), starts
// VELMONOTE there and watches it through the X server:
// - painted: start until the note's text shows in the note window (dark
//   pixels in its text area, read back from the screen); "refused" when the
//   program refused the file;
// - stall: the program's windows are pinged (_NET_WM_PING) every 20 ms; the
//   longest wait for an answer is how long its event loop froze;
// - busy until: when the program last used more than a fifth of a core (the
//   editor lays out the rest of a long note in the background);
// - peak: VmHWM of the process, once idle, minus that of a run with a
//   one-line note.
// Cases: plain-lines, plain-single (one line), html, at 1, 5, 8, 20 and 32 MB
// (names like plain-lines-20; sizes may be fractions), or the path of a file
// of ones own. Medians of RUNS runs.
// Needs an X session with a window manager (scripts/test-session.sh).

#include "tabstorefile.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QThread>

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>

#include <algorithm>
#include <csignal>
#include <cstdio>

namespace {
const QRect NoteFrame(300, 200, 600, 500);

QByteArray makeText(const QString &kind, qint64 bytes)
{
    static const char *const words[] = {"the", "note", "buy", "milk", "fix", "bike", "call", "Anna", "about",
                                        "order", "今天", "要做", "的事情", "bank", "报告"};
    QRandomGenerator random(7);
    QByteArray out;
    out.reserve(bytes + 400);
    const bool html = kind == QLatin1String("html");
    if (html) {
        out += "<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\" \"http://www.w3.org/TR/REC-html40/strict.dtd\">\n"
               "<html><head><meta name=\"qrichtext\" content=\"1\" /><meta charset=\"utf-8\" /><style type=\"text/css\">\n"
               "p, li { white-space: pre-wrap; }\n</style></head><body style=\" font-family:'calibri'; "
               "font-size:16pt; font-weight:400; font-style:normal;\">\n";
    }
    const QByteArray end = html ? "</body></html>\n" : "";
    for (;;) {
        QByteArray line;
        const int count = 3 + int(random.bounded(12));
        for (int i = 0; i < count; ++i) {
            if (i)
                line += ' ';
            line += words[random.bounded(int(std::size(words)))];
        }
        if (html) {
            if (random.bounded(10) < 3)
                line = "<span style=\" font-weight:700;\">" + line + "</span>";
            line = "<p style=\" margin-top:0px; margin-bottom:0px; margin-left:0px; margin-right:0px; "
                   "-qt-block-indent:0; text-indent:0px;\">" + line + "</p>\n";
        } else {
            line += kind == QLatin1String("plain-single") ? ' ' : '\n';
        }
        if (out.size() + line.size() + end.size() > bytes)
            break;
        out += line;
    }
    out += end;
    return out;
}

qint64 hwmKb(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith("VmHWM:"))
            return line.mid(6).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

qint64 cpuTicks(qint64 pid)
{
    QFile stat(QStringLiteral("/proc/%1/stat").arg(pid));
    if (!stat.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray text = stat.readAll();
    const QList<QByteArray> fields = text.mid(text.lastIndexOf(')') + 2).split(' ');
    return fields.value(11).toLongLong() + fields.value(12).toLongLong();
}

/// The top-level windows of pid, from the window manager's client list.
QList<Window> windowsOf(Display *display, qint64 pid)
{
    QList<Window> result;
    const Atom clientList = XInternAtom(display, "_NET_CLIENT_LIST", False);
    const Atom wmPid = XInternAtom(display, "_NET_WM_PID", False);
    Atom type;
    int format;
    unsigned long count, after;
    unsigned char *data = nullptr;
    if (XGetWindowProperty(display, DefaultRootWindow(display), clientList, 0, 4096, False, XA_WINDOW, &type,
                           &format, &count, &after, &data) != Success || !data)
        return result;
    const auto *windows = reinterpret_cast<const Window *>(data);
    for (unsigned long i = 0; i < count; ++i) {
        unsigned char *p = nullptr;
        unsigned long n, rest;
        if (XGetWindowProperty(display, windows[i], wmPid, 0, 1, False, XA_CARDINAL, &type, &format, &n, &rest,
                               &p) == Success && p) {
            if (n == 1 && qint64(*reinterpret_cast<const unsigned long *>(p)) == pid)
                result << windows[i];
            XFree(p);
        }
    }
    XFree(data);
    return result;
}

/// Dark pixels in the note's text area: glyphs on the note's light page.
int darkPixels(Display *display)
{
    const QRect area(NoteFrame.x() + 30, NoteFrame.y() + 80, NoteFrame.width() - 60, NoteFrame.height() - 140);
    XImage *image = XGetImage(display, DefaultRootWindow(display), area.x(), area.y(), area.width(), area.height(),
                              AllPlanes, ZPixmap);
    if (!image)
        return 0;
    int dark = 0;
    for (int y = 0; y < area.height(); y += 2) {
        for (int x = 0; x < area.width(); x += 2) {
            const unsigned long p = XGetPixel(image, x, y);
            const int luma = (int((p >> 16) & 0xff) * 3 + int((p >> 8) & 0xff) * 6 + int(p & 0xff)) / 10;
            dark += luma < 70;
        }
    }
    XDestroyImage(image);
    return dark;
}

struct Run
{
    double paintedMs = -1; // -1: no text appeared
    double stallMs = 0;
    double idleMs = -1;
    qint64 hwmKb = -1;
};

/// A notebook whose one fixed tab is bound to noteFile and stuck on the screen.
bool writeNotebook(const QString &folder, const QString &noteFile)
{
    TabStoreData data;
    TabRecord record;
    record.name = QStringLiteral("big");
    record.fromFile = true;
    record.pathOrText = noteFile;
    record.onScreen = true;
    record.geometry = NoteFrame;
    data.records << record;
    return TabStoreFile::save(folder + QLatin1String("/tab.dat"), data).ok;
}

Run runOnce(const QString &program, const QString &noteFile)
{
    Run run;
    QTemporaryDir folder;
    if (!writeNotebook(folder.path(), noteFile))
        return run;
    Display *display = XOpenDisplay(nullptr);
    const Window root = DefaultRootWindow(display);
    // Qt answers a ping on the root window with StructureNotify | SubstructureRedirect.
    XSelectInput(display, root, StructureNotifyMask | SubstructureNotifyMask);
    const Atom protocols = XInternAtom(display, "WM_PROTOCOLS", False);
    const Atom ping = XInternAtom(display, "_NET_WM_PING", False);

    QProcess process;
    process.setWorkingDirectory(folder.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), folder.filePath(QStringLiteral("config")));
    env.insert(QStringLiteral("XDG_DATA_HOME"), folder.filePath(QStringLiteral("data")));
    process.setProcessEnvironment(env);
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    QElapsedTimer clock;
    clock.start();
    process.start(program, {});
    process.waitForStarted();
    const qint64 pid = process.processId();

    qint64 pingSent = -1; // ms, -1: none outstanding
    unsigned long pingStamp = 0;
    QList<QPair<qint64, qint64>> samples; // (ms, CPU ticks)
    qint64 lastBusy = 0;
    while (clock.elapsed() < 30000 && process.state() == QProcess::Running) {
        const qint64 now = clock.elapsed();
        while (XPending(display)) {
            XEvent event;
            XNextEvent(display, &event);
            if (event.type == ClientMessage && event.xclient.message_type == protocols
                && Atom(event.xclient.data.l[0]) == ping && (unsigned long)event.xclient.data.l[1] == pingStamp
                && pingSent >= 0) {
                run.stallMs = std::max(run.stallMs, double(clock.elapsed() - pingSent));
                pingSent = -1;
            }
        }
        // Done: answering, and a second without work (text up, or refused).
        if (pingSent < 0 && now - lastBusy > 1000 && now > 1500) {
            run.idleMs = lastBusy;
            break;
        }
        const QList<Window> windows = windowsOf(display, pid);
        if (pingSent < 0 && !windows.isEmpty()) {
            XEvent event{};
            event.xclient.type = ClientMessage;
            event.xclient.window = windows.first();
            event.xclient.message_type = protocols;
            event.xclient.format = 32;
            event.xclient.data.l[0] = long(ping);
            event.xclient.data.l[1] = long(++pingStamp);
            event.xclient.data.l[2] = long(windows.first());
            XSendEvent(display, windows.first(), False, NoEventMask, &event);
            XFlush(display);
            pingSent = clock.elapsed();
        } else if (pingSent >= 0) {
            run.stallMs = std::max(run.stallMs, double(now - pingSent));
        }
        if (run.paintedMs < 0 && windows.size() >= 2 && darkPixels(display) > 50)
            run.paintedMs = now;
        // Busy: more than a fifth of a core over the last half second (the
        // title clock and the like use far less).
        samples.append({now, cpuTicks(pid)});
        while (samples.size() > 1 && now - samples.first().first > 500)
            samples.removeFirst();
        if (samples.last().second - samples.first().second > 10)
            lastBusy = now;
        QThread::msleep(20);
    }
    run.hwmKb = hwmKb(pid);
    ::kill(pid_t(pid), SIGKILL);
    process.waitForFinished(5000);
    XCloseDisplay(display);
    return run;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v.at(v.size() / 2);
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    // A window can go between listing and reading its properties: not fatal.
    XSetErrorHandler([](Display *, XErrorEvent *) { return 0; });
    QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_bignote VELMONOTE [RUNS] [CASE...]   (CASE: plain-lines-20, html-5, ...)\n"
                             "       bench_bignote --write DIR CASE   (only write DIR/CASE.txt|.not and DIR/tab.dat)\n");
        return 2;
    }
    if (args.at(1) == QLatin1String("--write") && args.size() > 3) {
        const QString name = args.at(3);
        const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
        const QString kind = name.left(dash);
        const QString path = QDir(args.at(2)).absoluteFilePath(
            name + (kind == QLatin1String("html") ? QLatin1String(".not") : QLatin1String(".txt")));
        QFile f(path);
        if (!f.open(QIODevice::WriteOnly) || f.write(makeText(kind, qint64(name.mid(dash + 1).toDouble() * 1024 * 1024))) < 0)
            return 1;
        return writeNotebook(args.at(2), path) ? 0 : 1;
    }
    const QString program = QFileInfo(args.at(1)).absoluteFilePath();
    const int runs = args.size() > 2 ? args.at(2).toInt() : 3;
    QStringList cases = args.mid(3);
    if (cases.isEmpty()) {
        // The sizes of the report, the largest file that may open (8 MB) and
        // the longest one-line file that may (0.25 MB: 256K characters).
        for (const char *kind : {"plain-lines", "plain-single", "html"})
            for (const char *mb : {"1", "5", "8", "20", "32"})
                cases << QStringLiteral("%1-%2").arg(QLatin1String(kind), QLatin1String(mb));
        cases.insert(cases.indexOf(QStringLiteral("plain-single-1")), QStringLiteral("plain-single-0.25"));
    }
    QTemporaryDir files;
    const QString small = files.filePath(QStringLiteral("small.txt"));
    {
        QFile f(small);
        f.open(QIODevice::WriteOnly);
        f.write("a short note\n");
    }
    QList<double> base;
    for (int i = 0; i < runs; ++i)
        base << double(runOnce(program, small).hwmKb);
    const double baseKb = median(base);
    std::printf("one-line note: peak RSS %.0f MB\n", baseKb / 1024);
    std::printf("%-18s %8s %12s %12s %12s %14s\n", "case", "file MB", "painted ms", "stall ms", "busy until",
                "peak +MB (x)");
    for (const QString &name : cases) {
        // A case may also be a file of one's own (left in place).
        const bool own = QFileInfo(name).isFile();
        const qsizetype dash = name.lastIndexOf(QLatin1Char('-'));
        const QString kind = name.left(dash);
        const qint64 bytes = own ? QFileInfo(name).size() : qint64(name.mid(dash + 1).toDouble() * 1024 * 1024);
        const QString path = own ? QFileInfo(name).absoluteFilePath()
                                 : files.filePath(name + (kind == QLatin1String("html") ? QLatin1String(".not")
                                                                                        : QLatin1String(".txt")));
        if (!own) {
            QFile f(path);
            f.open(QIODevice::WriteOnly);
            f.write(makeText(kind, bytes));
        }
        QList<double> painted, stall, idle, grown;
        int refused = 0;
        for (int i = 0; i < runs; ++i) {
            const Run run = runOnce(program, path);
            refused += run.paintedMs < 0;
            painted << run.paintedMs;
            stall << run.stallMs;
            idle << run.idleMs;
            grown << (run.hwmKb - baseKb) / 1024.0;
        }
        const double mb = bytes / (1024.0 * 1024.0);
        std::printf("%-18s %8.2f %12s %12.0f %12.0f %8.0f (%4.1fx)\n", qPrintable(name), mb,
                    refused == runs ? "refused" : qPrintable(QString::number(median(painted), 'f', 0)),
                    median(stall), median(idle), median(grown), median(grown) / mb);
        std::fflush(stdout);
        if (!own)
            QFile::remove(path);
    }
    return 0;
}
