#include "appmodule.h"
#include "commandline.h"
#include "notebookfolder.h"
#include "singleinstance.h"

#include <QDir>

#include <optional>

namespace {
/// A start of a notebook that runs already only hands its request over.
/// Tried before the notebook's module and Qt's display libraries are
/// loaded, it takes a few milliseconds: what a desktop's key bound to
/// "velmonote -Capture" needs. When nothing answers, the notebook's own
/// start decides, with all its checks.
bool handedOverEarly(int argc, char *argv[])
{
    QStringList arguments;
    for (int i = 0; i < argc; ++i)
        arguments << QString::fromLocal8Bit(argv[i]);
    const QString folder = NotebookFolder::existing(arguments, QDir::currentPath(),
                                                    qEnvironmentVariable("XDG_DATA_HOME"), QDir::homePath());
    return !folder.isEmpty()
        && SingleInstance(folder).handOverIfRunning(CommandLine::requestOf(argc, argv), 1000);
}
}

int main(int argc, char *argv[])
{
    // --help, --version and arguments nobody understands end here, before any
    // display or notebook is touched.
    if (const std::optional<int> status = CommandLine::answer(argc, argv))
        return *status;
    if (handedOverEarly(argc, argv))
        return 0;
    return AppModule::run(argc, argv);
}
