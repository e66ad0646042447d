#include "capturelauncher.h"
#include "commandline.h"
#include "desktopgrabber.h"
#include "dialog.h"
#include "logging.h"
#include "displaylosssaver.h"
#include "fontconfigwarmup.h"
#include "notebookfolder.h"
#include "notebooksync.h"
#include "sessionguard.h"
#include "sessionkind.h"
#include "singleinstance.h"
#include "uilanguage.h"
#include "accessiblenames.h"

#include <QApplication>
#include <QDir>
#include <QEventLoop>
#include <QMessageBox>

#include <cstdio>

namespace {
/// A capture asked for when no notebook ran: it runs before the notebook
/// builds a single window, so that none of them is in the picture. Returns
/// why it failed, or nothing.
QString captureBeforeAnyWindow(QObject *owner)
{
    auto *launcher = new CaptureLauncher(owner);
    QString failure;
    bool done = false;
    QEventLoop loop;
    const auto end = [&] {
        done = true;
        loop.quit();
    };
    QObject::connect(launcher, &CaptureLauncher::failed, &loop, [&](const QString &reason) {
        failure = reason;
        end();
    });
    QObject::connect(launcher, &CaptureLauncher::finished, &loop, end);
    // On X11 the whole capture runs in start(); on Wayland the picture
    // comes later from the portal and the overlay runs in a loop of its own.
    launcher->start();
    if (!done)
        loop.exec();
    return failure;
}
}

/// The notebook's start, loaded by the program (main.cpp) once it is clear
/// that no running notebook takes the request over.
extern "C" Q_DECL_EXPORT int velmonote_run(int argc, char *argv[])
{
    DesktopGrabber::setUpAllocator();
    const FontConfigWarmUp fontConfig;
    SessionKind::preferXWayland();
    QApplication app(argc, argv);
    UiLanguage::install(&app);
    app.installEventFilter(new AccessibleNames(&app));
    QCoreApplication::setApplicationName(QStringLiteral("Velmo Note"));
    QCoreApplication::setApplicationVersion(QObject::tr("Ver 0.1"));
    QApplication::setQuitOnLastWindowClosed(false);

    // "-Capture" asks the notebook of this folder for a capture (a desktop's
    // own key binding runs it); with none running, the notebook starts hidden
    // and captures.
    const QString request = CommandLine::requestOf(argc, argv);
    const bool startCapture = request == QLatin1String("capture");
    const bool startHidden = request != QLatin1String("show");

    // The notebook's folder becomes the working directory: the one started
    // in when it holds a notebook, else the user's data folder or --notebook DIR.
    const NotebookFolder::Result folder = NotebookFolder::prepare(
        QCoreApplication::arguments(), QDir::currentPath(), qEnvironmentVariable("XDG_DATA_HOME"),
        QDir::homePath(), NotebookFolder::defaultsFolder(QCoreApplication::applicationDirPath()));
    if (!folder.error.isEmpty())
        qCWarning(lcApp, "Velmo Note: %s", qPrintable(folder.error));
    if (folder.path.isEmpty() || !QDir::setCurrent(folder.path))
        return 2;

    // One notebook per working directory: a later start hands over and leaves.
    SingleInstance instance(QDir::currentPath());
    const auto role = instance.claim(request);
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

    // "--sync-folder" keeps this notebook folder safe to sync from now on
    // (the choice is kept in the folder, like the tray menu's entry).
    if (QCoreApplication::arguments().contains(QLatin1String("--sync-folder"))) {
        const QString error = NotebookSync::setOn(QDir::currentPath(), true);
        if (!error.isEmpty())
            qCWarning(lcApp, "Velmo Note: cannot switch the sync folder mode on: %s", qPrintable(error));
    }

    // A later start while this capture runs is answered, and its request
    // (show or capture) has nobody to go to yet: dropped.
    const QString captureFailure = startCapture ? captureBeforeAnyWindow(&app) : QString();

    int result = 0;
    {
        Dialog w;
        QObject::connect(&instance, &SingleInstance::requestReceived, &w, &Dialog::handleSecondStart);
        SessionGuard session;
        QObject::connect(&session, &SessionGuard::terminationRequested, &w, &Dialog::quitForSessionEnd);
        QObject::connect(&session, &SessionGuard::commitRequested, &w, &Dialog::commitNotebook);
        // The X server may end before us (logout): Qt then exits from inside the loop.
        const DisplayLossSaver lastSave([&w] { w.saveNotebook(); });
        // A start by the capture key shows no window: the user asked for a capture only.
        if (!startCapture) {
            w.show();
            if (startHidden)
                w.hideDialog();
        } else {
            w.captureKeyUsed();
            if (!captureFailure.isEmpty())
                w.captureFailed(captureFailure);
        }
        result = app.exec();
    }
    return result;
}
