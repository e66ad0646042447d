#pragma once

#include "storesaver.h"
#include "tabstoredata.h"

#include <QObject>
#include <QString>
#include <QStringList>
#include <QTimer>

#include <functional>
#include <memory>

/// One run of the program with its tab.dat: loading it at start-up and what
/// the user is told about that, whether this run may write it at all, the
/// autosave timer, saving now (at quit, at session end, when the session
/// manager asks), reporting failed saves, and the rule that a quit whose save
/// failed ends the program only when asked a second time.
///
/// It holds no widgets and shows nothing: what the user should be told comes
/// back as a Notice, returned or emitted, for the window to show. The notes
/// themselves stay with their owner, reached through the Source functions.
class StoreSession : public QObject
{
    Q_OBJECT
public:
    /// What to tell the user: a short text for the window's message label and
    /// a longer one for the tray balloon. Either may be empty.
    struct Notice
    {
        QString label;
        QString detail;
        bool isEmpty() const { return label.isEmpty() && detail.isEmpty(); }
    };

    /// Where the notes come from and go to.
    struct Source
    {
        /// Recreates the notebook from data; returns how many records were
        /// kept aside because their note file could not be read.
        std::function<int(const TabStoreData &data)> restore;
        /// What tab.dat must hold now.
        std::function<TabStoreData()> snapshot;
        /// Writes changed file-bound notes to their files; one error line per failure.
        std::function<QStringList()> writeNoteFiles;
        /// Called before every save (a synced notebook looks at its folder
        /// first); may be empty. Returning true: tab.dat is shared with other
        /// computers, so an autosave leaves it alone when it already holds
        /// the snapshot (rewriting the same bytes would make the sync tool
        /// send it again).
        std::function<bool()> beforeSave;
    };

    struct Opened
    {
        /// The skin path tab.dat held (empty when none or nothing was read).
        QString skinPath;
        Notice notice;
    };

    enum class QuitAnswer { Quit, Stay };
    struct QuitOutcome
    {
        QuitAnswer answer = QuitAnswer::Quit;
        /// Set when the save failed.
        Notice notice;
    };

    /// path: the tab.dat this run reads and writes.
    explicit StoreSession(const QString &path, QObject *parent = nullptr);
    /// Saves in the background through save (tests use this to make saves fail).
    StoreSession(const QString &path, StoreSaver::SaveFunction save, QObject *parent = nullptr);
    ~StoreSession() override;

    QString path() const { return m_path; }
    /// What this run last wrote to tab.dat (empty before its first save).
    /// Safe to call while a background save runs.
    TabStoreData lastWritten() const;

    /// Reads tab.dat into source.restore. A missing or empty file becomes
    /// the empty store; a file that could not be read, or a damaged one that
    /// could not be copied aside, is never written by this run.
    Opened open(const Source &source);
    /// Whether this run may write tab.dat.
    bool isWritable() const { return m_writable; }

    /// Something tab.dat holds changed. Saves within two seconds; later
    /// changes do not postpone it, so someone typing still gets a save
    /// every two seconds.
    void scheduleAutosave();
    /// Starts a background save now (what the timer does).
    void autosave();
    /// Also writes changed note files ms after the last change (0: only
    /// with the autosave). A synced notebook's notes so reach the other
    /// computers soon after the typing stops; tab.dat keeps its pace.
    void setNoteFileDelay(int ms);

    /// Saves now, waiting for the write; returns the error, empty when
    /// everything was written. Stops a pending autosave.
    QString saveNow();
    /// The user asked to quit: saves. Quit when saved, when a failed save
    /// was already reported for an earlier quit, or when the failure loses
    /// nothing (no change since start or the last good save, or tab.dat
    /// already holds the same bytes); otherwise Stay, with the
    /// failure to show (the old tab.dat is still whole).
    QuitOutcome quitRequested();
    /// The desktop session ends or asks for data to be saved: saves, and
    /// returns the failure to show (empty when saved).
    Notice saveForSession();

signals:
    /// A background save failed. Told once; the next failure is told again
    /// only after a save has worked.
    void autosaveFailed(const StoreSession::Notice &notice);

private:
    void autosaveFinished(bool ok, const QString &error);
    void writeNoteFilesSoon();
    Notice openNotice(const TabStoreFile::LoadResult &loaded, int keptRecords,
                      const TabStoreFile::SaveResult &created) const;
    QString notWritableError() const;
    bool diskHoldsSnapshot() const;

    struct Written;
    const QString m_path;
    /// Shared with the saver's thread, which records what it wrote.
    std::shared_ptr<Written> m_written;
    Source m_source;
    StoreSaver *m_saver = nullptr;
    QTimer m_autosaveTimer;
    QTimer m_noteFileTimer;
    /// Runs while a save failed (a full disk): the save is tried again
    /// without waiting for the next keystroke.
    QTimer m_retryTimer;
    bool m_writable = true;
    bool m_autosaveFailureShown = false;
    bool m_quitFailureShown = false;
    bool m_noteFilesFailed = false;
    /// The last autosave's note files failed (tab.dat's own outcome comes later).
    bool m_autosaveFilesFailed = false;
    /// Changes told through scheduleAutosave(), and how many of them the
    /// disk holds (at start, or after a save that fully worked).
    quint64 m_changes = 0;
    quint64 m_savedChanges = 0;
};
