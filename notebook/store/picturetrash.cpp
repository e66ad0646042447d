#include "picturetrash.h"

#include "picturestore.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>

#include <optional>

#include <fcntl.h>
#include <sys/stat.h>

namespace {
QString fileOf(const QString &folder, const QString &name)
{
    return QDir(folder).filePath(name);
}

/// A regular file that is not a link.
bool isPlainFile(const QString &path)
{
    const QFileInfo info(path);
    return info.isFile() && !info.isSymLink();
}

/// Moves from to to unless a regular file of the same size is at to already;
/// then from goes, as the two are the same picture (named by content).
QString move(const QString &from, const QString &to)
{
    const QFileInfo target(to);
    if (target.isSymLink() || (target.exists() && !target.isFile()))
        return PictureTrash::tr("%1 不是普通文件，图片 %2 没有移动").arg(QDir::toNativeSeparators(to), from);
    if (target.exists()) {
        if (target.size() == QFileInfo(from).size())
            return QFile::remove(from) ? QString() : PictureTrash::tr("无法移动图片 %1").arg(QDir::toNativeSeparators(from));
        // A copy cut short gives way to the whole one.
        if (!QFile::remove(to))
            return PictureTrash::tr("无法移动图片 %1").arg(QDir::toNativeSeparators(from));
    }
    if (!QFile::rename(from, to))
        return PictureTrash::tr("无法移动图片 %1").arg(QDir::toNativeSeparators(from));
    return QString();
}
}

PictureTrash::PictureTrash(const QString &notebookFolder)
    : m_folder(notebookFolder)
{
}

QSet<QString> PictureTrash::referencedBy(const QString &html)
{
    QSet<QString> names;
    if (!html.contains(QLatin1String("pictures/")))
        return names;
    static const QRegularExpression source(QStringLiteral("src=\"(pictures/[0-9a-f]{64}\\.png)\""));
    for (auto it = source.globalMatch(html); it.hasNext();)
        names.insert(it.next().captured(1));
    return names;
}

QStringList PictureTrash::drop(const QSet<QString> &names) const
{
    QStringList errors;
    for (const QString &name : names) {
        const QString from = fileOf(m_folder, name);
        if (!PictureStore::isPictureName(name) || !isPlainFile(from))
            continue;
        const QString trash = fileOf(m_folder, folderName());
        if (!QDir().mkpath(trash) || QFileInfo(trash).isSymLink()) {
            errors << tr("无法创建文件夹 %1").arg(QDir::toNativeSeparators(trash));
            break;
        }
        const QString to = QDir(trash).filePath(QFileInfo(name).fileName());
        const QString error = move(from, to);
        if (!error.isEmpty()) {
            errors << error;
            continue;
        }
        // Its time in the trash counts from now, not from when it was made.
        ::utimensat(AT_FDCWD, QFile::encodeName(to).constData(), nullptr, 0);
    }
    return errors;
}

QStringList PictureTrash::bringBack(const QSet<QString> &names) const
{
    QStringList errors;
    for (const QString &name : names) {
        if (!PictureStore::isPictureName(name) || !holds(name))
            continue;
        const QString to = fileOf(m_folder, name);
        if (QFileInfo(to).exists() || QFileInfo(to).isSymLink())
            continue;
        const QFileInfo folder(QFileInfo(to).path());
        if (folder.isSymLink() || !QDir().mkpath(folder.filePath())) {
            errors << tr("无法创建文件夹 %1").arg(QDir::toNativeSeparators(folder.filePath()));
            continue;
        }
        const QString error = move(QDir(fileOf(m_folder, folderName())).filePath(QFileInfo(name).fileName()), to);
        if (!error.isEmpty())
            errors << error;
    }
    return errors;
}

bool PictureTrash::holds(const QString &name) const
{
    return PictureStore::isPictureName(name)
        && isPlainFile(QDir(fileOf(m_folder, folderName())).filePath(QFileInfo(name).fileName()));
}

int PictureTrash::prune(const QDateTime &now, int days, const std::function<QSet<QString>()> &keep,
                        QStringList *errors) const
{
    const QDateTime limit = now.addDays(-days);
    const QDir trash(fileOf(m_folder, folderName()));
    int removed = 0;
    std::optional<QSet<QString>> kept;
    for (const QFileInfo &info : trash.entryInfoList(QDir::Files | QDir::NoSymLinks | QDir::Hidden)) {
        const QString name = QLatin1String("pictures/") + info.fileName();
        if (!PictureStore::isPictureName(name) || info.lastModified() >= limit)
            continue;
        if (!kept)
            kept = keep();
        if (kept->contains(name))
            continue;
        QFile file(info.filePath());
        if (file.remove())
            ++removed;
        else if (errors)
            *errors << info.filePath() + QLatin1String(": ") + file.errorString();
    }
    return removed;
}
