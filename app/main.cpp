#include "dialog.h"
#include "fontconfigwarmup.h"
#include "sessionguard.h"
#include "sessionkind.h"
#include "singleinstance.h"

#include <QApplication>
#include <QDir>

int main(int argc, char *argv[])
{
    const FontConfigWarmUp fontConfig;
    SessionKind::preferXWayland();
    QApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("Velmo Note"));
    QCoreApplication::setApplicationVersion(QObject::tr("Ver 0.1"));
    QApplication::setQuitOnLastWindowClosed(false);

    // Only the first argument counts, compared exactly. "-Capture" asks the
    // notebook of this folder for a capture (a desktop's own key binding runs
    // it); with none running, the notebook starts hidden and captures.
    const bool startCapture = argc > 1 && qstrcmp(argv[1], "-Capture") == 0;
    const bool startHidden = startCapture || (argc > 1 && qstrcmp(argv[1], "-Hide") == 0);

    // One notebook per working directory: a later start hands over and leaves.
    SingleInstance instance(QDir::currentPath());
    const auto role = instance.claim(startCapture  ? QStringLiteral("capture")
                                     : startHidden ? QStringLiteral("hide")
                                                   : QStringLiteral("show"));
    if (role == SingleInstance::Role::Secondary)
        return 0;

    int result = 0;
    {
        Dialog w;
        QObject::connect(&instance, &SingleInstance::requestReceived, &w, &Dialog::handleSecondStart);
        SessionGuard session;
        QObject::connect(&session, &SessionGuard::terminationRequested, &w, &Dialog::quitForSessionEnd);
        QObject::connect(&session, &SessionGuard::commitRequested, &w, &Dialog::commitNotebook);
        w.show();
        if (startHidden)
            w.hideDialog();
        if (startCapture)
            QMetaObject::invokeMethod(&w, &Dialog::startCutScreen, Qt::QueuedConnection);
        result = app.exec();
    }
    return result;
}
