#include "mediasoundbackend.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

MediaSoundBackend::MediaSoundBackend(QObject *parent, Listener listener)
    : QObject(parent)
    , m_player(new QMediaPlayer(this))
    , m_listener(std::move(listener))
{
    m_player->setAudioOutput(new QAudioOutput(m_player));
    connect(m_player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            report(Event::Ended);
        else if (status == QMediaPlayer::InvalidMedia)
            report(Event::Failed);
    });
    connect(m_player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError)
            report(Event::Failed);
    });
}

void MediaSoundBackend::play(const QUrl &source)
{
    m_player->setSource(source);
    m_player->play();
}

void MediaSoundBackend::pause() { m_player->pause(); }
void MediaSoundBackend::resume() { m_player->play(); }
void MediaSoundBackend::stop() { m_player->stop(); }

void MediaSoundBackend::release()
{
    m_listener = nullptr;
    m_player->disconnect(this);
    m_player->stop();
    deleteLater();
}

void MediaSoundBackend::report(Event event)
{
    // A copy: the listener may release this backend while it runs.
    if (const Listener notify = m_listener)
        notify(event);
}

extern "C" Q_DECL_EXPORT SoundBackend *velmoCreateSoundBackend(QObject *parent, SoundBackend::Listener listener)
{
    return new MediaSoundBackend(parent, std::move(listener));
}
