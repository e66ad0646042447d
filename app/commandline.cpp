#include "commandline.h"

#include <cstdio>

namespace {
// The program's own options; -Hide and -Capture keep their historic single dash.
const QStringList flags = {QStringLiteral("-Hide"), QStringLiteral("-Capture"), QStringLiteral("--sync-folder")};
const QLatin1String notebookOption("--notebook");

// QApplication's options (QGuiApplication, QApplication, the xcb platform):
// the ones that take the next argument, the ones that stand alone, and the
// ones written as -name=value.
const QStringList qtWithValue = {
    QStringLiteral("platform"), QStringLiteral("platformpluginpath"), QStringLiteral("platformtheme"),
    QStringLiteral("plugin"), QStringLiteral("qwindowgeometry"), QStringLiteral("qwindowicon"),
    QStringLiteral("qwindowtitle"), QStringLiteral("session"), QStringLiteral("display"),
    QStringLiteral("geometry"), QStringLiteral("name"), QStringLiteral("title"), QStringLiteral("visual"),
    QStringLiteral("style"), QStringLiteral("stylesheet")};
const QStringList qtFlags = {QStringLiteral("reverse"), QStringLiteral("widgetcount"), QStringLiteral("nograb"),
                             QStringLiteral("dograb"), QStringLiteral("sync")};
const QStringList qtAssigned = {QStringLiteral("style"), QStringLiteral("stylesheet"),
                                QStringLiteral("qmljsdebugger"), QStringLiteral("dialogs"),
                                QStringLiteral("fontengine")};

/// The name of a Qt option without its one or two dashes; empty for anything else.
QString qtName(const QString &argument)
{
    if (argument.startsWith(QLatin1String("--")))
        return argument.mid(2);
    if (argument.startsWith(QLatin1Char('-')))
        return argument.mid(1);
    return QString();
}

/// How many arguments an argument takes up, its value included (a value is
/// taken whatever it looks like); 0 for an unknown option with two dashes.
/// Anything else that is not ours is let alone, as it always was: other
/// spellings of -Hide, words, Qt's options with one dash.
int span(const QString &argument)
{
    const QString name = qtName(argument);
    if (argument == notebookOption || qtWithValue.contains(name))
        return 2;
    if (!argument.startsWith(QLatin1String("--")) || flags.contains(argument)
        || argument.startsWith(notebookOption + QLatin1Char('=')) || qtFlags.contains(name)
        || (name.contains(QLatin1Char('=')) && qtAssigned.contains(name.section(QLatin1Char('='), 0, 0))))
        return 1;
    return 0;
}
}

CommandLine::Outcome CommandLine::parse(const QStringList &arguments)
{
    bool help = false;
    bool version = false;
    for (int i = 1; i < arguments.size();) {
        const QString &argument = arguments.at(i);
        int taken = 1;
        if (argument == QLatin1String("--help"))
            help = true;
        else if (argument == QLatin1String("--version"))
            version = true;
        else if (!(taken = span(argument)))
            return {Action::Usage, 2, argument};
        // A value missing at the end (--notebook alone) is reported where it is used.
        i += taken;
    }
    if (help)
        return {Action::Help, 0, QString()};
    if (version)
        return {Action::Version, 0, QString()};
    return {};
}

QString CommandLine::helpText()
{
    return QStringLiteral(
        "Usage: velmonote [-Hide | -Capture] [--notebook DIR] [--sync-folder]\n"
        "Sticky notes in the system tray.\n"
        "\n"
        "  -Hide            start hidden in the tray (only as the first argument)\n"
        "  -Capture         capture a part of the screen with the running notebook\n"
        "                   (the menu's from any folder, or --notebook DIR's), or\n"
        "                   capture, then start it hidden (only as the first argument)\n"
        "  --notebook DIR   use DIR as the notebook folder (also --notebook=DIR)\n"
        "  --sync-folder    keep the notebook folder safe to sync between computers\n"
        "  --help           print this help and exit\n"
        "  --version        print the version and exit\n"
        "\n"
        "An unknown option with two dashes is an error; other arguments are ignored.\n"
        "Qt's own options (-platform, -display, -style ...) are passed to Qt.\n"
        "See velmonote(1).\n");
}

QString CommandLine::versionText()
{
    return QStringLiteral("velmonote " VELMO_VERSION "\n");
}

std::optional<int> CommandLine::answer(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const Outcome outcome = parse(arguments);
    switch (outcome.action) {
    case Action::Run:
        return std::nullopt;
    case Action::Help:
        std::fputs(helpText().toLocal8Bit().constData(), stdout);
        break;
    case Action::Version:
        std::fputs(versionText().toLocal8Bit().constData(), stdout);
        break;
    case Action::Usage:
        std::fprintf(stderr, "velmonote: unknown argument '%s'\n\n%s", outcome.problem.toLocal8Bit().constData(),
                     helpText().toLocal8Bit().constData());
        break;
    }
    return outcome.exitCode;
}

QString CommandLine::requestOf(int argc, char *argv[])
{
    if (argc > 1 && qstrcmp(argv[1], "-Capture") == 0)
        return QStringLiteral("capture");
    if (argc > 1 && qstrcmp(argv[1], "-Hide") == 0)
        return QStringLiteral("hide");
    return QStringLiteral("show");
}
