#pragma once

#include "tabstoredata.h"

#include <QString>

/// tab.dat on disk: loading that never loses a damaged file, and saving that
/// replaces the file atomically.
///
/// save() writes a new file next to the old one and renames it over it
/// (QSaveFile), so an interrupted or failed save leaves the previous tab.dat
/// whole. load() copies a damaged file aside before returning, so the next
/// save cannot destroy the only copy of what it held.
///
/// load() reads only a regular file (a link to one is fine) of at most
/// MaxBytes: a FIFO, a device or a huge file is reported Unreadable without
/// being read, so start-up never hangs in open() or fills memory with it, and
/// the caller must then not save over it.
class TabStoreFile
{
public:
    /// The largest tab.dat loaded: far more text than anyone types.
    static constexpr qint64 MaxBytes = 64 * 1024 * 1024;

    enum LoadStatus {
        Loaded,     ///< read whole; a 0-byte file counts as an empty store
        Missing,    ///< no file: an empty store, not an error
        Damaged,    ///< data holds the records read before the fault; the file was copied aside
        Unreadable, ///< not a regular file, larger than MaxBytes, or could not be opened or read;
                    ///< data holds what was read, if anything
    };

    struct LoadResult
    {
        TabStoreData data;
        LoadStatus status = Loaded;
        /// Damaged: byte offset of the faulty field; -1 otherwise.
        qint64 errorOffset = -1;
        /// Damaged: what is wrong at errorOffset. Unreadable: the file error.
        QString error;
        /// Damaged: the copy, "<path>.damaged-<yyyyMMdd-hhmmss>" (with "-2", "-3"... when
        /// that name is taken); empty when the copy failed.
        QString damagedCopyPath;
        /// Damaged: why the copy could not be made; empty when it was.
        QString copyError;
    };

    struct SaveResult
    {
        bool ok = false;
        /// The file error when !ok (e.g. "No space left on device").
        QString error;
    };

    static LoadResult load(const QString &path);
    /// Replaces path atomically; on failure the old file is untouched.
    static SaveResult save(const QString &path, const TabStoreData &data);
    /// Writes the smallest valid store, the count 1 alone (00 00 00 01), as a
    /// first start leaves it; atomically like save().
    static SaveResult saveEmpty(const QString &path);
};
