#pragma once

#include <QString>

/// The command a desktop's key binding runs to capture with a running
/// notebook, as the user types it into the desktop's keyboard settings: the
/// installed program by its plain name when that name finds it, else its
/// full path; "--notebook DIR" only when a start from elsewhere would not
/// find the notebook by itself (it is not the menu's notebook). Pure logic.
class CaptureCommand
{
public:
    /// program: the running program's file. onPath: what the name
    /// "velmonote" runs from PATH (empty: nothing). folder: the notebook's
    /// folder; defaultFolder: the menu-started notebook's (NotebookFolder).
    /// Paths are compared as given: pass canonical ones.
    static QString forNotebook(const QString &program, const QString &onPath, const QString &folder,
                               const QString &defaultFolder);

    /// word as one shell word: unchanged when safe, else in single quotes.
    static QString shellWord(const QString &word);
};
