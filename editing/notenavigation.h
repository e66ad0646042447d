#pragma once

#include <QObject>

class NoteDirectory;
class NoteListPopup;
class NoteSearchPanel;
class Notebook;
class QAction;
class QTabWidget;
class QToolBar;
class QToolButton;

/// Ways to reach a note in a large notebook, for the main window: the note
/// list button at the end of the tab bar (on the tab widget's corner bar),
/// Ctrl+Tab / Ctrl+Shift+Tab for the next and previous tab, Ctrl+1…8 for
/// the first eight tabs and Ctrl+9 for the last, and the search over all
/// notes (Ctrl+Shift+F, and searchAction() for the menus).
///
/// The keys belong to the tab widget's window; the list and the search
/// panel are built when first asked for. While either is open the window
/// does not see the pointer leave it (it would roll up).
class NoteNavigation : public QObject
{
    Q_OBJECT
public:
    NoteNavigation(Notebook *notebook, QTabWidget *tabs, QToolBar *cornerBar);

    /// "Search all notes", for the tray menu.
    QAction *searchAction() const { return m_searchAction; }
    NoteDirectory *directory() const { return m_directory; }

    /// The tab after (step 1) or before (step -1) current among count tabs, round.
    static int steppedTab(int current, int count, int step);
    /// The tab Ctrl+digit shows among count tabs (digit 9: the last); -1 for none.
    static int tabForDigit(int digit, int count);

public slots:
    void openSearch();
    void openList();

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    QTabWidget *m_tabs;
    NoteDirectory *m_directory;
    QToolButton *m_listButton;
    QAction *m_searchAction;
    NoteListPopup *m_list = nullptr;
    NoteSearchPanel *m_search = nullptr;
};
