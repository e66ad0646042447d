#include "mediasoundbackend.h"

#include <QAudioOutput>
#include <QMediaPlayer>
#include <QUrl>

MediaSoundBackend::MediaSoundBackend(QObject *parent, Listener listener)
    : QObject(parent)
    , player(new QMediaPlayer(this))
    , listener(std::move(listener))
{
    player->setAudioOutput(new QAudioOutput(player));
    connect(player, &QMediaPlayer::mediaStatusChanged, this, [this](QMediaPlayer::MediaStatus status) {
        if (status == QMediaPlayer::EndOfMedia)
            report(Event::Ended);
        else if (status == QMediaPlayer::InvalidMedia)
            report(Event::Failed);
    });
    connect(player, &QMediaPlayer::errorOccurred, this, [this](QMediaPlayer::Error error) {
        if (error != QMediaPlayer::NoError)
            report(Event::Failed);
    });
}

void MediaSoundBackend::play(const QUrl &source)
{
    player->setSource(source);
    player->play();
}

void MediaSoundBackend::pause() { player->pause(); }
void MediaSoundBackend::resume() { player->play(); }
void MediaSoundBackend::stop() { player->stop(); }

void MediaSoundBackend::release()
{
    listener = nullptr;
    player->disconnect(this);
    player->stop();
    deleteLater();
}

void MediaSoundBackend::report(Event event)
{
    // A copy: the listener may release this backend while it runs.
    if (const Listener notify = listener)
        notify(event);
}

extern "C" Q_DECL_EXPORT SoundBackend *velmoCreateSoundBackend(QObject *parent, SoundBackend::Listener listener)
{
    return new MediaSoundBackend(parent, std::move(listener));
}
