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

#include "dialog.h"
#include "notebookstatefile.h"
#include "notebook.h"
#include "tabstorefile.h"
#include "xdgautostartentry.h"

#include <QApplication>
#include <QDir>
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

struct Run { double paintMs = -1; double quitMs = -1; };

Run runProgram(const QString &program, const QString &dir)
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
    QThread::msleep(1500);
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
                             "       bench_notebook_app --write DIR [CHARS]   (only write the notebook)\n");
        return 2;
    }
    if (args.at(1) == QLatin1String("--write") && args.size() > 2) {
        const int chars = args.size() > 3 ? args.at(3).toInt() : 10000;
        return TabStoreFile::save(args.at(2) + QLatin1String("/tab.dat"), makeNotebook(chars)).ok ? 0 : 1;
    }
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
