#pragma once

#include "notebookstate.h"

#include <QCoreApplication>
#include <QString>

#include <functional>

/// notebook-state.json on disk, beside tab.dat: loading that never stops a
/// start and never loses a damaged file, and saving that replaces the file
/// atomically (QSaveFile), the old one whole when anything fails.
///
/// In sync folder mode the main window and the last run are kept per
/// computer, in a small file under $XDG_STATE_HOME/velmonote (default
/// ~/.local/state/velmonote) named by a hash of the notebook folder: see
/// localPath(), saveLocal() and load() of that path.
class NotebookStateFile
{
    Q_DECLARE_TR_FUNCTIONS(NotebookStateFile)
public:
    /// Far more than a notebook's settings take; larger files are not read.
    static constexpr qint64 MaxBytes = 8 * 1024 * 1024;

    static QString fileName() { return QStringLiteral("notebook-state.json"); }
    /// The side file of the notebook in folder.
    static QString pathIn(const QString &folder);
    /// The per-computer file for the notebook in folder (the folder made
    /// absolute and canonical first, so every way of naming it agrees).
    static QString localPath(const QString &folder);

    enum LoadStatus {
        Loaded,     ///< read whole
        Missing,    ///< no file: defaults, not an error
        Damaged,    ///< not JSON, wrong types or a newer version: what could be read, defaults
                    ///< for the rest; the file was copied aside
        Unreadable, ///< not a regular file, larger than MaxBytes, or could not be read: defaults
    };

    struct LoadResult
    {
        NotebookState state;
        LoadStatus status = Loaded;
        /// Damaged: what is wrong, one problem per line. Unreadable: the file error.
        QString error;
        /// Damaged: the copy, "<path>.damaged-<yyyyMMdd-HHmmss>" ("-2", "-3"... when taken);
        /// empty when the copy failed.
        QString damagedCopyPath;
        QString copyError;
        /// Whether this run may replace the file: not when it could not be
        /// read, or was damaged and could not be copied aside.
        bool writable = true;
        /// What to tell the user; empty when Loaded or Missing.
        QString message;
    };

    struct SaveResult
    {
        bool ok = false;
        /// The file error when !ok (e.g. "No space left on device").
        QString error;
    };

    /// The guard the notebook's store writes through: false keeps path as it is.
    using WriteGuard = std::function<bool(const QString &path)>;

    static LoadResult load(const QString &path);
    /// Writes state (bind() it to the records first). includeWindow false
    /// (sync folder mode) leaves the window and last run to saveLocal().
    static SaveResult save(const QString &path, const NotebookState &state, bool includeWindow,
                           const WriteGuard &mayWrite = WriteGuard());
    /// Writes the window and last run alone, creating the folder.
    static SaveResult saveLocal(const QString &path, const NotebookState &state, const QString &folder = QString());

private:
    static SaveResult write(const QString &path, const QByteArray &bytes);
};
