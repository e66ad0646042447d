// bench_notebook_app VELMONOTE [RUNS] [CHARS]
//
// The whole program with a large notebook: 500 fixed tabs of CHARS characters
// of HTML each (default 10000: a 10 MB tab.dat). Measures, over RUNS runs
// (default 10): start to the end of the first paint, and quit (SIGTERM, which
// saves like the quit entry) to process exit. Then, in this process, the
// longest event-loop stall while typing into a tab of that notebook with
// autosave running. Needs an X session (scripts/test-session.sh).
//
// bench_notebook_app --state BEFORE AFTER [RUNS]
//
// Two builds of the program, interleaved run by run, on a notebook of 1000
// fixed notes (10 of them desktop notes with settings and reminders) and its
// side file notebook-state.json, written afresh before every run: start to
// the end of the first paint, and quit (SIGTERM) to process exit.
//
// bench_notebook_app --pictures VELMONOTE [RUNS]
//
// A notebook of 100 fixed notes, each holding a 3840x2160 capture (three of
// them on the desktop, so their pictures are shown at start), against the
// same notebook without the pictures, interleaved run by run: start to the
// end of the first paint, and the memory of the settled process (RSS and PSS
// from /proc/PID/smaps_rollup, 4 s after the first paint).

#include "dialog.h"
#include "notebookstatefile.h"
#include "notebook.h"
#include "picturestore.h"
#include "tabstorefile.h"
#include "xdgautostartentry.h"

#include <QApplication>
#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <QElapsedTimer>
#include <QKeyEvent>
#include <QProcess>
#include <QRegularExpression>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QTextEdit>
#include <QThread>
#include <QTimer>

#include <algorithm>
#include <csignal>
#include <cstdio>
#include <ctime>

namespace {
qint64 nowUs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.isEmpty() ? -1 : v.size() % 2 ? v.at(v.size() / 2) : (v.at(v.size() / 2 - 1) + v.at(v.size() / 2)) / 2;
}

TabStoreData makeNotebook(int chars)
{
    TabStoreData data;
    const QString sentence = QStringLiteral("今天要做的事情很多，先写完报告。Then call the bank and check the order. ");
    for (int i = 0; i < 500; ++i) {
        QString html = QStringLiteral("<html><body>");
        int n = 0;
        int paragraph = 0;
        while (html.size() < chars) {
            html += QStringLiteral("<p>%1<b>%2</b> ").arg(++paragraph).arg(i);
            for (int s = 0; s < 4; ++s)
                html += sentence;
            html += QStringLiteral("</p>");
            ++n;
        }
        html += QStringLiteral("</body></html>");
        TabRecord record;
        record.name = QStringLiteral("笔记 %1").arg(i + 1);
        record.pathOrText = html;
        data.records << record;
    }
    return data;
}

/// 1000 notes of about 2000 characters; the last ten on the desktop, with
/// settings and a reminder each in the side file.
bool writeStateNotebook(const QString &dir)
{
    TabStoreData data = makeNotebook(2000);
    const TabStoreData more = makeNotebook(2000);
    for (const TabRecord &record : more.records) {
        TabRecord copy = record;
        copy.name += QStringLiteral(" b");
        data.records << copy;
    }
    NotebookState state;
    state.bind(data.records);
    for (int i = 990; i < 1000; ++i) {
        data.records[i].onScreen = true;
        data.records[i].geometry = QRect(40 + 20 * (i - 990), 40 + 20 * (i - 990), 200, 240);
        NotebookState::Note &note = state.notes[i];
        note.readOnly = true;
        note.keepOnTop = true;
        note.opacity = 8;
        note.hasReminder = true;
        note.reminder.gapActive = true;
        note.reminder.gapMinutes = 600;
        note.updated = QDateTime::currentDateTimeUtc();
    }
    state.window.geometry = QRect(300, 200, 500, 420);
    state.window.autoHide = true;
    state.lastRun = QDateTime::currentDateTime();
    return TabStoreFile::save(dir + QLatin1String("/tab.dat"), data).ok
        && NotebookStateFile::save(NotebookStateFile::pathIn(dir), state, true).ok;
}

/// 100 notes of a few lines; with pictures, each also holds a capture of
/// its own (3840x2160, a desktop of windows and text), shown scaled to 440
/// pixels wide as a pasted one is. The last three are desktop notes.
bool writePictureNotebook(const QString &dir, bool pictures)
{
    TabStoreData data;
    const PictureStore store(dir);
    for (int i = 0; i < 100; ++i) {
        QString html = QStringLiteral("<html><body><p>Capture %1 of the build log, kept for the report.</p>").arg(i + 1);
        if (pictures) {
            QImage capture(3840, 2160, QImage::Format_RGB32);
            capture.fill(QColor(40, 44, 52));
            QPainter painter(&capture);
            for (int w = 0; w < 6; ++w) {
                const QRect window(100 + w * 560 + i, 120 + w * 230, 1400, 900);
                painter.fillRect(window, QColor::fromHsv((i * 37 + w * 50) % 360, 60, 235));
                painter.setPen(Qt::black);
                painter.setFont(QFont(QStringLiteral("DejaVu Sans"), 14));
                for (int line = 0; line < 30; ++line)
                    painter.drawText(window.x() + 20, window.y() + 40 + line * 28,
                                     QStringLiteral("%1:%2 make[2]: building object %3.o").arg(i).arg(line).arg(w));
            }
            painter.end();
            QByteArray png;
            QBuffer buffer(&png);
            buffer.open(QIODevice::WriteOnly);
            if (!capture.save(&buffer, "PNG"))
                return false;
            const PictureStore::Result stored = store.store(png);
            if (!stored.ok())
                return false;
            html += QStringLiteral("<p><img src=\"%1\" width=\"440\" height=\"248\" /></p>").arg(stored.name);
        }
        html += QStringLiteral("<p>Seen on run %1.</p></body></html>").arg(i);
        TabRecord record;
        record.name = QStringLiteral("截图 %1").arg(i + 1);
        record.pathOrText = html;
        if (i >= 97) {
            record.onScreen = true;
            record.geometry = QRect(60 + 500 * (i - 97), 80, 480, 360);
        }
        data.records << record;
    }
    return TabStoreFile::save(dir + QLatin1String("/tab.dat"), data).ok;
}

struct Run { double paintMs = -1; double quitMs = -1; double rssMb = -1; double pssMb = -1; };

/// Rss and Pss of process pid in MB, from smaps_rollup.
void readMemory(qint64 pid, Run *run)
{
    QFile file(QStringLiteral("/proc/%1/smaps_rollup").arg(pid));
    if (!file.open(QIODevice::ReadOnly))
        return;
    const QString text = QString::fromLatin1(file.readAll());
    const QRegularExpression rss(QStringLiteral("^Rss:\\s+(\\d+) kB"), QRegularExpression::MultilineOption);
    const QRegularExpression pss(QStringLiteral("^Pss:\\s+(\\d+) kB"), QRegularExpression::MultilineOption);
    run->rssMb = rss.match(text).captured(1).toDouble() / 1024;
    run->pssMb = pss.match(text).captured(1).toDouble() / 1024;
}

Run runProgram(const QString &program, const QString &dir, int settleMs = 1500)
{
    Run run;
    QProcess process;
    process.setWorkingDirectory(dir);
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMO_REPORT_FIRST_PAINT"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), dir + QLatin1String("/config"));
    process.setProcessEnvironment(env);
    process.setReadChannel(QProcess::StandardError);
    const qint64 started = nowUs();
    process.start(program, {});
    QByteArray err;
    const QRegularExpression stamp(QStringLiteral("velmo-first-paint-us (\\d+)"));
    QElapsedTimer limit;
    limit.start();
    while (limit.elapsed() < 20000) {
        process.waitForReadyRead(20);
        err += process.readAllStandardError();
        const auto m = stamp.match(QString::fromLatin1(err));
        if (m.hasMatch()) {
            run.paintMs = (m.captured(1).toLongLong() - started) / 1000.0;
            break;
        }
    }
    QThread::msleep(settleMs);
    readMemory(process.processId(), &run);
    const qint64 quitStart = nowUs();
    ::kill(pid_t(process.processId()), SIGTERM);
    process.waitForFinished(20000);
    run.quitMs = (nowUs() - quitStart) / 1000.0;
    return run;
}

/// Types into the last tab for seconds, one key every 30 ms, while a 2 ms
/// timer measures how late the event loop gets to it.
double longestStallWhileTyping(const QString &dir, int seconds, int *saves)
{
    QDir::setCurrent(dir);
    Dialog window(std::make_unique<XdgAutoStartEntry>(dir + QLatin1String("/config")));
    window.show();
    auto *tabs = window.findChild<QTabWidget *>(QStringLiteral("tabWidget"));
    tabs->setCurrentIndex(tabs->count() - 1);
    QTextEdit *editor = window.notes()->currentEditor();
    editor->setFocus();
    QEventLoop loop;
    QElapsedTimer clock;
    clock.start();
    qint64 last = -1;
    qint64 worst = 0;
    QTimer probe;
    probe.setTimerType(Qt::PreciseTimer);
    QObject::connect(&probe, &QTimer::timeout, [&] {
        const qint64 now = clock.nsecsElapsed() / 1000;
        if (last >= 0)
            worst = std::max(worst, now - last);
        last = now;
    });
    QTimer typist;
    QObject::connect(&typist, &QTimer::timeout, [&] {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_A, Qt::NoModifier, QStringLiteral("a"));
        QCoreApplication::sendEvent(editor, &press);
        QCoreApplication::sendEvent(editor, &release);
    });
    auto *autosaveTimer = window.findChild<QTimer *>(QStringLiteral("autosaveTimer"));
    int count = 0;
    QObject::connect(autosaveTimer, &QTimer::timeout, [&] { ++count; });
    // Let start-up settle before measuring.
    QTimer::singleShot(1000, [&] {
        probe.start(2);
        typist.start(30);
        last = -1;
        worst = 0;
    });
    QTimer::singleShot(1000 + seconds * 1000, &loop, &QEventLoop::quit);
    loop.exec();
    *saves = count;
    return worst / 1000.0;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 2) {
        std::fprintf(stderr, "usage: bench_notebook_app VELMONOTE [RUNS] [CHARS]\n"
                             "       bench_notebook_app --write DIR [CHARS]   (only write the notebook)\n"
                             "       bench_notebook_app --state BEFORE AFTER [RUNS]\n"
                             "       bench_notebook_app --pictures VELMONOTE [RUNS]\n"
                             "       bench_notebook_app --write-pictures DIR   (only write that notebook)\n");
        return 2;
    }
    if (args.at(1) == QLatin1String("--write") && args.size() > 2) {
        const int chars = args.size() > 3 ? args.at(3).toInt() : 10000;
        return TabStoreFile::save(args.at(2) + QLatin1String("/tab.dat"), makeNotebook(chars)).ok ? 0 : 1;
    }
    if (args.at(1) == QLatin1String("--write-pictures") && args.size() > 2)
        return writePictureNotebook(args.at(2), true) ? 0 : 1;
    if (args.at(1) == QLatin1String("--state") && args.size() > 3) {
        const QStringList builds{QFileInfo(args.at(2)).absoluteFilePath(), QFileInfo(args.at(3)).absoluteFilePath()};
        const int runs = args.size() > 4 ? args.at(4).toInt() : 10;
        QList<double> paint[2], quit[2];
        for (int i = 0; i < runs; ++i) {
            for (int b = 0; b < 2; ++b) {
                QTemporaryDir dir;
                if (!writeStateNotebook(dir.path()))
                    return 1;
                const Run run = runProgram(builds.at(b), dir.path());
                paint[b] << run.paintMs;
                quit[b] << run.quitMs;
                std::printf("run %2d %-6s first paint %7.1f ms   quit %7.1f ms\n", i + 1, b ? "after" : "before",
                            run.paintMs, run.quitMs);
                std::fflush(stdout);
            }
        }
        for (int b = 0; b < 2; ++b)
            std::printf("median %-6s: first paint %.1f ms, quit %.1f ms\n", b ? "after" : "before", median(paint[b]),
                        median(quit[b]));
        std::printf("after/before: first paint %.2fx, quit %.2fx (goal <= 1.2x)\n", median(paint[1]) / median(paint[0]),
                    median(quit[1]) / median(quit[0]));
        return 0;
    }
    if (args.at(1) == QLatin1String("--pictures") && args.size() > 2) {
        const QString program = QFileInfo(args.at(2)).absoluteFilePath();
        const int runs = args.size() > 3 ? args.at(3).toInt() : 7;
        QTemporaryDir dirs[2];
        for (int b = 0; b < 2; ++b) {
            if (!writePictureNotebook(dirs[b].path(), b == 1))
                return 1;
        }
        std::printf("pictures/ holds %lld files, %.1f MB\n",
                    qlonglong(QDir(dirs[1].filePath(QStringLiteral("pictures"))).count() - 2),
                    [&] {
                        qint64 sum = 0;
                        for (const QFileInfo &info : QDir(dirs[1].filePath(QStringLiteral("pictures"))).entryInfoList(QDir::Files))
                            sum += info.size();
                        return sum / 1e6;
                    }());
        QList<double> paint[2], rss[2], pss[2];
        for (int i = 0; i < runs; ++i) {
            for (int b = 0; b < 2; ++b) {
                const Run run = runProgram(program, dirs[b].path(), 4000);
                paint[b] << run.paintMs;
                rss[b] << run.rssMb;
                pss[b] << run.pssMb;
                std::printf("run %2d %-11s first paint %7.1f ms   RSS %6.1f MB   PSS %6.1f MB\n", i + 1,
                            b ? "pictures" : "no pictures", run.paintMs, run.rssMb, run.pssMb);
                std::fflush(stdout);
            }
        }
        for (int b = 0; b < 2; ++b)
            std::printf("median %-11s: first paint %.1f ms, RSS %.1f MB, PSS %.1f MB\n", b ? "pictures" : "no pictures",
                        median(paint[b]), median(rss[b]), median(pss[b]));
        std::printf("pictures/none: first paint %.2fx (goal <= 1.3x), RSS %+.1f MB, PSS %+.1f MB (goal <= +60 MB)\n",
                    median(paint[1]) / median(paint[0]), median(rss[1]) - median(rss[0]),
                    median(pss[1]) - median(pss[0]));
        return 0;
    }
    const QString program = QFileInfo(args.at(1)).absoluteFilePath();
    const int runs = args.size() > 2 ? args.at(2).toInt() : 10;
    const int chars = args.size() > 3 ? args.at(3).toInt() : 10000;
    QTemporaryDir dir;
    const QString store = dir.path() + QLatin1String("/tab.dat");
    const TabStoreData notebook = makeNotebook(chars);
    if (!TabStoreFile::save(store, notebook).ok)
        return 1;
    std::printf("notebook: 500 tabs, tab.dat %.1f MB\n", QFileInfo(store).size() / 1e6);

    QList<double> paint, quit;
    for (int i = 0; i < runs; ++i) {
        const Run run = runProgram(program, dir.path());
        paint << run.paintMs;
        quit << run.quitMs;
        std::printf("run %2d  first paint %7.1f ms   quit %7.1f ms\n", i + 1, run.paintMs, run.quitMs);
        std::fflush(stdout);
    }
    std::printf("median: start to first paint %.1f ms (goal <= 300), quit %.1f ms (goal <= 200)\n",
                median(paint), median(quit));

    int saves = 0;
    const double stall = longestStallWhileTyping(dir.path(), 8, &saves);
    std::printf("typing 8 s with autosave (%d autosaves): longest event-loop stall %.1f ms\n", saves, stall);
    return 0;
}
