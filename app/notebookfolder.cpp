#include "notebookfolder.h"

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>

#ifndef VELMO_DATA_RELATIVE_DIR
#define VELMO_DATA_RELATIVE_DIR "../share/velmonote"
#endif

namespace {
const QLatin1String NotebookOption("--notebook");

/// The folder named by --notebook, made absolute against workingDir; the
/// option without a value gives an error.
bool namedFolder(const QStringList &arguments, const QString &workingDir, QString *folder, QString *error)
{
    for (int i = 1; i < arguments.size(); ++i) {
        const QString &argument = arguments.at(i);
        QString value;
        if (argument == NotebookOption) {
            if (i + 1 >= arguments.size() || arguments.at(i + 1).isEmpty()) {
                *error = QStringLiteral("--notebook needs a folder");
                return true;
            }
            value = arguments.at(i + 1);
        } else if (argument.startsWith(NotebookOption + QLatin1Char('='))) {
            value = argument.mid(NotebookOption.size() + 1);
            if (value.isEmpty()) {
                *error = QStringLiteral("--notebook needs a folder");
                return true;
            }
        } else {
            continue;
        }
        *folder = QDir::cleanPath(QDir(workingDir).absoluteFilePath(value));
        return true;
    }
    return false;
}
}

QString NotebookFolder::defaultFolder(const QString &dataHome, const QString &homeDir)
{
    // By the XDG base directory rules a relative XDG_DATA_HOME is invalid.
    const QString base = dataHome.isEmpty() || QDir::isRelativePath(dataHome)
        ? homeDir + QLatin1String("/.local/share") : dataHome;
    return QDir::cleanPath(base + QLatin1String("/velmonote"));
}

bool NotebookFolder::holdsNotebook(const QString &dir)
{
    const QDir folder(dir);
    return QFileInfo(folder.filePath(QStringLiteral("index.dat"))).isFile()
        || QFileInfo(folder.filePath(QStringLiteral("tab.dat"))).isFile()
        || QFileInfo(folder.filePath(QStringLiteral("skin"))).isDir();
}

QString NotebookFolder::existing(const QStringList &arguments, const QString &workingDir, const QString &dataHome,
                                 const QString &homeDir)
{
    QString folder;
    QString error;
    if (namedFolder(arguments, workingDir, &folder, &error))
        return QFileInfo(folder).isDir() ? folder : QString();
    if (holdsNotebook(workingDir))
        return QDir::cleanPath(QDir(workingDir).absolutePath());
    folder = defaultFolder(dataHome, homeDir);
    return QFileInfo(folder).isDir() ? folder : QString();
}

NotebookFolder::Result NotebookFolder::prepare(const QStringList &arguments, const QString &workingDir,
                                               const QString &dataHome, const QString &homeDir,
                                               const QString &defaults)
{
    Result result;
    QString folder;
    const bool named = namedFolder(arguments, workingDir, &folder, &result.error);
    if (named && folder.isEmpty())
        return result;
    if (!named) {
        if (holdsNotebook(workingDir)) {
            result.path = QDir::cleanPath(QDir(workingDir).absolutePath());
            return result;
        }
        folder = defaultFolder(dataHome, homeDir);
    }
    if (!QDir().mkpath(folder)) {
        result.error = QStringLiteral("cannot create the notebook folder %1").arg(folder);
        if (!named) // the menu start still runs, in its working directory
            result.path = QDir::cleanPath(QDir(workingDir).absolutePath());
        return result;
    }
    result.path = folder;
    if (!defaults.isEmpty() && QFileInfo(defaults).isDir()) {
        result.error = copyMissing(defaults, folder);
        result.laidOut = true;
    }
    return result;
}

QString NotebookFolder::copyMissing(const QString &defaults, const QString &dir)
{
    QStringList failed;
    const QDir source(defaults);
    const QDir target(dir);
    QDirIterator it(defaults, QDir::Files | QDir::NoDotAndDotDot, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString from = it.next();
        const QString relative = source.relativeFilePath(from);
        const QString to = target.filePath(relative);
        // exists() is false for a dangling link, which must not be replaced either.
        const QFileInfo existing(to);
        if (existing.exists() || existing.isSymLink())
            continue;
        if (!QDir().mkpath(existing.absolutePath()) || !QFile::copy(from, to)) {
            failed << relative;
            continue;
        }
        // Installed files are read-only; the user's copies are theirs to change.
        QFile::setPermissions(to, QFile::permissions(to) | QFile::WriteOwner | QFile::ReadOwner);
    }
    if (failed.isEmpty())
        return QString();
    return QStringLiteral("could not copy into %1: %2").arg(dir, failed.join(QLatin1String(", ")));
}

QString NotebookFolder::defaultsFolder(const QString &applicationDir)
{
    const QDir here(applicationDir);
    for (const QString &candidate : {QStringLiteral(VELMO_DATA_RELATIVE_DIR), QStringLiteral("../defaultdata")}) {
        const QString path = QDir::cleanPath(here.absoluteFilePath(candidate));
        if (QFileInfo(path + QLatin1String("/index.dat")).isFile())
            return path;
    }
    return QString();
}

QString NotebookFolder::startProgram(const QString &dir, const QString &runningProgram)
{
    const QString local = dir + QLatin1String("/velmonote");
    return QFileInfo(local).isFile() ? local : runningProgram;
}
