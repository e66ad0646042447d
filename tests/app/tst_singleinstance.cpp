#include "singleinstance.h"

#include <QLockFile>
#include <QtTest>

#include <memory>
#include <sys/resource.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <thread>
#include <unistd.h>

// The hand-over between a running notebook and a later start, in one process:
// the later start claims from a second thread (it blocks, as a real start
// does) while the test's event loop serves it. Process-level cases (real
// velmonote starts) are in tst_startprocess.
class TestSingleInstance : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void laterStartHandsItsRequestOver();
    void strayConnectionsDoNotBlockTheNext();
    void leftoverSocketFileIsReplacedAndPrivate();
    void socketPathTooLongMovesToPrivateFolder();
    void unsureStartFailsWithReason_data();
    void unsureStartFailsWithReason();
    void acceptBacksOffWhenOutOfDescriptors();

private:
    // Claims for folder from another thread; the result arrives when it is done.
    static std::thread claimLater(const QString &folder, const QString &request,
                                  std::atomic<int> *role);
    static int connectRaw(const QString &path);

    QTemporaryDir runtime;
    QTemporaryDir notes;
};

void TestSingleInstance::initTestCase()
{
    QVERIFY(runtime.isValid() && notes.isValid());
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(runtime.path()));
}

std::thread TestSingleInstance::claimLater(const QString &folder, const QString &request,
                                           std::atomic<int> *role)
{
    return std::thread([folder, request, role] {
        SingleInstance later(folder);
        *role = int(later.claim(request, 3000));
    });
}

int TestSingleInstance::connectRaw(const QString &path)
{
    const int fd = ::socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_un address{};
    address.sun_family = AF_UNIX;
    qstrncpy(address.sun_path, QFile::encodeName(path).constData(), sizeof address.sun_path);
    if (::connect(fd, reinterpret_cast<sockaddr *>(&address), sizeof address) != 0) {
        ::close(fd);
        return -1;
    }
    return fd;
}

void TestSingleInstance::laterStartHandsItsRequestOver()
{
    SingleInstance first(notes.path());
    QCOMPARE(first.claim(QStringLiteral("show")), SingleInstance::Role::Primary);
    QSignalSpy requests(&first, &SingleInstance::requestReceived);

    for (const QString &request : {QStringLiteral("hide"), QStringLiteral("show")}) {
        std::atomic<int> role{-1};
        std::thread later = claimLater(notes.path(), request, &role);
        QTRY_VERIFY(role != -1);
        later.join();
        QCOMPARE(SingleInstance::Role(role.load()), SingleInstance::Role::Secondary);
        QCOMPARE(requests.count(), 1);
        QCOMPARE(requests.takeFirst().at(0).toString(), request);
    }

    // The same folder named another way is the same notebook.
    std::atomic<int> role{-1};
    std::thread later = claimLater(notes.path() + QLatin1String("/./"), QStringLiteral("show"), &role);
    QTRY_VERIFY(role != -1);
    later.join();
    QCOMPARE(SingleInstance::Role(role.load()), SingleInstance::Role::Secondary);
}

void TestSingleInstance::strayConnectionsDoNotBlockTheNext()
{
    SingleInstance first(notes.path());
    QCOMPARE(first.claim(QStringLiteral("show")), SingleInstance::Role::Primary);
    QSignalSpy requests(&first, &SingleInstance::requestReceived);

    // One peer says nothing, one floods without a line end, one hangs up at once.
    const int silent = connectRaw(first.serverName());
    const int flood = connectRaw(first.serverName());
    const int gone = connectRaw(first.serverName());
    QVERIFY(silent >= 0 && flood >= 0 && gone >= 0);
    const QByteArray junk(SingleInstance::MaxRequestBytes * 4, 'x');
    QCOMPARE(::send(flood, junk.constData(), junk.size(), MSG_NOSIGNAL), ssize_t(junk.size()));
    ::close(gone);

    std::atomic<int> role{-1};
    std::thread later = claimLater(notes.path(), QStringLiteral("hide"), &role);
    QTRY_VERIFY(role != -1);
    later.join();
    QCOMPARE(SingleInstance::Role(role.load()), SingleInstance::Role::Secondary);
    QCOMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toString(), QStringLiteral("hide"));

    // The flood was dropped: its connection is closed by the running one.
    char byte;
    QTRY_COMPARE(::recv(flood, &byte, 1, MSG_DONTWAIT), ssize_t(0));
    ::close(flood);
    ::close(silent);
}

void TestSingleInstance::leftoverSocketFileIsReplacedAndPrivate()
{
    SingleInstance probe(notes.path());
    {
        QFile leftover(probe.serverName());
        QVERIFY(leftover.open(QIODevice::WriteOnly));
    }
    {
        SingleInstance first(notes.path());
        QCOMPARE(first.claim(QStringLiteral("show")), SingleInstance::Role::Primary);
        struct stat info;
        QCOMPARE(::stat(QFile::encodeName(first.serverName()).constData(), &info), 0);
        QVERIFY(S_ISSOCK(info.st_mode));
        QCOMPARE(info.st_mode & 0777, mode_t(0600));
    }
    // Gone with the notebook that made it.
    QVERIFY(!QFile::exists(probe.serverName()));
}

namespace {
/// A runtime folder so deep that a socket's name in it does not fit an address.
QString deepFolder(const QString &root)
{
    QString deep = root;
    while (deep.size() < 120)
        deep += QLatin1String("/deeper");
    QDir().mkpath(deep);
    QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    return deep;
}
}

void TestSingleInstance::socketPathTooLongMovesToPrivateFolder()
{
    const QString deep = deepFolder(runtime.path());
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
    {
        SingleInstance first(notes.path());
        QVERIFY(first.lockPath().startsWith(deep));
        const QString folder = QStringLiteral("/tmp/velmonote-%1/").arg(::getuid());
        QVERIFY2(first.serverName().startsWith(folder), qPrintable(first.serverName()));
        QCOMPARE(first.claim(QStringLiteral("show"), 300), SingleInstance::Role::Primary);
        struct stat info;
        QCOMPARE(::lstat(QFile::encodeName(folder).constData(), &info), 0);
        QCOMPARE(info.st_mode & 0777, mode_t(0700));

        // A later start finds it there and hands over.
        QSignalSpy requests(&first, &SingleInstance::requestReceived);
        std::atomic<int> role{-1};
        std::thread later = claimLater(notes.path(), QStringLiteral("hide"), &role);
        QTRY_VERIFY(role != -1);
        later.join();
        QCOMPARE(SingleInstance::Role(role.load()), SingleInstance::Role::Secondary);
        QCOMPARE(requests.count(), 1);
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}

void TestSingleInstance::unsureStartFailsWithReason_data()
{
    QTest::addColumn<QString>("situation");
    QTest::addColumn<QString>("reason");
    QTest::newRow("lock held, owner silent") << "silent" << "did not answer";
    QTest::newRow("socket folder open to others") << "open" << "not a private folder";
    QTest::newRow("lock path taken by a folder") << "blocked" << ".lock";
}

void TestSingleInstance::unsureStartFailsWithReason()
{
    QFETCH(QString, situation);
    QFETCH(QString, reason);
    QTemporaryDir own;
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    std::unique_ptr<QLockFile> holder;
    if (situation == QLatin1String("silent")) {
        // A live process (this one) holds the lock and never listens.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(own.path()));
        holder = std::make_unique<QLockFile>(SingleInstance(notes.path()).lockPath());
        QVERIFY(holder->tryLock(0));
    } else if (situation == QLatin1String("open")) {
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deepFolder(own.path())));
        const QString folder = QFileInfo(SingleInstance(notes.path()).serverName()).path();
        QDir().mkpath(folder);
        QVERIFY(QFile::setPermissions(folder, QFileDevice::Permissions(0x7755)));
    } else {
        // Something that is no lock file sits where the lock belongs.
        qputenv("XDG_RUNTIME_DIR", QFile::encodeName(own.path()));
        QVERIFY(QDir().mkpath(SingleInstance(notes.path()).lockPath() + QLatin1String("/inside")));
    }
    {
        SingleInstance start(notes.path());
        QCOMPARE(start.claim(QStringLiteral("show"), 600), SingleInstance::Role::Failed);
        QVERIFY2(start.errorString().contains(reason), qPrintable(start.errorString()));
    }
    if (situation == QLatin1String("open"))
        QFile::setPermissions(QStringLiteral("/tmp/velmonote-%1").arg(::getuid()), QFileDevice::Permissions(0x7700));
    qputenv("XDG_RUNTIME_DIR", saved);
}

void TestSingleInstance::acceptBacksOffWhenOutOfDescriptors()
{
    SingleInstance first(notes.path());
    QCOMPARE(first.claim(QStringLiteral("show")), SingleInstance::Role::Primary);
    QSignalSpy requests(&first, &SingleInstance::requestReceived);
    const int client = connectRaw(first.serverName());
    QVERIFY(client >= 0);
    QCOMPARE(::send(client, "hide\n", 5, MSG_NOSIGNAL), ssize_t(5));

    // Use up every descriptor the process may have: accept() now fails with EMFILE.
    rlimit limit;
    QCOMPARE(::getrlimit(RLIMIT_NOFILE, &limit), 0);
    const rlimit savedLimit = limit;
    limit.rlim_cur = std::min<rlim_t>(limit.rlim_cur, rlim_t(client + 64));
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &limit), 0);
    QList<int> fillers;
    for (int fd; (fd = ::dup(client)) >= 0;)
        fillers << fd;
    QCOMPARE(errno, EMFILE);

    QTRY_VERIFY(first.isAcceptPaused());
    QCOMPARE(requests.count(), 0);

    // Descriptors come back: the waiting start is served after the pause.
    for (int fd : fillers)
        ::close(fd);
    QCOMPARE(::setrlimit(RLIMIT_NOFILE, &savedLimit), 0);
    QTRY_COMPARE(requests.count(), 1);
    QCOMPARE(requests.at(0).at(0).toString(), QStringLiteral("hide"));
    QVERIFY(!first.isAcceptPaused());
    // The answer was sent before the request was passed on.
    char answer[4] = {};
    QCOMPARE(::recv(client, answer, 3, MSG_DONTWAIT), ssize_t(3));
    QCOMPARE(QByteArray(answer), QByteArray("ok\n"));
    ::close(client);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
