// The program as a user meets it on a Wayland desktop without a hot key of
// its own (headless sway with the portals, scripts/wayland-session.sh): the
// notice that says which command to bind, that command run from another
// folder reaching the menu's notebook, the tray menu as swaybar 1.7 reaches
// it over D-Bus, and a cold start by the key. The test plays swaybar's tray:
// it owns the StatusNotifierWatcher and makes the calls swaybar makes on a
// click (Activate, ContextMenu) and the ones a dbusmenu reader makes
// (GetLayout, AboutToShow, Event). The notebook runs as the user sway runs as.

#include <QDBusArgument>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDBusVariant>
#include <QImage>
#include <QtTest>

#include <sys/types.h>
#include <unistd.h>

namespace {
const QString program = QStringLiteral(VELMO_BINARY_DIR "/app/velmonote");
const QString defaults = QStringLiteral(VELMO_BINARY_DIR "/defaultdata");
constexpr uid_t SessionUser = 65534; // sway refuses root; it runs as nobody
const QString ItemInterface = QStringLiteral("org.kde.StatusNotifierItem");
const QString MenuInterface = QStringLiteral("com.canonical.dbusmenu");

QByteArray output(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(15000);
    return process.readAllStandardOutput();
}

/// Visible windows of the program (XWayland): size, and whether it is a
/// popup (override-redirect: menus).
QList<QPair<QSize, bool>> programWindows()
{
    QList<QPair<QSize, bool>> windows;
    const QList<QByteArray> ids = output(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--classname", "velmonote"})
                                      .split('\n');
    for (const QByteArray &id : ids) {
        if (id.isEmpty())
            continue;
        const QString info = QString::fromLocal8Bit(output(QStringLiteral("xwininfo"), {"-id", QString::fromLatin1(id)}));
        const QRegularExpressionMatch w = QRegularExpression(QStringLiteral("Width: (\\d+)")).match(info);
        const QRegularExpressionMatch h = QRegularExpression(QStringLiteral("Height: (\\d+)")).match(info);
        if (w.hasMatch() && h.hasMatch())
            windows << qMakePair(QSize(w.captured(1).toInt(), h.captured(1).toInt()),
                                 info.contains(QStringLiteral("Override Redirect State: yes")));
    }
    return windows;
}

int windowsOfSize(const QSize &size)
{
    int count = 0;
    for (const auto &window : programWindows())
        count += window.first == size;
    return count;
}

bool visibleNamed(const QString &name)
{
    return !output(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", name}).isEmpty();
}

/// Popup menus of the program on screen.
int popupMenus()
{
    int count = 0;
    for (const auto &window : programWindows())
        count += window.second && window.first.width() < 600 && window.first.height() > 60;
    return count;
}

struct MenuEntry
{
    int id = 0;
    QString label;
};

/// One dbusmenu layout node (i a{sv} av) and its children, depth first.
void readLayout(const QDBusArgument &node, QList<MenuEntry> *entries)
{
    int id = 0;
    QVariantMap properties;
    node.beginStructure();
    node >> id >> properties;
    node.beginArray();
    while (!node.atEnd()) {
        QDBusVariant child;
        node >> child;
        readLayout(child.variant().value<QDBusArgument>(), entries);
    }
    node.endArray();
    node.endStructure();
    entries->append({id, properties.value(QStringLiteral("label")).toString()});
}
}

/// The tray host's watcher, as swaybar registers it: items register here.
class Watcher : public QObject
{
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.kde.StatusNotifierWatcher")
    Q_PROPERTY(bool IsStatusNotifierHostRegistered READ hostRegistered)
    Q_PROPERTY(int ProtocolVersion READ protocolVersion)
    Q_PROPERTY(QStringList RegisteredStatusNotifierItems READ items)
public:
    bool hostRegistered() const { return true; }
    int protocolVersion() const { return 0; }
    QStringList items() const { return m_items; }
    QString lastService() const { return m_items.isEmpty() ? QString() : m_items.last(); }

public slots:
    void RegisterStatusNotifierItem(const QString &service, const QDBusMessage &message)
    {
        // A path alone names an item on the caller's own connection.
        m_items << (service.startsWith(QLatin1Char('/')) ? message.service() : service);
        emit StatusNotifierItemRegistered(service);
    }
    void RegisterStatusNotifierHost(const QString &) {}

signals:
    void StatusNotifierItemRegistered(const QString &service);
    void StatusNotifierHostRegistered();

private:
    QStringList m_items;
};

class TestWaylandShell : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void hotKeyNoticeNamesTheCommand();
    void captureCommandReachesTheMenuNotebook();
    void trayMenuOpensAsSwaybarAsks();
    void hotKeyNoticeOncePerNotebook();
    void coldCaptureHasNoWindowOfTheProgram();

private:
    /// Starts the program as the session's user in folder.
    void start(QProcess *process, const QString &folder, const QStringList &args);
    QString notebookLog();
    QDBusMessage itemCall(const QString &interface, const QString &path, const QString &method,
                          const QVariantList &args);
    QString menuPath();
    void stop(QProcess *process);

    QTemporaryDir m_work;
    QString m_home;
    QString m_bin;
    QProcess m_notebook;
    QByteArray m_log;
    Watcher m_watcher;
    QSize m_output;
};

void TestWaylandShell::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK") || qEnvironmentVariableIsEmpty("VELMO_WL_USER_RUNTIME"))
        QSKIP("runs inside scripts/wayland-session.sh");
    const QJsonArray outputs = QJsonDocument::fromJson(output(QStringLiteral("swaymsg"), {"-t", "get_outputs"})).array();
    QVERIFY(!outputs.isEmpty());
    const QJsonObject mode = outputs[0][QStringLiteral("current_mode")].toObject();
    m_output = QSize(mode[QStringLiteral("width")].toInt(), mode[QStringLiteral("height")].toInt());

    // Installed as a package would be: the program on PATH as "velmonote",
    // its defaults beside it in ../share/velmonote.
    m_home = m_work.filePath(QStringLiteral("home"));
    m_bin = m_work.filePath(QStringLiteral("usr/bin"));
    for (const QString &folder : {m_home, m_bin, m_work.filePath(QStringLiteral("usr/share")),
                                  m_work.filePath(QStringLiteral("elsewhere"))})
        QVERIFY(QDir().mkpath(folder));
    QVERIFY(QFile::copy(program, m_bin + QStringLiteral("/velmonote")));
    QCOMPARE(QProcess::execute(QStringLiteral("cp"), {"-r", defaults, m_work.filePath(QStringLiteral("usr/share/velmonote"))}), 0);
    QCOMPARE(QProcess::execute(QStringLiteral("chown"), {"-R", "65534:65534", m_work.path()}), 0);
    QCOMPARE(::chown(QFile::encodeName(m_work.path()).constData(), SessionUser, SessionUser), 0);

    // swaybar's part: a watcher with a host, before the program starts.
    QDBusConnection bus = QDBusConnection::sessionBus();
    QVERIFY(bus.registerObject(QStringLiteral("/StatusNotifierWatcher"), &m_watcher,
                               QDBusConnection::ExportAllSlots | QDBusConnection::ExportAllProperties
                                   | QDBusConnection::ExportAllSignals));
    QVERIFY(bus.registerService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    connect(&m_notebook, &QProcess::readyRead, this, [this] { m_log += m_notebook.readAll(); });
}

void TestWaylandShell::cleanupTestCase()
{
    stop(&m_notebook);
    QDBusConnection::sessionBus().unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher"));
}

void TestWaylandShell::start(QProcess *process, const QString &folder, const QStringList &args)
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), qEnvironmentVariable("VELMO_WL_USER_RUNTIME"));
    env.insert(QStringLiteral("HOME"), m_home);
    env.remove(QStringLiteral("XDG_DATA_HOME"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), m_home + QStringLiteral("/.config"));
    env.insert(QStringLiteral("PATH"), m_bin + QStringLiteral(":/usr/bin:/bin"));
    env.insert(QStringLiteral("LANG"), QStringLiteral("C.UTF-8"));
    env.insert(QStringLiteral("QT_LOGGING_RULES"), QStringLiteral("velmo.app.info=true"));
    process->setProcessEnvironment(env);
    process->setWorkingDirectory(folder);
    process->setProcessChannelMode(QProcess::MergedChannels);
    // As a desktop's launcher or key binding runs it: by name, found on PATH.
    process->start(QStringLiteral("setpriv"), QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "env",
                                                          "PATH=" + env.value(QStringLiteral("PATH")), "velmonote"}
                                                  + args);
    QVERIFY(process->waitForStarted());
}

void TestWaylandShell::stop(QProcess *process)
{
    if (process->state() == QProcess::NotRunning)
        return;
    process->terminate();
    if (!process->waitForFinished(10000))
        process->kill();
    process->waitForFinished(5000);
}

QString TestWaylandShell::notebookLog()
{
    m_log += m_notebook.readAll();
    return QString::fromUtf8(m_log);
}

QDBusMessage TestWaylandShell::itemCall(const QString &interface, const QString &path, const QString &method,
                                        const QVariantList &args)
{
    QDBusMessage call = QDBusMessage::createMethodCall(m_watcher.lastService(), path, interface, method);
    call.setArguments(args);
    return QDBusConnection::sessionBus().call(call, QDBus::Block, 5000);
}

QString TestWaylandShell::menuPath()
{
    const QDBusMessage reply = itemCall(QStringLiteral("org.freedesktop.DBus.Properties"),
                                        QStringLiteral("/StatusNotifierItem"), QStringLiteral("Get"),
                                        {ItemInterface, QStringLiteral("Menu")});
    if (reply.type() != QDBusMessage::ReplyMessage || reply.arguments().isEmpty())
        return QString();
    return reply.arguments().at(0).value<QDBusVariant>().variant().value<QDBusObjectPath>().path();
}

void TestWaylandShell::hotKeyNoticeNamesTheCommand()
{
    // From the application menu: started in the home folder, which holds no notebook.
    start(&m_notebook, m_home, {});
    QTRY_VERIFY_WITH_TIMEOUT(!m_watcher.lastService().isEmpty(), 15000);
    QVERIFY(QFileInfo(m_home + QStringLiteral("/.local/share/velmonote/index.dat")).isFile());
    // No notification server here: the notice is a window with its text.
    // The first start of the portal here may take its bus's whole activation timeout.
    QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(QStringLiteral("截图热键不可用")), 45000);
    QTRY_VERIFY_WITH_TIMEOUT(notebookLog().contains(QStringLiteral("notice: 截图热键不可用")), 5000);
    const QString line = notebookLog().section(QStringLiteral("notice: 截图热键不可用"), 1).section(QLatin1Char('\n'), 0, 0);
    QVERIFY2(line.contains(QStringLiteral("绑定到这个命令： velmonote -Capture ")), qPrintable(notebookLog()));
    QVERIFY2(line.contains(QStringLiteral("托盘菜单")), qPrintable(line)); // there is a tray here
    // The bus's own words went to the log only.
    QVERIFY2(!line.contains(QStringLiteral("org.freedesktop")), qPrintable(line));
    QVERIFY(notebookLog().contains(QStringLiteral("GlobalShortcuts portal")));
    QCOMPARE(m_notebook.state(), QProcess::Running);
}

void TestWaylandShell::captureCommandReachesTheMenuNotebook()
{
    QCOMPARE(windowsOfSize(m_output), 0);
    // The desktop's key binding runs exactly the command the notice named.
    QProcess key;
    start(&key, m_work.filePath(QStringLiteral("elsewhere")), {"-Capture"});
    QVERIFY(key.waitForFinished(10000));
    QCOMPARE(key.exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(windowsOfSize(m_output), 1, 15000);
    // The overlay belongs to the running notebook.
    const QByteArray overlay =
        output(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--classname", "velmonote"}).split('\n').first();
    QCOMPARE(output(QStringLiteral("xdotool"), {"getwindowpid", QString::fromLatin1(overlay)}).trimmed(),
             QByteArray::number(m_notebook.processId()));
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(windowsOfSize(m_output), 0, 10000);
    // No second notebook: nothing was laid out where the command ran.
    QCOMPARE(QDir(m_work.filePath(QStringLiteral("elsewhere"))).entryList(QDir::NoDotAndDotDot | QDir::AllEntries),
             QStringList());
    QCOMPARE(m_notebook.state(), QProcess::Running);
}

void TestWaylandShell::trayMenuOpensAsSwaybarAsks()
{
    const QString path = menuPath();
    QVERIFY(!path.isEmpty());
    const QDBusMessage layout = itemCall(MenuInterface, path, QStringLiteral("GetLayout"),
                                         {0, -1, QStringList()});
    QCOMPARE(layout.type(), QDBusMessage::ReplyMessage);
    QList<MenuEntry> entries;
    readLayout(layout.arguments().at(1).value<QDBusArgument>(), &entries);
    QHash<QString, int> ids;
    for (const MenuEntry &entry : entries)
        ids.insert(entry.label, entry.id);
    for (const QString &label : {QStringLiteral("窗口总在最前"), QStringLiteral("显示主窗口"), QStringLiteral("开机自启动"),
                                 QStringLiteral("同步文件夹模式"), QStringLiteral("截图"), QStringLiteral("退出")})
        QVERIFY2(ids.contains(label), qPrintable(label));

    // swaybar's right click: the program opens its own menu.
    QCOMPARE(popupMenus(), 0);
    QCOMPARE(itemCall(ItemInterface, QStringLiteral("/StatusNotifierItem"), QStringLiteral("ContextMenu"), {40, 10}).type(),
             QDBusMessage::ReplyMessage);
    QTRY_COMPARE_WITH_TIMEOUT(popupMenus(), 1, 5000);
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(popupMenus(), 0, 5000);

    // A host that draws the D-Bus menu itself gets no second one.
    itemCall(MenuInterface, path, QStringLiteral("AboutToShow"), {0});
    itemCall(MenuInterface, path, QStringLiteral("Event"),
             {0, QStringLiteral("opened"), QVariant::fromValue(QDBusVariant(0)), 0u});
    itemCall(ItemInterface, QStringLiteral("/StatusNotifierItem"), QStringLiteral("ContextMenu"), {40, 10});
    QTest::qWait(1000);
    QCOMPARE(popupMenus(), 0);

    // swaybar's left click shows and hides the window, one click each.
    QVERIFY(visibleNamed(QStringLiteral("^Velmo Note$")));
    itemCall(ItemInterface, QStringLiteral("/StatusNotifierItem"), QStringLiteral("Activate"), {40, 10});
    QTRY_VERIFY_WITH_TIMEOUT(!visibleNamed(QStringLiteral("^Velmo Note$")), 5000);
    QTest::qWait(1000); // a second click, not the end of a double click
    itemCall(ItemInterface, QStringLiteral("/StatusNotifierItem"), QStringLiteral("Activate"), {40, 10});
    QTRY_VERIFY_WITH_TIMEOUT(visibleNamed(QStringLiteral("^Velmo Note$")), 5000);

    // The entries run what they say: capture, then quit.
    const auto click = [&](const QString &label) {
        return itemCall(MenuInterface, path, QStringLiteral("Event"),
                        {ids.value(label), QStringLiteral("clicked"), QVariant::fromValue(QDBusVariant(0)), 0u});
    };
    click(QStringLiteral("截图"));
    QTRY_COMPARE_WITH_TIMEOUT(windowsOfSize(m_output), 1, 15000);
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {"key", "Escape"}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(windowsOfSize(m_output), 0, 10000);
    click(QStringLiteral("退出"));
    QVERIFY(m_notebook.waitForFinished(15000));
    QCOMPARE(m_notebook.exitCode(), 0);
    QVERIFY(QFileInfo(m_home + QStringLiteral("/.local/share/velmonote/tab.dat")).isFile());
}

void TestWaylandShell::hotKeyNoticeOncePerNotebook()
{
    // The autostart's start: the notice was seen, so nothing shows.
    m_log.clear();
    const int registered = int(m_watcher.items().size());
    start(&m_notebook, m_home, {"-Hide"});
    QTRY_VERIFY_WITH_TIMEOUT(m_watcher.items().size() > registered, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(notebookLog().contains(QStringLiteral("Ctrl+Alt+C is not available")), 45000);
    QTest::qWait(500);
    QVERIFY2(!notebookLog().contains(QStringLiteral("notice:")), qPrintable(notebookLog()));
    QVERIFY(!visibleNamed(QStringLiteral("截图热键不可用")));
    stop(&m_notebook);
}

void TestWaylandShell::coldCaptureHasNoWindowOfTheProgram()
{
    QVERIFY(m_notebook.state() == QProcess::NotRunning);
    // No tray this time: this process, blocked reading the clipboard below,
    // could not answer the program's questions to the tray's watcher.
    QVERIFY(QDBusConnection::sessionBus().unregisterService(QStringLiteral("org.kde.StatusNotifierWatcher")));
    const QString reference = m_work.filePath(QStringLiteral("desktop.png"));
    QCOMPARE(QProcess::execute(QStringLiteral("grim"), {reference}), 0);
    const QImage desktop = QImage(reference).convertToFormat(QImage::Format_RGB32);
    QCOMPARE(desktop.size(), m_output);

    // The key with no notebook running: the picture comes before any window.
    m_log.clear();
    start(&m_notebook, m_work.filePath(QStringLiteral("elsewhere")), {"-Capture"});
    QTRY_COMPARE_WITH_TIMEOUT(windowsOfSize(m_output), 1, 20000);
    QTest::qWait(300);
    const QPoint last(m_output.width() - 1, m_output.height() - 1);
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"),
                              {"mousemove", "0", "0", "mousedown", "1", "mousemove", QString::number(last.x()),
                               QString::number(last.y()), "mouseup", "1"})
            == 0);
    QTest::qWait(200);
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {"key", "space"}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(windowsOfSize(m_output), 0, 10000);
    const QImage copied = QImage::fromData(output(QStringLiteral("xclip"),
                                                  {"-selection", "clipboard", "-t", "image/png", "-o"}),
                                           "png")
                              .convertToFormat(QImage::Format_RGB32);
    QVERIFY(copied.width() >= m_output.width() - 1 && copied.height() >= m_output.height() - 1);
    QCOMPARE(copied, desktop.copy(QRect(QPoint(0, 0), copied.size())));
    // Then the notebook runs hidden, and the key's start taught what the notice would.
    QCOMPARE(m_notebook.state(), QProcess::Running);
    QVERIFY(!visibleNamed(QStringLiteral("^Velmo Note$")));
    QVERIFY(!notebookLog().contains(QStringLiteral("notice:")));
}

QTEST_GUILESS_MAIN(TestWaylandShell)
#include "tst_waylandshell.moc"
