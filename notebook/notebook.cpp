#include "notebook.h"

#include "notefile.h"
#include "notepage.h"
#include "noteplacement.h"
#include "notewidget.h"
#include "windowposition.h"

#include <QGuiApplication>
#include <QScreen>
#include <QTabWidget>
#include <QTextEdit>

Notebook::Notebook(QTabWidget *tabWidget, QTextEdit *homeEdit, const QIcon &pin, const QIcon &unpin,
                   QObject *parent)
    : QObject(parent)
    , tabs(tabWidget)
    , home(homeEdit)
    , pinIcon(pin)
    , unpinIcon(unpin)
{
}

Notebook::~Notebook()
{
    // Desktop notes have no parent; they end with the notebook.
    qDeleteAll(notes);
}

QTextEdit *Notebook::currentEditor() const
{
    return editorAt(tabs->currentIndex());
}

QTextEdit *Notebook::editorAt(int index) const
{
    auto *editor = qobject_cast<QTextEdit *>(tabs->widget(index));
    if (editor)
        load(editor);
    return editor;
}

void Notebook::load(QWidget *widget) const
{
    const auto it = states.find(widget);
    if (it == states.end() || it->pending.isNull())
        return;
    auto *editor = static_cast<QTextEdit *>(widget);
    const QString html = it->pending;
    it->pending = QString();
    it->loading = true;
    editor->setHtml(html);
    editor->moveCursor(QTextCursor::Start);
    states[widget].loading = false;
    editor->removeEventFilter(const_cast<Notebook *>(this));
}

bool Notebook::eventFilter(QObject *watched, QEvent *event)
{
    // A restored tab gets its text the first time it is shown.
    if (event->type() == QEvent::Show)
        load(static_cast<QWidget *>(watched));
    return QObject::eventFilter(watched, event);
}

bool Notebook::isFixed(QWidget *editor) const
{
    const auto it = fixed.constFind(editor);
    return it != fixed.constEnd() && !it->first.isEmpty();
}

QTextEdit *Notebook::createEditor() const
{
    auto *editor = new QTextEdit;
    editor->setStyleSheet(NotePage::styleSheet());
    return editor;
}

void Notebook::adopt(QTextEdit *editor, const QString &cachedHtml)
{
    EditorState state;
    state.html = cachedHtml;
    states.insert(editor, state);
    connect(editor->document(), &QTextDocument::contentsChanged, this, [this, editor] {
        editorChanged(editor);
    });
    connect(editor, &QObject::destroyed, this, [this, editor] {
        states.remove(editor);
        fixed.remove(editor);
        noteFiles.remove(editor);
    });
    emit editorAdded(editor);
}

void Notebook::editorChanged(QTextEdit *editor)
{
    EditorState &state = states[editor];
    if (state.loading)
        return;
    state.html = QString();
    state.fileDirty = true;
    if (fixed.contains(editor))
        emit changed();
}

void Notebook::appendTab(QTextEdit *editor, const QString &title, bool fixedIcon)
{
    tabs->addTab(editor, fixedIcon ? pinIcon : unpinIcon, title);
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
    tabs->setCurrentWidget(editor);
    return Refusal::None;
}

Notebook::Refusal Notebook::renameTab(int index, const QString &name)
{
    if (name.isEmpty())
        return Refusal::EmptyName;
    tabs->setTabText(index, name);
    QWidget *editor = tabs->widget(index);
    auto it = fixed.find(editor);
    if (it != fixed.end() && !it->first.isEmpty()) {
        it->first = name;
        emit changed();
    }
    return Refusal::None;
}

Notebook::Refusal Notebook::deleteTab(int index)
{
    QWidget *editor = tabs->widget(index);
    if (!editor)
        return Refusal::None;
    if (editor == home)
        return Refusal::HomeTab;
    noteFiles.remove(editor);
    if (tabs->tabIcon(index).cacheKey() == pinIcon.cacheKey())
        return Refusal::FixedTab;
    tabs->removeTab(index);
    disconnect(editor, nullptr, this, nullptr);
    states.remove(editor);
    editor->deleteLater();
    return Refusal::None;
}

void Notebook::fixCurrent()
{
    QWidget *editor = tabs->currentWidget();
    if (!editor || editor == home)
        return;
    const int index = tabs->currentIndex();
    tabs->setTabIcon(index, pinIcon);
    fixed.insert(editor, qMakePair(tabs->tabText(index), noteFiles.value(editor)));
    emit changed();
}

void Notebook::unfixCurrent()
{
    QWidget *editor = tabs->currentWidget();
    if (!editor || editor == home || !isFixed(editor))
        return;
    fixed.remove(editor);
    tabs->setTabIcon(tabs->currentIndex(), unpinIcon);
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
    noteFiles.insert(editor, path);
}

void Notebook::noteFileWritten(QWidget *editor)
{
    if (states.contains(editor))
        states[editor].fileDirty = false;
}

NoteWidget *Notebook::stick(QTextEdit *editor, const QString &title, const QString &skinPath)
{
    auto *note = new NoteWidget(title);
    notes.append(note);
    note->setBackground(skinPath);
    note->setTextEdit(editor);
    connect(note, &NoteWidget::sigClose, this, &Notebook::backToTab);
    connect(note, &NoteWidget::geometryChanged, this, [this, note] { noteMoved(note); });
    return note;
}

NoteWidget *Notebook::moveCurrentToScreen(const QString &skinPath)
{
    QTextEdit *editor = currentEditor();
    if (!editor || editor == home)
        return nullptr;
    const QString title = tabs->tabText(tabs->currentIndex());
    tabs->removeTab(tabs->currentIndex());
    NoteWidget *note = stick(editor, title, skinPath);
    // No position: the window manager places a new note.
    note->show();
    if (fixed.contains(editor))
        emit changed();
    return note;
}

void Notebook::backToTab(NoteWidget *note)
{
    const int index = notes.indexOf(note);
    if (index < 0)
        return;
    QTextEdit *editor = note->getTextEdit();
    tabs->addTab(editor, note->getTitle());
    tabs->setCurrentIndex(tabs->count() - 1);
    tabs->setTabIcon(tabs->count() - 1, isFixed(editor) ? pinIcon : unpinIcon);
    disconnect(note, nullptr, this, nullptr);
    note->deleteLater();
    notes.removeAt(index);
    if (fixed.contains(editor))
        emit changed();
}

void Notebook::noteMoved(NoteWidget *note)
{
    if (fixed.contains(note->getTextEdit()))
        emit changed();
}

QString Notebook::htmlOf(QTextEdit *editor)
{
    EditorState &state = states[editor];
    if (state.html.isNull())
        state.html = editor->toHtml();
    return state.html;
}

TabStoreData Notebook::snapshot(const QString &skinPath)
{
    TabStoreData data;
    data.skinPath = skinPath;
    data.records.reserve(fixed.size() + keptRecords.size());
    const auto add = [&](QWidget *widget, NoteWidget *note) {
        const auto it = fixed.constFind(widget);
        if (it == fixed.constEnd())
            return;
        TabRecord record;
        record.name = it->first;
        record.fromFile = !it->second.isEmpty();
        record.pathOrText = record.fromFile ? it->second : htmlOf(static_cast<QTextEdit *>(widget));
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
    for (int i = 0; i < tabs->count(); ++i)
        add(tabs->widget(i), nullptr);
    for (NoteWidget *note : notes)
        add(note->getTextEdit(), note);
    data.records.append(keptRecords);
    return data;
}

QRect Notebook::placeOnScreen(const QRect &saved) const
{
    QList<QRect> screens;
    for (QScreen *screen : QGuiApplication::screens())
        screens << screen->geometry();
    return NotePlacement::place(saved, screens, QGuiApplication::primaryScreen()->availableGeometry());
}

int Notebook::restore(const TabStoreData &data)
{
    int kept = 0;
    for (const TabRecord &record : data.records) {
        QString html = record.pathOrText;
        if (record.fromFile) {
            const NoteFile::ReadResult file = NoteFile::read(record.pathOrText);
            if (!file.ok) {
                keptRecords.append(record);
                ++kept;
                continue;
            }
            html = file.text;
        }
        QTextEdit *editor = createEditor();
        // Text from tab.dat is written back as it came until it changes;
        // a file-based note stores only its path.
        adopt(editor, record.fromFile ? QString() : record.pathOrText);
        states[editor].pending = html.isNull() ? QStringLiteral("") : html;
        editor->installEventFilter(this);
        fixed.insert(editor, qMakePair(record.name, record.fromFile ? record.pathOrText : QString()));
        if (record.onScreen) {
            // The skin reaches restored notes once every record is read.
            load(editor);
            NoteWidget *note = stick(editor, record.name, QString());
            note->setGeometry(placeOnScreen(record.geometry));
            note->show();
        } else {
            appendTab(editor, record.name, true);
        }
    }
    return kept;
}

QStringList Notebook::writeChangedNoteFiles()
{
    QStringList errors;
    for (auto it = fixed.begin(); it != fixed.end(); ++it) {
        const QString path = it->second;
        QWidget *editor = it.key();
        if (path.isEmpty() || !states.value(editor).fileDirty)
            continue;
        const QString target = NoteFile::savePath(path);
        const QString error = NoteFile::write(target, htmlOf(static_cast<QTextEdit *>(editor)));
        if (!error.isEmpty()) {
            errors << target + QLatin1String(": ") + error;
            continue;
        }
        states[editor].fileDirty = false;
        // Like a save: a note read from plan.txt is written to plan.txt.not
        // and stays bound to that file from now on.
        if (target != path) {
            it->second = target;
            if (noteFiles.contains(editor))
                noteFiles.insert(editor, target);
        }
    }
    return errors;
}
