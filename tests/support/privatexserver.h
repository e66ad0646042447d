#pragma once

// An X server of a test's own (Xvfb on a free display), for cases the shared
// session cannot play: several X screens, or a server that ends under a
// running program. Ended by its PID when the object goes.

#include <QFile>
#include <QProcess>
#include <QProcessEnvironment>
#include <QStringList>
#include <QTest>

class PrivateXServer
{
public:
    /// screens: one "WxHxD" per X screen.
    explicit PrivateXServer(const QStringList &screens)
    {
        // Numbers above the session script's range: the two never race for one.
        for (int n = 141; n < 200 && m_display.isEmpty(); ++n) {
            if (QFile::exists(QStringLiteral("/tmp/.X11-unix/X%1").arg(n))
                || QFile::exists(QStringLiteral("/tmp/.X%1-lock").arg(n)))
                continue;
            QStringList args{QStringLiteral(":%1").arg(n), QStringLiteral("-nolisten"), QStringLiteral("tcp")};
            for (int i = 0; i < screens.size(); ++i)
                args << QStringLiteral("-screen") << QString::number(i) << screens.at(i);
            m_server.setProcessChannelMode(QProcess::MergedChannels);
            m_server.start(QStringLiteral("Xvfb"), args);
            if (!m_server.waitForStarted(5000))
                return;
            const QString display = QStringLiteral(":%1").arg(n);
            for (int wait = 0; wait < 100 && m_server.state() == QProcess::Running; ++wait) {
                if (answers(display)) {
                    m_display = display;
                    break;
                }
                QTest::qWait(50);
            }
            if (m_display.isEmpty())
                stop(); // lost the race for this number: try the next
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

    /// Ends the server at once, as the end of a desktop session does.
    void stop()
    {
        if (m_server.state() != QProcess::NotRunning) {
            m_server.kill();
            m_server.waitForFinished(5000);
        }
    }

    /// Runs an X tool (xdotool, xdpyinfo...) against this server.
    bool run(const QString &tool, const QStringList &args, QString *output = nullptr) const
    {
        QProcess process;
        process.setProcessEnvironment(environment());
        process.start(tool, args);
        const bool ok = process.waitForFinished(10000) && process.exitStatus() == QProcess::NormalExit
            && process.exitCode() == 0;
        if (output)
            *output = QString::fromLocal8Bit(process.readAllStandardOutput());
        return ok;
    }

private:
    static bool answers(const QString &display)
    {
        QProcess probe;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("DISPLAY"), display);
        probe.setProcessEnvironment(env);
        probe.start(QStringLiteral("xdpyinfo"), {});
        return probe.waitForFinished(5000) && probe.exitStatus() == QProcess::NormalExit && probe.exitCode() == 0;
    }

    QProcess m_server;
    QString m_display;
};
