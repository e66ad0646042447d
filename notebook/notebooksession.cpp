#include "notebooksession.h"

#include "logging.h"
#include "notebook.h"
#include "notebooksync.h"
#include "notebookstate.h"
#include "noteeditor.h"
#include "pinnedpicture.h"
#include "notestatekeeper.h"
#include "notewidget.h"
#include "picturetrash.h"

#include <QDir>
#include <QFileInfo>
#include <QSignalBlocker>
#include <QTimer>

namespace {
/// A synced notebook starts watching its folder after the first frame, or
/// this long after start-up when no frame comes (started hidden).
constexpr int SyncStartFallbackMs = 1000;
/// A synced note is written this long after the typing stops.
constexpr int SyncNoteFileDelayMs = 400;
/// The notes are looked through for dropped pictures this long after the
/// last change.
constexpr int PictureLookDelayMs = 2000;
}

NotebookSession::NotebookSession(Notebook *notebook, const QString &folder, QObject *parent)
    : QObject(parent)
    , m_notebook(notebook)
    , m_folder(folder)
    , m_keeper(std::make_unique<NoteStateKeeper>(notebook, folder, this))
    , m_store(std::make_unique<StoreSession>(storePath(), this))
{
    connect(notebook, &Notebook::changed, m_store.get(), &StoreSession::scheduleAutosave);
    connect(m_keeper.get(), &NoteStateKeeper::changed, m_store.get(), &StoreSession::scheduleAutosave);
    connect(m_keeper.get(), &NoteStateKeeper::notice, this, &NotebookSession::tell);
    connect(m_keeper.get(), &NoteStateKeeper::keepNewNotesChanged, this, &NotebookSession::keepNewNotesChanged);
    connect(m_store.get(), &StoreSession::autosaveFailed, this, &NotebookSession::notice);
    m_pictureLook.setSingleShot(true);
    m_pictureLook.setInterval(PictureLookDelayMs);
    connect(&m_pictureLook, &QTimer::timeout, this, [this] { settlePictures(); });
    connect(notebook, &Notebook::changed, &m_pictureLook, qOverload<>(&QTimer::start));
}

NotebookSession::~NotebookSession()
{
    // The sync hands the notebook's write guard back and stops watching
    // before the store it reads from goes.
    m_sync.reset();
    m_store.reset();
}

NotebookSync *NotebookSession::sync() const
{
    return m_sync && !m_sync->isPassive() ? m_sync.get() : nullptr;
}

QString NotebookSession::storePath() const
{
    return QDir(m_folder).filePath(QStringLiteral("tab.dat"));
}

void NotebookSession::open()
{
    m_notebook->setRecoveryFolder(QFileInfo(storePath()).absolutePath());
    // A sync tool carries tab.dat.recovered/ to the other computers: each
    // keeps its own copies apart, so none reads or deletes another's.
    m_notebook->setRecoveryDevice(NotebookSync::deviceName(m_folder));
    StoreSession::Source source;
    source.restore = [this](const TabStoreData &data) { return m_notebook->restore(data); };
    source.snapshot = [this] { return m_notebook->snapshot(m_skinPath); };
    // The side file is written with the notes, under the store's own rules.
    source.writeNoteFiles = [this] { return m_notebook->writeChangedNoteFiles() << m_keeper->save(); };
    // A synced folder may have changed under us: look before writing.
    source.beforeSave = [this] {
        if (!sync())
            return false;
        m_sync->checkNow();
        return true;
    };
    StoreSession::Opened opened = m_store->open(source);
    m_pictures = pictureNames(false);
    // Notes that could not come back, and where their text is: one notice
    // with the store's own, so neither hides the other.
    if (const QStringList notices = m_notebook->restoreNotices(); !notices.isEmpty()) {
        qCWarning(lcApp, "%s", qPrintable(notices.join(QLatin1Char('\n'))));
        QStringList detail = notices;
        if (!opened.notice.detail.isEmpty())
            detail.prepend(opened.notice.detail);
        opened.notice.detail = detail.join(QLatin1Char('\n'));
    }
    const StoreSession::Notice state = m_keeper->open(NotebookSync::isOn(m_folder));
    if (opened.notice.label.isEmpty())
        opened.notice.label = state.label;
    if (!state.detail.isEmpty())
        opened.notice.detail += (opened.notice.detail.isEmpty() ? QString() : QStringLiteral("\n")) + state.detail;
    if (m_keeper->syncEndedElsewhere()) {
        // This computer kept the mode when it last ran; the others learn of
        // a switch only through the folder, so it is told here once.
        if (opened.notice.label.isEmpty())
            opened.notice.label = tr("另一处关闭了同步文件夹模式");
        opened.notice.detail += (opened.notice.detail.isEmpty() ? QString() : QStringLiteral("\n"))
            + tr("另一台电脑关闭了同步文件夹模式（%1 已删除）：这里不再同步，便签都还在 notes/ 中，"
                 "别处改过的便签文件不会被这里的修改覆盖。要继续同步，在托盘菜单中再勾选“同步文件夹模式”。")
                  .arg(NotebookSync::modeFile(m_folder));
    }
    tell(opened.notice);
    if (!opened.skinPath.isEmpty())
        applySkin(opened.skinPath);
    const bool on = NotebookSync::isOn(m_folder);
    bool notesInFolder = false;
    for (const auto &bound : m_notebook->fileBoundPages())
        notesInFolder = notesInFolder || bound.path.startsWith(QLatin1String("notes/"));
    if (on || notesInFolder) {
        // With the mode off here, notes/ may still be synced by a computer
        // where it is on: the note files are guarded all the same.
        startSync(!on);
        // It reads every note file once: after the first frame, or soon
        // anyway when the window starts hidden.
        QTimer::singleShot(SyncStartFallbackMs, m_sync.get(), &NotebookSync::start);
    }
}

void NotebookSession::moveCurrentToScreen()
{
    m_keeper->noteStuck(m_notebook->moveCurrentToScreen(m_skinPath));
}

NoteWidget *NotebookSession::pinPicture(const QImage &picture, const QRect &place, const QDateTime &captured)
{
    // Only ever into the note made for it, never into whichever is current.
    if (m_notebook->addTab(captured.toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"))) != Notebook::Refusal::None)
        return nullptr;
    auto *editor = qobject_cast<NoteEditor *>(m_notebook->currentEditor());
    if (!editor)
        return nullptr;
    editor->insertCapture(picture);
    m_notebook->fixCurrent();
    NoteWidget *note = m_notebook->moveCurrentToScreen(m_skinPath, false);
    m_keeper->noteStuck(note);
    PinnedPicture::attach(note)->placePicture(place.topLeft());
    note->applySettings(false, true, NotebookState::MaxOpacity);
    note->show();
    note->raise();
    return note;
}

bool NotebookSession::keepNewNotes() const { return m_keeper->keepNewNotes(); }
void NotebookSession::setKeepNewNotes(bool on) { m_keeper->setKeepNewNotes(on); }

void NotebookSession::firstFrameShown()
{
    if (m_sync)
        QMetaObject::invokeMethod(m_sync.get(), &NotebookSync::start, Qt::QueuedConnection);
}

void NotebookSession::startSync(bool passive)
{
    NotebookSync::Store store;
    store.snapshot = [this] { return m_notebook->snapshot(m_skinPath); };
    store.lastWritten = [this] { return m_store->lastWritten(); };
    m_sync = std::make_unique<NotebookSync>(m_notebook, m_folder, store, this);
    connect(m_sync.get(), &NotebookSync::message, this, &NotebookSession::syncMessage);
    connect(m_sync.get(), &NotebookSync::saveWanted, m_store.get(), &StoreSession::scheduleAutosave);
    connect(m_sync.get(), &NotebookSync::skinChanged, this, &NotebookSession::applySkin);
    m_sync->setPassive(passive);
    // Notes reach the other computers soon after the typing stops.
    if (!passive)
        m_store->setNoteFileDelay(SyncNoteFileDelayMs);
}

bool NotebookSession::setSyncFolder(bool on)
{
    const QString error = NotebookSync::setOn(m_folder, on);
    if (!error.isEmpty()) {
        emit syncMessage(tr("无法切换同步文件夹模式"), tr("无法切换同步文件夹模式：%1").arg(error), true);
        return false;
    }
    m_keeper->setSync(on);
    if (on && !sync()) {
        if (m_sync) {
            m_sync->setPassive(false);
            m_store->setNoteFileDelay(SyncNoteFileDelayMs);
        } else {
            startSync(false);
        }
        m_sync->start();
        // Every fixed tab now has its own file: written at once.
        tell(m_store->saveForSession());
        emit syncMessage(tr("同步文件夹模式已打开"), QString(), false);
    } else if (!on && sync()) {
        // The notes stay in notes/ and guarded: another computer that keeps
        // the mode may still change them.
        m_sync->setPassive(true);
        m_store->setNoteFileDelay(0);
        emit syncMessage(tr("同步文件夹模式已关闭"),
                         tr("同步文件夹模式已关闭：便签仍在 notes/ 中，这里不再自动读取别处的修改；"
                            "别处改过的便签文件不会被这里的修改覆盖。"),
                         false);
    }
    return true;
}

void NotebookSession::setSkinPath(const QString &path)
{
    applySkin(path);
    qCDebug(lcApp) << path;
    m_store->scheduleAutosave();
}

void NotebookSession::applySkin(const QString &path)
{
    m_skinPath = path;
    emit skinChanged(path);
    for (NoteWidget *note : m_notebook->noteList())
        note->setBackground(path);
}

QString NotebookSession::saveNow()
{
    // Whatever a synced folder's look before the save finds stays untold:
    // no window, balloon or animation may start without a display.
    const QSignalBlocker quiet(this);
    m_keeper->saveLocalNext();
    QString error = m_store->saveNow();
    if (const QStringList state = m_keeper->finishSave(); !state.isEmpty())
        error += (error.isEmpty() ? QString() : QStringLiteral("\n")) + state.join(QLatin1Char('\n'));
    if (!error.isEmpty())
        qCWarning(lcApp).noquote() << "tab.dat not saved:" << error;
    return error;
}

bool NotebookSession::quitRequested()
{
    m_keeper->saveLocalNext();
    StoreSession::QuitOutcome outcome = m_store->quitRequested();
    // Settings that did not reach the side file: told once, and a second
    // quit ends the program all the same (tab.dat's notes are safe).
    if (const QStringList state = m_keeper->finishSave(); !state.isEmpty() && !m_stateQuitFailureShown) {
        m_stateQuitFailureShown = true;
        outcome.answer = StoreSession::QuitAnswer::Stay;
        outcome.notice.label = tr("保存失败");
        outcome.notice.detail += (outcome.notice.detail.isEmpty() ? QString() : QStringLiteral("\n"))
            + tr("提醒和设置保存失败：%1\n再次退出将不保存修改。").arg(state.join(QLatin1Char('\n')));
    }
    tell(outcome.notice);
    if (outcome.answer != StoreSession::QuitAnswer::Quit)
        return false;
    settlePictures(true);
    return true;
}

void NotebookSession::saveForSession(bool ending)
{
    m_keeper->saveLocalNext();
    StoreSession::Notice saved = m_store->saveForSession();
    if (const QStringList state = m_keeper->finishSave(); !state.isEmpty()) {
        saved.label = tr("保存失败");
        saved.detail += (saved.detail.isEmpty() ? QString() : QStringLiteral("\n")) + state.join(QLatin1Char('\n'));
    }
    // The balloon may outlive us (a notification server shows it), the
    // window's own label will not; the session's log keeps the reason.
    if (ending && !saved.isEmpty())
        qCWarning(lcApp).noquote() << "tab.dat not saved at session end:" << saved.detail;
    tell(saved);
    if (ending && saved.isEmpty())
        settlePictures(true);
}

QSet<QString> NotebookSession::pictureNames(bool leaving) const
{
    QSet<QString> names;
    if (m_notebook) {
        for (const QString &text : m_notebook->allTexts(leaving))
            names.unite(PictureTrash::referencedBy(text));
    }
    return names;
}

void NotebookSession::settlePictures(bool leaving)
{
    m_pictureLook.stop();
    // Every note is looked at before a picture moves: one that another note
    // still shows stays.
    const QSet<QString> now = pictureNames(leaving);
    const PictureTrash trash(m_folder);
    QStringList errors = trash.drop(m_pictures - now);
    errors << trash.bringBack(now);
    if (!leaving)
        m_pictures = now;
    if (errors.isEmpty())
        return;
    qCWarning(lcApp).noquote() << "pictures not moved:" << errors.join(QLatin1String("; "));
    tell({tr("图片未能移动"), errors.join(QLatin1Char('\n'))});
}

void NotebookSession::tell(const StoreSession::Notice &what)
{
    if (!what.isEmpty())
        emit notice(what);
}
