#pragma once

#include "soundbackend.h"

#include <QLibrary>
#include <QStringList>

/// Finds and loads the sound module (libvelmo_sound.so) the first time a
/// backend is asked for. Where it looks, in order: $VELMO_SOUND_MODULE, beside
/// the executable, then the build tree the program was built in.
class SoundModule
{
public:
    explicit SoundModule(QStringList candidates);

    /// The module the program uses, looked for in the usual places.
    static SoundModule &instance();
    static QStringList defaultCandidates();

    /// A new backend, a child of parent; nullptr when no candidate loads
    /// (reported once, as a warning, with the reason).
    SoundBackend *create(QObject *parent, SoundBackend::Listener listener);

    /// The file that was loaded; empty before the first create() or when none loaded.
    QString loadedFile() const { return library.isLoaded() ? library.fileName() : QString(); }

private:
    bool load();

    QStringList candidates;
    QLibrary library;
    CreateSoundBackendFunction factory = nullptr;
    bool tried = false;
};
