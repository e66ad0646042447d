#pragma once

#include "soundbackend.h"

#include <QObject>

class QMediaPlayer;

/// The sound backend of the sound module: one QMediaPlayer with its audio
/// output, playing one source.
class MediaSoundBackend : public QObject, public SoundBackend
{
    Q_OBJECT
public:
    MediaSoundBackend(QObject *parent, Listener listener);

    void play(const QUrl &source) override;
    void pause() override;
    void resume() override;
    void stop() override;
    void release() override;

private:
    void report(Event event);

    QMediaPlayer *m_player;
    Listener m_listener;
};
