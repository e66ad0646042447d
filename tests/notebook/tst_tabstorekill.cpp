// Kills a process with SIGKILL at random moments while it saves a 500-tab
// notebook again and again; tab.dat must always read back whole, as one of
// the two notebooks it alternates between.

#include "notebookfixture.h"
#include "tabstorefile.h"

#include <QDir>
#include <QElapsedTimer>
#include <QProcess>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <QTest>
#include <QThread>

#include <signal.h>

#include <algorithm>

class TabStoreKillTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        QVERIFY(m_dir.isValid());
        m_path = m_dir.filePath(QStringLiteral("tab.dat"));
        m_variants[0] = NotebookFixture::notebook(u'A');
        m_variants[1] = NotebookFixture::notebook(u'B');
        QVERIFY(m_variants[0] != m_variants[1]);

        // Time a few saves so that kill moments spread over whole saves.
        QList<qint64> ms;
        for (int i = 0; i < 3; ++i) {
            QElapsedTimer t;
            t.start();
            QVERIFY(TabStoreFile::save(m_path, m_variants[i % 2]).ok);
            ms.append(t.elapsed());
        }
        std::sort(ms.begin(), ms.end());
        m_saveMs = std::max<qint64>(ms.at(1), 5);
        QVERIFY(TabStoreFile::save(m_path, m_variants[0]).ok);
    }

    void storeSurvivesKillsDuringSaves()
    {
        const int iterations = qEnvironmentVariableIsSet("VELMO_KILL_ITERATIONS")
            ? qEnvironmentVariableIntValue("VELMO_KILL_ITERATIONS") : 200;
        QRandomGenerator random(QRandomGenerator::global()->generate());
        int seen[2] = {0, 0};
        int strayFiles = 0;

        for (int i = 0; i < iterations; ++i) {
            QProcess child;
            child.setProcessChannelMode(QProcess::ForwardedErrorChannel);
            child.start(QStringLiteral(KILL_CHILD_PATH), {m_path});
            QVERIFY2(child.waitForStarted(10000), qPrintable(child.errorString()));
            while (!child.canReadLine())
                QVERIFY2(child.waitForReadyRead(20000), "the child never got ready");
            QCOMPARE(child.readLine(), QByteArray("ready\n"));

            // Up to 2.5 saves in: early, middle and late moments of the first saves.
            const int delayUs = int(random.bounded(qint64(m_saveMs * 2500)));
            QThread::usleep(delayUs);
            QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
            QVERIFY(child.waitForFinished(10000));
            QCOMPARE(child.exitStatus(), QProcess::CrashExit);

            const TabStoreFile::LoadResult r = TabStoreFile::load(m_path);
            const QByteArray where = "iteration " + QByteArray::number(i) + ", killed after "
                + QByteArray::number(delayUs) + " us";
            QVERIFY2(r.status == TabStoreFile::Loaded, where + ": " + r.error.toUtf8());
            const int which = r.data == m_variants[0] ? 0 : r.data == m_variants[1] ? 1 : -1;
            QVERIFY2(which >= 0, where + ": the store holds neither notebook");
            ++seen[which];

            // A kill between creating QSaveFile's temporary file and renaming it may leave
            // that file behind; it must never be tab.dat itself. Clear it so the disk stays free.
            const QStringList files = QDir(m_dir.path()).entryList(QDir::Files | QDir::Hidden);
            for (const QString &name : files) {
                if (name != QLatin1String("tab.dat")) {
                    ++strayFiles;
                    QFile::remove(m_dir.filePath(name));
                }
            }
        }
        qInfo("%d kills: %d times notebook A, %d times B; %d stray temporary files; one save takes about %lld ms",
              iterations, seen[0], seen[1], strayFiles, m_saveMs);
        // Both notebooks must have been seen, or the child never got a save through and the test proved nothing.
        QVERIFY(seen[0] > 0);
        QVERIFY(seen[1] > 0);
    }

private:
    QTemporaryDir m_dir;
    QString m_path;
    TabStoreData m_variants[2];
    qint64 m_saveMs = 0;
};

QTEST_GUILESS_MAIN(TabStoreKillTest)
#include "tst_tabstorekill.moc"
