#pragma once

// Records what reaches the test session's PulseAudio null sink "ci_sink"
// through its monitor source, and measures it with sox, the way a person
// with headphones on the sink would tell sound from silence.

#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QTest>

#include <csignal>

class SinkRecorder
{
public:
    struct Level
    {
        bool ok = false;
        double seconds = 0;
        double rms = 0;
        double maximum = 0;
        double frequency = 0; // sox's rough estimate
        QString report;
    };

    explicit SinkRecorder(const QString &dir)
        : m_raw(dir + QLatin1String("/sink.raw"))
        , m_wav(dir + QLatin1String("/sink.wav"))
    {
    }
    ~SinkRecorder()
    {
        if (m_parec.state() != QProcess::NotRunning) {
            m_parec.kill();
            m_parec.waitForFinished(3000);
        }
    }

    /// Starts recording; returns once samples are arriving.
    bool start()
    {
        QFile::remove(m_raw);
        m_parec.setStandardOutputFile(m_raw);
        m_parec.start(QStringLiteral("parec"),
                      {QStringLiteral("--latency-msec=100"), QStringLiteral("-d"), QStringLiteral("ci_sink.monitor"),
                       QStringLiteral("--raw"), QStringLiteral("--format=s16le"), QStringLiteral("--rate=44100"),
                       QStringLiteral("--channels=2")});
        if (!m_parec.waitForStarted(5000))
            return false;
        // The monitor streams silence while nothing plays: data means we are live.
        QDeadlineTimer deadline(5000);
        while (QFileInfo(m_raw).size() == 0 && !deadline.hasExpired())
            QTest::qWait(20);
        return QFileInfo(m_raw).size() > 0;
    }

    /// Waits until the take holds at least seconds of sound (or silence).
    bool waitForSeconds(double seconds)
    {
        const qint64 bytes = qint64(seconds * 44100) * 4;
        const qint64 start = QFileInfo(m_raw).size();
        QDeadlineTimer deadline(qint64(seconds * 1000) + 5000);
        while (QFileInfo(m_raw).size() - start < bytes && !deadline.hasExpired())
            QTest::qWait(20);
        return QFileInfo(m_raw).size() - start >= bytes;
    }

    /// Stops recording (SIGINT, as parec expects) and measures the take.
    Level stop()
    {
        Level level;
        ::kill(pid_t(m_parec.processId()), SIGINT);
        if (!m_parec.waitForFinished(5000))
            return level;
        QProcess sox;
        sox.start(QStringLiteral("sox"), {QStringLiteral("-t"), QStringLiteral("raw"), QStringLiteral("-r"), QStringLiteral("44100"),
                                          QStringLiteral("-e"), QStringLiteral("signed"), QStringLiteral("-b"), QStringLiteral("16"),
                                          QStringLiteral("-c"), QStringLiteral("2"), m_raw,
                                          // one channel: sox's frequency estimate reads interleaved stereo wrong
                                          QStringLiteral("-c"), QStringLiteral("1"), m_wav});
        if (!sox.waitForFinished(10000) || sox.exitCode() != 0)
            return level;
        QProcess stat;
        stat.start(QStringLiteral("sox"), {m_wav, QStringLiteral("-n"), QStringLiteral("stat")});
        if (!stat.waitForFinished(10000))
            return level;
        level.report = QString::fromLocal8Bit(stat.readAllStandardError());
        level.seconds = field(level.report, "Length \\(seconds\\)");
        level.rms = field(level.report, "RMS\\s+amplitude");
        level.maximum = field(level.report, "Maximum amplitude");
        level.frequency = field(level.report, "Rough\\s+frequency");
        level.ok = level.seconds > 0;
        return level;
    }

    /// Records what the sink plays during the next seconds; a take that
    /// could not be made comes back not ok.
    static Level listen(const QString &dir, double seconds)
    {
        SinkRecorder recorder(dir);
        if (!recorder.start() || !recorder.waitForSeconds(seconds))
            return Level();
        return recorder.stop();
    }

    /// Clearly a sound: far above the dither of silence.
    static bool heard(const Level &level) { return level.ok && level.maximum > 0.1 && level.rms > 0.01; }
    static bool silent(const Level &level) { return level.ok && level.maximum < 0.01; }

private:
    static double field(const QString &report, const char *name)
    {
        const QRegularExpression re(QLatin1String(name) + QLatin1String(":\\s*([0-9.eE+-]+)"));
        const QRegularExpressionMatch m = re.match(report);
        return m.hasMatch() ? m.captured(1).toDouble() : -1;
    }

    QString m_raw;
    QString m_wav;
    QProcess m_parec;
};
