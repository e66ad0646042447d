// The background saver: work happens off the calling thread, requests
// coalesce, writes never overlap, saveNow() waits and writes the newest data,
// outcomes arrive in the caller's thread, failures carry their error text.

#include "storesaver.h"
#include "storetestsupport.h"

#include <QAtomicInt>
#include <QDir>
#include <QFile>
#include <QMutex>
#include <QSemaphore>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <thread>

using namespace StoreTest;

namespace {

TabStoreData store(const QString &tag)
{
    TabStoreData d;
    d.records = {textRecord(tag, QStringLiteral("<p>%1</p>").arg(tag))};
    d.skinPath = tag;
    return d;
}

/// Stands in for the file layer: logs each save's start and end, counts how
/// many run at once, and holds every save until the test opens the gate.
class GatedSaves
{
public:
    StoreSaver::SaveFunction function()
    {
        return [this](const QString &, const TabStoreData &data) {
            const int running = m_running.fetchAndAddOrdered(1) + 1;
            if (running > m_maxRunning.loadRelaxed())
                m_maxRunning.storeRelaxed(running);
            log(QStringLiteral("start ") + data.skinPath);
            {
                QMutexLocker lock(&m_mutex);
                m_threads.append(QThread::currentThread());
            }
            m_started.release();
            m_gate.acquire();
            log(QStringLiteral("end ") + data.skinPath);
            m_running.fetchAndAddOrdered(-1);
            TabStoreFile::SaveResult r;
            r.ok = !data.skinPath.startsWith(QLatin1String("bad"));
            if (!r.ok)
                r.error = QStringLiteral("disk on fire");
            return r;
        };
    }
    bool waitStarted() { return m_started.tryAcquire(1, 10000); }
    void open(int saves) { m_gate.release(saves); }
    QStringList events() const
    {
        QMutexLocker lock(&m_mutex);
        return m_events;
    }
    QList<QThread *> threads() const
    {
        QMutexLocker lock(&m_mutex);
        return m_threads;
    }
    int maxRunning() const { return m_maxRunning.loadRelaxed(); }

private:
    void log(const QString &event)
    {
        QMutexLocker lock(&m_mutex);
        m_events.append(event);
    }

    QSemaphore m_gate;
    QSemaphore m_started;
    QAtomicInt m_running;
    QAtomicInt m_maxRunning;
    mutable QMutex m_mutex;
    QStringList m_events;
    QList<QThread *> m_threads;
};

/// Opens the gate from another thread after a while, for calls that block the test thread.
class DelayedOpen
{
public:
    DelayedOpen(GatedSaves &saves, int count, int ms)
        : m_thread([&saves, count, ms] {
              QThread::msleep(ms);
              saves.open(count);
          })
    {
    }
    ~DelayedOpen() { m_thread.join(); }

private:
    std::thread m_thread;
};

} // namespace

class StoreSaverTest : public QObject
{
    Q_OBJECT

private slots:
    void savesOnWorkerAndSignalsInCallerThread()
    {
        GatedSaves saves;
        StoreSaver saver(QStringLiteral("unused"), saves.function());
        QList<QThread *> signalThreads;
        connect(&saver, &StoreSaver::saveFinished, this,
                [&](bool, const QString &) { signalThreads.append(QThread::currentThread()); },
                Qt::DirectConnection);
        QSignalSpy spy(&saver, &StoreSaver::saveFinished);

        saver.requestSave(store(QStringLiteral("a")));
        QVERIFY(saves.waitStarted()); // running while the caller goes on
        QVERIFY(!saver.isIdle());
        saves.open(1);
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toBool(), true);
        QCOMPARE(spy.at(0).at(1).toString(), QString());
        QCOMPARE(saves.threads().size(), 1);
        QVERIFY(saves.threads().first() != QThread::currentThread());
        QCOMPARE(signalThreads, QList<QThread *>{QThread::currentThread()});
        QTRY_VERIFY(saver.isIdle());
    }

    void coalescesRequestsLatestWins()
    {
        GatedSaves saves;
        StoreSaver saver(QStringLiteral("unused"), saves.function());
        QSignalSpy spy(&saver, &StoreSaver::saveFinished);

        saver.requestSave(store(QStringLiteral("a")));
        QVERIFY(saves.waitStarted());
        saver.requestSave(store(QStringLiteral("b")));
        saver.requestSave(store(QStringLiteral("c")));
        saver.requestSave(store(QStringLiteral("d")));
        saves.open(10);
        QTRY_COMPARE(spy.size(), 2);
        QTRY_VERIFY(saver.isIdle());
        QCOMPARE(saves.events(),
                 (QStringList{QStringLiteral("start a"), QStringLiteral("end a"), QStringLiteral("start d"),
                              QStringLiteral("end d")}));
        QCOMPARE(saves.maxRunning(), 1);
        QTest::qWait(100);
        QCOMPARE(spy.size(), 2); // b and c were never written and are not reported
    }

    void saveNowWaitsForSaveInFlightAndWritesNewest()
    {
        GatedSaves saves;
        StoreSaver saver(QStringLiteral("unused"), saves.function());
        QSignalSpy spy(&saver, &StoreSaver::saveFinished);

        saver.requestSave(store(QStringLiteral("a")));
        QVERIFY(saves.waitStarted());
        saver.requestSave(store(QStringLiteral("b"))); // waiting; older than what saveNow gets
        TabStoreFile::SaveResult result;
        {
            DelayedOpen opener(saves, 2, 150);
            result = saver.saveNow(store(QStringLiteral("c")));
        }
        QVERIFY(result.ok);
        QCOMPARE(saves.events(),
                 (QStringList{QStringLiteral("start a"), QStringLiteral("end a"), QStringLiteral("start c"),
                              QStringLiteral("end c")}));
        QCOMPARE(saves.maxRunning(), 1);
        QCOMPARE(saves.threads().last(), QThread::currentThread());
        QVERIFY(saver.isIdle());
        QTRY_COMPARE(spy.size(), 1); // only the requested save "a" is signalled
        QTest::qWait(100);
        QCOMPARE(spy.size(), 1);
    }

    void saveNowReportsFailure()
    {
        GatedSaves saves;
        StoreSaver saver(QStringLiteral("unused"), saves.function());
        saves.open(1);
        const TabStoreFile::SaveResult r = saver.saveNow(store(QStringLiteral("bad")));
        QVERIFY(!r.ok);
        QCOMPARE(r.error, QStringLiteral("disk on fire"));
    }

    void destructorWritesWaitingRequest()
    {
        GatedSaves saves;
        {
            StoreSaver saver(QStringLiteral("unused"), saves.function());
            saver.requestSave(store(QStringLiteral("a")));
            QVERIFY(saves.waitStarted());
            saver.requestSave(store(QStringLiteral("b")));
            DelayedOpen opener(saves, 2, 100);
        }
        QCOMPARE(saves.events(),
                 (QStringList{QStringLiteral("start a"), QStringLiteral("end a"), QStringLiteral("start b"),
                              QStringLiteral("end b")}));
    }

    // The same paths through the real file layer.
    void writesRealFile()
    {
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("tab.dat"));
        StoreSaver saver(path);
        QSignalSpy spy(&saver, &StoreSaver::saveFinished);
        for (int i = 0; i < 5; ++i)
            saver.requestSave(store(QString::number(i)));
        QVERIFY(spy.wait(10000));
        QTRY_VERIFY(saver.isIdle());
        for (const QList<QVariant> &args : spy)
            QVERIFY(args.at(0).toBool());
        QCOMPARE(TabStoreFile::load(path).data, store(QStringLiteral("4")));

        saver.requestSave(store(QStringLiteral("old")));
        const TabStoreFile::SaveResult r = saver.saveNow(store(QStringLiteral("new")));
        QVERIFY2(r.ok, qPrintable(r.error));
        QCOMPARE(TabStoreFile::load(path).data, store(QStringLiteral("new")));
        QTest::qWait(100);
        QCOMPARE(TabStoreFile::load(path).data, store(QStringLiteral("new"))); // "old" never lands later
    }

    void reportsFailedSaveOfRealFile()
    {
        QTemporaryDir dir;
        // The folder does not exist, so no file can be created in it (even by root).
        const QString path = dir.filePath(QStringLiteral("gone/tab.dat"));
        StoreSaver saver(path);
        QSignalSpy spy(&saver, &StoreSaver::saveFinished);
        saver.requestSave(store(QStringLiteral("a")));
        QVERIFY(spy.wait(10000));
        QCOMPARE(spy.at(0).at(0).toBool(), false);
        const QString error = spy.at(0).at(1).toString();
        QVERIFY(!error.isEmpty());

        const TabStoreFile::SaveResult now = saver.saveNow(store(QStringLiteral("b")));
        QVERIFY(!now.ok);
        QCOMPARE(now.error, error);
        QVERIFY(!QFile::exists(path));
    }
};

QTEST_GUILESS_MAIN(StoreSaverTest)
#include "tst_storesaver.moc"
