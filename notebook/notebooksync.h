#pragma once

#include "filestamp.h"
#include "folderwatcher.h"
#include "tabstoredata.h"

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QSet>
#include <QString>

#include <functional>

class Notebook;
class QWidget;

/// Keeps a notebook whose folder a sync tool (Syncthing, Nextcloud, …)
/// copies between computers in step with that folder while the program runs.
///
/// In this mode every fixed tab lives in a note file of its own,
/// "notes/<id>.not" (the id random and never changed, so renaming a tab
/// renames no file), bound in tab.dat by that relative path. It watches
/// notes/ and tab.dat: a note file changed elsewhere is loaded into its tab
/// (unless the tab holds an unsaved edit: then both texts are kept), a new
/// one becomes a tab, one removed elsewhere leaves the notebook with its last
/// text kept in trash/, a sync tool's conflict copy shows as a read-only tab
/// marked as a conflict (fix it to keep it as a note of its own, delete it to
/// send it to trash/), and a tab.dat written elsewhere (or its conflict
/// copies) is merged into the notebook's names, order and places. The
/// notebook's own saves never overwrite a note file that changed since it
/// was read.
///
/// It holds no widgets of its own and shows nothing: what the user should
/// know comes out as message(). Paths are relative to the notebook folder,
/// which is the working directory.
class NotebookSync : public QObject
{
    Q_OBJECT
public:
    /// What the notebook's store offers: the snapshot tab.dat would get now,
    /// and the one last written to it (null when none).
    struct Store
    {
        std::function<TabStoreData()> snapshot;
        std::function<TabStoreData()> lastWritten;
    };

    NotebookSync(Notebook *notebook, const QString &folder, const Store &store, QObject *parent = nullptr);
    ~NotebookSync() override;

    /// The file whose presence switches the mode on for a folder (so both
    /// computers see the choice).
    static QString modeFile(const QString &folder);
    static bool isOn(const QString &folder);
    /// Switches the mode on or off for folder; returns the error, empty when done.
    static QString setOn(const QString &folder, bool on);
    /// This computer's name for folder: its host name and a tag made of the
    /// machine id and the folder's path (two notebooks on one machine, or two
    /// machines of the same name, differ). Used in file names.
    static QString deviceName(const QString &folder);
    /// The note-file path a new note gets, relative to the notebook folder.
    static QString newNotePath();
    /// The tab title of a conflict copy of a note named name; detail (when
    /// and where the copy was made) tells apart several copies of one note.
    static QString conflictTitle(const QString &name, const QString &detail = QString());

    /// Moves every fixed tab into its own note file, shows note files
    /// tab.dat does not list (a run that ended between writing a note and
    /// tab.dat) and conflict copies, and starts watching. Reads every note
    /// file once: called after the window's first frame. Until then no note
    /// file in notes/ is written. A second call does nothing.
    void start();
    bool isStarted() const { return m_started; }
    /// Passive: the mode is off here, but notes/ still holds the notes and
    /// another computer may still sync them. Nothing is watched or merged;
    /// only the guard stays, so a note file changed elsewhere is never
    /// written over. Switching back to active looks at the folder at once.
    void setPassive(bool passive);
    bool isPassive() const { return m_passive; }
    /// Looks at notes/ and tab.dat now and brings the notebook in step
    /// (nothing before start()).
    void checkNow();
    /// Whether deleting the tab bound to path moves its text to trash/ here
    /// (a note file in notes/ that is there): the caller then leaves it to us.
    bool trashesOnDelete(const QString &path) const;

signals:
    /// Something to tell the user: label, a few words for the window's
    /// message label; detail, the whole story (empty when label says it
    /// all); problem: something could not be done.
    void message(const QString &label, const QString &detail, bool problem);
    /// A merged tab.dat chose another skin.
    void skinChanged(const QString &path);
    /// The notebook changed in a way tab.dat must learn soon.
    void saveWanted();

private:
    QString abs(const QString &relative) const;
    QString noteRelative(const QString &fileName) const;
    void takeNewFixedTabs();
    void scanNotes();
    void checkStore();
    void merge(const TabStoreData &remote);
    /// tab.dat as now agreed; the one before joins the history of versions seen here.
    void setBase(const TabStoreData &base);
    /// Turns a record that holds its text (written where the mode was off)
    /// into a note of its own, unless a note here holds that text already.
    void adoptTextRecord(const TabRecord &record);
    void reload(const QString &file, const FileStamp &stamp);
    void addNew(const QString &file, const FileStamp &stamp);
    void deletedElsewhere(const QString &file);
    /// A sync tool's conflict copy shown as a tab is gone (the tool prunes
    /// old ones): the tab stays, its text also goes to trash/.
    void conflictCopyPruned(QWidget *page, const QString &file);
    void keepBoth(const QString &file, const FileStamp &stamp);
    void showConflictCopy(const QString &file, const QString &original, const FileStamp &stamp);
    void fileTabDeleted(const QString &path, const QString &html, const QString &name);
    void tooLarge(const QString &file, const FileStamp &stamp, const QString &error);
    void noteUnfixed(QWidget *page, const QString &path);
    /// A fixed tab moved into a file that a run ended before writing finds
    /// that file again by its text: true when file is one.
    bool adoptWritten(const QString &file, const QString &text, const FileStamp &stamp);
    void noteSaved(const QString &path, const QString &html);
    /// Why the note file path (relative) is no note to read or write: a link,
    /// not a regular file, or resolving outside the notebook folder; empty
    /// when it is one (or does not exist inside it).
    QString refusal(const QString &path) const;
    /// Leaves the file alone, told once; a tab bound to it keeps its text in a new note file.
    void refuse(const QString &file, const QString &reason);
    /// A note file emptied elsewhere while it held text: the tab keeps its
    /// text and writes it again.
    void emptiedElsewhere(const QString &file, const FileStamp &stamp);
    /// A note file tab.dat lists was empty when the notebook read it: told,
    /// never taken as the user's edit.
    void emptyAtStart(QWidget *page, const QString &path);
    /// A note file that is not UTF-8 has its bytes kept in trash/ before a
    /// save may write it as UTF-8; false when they could not be kept.
    bool keepForeignBytes(const QString &file);
    bool mayWrite(const QString &path) const;
    /// Writes the note into trash/ (TrashStore); returns the file relative to
    /// the folder, or an empty string (error set).
    QString toTrash(const QString &name, const QString &html, QString *error) const;
    /// The record tab.dat on disk holds for the note file path (an empty one when none).
    TabRecord recordFromStore(const QString &path) const;
    static QString firstLine(const QString &html);
    static QString shortName(const QString &name);

    /// The notebook belongs to the window; guarded so that an end in
    /// either order never reaches a destroyed one.
    QPointer<Notebook> m_notebook;
    const QString m_folder;
    Store m_store;
    FolderWatcher m_watcher;
    /// Per file name in notes/: what it held when last read or written here.
    QHash<QString, FileStamp> m_known;
    /// Note files too large to open, by the hash of the version the user was told about.
    QHash<QString, QByteArray> m_toldTooLarge;
    /// Entries of notes/ that are no notes, with the reason the user was told.
    QHash<QString, QString> m_refused;
    /// Note files not to be written: their foreign bytes could not be kept aside.
    QSet<QString> m_unwritable;
    /// tab.dat as last agreed with the other computers, and its stamp.
    TabStoreData m_base;
    /// Versions of tab.dat seen here before m_base, newest last: a value
    /// from one of them arriving again is stale, not a change.
    QList<TabStoreData> m_history;
    /// Conflict tabs and the name of the note each is a copy of.
    QHash<QWidget *, QString> m_conflictNames;
    /// Text records already turned into notes this run (by their merge key).
    QSet<QString> m_adoptedText;
    FileStamp m_storeStamp;
    bool m_checking = false;
    bool m_started = false;
    bool m_passive = false;
    /// The mode file went away while this run kept the mode (told once).
    bool m_toldModeOff = false;
};
