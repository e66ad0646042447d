#include "notedirectory.h"

#include "notebook.h"
#include "notenamerule.h"
#include "notewidget.h"
#include "textmatcher.h"

#include <QTabWidget>
#include <QTextDocument>
#include <QTextEdit>

NoteDirectory::NoteDirectory(Notebook *notebook, QTabWidget *tabs, QObject *parent)
    : QObject(parent)
    , m_notebook(notebook)
    , m_tabs(tabs)
{
}

QList<NoteDirectory::Entry> NoteDirectory::entries() const
{
    QList<Entry> all;
    all.reserve(m_tabs->count() + m_notebook->noteList().size());
    for (int i = 0; i < m_tabs->count(); ++i) {
        Entry entry;
        entry.page = m_tabs->widget(i);
        entry.tab = i;
        entry.name = m_tabs->tabText(i);
        if (entry.page == m_notebook->homeEditor())
            entry.kind = Kind::Home;
        else if (m_notebook->isFixed(entry.page))
            entry.kind = Kind::Fixed;
        else if (!m_notebook->noteFile(entry.page).isEmpty())
            entry.kind = Kind::File;
        else
            entry.kind = Kind::Scratch;
        all.append(entry);
    }
    for (NoteWidget *note : m_notebook->noteList()) {
        Entry entry;
        entry.page = note->getTextEdit();
        entry.note = note;
        entry.name = note->getTitle();
        entry.kind = Kind::Desktop;
        all.append(entry);
    }
    return all;
}

QString NoteDirectory::kindName(Kind kind)
{
    switch (kind) {
    case Kind::Home:
        return tr("首页");
    case Kind::Fixed:
        return tr("常驻");
    case Kind::Scratch:
        return tr("临时");
    case Kind::File:
        return tr("便签文件");
    case Kind::Desktop:
        return tr("桌面上");
    }
    return QString();
}

QString NoteDirectory::unusedName(const QString &name, QWidget *except) const
{
    QStringList taken;
    for (const Entry &entry : entries()) {
        if (entry.page != except)
            taken.append(entry.name);
    }
    return NoteNameRule::unique(name, taken);
}

NoteDirectory::Entry NoteDirectory::entryOf(QWidget *page) const
{
    for (const Entry &entry : entries()) {
        if (entry.page == page)
            return entry;
    }
    return Entry();
}

void NoteDirectory::watch(QWidget *page, QTextDocument *document)
{
    if (m_watched.contains(page))
        return;
    m_watched.insert(page);
    const NoteSearch::Key key = reinterpret_cast<NoteSearch::Key>(page);
    // An edit makes the kept text stale; it is read again at the next search.
    if (document)
        connect(document, &QTextDocument::contentsChange, this, [this, key] { m_search.remove(key); });
    connect(page, &QObject::destroyed, this, [this, page, key] {
        m_search.remove(key);
        m_watched.remove(page);
    });
}

void NoteDirectory::readNewTexts(const QList<Entry> &all)
{
    for (const Entry &entry : all) {
        const NoteSearch::Key key = reinterpret_cast<NoteSearch::Key>(entry.page);
        if (entry.kind == Kind::Home || m_search.contains(key))
            continue;
        if (auto *editor = qobject_cast<QTextEdit *>(entry.page)) {
            watch(entry.page, editor->document());
            m_search.setText(key, editor->document()->toPlainText());
            continue;
        }
        // A restored tab not shown yet: its stored text, read as its editor would.
        watch(entry.page, nullptr);
        const QString stored = m_notebook->textOf(entry.page);
        QTextDocument document;
        if (Qt::mightBeRichText(stored))
            document.setHtml(stored);
        else
            document.setPlainText(stored);
        m_search.setText(key, document.toPlainText());
    }
}

NoteSearch::Result NoteDirectory::search(const QString &word, int limit)
{
    const QList<Entry> all = entries();
    readNewTexts(all);
    QList<NoteSearch::Key> order;
    order.reserve(all.size());
    for (const Entry &entry : all) {
        if (entry.kind != Kind::Home)
            order.append(reinterpret_cast<NoteSearch::Key>(entry.page));
    }
    return m_search.find(word, order, limit);
}

QTextEdit *NoteDirectory::show(QWidget *page)
{
    const Entry entry = entryOf(page);
    if (!entry.page)
        return nullptr;
    if (entry.note) {
        entry.note->show();
        entry.note->raise();
        entry.note->activateWindow();
        return entry.note->getTextEdit();
    }
    QWidget *window = m_tabs->window();
    if (window->isMinimized())
        window->showNormal();
    window->show();
    window->raise();
    window->activateWindow();
    m_tabs->setCurrentIndex(entry.tab);
    return m_notebook->editorAt(entry.tab);
}

QTextEdit *NoteDirectory::showMatch(QWidget *page, const QString &word)
{
    QTextEdit *editor = show(page);
    if (!editor)
        return nullptr;
    // Found again in the editor itself: a tab shown for the first time was
    // searched in its stored text.
    const TextMatcher::Match match =
        TextMatcher::findFirst(editor->document()->toPlainText(), word, TextMatcher::Options());
    if (match.length > 0) {
        QTextCursor cursor(editor->document());
        cursor.setPosition(int(match.start));
        cursor.setPosition(int(match.start + match.length), QTextCursor::KeepAnchor);
        editor->setTextCursor(cursor);
        editor->ensureCursorVisible();
    }
    editor->setFocus(Qt::OtherFocusReason);
    return editor;
}
