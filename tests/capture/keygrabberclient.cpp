#include "keygrabberclient.h"

#include <QDeadlineTimer>

KeyGrabberClient::KeyGrabberClient() = default;

KeyGrabberClient::~KeyGrabberClient()
{
    release();
}

bool KeyGrabberClient::hold(const QStringList &combinations)
{
    m_process.start(QStringLiteral(KEYGRABBER_PATH), QStringList{QStringLiteral("hold")} + combinations);
    if (!m_process.waitForStarted(10000))
        return false;
    QDeadlineTimer deadline(10000);
    while (!m_process.canReadLine() && !deadline.hasExpired())
        m_process.waitForReadyRead(int(deadline.remainingTime()));
    return m_process.readLine().trimmed() == "held";
}

void KeyGrabberClient::release()
{
    if (m_process.state() == QProcess::NotRunning)
        return;
    m_process.closeWriteChannel();
    if (!m_process.waitForFinished(10000)) {
        m_process.kill();
        m_process.waitForFinished(5000);
    }
}

QString KeyGrabberClient::probe()
{
    QProcess process;
    process.start(QStringLiteral(KEYGRABBER_PATH), {QStringLiteral("probe")});
    if (!process.waitForFinished(10000))
        return QStringLiteral("probe failed");
    return QString::fromLatin1(process.readAllStandardOutput().trimmed());
}
