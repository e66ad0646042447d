#include <QFileInfo>
#include <QImage>
#include <QProcess>
#include <QRegion>
#include <QTemporaryDir>
#include <QtTest>

namespace {

/// One screen arrangement on an X server of its own.
struct Arrangement
{
    QString screen;         // Xvfb's -screen 0 argument
    QStringList monitors;   // xrandr --setmonitor arguments, space-separated
    QByteArray scaleFactor; // QT_SCALE_FACTOR for the program, empty for none

    /// What the monitors cover, in root-window pixels.
    QRegion covered() const
    {
        if (monitors.isEmpty())
            return QRect(0, 0, screen.section('x', 0, 0).toInt(), screen.section('x', 1, 1).toInt());
        QRegion region;
        for (const QString &monitor : monitors) {
            // NAME W/mmW x H/mmH + X + Y OUTPUT
            const QString geometry = monitor.section(' ', 1, 1);
            const QStringList size = geometry.section('+', 0, 0).split('x');
            region += QRect(geometry.section('+', 1, 1).toInt(), geometry.section('+', 2, 2).toInt(),
                            size.at(0).section('/', 0, 0).toInt(), size.at(1).section('/', 0, 0).toInt());
        }
        return region;
    }
};

int pixelCount(const QRegion &region)
{
    int n = 0;
    for (const QRect &r : region)
        n += r.width() * r.height();
    return n;
}

} // namespace

Q_DECLARE_METATYPE(Arrangement)

/// The capture's outputs on unusual screens, checked from outside against
/// the X server's own pixels: the program runs on a private Xvfb with a given
/// arrangement, a real pointer draws the selection, and the clipboard (read
/// by xclip) and the saved file (named in the save dialog by typing) must be
/// exactly the root window's pixels (read by import) of the selected area.
/// Areas no monitor covers must come out black; they are not compared.
class TestCaptureExact : public QObject
{
    Q_OBJECT
private slots:
    void outputsHoldTheScreensPixels_data();
    void outputsHoldTheScreensPixels();

private:
    bool run(const QString &program, const QStringList &args, QByteArray *out = nullptr);
    bool key(const QString &keys) { return run(QStringLiteral("xdotool"), {QStringLiteral("key"), keys}); }
    bool start(const Arrangement &arrangement);
    void stop();
    bool drag(QPoint from, QPoint to);
    void compare(const QImage &output, const QRect &area);

    QProcess m_server;
    QProcess m_program;
    QProcessEnvironment m_env;
    QImage m_root;
    QRegion m_covered;
};

bool TestCaptureExact::run(const QString &program, const QStringList &args, QByteArray *out)
{
    QProcess process;
    process.setProcessEnvironment(m_env);
    process.start(program, args);
    if (!process.waitForFinished(20000))
        return false;
    if (out)
        *out = process.readAllStandardOutput();
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool TestCaptureExact::start(const Arrangement &arrangement)
{
    QString display;
    for (int n = 150; n < 250 && display.isEmpty(); ++n) {
        if (!QFileInfo::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
            && !QFileInfo::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
            display = QStringLiteral(":%1").arg(n);
    }
    m_server.start(QStringLiteral("Xvfb"), {display, QStringLiteral("-screen"), QStringLiteral("0"),
                                            arrangement.screen, QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                                            // Keeps the monitors when a client leaves it alone.
                                            QStringLiteral("-noreset")});
    if (!m_server.waitForStarted())
        return false;
    m_env = QProcessEnvironment::systemEnvironment();
    m_env.insert(QStringLiteral("DISPLAY"), display);
    m_env.remove(QStringLiteral("QT_SCALE_FACTOR"));
    m_env.remove(QStringLiteral("QT_QPA_PLATFORM"));
    bool up = false;
    for (int i = 0; i < 100 && !up; ++i) {
        up = run(QStringLiteral("xdpyinfo"), {});
        if (!up)
            QTest::qWait(100);
    }
    if (!up)
        return false;
    for (const QString &monitor : arrangement.monitors) {
        if (!run(QStringLiteral("xrandr"), QStringList{QStringLiteral("--setmonitor")} + monitor.split(' ')))
            return false;
    }
    QProcessEnvironment programEnv = m_env;
    if (!arrangement.scaleFactor.isEmpty())
        programEnv.insert(QStringLiteral("QT_SCALE_FACTOR"), QString::fromLatin1(arrangement.scaleFactor));
    m_program.setProcessEnvironment(programEnv);
    m_program.setProcessChannelMode(QProcess::ForwardedChannels);
    m_program.start(QStringLiteral(EXACTHOST_PATH), {});
    if (!m_program.waitForStarted())
        return false;
    QTest::qWait(1500);
    return m_program.state() == QProcess::Running;
}

void TestCaptureExact::stop()
{
    for (QProcess *p : {&m_program, &m_server}) {
        if (p->state() == QProcess::NotRunning)
            continue;
        p->terminate();
        if (!p->waitForFinished(3000)) {
            p->kill();
            p->waitForFinished(3000);
        }
    }
}

bool TestCaptureExact::drag(QPoint from, QPoint to)
{
    auto n = [](int v) { return QString::number(v); };
    const QList<QStringList> steps = {
        {"mousemove", n(from.x() + 1), n(from.y())}, {"mousemove", n(from.x()), n(from.y())}, {"mousedown", "1"},
        {"mousemove", n(from.x() + 3), n(from.y() + 3)}, {"mousemove", n(to.x()), n(to.y())}, {"mouseup", "1"}};
    for (const QStringList &step : steps) {
        if (!run(QStringLiteral("xdotool"), step))
            return false;
        QTest::qWait(80);
    }
    return true;
}

void TestCaptureExact::compare(const QImage &output, const QRect &area)
{
    QCOMPARE(output.size(), area.size());
    int wrong = 0;
    int black = 0;
    for (int y = 0; y < area.height(); ++y) {
        for (int x = 0; x < area.width(); ++x) {
            const QPoint at = area.topLeft() + QPoint(x, y);
            const QRgb got = output.pixel(x, y) | 0xff000000;
            if (m_covered.contains(at))
                wrong += got != (m_root.pixel(at) | 0xff000000);
            else
                black += got == 0xff000000;
        }
    }
    QCOMPARE(wrong, 0);
    QCOMPARE(black, area.width() * area.height() - pixelCount(m_covered & area));
}

void TestCaptureExact::outputsHoldTheScreensPixels_data()
{
    QTest::addColumn<Arrangement>("arrangement");
    QTest::addColumn<QPoint>("from");
    QTest::addColumn<QPoint>("to");
    // A 1280x1024 monitor 56 rows down on the left, the primary 1920x1080
    // on its right: the strip above the left monitor belongs to none.
    const Arrangement twoMonitors{QStringLiteral("3200x1080x24"),
                                  {QStringLiteral("Left 1280/340x1024/270+0+56 none"),
                                   QStringLiteral("*Right 1920/510x1080/290+1280+0 screen")},
                                  QByteArray()};
    const Arrangement scaled{QStringLiteral("1920x1080x24"), {}, QByteArrayLiteral("2")};
    // Qt moves the pointer in logical pixels: two device pixels at scale 2.
    QTest::newRow("scale 2") << scaled << QPoint(300, 200) << QPoint(1000, 650);
    QTest::newRow("two monitors, across the border") << twoMonitors << QPoint(1100, 300) << QPoint(1500, 700);
    QTest::newRow("two monitors, wholly on the second") << twoMonitors << QPoint(100, 200) << QPoint(700, 600);
    QTest::newRow("two monitors, into the uncovered strip") << twoMonitors << QPoint(1150, 10) << QPoint(1400, 120);
}

void TestCaptureExact::outputsHoldTheScreensPixels()
{
    QFETCH(Arrangement, arrangement);
    QFETCH(QPoint, from);
    QFETCH(QPoint, to);
    auto cleanup = qScopeGuard([this] { stop(); });
    QVERIFY(start(arrangement));
    m_covered = arrangement.covered();
    QByteArray png;
    QVERIFY(run(QStringLiteral("import"), {QStringLiteral("-window"), QStringLiteral("root"), QStringLiteral("png:-")},
                &png));
    m_root = QImage::fromData(png, "png").convertToFormat(QImage::Format_RGB32);
    QVERIFY(!m_root.isNull());

    // Clipboard: Space; columns x1..x2 and rows y1..y2, both included.
    QVERIFY(key(QStringLiteral("ctrl+alt+c")));
    QTest::qWait(800);
    QVERIFY(drag(from, to));
    QVERIFY(key(QStringLiteral("space")));
    QTest::qWait(300);
    QVERIFY(run(QStringLiteral("xclip"), {"-selection", "clipboard", "-t", "image/png", "-o"}, &png));
    compare(QImage::fromData(png, "png").convertToFormat(QImage::Format_RGB32), QRect(from, to));
    if (QTest::currentTestFailed())
        return;

    // File: keypad Enter, the name typed into the save dialog; one column and
    // row less, the size the label shows.
    QTemporaryDir dir;
    const QString target = dir.filePath(QStringLiteral("shot.png"));
    QVERIFY(key(QStringLiteral("ctrl+alt+c")));
    QTest::qWait(800);
    QVERIFY(drag(from, to));
    QVERIFY(key(QStringLiteral("KP_Enter")));
    QTest::qWait(1500);
    QVERIFY(key(QStringLiteral("ctrl+a")));
    QVERIFY(run(QStringLiteral("xdotool"), {"type", "--delay", "5", target}));
    QVERIFY(key(QStringLiteral("Return")));
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(target), 10000);
    compare(QImage(target).convertToFormat(QImage::Format_RGB32), QRect(from, to - QPoint(1, 1)));
}

QTEST_GUILESS_MAIN(TestCaptureExact)
#include "tst_captureexact.moc"
