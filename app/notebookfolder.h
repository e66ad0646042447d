#pragma once

#include <QString>
#include <QStringList>

/// Chooses the folder that holds this run's notebook and lays it out.
///
/// A working directory that already holds a notebook (index.dat, tab.dat or a
/// skin/ folder) is used as it is, untouched: a prepared folder keeps working
/// as before. Started anywhere else (from the application menu, a launcher,
/// the home folder) the notebook lives in $XDG_DATA_HOME/velmonote
/// (~/.local/share/velmonote when unset or relative). "--notebook DIR" (or
/// "--notebook=DIR") names the folder outright. A chosen folder other than a
/// kept working directory is created when missing and receives the installed
/// defaults (home pages, skins, ring) file by file; a file already there is
/// never replaced. The caller makes the result the working directory.
class NotebookFolder
{
public:
    struct Result {
        QString path;          ///< absolute folder; empty when none could be had
        QString error;         ///< what went wrong (also set when path is a fallback)
        bool laidOut = false;  ///< the defaults were copied into path
    };

    /// arguments: the program's arguments, program name first.
    /// dataHome: the value of $XDG_DATA_HOME. defaults: the installed default
    /// data (see defaultsFolder); empty or missing: nothing is copied.
    static Result prepare(const QStringList &arguments, const QString &workingDir,
                          const QString &dataHome, const QString &homeDir, const QString &defaults);

    /// The folder prepare() would choose when it exists already; empty
    /// otherwise. Creates and copies nothing.
    static QString existing(const QStringList &arguments, const QString &workingDir, const QString &dataHome,
                            const QString &homeDir);

    /// The folder of the notebook started outside any notebook folder (from
    /// the application menu): $XDG_DATA_HOME/velmonote, or
    /// ~/.local/share/velmonote when that is unset or relative.
    static QString defaultFolder(const QString &dataHome, const QString &homeDir);

    /// Whether dir already holds a notebook.
    static bool holdsNotebook(const QString &dir);

    /// Copies every file under defaults into dir that dir does not have yet.
    /// Returns an empty string, or the files that could not be copied.
    static QString copyMissing(const QString &defaults, const QString &dir);

    /// The installed default data for a program in applicationDir: the
    /// package's data folder, else the build tree's defaultdata; empty when
    /// neither exists.
    static QString defaultsFolder(const QString &applicationDir);

    /// The program a start-with-the-system entry for dir runs: the velmonote
    /// of that folder when it has one, else the running program.
    static QString startProgram(const QString &dir, const QString &runningProgram);
};
