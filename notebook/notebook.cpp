#include "notebook.h"
#include "noteeditor.h"

#include "filestamp.h"
#include "tabstorefile.h"

#include "notefile.h"
#include "noteloader.h"
#include "notepage.h"
#include "notetabbar.h"
#include "noteplacement.h"
#include "notewidget.h"
#include "windowposition.h"

#include <QCryptographicHash>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QScreen>
#include <QTabBar>
#include <QTabWidget>
#include <QTextEdit>

Notebook::Notebook(QTabWidget *tabWidget, QTextEdit *homeEdit, const QIcon &pin, const QIcon &unpin,
                   QObject *parent)
    : QObject(parent)
    , m_tabs(tabWidget)
    , m_home(homeEdit)
    , m_pinIcon(pin)
    , m_unpinIcon(unpin)
{
    // tab.dat keeps the tabs in the order the user sees them: a fixed tab
    // dragged elsewhere is a change to save (and, in a synced folder, to pass on).
    connect(m_tabs->tabBar(), &QTabBar::tabMoved, this, [this](int, int to) {
        if (m_fixed.contains(m_tabs->widget(to)))
            emit changed();
    });
    // The home tab is never deleted: it offers no close glyph to click.
    if (auto *bar = qobject_cast<NoteTabBar *>(m_tabs->tabBar()))
        bar->setWithoutGlyph(m_home);
}

Notebook::~Notebook()
{
    // Desktop notes have no parent; they end with the notebook.
    qDeleteAll(m_notes);
}

QTextEdit *Notebook::currentEditor() const
{
    return editorAt(m_tabs->currentIndex());
}

QTextEdit *Notebook::editorAt(int index) const
{
    QWidget *page = m_tabs->widget(index);
    auto *editor = qobject_cast<QTextEdit *>(page);
    if (!editor && page)
        editor = const_cast<Notebook *>(this)->materialize(page);
    if (editor)
        load(editor);
    return editor;
}

QTextEdit *Notebook::materialize(QWidget *page)
{
    const auto it = m_states.find(page);
    if (it == m_states.end() || !it->placeholder)
        return nullptr;
    EditorState state = *it;
    m_states.erase(it);
    state.placeholder = false;
    page->removeEventFilter(this);

    QTextEdit *editor = createEditor();
    // The editor takes the page's place everywhere the page was known.
    if (m_fixed.contains(page))
        m_fixed.insert(editor, m_fixed.take(page));
    if (m_noteFiles.contains(page))
        m_noteFiles.insert(editor, m_noteFiles.take(page));
    const int index = m_tabs->indexOf(page);
    {
        // One tab swapped for another is no change of tab to anyone outside.
        const QSignalBlocker blocker(m_tabs);
        const bool current = m_tabs->currentIndex() == index;
        m_tabs->insertTab(index, editor, m_tabs->tabIcon(index), m_tabs->tabText(index));
        m_tabs->removeTab(index + 1);
        if (current)
            m_tabs->setCurrentIndex(index);
    }
    page->deleteLater();
    adopt(editor, state.html);
    m_states[editor].pending = state.pending;
    m_states[editor].pendingPlain = state.pendingPlain;
    m_states[editor].fileDirty = state.fileDirty;
    load(editor);
    return editor;
}

void Notebook::load(QWidget *widget) const
{
    const auto it = m_states.find(widget);
    if (it == m_states.end() || it->pending.isNull() || it->placeholder)
        return;
    auto *editor = static_cast<QTextEdit *>(widget);
    // Taken out, not copied: the text is dropped once the editor has it.
    QString text = std::move(it->pending);
    it->pending = QString();
    it->loading = true;
    NoteLoader::fill(editor, std::move(text), it->pendingPlain);
    editor->moveCursor(QTextCursor::Start);
    // Loaded text differs from its note file only when it was recovered.
    editor->document()->setModified(m_states.value(widget).fileDirty);
    m_states[widget].loading = false;
    editor->removeEventFilter(const_cast<Notebook *>(this));
}

bool Notebook::eventFilter(QObject *watched, QEvent *event)
{
    // A restored tab or desktop note gets its editor and text the first time
    // it is shown: after the show has been handled (not while the tab widget
    // is in it), so the windows are up before any note is laid out.
    if (event->type() == QEvent::Show) {
        auto *page = static_cast<QWidget *>(watched);
        QMetaObject::invokeMethod(this, [this, page = QPointer<QWidget>(page)] {
            if (!page)
                return;
            if (!m_states.value(page).placeholder)
                load(page);
            else if (const int index = m_tabs->indexOf(page); index >= 0)
                editorAt(index);
        }, Qt::QueuedConnection);
    }
    return QObject::eventFilter(watched, event);
}

bool Notebook::isFixed(QWidget *editor) const
{
    const auto it = m_fixed.constFind(editor);
    return it != m_fixed.constEnd() && !it->name.isEmpty();
}

QTextEdit *Notebook::createEditor() const
{
    auto *editor = new NoteEditor;
    editor->setStyleSheet(NotePage::styleSheet());
    return editor;
}

void Notebook::adopt(QTextEdit *editor, const QString &cachedHtml)
{
    EditorState state;
    state.html = cachedHtml;
    m_states.insert(editor, state);
    connect(editor->document(), &QTextDocument::contentsChanged, this, [this, editor] {
        editorChanged(editor);
    });
    connect(editor, &QObject::destroyed, this, [this, editor] {
        m_states.remove(editor);
        m_fixed.remove(editor);
        m_noteFiles.remove(editor);
    });
    emit editorAdded(editor);
}

void Notebook::editorChanged(QTextEdit *editor)
{
    EditorState &state = m_states[editor];
    if (state.loading)
        return;
    state.html = QString();
    state.fileDirty = true;
    if (m_fixed.contains(editor))
        emit changed();
}

void Notebook::appendTab(QWidget *editor, const QString &title, bool fixedIcon)
{
    m_tabs->addTab(editor, fixedIcon ? m_pinIcon : m_unpinIcon, title);
}

Notebook::Refusal Notebook::addTab(const QString &name)
{
    if (name.isEmpty())
        return Refusal::EmptyName;
    QTextEdit *editor = createEditor();
    appendTab(editor, name, false);
    editor->setFont(QFont(tr("calibri"), 16));
    editor->setAcceptRichText(true);
    adopt(editor, QString());
    m_tabs->setCurrentWidget(editor);
    return Refusal::None;
}

Notebook::Refusal Notebook::renameTab(int index, const QString &name)
{
    if (name.isEmpty())
        return Refusal::EmptyName;
    m_tabs->setTabText(index, name);
    QWidget *editor = m_tabs->widget(index);
    auto it = m_fixed.find(editor);
    if (it != m_fixed.end() && !it->name.isEmpty()) {
        it->name = name;
        emit changed();
    }
    return Refusal::None;
}

Notebook::Refusal Notebook::deleteTab(int index, bool fixedToo)
{
    QWidget *editor = m_tabs->widget(index);
    if (!editor)
        return Refusal::None;
    if (editor == m_home)
        return Refusal::HomeTab;
    // Refused before anything changes: a fixed tab keeps its note file.
    if (isFixed(editor) && !fixedToo)
        return Refusal::FixedTab;
    const QString name = nameOf(editor);
    const QString fixedFile = m_fixed.value(editor).path;
    const bool wasFixed = m_fixed.remove(editor) > 0;
    const QString boundFile = m_noteFiles.take(editor);
    if (!boundFile.isEmpty() || !fixedFile.isEmpty())
        emit fileTabDeleted(boundFile.isEmpty() ? fixedFile : boundFile, htmlOf(editor), name);
    if (wasFixed)
        emit changed();
    m_tabs->removeTab(index);
    disconnect(editor, nullptr, this, nullptr);
    m_states.remove(editor);
    editor->deleteLater();
    return Refusal::None;
}

void Notebook::fixCurrent()
{
    QWidget *editor = m_tabs->currentWidget();
    if (!editor || editor == m_home)
        return;
    const int index = m_tabs->currentIndex();
    m_tabs->setTabIcon(index, m_pinIcon);
    m_fixed.insert(editor, FixedTab{m_tabs->tabText(index), m_noteFiles.value(editor)});
    emit changed();
}

void Notebook::unfixCurrent()
{
    QWidget *editor = m_tabs->currentWidget();
    if (!editor || editor == m_home || !isFixed(editor))
        return;
    const QString path = m_fixed.take(editor).path;
    m_tabs->setTabIcon(m_tabs->currentIndex(), m_unpinIcon);
    emit noteUnfixed(editor, path);
    emit changed();
}

void Notebook::addOpenedEditor(QTextEdit *editor, const QString &title)
{
    editor->setStyleSheet(NotePage::styleSheet());
    appendTab(editor, title, false);
    adopt(editor, QString());
}

void Notebook::bindNoteFile(QWidget *editor, const QString &path)
{
    m_noteFiles.insert(editor, path);
}

void Notebook::noteFileWritten(QWidget *editor)
{
    if (m_states.contains(editor))
        m_states[editor].fileDirty = false;
    // Nothing is written here, so nothing is told: the whole note as HTML
    // would cost as much as the note again, for every file opened.
    if (auto *textEdit = qobject_cast<QTextEdit *>(editor))
        textEdit->document()->setModified(false);
}

bool Notebook::differsFromFile(QWidget *editor) const
{
    // Undoing back to the text last read or written counts as no change.
    const auto *textEdit = qobject_cast<const QTextEdit *>(editor);
    return m_states.value(editor).fileDirty && (!textEdit || textEdit->document()->isModified());
}

NoteWidget *Notebook::stick(QTextEdit *editor, const QString &title, const QString &skinPath)
{
    auto *note = new NoteWidget(title);
    m_notes.append(note);
    note->setBackground(skinPath);
    note->setTextEdit(editor);
    connect(note, &NoteWidget::sigClose, this, &Notebook::backToTab);
    connect(note, &NoteWidget::geometryChanged, this, [this, note] { noteMoved(note); });
    return note;
}

NoteWidget *Notebook::moveCurrentToScreen(const QString &skinPath, bool place)
{
    QTextEdit *editor = currentEditor();
    if (!editor || editor == m_home)
        return nullptr;
    const QString title = m_tabs->tabText(m_tabs->currentIndex());
    m_tabs->removeTab(m_tabs->currentIndex());
    NoteWidget *note = stick(editor, title, skinPath);
    if (!place) {
        if (m_fixed.contains(editor))
            emit changed();
        return note;
    }
    // Beside the main window on its screen: the window manager would put it
    // under the always-on-top main window, where nobody sees it.
    const QWidget *main = m_tabs->window();
    if (const QScreen *screen = main->screen())
        note->move(NotePlacement::beside(note->size(), QRect(WindowPosition::onScreen(main), main->size()),
                                         screen->availableGeometry())
                       .topLeft());
    note->show();
    note->raise();
    note->activateWindow();
    if (m_fixed.contains(editor))
        emit changed();
    return note;
}

void Notebook::backToTab(NoteWidget *note)
{
    const int index = m_notes.indexOf(note);
    if (index < 0)
        return;
    QTextEdit *editor = note->getTextEdit();
    // A synced rename may have reached the note while it was on the screen.
    const QString name = isFixed(editor) ? m_fixed.value(editor).name : note->getTitle();
    m_tabs->addTab(editor, name);
    m_tabs->setCurrentIndex(m_tabs->count() - 1);
    m_tabs->setTabIcon(m_tabs->count() - 1, isFixed(editor) ? m_pinIcon : m_unpinIcon);
    disconnect(note, nullptr, this, nullptr);
    note->deleteLater();
    m_notes.removeAt(index);
    if (m_fixed.contains(editor))
        emit changed();
}

void Notebook::noteMoved(NoteWidget *note)
{
    if (m_fixed.contains(note->getTextEdit()))
        emit changed();
}

QString Notebook::htmlOf(QWidget *page)
{
    EditorState &state = m_states[page];
    if (state.html.isNull() && !state.placeholder) {
        // A capture shown a moment ago gets its lasting name before the text is kept.
        if (auto *pictures = qobject_cast<NoteEditor *>(page))
            pictures->storeCaptures();
    }
    if (state.html.isNull())
        state.html = state.placeholder ? state.pending : static_cast<QTextEdit *>(page)->toHtml();
    return state.html;
}

TabStoreData Notebook::snapshot(const QString &skinPath)
{
    TabStoreData data;
    data.skinPath = skinPath;
    data.records.reserve(m_fixed.size() + m_keptRecords.size());
    const auto add = [&](QWidget *widget, NoteWidget *note) {
        const auto it = m_fixed.constFind(widget);
        if (it == m_fixed.constEnd())
            return;
        TabRecord record;
        record.name = it->name;
        record.fromFile = !it->path.isEmpty();
        record.pathOrText = record.fromFile ? it->path : htmlOf(widget);
        if (note) {
            record.onScreen = true;
            // pos() knows our own moves at once, but under X11 it can stay at
            // (0, 0) after the window manager placed a new window; then the
            // X server knows better. (Asked always, the server may not have
            // seen a move we just made.)
            QPoint at = note->pos();
            if (at.isNull())
                at = WindowPosition::onScreen(note);
            record.geometry = QRect(at, note->size());
        }
        data.records.append(record);
    };
    // In the order the user sees them: tabs left to right, then the notes on
    // the screen in the order they were stuck there. (Ordering by editor
    // address shuffled the tabs at every start.)
    for (int i = 0; i < m_tabs->count(); ++i)
        add(m_tabs->widget(i), nullptr);
    for (NoteWidget *note : m_notes)
        add(note->getTextEdit(), note);
    data.records.append(m_keptRecords);
    return data;
}

QStringList Notebook::allTexts(bool leaving)
{
    QStringList texts;
    const auto add = [&](QWidget *page) {
        if (!leaving || page == m_home || isFixed(page) || !noteFile(page).isEmpty())
            texts << htmlOf(page);
    };
    for (int i = 0; i < m_tabs->count(); ++i)
        add(m_tabs->widget(i));
    for (NoteWidget *note : std::as_const(m_notes))
        add(note->getTextEdit());
    for (const TabRecord &record : std::as_const(m_keptRecords)) {
        if (!record.fromFile) {
            texts << record.pathOrText;
            continue;
        }
        QFile file(record.pathOrText);
        if (file.open(QIODevice::ReadOnly))
            texts << QString::fromUtf8(file.read(TabStoreFile::MaxBytes));
    }
    return texts;
}

QList<QWidget *> Notebook::recordPages() const
{
    // The order snapshot() writes in.
    QList<QWidget *> pages;
    for (int i = 0; i < m_tabs->count(); ++i) {
        if (m_fixed.contains(m_tabs->widget(i)))
            pages << m_tabs->widget(i);
    }
    for (NoteWidget *note : m_notes) {
        if (m_fixed.contains(note->getTextEdit()))
            pages << note->getTextEdit();
    }
    return pages;
}

QRect Notebook::placeOnScreen(const QRect &saved) const
{
    QList<QRect> screens;
    for (QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    return NotePlacement::place(saved, screens, QGuiApplication::primaryScreen()->availableGeometry());
}

QString Notebook::recoveryPath(const QString &notePath) const
{
    if (m_recoveryFolder.isEmpty())
        return QString();
    // The note's own file name for the user to recognise, the hash of its
    // whole path to tell apart notes of the same name in different folders.
    const QByteArray hash = QCryptographicHash::hash(notePath.toUtf8(), QCryptographicHash::Sha1).toHex().left(12);
    const QString device = m_recoveryDevice.isEmpty() ? QString() : m_recoveryDevice + QLatin1Char('/');
    return m_recoveryFolder + QLatin1String("/tab.dat.recovered/") + device + QString::fromLatin1(hash)
        + QLatin1Char('-') + NoteFile::savePath(QFileInfo(notePath).fileName());
}

int Notebook::restore(const TabStoreData &data)
{
    int kept = 0;
    int restored = 0;
    int beyondLimit = 0;
    m_notices.clear();
    m_readIdentities.clear();
    for (const TabRecord &record : data.records) {
        if (restored == MaxRestored) {
            m_keptRecords.append(record);
            ++kept;
            ++beyondLimit;
            continue;
        }
        QString html = record.pathOrText;
        bool plain = false;
        bool recovered = false;
        if (record.fromFile) {
            // Text that could not reach its file last time is newer than the file.
            const QString recovery = recoveryPath(record.pathOrText);
            const NoteFile::ReadResult saved = recovery.isEmpty() || !QFileInfo::exists(recovery)
                ? NoteFile::ReadResult() : NoteFile::read(recovery);
            // Taken before the read: a file replaced meanwhile (a sync tool)
            // then shows as changed, never as the text read here.
            m_readIdentities.insert(record.pathOrText, FileStamp::identity(record.pathOrText));
            const NoteFile::ReadResult file = saved.ok ? saved : NoteFile::read(record.pathOrText);
            if (!file.ok && file.tooLarge) {
                // Kept in tab.dat as it was; the file is left as it is.
                m_keptRecords.append(record);
                ++kept;
                m_notices << tr("便签“%1”没有打开：%2（%3）。tab.dat 仍保留它，文件没有改动。")
                               .arg(record.name, file.error, record.pathOrText);
                continue;
            }
            if (!file.ok) {
                m_keptRecords.append(record);
                ++kept;
                m_notices << tr("便签“%1”未能恢复：无法读取 %2（%3）。tab.dat 仍保留它，文件可读后下次启动会恢复。")
                               .arg(record.name, record.pathOrText, file.error);
                continue;
            }
            html = file.text;
            plain = file.format == NoteFile::Format::PlainText;
            recovered = saved.ok;
            if (recovered) {
                m_notices << tr("便签“%1”的文件 %2 上次无法写入，已从 %3 恢复其文字。")
                               .arg(record.name, record.pathOrText, recovery);
            }
        }
        ++restored;
        if (!record.onScreen) {
            // Text from tab.dat is written back as it came until it changes;
            // a file-based note stores only its path.
            QWidget *page = addPlaceholder(record.name, record.fromFile ? record.pathOrText : QString(), html,
                                           recovered, plain);
            if (!record.fromFile)
                m_states[page].html = record.pathOrText;
            continue;
        }
        QTextEdit *editor = createEditor();
        adopt(editor, record.fromFile ? QString() : record.pathOrText);
        m_states[editor].pending = html.isNull() ? QStringLiteral("") : html;
        m_states[editor].pendingPlain = plain;
        m_states[editor].fileDirty = recovered;
        m_fixed.insert(editor, FixedTab{record.name, record.fromFile ? record.pathOrText : QString()});
        // Its text goes in once the note is up (and the skin once every record is read).
        editor->installEventFilter(this);
        NoteWidget *note = stick(editor, record.name, QString());
        note->setGeometry(placeOnScreen(record.geometry));
        note->show();
    }
    if (beyondLimit > 0) {
        m_notices << tr("tab.dat 中的常驻标签超过 %1 个，只打开了前 %1 个；其余 %2 个原样保留在 tab.dat 中。")
                       .arg(MaxRestored).arg(beyondLimit);
    }
    return kept;
}

QString Notebook::saveNoteFile(QTextEdit *editor, const QString &path)
{
    if (auto *pictures = qobject_cast<NoteEditor *>(editor))
        pictures->storeCaptures();
    return writeGuarded(editor, path, editor->toHtml());
}

QString Notebook::writeGuarded(QWidget *editor, const QString &path, const QString &html)
{
    // Someone else changed the file since we read it: not written over
    // (whoever guards it keeps both texts first). Until then it counts as a
    // failed write, so the text is kept and nobody quits unaware.
    if (m_writeGuard && !m_writeGuard(path))
        return tr("它在别处改过，没有覆盖");
    const QString error = NoteFile::write(path, html);
    if (error.isEmpty())
        emit noteFileSaved(editor, path, html);
    return error;
}

QStringList Notebook::writeChangedNoteFiles()
{
    QStringList errors;
    for (auto it = m_fixed.begin(); it != m_fixed.end(); ++it) {
        const QString path = it->path;
        QWidget *editor = it.key();
        if (path.isEmpty() || !differsFromFile(editor))
            continue;
        const QString target = NoteFile::savePath(path);
        const QString html = htmlOf(editor);
        const QString error = writeGuarded(editor, target, html);
        const QString recovery = recoveryPath(path);
        if (!error.isEmpty()) {
            // tab.dat holds only the path: without this copy the text would
            // be gone at quit (its folder deleted, a drive unplugged).
            QString line = target + QLatin1String(": ") + error;
            if (!recovery.isEmpty()) {
                QDir().mkpath(QFileInfo(recovery).path());
                const QString kept = NoteFile::write(recovery, html);
                line += kept.isEmpty() ? tr("；文字已另存到 %1").arg(recovery)
                                       : tr("；也无法另存到 %1：%2").arg(recovery, kept);
            }
            errors << line;
            continue;
        }
        m_states[editor].fileDirty = false;
        // The file has the text now; an older recovered copy would win at the next start.
        if (!recovery.isEmpty())
            QFile::remove(recovery);
        // Like a save: a note read from plan.txt is written to plan.txt.not
        // and stays bound to that file from now on.
        if (target != path) {
            it->path = target;
            if (m_noteFiles.contains(editor))
                m_noteFiles.insert(editor, target);
        }
    }
    return errors;
}

QWidget *Notebook::addPlaceholder(const QString &name, const QString &path, const QString &html, bool recovered,
                                  bool plain)
{
    // Text from tab.dat is written back as it came until it changes; a
    // file-based note stores only its path.
    auto *page = new QWidget;
    EditorState state;
    state.pending = html.isNull() ? QStringLiteral("") : html;
    state.pendingPlain = plain;
    state.placeholder = true;
    // Recovered text still has to reach its note file.
    state.fileDirty = recovered;
    m_states.insert(page, state);
    page->installEventFilter(this);
    m_fixed.insert(page, FixedTab{name, path});
    appendTab(page, name, true);
    return page;
}

QWidget *Notebook::pageForFile(const QString &path) const
{
    for (auto it = m_fixed.constBegin(); it != m_fixed.constEnd(); ++it) {
        if (it->path == path)
            return it.key();
    }
    return m_noteFiles.key(path, nullptr);
}

QList<Notebook::BoundPage> Notebook::fileBoundPages() const
{
    QList<BoundPage> pages;
    for (auto it = m_fixed.constBegin(); it != m_fixed.constEnd(); ++it) {
        if (!it->path.isEmpty())
            pages.append(BoundPage{it.key(), it->path});
    }
    for (auto it = m_noteFiles.constBegin(); it != m_noteFiles.constEnd(); ++it) {
        if (!m_fixed.contains(it.key()) && !it->isEmpty())
            pages.append(BoundPage{it.key(), it.value()});
    }
    return pages;
}

QList<QWidget *> Notebook::scratchPages() const
{
    QList<QWidget *> pages;
    for (int i = 0; i < m_tabs->count(); ++i) {
        QWidget *page = m_tabs->widget(i);
        if (page != m_home && !isFixed(page))
            pages << page;
    }
    for (NoteWidget *note : m_notes) {
        if (!isFixed(note->getTextEdit()))
            pages << note->getTextEdit();
    }
    return pages;
}

NoteWidget *Notebook::noteOf(QWidget *page) const
{
    for (NoteWidget *note : m_notes) {
        if (note->getTextEdit() == page)
            return note;
    }
    return nullptr;
}

QString Notebook::nameOf(QWidget *page) const
{
    if (const auto it = m_fixed.constFind(page); it != m_fixed.constEnd() && !it->name.isEmpty())
        return it->name;
    if (const int index = m_tabs->indexOf(page); index >= 0)
        return m_tabs->tabText(index);
    if (NoteWidget *note = noteOf(page))
        return note->getTitle();
    return QString();
}

void Notebook::reloadFromFile(QWidget *page, const QString &text, bool plain)
{
    const auto it = m_states.find(page);
    if (it == m_states.end())
        return;
    it->fileDirty = false;
    it->html = QString();
    if (it->placeholder || !it->pending.isNull()) {
        // Not shown yet: it takes the new text when it is.
        it->pending = text;
        it->pendingPlain = plain;
        return;
    }
    auto *editor = static_cast<QTextEdit *>(page);
    const int position = editor->textCursor().position();
    it->loading = true;
    NoteLoader::fill(editor, text, plain);
    m_states[page].loading = false;
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(qMin(position, editor->document()->characterCount() - 1));
    editor->setTextCursor(cursor);
    editor->document()->setModified(false);
}

QWidget *Notebook::addFileTab(const QString &name, const QString &path, const QString &html, bool fixed,
                              bool readOnly, bool plain)
{
    // A record kept aside because its file was not there at start-up is
    // shown now: saved once, as the tab.
    if (fixed) {
        m_keptRecords.removeIf(
            [&path](const TabRecord &record) { return record.fromFile && record.pathOrText == path; });
    }
    if (fixed && !readOnly)
        return addPlaceholder(name, path, html, false, plain);
    QTextEdit *editor = createEditor();
    adopt(editor, QString());
    m_states[editor].pending = html;
    m_states[editor].pendingPlain = plain;
    load(editor);
    editor->setReadOnly(readOnly);
    m_noteFiles.insert(editor, path);
    if (fixed)
        m_fixed.insert(editor, FixedTab{name, path});
    appendTab(editor, name, fixed);
    return editor;
}

void Notebook::removeNote(QWidget *page)
{
    if (!page || page == m_home)
        return;
    const bool wasFixed = m_fixed.contains(page);
    m_fixed.remove(page);
    m_noteFiles.remove(page);
    m_states.remove(page);
    disconnect(page, nullptr, this, nullptr);
    if (const int index = m_tabs->indexOf(page); index >= 0) {
        m_tabs->removeTab(index);
        page->deleteLater();
    } else if (NoteWidget *note = noteOf(page)) {
        // The editor lives inside the note window and goes with it.
        m_notes.removeAll(note);
        disconnect(note, nullptr, this, nullptr);
        note->hide();
        note->deleteLater();
    } else {
        page->deleteLater();
    }
    if (wasFixed)
        emit changed();
}

void Notebook::moveToFile(QWidget *page, const QString &path, bool writeText)
{
    if (const auto it = m_fixed.find(page); it != m_fixed.end())
        it->path = path;
    m_noteFiles.insert(page, path);
    if (writeText && m_states.contains(page)) {
        // Its text goes to the new file at the next save.
        m_states[page].fileDirty = true;
        if (auto *editor = qobject_cast<QTextEdit *>(page))
            editor->document()->setModified(true);
    }
    if (m_fixed.contains(page))
        emit changed();
}

void Notebook::setName(QWidget *page, const QString &name)
{
    if (name.isEmpty() || nameOf(page) == name)
        return;
    if (const auto it = m_fixed.find(page); it != m_fixed.end())
        it->name = name;
    if (const int index = m_tabs->indexOf(page); index >= 0)
        m_tabs->setTabText(index, name);
    if (m_fixed.contains(page))
        emit changed();
}

void Notebook::setReadOnly(QWidget *page, bool readOnly)
{
    if (auto *editor = qobject_cast<QTextEdit *>(page))
        editor->setReadOnly(readOnly);
}

void Notebook::applyLayout(const TabStoreData &data, const QString &skinPath)
{
    QList<QWidget *> tabOrder;
    for (const TabRecord &record : data.records) {
        if (!record.fromFile)
            continue;
        QWidget *page = pageForFile(record.pathOrText);
        if (!page || !m_fixed.contains(page))
            continue;
        setName(page, record.name);
        NoteWidget *note = noteOf(page);
        if (record.onScreen) {
            const QRect place = placeOnScreen(record.geometry);
            if (!note) {
                const int index = m_tabs->indexOf(page);
                QTextEdit *editor = editorAt(index);
                if (!editor)
                    continue;
                m_tabs->removeTab(m_tabs->indexOf(editor));
                note = stick(editor, record.name, skinPath);
                note->setGeometry(place);
                note->show();
            } else if (QRect(note->pos(), note->size()) != record.geometry) {
                note->setGeometry(place);
            }
            continue;
        }
        if (note) {
            QWidget *current = m_tabs->currentWidget();
            backToTab(note);
            m_tabs->setCurrentWidget(current);
            page = note->getTextEdit();
        }
        tabOrder << page;
    }
    // The tabs data lists, in its order, right after the home tab; others after them.
    int target = m_tabs->indexOf(m_home) + 1;
    for (QWidget *page : tabOrder) {
        const int index = m_tabs->indexOf(page);
        if (index < 0)
            continue;
        if (index != target)
            m_tabs->tabBar()->moveTab(index, target);
        ++target;
    }
}
