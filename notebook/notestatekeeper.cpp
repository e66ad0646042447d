#include "notestatekeeper.h"
#include "pinnedpicture.h"

#include "conflictname.h"
#include "logging.h"
#include "missedreminder.h"
#include "notebook.h"
#include "notebookstatefile.h"
#include "notewidget.h"
#include "remindernotifier.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QLocale>
#include <QScopedValueRollback>
#include <QTextEdit>
#include <QTimer>

#include <algorithm>
#include <optional>

namespace {
/// How often a synced folder's side file is looked at (the sync's own pace).
constexpr int SyncCheckMs = 3000;
const char WatchedProperty[] = "velmoStateWatched";
}

NoteStateKeeper::NoteStateKeeper(Notebook *notebook, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_notebook(notebook)
    , m_folder(folder)
    , m_notifier(new ReminderNotifier(this))
{
    connect(m_notifier, &ReminderNotifier::unavailable, this, [this](const QString &title, const QString &text) {
        emit notice(StoreSession::Notice{title, title + QLatin1Char('\n') + text});
    });
}

NoteStateKeeper::~NoteStateKeeper()
{
    // A write still running finishes: the file is never left half done.
    finishSave();
}

QString NoteStateKeeper::path() const { return NotebookStateFile::pathIn(m_folder); }

StoreSession::Notice NoteStateKeeper::open(bool sync)
{
    StoreSession::Notice told;
    QStringList details;
    const NotebookStateFile::LoadResult loaded = NotebookStateFile::load(path());
    m_state = loaded.state;
    m_writable = loaded.writable;
    if (!loaded.message.isEmpty()) {
        qCWarning(lcNotebook).noquote() << loaded.message << loaded.error;
        told.label = tr("提醒和设置已恢复为默认");
        details << loaded.message;
    }
    const QString localPath = NotebookStateFile::localPath(m_folder);
    // Without the mode, this computer's file of a synced run is left only
    // when the mode ended elsewhere: its window and last run are still ours.
    m_syncEndedElsewhere = !sync && QFileInfo::exists(localPath);
    if (sync || m_syncEndedElsewhere) {
        // The window and the last run are this computer's own.
        const NotebookStateFile::LoadResult local = NotebookStateFile::load(localPath);
        m_state.window = local.state.window;
        m_state.lastRun = local.state.lastRun;
        if (!local.message.isEmpty())
            details << local.message;
    }
    // Told once: from now on the side file keeps them.
    if (m_syncEndedElsewhere && !QFile::remove(localPath))
        qCWarning(lcNotebook).noquote() << "could not remove" << localPath;
    setSync(sync);
    bindToRecords();

    const QDateTime now = QDateTime::currentDateTime();
    QStringList missed;
    for (NoteWidget *note : m_notebook->noteList()) {
        QWidget *page = note->getTextEdit();
        if (!m_byPage.contains(page))
            continue;
        NotebookState::Note &settings = m_byPage[page];
        const QDateTime due = settings.hasReminder ? MissedReminder::latest(settings.reminder, m_state.lastRun, now)
                                                   : QDateTime();
        if (due.isValid()) {
            settings.missed = true;
            settings.updated = now;
            note->setMissed(true);
            missed << tr("便签“%1”的提醒（%2）在程序未运行时到期")
                          .arg(note->getTitle(), QLocale().toString(due, QLocale::ShortFormat));
        } else if (settings.missed) {
            missed << tr("便签“%1”有一个未查看的错过提醒").arg(note->getTitle());
        }
    }
    if (!missed.isEmpty()) {
        if (told.label.isEmpty())
            told.label = tr("错过了提醒");
        details << missed;
    }
    told.detail = details.join(QLatin1Char('\n'));
    if (loaded.status == NotebookStateFile::Loaded && !sync && !m_syncEndedElsewhere) {
        // A quit that changed nothing leaves the file as it was read.
        NotebookState timeless = m_state;
        timeless.lastRun = QDateTime();
        m_lastWritten = timeless.toJson(true);
    }
    return told;
}

void NoteStateKeeper::setSync(bool on)
{
    // Switched off here: the next start must not take that for the other
    // computers' doing.
    if (m_sync && !on)
        QFile::remove(NotebookStateFile::localPath(m_folder));
    m_sync = on;
    m_lastShared.clear();
    m_localDue = on;
    if (on)
        m_stamp = FileStamp::of(path(), NotebookStateFile::MaxBytes);
    auto *timer = findChild<QTimer *>(QStringLiteral("stateSyncTimer"));
    if (on && !timer) {
        timer = new QTimer(this);
        timer->setObjectName(QStringLiteral("stateSyncTimer"));
        timer->setInterval(SyncCheckMs);
        connect(timer, &QTimer::timeout, this, &NoteStateKeeper::checkSynced);
        timer->start();
    } else if (!on) {
        delete timer;
    }
}

void NoteStateKeeper::remember(QWidget *page, const NotebookState::Note &settings)
{
    if (!m_byPage.contains(page))
        connect(page, &QObject::destroyed, this, [this, page] { m_byPage.remove(page); });
    m_byPage.insert(page, settings);
}

void NoteStateKeeper::bindToRecords()
{
    if (!m_notebook)
        return;
    // The records as tab.dat gets them now; a page this run already knows
    // keeps its settings, any other (a kept record, a tab whose editor was
    // just built) is matched by the rules of the file.
    const TabStoreData data = m_notebook->snapshot(QString());
    const QList<QWidget *> pages = m_notebook->recordPages();
    QList<NotebookState::Note> notes = NotebookState::match(data.records, m_state.notes);
    for (int r = 0; r < pages.size() && r < notes.size(); ++r) {
        const auto known = m_byPage.constFind(pages.at(r));
        if (known != m_byPage.constEnd())
            notes[r] = *known;
    }
    m_state.notes = notes;
    m_state.bind(data.records);
    for (int r = 0; r < pages.size() && r < m_state.notes.size(); ++r)
        remember(pages.at(r), m_state.notes.at(r));
    // Notes that came onto the desktop without noteStuck() (restored, or
    // placed by another computer) get their settings once.
    for (NoteWidget *note : m_notebook->noteList()) {
        if (!note->property(WatchedProperty).toBool())
            noteStuck(note);
    }
}

NoteWidget *NoteStateKeeper::noteOf(QWidget *page) const
{
    for (NoteWidget *note : m_notebook->noteList()) {
        if (note->getTextEdit() == page)
            return note;
    }
    return nullptr;
}

void NoteStateKeeper::noteStuck(NoteWidget *note)
{
    if (!note)
        return;
    const auto known = m_byPage.constFind(note->getTextEdit());
    if (known != m_byPage.constEnd())
        apply(note, *known);
    watch(note);
}

void NoteStateKeeper::apply(NoteWidget *note, const NotebookState::Note &settings)
{
    // The note tells each setting as it changes: not a change of the user's.
    const QScopedValueRollback<bool> applying(m_applying, true);
    note->applySettings(settings.readOnly, settings.keepOnTop, settings.opacity);
    // Armed from now: a moment already past waits for its next year.
    if (settings.hasReminder)
        note->setReminder(settings.reminder);
    note->setMissed(settings.missed);
    if (settings.pinned)
        PinnedPicture::attach(note)->restoreLook(settings.pictureOnly);
}

void NoteStateKeeper::watch(NoteWidget *note)
{
    if (note->property(WatchedProperty).toBool())
        return;
    note->setProperty(WatchedProperty, true);
    connect(note, &NoteWidget::settingsChanged, this, [this, note] { settingsChanged(note); });
    connect(note, &NoteWidget::missedSeen, this, [this, note] { settingsChanged(note); });
    connect(note, &NoteWidget::reminderRang, this, [this, note] { m_notifier->notify(note->getTitle()); });
}

void NoteStateKeeper::settingsChanged(NoteWidget *note)
{
    QWidget *page = note->getTextEdit();
    if (!page || m_applying)
        return;
    const NotebookState::Note before = m_byPage.value(page);
    NotebookState::Note now = before;
    now.readOnly = note->isReadOnly();
    now.keepOnTop = note->isStayOnTop();
    now.opacity = note->opacityLevel();
    now.hasReminder = note->hasReminder();
    now.reminder = note->reminder();
    now.missed = note->isMissed();
    now.pinned = note->isPinned();
    now.pictureOnly = note->isPinned() && note->isBare();
    if (now.sameSettings(before) && m_byPage.contains(page))
        return;
    now.updated = QDateTime::currentDateTimeUtc();
    remember(page, now);
    emit changed();
}

void NoteStateKeeper::setKeepNewNotes(bool on)
{
    if (m_state.keepNewNotes == on)
        return;
    m_state.keepNewNotes = on;
    emit changed();
}

void NoteStateKeeper::setCaptureKeyNoticeSeen()
{
    if (m_state.captureKeyNoticeSeen)
        return;
    m_state.captureKeyNoticeSeen = true;
    emit changed();
}

void NoteStateKeeper::setWindow(const NotebookState::Window &window)
{
    if (m_state.window == window)
        return;
    m_state.window = window;
    if (m_sync)
        m_localDue = true;
    emit changed();
}

QStringList NoteStateKeeper::save()
{
    QStringList errors = finishSave();
    if (!m_notebook)
        return errors;
    if (m_sync)
        checkSynced();
    bindToRecords();
    m_state.lastRun = QDateTime::currentDateTime();
    // A file this run could not read, or could not keep aside, stays as it is.
    if (!m_writable)
        return errors;
    if (!m_sync) {
        // Written on a thread of its own while tab.dat is written: the quit
        // waits for the two writes side by side, not one after the other.
        // The state is copied (implicitly shared); finishSave() collects it.
        // A file that would change only in lastRun is left as it is unless a
        // time reminder needs lastRun to tell a missed one at the next start.
        m_pending = std::async(std::launch::async, [file = path(), state = m_state, last = m_lastWritten] {
            NotebookState timeless = state;
            timeless.lastRun = QDateTime();
            PendingSave done;
            done.written = timeless.toJson(true);
            const bool timed = std::any_of(state.notes.cbegin(), state.notes.cend(), [](const NotebookState::Note &note) {
                return note.hasReminder && note.reminder.timeActive;
            });
            if (done.written == last && !timed) {
                done.result.ok = true;
                return done;
            }
            done.result = NotebookStateFile::save(file, state, true);
            return done;
        });
        return errors;
    }
    const QByteArray shared = m_state.toJson(false);
    if (shared != m_lastShared) {
        // Never over another computer's version this run has not merged.
        const NotebookStateFile::WriteGuard guard = [this](const QString &file) {
            return FileStamp::of(file, NotebookStateFile::MaxBytes).sameContent(m_stamp);
        };
        const NotebookStateFile::SaveResult saved = NotebookStateFile::save(path(), m_state, false, guard);
        if (saved.ok) {
            m_lastShared = shared;
            m_stamp = FileStamp::of(path(), NotebookStateFile::MaxBytes);
            for (const QString &copy : std::as_const(m_mergedCopies))
                QFile::remove(copy);
            m_mergedCopies.clear();
        } else {
            errors << tr("%1 未保存：%2").arg(path(), saved.error);
        }
    }
    if (m_localDue) {
        const QString local = NotebookStateFile::localPath(m_folder);
        const NotebookStateFile::SaveResult saved = NotebookStateFile::saveLocal(local, m_state, m_folder);
        if (saved.ok)
            m_localDue = false;
        else
            errors << tr("%1 未保存：%2").arg(local, saved.error);
    }
    return errors;
}

QStringList NoteStateKeeper::finishSave()
{
    if (!m_pending.valid())
        return {};
    const PendingSave pending = m_pending.get();
    const NotebookStateFile::SaveResult &saved = pending.result;
    if (saved.ok) {
        m_lastWritten = pending.written;
        return {};
    }
    qCWarning(lcNotebook).noquote() << path() << "not saved:" << saved.error;
    return {tr("%1 未保存：%2").arg(path(), saved.error)};
}

void NoteStateKeeper::checkSynced()
{
    if (!m_sync || !m_notebook)
        return;
    QList<NotebookState> theirs;
    std::optional<bool> keepNewThere;
    const FileStamp stamp = FileStamp::of(path(), NotebookStateFile::MaxBytes);
    if (!stamp.sameContent(m_stamp)) {
        const NotebookStateFile::LoadResult loaded = NotebookStateFile::load(path());
        if (loaded.status == NotebookStateFile::Loaded || loaded.status == NotebookStateFile::Damaged)
            theirs << loaded.state;
        // The file that replaced ours holds the newest choice (a conflict
        // copy tells nothing about which is newer, a damaged one nothing sure).
        if (loaded.status == NotebookStateFile::Loaded)
            keepNewThere = loaded.state.keepNewNotes;
        m_stamp = stamp;
        m_lastShared.clear();
    }
    // A sync tool's conflict copies: merged, and removed once the merge is saved.
    const QStringList names = QDir(m_folder).entryList(QDir::Files | QDir::Hidden);
    for (const QString &name : names) {
        const QString copy = QDir(m_folder).filePath(name);
        if (ConflictName::parse(name).original != NotebookStateFile::fileName() || m_mergedCopies.contains(copy))
            continue;
        const NotebookStateFile::LoadResult loaded = NotebookStateFile::load(copy);
        if (loaded.status == NotebookStateFile::Loaded || loaded.status == NotebookStateFile::Damaged)
            theirs << loaded.state;
        m_mergedCopies << copy;
    }
    if (theirs.isEmpty())
        return;
    for (const NotebookState &other : std::as_const(theirs))
        m_state = NotebookState::merge(m_state, other);
    if (keepNewThere && *keepNewThere != m_state.keepNewNotes) {
        m_state.keepNewNotes = *keepNewThere;
        emit keepNewNotesChanged(m_state.keepNewNotes);
    }
    QHash<QString, NotebookState::Note> merged;
    for (const NotebookState::Note &note : std::as_const(m_state.notes))
        merged.insert(note.key, note);
    for (auto it = m_byPage.begin(); it != m_byPage.end(); ++it) {
        const auto found = merged.constFind(it->key);
        if (found == merged.constEnd() || found->sameSettings(*it))
            continue;
        NoteWidget *note = noteOf(it.key());
        // A note being edited keeps what the user is doing with it.
        if (note && note->isActiveWindow())
            continue;
        it.value() = *found;
        if (note)
            apply(note, *found);
    }
    emit changed();
}
