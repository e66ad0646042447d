#pragma once

#include "soundbackend.h"

#include <QLibrary>
#include <QStringList>

/// Finds and loads the sound module (libvelmo_sound.so) the first time a
/// backend is asked for. Where it looks, in order: $VELMO_SOUND_MODULE, beside
/// the executable (the build tree), then the program's own library folder
/// relative to the executable (installed: bin/../lib/velmonote).
class SoundModule
{
public:
    explicit SoundModule(QStringList candidates);

    /// The module the program uses, looked for in the usual places.
    static SoundModule &instance();
    static QStringList defaultCandidates();
    /// The places looked in for a program in applicationDir; chosen: the
    /// module named by the environment, looked at first when not empty.
    static QStringList candidatesFor(const QString &applicationDir, const QString &chosen);

    /// A new backend, a child of parent; nullptr when no candidate loads
    /// (reported once, as a warning, with the reason).
    SoundBackend *create(QObject *parent, SoundBackend::Listener listener);

    /// The file that was loaded; empty before the first create() or when none loaded.
    QString loadedFile() const { return m_library.isLoaded() ? m_library.fileName() : QString(); }

private:
    bool load();

    QStringList m_candidates;
    QLibrary m_library;
    CreateSoundBackendFunction m_factory = nullptr;
    bool m_tried = false;
};
