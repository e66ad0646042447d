// tab.dat on disk: round trips, missing/empty/unopenable files, damaged files
// copied aside without ever overwriting a copy, and failed saves that must
// leave the previous file whole (read-only folder, full disk).

#include "storetestsupport.h"
#include "tabstorefile.h"

#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

using namespace StoreTest;

namespace {

QByteArray readBytes(const QString &path)
{
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return QByteArray();
    return f.readAll();
}

bool writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size() && f.flush();
}

TabStoreData sampleStore(int htmlChars = 100)
{
    TabStoreData data;
    data.records = {textRecord(QStringLiteral("todo"), QString(htmlChars, QLatin1Char('t'))),
                    onScreen(fileRecord(QStringLiteral("plan"), QStringLiteral("/home/u/plan.not")), QRect(40, 50, 300, 200))};
    data.skinPath = QStringLiteral("./skin/green.png");
    return data;
}

bool run(const QString &program, const QStringList &args, QString *output = nullptr)
{
    QProcess p;
    p.setProcessChannelMode(QProcess::MergedChannels);
    p.start(program, args);
    if (!p.waitForFinished(20000))
        return false;
    if (output)
        *output = QString::fromLocal8Bit(p.readAll()).trimmed();
    return p.exitStatus() == QProcess::NormalExit && p.exitCode() == 0;
}

/// A small tmpfs mounted for one test; needs root with mount permission.
class ScratchMount
{
public:
    ScratchMount(const QString &dir, const QString &size) : m_dir(dir)
    {
        QDir().mkpath(dir);
        m_mounted = run(QStringLiteral("mount"), {QStringLiteral("-t"), QStringLiteral("tmpfs"), QStringLiteral("-o"),
                                                  QStringLiteral("size=") + size, QStringLiteral("tmpfs"), dir},
                        &m_error);
    }
    ~ScratchMount()
    {
        if (m_mounted)
            run(QStringLiteral("umount"), {m_dir});
    }
    bool mounted() const { return m_mounted; }
    QString error() const { return m_error; }
    bool remountReadOnly()
    {
        return run(QStringLiteral("mount"), {QStringLiteral("-o"), QStringLiteral("remount,ro"), m_dir}, &m_error);
    }

private:
    QString m_dir;
    QString m_error;
    bool m_mounted = false;
};

QStringList entries(const QString &dir)
{
    return QDir(dir).entryList(QDir::Files | QDir::Hidden | QDir::System, QDir::Name);
}

} // namespace

class TabStoreFileTest : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void cleanup()
    {
        // Each test gets an empty folder.
        QDir dir(m_dir.path());
        for (const QString &name : dir.entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::Hidden)) {
            QFile::setPermissions(dir.filePath(name), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
            QFileInfo(dir.filePath(name)).isDir() ? QDir(dir.filePath(name)).removeRecursively()
                                                   : QFile::remove(dir.filePath(name));
        }
    }

    void roundTripsThroughFile_data()
    {
        QTest::addColumn<TabStoreData>("data");
        for (const Vector &v : vectors())
            QTest::newRow(v.name) << v.data;
        QTest::newRow("two records, skin") << sampleStore(5000);
    }

    void roundTripsThroughFile()
    {
        QFETCH(TabStoreData, data);
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        const TabStoreFile::SaveResult saved = TabStoreFile::save(path, data);
        QVERIFY2(saved.ok, qPrintable(saved.error));
        QCOMPARE(readBytes(path), encode(data));

        const TabStoreFile::LoadResult loaded = TabStoreFile::load(path);
        QCOMPARE(loaded.status, TabStoreFile::Loaded);
        QVERIFY(strictlyEqual(loaded.data, data));
        QCOMPARE(entries(m_dir.path()), QStringList{QStringLiteral("tab.dat")});
    }

    // A store rewritten in place without truncating keeps a stale tail after the
    // skin field; a save replaces the whole file.
    void saveReplacesLongerFileWhole()
    {
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        QVERIFY(writeBytes(path, encode(sampleStore(20000)) + QByteArray(1000, 'x')));
        const TabStoreData small = vectors().at(2).data;
        QVERIFY(TabStoreFile::save(path, small).ok);
        QCOMPARE(readBytes(path), vectors().at(2).bytes);
    }

    void missingFileIsEmptyStore()
    {
        const TabStoreFile::LoadResult r = TabStoreFile::load(m_dir.filePath(QStringLiteral("tab.dat")));
        QCOMPARE(r.status, TabStoreFile::Missing);
        QVERIFY(r.data.records.isEmpty());
        QVERIFY(r.error.isEmpty());
        QVERIFY(entries(m_dir.path()).isEmpty()); // loading creates nothing
    }

    void emptyFileIsEmptyStore_data()
    {
        QTest::addColumn<QByteArray>("bytes");
        QTest::newRow("0 bytes") << QByteArray();
        QTest::newRow("start-up form 00 00 00 01") << hex("00000001");
    }

    void emptyFileIsEmptyStore()
    {
        QFETCH(QByteArray, bytes);
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        QVERIFY(writeBytes(path, bytes));
        const TabStoreFile::LoadResult r = TabStoreFile::load(path);
        QCOMPARE(r.status, TabStoreFile::Loaded);
        QVERIFY(r.data.records.isEmpty());
        QVERIFY(r.damagedCopyPath.isEmpty());
        QCOMPARE(entries(m_dir.path()), QStringList{QStringLiteral("tab.dat")});
    }

    void reportsFileThatCannotBeOpened()
    {
        // A folder in its place cannot be opened as a file, even by root.
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        QVERIFY(QDir().mkdir(path));
        const TabStoreFile::LoadResult r = TabStoreFile::load(path);
        QCOMPARE(r.status, TabStoreFile::Unreadable);
        QVERIFY(!r.error.isEmpty());
        QVERIFY(r.data.records.isEmpty());

        const TabStoreFile::SaveResult saved = TabStoreFile::save(path, sampleStore());
        QVERIFY(!saved.ok);
        QVERIFY(!saved.error.isEmpty());
        QVERIFY(QFileInfo(path).isDir());
    }

    // What sits at tab.dat may be anything: it is refused unread and untouched,
    // without waiting (a FIFO with no writer) or reading without end (a device).
    void refusesWhatIsNoStore_data()
    {
        QTest::addColumn<QString>("kind");
        QTest::addColumn<QString>("reason");
        QTest::newRow("FIFO") << "fifo" << "not a regular file";
        QTest::newRow("link to /dev/urandom") << "urandom" << "not a regular file";
        QTest::newRow("larger than the limit") << "huge" << "larger than the 64 MB";
    }

    void refusesWhatIsNoStore()
    {
        QFETCH(QString, kind);
        QFETCH(QString, reason);
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        const QByteArray native = QFile::encodeName(path);
        if (kind == QLatin1String("fifo")) {
            QCOMPARE(::mkfifo(native.constData(), 0600), 0);
        } else if (kind == QLatin1String("urandom")) {
            QVERIFY(QFile::link(QStringLiteral("/dev/urandom"), path));
        } else {
            // Sparse: a store's start followed by a hole, no disk space used.
            QVERIFY(writeBytes(path, encode(sampleStore())));
            QCOMPARE(::truncate(native.constData(), TabStoreFile::MaxBytes + 1), 0);
        }
        const TabStoreFile::LoadResult r = TabStoreFile::load(path);
        QCOMPARE(r.status, TabStoreFile::Unreadable);
        QVERIFY2(r.error.contains(reason), qPrintable(r.error));
        QVERIFY(r.data.records.isEmpty());
        QCOMPARE(entries(m_dir.path()), QStringList{QStringLiteral("tab.dat")}); // nothing copied aside
        struct stat info;
        QCOMPARE(::lstat(native.constData(), &info), 0);
        if (kind == QLatin1String("fifo"))
            QVERIFY(S_ISFIFO(info.st_mode));
        else if (kind == QLatin1String("urandom"))
            QVERIFY(S_ISLNK(info.st_mode));
        else
            QCOMPARE(qint64(info.st_size), TabStoreFile::MaxBytes + 1);
        // cleanup() lists no FIFOs.
        QCOMPARE(::unlink(native.constData()), 0);
    }

    void copiesDamagedFileAside()
    {
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        // Two whole records, then the skin cut short: both records survive.
        const QByteArray whole = encode(sampleStore());
        const QByteArray damaged = whole.left(whole.size() - 6);
        QVERIFY(writeBytes(path, damaged));
        QVERIFY(QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner));

        const TabStoreFile::LoadResult r = TabStoreFile::load(path);
        QCOMPARE(r.status, TabStoreFile::Damaged);
        QCOMPARE(r.data.records, sampleStore().records);
        QVERIFY(r.data.skinPath.isNull());
        QCOMPARE(r.errorOffset, qint64(whole.size() - 4 - 2 * sampleStore().skinPath.size()));
        QVERIFY(r.error.contains(QLatin1String("skin")));
        QVERIFY2(r.copyError.isEmpty(), qPrintable(r.copyError));

        const QRegularExpression name(QStringLiteral("^tab\\.dat\\.damaged-\\d{8}-\\d{6}$"));
        QVERIFY2(name.match(QFileInfo(r.damagedCopyPath).fileName()).hasMatch(), qPrintable(r.damagedCopyPath));
        QCOMPARE(QFileInfo(r.damagedCopyPath).absolutePath(), QFileInfo(path).absolutePath());
        QCOMPARE(readBytes(r.damagedCopyPath), damaged);
        QCOMPARE(QFile::permissions(r.damagedCopyPath), QFile::permissions(path));
        QCOMPARE(readBytes(path), damaged); // loading never changes the store itself
    }

    void neverOverwritesEarlierCopy()
    {
        const QString path = m_dir.filePath(QStringLiteral("tab.dat"));
        const QByteArray damaged = hex("7fffffff 00000002 0041");
        QVERIFY(writeBytes(path, damaged));

        // Occupy the names of this second and the next two with earlier copies.
        const QDateTime now = QDateTime::currentDateTime();
        QStringList decoys;
        for (int s = -1; s <= 2; ++s) {
            decoys << path + QLatin1String(".damaged-") + now.addSecs(s).toString(QStringLiteral("yyyyMMdd-hhmmss"));
            QVERIFY(writeBytes(decoys.last(), "earlier copy " + QByteArray::number(s)));
        }

        QStringList copies;
        for (int i = 0; i < 3; ++i) {
            const TabStoreFile::LoadResult r = TabStoreFile::load(path);
            QCOMPARE(r.status, TabStoreFile::Damaged);
            QVERIFY2(r.copyError.isEmpty(), qPrintable(r.copyError));
            QVERIFY(!decoys.contains(r.damagedCopyPath));
            QVERIFY(!copies.contains(r.damagedCopyPath));
            QCOMPARE(readBytes(r.damagedCopyPath), damaged);
            copies << r.damagedCopyPath;
        }
        for (int s = -1; s <= 2; ++s)
            QCOMPARE(readBytes(decoys.at(s + 1)), "earlier copy " + QByteArray::number(s));
        QCOMPARE(entries(m_dir.path()).size(), 1 + decoys.size() + copies.size());
    }

    void failedSaveKeepsOldFile_data()
    {
        QTest::addColumn<bool>("fullDisk");
        QTest::newRow("read-only folder") << false;
        QTest::newRow("full disk") << true;
    }

    void failedSaveKeepsOldFile()
    {
        QFETCH(bool, fullDisk);
        const QString dir = m_dir.filePath(QStringLiteral("store"));
        ScratchMount mount(dir, QStringLiteral("64k"));
        if (fullDisk && !mount.mounted())
            QSKIP(qPrintable(QStringLiteral("a full disk needs a small tmpfs and mounting is not permitted here (%1)")
                                 .arg(mount.error())));

        const QString path = dir + QLatin1String("/tab.dat");
        const TabStoreData old = sampleStore();
        QVERIFY(TabStoreFile::save(path, old).ok);
        const QByteArray oldBytes = readBytes(path);

        if (!fullDisk) {
            if (mount.mounted()) {
                QVERIFY2(mount.remountReadOnly(), qPrintable(mount.error()));
            } else {
                QVERIFY(QFile::setPermissions(dir, QFile::ReadOwner | QFile::ExeOwner));
                if (writeBytes(dir + QLatin1String("/probe"), "x"))
                    QSKIP("the folder stays writable (root without mount permission)");
            }
        }

        // 600 K of text: far more than the 64 K the full disk holds.
        const TabStoreData bigger = sampleStore(300 * 1024);
        const TabStoreFile::SaveResult r = TabStoreFile::save(path, bigger);
        QVERIFY(!r.ok);
        if (fullDisk)
            QVERIFY2(r.error.contains(QString::fromLocal8Bit(strerror(ENOSPC))), qPrintable(r.error));
        else
            QVERIFY2(!r.error.isEmpty(), "no error text");

        QCOMPARE(readBytes(path), oldBytes);
        QCOMPARE(TabStoreFile::load(path).data, old);
        QCOMPARE(entries(dir), QStringList{QStringLiteral("tab.dat")}); // no temporary file left behind
    }

private:
    QTemporaryDir m_dir;
};

QTEST_GUILESS_MAIN(TabStoreFileTest)
#include "tst_tabstorefile.moc"
