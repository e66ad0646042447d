#pragma once

#include "notebook.h"
#include "storesession.h"
#include "trashstore.h"

#include <QDateTime>
#include <QElapsedTimer>
#include <QHash>
#include <QObject>
#include <QPointer>

class NotebookSession;
class QTextDocument;

/// "Recently deleted": nothing the user typed leaves the notebook without a
/// copy in its trash/ folder (TrashStore). A tab the user deletes (fixed or
/// not) and every scratch note still holding text when the program or the
/// session ends go there with their names and the time; an entry comes back
/// as a fixed tab. Ctrl+Z in the main window right after a delete brings the
/// deleted note back; entries older than TrashStore::KeepDays go at start.
///
/// A tab bound to a synced notebook's notes/ file is trashed by the sync
/// (NotebookSync, which removes its file too), everything else here; so each
/// note is written to trash/ once.
///
/// The notebook and the session belong to the window. It shows nothing:
/// what the user should know comes out as notice().
class RecentlyDeleted : public QObject
{
    Q_OBJECT
public:
    /// For this long after a delete, Ctrl+Z brings the note back even in a
    /// note that could undo, unless the user typed there meanwhile.
    static constexpr int UndoWindowMs = 10000;

    /// Build it before session->open(): it must hear an unfix before the sync does.
    RecentlyDeleted(Notebook *notebook, NotebookSession *session, QObject *parent = nullptr);
    ~RecentlyDeleted() override;

    /// Removes the entries deleted more than TrashStore::KeepDays before now.
    void prune(const QDateTime &now);
    /// The name of tab index as the delete question shows it.
    QString nameAt(int index) const;
    /// Keeps the note of tab index in trash/, then deletes the tab (a fixed
    /// one too). A note that cannot be kept is not deleted (notice says why).
    Notebook::Refusal deleteTab(int index);
    /// Puts every scratch note that holds text (and is not in trash/ as it
    /// is already) into trash/ and tells how many, once. False when one
    /// could not be kept: the note is still there, and the notice says so.
    bool keepScratchNotes();
    QList<TrashStore::Entry> entries() const { return m_trash.list(); }
    /// Brings entry back as a fixed tab, made current; false when it cannot (notice says why).
    bool restore(const TrashStore::Entry &entry);

signals:
    void notice(const StoreSession::Notice &notice);

private:
    bool eventFilter(QObject *watched, QEvent *event) override;
    /// Whether Ctrl+Z sent to target should bring the last deleted note back.
    bool undoWanted(QObject *target) const;
    void undoDelete();
    void noteUnfixed(QWidget *page, const QString &path);
    /// Writes a note into trash/; the error, empty when kept.
    QString put(QWidget *page, const QString &name, const QString &html);

    QPointer<Notebook> m_notebook;
    QPointer<NotebookSession> m_session;
    TrashStore m_trash;
    /// The last note deleted in this run, until Ctrl+Z brings it back.
    struct LastDelete
    {
        QString name;
        /// Its entry when written here; empty when the sync wrote it or it was there.
        QString file;
        QDateTime when;
        QElapsedTimer since;
        /// The note shown after the delete, and whether it was edited since.
        QPointer<QTextDocument> shown;
        bool edited = false;
    } m_last;
    QMetaObject::Connection m_shownEdits;
    /// What trash/ holds of a note that is still open (a synced note unfixed,
    /// a scratch note kept at a quit that did not happen).
    QHash<QWidget *, QString> m_inTrash;
};
