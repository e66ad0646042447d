#pragma once

#include <QObject>

class SoundBackend;

/// Plays one ring sound: play a file, pause, resume, stop, and finished()
/// once when the sound has ended. A file that cannot be played ends the
/// sound at once (finished() too), so whoever waits for the end always gets
/// it; with the built-in fallback such a file plays the program's own ring
/// instead, so a reminder is never silent. Without the sound module (see
/// SoundModule) the display's bell rings instead and the sound ends at once.
class RingPlayer : public QObject
{
    Q_OBJECT
public:
    enum class Fallback { None, BuiltInRing };

    explicit RingPlayer(Fallback fallback = Fallback::None, QObject *parent = nullptr);
    ~RingPlayer() override;

    /// The ring built into the program, as a resource path.
    static QString builtInRing();

    void play(const QString &path);
    /// Resumes a paused sound.
    void play();
    void pause();
    void stop();

    bool isPlayingBuiltInRing() const { return m_state == State::BuiltIn; }

signals:
    void finished();

private:
    enum class State { Idle, File, SwitchingToBuiltIn, BuiltIn, Done };

    void playSource(const QString &url, State state);
    void playBuiltInRing();
    void failed();
    void finish();
    void endLater();

    SoundBackend *m_backend = nullptr;
    Fallback m_fallback;
    State m_state = State::Idle;
};
