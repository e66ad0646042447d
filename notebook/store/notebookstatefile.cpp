#include "notebookstatefile.h"

#include <QCryptographicHash>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QJsonDocument>
#include <QJsonObject>

#include "checkedsave.h"

QString NotebookStateFile::pathIn(const QString &folder)
{
    return QDir(folder).filePath(fileName());
}

QString NotebookStateFile::localPath(const QString &folder)
{
    QString base = qEnvironmentVariable("XDG_STATE_HOME");
    // The XDG rule: a relative value is to be ignored.
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = QDir::homePath() + QLatin1String("/.local/state");
    const QFileInfo info(folder);
    const QString canonical = info.canonicalFilePath();
    const QString name = canonical.isEmpty() ? info.absoluteFilePath() : canonical;
    const QByteArray hash = QCryptographicHash::hash(name.toUtf8(), QCryptographicHash::Sha256).toHex().left(16);
    return base + QLatin1String("/velmonote/notebook-") + QString::fromLatin1(hash) + QLatin1String(".json");
}

NotebookStateFile::LoadResult NotebookStateFile::load(const QString &path)
{
    LoadResult result;
    const QFileInfo info(path);
    if (!info.exists() && !info.isSymLink()) {
        result.status = Missing;
        return result;
    }
    QFile file(path);
    // Only a regular file is opened: a FIFO would block the start, a device never end.
    if (!info.isFile()) {
        result.error = QStringLiteral("not a regular file");
    } else if (info.size() > MaxBytes) {
        result.error = QStringLiteral("%1 bytes, more than the %2 MB this file may hold")
                           .arg(info.size())
                           .arg(MaxBytes / (1024 * 1024));
    } else if (!file.open(QIODevice::ReadOnly)) {
        result.error = file.errorString();
    }
    QByteArray bytes;
    if (result.error.isEmpty()) {
        // One byte more than allowed tells a file that grew since it was measured.
        bytes = file.read(MaxBytes + 1);
        if (file.error() != QFileDevice::NoError)
            result.error = file.errorString();
        else if (bytes.size() > MaxBytes)
            result.error = QStringLiteral("grew past %1 MB while read").arg(MaxBytes / (1024 * 1024));
    }
    if (!result.error.isEmpty()) {
        result.status = Unreadable;
        result.writable = false;
        result.message = tr("无法读取 %1（%2）：提醒和窗口设置恢复为默认，本次运行不会覆盖它").arg(path, result.error);
        return result;
    }

    QStringList problems;
    result.state = NotebookState::fromJson(bytes, &problems);
    if (problems.isEmpty()) {
        result.status = Loaded;
        return result;
    }
    result.status = Damaged;
    result.error = problems.join(QLatin1Char('\n'));
    result.damagedCopyPath = CheckedSave::copyAside(
        path, [&bytes](QFile &copy) { return copy.write(bytes) == bytes.size() ? QString() : copy.errorString(); },
        &result.copyError);
    result.writable = !result.damagedCopyPath.isEmpty();
    result.message = result.writable
        ? tr("%1 已损坏，读不出的提醒和设置恢复为默认，原文件备份为 %2").arg(path, result.damagedCopyPath)
        : tr("%1 已损坏，读不出的提醒和设置恢复为默认；无法备份原文件（%2），因此不会覆盖它").arg(path, result.copyError);
    return result;
}

NotebookStateFile::SaveResult NotebookStateFile::write(const QString &path, const QByteArray &bytes)
{
    SaveResult result;
    result.error = CheckedSave::write(path, bytes);
    result.ok = result.error.isEmpty();
    return result;
}

NotebookStateFile::SaveResult NotebookStateFile::save(const QString &path, const NotebookState &state,
                                                      bool includeWindow, const WriteGuard &mayWrite)
{
    if (mayWrite && !mayWrite(path))
        return SaveResult{false, QStringLiteral("not written: the notebook's store may not be written in this run")};
    return write(path, state.toJson(includeWindow));
}

NotebookStateFile::SaveResult NotebookStateFile::saveLocal(const QString &path, const NotebookState &state,
                                                           const QString &folder)
{
    const QString dir = QFileInfo(path).absolutePath();
    if (!QDir().mkpath(dir))
        return SaveResult{false, QStringLiteral("cannot create the folder %1").arg(dir)};
    NotebookState local;
    local.window = state.window;
    local.lastRun = state.lastRun;
    QJsonObject root = QJsonDocument::fromJson(local.toJson(true)).object();
    // No notes here: only what stays on this computer.
    root.remove(QLatin1String("order"));
    root.remove(QLatin1String("notes"));
    root.remove(QLatin1String("keepNewNotes"));
    // For a person looking into the folder: which notebook this is.
    if (!folder.isEmpty())
        root.insert(QLatin1String("folder"), QFileInfo(folder).absoluteFilePath());
    return write(path, QJsonDocument(root).toJson(QJsonDocument::Indented));
}
