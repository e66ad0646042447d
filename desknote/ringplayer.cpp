#include "ringplayer.h"

#include "soundmodule.h"

#include <QApplication>
#include <QFileInfo>
#include <QUrl>

RingPlayer::RingPlayer(Fallback fallback, QObject *parent)
    : QObject(parent)
    , m_fallback(fallback)
{
}

RingPlayer::~RingPlayer()
{
    // Silences the backend's reports before it goes with this object's children.
    if (m_backend)
        m_backend->release();
}

QString RingPlayer::builtInRing()
{
    return QStringLiteral(":/ring/builtin.wav");
}

void RingPlayer::play(const QString &path)
{
    const QFileInfo file(path);
    if (!file.isFile() || !file.isReadable()) {
        failed();
        return;
    }
    playSource(QUrl::fromLocalFile(file.absoluteFilePath()).toString(), State::File);
}

void RingPlayer::play()
{
    if (m_backend && (m_state == State::File || m_state == State::BuiltIn))
        m_backend->resume();
}

void RingPlayer::pause()
{
    if (m_backend)
        m_backend->pause();
}

void RingPlayer::stop()
{
    if (m_backend)
        m_backend->stop();
}

void RingPlayer::playSource(const QString &url, State state)
{
    // A fresh backend for every source: after an error the GStreamer
    // pipeline of the old one does not play the next source.
    if (m_backend)
        m_backend->release();
    m_backend = SoundModule::instance().create(this, [this](SoundBackend::Event event) {
        if (event == SoundBackend::Event::Ended)
            finish();
        else
            failed();
    });
    if (!m_backend) {
        QApplication::beep();
        endLater();
        return;
    }
    m_state = state;
    m_backend->play(QUrl(url));
}

void RingPlayer::playBuiltInRing()
{
    if (m_state != State::SwitchingToBuiltIn)
        return;
    // The GStreamer back end streams a qrc: source straight from the resource.
    playSource(QLatin1String("qrc") + builtInRing(), State::BuiltIn);
}

void RingPlayer::failed()
{
    if (m_state == State::Done || m_state == State::SwitchingToBuiltIn)
        return;
    if (m_fallback == Fallback::BuiltInRing && m_state != State::BuiltIn) {
        // Switched from the event loop: the player is still inside its own
        // error report here.
        m_state = State::SwitchingToBuiltIn;
        QMetaObject::invokeMethod(this, &RingPlayer::playBuiltInRing, Qt::QueuedConnection);
        return;
    }
    endLater();
}

void RingPlayer::endLater()
{
    m_state = State::Done;
    // Queued so that finished() never arrives inside the caller's play().
    QMetaObject::invokeMethod(this, &RingPlayer::finished, Qt::QueuedConnection);
}

void RingPlayer::finish()
{
    if (m_state != State::File && m_state != State::BuiltIn)
        return;
    m_state = State::Done;
    emit finished();
}
