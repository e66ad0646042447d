#include "dialog.h"
#include "displaylosssaver.h"
#include "fontconfigwarmup.h"
#include "notebookfolder.h"
#include "sessionguard.h"
#include "sessionkind.h"
#include "singleinstance.h"
#include "uilanguage.h"
#include "accessiblenames.h"

#include <QApplication>
#include <QDir>
#include <QMessageBox>

#include <cstdio>

int main(int argc, char *argv[])
{
    const FontConfigWarmUp fontConfig;
    SessionKind::preferXWayland();
    QApplication app(argc, argv);
    UiLanguage::install(&app);
    app.installEventFilter(new AccessibleNames(&app));
    QCoreApplication::setApplicationName(QStringLiteral("Velmo Note"));
    QCoreApplication::setApplicationVersion(QObject::tr("Ver 0.1"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Only the first argument counts, compared exactly. "-Capture" asks the
    // notebook of this folder for a capture (a desktop's own key binding runs
    // it); with none running, the notebook starts hidden and captures.
    const bool startCapture = argc > 1 && qstrcmp(argv[1], "-Capture") == 0;
    const bool startHidden = startCapture || (argc > 1 && qstrcmp(argv[1], "-Hide") == 0);

    // The notebook's folder becomes the working directory: the one started
    // in when it holds a notebook, else the user's data folder or --notebook DIR.
    const NotebookFolder::Result folder = NotebookFolder::prepare(
        QCoreApplication::arguments(), QDir::currentPath(), qEnvironmentVariable("XDG_DATA_HOME"),
        QDir::homePath(), NotebookFolder::defaultsFolder(QCoreApplication::applicationDirPath()));
    if (!folder.error.isEmpty())
        qWarning("Velmo Note: %s", qPrintable(folder.error));
    if (folder.path.isEmpty() || !QDir::setCurrent(folder.path))
        return 2;

    // One notebook per working directory: a later start hands over and leaves.
    SingleInstance instance(QDir::currentPath());
    const auto role = instance.claim(startCapture  ? QStringLiteral("capture")
                                     : startHidden ? QStringLiteral("hide")
                                                   : QStringLiteral("show"));
    if (role == SingleInstance::Role::Secondary)
        return 0;
    if (role == SingleInstance::Role::Failed) {
        // Two notebooks on one folder overwrite each other's tab.dat: refuse.
        std::fprintf(stderr, "velmonote: not starting: cannot make sure no other notebook runs in %s (%s)\n",
                     qPrintable(QDir::currentPath()), qPrintable(instance.errorString()));
        QMessageBox::critical(nullptr, QObject::tr("Velmo Note"),
                              QObject::tr("无法确认此文件夹中没有另一个便签在运行，为免两个便签互相覆盖 tab.dat，本次不启动。\n\n%1")
                                  .arg(instance.errorString()));
        return 1;
    }

    int result = 0;
    {
        Dialog w;
        QObject::connect(&instance, &SingleInstance::requestReceived, &w, &Dialog::handleSecondStart);
        SessionGuard session;
        QObject::connect(&session, &SessionGuard::terminationRequested, &w, &Dialog::quitForSessionEnd);
        QObject::connect(&session, &SessionGuard::commitRequested, &w, &Dialog::commitNotebook);
        // The X server may end before us (logout): Qt then exits from inside the loop.
        const DisplayLossSaver lastSave([&w] { w.commitNotebook(); });
        w.show();
        if (startHidden)
            w.hideDialog();
        if (startCapture)
            QMetaObject::invokeMethod(&w, &Dialog::startCutScreen, Qt::QueuedConnection);
        result = app.exec();
    }
    return result;
}
