#include "ringplayer.h"

#include <QAudioOutput>
#include <QFileInfo>
#include <QMediaPlayer>
#include <QUrl>

RingPlayer::RingPlayer(Fallback fallback, QObject *parent)
    : QObject(parent)
    , m_fallback(fallback)
{
}

RingPlayer::~RingPlayer() = default;

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
    if (m_player && (m_state == State::File || m_state == State::BuiltIn))
        m_player->play();
}

void RingPlayer::pause()
{
    if (m_player)
        m_player->pause();
}

void RingPlayer::stop()
{
    if (m_player)
        m_player->stop();
}

void RingPlayer::playSource(const QString &url, State state)
{
    // A fresh player for every source: after an error the GStreamer
    // pipeline of the old one does not play the next source.
    if (m_player) {
        m_player->disconnect(this);
        m_player->deleteLater();
    }
    m_player = new QMediaPlayer(this);
    m_player->setAudioOutput(new QAudioOutput(m_player));
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            finish();
        else if (status == QMediaPlayer::InvalidMedia)
            failed();
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError)
            failed();
    });
    m_state = state;
    m_player->setSource(QUrl(url));
    m_player->play();
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
