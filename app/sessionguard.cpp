#include "sessionguard.h"

#include <QGuiApplication>
#include <QSessionManager>
#include <QSocketNotifier>

#include <csignal>
#include <sys/socket.h>
#include <unistd.h>

namespace {
int signalPipe[2] = {-1, -1};

void onSignal(int number)
{
    const char byte = char(number);
    // write() is async-signal-safe; a full pipe just drops the duplicate.
    [[maybe_unused]] const ssize_t n = ::write(signalPipe[0], &byte, 1);
}
}

SessionGuard::SessionGuard(QObject *parent)
    : QObject(parent)
{
    if (::socketpair(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0, signalPipe) == 0) {
        m_notifier = new QSocketNotifier(signalPipe[1], QSocketNotifier::Read, this);
        connect(m_notifier, &QSocketNotifier::activated, this, &SessionGuard::readSignal);
        struct sigaction action = {};
        action.sa_handler = onSignal;
        sigemptyset(&action.sa_mask);
        action.sa_flags = SA_RESTART;
        for (int number : {SIGTERM, SIGHUP, SIGINT})
            sigaction(number, &action, nullptr);
    }
    if (auto *app = qobject_cast<QGuiApplication *>(QCoreApplication::instance())) {
        connect(app, &QGuiApplication::commitDataRequest, this, [this](QSessionManager &) {
            emit commitRequested();
        });
    }
}

SessionGuard::~SessionGuard()
{
    struct sigaction action = {};
    action.sa_handler = SIG_DFL;
    sigemptyset(&action.sa_mask);
    for (int number : {SIGTERM, SIGHUP, SIGINT})
        sigaction(number, &action, nullptr);
    for (int &fd : signalPipe) {
        if (fd >= 0)
            ::close(fd);
        fd = -1;
    }
}

void SessionGuard::readSignal()
{
    char buffer[16];
    bool any = false;
    while (::read(signalPipe[1], buffer, sizeof buffer) > 0)
        any = true;
    if (any)
        emit terminationRequested();
}
