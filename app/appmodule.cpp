#include "appmodule.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cstdio>

#include <dlfcn.h>

#ifndef VELMO_PRIVATE_LIB_RELATIVE_DIR
#define VELMO_PRIVATE_LIB_RELATIVE_DIR "../lib/velmonote"
#endif

namespace {
/// The module's entry point (notebookmain.cpp).
using RunFunction = int (*)(int, char **);
const char *const EntryPoint = "velmonote_run";
const char *const FileName = "libvelmonote_app.so";
}

QStringList AppModule::candidates(const QString &programDir, const QString &fileName)
{
    const QDir here(programDir);
    return {here.filePath(fileName),
            QDir::cleanPath(here.filePath(QLatin1String(VELMO_PRIVATE_LIB_RELATIVE_DIR "/") + fileName))};
}

int AppModule::run(int argc, char *argv[])
{
    // The program's own folder, links resolved: where a package installed it.
    const QString programDir = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalPath();
    QString why;
    for (const QString &file : candidates(programDir, QLatin1String(FileName))) {
        if (!QFileInfo::exists(file)) {
            why = QStringLiteral("%1 does not exist").arg(file);
            continue;
        }
        // Local: nothing loaded later (Qt's plugins, the sound module) binds
        // to the notebook's own symbols.
        void *module = ::dlopen(QFile::encodeName(file).constData(), RTLD_LAZY | RTLD_LOCAL);
        if (!module) {
            why = QString::fromLocal8Bit(::dlerror());
            continue;
        }
        auto run = reinterpret_cast<RunFunction>(::dlsym(module, EntryPoint));
        if (!run) {
            why = QStringLiteral("%1 has no %2").arg(file, QLatin1String(EntryPoint));
            continue;
        }
        // Not unloaded: Qt's global objects live in it until the process ends.
        return run(argc, argv);
    }
    std::fprintf(stderr, "velmonote: cannot load the notebook (%s): %s\n", FileName, why.toLocal8Bit().constData());
    return 1;
}
