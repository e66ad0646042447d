#include "filestamp.h"

#include <QCryptographicHash>
#include <QFile>
#include <QFileInfo>

#include <sys/stat.h>

FileStamp FileStamp::ofBytes(const QByteArray &bytes, qint64 modifiedMs)
{
    FileStamp stamp;
    stamp.size = bytes.size();
    stamp.modifiedMs = modifiedMs;
    stamp.hash = QCryptographicHash::hash(bytes, QCryptographicHash::Sha1);
    return stamp;
}

FileStamp FileStamp::of(const QString &path, qint64 maxBytes)
{
    const QFileInfo info(path);
    if (!info.isFile())
        return FileStamp();
    const qint64 modified = info.lastModified().toMSecsSinceEpoch();
    QFile file(path);
    if (info.size() > maxBytes) {
        FileStamp stamp;
        stamp.size = info.size();
        stamp.modifiedMs = modified;
        stamp.hash = QByteArray::number(info.size()) + '@' + QByteArray::number(modified);
        return stamp;
    }
    if (!file.open(QIODevice::ReadOnly))
        return FileStamp();
    // What the file holds, not the limit: that much would be allocated for every file.
    return ofBytes(file.read(qMin(maxBytes, info.size() + 1)), modified);
}

QByteArray FileStamp::identity(const QString &path)
{
    struct stat info;
    if (::stat(QFile::encodeName(path).constData(), &info) != 0)
        return QByteArray();
    return QByteArray::number(quint64(info.st_dev)) + ':' + QByteArray::number(quint64(info.st_ino)) + ':'
        + QByteArray::number(qint64(info.st_size)) + ':' + QByteArray::number(qint64(info.st_mtim.tv_sec)) + '.'
        + QByteArray::number(qint64(info.st_mtim.tv_nsec));
}
