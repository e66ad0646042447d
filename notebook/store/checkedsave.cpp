#include "checkedsave.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <unistd.h>

namespace {
QString failure(const QSaveFile &file, int error)
{
    // errno is the reliable witness: Qt's own text may be empty or generic
    // after a failed flush.
    if (error == ENOSPC || error == EDQUOT)
        return CheckedSave::tr("磁盘已满，无法写入 %1").arg(file.fileName());
    const QString reason = file.errorString().isEmpty() ? QString::fromLocal8Bit(std::strerror(error))
                                                       : file.errorString();
    return file.fileName() + QLatin1String(": ") + reason;
}
}

QString CheckedSave::commit(QSaveFile &file)
{
    errno = 0;
    int error = 0;
    bool ok = file.error() == QFileDevice::NoError;
    if (!ok)
        error = errno;
    if (ok && !file.flush()) {
        ok = false;
        error = errno;
    }
    // Where the file system allocates late (NFS, some FUSE), a full disk
    // shows only here; Qt's commit() syncs too but ignores the outcome.
    if (ok && file.handle() >= 0 && ::fdatasync(file.handle()) != 0 && errno != EINVAL && errno != EROFS) {
        ok = false;
        error = errno;
    }
    if (!ok) {
        const QString message = failure(file, error);
        file.cancelWriting();
        return message;
    }
    errno = 0;
    if (!file.commit())
        return failure(file, errno);
    return QString();
}

QString CheckedSave::write(const QString &path, const QByteArray &bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly))
        return failure(file, errno);
    errno = 0;
    if (file.write(bytes) != bytes.size()) {
        const QString message = failure(file, errno);
        file.cancelWriting();
        return message;
    }
    return commit(file);
}

QString CheckedSave::copyAside(const QString &path, const std::function<QString(QFile &copy)> &fill, QString *error)
{
    const QString stem = path + QLatin1String(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const QString candidate = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        QFile copy(candidate);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFile::exists(candidate))
                continue;
            *error = copy.errorString();
            return QString();
        }
        // The copy holds the same notes: no wider access than the original.
        copy.setPermissions(QFile::permissions(path));
        QString failed = fill(copy);
        if (failed.isEmpty() && !copy.flush())
            failed = copy.errorString();
        if (!failed.isEmpty()) {
            *error = failed;
            copy.close();
            copy.remove();
            return QString();
        }
        return candidate;
    }
    *error = QStringLiteral("too many damaged copies already");
    return QString();
}
