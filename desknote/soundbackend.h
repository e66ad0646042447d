#pragma once

#include <functional>

class QObject;
class QUrl;

/// What plays one ring sound. The program does not link a media library: the
/// implementation over Qt Multimedia is a module of its own, loaded by
/// SoundModule on the first ring, so that Qt Multimedia and the audio
/// libraries it pulls in cost nothing at start-up.
class SoundBackend
{
public:
    enum class Event { Ended, Failed };
    using Listener = std::function<void(Event)>;

    virtual void play(const QUrl &source) = 0;
    virtual void pause() = 0;
    virtual void resume() = 0;
    virtual void stop() = 0;
    /// Stops, reports nothing more, and deletes itself from the event loop,
    /// so it may be called from inside its own listener.
    virtual void release() = 0;

protected:
    ~SoundBackend() = default; // owned by its QObject parent, never deleted through this
};

/// The one function the module exports: a new backend, a child of parent,
/// that reports to listener.
extern "C" {
using CreateSoundBackendFunction = SoundBackend *(*)(QObject *parent, SoundBackend::Listener listener);
}
#define VELMO_SOUND_BACKEND_FACTORY "velmoCreateSoundBackend"
