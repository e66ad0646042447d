// bench_formatbar [RUNS]
//
// Times building the formatting bar as the main window's constructor does
// (the font box left for after the first paint) and building its font box,
// which lists every scalable font. The first build of each is shown apart:
// it is the one a start of the program pays. Medians of the later runs.

#include "formatbar.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QFontComboBox>
#include <QLabel>

#include <algorithm>
#include <cstdio>

namespace {
double median(QList<double> values)
{
    std::sort(values.begin(), values.end());
    const int n = values.size();
    return n % 2 ? values.at(n / 2) : (values.at(n / 2 - 1) + values.at(n / 2)) / 2;
}
}

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    const int runs = argc > 1 ? std::max(3, atoi(argv[1])) : 15;

    // Fonts are set up by the first text a window shows, whatever the bar does.
    QLabel warm(QStringLiteral("Velmo Note 便签"));
    warm.adjustSize();

    QList<double> barMs;
    QList<double> fontBoxMs;
    double firstBar = 0;
    double firstFontBox = 0;
    int families = 0;
    for (int i = 0; i <= runs; ++i) {
        QElapsedTimer clock;
        clock.start();
        auto *bar = new FormatBar([] { return nullptr; });
        const double built = clock.nsecsElapsed() / 1e6;
        clock.restart();
        families = bar->fontBox()->count() - 1;
        const double fontBox = clock.nsecsElapsed() / 1e6;
        delete bar;
        if (i == 0) {
            firstBar = built;
            firstFontBox = fontBox;
        } else {
            barMs << built;
            fontBoxMs << fontBox;
        }
    }
    std::printf("font families listed: %d\n", families);
    std::printf("bar without font box: first %.2f ms, median %.2f ms\n", firstBar, median(barMs));
    std::printf("font box:             first %.2f ms, median %.2f ms\n", firstFontBox, median(fontBoxMs));
    return 0;
}
