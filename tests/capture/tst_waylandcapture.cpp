// Capture on a Wayland desktop, driven like a user inside the headless sway
// session (scripts/wayland-session.sh): the desktop's own key binding runs
// "velmonote -Capture", the overlay shows the real desktop as the screenshot
// portal gives it, and a selection copied to the clipboard holds exactly the
// pixels a native Wayland window shows there. The notebook runs as the user
// sway runs as, as it would on a real desktop.

#include <QImage>
#include <QRegularExpression>
#include <QtTest>

#include <sys/types.h>
#include <unistd.h>

namespace {
const QString program = QStringLiteral(VELMO_BINARY_DIR "/app/velmonote");
const QString programModule = QStringLiteral(VELMO_BINARY_DIR "/app/libvelmonote_app.so");
const QString patternClient = QStringLiteral(VELMO_BINARY_DIR "/tests/capture/wlpattern");
const QString clipboardHost = QStringLiteral(VELMO_BINARY_DIR "/tests/capture/clipboardhost");
constexpr uid_t SessionUser = 65534; // sway refuses root; it runs as nobody

QByteArray run(const QString &tool, const QStringList &args)
{
    QProcess process;
    process.start(tool, args);
    process.waitForFinished(15000);
    return process.readAllStandardOutput();
}

/// The rectangle sway gives the first window whose app_id or name matches.
QRect windowRect(const QJsonObject &node, const QRegularExpression &name)
{
    if (name.match(node[QStringLiteral("app_id")].toString()).hasMatch()
        || name.match(node[QStringLiteral("name")].toString()).hasMatch()) {
        const QJsonObject r = node[QStringLiteral("rect")].toObject();
        return QRect(r[QStringLiteral("x")].toInt(), r[QStringLiteral("y")].toInt(), r[QStringLiteral("width")].toInt(),
                     r[QStringLiteral("height")].toInt());
    }
    for (const QString &key : {QStringLiteral("nodes"), QStringLiteral("floating_nodes")}) {
        for (const QJsonValue child : node[key].toArray()) {
            const QRect found = windowRect(child.toObject(), name);
            if (found.isValid())
                return found;
        }
    }
    return QRect();
}

QRect windowRect(const QRegularExpression &name)
{
    const QJsonObject tree = QJsonDocument::fromJson(run(QStringLiteral("swaymsg"), {"-t", "get_tree"})).object();
    return windowRect(tree, name);
}

QRect windowRect(const QString &name)
{
    return windowRect(QRegularExpression(QRegularExpression::anchoredPattern(QRegularExpression::escape(name))));
}

/// Visible velmonote windows as large as the whole output (the overlay).
int overlays(const QSize &output)
{
    int count = 0;
    const QList<QByteArray> ids =
        run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--classname", "velmonote"}).split('\n');
    for (const QByteArray &id : ids) {
        if (id.isEmpty())
            continue;
        const QString info = QString::fromLocal8Bit(run(QStringLiteral("xwininfo"), {"-id", QString::fromLatin1(id)}));
        if (info.contains(QStringLiteral("Width: %1").arg(output.width()))
            && info.contains(QStringLiteral("Height: %1").arg(output.height())))
            ++count;
    }
    return count;
}

QImage shot(const QRect &area, const QString &file)
{
    if (QProcess::execute(QStringLiteral("grim"), {"-g",
                                                   QStringLiteral("%1,%2 %3x%4")
                                                       .arg(area.x())
                                                       .arg(area.y())
                                                       .arg(area.width())
                                                       .arg(area.height()),
                                                   file})
        != 0)
        return QImage();
    return QImage(file).convertToFormat(QImage::Format_RGB32);
}

/// Whether the screen shows the picture behind a veil: most pixels changed,
/// and the spread between dark and light narrowed.
bool veiledOver(const QImage &screen, const QImage &picture)
{
    if (screen.size() != picture.size())
        return false;
    int changed = 0;
    int shownMin = 255, shownMax = 0, realMin = 255, realMax = 0;
    for (int y = 0; y < screen.height(); ++y)
        for (int x = 0; x < screen.width(); ++x) {
            const int shown = qGray(screen.pixel(x, y));
            const int real = qGray(picture.pixel(x, y));
            changed += screen.pixel(x, y) != picture.pixel(x, y);
            shownMin = std::min(shownMin, shown);
            shownMax = std::max(shownMax, shown);
            realMin = std::min(realMin, real);
            realMax = std::max(realMax, real);
        }
    return changed > screen.width() * screen.height() / 2 && shownMax - shownMin < realMax - realMin;
}

/// The X clipboard as an X program reads it when the user pastes there: sway
/// lets X programs read it only while an X window has the focus.
QByteArray xClipboard(const QStringList &xclipArgs)
{
    QProcess window;
    window.start(QStringLiteral("xmessage"), {"-name", "velmoxfocus", "paste here"});
    if (!window.waitForStarted())
        return QByteArray();
    QByteArray contents;
    for (int attempt = 0; attempt < 50 && contents.isEmpty(); ++attempt) {
        QTest::qWait(100);
        if (QProcess::execute(QStringLiteral("swaymsg"), {"[instance=\"velmoxfocus\"] focus"}) == 0)
            contents = run(QStringLiteral("xclip"), QStringList{"-selection", "clipboard", "-o"} + xclipArgs);
    }
    window.kill();
    window.waitForFinished();
    return contents;
}

bool pressCaptureKey()
{
    return QProcess::execute(QStringLiteral("wtype"), {"-M", "ctrl", "-M", "alt", "c", "-m", "alt", "-m", "ctrl"}) == 0;
}

bool xdotool(const QStringList &args)
{
    return QProcess::execute(QStringLiteral("xdotool"), args) == 0;
}

// Drags the selection over area in the overlay, then copies it with Space.
bool selectAndCopy(const QRect &area)
{
    const QPoint from = area.topLeft();
    const QPoint to = area.bottomRight();
    if (!xdotool({"mousemove", QString::number(from.x()), QString::number(from.y()), "mousedown", "1", "mousemove",
                  QString::number(to.x()), QString::number(to.y()), "mouseup", "1"}))
        return false;
    QTest::qWait(200);
    return xdotool({"key", "space"});
}
}

class TestWaylandCapture : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void keyBindingCapturesANativeWindow();
    void nativeProgramPastesTheCapture();
    void copiedTextReachesBothKinds();
    void pinnedCaptureStaysWhereItWasTaken();
    void everyOutputIsCaptured_data();
    void everyOutputIsCaptured();
    void missingPortalIsToldAndSurvived();

private:
    QTemporaryDir m_work;
    /// The program as the session's user runs it, a copy in the notebook's folder.
    const QString m_program = m_work.filePath(QStringLiteral("velmonote"));
    QProcess m_pattern;
    /// A second native window, on the second output.
    QProcess m_secondPattern;
    int m_secondScale = 1;
    QProcess m_notebook;
    QSize m_output;
};

void TestWaylandCapture::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK") || qEnvironmentVariableIsEmpty("VELMO_WL_USER_RUNTIME"))
        QSKIP("runs inside scripts/wayland-session.sh");
    const QJsonArray outputs = QJsonDocument::fromJson(run(QStringLiteral("swaymsg"), {"-t", "get_outputs"})).array();
    QVERIFY(!outputs.isEmpty());
    const QJsonObject mode = outputs[0][QStringLiteral("current_mode")].toObject();
    m_output = QSize(mode[QStringLiteral("width")].toInt(), mode[QStringLiteral("height")].toInt());

    // The notebook's folder belongs to the session's user.
    const QString work = m_work.path();
    QVERIFY(QDir(work).mkpath(QStringLiteral("home")));
    QFile index(work + QStringLiteral("/index.dat"));
    QVERIFY(index.open(QIODevice::WriteOnly));
    index.write("<p>home</p>");
    index.close();
    for (const QString &path : {work, work + QStringLiteral("/home"), index.fileName()})
        QCOMPARE(::chown(QFile::encodeName(path).constData(), SessionUser, SessionUser), 0);
    // The build folder may be closed to the session's user (a checkout in a
    // private temporary folder): the program runs from the notebook's folder.
    // The notebook's module goes beside it, where the program looks first.
    for (const QString &file : {program, programModule}) {
        const QString copy = m_work.filePath(QFileInfo(file).fileName());
        QVERIFY(QFile::copy(file, copy));
        QVERIFY(QFile::setPermissions(copy, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner
                                                | QFile::ReadOther | QFile::ExeOther | QFile::ReadGroup
                                                | QFile::ExeGroup));
    }

    QProcessEnvironment patternEnv = QProcessEnvironment::systemEnvironment();
    patternEnv.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("wayland"));
    m_pattern.setProcessEnvironment(patternEnv);
    m_pattern.start(patternClient, {});
    QVERIFY(m_pattern.waitForReadyRead(15000));

    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), qEnvironmentVariable("VELMO_WL_USER_RUNTIME"));
    env.insert(QStringLiteral("HOME"), work + QStringLiteral("/home"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), work + QStringLiteral("/home/config"));
    m_notebook.setProcessEnvironment(env);
    m_notebook.setWorkingDirectory(work);
    m_notebook.setProcessChannelMode(QProcess::ForwardedChannels);
    m_notebook.start(QStringLiteral("setpriv"), {"--reuid=65534", "--regid=65534", "--clear-groups", m_program, "-Hide"});
    QVERIFY(m_notebook.waitForStarted());

    // The desktop's own binding, as a user sets it up on sway.
    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"),
                               {"bindsym", "ctrl+alt+c", "exec",
                                QStringLiteral("cd %1 && exec %2 -Capture").arg(work, m_program)}),
             0);
    QTRY_VERIFY_WITH_TIMEOUT(windowRect(QStringLiteral("wlpattern")).isValid(), 10000);
    // No tray and no minimised state on sway: "-Hide" leaves nothing on screen.
    QTest::qWait(1500);
    QTRY_VERIFY_WITH_TIMEOUT(!windowRect(QStringLiteral("Velmo Note")).isValid(), 5000);
}

void TestWaylandCapture::cleanupTestCase()
{
    for (QProcess *process : {&m_notebook, &m_pattern, &m_secondPattern}) {
        if (process->state() == QProcess::NotRunning)
            continue;
        process->terminate();
        if (!process->waitForFinished(5000))
            process->kill();
        process->waitForFinished(5000);
    }
}

void TestWaylandCapture::keyBindingCapturesANativeWindow()
{
    const QRect pattern = windowRect(QStringLiteral("wlpattern"));
    const QRect area(pattern.topLeft() + QPoint(37, 23), QSize(201, 151));
    QVERIFY(pattern.contains(area));
    const QImage expected = shot(area, m_work.filePath(QStringLiteral("reference.png")));
    QVERIFY(!expected.isNull());

    QVERIFY(pressCaptureKey());
    QTRY_COMPARE_WITH_TIMEOUT(overlays(m_output), 1, 15000);
    // The compositor really shows the overlay: the desktop behind its veil.
    QTRY_VERIFY_WITH_TIMEOUT(veiledOver(shot(area, m_work.filePath(QStringLiteral("overlay.png"))), expected), 10000);
    QVERIFY(selectAndCopy(area));
    QTRY_COMPARE_WITH_TIMEOUT(overlays(m_output), 0, 10000);

    const QImage copied = QImage::fromData(xClipboard({"-t", "image/png"}), "png").convertToFormat(QImage::Format_RGB32);
    QCOMPARE(copied.size(), area.size());
    QCOMPARE(copied, expected);

    // Esc leaves a second capture without output.
    QVERIFY(pressCaptureKey());
    QTRY_COMPARE_WITH_TIMEOUT(overlays(m_output), 1, 15000);
    QVERIFY(xdotool({"key", "Escape"}));
    QTRY_COMPARE_WITH_TIMEOUT(overlays(m_output), 0, 10000);
    QCOMPARE(m_notebook.state(), QProcess::Running);
}

void TestWaylandCapture::nativeProgramPastesTheCapture()
{
    // A native Wayland program has the focus, as when a user pastes into it
    // next: the compositor then does not hand the X clipboard over, so what
    // wl-paste reads is the program's own Wayland offer.
    const QRect pattern = windowRect(QStringLiteral("wlpattern"));
    for (int round = 0; round < 5; ++round) {
        QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {"[title=\"wlpattern\"] focus"}), 0);
        const QRect area(pattern.topLeft() + QPoint(11 + 53 * round, 7 + 31 * round), QSize(120 + 17 * round, 90));
        QVERIFY(pattern.contains(area));
        const QImage expected = shot(area, m_work.filePath(QStringLiteral("reference.png")));
        QVERIFY(!expected.isNull());

        QVERIFY(pressCaptureKey());
        QTRY_COMPARE_WITH_TIMEOUT(overlays(m_output), 1, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(veiledOver(shot(area, m_work.filePath(QStringLiteral("overlay.png"))), expected),
                                 10000);
        QVERIFY(selectAndCopy(area));
        QTRY_COMPARE_WITH_TIMEOUT(overlays(m_output), 0, 10000);
        // The native program has the focus again before it pastes.
        QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {"[title=\"wlpattern\"] focus"}), 0);

        const QImage pasted = QImage::fromData(run(QStringLiteral("wl-paste"), {"-t", "image/png"}), "png")
                                  .convertToFormat(QImage::Format_RGB32);
        QCOMPARE(pasted.size(), area.size());
        QCOMPARE(pasted, expected);
    }
}

void TestWaylandCapture::copiedTextReachesBothKinds()
{
    // Text copied in a program on XWayland while a native program has the
    // focus: native programs read it through the Wayland offer, X programs
    // through the compositor.
    const QString text = QStringLiteral("Notiz: Grüße, 便笺 %1").arg(QCoreApplication::applicationPid());
    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {"[title=\"wlpattern\"] focus"}), 0);
    QProcess host;
    host.start(clipboardHost, {text});
    QVERIFY(host.waitForReadyRead(15000));
    QCOMPARE(host.readAllStandardOutput(), QByteArray("copied\n"));
    QTRY_COMPARE_WITH_TIMEOUT(QString::fromUtf8(run(QStringLiteral("wl-paste"), {"-n", "-t", "text/plain;charset=utf-8"})),
                              text, 5000);
    QCOMPARE(QString::fromUtf8(xClipboard({})), text);
    host.terminate();
    QVERIFY(host.waitForFinished(5000));
}

void TestWaylandCapture::pinnedCaptureStaysWhereItWasTaken()
{
    const QRect pattern = windowRect(QStringLiteral("wlpattern"));
    const QRect area(pattern.topLeft() + QPoint(311, 207), QSize(200, 120));
    const QImage expected = shot(area, m_work.filePath(QStringLiteral("pin-reference.png")));
    QVERIFY(!expected.isNull());
    QVERIFY(pressCaptureKey());
    QTRY_COMPARE_WITH_TIMEOUT(overlays(pattern.size()), 1, 15000);
    // A drag takes the pixels from where it starts up to where it ends.
    const QPoint to = area.bottomRight() + QPoint(1, 1);
    QVERIFY(xdotool({"mousemove", QString::number(area.x()), QString::number(area.y()), "mousedown", "1", "mousemove",
                     QString::number(to.x()), QString::number(to.y()), "mouseup", "1"}));
    QTest::qWait(200);
    QVERIFY(xdotool({"key", "p"}));
    const QRegularExpression pinName(QStringLiteral("^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$"));
    // sway centres an X window that places itself: the pin's window is
    // placed over sway's socket, so that the picture sits where it was taken.
    QTRY_VERIFY_WITH_TIMEOUT(windowRect(pinName).contains(area), 10000);
    // A double click: the bare look, the window only the picture, still in
    // place; dragged by the picture, it follows the pointer (sway would
    // centre a window that moves itself).
    const QPoint grip = area.center();
    QVERIFY(xdotool({"mousemove", QString::number(grip.x()), QString::number(grip.y()), "click", "--repeat", "2",
                     "--delay", "80", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(windowRect(pinName), area, 5000);
    const QPoint by(120, 60);
    QVERIFY(xdotool({"mousedown", "1"}));
    for (int step = 1; step <= 6; ++step) {
        const QPoint at = grip + by * step / 6;
        QVERIFY(xdotool({"mousemove", QString::number(at.x()), QString::number(at.y())}));
    }
    QVERIFY(xdotool({"mouseup", "1"}));
    QTRY_COMPARE_WITH_TIMEOUT(windowRect(pinName), area.translated(by), 5000);
    // With the desktop behind it gone, only the pin shows those pixels.
    m_pattern.kill();
    m_pattern.waitForFinished(5000);
    QTRY_COMPARE_WITH_TIMEOUT(shot(area.translated(by), m_work.filePath(QStringLiteral("pinned.png"))), expected, 5000);

    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {QStringLiteral("[title=\"^\\d{4}-\\d\\d-\\d\\d \\d\\d:\\d\\d:\\d\\d$\"] kill")}), 0);
    QTRY_VERIFY_WITH_TIMEOUT(!windowRect(pinName).isValid(), 5000);
    m_pattern.start(m_pattern.program(), {});
    QVERIFY(m_pattern.waitForReadyRead(15000));
    QTRY_VERIFY_WITH_TIMEOUT(windowRect(QStringLiteral("wlpattern")).isValid(), 10000);
}

void TestWaylandCapture::everyOutputIsCaptured_data()
{
    // Selections in layout coordinates: the first output is 1920x1080 at
    // 0,0, the second 1280x1024 right of it, then the same at scale 2 (640x512
    // in the layout). With an output at scale 2 the whole desktop's
    // screenshot has twice the pixels, the other output's enlarged.
    QTest::addColumn<QRect>("area");
    QTest::addColumn<int>("scale");
    QTest::newRow("first output") << QRect(1500, 300, 240, 170) << 1;
    QTest::newRow("second output") << QRect(2100, 700, 300, 200) << 1;
    QTest::newRow("across the border") << QRect(1800, 500, 260, 150) << 1;
    QTest::newRow("scale 2, first output") << QRect(1500, 300, 240, 170) << 2;
    QTest::newRow("scale 2, second output") << QRect(2000, 100, 300, 200) << 2;
    QTest::newRow("scale 2, across the border") << QRect(1800, 200, 260, 150) << 2;
}

void TestWaylandCapture::everyOutputIsCaptured()
{
    QFETCH(QRect, area);
    QFETCH(int, scale);
    if (m_secondPattern.state() == QProcess::NotRunning) {
        QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {"create_output"}), 0);
        QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"),
                                   {"output", "HEADLESS-2", "mode", "1280x1024", "position", "1920", "0"}),
                 0);
        m_secondPattern.setProcessEnvironment(m_pattern.processEnvironment());
        m_secondPattern.start(patternClient, {QStringLiteral("wlpattern2")});
        QVERIFY(m_secondPattern.waitForReadyRead(15000));
        // Ready to draw is not yet mapped: sway finds the window only once it is.
        QTRY_VERIFY_WITH_TIMEOUT(windowRect(QStringLiteral("wlpattern2")).isValid(), 10000);
        QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"),
                                   {"[title=\"wlpattern2\"] move container to output HEADLESS-2"}),
                 0);
        QTRY_COMPARE_WITH_TIMEOUT(windowRect(QStringLiteral("wlpattern2")).x(), 1920, 10000);
        // The notebook sees the new screen before the next capture.
        QTest::qWait(1000);
    }
    if (scale != m_secondScale) {
        QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {"output", "HEADLESS-2", "scale", QString::number(scale)}),
                 0);
        m_secondScale = scale;
        QTest::qWait(1000);
    }
    const QSize desktop(1920 + 1280 / scale, 1080);
    // The pixels under the selection in the whole desktop's screenshot; the
    // selection's corners are whole logical pixels, so at scale 2 it holds
    // one device pixel less than twice its logical size.
    const QImage whole = shot(QRect(QPoint(0, 0), desktop), m_work.filePath(QStringLiteral("reference.png")));
    const QImage expected = whole.copy(QRect(area.topLeft() * scale, area.size() * scale - QSize(scale - 1, scale - 1)));
    QVERIFY(!expected.isNull());

    QVERIFY(pressCaptureKey());
    // One window over the whole desktop, veiling both outputs.
    QTRY_COMPARE_WITH_TIMEOUT(overlays(desktop), 1, 15000);
    QTRY_VERIFY_WITH_TIMEOUT(veiledOver(shot(QRect(QPoint(0, 0), desktop), m_work.filePath(QStringLiteral("overlay.png")))
                                            .copy(expected.rect().translated(area.topLeft() * scale)),
                                        expected),
                             10000);
    QVERIFY(selectAndCopy(area));
    QTRY_COMPARE_WITH_TIMEOUT(overlays(desktop), 0, 10000);

    const QImage pasted = QImage::fromData(run(QStringLiteral("wl-paste"), {"-t", "image/png"}), "png")
                              .convertToFormat(QImage::Format_RGB32);
    QCOMPARE(pasted.size(), expected.size());
    QCOMPARE(pasted, expected);
}

void TestWaylandCapture::missingPortalIsToldAndSurvived()
{
    // The screenshot backend cannot run without PipeWire: end both.
    QProcess::execute(QStringLiteral("pkill"), {"-x", "pipewire"});
    QProcess::execute(QStringLiteral("pkill"), {"-f", "xdg-desktop-portal-wlr"});
    QTest::qWait(500);
    QVERIFY(pressCaptureKey());
    // No tray on this desktop: the notice is a window of its own.
    QTRY_VERIFY_WITH_TIMEOUT(!run(QStringLiteral("xdotool"), {"search", "--onlyvisible", "--name", "截图失败"}).isEmpty(),
                             35000);
    QCOMPARE(overlays(m_output), 0);
    QCOMPARE(m_notebook.state(), QProcess::Running);
}

QTEST_GUILESS_MAIN(TestWaylandCapture)
#include "tst_waylandcapture.moc"
