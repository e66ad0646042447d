#pragma once

#include "filestamp.h"
#include "notebookstate.h"
#include "notebookstatefile.h"
#include "storesession.h"

#include <QDateTime>
#include <QHash>
#include <QObject>
#include <QPointer>
#include <QStringList>

#include <future>

class Notebook;
class NoteWidget;
class ReminderNotifier;

/// Keeps the notebook's side file (notebook-state.json) in step with the
/// running program: at start it gives each desktop note its read-only,
/// keep-on-top, opacity and reminder back and reports the time reminders
/// that fell due while the program was not running; while it runs it
/// follows the notes' settings and the main window's state, and writes them
/// when the store saves tab.dat (save() is called from the store's save).
///
/// Settings belong to the note, not to its window: a desktop note put back
/// into the notebook keeps its reminder and settings here, and gets them
/// again when it is stuck on the desktop once more (noteStuck()).
///
/// Settings are held per page (the note's editor, or a restored tab's
/// placeholder) while the program runs and matched to tab.dat's records at
/// every save; in sync folder mode the per-note part is shared with the
/// other computers and merged when it changed there, while the main window
/// and the last run stay in a per-computer file.
class NoteStateKeeper : public QObject
{
    Q_OBJECT
public:
    NoteStateKeeper(Notebook *notebook, const QString &folder, QObject *parent = nullptr);
    ~NoteStateKeeper() override;

    /// Reads the side file after tab.dat was restored and applies it.
    /// sync: the folder is in sync folder mode. Returns what to tell the
    /// user (a damaged file, missed reminders); empty when nothing.
    StoreSession::Notice open(bool sync);
    void setSync(bool on);
    /// Writes the side file (and in sync folder mode the per-computer one)
    /// when it changed; returns the errors, one line each.
    QStringList save();
    /// Waits for the side file's write that save() started (it runs beside
    /// tab.dat's); returns its error, empty when written or none ran.
    QStringList finishSave();
    /// The next save() also writes the per-computer file (quit, session end).
    void saveLocalNext() { m_localDue = true; }

    /// A note was stuck on the desktop: it gets the settings its note kept.
    void noteStuck(NoteWidget *note);

    bool keepNewNotes() const { return m_state.keepNewNotes; }
    void setKeepNewNotes(bool on);
    /// open() found this computer's own file of a synced run although the
    /// folder is no longer in sync folder mode: another computer switched it
    /// off (switching it off here removes that file). True once per switch.
    bool syncEndedElsewhere() const { return m_syncEndedElsewhere; }
    bool captureKeyNoticeSeen() const { return m_state.captureKeyNoticeSeen; }
    /// Kept with the next save, like the other settings.
    void setCaptureKeyNoticeSeen();
    NotebookState::Window window() const { return m_state.window; }
    /// Whether the side file held a window (else the window keeps its default).
    bool hasWindow() const { return m_state.window.geometry.isValid(); }
    void setWindow(const NotebookState::Window &window);

    /// Sync folder mode: merges the side file (and its conflict copies) when
    /// another computer changed it, and applies the result to the desktop
    /// notes not being edited.
    void checkSynced();

signals:
    /// Something the side file holds changed: tab.dat's autosave should run.
    void changed();
    /// What to tell the user while running (a reminder rang with no
    /// notification server, a merge).
    void notice(const StoreSession::Notice &notice);
    /// Another computer's choice for new notes arrived with the side file.
    void keepNewNotesChanged(bool on);

private:
    void watch(NoteWidget *note);
    void remember(QWidget *page, const NotebookState::Note &settings);
    void settingsChanged(NoteWidget *note);
    void apply(NoteWidget *note, const NotebookState::Note &settings);
    void bindToRecords();
    NoteWidget *noteOf(QWidget *page) const;
    QString path() const;

    QPointer<Notebook> m_notebook;
    const QString m_folder;
    NotebookState m_state;
    QHash<QWidget *, NotebookState::Note> m_byPage;
    ReminderNotifier *m_notifier;
    bool m_sync = false;
    bool m_writable = true;
    bool m_localDue = false;
    bool m_applying = false;
    bool m_syncEndedElsewhere = false;
    /// The side file as this run last read or wrote it (sync folder mode).
    FileStamp m_stamp;
    QByteArray m_lastShared;
    QByteArray m_lastLocal;
    QStringList m_mergedCopies;
    /// The side file's write on its thread, and what it wrote (without lastRun).
    struct PendingSave {
        NotebookStateFile::SaveResult result;
        QByteArray written;
    };
    std::future<PendingSave> m_pending;
    /// What the last write held, lastRun left out (not in sync folder mode).
    QByteArray m_lastWritten;
};
