// bench_startup VELMONOTE BARE_WINDOW DEFAULT_DATA_DIR [RUNS]
//
// Measures, for velmonote, a bare Qt window and the same window showing a few
// lines of text (bare_window --text), interleaved run by run: the time from
// starting the process to the end of its first frame, and the resident memory
// once it has been idle for a while. Prints medians; the goal is stated
// against the window that draws text: at most 1.7 times its first frame and
// 1.3 times its idle memory.
// Needs an X session (scripts/test-session.sh) with a compositor.
// VELMO_BENCH_BASELINE=OTHER_VELMONOTE adds another build of the program to
// the rounds and prints the ratio of the two.

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>
#include <ctime>

namespace {
qint64 nowMicroseconds()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000;
}

qint64 residentKiB(qint64 pid)
{
    QFile status(QStringLiteral("/proc/%1/status").arg(pid));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QRegularExpression rss(QStringLiteral("VmRSS:\\s+(\\d+) kB"));
    const auto match = rss.match(QString::fromLatin1(status.readAll()));
    return match.hasMatch() ? match.captured(1).toLongLong() : -1;
}

struct Sample { double paintMs = -1; double rssMiB = -1; };

bool copyTree(const QString &from, const QString &to)
{
    QDir source(from);
    QDir().mkpath(to);
    for (const QFileInfo &info : source.entryInfoList(QDir::NoDotAndDotDot | QDir::AllEntries)) {
        const QString target = to + QLatin1Char('/') + info.fileName();
        if (info.isDir() ? !copyTree(info.filePath(), target) : !QFile::copy(info.filePath(), target))
            return false;
    }
    return true;
}

Sample runOnce(const QString &program, const QStringList &arguments, const QString &dataDir)
{
    QTemporaryDir work;
    if (!dataDir.isEmpty())
        copyTree(dataDir, work.path());
    QProcess process;
    process.setWorkingDirectory(work.path());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMO_REPORT_FIRST_PAINT"), QStringLiteral("1"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), work.path() + QLatin1String("/config"));
    process.setProcessEnvironment(env);
    process.setReadChannel(QProcess::StandardError);
    const qint64 started = nowMicroseconds();
    process.start(program, arguments);
    Sample sample;
    QByteArray err;
    QElapsedTimer timeout;
    timeout.start();
    const QRegularExpression stamp(QStringLiteral("velmo-first-paint-us (\\d+)"));
    while (timeout.elapsed() < 10000) {
        process.waitForReadyRead(50);
        err += process.readAllStandardError();
        const auto match = stamp.match(QString::fromLatin1(err));
        if (match.hasMatch()) {
            sample.paintMs = (match.captured(1).toLongLong() - started) / 1000.0;
            break;
        }
    }
    // Let deferred start-up work finish, then read the settled footprint.
    QThread::msleep(2000);
    sample.rssMiB = residentKiB(process.processId()) / 1024.0;
    process.kill();
    process.waitForFinished(5000);
    return sample;
}

double median(QList<double> values)
{
    if (values.isEmpty())
        return -1;
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}
}

int main(int argc, char *argv[])
{
    QCoreApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() < 4) {
        std::fprintf(stderr, "usage: bench_startup VELMONOTE BARE_WINDOW DEFAULT_DATA_DIR [RUNS]\n");
        return 2;
    }
    const int runs = args.size() > 4 ? args.at(4).toInt() : 12;
    // Absolute paths: each run starts in a working directory of its own.
    const QString program = QFileInfo(args.at(1)).absoluteFilePath();
    const QString bare = QFileInfo(args.at(2)).absoluteFilePath();
    const QString data = QFileInfo(args.at(3)).absoluteFilePath();
    struct Series { const char *name; QString program; QStringList arguments; QString data; QList<double> paint, rss; };
    QList<Series> series = {{"velmonote", program, {}, data, {}, {}},
                            {"bare", bare, {}, QString(), {}, {}},
                            {"bare+text", bare, {QStringLiteral("--text")}, QString(), {}, {}}};
    // Another build of the program, interleaved with the rest: a change's before and after in one run.
    const QString baseline = qEnvironmentVariable("VELMO_BENCH_BASELINE");
    if (!baseline.isEmpty())
        series.append({"baseline", QFileInfo(baseline).absoluteFilePath(), {}, data, {}, {}});
    // One warm-up of each so that all start from a warm file cache.
    for (const Series &s : series)
        runOnce(s.program, s.arguments, s.data);
    for (int i = 0; i < runs; ++i) {
        std::printf("run %2d", i + 1);
        for (Series &s : series) {
            const Sample sample = runOnce(s.program, s.arguments, s.data);
            s.paint << sample.paintMs;
            s.rss << sample.rssMiB;
            std::printf("  %s %6.1f ms %5.1f MiB", s.name, sample.paintMs, sample.rssMiB);
        }
        std::printf("\n");
        std::fflush(stdout);
    }
    double paint[3], rss[3];
    for (int k = 0; k < 3; ++k) {
        paint[k] = median(series[k].paint);
        rss[k] = median(series[k].rss);
    }
    std::printf("\nmedian of %d runs\n", runs);
    std::printf("first frame: velmonote %.1f ms, bare %.1f ms, bare+text %.1f ms\n", paint[0], paint[1], paint[2]);
    std::printf("  velmonote / bare+text %.2f (goal <= 1.7), velmonote / bare %.2f, bare+text / bare %.2f\n",
                paint[0] / paint[2], paint[0] / paint[1], paint[2] / paint[1]);
    std::printf("idle memory: velmonote %.1f MiB, bare %.1f MiB, bare+text %.1f MiB\n", rss[0], rss[1], rss[2]);
    std::printf("  velmonote / bare+text %.2f (goal <= 1.3), velmonote / bare %.2f, bare+text / bare %.2f\n",
                rss[0] / rss[2], rss[0] / rss[1], rss[2] / rss[1]);
    if (series.size() > 3) {
        const double basePaint = median(series[3].paint);
        const double baseRss = median(series[3].rss);
        std::printf("baseline: first frame %.1f ms, idle memory %.1f MiB; velmonote / baseline %.2f and %.2f\n",
                    basePaint, baseRss, paint[0] / basePaint, rss[0] / baseRss);
    }
    return 0;
}
