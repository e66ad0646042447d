#pragma once

#include "tabstoredata.h"

#include <QHash>
#include <QIcon>
#include <QList>
#include <QMap>
#include <QObject>
#include <QPointer>

#include <functional>

class NoteWidget;
class QTabWidget;
class QTextEdit;

/// The notebook: the tabs of the main window and the desktop notes made from
/// them, with the registries that say which tabs are fixed (and so stored)
/// and which are bound to note files.
///
/// One editor object is one note. It lives either as a page of the tab widget
/// or inside a NoteWidget and moves between them without being copied; the
/// registries are keyed by it. The home page is the tab widget's first page
/// and is never fixed, deleted or stuck on the screen.
///
/// It also turns the notebook into what tab.dat stores and back, keeping
/// records it could not restore (a note file on a drive that is not there)
/// so that the next save writes them back unchanged.
///
/// A restored tab starts as an empty placeholder page that holds only its
/// text; its editor is built when the tab is first shown or asked for
/// (editorAt()), and then takes the placeholder's place in the tab widget and
/// in the registries. A store of many tabs so starts fast and small.
///
/// For a notebook folder kept in sync with other computers (NotebookSync)
/// it can also take notes in and out by their note files, reload a note's
/// text from its file, follow another computer's names, order and places,
/// and ask a guard before writing a note file.
class Notebook : public QObject
{
    Q_OBJECT
public:
    enum class Refusal { None, EmptyName, HomeTab, FixedTab };
    /// A fixed tab as tab.dat keeps it: its name, and the note file it is
    /// bound to (empty: its text is kept in tab.dat itself).
    struct FixedTab
    {
        QString name;
        QString path;
        bool operator==(const FixedTab &other) const { return name == other.name && path == other.path; }
    };
    /// A page whose text lives in a note file, and that file's path.
    struct BoundPage
    {
        QWidget *page = nullptr;
        QString path;
    };

    Notebook(QTabWidget *tabs, QTextEdit *home, const QIcon &pin, const QIcon &unpin,
             QObject *parent = nullptr);
    ~Notebook() override;

    /// The current tab's editor, with its text loaded.
    QTextEdit *currentEditor() const;
    /// The editor of tab index, with its text loaded (restored tabs get
    /// their editor and text when first shown, so a large notebook starts fast).
    QTextEdit *editorAt(int index) const;
    QTextEdit *homeEditor() const { return m_home; }

    Refusal addTab(const QString &name);
    Refusal renameTab(int index, const QString &name);
    /// Deletes the tab at index unless it is the home tab or (without
    /// fixedToo) a fixed tab; a refused tab is left exactly as it was.
    Refusal deleteTab(int index, bool fixedToo = false);
    void fixCurrent();
    void unfixCurrent();

    /// Adds an editor made elsewhere (an opened note file) as an ordinary tab.
    void addOpenedEditor(QTextEdit *editor, const QString &title);
    /// A new editor set up like every note editor.
    QTextEdit *createEditor() const;

    /// Sticks the current tab on the screen; returns the note, or null for the home tab.
    NoteWidget *moveCurrentToScreen(const QString &skinPath);
    void backToTab(NoteWidget *note);
    const QList<NoteWidget *> &noteList() const { return m_notes; }

    const QMap<QWidget *, FixedTab> &fixedTabs() const { return m_fixed; }
    QString noteFile(QWidget *editor) const { return m_noteFiles.value(editor); }
    void bindNoteFile(QWidget *editor, const QString &path);
    bool isFixed(QWidget *editor) const;

    /// What tab.dat must hold now. Unchanged notes reuse their last HTML, so
    /// this stays cheap while one note is being typed into.
    TabStoreData snapshot(const QString &skinPath);
    /// The page (editor or placeholder) of each record snapshot() writes
    /// for a tab or note of this run, in the same order; the records kept
    /// aside follow these in snapshot().
    QList<QWidget *> recordPages() const;
    /// The most records restore() brings back as tabs and notes; the rest are
    /// kept aside and saved back unchanged. (Qt lays out the whole tab bar for
    /// every tab added: many thousands would keep the window from showing.)
    static constexpr int MaxRestored = 1000;

    /// Where text goes that could not be written to its note file (a folder
    /// beside tab.dat); empty: nowhere.
    void setRecoveryFolder(const QString &folder) { m_recoveryFolder = folder; }
    /// The folder of this computer's own recovery files under the recovery
    /// folder (a synced folder carries every computer's; each reads and
    /// deletes only its own); empty: directly there.
    void setRecoveryDevice(const QString &device) { m_recoveryDevice = device; }
    /// The file that keeps the text of the note bound to notePath when that
    /// file cannot be written.
    QString recoveryPath(const QString &notePath) const;

    /// Recreates the fixed tabs and desktop notes of data; returns how many
    /// records were kept aside because their note file could not be read
    /// (or because there were more than MaxRestored). A note whose file
    /// could not be written last time comes back with the text kept in its
    /// recovery file.
    int restore(const TabStoreData &data);
    /// What the user must hear about the last restore(): one line per note
    /// that could not be restored or came from its recovery file, saying
    /// where its text is. Empty when everything came back as stored.
    QStringList restoreNotices() const { return m_notices; }
    /// Writes every fixed, file-bound note whose text changed since it was
    /// last written to its file, as a save of that note would. Returns the
    /// errors, one line per file that failed. The text of a note whose file
    /// cannot be written is kept in its recovery file (the line says where).
    QStringList writeChangedNoteFiles();
    /// Whether editor's text was changed since its note file was read or written.
    bool differsFromFile(QWidget *editor) const;
    /// The editor's text is what its note file holds now (just read, or
    /// written by saveNoteFile, which tells noteFileSaved itself).
    void noteFileWritten(QWidget *editor);

    // ---- for a notebook kept in sync with another computer's copy ----
    /// The page (an editor, or a restored tab's placeholder) bound to the
    /// note file path, in the fixed tabs or the opened files; null when none.
    QWidget *pageForFile(const QString &path) const;
    /// Every page bound to a note file (fixed tabs and opened files), with its path.
    QList<BoundPage> fileBoundPages() const;
    /// Which file (FileStamp::identity) the note file path was when
    /// restore() read it; empty when it was not read there.
    QByteArray identityWhenRead(const QString &path) const { return m_readIdentities.value(path); }
    /// The fixed pages, in no particular order.
    QList<QWidget *> fixedPages() const { return m_fixed.keys(); }
    /// The tabs and desktop notes that are not fixed (scratch notes), the
    /// home tab left out.
    QList<QWidget *> scratchPages() const;
    /// The note's text as HTML (a placeholder's without building its editor).
    QString textOf(QWidget *page) { return htmlOf(page); }
    /// The text of every note held: the tabs (home, scratch, fixed, opened
    /// files, conflict copies), the desktop notes and the records kept aside
    /// (a file-bound one read from its file). leaving: without the scratch
    /// notes bound to no file, which end with the program.
    QStringList allTexts(bool leaving = false);
    /// The tab's or desktop note's name.
    QString nameOf(QWidget *page) const;
    /// Puts text just read from the page's note file into it (plain: plain
    /// text, line for line; else HTML): no edit, nothing to write.
    void reloadFromFile(QWidget *page, const QString &text, bool plain = false);
    /// Adds a tab bound to the note file path holding text; fixed: kept in
    /// tab.dat (pin icon); readOnly: shown but not editable. Not made current.
    QWidget *addFileTab(const QString &name, const QString &path, const QString &text, bool fixed, bool readOnly,
                        bool plain = false);
    /// Removes a tab or desktop note whatever it is, fixed ones too.
    void removeNote(QWidget *page);
    /// Binds page to the note file path; writeText: its text must still be
    /// written there (the next writeChangedNoteFiles() does it).
    void moveToFile(QWidget *page, const QString &path, bool writeText);
    /// Renames a tab or desktop note.
    void setName(QWidget *page, const QString &name);
    void setReadOnly(QWidget *page, bool readOnly);
    /// Gives the fixed notes that data lists by note file its names, places
    /// (tab or desktop note, where) and tab order; others stay as they are.
    /// skinPath: the skin a note newly stuck on the screen wears.
    void applyLayout(const TabStoreData &data, const QString &skinPath);
    /// Asked before a note file is written; false keeps it unwritten (and
    /// its text marked as still to write).
    void setWriteGuard(std::function<bool(const QString &path)> guard) { m_writeGuard = std::move(guard); }
    /// Writes editor's text to path as the user's save does: asks the guard
    /// first and tells who watches the file (noteFileSaved). Returns the
    /// error, empty when written.
    QString saveNoteFile(QTextEdit *editor, const QString &path);

signals:
    /// A note's text was written to its note file.
    void noteFileSaved(QWidget *page, const QString &path, const QString &html);
    /// The user unfixed a note bound to the note file path (empty when none).
    void noteUnfixed(QWidget *page, const QString &path);
    /// A tab bound to a note file was deleted by the user; html was its
    /// text, name its name.
    void fileTabDeleted(const QString &path, const QString &html, const QString &name);
    /// A new editor joined the notebook (the formatting bar follows it).
    void editorAdded(QTextEdit *editor);
    /// Something tab.dat holds has changed.
    void changed();

private:
    void adopt(QTextEdit *editor, const QString &cachedHtml);
    /// Writes a note's file unless the write guard refuses, and tells who
    /// watches it; returns the error, empty when written.
    QString writeGuarded(QWidget *editor, const QString &path, const QString &html);
    void appendTab(QWidget *page, const QString &title, bool fixedIcon);
    NoteWidget *stick(QTextEdit *editor, const QString &title, const QString &skinPath);
    QRect placeOnScreen(const QRect &saved) const;
    void editorChanged(QTextEdit *editor);
    void noteMoved(NoteWidget *note);
    /// The note's HTML; page is an editor or a restored tab's placeholder page.
    QString htmlOf(QWidget *page);
    void load(QWidget *editor) const;
    /// Builds the editor of a restored tab's placeholder page and puts it in
    /// the page's place; returns it (null when widget is no placeholder).
    QTextEdit *materialize(QWidget *page);
    bool eventFilter(QObject *watched, QEvent *event) override;
    NoteWidget *noteOf(QWidget *page) const;
    QWidget *addPlaceholder(const QString &name, const QString &path, const QString &html, bool recovered,
                            bool plain = false);

    QTabWidget *m_tabs;
    QTextEdit *m_home;
    QIcon m_pinIcon;
    QIcon m_unpinIcon;
    QMap<QWidget *, FixedTab> m_fixed;
    QMap<QWidget *, QString> m_noteFiles;
    QHash<QString, QByteArray> m_readIdentities;
    QList<NoteWidget *> m_notes;
    QList<TabRecord> m_keptRecords;
    QString m_recoveryFolder;
    QString m_recoveryDevice;
    QStringList m_notices;
    std::function<bool(const QString &path)> m_writeGuard;

    struct EditorState
    {
        QString html;           // last HTML taken from the editor; null when stale
        QString pending;        // text not yet put into the editor; null once loaded
        bool pendingPlain = false; // pending is plain text (from a note file), not HTML
        bool fileDirty = false; // changed since last written to its note file
        bool loading = false;   // the editor is being filled, not edited
        bool placeholder = false; // a restored tab's page, no editor yet
    };
    mutable QHash<QWidget *, EditorState> m_states;
};
