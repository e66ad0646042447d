// Start-up behaviour checked on real processes of the velmonote executable:
// the "-Hide" switch, the tray icon docking in the real tray host, and one
// notebook per working directory.

#include "keygrabberclient.h"

#include <QtTest>

namespace {
const QString program = QStringLiteral(VELMO_BINARY_DIR "/app/velmonote");

/// The standard output of an X tool. "xdotool search" and "xwininfo -tree"
/// walk the window tree one request at a time and stop at an X error when a
/// window they listed is destroyed before they reach it, as happens whenever
/// a program starts or ends meanwhile (a second start leaving, Qt's helper
/// windows). Such a run tells nothing about the windows, so it is repeated;
/// a query about one window that is really gone fails every time and then
/// counts as no answer.
QString run(const QString &tool, const QStringList &args, const QProcessEnvironment &env = {})
{
    for (int attempt = 0; attempt < 10; ++attempt) {
        QProcess process;
        if (!env.isEmpty())
            process.setProcessEnvironment(env);
        process.start(tool, args);
        process.waitForFinished(10000);
        if (!process.readAllStandardError().contains("X Error"))
            return QString::fromLocal8Bit(process.readAllStandardOutput());
    }
    return QString();
}

/// Top-level windows named like the main window and at least as wide as it
/// can be (the tray icon's window and Qt's helper windows carry the same name).
QStringList mainWindows(bool onlyVisible, const QProcessEnvironment &env = {})
{
    QStringList found;
    QStringList args{QStringLiteral("search"), QStringLiteral("--name"), QStringLiteral("^Velmo Note$")};
    if (onlyVisible)
        args.insert(1, QStringLiteral("--onlyvisible"));
    const QStringList ids = run(QStringLiteral("xdotool"), args, env).split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &id : ids) {
        const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id}, env);
        const QRegularExpression width(QStringLiteral("Width: (\\d+)"));
        const auto match = width.match(info);
        if (match.hasMatch() && match.captured(1).toInt() >= 400)
            found << id;
    }
    return found;
}

QStringList visibleMainWindows()
{
    return mainWindows(true);
}

/// Whether a window of class velmonote sits inside the tray host's panel.
bool dockedInTray()
{
    const QStringList panels = run(QStringLiteral("xdotool"),
                                   {QStringLiteral("search"), QStringLiteral("--class"), QStringLiteral("trayer")})
                                   .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &panel : panels) {
        if (run(QStringLiteral("xwininfo"), {QStringLiteral("-tree"), QStringLiteral("-id"), panel})
                .contains(QLatin1String("(\"velmonote\"")))
            return true;
    }
    return false;
}
}

class TestStartProcess : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void hideStartsInTrayOnly();
    void otherSpellingsStartVisible_data();
    void otherSpellingsStartVisible();
    void secondStartShowsRunningNotebook();
    void secondHiddenStartLeavesItHidden();
    void withoutItsNotebookModuleTheProgramSaysSo();
    void differentFoldersRunSeparateNotebooks();
    void withoutTrayHidingMinimises();
    void hotKeyCapturesWhileHidden();
    void captureArgumentWithoutTheHotKey();
    void captureArgumentStartsANotebook();

private:
    QProcess *start(const QStringList &args, const QString &dir = QString(),
                    const QProcessEnvironment &env = QProcessEnvironment::systemEnvironment());
    QTemporaryDir *work = nullptr;
    QList<QProcess *> processes;
};

void TestStartProcess::init()
{
    work = new QTemporaryDir;
    QFile index(work->path() + QLatin1String("/index.dat"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("<p>home</p>");
}

void TestStartProcess::cleanup()
{
    for (QProcess *process : processes) {
        process->kill();
        process->waitForFinished(5000);
        delete process;
    }
    processes.clear();
    delete work;
    QTRY_VERIFY(visibleMainWindows().isEmpty());
}

QProcess *TestStartProcess::start(const QStringList &args, const QString &dir, const QProcessEnvironment &env)
{
    auto *process = new QProcess;
    QProcessEnvironment environment = env;
    environment.insert(QStringLiteral("XDG_CONFIG_HOME"), work->path() + QLatin1String("/config"));
    environment.insert(QStringLiteral("XDG_DATA_HOME"), work->path() + QLatin1String("/data"));
    process->setProcessEnvironment(environment);
    process->setWorkingDirectory(dir.isEmpty() ? work->path() : dir);
    process->setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process->start(program, args);
    processes << process;
    // The state turns to Running only once the start is confirmed, which a
    // test whose every check passes at the first try would never wait for.
    process->waitForStarted();
    return process;
}

void TestStartProcess::hideStartsInTrayOnly()
{
    QProcess *notebook = start({QStringLiteral("-Hide")});
    QVERIFY(notebook->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(dockedInTray(), 10000);
    QTest::qWait(500);
    QVERIFY(visibleMainWindows().isEmpty());
    QCOMPARE(notebook->state(), QProcess::Running);
}

void TestStartProcess::otherSpellingsStartVisible_data()
{
    QTest::addColumn<QStringList>("args");
    QTest::newRow("no argument") << QStringList();
    QTest::newRow("lower case") << QStringList{QStringLiteral("-hide")};
    QTest::newRow("upper case") << QStringList{QStringLiteral("-HIDE")};
    QTest::newRow("as second argument") << QStringList{QStringLiteral("x"), QStringLiteral("-Hide")};
}

void TestStartProcess::otherSpellingsStartVisible()
{
    QFETCH(QStringList, args);
    QProcess *notebook = start(args);
    QVERIFY(notebook->waitForStarted());
    QTRY_COMPARE_WITH_TIMEOUT(visibleMainWindows().size(), 1, 10000);
}

void TestStartProcess::secondStartShowsRunningNotebook()
{
    QProcess *first = start({QStringLiteral("-Hide")});
    QVERIFY(first->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(dockedInTray(), 10000);
    QVERIFY(visibleMainWindows().isEmpty());

    // The hand-over loads no display library: the loader's own record of
    // what it mapped (a desktop key runs this start at every press).
    const QString loaderLog = work->path() + QLatin1String("/loader");
    QProcessEnvironment traced = QProcessEnvironment::systemEnvironment();
    traced.insert(QStringLiteral("LD_DEBUG"), QStringLiteral("files"));
    traced.insert(QStringLiteral("LD_DEBUG_OUTPUT"), loaderLog);
    QProcess *second = start({}, QString(), traced);
    const qint64 secondPid = second->processId();
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitStatus(), QProcess::NormalExit);
    QCOMPARE(second->exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(visibleMainWindows().size(), 1, 10000);
    QCOMPARE(first->state(), QProcess::Running);
    QFile loaded(loaderLog + QLatin1Char('.') + QString::number(secondPid));
    QVERIFY2(loaded.open(QIODevice::ReadOnly), qPrintable(loaded.fileName()));
    const QByteArray mapped = loaded.readAll();
    QVERIFY(mapped.contains("libQt6Core.so"));
    for (const char *library : {"libQt6Gui.so", "libQt6Widgets.so", "libQt6DBus.so", "libvelmonote_app.so"})
        QVERIFY2(!mapped.contains(library), library);

    // A later hidden start leaves the shown window as it is.
    QProcess *third = start({QStringLiteral("-Hide")});
    QVERIFY(third->waitForFinished(10000));
    QCOMPARE(third->exitCode(), 0);
    QTest::qWait(300);
    QCOMPARE(visibleMainWindows().size(), 1);
}

void TestStartProcess::withoutItsNotebookModuleTheProgramSaysSo()
{
    // The program copied alone, as a broken install would leave it.
    const QString lone = work->path() + QLatin1String("/bin/velmonote");
    QVERIFY(QDir().mkpath(work->path() + QLatin1String("/bin")));
    QVERIFY(QFile::copy(program, lone));
    QProcess process;
    process.setWorkingDirectory(work->path());
    process.start(lone, {QStringLiteral("-Hide")});
    QVERIFY(process.waitForFinished(10000));
    QCOMPARE(process.exitCode(), 1);
    const QString said = QString::fromLocal8Bit(process.readAllStandardError());
    QVERIFY2(said.contains(QLatin1String("cannot load the notebook")) && said.contains(QLatin1String("/velmonote/libvelmonote_app.so")),
             qPrintable(said));
}

void TestStartProcess::secondHiddenStartLeavesItHidden()
{
    start({QStringLiteral("-Hide")});
    QTRY_VERIFY_WITH_TIMEOUT(dockedInTray(), 10000);
    QProcess *second = start({QStringLiteral("-Hide")});
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    QTest::qWait(500);
    QVERIFY(visibleMainWindows().isEmpty());
}

void TestStartProcess::differentFoldersRunSeparateNotebooks()
{
    QTemporaryDir other;
    QProcess *first = start({});
    QTRY_COMPARE_WITH_TIMEOUT(visibleMainWindows().size(), 1, 10000);
    QProcess *second = start({}, other.path());
    QTRY_COMPARE_WITH_TIMEOUT(visibleMainWindows().size(), 2, 10000);
    QCOMPARE(first->state(), QProcess::Running);
    QCOMPARE(second->state(), QProcess::Running);
}

void TestStartProcess::withoutTrayHidingMinimises()
{
    // A display of our own with a window manager but no tray host; Xvfb
    // picks a free display number and writes it to its standard output.
    QProcess xvfb;
    xvfb.start(QStringLiteral("Xvfb"), {QStringLiteral("-displayfd"), QStringLiteral("1"), QStringLiteral("-screen"),
                                        QStringLiteral("0"), QStringLiteral("1280x800x24"), QStringLiteral("-nolisten"),
                                        QStringLiteral("tcp")});
    QVERIFY(xvfb.waitForStarted());
    QByteArray number;
    QTRY_VERIFY_WITH_TIMEOUT((number += xvfb.readAllStandardOutput()).contains('\n'), 20000);
    const QString name = QLatin1Char(':') + QString::fromLatin1(number.trimmed());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("DISPLAY"), name);
    QProcess openbox;
    openbox.setProcessEnvironment(env);
    openbox.start(QStringLiteral("openbox"), {});
    QVERIFY(openbox.waitForStarted());
    QTest::qWait(500);

    start({QStringLiteral("-Hide")}, QString(), env);
    // The window exists, minimised (iconic), so the task list can bring it back.
    QTRY_COMPARE_WITH_TIMEOUT(mainWindows(false, env).size(), 1, 10000);
    const QString id = mainWindows(false, env).first();
    QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("WM_STATE")}, env)
                                 .contains(QLatin1String("Iconic")), 10000);
    // A second start shows it again.
    QProcess *second = start({}, QString(), env);
    QVERIFY(second->waitForFinished(10000));
    QCOMPARE(second->exitCode(), 0);
    QTRY_VERIFY_WITH_TIMEOUT(run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("WM_STATE")}, env)
                                 .contains(QLatin1String("Normal")), 10000);

    for (QProcess *process : processes)
        process->kill();
    openbox.terminate();
    openbox.waitForFinished(3000);
    xvfb.terminate();
    xvfb.waitForFinished(3000);
}

/// Visible windows of class velmonote that cover the whole 1920x1080 screen.
static int fullScreenWindows()
{
    int count = 0;
    const QStringList ids = run(QStringLiteral("xdotool"),
                                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--classname"), QStringLiteral("velmonote")})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &id : ids) {
        const QString info = run(QStringLiteral("xwininfo"), {QStringLiteral("-id"), id});
        if (info.contains(QLatin1String("Width: 1920")) && info.contains(QLatin1String("Height: 1080")))
            ++count;
    }
    return count;
}

void TestStartProcess::hotKeyCapturesWhileHidden()
{
    QProcess *notebook = start({QStringLiteral("-Hide")});
    QVERIFY(notebook->waitForStarted());
    QTRY_VERIFY_WITH_TIMEOUT(dockedInTray(), 10000);
    QCOMPARE(fullScreenWindows(), 0);
    // A real key press through the X server, as from the keyboard.
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("ctrl+alt+c")}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(fullScreenWindows(), 1, 10000);
    QVERIFY(visibleMainWindows().isEmpty());
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(fullScreenWindows(), 0, 10000);
    QCOMPARE(notebook->state(), QProcess::Running);
}

/// A pop-up notice of velmonote on screen (the tray's balloon).
static bool noticeShown()
{
    const QStringList ids = run(QStringLiteral("xdotool"),
                                {QStringLiteral("search"), QStringLiteral("--onlyvisible"),
                                 QStringLiteral("--classname"), QStringLiteral("velmonote")})
                                .split(QLatin1Char('\n'), Qt::SkipEmptyParts);
    for (const QString &id : ids) {
        if (run(QStringLiteral("xprop"), {QStringLiteral("-id"), id, QStringLiteral("_NET_WM_WINDOW_TYPE")})
                .contains(QLatin1String("_NET_WM_WINDOW_TYPE_TOOLTIP")))
            return true;
    }
    return false;
}

void TestStartProcess::captureArgumentWithoutTheHotKey()
{
    // Another program holds Ctrl+Alt+C: the user is told, and "-Capture"
    // (what a desktop's own key binding runs) still captures.
    KeyGrabberClient other;
    QVERIFY(other.hold({QStringLiteral("plain"), QStringLiteral("caps"), QStringLiteral("num"), QStringLiteral("both")}));
    QProcess *notebook = start({QStringLiteral("-Hide")});
    QTRY_VERIFY_WITH_TIMEOUT(dockedInTray(), 10000);
    QTRY_VERIFY_WITH_TIMEOUT(noticeShown(), 10000);

    QProcess *capture = start({QStringLiteral("-Capture")});
    QVERIFY(capture->waitForFinished(10000));
    QCOMPARE(capture->exitCode(), 0);
    QTRY_COMPARE_WITH_TIMEOUT(fullScreenWindows(), 1, 10000);
    QVERIFY(visibleMainWindows().isEmpty());
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(fullScreenWindows(), 0, 10000);
    QCOMPARE(notebook->state(), QProcess::Running);
    other.release();
}

void TestStartProcess::captureArgumentStartsANotebook()
{
    // Nothing runs in this folder: the capture comes first, before any
    // window of the program, then the notebook starts in the tray.
    QProcess *notebook = start({QStringLiteral("-Capture")});
    QTRY_COMPARE_WITH_TIMEOUT(fullScreenWindows(), 1, 10000);
    QVERIFY(visibleMainWindows().isEmpty());
    QVERIFY(!dockedInTray());
    QVERIFY(QProcess::execute(QStringLiteral("xdotool"), {QStringLiteral("key"), QStringLiteral("Escape")}) == 0);
    QTRY_COMPARE_WITH_TIMEOUT(fullScreenWindows(), 0, 10000);
    QTRY_VERIFY_WITH_TIMEOUT(dockedInTray(), 10000);
    QVERIFY(visibleMainWindows().isEmpty());
    QCOMPARE(notebook->state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestStartProcess)
#include "tst_startprocess.moc"
