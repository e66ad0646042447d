#include "soundmodule.h"

#include "logging.h"

#include <QCoreApplication>
#include <QFileInfo>

namespace {
const char *const ModuleName = "libvelmo_sound.so";
}

SoundModule::SoundModule(QStringList candidates)
    : candidates(std::move(candidates))
{
}

SoundModule &SoundModule::instance()
{
    static SoundModule module(defaultCandidates());
    return module;
}

QStringList SoundModule::defaultCandidates()
{
    QStringList files;
    const QString chosen = qEnvironmentVariable("VELMO_SOUND_MODULE");
    if (!chosen.isEmpty())
        files << chosen;
    files << QCoreApplication::applicationDirPath() + QLatin1Char('/') + QLatin1String(ModuleName);
#ifdef VELMO_SOUND_MODULE_BUILD_PATH
    files << QStringLiteral(VELMO_SOUND_MODULE_BUILD_PATH);
#endif
    return files;
}

bool SoundModule::load()
{
    if (tried)
        return factory != nullptr;
    tried = true;
    QStringList reasons;
    for (const QString &file : std::as_const(candidates)) {
        if (!QFileInfo(file).isFile()) {
            reasons << file + QLatin1String(": no such file");
            continue;
        }
        library.setFileName(file);
        if (!library.load()) {
            reasons << library.errorString();
            continue;
        }
        factory = reinterpret_cast<CreateSoundBackendFunction>(library.resolve(VELMO_SOUND_BACKEND_FACTORY));
        if (factory)
            return true;
        reasons << library.errorString();
        library.unload();
    }
    qCWarning(lcDesknote, "Velmo Note: the sound module could not be loaded, rings use the display's bell (%s)",
              qPrintable(reasons.join(QLatin1String("; "))));
    return false;
}

SoundBackend *SoundModule::create(QObject *parent, SoundBackend::Listener listener)
{
    return load() ? factory(parent, std::move(listener)) : nullptr;
}
