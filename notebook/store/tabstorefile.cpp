#include "tabstorefile.h"
#include "logging.h"

#include "checkedsave.h"
#include "tabstorereader.h"
#include "tabstorewriter.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

/// Copies the open file (opened from path) from its start into a new file
/// beside it that did not exist before.
void copyAside(QFile &source, const QString &path, QString *copyPath, QString *error)
{
    if (!source.seek(0)) {
        *error = source.errorString();
        return;
    }
    *copyPath = CheckedSave::copyAside(
        path,
        [&source](QFile &copy) {
            char chunk[64 * 1024];
            for (;;) {
                const qint64 got = source.read(chunk, sizeof chunk);
                if (got == 0)
                    return QString();
                if (got < 0 || copy.write(chunk, got) != got)
                    return got < 0 ? source.errorString() : copy.errorString();
            }
        },
        error);
}

} // namespace

namespace {

/// Why the file at fd cannot be a store, or an empty string when it can be.
QString refusal(int fd)
{
    struct stat info;
    if (::fstat(fd, &info) != 0)
        return QString::fromLocal8Bit(std::strerror(errno));
    if (!S_ISREG(info.st_mode))
        return QStringLiteral("not a regular file");
    if (info.st_size > TabStoreFile::MaxBytes) {
        return QStringLiteral("%1 bytes, larger than the %2 MB a store may hold")
            .arg(info.st_size).arg(TabStoreFile::MaxBytes / (1024 * 1024));
    }
    return QString();
}

} // namespace

TabStoreFile::LoadResult TabStoreFile::load(const QString &path)
{
    LoadResult result;
    const QByteArray native = QFile::encodeName(path);
    struct stat info;
    if (::stat(native.constData(), &info) != 0 && errno == ENOENT) {
        result.status = Missing;
        return result;
    }
    // O_NONBLOCK: opening a FIFO for reading would otherwise wait for a
    // writer forever. What was opened is checked, not the name, so a file
    // swapped in meanwhile is caught too.
    const int fd = ::open(native.constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC | O_NOCTTY);
    if (fd < 0) {
        result.status = Unreadable;
        result.error = QString::fromLocal8Bit(std::strerror(errno));
        return result;
    }
    QFile file(path);
    const QString refused = refusal(fd);
    if (!refused.isEmpty() || !file.open(fd, QIODevice::ReadOnly, QFileDevice::AutoCloseHandle)) {
        result.status = Unreadable;
        result.error = refused.isEmpty() ? file.errorString() : refused;
        qCWarning(lcNotebook, "%s not read: %s", qPrintable(path), qPrintable(result.error));
        ::close(fd);
        return result;
    }
    // A regular file never blocks; reads need no O_NONBLOCK handling.
    ::fcntl(fd, F_SETFL, ::fcntl(fd, F_GETFL) & ~O_NONBLOCK);

    TabStoreReader::Result read = TabStoreReader::read(&file);
    result.data = read.data;
    switch (read.status) {
    case TabStoreReader::Ok:
        result.status = Loaded;
        break;
    case TabStoreReader::ReadError:
        result.status = Unreadable;
        result.error = read.reason;
        break;
    case TabStoreReader::Damaged:
        result.status = Damaged;
        result.errorOffset = read.errorOffset;
        result.error = read.reason;
        copyAside(file, path, &result.damagedCopyPath, &result.copyError);
        break;
    }
    return result;
}

TabStoreFile::SaveResult TabStoreFile::save(const QString &path, const TabStoreData &data)
{
    SaveResult result;
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly)) {
        result.error = file.errorString();
        return result;
    }
    QString writeError;
    if (!TabStoreWriter::write(&file, data, &writeError)) {
        // The file's own text names the cause (disk full, I/O error); read it
        // before cancelWriting() replaces it.
        result.error = file.error() != QFileDevice::NoError ? file.errorString() : writeError;
        file.cancelWriting();
        return result;
    }
    result.error = CheckedSave::commit(file);
    result.ok = result.error.isEmpty();
    return result;
}

TabStoreFile::SaveResult TabStoreFile::saveEmpty(const QString &path)
{
    SaveResult result;
    static const char countOne[4] = {0, 0, 0, 1};
    result.error = CheckedSave::write(path, QByteArray(countOne, 4));
    result.ok = result.error.isEmpty();
    return result;
}
