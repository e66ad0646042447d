#pragma once

// An X server of a test's own (Xvfb on a free display), for cases the shared
// session cannot play: several X screens, or a server that ends under a
// running program. Ended by its PID when the object goes.

#include <QFile>
#include <QProcess>
#include <QRandomGenerator>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

class PrivateXServer
{
public:
    /// screens: one "WxHxD" per X screen.
    explicit PrivateXServer(const QStringList &screens)
    {
        // Not -displayfd: it takes the lowest free number, which every other
        // test doing the same races for. A random number in a range of our
        // own, and a server that answers with our screen sizes, is ours.
        const int first = 200 + QRandomGenerator::global()->bounded(400);
        for (int n = first; n < first + 40 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
                || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            // -noreset: by default the server resets when its last client
            // leaves (our probe), refusing connections for a moment.
            QStringList args{QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"), QStringLiteral("tcp"),
                             QStringLiteral("-noreset")};
            for (int i = 0; i < screens.size(); ++i)
                args << QStringLiteral("-screen") << QString::number(i) << screens.at(i);
            m_server.start(QStringLiteral("Xvfb"), args);
            if (!m_server.waitForStarted(5000))
                return;
            const QString display = QStringLiteral(":%1").arg(n);
            for (int wait = 0; wait < 100 && m_server.state() == QProcess::Running; ++wait) {
                if (answers(display, screens)) {
                    m_display = display;
                    break;
                }
                QTest::qWait(50);
            }
            if (m_display.isEmpty())
                stop(); // lost this number to someone else: try the next
        }
    }
    ~PrivateXServer() { stop(); }

    bool isRunning() const { return m_server.state() == QProcess::Running && !m_display.isEmpty(); }
    QString display() const { return m_display; }

    /// The session's environment with DISPLAY pointing here.
    QProcessEnvironment environment() const
    {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), m_display);
        env.remove(QStringLiteral("XAUTHORITY"));
        return env;
    }

    /// Ends the server, as the end of a desktop session does: its clients
    /// lose their connection at once. (SIGTERM: the server removes its lock
    /// and socket, so the next one on this number starts clean.)
    void stop()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.terminate();
            if (!m_server.waitForFinished(5000)) {
                m_server.kill();
                m_server.waitForFinished(5000);
            }
        }
    }

    /// Runs an X tool (xdotool, xdpyinfo...) against this server. A tool
    /// that walks the window tree stops at an X error when a window it listed
    /// goes away before it gets there (a program starting or ending
    /// meanwhile); such a run says nothing and is repeated.
    bool run(const QString &tool, const QStringList &args, QString *output = nullptr) const
    {
        for (int attempt = 0;; ++attempt) {
            QProcess process;
            process.setProcessEnvironment(environment());
            process.start(tool, args);
            const bool ok = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
                && process.exitCode() == 0;
            if (attempt < 9 && process.readAllStandardError().contains("X Error"))
                continue;
            if (output)
                *output = QString::fromLocal8Bit(process.readAllStandardOutput());
            return ok;
        }
    }

private:
    /// Whether display answers with exactly these screens.
    static bool answers(const QString &display, const QStringList &screens)
    {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral("xdpyinfo"), {});
        if (!probe.waitForFinished(5000) || probe.exitStatus() != QProcess::NormalExit || probe.exitCode() != 0)
            return false;
        const QString info = QString::fromLocal8Bit(probe.readAllStandardOutput());
        if (!info.contains(QStringLiteral("number of screens:    %1").arg(screens.size())))
            return false;
        for (const QString &screen : screens) {
            const QString size = screen.section(QLatin1Char('x'), 0, 1);
            if (!info.contains(QStringLiteral("dimensions:    %1 pixels").arg(size)))
                return false;
        }
        return true;
    }

    QProcess m_server;
    QString m_display;
};
