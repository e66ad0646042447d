#include "recentlydeleted.h"

#include "logging.h"
#include "notebooksession.h"
#include "notebooksync.h"

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QTextDocument>
#include <QTextEdit>
#include <QTimer>

namespace {
constexpr int MaxShownName = 24;
constexpr int PruneDelayMs = 1000;
}

RecentlyDeleted::RecentlyDeleted(Notebook *notebook, NotebookSession *session, QObject *parent)
    : QObject(parent)
    , m_notebook(notebook)
    , m_session(session)
    , m_trash(session->folder())
{
    connect(notebook, &Notebook::noteUnfixed, this, &RecentlyDeleted::noteUnfixed);
    // Old entries go at start, once the window is up.
    QTimer::singleShot(PruneDelayMs, this, [this] { prune(QDateTime::currentDateTime()); });
}

RecentlyDeleted::~RecentlyDeleted() = default;

void RecentlyDeleted::prune(const QDateTime &now)
{
    QStringList errors;
    const int removed = m_trash.prune(now, &errors);
    if (removed > 0)
        qCDebug(lcNotebook) << removed << "old entries removed from" << m_trash.path();
    for (const QString &error : std::as_const(errors))
        qCWarning(lcNotebook).noquote() << "not removed from trash:" << error;
}

QString RecentlyDeleted::nameAt(int index) const
{
    QTextEdit *editor = m_notebook->editorAt(index);
    const QString name = editor ? m_notebook->nameOf(editor) : QString();
    // The question stays on one short bar.
    return name.size() > MaxShownName ? name.left(MaxShownName - 1) + QChar(0x2026) : name;
}

QString RecentlyDeleted::put(QWidget *page, const QString &name, const QString &html)
{
    const TrashStore::PutResult put = m_trash.put(name, html, QDateTime::currentDateTime());
    if (!put.ok)
        return put.error;
    m_inTrash.insert(page, html);
    return QString();
}

Notebook::Refusal RecentlyDeleted::deleteTab(int index)
{
    QTextEdit *editor = m_notebook->editorAt(index);
    if (!editor || editor == m_notebook->homeEditor())
        return m_notebook->deleteTab(index);
    const QString name = m_notebook->nameOf(editor);
    const QString html = m_notebook->textOf(editor);
    QString path = m_notebook->fixedTabs().value(editor).path;
    if (path.isEmpty())
        path = m_notebook->noteFile(editor);
    const QDateTime now = QDateTime::currentDateTime();
    QString file;
    NotebookSync *sync = m_session ? m_session->sync() : nullptr;
    // Written by the sync, or already there as it is (a synced note unfixed): not written again.
    const bool kept = (sync && sync->trashesOnDelete(path)) || m_inTrash.value(editor) == html;
    if (!kept) {
        const TrashStore::PutResult put = m_trash.put(name, html, now);
        if (!put.ok) {
            emit notice({tr("便签没有删除"), tr("便签“%1”没有删除：无法存入最近删除（%2）").arg(name, put.error)});
            return Notebook::Refusal::None;
        }
        file = put.file;
    }
    m_inTrash.remove(editor);
    const Notebook::Refusal refusal = m_notebook->deleteTab(index, true);
    m_last = LastDelete();
    m_last.name = name;
    m_last.file = file;
    m_last.when = now;
    m_last.since.start();
    disconnect(m_shownEdits);
    if (QTextEdit *shown = m_notebook->currentEditor()) {
        m_last.shown = shown->document();
        m_shownEdits = connect(shown->document(), &QTextDocument::contentsChanged, this, [this] { m_last.edited = true; });
    }
    // Ctrl+Z reaches a note's editor first; only the application sees it sooner.
    qApp->installEventFilter(this);
    emit notice({tr("已移入最近删除（Ctrl+Z 恢复）"), QString()});
    return refusal;
}

bool RecentlyDeleted::keepScratchNotes()
{
    int kept = 0;
    QStringList failed;
    for (QWidget *page : m_notebook->scratchPages()) {
        auto *editor = qobject_cast<QTextEdit *>(page);
        if (!editor || editor->toPlainText().trimmed().isEmpty())
            continue;
        // An opened note file the user did not change is kept by that file.
        if (!m_notebook->noteFile(page).isEmpty() && !m_notebook->differsFromFile(page))
            continue;
        const QString html = m_notebook->textOf(page);
        if (m_inTrash.value(page) == html)
            continue;
        const QString name = m_notebook->nameOf(page);
        const QString error = put(page, name, html);
        if (error.isEmpty())
            ++kept;
        else
            failed << QStringLiteral("%1: %2").arg(name, error);
    }
    if (kept > 0) {
        const QString told = tr("%1 个临时便签已移入最近删除").arg(kept);
        emit notice({told, told});
    }
    if (failed.isEmpty())
        return true;
    qCWarning(lcNotebook).noquote() << "scratch notes not kept in trash:" << failed.join(QLatin1String("; "));
    emit notice({tr("临时便签无法移入最近删除"),
                 tr("这些临时便签无法存入 %1，仍在程序中：\n%2").arg(m_trash.path(), failed.join(QLatin1Char('\n')))});
    return false;
}

bool RecentlyDeleted::restore(const TrashStore::Entry &entry)
{
    const TrashStore::Taken taken = m_trash.take(entry);
    if (!taken.ok) {
        emit notice({tr("无法恢复便签"), tr("无法从最近删除恢复 %1：%2").arg(entry.file, taken.error)});
        return false;
    }
    const QString name = taken.name.trimmed().isEmpty() ? tr("恢复的便签") : taken.name;
    m_notebook->addTab(name);
    QTextEdit *editor = m_notebook->currentEditor();
    editor->setHtml(taken.html);
    m_notebook->fixCurrent();
    // Its trash/ file is gone: tab.dat holds the only copy from now on.
    if (m_session)
        m_session->saveNow();
    // Pictures that did not come back show a placeholder; the text is there.
    emit notice({tr("已恢复便签“%1”").arg(name), taken.error});
    return true;
}

void RecentlyDeleted::noteUnfixed(QWidget *page, const QString &path)
{
    // A synced note's file goes to trash/ now (the sync does it, after
    // this): unchanged, it needs no second entry at quit.
    NotebookSync *sync = m_session ? m_session->sync() : nullptr;
    if (sync && sync->trashesOnDelete(path))
        m_inTrash.insert(page, m_notebook->textOf(page));
}

bool RecentlyDeleted::undoWanted(QObject *target) const
{
    auto *widget = qobject_cast<QWidget *>(target);
    if (!m_last.when.isValid() || !widget || !m_notebook || widget->window() != m_notebook->homeEditor()->window())
        return false;
    QTextDocument *document = nullptr;
    bool canUndo = false;
    if (auto *edit = qobject_cast<QTextEdit *>(widget)) {
        document = edit->document();
        canUndo = !edit->isReadOnly() && document->isUndoAvailable();
    } else if (auto *line = qobject_cast<QLineEdit *>(widget)) {
        canUndo = line->isUndoAvailable();
    }
    if (!canUndo)
        return true;
    // Soon after the delete the user means the delete, unless they typed
    // since in the note shown after it.
    return document && m_last.since.elapsed() < UndoWindowMs && !(document == m_last.shown && m_last.edited);
}

bool RecentlyDeleted::eventFilter(QObject *watched, QEvent *event)
{
    if (event->type() != QEvent::ShortcutOverride && event->type() != QEvent::KeyPress)
        return false;
    auto *key = static_cast<QKeyEvent *>(event);
    if (!key->matches(QKeySequence::Undo) || !undoWanted(watched))
        return false;
    if (event->type() == QEvent::ShortcutOverride) {
        // Delivered as a key press, not taken by a shortcut on the way.
        event->accept();
        return true;
    }
    undoDelete();
    return true;
}

void RecentlyDeleted::undoDelete()
{
    const LastDelete last = m_last;
    m_last = LastDelete();
    disconnect(m_shownEdits);
    qApp->removeEventFilter(this);
    TrashStore::Entry entry;
    entry.file = last.file;
    if (entry.file.isEmpty()) {
        // Written by the sync: the newest entry of that name.
        for (const TrashStore::Entry &candidate : m_trash.list()) {
            if (candidate.name == last.name) {
                entry = candidate;
                break;
            }
        }
    }
    if (entry.file.isEmpty()) {
        emit notice({tr("最近删除中没有找到它"), QString()});
        return;
    }
    restore(entry);
}
