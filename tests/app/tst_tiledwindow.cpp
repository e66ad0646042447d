// The main window on sway's tiling layout (scripts/wayland-session.sh), with
// no tray and a second window open: sway tiles it to half the output. Over
// its first seconds, with the pointer crossing in and out, screenshots of its
// tile show one window filling the tile and never a copy of an earlier frame.
// Made floating, it rolls up to its strip when the pointer leaves, as on X11.

#include <QImage>
#include <QtTest>

namespace {
QByteArray run(const QString &command)
{
    QProcess shell;
    shell.start(QStringLiteral("sh"), {"-c", command});
    return shell.waitForFinished(15000) ? shell.readAllStandardOutput() : QByteArray();
}

/// The main window's X geometry as xwininfo reports it, or an empty rectangle.
QRect mainWindow()
{
    const QString info = QString::fromUtf8(run(QStringLiteral(
        "w=$(xdotool search --onlyvisible --name '^Velmo Note$' | head -1); [ -n \"$w\" ] && xwininfo -id $w")));
    const auto field = [&](const char *name) {
        return info.section(QLatin1String(name), 1).section(QLatin1Char('\n'), 0, 0).trimmed().toInt();
    };
    return QRect(field("Absolute upper-left X:"), field("Absolute upper-left Y:"), field("Width:"), field("Height:"));
}

bool pointer(const QPoint &at)
{
    return QProcess::execute(QStringLiteral("xdotool"), {"mousemove", QString::number(at.x()), QString::number(at.y())})
        == 0;
}

/// Pixels of the note page's area that differ from its own colour: the page
/// of a clean frame is one colour there, earlier frames show as their edges.
int strayPixels(const QImage &tile, const QRect &page)
{
    const QRgb paper = tile.pixel(page.center());
    int stray = 0;
    for (int y = page.top(); y <= page.bottom(); ++y)
        for (int x = page.left(); x <= page.right(); ++x) {
            const QRgb seen = tile.pixel(x, y);
            stray += qAbs(qRed(seen) - qRed(paper)) + qAbs(qGreen(seen) - qGreen(paper))
                    + qAbs(qBlue(seen) - qBlue(paper))
                > 24;
        }
    return stray;
}
}

class TestTiledWindow : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void tiledWindowShowsNoEarlierFrame();
    void floatingWindowStillRollsUp();

private:
    QTemporaryDir m_work;
    QProcess m_other;
    QProcess m_notebook;
};

void TestTiledWindow::initTestCase()
{
    if (qEnvironmentVariableIsEmpty("SWAYSOCK") || qEnvironmentVariableIsEmpty("VELMO_WL_USER_RUNTIME"))
        QSKIP("runs inside scripts/wayland-session.sh");
    // The other window first: the main window opens straight into the right half.
    m_other.start(QStringLiteral("sh"), {"-c", QStringLiteral("QT_QPA_PLATFORM=wayland exec " VELMO_BINARY_DIR
                                                              "/tests/capture/wlpattern")});
    QVERIFY(m_other.waitForReadyRead(15000));
    QVERIFY(run(QStringLiteral("swaymsg -t get_outputs")).contains("\"width\": 1920"));
}

void TestTiledWindow::cleanupTestCase()
{
    for (QProcess *process : {&m_notebook, &m_other}) {
        process->terminate();
        process->waitForFinished(10000);
    }
}

void TestTiledWindow::tiledWindowShowsNoEarlierFrame()
{
    // A first start, without a tray, as sway's user, in a notebook of one note.
    const QString w = m_work.path();
    m_notebook.setProcessChannelMode(QProcess::ForwardedChannels);
    m_notebook.start(QStringLiteral("sh"),
                     {"-c", QStringLiteral("cd %1 && mkdir home && echo '<p>home</p>' >index.dat && cp %2/app/velmonote %2/app/libvelmonote_app.so . "
                                           "&& chmod 755 . && chown -R 65534:65534 . && exec setpriv --reuid=65534 "
                                           "--regid=65534 --clear-groups env XDG_RUNTIME_DIR=%3 HOME=%1/home ./velmonote")
                                .arg(w, QStringLiteral(VELMO_BINARY_DIR), qEnvironmentVariable("VELMO_WL_USER_RUNTIME"))});
    QVERIFY(m_notebook.waitForStarted());

    const QRect tile(960, 0, 960, 1080);
    // Inside the largest size the window would ask for itself, clear of the
    // notice sway floats over the output's centre and of the note's text.
    const QRect page(300, 110, 440, 340);
    int shots = 0;
    int painted = 0;
    QElapsedTimer clock;
    clock.start();
    while (clock.elapsed() < 4000) {
        // The pointer crosses the window's edge, which rolls a floating window;
        // the hot-key notice, modal, is closed as soon as it shows.
        QVERIFY(pointer(shots % 2 ? QPoint(1500, 300) : QPoint(400, 300)));
        run(QStringLiteral("swaymsg '[title=\"截图热键不可用\"] kill'"));
        const bool mapped = mainWindow() == tile;
        const QString file = QStringLiteral("%1/tile%2.png").arg(w).arg(shots++);
        QCOMPARE(QProcess::execute(QStringLiteral("grim"), {"-g", QStringLiteral("960,0 960x1080"), file}), 0);
        const QImage shot = QImage(file).convertToFormat(QImage::Format_RGB32);
        QCOMPARE(shot.size(), tile.size());
        // Once drawn, the window fills its tile: its frame runs down the tile's right edge.
        const bool drawn = mapped && qGray(shot.pixel(tile.width() - 8, tile.height() - 380)) > 200;
        QVERIFY2(drawn || !painted, qPrintable(file));
        if (!drawn)
            continue;
        ++painted;
        QVERIFY2(strayPixels(shot, page) == 0, qPrintable(file));
    }
    QVERIFY2(painted > 5, qPrintable(QString::number(painted)));
}

void TestTiledWindow::floatingWindowStillRollsUp()
{
    // Floated, sway centres it on the output, under the pointer.
    QVERIFY(pointer(QPoint(960, 540)));
    QCOMPARE(QProcess::execute(QStringLiteral("swaymsg"), {"[title=\"^Velmo Note$\"] floating enable"}), 0);
    QTest::qWait(1000);
    const QRect floating = mainWindow();
    QVERIFY2(floating.contains(QPoint(960, 540)) && floating.height() > 100 && floating.height() < 1080,
             qPrintable(QStringLiteral("%1x%2").arg(floating.width()).arg(floating.height())));
    // Out: rolled up to its strip (sway keeps floating windows at least 50 high).
    QVERIFY(pointer(QPoint(1900, 1060)));
    QTRY_VERIFY_WITH_TIMEOUT(mainWindow().height() <= 50, 5000);
    // In again over the strip (sway keeps the window's centre): rolled down.
    QVERIFY(pointer(mainWindow().center()));
    QTRY_COMPARE_WITH_TIMEOUT(mainWindow().size(), floating.size(), 5000);
}

QTEST_MAIN(TestTiledWindow)
#include "tst_tiledwindow.moc"
