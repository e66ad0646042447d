// Times tab.dat work on a 500-tab notebook: encoding and decoding in memory,
// saving and loading through the file layer, and how long requestSave()
// holds up the calling thread while the saver is busy.
//   bench_tabstore [--chars N] [--runs N] [--dir DIR]
// --chars: HTML characters per tab (default 20000); --dir: where tab.dat goes
// (default a temporary folder; pick the disk the program will really use).

#include "storesaver.h"
#include "tabstorefile.h"
#include "tabstorereader.h"
#include "tabstorewriter.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QTemporaryDir>
#include <QThread>

#include <algorithm>
#include <cstdio>

namespace {

TabStoreData notebook(int htmlChars)
{
    QString body = QStringLiteral("<!DOCTYPE HTML PUBLIC \"-//W3C//DTD HTML 4.0//EN\"><html><body>");
    for (int line = 0; body.size() < htmlChars; ++line)
        body += QStringLiteral("<p style=\"margin:0px;\">line %1 of a note \u4eca\u5929</p>").arg(line);
    body.truncate(htmlChars);

    TabStoreData data;
    for (int i = 0; i < 500; ++i) {
        TabRecord r;
        r.name = QStringLiteral("note %1").arg(i);
        // Each tab holds its own text, as editors' toHtml() results would.
        r.pathOrText = QStringLiteral("<!-- %1 -->").arg(i) + body.left(htmlChars - 20);
        r.onScreen = i % 25 == 0;
        r.geometry = QRect(i, i, 300, 200);
        data.records.append(r);
    }
    data.skinPath = QStringLiteral("./skin/blue.png");
    return data;
}

struct Stats
{
    double median = 0, min = 0, max = 0, p99 = 0;
};

Stats stats(QList<double> v)
{
    std::sort(v.begin(), v.end());
    const qsizetype n = v.size();
    return {n % 2 ? v[n / 2] : (v[n / 2 - 1] + v[n / 2]) / 2, v.first(), v.last(), v[(n * 99) / 100]};
}

template <typename F>
Stats timeRuns(int runs, F &&work)
{
    QList<double> ms;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer t;
        t.start();
        work();
        ms.append(t.nsecsElapsed() / 1e6);
    }
    return stats(ms);
}

void row(const char *what, const Stats &s, const char *unit = "ms")
{
    std::printf("%-44s %10.3f %10.3f %10.3f %s\n", what, s.median, s.min, s.max, unit);
}

} // namespace

int main(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    int chars = 20000;
    int runs = 15;
    QString dirPath;
    const QStringList args = app.arguments();
    for (int i = 1; i + 1 < args.size(); i += 2) {
        if (args[i] == QLatin1String("--chars"))
            chars = args[i + 1].toInt();
        else if (args[i] == QLatin1String("--runs"))
            runs = std::max(10, args[i + 1].toInt());
        else if (args[i] == QLatin1String("--dir"))
            dirPath = args[i + 1];
    }
    QTemporaryDir tmp(dirPath.isEmpty() ? QDir::tempPath() + QLatin1String("/bench_tabstore-XXXXXX")
                                        : dirPath + QLatin1String("/bench_tabstore-XXXXXX"));
    if (!tmp.isValid()) {
        std::fprintf(stderr, "cannot create a folder for tab.dat\n");
        return 1;
    }
    const QString path = tmp.filePath(QStringLiteral("tab.dat"));

    const TabStoreData data = notebook(chars);
    QByteArray bytes;
    {
        QBuffer b(&bytes);
        b.open(QIODevice::WriteOnly);
        TabStoreWriter::write(&b, data);
    }
    std::printf("500 tabs x %d HTML characters: tab.dat is %.1f MB; %d runs each, in %s\n\n", chars,
                bytes.size() / 1e6, runs, qPrintable(QFileInfo(path).absolutePath()));
    std::printf("%-44s %10s %10s %10s\n", "", "median", "min", "max");

    row("encode into memory (TabStoreWriter)", timeRuns(runs, [&] {
            QByteArray out;
            out.reserve(bytes.size());
            QBuffer b(&out);
            b.open(QIODevice::WriteOnly);
            TabStoreWriter::write(&b, data);
        }));
    row("decode from memory (TabStoreReader)", timeRuns(runs, [&] {
            QBuffer b(&bytes);
            b.open(QIODevice::ReadOnly);
            if (!TabStoreReader::read(&b).ok())
                std::abort();
        }));
    row("save: TabStoreFile::save (QSaveFile)", timeRuns(runs, [&] {
            const TabStoreFile::SaveResult r = TabStoreFile::save(path, data);
            if (!r.ok)
                std::abort();
        }));
    row("load: TabStoreFile::load", timeRuns(runs, [&] {
            if (TabStoreFile::load(path).status != TabStoreFile::Loaded)
                std::abort();
        }));
    Stats copy = timeRuns(runs, [&] {
        TabStoreData snapshot = data;
        if (snapshot.records.size() != 500)
            std::abort();
    });
    row("copy a snapshot (TabStoreData)", {copy.median * 1000, copy.min * 1000, copy.max * 1000}, "us");

    // requestSave() while the saver is busy writing: the time the GUI thread would lose.
    {
        StoreSaver saver(path);
        int finished = 0;
        QObject::connect(&saver, &StoreSaver::saveFinished, &saver, [&](bool ok, const QString &) {
            if (!ok)
                std::abort();
            ++finished;
        });
        QList<double> blocked;
        QElapsedTimer wall;
        wall.start();
        for (int i = 0; i < 200; ++i) {
            TabStoreData snapshot = data;
            snapshot.skinPath = QString::number(i); // a new snapshot each time, like an edit
            QElapsedTimer t;
            t.start();
            saver.requestSave(snapshot);
            blocked.append(t.nsecsElapsed() / 1e3);
            QThread::msleep(5); // typing pace: an edit every few milliseconds
            app.processEvents();
        }
        const qint64 requestPhase = wall.elapsed();
        const TabStoreFile::SaveResult last = saver.saveNow(data);
        app.processEvents();
        const Stats b = stats(blocked);
        row("requestSave() call, 200 calls during saves", b, "us");
        std::printf("  99th percentile of those calls: %.1f us\n", b.p99);
        std::printf("  %d saves ran for 200 requests in %lld ms (coalesced); saveNow ok: %s\n", finished,
                    requestPhase, last.ok ? "yes" : "no");
        QElapsedTimer t;
        t.start();
        saver.requestSave(data);
        saver.saveNow(data);
        std::printf("  saveNow() right after a requestSave(): %.1f ms (waits for it, then writes)\n",
                    t.nsecsElapsed() / 1e6);
    }
    return 0;
}
