#include "soundmodule.h"

#include "appmodule.h"
#include "logging.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace {
const char *const ModuleName = "libvelmo_sound.so";
}

SoundModule::SoundModule(QStringList candidates)
    : m_candidates(std::move(candidates))
{
}

SoundModule &SoundModule::instance()
{
    static SoundModule module(defaultCandidates());
    return module;
}

QStringList SoundModule::defaultCandidates()
{
    return candidatesFor(QCoreApplication::applicationDirPath(), qEnvironmentVariable("VELMO_SOUND_MODULE"));
}

QStringList SoundModule::candidatesFor(const QString &applicationDir, const QString &chosen)
{
    QStringList files;
    if (!chosen.isEmpty())
        files << chosen;
    return files + AppModule::candidates(applicationDir, QLatin1String(ModuleName));
}

bool SoundModule::load()
{
    if (m_tried)
        return m_factory != nullptr;
    m_tried = true;
    QStringList reasons;
    for (const QString &file : std::as_const(m_candidates)) {
        if (!QFileInfo(file).isFile()) {
            reasons << file + QLatin1String(": no such file");
            continue;
        }
        m_library.setFileName(file);
        if (!m_library.load()) {
            reasons << m_library.errorString();
            continue;
        }
        m_factory = reinterpret_cast<CreateSoundBackendFunction>(m_library.resolve(VELMO_SOUND_BACKEND_FACTORY));
        if (m_factory)
            return true;
        reasons << m_library.errorString();
        m_library.unload();
    }
    qCWarning(lcDesknote, "Velmo Note: the sound module could not be loaded, rings use the display's bell (%s)",
              qPrintable(reasons.join(QLatin1String("; "))));
    return false;
}

SoundBackend *SoundModule::create(QObject *parent, SoundBackend::Listener listener)
{
    return load() ? m_factory(parent, std::move(listener)) : nullptr;
}
