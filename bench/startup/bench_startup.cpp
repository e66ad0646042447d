// bench_startup VELMONOTE BARE_WINDOW DEFAULT_DATA_DIR [RUNS]
//
// Measures, for velmonote and for a bare Qt window, interleaved run by run:
// the time from starting the process to the end of its first paint, and the
// resident memory once it has been idle for a while. Prints medians.
// Needs an X session (scripts/test-session.sh) with a compositor.

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

Sample runOnce(const QString &program, const QString &dataDir)
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
    process.start(program, {});
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
    QList<double> notePaint, noteRss, barePaint, bareRss;
    // One warm-up of each so that both start from a warm file cache.
    runOnce(program, data);
    runOnce(bare, QString());
    for (int i = 0; i < runs; ++i) {
        const Sample note = runOnce(program, data);
        const Sample reference = runOnce(bare, QString());
        notePaint << note.paintMs;
        noteRss << note.rssMiB;
        barePaint << reference.paintMs;
        bareRss << reference.rssMiB;
        std::printf("run %2d  velmonote %7.1f ms %6.1f MiB   bare %7.1f ms %6.1f MiB\n", i + 1,
                    note.paintMs, note.rssMiB, reference.paintMs, reference.rssMiB);
        std::fflush(stdout);
    }
    const double np = median(notePaint), bp = median(barePaint);
    const double nr = median(noteRss), br = median(bareRss);
    std::printf("\nmedian of %d runs\n", runs);
    std::printf("first paint: velmonote %.1f ms, bare %.1f ms, ratio %.2f (goal <= 1.5)\n", np, bp, np / bp);
    std::printf("idle memory: velmonote %.1f MiB, bare %.1f MiB, ratio %.2f (goal <= 1.5)\n", nr, br, nr / br);
    return 0;
}
