#pragma once

#include <QString>
#include <QStringList>

#include <optional>

/// What a start's arguments ask for, decided before Qt opens the display or
/// the program looks for a notebook: run, or print the help or the version and
/// end. Only the options are checked here; which request (-Hide, -Capture) and
/// which folder (--notebook) a run uses is read where they are acted on.
///
/// Qt's own options (-platform, -display, -style and the rest QApplication
/// takes, with one or two dashes) are let through for QApplication. Only an
/// unknown option with two dashes is refused: any other argument is ignored,
/// as the program always did (other spellings of -Hide start it visible).
class CommandLine
{
public:
    enum class Action { Run, Help, Version, Usage };

    struct Outcome {
        Action action = Action::Run;
        int exitCode = 0;
        QString problem; ///< for Usage: the argument that was not understood
    };

    /// arguments: the program's arguments, program name first.
    static Outcome parse(const QStringList &arguments);

    /// The text of --help, as the man page lists the options.
    static QString helpText();
    /// The text of --version: the program and the project's version.
    static QString versionText();

    /// For main(): prints what parse() asks for and returns the exit status,
    /// or nothing when the program is to run.
    static std::optional<int> answer(int argc, char *argv[]);

    /// The request a start hands to a notebook that runs already: "capture"
    /// for -Capture, "hide" for -Hide, else "show". Only the first argument
    /// counts, compared exactly.
    static QString requestOf(int argc, char *argv[]);
};
