// The hot key through the desktop's shortcut portal, against a stand-in
// portal on a private session bus: what the program asks the portal for, a
// key the portal reports, and each way the hot key can be refused. Also the
// screenshot portal's file, which is the program's to remove once read.

#include "globalshortcut.h"
#include "globalshortcutprivate.h"
#include "portalhotkeybackend.h"
#include "portalscreenshot.h"
#include "privatesessionbus.h"

#include <QtTest>

namespace {
const QString standIn = QStringLiteral(VELMO_SOURCE_DIR "/tests/capture/standin_portal.py");

QList<QJsonObject> readLog(const QString &path)
{
    QList<QJsonObject> entries;
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        for (const QByteArray &line : file.readAll().split('\n'))
            if (!line.isEmpty())
                entries << QJsonDocument::fromJson(line).object();
    return entries;
}
}

class TestPortalHotKey : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void asksForTheKeyAndFiresOnActivation();
    void refusalIsReported_data();
    void refusalIsReported();
    void screenshotFileIsRemovedOnceRead_data();
    void screenshotFileIsRemovedOnceRead();

private:
    void startPortal(const QStringList &mode, const QString &shot = QString());

    QTemporaryDir m_dir;
    QProcess *m_portal = nullptr;
};

void TestPortalHotKey::init()
{
    GlobalShortcutPrivate::setBackendFactory(
        [](HotKeyBackend::Listener listener) { return PortalHotKeyBackend::create(std::move(listener)); });
    QFile::remove(m_dir.filePath(QStringLiteral("log")));
}

void TestPortalHotKey::cleanup()
{
    GlobalShortcutPrivate::setBackendFactory({});
    if (m_portal) {
        m_portal->closeWriteChannel();
        if (!m_portal->waitForFinished(3000))
            m_portal->kill();
        m_portal->waitForFinished(3000);
        delete m_portal;
        m_portal = nullptr;
    }
}

void TestPortalHotKey::startPortal(const QStringList &mode, const QString &shot)
{
    m_portal = new QProcess;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("VELMO_STANDIN_SHOT"), shot);
    m_portal->setProcessEnvironment(env);
    m_portal->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    m_portal->start(QStringLiteral("/usr/bin/python3"), QStringList{standIn, m_dir.filePath(QStringLiteral("log"))} + mode);
    QVERIFY(m_portal->waitForStarted());
    QVERIFY(m_portal->waitForReadyRead(10000));
    QCOMPARE(m_portal->readLine().trimmed(), QByteArray("ready"));
}

void TestPortalHotKey::asksForTheKeyAndFiresOnActivation()
{
    startPortal({});
    GlobalShortcut shortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), nullptr);
    QSignalSpy activated(&shortcut, &GlobalShortcut::activated);
    QSignalSpy unavailable(&shortcut, &GlobalShortcut::unavailable);

    // The key goes with the session (some desktops bind only those) and is
    // bound in it again.
    const QString log = m_dir.filePath(QStringLiteral("log"));
    QTRY_COMPARE(readLog(log).size(), 2);
    const QList<QJsonObject> calls = readLog(log);
    QCOMPARE(calls[0][QStringLiteral("call")].toString(), QStringLiteral("CreateSession"));
    const QJsonArray offered = calls[0][QStringLiteral("options")][QStringLiteral("shortcuts")].toArray();
    QCOMPARE(offered.size(), 1);
    const QString id = offered[0][0].toString();
    QCOMPARE(offered[0][1][QStringLiteral("preferred_trigger")].toString(), QStringLiteral("CTRL+ALT+c"));
    QCOMPARE(calls[1][QStringLiteral("call")].toString(), QStringLiteral("BindShortcuts"));
    QCOMPARE(calls[1][QStringLiteral("shortcuts")].toArray(), offered);

    // Only our own key, in our own session, fires.
    m_portal->write("activate someone-else\n");
    m_portal->write(QStringLiteral("activate %1\n").arg(id).toUtf8());
    QTRY_COMPARE(activated.size(), 1);
    QTest::qWait(200);
    QCOMPARE(activated.size(), 1);
    QCOMPARE(unavailable.size(), 0);
}

void TestPortalHotKey::refusalIsReported_data()
{
    QTest::addColumn<bool>("portalRuns");
    QTest::newRow("the desktop says no") << true;
    QTest::newRow("no portal on the bus") << false;
}

void TestPortalHotKey::refusalIsReported()
{
    QFETCH(bool, portalRuns);
    if (portalRuns)
        startPortal({QStringLiteral("refuse")});
    QTest::ignoreMessage(QtWarningMsg, "GlobalShortcut failed to register: Ctrl+Alt+C");
    GlobalShortcut shortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), nullptr);
    QSignalSpy unavailable(&shortcut, &GlobalShortcut::unavailable);
    QTRY_COMPARE(unavailable.size(), 1);
    QVERIFY(!unavailable[0][0].toString().isEmpty());
    // Said once, not again for the same start.
    QTest::qWait(300);
    QCOMPARE(unavailable.size(), 1);
}

void TestPortalHotKey::screenshotFileIsRemovedOnceRead_data()
{
    QTest::addColumn<bool>("throughLink");
    QTest::newRow("the portal's own file") << false;
    QTest::newRow("a link to a file elsewhere") << true;
}

void TestPortalHotKey::screenshotFileIsRemovedOnceRead()
{
    QFETCH(bool, throughLink);
    QImage picture(64, 48, QImage::Format_RGB32);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x)
            picture.setPixel(x, y, qRgb(x * 4, y * 5, (x + y) & 0xff));
    }
    const QString file = m_dir.filePath(QStringLiteral("Screenshot.png"));
    const QString link = m_dir.filePath(QStringLiteral("link.png"));
    QVERIFY(picture.save(file));
    if (throughLink)
        QVERIFY(QFile::link(file, link));
    startPortal({}, throughLink ? link : file);

    PortalScreenshot portal;
    QSignalSpy grabbed(&portal, &PortalScreenshot::grabbed);
    QSignalSpy failed(&portal, &PortalScreenshot::failed);
    portal.request();
    QTRY_COMPARE(grabbed.size() + failed.size(), 1);
    QVERIFY2(failed.isEmpty(), failed.isEmpty() ? "" : qPrintable(failed[0][0].toString()));
    QCOMPARE(grabbed[0][0].value<QImage>().convertToFormat(QImage::Format_RGB32), picture);
    // A plain file is gone; a link and what it points to stay.
    QCOMPARE(QFileInfo::exists(file), throughLink);
    QCOMPARE(QFileInfo(link).isSymLink(), throughLink);
    QFile::remove(link);
    QFile::remove(file);
}

int main(int argc, char *argv[])
{
    // The screenshot portal sizes its memory by the screens.
    return PrivateSessionBus::run<QGuiApplication, TestPortalHotKey>(argc, argv);
}

#include "tst_portalhotkey.moc"
