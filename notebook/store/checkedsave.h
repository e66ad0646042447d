#pragma once

#include <QCoreApplication>
#include <QString>

#include <functional>

class QFile;
class QSaveFile;

/// Finishes a QSaveFile so that only bytes that reached the disk replace the
/// old file. QSaveFile buffers its writes and, in Qt 6.4, renames the
/// temporary file over the old one even when flushing that buffer failed
/// (a full disk leaves an empty or cut file in place of the note); this
/// flushes and syncs first and cancels the save on any failure.
class CheckedSave
{
    Q_DECLARE_TR_FUNCTIONS(CheckedSave)
public:
    /// Flushes, syncs and commits file (open for writing, all bytes written).
    /// Returns the error, empty when the new file is in place; on failure the
    /// old file is untouched. A full disk reads "磁盘已满…" with the path.
    static QString commit(QSaveFile &file);
    /// Writes bytes to path through a QSaveFile; returns the error, empty when done.
    static QString write(const QString &path, const QByteArray &bytes);
    /// Keeps a damaged file's bytes beside it: opens a file that did not
    /// exist before, "<path>.damaged-<time>[-N]" (so an earlier copy is never
    /// overwritten), with path's permissions, and lets fill write into it
    /// (fill returns its error, empty when done). Returns the copy's name, or
    /// empty with error set; a copy cut short is removed.
    static QString copyAside(const QString &path, const std::function<QString(QFile &copy)> &fill,
                             QString *error);
};
