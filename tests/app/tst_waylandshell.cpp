// The program as a user meets it on a Wayland desktop that gives it no hot
// key (headless sway with the portals, scripts/wayland-session.sh), installed
// as a package would be and started from the menu: the notice naming the
// command to bind, that command from another folder, the tray menu as
// swaybar 1.7 reaches it, and a cold start by the key. The test plays
// swaybar's tray: it owns the StatusNotifierWatcher and makes the calls
// swaybar makes on a click (Activate, ContextMenu) and a dbusmenu reader's.

#include <QDBusConnection>
#include <QDBusInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QImage>
#include <QtTest>

namespace {
QByteArray output(const QString &command)
{
    QProcess process;
    process.start(QStringLiteral("sh"), {"-c", command});
    process.waitForFinished(15000);
    return process.readAllStandardOutput();
}

/// The program's visible windows (XWayland) of this size; popups: its menus.
int windows(const QSize &size, bool popups = false)
{
    const QString all = QString::fromUtf8(
        output("for w in $(xdotool search --onlyvisible --classname velmonote); do xwininfo -id $w; done"));
    int count = 0;
    for (const QString &info : all.split(QStringLiteral("xwininfo:"), Qt::SkipEmptyParts)) {
        const bool popup = info.contains(QStringLiteral("Override Redirect State: yes"));
        const bool sized = info.contains(QStringLiteral("Width: %1\n").arg(size.width()))
            && info.contains(QStringLiteral("Height: %1\n").arg(size.height()));
        count += popups ? popup && !info.contains(QStringLiteral("Height: 1080\n")) : sized;
    }
    return count;
}

bool shown(const QString &name) { return !output("xdotool search --onlyvisible --name '" + name + "'").isEmpty(); }
bool press(const QString &keys) { return QProcess::execute(QStringLiteral("xdotool"), keys.split(' ')) == 0; }
}

/// swaybar's watcher: the program's tray item registers here.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
public:
    bool hostRegistered() const { return true; }
    QStringList items;
public slots:
    void RegisterStatusNotifierItem(const QString &service) { items << service; }
};

class TestWaylandShell : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase() { stop(); }
    void menuStartAndTheCaptureKey();
    void trayMenuAsSwaybarAsks();
    void coldCaptureHasNoWindowOfTheProgram();

private:
    /// As a launcher or a key binding runs it: "velmonote" from PATH, as sway's user.
    void start(QProcess *process, const QString &folder, const QStringList &args);
    void stop();
    QString log() { return QString::fromUtf8(m_log += m_notebook.readAll()); }
    QDBusMessage item(const QString &method, const QVariantList &args = {40, 10});

    QTemporaryDir m_work;
    QProcess m_notebook;
    QByteArray m_log;
    Watcher m_watcher;
    QSize m_output{1920, 1080};
};

void TestWaylandShell::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK") || qEnvironmentVariableIsEmpty("VELMO_WL_USER_RUNTIME"))
        QSKIP("runs inside scripts/wayland-session.sh");
    QVERIFY(output("swaymsg -t get_outputs").contains("\"width\": 1920"));
    const QString w = m_work.path();
    QCOMPARE(QProcess::execute(QStringLiteral("sh"),
                               {"-c", QStringLiteral("mkdir -p %1/home %1/usr/bin %1/usr/share %1/elsewhere && cp %2/app/velmonote %2/app/libvelmonote_app.so %1/usr/bin/ "
                                                     "&& cp -r %2/defaultdata %1/usr/share/velmonote && chown -R 65534:65534 %1")
                                          .arg(w, QStringLiteral(VELMO_BINARY_DIR))}),
             0);
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties));
    QVERIFY(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
}

void TestWaylandShell::start(QProcess *process, const QString &folder, const QStringList &args)
{
    const QString w = m_work.path();
    process->setWorkingDirectory(w + folder);
    process->setProcessChannelMode(QProcess::MergedChannels);
    process->start(QStringLiteral("setpriv"),
                   QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "env", "-u", "XDG_DATA_HOME",
                               "XDG_RUNTIME_DIR=" + qEnvironmentVariable("VELMO_WL_USER_RUNTIME"), "HOME=" + w + "/home",
                               "PATH=" + w + "/usr/bin:/usr/bin:/bin", "LANG=C.UTF-8", "QT_LOGGING_RULES=velmo.app.info=true",
                               "velmonote"}
                       + args);
    QVERIFY(process->waitForStarted());
}

void TestWaylandShell::stop()
{
    if (m_notebook.state() != QProcess::NotRunning)
        m_notebook.terminate();
    m_notebook.waitForFinished(10000);
    m_notebook.readAll();
    m_log.clear();
}

QDBusMessage TestWaylandShell::item(const QString &method, const QVariantList &args)
{
    QDBusInterface item(m_watcher.items.last(), QStringLiteral("/StatusNotifierItem"),
                        QStringLiteral("org.kde.StatusNotifierItem"));
    return item.callWithArgumentList(QDBus::Block, method, args);
}

void TestWaylandShell::menuStartAndTheCaptureKey()
{
    // The menu starts it in the home folder, which holds no notebook.
    start(&m_notebook, QStringLiteral("/home"), {});
    QTRY_COMPARE_WITH_TIMEOUT(m_watcher.items.size(), 1, 15000);
    // No notification server: the notice is a window. The portal's first start may take its bus's timeout.
    QTRY_VERIFY_WITH_TIMEOUT(shown(QStringLiteral("截图热键不可用")), 45000);
    QTRY_VERIFY(log().contains(QStringLiteral("notice: 截图热键不可用")));
    const QString notice = log().section(QStringLiteral("notice: 截图热键不可用"), 1).section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(notice.contains(QStringLiteral("绑定到这个命令： velmonote -Capture 也可以从托盘菜单")), qPrintable(notice));
    QVERIFY2(!notice.contains(QStringLiteral("org.freedesktop")) && log().contains(QStringLiteral("GlobalShortcuts portal")),
             qPrintable(log())); // the bus's words are in the log only

    // The key runs exactly that, from another folder: the overlay opens in the running notebook.
    QProcess key;
    start(&key, QStringLiteral("/elsewhere"), {"-Capture"});
    QVERIFY(key.waitForFinished(10000));
    QCOMPARE(key.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output), 1, 15000);
    QCOMPARE(output("xdotool getwindowpid $(xdotool search --onlyvisible --classname velmonote | head -1)").trimmed(),
             QByteArray::number(m_notebook.processId()));
    QVERIFY(press(QStringLiteral("key Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output), 0, 10000);
    QVERIFY(QDir(m_work.filePath(QStringLiteral("elsewhere"))).isEmpty());
}

void TestWaylandShell::trayMenuAsSwaybarAsks()
{
    const QString menu = QDBusInterface(m_watcher.items.last(), QStringLiteral("/StatusNotifierItem"),
                                        QStringLiteral("org.kde.StatusNotifierItem"))
                             .property("Menu")
                             .value<QDBusObjectPath>()
                             .path();
    QVERIFY(!menu.isEmpty());
    const QString layout = QString::fromUtf8(output(QStringLiteral("gdbus call --session --dest %1 --object-path %2 --method "
                                                                   "com.canonical.dbusmenu.GetLayout 0 'int32 -1' '@as []' 2>&1")
                                                        .arg(m_watcher.items.last(), menu)));
    QHash<QString, int> ids;
    QRegularExpressionMatchIterator entries =
        QRegularExpression(QStringLiteral("\\((\\d+), \\{[^}]*'label': <'([^']+)'>")).globalMatch(layout);
    while (entries.hasNext()) {
        const QRegularExpressionMatch entry = entries.next();
        ids.insert(entry.captured(2), entry.captured(1).toInt());
    }
    for (const char *label : {"窗口总在最前", "显示主窗口", "开机自启动", "同步文件夹模式", "截图", "退出"})
        QVERIFY2(ids.contains(QString::fromUtf8(label)), qPrintable(layout));

    // swaybar's right click: the program opens its own menu at the pointer.
    QCOMPARE(item(QStringLiteral("ContextMenu")).type(), QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output, true), 1, 5000);
    QVERIFY(press(QStringLiteral("key Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output, true), 0, 5000);
    // A host drawing the D-Bus menu (KDE, GNOME) has just asked for it: no second menu.
    QDBusInterface dbusMenu(m_watcher.items.last(), menu, QStringLiteral("com.canonical.dbusmenu"));
    dbusMenu.call(QStringLiteral("AboutToShow"), 0);
    item(QStringLiteral("ContextMenu"));
    QTest::qWait(1000);
    QCOMPARE(windows(m_output, true), 0);

    // swaybar's left click hides and shows the window, one click each.
    QVERIFY(shown(QStringLiteral("^Velmo Note$")));
    item(QStringLiteral("Activate"));
    QTRY_VERIFY_WITH_TIMEOUT(!shown(QStringLiteral("^Velmo Note$")), 5000);
    QTest::qWait(1000); // a second click, not the end of a double click
    item(QStringLiteral("Activate"));
    QTRY_VERIFY_WITH_TIMEOUT(shown(QStringLiteral("^Velmo Note$")), 5000);

    // The entries run what they say: capture, then quit (which saves).
    const auto click = [&](const char *label) {
        dbusMenu.call(QStringLiteral("Event"), ids.value(QString::fromUtf8(label)), QStringLiteral("clicked"),
                      QVariant::fromValue(QDBusVariant(0)), 0u);
    };
    click("截图");
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output), 1, 15000);
    QVERIFY(press(QStringLiteral("key Escape")));
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output), 0, 10000);
    click("退出");
    QVERIFY(m_notebook.waitForFinished(15000));
    QCOMPARE(m_notebook.exitCode(), 0);
    QVERIFY(QFileInfo::exists(m_work.filePath(QStringLiteral("home/.local/share/velmonote/tab.dat"))));

    // The autostart's start: the notice was seen in this notebook, so no notice.
    stop();
    start(&m_notebook, QStringLiteral("/home"), {"-Hide"});
    QTRY_VERIFY_WITH_TIMEOUT(log().contains(QStringLiteral("Ctrl+Alt+C is not available")), 45000);
    QTest::qWait(500);
    QVERIFY2(!log().contains(QStringLiteral("notice:")), qPrintable(log()));
    stop();
}

void TestWaylandShell::coldCaptureHasNoWindowOfTheProgram()
{
    stop();
    // No tray now: blocked reading the clipboard, this process could not answer as the tray's watcher.
    QVERIFY(QDBusConnection::sessionBus().unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    const QString reference = m_work.filePath(QStringLiteral("desktop.png"));
    QCOMPARE(QProcess::execute(QStringLiteral("grim"), {reference}), 0);
    // The key with no notebook running: the picture comes before any window.
    start(&m_notebook, QStringLiteral("/elsewhere"), {"-Capture"});
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output), 1, 20000);
    QTest::qWait(300);
    QVERIFY(press(QStringLiteral("mousemove 0 0 mousedown 1 mousemove 1919 1079 mouseup 1")));
    QTest::qWait(200);
    QVERIFY(press(QStringLiteral("key space")));
    QTRY_COMPARE_WITH_TIMEOUT(windows(m_output), 0, 10000);
    const QImage copied = QImage::fromData(output("xclip -selection clipboard -t image/png -o"), "png")
                              .convertToFormat(QImage::Format_RGB32);
    QVERIFY(copied.width() >= 1919 && copied.height() >= 1079);
    QCOMPARE(copied, QImage(reference).convertToFormat(QImage::Format_RGB32).copy(copied.rect()));
    // Then the notebook runs, hidden.
    QCOMPARE(m_notebook.state(), QProcess::Running);
    QVERIFY(!shown(QStringLiteral("^Velmo Note$")));
}

QTEST_GUILESS_MAIN(TestWaylandShell)
#include "tst_waylandshell.moc"
