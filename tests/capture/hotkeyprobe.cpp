// A program holding Ctrl+Alt+C through GlobalShortcut on whatever display it
// is given: prints "ready" once the key is registered (or "refused"), then
// "activated" on each press, until standard input closes.

#include "globalshortcut.h"

#include <QGuiApplication>
#include <QSocketNotifier>

#include <cstdio>
#include <unistd.h>

int main(int argc, char *argv[])
{
    QGuiApplication app(argc, argv);
    GlobalShortcut shortcut(QKeySequence(QStringLiteral("ctrl+alt+c")), nullptr);
    QObject::connect(&shortcut, &GlobalShortcut::activated, [] {
        std::puts("activated");
        std::fflush(stdout);
    });
    // setShortcut() reports whether the X server accepted the grab.
    std::puts(shortcut.setShortcut(QKeySequence(QStringLiteral("ctrl+alt+c"))) ? "ready" : "refused");
    std::fflush(stdout);
    QSocketNotifier input(STDIN_FILENO, QSocketNotifier::Read);
    QObject::connect(&input, &QSocketNotifier::activated, &app, [&app] {
        char byte;
        if (::read(STDIN_FILENO, &byte, 1) <= 0)
            app.quit();
    });
    return app.exec();
}
