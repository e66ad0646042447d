#include "firstframereport.h"

#include <QMetaObject>
#include <QObject>
#include <QtGlobal>

#include <cstdio>
#include <ctime>

void FirstFrameReport::queue(QObject *context)
{
    if (!qEnvironmentVariableIsSet("VELMO_REPORT_FIRST_PAINT"))
        return;
    QMetaObject::invokeMethod(
        context,
        [] {
            timespec ts{};
            clock_gettime(CLOCK_MONOTONIC, &ts);
            std::fprintf(stderr, "velmo-first-paint-us %lld\n",
                         static_cast<long long>(ts.tv_sec) * 1000000 + ts.tv_nsec / 1000);
        },
        Qt::QueuedConnection);
}
