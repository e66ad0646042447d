#pragma once

#include "filestamp.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>

/// Compares the notes folder of a synced notebook with what the program last
/// read from it or wrote to it, and says what to do about each difference.
/// Pure logic: the caller stats and hashes the files and applies the actions.
///
/// Names are file names inside the notes folder. Only note files count
/// ("*.not", not hidden): the temporary files of QSaveFile and of sync tools
/// are ignored until they are renamed into place.
class SyncScan
{
public:
    enum class Action {
        Reload,            ///< changed elsewhere, no unsaved edit here: load it into its tab
        NewNote,           ///< a note file the notebook does not show yet
        DeletedElsewhere,  ///< removed elsewhere: remove its tab, keep its text in the trash
        DeletedWhileEdited, ///< removed elsewhere while edited here: keep the tab, write it again
        Conflict,          ///< changed elsewhere and edited here: keep both texts
        ConflictCopy,      ///< a sync tool's copy of a note both computers changed
    };

    struct Step
    {
        Action action;
        QString file;
        /// ConflictCopy: the note it is a copy of.
        QString original;
        friend bool operator==(const Step &a, const Step &b)
        {
            return a.action == b.action && a.file == b.file && a.original == b.original;
        }
    };

    /// Whether fileName is a note file the folder scan looks at.
    static bool isNoteFile(const QString &fileName);
    /// known: what was last read or written per file; disk: what is there now;
    /// unsaved: files whose tab holds an edit not yet written. Steps come
    /// sorted by file name, so two runs over the same folder agree.
    static QList<Step> compare(const QHash<QString, FileStamp> &known, const QHash<QString, FileStamp> &disk,
                               const QSet<QString> &unsaved);
};
