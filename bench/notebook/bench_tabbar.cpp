// Times adding 500 tabs to a tab widget, as restoring a notebook does, with
// Qt's closable tabs (a close button widget per tab), with plain tabs and
// with NoteTabWidget (painted close glyphs); then a full repaint of each
// bar. Needs a display (scripts/test-session.sh).
//   bench_tabbar [RUNS]

#include "notetabwidget.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QLabel>
#include <QPixmap>
#include <QTabBar>
#include <QWindow>

#include <algorithm>
#include <cstdio>
#include <functional>

namespace {
double median(QList<double> v)
{
    std::sort(v.begin(), v.end());
    return v.size() % 2 ? v.at(v.size() / 2) : (v.at(v.size() / 2 - 1) + v.at(v.size() / 2)) / 2;
}

struct Times { double addMs; double repaintMs; };

Times timeOne(const std::function<QTabWidget *()> &make)
{
    QPixmap pin(13, 13);
    pin.fill(Qt::red);
    const QIcon icon(pin);
    QTabWidget *tabs = make();
    tabs->setMovable(true);
    tabs->setIconSize(QSize(13, 13));
    tabs->resize(370, 250);
    QElapsedTimer clock;
    clock.start();
    for (int i = 0; i < 500; ++i)
        tabs->addTab(new QLabel, icon, QStringLiteral("笔记 %1").arg(i + 1));
    Times t{};
    t.addMs = clock.nsecsElapsed() / 1e6;
    tabs->show();
    QElapsedTimer wait;
    wait.start();
    while (!(tabs->windowHandle() && tabs->windowHandle()->isExposed()) && wait.elapsed() < 5000)
        QApplication::processEvents(QEventLoop::AllEvents, 20);
    QApplication::processEvents();
    clock.restart();
    tabs->tabBar()->repaint();
    t.repaintMs = clock.nsecsElapsed() / 1e6;
    delete tabs;
    return t;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(1, atoi(argv[1])) : 7;
    const QList<QPair<const char *, std::function<QTabWidget *()>>> kinds = {
        {"QTabWidget, closable", [] { auto *w = new QTabWidget; w->setTabsClosable(true); return w; }},
        {"QTabWidget, plain", [] { return new QTabWidget; }},
        {"NoteTabWidget", [] { return static_cast<QTabWidget *>(new NoteTabWidget); }},
    };
    std::printf("500 tabs, median of %d runs\n", runs);
    for (const auto &kind : kinds) {
        QList<double> add, repaint;
        for (int i = 0; i < runs; ++i) {
            const Times t = timeOne(kind.second);
            add << t.addMs;
            repaint << t.repaintMs;
        }
        std::printf("%-22s add 500 tabs %8.1f ms   repaint bar %6.2f ms\n", kind.first, median(add), median(repaint));
    }
    return 0;
}
