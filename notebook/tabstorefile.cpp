#include "tabstorefile.h"

#include "tabstorereader.h"
#include "tabstorewriter.h"

#include <QDateTime>
#include <QFile>
#include <QSaveFile>

namespace {

/// Copies the open file from its start into a new file that did not exist
/// before (NewOnly), so an earlier copy is never overwritten.
bool copyAside(QFile &source, QString *copyPath, QString *error)
{
    const QString stem = source.fileName() + QLatin1String(".damaged-")
        + QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-hhmmss"));
    if (!source.seek(0)) {
        *error = source.errorString();
        return false;
    }
    for (int attempt = 1; attempt <= 1000; ++attempt) {
        const QString candidate = attempt == 1 ? stem : stem + QLatin1Char('-') + QString::number(attempt);
        QFile copy(candidate);
        if (!copy.open(QIODevice::WriteOnly | QIODevice::NewOnly)) {
            if (QFile::exists(candidate))
                continue;
            *error = copy.errorString();
            return false;
        }
        // The copy holds the same notes: no wider access than the original.
        copy.setPermissions(source.permissions());
        char chunk[64 * 1024];
        for (;;) {
            const qint64 got = source.read(chunk, sizeof chunk);
            if (got == 0)
                break;
            if (got < 0 || copy.write(chunk, got) != got) {
                *error = got < 0 ? source.errorString() : copy.errorString();
                copy.close();
                copy.remove();
                return false;
            }
        }
        if (!copy.flush()) {
            *error = copy.errorString();
            copy.close();
            copy.remove();
            return false;
        }
        *copyPath = candidate;
        return true;
    }
    *error = QStringLiteral("too many damaged copies already");
    return false;
}

} // namespace

TabStoreFile::LoadResult TabStoreFile::load(const QString &path)
{
    LoadResult result;
    QFile file(path);
    if (!file.exists()) {
        result.status = Missing;
        return result;
    }
    if (!file.open(QIODevice::ReadOnly)) {
        result.status = Unreadable;
        result.error = file.errorString();
        return result;
    }

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
        copyAside(file, &result.damagedCopyPath, &result.copyError);
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
    if (!file.commit()) {
        result.error = file.errorString();
        return result;
    }
    result.ok = true;
    return result;
}

TabStoreFile::SaveResult TabStoreFile::saveEmpty(const QString &path)
{
    SaveResult result;
    QSaveFile file(path);
    static const char countOne[4] = {0, 0, 0, 1};
    if (!file.open(QIODevice::WriteOnly) || file.write(countOne, 4) != 4) {
        result.error = file.errorString();
        return result;
    }
    result.ok = file.commit();
    if (!result.ok)
        result.error = file.errorString();
    return result;
}
