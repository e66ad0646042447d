#include "singleinstance.h"

#include <QtTest>

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
    void socketPathTooLongFailsCleanly();

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

void TestSingleInstance::socketPathTooLongFailsCleanly()
{
    // A runtime folder so deep that the socket's name does not fit an address.
    QString deep = runtime.path();
    while (deep.size() < 120)
        deep += QLatin1String("/deeper");
    QVERIFY(QDir().mkpath(deep));
    QFile::setPermissions(deep, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray saved = qgetenv("XDG_RUNTIME_DIR");
    qputenv("XDG_RUNTIME_DIR", QFile::encodeName(deep));
    {
        SingleInstance first(notes.path());
        QVERIFY(first.serverName().startsWith(deep));
        QCOMPARE(first.claim(QStringLiteral("show"), 300), SingleInstance::Role::Failed);
    }
    qputenv("XDG_RUNTIME_DIR", saved);
}

QTEST_GUILESS_MAIN(TestSingleInstance)
#include "tst_singleinstance.moc"
