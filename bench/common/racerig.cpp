#include "racerig.h"

#include <QCoreApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QThread>

#include <algorithm>
#include <chrono>
#include <cstdio>

#include <X11/Xlib.h>
#include <X11/extensions/XTest.h>

qint64 nowUs()
{
    using namespace std::chrono;
    return duration_cast<microseconds>(steady_clock::now().time_since_epoch()).count();
}

double median(std::vector<double> values)
{
    if (values.empty())
        return 0;
    std::sort(values.begin(), values.end());
    const size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

void spin(int ms)
{
    QElapsedTimer timer;
    timer.start();
    while (timer.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::usleep(500);
    }
}

void pressKeys(Display *display, std::initializer_list<KeySym> syms)
{
    std::vector<KeyCode> codes;
    for (KeySym sym : syms)
        codes.push_back(XKeysymToKeycode(display, sym));
    for (KeyCode code : codes)
        XTestFakeKeyEvent(display, code, True, CurrentTime);
    for (auto it = codes.rbegin(); it != codes.rend(); ++it)
        XTestFakeKeyEvent(display, *it, False, CurrentTime);
    XSync(display, False);
}

bool RaceOptions::parse(const QStringList &args, const char *usage, const OwnOption &takeOwn)
{
    for (int i = 1; i < args.size(); ++i) {
        if (args[i] == QLatin1String("--velmo") && i + 1 < args.size())
            velmoPath = args[++i];
        else if (args[i] == QLatin1String("--runs") && i + 1 < args.size())
            runs = std::max(1, args[++i].toInt());
        else if (args[i] == QLatin1String("--no-flameshot"))
            withFlameshot = false;
        else if (takeOwn)
            takeOwn(args, i);
    }
    if (velmoPath.isEmpty()) {
        std::fprintf(stderr, "%s\n", usage);
        return false;
    }
    return true;
}

RaceRig::RaceRig(const QByteArray &extraFlameshotIni)
    : env(QProcessEnvironment::systemEnvironment())
{
    QDir(m_home.path()).mkpath(QStringLiteral(".config/flameshot"));
    QDir(m_home.path()).mkpath(QStringLiteral("work"));
    QFile ini(m_home.filePath(QStringLiteral(".config/flameshot/flameshot.ini")));
    ini.open(QIODevice::WriteOnly);
    ini.write("[General]\nshowStartupLaunchMessage=false\nshowDesktopNotification=false\n"
              "checkForUpdates=false\nstartupLaunch=false\n"
              + extraFlameshotIni);
    env.insert(QStringLiteral("HOME"), m_home.path());
}

namespace {

void stopProgram(QProcess &program)
{
    if (program.state() == QProcess::NotRunning)
        return;
    program.terminate();
    program.waitForFinished(3000);
    program.kill();
}

} // namespace

RaceRig::~RaceRig()
{
    stop();
}

bool RaceRig::start(const QString &velmoPath, bool withFlameshot)
{
    velmo.setProcessEnvironment(env);
    velmo.setWorkingDirectory(filePath(QStringLiteral("work")));
    velmo.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    velmo.start(velmoPath, {QStringLiteral("-Hide")});
    if (withFlameshot) {
        flameshot.setProcessEnvironment(env);
        flameshot.start(QStringLiteral("flameshot"), {});
    }
    if (!velmo.waitForStarted() || (withFlameshot && !flameshot.waitForStarted())) {
        std::fprintf(stderr, "could not start the programs\n");
        return false;
    }
    return true;
}

void RaceRig::stop()
{
    stopProgram(velmo);
    stopProgram(flameshot);
}
