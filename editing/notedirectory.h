#pragma once

#include "notesearch.h"

#include <QList>
#include <QObject>
#include <QSet>
#include <QString>

class NoteWidget;
class Notebook;
class QTabWidget;
class QTextDocument;
class QTextEdit;
class QWidget;

/// Every note of the notebook, as the note list and the search over all
/// notes see them: the tabs in their order (home page first), then the
/// desktop notes. A note is named by its page (the editor, or a restored
/// tab's placeholder until it is first shown), as the notebook names it.
///
/// It keeps each note's plain text for the search, read once from the
/// note's document and read again after the document changes
/// (contentsChange); a tab not shown yet is read from its stored text
/// without building its editor. Markup is never searched.
class NoteDirectory : public QObject
{
    Q_OBJECT
public:
    enum class Kind { Home, Fixed, Scratch, File, Desktop };
    struct Entry
    {
        QWidget *page = nullptr;
        QString name;
        Kind kind = Kind::Scratch;
        int tab = -1;                // index in the tab widget, -1 for a desktop note
        NoteWidget *note = nullptr;  // the desktop note, null for a tab
    };

    NoteDirectory(Notebook *notebook, QTabWidget *tabs, QObject *parent = nullptr);

    QList<Entry> entries() const;
    static QString kindName(Kind kind);

    /// The notes (not the home page) that contain word, in entries() order.
    NoteSearch::Result search(const QString &word, int limit);
    /// The plain text the last search() read for the note of key.
    QString textOf(NoteSearch::Key key) const { return m_search.text(key); }
    /// name, or a numbered name no other note has (NoteNameRule); except:
    /// the note being renamed, whose own name does not count.
    QString unusedName(const QString &name, QWidget *except) const;
    /// The entry of page now; page null when it is gone.
    Entry entryOf(QWidget *page) const;

    /// Brings the note to the user: its tab current in the window, shown and
    /// raised, or the desktop note raised. Returns its editor (built if it
    /// was not yet); null when the page is gone.
    QTextEdit *show(QWidget *page);
    /// Shows the note and selects the first match of word in it.
    QTextEdit *showMatch(QWidget *page, const QString &word);

private:
    /// Reads the plain text of every note the search does not know yet.
    void readNewTexts(const QList<Entry> &all);
    void watch(QWidget *page, QTextDocument *document);

    Notebook *m_notebook;
    QTabWidget *m_tabs;
    NoteSearch m_search;
    QSet<QWidget *> m_watched;
};
