#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

/// The notebook's trash/ folder ("Recently deleted"): one deleted note per
/// file, "trash/<base>-<yyyyMMdd-HHmmss>[-N].not", the note's HTML as the
/// sync folder mode writes it, so a user can open any of them as a note.
/// The time in the name (local time) is when the note was deleted.
///
/// The note's name travels inside the file, as
/// <meta name="velmo-note-name" content="..."> in the HTML head (the editor
/// ignores meta elements it does not know); files without one (those the
/// sync folder mode wrote, or a user's own) are named by their first line.
///
/// Only regular files directly in trash/ ending in ".not" count; links and
/// anything else there are neither listed nor removed.
class TrashStore
{
public:
    /// The folder inside the notebook folder.
    static QString folderName() { return QStringLiteral("trash"); }
    static constexpr int KeepDays = 30;
    static constexpr int MaxEntries = 500;
    /// Larger files are listed by name and time only, and never read whole.
    static constexpr qint64 MaxBytes = 8 * 1024 * 1024;

    struct Entry
    {
        /// Absolute path of the file.
        QString file;
        /// The note's name; its first line when the file keeps none.
        QString name;
        QDateTime deleted;
        /// The first line of the visible text (empty when the note had none).
        QString firstLine;
    };

    struct Taken
    {
        bool ok = false;
        QString name;
        /// The note as the editor had it (without the name this store added).
        QString html;
        /// Why it was not taken; or, when ok, why some of its pictures did
        /// not come back.
        QString error;
    };

    struct PutResult
    {
        bool ok = false;
        QString file;
        QString error;
    };

    /// folder: the notebook folder (trash/ is created in it on the first put).
    explicit TrashStore(const QString &folder);

    QString path() const { return m_trash; }

    /// Writes one entry atomically; time names the file.
    PutResult put(const QString &name, const QString &html, const QDateTime &time) const;
    /// Every entry, newest first.
    QList<Entry> list() const;
    /// The note of entry, and the entry gone; on failure the entry stays.
    Taken take(const Entry &entry) const;
    /// Removes entries deleted more than KeepDays before now, then the oldest
    /// beyond MaxEntries, and the pictures dropped with them (PictureTrash).
    /// Returns how many went; failures go in errors.
    int prune(const QDateTime &now, QStringList *errors = nullptr) const;

    /// The text a person sees first in the note: its first non-empty line,
    /// at most 80 characters. Works on HTML without a text engine.
    static QString firstLineOf(const QString &html);

private:
    struct File
    {
        QString path;
        QDateTime deleted;
        /// N of a "-N" after the time (1 without).
        int sequence = 1;
    };
    QList<File> files() const;
    QString notebookFolder() const;

    QString m_trash;
};
