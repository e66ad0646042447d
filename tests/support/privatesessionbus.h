#pragma once

// A D-Bus session bus of the test's own, so that stand-in services (a
// portal, a notification server) never meet the desktop's real ones.

#include <QByteArray>
#include <QtTest>

#include <csignal>
#include <cstdio>
#include <cstring>

#include <sys/types.h>

/// Starts a dbus-daemon and points DBUS_SESSION_BUS_ADDRESS at it; the
/// daemon ends with this object. Create it before the application object,
/// as Qt reads the address when it first opens the bus.
class PrivateSessionBus
{
public:
    PrivateSessionBus()
    {
        FILE *daemon = popen("dbus-daemon --session --fork --print-address=1 --print-pid=1", "r");
        if (!daemon)
            return;
        char address[512] = {0};
        long pid = 0;
        const bool read = fgets(address, sizeof address, daemon) && fscanf(daemon, "%ld", &pid) == 1;
        pclose(daemon);
        if (!read)
            return;
        address[strcspn(address, "\n")] = '\0';
        qputenv("DBUS_SESSION_BUS_ADDRESS", address);
        m_pid = pid;
    }
    ~PrivateSessionBus()
    {
        if (m_pid > 0)
            kill(pid_t(m_pid), SIGTERM);
    }
    PrivateSessionBus(const PrivateSessionBus &) = delete;
    PrivateSessionBus &operator=(const PrivateSessionBus &) = delete;

    bool isUp() const { return m_pid > 0; }

    /// A test's main(): the test class Test run under an App (QCoreApplication,
    /// QGuiApplication, ...) on a private bus for the whole run.
    template <typename App, typename Test>
    static int run(int argc, char *argv[])
    {
        const PrivateSessionBus bus;
        if (!bus.isUp()) {
            fprintf(stderr, "no private session bus\n");
            return 1;
        }
        App app(argc, argv);
        Test test;
        return QTest::qExec(&test, argc, argv);
    }

private:
    long m_pid = 0;
};
