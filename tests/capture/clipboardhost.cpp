// Puts text on the clipboard the way the notebook does, with the program's
// Wayland offer installed, for the capture tests on a Wayland desktop. Runs
// on XWayland (xcb); prints "copied" once the clipboard is set and stays until
// it is ended.

#include "waylandselection.h"

#include <QApplication>
#include <QClipboard>
#include <QTimer>

#include <cstdio>

int main(int argc, char *argv[])
{
    qputenv("QT_QPA_PLATFORM", "xcb");
    QApplication app(argc, argv);
    if (argc < 2 || !WaylandSelection::install(&app))
        return 1;
    QTimer::singleShot(0, &app, [&] {
        QApplication::clipboard()->setText(QString::fromUtf8(argv[1]));
        std::printf("copied\n");
        std::fflush(stdout);
    });
    return app.exec();
}
